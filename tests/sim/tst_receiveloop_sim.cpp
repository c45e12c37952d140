// The receive loop end to end: MyLibusb and usbReceiveThread in a worker
// thread, real libusb, the virtual unit behind umockdev.

#include "mylibusb.h"
#include "unithelpers.h"
#include "usbreceivethread.h"
#include "virtualunitfixture.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <cstring>
#include <memory>

using namespace Kt900Sim;
using namespace TestUnit;
using namespace Kt900;

namespace {

// The editor's side: the connection, a store, the receive object in its
// worker thread; torn down as the main window does.
class Host
{
public:
    explicit Host(VirtualUnitFixture &fixture)
        : recv(&usb, &store)
    {
        opened = usb.openByAddress(static_cast<std::uint8_t>(fixture.deviceAddress())) && usb.isOpen();
        // DeviceDisconnect comes from the worker thread: count it here, queued,
        // as the main window does.
        QObject::connect(&recv, &usbReceiveThread::DeviceDisconnect, &context, [this](bool dis) {
            disconnects.append(dis);
        }, Qt::QueuedConnection);
        recv.moveToThread(&thread);
        QObject::connect(&thread, &QThread::started, &recv, &usbReceiveThread::ReadThread);
        recv.setRunning(true);
        thread.start();
    }
    ~Host()
    {
        recv.setRunning(false);
        thread.quit();
        thread.wait();
        usb.closeDevice();
    }

    MyLibusb usb;
    DeviceStore store;
    usbReceiveThread recv;
    QThread thread;
    QObject context;
    QList<bool> disconnects;
    bool opened = false;
};

bool sameCaptures(const DeviceStore &store, const UnitMemory &mem)
{
    for (int s = 0; s < kCaptureSlots; ++s) {
        if (!mem.captureFilled(s))
            continue;
        if (!store.captureUsed(s) || std::memcmp(store.captureData(s), mem.store.captureData(s), kCaptureBytes) != 0)
            return false;
    }
    return true;
}

// Record i without the chain entries' on/off bytes, which the wire record
// does not carry.
QByteArray comparable(const Record &r)
{
    QByteArray b(reinterpret_cast<const char *>(r.data()), kRecordSize);
    for (int c = 0; c < kChainLength; ++c)
        b[Rec::Chain + 2 * c + 1] = 0;
    return b;
}

QByteArray block(const std::uint8_t *p, int n) { return QByteArray(reinterpret_cast<const char *>(p), n); }

} // namespace

class TestReceiveLoopSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fullSyncMirrorsTheUnit_data();
    void fullSyncMirrorsTheUnit();
    void unplugDuringSync_data();
    void unplugDuringSync();
    void uploadsAreAcknowledged();
    void uploadFailsWhenTheUnitStopsAcknowledging_data();
    void uploadFailsWhenTheUnitStopsAcknowledging();
    void backupReadOut();
    void editorFollowsTheUnit();
    void editsReachTheUnit();
    void damagedFrameIsSkipped();
};

void TestReceiveLoopSim::initTestCase()
{
    QVERIFY2(VirtualUnitFixture::preloadActive(),
             "this test must run under the umockdev preload (LD_PRELOAD=libumockdev-preload.so.0); ctest arranges that");
}

void TestReceiveLoopSim::fullSyncMirrorsTheUnit_data()
{
    QTest::addColumn<bool>("paced");
    QTest::newRow("as fast as possible") << false;
    QTest::newRow("paced, one report per millisecond") << true;
}

