#include "usbbridge.h"

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>

#include <umockdev.h>

#include <sys/ioctl.h>
#include <linux/types.h>
#include <linux/usbdevice_fs.h>
#include <linux/usb/ch9.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

Q_LOGGING_CATEGORY(lcBridge, "kt900.sim")

namespace Kt900Sim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSlot = std::chrono::microseconds(1000);     // one report per frame
constexpr auto kCatchUp = std::chrono::microseconds(500);   // lateness a paced slot may make up

constexpr std::size_t kUrbBufferOffset = offsetof(struct usbdevfs_urb, buffer);
constexpr std::size_t kUrbStatusOffset = offsetof(struct usbdevfs_urb, status);
constexpr std::size_t kUrbActualOffset = offsetof(struct usbdevfs_urb, actual_length);

// One submitted URB, kept from SUBMITURB until it is reaped.
struct Urb {
    UMockdevIoctlData *urb = nullptr;  // the client's struct usbdevfs_urb
    UMockdevIoctlData *buf = nullptr;  // its transfer buffer
    gulong clientAddr = 0;
    std::uint8_t type = 0;
    std::uint8_t endpoint = 0;
    int bufferLength = 0;
    bool done = false;
    int status = 0;
    int actual = 0;
    std::vector<std::uint8_t> inData;  // written into buf when reaped
    Clock::time_point due{};           // OUT: completion time
    long doneSeq = 0;

    ~Urb()
    {
        if (buf)
            g_object_unref(buf);
        if (urb)
            g_object_unref(urb);
    }
};

struct ClientState {
    std::deque<std::unique_ptr<Urb>> urbs;
    std::vector<int> claimed;
};

QByteArray hex(const QByteArray &b) { return b.toHex(); }

} // namespace

class UsbBridge::Private
{
public:
    // One mocked device node (the unit, or the root hub).
    struct Node {
        Private *owner = nullptr;
        bool hub = false;
        UMockdevIoctlBase *handler = nullptr;
        QString devNode;
        QByteArray deviceDescriptor;
        QByteArray configDescriptor;
        UsbIdentity identity;
        std::map<UMockdevIoctlClient *, ClientState> clients;
    };

    Private(VirtualUnit &u, const BridgeOptions &o) : unit(u), options(o) {}

    bool start(QString *error);
    void stop();

