// The editor's shell against the virtual unit: start-up and the loading
// overlay, the repeated start-up requests, the notification dispatch, the
// pages the unit reports, the pop-ups and the event filter, window state,
// Ctrl+L, and the two ways the program ends.

#include "appconfig.h"
#include "chainpanel.h"
#include "core.h"
#include "custombutton.h"
#include "draglistwidget.h"
#include "editorfields.h"
#include "editorharness.h"
#include "memorydiff.h"
#include "exp.h"
#include "kt900style.h"
#include "loadingwidget.h"
#include "modulepanel.h"
#include "mymessagebox.h"
#include "pagecodes.h"
#include "parawidgetbase.h"
#include "animationstackedwidget.h"
#include "presetpanel.h"
#include "renamewidget.h"
#include "setting.h"
#include "titlebar.h"
#include "tonecapture.h"
#include "topbar.h"
#include "valuemodel.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QWheelEvent>
#include <QtTest>

using namespace Kt900;

class TestCoreStartup : public QObject
{
    Q_OBJECT

private slots:
    void startupLoadsEveryPreset();
    void damagedPresetFrameIsAskedForAgain();
    void windowLayout();
    void colorsFromConfig();
    void requestsRepeatedOnceAfterTenSeconds();
    void unplugShowsMessageAndEnds();
    void unplugWhileLoading();
    void controlLReloadsStyleSheets();
    void ignoredCodesKeepMessageBoxes();
    void dispatchTable();
    void unitPageRoutes_data();
    void unitPageRoutes();
    void outsideClickClosesPopup();
    void inputOutsidePopupSwallowed();
    void popupKeepsItsOwnInput();
    void busyToneCaptureStaysOpen();
    void renameClosedByOutsideClick();
    void escapeResetsDeviceList();
    void windowStateAndPopupCentring();
};

namespace {

bool centredOn(const QWidget *popup, const QWidget *window)
{
    const QPoint d = popup->frameGeometry().center() - window->frameGeometry().center();
    return d.manhattanLength() <= 2;
}

} // namespace

// One preset record of the start-up download fails its check: the editor
// asks for the download again instead of showing a blank preset.
void TestCoreStartup::damagedPresetFrameIsAskedForAgain()
{
    Kt900Sim::UnitOptions unit;
    unit.faults.corruptFrame = 100;
    EditorHarness h;
    QVERIFY2(h.start(unit), qPrintable(h.error));
    QVERIFY(h.waitLoaded());
    QCOMPARE(int(h.codes().count(0x1E)), 2);
    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QListWidget *list = h.core->presetPanel()->deviceList();
    QCOMPARE(list->count(), 255);
    for (int row = 0; row < 255; ++row) {
        QCOMPARE(list->item(row)->text(), EditorFields::presetLabel(row, mem.store.presetName(row)));
        const QString diff = Kt900Sim::presetDifference(*h.store().record(row), *mem.store.record(row));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("preset %1: %2").arg(row).arg(diff)));
    }
}

