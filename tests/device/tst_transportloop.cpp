// The receive loop on either kind of transport: 64-byte reports whose count
// byte is not part of the stream, and 512-byte bulk blocks that carry the
// stream alone. Frames arrive and are dispatched, requests leave whole, and a
// failed read ends the loop with DeviceDisconnect.

#include "commands.h"
#include "devicestore.h"
#include "fakeunit.h"
#include "frame.h"
#include "usbreceivethread.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <memory>

using namespace Kt900;

class TestTransportLoop : public QObject
{
    Q_OBJECT

private slots:
    void framesBothWays_data();
    void framesBothWays();
};

void TestTransportLoop::framesBothWays_data()
{
    QTest::addColumn<bool>("blocks");
    QTest::addColumn<int>("preset");
    QTest::newRow("reports") << false << 7;
    QTest::newRow("bulk blocks") << true << 200;
}

void TestTransportLoop::framesBothWays()
{
    QFETCH(bool, blocks);
    QFETCH(int, preset);
    FakeUnit unit;
    unit.setBlockTransport(blocks);
    auto store = std::make_unique<DeviceStore>();
    auto *recv = new usbReceiveThread(&unit, store.get());
    QThread thread;
    recv->moveToThread(&thread);
    connect(&thread, &QThread::started, recv, &usbReceiveThread::ReadThread);
    QSignalSpy codes(recv, &usbReceiveThread::SendDataToUi);
    // DeviceDisconnect comes from the worker thread: counted in this one.
    QObject here;
    QList<bool> gone;
    connect(recv, &usbReceiveThread::DeviceDisconnect, &here, [&gone](bool dis) { gone << dis; },
            Qt::QueuedConnection);
    recv->setRunning(true);
    thread.start();

    // Two frames back to back: the second must not be lost in the padding.
    const QByteArray select = Frame::build(QByteArray(1, char(Cmd::SelectPreset)) + char(preset));
    const QByteArray again = Frame::build(QByteArray(1, char(Cmd::SelectPreset)) + char(preset + 1));
    if (blocks)
        unit.queueReport((select + again).leftJustified(512, '\0'));
    else
        unit.queueStream(select + again);
    QTRY_COMPARE(codes.size(), 2);
    QCOMPARE(codes.at(0).at(0).value<Kt900::UnitChange>(), Kt900::UnitChange::PresetSelected);
    QCOMPARE(store->currentPresetIndex(), preset + 1);

    // A request leaves as one whole frame, whatever the transport cuts it into.
    QCOMPARE(recv->sendSelectPreset(3), 1);
    QCOMPARE(unit.written().size(), 1);
    QCOMPARE(unit.written().at(0), Frame::build(QByteArray(1, char(Cmd::SelectPreset)) + char(3)));

    unit.unplug();
    QTRY_COMPARE(gone.size(), 1);
    QCOMPARE(gone.at(0), true);
    thread.quit();
    QVERIFY(thread.wait(5000));
    delete recv;
}

QTEST_GUILESS_MAIN(TestTransportLoop)
#include "tst_transportloop.moc"