    // ioctl handling (umockdev's worker thread)
    static gboolean onIoctl(UMockdevIoctlBase *base, UMockdevIoctlClient *client, gpointer node);
    static void onClientConnected(UMockdevIoctlBase *base, UMockdevIoctlClient *client, gpointer node);
    static void onClientNotify(GObject *client, GParamSpec *pspec, gpointer node);
    gboolean handleIoctl(Node &node, UMockdevIoctlClient *client);
    void submitUrb(Node &node, ClientState &cs, UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void reapUrb(Node &node, ClientState &cs, UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void discardUrb(ClientState &cs, UMockdevIoctlClient *client, UMockdevIoctlData *arg);
    void controlTransfer(Node &node, Urb &urb);
    bool writeU32Arg(UMockdevIoctlData *arg, std::uint32_t value);
    bool readU32Arg(UMockdevIoctlData *arg, std::uint32_t *value);

    // state machine (bridge mutex held)
    void service(Clock::time_point now);
    void applyUnplug();
    void markDone(Urb &urb, int status);
    void updateFifo();
    Clock::time_point nextWake();
    // True when another open file descriptor holds the interface. A holder
    // whose connection has gone (its program ended) is forgotten first.
    bool heldByOther(Node &node, UMockdevIoctlClient *client, int iface);

    void wake();
    void pumpLoop();

    VirtualUnit &unit;
    BridgeOptions options;
    UsbIdentity identity;
    UMockdevTestbed *testbed = nullptr;
    QString root;
    QString sysPath;
    Node unitNode;
    Node hubNode;
    int fifoFd = -1;
    bool fifoFull = false;
    bool started = false;

    mutable std::mutex mutex;          // everything below
    bool gone = false;                 // unplugged on the USB level
    bool removed = false;              // the remove uevent went out
    long doneSeq = 0;
    Clock::time_point nextInSlot{};
    Clock::time_point nextOutSlot{};
    BridgeStats stats;
    std::condition_variable removedCv;

    std::atomic<bool> unplugRequested{false};
    std::thread pump;
    std::mutex wakeMutex;
    std::condition_variable wakeCv;
    bool wakeFlag = false;
    bool stopping = false;
};

// ---------------------------------------------------------------------------
// Set-up

bool UsbBridge::preloadActive()
{
    // The preload library is mapped into this process.
    const auto found = [](struct dl_phdr_info *info, size_t, void *) -> int {
        return info->dlpi_name && std::strstr(info->dlpi_name, "libumockdev-preload") ? 1 : 0;
    };
    return dl_iterate_phdr(found, nullptr) != 0;
}

bool UsbBridge::Private::start(QString *error)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (!UsbBridge::preloadActive())
        return fail(QStringLiteral("the umockdev preload is not active: run under LD_PRELOAD=libumockdev-preload.so.0"));
    if (options.deviceAddress < 2 || options.deviceAddress > 127 || options.busNumber < 1 || options.busNumber > 127)
        return fail(QStringLiteral("bus %1 / address %2 is not a valid USB location").arg(options.busNumber).arg(options.deviceAddress));

    const UnitOptions uo = unit.options();
    identity.vendorId = kVendorId;
    identity.productId = uo.effectiveProductId();
    identity.bcdDevice = uo.effectiveBcdDevice();
    identity.bulk = uo.bulk();
    identity.interfaceCount = std::max(1, options.interfaceCount);
    identity.manufacturer = QStringLiteral("TOVAK");
    identity.product = QStringLiteral("KT900 (virtual unit)");
    identity.serial = QStringLiteral("VIRTUAL-%1").arg(uo.deviceType);

    // Everything the handlers read is in place before umockdev starts its
    // worker thread.
    const QString bus = QStringLiteral("%1").arg(options.busNumber, 3, 10, QLatin1Char('0'));
    const QString dev = QStringLiteral("%1").arg(options.deviceAddress, 3, 10, QLatin1Char('0'));
    hubNode.owner = this;
    hubNode.hub = true;
    hubNode.devNode = QStringLiteral("/dev/bus/usb/%1/001").arg(bus);
    const QByteArray hubDescriptors = rootHubDescriptors();
    hubNode.deviceDescriptor = hubDescriptors.left(18);
    hubNode.configDescriptor = hubDescriptors.mid(18);
    hubNode.identity = rootHubIdentity();
    unitNode.owner = this;
    unitNode.devNode = QStringLiteral("/dev/bus/usb/%1/%2").arg(bus, dev);
    unitNode.deviceDescriptor = identity.deviceDescriptor();
    unitNode.configDescriptor = identity.configurationDescriptor();
    unitNode.identity = identity;

    testbed = umockdev_testbed_new();
    if (!testbed)
        return fail(QStringLiteral("umockdev cannot create a testbed"));
    gchar *rootDir = umockdev_testbed_get_root_dir(testbed);
    root = QString::fromLocal8Bit(rootDir);
    g_free(rootDir);

    const QString hubDevPath = QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb%1").arg(options.busNumber);
    const QString devPath = QStringLiteral("%1/%2-1").arg(hubDevPath).arg(options.busNumber);
    sysPath = QStringLiteral("/sys") + devPath;

    // Every mocked node has its own handler (attached before the device is
    // added); the default handler goes, so that ioctls on other device nodes
    // reach the real kernel.
    auto attach = [this, &fail](Node &node) {
        node.handler = umockdev_ioctl_base_new();
        g_signal_connect(node.handler, "handle-ioctl", G_CALLBACK(&Private::onIoctl), &node);
        g_signal_connect(node.handler, "client-connected", G_CALLBACK(&Private::onClientConnected), &node);
        GError *err = nullptr;
        if (!umockdev_testbed_attach_ioctl(testbed, node.devNode.toLocal8Bit().constData(), node.handler, &err)) {
            const QString message = QStringLiteral("umockdev cannot attach to %1: %2").arg(node.devNode, QString::fromUtf8(err ? err->message : ""));
            g_clear_error(&err);
            return fail(message);
        }
        return true;
    };
    if (!attach(hubNode) || !attach(unitNode))
        return false;

    auto add = [this, &fail](const QString &record) {
        GError *err = nullptr;
        if (!umockdev_testbed_add_from_string(testbed, record.toUtf8().constData(), &err)) {
            const QString message = QStringLiteral("umockdev refuses the device: %1").arg(QString::fromUtf8(err ? err->message : ""));
            g_clear_error(&err);
            return fail(message);
        }
        return true;
    };
    const UsbIdentity hub = rootHubIdentity();
    const QString hubRecord = QStringLiteral(
        "P: %1\nN: bus/usb/%2/001\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
        "E: DEVNAME=/dev/bus/usb/%2/001\nE: BUSNUM=%2\nE: DEVNUM=001\nE: PRODUCT=1d6b/2/601\n"
        "A: busnum=%3\\n\nA: devnum=1\\n\nA: speed=480\\n\nA: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n"
        "A: bNumInterfaces= 1\\n\nA: bDeviceClass=09\\n\nA: bDeviceSubClass=00\\n\nA: bDeviceProtocol=01\\n\n"
        "A: bMaxPacketSize0=64\\n\nA: bmAttributes=e0\\n\nA: configuration=\\n\nA: rx_lanes=1\\n\nA: tx_lanes=1\\n\nA: idVendor=1d6b\\n\nA: idProduct=0002\\n\nA: bcdDevice=0601\\n\n"
        "A: manufacturer=%4\\n\nA: product=%5\\n\nA: serial=%6\\n\nA: version= 2.00\\n\nA: maxchild=1\\n\nA: devpath=0\\n\n"
        "A: dev=189:%7\\n\nH: descriptors=%8\n")
        .arg(hubDevPath, bus).arg(options.busNumber).arg(hub.manufacturer, hub.product, hub.serial)
        .arg((options.busNumber - 1) * 128)
        .arg(QString::fromLatin1(hex(hubDescriptors)));
    const QString unitRecord = QStringLiteral(
        "P: %1\nN: bus/usb/%2/%3\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/%2/%3\n"
        "E: BUSNUM=%2\nE: DEVNUM=%3\nE: PRODUCT=%4/%5/%6\nE: ID_VENDOR_ID=%7\nE: ID_MODEL_ID=%8\n"
        "A: busnum=%9\\n\n")
        .arg(devPath, bus, dev)
        .arg(identity.vendorId, 0, 16).arg(identity.productId, 0, 16).arg(identity.bcdDevice, 0, 16)
        .arg(identity.vendorId, 4, 16, QLatin1Char('0')).arg(identity.productId, 4, 16, QLatin1Char('0'))
        .arg(options.busNumber)
        + QStringLiteral(
            "A: devnum=%1\\n\nA: speed=%2\\n\nA: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\nA: bNumInterfaces= %3\\n\n"
            "A: bDeviceClass=00\\n\nA: bDeviceSubClass=00\\n\nA: bDeviceProtocol=00\\n\nA: bMaxPacketSize0=64\\n\n"
            "A: bmAttributes=80\\n\nA: configuration=\\n\nA: rx_lanes=1\\n\nA: tx_lanes=1\\n\nA: idVendor=%4\\n\nA: idProduct=%5\\n\nA: bcdDevice=%6\\n\nA: manufacturer=%7\\n\nA: product=%8\\n\n"
            "A: serial=%9\\n\n")
              .arg(options.deviceAddress).arg(identity.speedMbps()).arg(identity.interfaceCount)
              .arg(identity.vendorId, 4, 16, QLatin1Char('0')).arg(identity.productId, 4, 16, QLatin1Char('0'))
              .arg(identity.bcdDevice, 4, 16, QLatin1Char('0'))
              .arg(identity.manufacturer, identity.product, identity.serial)
        + QStringLiteral("A: version= 2.00\\n\nA: maxchild=0\\n\nA: devpath=1\\n\nA: dev=189:%1\\n\nH: descriptors=%2\n")
              .arg((options.busNumber - 1) * 128 + options.deviceAddress - 1)
              .arg(QString::fromLatin1(hex(identity.descriptors())));
    // Interface 0 of both, so that tools that draw the bus tree find them.
    const QString hubInterface = QStringLiteral(
        "P: %1/%2-0:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=hub\n"
        "A: bInterfaceNumber=00\\n\nA: bAlternateSetting= 0\\n\nA: bNumEndpoints=01\\n\n"
        "A: bInterfaceClass=09\\n\nA: bInterfaceSubClass=00\\n\nA: bInterfaceProtocol=00\\n\n")
        .arg(hubDevPath).arg(options.busNumber);
    const QString unitInterface = QStringLiteral(
        "P: %1/%2-1:1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
        "A: bInterfaceNumber=00\\n\nA: bAlternateSetting= 0\\n\nA: bNumEndpoints=02\\n\n"
        "A: bInterfaceClass=ff\\n\nA: bInterfaceSubClass=00\\n\nA: bInterfaceProtocol=00\\n\n")
        .arg(devPath).arg(options.busNumber);
    if (!add(hubRecord) || !add(hubInterface) || !add(unitRecord) || !add(unitInterface))
        return false;
    ::unlink((root + QStringLiteral("/ioctl/_default")).toLocal8Bit().constData());

    if (options.fifoWakeup) {
        // The node becomes a FIFO of one page that holds one byte while
        // nothing can be reaped: poll() for POLLOUT then sleeps.
        const QByteArray node = (root + unitNode.devNode).toLocal8Bit();
        ::unlink(node.constData());
        if (::mkfifo(node.constData(), 0666) != 0)
            return fail(QStringLiteral("cannot make the device node a FIFO: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        fifoFd = ::open(node.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fifoFd < 0 || ::fcntl(fifoFd, F_SETPIPE_SZ, 4096) < 0)
            return fail(QStringLiteral("cannot set up the FIFO device node: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        std::lock_guard<std::mutex> lock(mutex);
        updateFifo();
    }

    unit.setOutputListener([this] { wake(); });
    unit.setUnplugListener([this] {
        unplugRequested = true;
        wake();
    });
    pump = std::thread([this] { pumpLoop(); });
    started = true;
    return true;
}

void UsbBridge::Private::stop()
{
    unit.setOutputListener(nullptr);
    unit.setUnplugListener(nullptr);
    if (pump.joinable()) {
        {
            std::lock_guard<std::mutex> lock(wakeMutex);
            stopping = true;
        }
        wakeCv.notify_all();
        pump.join();
    }
    if (testbed) {
        // The testbed's worker thread goes with the testbed; drop what the
        // handlers still hold first.
        {
            std::lock_guard<std::mutex> lock(mutex);
            unitNode.clients.clear();
            hubNode.clients.clear();
        }
        g_object_unref(testbed);
        testbed = nullptr;
    }
    for (Node *node : {&unitNode, &hubNode}) {
        if (node->handler) {
            g_object_unref(node->handler);
            node->handler = nullptr;
        }
    }
    if (fifoFd >= 0) {
        ::close(fifoFd);
        fifoFd = -1;
    }
    started = false;
}

// ---------------------------------------------------------------------------
// The pump: completes paced and late transfers, wakes sleeping clients and
// takes an unplugged unit off the bus.

void UsbBridge::Private::wake()
{
    {
        std::lock_guard<std::mutex> lock(wakeMutex);
        wakeFlag = true;
    }
    wakeCv.notify_one();
}

void UsbBridge::Private::pumpLoop()
{
    for (;;) {
        Clock::time_point next;
        bool removeNow = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            service(Clock::now());
            next = nextWake();
            removeNow = gone && !removed;
        }
        if (removeNow) {
            const QByteArray path = sysPath.toLocal8Bit();
            umockdev_testbed_uevent(testbed, path.constData(), "remove");
            umockdev_testbed_remove_device(testbed, path.constData());
            {
                std::lock_guard<std::mutex> lock(mutex);
                removed = true;
            }
            removedCv.notify_all();
        }
        std::unique_lock<std::mutex> lock(wakeMutex);
        if (stopping)
            return;
        const auto ready = [this] { return wakeFlag || stopping; };
        if (next == Clock::time_point::max())
            wakeCv.wait(lock, ready);
        else
            wakeCv.wait_until(lock, next, ready);
        wakeFlag = false;
        if (stopping)
            return;
    }
}

void UsbBridge::Private::markDone(Urb &urb, int status)
{
    urb.done = true;
    urb.status = status;
    urb.doneSeq = ++doneSeq;
}

void UsbBridge::Private::applyUnplug()
{
    if (!unplugRequested.exchange(false) || gone)
        return;
    gone = true;
    for (auto &entry : unitNode.clients)
        for (auto &urb : entry.second.urbs)
            if (!urb->done) {
                urb->actual = 0;
                markDone(*urb, -ESHUTDOWN);
            }
}

void UsbBridge::Private::service(Clock::time_point now)
{
    applyUnplug();
    if (!gone) {
        for (auto &entry : unitNode.clients) {
            for (auto &urb : entry.second.urbs) {
                if (urb->done || (urb->endpoint & 0x80) || urb->endpoint == 0 || urb->due > now)
                    continue;
                urb->actual = urb->bufferLength;
                markDone(*urb, 0);
                ++stats.outTransfers;
            }
        }
        // IN transfers take the unit's reports in the order they were submitted.
        for (auto &entry : unitNode.clients) {
            for (auto &urb : entry.second.urbs) {
                if (urb->done || !(urb->endpoint & 0x80))
                    continue;
                if (options.paced && now < nextInSlot)
                    break;
                std::vector<std::uint8_t> report;
                if (!unit.takeReport(&report, now))
                    break;
                const int n = std::min(static_cast<int>(report.size()), urb->bufferLength);
                report.resize(static_cast<std::size_t>(n));
                urb->inData = std::move(report);
                urb->actual = n;
                markDone(*urb, 0);
                ++stats.inTransfers;
                if (options.paced)
                    nextInSlot = std::max(nextInSlot, now - kCatchUp) + kSlot;
            }
        }
        applyUnplug(); // the unit may have gone away after its last report
    }
    updateFifo();
}

Clock::time_point UsbBridge::Private::nextWake()
{
    Clock::time_point next = unit.nextEventTime();
    if (gone)
        return next;
    bool inWaiting = false;
    for (auto &entry : unitNode.clients) {
        for (auto &urb : entry.second.urbs) {
            if (urb->done)
                continue;
            if (urb->endpoint & 0x80)
                inWaiting = true;
            else if (urb->endpoint != 0)
                next = std::min(next, urb->due);
        }
    }
    if (inWaiting) {
        Clock::time_point due = unit.nextDueTime();
        if (options.paced && due != Clock::time_point::max())
            due = std::max(due, nextInSlot);
        next = std::min(next, due);
    }
    return next;
}

void UsbBridge::Private::updateFifo()
{
    if (fifoFd < 0)
        return;
    bool ready = false;
    for (auto &entry : unitNode.clients)
        for (auto &urb : entry.second.urbs)
            ready = ready || urb->done;
    if (ready && fifoFull) {
        char drain[16];
        while (::read(fifoFd, drain, sizeof drain) > 0) {
        }
        fifoFull = false;
    } else if (!ready && !fifoFull) {
        const char byte = 0;
        fifoFull = ::write(fifoFd, &byte, 1) == 1;
    }
}

// ---------------------------------------------------------------------------
// ioctls

gboolean UsbBridge::Private::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer node)
{
    Node *n = static_cast<Node *>(node);
    return n->owner->handleIoctl(*n, client);
}

void UsbBridge::Private::onClientConnected(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer node)
{
    Node *n = static_cast<Node *>(node);
    g_signal_connect(client, "notify::connected", G_CALLBACK(&Private::onClientNotify), node);
    std::lock_guard<std::mutex> lock(n->owner->mutex);
    n->clients[client];
}

void UsbBridge::Private::onClientNotify(GObject *object, GParamSpec *, gpointer node)
{
    auto *client = reinterpret_cast<UMockdevIoctlClient *>(object);
    if (umockdev_ioctl_client_get_connected(client))
        return;
    Node *n = static_cast<Node *>(node);
    Private *self = n->owner;
    std::lock_guard<std::mutex> lock(self->mutex);
    auto it = n->clients.find(client);
    if (it == n->clients.end())
        return;
    // A closed file descriptor releases its interfaces and cancels its URBs.
    for (int iface : it->second.claimed)
        self->stats.interfaceLog.append(QStringLiteral("release %1 (closed)").arg(iface));
    n->clients.erase(it);
    if (!n->hub) {
        self->stats.claimed.clear();
        for (auto &entry : n->clients)
            for (int iface : entry.second.claimed)
                self->stats.claimed.push_back(iface);
        self->updateFifo();
    }
}

bool UsbBridge::Private::readU32Arg(UMockdevIoctlData *arg, std::uint32_t *value)
{
    GError *err = nullptr;
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(std::uint32_t), &err);
    g_clear_error(&err);
    if (!data)
        return false;
    std::memcpy(value, data->data, sizeof *value);
    g_object_unref(data);
    return true;
}

bool UsbBridge::Private::writeU32Arg(UMockdevIoctlData *arg, std::uint32_t value)
{
    GError *err = nullptr;
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(std::uint32_t), &err);
    g_clear_error(&err);
    if (!data)
        return false;
    std::memcpy(data->data, &value, sizeof value);
    g_object_unref(data);
    return true;
}

bool UsbBridge::Private::heldByOther(Node &node, UMockdevIoctlClient *client, int iface)
{
    for (auto it = node.clients.begin(); it != node.clients.end();) {
        const std::vector<int> &held = it->second.claimed;
        if (it->first == client || std::find(held.begin(), held.end(), iface) == held.end()) {
            ++it;
            continue;
        }
        // A holder whose program has ended (its connection is gone, the
        // notification may not have come yet) holds nothing any more.
        if (!umockdev_ioctl_client_get_connected(it->first)) {
            for (int i : held)
                stats.interfaceLog.append(QStringLiteral("release %1 (closed)").arg(i));
            it = node.clients.erase(it);
            continue;
        }
        stats.interfaceLog.append(QStringLiteral("claim %1 refused (busy)").arg(iface));
        return true;
    }
    return false;
}

gboolean UsbBridge::Private::handleIoctl(Node &node, UMockdevIoctlClient *client)
{
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);

