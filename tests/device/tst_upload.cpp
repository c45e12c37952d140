// The receive loop in its worker thread against an in-process fake unit: the
// hand-off of frames to the owning thread, chunked uploads that wait for each
// acknowledgement (prompt, late, never, wrong), the backup read-out support
// and the disconnect. Run under ThreadSanitizer as well.

#include "commands.h"
#include "devicestore.h"
#include "fakeunit.h"
#include "receiverig.h"
#include "usbreceivethread.h"

#include <QPointer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace Kt900;

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

QByteArray dataBytes(int size, int seed)
{
    QByteArray d(size, '\0');
    for (int i = 0; i < size; ++i)
        d[i] = char((i * 31 + seed) & 0xFF);
    return d;
}

QByteArray name16(const char *text) { return QByteArray(text).leftJustified(16, '\0', true); }

// The rig, started by each test when its unit is scripted.
struct Rig : ReceiveRig {
    // Acknowledges every DataTransfer chunk the editor writes, after delayMs
    // (per chunk index: delays[i] if given); chunks in skip are never acknowledged.
    void acknowledge(int delayMs = 0, QMap<int, int> delays = {}, QList<int> skip = {})
    {
        unit.responder = [this, delayMs, delays, skip](const QByteArray &frame) {
            const QByteArray p = frame.mid(4, frame.size() - 6);
            if (p.size() < 7 || quint8(p[0]) != Cmd::DataTransfer || quint8(p[1]) < 3)
                return;
            const int chunk = quint8(p[6]);
            if (skip.contains(chunk))
                return;
            unit.queueFrame(hex("EA1C") + p.mid(1, 2) + p.mid(6, 1), delays.value(chunk, delayMs));
        };
    }
};

} // namespace

class TestUpload : public QObject
{
    Q_OBJECT

private slots:
    void handOffInOrderOnOwningThread();
    void deletedByReceiverDuringHandOff();
    void uploadIrAcknowledged();
    void uploadNrAcknowledged();
    void uploadCaptureAcknowledged();
    void captureNameChunkNeedNotWait();
    void lateAcknowledgement();
    void neverAcknowledged();
    void acknowledgementForAnotherChunk_data();
    void acknowledgementForAnotherChunk();
    void lostAcknowledgementIsResentOnce_data();
    void lostAcknowledgementIsResentOnce();
    void uploadsRefused();
    void writeFailureEndsUpload();
    void unplugDuringUpload();
    void objectDeletedWhileWaiting();
    void backupReadout();
    void readoutTimesOut();
    void presetAcknowledgement();
};

