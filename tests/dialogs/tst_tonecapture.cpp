// The tone capture wizard driven through its widgets: every button's value
// and page code, leaving it at each step (the unit and the chain back to
// normal), the SOURCE list, capture, monitoring, slot choice, renaming,
// deleting, values pushed from the unit (shown clamped, never sent back)
// and the blocked state.

#include "customslider.h"
#include "effectcatalogue.h"
#include "mycombobox.h"
#include "mymessagebox.h"
#include "parawidgetbase.h"
#include "popuplook.h"
#include "sliderwithspinbox.h"
#include "tonecapture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

namespace {

// "index=value" per emission, in order.
QStringList emitted(const QSignalSpy &spy)
{
    QStringList out;
    for (const QList<QVariant> &args : spy)
        out << QStringLiteral("%1=%2").arg(args.at(0).toInt()).arg(args.at(1).toString());
    return out;
}

QString status(const QPushButton *b)
{
    return b->property("status").toString();
}

// The wizard as the main window leaves it after loading: slot 5 ("05")
// holds a capture, the edit buffer uses slot 1, nothing is monitored.
void pushUnit(ToneCapture &tone)
{
    const int values[ToneCapture::kValueCount] = {0, 8, 50, 50, 50, 50, 50, 50, 0, 0, 0, 0, 1, 0, 0};
    for (int i = 0; i < ToneCapture::kValueCount; ++i)
        tone.update(i, values[i]);
    tone.ToneNameChanged(4, QStringLiteral("PLEXI"));
}

void clickOn(ToneCapture &tone, int id, int step)
{
    QPushButton *b = tone.button(id, step);
    QVERIFY2(b, qPrintable(QStringLiteral("button %1 on step %2").arg(id).arg(step)));
    QTest::mouseClick(b, Qt::LeftButton);
}

// Answers the next message box on `parent` with the button reading `text`.
void answerNextBox(QWidget *parent, const QString &text)
{
    QTimer::singleShot(50, parent, [parent, text]() {
        auto *box = parent->findChild<MyMessageBox *>(QStringLiteral("messageBoxDialog"));
        if (!box)
            return;
        for (QPushButton *b : box->findChildren<QPushButton *>(QStringLiteral("messageBoxButton"))) {
            if (b->text() == text)
                b->click();
        }
    });
}

} // namespace

class TestToneCapture : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buttons_data();
    void buttons();
    void leaving_data();
    void leaving();
    void sourceList();
    void captureButton_data();
    void captureButton();
    void runningCapture();
    void slotChoice_data();
    void slotChoice();
    void rename_data();
    void rename();
    void deleteCapture_data();
    void deleteCapture();
    void pushedValues_data();
    void pushedValues();
    void inputBlocked();
    void look();
};

void TestToneCapture::initTestCase()
{
    PopupLook::install();
    QVERIFY(EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)));
}

void TestToneCapture::buttons_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("id");
    QTest::addColumn<QStringList>("emits");
    QTest::addColumn<int>("stepAfter");

    QTest::newRow("SOURCE SYNC ON") << 0 << 1 << QStringList{"14=1"} << 0;
    QTest::newRow("SOURCE SYNC OFF") << 0 << 0 << QStringList{"14=0"} << 0;
    QTest::newRow("TONE CAP OFF") << 0 << 14 << QStringList{"12=0"} << 0;
    QTest::newRow("TONE CAP ON") << 0 << 15 << QStringList{"12=1"} << 0;
    QTest::newRow("CAPTURE >>") << 0 << 7 << QStringList{"-1=781"} << 1;
    QTest::newRow("INTERNAL CAB") << 1 << 2 << QStringList{"0=0", "-2=0"} << 1;
    QTest::newRow("EXTERNAL CAB") << 1 << 3 << QStringList{"0=1", "-2=0"} << 1;
    QTest::newRow("Next >> of STEP1") << 1 << 9 << QStringList{"-1=66317"} << 2;
    QTest::newRow("<< BACK of STEP2") << 2 << 7 << QStringList{"-1=781"} << 1;
    QTest::newRow("NEXT >> of STEP2") << 2 << 8 << QStringList{"-1=131853"} << 3;
    QTest::newRow("<< BACK of STEP3") << 3 << 9 << QStringList{"-1=66317"} << 2;
    QTest::newRow("NEXT >> of STEP3") << 3 << 10 << QStringList{"-1=197389"} << 4;
    QTest::newRow("<< BACK of STEP4") << 4 << 11 << QStringList{"-1=131853"} << 3;
    QTest::newRow("SOURCE") << 4 << 4 << QStringList{"9=1"} << 4;
    QTest::newRow("TARGET") << 4 << 5 << QStringList{"9=2"} << 4;
    QTest::newRow("DONE >>") << 4 << 12 << QStringList{"-1=12"} << 4;
}

