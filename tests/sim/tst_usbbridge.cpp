// The USB plumbing of the virtual unit, seen through plain libusb calls in
// this process (the test runs under the umockdev preload).

#include "unithelpers.h"
#include "virtualunitfixture.h"

#include <libusb.h>

#include <QElapsedTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace Kt900Sim;
using namespace TestUnit;

namespace {

// An open libusb handle on the unit, closed on scope exit.
class Handle
{
public:
    explicit Handle(int address)
    {
        libusb_init(&m_ctx);
        libusb_device **list = nullptr;
        const ssize_t n = libusb_get_device_list(m_ctx, &list);
        for (ssize_t i = 0; i < n; ++i)
            if (libusb_get_device_address(list[i]) == address && libusb_open(list[i], &m_handle) == 0)
                break;
        if (n >= 0)
            libusb_free_device_list(list, 1);
    }
    ~Handle()
    {
        if (m_handle)
            libusb_close(m_handle);
        libusb_exit(m_ctx);
    }
    libusb_device_handle *get() const { return m_handle; }
    libusb_context *context() const { return m_ctx; }

private:
    libusb_context *m_ctx = nullptr;
    libusb_device_handle *m_handle = nullptr;
};

int writeFrame(libusb_device_handle *h, const QByteArray &payload, unsigned char endpointType = LIBUSB_TRANSFER_TYPE_INTERRUPT)
{
    int rc = 0;
    for (QByteArray r : cutReports(Frame::build(payload))) {
        int done = 0;
        rc = endpointType == LIBUSB_TRANSFER_TYPE_INTERRUPT
                 ? libusb_interrupt_transfer(h, 0x01, reinterpret_cast<unsigned char *>(r.data()), 64, &done, 500)
                 : libusb_bulk_transfer(h, 0x01, reinterpret_cast<unsigned char *>(r.data()), 64, &done, 500);
        if (rc != 0)
            return rc;
    }
    return rc;
}

int readReport(libusb_device_handle *h, QByteArray *out, int timeoutMs = 500)
{
    unsigned char buf[64];
    int done = 0;
    const int rc = libusb_interrupt_transfer(h, 0x81, buf, sizeof buf, &done, static_cast<unsigned>(timeoutMs));
    if (out)
        *out = QByteArray(reinterpret_cast<const char *>(buf), done);
    return rc;
}

} // namespace

class TestUsbBridge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void enumeratesWithTheTypesIds_data();
    void enumeratesWithTheTypesIds();
    void stringDescriptors();
    void claimAndRelease();
    void deviceInfoRoundTrip();
    void bulkTypeRoundTrip();
    void readTimeOutKeepsTheDevice();
    void unplugFailsPendingAndLaterTransfers();
    void unplugAfterReportsFault();
    void idleWaitDoesNotSpin();
    void pacingHoldsOneReportPerMillisecond();
    void otherDeviceNodesKeepTheirIoctls();
    void secondFixtureAfterTheFirst();
};

void TestUsbBridge::initTestCase()
{
    QVERIFY2(VirtualUnitFixture::preloadActive(),
             "this test must run under the umockdev preload (LD_PRELOAD=libumockdev-preload.so.0); ctest arranges that");
}

void TestUsbBridge::enumeratesWithTheTypesIds_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("pid");
    QTest::addColumn<int>("bcd");
    QTest::addColumn<int>("transfer");
    QTest::newRow("type 1") << 1 << 0x5750 << 0x00C8 << int(LIBUSB_TRANSFER_TYPE_INTERRUPT);
    QTest::newRow("type 3") << 3 << 0x5750 << 0x00CA << int(LIBUSB_TRANSFER_TYPE_INTERRUPT);
    QTest::newRow("type 4") << 4 << 0x5703 << 0x00CA << int(LIBUSB_TRANSFER_TYPE_INTERRUPT);
    QTest::newRow("type 5") << 5 << 0x5703 << 0x00C8 << int(LIBUSB_TRANSFER_TYPE_INTERRUPT);
    QTest::newRow("type 6") << 6 << 0x1412 << 0x00C8 << int(LIBUSB_TRANSFER_TYPE_BULK);
    QTest::newRow("type 7") << 7 << 0x1512 << 0x00C8 << int(LIBUSB_TRANSFER_TYPE_INTERRUPT);
    QTest::newRow("type 8") << 8 << 0x1522 << 0x00C8 << int(LIBUSB_TRANSFER_TYPE_INTERRUPT);
}