    std::lock_guard<std::mutex> lock(mutex);
    ++stats.ioctls;
    ClientState &cs = node.clients[client];
    const bool unitGone = !node.hub && gone;
    long result = 0;
    int error = 0;

    switch (request) {
    case USBDEVFS_GET_CAPABILITIES:
        if (!writeU32Arg(arg, USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM))
            result = -1, error = EFAULT;
        break;
    case USBDEVFS_GET_SPEED:
        result = node.hub || identity.bulk ? USB_SPEED_HIGH : USB_SPEED_FULL;
        break;
    case USBDEVFS_CONNECTINFO: {
        GError *err = nullptr;
        UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(struct usbdevfs_connectinfo), &err);
        g_clear_error(&err);
        if (data) {
            auto *ci = reinterpret_cast<struct usbdevfs_connectinfo *>(data->data);
            ci->devnum = node.hub ? 1u : static_cast<unsigned>(options.deviceAddress);
            ci->slow = 0;
            g_object_unref(data);
        } else {
            result = -1, error = EFAULT;
        }
        break;
    }
    case USBDEVFS_GETDRIVER:
        if (node.hub) {
            GError *err = nullptr;
            UMockdevIoctlData *data = umockdev_ioctl_data_resolve(arg, 0, sizeof(struct usbdevfs_getdriver), &err);
            g_clear_error(&err);
            if (data) {
                auto *gd = reinterpret_cast<struct usbdevfs_getdriver *>(data->data);
                std::strncpy(gd->driver, "hub", sizeof gd->driver);
                g_object_unref(data);
            }
        } else {
            result = -1, error = unitGone ? ENODEV : ENODATA; // no kernel driver is bound
        }
        break;
    case USBDEVFS_SETCONFIGURATION: {
        std::uint32_t value = 0;
        if (node.hub)
            result = -1, error = EBUSY;
        else if (unitGone)
            result = -1, error = ENODEV;
        else if (!readU32Arg(arg, &value))
            result = -1, error = EFAULT;
        else if (value != 1 && value != 0xFFFFFFFFu)
            result = -1, error = EINVAL;
        else
            stats.interfaceLog.append(QStringLiteral("set-configuration %1").arg(static_cast<int>(value)));
        break;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM: {
        std::uint32_t iface = 0;
        if (node.hub)
            result = -1, error = EBUSY; // the hub driver owns it
        else if (unitGone)
            result = -1, error = ENODEV;
        else if (!readU32Arg(arg, &iface))
            result = -1, error = EFAULT;
        else if (static_cast<int>(iface) >= identity.interfaceCount)
            result = -1, error = ENOENT;
        else if (heldByOther(node, client, static_cast<int>(iface)))
            result = -1, error = EBUSY; // as the kernel: one claim per interface
        else {
            if (iface == 0) {
                // umockdev does not always report closed file descriptors at
                // once: clients that hold no claim are retired, so that the
                // transfers a vanished program left pending cannot take
                // answers meant for this one.
                for (auto it = node.clients.begin(); it != node.clients.end();) {
                    if (it->first != client && it->second.claimed.empty())
                        it = node.clients.erase(it);
                    else
                        ++it;
                }
            }
            if (std::find(cs.claimed.begin(), cs.claimed.end(), static_cast<int>(iface)) == cs.claimed.end())
                cs.claimed.push_back(static_cast<int>(iface));
            stats.interfaceLog.append(QStringLiteral("claim %1").arg(iface));
            stats.claimed.clear();
            for (auto &entry : node.clients)
                for (int i : entry.second.claimed)
                    stats.claimed.push_back(i);
            if (iface == 0)
                unit.hostAttached();
        }
        break;
    }
    case USBDEVFS_RELEASEINTERFACE: {
        std::uint32_t iface = 0;
        if (node.hub)
            result = -1, error = EINVAL;
        else if (unitGone)
            result = -1, error = ENODEV;
        else if (!readU32Arg(arg, &iface))
            result = -1, error = EFAULT;
        else {
            auto it = std::find(cs.claimed.begin(), cs.claimed.end(), static_cast<int>(iface));
            if (it == cs.claimed.end()) {
                result = -1, error = EINVAL;
            } else {
                cs.claimed.erase(it);
                stats.interfaceLog.append(QStringLiteral("release %1").arg(iface));
                stats.claimed.clear();
                for (auto &entry : node.clients)
                    for (int i : entry.second.claimed)
                        stats.claimed.push_back(i);
            }
        }
        break;
    }
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
        if (unitGone)
            result = -1, error = ENODEV;
        break;
    case USBDEVFS_SUBMITURB:
        submitUrb(node, cs, client, arg);
        updateFifo();
        return TRUE;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reapUrb(node, cs, client, arg);
        return TRUE;
    case USBDEVFS_DISCARDURB:
        discardUrb(cs, client, arg);
        if (!node.hub)
            updateFifo();
        return TRUE;
    default:
        result = -1, error = unitGone ? ENODEV : ENOTTY;
        break;
    }
    umockdev_ioctl_client_complete(client, result, error);
    return TRUE;
}

