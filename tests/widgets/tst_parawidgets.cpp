// Parameter rows and their controls, driven through the real widgets.

#include "custombutton.h"
#include "customgroupbutton.h"
#include "customslider.h"
#include "customspinbox.h"
#include "effectcatalogue.h"
#include "groupbuttonwithspinbox.h"
#include "parawidgetfactory.h"
#include "resources.h"
#include "sliderwithspinbox.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QIcon>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

ParaInfo rangeInfo(const QString &name, int min, int max, float step, int decimals,
                   const QString &unit = QString())
{
    ParaInfo p;
    p.name = name;
    p.kind = ParamKind::Range;
    p.min = min;
    p.max = max;
    p.step = step;
    p.decimals = decimals;
    p.unit = unit;
    return p;
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(CustomButton::kIconWidth, CustomButton::kIconHeight)).toImage();
}

} // namespace

class TestParaWidgets : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void stepCounts_data();
    void stepCounts();
    void spinTexts_data();
    void spinTexts();
    void stringListForm();
    void sliderAndSpinBoxStayCoupled();
    void setParaSwitchesForm();

    void sliderJumpsToPointer_data();
    void sliderJumpsToPointer();
    void sliderFollowsDragAndSurvivesTinyWidth();

    void groupQuarterSelection_data();
    void groupQuarterSelection();
    void groupPressOnButtonUsesRowPosition();
    void groupButtonClickStyles();
    void groupRowCoupling();

    void factoryPicksWidget();
    void factoryWithCatalogue();
    void setColorRestylesSlider();
    void setEnableMirrorsProperty();

    void chainButtonClickOrDrag_data();
    void chainButtonClickOrDrag();
    void chainButtonDragKeepsFollowing();
    void setSwitchStatusEmitsOnlyOnChange();
    void setSelectSetsProperty();

    void spinBoxHasNoContextMenuAndDeselects();
};

void TestParaWidgets::initTestCase()
{
    kt900InitResources();
    QVERIFY(EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
}

void TestParaWidgets::stepCounts_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<float>("step");
    QTest::addColumn<int>("steps");
    QTest::newRow("0..100 step 0.1") << 0 << 100 << 0.1f << 1000;
    QTest::newRow("-16..16 step 0.5") << -16 << 16 << 0.5f << 64;
    QTest::newRow("0..100 step 1") << 0 << 100 << 1.0f << 100;
    QTest::newRow("40..2500 ms") << 40 << 2500 << 1.0f << 2460;
    QTest::newRow("descending 20001..1000") << 20001 << 1000 << -1.0f << 19001;
    QTest::newRow("-12..12 step 0.1") << -12 << 12 << 0.1f << 240;
    QTest::newRow("single value") << 5 << 5 << 1.0f << 0;
}

void TestParaWidgets::stepCounts()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(float, step);
    QFETCH(int, steps);
    SliderWithSpinBox row;
    row.setRange(QStringLiteral("P"), min, max, step, 1);
    QCOMPARE(row.slider()->minimum(), 0);
    QCOMPARE(row.slider()->maximum(), steps);
    QCOMPARE(row.spinBox()->minimum(), 0);
    QCOMPARE(row.spinBox()->maximum(), steps);
    QCOMPARE(row.maximum(), steps);
}

