// Editing the current preset against the virtual unit: parameters, types,
// switches, the dependency rule, volume and tempo, the chain order with its
// refusals, the coalescing of every kind of edit, changes made on the unit,
// IR places, and a seeded storm of edits after which the unit holds exactly
// what the editor shows.

#include "busystate.h"
#include "chainpanel.h"
#include "core.h"
#include "custombutton.h"
#include "customgroupbutton.h"
#include "customslider.h"
#include "draglistwidget.h"
#include "editorfields.h"
#include "exp.h"
#include "editorharness.h"
#include "effectcatalogue.h"
#include "filechooser.h"
#include "groupbuttonwithspinbox.h"
#include "modulepanel.h"
#include "mymessagebox.h"
#include "pagecodes.h"
#include "parawidgetbase.h"
#include "presetpanel.h"
#include "sliderwithspinbox.h"
#include "topbar.h"
#include "valuemodel.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

using namespace Kt900;

class TestCoreEditing : public QObject
{
    Q_OBJECT

private slots:
    void tenParameterChangesSendOnce();
    void editsOfTwoModulesInOneWindow();
    void typeChangeLoadsDefaults();
    void switchSentAtOnce();
    void offModuleSwitchedOnWhenChosen();
    void fxLoopPairShowsOneState();
    void delayTimeFollowsSubdivision();
    void volumeAndTempoEditors();
    void globalTempoEditor();
    void chainDragSendsOrder();
    void dragOntoOwnSlotSendsNothing();
    void cabStaysWhileOutputsDiffer();
    void loopSendNeverPassesReturn();
    void unitChangesFollow();
    void coalescingPerKind();
    void irSlotImportAndDelete();
    void randomEditStorm();
};

namespace {

// Identity chain order and equal cab-sim outputs in the unit's edit buffer.
void plainChain(Kt900Sim::UnitMemory &mem)
{
    Record &edit = *mem.store.record(kEditBuffer);
    for (int c = 0; c < kChainLength; ++c)
        edit[static_cast<std::size_t>(Rec::Chain + 2 * c)] = static_cast<std::uint8_t>(c);
    mem.store.setSystemSetting(13, 1);
    mem.store.setSystemSetting(14, 1);
}

QList<int> chainOf(const QByteArray &payload)
{
    QList<int> order;
    for (int i = 0; i < kChainLength; ++i)
        order << static_cast<std::uint8_t>(payload.at(1 + i));
    return order;
}

QList<int> unitChain(EditorHarness &h)
{
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QList<int> order;
    for (int c = 0; c < kChainLength; ++c)
        order << mem.store.chainModuleAt(c);
    return order;
}

int slotWidth(EditorHarness &h)
{
    return h.chain()->container()->width() / ChainPanel::kButtonCount;
}

// A short mono 44.1 kHz 16-bit WAV.
QByteArray wavFile()
{
    const int frames = 1000;
    QByteArray data(frames * 2, 0);
    for (int i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(static_cast<qint16>((i * 37) % 20000 - 10000), data.data() + 2 * i);
    QByteArray wav("RIFF");
    QByteArray tail;
    tail += "WAVEfmt ";
    char fmt[20];
    qToLittleEndian<quint32>(16, fmt);
    qToLittleEndian<quint16>(1, fmt + 4);
    qToLittleEndian<quint16>(1, fmt + 6);
    qToLittleEndian<quint32>(44100, fmt + 8);
    qToLittleEndian<quint32>(88200, fmt + 12);
    qToLittleEndian<quint16>(2, fmt + 16);
    qToLittleEndian<quint16>(16, fmt + 18);
    tail += QByteArray(fmt, 20);
    tail += "data";
    char size[4];
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), size);
    tail += QByteArray(size, 4) + data;
    qToLittleEndian<quint32>(static_cast<quint32>(tail.size()), size);
    return wav + QByteArray(size, 4) + tail;
}

} // namespace