void TestUpload::handOffInOrderOnOwningThread()
{
    Rig rig;
    QList<UnitChange> codes;
    QList<bool> onOwner;
    QList<int> currentAtNotice;
    QObject::connect(rig.recv, &usbReceiveThread::SendDataToUi, this, [&](UnitChange what, int) {
        codes.append(what);
        onOwner.append(QThread::currentThread() == thread());
        currentAtNotice.append(rig.store->currentPresetIndex());
    });
    // DeviceDisconnect comes from the worker thread: connected queued, as the
    // editor does.
    QList<bool> disconnected;
    QObject::connect(rig.recv, &usbReceiveThread::DeviceDisconnect, this,
                     [&](bool d) { disconnected.append(d); }, Qt::QueuedConnection);
    rig.start();
    // A short sync: presets 0..9, the edit buffer, a capture name, the end.
    QByteArray stream;
    for (int i = 0; i < 10; ++i) {
        Record r = emptyPreset();
        nameToBytes(QStringLiteral("Preset %1").arg(i), r.data());
        QByteArray w(kWireRecordSize, '\0');
        encodeWireRecord(r, reinterpret_cast<std::uint8_t *>(w.data()));
        stream += Frame::build(hex("1C02") + QByteArray(1, char(i)) + hex("00020201") + w);
    }
    stream += Frame::build(hex("2204"));
    stream += Frame::build(hex("1A0502") + name16("Capture"));
    stream += Frame::build(hex("1F00"));
    rig.unit.queueStream(stream);
    QTRY_COMPARE(codes.size(), 13);
    QCOMPARE(codes.mid(0, 10), QVector<UnitChange>(10, UnitChange::Transfer).toList());
    QCOMPARE(codes.mid(10), (QList<UnitChange>{UnitChange::PresetSelected, UnitChange::SlotName, UnitChange::SyncDone}));
    QCOMPARE(onOwner, QVector<bool>(13, true).toList());
    // Each notice sees its own frame's effect already in the store.
    QCOMPARE(currentAtNotice.mid(0, 10), (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(currentAtNotice[10], 4);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(rig.store->presetName(i), QStringLiteral("Preset %1").arg(i));
    QCOMPARE(rig.store->presetName(kEditBuffer), QStringLiteral("Preset 4"));
    QCOMPARE(rig.store->slotName(ListCapture, 2), QStringLiteral("Capture"));
    QCOMPARE(disconnected.size(), 0);
    rig.stop();
}

// The main window stops the thread and deletes the receive object from a
// notification (as on a disconnect). Frames still queued are dropped and the
// dispatcher goes once its slot has returned.
void TestUpload::deletedByReceiverDuringHandOff()
{
    Rig rig;
    int notices = 0;
    QObject::connect(rig.recv, &usbReceiveThread::SendDataToUi, this, [&](UnitChange, int) {
        ++notices;
        rig.stop();
    });
    rig.start();
    rig.unit.queueStream(Frame::build(hex("2201")) + Frame::build(hex("2202")) + Frame::build(hex("2203")));
    QTRY_VERIFY(!rig.recv);
    QTest::qWait(50);
    QCOMPARE(notices, 1);
    QCOMPARE(rig.store->currentPresetIndex(), 1);
}

void TestUpload::uploadIrAcknowledged()
{
    Rig rig;
    rig.acknowledge();
    rig.start();
    const QByteArray ir = dataBytes(8192, 3);
    QVERIFY(rig.recv->uploadIr(3, QStringLiteral("Greenback 4x12 SM57"), ir));
    const QList<QByteArray> p = rig.unit.writtenPayloads();
    QCOMPARE(p.size(), 17);
    QCOMPARE(p[0], hex("1C040310001100") + name16("Greenback 4x12 S"));
    for (int i = 1; i < 17; ++i)
        QCOMPARE(p[i], hex("1C0403000211") + QByteArray(1, char(i)) + ir.mid((i - 1) * 512, 512));
    QCOMPARE(p[1].size(), 519);
    QCOMPARE(rig.store->slotName(ListIr, 3), QStringLiteral("Greenback 4x12 S"));
    QCOMPARE(rig.recv->ackSubKind(), 4);
    QCOMPARE(rig.recv->ackSlot(), 3);
    QCOMPARE(rig.recv->ackChunkIndex(), 16);
}

void TestUpload::uploadNrAcknowledged()
{
    Rig rig;
    rig.acknowledge();
    rig.start();
    const QByteArray nr = dataBytes(2000, 9);     // a longer file: the first 1584 bytes go
    QVERIFY(rig.recv->uploadNr(9, QStringLiteral("Plexi"), nr));
    const QList<QByteArray> p = rig.unit.writtenPayloads();
    QCOMPARE(p.size(), 5);
    QCOMPARE(p[0], hex("1C030910000500") + name16("Plexi"));
    for (int i = 1; i < 5; ++i) {
        QCOMPARE(p[i].size(), 403);
        QCOMPARE(p[i], hex("1C03098C0105") + QByteArray(1, char(i)) + nr.mid((i - 1) * 396, 396));
    }
    QCOMPARE(rig.store->slotName(ListNr, 9), QStringLiteral("Plexi"));
}

void TestUpload::uploadCaptureAcknowledged()
{
    Rig rig;
    rig.acknowledge();
    rig.store->setSlotName(ListCapture, 17, QStringLiteral("JCM"));
    rig.start();
    const QByteArray cap = dataBytes(4096, 5);
    QVERIFY(rig.recv->uploadCapture(17, cap));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.store->captureData(17)), 4096), cap);
    const QList<QByteArray> p = rig.unit.writtenPayloads();
    QCOMPARE(p.size(), 9);
    QCOMPARE(p[0], hex("1C051110000900") + name16("JCM"));
    for (int i = 1; i < 9; ++i)
        QCOMPARE(p[i], hex("1C0511000209") + QByteArray(1, char(i)) + cap.mid((i - 1) * 512, 512));
}