void TestReceiveLoopSim::fullSyncMirrorsTheUnit()
{
    QFETCH(bool, paced);
    BridgeOptions b;
    b.paced = paced;
    VirtualUnitFixture fixture(UnitOptions(), b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    QSignalSpy codes(&host.recv, &usbReceiveThread::SendDataToUi);

    QElapsedTimer t;
    t.start();
    QCOMPARE(host.recv.sendEditorAttach(), 1);
    QCOMPARE(host.recv.sendRequestSync(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(codes.begin(), codes.end(), [](const QList<QVariant> &a) { return a.at(0).value<UnitChange>() == UnitChange::SyncDone; }), 30000);
    qInfo("full download (%s): %lld ms", paced ? "paced" : "unpaced", static_cast<long long>(t.elapsed()));
    int transfers = 0;
    int syncDone = 0;
    for (const QList<QVariant> &a : codes) {
        transfers += a.at(0).value<UnitChange>() == UnitChange::Transfer;
        syncDone += a.at(0).value<UnitChange>() == UnitChange::SyncDone;
    }
    QVERIFY(transfers >= 256);
    QCOMPARE(syncDone, 1);

    // After the edit buffer the editor fetches every capture; wait for them.
    const UnitMemory mem = fixture.unit().memory();
    QTRY_VERIFY_WITH_TIMEOUT(sameCaptures(host.store, mem), 20000);
    QVERIFY(host.disconnects.isEmpty());

    const DeviceStore &s = host.store;
    for (int i = 0; i <= kEditBuffer; ++i)
        QVERIFY2(comparable(*s.record(i)) == comparable(*mem.store.record(i)), qPrintable(QStringLiteral("record %1 differs").arg(i)));
    QCOMPARE(s.currentPresetIndex(), mem.store.currentPresetIndex());
    QCOMPARE(s.screenCode(), mem.store.screenCode());
    QCOMPARE(block(s.systemBlock(), kSystemSize), block(mem.store.systemBlock(), kSystemSize));
    QCOMPARE(block(s.midiBlock(), kMidiSize), block(mem.store.midiBlock(), kMidiSize));
    QCOMPARE(block(s.rhythmBlock(), kRhythmSize), block(mem.store.rhythmBlock(), kRhythmSize));
    QCOMPARE(block(s.captureAmpList(), 140), block(mem.store.captureAmpList(), 140));
    QCOMPARE(s.globalEqOutput(), mem.store.globalEqOutput());
    for (int i = 0; i < kGlobalEqWords; ++i)
        QCOMPARE(s.globalEqWord(i), mem.store.globalEqWord(i));
    QCOMPARE(s.globalTempoRaw(), mem.store.globalTempoRaw());
    QCOMPARE(s.expGlobalWord(), mem.store.expGlobalWord());
    QCOMPARE(s.expGlobalByte(), mem.store.expGlobalByte());
    for (int i = 0; i < kToneCaptureValues; ++i)
        QCOMPARE(s.toneCaptureValue(i), mem.store.toneCaptureValue(i));
    for (int list : {ListNr, ListIr, ListCapture})
        for (int slot = 0; slot < DeviceStore::slotCount(list); ++slot)
            QCOMPARE(block(s.slotNameBytes(list, slot), kNameSize), block(mem.store.slotNameBytes(list, slot), kNameSize));
    for (int slot = 0; slot < kCaptureSlots; ++slot)
        QCOMPARE(s.captureUsed(slot), mem.store.captureUsed(slot));
    // Everything the editor sent was well formed.
    QVERIFY2(fixture.unit().protocolErrors().isEmpty(), qPrintable(fixture.unit().protocolErrors().join(QLatin1Char('\n'))));
}

void TestReceiveLoopSim::unplugDuringSync_data()
{
    QTest::addColumn<bool>("fromTest");
    QTest::newRow("the unit vanishes after 700 reports") << false;
    QTest::newRow("the cable is pulled") << true;
}

void TestReceiveLoopSim::unplugDuringSync()
{
    QFETCH(bool, fromTest);
    UnitOptions o;
    if (!fromTest)
        o.faults.unplugAfterReports = 700;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    QSignalSpy codes(&host.recv, &usbReceiveThread::SendDataToUi);
    host.recv.sendEditorAttach();
    host.recv.sendRequestSync();
    if (fromTest) {
        QTRY_VERIFY_WITH_TIMEOUT(std::count_if(codes.begin(), codes.end(), [](const QList<QVariant> &a) { return a.at(0).value<UnitChange>() == UnitChange::Transfer; }) >= 40, 20000);
        QVERIFY(fixture.unplug());
    }
    QTRY_COMPARE_WITH_TIMEOUT(host.disconnects.size(), 1, 5000);
    QCOMPARE(host.disconnects.first(), true);
    QVERIFY(host.recv.isDisconnected());
    QVERIFY(!host.recv.isRunning());
    QVERIFY(!host.usb.isOpen());
    QVERIFY(std::none_of(codes.begin(), codes.end(), [](const QList<QVariant> &a) { return a.at(0).value<UnitChange>() == UnitChange::SyncDone; }));
    // Requests after the disconnect fail instead of hanging.
    QCOMPARE(host.recv.sendSelectPreset(1), -1);
}

void TestReceiveLoopSim::uploadsAreAcknowledged()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    QByteArray ir(kIrBytes, '\0');
    for (int i = 0; i < ir.size(); ++i)
        ir[i] = static_cast<char>(i * 13);
    QByteArray nr(kNrBytes, 'n');
    QByteArray cap(kCaptureBytes, '\0');
    for (int i = 0; i < cap.size(); ++i)
        cap[i] = static_cast<char>(i ^ 0x5A);
    QVERIFY(host.recv.uploadIr(3, QStringLiteral("UPLOADED IR"), ir));
    QVERIFY(host.recv.uploadNr(4, QStringLiteral("UPLOADED NR"), nr));
    host.store.setSlotName(ListCapture, 6, QStringLiteral("UPLOADED CAP"));
    QVERIFY(host.recv.uploadCapture(6, cap));
    // A stored preset, acknowledged as preset 10.
    host.store.setPresetName(10, QStringLiteral("WRITTEN"));
    host.recv.setLastAckedPreset(usbReceiveThread::kNoPresetAck);
    QCOMPARE(host.recv.writePreset(10), 1);
    QVERIFY(host.recv.waitForPresetAck(10, 2000));

    const UnitMemory m = fixture.unit().memory();
    QVERIFY(m.irFilled(3));
    QCOMPARE(m.store.slotName(ListIr, 3), QStringLiteral("UPLOADED IR"));
    QCOMPARE(block(m.irData[3].data(), kIrBytes), ir);
    QCOMPARE(m.store.slotName(ListNr, 4), QStringLiteral("UPLOADED NR"));
    QCOMPARE(block(m.nrData[4].data(), kNrBytes), nr);
    QVERIFY(m.captureFilled(6));
    QCOMPARE(m.store.slotName(ListCapture, 6), QStringLiteral("UPLOADED CAP"));
    QCOMPARE(block(m.store.captureData(6), kCaptureBytes), cap);
    QCOMPARE(m.store.presetName(10), QStringLiteral("WRITTEN"));
    QVERIFY2(fixture.unit().protocolErrors().isEmpty(), qPrintable(fixture.unit().protocolErrors().join(QLatin1Char('\n'))));
}

void TestReceiveLoopSim::uploadFailsWhenTheUnitStopsAcknowledging_data()
{
    QTest::addColumn<bool>("acknowledge");
    QTest::addColumn<int>("stopAfter");
    QTest::newRow("no acknowledgement at all") << false << -1;
    QTest::newRow("acknowledgements stop after 4 chunks") << true << 4;
}

void TestReceiveLoopSim::uploadFailsWhenTheUnitStopsAcknowledging()
{
    QFETCH(bool, acknowledge);
    QFETCH(int, stopAfter);
    UnitOptions o;
    o.faults.acknowledge = acknowledge;
    o.faults.stopAckAfter = stopAfter;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    host.recv.setAckTimeout(300);
    QElapsedTimer t;
    t.start();
    QVERIFY(!host.recv.uploadIr(7, QStringLiteral("NEVER"), QByteArray(kIrBytes, 'i')));
    QVERIFY(t.elapsed() < 3000);
    QVERIFY(!fixture.unit().memory().irFilled(7));
    // The connection is still fine: the next request is answered.
    fixture.unit().clearReceivedFrames();
    QCOMPARE(host.recv.sendSelectPreset(2), 1);
    QTRY_COMPARE(fixture.unit().memory().store.currentPresetIndex(), 2);
}

void TestReceiveLoopSim::backupReadOut()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    host.recv.prepareReadout();
    QCOMPARE(host.recv.sendBackupMode(0, 1), 1);
    QCOMPARE(host.recv.sendRequestData(4, 1, 0), 1);
    QCOMPARE(host.recv.sendRequestData(3, 1, 0), 1);
    QCOMPARE(host.recv.sendBackupMode(0, 0), 1);
    QVERIFY(host.recv.waitForReadoutFinished(20000));
    const UnitMemory m = fixture.unit().memory();
    for (int slot = 0; slot < kIrSlots; ++slot) {
        QCOMPARE(host.recv.irPending(slot), !m.irFilled(slot));
        if (m.irFilled(slot))
            QCOMPARE(block(host.recv.irReadout() + slot * kIrBytes, kIrBytes), block(m.irData[static_cast<std::size_t>(slot)].data(), kIrBytes));
    }
    for (int slot = 0; slot < kNrSlots; ++slot) {
        QCOMPARE(host.recv.nrPending(slot), !m.nrFilled(slot));
        if (m.nrFilled(slot))
            QCOMPARE(block(host.recv.nrReadout() + slot * kNrBytes, kNrBytes), block(m.nrData[static_cast<std::size_t>(slot)].data(), kNrBytes));
    }
    host.recv.releaseReadout();
}

