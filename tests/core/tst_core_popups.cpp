// The pedal pop-up and the tone capture wizard end to end against the
// virtual unit: assignments and the volume pedal range reach the unit, the
// top bar names each kind of assignment, a capture is stored, leaving the
// wizard at any step puts the unit back to normal, a capture the unit never
// finishes ends after a bounded wait, and an unplug ends the editor cleanly.

#include "editorharness.h"

#include "customslider.h"
#include "editorfields.h"
#include "exp.h"
#include "expwidget.h"
#include "mycombobox.h"
#include "mymessagebox.h"
#include "pagecodes.h"
#include "sliderwithspinbox.h"
#include "tonecapture.h"
#include "topbar.h"

#include <QLabel>
#include <QPushButton>

using namespace Kt900;

namespace {

int firstEmptyCaptureSlot(const Kt900Sim::UnitMemory &m)
{
    for (int slot = 0; slot < kCaptureSlots; ++slot) {
        if (!m.captureFilled(slot))
            return slot;
    }
    return -1;
}

// Walks the open wizard from its start page to `step` (0..4).
void walkTo(ToneCapture *tone, int step)
{
    const int ids[] = {ToneCapture::ToStep1, ToneCapture::ExternalCab, ToneCapture::ToStep2, ToneCapture::Step2Next,
                       ToneCapture::ToStep4};
    const int reached[] = {1, 1, 2, 3, 4};
    for (int i = 0; i < 5 && tone->step() < step; ++i) {
        if (reached[i] > step)
            break;
        tone->buttonClick(ids[i]);
    }
}

} // namespace

class TestCorePopups : public QObject
{
    Q_OBJECT

private slots:
    void pedalAssignmentsReachTheUnit();
    void topBarNamesEachAssignment();
    void wizardStoresACapture();
    void leavingTheWizard_data();
    void leavingTheWizard();
    void captureTheUnitNeverFinishes();
    void unplugInThePopups_data();
    void unplugInThePopups();
};

void TestCorePopups::pedalAssignmentsReachTheUnit()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    h.core->buttonClick(TopBar::ExpId);
    Exp *exp = h.core->expPopup();
    QVERIFY(exp->isVisible());
    for (int pedal = 0; pedal < 2; ++pedal) {
        QTest::mouseClick(exp->typeButtons().at(pedal), Qt::LeftButton);
        ExpWidget *w = exp->pedal(pedal);
        // A module other than the current one, then its second parameter.
        const int module = w->currentModule() == 2 ? 3 : 2;
        QTest::mouseClick(w->moduleButtons().at(module), Qt::LeftButton);
        QVERIFY(w->paramButtons().size() > 1);
        QTest::mouseClick(w->paramButtons().at(1), Qt::LeftButton);
        const int moduleField = pedal == 0 ? Exp::FieldModule1 : Exp::FieldModule2;
        QTRY_COMPARE(EditorFields::expField(h.unitMemory().store, moduleField), module);
        QTRY_COMPARE(EditorFields::expField(h.unitMemory().store, moduleField + 1), 1);
        QCOMPARE(h.lastCurrentUi(), qint64(pedal == 0 ? Exp::kPageCodeExp1 : Exp::kPageCodeExp2));
    }
    // The volume pedal's range: Min and Max reach the unit, Min never passes Max.
    QTest::mouseClick(exp->typeButtons().at(2), Qt::LeftButton);
    exp->maxSlider()->slider()->setValue(80);
    exp->minSlider()->slider()->setValue(30);
    QTRY_COMPARE(EditorFields::expField(h.unitMemory().store, Exp::FieldMaximum), 80);
    QTRY_COMPARE(EditorFields::expField(h.unitMemory().store, Exp::FieldMinimum), 30);
    exp->minSlider()->slider()->setValue(95);
    QTest::qWait(300);
    QVERIFY(EditorFields::expField(h.unitMemory().store, Exp::FieldMinimum) <= 80);
    QCOMPARE(h.lastCurrentUi(), qint64(Exp::kPageCodeExpVol));
}

