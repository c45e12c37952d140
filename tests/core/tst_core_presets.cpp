// The device preset list against the virtual unit: selecting a preset (and
// the question about a modified one), Save, the name editor, and the context
// menu's Copy, Paste, Clear and Rename.

#include "core.h"
#include "draglistwidget.h"
#include "editorfields.h"
#include "editorharness.h"
#include "modulepanel.h"
#include "mymessagebox.h"
#include "parawidgetbase.h"
#include "presetpanel.h"
#include "renamewidget.h"
#include "tipbox.h"
#include "topbar.h"
#include "valuemodel.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

using namespace Kt900;

class TestCorePresets : public QObject
{
    Q_OBJECT

private slots:
    void selectingPresetSelectsItOnTheUnit();
    void modifiedPresetQuestion_data();
    void modifiedPresetQuestion();
    void saveStoresThePreset();
    void saveFailsWithoutTheUnit();
    void nameEditorRuleAndTip();
    void copyAndPaste();
    void pasteOntoCurrentPreset();
    void clearRow();
    void renameRow();

private:
    // Opens the device list's context menu on a row and chooses an entry
    // (by its position), as a user does with the mouse.
    void menuCommand(EditorHarness &h, int row, int entry);

    QString m_pasteText;
    bool m_pasteEnabled = false;
    QColor m_markColor;
};

namespace {

QByteArray name16(const QString &name)
{
    QByteArray out(16, '\0');
    for (int i = 0; i < name.size() && i < 16; ++i)
        out[i] = static_cast<char>(name.at(i).unicode() & 0xFF);
    return out;
}

} // namespace

void TestCorePresets::menuCommand(EditorHarness &h, int row, int entry)
{
    QListWidget *list = h.presets()->deviceList();
    list->scrollToItem(list->item(row));
    const QPoint at = list->visualItemRect(list->item(row)).center();
    bool chosen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&]() {
        QMenu *menu = h.presets()->deviceMenu();
        if (chosen || !menu->isVisible())
            return;
        chosen = true;
        m_pasteText = h.presets()->pasteAction()->text();
        m_pasteEnabled = h.presets()->pasteAction()->isEnabled();
        m_markColor = list->item(row)->background().color();
        QAction *action = menu->actions().at(entry);
        if (action->isEnabled())
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        else
            menu->close();
    });
    poll.start(20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    QVERIFY(chosen);
}

void TestCorePresets::selectingPresetSelectsItOnTheUnit()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    const int target = h.store().currentPresetIndex() == 7 ? 8 : 7;
    h.clickPreset(target);
    const QList<QByteArray> selects = h.frames(0x22);
    QCOMPARE(selects.size(), 1);
    QCOMPARE(selects.first(), QByteArray("\x22", 1) + char(target));
    QCOMPARE(h.store().currentPresetIndex(), target);
    QTRY_COMPARE(h.unitMemory().store.currentPresetIndex(), target);
    QVERIFY(h.editBufferDifferences().isEmpty());
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(core.topBar()->presetName(), mem.store.presetName(target).trimmed());
    QCOMPARE(core.topBar()->volumeEdit()->text(), QString::number(mem.store.presetVolume(target)));
    // The same row again, or two rows, select nothing.
    h.clickPreset(target);
    h.clickPreset(target + 3, Qt::ShiftModifier);
    QCOMPARE(h.frames(0x22).size(), 1);
    QCOMPARE(h.store().currentPresetIndex(), target);
}

void TestCorePresets::modifiedPresetQuestion_data()
{
    QTest::addColumn<bool>("answerYes");
    QTest::newRow("YES saves first") << true;
    QTest::newRow("NO switches without saving") << false;
}

void TestCorePresets::modifiedPresetQuestion()
{
    QFETCH(bool, answerYes);
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    const int first = h.store().currentPresetIndex();
    core.selectModule(ModReverb);
    const int before = ValueModel::getParam(h.store(), first, ModReverb, 1);
    const int edited = (before + 11) % 100;
    core.modulePanel()->paraWidget(1)->setValue(edited);
    QVERIFY(h.store().isModified());
    QTest::qWait(200);
    h.unit().clearReceivedFrames();

    MessageBoxWatcher watcher(&core, answerYes ? QStringLiteral("YES") : QStringLiteral("NO"));
    const int target = first == 40 ? 41 : 40;
    h.clickPreset(target);
    QCOMPARE(watcher.titles, QStringList{QStringLiteral("Info")});
    QCOMPARE(watcher.texts, QStringList{QStringLiteral("The current preset data has been modified,\n\twould you like to save it?")});
    QCOMPARE(h.store().currentPresetIndex(), target);
    QCOMPARE(h.frames(0x22).size(), 1);
    QCOMPARE(h.frames(0x20).size(), answerYes ? 1 : 0);
    if (answerYes)
        QCOMPARE(h.codes().indexOf(0x20) < h.codes().indexOf(0x22), true);
    QTRY_COMPARE(h.unitMemory().store.currentPresetIndex(), target);
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(ValueModel::getParam(mem.store, first, ModReverb, 1), answerYes ? edited : before);
    QCOMPARE(ValueModel::getParam(h.store(), first, ModReverb, 1), answerYes ? edited : before);
    QVERIFY(!h.store().isModified());
}