void TestReceiveLoopSim::editorFollowsTheUnit()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    QSignalSpy codes(&host.recv, &usbReceiveThread::SendDataToUi);
    host.recv.sendEditorAttach();
    host.recv.sendRequestSync();
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(codes.begin(), codes.end(), [](const QList<QVariant> &a) { return a.at(0).value<UnitChange>() == UnitChange::SyncDone; }), 30000);
    const UnitMemory mem = fixture.unit().memory();
    QTRY_VERIFY_WITH_TIMEOUT(sameCaptures(host.store, mem), 20000); // the capture fetch is over
    QTest::qWait(100);
    codes.clear();

    QVERIFY(fixture.unit().selectPreset(12));                   // a footswitch
    QTRY_COMPARE(host.store.currentPresetIndex(), 12);
    QCOMPARE(host.store.presetName(kEditBuffer), host.store.presetName(12));
    QVERIFY(fixture.unit().setParameter(ModAmp, 0, 33));       // a knob
    QTRY_COMPARE(host.store.blockWord(kEditBuffer, ModAmp, 2), 33);
    QVERIFY(fixture.unit().setModuleSwitch(ModReverb, false));   // a module switch
    QVERIFY(fixture.unit().setModuleSwitch(ModToneCap, true));
    QTRY_COMPARE(host.store.blockWord(kEditBuffer, ModToneCap, 0), 1);
    QCOMPARE(host.store.blockWord(kEditBuffer, ModReverb, 0), 0);
    QVERIFY(fixture.unit().setPage(8));                         // the page
    QTRY_COMPARE(host.store.screenCode(), 8u);
    QList<QPair<UnitChange, int>> seen;
    for (const QList<QVariant> &a : codes) {
        const auto what = a.at(0).value<UnitChange>();
        if (what != UnitChange::SlotName && what != UnitChange::Transfer) // the capture fetch may still run
            seen.append({what, a.at(1).toInt()});
    }
    const QList<QPair<UnitChange, int>> expected = {{UnitChange::PresetSelected, -1}, {UnitChange::Module, ModAmp},
                                                    {UnitChange::Switches, -1}, {UnitChange::Switches, -1},
                                                    {UnitChange::Page, -1}};
    QCOMPARE(seen, expected);
    QCOMPARE(comparable(*host.store.record(kEditBuffer)), comparable(*fixture.unit().memory().store.record(kEditBuffer)));
}