void TestCoreStartup::startupLoadsEveryPreset()
{
    EditorHarness h;
    QVERIFY2(h.start(), qPrintable(h.error));
    Core &core = *h.core;
    LoadingWidget *loading = core.loadingWidget();
    QVERIFY(core.isVisible());
    QVERIFY(loading->isVisible());
    QCOMPARE(core.state(), Core::State::Loading);
    QCOMPARE(loading->title(), QStringLiteral("Loading..."));
    QCOMPARE(loading->progressBar()->minimum(), 0);
    QCOMPARE(loading->progressBar()->maximum(), 510);
    QCOMPARE(loading->progressBar()->property("recall").toBool(), false);

    QVERIFY(h.waitLoaded());
    QVERIFY(!loading->isVisible());
    // One step per preset record and one for the end of the download.
    QVERIFY2(loading->progressValue() >= 257, qPrintable(QString::number(loading->progressValue())));

    // The requests: EditorAttach, then RequestSync, once each.
    const QList<int> codes = h.codes();
    QVERIFY(codes.size() >= 2);
    QCOMPARE(codes.at(0), 0x31);
    QCOMPARE(codes.at(1), 0x1E);
    QCOMPARE(codes.count(0x31), 1);
    QCOMPARE(codes.count(0x1E), 1);

    const Kt900Sim::UnitMemory mem = h.unitMemory();
    QListWidget *list = core.presetPanel()->deviceList();
    QCOMPARE(list->count(), 255);
    for (int row = 0; row < 255; ++row)
        QCOMPARE(list->item(row)->text(), EditorFields::presetLabel(row, mem.store.presetName(row)));
    QVERIFY(list->item(0)->text().startsWith(QStringLiteral("01A ")));
    QVERIFY(list->item(5)->text().startsWith(QStringLiteral("02C ")));
    QVERIFY(list->item(254)->text().startsWith(QStringLiteral("85C ")));

    // The current preset is shown everywhere.
    const int current = mem.store.currentPresetIndex();
    QCOMPARE(h.store().currentPresetIndex(), current);
    QCOMPARE(list->currentRow(), current);
    QCOMPARE(list->selectedItems().size(), 1);
    QCOMPARE(core.topBar()->presetName(), mem.store.presetName(current).trimmed());
    QCOMPARE(core.topBar()->volumeEdit()->text(), QString::number(mem.store.presetVolume()));
    QCOMPARE(core.topBar()->tempoEdit()->text(), QString::number(mem.store.effectiveTempoBpm()));
    QList<int> order;
    for (int c = 0; c < kChainLength; ++c)
        order << mem.store.chainModuleAt(c);
    QCOMPARE(core.chainPanel()->displayModules(), order);
    for (int m = 0; m <= ModFxLoopReturn; ++m)
        QCOMPARE(core.chainPanel()->button(m)->switchStatus(), mem.store.moduleSwitch(m));
    QVERIFY(core.currentModule() >= 0);
    QCOMPARE(core.chainPanel()->selectedModule(), core.currentModule());
    QCOMPARE(core.modulePanel()->currentType(), core.modulePanel()->modelType(core.currentModule()));
    // The pop-ups got the unit's settings.
    for (int i = 0; i < 18; ++i)
        QCOMPARE(core.settingPopup()->systemValue(i), mem.store.systemSetting(i));
    QVERIFY(core.renameWidget());
    QVERIFY(!core.renameWidget()->isVisible());
    QVERIFY2(h.unit().protocolErrors().isEmpty(), qPrintable(h.unit().protocolErrors().join(QLatin1Char('\n'))));
}

