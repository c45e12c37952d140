#include "mylibusb.h"

#include "identity.h"

#include <libusb.h>

#include <QLoggingCategory>

#include <algorithm>
#include <array>
#include <cstring>

Q_LOGGING_CATEGORY(lcUsb, "kt900.device.usb")

namespace {

constexpr int kIdentifyTimeout = 100;
constexpr int kRetryReads = 5;
constexpr int kRetryTimeout = 100;

std::mutex g_infoMutex;
MyLibusb::DeviceInfo g_info;

// The device list of one walk over the bus, freed (and its devices
// unreferenced) when the walk ends.
class DeviceList
{
public:
    DeviceList() { m_count = libusb_get_device_list(nullptr, &m_list); }
    ~DeviceList()
    {
        if (m_list)
            libusb_free_device_list(m_list, 1);
    }
    DeviceList(const DeviceList &) = delete;
    DeviceList &operator=(const DeviceList &) = delete;

    bool ok() const { return m_count >= 0; }
    int error() const { return static_cast<int>(m_count); }
    ssize_t size() const { return m_count < 0 ? 0 : m_count; }
    libusb_device *operator[](ssize_t i) const { return m_list[i]; }

private:
    libusb_device **m_list = nullptr;
    ssize_t m_count = 0;
};

struct ConfigFree {
    void operator()(libusb_config_descriptor *config) const { libusb_free_config_descriptor(config); }
};
using ConfigDescriptor = std::unique_ptr<libusb_config_descriptor, ConfigFree>;

ConfigDescriptor configDescriptor(libusb_device *device)
{
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_config_descriptor(device, 0, &config) != 0)
        return nullptr;
    return ConfigDescriptor(config);
}

} // namespace

// libusb_init on the default context, libusb_exit when it goes.
class MyLibusb::LibusbSession
{
public:
    LibusbSession() { m_rc = libusb_init(nullptr); }
    ~LibusbSession()
    {
        if (m_rc == 0)
            libusb_exit(nullptr);
    }
    LibusbSession(const LibusbSession &) = delete;
    LibusbSession &operator=(const LibusbSession &) = delete;
    int result() const { return m_rc; }

private:
    int m_rc = -1;
};

// Interface 0 claimed on a handle, released when it goes (before the handle
// closes).
class MyLibusb::ClaimedInterface
{
public:
    explicit ClaimedInterface(libusb_device_handle *handle) : m_handle(handle) {}
    ~ClaimedInterface() { libusb_release_interface(m_handle, 0); }
    ClaimedInterface(const ClaimedInterface &) = delete;
    ClaimedInterface &operator=(const ClaimedInterface &) = delete;

private:
    libusb_device_handle *m_handle;
};

void MyLibusb::DeviceUnref::operator()(libusb_device *device) const
{
    libusb_unref_device(device);
}

void MyLibusb::HandleClose::operator()(libusb_device_handle *handle) const
{
    libusb_close(handle);
}

MyLibusb::MyLibusb() = default;

MyLibusb::~MyLibusb()
{
    shutDown();
}

bool MyLibusb::ensureLibusb()
{
    if (m_context)
        return true;
    auto session = std::make_unique<LibusbSession>();
    if (session->result() != 0) {
        qCWarning(lcUsb) << "libusb_init failed:" << libusb_error_name(session->result());
        return false;
    }
    m_context = std::move(session);
    return true;
}

bool MyLibusb::isLibusbReady() const
{
    return m_context != nullptr;
}

int MyLibusb::deviceTypeFor(std::uint16_t productId, std::uint16_t bcdDevice)
{
    return Identity::deviceTypeFor(productId, bcdDevice);
}

bool MyLibusb::isUnitAt(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t bcdDevice,
                        int deviceBus, int deviceAddress, int address, int busNumber)
{
    if (deviceAddress != address)
        return false;
    if (busNumber >= 0 && deviceBus != busNumber)
        return false;
    return vendorId == kVendorId && deviceTypeFor(productId, bcdDevice) != 0;
}