void TestCoreEditing::tenParameterChangesSendOnce()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    h.clickChain(ModAmp);
    if (!h.store().moduleSwitch(ModAmp))
        h.clickChain(ModAmp);
    QTest::qWait(250);
    h.unit().clearReceivedFrames();
    auto *row = qobject_cast<SliderWithSpinBox *>(h.modules()->paraWidget(0));
    QVERIFY(row);
    row->slider()->setValue(40);
    QTest::qWait(150);
    h.unit().clearReceivedFrames();

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(row->slider(), Qt::Key_Right);
    QVERIFY(clock.elapsed() < 60);
    QCOMPARE(h.frames(0x05).size(), 0);      // nothing before the window closes
    QCOMPARE(ValueModel::getParam(h.store(), kEditBuffer, ModAmp, 0), 50);
    QTest::qWait(300);
    QCOMPARE(h.frames(0x05).size(), 1);
    QCOMPARE(ValueModel::getParam(h.unitMemory().store, kEditBuffer, ModAmp, 0), 50);
    QCOMPARE(h.unitMemory().store.screenCode(), PageCodes::forModule(ModAmp));
    // An equal value sends nothing.
    h.unit().clearReceivedFrames();
    row->slider()->setValue(50);
    QTest::qWait(200);
    QCOMPARE(h.frames(0x05).size(), 0);
    QVERIFY(h.store().isModified());
    QVERIFY(h.unit().protocolErrors().isEmpty());
}

void TestCoreEditing::editsOfTwoModulesInOneWindow()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    core.selectModule(ModAmp);
    const int gain = (ValueModel::getParam(h.store(), kEditBuffer, ModAmp, 0) + 7) % 100;
    h.modules()->paraWidget(0)->setValue(gain);
    // Straight on to another module, within the same 100 ms.
    core.selectModule(ModReverb);
    const int level = (ValueModel::getParam(h.store(), kEditBuffer, ModReverb, 1) + 9) % 100;
    h.modules()->paraWidget(1)->setValue(level);
    QTest::qWait(300);
    QCOMPARE(h.frames(0x05).size(), 1);
    QCOMPARE(h.frames(0x0D).size(), 1);
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(ValueModel::getParam(mem.store, kEditBuffer, ModAmp, 0), gain);
    QCOMPARE(ValueModel::getParam(mem.store, kEditBuffer, ModReverb, 1), level);
}

void TestCoreEditing::typeChangeLoadsDefaults()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    h.core->selectModule(ModDelay);
    const int type = h.modules()->currentType() == 4 ? 5 : 4;
    h.unit().clearReceivedFrames();
    h.clickType(type);
    // The rows follow at once.
    QCOMPARE(h.modules()->currentType(), type);
    const EffectCatalogue &cat = EffectCatalogue::instance();
    const int count = cat.paramCount(ModDelay, type);
    for (int r = 0; r < h.modules()->rowCount(); ++r)
        QCOMPARE(h.modules()->paraList()->isRowHidden(r), r >= count);
    QCOMPARE(h.modules()->paraWidget(0)->value(), ValueModel::typeDefaults(ModDelay, type).at(0));
    QTest::qWait(300);
    QCOMPARE(h.frames(0x0C).size(), 1);
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(mem.store.blockWord(kEditBuffer, ModDelay, 1), type);
    const QList<int> defaults = ValueModel::typeDefaults(ModDelay, type);
    for (int i = 0; i < count; ++i)
        QCOMPARE(ValueModel::getParam(mem.store, kEditBuffer, ModDelay, i), defaults.at(i));
    QCOMPARE(h.lastCurrentUi(), qint64(PageCodes::forModule(ModDelay)));
    QVERIFY(h.unit().protocolErrors().isEmpty());
}