void TestCoreStartup::windowLayout()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QCOMPARE(core.objectName(), QStringLiteral("mainWidget"));
    QVERIFY(core.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(core.testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(core.geometry(), QRect(200, 100, 1130, 700));
    const char *const names[] = {
        "mainBorderWidget", "titleBar", "DeviceName", "title_min", "title_max", "title_maxToNormal", "title_close",
        "mainSplitter", "paraTitle", "presetNameEdit", "save", "volWidget", "volEdit", "bpmWidget", "bpmEdit",
        "expVol", "cabWidget", "expInfo", "exp", "tone", "setting", "chainWidget", "logoLine", "tovakLogo",
        "moduleName", "moduleSwitch", "moduleNameTopWidget", "moduleNameListWidget", "moduleNameWidget",
        "moduleParaListWidget", "presetTitle", "deviceTitleName", "deviceListWidget", "computerTitle",
        "computerTitleName", "addFiles", "refreshList", "computerListWidget", "loadingWidget"};
    for (const char *name : names)
        QVERIFY2(core.findChild<QWidget *>(QLatin1String(name)), name);
    QCOMPARE(core.findChildren<CustomButton *>(QStringLiteral("chainButton")).size(), 11);
    QCOMPARE(core.findChildren<QLabel *>(QStringLiteral("cabLR")).size(), 2);
    QVERIFY(!core.findChild<QWidget *>(QStringLiteral("title_maxToNormal"))->isVisible());
    QCOMPARE(core.findChild<QWidget *>(QStringLiteral("titleBar"))->height(), 40);
    QCOMPARE(core.topBar()->presetNameEdit()->width(), 292);
    QCOMPARE(core.topBar()->presetNameEdit()->maxLength(), 15);
    QVERIFY(core.topBar()->height() <= 42);
    CustomButton *b = core.chainPanel()->button(0);
    QCOMPARE(b->size(), QSize(80, 115));
    QCOMPARE(b->iconSize(), QSize(51, 75));
    QCOMPARE(b->onImage(), QStringLiteral(":/img/chain/ON/FXA-on.png"));
    QCOMPARE(core.chainPanel()->button(10)->offImage(), QStringLiteral(":/img/chain/OFF/Return-off.png"));
    QVERIFY(core.modulePanel()->paraList()->count() >= 9);
    // Pop-ups: frameless children, hidden.
    for (QWidget *popup : {static_cast<QWidget *>(core.expPopup()), static_cast<QWidget *>(core.settingPopup()),
                           static_cast<QWidget *>(core.toneCapturePopup())}) {
        QCOMPARE(popup->parentWidget(), &core);
        QVERIFY(popup->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!popup->isVisible());
    }
    // The list colours of the (absent) Config.ini defaults.
    QVERIFY(core.presetPanel()->deviceList()->styleSheet().contains(QStringLiteral("background: gray;")));
    QVERIFY(core.presetPanel()->deviceList()->styleSheet().contains(QStringLiteral("background: #B1CF36;")));
}

void TestCoreStartup::colorsFromConfig()
{
    EditorHarness h;
    AppConfig &config = AppConfig::instance();
    config.setValue(QStringLiteral("Color"), QStringLiteral("paraColor"), QStringLiteral("#ff8800"));
    config.setValue(QStringLiteral("Color"), QStringLiteral("presetListHoverColor"), QStringLiteral("no colour"));
    config.setValue(QStringLiteral("Color"), QStringLiteral("presetListSelectColor"), QStringLiteral("red"));
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    const QString expected = QStringLiteral(
        "QListWidget {\tcolor: white; font-weight: bold; background: transparent; }\t\t\t"
        "QListWidget::item:hover { background: gray; }\t\t\t\t\t\t\t"
        "QListWidget::item:selected:active { background: red; }\t\t\t\t"
        "QListWidget::item:selected:!active{ background: red; }");
    QCOMPARE(core.presetPanel()->deviceList()->styleSheet(), expected);
    QCOMPARE(core.presetPanel()->computerList()->styleSheet(), expected);
    QCOMPARE(core.modulePanel()->typeList()->styleSheet(), expected);
    core.selectModule(ModAmp);
    QCOMPARE(core.modulePanel()->paraWidget(0)->valueColor(), QStringLiteral("#ff8800"));
    QCOMPARE(core.modulePanel()->paraWidget(0)->backgroundColor(), QStringLiteral("#414141"));
    // A new colour from the settings restyles the rows shown.
    core.modulePanel()->setParaColor(QStringLiteral("#414141"), QStringLiteral("#00aaff"));
    QCOMPARE(core.modulePanel()->paraWidget(0)->valueColor(), QStringLiteral("#00aaff"));
}

void TestCoreStartup::requestsRepeatedOnceAfterTenSeconds()
{
    // The unit holds every answer back longer than the editor waits.
    Kt900Sim::UnitOptions options;
    options.faults.replyDelayMs = 30000;
    EditorHarness h;
    QVERIFY2(h.start(options), qPrintable(h.error));
    Core &core = *h.core;
    QTest::qWait(9000);
    QCOMPARE(h.frames(0x1E).size(), 1);
    core.loadingWidget()->setProgressValue(5);
    QTRY_COMPARE_WITH_TIMEOUT(h.frames(0x1E).size(), 2, 2500);
    QCOMPARE(h.frames(0x31).size(), 2);
    QCOMPARE(h.codes().mid(0, 4), (QList<int>{0x31, 0x1E, 0x31, 0x1E}));
    QCOMPARE(core.loadingWidget()->progressValue(), 0);
    QVERIFY(core.loadingWidget()->isVisible());
    // Only once.
    QTest::qWait(10500);
    QCOMPARE(h.frames(0x1E).size(), 2);
    QCOMPARE(h.frames(0x31).size(), 2);
    QCOMPARE(core.state(), Core::State::Loading);
}

void TestCoreStartup::unplugShowsMessageAndEnds()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QString seenTitle, seenText;
    int seenButtons = -1;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &core, [&]() {
        if (auto *box = core.findChild<MyMessageBox *>(QStringLiteral("messageBoxDialog"))) {
            if (box->isVisible()) {
                seenTitle = box->titleLabel()->text();
                seenText = box->text();
                seenButtons = box->buttons().size();
            }
        }
    });
    watch.start(50);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(h.fixture->unplug());
    QTRY_COMPARE_WITH_TIMEOUT(h.quits, 1, 5000);
    QCOMPARE(h.quitCode, 0);
    QCOMPARE(seenTitle, QStringLiteral("Error"));
    QCOMPARE(seenText, QStringLiteral("The device is disconnected"));
    QCOMPARE(seenButtons, 0);
    // The message stays for a second.
    QVERIFY(clock.elapsed() >= 900);
    QVERIFY(!core.receiveThread());
    // Edits after the end go nowhere (and do not crash).
    core.modulePanel()->moduleSwitch()->click();
}