void TestToneCapture::buttons()
{
    QFETCH(int, step);
    QFETCH(int, id);
    QFETCH(QStringList, emits);
    QFETCH(int, stepAfter);

    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.show();
    tone.setStep(step);
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    clickOn(tone, id, step);
    QCOMPARE(emitted(spy), emits);
    QCOMPARE(tone.step(), stepAfter);
    QCOMPARE(tone.isVisible(), id != ToneCapture::Done);
    // Pairs show the side chosen.
    const struct {
        int first, second;
    } pairs[] = {{1, 0}, {15, 14}, {3, 2}};
    for (const auto &p : pairs) {
        if (id == p.first || id == p.second) {
            QCOMPARE(status(tone.button(id)), QStringLiteral("selected_enable"));
            QCOMPARE(status(tone.button(id == p.first ? p.second : p.first)), QStringLiteral("unselected_enable"));
        }
    }
    if (id == ToneCapture::MonitorSource || id == ToneCapture::MonitorTarget) {
        QCOMPARE(status(tone.button(id)), QStringLiteral("monitor"));
        // A second press stops monitoring.
        clickOn(tone, id, step);
        QCOMPARE(spy.last().at(1).toInt(), 0);
        QCOMPARE(status(tone.button(id)), QStringLiteral("unmonitor"));
    }
}

void TestToneCapture::leaving_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("how");     // "close", "outside", "done"
    QTest::addColumn<bool>("cab");        // a cabinet was chosen on STEP1
    QTest::addColumn<QString>("during");  // "", "capture", "monitor"
    QTest::addColumn<QStringList>("emits");

    for (int step = 0; step < 5; ++step) {
        QTest::addRow("close on step %d", step) << step << "close" << true << "" << QStringList{"-1=-1", "-2=1"};
        QTest::addRow("outside on step %d", step) << step << "outside" << true << "" << QStringList{"-2=1"};
    }
    QTest::newRow("close without a cabinet") << 1 << "close" << false << "" << QStringList{"-1=-1"};
    QTest::newRow("close while capturing") << 4 << "close" << true << "capture" << QStringList{"-1=-1", "11=0", "-2=1"};
    QTest::newRow("DONE while capturing") << 4 << "done" << true << "capture" << QStringList{"-1=12", "11=0", "-2=1"};
    QTest::newRow("outside while monitoring") << 4 << "outside" << true << "monitor" << QStringList{"9=0", "-2=1"};
    QTest::newRow("DONE") << 4 << "done" << true << "" << QStringList{"-1=12", "-2=1"};
}

void TestToneCapture::leaving()
{
    QFETCH(int, step);
    QFETCH(QString, how);
    QFETCH(bool, cab);
    QFETCH(QString, during);
    QFETCH(QStringList, emits);

    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.show();
    tone.setStep(1);
    if (cab)
        clickOn(tone, ToneCapture::ExternalCab, 1);
    tone.setStep(step);
    if (during == QLatin1String("capture"))
        clickOn(tone, ToneCapture::Capture, 4);
    else if (during == QLatin1String("monitor"))
        clickOn(tone, ToneCapture::MonitorTarget, 4);
    QCOMPARE(tone.isBusy(), during == QLatin1String("capture"));

    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    if (how == QLatin1String("close"))
        QTest::mouseClick(tone.closeButton(), Qt::LeftButton);
    else if (how == QLatin1String("done"))
        clickOn(tone, ToneCapture::Done, 4);
    else
        tone.hide();   // the main window's outside click
    QCOMPARE(emitted(spy), emits);
    QVERIFY(!tone.isVisible());
    QVERIFY(!tone.isBusy());
    // Opening and leaving again has nothing more to restore.
    spy.clear();
    tone.show();
    tone.hide();
    QCOMPARE(spy.size(), 0);
}