void TestCoreEditing::switchSentAtOnce()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    h.core->selectModule(ModEq);
    h.unit().clearReceivedFrames();
    const bool on = h.store().moduleSwitch(ModEq);
    // Clicking the selected module switches it.
    h.clickChain(ModEq);
    QCOMPARE(h.store().moduleSwitch(ModEq), !on);
    QCOMPARE(h.chain()->button(ModEq)->switchStatus(), !on);
    QCOMPARE(h.modules()->moduleSwitch()->isChecked(), !on);
    QTRY_COMPARE_WITH_TIMEOUT(h.frames(0x09).size(), 1, 80);
    QCOMPARE(h.unitMemory().store.moduleSwitch(ModEq), !on);
    // And the switch itself does the same.
    QTest::mouseClick(h.modules()->moduleSwitch(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(h.store().moduleSwitch(ModEq), on);
    QCOMPARE(h.chain()->button(ModEq)->switchStatus(), on);
    QTRY_COMPARE_WITH_TIMEOUT(h.frames(0x09).size(), 2, 80);
    QCOMPARE(h.unitMemory().store.moduleSwitch(ModEq), on);
}

void TestCoreEditing::offModuleSwitchedOnWhenChosen()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, [](Kt900Sim::UnitMemory &mem) {
        mem.store.setBlockWord(kEditBuffer, ModNsGate, 0, 0);
        mem.store.setBlockWord(kEditBuffer, ModFxb, 0, 1);
    }), qPrintable(h.error));
    h.core->selectModule(ModFxb);
    h.unit().clearReceivedFrames();
    QVERIFY(!h.chain()->button(ModNsGate)->switchStatus());
    h.clickChain(ModNsGate);
    QCOMPARE(h.core->currentModule(), int(ModNsGate));
    QCOMPARE(h.chain()->selectedModule(), int(ModNsGate));
    QVERIFY(!h.chain()->button(ModFxb)->isSelect());
    QVERIFY(h.chain()->button(ModNsGate)->switchStatus());
    QVERIFY(h.store().moduleSwitch(ModNsGate));
    QTRY_COMPARE(h.frames(0x08).size(), 1);
    QVERIFY(h.unitMemory().store.moduleSwitch(ModNsGate));
    const QList<QByteArray> pages = h.frames(0x02);
    QVERIFY(!pages.isEmpty());
    QCOMPARE(static_cast<int>(pages.first().at(1)), 5);   // NS GATE's page
    // Choosing a module that is on leaves it on.
    h.clickChain(ModFxb);
    QTest::qWait(150);
    QVERIFY(h.store().moduleSwitch(ModFxb));
    QCOMPARE(h.frames(0x0B).size(), 0);
}

void TestCoreEditing::fxLoopPairShowsOneState()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    CustomButton *send = h.chain()->button(ModFxLoopSend);
    CustomButton *ret = h.chain()->button(ModFxLoopReturn);
    QCOMPARE(send->switchStatus(), ret->switchStatus());
    send->setSwitchStatus(!send->switchStatus());
    QCOMPARE(ret->switchStatus(), send->switchStatus());
    ret->setSwitchStatus(!ret->switchStatus());
    QCOMPARE(send->switchStatus(), ret->switchStatus());
    // Switching the loop from the return button switches the shared block.
    h.core->selectModule(ModFxLoopReturn);
    const bool on = h.store().moduleSwitch(ModFxLoopSend);
    h.clickChain(ModFxLoopReturn);
    QCOMPARE(h.store().moduleSwitch(ModFxLoopSend), !on);
    QCOMPARE(send->switchStatus(), !on);
    QTRY_COMPARE(h.unitMemory().store.moduleSwitch(ModFxLoopSend), !on);
}

void TestCoreEditing::delayTimeFollowsSubdivision()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    h.core->selectModule(ModDelay);
    if (h.modules()->currentType() != 0)
        h.clickType(0);
    ParaWidgetBase *time = h.modules()->paraWidget(2);
    auto *sub = qobject_cast<GroupButtonWithSpinBox *>(h.modules()->paraWidget(3));
    QVERIFY(time && sub);
    if (sub->value() != 0)
        QTest::mouseClick(sub->groupButton()->button(0), Qt::LeftButton);
    QVERIFY(time->isEnabled());
    time->setValue(300);
    const int saved = getU16(h.store().record(kEditBuffer)->data() + Rec::DelayTime1);
    QCOMPARE(saved, 300);
    // A subdivision: the time follows the tempo and cannot be edited.
    QTest::mouseClick(sub->groupButton()->button(1), Qt::LeftButton);
    QCOMPARE(sub->value(), 1);
    QVERIFY(!time->isEnabled());
    QCOMPARE(time->property("enable").toBool(), false);
    const int synced = ValueModel::syncedTimeRaw(h.store().effectiveTempoBpm(), 1);
    QCOMPARE(time->value(), synced);
    QCOMPARE(ValueModel::getParam(h.store(), kEditBuffer, ModDelay, 2), synced);
    // Back to OFF: the saved time returns.
    QTest::mouseClick(sub->groupButton()->button(0), Qt::LeftButton);
    QVERIFY(time->isEnabled());
    QCOMPARE(time->value(), 300);
    QTest::qWait(300);
    QVERIFY(h.editBufferDifferences().isEmpty());
    QVERIFY(h.unit().protocolErrors().isEmpty());

    // The effects loop: Dry/Wet only while the loop mode is on.
    h.core->selectModule(ModFxLoopSend);
    ParaWidgetBase *mode = h.modules()->paraWidget(3);
    ParaWidgetBase *mix = h.modules()->paraWidget(2);
    QVERIFY(mode && mix);
    mode->setValue(0);
    QVERIFY(!mix->isEnabled());
    mode->setValue(1);
    QVERIFY(mix->isEnabled());
}