void TestCorePopups::topBarNamesEachAssignment()
{
    // Preset 5 with a merge assignment on EXP1, preset 6 with plain
    // assignments on both pedals (neither is the current preset at start).
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, [](Kt900Sim::UnitMemory &m) {
                 EditorFields::setExpField(m.store, Exp::FieldModule1, 1);
                 EditorFields::setExpField(m.store, Exp::FieldModule2, 2);
                 for (int preset : {5, 6}) {
                     Record &r = *m.store.record(preset);
                     const Record &e = *m.store.record(kEditBuffer);
                     for (int i = 0; i < 10; ++i)
                         r[Rec::ExpSettings + i] = e[Rec::ExpSettings + i];
                 }
                 (*m.store.record(5))[Rec::ExpSettings + Exp::FieldMerge1] = 1;
                 (*m.store.record(6))[Rec::ExpSettings + Exp::FieldMerge1] = 0;
             }),
             qPrintable(h.error));
    QLabel *info = h.core->topBar()->expInfoLabel();
    struct Case {
        int preset;
        bool merged;
    } cases[] = {{5, true}, {6, false}};
    for (const Case &c : cases) {
        QVERIFY(h.unit().selectPreset(c.preset));
        QTRY_COMPARE(h.store().currentPresetIndex(), c.preset);
        const QString text = h.core->expPopup()->controlText();
        QTRY_COMPARE(info->text(), text);
        QCOMPARE(text.startsWith(QLatin1String("EXP1:MERGE")), c.merged);
        QVERIFY2(text.contains(QLatin1String("EXP2:") + Exp::pedalModules().at(2)), qPrintable(text));
    }
}

void TestCorePopups::wizardStoresACapture()
{
    Kt900Sim::UnitOptions options;
    options.captureTimeMs = 300;
    EditorHarness h;
    QVERIFY2(h.startLoaded(options), qPrintable(h.error));
    const int slot = firstEmptyCaptureSlot(h.unitMemory());
    QVERIFY(slot >= 0);
    h.core->buttonClick(TopBar::ToneId);
    ToneCapture *tone = h.core->toneCapturePopup();
    QVERIFY(tone->isVisible());
    walkTo(tone, 4);
    QCOMPARE(tone->step(), 4);
    QVERIFY(h.core->chainPanel()->captureMode());
    QTRY_COMPARE(h.lastCurrentUi(), qint64(ToneCapture::kPageStep4));
    tone->slotCombo()->setCurrentIndex(slot);
    QTRY_COMPARE(int(h.unitMemory().store.toneCaptureValue(8)), slot);
    QTest::mouseClick(tone->button(ToneCapture::Capture), Qt::LeftButton);
    QVERIFY(tone->isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!tone->isBusy(), 5000);
    QVERIFY(h.unitMemory().captureFilled(slot));
    QVERIFY(tone->slotFilled(slot));
    QCOMPARE(tone->button(ToneCapture::Capture)->text(), QStringLiteral("MONITOR"));
    tone->buttonClick(ToneCapture::Done);
    QVERIFY(!tone->isVisible());
    QVERIFY(!h.core->chainPanel()->captureMode());
    QTRY_COMPARE(int(h.unitMemory().store.toneCaptureValue(11)), 0);
}

void TestCorePopups::leavingTheWizard_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<bool>("capturing");
    QTest::addColumn<bool>("outsideClick");
    for (int step = 0; step <= 4; ++step)
        QTest::newRow(qPrintable(QStringLiteral("step %1, close button").arg(step))) << step << false << false;
    QTest::newRow("step 2, outside click") << 2 << false << true;
    QTest::newRow("capture running, close button") << 4 << true << false;
}

