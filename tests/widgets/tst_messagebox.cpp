// MyMessageBox: every button set and the code it returns, Escape, and the
// self-closing set 0, answered while the modal run is in progress.

#include "kt900style.h"
#include "mycombobox.h"
#include "mymessagebox.h"
#include "resources.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Runs `action` on the open box as soon as it is shown (polling, so the test
// does not depend on how long the box takes to appear).
void whenOpen(QWidget *parent, std::function<void(MyMessageBox *)> action)
{
    auto *timer = new QTimer(parent);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, parent, [timer, parent, action] {
        auto *box = parent->findChild<MyMessageBox *>(QStringLiteral("messageBoxDialog"));
        if (!box || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action(box);
    });
    timer->start();
}

QStringList buttonTexts(const MyMessageBox *box)
{
    QStringList texts;
    for (QPushButton *b : box->findChildren<QPushButton *>(QStringLiteral("messageBoxButton")))
        texts << b->text();
    return texts;
}

} // namespace

class TestMessageBox : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buttonSets_data();
    void buttonSets();
    void escapeReturnsZero_data();
    void escapeReturnsZero();
    void setZeroClosesItself();
    void unknownSetWaits();
    void layoutAndNames();
    void comboVariant();
    void comboVariantCancelled();
    void displayTextDropsIndentation();
    void refusalTextsFit_data();
    void refusalTextsFit();
};

void TestMessageBox::initTestCase()
{
    kt900InitResources();
}

void TestMessageBox::buttonSets_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("code");
    QTest::newRow("Ok") << 0x400 << QStringList{"Ok"} << 0 << 0x400;
    QTest::newRow("YES alone") << 0x4000 << QStringList{"YES"} << 0 << 0x4000;
    QTest::newRow("NO alone") << 0x10000 << QStringList{"NO"} << 0 << 0x10000;
    QTest::newRow("YES of YES/NO") << 0x14000 << QStringList{"YES", "NO"} << 0 << 0x4000;
    QTest::newRow("NO of YES/NO") << 0x14000 << QStringList{"YES", "NO"} << 1 << 0x10000;
    QTest::newRow("Save as") << 6 << QStringList{"Save as", "Replace"} << 0 << 2;
    QTest::newRow("Replace") << 6 << QStringList{"Save as", "Replace"} << 1 << 4;
}

void TestMessageBox::buttonSets()
{
    QFETCH(int, set);
    QFETCH(QStringList, texts);
    QFETCH(int, press);
    QFETCH(int, code);

    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    QStringList seen;
    bool closesItself = true;
    whenOpen(&parent, [&](MyMessageBox *box) {
        seen = buttonTexts(box);
        closesItself = box->closesItself();
        const auto buttons = box->findChildren<QPushButton *>(QStringLiteral("messageBoxButton"));
        QTest::mouseClick(buttons.value(press), Qt::LeftButton);
    });
    const int result = MyMessageBox::showMessage(QStringLiteral("Info"), QStringLiteral("Text"), &parent, set, 1000);
    QCOMPARE(result, code);
    QCOMPARE(seen, texts);
    QVERIFY(!closesItself);
    // Deleted when closed.
    QTRY_VERIFY(!parent.findChild<MyMessageBox *>());
}

void TestMessageBox::escapeReturnsZero_data()
{
    QTest::addColumn<int>("set");
    QTest::newRow("YES/NO") << 0x14000;
    QTest::newRow("Ok") << 0x400;
    QTest::newRow("Save as / Replace") << 6;
}

