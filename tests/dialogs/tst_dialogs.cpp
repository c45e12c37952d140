// The pop-up dialogs' frames: frameless hidden children, object names, the
// close buttons, navigation between pages and steps, the values pushed in,
// and the settings store they share with the main window.

#include "animationstackedwidget.h"
#include "appconfig.h"
#include "userfiles.h"
#include "exp.h"
#include "kt900style.h"
#include "resources.h"
#include "setting.h"
#include "tonecapture.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void framesOfThePopups();
    void settingCloseButton();
    void settingPages();
    void settingKeepsPushedValues();
    void expTypeButtonsAndClose();
    void toneCaptureSteps();
    void toneCaptureSlotNames();
    void appConfigKeys();
};

void TestDialogs::initTestCase()
{
    kt900InitResources();
    QApplication::setFont(Kt900Style::applicationFont());
    qApp->setStyleSheet(Kt900Style::loadStyleSheets());
}

void TestDialogs::framesOfThePopups()
{
    QWidget window;
    window.resize(1130, 700);
    Setting setting(&window);
    Exp exp(&window);
    ToneCapture tone(&window);
    struct Expect {
        QDialog *dialog;
        const char *name;
        const char *frame;
        QSize size;
    };
    const Expect expects[] = {
        {&setting, "setting", "settingWidget", QSize(903, 595)},
        {&exp, "exp", "expWidget", QSize(720, 370)},
        {&tone, "toneCapture", "toneCaptureWidget", QSize(ToneCapture::kWidth, ToneCapture::kHeight)},
    };
    for (const Expect &e : expects) {
        QCOMPARE(e.dialog->objectName(), QLatin1String(e.name));
        QCOMPARE(e.dialog->parentWidget(), &window);
        QVERIFY(e.dialog->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(e.dialog->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(!e.dialog->isVisible());
        QCOMPARE(e.dialog->size(), e.size);
        QVERIFY(e.dialog->findChild<QFrame *>(QLatin1String(e.frame)));
        QVERIFY(e.dialog->findChild<QPushButton *>(QStringLiteral("popupClose")));
    }
    QVERIFY(setting.findChild<QWidget *>(QStringLiteral("settingTitle")));
    QCOMPARE(setting.findChild<QWidget *>(QStringLiteral("lineWidget"))->size(), QSize(2, 374));
    QCOMPARE(tone.findChild<QLabel *>(QStringLiteral("toneCaptureTitle"))->text(), QStringLiteral("TONE CAPTURE"));
    QCOMPARE(exp.findChildren<QPushButton *>(QStringLiteral("typeButton")).size(), 3);
}

void TestDialogs::settingCloseButton()
{
    QWidget window;
    Setting setting(&window);
    QSignalSpy spy(&setting, &Setting::systemValueChanged);
    setting.show();
    setting.gotoPage(20);
    QTRY_COMPARE(setting.stack()->currentIndex(), int(Setting::StackPcMidiIn));
    QTest::mouseClick(setting.closeButton(), Qt::LeftButton);
    QVERIFY(!setting.isVisible());
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first(), (QList<QVariant>{-1, -1}));
    QCOMPARE(setting.stack()->currentIndex(), int(Setting::StackColumn));
    // closeWidget does the same without a word.
    setting.show();
    setting.gotoPage(15);
    setting.closeWidget();
    QVERIFY(!setting.isVisible());
    QCOMPARE(setting.stack()->currentIndex(), int(Setting::StackColumn));
    QCOMPARE(spy.size(), 1);
}

void TestDialogs::settingPages()
{
    QWidget window;
    Setting setting(&window);
    setting.show();
    QListWidget *pages = setting.pageList();
    QCOMPARE(pages->objectName(), QStringLiteral("listWidgetLeft"));
    QCOMPARE(setting.settingsColumn()->objectName(), QStringLiteral("listWidgetRight"));
    const QStringList names = {"GLB-EQ", "CTRL SETTING", "INPUT LEVEL", "USB AUDIO", "TAP TEMPO", "MIDI SETTING",
                               "CAB SIM THRU", "TRAIL", "LOOPER MODE", "SCREEN", "RESET", "BACKUP", "COLOR", "ABOUT"};
    QCOMPARE(pages->count(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(pages->item(i)->text(), names.at(i));
        QCOMPARE(pages->item(i)->textAlignment(), int(Qt::AlignCenter));
    }
    QCOMPARE(pages->currentRow(), 0);
    QListWidget *column = setting.settingsColumn();
    QCOMPARE(column->count(), 14);
    // Rows keep their heights unless their controls need more with the font in force.
    const int heights[14] = {80, 190, 80, 300, 80, 200, 80, 80, 80, 80, 80, 80, 80, 80};
    for (int row = 0; row < 14; ++row) {
        QCOMPARE(column->item(row)->sizeHint().width(), 300);
        QVERIFY(column->item(row)->sizeHint().height() >= heights[row]);
        QVERIFY(column->item(row)->sizeHint().height() >= setting.page(row)->minimumSizeHint().height());
    }
    QCOMPARE(column->item(Setting::PageAbout)->sizeHint().height(), 80);
    QCOMPARE(setting.stack()->count(), 5);
    // A row of the page list scrolls the column to its page, and back.
    setting.gotoPage(Setting::PageTapTempo);
    QCOMPARE(pages->currentRow(), 4);
    QCOMPARE(column->verticalScrollBar()->value(), 4);
    column->verticalScrollBar()->setValue(2);
    QCOMPARE(pages->currentRow(), 2);
    // Sub-pages and the CTRL modes.
    setting.gotoPage(19);
    QCOMPARE(setting.stack()->targetIndex(), int(Setting::StackCcReference));
    QTRY_COMPARE(setting.stack()->currentIndex(), int(Setting::StackCcReference));
    // While a sub-page is shown, a page-list row slides back first.
    pages->setCurrentRow(6);
    QTRY_COMPARE(setting.stack()->currentIndex(), int(Setting::StackColumn));
    QTRY_COMPARE(column->verticalScrollBar()->value(), qMin(6, column->verticalScrollBar()->maximum()));
    setting.gotoPage(16);
    QCOMPARE(setting.ctrlMode(), 0);
    QCOMPARE(pages->currentRow(), int(Setting::PageCtrl));
    setting.gotoPage(99);
    QCOMPARE(pages->currentRow(), int(Setting::PageCtrl));
}

void TestDialogs::settingKeepsPushedValues()
{
    Setting setting;
    QCOMPARE(setting.systemValue(7), -1);
    setting.setSystemValue(7, 1);
    setting.setSystemValue(18, 1);
    setting.setSystemValue(-1, 1);
    QCOMPARE(setting.systemValue(7), 1);
    QCOMPARE(setting.systemValue(18), -1);
    setting.setGlbEqValue(0, 1);
    setting.setGlbEqValue(9, 44);
    setting.setGlbEqValue(10, 5);
    QCOMPARE(setting.glbEqValue(0), 1);
    QCOMPARE(setting.glbEqValue(9), 44);
    QCOMPARE(setting.glbEqValue(10), -1);
    QCOMPARE(setting.ctrlMode(), 1);          // ON/OFF until the unit says otherwise
    setting.refreshCtrl(2, 0x1F, 120);
    QCOMPARE(setting.ctrlMode(), 2);
    QCOMPARE(setting.ctrlMask(), 0x1F);
    setting.setMidiTable(19, QVector<int>(256, 7));
    QCOMPARE(setting.midiTable(19).size(), 255);
    setting.setMidiTable(17, QVector<int>(256, 7));
    QVERIFY(setting.midiTable(17).isEmpty());
    // RESET, BACKUP and RECALL go to the main window as they are.
    QSignalSpy spy(&setting, &Setting::noDataButtonClicked);
    setting.buttonClick(28);
    setting.buttonClick(3);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().at(0).toInt(), 28);
}

void TestDialogs::expTypeButtonsAndClose()
{
    QWidget window;
    Exp exp(&window);
    exp.show();
    QSignalSpy spy(&exp, &Exp::valueChanged);
    QCOMPARE(exp.currentPage(), 0);
    QCOMPARE(exp.typeButtons().at(0)->property("isSelected").toBool(), true);
    const int codes[3] = {785, 1809, 529};
    for (int i : {1, 2, 0}) {
        QTest::mouseClick(exp.typeButtons().at(i), Qt::LeftButton);
        QCOMPARE(spy.last(), (QList<QVariant>{-1, codes[i]}));
        QCOMPARE(exp.currentPage(), i);
        for (int j = 0; j < 3; ++j)
            QCOMPARE(exp.typeButtons().at(j)->property("isSelected").toBool(), i == j);
    }
    QTRY_COMPARE(exp.stack()->currentIndex(), 0);
    // showPage says nothing.
    spy.clear();
    exp.showPage(2);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(exp.stack()->targetIndex(), 2);
    exp.showPage(3);
    QCOMPARE(exp.currentPage(), 2);
    QTest::mouseClick(exp.closeButton(), Qt::LeftButton);
    QVERIFY(!exp.isVisible());
    QCOMPARE(spy.last(), (QList<QVariant>{-1, -1}));
    exp.setExpValue(10, 30);
    exp.setExpValue(13, 1);
    QCOMPARE(exp.expValue(10), 30);
    QCOMPARE(exp.expValue(13), -1);
}

void TestDialogs::toneCaptureSteps()
{
    QWidget window;
    ToneCapture tone(&window);
    tone.show();
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    struct Nav {
        int id;
        int code;
        int step;
    };
    const Nav navs[] = {{7, 781, 1}, {9, 66317, 2}, {8, 131853, 3}, {10, 197389, 4}, {11, 131853, 3}};
    for (const Nav &n : navs) {
        tone.buttonClick(n.id);
        QCOMPARE(spy.last().at(0).toInt(), -1);
        QCOMPARE(spy.last().at(1).toInt(), n.code);
        QCOMPARE(tone.step(), n.step);
    }
    tone.buttonClick(12);
    QCOMPARE(spy.last().at(1).toInt(), 12);
    QVERIFY(!tone.isVisible());
    tone.setStep(9);
    QCOMPARE(tone.step(), 3);
    // Busy while a capture runs.
    QVERIFY(!tone.isBusy());
    tone.update(11, 1);
    QVERIFY(tone.isBusy());
    tone.update(11, 0);
    QVERIFY(!tone.isBusy());
    tone.update(15, 3);
    QCOMPARE(tone.value(15), -1);
}

void TestDialogs::toneCaptureSlotNames()
{
    ToneCapture tone;
    QStringList slotList = tone.slotEntries();
    QCOMPARE(slotList.size(), 20);
    QCOMPARE(slotList.first(), QStringLiteral("01:EMPTY"));
    QCOMPARE(slotList.last(), QStringLiteral("20:EMPTY"));
    tone.ToneNameChanged(2, QStringLiteral("  Fat Amp "));
    tone.ToneNameChanged(20, QStringLiteral("No"));
    tone.ToneNameChanged(-1, QStringLiteral("No"));
    slotList = tone.slotEntries();
    QCOMPARE(slotList.at(2), QStringLiteral("03:Fat Amp"));
    QCOMPARE(slotList.size(), 20);
}

void TestDialogs::appConfigKeys()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Config.ini"));
    AppConfig &config = AppConfig::instance();
    QCOMPARE(AppConfig::defaultFileName(), UserFiles::configFile());
    config.setFileName(path);
    QCOMPARE(config.value(QStringLiteral("Color"), QStringLiteral("paraColor"), QStringLiteral("#c0d23c")).toString(),
             QStringLiteral("#c0d23c"));
    config.setValue(QStringLiteral("Color"), QStringLiteral("paraColor"), QStringLiteral("#ff0000"));
    QCOMPARE(config.value(QStringLiteral("Color"), QStringLiteral("paraColor")).toString(), QStringLiteral("#ff0000"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray ini = file.readAll();
    QVERIFY(ini.contains("[Color]"));
    QVERIFY(ini.contains("paraColor=#ff0000"));
    QCOMPARE(&AppConfig::instance(), &config);
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
