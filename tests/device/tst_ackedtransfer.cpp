// The acknowledgement-driven transfer against an in-process unit that answers
// each write by script: acknowledgements that come at once, late, twice, for
// the wrong chunk or slot, or never; write errors and disconnections. Then the
// same machine behind the receive object, with the fake unit duplicating and
// delaying its acknowledgements, and a wait woken by the frames themselves.

#include "ackedtransfer.h"
#include "devicestore.h"
#include "fakeunit.h"
#include "receiverig.h"
#include "usbreceivethread.h"

#include <QEventLoop>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Kt900;

namespace {

constexpr int kTimeoutMs = 150;   // short acknowledgement time-out of the scripted runs
constexpr int kLateMs = 200;      // later than the time-out: comes after the resend

struct Outcome
{
    bool ok = false;
    int writes = 0;
    int resends = 0;
    int current = 0;
};

// Each write i is answered by script[i] (the last entry repeats):
//   a  Ack at once          aa  Ack twice          d  no Ack
//   l  Ack after kLateMs    c   Ack for chunk + 1  s  Ack for slot + 1
//   e  the write fails      x   the unit disconnects
Outcome runScript(const QStringList &script, int items, bool nameAcked = false)
{
    QObject context;
    Outcome out;
    AckedTransfer *transfer = nullptr;
    std::vector<AckedTransfer::Item> list;
    for (int i = 0; i < items; ++i) {
        AckedTransfer::Item item;
        item.payload = QByteArray(1, char(i));
        item.subKind = 4;
        item.slot = 2;
        item.chunk = i;
        item.preAcked = i == 0 && nameAcked;
        list.push_back(item);
    }
    auto ack = [&](int delayMs, int slot, int chunk) {
        QTimer::singleShot(delayMs, &context, [&transfer, slot, chunk] { transfer->onAck(4, slot, chunk); });
    };
    AckedTransfer machine(
        [&](const QByteArray &payload) {
            const QString step = script.value(out.writes, script.last());
            ++out.writes;
            const int chunk = payload.at(0);
            if (step == QLatin1String("e"))
                return -1;
            if (step == QLatin1String("a") || step == QLatin1String("aa"))
                ack(0, 2, chunk);
            if (step == QLatin1String("aa"))
                ack(0, 2, chunk);
            if (step == QLatin1String("l"))
                ack(kLateMs, 2, chunk);
            if (step == QLatin1String("c"))
                ack(0, 2, chunk + 1);
            if (step == QLatin1String("s"))
                ack(0, 3, chunk);
            if (step == QLatin1String("x"))
                QTimer::singleShot(0, &context, [&transfer] { transfer->onDisconnect(); });
            return 1;
        },
        kTimeoutMs, 2);
    transfer = &machine;
    QEventLoop loop;
    QObject::connect(&machine, &AckedTransfer::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // a hang fails below
    machine.start(std::move(list));
    if (!machine.isFinished())
        loop.exec();
    out.ok = machine.state() == AckedTransfer::State::Done;
    out.resends = machine.resends();
    out.current = machine.current();
    [&] { QVERIFY2(machine.isFinished(), "the transfer neither finished nor failed"); }();
    return out;
}

} // namespace

class TestAckedTransfer : public QObject
{
    Q_OBJECT

private slots:
    void scripted_data();
    void scripted();
    void emptyListFinishes();
    void uploadWithDuplicatedAcks();
    void waitWokenByFrames();
    void objectDeletedDuringWait();
};

void TestAckedTransfer::scripted_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("items");
    QTest::addColumn<bool>("nameAcked");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("writes");
    QTest::addColumn<int>("resends");
    QTest::addColumn<int>("current");   // the item in flight at the end

    QTest::newRow("prompt") << QStringList{"a"} << 5 << false << true << 5 << 0 << 5;
    // A duplicate of item i's Ack must not complete item i + 1.
    QTest::newRow("duplicated") << QStringList{"aa"} << 5 << false << true << 5 << 0 << 5;
    QTest::newRow("one lost, resent") << QStringList{"a", "d", "a"} << 3 << false << true << 4 << 1 << 3;
    // The first send's Ack comes after the resend: it completes the item; the
    // resend's Ack then arrives for an item already done and is ignored.
    QTest::newRow("late, then resent") << QStringList{"l", "a"} << 3 << false << true << 4 << 1 << 3;
    QTest::newRow("second miss fails") << QStringList{"a", "a", "d"} << 4 << false << false << 4 << 1 << 2;
    QTest::newRow("never acknowledged") << QStringList{"d"} << 3 << false << false << 2 << 1 << 0;
    QTest::newRow("another chunk's ack") << QStringList{"c"} << 3 << false << false << 2 << 1 << 0;
    QTest::newRow("another slot's ack") << QStringList{"s"} << 3 << false << false << 2 << 1 << 0;
    QTest::newRow("write error") << QStringList{"a", "e"} << 3 << false << false << 2 << 0 << 1;
    QTest::newRow("write error on resend") << QStringList{"d", "e"} << 3 << false << false << 2 << 1 << 0;
    QTest::newRow("disconnect") << QStringList{"a", "x"} << 3 << false << false << 2 << 0 << 1;
    // A name chunk the unit has acknowledged already is not waited for.
    QTest::newRow("name acked") << QStringList{"d", "a"} << 3 << true << true << 3 << 0 << 3;
}

