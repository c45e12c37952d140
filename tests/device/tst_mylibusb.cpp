// MyLibusb without a device: the device type table, the closed state, the
// cutting of frames into reports and blocks, and the device info request
// over a fake transport that answers it.

#include "fakeunit.h"
#include "mylibusb.h"

#include <QtTest>

#include <atomic>
#include <thread>
#include <vector>

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(static_cast<char>(b));
    return out;
}

// A 64-byte info reply report: count byte, AA 55, length, reply code 0x01,
// then the fields at their payload offsets. As a bulk block: no count byte,
// zero-padded to 512 bytes.
QByteArray infoReport(const QByteArray &name, char mode, const QByteArray &firmware = "V1.1.0", bool block = false)
{
    QByteArray payload(55, '\0');
    payload[0] = 0x01;
    payload.replace(1, name.size(), name);
    payload.replace(33, 5, "INFO1");
    payload.replace(40, firmware.size(), firmware);
    payload.replace(47, 5, "INFO3");
    payload[54] = mode;
    const QByteArray frame = Frame::build(payload);
    if (block)
        return frame + QByteArray(512 - frame.size(), '\0');
    QByteArray report(64, '\0');
    report[0] = 63;
    report.replace(1, 63, frame.left(63));
    return report;
}

} // namespace

class TestMyLibusb : public QObject
{
    Q_OBJECT

private slots:
    void deviceTypeTable_data();
    void deviceTypeTable();
    void closedState();
    void openByAddressWithoutDevice();
    void unitAtLocation_data();
    void unitAtLocation();
    void reportCutting_data();
    void reportCutting();
    void blockCutting_data();
    void blockCutting();
    void cuttingStopsAtFailure();
    void identify_data();
    void identify();
    void identifyWithoutReply();
    void identifyTypeThreeReadsNothing();
    void concurrentCloseReadAndWrite();
};

void TestMyLibusb::deviceTypeTable_data()
{
    QTest::addColumn<int>("pid");
    QTest::addColumn<int>("bcd");
    QTest::addColumn<int>("type");
    QTest::newRow("5703/CA") << 0x5703 << 0x00CA << 4;
    QTest::newRow("5750/CA") << 0x5750 << 0x00CA << 3;
    QTest::newRow("5750/C8") << 0x5750 << 0x00C8 << 1;
    QTest::newRow("5703/C8") << 0x5703 << 0x00C8 << 5;
    QTest::newRow("1412/C8 bulk") << 0x1412 << 0x00C8 << 6;
    QTest::newRow("1512/C8") << 0x1512 << 0x00C8 << 7;
    QTest::newRow("1522/C8") << 0x1522 << 0x00C8 << 8;
    QTest::newRow("1412/CA unsupported") << 0x1412 << 0x00CA << 0;
    QTest::newRow("5703/C9 unsupported") << 0x5703 << 0x00C9 << 0;
    QTest::newRow("unknown pid") << 0x1234 << 0x00C8 << 0;
    QTest::newRow("zero") << 0 << 0 << 0;
}

void TestMyLibusb::deviceTypeTable()
{
    QFETCH(int, pid);
    QFETCH(int, bcd);
    QFETCH(int, type);
    QCOMPARE(MyLibusb::deviceTypeFor(static_cast<std::uint16_t>(pid), static_cast<std::uint16_t>(bcd)), type);
    QCOMPARE(MyLibusb::isBulkType(type), type == 6);
    QCOMPARE(MyLibusb::isInterruptType(type), type != 0 && type != 6);
}

