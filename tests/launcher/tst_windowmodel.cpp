// The update window's behaviour without a window: regions, clicks, status
// messages and paint order.

#include "updatestatus.h"
#include "windowmodel.h"

#include <QtTest>

using namespace UpdateStatus;
using Op = WindowModel::PaintOp;

Q_DECLARE_METATYPE(WindowModel::Region)

class TestWindowModel : public QObject
{
    Q_OBJECT
private slots:
    void regions_data();
    void regions();
    void firstClickStartsSecondDoesNothing();
    void closeButtonOnlyWhenFinished();
    void updateButtonClosesAfterSuccess();
    void updateButtonAfterFailureDoesNothing();
    void statusMessages_data();
    void statusMessages();
    void progressMarkersChangeNothing();
    void paintBeforeStart();
    void paintWhileRunning();
    void paintAfterFinish_data();
    void paintAfterFinish();
};

void TestWindowModel::regions_data()
{
    QTest::addColumn<QPoint>("p");
    QTest::addColumn<WindowModel::Region>("region");
    QTest::newRow("update top-left") << QPoint(160, 153) << WindowModel::UpdateButton;
    QTest::newRow("update bottom-right") << QPoint(241, 179) << WindowModel::UpdateButton;
    QTest::newRow("left of update") << QPoint(159, 160) << WindowModel::None;
    QTest::newRow("right of update") << QPoint(242, 160) << WindowModel::None;
    QTest::newRow("above update") << QPoint(200, 152) << WindowModel::None;
    QTest::newRow("below update") << QPoint(200, 180) << WindowModel::None;
    QTest::newRow("close top-left") << QPoint(385, 2) << WindowModel::CloseButton;
    QTest::newRow("close bottom-right") << QPoint(396, 15) << WindowModel::CloseButton;
    QTest::newRow("right of close") << QPoint(397, 8) << WindowModel::None;
    QTest::newRow("above close") << QPoint(390, 1) << WindowModel::None;
    QTest::newRow("progress bar") << QPoint(100, 80) << WindowModel::None;
}

void TestWindowModel::regions()
{
    QFETCH(QPoint, p);
    QFETCH(WindowModel::Region, region);
    QCOMPARE(WindowModel::regionAt(p), region);
    WindowModel m;
    m.mouseMove(p);
    QCOMPARE(m.hover(), region);
}

void TestWindowModel::firstClickStartsSecondDoesNothing()
{
    WindowModel m;
    QCOMPARE(m.leftButtonDown(QPoint(10, 10)), WindowModel::Click::Nothing);
    QVERIFY(!m.started());
    QCOMPARE(m.leftButtonDown(QPoint(200, 165)), WindowModel::Click::StartUpdate);
    QVERIFY(m.started());
    QVERIFY(!m.finished());
    QCOMPARE(m.leftButtonDown(QPoint(200, 165)), WindowModel::Click::Nothing);
    m.statusMessage(Progress, 40);
    QCOMPARE(m.leftButtonDown(QPoint(161, 154)), WindowModel::Click::Nothing);
    QVERIFY(!m.mayClose());
}

void TestWindowModel::closeButtonOnlyWhenFinished()
{
    WindowModel m;
    // Before the start nothing is finished either: the close button waits.
    QCOMPARE(m.leftButtonDown(QPoint(390, 8)), WindowModel::Click::Nothing);
    QVERIFY(m.mayClose());
    m.leftButtonDown(QPoint(200, 165));
    m.statusMessage(Progress, 50);
    QCOMPARE(m.leftButtonDown(QPoint(390, 8)), WindowModel::Click::Nothing);
    QVERIFY(!m.mayClose());
    m.statusMessage(Timeout, 0);
    QCOMPARE(m.leftButtonDown(QPoint(390, 8)), WindowModel::Click::Close);
    QVERIFY(m.mayClose());
}

void TestWindowModel::updateButtonClosesAfterSuccess()
{
    WindowModel m;
    m.leftButtonDown(QPoint(200, 165));
    m.statusMessage(Progress, 100);
    m.statusMessage(Success, 0);
    QCOMPARE(m.leftButtonDown(QPoint(200, 165)), WindowModel::Click::Close);
    QCOMPARE(m.leftButtonDown(QPoint(390, 8)), WindowModel::Click::Close);
}

void TestWindowModel::updateButtonAfterFailureDoesNothing()
{
    WindowModel m;
    m.leftButtonDown(QPoint(200, 165));
    m.statusMessage(OpenFirmwareFail, 0);
    QCOMPARE(m.leftButtonDown(QPoint(200, 165)), WindowModel::Click::Nothing);
}