void TestUsbBridge::enumeratesWithTheTypesIds()
{
    QFETCH(int, type);
    QFETCH(int, pid);
    QFETCH(int, bcd);
    QFETCH(int, transfer);
    UnitOptions o;
    o.deviceType = type;
    BridgeOptions b;
    b.deviceAddress = 10 + type;
    VirtualUnitFixture fixture(o, b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));

    libusb_context *ctx = nullptr;
    QCOMPARE(libusb_init(&ctx), 0);
    libusb_device **list = nullptr;
    const ssize_t n = libusb_get_device_list(ctx, &list);
    QCOMPARE(int(n), 2); // the root hub and the unit
    bool found = false;
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d;
        QCOMPARE(libusb_get_device_descriptor(list[i], &d), 0);
        if (d.idVendor != 0x0483)
            continue;
        found = true;
        QCOMPARE(int(d.idProduct), pid);
        QCOMPARE(int(d.bcdDevice), bcd);
        QCOMPARE(int(libusb_get_device_address(list[i])), 10 + type);
        QCOMPARE(int(libusb_get_bus_number(list[i])), 1);
        libusb_config_descriptor *config = nullptr;
        QCOMPARE(libusb_get_config_descriptor(list[i], 0, &config), 0);
        QCOMPARE(int(config->bNumInterfaces), 1);
        const libusb_interface_descriptor &alt = config->interface[0].altsetting[0];
        QCOMPARE(int(alt.bNumEndpoints), 2);
        QCOMPARE(int(alt.endpoint[0].bEndpointAddress), 0x81);
        QCOMPARE(int(alt.endpoint[1].bEndpointAddress), 0x01);
        QCOMPARE(alt.endpoint[0].bmAttributes & 3, transfer);
        QCOMPARE(int(alt.endpoint[0].wMaxPacketSize), transfer == LIBUSB_TRANSFER_TYPE_BULK ? 512 : 64);
        libusb_free_config_descriptor(config);
    }
    libusb_free_device_list(list, 1);
    libusb_exit(ctx);
    QVERIFY(found);
}

void TestUsbBridge::stringDescriptors()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    unsigned char text[64];
    QVERIFY(libusb_get_string_descriptor_ascii(h.get(), 1, text, sizeof text) > 0);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(text)), QByteArray("TOVAK"));
    QVERIFY(libusb_get_string_descriptor_ascii(h.get(), 2, text, sizeof text) > 0);
    QVERIFY(QByteArray(reinterpret_cast<const char *>(text)).contains("KT900"));
    // An unknown string stalls.
    QCOMPARE(libusb_get_string_descriptor_ascii(h.get(), 9, text, sizeof text), int(LIBUSB_ERROR_PIPE));
}