void TestToneCapture::sourceList()
{
    EffectCatalogue &catalogue = EffectCatalogue::instance();
    const QString slot71 = catalogue.typeName(2, 70);
    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.show();
    tone.setStep(2);
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);

    // An amp capture imported into slot 71 joins the list the next time
    // STEP3 is shown; deleting it takes it out again.
    catalogue.setTypeName(2, 70, QStringLiteral("71:MY AMP"));
    clickOn(tone, ToneCapture::Step2Next, 2);
    QStringList names;
    for (int i = 0; i < tone.sourceCombo()->count(); ++i)
        names << tone.sourceCombo()->itemText(i);
    QCOMPARE(names, ToneCapture::sourceAmpNames());
    QCOMPARE(names.size(), 71);
    QVERIFY(names.contains(QStringLiteral("71:MY AMP")));
    for (const QString &name : names)
        QVERIFY2(!name.contains(QLatin1String(":EMPTY")), qPrintable(name));
    QCOMPARE(tone.sourceCombo()->currentText(), QStringLiteral("09:PLX100"));
    catalogue.setTypeName(2, 70, slot71);
    clickOn(tone, ToneCapture::ToStep4, 3);
    clickOn(tone, ToneCapture::Step4Back, 4);
    QCOMPARE(tone.sourceCombo()->count(), 70);
    QCOMPARE(tone.sourceCombo()->findText(QStringLiteral("71:MY AMP")), -1);
    QCOMPARE(tone.sourceCombo()->currentText(), QStringLiteral("09:PLX100"));

    // Choosing a model sends its catalogue index; the rows send raw values.
    spy.clear();
    tone.sourceCombo()->setCurrentIndex(tone.sourceCombo()->findText(QStringLiteral("20:TRI REC CL")));
    QCOMPARE(emitted(spy), QStringList{"1=19"});
    const QList<ParaWidgetBase *> rows = tone.sourceParamRows();
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows.at(0)->name(), QStringLiteral("Gain"));
    QCOMPARE(rows.at(5)->name(), QStringLiteral("Mst"));
    QCOMPARE(rows.at(5)->value(), 50);
    static_cast<SliderWithSpinBox *>(rows.at(2))->slider()->setValue(73);
    QCOMPARE(emitted(spy), (QStringList{"1=19", "4=73"}));
    // The unit choosing an empty import slot shows no model, and nothing leaves.
    spy.clear();
    tone.update(1, 75);
    QCOMPARE(tone.sourceCombo()->currentIndex(), -1);
    tone.update(1, 3);
    QCOMPARE(tone.sourceCombo()->currentText(), QStringLiteral("04:US SONIC"));
    QCOMPARE(spy.size(), 0);
}

void TestToneCapture::captureButton_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty slot: capture, then stop") << 5 << QStringList{"11=1"} << QStringList{"11=1", "11=0"} << "CAPTURE";
    QTest::newRow("filled slot: monitor on and off") << 4 << QStringList{"9=3"} << QStringList{"9=3", "9=0"} << "MONITOR";
}

void TestToneCapture::captureButton()
{
    QFETCH(int, slot);
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(QString, text);

    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.update(8, slot);
    tone.show();
    tone.setStep(4);
    QPushButton *capture = tone.button(ToneCapture::Capture);
    QCOMPARE(capture->text(), text);
    QCOMPARE(capture->property("haveFile").toBool(), tone.slotFilled(slot));
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    clickOn(tone, ToneCapture::Capture, 4);
    QCOMPARE(emitted(spy), first);
    QCOMPARE(tone.isBusy(), !tone.slotFilled(slot));
    if (tone.isBusy()) {
        QVERIFY(tone.progressLabel()->text().startsWith(QLatin1String("CAPTURING")));
        QCOMPARE(tone.progressLabel()->property("study").toString(), QStringLiteral("study"));
        // Nothing else of the slot can change meanwhile.
        QVERIFY(!tone.slotCombo()->isEnabled());
        QVERIFY(!tone.button(ToneCapture::MonitorSource)->isEnabled());
    } else {
        QCOMPARE(status(capture), QStringLiteral("monitor"));
    }
    clickOn(tone, ToneCapture::Capture, 4);
    QCOMPARE(emitted(spy), second);
    QVERIFY(!tone.isBusy());
    QVERIFY(tone.slotCombo()->isEnabled());
    QCOMPARE(status(capture), QStringLiteral("unmonitor"));
}

