// The settings pop-up end to end against the virtual unit: edits of each
// kind of control reach the unit's memory, the unit's own changes show,
// backup then recall gives the backup's state back, a factory reset ends
// the editor with nothing pending, bad backup files are refused before the
// unit hears anything, and an unplug during a long operation ends cleanly.

#include "editorharness.h"

#include "animationstackedwidget.h"
#include "backupfile.h"
#include "backupformat.h"
#include "busystate.h"
#include "customslider.h"
#include "factoryset.h"
#include "filechooser.h"
#include "loadingwidget.h"
#include "memorydiff.h"
#include "mymessagebox.h"
#include "parawidgetbase.h"
#include "sendcoalescer.h"
#include "setting.h"
#include "sliderwithspinbox.h"
#include "topbar.h"
#include "unitmaintenance.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>

using namespace Kt900;

namespace {

constexpr int kBackupMode = 0x29;
constexpr int kFactoryReset = 0x18;

SliderWithSpinBox *sliderOf(ParaWidgetBase *w)
{
    return qobject_cast<SliderWithSpinBox *>(w);
}

} // namespace

class TestCoreSettings : public QObject
{
    Q_OBJECT

private slots:
    void editsReachTheUnit();
    void unitChangesShow();
    void backupEditRecall();
    void badBackupFilesAreRefused_data();
    void badBackupFilesAreRefused();
    void factoryResetEndsTheEditor();
    void unplugDuringLongOperations_data();
    void unplugDuringLongOperations();

private:
    static Setting *openSettings(EditorHarness &h)
    {
        h.core->buttonClick(TopBar::SettingId);
        return h.core->settingPopup();
    }
};

void TestCoreSettings::editsReachTheUnit()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Setting *s = openSettings(h);
    QVERIFY(s->isVisible());
    const int glbEqOutput = h.store().globalEqOutput();
    const int eqWord = h.store().globalEqWord(glbEqOutput == 0 ? 0 : 9);
    const int eqTarget = eqWord == 3 ? 4 : 3;
    struct Edit {
        const char *what;
        std::function<void()> act;
        std::function<bool(const Kt900Sim::UnitMemory &)> done;
    };
    const Edit edits[] = {
        {"pair: TAP TEMPO GLOBAL", [&]() { s->button(9)->click(); },
         [](const Kt900Sim::UnitMemory &m) { return m.store.systemSetting(7) == 1; }},
        {"slider: REC VOL", [&]() { sliderOf(s->valueWidget(Setting::RecVol))->slider()->setValue(64); },
         [](const Kt900Sim::UnitMemory &m) { return m.store.systemSetting(4) == 64; }},
        {"combo: MIDI OUT channel", [&]() { s->channelCombo(1)->setCurrentIndex(5); },
         [](const Kt900Sim::UnitMemory &m) { return m.store.systemSetting(11) == 5; }},
        {"grid: CTRL FX A and DELAY",
         [&]() {
             s->refreshCtrl(1, 0, -1);
             s->ctrlModuleButton(0)->click();
             s->ctrlModuleButton(7)->click();
         },
         [](const Kt900Sim::UnitMemory &m) { return m.store.control(1) == 0x81; }},
        {"sub-page: global EQ parameter",
         [&]() {
             s->button(glbEqOutput == 0 ? 0 : 1)->click();
             sliderOf(s->glbEqWidget(0))->slider()->setValue(eqTarget);
         },
         [glbEqOutput, eqTarget](const Kt900Sim::UnitMemory &m) {
             return m.store.globalEqWord(glbEqOutput == 0 ? 0 : 9) == eqTarget;
         }},
        {"table: PC MAPPING MIDI OUT",
         [&]() { s->tableModel(Setting::StackPcMidiOut)->item(4, 1)->setText(QStringLiteral("99")); },
         [](const Kt900Sim::UnitMemory &m) { return m.store.midiBlock()[256 + 4] == 99; }},
        {"table: PC MAPPING MIDI IN",
         [&]() { s->tableModel(Setting::StackPcMidiIn)->item(130, 2)->setText(QStringLiteral("85 C")); },
         [](const Kt900Sim::UnitMemory &m) { return m.store.midiBlock()[130] == 254; }},
    };
    for (const Edit &e : edits) {
        QVERIFY2(!e.done(h.unitMemory()), e.what);
        e.act();
        QVERIFY2(QTest::qWaitFor([&]() { return e.done(h.unitMemory()); }, 3000), e.what);
    }
}