void TestCoreEditing::volumeAndTempoEditors()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, [](Kt900Sim::UnitMemory &mem) { mem.store.setSystemSetting(7, 0); }),
             qPrintable(h.error));
    TopBar *top = h.core->topBar();
    QCOMPARE(top->tempoLabel()->text(), QStringLiteral("PRE.BPM"));
    const int volume = h.store().presetVolume() == 75 ? 76 : 75;
    EditorHarness::typeInto(top->volumeEdit(), QString::number(volume));
    QCOMPARE(h.frames(0x0F).size(), 1);
    QCOMPARE(h.lastCurrentUi(), 12);
    QCOMPARE(h.unitMemory().store.presetVolume(), volume);
    // The same value again sends nothing; a value above 100 cannot be typed.
    EditorHarness::typeInto(top->volumeEdit(), QString::number(volume));
    QCOMPARE(h.frames(0x0F).size(), 1);
    EditorHarness::typeInto(top->volumeEdit(), QStringLiteral("101"));
    QCOMPARE(h.frames(0x0F).size(), 1);

    // 300 BPM is refused; leaving the editor shows the tempo again.
    const QString tempo = top->tempoEdit()->text();
    EditorHarness::typeInto(top->tempoEdit(), QStringLiteral("300"));
    QCOMPARE(h.frames(0x0F).size(), 1);
    top->presetNameEdit()->setFocus();
    QTRY_COMPARE(top->tempoEdit()->text(), tempo);
    const int bpm = tempo.toInt() == 150 ? 151 : 150;
    EditorHarness::typeInto(top->tempoEdit(), QString::number(bpm));
    QCOMPARE(h.frames(0x0F).size(), 2);
    QCOMPARE(h.unitMemory().store.presetTempoBpm(), bpm);
    QCOMPARE(h.store().presetTempoBpm(), bpm);
    QVERIFY(h.store().isModified());
    QVERIFY(h.unit().protocolErrors().isEmpty());
}

void TestCoreEditing::globalTempoEditor()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, [](Kt900Sim::UnitMemory &mem) { mem.store.setSystemSetting(7, 1); }),
             qPrintable(h.error));
    TopBar *top = h.core->topBar();
    QCOMPARE(top->tempoLabel()->text(), QStringLiteral("GLB.BPM"));
    QCOMPARE(top->tempoEdit()->text(), QString::number(h.store().globalTempoBpm()));
    const int preset = h.store().presetTempoBpm();
    const int bpm = h.store().globalTempoBpm() == 90 ? 91 : 90;
    EditorHarness::typeInto(top->tempoEdit(), QString::number(bpm));
    QCOMPARE(h.store().globalTempoBpm(), bpm);
    QCOMPARE(h.store().presetTempoBpm(), preset);
    QTRY_COMPARE(h.unitMemory().store.globalTempoBpm(), bpm);
    QCOMPARE(h.unitMemory().store.presetTempoBpm(), preset);
}