bool MyLibusb::openByAddress(std::uint8_t address, int busNumber)
{
    if (!ensureLibusb())
        return false;
    const DeviceList list;
    if (!list.ok()) {
        qCWarning(lcUsb) << "cannot read the device list:" << libusb_error_name(list.error());
        return false;
    }
    closeDevice();
    m_lastOpenBusy.store(false);
    bool busy = false;
    for (ssize_t i = 0; i < list.size(); ++i) {
        libusb_device *dev = list[i];
        // Another device may have the same address on another bus: only the
        // unit is configured and claimed.
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(dev, &desc) != 0)
            continue;
        if (!isUnitAt(desc.idVendor, desc.idProduct, desc.bcdDevice, libusb_get_bus_number(dev),
                      libusb_get_device_address(dev), address, busNumber))
            continue;
        if (!open(dev)) {
            busy = busy || m_lastOpenBusy.load();
            continue;
        }
        busy = false;
        const int type = deviceTypeFor(desc.idProduct, desc.bcdDevice);
        std::unique_lock<std::shared_mutex> lock(m_handleLock);
        m_device.reset(libusb_ref_device(dev));
        m_deviceType = type;
        break;
    }
    m_lastOpenBusy.store(busy && !isOpen());
    if (!isOpen())
        qCInfo(lcUsb) << "no unit with bus address" << address << "on bus" << busNumber
                      << (busy ? "(in use by another program)" : "");
    return true;
}

int MyLibusb::findAndOpen(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t bcdDevice,
                          const char *expectedName, bool autoMatch)
{
    if (!ensureLibusb())
        return 0;
    const DeviceList list;
    if (!list.ok())
        return 0;
    setExpectedName(expectedName);
    closeDevice();
    m_lastOpenBusy.store(false);
    m_identifyUnanswered.store(false);
    bool busy = false;

    int result = 0;
    libusb_device *found = nullptr;
    for (ssize_t i = 0; i < list.size() && !found; ++i) {
        libusb_device *dev = list[i];
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(dev, &desc) != 0)
            continue;
        if (autoMatch) {
            if (desc.idVendor != kVendorId)
                continue;
            const int type = deviceTypeFor(desc.idProduct, desc.bcdDevice);
            if (type == 0)
                continue;
            setDeviceType(type);
            if (!open(dev)) {
                busy = busy || m_lastOpenBusy.load();
                closeDevice();
                continue;
            }
            const int id = identify(type);
            if (id == 0) {
                closeDevice();
                continue;
            }
            result = id;
            found = dev;
        } else {
            if (desc.idVendor != vendorId || desc.idProduct != productId || desc.bcdDevice != bcdDevice)
                continue;
            setDeviceType(deviceTypeFor(desc.idProduct, desc.bcdDevice));
            if (!open(dev)) {
                busy = busy || m_lastOpenBusy.load();
                closeDevice();
                continue;
            }
            result = 1;
            found = dev;
        }
    }
    if (found) {
        std::unique_lock<std::shared_mutex> lock(m_handleLock);
        if (m_handle)
            m_device.reset(libusb_ref_device(found));
        else
            result = 0; // closed again inside identify's retry
    }
    m_lastOpenBusy.store(busy && !(found && result != 0));
    return found ? result : 0;
}