void TestMessageBox::escapeReturnsZero()
{
    QFETCH(int, set);
    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    whenOpen(&parent, [](MyMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(MyMessageBox::showMessage(QStringLiteral("Info"), QStringLiteral("Escape?"), &parent, set, 1000), 0);
}

void TestMessageBox::setZeroClosesItself()
{
    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    int buttons = -1;
    bool closesItself = false;
    whenOpen(&parent, [&](MyMessageBox *box) {
        buttons = box->findChildren<QPushButton *>().size();
        closesItself = box->closesItself();
    });
    QElapsedTimer clock;
    clock.start();
    const int result = MyMessageBox::showMessage(QStringLiteral("Info"), QStringLiteral("Preset saved successful !"),
                                                 &parent, 0, 1000);
    const qint64 elapsed = clock.elapsed();
    QCOMPARE(result, 0);
    QCOMPARE(buttons, 0);
    QVERIFY(closesItself);
    // It waited for its time and did not wait for anybody.
    QVERIFY2(elapsed >= 950, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
    QTRY_VERIFY(!parent.findChild<MyMessageBox *>());
}

void TestMessageBox::unknownSetWaits()
{
    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    bool stillOpen = false;
    int buttons = -1;
    whenOpen(&parent, [&](MyMessageBox *box) {
        buttons = box->findChildren<QPushButton *>().size();
        QPointer<MyMessageBox> guard(box);
        // Well past the 1000 ms a set-0 box would wait.
        QTimer::singleShot(1500, &parent, [&stillOpen, guard] {
            stillOpen = guard && guard->isVisible();
            if (guard)
                QTest::keyClick(guard.data(), Qt::Key_Escape);
        });
    });
    QCOMPARE(MyMessageBox::showMessage(QStringLiteral("Info"), QStringLiteral("?"), &parent, 0x99, 1000), 0);
    QCOMPARE(buttons, 0);
    QVERIFY(stillOpen);
}

void TestMessageBox::layoutAndNames()
{
    QWidget parent;
    MyMessageBox box(QStringLiteral("Error"), QStringLiteral("The device is disconnected."), &parent, 0x14000, 1000);
    QCOMPARE(box.objectName(), QStringLiteral("messageBoxDialog"));
    QCOMPARE(box.parent(), &parent);
    QCOMPARE(box.size(), QSize(474, 196));
    QVERIFY(box.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(box.windowModality(), Qt::WindowModal);
    QVERIFY(box.testAttribute(Qt::WA_DeleteOnClose));
    auto *title = box.findChild<QLabel *>(QStringLiteral("messageBoxTitleLabel"));
    auto *info = box.findChild<QLabel *>(QStringLiteral("messageBoxInfoLabel"));
    QVERIFY(title && info);
    QCOMPARE(title->text(), QStringLiteral("Error"));
    QCOMPARE(info->text(), QStringLiteral("The device is disconnected."));
    QCOMPARE(box.text(), QStringLiteral("The device is disconnected."));
    QVERIFY(title->alignment() & Qt::AlignHCenter);
    QVERIFY(info->alignment() & Qt::AlignHCenter);
    box.setAttribute(Qt::WA_DeleteOnClose, false);
}

void TestMessageBox::comboVariant()
{
    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    QStringList entries;
    for (int i = 1; i <= 20; ++i)
        entries << QStringLiteral("%1:EMPTY").arg(i, 2, 10, QLatin1Char('0'));
    int chosen = -5;
    int seenAtOpen = -5;
    int seenAfterChange = -5;
    int count = -1;
    bool isMyComboBox = false;
    QStringList texts;
    whenOpen(&parent, [&](MyMessageBox *box) {
        seenAtOpen = chosen;
        texts = buttonTexts(box);
        if (auto *combo = box->findChild<QComboBox *>(QStringLiteral("messageBoxComboBox"))) {
            isMyComboBox = qobject_cast<MyComboBox *>(combo) != nullptr;
            count = combo->count();
            combo->setCurrentIndex(6);
            seenAfterChange = chosen; // written as soon as it changes
        }
        QTest::mouseClick(box->findChildren<QPushButton *>(QStringLiteral("messageBoxButton")).value(0), Qt::LeftButton);
    });
    const int result = MyMessageBox::showComboBox(QStringLiteral("SAVE AS"), entries, &chosen, &parent, 0x14000, 1000);
    QCOMPARE(result, 0x4000);
    QCOMPARE(chosen, 6);
    QCOMPARE(seenAtOpen, 0);
    QCOMPARE(seenAfterChange, 6);
    QCOMPARE(count, 20);
    QVERIFY(isMyComboBox);
    QCOMPARE(texts, (QStringList{"YES", "NO"}));
}

void TestMessageBox::comboVariantCancelled()
{
    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    int chosen = -1;
    whenOpen(&parent, [&](MyMessageBox *box) {
        box->findChild<QComboBox *>()->setCurrentIndex(2);
        QTest::keyClick(box, Qt::Key_Escape);
    });
    QCOMPARE(MyMessageBox::showComboBox(QStringLiteral("SAVE AS"), {"a", "b", "c"}, &chosen, &parent, 0x14000, 1000), 0);
    QCOMPARE(chosen, 2);

    // A null index pointer is allowed.
    whenOpen(&parent, [&](MyMessageBox *box) {
        box->findChild<QComboBox *>()->setCurrentIndex(1);
        QTest::mouseClick(box->findChildren<QPushButton *>(QStringLiteral("messageBoxButton")).value(1), Qt::LeftButton);
    });
    QCOMPARE(MyMessageBox::showComboBox(QStringLiteral("SAVE AS"), {"a", "b"}, nullptr, &parent, 0x14000, 1000), 0x10000);
}

void TestMessageBox::displayTextDropsIndentation()
{
    QCOMPARE(MyMessageBox::displayText(QStringLiteral("Do you want to replace the TONE CAPTURE\r\n               file included by the preset?")),
             QStringLiteral("Do you want to replace the TONE CAPTURE\nfile included by the preset?"));
    QCOMPARE(MyMessageBox::displayText(QStringLiteral("The current preset data has been modified,\n\twould you like to save it?")),
             QStringLiteral("The current preset data has been modified,\nwould you like to save it?"));
    QCOMPARE(MyMessageBox::displayText(QStringLiteral("'My Tone.tp' already exists")),
             QStringLiteral("'My Tone.tp' already exists"));
}

QTEST_MAIN(TestMessageBox)
// The refusals the editor shows before it ends: the whole text is visible
// in the fixed-size box.
void TestMessageBox::refusalTextsFit_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("in use") << QStringLiteral("The unit is in use by another program.");
    QTest::newRow("not intact") << QStringLiteral("The unit's data did not arrive intact (preset 05B, preset 07A, the global EQ).\n"
                                                  "Please reconnect the unit.");
}

void TestMessageBox::refusalTextsFit()
{
    QFETCH(QString, text);
    qApp->setStyleSheet(Kt900Style::loadStyleSheets());
    QWidget parent;
    MyMessageBox box(QStringLiteral("Error"), text, &parent, MyMessageBox::NoButton, 2000);
    box.setAttribute(Qt::WA_DeleteOnClose, false);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    auto *info = box.findChild<QLabel *>(QStringLiteral("messageBoxInfoLabel"));
    QVERIFY(info);
    const QRect inBox(info->mapTo(&box, QPoint(0, 0)), info->size());
    QVERIFY2(box.rect().contains(inBox), "the text label reaches outside the box");
    const QSize need = info->sizeHint();
    QVERIFY2(need.height() <= info->height() + 1, qPrintable(QStringLiteral("needs %1 px, has %2").arg(need.height()).arg(info->height())));
    if (info->wordWrap() == false)
        QVERIFY2(need.width() <= info->width() + 1, qPrintable(QStringLiteral("needs %1 px, has %2").arg(need.width()).arg(info->width())));
    const QString dir = qEnvironmentVariable("KT900_SHOT_DIR");
    if (!dir.isEmpty())
        box.grab().save(QDir(dir).filePath(QStringLiteral("refusal-%1.png").arg(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'))));
}

#include "tst_messagebox.moc"