void TestParaWidgets::spinTexts_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<float>("step");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QStringList>("low");
    QTest::addColumn<QStringList>("high");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("text");

    const QStringList none;
    const QStringList off{QStringLiteral("OFF")};
    const QStringList maxLabel{QStringLiteral("MAX")};
    QTest::newRow("EQ band minimum") << -16 << 16 << 0.5f << 1 << " dB" << none << none << 0 << "-16.0 dB";
    QTest::newRow("EQ band centre") << -16 << 16 << 0.5f << 1 << " dB" << none << none << 32 << "0.0 dB";
    QTest::newRow("EQ band top") << -16 << 16 << 0.5f << 1 << " dB" << none << none << 64 << "16.0 dB";
    QTest::newRow("EQ band -4.5") << -16 << 16 << 0.5f << 1 << " dB" << none << none << 23 << "-4.5 dB";
    QTest::newRow("rate one decimal") << 0 << 100 << 0.1f << 1 << "" << none << none << 160 << "16.0";
    QTest::newRow("pitch centre") << -12 << 12 << 0.1f << 1 << "" << none << none << 120 << "0.0";
    QTest::newRow("time in ms") << 40 << 2500 << 1.0f << 0 << " ms" << none << none << 500 << "540 ms";
    QTest::newRow("time bottom") << 40 << 2500 << 1.0f << 0 << " ms" << none << none << 0 << "40 ms";
    QTest::newRow("time top") << 40 << 2500 << 1.0f << 0 << " ms" << none << none << 2460 << "2500 ms";
    QTest::newRow("pitch cents") << -100 << 100 << 1.0f << 0 << " Cent" << none << none << 0 << "-100 Cent";
    QTest::newRow("wet unit") << 0 << 100 << 1.0f << 0 << ".Wet" << none << none << 50 << "50.Wet";
    QTest::newRow("plain integer") << 0 << 100 << 1.0f << 0 << "" << none << none << 37 << "37";
    QTest::newRow("big number") << 60 << 20000 << 1.0f << 0 << " Hz" << none << none << 19939 << "19999 Hz";
    QTest::newRow("low-end label") << 20001 << 1000 << -1.0f << 0 << "" << off << none << 0 << "OFF";
    QTest::newRow("after low-end label") << 20001 << 1000 << -1.0f << 0 << "" << off << none << 1 << "20000";
    QTest::newRow("descending top") << 20001 << 1000 << -1.0f << 0 << "" << off << none << 19001 << "1000";
    QTest::newRow("lo cut label") << 0 << 800 << 1.0f << 0 << "" << off << none << 0 << "OFF";
    QTest::newRow("lo cut one") << 0 << 800 << 1.0f << 0 << "" << off << none << 1 << "1";
    QTest::newRow("lo cut number") << 0 << 800 << 1.0f << 0 << "" << off << none << 800 << "800";
    QTest::newRow("high-end label") << 0 << 10 << 1.0f << 0 << "" << none << maxLabel << 10 << "MAX";
    QTest::newRow("before high-end label") << 0 << 10 << 1.0f << 0 << "" << none << maxLabel << 9 << "9";
}

void TestParaWidgets::spinTexts()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(float, step);
    QFETCH(int, decimals);
    QFETCH(QString, unit);
    QFETCH(QStringList, low);
    QFETCH(QStringList, high);
    QFETCH(int, raw);
    QFETCH(QString, text);

    SliderWithSpinBox row;
    row.setRange(QStringLiteral("Param"), min, max, step, decimals, unit, low, high);
    row.setValue(raw);
    QCOMPARE(row.value(), raw);
    QCOMPARE(row.spinBox()->value(), raw);
    QCOMPARE(row.text(), text);
    QCOMPARE(row.name(), QStringLiteral("Param"));
    QCOMPARE(row.spinBox()->suffix(), unit);
}

void TestParaWidgets::stringListForm()
{
    const QStringList levels = {QString::fromUtf8("-\u221e dB"), QStringLiteral("-60 dB"),
                                QStringLiteral("0 dB"), QStringLiteral("6.0 dB")};
    SliderWithSpinBox row;
    row.setOptions(QStringLiteral("INPUT LEVEL"), levels);
    QCOMPARE(row.slider()->maximum(), 3);
    QCOMPARE(row.spinBox()->maximum(), 3);
    QCOMPARE(row.spinBox()->suffix(), QString());
    for (int i = 0; i < levels.size(); ++i) {
        row.setValue(i);
        QCOMPARE(row.text(), levels.at(i));
    }
    QCOMPARE(row.name(), QStringLiteral("INPUT LEVEL"));
}

