// The settings pop-up's pages: what each control sends, what the values the
// main window pushes in show (and that they are never sent back), the CTRL
// grid, the MIDI tables, the global EQ sub-page, the colours, and the look
// of every page.

#include "animationstackedwidget.h"
#include "appconfig.h"
#include "customspinbox.h"
#include "effectcatalogue.h"
#include "kt900style.h"
#include "parawidgetbase.h"
#include "popuplook.h"
#include "setting.h"
#include "sliderwithspinbox.h"
#include "customslider.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString status(const QPushButton *b)
{
    return b->property("status").toString();
}

QList<QVariant> args(int a, int b)
{
    return {a, b};
}

} // namespace

class TestSetting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void pairsSendTheirIndex_data();
    void pairsSendTheirIndex();
    void audioModeGreysTheOutputs();
    void slidersSendPositions();
    void pushedValuesAreShownNotSent();
    void ctrlGrid();
    void midiTypeAndTables();
    void glbEqSubPage();
    void colours();
    void everyPageLooksRight();

private:
    QTemporaryDir m_dir;
    QWidget m_window;
};

void TestSetting::initTestCase()
{
    PopupLook::install();
    QVERIFY(EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
    m_window.resize(1130, 700);
}

void TestSetting::init()
{
    QFile::remove(m_dir.filePath(QStringLiteral("Config.ini")));
    AppConfig::instance().setFileName(m_dir.filePath(QStringLiteral("Config.ini")));
}

void TestSetting::pairsSendTheirIndex_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    const struct {
        const char *name;
        int id, index, value;
    } rows[] = {
        {"REAMP", 3, 1, 1},        {"NORMAL", 2, 1, 0},        {"LEFT OUT DRY", 5, 2, 1},
        {"RIGHT OUT DRY", 7, 3, 1}, {"TAP GLOBAL", 9, 7, 1},    {"TAP PRESET", 8, 7, 0},
        {"MIDI OUT", 11, 8, 1},    {"IN CLOCK ON", 13, 10, 1}, {"OUT CLOCK ON", 15, 12, 1},
        {"OUTPUT ON", 17, 13, 1},  {"XLR ON", 19, 14, 1},      {"XLR THRU", 18, 14, 0},
        {"TRAIL ON", 21, 15, 1},   {"LOOPER PRE", 23, 16, 1},  {"LOOPER POST", 22, 16, 0},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.id << r.index << r.value;
}

void TestSetting::pairsSendTheirIndex()
{
    QFETCH(int, id);
    QFETCH(int, index);
    QFETCH(int, value);
    Setting setting(&m_window);
    QSignalSpy spy(&setting, &Setting::systemValueChanged);
    QPushButton *b = setting.button(id);
    QVERIFY(b);
    b->click();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first(), args(index, value));
    QCOMPARE(status(b), QStringLiteral("selected_enable"));
    QCOMPARE(status(setting.button(id ^ 1)), QStringLiteral("unselected_enable"));
    QCOMPARE(setting.systemValue(index), value);
}

void TestSetting::audioModeGreysTheOutputs()
{
    Setting setting(&m_window);
    QSignalSpy cab(&setting, &Setting::cabLStrChanged);
    setting.button(5)->click();                    // LEFT OUT: DRY
    setting.button(3)->click();                    // REAMP
    QCOMPARE(status(setting.button(4)), QStringLiteral("unselected_disabled"));
    QCOMPARE(status(setting.button(5)), QStringLiteral("selected_disabled"));
    QCOMPARE(status(setting.button(6)), QStringLiteral("selected_disabled"));
    QVERIFY(!setting.button(5)->isEnabled());
    QVERIFY(!setting.valueWidget(Setting::Mix)->isEnabled());
    // A LEFT OUT value from the unit meanwhile keeps the disabled look.
    setting.setSystemValue(2, 0);
    QCOMPARE(status(setting.button(4)), QStringLiteral("selected_disabled"));
    setting.button(2)->click();                    // NORMAL: same selections, enabled
    QCOMPARE(status(setting.button(4)), QStringLiteral("selected_enable"));
    QCOMPARE(status(setting.button(7)), QStringLiteral("unselected_enable"));
    QVERIFY(setting.valueWidget(Setting::Mix)->isEnabled());
    // The cab-sim buttons name the output for the top bar.
    setting.button(17)->click();
    QCOMPARE(cab.last().at(0).toString(), QStringLiteral("OUTPUT: ON"));
}