void TestCorePresets::saveStoresThePreset()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    const int current = h.store().currentPresetIndex();
    core.selectModule(ModAmp);
    core.modulePanel()->paraWidget(0)->setValue((ValueModel::getParam(h.store(), kEditBuffer, ModAmp, 0) + 3) % 100);
    EditorHarness::typeInto(core.topBar()->presetNameEdit(), QStringLiteral("My Tone 2"));
    QTest::qWait(200);
    MessageBoxWatcher watcher(&core);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(core.topBar()->saveButton(), Qt::LeftButton);
    QVERIFY(clock.elapsed() >= 900);       // the note stays a second
    QCOMPARE(watcher.titles, QStringList{QStringLiteral("Info")});
    QCOMPARE(watcher.texts, QStringList{QStringLiteral("Preset saved successful !")});
    const QList<QByteArray> stores = h.frames(0x20);
    QCOMPARE(stores.size(), 1);
    QCOMPARE(stores.first(), QByteArray("\x20\x00", 2) + char(current) + name16(QStringLiteral("My Tone 2")));
    QCOMPARE(core.presetPanel()->deviceList()->item(current)->text(),
             EditorFields::presetLabel(current, QStringLiteral("My Tone 2")));
    QVERIFY(!h.store().isModified());
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QCOMPARE(mem.store.presetName(current), QStringLiteral("My Tone 2"));
    QCOMPARE(comparableRecord(*mem.store.record(current)), comparableRecord(*h.store().record(current)));
    QCOMPARE(*h.store().record(current), *h.store().record(kEditBuffer));
}

void TestCorePresets::saveFailsWithoutTheUnit()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    const int current = h.store().currentPresetIndex();
    const QString label = core.presetPanel()->deviceList()->item(current)->text();
    QVERIFY(h.fixture->unplug());
    QTRY_COMPARE_WITH_TIMEOUT(h.quits, 1, 5000);
    MessageBoxWatcher watcher(&core);
    EditorHarness::typeInto(core.topBar()->presetNameEdit(), QStringLiteral("LOST"));
    QTest::mouseClick(core.topBar()->saveButton(), Qt::LeftButton);
    QCOMPARE(watcher.texts, QStringList{QStringLiteral("Preset save failed !")});
    QCOMPARE(core.presetPanel()->deviceList()->item(current)->text(), label);
}

void TestCorePresets::nameEditorRuleAndTip()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QLineEdit *name = core.topBar()->presetNameEdit();
    TipBox *tip = core.tipBox();
    QVERIFY(!tip->isVisible());
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Ab-c_d 9!"));
    QCOMPARE(name->text(), QStringLiteral("Abcd 9"));
    QVERIFY(tip->isVisible());
    QCOMPARE(tip->text(), QStringLiteral("Valid characters contain:\n  a-z A-Z 0-9 and Space"));
    QCOMPARE(tip->pos(), name->mapTo(&core, QPoint(0, 0)) + QPoint(15, name->height() - 10));
    QTest::keyClicks(name, QStringLiteral("xxxxxxxxxxxxxxxxxxxx"));
    QCOMPARE(name->text().size(), 15);
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(!tip->isVisible());
}

