// MyLibusb through real libusb against the virtual unit (umockdev preload).
// Built twice: opening the unit the editor's way (by bus address) and the
// launcher's way (walking the bus and identifying the unit).

#include "mylibusb.h"
#include "unithelpers.h"
#include "virtualunitfixture.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace Kt900Sim;
using namespace TestUnit;

namespace {

// Opens the unit the way this variant's program does: the editor by bus
// address, the launcher by walking the bus (which also identifies the unit).
// What the unit received while opening is forgotten.
bool openUnit(MyLibusb &usb, VirtualUnitFixture &fixture)
{
#ifdef KT900_TEST_OPEN_AS_LAUNCHER
    const bool ok = usb.findAndOpen(0x0483, 0, 0, "TOVAK_KT900", true) != 0;
#else
    const bool ok = usb.openByAddress(static_cast<std::uint8_t>(fixture.deviceAddress()));
#endif
    fixture.unit().clearReceivedFrames();
    return ok && usb.isOpen();
}

} // namespace

class TestMyLibusbSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void openByAddressFindsTheUnit();
    void openByAddressWithoutDevice();
    void findAndOpenAutoMatch_data();
    void findAndOpenAutoMatch();
    void findAndOpenExplicitIds();
    void onlyInterfaceZeroIsClaimed();
    void readTimeOutKeepsTheDeviceOpen();
    void unplugDuringRead();
    void unplugBeforeRead();
    void reportCuttingAsSeenByTheUnit_data();
    void reportCuttingAsSeenByTheUnit();
    void blockCuttingAsSeenByTheUnit();
};

void TestMyLibusbSim::initTestCase()
{
    QVERIFY2(VirtualUnitFixture::preloadActive(),
             "this test must run under the umockdev preload (LD_PRELOAD=libumockdev-preload.so.0); ctest arranges that");
}

void TestMyLibusbSim::openByAddressFindsTheUnit()
{
#ifdef KT900_TEST_OPEN_AS_LAUNCHER
    QSKIP("opening by bus address is the editor's variant");
#endif
    BridgeOptions b;
    b.deviceAddress = 17;
    VirtualUnitFixture fixture(UnitOptions(), b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QVERIFY(usb.openByAddress(17));
    QVERIFY(usb.isOpen());
    QCOMPARE(usb.deviceAddress(), 17);
    QCOMPARE(usb.busNumber(), 1);
    QCOMPARE(int(usb.interruptInEndpoint()), 0x81);
    QCOMPARE(int(usb.interruptOutEndpoint()), 0x01);
    QCOMPARE(usb.interfaceCount(), 1);
    QCOMPARE(fixture.bridge().stats().claimed, std::vector<int>{0});
    // The unit answers through the open connection.
    const QByteArray request = Frame::build(bytes({0x00, 0x00}));
    QVERIFY(usb.writeFrame(reinterpret_cast<const std::uint8_t *>(request.constData()), request.size(), 500));
    std::uint8_t report[64];
    QCOMPARE(usb.readReport(report, 500), 64);
    QCOMPARE(int(report[0]), 61);
    usb.closeDevice();
    QVERIFY(!usb.isOpen());
    QCOMPARE(usb.deviceAddress(), -1);
}

void TestMyLibusbSim::openByAddressWithoutDevice()
{
#ifdef KT900_TEST_OPEN_AS_LAUNCHER
    QSKIP("opening by bus address is the editor's variant");
#endif
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QVERIFY(usb.openByAddress(99));      // the list was read ...
    QVERIFY(!usb.isOpen());               // ... but nothing has that address
    std::uint8_t report[64];
    QCOMPARE(usb.readReport(report, 100), -1);
    // Address 1 is the root hub: not the unit, so it is not even configured.
    QVERIFY(usb.openByAddress(1));
    QVERIFY(!usb.isOpen());
    // The unit's address on a bus it is not on.
    QVERIFY(usb.openByAddress(static_cast<std::uint8_t>(fixture.deviceAddress()), fixture.busNumber() + 1));
    QVERIFY(!usb.isOpen());
    QVERIFY2(fixture.bridge().stats().interfaceLog.isEmpty(),
             qPrintable(fixture.bridge().stats().interfaceLog.join(", ")));
    // On its own bus it opens.
    QVERIFY(usb.openByAddress(static_cast<std::uint8_t>(fixture.deviceAddress()), fixture.busNumber()));
    QVERIFY(usb.isOpen());
    QCOMPARE(usb.busNumber(), fixture.busNumber());
}

void TestMyLibusbSim::findAndOpenAutoMatch_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<char>("mode");
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<int>("expected");
    for (int type : {4, 5, 6, 7, 8}) {
        QTest::addRow("type %d mode A", type) << type << 'A' << QStringLiteral("TOVAK_KT900") << true << 2;
        QTest::addRow("type %d mode B", type) << type << 'B' << QStringLiteral("TOVAK_KT900") << true << 1;
    }
    QTest::newRow("type 1 name match") << 1 << 'A' << QStringLiteral("TOVAK_KT900") << true << 1;
    QTest::newRow("type 1 other name") << 1 << 'A' << QStringLiteral("TOVAK_KT700") << true << 0;
    QTest::newRow("type 3 without reading") << 3 << 'A' << QStringLiteral("SOMETHING ELSE") << false << 1;
    QTest::newRow("wrong model name") << 4 << 'A' << QStringLiteral("TOVAK_KT700") << true << 0;
    QTest::newRow("name in lower case") << 4 << 'A' << QStringLiteral("tovak_kt900") << true << 2;
    QTest::newRow("name in mixed case, bulk") << 6 << 'B' << QStringLiteral("Tovak_Kt900") << true << 1;
    QTest::newRow("no answer") << 4 << 'A' << QStringLiteral("TOVAK_KT900") << false << 0;
}