void TestReceiveLoopSim::editsReachTheUnit()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    QSignalSpy codes(&host.recv, &usbReceiveThread::SendDataToUi);
    host.recv.sendEditorAttach();
    host.recv.sendRequestSync();
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(codes.begin(), codes.end(), [](const QList<QVariant> &a) { return a.at(0).value<UnitChange>() == UnitChange::SyncDone; }), 30000);

    DeviceStore &s = host.store;
    s.setBlockWord(kEditBuffer, ModDelay, 0, 1);
    s.setBlockWord(kEditBuffer, ModDelay, 2, 44);
    QCOMPARE(host.recv.sendModuleParams(ModDelay), 1);
    s.setBlockWord(kEditBuffer, ModFxLoopSend, 0, 1);
    s.setBlockWord(kEditBuffer, ModFxLoopSend, 1, 50);
    QCOMPARE(host.recv.sendModuleParams(ModFxLoopReturn), 1);
    QCOMPARE(host.recv.sendSystemSetting(15, 0), 1);
    QCOMPARE(host.recv.sendMidiMapEntry(18, 3, 77), 1);
    QCOMPARE(host.recv.sendCurrentUi(0x1050D), 1);
    s.setControl(0, 1);
    s.setControl(1, 0x0101);
    QCOMPARE(host.recv.sendCtrlSet(), 1);
    QCOMPARE(host.recv.sendGlobalBpm(), 1);
    QCOMPARE(host.recv.sendStorePreset(40, QStringLiteral("EDITED ON HOST")), 1);
    QTRY_COMPARE(fixture.unit().memory().store.presetName(40), QStringLiteral("EDITED ON HOST"));
    const UnitMemory m = fixture.unit().memory();
    QCOMPARE(m.store.blockWord(kEditBuffer, ModDelay, 2), 44);
    QCOMPARE(m.store.blockWord(kEditBuffer, ModFxLoopSend, 1), 50);
    QCOMPARE(m.store.systemSetting(15), 0);
    QCOMPARE(int(m.store.midiBlock()[3]), 77);
    QCOMPARE(m.store.screenCode(), 0x1050Du);
    QCOMPARE(m.store.currentPresetIndex(), 40);
    // The unit stored its edit buffer, which equals the editor's, under the new name.
    QCOMPARE(comparable(*m.store.record(kEditBuffer)).mid(kNameSize), comparable(*s.record(kEditBuffer)).mid(kNameSize));
    QCOMPARE(comparable(*m.store.record(40)).mid(kNameSize), comparable(*s.record(kEditBuffer)).mid(kNameSize));
    QVERIFY2(fixture.unit().protocolErrors().isEmpty(), qPrintable(fixture.unit().protocolErrors().join(QLatin1Char('\n'))));
}