void TestCoreStartup::unplugWhileLoading()
{
    Kt900Sim::UnitOptions options;
    options.faults.unplugAfterReports = 600;
    EditorHarness h;
    QVERIFY2(h.start(options), qPrintable(h.error));
    QTRY_COMPARE_WITH_TIMEOUT(h.quits, 1, 10000);
    QCOMPARE(h.quitCode, 0);
    QCOMPARE(h.core->state(), Core::State::Loading);
}

void TestCoreStartup::controlLReloadsStyleSheets()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    const QString sheets = Kt900Style::loadStyleSheets();
    QVERIFY(!sheets.isEmpty());
    QCOMPARE(qApp->styleSheet(), sheets);
    qApp->setStyleSheet(QString());
    core.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&core));
    QTest::keyClick(&core, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(qApp->styleSheet(), sheets);
}

void TestCoreStartup::ignoredCodesKeepMessageBoxes()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QPointer<MyMessageBox> question = new MyMessageBox(QStringLiteral("Info"), QStringLiteral("?"), &core,
                                                       MyMessageBox::YesNo, 1000);
    question->setModal(false);
    question->show();
    QPointer<MyMessageBox> note = new MyMessageBox(QStringLiteral("Info"), QStringLiteral("."), &core,
                                                   MyMessageBox::NoButton, 60000);
    note->setModal(false);
    note->show();
    for (UnitChange what : {UnitChange::DeviceInfo, UnitChange::Ack}) {
        core.readData(what, -1);
        QVERIFY(question && question->isVisible());
    }
    // Any dispatched code closes a box that asks something; a note stays.
    core.readData(UnitChange::SlotName, -1);
    QTRY_VERIFY(!question || !question->isVisible());
    QVERIFY(note && note->isVisible());
    note->close();
}