void UsbBridge::Private::submitUrb(Node &node, ClientState &cs, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    if (!node.hub && gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    GError *err = nullptr;
    UMockdevIoctlData *urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(struct usbdevfs_urb), &err);
    g_clear_error(&err);
    if (!urbData) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    auto urb = std::make_unique<Urb>();
    urb->urb = urbData;
    const auto *u = reinterpret_cast<const struct usbdevfs_urb *>(urbData->data);
    urb->clientAddr = urbData->client_addr;
    urb->type = u->type;
    urb->endpoint = u->endpoint;
    urb->bufferLength = std::max(0, u->buffer_length);
    if (urb->bufferLength > 0) {
        urb->buf = umockdev_ioctl_data_resolve(urbData, kUrbBufferOffset, static_cast<gsize>(urb->bufferLength), &err);
        g_clear_error(&err);
        if (!urb->buf) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
    }

    const Clock::time_point now = Clock::now();
    if (urb->endpoint == 0 || urb->endpoint == 0x80) {
        if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->bufferLength < 8) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return;
        }
        controlTransfer(node, *urb);
    } else {
        // Endpoints of interface 0: 0x81 IN and 0x01 OUT. Interrupt URBs
        // need interrupt endpoints; bulk URBs run on either kind.
        const bool known = !node.hub && (urb->endpoint == 0x81 || urb->endpoint == 0x01);
        if (!known) {
            umockdev_ioctl_client_complete(client, -1, ENOENT);
            return;
        }
        if ((urb->type == USBDEVFS_URB_TYPE_INTERRUPT && identity.bulk)
            || (urb->type != USBDEVFS_URB_TYPE_INTERRUPT && urb->type != USBDEVFS_URB_TYPE_BULK)) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return;
        }
        if (!(urb->endpoint & 0x80)) {
            if (urb->buf)
                unit.receiveReport(urb->buf->data, urb->bufferLength);
            if (options.paced) {
                urb->due = std::max(now, nextOutSlot);
                nextOutSlot = std::max(nextOutSlot, now - kCatchUp) + kSlot;
            } else {
                urb->due = now;
            }
        }
    }
    cs.urbs.push_back(std::move(urb));
    umockdev_ioctl_client_complete(client, 0, 0);
    if (!node.hub) {
        service(now);
        wake(); // the pump times what cannot complete at once
    }
}