void TestCoreSettings::unitChangesShow()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, [](Kt900Sim::UnitMemory &m) {
                 Record &r = *m.store.record(3);
                 r[Rec::CtrlMode] = 2;
                 r[Rec::CtrlMask] = 0x04;
                 r[Rec::CtrlMask + 1] = 0x04;
             }),
             qPrintable(h.error));
    Setting *s = openSettings(h);
    const std::size_t sentBefore = h.unit().receivedFrames().size();
    QVERIFY(h.unit().changeSettings([](Kt900Sim::UnitMemory &m) {
        m.store.setSystemSetting(0, 21);      // INPUT LEVEL 6.0 dB
        m.store.setSystemSetting(1, 1);       // REAMP
        m.store.setSystemSetting(8, 1);       // MIDI OUT
        m.store.setSystemSetting(9, 16);      // MIDI IN channel OMNI
        m.store.setSystemSetting(13, 1);      // cab sim on the 6.35 output
        m.store.setSystemSetting(17, 30);     // brightness past its range
        m.store.setGlobalEqOutput(1);
        m.store.setGlobalEqWord(9, 5);
        m.store.midiBlock()[3] = 254;
        m.store.midiBlock()[256 + 2] = 17;
    }));
    QTRY_COMPARE(s->valueWidget(Setting::InputLevel)->text(), QStringLiteral("6.0 dB"));
    QCOMPARE(s->button(3)->property("status").toString(), QStringLiteral("selected_enable"));
    QCOMPARE(s->button(5)->property("status").toString().endsWith(QLatin1String("_disabled")), true);
    QVERIFY(!s->midiGroup(true)->isVisible());
    QCOMPARE(s->channelCombo(0)->currentText(), QStringLiteral("OMNI"));
    QCOMPARE(s->valueWidget(Setting::Brightness)->value(), 19);
    QCOMPARE(s->glbEqTitle()->text(), QStringLiteral("GLB-EQ>>XLR"));
    QCOMPARE(s->glbEqWidget(0)->value(), 5);
    QCOMPARE(s->tableModel(Setting::StackPcMidiIn)->item(3, 2)->text(), QStringLiteral("85 C"));
    QCOMPARE(s->tableModel(Setting::StackPcMidiOut)->item(2, 1)->text(), QStringLiteral("17"));
    // A page the unit turns to is shown, sub-pages included.
    QVERIFY(h.unit().setPage(0x4050D));
    QTRY_COMPARE(s->stack()->currentIndex(), int(Setting::StackPcMidiIn));
    // The CTRL page shows the record of the preset the unit selects.
    QVERIFY(h.unit().selectPreset(3));
    QTRY_COMPARE(s->ctrlMode(), 2);
    QCOMPARE(s->ctrlMask(), 0x404);
    QTest::qWait(300);
    // Nothing shown was sent back: the brightness the slider cannot show stays.
    QCOMPARE(h.unitMemory().store.systemSetting(17), 30);
    const auto received = h.unit().receivedFrames();
    for (std::size_t i = sentBefore; i < received.size(); ++i) {
        const int code = static_cast<std::uint8_t>(received.at(i).at(0));
        QVERIFY2(code != 0x11 && code != 0x13 && code != 0x12, qPrintable(QString::number(code, 16)));
    }
}