void TestAckedTransfer::scripted()
{
    QFETCH(QStringList, script);
    QFETCH(int, items);
    QFETCH(bool, nameAcked);
    const Outcome out = runScript(script, items, nameAcked);
    QTEST(out.ok, "ok");
    QTEST(out.writes, "writes");
    QTEST(out.resends, "resends");
    QTEST(out.current, "current");
}

void TestAckedTransfer::emptyListFinishes()
{
    int writes = 0;
    AckedTransfer machine([&](const QByteArray &) { return ++writes; }, kTimeoutMs, 2);
    QSignalSpy done(&machine, &AckedTransfer::finished);
    machine.start({});
    QCOMPARE(done.size(), 1);
    QCOMPARE(done[0].at(0).toBool(), true);
    QCOMPARE(writes, 0);
}

namespace {

// The rig, running from the start.
struct Link : ReceiveRig {
    Link() { start(); }
};

QByteArray payloadOf(const QByteArray &frame) { return frame.mid(4, frame.size() - 6); }

} // namespace

// Every chunk is acknowledged twice, the second copy late: each chunk still
// goes out exactly once and the upload completes.
void TestAckedTransfer::uploadWithDuplicatedAcks()
{
    Link link;
    link.recv->setAckTimeout(2000);
    link.unit.responder = [&link](const QByteArray &frame) {
        const QByteArray p = payloadOf(frame);
        if (p.size() < 7 || quint8(p[0]) != 0x1C)
            return;
        const QByteArray ack = QByteArray::fromHex("EA1C") + p.mid(1, 2) + p.mid(6, 1);
        link.unit.queueFrame(ack);
        link.unit.queueFrame(ack, 20);
    };
    QByteArray data(1584, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 7);
    QVERIFY(link.recv->uploadNr(4, QStringLiteral("Dup"), data));
    QCOMPARE(link.unit.written().size(), 5);
    QCOMPARE(link.recv->resends(), 0);
    QCOMPARE(link.store->slotName(ListNr, 4), QStringLiteral("Dup"));
    link.stop();
}

// A wait ends with the frame that makes its condition true, and on a
// disconnection with false, without waiting for its time-out to pass.
void TestAckedTransfer::waitWokenByFrames()
{
    Link link;
    link.unit.queueFrame(QByteArray::fromHex("2207"), 30);
    QVERIFY(link.recv->waitUntil([&] { return link.store->currentPresetIndex() == 7; }, 20000));
    int checks = 0;
    link.unit.queueFrame(QByteArray::fromHex("2208"), 10);
    link.unit.queueFrame(QByteArray::fromHex("2209"), 20);
    QVERIFY(link.recv->waitUntil([&] { ++checks; return link.store->currentPresetIndex() == 9; }, 20000));
    QCOMPARE(checks, 3); // at the start, then once per frame
    link.unit.unplug();
    QVERIFY(!link.recv->waitUntil([] { return false; }, 20000));
    QVERIFY(link.recv->isDisconnected());
    link.stop();
}

// The receive object deleted by a receiver while a wait runs: the wait
// answers false and nothing is touched afterwards.
void TestAckedTransfer::objectDeletedDuringWait()
{
    Link link;
    QObject context;
    QPointer<usbReceiveThread> guard(link.recv);
    QObject::connect(link.recv, &usbReceiveThread::SendDataToUi, &context, [&](UnitChange, int) {
        link.stop();
    });
    link.unit.queueFrame(QByteArray::fromHex("2203"), 20);
    QVERIFY(!guard->waitUntil([] { return false; }, 20000));
    QVERIFY(!guard);
}

QTEST_GUILESS_MAIN(TestAckedTransfer)
#include "tst_ackedtransfer.moc"