void UsbBridge::Private::controlTransfer(Node &node, Urb &urb)
{
    const std::uint8_t *setup = urb.buf->data;
    const int requestType = setup[0];
    const int request = setup[1];
    const int value = setup[2] | (setup[3] << 8);
    const int length = setup[6] | (setup[7] << 8);
    QByteArray reply;
    bool stall = true;
    if (requestType == 0x80 && request == 6) { // GET_DESCRIPTOR
        const int type = value >> 8;
        const int index = value & 0xFF;
        if (type == 1)
            reply = node.deviceDescriptor;
        else if (type == 2 && index == 0)
            reply = node.configDescriptor;
        else if (type == 3)
            reply = node.identity.stringDescriptor(index);
        stall = reply.isEmpty();
    } else if (requestType == 0x80 && request == 0) { // GET_STATUS
        reply = QByteArray(2, '\0');
        stall = false;
    } else if (requestType == 0x80 && request == 8) { // GET_CONFIGURATION
        reply = QByteArray(1, '\1');
        stall = false;
    }
    if (stall || (!node.hub && gone)) {
        urb.actual = 0;
        markDone(urb, node.hub || !gone ? -EPIPE : -ESHUTDOWN);
        return;
    }
    const int n = std::min({static_cast<int>(reply.size()), length, urb.bufferLength - 8});
    std::memcpy(urb.buf->data + 8, reply.constData(), static_cast<std::size_t>(n));
    urb.actual = n;
    markDone(urb, 0);
}