void TestMyLibusb::closedState()
{
    MyLibusb usb;
    QVERIFY(!usb.isLibusbReady()); // libusb is initialised by the first open
    QVERIFY(!usb.isOpen());
    QCOMPARE(usb.deviceAddress(), -1);
    QCOMPARE(usb.deviceType(), 0);
    QCOMPARE(usb.interfaceCount(), 0);
    QCOMPARE(usb.interruptInEndpoint(), std::uint8_t(0));
    QCOMPARE(usb.interruptOutEndpoint(), std::uint8_t(0));
    QCOMPARE(usb.bulkInEndpoint(), std::uint8_t(0));
    QCOMPARE(usb.bulkOutEndpoint(), std::uint8_t(0));

    std::uint8_t buffer[512] = {};
    const std::uint8_t frame[8] = {0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97};
    QVERIFY(!usb.writeFrame(frame, 8, 100));
    QVERIFY(!usb.writeBlocks(frame, 8, 100));
    QVERIFY(!usb.write(frame, 8, 100));   // type 0: no transport
    QCOMPARE(usb.readReport(buffer, 10), -1);
    QCOMPARE(usb.readBlock(buffer, 10), -1);
    QCOMPARE(usb.read(buffer, 10), -1);   // closed: an error whatever the type, so a reader stops
    QCOMPARE(usb.readSize(), 64);
    QVERIFY(usb.hasCountByte());

    for (int type : {1, 4, 6, 8}) {
        usb.setDeviceType(type);
        QCOMPARE(usb.readSize(), type == 6 ? 512 : 64);
        QCOMPARE(usb.hasCountByte(), type != 6);
        QVERIFY(!usb.write(frame, 8, 100));
        QCOMPARE(usb.read(buffer, 10), -1);
        QVERIFY(!usb.readWithRetry(buffer)); // -1 ends the retries at once
        QCOMPARE(usb.identify(type), 0);
    }
    QCOMPARE(usb.identify(0), 0);

    usb.closeDevice();
    usb.closeDevice();
    usb.shutDown();
    usb.shutDown();
    QVERIFY(!usb.isOpen());
    QVERIFY(!usb.isLibusbReady());
}

void TestMyLibusb::openByAddressWithoutDevice()
{
    MyLibusb usb;
    // With libusb available the list can be read and no device has address
    // 250: true, still closed. Without it (no usbfs) the list cannot be read.
    const bool listed = usb.openByAddress(250);
    QCOMPARE(listed, usb.isLibusbReady());
    QVERIFY(!usb.isOpen());
    QCOMPARE(usb.deviceAddress(), -1);
    std::uint8_t buffer[64];
    QCOMPARE(usb.readReport(buffer, 10), -1);
}

void TestMyLibusb::unitAtLocation_data()
{
    // The device the table describes sits at bus 2, address 7.
    QTest::addColumn<int>("vid");
    QTest::addColumn<int>("pid");
    QTest::addColumn<int>("bcd");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("bus");
    QTest::addColumn<bool>("opens");
    QTest::newRow("unit, any bus") << 0x0483 << 0x5703 << 0x00CA << 7 << -1 << true;
    QTest::newRow("unit, its bus") << 0x0483 << 0x5703 << 0x00CA << 7 << 2 << true;
    QTest::newRow("unit, bulk type") << 0x0483 << 0x1412 << 0x00C8 << 7 << 2 << true;
    QTest::newRow("unit, other bus") << 0x0483 << 0x5703 << 0x00CA << 7 << 1 << false;
    QTest::newRow("unit, bus 0") << 0x0483 << 0x5703 << 0x00CA << 7 << 0 << false;
    QTest::newRow("unit, other address") << 0x0483 << 0x5703 << 0x00CA << 8 << -1 << false;
    QTest::newRow("other vendor, same ids") << 0x1D6B << 0x5703 << 0x00CA << 7 << -1 << false;
    QTest::newRow("other vendor, its bus") << 0x046D << 0xC52B << 0x1201 << 7 << 2 << false;
    QTest::newRow("unit vendor, unknown product") << 0x0483 << 0x3748 << 0x0100 << 7 << -1 << false;
    QTest::newRow("unit vendor, unknown bcdDevice") << 0x0483 << 0x5703 << 0x00C9 << 7 << 2 << false;
}

void TestMyLibusb::unitAtLocation()
{
    QFETCH(int, vid);
    QFETCH(int, pid);
    QFETCH(int, bcd);
    QFETCH(int, address);
    QFETCH(int, bus);
    QFETCH(bool, opens);
    QCOMPARE(MyLibusb::isUnitAt(static_cast<std::uint16_t>(vid), static_cast<std::uint16_t>(pid),
                                static_cast<std::uint16_t>(bcd), 2, 7, address, bus),
             opens);
}