void TestCoreStartup::dispatchTable()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    DeviceStore &s = h.store();
    Record &edit = *s.record(kEditBuffer);

    // 15: volume and tempo.
    edit[Rec::Volume] = 77;
    putU16(edit.data() + Rec::Tempo, 100);
    s.setSystemSetting(7, 0);
    core.readData(UnitChange::VolumeTempo, -1);
    QCOMPARE(core.topBar()->volumeEdit()->text(), QStringLiteral("77"));
    QCOMPARE(core.topBar()->tempoEdit()->text(), QStringLiteral("140"));
    QCOMPARE(core.topBar()->tempoLabel()->text(), QStringLiteral("PRE.BPM"));

    // 16: chain order.
    const std::uint8_t reversed[kChainLength] = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
    s.setChainOrder(reversed);
    core.readData(UnitChange::ChainOrder, -1);
    QCOMPARE(core.chainPanel()->displayModules(), (QList<int>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));

    // 21: switches; the FX LOOP pair follows its shared block.
    for (int m : {4, 9}) {
        const bool on = !s.moduleSwitch(m);
        ValueModel::setSwitch(s, kEditBuffer, m, on);
        core.readData(UnitChange::Switches, -1);
        QCOMPARE(core.chainPanel()->button(m)->switchStatus(), on);
    }
    QCOMPARE(core.chainPanel()->button(10)->switchStatus(), s.moduleSwitch(9));

    // 22: expression data.
    EditorFields::setExpField(s, 5, 1);
    EditorFields::setExpField(s, 6, 7);
    core.readData(UnitChange::ExpVolume, -1);
    QCOMPARE(core.topBar()->expVolLabel()->property("open").toBool(), true);
    QCOMPARE(core.expPopup()->expValue(6), 7);
    EditorFields::setExpField(s, 5, 0);
    core.readData(UnitChange::ExpVolume, -1);
    QCOMPARE(core.topBar()->expVolLabel()->property("open").toBool(), false);

    // 3..13: the shown module's parameters.
    core.selectModule(ModAmp);
    const int raw = (ValueModel::getParam(s, kEditBuffer, ModAmp, 0) + 5) % 100;
    ValueModel::setParam(s, kEditBuffer, ModAmp, core.modulePanel()->currentType(), 0, raw);
    core.readData(UnitChange::Module, ModAmp);
    QCOMPARE(core.modulePanel()->paraWidget(0)->value(), raw);
    // Another type on the unit: the rows follow.
    const int type = (core.modulePanel()->currentType() + 1) % 10;
    QVERIFY(ValueModel::changeType(s, ModAmp, type));
    core.readData(UnitChange::Module, ModAmp);
    QCOMPARE(core.modulePanel()->currentType(), type);
    QCOMPARE(core.modulePanel()->typeList()->currentRow(), type);

    // 17: system settings reach the settings pop-up and the output labels.
    s.setSystemSetting(13, 0);
    s.setSystemSetting(14, 1);
    core.readData(UnitChange::SystemSettings, -1);
    QCOMPARE(core.settingPopup()->systemValue(13), 0);
    QCOMPARE(core.topBar()->cabLeftLabel()->text(), QStringLiteral("OUTPUT: THRU"));
    QCOMPARE(core.topBar()->cabRightLabel()->text(), QStringLiteral("XLROUT: ON"));
    s.setSystemSetting(7, 1);
    core.readData(UnitChange::SystemSettings, -1);
    QCOMPARE(core.topBar()->tempoLabel()->text(), QStringLiteral("GLB.BPM"));

    // 19, 20, 36: global EQ, CTRL, MIDI.
    s.setGlobalEqOutput(1);
    s.setGlobalEqWord(9 + 2, 33);
    core.readData(UnitChange::GlobalEq, -1);
    QCOMPARE(core.settingPopup()->glbEqValue(0), 1);
    QCOMPARE(core.settingPopup()->glbEqValue(3), 33);
    s.setControl(0, 2);
    core.readData(UnitChange::CtrlSet, -1);
    QCOMPARE(core.settingPopup()->ctrlMode(), 2);
    s.midiBlock()[256 + 4] = 99;
    core.readData(UnitChange::MidiList, -1);
    QCOMPARE(core.settingPopup()->midiTable(19).value(4), 99);

    // 37: tone-capture settings.
    s.setToneCaptureValue(8, 6);
    core.readData(UnitChange::ToneCapture, -1);
    QCOMPARE(core.toneCapturePopup()->value(8), 6);

    // 34: another preset became current; 32: its name was stored.
    QVERIFY(s.selectPreset(9));
    core.readData(UnitChange::PresetSelected, -1);
    QCOMPARE(core.presetPanel()->deviceList()->currentRow(), 9);
    s.setPresetName(9, QStringLiteral("NEW NAME"));
    s.setPresetName(kEditBuffer, QStringLiteral("NEW NAME"));
    core.readData(UnitChange::PresetStored, -1);
    QCOMPARE(core.presetPanel()->deviceList()->item(9)->text(), QStringLiteral("04A NEW NAME"));
    QCOMPARE(core.topBar()->presetName(), QStringLiteral("NEW NAME"));

    // 28: one loading step, which moves the bar only while the download runs
    // (preset frames of a backup read-out or a recall must not).
    const int before = core.loadingWidget()->progressValue();
    core.readData(UnitChange::Transfer, -1);
    QCOMPARE(core.loadingWidget()->progressValue(), before);
}