void TestSetting::slidersSendPositions()
{
    Setting setting(&m_window);
    QSignalSpy spy(&setting, &Setting::systemValueChanged);
    auto *brightness = static_cast<SliderWithSpinBox *>(setting.valueWidget(Setting::Brightness));
    brightness->slider()->setValue(brightness->maximum());
    QCOMPARE(brightness->spinBox()->text(), QStringLiteral("20"));
    QCOMPARE(spy.last(), args(17, 19));
    auto *input = static_cast<SliderWithSpinBox *>(setting.valueWidget(Setting::InputLevel));
    QCOMPARE(input->maximum(), 21);
    const struct {
        int position;
        const char *text;
    } levels[] = {{0, "-\u221E dB"}, {9, "0 dB"}, {21, "6.0 dB"}};
    for (const auto &l : levels) {
        input->slider()->setValue(l.position);
        QCOMPARE(input->spinBox()->text(), QString::fromUtf8(l.text));
    }
    QCOMPARE(spy.last(), args(0, 21));
    static_cast<SliderWithSpinBox *>(setting.valueWidget(Setting::RecVol))->slider()->setValue(64);
    QCOMPARE(spy.last(), args(4, 64));
    setting.channelCombo(1)->setCurrentIndex(15);
    QCOMPARE(spy.last(), args(11, 15));
}

void TestSetting::pushedValuesAreShownNotSent()
{
    Setting setting(&m_window);
    QSignalSpy system(&setting, &Setting::systemValueChanged);
    QSignalSpy midi(&setting, &Setting::midiValueChanged);
    QSignalSpy eq(&setting, &Setting::glbEqValueChanged);
    QSignalSpy ctrl(&setting, &Setting::ctrlValueChanged);
    // Values in range, then values no control can show: both shown, none sent back.
    const int inRange[18] = {9, 1, 1, 0, 30, 40, 50, 1, 1, 16, 1, 3, 1, 1, 0, 1, 1, 0};
    const int outOfRange[18] = {40, 7, 9, 9, 200, 255, 101, 3, 4, 99, 2, 40, 5, 6, 7, 8, 9, 77};
    for (const int *values : {inRange, outOfRange}) {
        for (int i = 0; i < Setting::kSystemValues; ++i)
            setting.setSystemValue(i, values[i]);
    }
    QCOMPARE(system.size(), 0);
    QCOMPARE(setting.systemValue(17), 77);
    QCOMPARE(setting.valueWidget(Setting::Brightness)->value(), 19);
    QCOMPARE(setting.valueWidget(Setting::InputLevel)->value(), 21);
    QCOMPARE(setting.channelCombo(0)->currentText(), QStringLiteral("OMNI"));
    QCOMPARE(setting.channelCombo(1)->currentText(), QStringLiteral("16"));
    QCOMPARE(status(setting.button(3)), QStringLiteral("selected_enable"));   // REAMP
    QVERIFY(!setting.midiGroup(true)->isVisibleTo(&setting));                   // MIDI OUT
    setting.setSystemValue(8, 0);
    QVERIFY(setting.midiGroup(true)->isVisibleTo(&setting));
    QVERIFY(!setting.midiGroup(false)->isVisibleTo(&setting));

    setting.setMidiTable(18, QVector<int>(256, 300));
    setting.setMidiTable(19, QVector<int>(256, 200));
    setting.setGlbEqValue(1, 0xFFFF);
    setting.setGlbEqValue(0, 1);
    setting.refreshCtrl(1, 0xFFFF, 0);
    QCOMPARE(midi.size(), 0);
    QCOMPARE(eq.size(), 0);
    QCOMPARE(ctrl.size(), 0);
    QCOMPARE(system.size(), 0);
    QCOMPARE(setting.glbEqTitle()->text(), QStringLiteral("GLB-EQ>>XLR"));
    QCOMPARE(setting.ctrlMask(), 0x7FF);
    // Index and type outside the records are ignored.
    setting.setSystemValue(18, 1);
    setting.setGlbEqValue(10, 1);
    setting.setMidiTable(17, QVector<int>(256, 1));
    QCOMPARE(setting.systemValue(18), -1);
    QVERIFY(setting.midiTable(17).isEmpty());
}