void TestUsbBridge::claimAndRelease()
{
    BridgeOptions b;
    b.interfaceCount = 2;
    VirtualUnitFixture fixture(UnitOptions(), b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    {
        Handle h(fixture.deviceAddress());
        QVERIFY(h.get());
        QCOMPARE(libusb_set_configuration(h.get(), 1), 0);
        QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
        QCOMPARE(libusb_claim_interface(h.get(), 1), 0);
        QCOMPARE(libusb_claim_interface(h.get(), 2), int(LIBUSB_ERROR_NOT_FOUND));
        QCOMPARE(fixture.bridge().stats().claimed, (std::vector<int>{0, 1}));
        QCOMPARE(libusb_release_interface(h.get(), 1), 0);
        QCOMPARE(fixture.bridge().stats().claimed, std::vector<int>{0});
        // A second program claims the unit while this one holds it: busy, as
        // the kernel answers; once released, the other one gets it.
        Handle other(fixture.deviceAddress());
        QVERIFY(other.get());
        QCOMPARE(libusb_claim_interface(other.get(), 0), int(LIBUSB_ERROR_BUSY));
        QCOMPARE(fixture.bridge().stats().claimed, std::vector<int>{0});
        QCOMPARE(libusb_release_interface(h.get(), 0), 0);
        QCOMPARE(libusb_claim_interface(other.get(), 0), 0);
        QCOMPARE(fixture.bridge().stats().claimed, std::vector<int>{0});
        QCOMPARE(libusb_claim_interface(h.get(), 0), int(LIBUSB_ERROR_BUSY));
        QCOMPARE(libusb_release_interface(other.get(), 0), 0);
        QVERIFY(fixture.bridge().stats().claimed.empty());
    }
    const QStringList log = fixture.bridge().stats().interfaceLog;
    QVERIFY(log.contains(QStringLiteral("set-configuration 1")));
    QVERIFY(log.contains(QStringLiteral("claim 1")));
    QVERIFY(log.contains(QStringLiteral("release 1")));
    QVERIFY(log.contains(QStringLiteral("claim 0 refused (busy)")));
}

void TestUsbBridge::deviceInfoRoundTrip()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
    QCOMPARE(writeFrame(h.get(), bytes({0x00, 0x00})), 0);
    QByteArray r;
    QCOMPARE(readReport(h.get(), &r), 0);
    QCOMPARE(r.size(), 64);
    QCOMPARE(u8(r, 0), 61);
    QCOMPARE(r.mid(6, 11), QByteArray("TOVAK_KT900"));
    QCOMPARE(r.at(59), 'A');
    QCOMPARE(fixture.unit().reportsReceived(), 1);
    QCOMPARE(fixture.unit().reportsSent(), 1);
    // A whole download arrives intact and in order.
    QCOMPARE(writeFrame(h.get(), bytes({0x1E, 0x01})), 0);
    QVector<QByteArray> reports;
    while (readReport(h.get(), &r, 1000) == 0) {
        reports.append(r);
        if (u8(r, 5) == 0x1F && u8(r, 1) == 0xAA)
            break;
    }
    int bad = 0;
    const QVector<QByteArray> frames = decodePayloads(reports, false, &bad);
    QCOMPARE(bad, 0);
    QCOMPARE(int(std::count_if(frames.begin(), frames.end(), [](const QByteArray &p) { return u8(p, 0) == 0x1C; })), 256);
    QCOMPARE(u8(frames.last(), 0), 0x1F);
    QVERIFY(fixture.unit().protocolErrors().isEmpty());
}

void TestUsbBridge::bulkTypeRoundTrip()
{
    UnitOptions o;
    o.deviceType = 6;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
    unsigned char block[512] = {0xAA, 0x55, 0x02, 0x00, 0x00, 0x00, 0x12, 0x97};
    int done = 0;
    QCOMPARE(libusb_bulk_transfer(h.get(), 0x01, block, 512, &done, 500), 0);
    QCOMPARE(done, 512);
    unsigned char in[512];
    QCOMPARE(libusb_bulk_transfer(h.get(), 0x81, in, 512, &done, 500), 0);
    QCOMPARE(done, 61);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(in + 5), 11), QByteArray("TOVAK_KT900"));
    // Interrupt transfers do not run on bulk endpoints.
    QCOMPARE(libusb_interrupt_transfer(h.get(), 0x81, in, 64, &done, 100), int(LIBUSB_ERROR_IO));
}

void TestUsbBridge::readTimeOutKeepsTheDevice()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
    QElapsedTimer t;
    t.start();
    QCOMPARE(readReport(h.get(), nullptr, 150), int(LIBUSB_ERROR_TIMEOUT));
    QVERIFY(t.elapsed() >= 140);
    QVERIFY(t.elapsed() < 2000);
    QCOMPARE(fixture.bridge().stats().discards, 1L);
    // The device still answers.
    QCOMPARE(writeFrame(h.get(), bytes({0x00, 0x00})), 0);
    QByteArray r;
    QCOMPARE(readReport(h.get(), &r), 0);
    QCOMPARE(u8(r, 0), 61);
}

void TestUsbBridge::unplugFailsPendingAndLaterTransfers()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
    std::atomic<int> result{1};
    std::thread reader([&] { result = readReport(h.get(), nullptr, 5000); });
    QTRY_VERIFY(fixture.bridge().stats().ioctls > 0);
    QThread::msleep(100); // the read is waiting now
    QElapsedTimer t;
    t.start();
    QVERIFY(fixture.unplug());
    reader.join();
    QCOMPARE(result.load(), int(LIBUSB_ERROR_NO_DEVICE));
    QVERIFY(t.elapsed() < 2000);
    QVERIFY(fixture.bridge().isRemoved());
    // Later transfers and claims fail the same way.
    QCOMPARE(readReport(h.get(), nullptr, 100), int(LIBUSB_ERROR_NO_DEVICE));
    QCOMPARE(writeFrame(h.get(), bytes({0x00, 0x00})), int(LIBUSB_ERROR_NO_DEVICE));
    QCOMPARE(libusb_claim_interface(h.get(), 0), int(LIBUSB_ERROR_NO_DEVICE));
    // And the device has left the bus.
    libusb_device **list = nullptr;
    QTRY_COMPARE(int(libusb_get_device_list(h.context(), &list)) + (libusb_free_device_list(list, 1), 0), 1);
}