void TestCoreEditing::chainDragSendsOrder()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, plainChain), qPrintable(h.error));
    QCOMPARE(h.chain()->displayModules(), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    const QList<QPoint> places = h.chain()->slotPositions();
    QCOMPARE(places.size(), 11);
    // Drag FXA two places to the right.
    h.dragChain(ModFxa, 2 * slotWidth(h) + 10);
    const QList<int> expected{1, 2, 0, 3, 4, 5, 6, 7, 8, 9, 10};
    QCOMPARE(h.chain()->displayModules(), expected);
    const QList<QByteArray> orders = h.frames(0x10);
    QCOMPARE(orders.size(), 2);          // one per exchange
    QCOMPARE(chainOf(orders.last()), expected);
    for (int m = 0; m < kChainLength; ++m)
        QCOMPARE(static_cast<int>(orders.last().at(12 + m)), h.store().moduleSwitch(m) ? 1 : 0);
    // CurrentUi 268 comes first.
    const QList<int> codes = h.codes();
    QCOMPARE(codes.first(), 0x02);
    QCOMPARE(h.frames(0x02).first().mid(1, 4), QByteArray("\x0C\x01\x00\x00", 4));
    QTRY_COMPARE(unitChain(h), expected);
    // After the release every button sits on its slot.
    for (int i = 0; i < 11; ++i)
        QCOMPARE(h.chain()->displayOrder().at(i)->pos(), places.at(i));
    QVERIFY(h.store().isModified());
    QVERIFY(h.unit().protocolErrors().isEmpty());

    // While dragging, the displaced button slides to the free slot.
    CustomButton *b = h.chain()->button(ModCab);
    const QPoint press(40, 57);
    EditorHarness::sendMouse(b, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    EditorHarness::sendMouse(b, QEvent::MouseMove, press + QPoint(slotWidth(h) / 2 + 8, 0), Qt::NoButton,
                             Qt::LeftButton);
    QVERIFY(h.chain()->isSliding());
    EditorHarness::sendMouse(b, QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!h.chain()->isSliding());
    QCOMPARE(h.chain()->displayModules(), (QList<int>{1, 2, 0, 4, 3, 5, 6, 7, 8, 9, 10}));
}

void TestCoreEditing::dragOntoOwnSlotSendsNothing()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, plainChain), qPrintable(h.error));
    const QList<int> before = h.chain()->displayModules();
    // Out and back within the slot, and a move shorter than a drag: nothing.
    h.wiggleChain(ModEq, slotWidth(h) / 3);
    h.wiggleChain(ModDelay, 3);
    QTest::qWait(150);
    QCOMPARE(h.chain()->displayModules(), before);
    QCOMPARE(h.frames(0x10).size(), 0);
    // A short move is a click: DELAY is chosen.
    QCOMPARE(h.core->currentModule(), int(ModDelay));
}

void TestCoreEditing::cabStaysWhileOutputsDiffer()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, [](Kt900Sim::UnitMemory &mem) {
        plainChain(mem);
        mem.store.setSystemSetting(13, 1);
        mem.store.setSystemSetting(14, 0);
    }), qPrintable(h.error));
    const QList<int> before = h.chain()->displayModules();
    h.dragChain(ModCab, -slotWidth(h) - 10);
    h.dragChain(ModAmp, slotWidth(h) + 10);
    QCOMPARE(h.chain()->displayModules(), before);
    QCOMPARE(h.frames(0x10).size(), 0);
    // Other modules still move.
    h.dragChain(ModNsGate, slotWidth(h) + 10);
    QCOMPARE(h.chain()->displayModules(), (QList<int>{0, 1, 2, 3, 5, 4, 6, 7, 8, 9, 10}));
    QCOMPARE(h.frames(0x10).size(), 1);
}

void TestCoreEditing::loopSendNeverPassesReturn()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, plainChain), qPrintable(h.error));
    const QList<int> before = h.chain()->displayModules();
    h.dragChain(ModFxLoopSend, slotWidth(h) + 10);
    h.dragChain(ModFxLoopReturn, -slotWidth(h) - 10);
    QCOMPARE(h.chain()->displayModules(), before);
    QCOMPARE(h.frames(0x10).size(), 0);
    h.dragChain(ModFxLoopSend, -slotWidth(h) - 10);
    QCOMPARE(h.chain()->displayModules(), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 9, 8, 10}));
    h.dragChain(ModFxLoopSend, slotWidth(h) + 10);
    QCOMPARE(h.chain()->displayModules(), before);
    QCOMPARE(h.frames(0x10).size(), 2);
    QTRY_COMPARE(unitChain(h), before);
}