void TestCoreStartup::unitPageRoutes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("module");     // expected current module (-2: unchanged)
    QTest::addColumn<int>("popup");      // 0 none, 1 exp, 3 setting, 4 tone capture, -1 unchanged
    QTest::addColumn<int>("detail");     // exp page, tone step, setting row or stack page (-1: not checked)

    QTest::newRow("FXA") << 0 << 0 << 0 << -1;
    QTest::newRow("CAB page 4") << 4 << 3 << 0 << -1;
    QTest::newRow("FX LOOP page 7") << 7 << 9 << 0 << -1;
    QTest::newRow("REVERB page 10") << 10 << 8 << 0 << -1;
    QTest::newRow("TONE CAP page 11") << 11 << 11 << 0 << -1;
    QTest::newRow("preset page 12") << 12 << -2 << 0 << -1;
    QTest::newRow("chain page 0x10C") << 0x10C << -2 << 0 << -1;
    QTest::newRow("tone capture") << 3 << -2 << 4 << 0;
    QTest::newRow("tone capture step 1") << 0x30D << -2 << 4 << 1;
    QTest::newRow("tone capture step 3") << 0x2030D << -2 << -1 << 3;
    QTest::newRow("expression pedals") << 0x11 << -2 << 1 << -1;
    QTest::newRow("EXP2") << 0x711 << -2 << 1 << 1;
    QTest::newRow("EXP VOL") << 0x211 << -2 << 1 << 2;
    QTest::newRow("settings") << 13 << -2 << 3 << -1;
    QTest::newRow("TAP TEMPO") << 0x40D << -2 << 3 << 4;
    QTest::newRow("INPUT LEVEL") << 0x10D << -2 << 3 << 2;
    QTest::newRow("CC REFERENCE") << 0x3050D << -2 << 3 << 101;
    QTest::newRow("unknown") << 0x999 << -2 << -1 << -1;
}

void TestCoreStartup::unitPageRoutes()
{
    QFETCH(int, code);
    QFETCH(int, module);
    QFETCH(int, popup);
    QFETCH(int, detail);
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    // Start from DELAY with nothing open (but the tone capture pop-up for its steps).
    core.selectModule(ModDelay);
    if (code == 0x2030D)
        core.showPopup(4);
    const int before = core.currentModule();
    QVERIFY(h.unit().setPage(static_cast<std::uint32_t>(code)));
    QTRY_COMPARE(h.store().screenCode(), static_cast<std::uint32_t>(code));
    QTest::qWait(150);
    QCOMPARE(core.currentModule(), module == -2 ? before : module);
    if (module == 11) {
        QCOMPARE(core.chainPanel()->selectedModule(), -1);
        QCOMPARE(core.modulePanel()->nameLabel()->text(), QStringLiteral("TONE CAP"));
        QCOMPARE(core.modulePanel()->typeList()->count(), 20);
    } else if (module >= 0) {
        QCOMPARE(core.chainPanel()->selectedModule(), module);
    }
    if (popup >= 0) {
        QCOMPARE(core.expPopup()->isVisible(), popup == 1);
        QCOMPARE(core.settingPopup()->isVisible(), popup == 3);
        QCOMPARE(core.toneCapturePopup()->isVisible(), popup == 4);
    }
    if (detail >= 0) {
        if (popup == 1)
            QCOMPARE(core.expPopup()->currentPage(), detail);
        else if (popup == 4 || code == 0x2030D)
            QCOMPARE(core.toneCapturePopup()->step(), detail);
        else if (popup == 3 && detail >= 100)
            QCOMPARE(core.settingPopup()->stack()->targetIndex(), detail - 100);
        else if (popup == 3)
            QCOMPARE(core.settingPopup()->pageList()->currentRow(), detail);
    }
    // The editor does not answer the unit's page with a page of its own.
    QCOMPARE(h.frames(0x02).size(), 0);
}