void TestToneCapture::runningCapture()
{
    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.update(8, 6);
    tone.show();
    tone.setStep(4);
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);

    // The unit reports the slot filled (without saying the capture stopped):
    // the capture is over.
    clickOn(tone, ToneCapture::Capture, 4);
    QVERIFY(tone.isBusy());
    const QString first = tone.progressLabel()->text();
    QTRY_VERIFY(tone.progressLabel()->text() != first);   // the label moves
    tone.ToneNameChanged(6, QStringLiteral("CAPTURE 07"));
    tone.update(10, 1);
    tone.update(11, 1);   // a stale "running" in the same report
    QVERIFY(!tone.isBusy());
    QCOMPARE(tone.button(ToneCapture::Capture)->text(), QStringLiteral("MONITOR"));
    QCOMPARE(tone.progressLabel()->text(), QStringLiteral("CAPTURE STORED"));
    QCOMPARE(tone.slotEntries().at(6), QStringLiteral("07:CAPTURE 07"));
    QCOMPARE(emitted(spy), QStringList{"11=1"});

    // The unit saying it stopped ends it too; the unit starting one (the
    // footswitch) shows it; a unit page away from STEP4 stops it.
    tone.update(11, 0);
    QVERIFY(!tone.isBusy());
    tone.update(8, 7);
    tone.update(10, 0);
    tone.update(11, 1);
    QVERIFY(tone.isBusy());
    tone.update(11, 0);
    QVERIFY(!tone.isBusy());
    tone.update(11, 1);
    QVERIFY(tone.isBusy());
    spy.clear();
    tone.setStep(3);
    QVERIFY(!tone.isBusy());
    QCOMPARE(emitted(spy), QStringList{"11=0"});

    // A first capture before the unit named a slot says which slot.
    ToneCapture fresh(&window);
    QSignalSpy freshSpy(&fresh, &ToneCapture::ValueChanged);
    fresh.setStep(4);
    clickOn(fresh, ToneCapture::Capture, 4);
    QCOMPARE(emitted(freshSpy), (QStringList{"8=0", "11=1"}));
}

void TestToneCapture::slotChoice_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("monitoring");
    QTest::addColumn<int>("to");
    QTest::addColumn<QStringList>("emits");

    QTest::newRow("empty slot while monitoring the result") << 4 << 3 << 5 << QStringList{"9=0", "10=0", "8=5"};
    QTest::newRow("empty slot while monitoring the target") << 4 << 2 << 5 << QStringList{"10=0", "8=5"};
    QTest::newRow("filled slot while monitoring the result") << 5 << 3 << 4 << QStringList{"10=1", "8=4"};
    QTest::newRow("the same slot") << 4 << 3 << 4 << QStringList{};
}

void TestToneCapture::slotChoice()
{
    QFETCH(int, from);
    QFETCH(int, monitoring);
    QFETCH(int, to);
    QFETCH(QStringList, emits);

    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.update(8, from);
    tone.update(10, tone.slotFilled(from) ? 1 : 0);
    tone.update(9, monitoring);
    tone.show();
    tone.setStep(4);
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    tone.slotCombo()->setCurrentIndex(to);
    QCOMPARE(emitted(spy), emits);
    QCOMPARE(tone.value(8), to);
    QCOMPARE(tone.button(ToneCapture::Capture)->text(), tone.slotFilled(to) ? QStringLiteral("MONITOR") : QStringLiteral("CAPTURE"));
    QCOMPARE(tone.button(ToneCapture::DeleteCapture)->isEnabled(), tone.slotFilled(to));
}