void TestParaWidgets::sliderAndSpinBoxStayCoupled()
{
    SliderWithSpinBox row;
    row.setRange(QStringLiteral("Level"), 0, 100, 1, 0);
    QSignalSpy spy(&row, &ParaWidgetBase::valueChanged);

    row.slider()->setValue(42);
    QCOMPARE(row.spinBox()->value(), 42);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), 42);

    row.spinBox()->setValue(43); // e.g. the arrow of the spin box
    QCOMPARE(row.slider()->value(), 43);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), 43);

    row.setValue(43); // unchanged: nothing to report
    QCOMPARE(spy.count(), 0);

    row.setValue(250); // out of range clamps to the top
    QCOMPARE(row.value(), 100);
    QCOMPARE(row.spinBox()->value(), 100);
}

void TestParaWidgets::setParaSwitchesForm()
{
    SliderWithSpinBox row;
    row.setPara(rangeInfo(QStringLiteral("Time"), 40, 2500, 1.0f, 0, QStringLiteral(" ms")));
    row.setValue(2000);
    QCOMPARE(row.text(), QStringLiteral("2040 ms"));

    ParaInfo opts;
    opts.name = QStringLiteral("Sub D");
    opts.kind = ParamKind::Options;
    opts.options = QStringList{QStringLiteral("OFF"), QStringLiteral("1/4"), QStringLiteral("1/4T")};
    row.setPara(opts);
    QCOMPARE(row.maximum(), 2);
    QCOMPARE(row.spinBox()->suffix(), QString()); // the old unit is gone
    row.setValue(1);
    QCOMPARE(row.text(), QStringLiteral("1/4"));
}

void TestParaWidgets::sliderJumpsToPointer_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("value");
    // Width 209: the usable span is 200 px for 0..100.
    QTest::newRow("left end") << 0 << 0;
    QTest::newRow("quarter") << 50 << 25;
    QTest::newRow("middle") << 100 << 50;
    QTest::newRow("rounded") << 101 << 51; // 50.5 rounds up
    QTest::newRow("end of span") << 200 << 100;
    QTest::newRow("past the end") << 208 << 100;
    QTest::newRow("left of the slider") << -20 << 0;
}