void TestCoreSettings::backupEditRecall()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("unit.tbf"));
    auto chooser = std::make_unique<FixedFileChooser>(path);
    FixedFileChooser *files = chooser.get();
    h.core->setFileChooser(std::move(chooser));
    const Kt900Sim::UnitMemory before = h.unitMemory();
    Setting *s = openSettings(h);

    {
        MessageBoxWatcher boxes(h.core.get());
        s->button(Setting::Backup)->click();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("Device data backup successful.")});
    }
    QVERIFY(!s->isVisible());                         // pop-ups go before the unit is read out
    QCOMPARE(files->lastFilter, QStringLiteral("backup files(*.tbf)"));
    QCOMPARE(files->lastDirOrProposal, QStringLiteral("./KT900.tbf"));
    QVERIFY(BackupFile::checkBackupFile(path));
    QVERIFY(!h.core->busyState()->isBusy());
    QVERIFY(h.core->presetPanel()->isEnabled());

    // Change the unit, then recall the backup.
    QVERIFY(h.unit().storePreset(5, QStringLiteral("CHANGED")));
    QVERIFY(h.unit().changeSettings([](Kt900Sim::UnitMemory &m) { m.store.setSystemSetting(15, 1 - m.store.systemSetting(15)); }));
    QTRY_VERIFY(!Kt900Sim::backupAreaDifferences(before, h.unitMemory()).isEmpty());
    s = openSettings(h);
    QList<int> progress;
    connect(&h.core->maintenance()->backupFile(), &BackupFile::recallProgress, [&](int p) { progress << p; });
    {
        MessageBoxWatcher boxes(h.core.get());
        s->button(Setting::Recall)->click();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("recall succeed, Please restart the software")});
    }
    QCOMPARE(Kt900Sim::backupAreaDifferences(before, h.unitMemory()), QStringList());
    QCOMPARE(progress.last(), UnitMaintenance::kRecallSteps);
    QCOMPARE(h.core->loadingWidget()->progressBar()->property("recall").toBool(), true);
    // The editor ends and sends nothing more, whatever is clicked.
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.quitCode, 0);
    QVERIFY(h.core->maintenance()->isFinishing());
    const int frames = h.unit().receivedFrames().size();
    h.core->sysValueChanged(15, 0);
    h.core->coalescer()->flush();
    h.core->buttonClick(TopBar::SettingId);
    QTest::qWait(200);
    QCOMPARE(h.unit().receivedFrames().size(), frames);
}

void TestCoreSettings::badBackupFilesAreRefused_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated") << QStringLiteral("truncate");
    QTest::newRow("wrong checksum") << QStringLiteral("byte");
    QTest::newRow("wrong model") << QStringLiteral("model");
    QTest::newRow("missing") << QStringLiteral("missing");
}