void TestCoreEditing::unitChangesFollow()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    // A footswitch selects preset 20.
    QVERIFY(h.unit().selectPreset(20));
    QTRY_COMPARE(core.presetPanel()->deviceList()->currentRow(), 20);
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(core.topBar()->presetName(), mem.store.presetName(20).trimmed());
    QList<int> order;
    for (int c = 0; c < kChainLength; ++c)
        order << mem.store.chainModuleAt(c);
    QCOMPARE(core.chainPanel()->displayModules(), order);
    QCOMPARE(h.store().currentPresetIndex(), 20);
    QVERIFY(h.editBufferDifferences().isEmpty());

    // A knob on the unit turns a parameter of the shown module.
    core.selectModule(ModReverb);
    const int raw = (ValueModel::getParam(h.store(), kEditBuffer, ModReverb, 1) + 13) % 100;
    QVERIFY(h.unit().setParameter(ModReverb, 1, raw));
    QTRY_COMPARE(core.modulePanel()->paraWidget(1)->value(), raw);
    // Its type, its switch.
    const int type = (core.modulePanel()->currentType() + 1) % 7;
    QVERIFY(h.unit().setModuleType(ModReverb, type));
    QTRY_COMPARE(core.modulePanel()->currentType(), type);
    QCOMPARE(core.modulePanel()->typeList()->currentRow(), type);
    const bool on = !h.store().moduleSwitch(ModReverb);
    QVERIFY(h.unit().setModuleSwitch(ModReverb, on));
    QTRY_COMPARE(core.chainPanel()->button(ModReverb)->switchStatus(), on);
    QCOMPARE(core.modulePanel()->moduleSwitch()->isChecked(), on);
    // The tempo.
    QVERIFY(h.unit().setTempo(171));
    QTRY_COMPARE(core.topBar()->tempoEdit()->text(), QStringLiteral("171"));
    // A preset stored from the unit.
    QVERIFY(h.unit().storePreset(21, QStringLiteral("STORED")));
    QTRY_COMPARE(core.presetPanel()->deviceList()->item(21)->text(), QStringLiteral("08A STORED"));
    QCOMPARE(core.presetPanel()->deviceList()->currentRow(), 21);
    QCOMPARE(core.topBar()->presetName(), QStringLiteral("STORED"));
    // The editor answered none of it.
    QCOMPARE(h.frames(0x03).size() + h.frames(0x0D).size() + h.frames(0x22).size(), 0);
}

void TestCoreEditing::coalescingPerKind()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    DeviceStore &s = h.store();
    core.selectModule(ModAmp);

    // System settings: ten edits, one request with the last value.
    const int trail = s.systemSetting(15);
    for (int i = 0; i < 10; ++i)
        core.sysValueChanged(15, (trail + 1 + i) % 2);
    // Expression pedal, global EQ, CTRL, MIDI, tone capture, in the same window.
    core.expValueChanged(6, 3);
    core.expValueChanged(8, 2);
    for (int v = 0; v < 5; ++v)
        core.glbEqValueChanged(3, 40 + v);
    core.ctrlValueChanged(0, s.control(0) == 1 ? 2 : 1);
    core.ctrlValueChanged(2, s.effectiveTempoBpm() == 100 ? 101 : 100);
    core.midiValueChanged(19, 4, 10);
    core.midiValueChanged(19, 5, 11);
    core.midiValueChanged(19, 4, 12);
    core.toneCaptureValueChanged(0, 1 - s.toneCaptureValue(0));
    core.toneCaptureValueChanged(9, s.toneCaptureValue(9) == 2 ? 1 : 2);
    QCOMPARE(h.frames(0x11).size() + h.frames(0x16).size() + h.frames(0x13).size() + h.frames(0x14).size(), 0);
    QTest::qWait(300);
    QCOMPARE(h.frames(0x11).size(), 1);     // SystemSettings
    QCOMPARE(h.frames(0x16).size(), 1);     // ExpVolume
    QCOMPARE(h.frames(0x13).size(), 1);     // GlobalEq
    QCOMPARE(h.frames(0x14).size(), 1);     // CtrlSet
    QCOMPARE(h.frames(0x0F).size(), 1);     // GlobalBpm (CTRL tempo)
    QCOMPARE(h.frames(0x12).size(), 2);     // MidiMapEntry, one per entry
    QCOMPARE(h.frames(0x25).size(), 1);     // CaptureSettingsA
    QCOMPARE(h.frames(0x27).size(), 1);     // CaptureSettingsC

    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(mem.store.systemSetting(15), (trail + 10) % 2);
    QCOMPARE(EditorFields::expField(mem.store, 6), 3);
    QCOMPARE(EditorFields::expField(mem.store, 8), 2);
    // Choosing pedal targets ended both merge assignments.
    QCOMPARE(EditorFields::expField(s, 2), 0);
    QCOMPARE(EditorFields::expField(s, 3), 0);
    QCOMPARE(EditorFields::expField(mem.store, 2), 0);
    QCOMPARE(core.expPopup()->expValue(2), 0);
    QCOMPARE(mem.store.globalEqWord((s.globalEqOutput() == 0 ? 0 : 9) + 2), 44);
    QCOMPARE(mem.store.control(0), s.control(0));
    QCOMPARE(mem.store.effectiveTempoBpm(), s.effectiveTempoBpm());
    QCOMPARE(int(mem.store.midiBlock()[256 + 4]), 12);
    QCOMPARE(int(mem.store.midiBlock()[256 + 5]), 11);
    QCOMPARE(mem.store.toneCaptureValue(0), s.toneCaptureValue(0));
    QCOMPARE(mem.store.toneCaptureValue(9), s.toneCaptureValue(9));
    QVERIFY(h.unit().protocolErrors().isEmpty());

    // Equal values send nothing; index -1 reports a page at once.
    h.unit().clearReceivedFrames();
    core.sysValueChanged(15, s.systemSetting(15));
    core.expValueChanged(6, 3);
    core.sysValueChanged(-1, 0x50D);
    QCOMPARE(h.lastCurrentUi(), 0x50D);
    core.expValueChanged(-1, -1);
    QCOMPARE(h.lastCurrentUi(), qint64(PageCodes::forModule(ModAmp)));
    QTest::qWait(250);
    QCOMPARE(h.frames(0x11).size() + h.frames(0x16).size(), 0);
}