void TestMyLibusb::reportCutting_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<int>>("counts");
    QTest::newRow("0") << 0 << QList<int>{};
    QTest::newRow("1") << 1 << QList<int>{1};
    QTest::newRow("8") << 8 << QList<int>{8};
    QTest::newRow("62") << 62 << QList<int>{62};
    QTest::newRow("63") << 63 << QList<int>{63};
    QTest::newRow("64") << 64 << QList<int>{63, 1};
    QTest::newRow("126") << 126 << QList<int>{63, 63};
    QTest::newRow("127") << 127 << QList<int>{63, 63, 1};
    QTest::newRow("488 preset frame") << 488 << QList<int>{63, 63, 63, 63, 63, 63, 63, 47};
}

void TestMyLibusb::reportCutting()
{
    QFETCH(int, length);
    QFETCH(QList<int>, counts);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7 + 1);
    QList<QByteArray> reports;
    QVERIFY(MyLibusb::cutIntoReports(data.data(), length, [&](const std::uint8_t *r, int size) {
        reports.append(QByteArray(reinterpret_cast<const char *>(r), size));
        return true;
    }));
    QCOMPARE(reports.size(), counts.size());
    QByteArray joined;
    for (int i = 0; i < reports.size(); ++i) {
        QCOMPARE(reports[i].size(), 64);
        QCOMPARE(int(std::uint8_t(reports[i][0])), counts[i]);
        joined += reports[i].mid(1, counts[i]);
    }
    QCOMPARE(joined, QByteArray(reinterpret_cast<const char *>(data.data()), length));
}

void TestMyLibusb::blockCutting_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("blocks");
    QTest::newRow("8") << 8 << 1;
    QTest::newRow("511") << 511 << 1;
    QTest::newRow("512") << 512 << 1;
    QTest::newRow("513") << 513 << 2;
    QTest::newRow("1024") << 1024 << 2;
    QTest::newRow("1030") << 1030 << 3;
}

void TestMyLibusb::blockCutting()
{
    QFETCH(int, length);
    QFETCH(int, blocks);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(length), 0xA5);
    QList<QByteArray> sent;
    QVERIFY(MyLibusb::cutIntoBlocks(data.data(), length, [&](const std::uint8_t *b, int size) {
        sent.append(QByteArray(reinterpret_cast<const char *>(b), size));
        return true;
    }));
    QCOMPARE(sent.size(), blocks);
    const QByteArray all = [&] { QByteArray a; for (const auto &b : sent) a += b; return a; }();
    QCOMPARE(all.size(), blocks * 512);
    QCOMPARE(all.left(length), QByteArray(length, char(0xA5)));
    QCOMPARE(all.mid(length), QByteArray(blocks * 512 - length, '\0')); // tail zero-padded
}

void TestMyLibusb::cuttingStopsAtFailure()
{
    std::vector<std::uint8_t> data(200, 1);
    int calls = 0;
    QVERIFY(!MyLibusb::cutIntoReports(data.data(), 200, [&](const std::uint8_t *, int) { return ++calls < 2; }));
    QCOMPARE(calls, 2);
    calls = 0;
    QVERIFY(!MyLibusb::cutIntoBlocks(data.data(), 200, [&](const std::uint8_t *, int) { return ++calls < 1; }));
    QCOMPARE(calls, 1);
    QVERIFY(!MyLibusb::cutIntoReports(nullptr, 5, [](const std::uint8_t *, int) { return true; }));
    QVERIFY(!MyLibusb::cutIntoReports(data.data(), -1, [](const std::uint8_t *, int) { return true; }));
}

void TestMyLibusb::identify_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<char>("mode");
    QTest::addColumn<int>("result");
    QTest::newRow("mode A") << 4 << QByteArray("TOVAK_KT900") << 'A' << 2;
    QTest::newRow("mode B") << 5 << QByteArray("TOVAK_KT900") << 'B' << 1;
    QTest::newRow("other letter case") << 7 << QByteArray("tovak_Kt900") << 'A' << 2;
    QTest::newRow("unknown mode") << 8 << QByteArray("TOVAK_KT900") << 'C' << 0;
    QTest::newRow("other model") << 4 << QByteArray("TOVAK_KT700") << 'A' << 0;
    QTest::newRow("longer name") << 4 << QByteArray("TOVAK_KT9000") << 'A' << 0;
    QTest::newRow("type 1 name only") << 1 << QByteArray("TOVAK_KT900") << 'X' << 1;
    QTest::newRow("type 1 other model") << 1 << QByteArray("OTHER") << 'A' << 0;
    QTest::newRow("bulk block, mode A") << 6 << QByteArray("TOVAK_KT900") << 'A' << 2;
    QTest::newRow("bulk block, mode B") << 6 << QByteArray("Tovak_KT900") << 'B' << 1;
}