void TestParaWidgets::sliderJumpsToPointer()
{
    QFETCH(int, x);
    QFETCH(int, value);
    CustomSlider slider(Qt::Horizontal);
    slider.setRange(0, 100);
    slider.setPageStep(10);
    slider.setFixedSize(209, 24);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    slider.setValue(value == 50 ? 10 : 50);
    QSignalSpy spy(&slider, &QSlider::valueChanged);

    sendMouse(&slider, QEvent::MouseButtonPress, QPoint(x, 12), Qt::LeftButton, Qt::LeftButton);
    // The handle jumps straight there instead of moving one page.
    QCOMPARE(slider.value(), value);
    QCOMPARE(spy.count(), 1);
    sendMouse(&slider, QEvent::MouseButtonRelease, QPoint(x, 12), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(slider.value(), value);
    QVERIFY(!slider.isSliderDown());
}

void TestParaWidgets::sliderFollowsDragAndSurvivesTinyWidth()
{
    CustomSlider slider(Qt::Horizontal);
    slider.setRange(0, 1000);
    slider.setFixedSize(109, 24); // span 100
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    sendMouse(&slider, QEvent::MouseButtonPress, QPoint(10, 12), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(slider.value(), 100);
    sendMouse(&slider, QEvent::MouseMove, QPoint(60, 12), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(slider.value(), 600);
    sendMouse(&slider, QEvent::MouseButtonRelease, QPoint(60, 12), Qt::LeftButton, Qt::NoButton);
    // A move without the button does not drag.
    sendMouse(&slider, QEvent::MouseMove, QPoint(90, 12), Qt::NoButton, Qt::NoButton);
    QCOMPARE(slider.value(), 600);
    // A right press pages as usual, no jump.
    sendMouse(&slider, QEvent::MouseButtonPress, QPoint(0, 12), Qt::RightButton, Qt::RightButton);
    QVERIFY(slider.value() != 0);

    // Narrower than the handle: no division by zero, the minimum.
    CustomSlider tiny(Qt::Horizontal);
    tiny.setRange(0, 10);
    tiny.setFixedSize(8, 20);
    QCOMPARE(tiny.positionForX(5), 0);
}

void TestParaWidgets::groupQuarterSelection_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("index");
    QTest::newRow("first pixel") << 0 << 0;
    QTest::newRow("first quarter end") << 99 << 0;
    QTest::newRow("second quarter") << 100 << 1;
    QTest::newRow("third quarter") << 250 << 2;
    QTest::newRow("right quarter") << 320 << 3;
    QTest::newRow("last pixel") << 399 << 3;
}

void TestParaWidgets::groupQuarterSelection()
{
    QFETCH(int, x);
    QFETCH(int, index);
    CustomGroupButton group({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    group.setFixedSize(400, 30);
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));
    QCOMPARE(group.value(), 0); // button 0 selected at construction
    QSignalSpy spy(&group, &CustomGroupButton::valueChanged);
    sendMouse(&group, QEvent::MouseButtonPress, QPoint(x, 15), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(group.value(), index);
    QCOMPARE(spy.count(), index == 0 ? 0 : 1);
}

void TestParaWidgets::groupPressOnButtonUsesRowPosition()
{
    CustomGroupButton group({QStringLiteral("OFF"), QStringLiteral("EL34"), QStringLiteral("EL84"),
                             QStringLiteral("6L6")});
    group.setFixedSize(400, 30);
    group.show();
    QVERIFY(QTest::qWaitForWindowExposed(&group));
    // The buttons are equally wide, so the button under the pointer and the
    // row rule agree.
    for (int i = 0; i < 4; ++i)
        QVERIFY(qAbs(group.button(i)->width() - 99) <= 2);

    QPushButton *last = group.button(3);
    QSignalSpy spy(&group, &CustomGroupButton::valueChanged);
    QTest::mouseClick(last, Qt::LeftButton, Qt::NoModifier, QPoint(last->width() / 2, 10));
    QCOMPARE(group.value(), 3);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), 3);

    // A right press changes nothing.
    QPushButton *first = group.button(0);
    sendMouse(first, QEvent::MouseButtonPress, QPoint(5, 5), Qt::RightButton, Qt::RightButton);
    QCOMPARE(group.value(), 3);
}

void TestParaWidgets::groupButtonClickStyles()
{
    CustomGroupButton group({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    group.setColor(QStringLiteral("#414141"), QStringLiteral("#c0d23c"));
    const QString bg = QStringLiteral("QPushButton { border-radius: 3px;border: none; background-color: #414141;}");
    const QString val = QStringLiteral("QPushButton { border-radius: 3px;border: none; background-color: #c0d23c;}");
    QCOMPARE(group.button(0)->styleSheet(), val);
    QCOMPARE(group.button(1)->styleSheet(), bg);

    QSignalSpy spy(&group, &CustomGroupButton::valueChanged);
    group.buttonClick(2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(group.button(0)->styleSheet(), bg);
    QCOMPARE(group.button(2)->styleSheet(), val);
    QCOMPARE(group.button(2)->property("isSelected").toBool(), true);
    QCOMPARE(group.button(0)->property("isSelected").toBool(), false);

    group.buttonClick(2); // the selected one again: nothing
    group.setValue(2);
    group.setValue(3);    // out of range: ignored
    group.setValue(-1);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(group.value(), 2);

    group.setColor(QStringLiteral("#222222"), QStringLiteral("#ff0000"));
    QCOMPARE(group.button(2)->styleSheet(),
             QStringLiteral("QPushButton { border-radius: 3px;border: none; background-color: #ff0000;}"));
    QCOMPARE(group.button(1)->styleSheet(),
             QStringLiteral("QPushButton { border-radius: 3px;border: none; background-color: #222222;}"));
}

void TestParaWidgets::groupRowCoupling()
{
    GroupButtonWithSpinBox row;
    row.setOptions(QStringLiteral("Tube"), {QStringLiteral("OFF"), QStringLiteral("EL34"),
                                           QStringLiteral("EL84"), QStringLiteral("6L6"),
                                           QStringLiteral("6V6")});
    QCOMPARE(row.value(), 0);
    QCOMPARE(row.text(), QStringLiteral("OFF"));
    QCOMPARE(row.groupButton()->buttonCount(), 5);
    QSignalSpy spy(&row, &ParaWidgetBase::valueChanged);

    row.groupButton()->buttonClick(3);
    QCOMPARE(row.spinBox()->value(), 3);
    QCOMPARE(row.text(), QStringLiteral("6L6"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), 3);

    row.spinBox()->setValue(4);
    QCOMPARE(row.groupButton()->value(), 4);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), 4);

    row.setValue(1);
    QCOMPARE(row.value(), 1);
    QCOMPARE(row.text(), QStringLiteral("EL34"));
    row.setValue(9); // no such option
    QCOMPARE(row.value(), 1);
}

void TestParaWidgets::factoryPicksWidget()
{
    const ParaInfo range = rangeInfo(QStringLiteral("Rate"), 0, 100, 0.1f, 1);
    std::unique_ptr<ParaWidgetBase> a(createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), &range));
    auto *slider = qobject_cast<SliderWithSpinBox *>(a.get());
    QVERIFY(slider);
    QCOMPARE(slider->maximum(), 1000);
    QCOMPARE(slider->name(), QStringLiteral("Rate"));

    ParaInfo withLabels = rangeInfo(QStringLiteral("Hi CutFreq"), 20001, 1000, -1.0f, 0);
    withLabels.kind = ParamKind::RangeWithOptions;
    withLabels.prefixOptions = QStringList{QStringLiteral("OFF")};
    std::unique_ptr<ParaWidgetBase> b(createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), &withLabels));
    auto *labelled = qobject_cast<SliderWithSpinBox *>(b.get());
    QVERIFY(labelled);
    QCOMPARE(labelled->text(), QStringLiteral("OFF"));

    ParaInfo options;
    options.name = QStringLiteral("Loop Mode");
    options.kind = ParamKind::Options;
    options.options = QStringList{QStringLiteral("Serial"), QStringLiteral("Parallel")};
    std::unique_ptr<ParaWidgetBase> c(createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), &options));
    auto *group = qobject_cast<GroupButtonWithSpinBox *>(c.get());
    QVERIFY(group);
    QCOMPARE(group->groupButton()->buttonCount(), 2);
    QCOMPARE(group->name(), QStringLiteral("Loop Mode"));

    ParaInfo unknown = range;
    unknown.kind = static_cast<ParamKind>(7);
    QVERIFY(!createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), &unknown));
    QVERIFY(!createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), nullptr));
}