void TestCoreEditing::irSlotImportAndDelete()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("My Room IR.wav"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(wavFile());
    }
    auto *chooser = new FixedFileChooser(path);
    core.setFileChooser(std::unique_ptr<FileChooser>(chooser));
    core.selectModule(ModCab);
    // Row 35 is IR slot 3, empty in the factory set.
    const int row = 35;
    QListWidget *types = core.modulePanel()->typeList();
    types->scrollToItem(types->item(row));
    QWidget *rowWidget = types->itemWidget(types->item(row));
    QVERIFY(rowWidget);
    auto *add = rowWidget->findChild<QPushButton *>(QStringLiteral("addButton"));
    auto *remove = rowWidget->findChild<QPushButton *>(QStringLiteral("deleteButton"));
    QVERIFY(add && remove);
    // Watch for the message boxes while the modal runs go on.
    QString message;
    bool answerYes = false;
    // While the upload runs, a preset switch and a second import are refused.
    int presetBefore = -2, presetDuring = -2;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &core, [&]() {
        if (core.busyState()->isBusy() && presetBefore == -2) {
            presetBefore = h.store().currentPresetIndex();
            core.presetPanel()->deviceList()->setCurrentRow((presetBefore + 3) % kPresetCount);
            QTest::mouseClick(add, Qt::LeftButton);
            presetDuring = h.store().currentPresetIndex();
        }
        for (MyMessageBox *box : core.findChildren<MyMessageBox *>(QStringLiteral("messageBoxDialog"))) {
            if (!box->isVisible())
                continue;
            message = box->text();
            if (answerYes && !box->buttons().isEmpty())
                box->buttons().first()->click();
        }
    });
    watch.start(20);
    QTest::mouseClick(add, Qt::LeftButton);
    QCOMPARE(chooser->calls, 1);
    QCOMPARE(chooser->lastCaption, QStringLiteral("Select IR File"));
    QCOMPARE(chooser->lastFilter, QStringLiteral("IR(*.wav)"));
    QTRY_COMPARE(message, QStringLiteral("IR import successful !"));
    QCOMPARE(types->item(row)->text(), QStringLiteral("36:My Room IR"));
    QCOMPARE(EffectCatalogue::instance().typeName(ModCab, row), QStringLiteral("36:My Room IR"));
    QVERIFY2(presetBefore >= 0, "the upload never showed the busy state");
    QCOMPARE(presetDuring, presetBefore);
    QCOMPARE(core.presetPanel()->deviceList()->currentRow(), presetBefore);
    QCOMPARE(chooser->calls, 1);
    QVERIFY(!core.busyState()->isBusy());
    QTRY_VERIFY(h.unitMemory().irFilled(3));
    QCOMPARE(h.unitMemory().store.slotName(ListIr, 3), QStringLiteral("My Room IR"));

    // Delete, answering YES.
    QTRY_VERIFY(!core.findChild<MyMessageBox *>(QStringLiteral("messageBoxDialog")));
    answerYes = true;
    QTest::mouseClick(remove, Qt::LeftButton);
    QCOMPARE(message, QStringLiteral("Delete the IR: 36:My Room IR"));
    QCOMPARE(types->item(row)->text(), QStringLiteral("36:EMPTY"));
    QTRY_VERIFY(!h.unitMemory().irFilled(3));

    // A file that is no IR fails, and leaves nothing busy.
    QTRY_VERIFY(!core.findChild<MyMessageBox *>(QStringLiteral("messageBoxDialog")));
    const QString broken = dir.filePath(QStringLiteral("Broken.wav"));
    {
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a wave file");
    }
    chooser->setPath(broken);
    presetBefore = 0;   // nothing more to try during this one
    QTest::mouseClick(add, Qt::LeftButton);
    QTRY_COMPARE(message, QStringLiteral("IR import failed !"));
    QVERIFY(!core.busyState()->isBusy());
    QCOMPARE(types->item(row)->text(), QStringLiteral("36:EMPTY"));
    QVERIFY(h.unit().protocolErrors().isEmpty());
}