void TestSetting::ctrlGrid()
{
    Setting setting(&m_window);
    setting.show();
    QSignalSpy spy(&setting, &Setting::ctrlValueChanged);
    QCOMPARE(setting.ctrlMode(), 1);
    QVERIFY(setting.ctrlPanel(1)->isVisible());
    const struct {
        QList<int> modules;
        int mask;
    } cases[] = {{{0, 7}, 0x81}, {{9}, 0x200}, {{10, 1}, 0x402}};
    for (const auto &c : cases) {
        setting.refreshCtrl(1, 0, -1);
        for (int m : c.modules)
            setting.ctrlModuleButton(m)->click();
        QCOMPARE(spy.last(), args(1, c.mask));
    }
    // Clicking again deselects.
    setting.ctrlModuleButton(1)->click();
    QCOMPARE(spy.last(), args(1, 0x400));
    // Mode TAP: only its panel, the grid keeps its looks.
    setting.ctrlModeButton(2)->click();
    QCOMPARE(spy.last(), args(0, 2));
    QVERIFY(setting.ctrlPanel(2)->isVisible());
    QVERIFY(!setting.ctrlPanel(1)->isVisible());
    QCOMPARE(status(setting.ctrlModuleButton(10)), QStringLiteral("selected_enable"));
    QCOMPARE(status(setting.ctrlModeButton(2)), QStringLiteral("selected_enable"));
    QCOMPARE(status(setting.ctrlModeButton(1)), QStringLiteral("unselected_enable"));
    // A mode outside 0..2 only applies the mask.
    setting.refreshCtrl(5, 1, -1);
    QCOMPARE(setting.ctrlMode(), 2);
    QCOMPARE(setting.ctrlMask(), 1);
    setting.gotoPage(17);
    QCOMPARE(setting.ctrlMode(), 1);
    QCOMPARE(setting.pageList()->currentRow(), int(Setting::PageCtrl));
}