void TestToneCapture::rename_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("emits");
    QTest::addColumn<QString>("entry");

    QTest::newRow("new name") << 4 << "05:New Name" << QStringList{"-3=New Name"} << "05:New Name";
    QTest::newRow("another number keeps the slot's") << 4 << "07:Other" << QStringList{"-3=Other"} << "05:Other";
    QTest::newRow("no number and colon") << 4 << "New Name" << QStringList{} << "05:PLEXI";
    QTest::newRow("first digit above 2") << 4 << "35:Bad" << QStringList{} << "05:PLEXI";
    QTest::newRow("signs are dropped") << 4 << "05:Bad!?" << QStringList{"-3=Bad"} << "05:Bad";
    QTest::newRow("at most 16 characters") << 4 << "05:ABCDEFGHIJKLMNOPQR" << QStringList{"-3=ABCDEFGHIJKLMNOP"} << "05:ABCDEFGHIJKLMNOP";
    QTest::newRow("only blanks") << 4 << "05:   " << QStringList{} << "05:PLEXI";
    QTest::newRow("empty slot has no name") << 5 << "06:Name" << QStringList{} << "06:EMPTY";
}

void TestToneCapture::rename()
{
    QFETCH(int, slot);
    QFETCH(QString, typed);
    QFETCH(QStringList, emits);
    QFETCH(QString, entry);

    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.update(8, slot);
    tone.show();
    tone.setStep(4);
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    QLineEdit *edit = tone.slotCombo()->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Return);
    edit->clearFocus();
    QCOMPARE(emitted(spy), emits);
    QCOMPARE(tone.slotEntries().at(slot), entry);
    QCOMPARE(tone.slotCombo()->itemText(slot), entry);
    QCOMPARE(tone.slotList()->item(slot)->text(), entry);
    QCOMPARE(tone.slotCombo()->count(), ToneCapture::kSlotCount);
    QCOMPARE(edit->text(), entry);
}

void TestToneCapture::deleteCapture_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("monitoring");
    QTest::addColumn<QStringList>("emits");

    QTest::newRow("YES") << "YES" << 0 << QStringList{"10=0"};
    QTest::newRow("YES while monitoring it") << "YES" << 3 << QStringList{"9=0", "10=0"};
    QTest::newRow("NO") << "NO" << 3 << QStringList{};
}

void TestToneCapture::deleteCapture()
{
    QFETCH(QString, answer);
    QFETCH(int, monitoring);
    QFETCH(QStringList, emits);

    QWidget window;
    window.resize(1130, 700);
    window.show();
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.update(8, 4);
    tone.update(10, 1);
    tone.update(9, monitoring);
    tone.show();
    tone.setStep(4);
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    answerNextBox(&tone, answer);
    clickOn(tone, ToneCapture::DeleteCapture, 4);
    QCOMPARE(emitted(spy), emits);
    const bool deleted = answer == QLatin1String("YES");
    QCOMPARE(tone.slotFilled(4), !deleted);
    QCOMPARE(tone.slotEntries().at(4), deleted ? QStringLiteral("05:EMPTY") : QStringLiteral("05:PLEXI"));
    QCOMPARE(tone.button(ToneCapture::Capture)->text(), deleted ? QStringLiteral("CAPTURE") : QStringLiteral("MONITOR"));
    QCOMPARE(tone.button(ToneCapture::DeleteCapture)->isEnabled(), !deleted);
}

void TestToneCapture::pushedValues_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shown");

    QTest::newRow("slot past 20") << 8 << 40 << 19;
    QTest::newRow("negative slot") << 8 << -2 << 0;
    QTest::newRow("monitoring past 3") << 9 << 7 << 0;
    QTest::newRow("preset slot past 20") << 13 << 25 << 19;
    QTest::newRow("cabinet 5") << 0 << 5 << 1;
    QTest::newRow("SOURCE SYNC 2") << 14 << 2 << 1;
    QTest::newRow("block on 0") << 12 << 0 << 0;
    QTest::newRow("parameter past its range") << 3 << 500 << 100;
    QTest::newRow("parameter in range") << 7 << 12 << 12;
    QTest::newRow("monitoring the result") << 9 << 3 << 3;
}