void TestCoreStartup::outsideClickClosesPopup()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    core.selectModule(ModDelay);
    h.unit().clearReceivedFrames();
    // The settings button reports page 13 and opens the pop-up in the middle of the window.
    QTest::mouseClick(core.topBar()->settingButton(), Qt::LeftButton);
    QVERIFY(core.settingPopup()->isVisible());
    QVERIFY(centredOn(core.settingPopup(), &core));
    QCOMPARE(h.lastCurrentUi(), 13);
    // A click on the title bar leaves it open.
    QTest::mouseClick(core.titleBar()->deviceName(), Qt::LeftButton);
    QVERIFY(core.settingPopup()->isVisible());
    // A click on the preset list closes it, reports the module's page and does nothing else.
    QListWidget *list = core.presetPanel()->deviceList();
    const int current = list->currentRow();
    const int other = current == 3 ? 4 : 3;
    h.clickPreset(other);
    QVERIFY(!core.settingPopup()->isVisible());
    QCOMPARE(list->currentRow(), current);
    QCOMPARE(h.store().currentPresetIndex(), current);
    QTRY_COMPARE(h.lastCurrentUi(), qint64(PageCodes::forModule(ModDelay)));
    QCOMPARE(h.frames(0x22).size(), 0);
    // The other pop-ups open from their buttons, each hiding the one before.
    QTest::mouseClick(core.topBar()->expButton(), Qt::LeftButton);
    QVERIFY(core.expPopup()->isVisible());
    QCOMPARE(h.lastCurrentUi(), 17);
    QTest::mouseClick(core.expPopup()->closeButton(), Qt::LeftButton);
    QVERIFY(!core.expPopup()->isVisible());
    QTest::mouseClick(core.topBar()->toneButton(), Qt::LeftButton);
    QVERIFY(core.toneCapturePopup()->isVisible());
    QCOMPARE(h.lastCurrentUi(), 3);
    core.showPopup(3);
    QVERIFY(core.settingPopup()->isVisible());
    QVERIFY(!core.toneCapturePopup()->isVisible());
    core.showPopup(0);
    QVERIFY(!core.settingPopup()->isVisible());
}

void TestCoreStartup::inputOutsidePopupSwallowed()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    core.selectModule(ModAmp);
    core.showPopup(1);
    QVERIFY(core.expPopup()->isVisible());
    // Key presses outside the pop-up are swallowed.
    QLineEdit *volume = core.topBar()->volumeEdit();
    const QString text = volume->text();
    QTest::keyClicks(volume, QStringLiteral("9"));
    QCOMPARE(volume->text(), text);
    // So are wheel turns and double clicks.
    QListWidget *types = core.modulePanel()->typeList();
    types->scrollToTop();
    const int scroll = types->verticalScrollBar()->value();
    // (The pop-up sits in the middle of the window: turn the wheel above it.)
    const QPoint at(10, 10);
    QVERIFY(!core.expPopup()->frameGeometry().contains(types->viewport()->mapToGlobal(at)));
    QWheelEvent wheel(at, types->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(types->viewport(), &wheel);
    QCOMPARE(types->verticalScrollBar()->value(), scroll);
    const int type = core.modulePanel()->currentType();
    QTest::mouseDClick(types->viewport(), Qt::LeftButton, {}, types->visualItemRect(types->item(type == 0 ? 1 : 0)).center());
    QCOMPARE(core.modulePanel()->currentType(), type);
    QVERIFY(core.expPopup()->isVisible());
    // Without a pop-up the same input works.
    core.showPopup(0);
    volume->end(false);
    QTest::keyClicks(volume, QStringLiteral("9"));
    QCOMPARE(volume->text(), text + QStringLiteral("9"));
}