bool MyLibusb::open(libusb_device *device)
{
    if (!device)
        return false;
    m_lastOpenBusy.store(false);
    const ConfigDescriptor config = configDescriptor(device);
    if (!config)
        return false;

    std::unique_lock<std::shared_mutex> lock(m_handleLock);
    if (m_handle)
        closeLocked();
    libusb_device_handle *raw = nullptr;
    int rc = libusb_open(device, &raw);
    if (rc != 0 || !raw) {
        qCWarning(lcUsb) << "libusb_open failed:" << libusb_error_name(rc);
        return false;
    }
    m_handle.reset(raw);
    rc = libusb_set_configuration(m_handle.get(), config->bConfigurationValue);
    if (rc != 0) {
        qCWarning(lcUsb) << "set configuration failed:" << libusb_error_name(rc);
        closeLocked();
        return false;
    }
    m_interfaceCount = config->bNumInterfaces;
    if (m_interfaceCount == 0) {
        closeLocked();
        return false;
    }
    rc = libusb_claim_interface(m_handle.get(), 0);
    const bool claimed = rc == 0;
    if (claimed) {
        m_claim = std::make_unique<ClaimedInterface>(m_handle.get());
    } else {
        qCWarning(lcUsb) << "claiming interface 0 failed:" << libusb_error_name(rc);
        m_lastOpenBusy.store(rc == LIBUSB_ERROR_BUSY);
        closeLocked();
    }
    // Interface 0 only: every alternate setting, every endpoint, in order; a
    // later endpoint of the same kind overwrites an earlier one.
    const libusb_interface &iface = config->interface[0];
    for (int a = 0; a < iface.num_altsetting; ++a) {
        const libusb_interface_descriptor &alt = iface.altsetting[a];
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor &ep = alt.endpoint[e];
            const int kind = ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
            if (kind == LIBUSB_TRANSFER_TYPE_INTERRUPT) {
                if (ep.bEndpointAddress < 16)
                    m_interruptOut = ep.bEndpointAddress;
                else
                    m_interruptIn = ep.bEndpointAddress;
            } else if (kind == LIBUSB_TRANSFER_TYPE_BULK) {
                if (ep.bEndpointAddress > 15)
                    m_bulkIn = ep.bEndpointAddress;
                else
                    m_bulkOut = ep.bEndpointAddress;
            }
        }
    }
    return claimed;
}

MyLibusb::DeviceInfo MyLibusb::deviceInfo()
{
    std::lock_guard<std::mutex> lock(g_infoMutex);
    return g_info;
}

void MyLibusb::setDeviceInfo(const DeviceInfo &info)
{
    std::lock_guard<std::mutex> lock(g_infoMutex);
    g_info = info;
}

int MyLibusb::identify(int deviceType)
{
    if (!isBulkType(deviceType) && !isInterruptType(deviceType))
        return 0;
    setDeviceType(deviceType);
    bool unanswered = false;
    const int result = identifyOver(*this, deviceType, expectedName(), &unanswered);
    m_identifyUnanswered.store(unanswered);
    return result;
}

int MyLibusb::identifyOver(UnitTransport &transport, int deviceType, const QByteArray &expectedName,
                           bool *unanswered)
{
    if (unanswered)
        *unanswered = false;
    if (!isBulkType(deviceType) && !isInterruptType(deviceType))
        return 0;
    std::array<std::uint8_t, UnitTransport::kMaxTransferSize> buffer{};
    if (!transport.write(buffer.data(), 8, kIdentifyTimeout))
        return 0;
    if (!transport.write(Identity::kInfoRequestFrame, sizeof Identity::kInfoRequestFrame, kIdentifyTimeout))
        return 0;
    if (deviceType == 3)
        return 1;

    bool gotData = false;
    for (int i = 0; i < kRetryReads; ++i) {
        const int n = transport.read(buffer.data(), kRetryTimeout);
        if (n < 0)
            return 0;
        if (n > 0) {
            gotData = true;
            break;
        }
    }
    if (!gotData) {
        if (unanswered)
            *unanswered = true;
        transport.closeDevice();
        return 0;
    }
    // Interrupt reports carry a count byte before the frame; bulk blocks do not.
    // The payload (reply code first) follows the AA 55 header and the length.
    const int size = std::min(transport.readSize(), UnitTransport::kMaxTransferSize);
    const int payloadOffset = transport.hasCountByte() ? 5 : 4;
    const DeviceInfo info = parseDeviceInfo(buffer.data() + payloadOffset, size - payloadOffset);
    setDeviceInfo(info);

    if (!Identity::sameModel(info.modelName, expectedName))
        return 0;
    if (deviceType == 1)
        return 1;
    if (info.mode == 'B')
        return 1;
    if (info.mode == 'A')
        return 2;
    return 0;
}