void TestUsbBridge::unplugAfterReportsFault()
{
    UnitOptions o;
    o.faults.unplugAfterReports = 40;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
    QCOMPARE(writeFrame(h.get(), bytes({0x1E, 0x01})), 0);
    int reports = 0;
    int rc = 0;
    while ((rc = readReport(h.get(), nullptr, 2000)) == 0)
        ++reports;
    QCOMPARE(reports, 40);
    QCOMPARE(rc, int(LIBUSB_ERROR_NO_DEVICE));
    QTRY_VERIFY(fixture.bridge().isRemoved());
}

void TestUsbBridge::idleWaitDoesNotSpin()
{
    // A client waiting on a read sleeps in poll(): a handful of reaps per
    // second, not thousands.
    {
        VirtualUnitFixture fixture;
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        Handle h(fixture.deviceAddress());
        QVERIFY(h.get());
        QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
        const long before = fixture.bridge().stats().reaps;
        QCOMPARE(readReport(h.get(), nullptr, 1000), int(LIBUSB_ERROR_TIMEOUT));
        const long reaps = fixture.bridge().stats().reaps - before;
        QVERIFY2(reaps < 20, qPrintable(QStringLiteral("%1 reaps while idle").arg(reaps)));
    }
    // With a plain device node the same wait spins, which is what the FIFO
    // avoids: this shows the measurement above can see spinning.
    BridgeOptions busy;
    busy.fifoWakeup = false;
    VirtualUnitFixture fixture(UnitOptions(), busy);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
    const long before = fixture.bridge().stats().reaps;
    QCOMPARE(readReport(h.get(), nullptr, 300), int(LIBUSB_ERROR_TIMEOUT));
    QVERIFY(fixture.bridge().stats().reaps - before > 100);
}

void TestUsbBridge::pacingHoldsOneReportPerMillisecond()
{
    BridgeOptions b;
    b.paced = true;
    VirtualUnitFixture fixture(UnitOptions(), b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Handle h(fixture.deviceAddress());
    QVERIFY(h.get());
    QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
    QCOMPARE(writeFrame(h.get(), bytes({0x1E, 0x01})), 0);
    QByteArray r;
    QCOMPARE(readReport(h.get(), &r), 0); // first report: the clock starts
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 300; ++i)
        QCOMPARE(readReport(h.get(), &r), 0);
    // 300 reports at one per millisecond take at least about 300 ms.
    QVERIFY2(t.elapsed() >= 295, qPrintable(QStringLiteral("300 reports in %1 ms").arg(t.elapsed())));
}

void TestUsbBridge::otherDeviceNodesKeepTheirIoctls()
{
    VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    // A pseudo terminal, as a GUI's terminal handling would use.
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    QVERIFY(fd >= 0);
    unsigned int ptn = 0;
    QCOMPARE(::ioctl(fd, TIOCGPTN, &ptn), 0);
    int unlock = 0;
    QCOMPARE(::ioctl(fd, TIOCSPTLCK, &unlock), 0);
    ::close(fd);
}

void TestUsbBridge::secondFixtureAfterTheFirst()
{
    for (int round = 0; round < 3; ++round) {
        BridgeOptions b;
        b.deviceAddress = 20 + round;
        VirtualUnitFixture fixture(UnitOptions(), b);
        QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
        Handle h(fixture.deviceAddress());
        QVERIFY(h.get());
        QCOMPARE(libusb_claim_interface(h.get(), 0), 0);
        QCOMPARE(writeFrame(h.get(), bytes({0x00, 0x00})), 0);
        QCOMPARE(readReport(h.get(), nullptr), 0);
    }
}

QTEST_GUILESS_MAIN(TestUsbBridge)
#include "tst_usbbridge.moc"