void TestCoreStartup::popupKeepsItsOwnInput()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    core.showPopup(1);
    h.unit().clearReceivedFrames();
    // The pop-up's own buttons work (signals are wired after loading).
    QTest::mouseClick(core.expPopup()->typeButtons().at(1), Qt::LeftButton);
    QVERIFY(core.expPopup()->isVisible());
    QCOMPARE(core.expPopup()->currentPage(), 1);
    QTRY_COMPARE(h.lastCurrentUi(), 1809);
}

void TestCoreStartup::busyToneCaptureStaysOpen()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    core.showPopup(4);
    core.toneCapturePopup()->update(11, 1);
    QVERIFY(core.toneCapturePopup()->isBusy());
    QTest::mouseClick(core.presetPanel()->deviceList()->viewport(), Qt::LeftButton);
    QVERIFY(core.toneCapturePopup()->isVisible());
    core.toneCapturePopup()->update(11, 0);
    QTest::mouseClick(core.presetPanel()->deviceList()->viewport(), Qt::LeftButton);
    QVERIFY(!core.toneCapturePopup()->isVisible());
}

void TestCoreStartup::renameClosedByOutsideClick()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    PresetPanel *presets = core.presetPanel();
    presets->beginRename(4);
    QVERIFY(core.renameWidget()->isVisible());
    QCOMPARE(presets->markedRow(), 4);
    QCOMPARE(presets->deviceList()->item(4)->background().color(), QColor(QStringLiteral("#0363D3")));
    QTest::mouseClick(core.modulePanel()->typeList()->viewport(), Qt::LeftButton);
    QVERIFY(!core.renameWidget()->isVisible());
    QCOMPARE(presets->markedRow(), -1);
    QCOMPARE(presets->deviceList()->item(4)->background().color().alpha(), 0);
    QTest::qWait(50);
    QCOMPARE(h.frames(0x1C).size(), 0);
    QCOMPARE(h.frames(0x02).size(), 0);
    // Another pop-up closes it the same way.
    presets->beginRename(6);
    QVERIFY(core.renameWidget()->isVisible());
    core.showPopup(3);
    QVERIFY(!core.renameWidget()->isVisible());
    QCOMPARE(presets->markedRow(), -1);
    QCOMPARE(presets->renameRow(), -1);
}

void TestCoreStartup::escapeResetsDeviceList()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QListWidget *list = core.presetPanel()->deviceList();
    const int current = list->currentRow();
    const int other = current == 30 ? 31 : 30;
    h.clickPreset(other, Qt::ControlModifier);
    QCOMPARE(list->selectedItems().size(), 2);
    QCOMPARE(h.store().currentPresetIndex(), current);   // two rows select nothing
    QTest::keyClick(list, Qt::Key_Escape);
    QCOMPARE(list->selectedItems().size(), 1);
    QCOMPARE(list->currentRow(), current);
    QCOMPARE(h.frames(0x22).size(), 0);
}

void TestCoreStartup::windowStateAndPopupCentring()
{
    EditorHarness h;
    QVERIFY2(h.startLoaded(), qPrintable(h.error));
    Core &core = *h.core;
    QWidget *max = core.titleBar()->maximizeButton();
    QWidget *restore = core.titleBar()->restoreButton();
    core.showPopup(3);
    QTest::mouseClick(core.titleBar()->maximizeButton(), Qt::LeftButton);
    QTRY_VERIFY(core.isMaximized());
    QTRY_VERIFY(restore->isVisible());
    QVERIFY(!max->isVisible());
    QTRY_VERIFY(centredOn(core.settingPopup(), &core));
    QTest::mouseClick(restore, Qt::LeftButton);
    QTRY_VERIFY(!core.isMaximized());
    QTRY_VERIFY(max->isVisible());
    QVERIFY(!restore->isVisible());
    core.move(core.pos() + QPoint(60, 40));
    QTRY_VERIFY(centredOn(core.settingPopup(), &core));
    // The close button ends the program with 0.
    QTest::mouseClick(core.titleBar()->closeButton(), Qt::LeftButton);
    QCOMPARE(h.quits, 1);
    QCOMPARE(h.quitCode, 0);
}

QTEST_MAIN(TestCoreStartup)
#include "tst_core_startup.moc"