void TestToneCapture::pushedValues()
{
    QFETCH(int, index);
    QFETCH(int, value);
    QFETCH(int, shown);

    QWidget window;
    ToneCapture tone(&window);
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    pushUnit(tone);
    tone.show();
    tone.setStep(4);
    tone.update(index, value);
    QCOMPARE(tone.value(index), shown);
    QCOMPARE(spy.size(), 0);
    switch (index) {
    case 8:
        QCOMPARE(tone.slotCombo()->currentIndex(), shown);
        break;
    case 13:
        QCOMPARE(tone.slotList()->currentRow(), shown);
        break;
    case 9:
        QCOMPARE(status(tone.button(ToneCapture::MonitorSource)), QStringLiteral("unmonitor"));
        QCOMPARE(status(tone.button(ToneCapture::MonitorTarget)), QStringLiteral("unmonitor"));
        break;
    case 0:
        QCOMPARE(status(tone.button(ToneCapture::ExternalCab)), QStringLiteral("selected_enable"));
        break;
    case 14:
        QCOMPARE(status(tone.button(ToneCapture::SyncOn)), QStringLiteral("selected_enable"));
        break;
    case 12:
        QCOMPARE(status(tone.button(ToneCapture::BlockOff)), QStringLiteral("selected_enable"));
        break;
    default:
        QCOMPARE(tone.sourceParamRows().at(index - 2)->value(), shown);
        break;
    }
}

void TestToneCapture::inputBlocked()
{
    QWidget window;
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.show();
    QSignalSpy spy(&tone, &ToneCapture::ValueChanged);
    tone.setInputBlocked(true);
    QVERIFY(tone.inputBlocked());
    clickOn(tone, ToneCapture::SyncOn, 0);
    clickOn(tone, ToneCapture::ToStep1, 0);
    QTest::mouseClick(tone.closeButton(), Qt::LeftButton);
    QCOMPARE(spy.size(), 0);
    QCOMPARE(tone.step(), 0);
    // The unit's pages and values still arrive.
    tone.setStep(4);
    tone.update(8, 4);
    QCOMPARE(tone.button(ToneCapture::Capture)->text(), QStringLiteral("MONITOR"));
    tone.setInputBlocked(false);
    clickOn(tone, ToneCapture::Capture, 4);
    QCOMPARE(emitted(spy), QStringList{"9=3"});
    // Controls the slot disables stay disabled after unblocking.
    tone.update(8, 5);
    tone.setInputBlocked(true);
    tone.setInputBlocked(false);
    QVERIFY(!tone.button(ToneCapture::DeleteCapture)->isEnabled());
}

// Every step as the user sees it over the main window: nothing cut off,
// the pictures drawn.
void TestToneCapture::look()
{
    QWidget window;
    window.resize(1130, 700);
    ToneCapture tone(&window);
    pushUnit(tone);
    tone.ToneNameChanged(0, QStringLiteral("CLEAN TWIN"));
    tone.ToneNameChanged(13, QStringLiteral("ABCDEFGHIJKLMNOP"));
    tone.update(13, 4);
    tone.show();
    QVERIFY(!tone.stepImage(1)->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(!tone.stepImage(2)->pixmap(Qt::ReturnByValue).isNull());
    const char *const names[5] = {"tone-start", "tone-step1", "tone-step2", "tone-step3", "tone-step4"};
    for (int step = 0; step < 5; ++step) {
        tone.setStep(step);
        QWidget *page = tone.steps()->currentWidget();
        const QStringList cut = PopupLook::clipped(&tone, page);
        QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(cut.join(QStringLiteral("; ")))));
        QVERIFY(PopupLook::shoot(&tone, QLatin1String(names[step])));
    }
    // The start page shows all 20 slots without scrolling.
    QListWidget *list = tone.slotList();
    for (int i = 0; i < list->count(); ++i)
        QVERIFY2(list->viewport()->rect().contains(list->visualItemRect(list->item(i))), qPrintable(list->item(i)->text()));
    tone.update(8, 4);
    tone.update(9, 3);
    QVERIFY(PopupLook::shoot(&tone, QStringLiteral("tone-step4-monitor")));
    tone.update(8, 6);
    tone.update(11, 1);
    QVERIFY(PopupLook::shoot(&tone, QStringLiteral("tone-step4-capturing")));
    tone.update(11, 0);
}

QTEST_MAIN(TestToneCapture)
#include "tst_tonecapture.moc"
