// The expression pedal pop-up driven through its widgets: assignments per
// pedal, the assignment text with and without merge flags, the volume
// pedal's on/off and Min/Max rules, values pushed from the unit (shown,
// clamped, never sent back) and the blocked state.

#include "animationstackedwidget.h"
#include "customslider.h"
#include "exp.h"
#include "expwidget.h"
#include "popuplook.h"
#include "sliderwithspinbox.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using Emits = QList<QPair<int, int>>;
Q_DECLARE_METATYPE(Emits)

namespace {

Emits emitted(const QSignalSpy &spy)
{
    Emits out;
    for (const QList<QVariant> &args : spy)
        out << qMakePair(args.at(0).toInt(), args.at(1).toInt());
    return out;
}

QStringList lines(const Exp &exp)
{
    return exp.controlText().split(QLatin1Char('\n'));
}

// Moves a volume slider the way a drag does: through the slider itself.
void drag(SliderWithSpinBox *slider, int v)
{
    slider->slider()->setValue(v);
}

} // namespace

class TestExp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PopupLook::install(); }
    void pedalLists();
    void assignment_data();
    void assignment();
    void mergeFlagsFreezeText_data();
    void mergeFlagsFreezeText();
    void minMax_data();
    void minMax();
    void offGreysSliders();
    void pushedValues_data();
    void pushedValues();
    void inputBlocked();
    void look();
};

void TestExp::pedalLists()
{
    const QStringList modules = Exp::pedalModules();
    const QList<QStringList> params = Exp::pedalParams();
    QCOMPARE(modules.size(), 10);
    QCOMPARE(params.size(), 10);
    const int counts[10] = {20, 3, 6, 3, 4, 15, 18, 6, 5, 3};
    for (int i = 0; i < 10; ++i)
        QCOMPARE(params.at(i).size(), counts[i]);
    QCOMPARE(modules.at(9), QStringLiteral("FX LOOP"));
    QCOMPARE(params.at(0).first(), QStringLiteral("*POSITION*"));
    QCOMPARE(params.at(5).at(9), QStringLiteral("1.6KHZ"));
    QCOMPARE(params.at(6).last(), QStringLiteral("ATTACK"));
    Exp exp;
    // Nothing chosen yet: both pedals read FX A's first parameter, and the
    // parameter grids are empty.
    QCOMPARE(exp.controlText(), QStringLiteral("EXP1:FX A - *POSITION*\nEXP2:FX A - *POSITION*"));
    QVERIFY(exp.pedal(0)->paramButtons().isEmpty());
    QCOMPARE(exp.pedal(0)->moduleButtons().size(), 10);
    QCOMPARE(exp.minimum(), 0);
    QCOMPARE(exp.maximum(), 100);
}

void TestExp::assignment_data()
{
    QTest::addColumn<int>("pedal");
    QTest::addColumn<int>("module");
    QTest::addColumn<int>("param");
    QTest::addColumn<Emits>("emits");
    QTest::addColumn<QString>("line");

    QTest::newRow("EXP2 DELAY then TIME B") << 1 << 7 << 5 << Emits{{8, 7}, {9, 5}} << "EXP2:DELAY - TIME B";
    QTest::newRow("EXP1 FX LOOP then DRY/WET") << 0 << 9 << 2 << Emits{{6, 9}, {7, 2}} << "EXP1:FX LOOP - DRY/WET";
    QTest::newRow("EXP1 AMP, first parameter") << 0 << 2 << 0 << Emits{{6, 2}} << "EXP1:AMP - GAIN";
    QTest::newRow("EXP2 EQ last band") << 1 << 5 << 14 << Emits{{8, 5}, {9, 14}} << "EXP2:EQ - LEVEL";
    QTest::newRow("EXP1 FX A, the module already pushed") << 0 << 0 << 19 << Emits{{7, 19}} << "EXP1:FX A - RELEASE";
}