void TestParaWidgets::factoryWithCatalogue()
{
    auto &cat = EffectCatalogue::instance();
    // CAB type 1: Tube (options), Mic (ten options), then ranges.
    const ParaInfo *mic = cat.param(3, 0, 1);
    QVERIFY(mic);
    std::unique_ptr<ParaWidgetBase> w(createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), mic));
    auto *group = qobject_cast<GroupButtonWithSpinBox *>(w.get());
    QVERIFY(group);
    QCOMPARE(group->groupButton()->buttonCount(), 10);
    group->setValue(9);
    QCOMPARE(group->text(), QStringLiteral("C4000B"));

    // Every parameter of every type yields a row whose range is its step count.
    int rows = 0;
    for (int m = 0; m < cat.chainCount(); ++m) {
        for (int t = 0; t < cat.typeCount(m); ++t) {
            for (int i = 0; i < cat.paramCount(m, t); ++i) {
                const ParaInfo *p = cat.param(m, t, i);
                std::unique_ptr<ParaWidgetBase> row(createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), p));
                QVERIFY2(row, qPrintable(p->name));
                if (auto *s = qobject_cast<SliderWithSpinBox *>(row.get())) {
                    QVERIFY(cat.isValueValid(s->maximum(), m, t, i));
                    QVERIFY(!cat.isValueValid(s->maximum() + 1, m, t, i));
                }
                ++rows;
            }
        }
    }
    QVERIFY(rows > 100);
}