void TestCoreSettings::badBackupFilesAreRefused()
{
    QFETCH(QString, damage);
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.tbf"));
    h.core->setFileChooser(std::make_unique<FixedFileChooser>(path));
    {
        MessageBoxWatcher boxes(h.core.get());
        QVERIFY(h.core->maintenance()->backup());
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    if (damage == QLatin1String("truncate"))
        bytes.truncate(1000);
    else if (damage == QLatin1String("byte"))
        bytes[2000] = static_cast<char>(bytes[2000] ^ 0x5A);
    else if (damage == QLatin1String("model"))
        bytes.replace(8, 11, "TOVAK_KT100");
    f.resize(0);
    f.write(bytes);
    f.close();
    if (damage == QLatin1String("missing"))
        QFile::remove(path);
    h.unit().clearReceivedFrames();
    MessageBoxWatcher boxes(h.core.get());
    QVERIFY(!h.core->maintenance()->recall());
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY2(boxes.texts.first().startsWith(QLatin1String("recall failed !")), qPrintable(boxes.texts.first()));
    QVERIFY(h.frames(kBackupMode).isEmpty());
    QVERIFY(!h.core->loadingWidget()->isVisible());
    QVERIFY(h.core->presetPanel()->isEnabled());
    QCOMPARE(h.quits, 0);
}

void TestCoreSettings::factoryResetEndsTheEditor()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded({}, {}, [](Kt900Sim::UnitMemory &m) {
                 m.store.setSystemSetting(15, 1 - m.store.systemSetting(15));
                 m.store.setGlobalEqWord(2, static_cast<std::uint16_t>(m.store.globalEqWord(2) + 1));
             }),
             qPrintable(h.error));
    QVERIFY(!Kt900Sim::backupAreaDifferences(Kt900Sim::factoryMemory(), h.unitMemory()).isEmpty());
    Setting *s = openSettings(h);
    // NO leaves everything as it is.
    {
        MessageBoxWatcher boxes(h.core.get(), QStringLiteral("NO"));
        s->button(Setting::Reset)->click();
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("The device will be reset. Please make a data backup.")});
    }
    QVERIFY(h.frames(kFactoryReset).isEmpty());
    // An edit waits in its coalescing window when YES is answered: it must not follow the reset.
    s->button(21)->click();
    {
        MessageBoxWatcher boxes(h.core.get(), QStringLiteral("YES"));
        s->button(Setting::Reset)->click();
    }
    QCOMPARE(h.frames(kFactoryReset).size(), 1);
    QVERIFY(!s->isVisible());
    QVERIFY(!h.core->presetPanel()->isEnabled());
    QCOMPARE(h.quits, 0);
    QTRY_COMPARE_WITH_TIMEOUT(h.quits, 1, UnitMaintenance::kResetQuitDelayMs + 2000);
    QCOMPARE(h.quitCode, 0);
    QVERIFY(h.frames(0x11).isEmpty());
    // The unit holds the factory set; closing the editor sends nothing into it.
    QCOMPARE(Kt900Sim::backupAreaDifferences(Kt900Sim::factoryMemory(), h.unitMemory()), QStringList());
    h.core.reset();
    QCOMPARE(Kt900Sim::backupAreaDifferences(Kt900Sim::factoryMemory(), h.unitMemory()), QStringList());
}

void TestCoreSettings::unplugDuringLongOperations_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("afterReports");
    QTest::newRow("backup, at the start") << int(Setting::Backup) << 5;
    QTest::newRow("backup, midway") << int(Setting::Backup) << 300;
    QTest::newRow("recall, at the start") << int(Setting::Recall) << 3;
    QTest::newRow("recall, midway") << int(Setting::Recall) << 120;
}

void TestCoreSettings::unplugDuringLongOperations()
{
    QFETCH(int, id);
    QFETCH(int, afterReports);
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.tbf"));
    const QString target = dir.filePath(QStringLiteral("target.tbf"));
    auto chooser = std::make_unique<FixedFileChooser>(good);
    FixedFileChooser *files = chooser.get();
    h.core->setFileChooser(std::move(chooser));
    if (id == Setting::Recall) {
        MessageBoxWatcher boxes(h.core.get());
        QVERIFY(h.core->maintenance()->backup());
    } else {
        files->setPath(target);
    }
    Kt900Sim::FaultOptions faults;
    faults.unplugAfterReports = h.unit().reportsSent() + afterReports;
    h.unit().setFaults(faults);
    MessageBoxWatcher boxes(h.core.get());
    QElapsedTimer clock;
    clock.start();
    h.core->maintenance()->run(id);
    QTRY_COMPARE_WITH_TIMEOUT(h.quits, 1, 5000);
    QCOMPARE(h.quitCode, 0);
    QVERIFY2(clock.elapsed() < 25000, "the editor hung");
    QVERIFY(boxes.texts.contains(QStringLiteral("The device is disconnected")));
    for (const QString &t : boxes.texts)
        QVERIFY2(!t.contains(QLatin1String("successful")) && !t.contains(QLatin1String("succeed")), qPrintable(t));
    QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(TestCoreSettings)
#include "tst_core_settings.moc"