void TestExp::assignment()
{
    QFETCH(int, pedal);
    QFETCH(int, module);
    QFETCH(int, param);
    QFETCH(Emits, emits);
    QFETCH(QString, line);

    Exp exp;
    exp.setExpValue(6, 0);
    exp.setExpValue(8, 0);
    exp.show();
    QTest::mouseClick(exp.typeButtons().at(pedal), Qt::LeftButton);
    QTRY_COMPARE(exp.stack()->currentIndex(), pedal);
    QSignalSpy values(&exp, &Exp::valueChanged);
    QSignalSpy texts(&exp, &Exp::controlStrChanged);
    ExpWidget *w = exp.pedal(pedal);
    QTest::mouseClick(w->moduleButtons().at(module), Qt::LeftButton);
    QCOMPARE(w->paramButtons().size(), Exp::pedalParams().at(module).size());
    QCOMPARE(w->paramButtons().first()->property("isSelected").toBool(), true);
    QTest::mouseClick(w->paramButtons().at(param), Qt::LeftButton);

    QCOMPARE(emitted(values), emits);
    QVERIFY(!texts.isEmpty());
    const QStringList last = texts.last().first().toString().split(QLatin1Char('\n'));
    QCOMPARE(last.at(pedal), line);
    QCOMPARE(last.at(1 - pedal), QStringLiteral("EXP%1:FX A - *POSITION*").arg(2 - pedal));
    for (int i = 0; i < w->moduleButtons().size(); ++i)
        QCOMPARE(w->moduleButtons().at(i)->property("isSelected").toBool(), i == module);
    for (int j = 0; j < w->paramButtons().size(); ++j)
        QCOMPARE(w->paramButtons().at(j)->property("isSelected").toBool(), j == param);
    // Choosing what is chosen says nothing.
    values.clear();
    QTest::mouseClick(w->moduleButtons().at(module), Qt::LeftButton);
    QTest::mouseClick(w->paramButtons().at(param), Qt::LeftButton);
    QCOMPARE(values.size(), 0);
}

void TestExp::mergeFlagsFreezeText_data()
{
    QTest::addColumn<int>("pedal");
    QTest::newRow("EXP1 merged") << 0;
    QTest::newRow("EXP2 merged") << 1;
}

void TestExp::mergeFlagsFreezeText()
{
    QFETCH(int, pedal);
    const int flag = 2 + pedal;
    const QString merge = QStringLiteral("EXP%1:MERGE").arg(pedal + 1);
    Exp exp;
    exp.setExpValue(6, 7);
    exp.setExpValue(8, 2);
    QSignalSpy texts(&exp, &Exp::controlStrChanged);
    exp.setExpValue(flag, 1);
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts.last().first().toString().split(QLatin1Char('\n')).at(pedal), merge);
    QCOMPARE(lines(exp).at(1 - pedal), pedal == 0 ? QStringLiteral("EXP2:AMP - GAIN") : QStringLiteral("EXP1:DELAY - LEVEL"));

    // Edits on the merged pedal still leave, but the text stays.
    QSignalSpy values(&exp, &Exp::valueChanged);
    ExpWidget *w = exp.pedal(pedal);
    QTest::mouseClick(w->moduleButtons().at(3), Qt::LeftButton);
    QCOMPARE(values.size(), 1);
    QCOMPARE(texts.size(), 1);
    QCOMPARE(lines(exp).at(pedal), merge);
    // The other pedal's edits keep the merge line.
    QTest::mouseClick(exp.pedal(1 - pedal)->moduleButtons().at(8), Qt::LeftButton);
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts.last().first().toString().split(QLatin1Char('\n')).at(pedal), merge);
    // Clearing the flag brings the pedal's own line back.
    exp.setExpValue(flag, 0);
    QCOMPARE(texts.last().first().toString().split(QLatin1Char('\n')).at(pedal),
             QStringLiteral("EXP%1:CAB - CENTER").arg(pedal + 1));
}