bool MyLibusb::cutIntoReports(const std::uint8_t *bytes, int length, const TransferFn &send)
{
    if (length < 0 || (length > 0 && !bytes))
        return false;
    std::array<std::uint8_t, kReportSize> report{};
    for (int pos = 0; pos < length; pos += kReportSize - 1) {
        const int piece = std::min(kReportSize - 1, length - pos);
        report[0] = static_cast<std::uint8_t>(piece);
        std::memcpy(report.data() + 1, bytes + pos, static_cast<std::size_t>(piece));
        if (!send(report.data(), kReportSize))
            return false;
    }
    return true;
}

bool MyLibusb::cutIntoBlocks(const std::uint8_t *bytes, int length, const TransferFn &send)
{
    if (length < 0 || (length > 0 && !bytes))
        return false;
    std::array<std::uint8_t, kBlockSize> tail{};
    for (int pos = 0; pos < length; pos += kBlockSize) {
        const int remaining = length - pos;
        const std::uint8_t *block = bytes + pos;
        if (remaining < kBlockSize) {
            std::memcpy(tail.data(), bytes + pos, static_cast<std::size_t>(remaining));
            block = tail.data();
        }
        if (!send(block, kBlockSize))
            return false;
    }
    return true;
}

bool MyLibusb::writeFrame(const std::uint8_t *bytes, int length, int timeoutMs)
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    if (!m_handle)
        return false;
    const unsigned timeout = static_cast<unsigned>(std::max(0, timeoutMs));
    return cutIntoReports(bytes, length, [&](const std::uint8_t *report, int size) {
        int transferred = 0;
        const int rc = libusb_interrupt_transfer(m_handle.get(), m_interruptOut, const_cast<std::uint8_t *>(report), size,
                                                 &transferred, timeout);
        if (rc != 0)
            qCDebug(lcUsb) << "report write failed:" << libusb_error_name(rc);
        return rc == 0;
    });
}

bool MyLibusb::writeBlocks(const std::uint8_t *bytes, int length, int timeoutMs)
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    if (!m_handle)
        return false;
    const unsigned timeout = static_cast<unsigned>(std::max(0, timeoutMs));
    return cutIntoBlocks(bytes, length, [&](const std::uint8_t *block, int size) {
        int sent = 0;
        while (sent < size) {
            int transferred = 0;
            const int rc = libusb_bulk_transfer(m_handle.get(), m_bulkOut, const_cast<std::uint8_t *>(block) + sent,
                                                size - sent, &transferred, timeout);
            // A time-out that moved some bytes sends the rest of the block again.
            if ((rc == 0 || rc == LIBUSB_ERROR_TIMEOUT) && transferred > 0) {
                sent += transferred;
                continue;
            }
            qCDebug(lcUsb) << "block write failed:" << libusb_error_name(rc);
            return false;
        }
        return true;
    });
}

bool MyLibusb::write(const std::uint8_t *bytes, int length, int timeoutMs)
{
    const int type = deviceType();
    if (isBulkType(type))
        return writeBlocks(bytes, length, timeoutMs);
    if (isInterruptType(type))
        return writeFrame(bytes, length, timeoutMs);
    return false;
}

int MyLibusb::readReport(std::uint8_t *buffer64, int timeoutMs)
{
    std::lock_guard<std::mutex> readLock(m_readMutex);
    bool noDevice = false;
    const int n = readReportLocked(buffer64, timeoutMs, &noDevice);
    if (noDevice) {
        qCInfo(lcUsb) << "the device is gone";
        std::unique_lock<std::shared_mutex> lock(m_handleLock);
        closeLocked();
    }
    return n;
}

int MyLibusb::readReportLocked(std::uint8_t *buffer64, int timeoutMs, bool *noDevice)
{
    if (!buffer64)
        return -1;
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    if (!m_handle)
        return -1;
    int transferred = 0;
    const int rc = libusb_interrupt_transfer(m_handle.get(), m_interruptIn, buffer64, kReportSize, &transferred,
                                             static_cast<unsigned>(std::max(0, timeoutMs)));
    if (rc == 0)
        return transferred;
    if (rc == LIBUSB_ERROR_TIMEOUT)
        return 0;
    if (rc == LIBUSB_ERROR_NO_DEVICE)
        *noDevice = true;
    else
        qCDebug(lcUsb) << "report read failed:" << libusb_error_name(rc);
    return -1;
}