void TestUpload::captureNameChunkNeedNotWait()
{
    // A unit that does not acknowledge a capture's name chunk: the upload goes
    // on while the acknowledged index still reads 0 (as on a fresh connection).
    Rig rig;
    rig.acknowledge(0, {}, {0});
    rig.recv->setAckTimeout(500);
    rig.start();
    QVERIFY(rig.recv->uploadCapture(4, dataBytes(4096, 1)));
    QCOMPARE(rig.unit.writtenPayloads().size(), 9);
    // IR and NR name chunks are always waited for (and sent once more).
    rig.unit.clearWritten();
    QVERIFY(!rig.recv->uploadIr(0, QStringLiteral("x"), dataBytes(8192, 1)));
    QCOMPARE(rig.unit.writtenPayloads().size(), usbReceiveThread::kSendAttempts);
}

void TestUpload::lateAcknowledgement()
{
    Rig rig;
    // Chunk 2's acknowledgement comes 1.5 s late: the upload waits for it and
    // sends chunk 3 only afterwards.
    std::vector<std::pair<int, qint64>> writes;
    QElapsedTimer clock;
    clock.start();
    rig.acknowledge(0, {{2, 1500}});
    auto ack = rig.unit.responder;
    rig.unit.responder = [&, ack](const QByteArray &f) {
        writes.emplace_back(quint8(f[10]), clock.elapsed());
        ack(f);
    };
    rig.start();
    QVERIFY(rig.recv->uploadNr(1, QStringLiteral("late"), dataBytes(1584, 2)));
    QCOMPARE(int(writes.size()), 5);
    QVERIFY(writes[3].second - writes[2].second >= 1400);
    QVERIFY(writes[2].second - writes[1].second < 1000);
}

void TestUpload::neverAcknowledged()
{
    Rig rig;
    rig.start();
    QCOMPARE(rig.recv->ackTimeout(), 5000);
    QElapsedTimer t;
    t.start();
    QVERIFY(!rig.recv->uploadIr(2, QStringLiteral("silent"), dataBytes(8192, 4)));
    // The name chunk is sent twice, each time waited for; nothing after it.
    QVERIFY(t.elapsed() >= 2 * 5000);
    QVERIFY(t.elapsed() < 2 * 5000 + 3000);
    const QList<QByteArray> written = rig.unit.writtenPayloads();
    QCOMPARE(written.size(), 2);
    QCOMPARE(written[1], written[0]);
    QCOMPARE(rig.store->slotName(ListIr, 2), QString());  // no name stored for a failed upload
}

void TestUpload::acknowledgementForAnotherChunk_data()
{
    QTest::addColumn<QByteArray>("ack");   // the answer to every chunk written
    QTest::newRow("other slot") << hex("EA1C0402");
    QTest::newRow("other kind") << hex("EA1C0303");
    QTest::newRow("earlier chunk") << hex("EA1C0403");  // chunk index appended below: one less
    QTest::newRow("not a DataTransfer ack") << hex("EA1B0403");
}

void TestUpload::acknowledgementForAnotherChunk()
{
    QFETCH(QByteArray, ack);
    Rig rig;
    rig.recv->setAckTimeout(400);
    const bool earlier = QByteArray(QTest::currentDataTag()) == "earlier chunk";
    rig.unit.responder = [&rig, ack, earlier](const QByteArray &f) {
        const int chunk = quint8(f[10]);
        rig.unit.queueFrame(ack + QByteArray(1, char(earlier ? chunk - 1 : chunk)));
    };
    rig.start();
    // IR slot 3: the first chunk (index 0) gets an Ack that is not its own.
    QVERIFY(!rig.recv->uploadIr(3, QStringLiteral("x"), dataBytes(8192, 1)));
    QCOMPARE(rig.unit.writtenPayloads().size(), usbReceiveThread::kSendAttempts);
}

void TestUpload::lostAcknowledgementIsResentOnce_data()
{
    QTest::addColumn<int>("lostChunk");
    QTest::newRow("name chunk") << 0;
    QTest::newRow("middle chunk") << 2;
    QTest::newRow("last chunk") << 4;
}