void TestCorePresets::copyAndPaste()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    PresetPanel *presets = h.presets();
    const int current = h.store().currentPresetIndex();
    const int from = current == 2 ? 3 : 2;
    const int to = current == 10 ? 11 : 10;
    // Paste is off until something is copied.
    menuCommand(h, from, 0);                      // Copy
    QVERIFY(!m_pasteEnabled);
    QCOMPARE(m_markColor, QColor(QStringLiteral("#0363D3")));
    QCOMPARE(presets->markedRow(), -1);           // the mark goes with the menu
    QCOMPARE(presets->copiedRow(), from);
    QCOMPARE(presets->pasteAction()->text(), QStringLiteral("Paste[%1]").arg(EditorFields::presetPrefix(from)));
    QVERIFY(presets->pasteAction()->isEnabled());
    menuCommand(h, to, 1);                        // Paste
    QVERIFY(m_pasteEnabled);
    QCOMPARE(*h.store().record(to), *h.store().record(from));
    QCOMPARE(presets->deviceList()->item(to)->text(),
             EditorFields::presetLabel(to, h.store().presetName(from)));
    const QList<QByteArray> transfers = h.frames(0x1C);
    QCOMPARE(transfers.size(), 1);
    QCOMPARE(static_cast<int>(transfers.first().at(1)), 2);
    QCOMPARE(static_cast<int>(transfers.first().at(2)), to);
    QTRY_COMPARE(h.unitMemory().store.presetName(to), h.store().presetName(from));
    Kt900Sim::UnitMemory mem = h.unitMemory();
    for (int m = 0; m <= ModFxLoopSend; ++m) {
        const int off = moduleBlockOffset(m);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(mem.store.record(to)->data() + off), moduleBlockSize(m)),
                 QByteArray(reinterpret_cast<const char *>(h.store().record(from)->data() + off), moduleBlockSize(m)));
    }
    // Paste onto the copied row does nothing.
    menuCommand(h, from, 1);
    QCOMPARE(h.frames(0x1C).size(), 1);
    QVERIFY(h.unit().protocolErrors().isEmpty());
    QCOMPARE(h.store().currentPresetIndex(), current);
}

void TestCorePresets::pasteOntoCurrentPreset()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    const int current = h.store().currentPresetIndex();
    const int from = current == 2 ? 3 : 2;
    menuCommand(h, from, 0);
    menuCommand(h, current, 1);
    // What the editor shows and what the unit plays is the pasted preset.
    QCOMPARE(*h.store().record(current), *h.store().record(from));
    QCOMPARE(h.core->topBar()->presetName(), h.store().presetName(from).trimmed());
    QTRY_VERIFY(h.editBufferDifferences().isEmpty());
    QCOMPARE(h.unitMemory().store.presetName(kEditBuffer), h.store().presetName(from));
    QCOMPARE(h.unitMemory().store.presetName(current), h.store().presetName(from));
}

void TestCorePresets::clearRow()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    const int row = h.store().currentPresetIndex() == 12 ? 13 : 12;
    menuCommand(h, row, 2);                        // Clear
    QCOMPARE(*h.store().record(row), emptyPreset());
    QCOMPARE(h.presets()->deviceList()->item(row)->text(), EditorFields::presetLabel(row, QStringLiteral("EMPTY")));
    QCOMPARE(h.frames(0x1C).size(), 1);
    QTRY_COMPARE(h.unitMemory().store.presetName(row), QStringLiteral("EMPTY"));
    QVERIFY(h.unit().protocolErrors().isEmpty());
}

void TestCorePresets::renameRow()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    PresetPanel *presets = h.presets();
    const int row = h.store().currentPresetIndex() == 14 ? 15 : 14;
    menuCommand(h, row, 3);                        // Rename
    RenameWidget *rename = core.renameWidget();
    QVERIFY(rename->isVisible());
    QCOMPARE(presets->markedRow(), row);
    QCOMPARE(rename->maxLength(), 15);
    QCOMPARE(rename->placeholderText(), QStringLiteral("a-z A-Z 0-9 and Space"));
    // It sits on the row.
    QListWidget *list = presets->deviceList();
    const QRect rowRect(list->viewport()->mapTo(&core, list->visualItemRect(list->item(row)).topLeft()),
                        list->visualItemRect(list->item(row)).size());
    QVERIFY(rowRect.intersects(rename->geometry()));
    QTest::keyClicks(rename, QStringLiteral("New One"));
    QTest::keyClick(rename, Qt::Key_Return);
    QVERIFY(!rename->isVisible());
    QCOMPARE(presets->markedRow(), -1);
    QCOMPARE(list->item(row)->text(), EditorFields::presetLabel(row, QStringLiteral("New One")));
    QCOMPARE(h.frames(0x1C).size(), 1);
    QTRY_COMPARE(h.unitMemory().store.presetName(row), QStringLiteral("New One"));

    // Escape (an empty name) renames nothing.
    menuCommand(h, row, 3);
    QVERIFY(rename->isVisible());
    QTest::keyClicks(rename, QStringLiteral("Other"));
    QTest::keyClick(rename, Qt::Key_Escape);
    QVERIFY(!rename->isVisible());
    QCOMPARE(presets->markedRow(), -1);
    QCOMPARE(list->item(row)->text(), EditorFields::presetLabel(row, QStringLiteral("New One")));
    QCOMPARE(h.frames(0x1C).size(), 1);
}

QTEST_MAIN(TestCorePresets)
#include "tst_core_presets.moc"