int MyLibusb::readBlock(std::uint8_t *buffer512, int timeoutMs)
{
    std::lock_guard<std::mutex> readLock(m_readMutex);
    if (!buffer512)
        return -1;
    int rc = 0;
    int transferred = 0;
    {
        std::shared_lock<std::shared_mutex> lock(m_handleLock);
        if (!m_handle)
            return -1;
        rc = libusb_bulk_transfer(m_handle.get(), m_bulkIn, buffer512, kBlockSize, &transferred,
                                  static_cast<unsigned>(std::max(0, timeoutMs)));
    }
    if (rc == 0 || rc == LIBUSB_ERROR_TIMEOUT)
        return transferred;
    qCDebug(lcUsb) << "block read failed:" << libusb_error_name(rc);
    std::unique_lock<std::shared_mutex> lock(m_handleLock);
    closeLocked();
    return -1;
}

int MyLibusb::read(std::uint8_t *buffer, int timeoutMs)
{
    // Closed: an error whatever the type, so that a reader stops.
    if (!isOpen())
        return -1;
    const int type = deviceType();
    if (isBulkType(type))
        return readBlock(buffer, timeoutMs);
    if (isInterruptType(type))
        return readReport(buffer, timeoutMs);
    return 0;
}

int MyLibusb::readSize() const
{
    return isBulkType(deviceType()) ? kBlockSize : kReportSize;
}

bool MyLibusb::hasCountByte() const
{
    return !isBulkType(deviceType());
}

bool MyLibusb::readWithRetry(std::uint8_t *buffer)
{
    for (int i = 0; i < kRetryReads; ++i) {
        const int n = read(buffer, kRetryTimeout);
        if (n < 0)
            return false;
        if (n > 0)
            return true;
    }
    closeDevice();
    return false;
}

int MyLibusb::deviceAddress() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    if (!m_device || !m_handle)
        return -1;
    return libusb_get_device_address(m_device.get());
}

int MyLibusb::busNumber() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    if (!m_device || !m_handle)
        return -1;
    return libusb_get_bus_number(m_device.get());
}

bool MyLibusb::isOpen() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_handle != nullptr;
}

void MyLibusb::closeDevice()
{
    std::lock_guard<std::mutex> readLock(m_readMutex);
    std::unique_lock<std::shared_mutex> lock(m_handleLock);
    closeLocked();
}

void MyLibusb::closeLocked()
{
    // Interface 0 is the only one claimed: its release is all the others
    // would need too. The claim goes first, then the handle, then the device.
    m_claim.reset();
    m_handle.reset();
    m_device.reset();
}

void MyLibusb::shutDown()
{
    closeDevice();
    m_context.reset();
}

int MyLibusb::deviceType() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_deviceType;
}

void MyLibusb::setDeviceType(int type)
{
    std::unique_lock<std::shared_mutex> lock(m_handleLock);
    m_deviceType = type;
}

int MyLibusb::interfaceCount() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_interfaceCount;
}

std::uint8_t MyLibusb::bulkInEndpoint() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_bulkIn;
}

std::uint8_t MyLibusb::bulkOutEndpoint() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_bulkOut;
}

std::uint8_t MyLibusb::interruptInEndpoint() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_interruptIn;
}

std::uint8_t MyLibusb::interruptOutEndpoint() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_interruptOut;
}

QByteArray MyLibusb::expectedName() const
{
    std::shared_lock<std::shared_mutex> lock(m_handleLock);
    return m_expectedName;
}

void MyLibusb::setExpectedName(const char *name)
{
    std::unique_lock<std::shared_mutex> lock(m_handleLock);
    m_expectedName = name ? QByteArray(name) : QByteArray();
}