void TestUpload::lostAcknowledgementIsResentOnce()
{
    // The acknowledgement of one chunk is lost once: that chunk goes out a
    // second time and the upload completes with every chunk in order.
    QFETCH(int, lostChunk);
    Rig rig;
    rig.recv->setAckTimeout(300);
    bool dropped = false;
    rig.unit.responder = [&rig, &dropped, lostChunk](const QByteArray &f) {
        const int chunk = quint8(f[10]);
        if (chunk == lostChunk && !dropped) {
            dropped = true;
            return;
        }
        rig.unit.queueFrame(hex("EA1C0301") + QByteArray(1, char(chunk)));
    };
    rig.start();
    QVERIFY(rig.recv->uploadNr(1, QStringLiteral("lost"), dataBytes(1584, 3)));
    const QList<QByteArray> written = rig.unit.writtenPayloads();
    QCOMPARE(written.size(), 6);
    QVector<int> order;
    for (const QByteArray &w : written)
        order << quint8(w[6]);
    QVector<int> expected{0, 1, 2, 3, 4};
    expected.insert(lostChunk, lostChunk);
    QCOMPARE(order, expected);
    QCOMPARE(rig.recv->resends(), 1);
}

void TestUpload::uploadsRefused()
{
    Rig rig;
    rig.acknowledge();
    rig.start();
    QVERIFY(!rig.recv->uploadIr(10, QStringLiteral("x"), dataBytes(8192, 1)));
    QVERIFY(!rig.recv->uploadIr(-1, QStringLiteral("x"), dataBytes(8192, 1)));
    QVERIFY(!rig.recv->uploadIr(0, QStringLiteral("x"), dataBytes(8191, 1)));
    QVERIFY(!rig.recv->uploadNr(10, QStringLiteral("x"), dataBytes(1584, 1)));
    QVERIFY(!rig.recv->uploadNr(0, QStringLiteral("x"), dataBytes(1583, 1)));
    QVERIFY(!rig.recv->uploadCapture(20, dataBytes(4096, 1)));
    QVERIFY(!rig.recv->uploadCapture(0, dataBytes(4095, 1)));
    QVERIFY(rig.unit.written().isEmpty());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.store->captureData(0)), 4096), QByteArray(4096, '\0'));
}

void TestUpload::writeFailureEndsUpload()
{
    Rig rig;
    rig.acknowledge();
    rig.start();
    rig.unit.setFailWrites(true);
    QElapsedTimer t;
    t.start();
    QVERIFY(!rig.recv->uploadNr(0, QStringLiteral("x"), dataBytes(1584, 1)));
    QVERIFY(t.elapsed() < 1000);  // no waiting for an Ack of a chunk never sent
}

void TestUpload::unplugDuringUpload()
{
    Rig rig;
    QList<bool> disconnected;
    QObject::connect(rig.recv, &usbReceiveThread::DeviceDisconnect, this,
                     [&](bool d) { disconnected.append(d); }, Qt::QueuedConnection);
    rig.unit.responder = [&rig](const QByteArray &f) {
        if (quint8(f[10]) == 2)
            rig.unit.unplug();
        else
            rig.unit.queueFrame(hex("EA1C") + f.mid(5, 2) + f.mid(10, 1));
    };
    rig.start();
    QElapsedTimer t;
    t.start();
    QVERIFY(!rig.recv->uploadIr(5, QStringLiteral("x"), dataBytes(8192, 1)));
    QVERIFY(t.elapsed() < 3000);  // ends with the disconnect, not after the 5 s limit
    QCOMPARE(rig.unit.writtenPayloads().size(), 3);
    QTRY_COMPARE(disconnected.size(), 1);
    QCOMPARE(disconnected[0], true);
    QVERIFY(rig.recv->isDisconnected());
    QVERIFY(!rig.recv->isRunning());
    QVERIFY(rig.thread.isRunning());              // the loop ended, the thread's event loop did not
    rig.stop();
}

void TestUpload::objectDeletedWhileWaiting()
{
    // Nothing acknowledges; the owner deletes the receive object from an event
    // handled while the upload waits. The upload must end without touching it.
    auto unit = std::make_unique<FakeUnit>();
    auto store = std::make_unique<DeviceStore>();
    QPointer<usbReceiveThread> recv = new usbReceiveThread(unit.get(), store.get());
    QTimer::singleShot(100, this, [&recv] { delete recv.data(); });
    QVERIFY(!recv->uploadNr(0, QStringLiteral("x"), dataBytes(1584, 1)));
    QVERIFY(recv.isNull());
}