void TestSetting::midiTypeAndTables()
{
    Setting setting(&m_window);
    setting.show();
    QSignalSpy system(&setting, &Setting::systemValueChanged);
    QSignalSpy midi(&setting, &Setting::midiValueChanged);
    setting.button(11)->click();                  // MIDI OUT
    QVERIFY(!setting.midiGroup(true)->isVisible());
    QVERIFY(setting.midiGroup(false)->isVisible());
    QCOMPARE(setting.channelCombo(0)->count(), 17);
    QCOMPARE(setting.channelCombo(1)->count(), 16);

    QStandardItemModel *in = setting.tableModel(Setting::StackPcMidiIn);
    QStandardItemModel *out = setting.tableModel(Setting::StackPcMidiOut);
    QStandardItemModel *cc = setting.tableModel(Setting::StackCcReference);
    QCOMPARE(in->rowCount(), 256);
    QCOMPARE(out->rowCount(), 255);
    QCOMPARE(cc->rowCount(), 25);
    QCOMPARE(cc->item(24, 0)->text(), QStringLiteral("CTRL"));
    QCOMPARE(cc->item(24, 1)->text(), QStringLiteral("58"));
    const struct {
        int row;
        const char *bank, *pc;
    } rows[] = {{0, "0", "0"}, {128, "1", "0"}, {255, "1", "127"}};
    for (const auto &r : rows) {
        QCOMPARE(in->item(r.row, 0)->text(), QLatin1String(r.bank));
        QCOMPARE(in->item(r.row, 1)->text(), QLatin1String(r.pc));
        QVERIFY(!(in->item(r.row, 1)->flags() & (Qt::ItemIsEditable | Qt::ItemIsEnabled)));
    }
    QCOMPARE(out->item(5, 0)->text(), QStringLiteral("2C"));
    QVector<int> values(256, 0);
    values[0] = 254;
    values[1] = 3;
    values[2] = 255;
    setting.setMidiTable(18, values);
    QCOMPARE(in->item(0, 2)->text(), QStringLiteral("85 C"));
    QCOMPARE(in->item(1, 2)->text(), QStringLiteral("2 A"));
    QCOMPARE(in->item(2, 2)->text(), QStringLiteral("86 A"));
    QCOMPARE(midi.size(), 0);
    // Edits of the user: a patch chosen, a program change typed.
    in->item(7, 2)->setText(QStringLiteral("3 B"));
    QCOMPARE(midi.last(), (QList<QVariant>{18, 7, 7}));
    out->item(9, 1)->setText(QStringLiteral("127"));
    QCOMPARE(midi.last(), (QList<QVariant>{19, 9, 127}));
    QCOMPARE(setting.midiTable(19).value(9, -1), -1);        // never pushed: nothing kept
    // The buttons report their page and slide the table in.
    setting.button(10)->click();                  // MIDI IN again
    setting.button(Setting::PcMappingIn)->click();
    QCOMPARE(system.last(), args(-1, Setting::kPcMidiInCode));
    QTRY_COMPARE(setting.stack()->currentIndex(), int(Setting::StackPcMidiIn));
    QTableView *view = setting.table(Setting::StackPcMidiIn);
    QCOMPARE(view->editTriggers(), QAbstractItemView::EditTriggers(QAbstractItemView::DoubleClicked));
    QCOMPARE(view->model()->index(0, 2).data(Qt::ToolTipRole).toString(), QStringLiteral("Double click to edit"));
}

void TestSetting::glbEqSubPage()
{
    Setting setting(&m_window);
    setting.show();
    QSignalSpy system(&setting, &Setting::systemValueChanged);
    QSignalSpy eq(&setting, &Setting::glbEqValueChanged);
    QCOMPARE(setting.glbEqList()->count(), 9);
    setting.button(1)->click();                    // XLR
    QCOMPARE(setting.glbEqTitle()->text(), QStringLiteral("GLB-EQ>>XLR"));
    QCOMPARE(eq.last(), args(0, 1));
    QCOMPARE(system.last(), args(-1, 15));
    QTRY_COMPARE(setting.stack()->currentIndex(), int(Setting::StackGlbEq));
    ParaWidgetBase *third = setting.glbEqWidget(2);
    setting.setGlbEqValue(3, 5);
    QCOMPARE(third->value(), 5);
    QCOMPARE(eq.size(), 1);
    auto *slider = qobject_cast<SliderWithSpinBox *>(third);
    QVERIFY(slider);
    slider->slider()->setValue(7);
    QCOMPARE(eq.last(), args(3, 7));
    // "rollback" slides back and reports the settings page.
    QPushButton *back = setting.stack()->widget(Setting::StackGlbEq)->findChild<QPushButton *>(QStringLiteral("rollback"));
    back->click();
    QCOMPARE(system.last(), args(-1, 13));
    QTRY_COMPARE(setting.stack()->currentIndex(), int(Setting::StackColumn));
}