void UsbBridge::Private::reapUrb(Node &node, ClientState &cs, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    if (!node.hub) {
        ++stats.reaps;
        service(Clock::now());
    }
    auto best = cs.urbs.end();
    for (auto it = cs.urbs.begin(); it != cs.urbs.end(); ++it)
        if ((*it)->done && (best == cs.urbs.end() || (*it)->doneSeq < (*best)->doneSeq))
            best = it;
    if (best == cs.urbs.end()) {
        if (!node.hub)
            ++stats.emptyReaps;
        umockdev_ioctl_client_complete(client, -1, (!node.hub && gone) ? ENODEV : EAGAIN);
        return;
    }
    std::unique_ptr<Urb> urb = std::move(*best);
    cs.urbs.erase(best);
    if (!urb->inData.empty() && urb->buf)
        std::memcpy(urb->buf->data, urb->inData.data(), urb->inData.size());
    std::memcpy(urb->urb->data + kUrbStatusOffset, &urb->status, sizeof urb->status);
    std::memcpy(urb->urb->data + kUrbActualOffset, &urb->actual, sizeof urb->actual);

    GError *err = nullptr;
    UMockdevIoctlData *slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void *), &err);
    g_clear_error(&err);
    if (!slot || !umockdev_ioctl_data_set_ptr(slot, 0, urb->urb)) {
        if (slot)
            g_object_unref(slot);
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(slot);
    if (!node.hub)
        updateFifo();
}