void TestExp::minMax_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<bool>("dragMin");
    QTest::addColumn<int>("to");
    QTest::addColumn<Emits>("emits");
    QTest::addColumn<int>("shown");

    QTest::newRow("Min past Max at the Max") << 40 << 40 << true << 41 << Emits{} << 40;
    QTest::newRow("Min jumps past Max") << 10 << 40 << true << 80 << Emits{{10, 40}} << 40;
    QTest::newRow("Min within") << 10 << 40 << true << 25 << Emits{{10, 25}} << 25;
    QTest::newRow("Min up to Max") << 10 << 40 << true << 40 << Emits{{10, 40}} << 40;
    QTest::newRow("Max below Min at the Min") << 60 << 60 << false << 59 << Emits{} << 60;
    QTest::newRow("Max jumps below Min") << 60 << 90 << false << 5 << Emits{{11, 60}} << 60;
    QTest::newRow("Max within") << 60 << 90 << false << 100 << Emits{{11, 100}} << 100;
    QTest::newRow("Min before any push") << -1 << -1 << true << 30 << Emits{{10, 30}} << 30;
    QTest::newRow("Max before any push") << -1 << -1 << false << 0 << Emits{{11, 0}} << 0;
}

void TestExp::minMax()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(bool, dragMin);
    QFETCH(int, to);
    QFETCH(Emits, emits);
    QFETCH(int, shown);

    Exp exp;
    if (min >= 0) {
        exp.setExpValue(10, min);
        exp.setExpValue(11, max);
    }
    QSignalSpy values(&exp, &Exp::valueChanged);
    SliderWithSpinBox *slider = dragMin ? exp.minSlider() : exp.maxSlider();
    drag(slider, to);
    QCOMPARE(emitted(values), emits);
    QCOMPARE(slider->value(), shown);
    QCOMPARE(slider->text(), QString::number(shown));
    QVERIFY(exp.minimum() <= exp.maximum());
    QCOMPARE(dragMin ? exp.minimum() : exp.maximum(), shown);
}

void TestExp::offGreysSliders()
{
    Exp exp;
    exp.show();
    exp.showPage(2);
    QSignalSpy values(&exp, &Exp::valueChanged);
    QVERIFY(exp.volumeEnabled());
    QVERIFY(exp.minSlider()->isEnabled());
    QTest::mouseClick(exp.offButton(), Qt::LeftButton);
    QCOMPARE(emitted(values), (Emits{{5, 0}}));
    QCOMPARE(exp.offButton()->property("isSelected").toBool(), true);
    QCOMPARE(exp.expButton()->property("isSelected").toBool(), false);
    for (SliderWithSpinBox *s : {exp.minSlider(), exp.maxSlider()}) {
        QVERIFY(!s->isEnabled());
        QCOMPARE(s->property("enable").toBool(), false);
    }
    // The unit's values still move the greyed sliders.
    exp.setExpValue(10, 12);
    exp.setExpValue(11, 77);
    QCOMPARE(exp.minSlider()->value(), 12);
    QCOMPARE(exp.maxSlider()->value(), 77);
    QTest::mouseClick(exp.expButton(), Qt::LeftButton);
    QCOMPARE(emitted(values), (Emits{{5, 0}, {5, 1}}));
    QVERIFY(exp.minSlider()->isEnabled() && exp.maxSlider()->isEnabled());
    // The unit switching the pedal off is shown, not sent back.
    exp.setExpValue(5, 0);
    QVERIFY(!exp.volumeEnabled());
    QVERIFY(!exp.maxSlider()->isEnabled());
    QCOMPARE(values.size(), 2);
}

void TestExp::pushedValues_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");     // the assignment text after the push
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");

    QTest::newRow("min past 100") << 10 << 150 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - DECAY" << 100 << 90;
    QTest::newRow("max past 100") << 11 << 255 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - DECAY" << 10 << 100;
    QTest::newRow("negative min") << 10 << -4 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - DECAY" << 0 << 90;
    QTest::newRow("module EXP1") << 6 << 7 << "EXP1:DELAY - LEVEL\nEXP2:REVERB - DECAY" << 10 << 90;
    QTest::newRow("module out of range keeps REVERB") << 8 << 10 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - DECAY" << 10 << 90;
    QTest::newRow("parameter out of range") << 9 << 5 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - DECAY" << 10 << 90;
    QTest::newRow("parameter EXP2") << 9 << 4 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - LENGTH" << 10 << 90;
    QTest::newRow("merge EXP2") << 3 << 1 << "EXP1:FX A - *POSITION*\nEXP2:MERGE" << 10 << 90;
    QTest::newRow("carried field") << 12 << 9 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - DECAY" << 10 << 90;
    QTest::newRow("field past the end") << 13 << 9 << "EXP1:FX A - *POSITION*\nEXP2:REVERB - DECAY" << 10 << 90;
}