void TestReceiveLoopSim::damagedFrameIsSkipped()
{
    // The 3rd frame of the download (GlobalBpm) arrives with a bad CRC: it is
    // dropped, everything around it still arrives.
    UnitOptions o;
    o.faults.corruptFrame = 3;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Host host(fixture);
    QVERIFY(host.opened);
    QSignalSpy codes(&host.recv, &usbReceiveThread::SendDataToUi);
    host.recv.sendEditorAttach();
    host.recv.sendRequestSync();
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(codes.begin(), codes.end(), [](const QList<QVariant> &a) { return a.at(0).value<UnitChange>() == UnitChange::SyncDone; }), 30000);
    QList<UnitChange> seen;
    for (const QList<QVariant> &a : codes)
        seen << a.at(0).value<UnitChange>();
    QCOMPARE(seen.mid(0, 3), (QList<UnitChange>{UnitChange::Page, UnitChange::SystemSettings, UnitChange::GlobalEq}));
    QVERIFY(!seen.contains(UnitChange::VolumeTempo));
    QCOMPARE(seen.mid(0, seen.indexOf(UnitChange::SyncDone)).count(UnitChange::Transfer), 256);
}

QTEST_GUILESS_MAIN(TestReceiveLoopSim)
#include "tst_receiveloop_sim.moc"