void TestMyLibusbSim::findAndOpenAutoMatch()
{
    QFETCH(int, type);
    QFETCH(char, mode);
    QFETCH(QString, model);
    QFETCH(bool, answers);
    QFETCH(int, expected);
    UnitOptions o;
    o.deviceType = type;
    o.mode = mode;
    o.modelName = model;
    o.faults.answerInfo = answers;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QCOMPARE(usb.findAndOpen(0x0483, 0, 0, "TOVAK_KT900", true), expected);
    QCOMPARE(usb.isOpen(), expected != 0);
    if (expected != 0) {
        QCOMPARE(usb.deviceType(), type);
        QCOMPARE(usb.deviceAddress(), fixture.deviceAddress());
    }
    if (type != 3 && answers) {
        // identify: a report of eight zero bytes, then the request frame.
        const std::vector<QByteArray> frames = fixture.unit().receivedFrames();
        QCOMPARE(int(frames.size()), 1);
        QCOMPARE(frames.front(), bytes({0x00, 0x00}));
        if (expected != 0) {
            const MyLibusb::DeviceInfo info = MyLibusb::deviceInfo();
            QVERIFY(info.valid);
            QCOMPARE(info.firmwareVersion, QByteArray("V1.1.0"));
            QCOMPARE(info.mode, mode);
        }
    }
    QVERIFY(fixture.unit().protocolErrors().isEmpty());
}

void TestMyLibusbSim::findAndOpenExplicitIds()
{
    UnitOptions o;
    o.productId = 0x1234; // no row of the device type table
    o.bcdDevice = 0x0100;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QCOMPARE(usb.findAndOpen(0x0483, 0, 0, "TOVAK_KT900", true), 0);   // type 0: skipped
    QVERIFY(!usb.isOpen());
    QCOMPARE(usb.findAndOpen(0x0483, 0x1234, 0x0101, "TOVAK_KT900", false), 0);
    QCOMPARE(usb.findAndOpen(0x0483, 0x1234, 0x0100, "TOVAK_KT900", false), 1);
    QVERIFY(usb.isOpen());
    QVERIFY(fixture.unit().receivedFrames().empty()); // no identify without auto match
}

void TestMyLibusbSim::onlyInterfaceZeroIsClaimed()
{
    BridgeOptions b;
    b.interfaceCount = 3;
    VirtualUnitFixture fixture(UnitOptions(), b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QVERIFY(openUnit(usb, fixture));
    QCOMPARE(usb.interfaceCount(), 3);
    QCOMPARE(fixture.bridge().stats().claimed, std::vector<int>{0});
    usb.closeDevice();
    const BridgeStats s = fixture.bridge().stats();
    QVERIFY(s.claimed.empty());
    QCOMPARE(s.interfaceLog.filter(QStringLiteral("claim")), QStringList{QStringLiteral("claim 0")});
    QCOMPARE(s.interfaceLog.filter(QStringLiteral("release")), QStringList{QStringLiteral("release 0")});
}

void TestMyLibusbSim::readTimeOutKeepsTheDeviceOpen()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QVERIFY(openUnit(usb, fixture));
    std::uint8_t report[64];
    QElapsedTimer t;
    t.start();
    QCOMPARE(usb.readReport(report, 200), 0);
    QVERIFY(t.elapsed() >= 190);
    QVERIFY(usb.isOpen());
    fixture.unit().selectPreset(3); // the unit speaks: the next read gets it
    QCOMPARE(usb.readReport(report, 500), 64);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(report), 7), bytes({8, 0xAA, 0x55, 0x02, 0x00, 0x22, 0x03}));
    QVERIFY(Frame::isValid(report + 1, 8));
}