void TestParaWidgets::setColorRestylesSlider()
{
    SliderWithSpinBox row(QStringLiteral("#414141"), QStringLiteral("#c0d23c"));
    QString sheet = row.slider()->styleSheet();
    QVERIFY(sheet.contains(QStringLiteral("sub-page:horizontal { border-radius: 3px; background: #c0d23c;")));
    QVERIFY(sheet.contains(QStringLiteral("add-page:horizontal { border-radius: 3px; background: #414141;")));
    QVERIFY(sheet.contains(QStringLiteral(":/img/presetPara/paraSetting/sliderHandle.png")));
    QVERIFY(sheet.contains(QStringLiteral(":/img/presetPara/paraSetting/sliderHandle_hover.png")));
    QVERIFY(sheet.contains(QStringLiteral("height: 7px")));

    row.setColor(QStringLiteral("#414141"), QStringLiteral("#ff8800"));
    sheet = row.slider()->styleSheet();
    QVERIFY(sheet.contains(QStringLiteral("background: #ff8800;")));
    QCOMPARE(row.valueColor(), QStringLiteral("#ff8800"));
    QCOMPARE(row.backgroundColor(), QStringLiteral("#414141"));
}

void TestParaWidgets::setEnableMirrorsProperty()
{
    SliderWithSpinBox row;
    QCOMPARE(row.property("enable").toBool(), true);
    row.setEnable(false);
    QVERIFY(!row.isEnabled());
    QVERIFY(!row.slider()->isEnabled());
    QCOMPARE(row.property("enable").toBool(), false);
    row.setEnable(true);
    QVERIFY(row.isEnabled());
    QCOMPARE(row.property("enable").toBool(), true);

    GroupButtonWithSpinBox group;
    group.setOptions(QStringLiteral("Sync"), {QStringLiteral("OFF"), QStringLiteral("ON")});
    group.setEnable(false);
    QVERIFY(!group.groupButton()->button(0)->isEnabled());
    QCOMPARE(group.property("enable").toBool(), false);
}

void TestParaWidgets::chainButtonClickOrDrag_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<bool>("drag");
    const int d = QApplication::startDragDistance();
    QTest::newRow("no move") << 0 << 0 << false;
    QTest::newRow("just short, x") << d - 1 << 0 << false;
    QTest::newRow("just short, y") << 0 << -(d - 1) << false;
    QTest::newRow("just short, diagonal") << d / 2 << (d - 1) - d / 2 << false;
    QTest::newRow("exactly the distance") << d << 0 << true;
    QTest::newRow("diagonal reaching it") << -(d / 2) << d - d / 2 << true;
    QTest::newRow("far") << 3 * d << 2 * d << true;
}

void TestParaWidgets::chainButtonClickOrDrag()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(bool, drag);

    QWidget host;
    host.resize(400, 300);
    CustomButton b(QStringLiteral(":/img/chain/ON/FXA-on.png"), QStringLiteral(":/img/chain/OFF/FXA-off.png"), &host);
    b.setGeometry(100, 100, 80, 115);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    QSignalSpy clicked(&b, &QPushButton::clicked);
    QSignalSpy dragged(&b, &CustomButton::drag_signal);
    QSignalSpy released(&b, &CustomButton::release_signal);

    const QPoint press(40, 50);
    sendMouse(&b, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&b, QEvent::MouseMove, press + QPoint(dx, dy), Qt::NoButton, Qt::LeftButton);
    // The release point, in the button's coordinates after any move.
    const QPoint releaseAt = drag ? press : press + QPoint(dx, dy);
    sendMouse(&b, QEvent::MouseButtonRelease, releaseAt, Qt::LeftButton, Qt::NoButton);

    if (drag) {
        QCOMPARE(dragged.count(), 1);
        QCOMPARE(released.count(), 1);
        QCOMPARE(clicked.count(), 0);
        QCOMPARE(b.pos(), QPoint(100 + dx, 100 + dy));
    } else {
        QCOMPARE(dragged.count(), 0);
        QCOMPARE(released.count(), 0);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(b.pos(), QPoint(100, 100));
    }
    QVERIFY(!b.isDragging());
    QVERIFY(!b.isDown());
}