void TestCoreEditing::randomEditStorm()
{
    const quint32 seed = 0x0900u;
    QRandomGenerator random(seed);
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    int params = 0, switches = 0, types = 0, drags = 0, levels = 0;
    for (int step = 0; step < 220; ++step) {
        const int what = random.bounded(100);
        const int module = core.currentModule();
        if (what < 45 && module >= 0 && module <= ModFxLoopReturn) {
            const int count = core.modulePanel()->paramCount(module, core.modulePanel()->currentType());
            ParaWidgetBase *w = count > 0 ? core.modulePanel()->paraWidget(random.bounded(count)) : nullptr;
            if (auto *slider = qobject_cast<SliderWithSpinBox *>(w)) {
                if (slider->isEnabled() && random.bounded(2))
                    slider->slider()->setValue(random.bounded(slider->maximum() + 1));
                else
                    QTest::keyClick(slider->slider(), random.bounded(2) ? Qt::Key_Right : Qt::Key_Left);
            } else if (auto *group = qobject_cast<GroupButtonWithSpinBox *>(w)) {
                QTest::mouseClick(group->groupButton()->button(random.bounded(group->groupButton()->buttonCount())),
                                  Qt::LeftButton);
            }
            ++params;
        } else if (what < 60) {
            h.clickChain(random.bounded(11));
            ++switches;
        } else if (what < 68 && module >= 0 && module <= ModReverb) {
            h.clickType(random.bounded(core.modulePanel()->typeList()->count()));
            ++types;
        } else if (what < 73) {
            QTest::mouseClick(core.modulePanel()->moduleSwitch(), Qt::LeftButton, {}, QPoint(10, 10));
            ++switches;
        } else if (what < 83) {
            h.dragChain(random.bounded(11), (random.bounded(7) - 3) * slotWidth(h) + (random.bounded(2) ? 8 : -8), 6);
            ++drags;
        } else if (what < 91) {
            EditorHarness::typeInto(core.topBar()->volumeEdit(), QString::number(random.bounded(101)));
            ++levels;
        } else {
            EditorHarness::typeInto(core.topBar()->tempoEdit(), QString::number(40 + random.bounded(221)));
            ++levels;
        }
        QTest::qWait(random.bounded(8) == 0 ? 130 : random.bounded(40));
    }
    QTest::qWait(400);
    const QStringList differences = h.editBufferDifferences();
    QVERIFY2(differences.isEmpty(), qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(differences.join(QStringLiteral("; ")))));
    QVERIFY2(h.unit().protocolErrors().isEmpty(), qPrintable(h.unit().protocolErrors().join(QLatin1Char('\n'))));
    // The storm did what it says.
    QVERIFY(params > 50 && switches > 10 && types > 5 && drags > 5 && levels > 5);
    QList<int> order;
    for (int c = 0; c < kChainLength; ++c)
        order << h.store().chainModuleAt(c);
    QCOMPARE(core.chainPanel()->displayModules(), order);
}

QTEST_MAIN(TestCoreEditing)
#include "tst_core_editing.moc"