void TestMyLibusbSim::unplugDuringRead()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QVERIFY(openUnit(usb, fixture));
    std::atomic<int> result{1};
    std::thread reader([&] {
        std::uint8_t report[64];
        result = usb.readReport(report, 5000);
    });
    QThread::msleep(150);
    QVERIFY(fixture.unplug());
    reader.join();
    QCOMPARE(result.load(), -1);
    QVERIFY(!usb.isOpen());
    QCOMPARE(usb.deviceAddress(), -1);
    // Writes on the closed connection fail; reads report -1.
    const QByteArray request = Frame::build(bytes({0x00, 0x00}));
    QVERIFY(!usb.writeFrame(reinterpret_cast<const std::uint8_t *>(request.constData()), request.size(), 100));
    std::uint8_t report[64];
    QCOMPARE(usb.readReport(report, 100), -1);
    // The unit has left the bus.
#ifdef KT900_TEST_OPEN_AS_LAUNCHER
    QCOMPARE(usb.findAndOpen(0x0483, 0, 0, "TOVAK_KT900", true), 0);
#else
    QVERIFY(usb.openByAddress(static_cast<std::uint8_t>(fixture.deviceAddress())));
#endif
    QVERIFY(!usb.isOpen());
}

void TestMyLibusbSim::unplugBeforeRead()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QVERIFY(openUnit(usb, fixture));
    QVERIFY(fixture.unplug());
    std::uint8_t report[64];
    QCOMPARE(usb.readReport(report, 500), -1);
    QVERIFY(!usb.isOpen());
}

void TestMyLibusbSim::reportCuttingAsSeenByTheUnit_data()
{
    QTest::addColumn<int>("payloadLength");
    QTest::addColumn<int>("reports");
    QTest::newRow("63-byte frame: one report") << 57 << 1;
    QTest::newRow("64-byte frame: two reports") << 58 << 2;
    QTest::newRow("126-byte frame: two reports") << 120 << 2;
    QTest::newRow("preset frame: eight reports") << 482 << 8;
}

void TestMyLibusbSim::reportCuttingAsSeenByTheUnit()
{
    QFETCH(int, payloadLength);
    QFETCH(int, reports);
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QVERIFY(openUnit(usb, fixture));
    // A frame the unit does not know: it is reassembled and logged, not applied.
    QByteArray payload(payloadLength, '\0');
    payload[0] = char(0x7E);
    for (int i = 1; i < payloadLength; ++i)
        payload[i] = static_cast<char>(0xAA ^ i);
    const QByteArray frame = Frame::build(payload);
    const int before = fixture.unit().reportsReceived();
    QVERIFY(usb.writeFrame(reinterpret_cast<const std::uint8_t *>(frame.constData()), frame.size(), 500));
    QCOMPARE(fixture.unit().reportsReceived() - before, reports);
    // A short frame after it: its report carries stale bytes of the one
    // before after the counted ones, which the unit must not read.
    const QByteArray info = Frame::build(bytes({0x00, 0x00}));
    QVERIFY(usb.writeFrame(reinterpret_cast<const std::uint8_t *>(info.constData()), info.size(), 500));
    QCOMPARE(fixture.unit().reportsReceived() - before, reports + 1);
    const std::vector<QByteArray> frames = fixture.unit().receivedFrames();
    QCOMPARE(int(frames.size()), 2);
    QCOMPARE(frames.at(0), payload);
    QCOMPARE(frames.at(1), bytes({0x00, 0x00}));
    std::uint8_t report[64];
    QCOMPARE(usb.readReport(report, 500), 64);
    QCOMPARE(int(report[5]), 0x01);
}

void TestMyLibusbSim::blockCuttingAsSeenByTheUnit()
{
    UnitOptions o;
    o.deviceType = 6;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    QCOMPARE(usb.findAndOpen(0x0483, 0, 0, "TOVAK_KT900", true), 2);
    QCOMPARE(int(usb.bulkInEndpoint()), 0x81);
    QCOMPARE(int(usb.bulkOutEndpoint()), 0x01);
    const int before = fixture.unit().reportsReceived();
    // 512 frame bytes: one block; 513: two, the second zero-padded.
    for (int frameLen : {512, 513}) {
        QByteArray payload(frameLen - 6, '\x11');
        payload[0] = char(0x7E);
        const QByteArray frame = Frame::build(payload);
        QVERIFY(usb.writeBlocks(reinterpret_cast<const std::uint8_t *>(frame.constData()), frame.size(), 500));
    }
    QCOMPARE(fixture.unit().reportsReceived() - before, 3);
    const std::vector<QByteArray> frames = fixture.unit().receivedFrames();
    QCOMPARE(int(frames.size()), 3); // the identify request and the two frames
    QCOMPARE(frames.at(1).size(), 506);
    QCOMPARE(frames.at(2).size(), 507);
    // Reads come back as blocks without a count byte.
    const QByteArray info = Frame::build(bytes({0x00, 0x00}));
    QVERIFY(usb.write(reinterpret_cast<const std::uint8_t *>(info.constData()), info.size(), 500));
    std::uint8_t block[512];
    QCOMPARE(usb.read(block, 500), 61);
    QCOMPARE(int(block[0]), 0xAA);
}

QTEST_GUILESS_MAIN(TestMyLibusbSim)
#include "tst_mylibusb_sim.moc"