void TestUpload::backupReadout()
{
    Rig rig;
    // The unit answers the read-out: IR slots 0 and 6, NR slot 2, then the end.
    const QByteArray ir0 = dataBytes(8192, 10), ir6 = dataBytes(8192, 16), nr2 = dataBytes(1584, 22);
    rig.unit.responder = [&](const QByteArray &f) {
        const QByteArray p = f.mid(4, f.size() - 6);
        if (p == hex("1B040100")) {
            for (auto [slot, data] : {std::make_pair(0, ir0), std::make_pair(6, ir6)}) {
                rig.unit.queueFrame(hex("1A04") + QByteArray(1, char(slot)) + name16("ir"));
                rig.unit.queueFrame(hex("1C04") + QByteArray(1, char(slot)) + hex("10001100") + name16("ir"));
                for (int i = 1; i < 17; ++i)
                    rig.unit.queueFrame(hex("1C04") + QByteArray(1, char(slot)) + hex("000211") + QByteArray(1, char(i)) + data.mid((i - 1) * 512, 512));
            }
        } else if (p == hex("1B030100")) {
            for (int i = 1; i < 5; ++i)
                rig.unit.queueFrame(hex("1C0302") + hex("8C0105") + QByteArray(1, char(i)) + nr2.mid((i - 1) * 396, 396));
        } else if (p == hex("290000")) {
            rig.unit.queueFrame(hex("290000"));
        }
    };
    rig.start();
    rig.recv->prepareReadout();
    QCOMPARE(rig.recv->sendBackupMode(0, 1), 1);
    QCOMPARE(rig.recv->sendRequestData(4, 1, 0), 1);
    QCOMPARE(rig.recv->sendRequestData(3, 1, 0), 1);
    QCOMPARE(rig.recv->sendBackupMode(0, 0), 1);
    QVERIFY(rig.recv->waitForReadoutFinished());
    for (int s = 0; s < 10; ++s) {
        QCOMPARE(rig.recv->irPending(s), s != 0 && s != 6);
        QCOMPARE(rig.recv->nrPending(s), s != 2);
    }
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.recv->irReadout()), 8192), ir0);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.recv->irReadout()) + 6 * 8192, 8192), ir6);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.recv->irReadout()) + 8192, 8192), QByteArray(8192, '\0'));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.recv->nrReadout()) + 2 * 1584, 1584), nr2);
    QCOMPARE(rig.recv->irNameCount(), 2);
    rig.recv->releaseReadout();
    QVERIFY(!rig.recv->hasReadoutBuffers());
}

void TestUpload::readoutTimesOut()
{
    Rig rig;
    rig.start();
    rig.recv->prepareReadout();
    QElapsedTimer t;
    t.start();
    QVERIFY(!rig.recv->waitForReadoutFinished(300));
    QVERIFY(t.elapsed() >= 300);
    rig.unit.queueFrame(hex("290000"));
    QVERIFY(rig.recv->waitForReadoutFinished(5000));
}

void TestUpload::presetAcknowledgement()
{
    Rig rig;
    rig.unit.responder = [&rig](const QByteArray &f) {
        const QByteArray p = f.mid(4, f.size() - 6);
        if (p.size() == Cmd::kPresetFramePayload && quint8(p[1]) == Cmd::SubPreset && quint8(p[2]) != 6)
            rig.unit.queueFrame(hex("EA1C02") + p.mid(2, 1) + hex("01"), 50);
    };
    rig.start();
    rig.recv->setLastAckedPreset(usbReceiveThread::kNoPresetAck);
    QCOMPARE(rig.recv->writePreset(5), 1);
    QVERIFY(rig.recv->waitForPresetAck(5));
    QCOMPARE(rig.recv->lastAckedPreset(), std::uint16_t(5));
    rig.recv->setLastAckedPreset(usbReceiveThread::kNoPresetAck);
    QCOMPARE(rig.recv->writePreset(6), 1);           // never acknowledged
    QVERIFY(!rig.recv->waitForPresetAck(6, 300));
}

QTEST_GUILESS_MAIN(TestUpload)
#include "tst_upload.moc"