void UsbBridge::Private::discardUrb(ClientState &cs, UMockdevIoctlClient *client, UMockdevIoctlData *arg)
{
    gulong target = 0;
    std::memcpy(&target, arg->data, std::min<std::size_t>(sizeof target, static_cast<std::size_t>(arg->data_len)));
    for (auto &urb : cs.urbs) {
        if (urb->clientAddr != target)
            continue;
        if (urb->done)
            break; // completed already: the reap hands it back as it is
        urb->actual = 0;
        markDone(*urb, -ENOENT);
        ++stats.discards;
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

// ---------------------------------------------------------------------------
// Public face

UsbBridge::UsbBridge(VirtualUnit &unit, const BridgeOptions &options)
    : d(std::make_unique<Private>(unit, options))
{
}

UsbBridge::~UsbBridge()
{
    d->stop();
}

bool UsbBridge::start(QString *error)
{
    if (d->started)
        return true;
    if (!d->start(error)) {
        d->stop();
        return false;
    }
    return true;
}

bool UsbBridge::isStarted() const { return d->started; }
QString UsbBridge::rootDir() const { return d->root; }
QString UsbBridge::devicePath() const { return d->unitNode.devNode; }
QString UsbBridge::sysPath() const { return d->sysPath; }
int UsbBridge::busNumber() const { return d->options.busNumber; }
int UsbBridge::deviceAddress() const { return d->options.deviceAddress; }
UsbIdentity UsbBridge::identity() const { return d->identity; }

bool UsbBridge::unplug(int timeoutMs)
{
    d->unit.unplug();
    if (!d->started)
        return false;
    std::unique_lock<std::mutex> lock(d->mutex);
    return d->removedCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return d->removed; });
}

bool UsbBridge::isRemoved() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->removed;
}

BridgeStats UsbBridge::stats() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->stats;
}

} // namespace Kt900Sim