void TestParaWidgets::chainButtonDragKeepsFollowing()
{
    QWidget host;
    host.resize(600, 300);
    CustomButton b(QStringLiteral(":/img/chain/ON/DS-on.png"), QStringLiteral(":/img/chain/OFF/DS-off.png"), &host);
    b.setGeometry(100, 100, 80, 115);
    QPushButton sibling(&host);
    sibling.setGeometry(200, 100, 80, 115);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QSignalSpy dragged(&b, &CustomButton::drag_signal);

    sendMouse(&b, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&b, QEvent::MouseMove, QPoint(40, 10), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(b.pos(), QPoint(130, 100));
    // Once dragging, small moves keep following the pointer.
    sendMouse(&b, QEvent::MouseMove, QPoint(12, 11), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(b.pos(), QPoint(132, 101));
    QCOMPARE(dragged.count(), 2);
    // Raised above the sibling it passes over.
    QCOMPARE(host.children().last(), &b);
    sendMouse(&b, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    QVERIFY(!b.isDragging());
}

void TestParaWidgets::setSwitchStatusEmitsOnlyOnChange()
{
    const QString on = QStringLiteral(":/img/chain/ON/AMP-on.png");
    const QString off = QStringLiteral(":/img/chain/OFF/AMP-off.png");
    CustomButton b(on, off);
    QCOMPARE(b.iconSize(), QSize(51, 75));
    QCOMPARE(b.switchStatus(), false);
    QCOMPARE(iconImage(b.icon()), iconImage(QIcon(off)));
    QSignalSpy spy(&b, &CustomButton::switchStatusChanged);

    b.setSwitchStatus(false);
    QCOMPARE(spy.count(), 0);

    b.setSwitchStatus(true);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toBool(), true);
    QCOMPARE(iconImage(b.icon()), iconImage(QIcon(on)));
    QVERIFY(iconImage(QIcon(on)) != iconImage(QIcon(off)));

    b.setSwitchStatus(true);
    QCOMPARE(spy.count(), 0);

    b.setSwitchStatus(false);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toBool(), false);
    QCOMPARE(iconImage(b.icon()), iconImage(QIcon(off)));
    QCOMPARE(b.iconSize(), QSize(51, 75));
}

void TestParaWidgets::setSelectSetsProperty()
{
    CustomButton b(QStringLiteral(":/img/chain/ON/EQ-on.png"), QStringLiteral(":/img/chain/OFF/EQ-off.png"));
    QCOMPARE(b.property("isSelected").toBool(), false);
    QVERIFY(!b.isSelect());
    b.setSelect(true);
    QCOMPARE(b.property("isSelected").toBool(), true);
    QVERIFY(b.isSelect());
    b.setSelect(false);
    QCOMPARE(b.property("isSelected").toBool(), false);
}

void TestParaWidgets::spinBoxHasNoContextMenuAndDeselects()
{
    CustomSpinBox spin;
    spin.setDisplay(0, 100, 1.0f, 0);
    QCOMPARE(spin.contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(spin.focusPolicy(), Qt::NoFocus);
    QCOMPARE(spin.alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    spin.show();
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(2, 2));
    QApplication::sendEvent(&spin, &e);
    QContextMenuEvent e2(QContextMenuEvent::Mouse, QPoint(2, 2));
    QApplication::sendEvent(spin.findChild<QLineEdit *>(), &e2);
    QVERIFY(!QApplication::activePopupWidget()); // no menu came up

    auto *edit = spin.findChild<QLineEdit *>();
    QVERIFY(edit);
    spin.setValue(10);
    edit->selectAll();
    QVERIFY(edit->hasSelectedText());
    spin.setValue(11);
    QTRY_VERIFY(!edit->hasSelectedText()); // deselected once the queued slot runs
}

QTEST_MAIN(TestParaWidgets)
#include "tst_parawidgets.moc"