void TestMyLibusb::identify()
{
    QFETCH(int, type);
    QFETCH(QByteArray, name);
    QFETCH(char, mode);
    QFETCH(int, result);
    FakeUnit unit;
    unit.setBlockTransport(type == 6);
    unit.queueReport(infoReport(name, mode, "v1.1.0", type == 6));
    bool unanswered = true;
    QCOMPARE(MyLibusb::identifyOver(unit, type, "TOVAK_KT900", &unanswered), result);
    QVERIFY(!unanswered);
    QCOMPARE(unit.closes(), 0);

    // Two reports went out: eight zero bytes, then the info request frame.
    const QList<QByteArray> w = unit.written();
    QCOMPARE(w.size(), 2);
    QCOMPARE(w[0], QByteArray(8, '\0'));
    QCOMPARE(w[1], bytes({0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97}));
    QCOMPARE(w[1], Frame::build(QByteArray(2, '\0')));

    const MyLibusb::DeviceInfo info = MyLibusb::deviceInfo();
    QVERIFY(info.valid);
    QCOMPARE(info.modelName, name);
    QCOMPARE(info.info1, QByteArray("INFO1"));
    QCOMPARE(info.firmwareVersion, QByteArray("v1.1.0"));
    QCOMPARE(info.info3, QByteArray("INFO3"));
    QCOMPARE(info.mode, mode);
}

void TestMyLibusb::identifyWithoutReply()
{
    FakeUnit unit;
    QElapsedTimer t;
    t.start();
    bool unanswered = false;
    QCOMPARE(MyLibusb::identifyOver(unit, 4, "TOVAK_KT900", &unanswered), 0);
    QCOMPARE(unit.reads(), 5);            // five reads of 100 ms
    QVERIFY(t.elapsed() >= 450);
    QVERIFY(unanswered);
    QCOMPARE(unit.closes(), 1);           // a unit that never answers is let go

    unit.unplug();                        // an error ends the retries at once
    QCOMPARE(MyLibusb::identifyOver(unit, 4, "TOVAK_KT900", &unanswered), 0);
    QCOMPARE(unit.reads(), 6);
    QVERIFY(!unanswered);
    QCOMPARE(unit.closes(), 1);
}

void TestMyLibusb::identifyTypeThreeReadsNothing()
{
    FakeUnit unit;
    QCOMPARE(MyLibusb::identifyOver(unit, 3, "TOVAK_KT900"), 1);
    QCOMPARE(unit.reads(), 0);
    QCOMPARE(unit.written().size(), 2);

    unit.setFailWrites(true);             // a failed write answers 0
    QCOMPARE(MyLibusb::identifyOver(unit, 3, "TOVAK_KT900"), 0);
    QCOMPARE(MyLibusb::identifyOver(unit, 4, "TOVAK_KT900"), 0);
    QCOMPARE(MyLibusb::identifyOver(unit, 0, "TOVAK_KT900"), 0); // no transport for type 0
    QCOMPARE(unit.reads(), 0);
}

// A reading thread that closes the connection while another thread writes and
// queries it: meant for the ThreadSanitizer build, which checks that every
// shared field is only touched under the handle lock.
void TestMyLibusb::concurrentCloseReadAndWrite()
{
    MyLibusb usb;
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        std::uint8_t buffer[64];
        while (!stop.load()) {
            if (usb.readReport(buffer, 1) == -1)
                usb.closeDevice();
            ++reads;
        }
    });
    const std::uint8_t frame[8] = {0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97};
    for (int i = 0; i < 2000 || reads.load() < 100; ++i) {
        QVERIFY(!usb.writeFrame(frame, 8, 1));
        usb.setDeviceType(i % 9);
        QVERIFY(!usb.write(frame, 8, 1));
        QCOMPARE(usb.deviceAddress(), -1);
        (void)usb.interruptOutEndpoint();
        usb.setExpectedName(i % 2 ? "TOVAK_KT900" : "TOVAK_KT700");
    }
    stop.store(true);
    reader.join();
    QVERIFY(reads.load() >= 100);
    QVERIFY(!usb.isOpen());
}

QTEST_GUILESS_MAIN(TestMyLibusb)
#include "tst_mylibusb.moc"