void TestCorePopups::leavingTheWizard()
{
    QFETCH(int, step);
    QFETCH(bool, capturing);
    QFETCH(bool, outsideClick);
    Kt900Sim::UnitOptions options;
    options.captureTimeMs = 60000;
    EditorHarness h;
    QVERIFY2(h.startLoaded(options), qPrintable(h.error));
    const int slot = firstEmptyCaptureSlot(h.unitMemory());
    h.core->buttonClick(TopBar::ToneId);
    ToneCapture *tone = h.core->toneCapturePopup();
    walkTo(tone, step);
    QCOMPARE(tone->step(), step);
    if (capturing) {
        tone->slotCombo()->setCurrentIndex(slot);
        tone->buttonClick(ToneCapture::Capture);
        QTRY_COMPARE(int(h.unitMemory().store.toneCaptureValue(11)), 1);
    }
    if (outsideClick)
        QTest::mouseClick(h.core->presetPanel(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    else
        QTest::mouseClick(tone->closeButton(), Qt::LeftButton);
    QVERIFY(!tone->isVisible());
    QVERIFY(!tone->isBusy());
    QVERIFY(!h.core->chainPanel()->captureMode());
    // The unit is playing normally: no capture, no monitoring, not on a wizard screen.
    QTRY_COMPARE(int(h.unitMemory().store.toneCaptureValue(11)), 0);
    QCOMPARE(int(h.unitMemory().store.toneCaptureValue(9)), 0);
    const qint64 screen = h.unitMemory().store.screenCode();
    for (qint64 wizard : {ToneCapture::kPageStep1, ToneCapture::kPageStep2, ToneCapture::kPageStep3,
                          ToneCapture::kPageStep4})
        QVERIFY2(screen != wizard, qPrintable(QString::number(screen)));
    QVERIFY(slot < 0 || !h.unitMemory().captureFilled(slot));
}

void TestCorePopups::captureTheUnitNeverFinishes()
{
    Kt900Sim::UnitOptions options;
    options.captureTimeMs = 600000;          // the unit never reports the slot filled
    EditorHarness h;
    QVERIFY2(h.startLoaded(options), qPrintable(h.error));
    const int slot = firstEmptyCaptureSlot(h.unitMemory());
    h.core->buttonClick(TopBar::ToneId);
    ToneCapture *tone = h.core->toneCapturePopup();
    tone->setCaptureTimeout(400);
    walkTo(tone, 4);
    tone->slotCombo()->setCurrentIndex(slot);
    MessageBoxWatcher boxes(h.core.get());
    tone->buttonClick(ToneCapture::Capture);
    QVERIFY(tone->isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!tone->isVisible(), 5000);
    QVERIFY(!tone->isBusy());
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.first().contains(QLatin1String("did not finish the capture")), qPrintable(boxes.texts.first()));
    QTRY_COMPARE(int(h.unitMemory().store.toneCaptureValue(11)), 0);
    QVERIFY(!h.core->chainPanel()->captureMode());
    QCOMPARE(h.quits, 0);
}

void TestCorePopups::unplugInThePopups_data()
{
    QTest::addColumn<QString>("where");
    for (const char *where : {"pedal edit", "wizard start", "wizard step 1", "wizard step 2", "wizard step 3",
                              "wizard step 4", "capture running"})
        QTest::newRow(where) << QString::fromLatin1(where);
}

void TestCorePopups::unplugInThePopups()
{
    QFETCH(QString, where);
    Kt900Sim::UnitOptions options;
    options.captureTimeMs = 60000;
    EditorHarness h;
    QVERIFY2(h.startLoaded(options), qPrintable(h.error));
    if (where == QLatin1String("pedal edit")) {
        h.core->buttonClick(TopBar::ExpId);
        Exp *exp = h.core->expPopup();
        QTest::mouseClick(exp->pedal(0)->moduleButtons().at(1), Qt::LeftButton);
    } else {
        h.core->buttonClick(TopBar::ToneId);
        ToneCapture *tone = h.core->toneCapturePopup();
        const int step = where.startsWith(QLatin1String("wizard step")) ? where.right(1).toInt()
                         : where == QLatin1String("capture running") ? 4 : 0;
        walkTo(tone, step);
        if (where == QLatin1String("capture running")) {
            tone->slotCombo()->setCurrentIndex(firstEmptyCaptureSlot(h.unitMemory()));
            tone->buttonClick(ToneCapture::Capture);
        }
    }
    MessageBoxWatcher boxes(h.core.get());
    QVERIFY(h.fixture->unplug());
    QTRY_COMPARE_WITH_TIMEOUT(h.quits, 1, 5000);
    QCOMPARE(h.quitCode, 0);
    QVERIFY(boxes.texts.contains(QStringLiteral("The device is disconnected")));
}

QTEST_MAIN(TestCorePopups)
#include "tst_core_popups.moc"