void TestExp::pushedValues()
{
    QFETCH(int, index);
    QFETCH(int, value);
    QFETCH(QString, text);
    QFETCH(int, min);
    QFETCH(int, max);

    Exp exp;
    QSignalSpy values(&exp, &Exp::valueChanged);
    // The unit's state as the main window pushes it after loading.
    const int unit[13] = {0, 0, 0, 0, 0, 1, 0, 0, 8, 2, 10, 90, 0};
    for (int i = 0; i < 13; ++i)
        exp.setExpValue(i, unit[i]);
    exp.setExpValue(index, value);
    QCOMPARE(values.size(), 0);
    QCOMPARE(exp.controlText(), text);
    QCOMPARE(exp.minSlider()->value(), min);
    QCOMPARE(exp.maxSlider()->value(), max);
    QCOMPARE(exp.minimum(), min);
    QCOMPARE(exp.maximum(), max);
    QCOMPARE(exp.expValue(index), index < 13 ? value : -1);
}

void TestExp::inputBlocked()
{
    Exp exp;
    exp.setExpValue(6, 1);
    exp.show();
    QSignalSpy values(&exp, &Exp::valueChanged);
    exp.setInputBlocked(true);
    QVERIFY(exp.inputBlocked());
    QTest::mouseClick(exp.pedal(0)->moduleButtons().at(4), Qt::LeftButton);
    QTest::mouseClick(exp.typeButtons().at(2), Qt::LeftButton);
    QCOMPARE(values.size(), 0);
    // The unit's values still arrive while blocked.
    exp.setExpValue(10, 33);
    QCOMPARE(exp.minSlider()->value(), 33);
    exp.setInputBlocked(false);
    QTest::mouseClick(exp.pedal(0)->moduleButtons().at(4), Qt::LeftButton);
    QCOMPARE(emitted(values), (Emits{{6, 4}}));
    // The volume sliders stay greyed while the pedal is off, after unblocking too.
    exp.setExpValue(5, 0);
    exp.setInputBlocked(true);
    exp.setInputBlocked(false);
    QVERIFY(!exp.minSlider()->isEnabled());
}

// Every page as the user sees it over the main window: nothing cut off.
void TestExp::look()
{
    QWidget window;
    window.resize(1130, 700);
    Exp exp(&window);
    const int unit[13] = {0, 0, 0, 0, 0, 1, 0, 18, 7, 5, 20, 85, 0};
    for (int i = 0; i < 13; ++i)
        exp.setExpValue(i, unit[i]);
    exp.show();
    const char *const names[3] = {"exp-exp1", "exp-exp2", "exp-expvol"};
    for (int page = 0; page < 3; ++page) {
        exp.showPage(page);
        QTRY_COMPARE(exp.stack()->currentIndex(), page);
        QWidget *shown = exp.stack()->currentWidget();
        const QStringList cut = PopupLook::clipped(&exp, shown);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
        QVERIFY(PopupLook::shoot(&exp, QLatin1String(names[page])));
    }
    // The largest grid (FX A, four rows) fits its area.
    exp.showPage(0);
    QTRY_COMPARE(exp.stack()->currentIndex(), 0);
    const QList<QPushButton *> params = exp.pedal(0)->paramButtons();
    QCOMPARE(params.size(), 20);
    QWidget *area = params.first()->parentWidget();
    for (QPushButton *b : params)
        QVERIFY(area->rect().contains(b->geometry()));
    exp.setExpValue(5, 0);
    exp.showPage(2);
    QTRY_COMPARE(exp.stack()->currentIndex(), 2);
    QVERIFY(PopupLook::shoot(&exp, QStringLiteral("exp-expvol-off")));
}

QTEST_MAIN(TestExp)
#include "tst_exp.moc"