void TestWindowModel::statusMessages_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("outcome");
    QTest::newRow("5") << 5 << 0 << "apply for update firmware error" << 0 << int(WindowModel::Failed);
    QTest::newRow("6") << 6 << 0 << "Open Firmware fail!" << 0 << int(WindowModel::Failed);
    QTest::newRow("8") << 8 << 0 << "Send data to device fail" << 0 << int(WindowModel::Failed);
    QTest::newRow("9") << 9 << 0 << "MCU returned timeout" << 0 << int(WindowModel::Failed);
    QTest::newRow("10") << 10 << 0 << "Update Successful" << -1 << int(WindowModel::Succeeded);
    QTest::newRow("12, section 0") << 12 << 0 << "update error [ 0 ]" << 0 << int(WindowModel::Failed);
    QTest::newRow("12, section 3") << 12 << 3 << "update error [ 3 ]" << 0 << int(WindowModel::Failed);
}

void TestWindowModel::statusMessages()
{
    QFETCH(int, code);
    QFETCH(int, value);
    QFETCH(QString, text);
    QFETCH(int, bar);
    QFETCH(int, outcome);
    WindowModel m;
    m.leftButtonDown(QPoint(200, 165));
    QCOMPARE(m.statusMessage(Progress, 37), 37);
    QCOMPARE(m.statusMessage(code, value), bar);
    QCOMPARE(m.text(), text);
    QCOMPARE(int(m.outcome()), outcome);
    QVERIFY(m.finished());
    QCOMPARE(m.paintList().last().text, text);
}

void TestWindowModel::progressMarkersChangeNothing()
{
    WindowModel m;
    m.leftButtonDown(QPoint(200, 165));
    QCOMPARE(m.statusMessage(Progress, 0), 0);
    QCOMPARE(m.statusMessage(Progress, 64), 64);
    for (int v : {101, 103, 104, 105, -1, 1000}) {
        QCOMPARE(m.statusMessage(Progress, v), -1);
        QCOMPARE(m.progress(), 64);
    }
    QCOMPARE(m.statusMessage(Progress, 100), 100);
    QVERIFY(!m.finished());
    QCOMPARE(int(m.outcome()), int(WindowModel::Running));
}

void TestWindowModel::paintBeforeStart()
{
    WindowModel m;
    m.mouseMove(QPoint(390, 8)); // hovering the close button changes nothing yet
    const QVector<Op> ops = m.paintList();
    QCOMPARE(ops.size(), 2);
    QCOMPARE(ops[0].kind, Op::DrawImage);
    QCOMPARE(ops[0].image, WindowModel::Background);
    QCOMPARE(ops[0].pos, QPoint(0, 0));
    QCOMPARE(ops[1].kind, Op::DrawText);
    QCOMPARE(ops[1].text, QString("Ready To Update"));
    QCOMPARE(ops[1].pos, QPoint(200, 115));
}

void TestWindowModel::paintWhileRunning()
{
    WindowModel m;
    m.leftButtonDown(QPoint(200, 165));
    m.statusMessage(Progress, 42);
    m.mouseMove(QPoint(390, 8));
    QVector<Op> ops = m.paintList();
    QCOMPARE(ops.size(), 3);
    QCOMPARE(ops[1].image, WindowModel::ButtonImage);
    QCOMPARE(ops[1].pos, QPoint(160, 153));
    QCOMPARE(ops[2].text, QString("42 %"));

    m.statusMessage(Progress, 99);
    QCOMPARE(m.paintList()[1].image, WindowModel::ButtonImage);
    m.statusMessage(Progress, 100);
    ops = m.paintList();
    QCOMPARE(ops[1].image, WindowModel::ButtonPressedImage);
    QCOMPARE(ops[1].pos, QPoint(161, 154)); // one pixel right and down
    QCOMPARE(ops[2].text, QString("100 %"));
}

void TestWindowModel::paintAfterFinish_data()
{
    QTest::addColumn<bool>("success");
    QTest::newRow("success") << true;
    QTest::newRow("failure") << false;
}

void TestWindowModel::paintAfterFinish()
{
    QFETCH(bool, success);
    WindowModel m;
    m.leftButtonDown(QPoint(200, 165));
    m.statusMessage(Progress, success ? 100 : 30);
    m.statusMessage(success ? Success : SendFail, 0);
    m.mouseMove(QPoint(390, 8));
    QVector<Op> ops = m.paintList();
    QCOMPARE(ops.size(), 4);
    QCOMPARE(ops[0].image, WindowModel::Background);
    QCOMPARE(ops[1].image, WindowModel::CloseHighlight);
    QCOMPARE(ops[1].pos, QPoint(385, 2));
    QCOMPARE(ops[2].image, success ? WindowModel::ButtonPressedImage : WindowModel::ButtonImage);
    QCOMPARE(ops[3].text, success ? QString("Update Successful") : QString("Send data to device fail"));
    m.mouseMove(QPoint(10, 190));
    QCOMPARE(m.paintList().size(), 3);
}

QTEST_GUILESS_MAIN(TestWindowModel)
#include "tst_windowmodel.moc"