void TestSetting::colours()
{
    Setting setting(&m_window);
    // No Config.ini: the defaults.
    const char *defaults[3] = {"#B1CF36", "gray", "#c0d23c"};
    for (int key = 0; key < Setting::kColorKeys; ++key)
        QVERIFY(setting.colorSwatch(key)->styleSheet().contains(QLatin1String(defaults[key])));
    QSignalSpy list(&setting, &Setting::listColorChanged);
    QSignalSpy para(&setting, &Setting::paraColorChanged);
    QColor offered;
    QColor answer;
    setting.setColorPicker([&](const QColor &initial, QWidget *) {
        offered = initial;
        return answer;
    });
    setting.colorSwatch(Setting::ParaColor)->click();          // cancelled
    QCOMPARE(offered, QColor(QStringLiteral("#c0d23c")));
    QCOMPARE(list.size(), 0);
    answer = QColor(10, 200, 255);
    setting.colorSwatch(Setting::ParaColor)->click();
    QCOMPARE(AppConfig::instance().value(QStringLiteral("Color"), QStringLiteral("paraColor")).toString(),
             QStringLiteral("#0ac8ff"));
    QCOMPARE(list.size(), 1);
    QCOMPARE(para.last(), (QList<QVariant>{QStringLiteral("#414141"), QStringLiteral("#0ac8ff")}));
    answer = QColor(1, 2, 3);
    setting.colorSwatch(Setting::HoverColor)->click();
    QCOMPARE(list.size(), 2);
    QCOMPARE(para.size(), 1);
    QVERIFY(setting.colorSwatch(Setting::HoverColor)->styleSheet().contains(QLatin1String("#010203")));
    // A stored value that is no colour counts as absent.
    AppConfig::instance().setValue(QStringLiteral("Color"), QStringLiteral("presetListSelectColor"), QStringLiteral("nocolour"));
    QCOMPARE(Setting::colorValue(Setting::SelectColor), QStringLiteral("#B1CF36"));
}

void TestSetting::everyPageLooksRight()
{
    Setting setting(&m_window);
    m_window.show();
    setting.move(113, 52);
    setting.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setting));
    // Values as after loading, so the MIDI page shows one group.
    const int values[18] = {9, 0, 0, 0, 50, 50, 50, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 9};
    for (int i = 0; i < Setting::kSystemValues; ++i)
        setting.setSystemValue(i, values[i]);
    QStringList problems;
    for (int row = 0; row < Setting::kPageCount; ++row) {
        setting.gotoPage(row);
        QApplication::processEvents();
        QWidget *page = setting.page(row);
        QVERIFY2(page->findChildren<QWidget *>().size() > 2, qPrintable(Setting::pageNames().at(row)));
        problems << PopupLook::clipped(&setting, page);
        // Each page fits in the height the column gives it.
        if (page->minimumSizeHint().height() > setting.settingsColumn()->item(row)->sizeHint().height())
            problems << QStringLiteral("%1 needs %2 px").arg(Setting::pageNames().at(row)).arg(page->minimumSizeHint().height());
        if (row % 3 == 0 || row == Setting::PageAbout)
            QVERIFY(PopupLook::shoot(&setting, QStringLiteral("setting_%1").arg(row, 2, 10, QLatin1Char('0'))));
    }
    const QPair<int, int> subPages[] = {{15, Setting::StackGlbEq}, {19, Setting::StackCcReference},
                                        {20, Setting::StackPcMidiIn}, {21, Setting::StackPcMidiOut}};
    for (const auto &[code, stackPage] : subPages) {
        setting.gotoPage(code);
        QTRY_COMPARE(setting.stack()->currentIndex(), stackPage);
        QTest::qWait(50);
        problems << PopupLook::clipped(&setting, setting.stack()->currentWidget());
        QVERIFY(PopupLook::shoot(&setting, QStringLiteral("setting_sub_%1").arg(code)));
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
}

QTEST_MAIN(TestSetting)
#include "tst_setting.moc"
