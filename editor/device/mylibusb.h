#pragma once

// MyLibusb: the one USB connection to the unit, used by the editor, the
// launcher and the command-line tool (one build of the class).
//
// It finds and opens the unit, discovers its endpoints, identifies it with the
// device info request, writes frames (cut into 64-byte interrupt reports, or
// 512-byte bulk blocks for device type 6) and reads raw reports. It knows
// nothing about command codes; see usbreceivethread.h for that. The programs
// use it through UnitTransport / UnitConnection.
//
// All transfers are synchronous on libusb's default context, which is
// initialised on the first attempt to open a device and released by
// shutDown(). Every libusb resource (the context, the device list, the
// configuration descriptor, the device reference, the handle and the claimed
// interface) has one owner that frees it, whatever path leaves a function.
// Nothing throws: writes return false and reads -1 while the connection is
// closed.
//
// Threads. Reads may run in one thread while writes run in another (different
// endpoints of one handle). Every transfer holds a shared lock on the handle;
// closing takes it exclusively. So a close made by the reading thread (a read
// that reports LIBUSB_ERROR_NO_DEVICE closes the connection) waits for a write
// in flight to return, and writes that start afterwards see the closed state
// and return false: no thread ever uses a closed handle. In addition one
// mutex is held for the whole of each read and of closeDevice, which
// serialises reads with each other and with the close.

#include "identity.h"
#include "unittransport.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>

struct libusb_device;
struct libusb_device_handle;

class MyLibusb : public UnitConnection
{
public:
    // Fields of the unit's device info reply; kept process-wide after identify().
    using DeviceInfo = Identity::DeviceInfo;

    static constexpr std::uint16_t kVendorId = Identity::kVendorId;
    static constexpr int kReportSize = 64;
    static constexpr int kBlockSize = 512;
    static constexpr int kBulkDeviceType = 6;

    // Touches no libusb function: libusb is initialised on the first open.
    MyLibusb();
    // Closes the device if it is still open and releases libusb (shut down).
    ~MyLibusb() override;

    MyLibusb(const MyLibusb &) = delete;
    MyLibusb &operator=(const MyLibusb &) = delete;

    // Device type of a vendor 0x0483 device from its product id and bcdDevice:
    // 1..8 from the device type table, 0 when the combination is not supported.
    static int deviceTypeFor(std::uint16_t productId, std::uint16_t bcdDevice);
    // Device type 6 uses 512-byte bulk blocks, types 1..5, 7, 8 interrupt reports.
    static bool isBulkType(int type) { return type == kBulkDeviceType; }
    static bool isInterruptType(int type) { return type >= 1 && type <= 8 && type != kBulkDeviceType; }

    // The transfers writeFrame and writeBlocks make, without a device: send is
    // called once per 64-byte report (count byte, then up to 63 bytes; the
    // bytes after the count in the last report are left from the one before)
    // or per 512-byte block (the tail block zero-padded); false from send
    // stops the cutting and is returned.
    using TransferFn = std::function<bool(const std::uint8_t *data, int size)>;
    static bool cutIntoReports(const std::uint8_t *bytes, int length, const TransferFn &send);
    static bool cutIntoBlocks(const std::uint8_t *bytes, int length, const TransferFn &send);

    // Opens the unit with this bus address (and, when busNumber is 0 or more,
    // on that bus). Only a device with the unit's vendor id and a known device
    // type is touched: anything else at that address is left alone. True when
    // the device list could be read, even when no unit has that address (then
    // the connection stays closed). An open connection is closed first.
    bool openByAddress(std::uint8_t address, int busNumber = -1) override;

    // Whether a device with these ids at this bus location is the unit that
    // openByAddress(address, busNumber) may open.
    static bool isUnitAt(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t bcdDevice,
                         int deviceBus, int deviceAddress, int address, int busNumber);

    // Launcher: initialises libusb, walks the bus and opens the unit.
    // autoMatch: matches vendor 0x0483 with the device type table, opens and
    // identifies each candidate; returns identify()'s result (1 mode "B",
    // 2 mode "A"). Without autoMatch: the device must have exactly the given
    // ids; returns 1 once it is open. 0 when nothing was opened.
    int findAndOpen(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t bcdDevice,
                    const char *expectedName, bool autoMatch);

    // Configures device, claims interface 0 and finds the endpoints. Does not
    // store the device (the callers above do). True when the claim succeeded.
    bool open(libusb_device *device);

    // True when the last openByAddress / findAndOpen / open found the unit's
    // interface claimed by another program (the kernel answers the claim with
    // "busy"); cleared by the next attempt.
    bool lastOpenWasBusy() const override { return m_lastOpenBusy.load(); }
    // True when the last identify() (also inside findAndOpen) got no reply to
    // the device info request at all; cleared by the next findAndOpen.
    bool lastIdentifyUnanswered() const { return m_identifyUnanswered.load(); }

    // The device info request for a device type: 0 not the expected unit,
    // 1 expected unit in mode "B", 2 expected unit in mode "A" (types 4..8);
    // type 1 answers 1 on a name match; type 3 answers 1 without reading.
    // The connection takes deviceType as its own and speaks its transport.
    int identify(int deviceType);

    // The same request over any transport already open on a unit of that
    // device type; expectedName is the model name to find. *unanswered is
    // set when no reply came at all (the transport is then closed). The
    // parsed reply is kept (deviceInfo()).
    static int identifyOver(UnitTransport &transport, int deviceType, const QByteArray &expectedName,
                            bool *unanswered = nullptr);

    // Cuts bytes into 64-byte interrupt reports (count byte, up to 63 bytes).
    // True when every report was accepted.
    bool writeFrame(const std::uint8_t *bytes, int length, int timeoutMs);
    // Type 6: whole 512-byte bulk blocks, the tail zero-padded.
    bool writeBlocks(const std::uint8_t *bytes, int length, int timeoutMs);
    // writeBlocks for type 6, writeFrame for the interrupt types, false otherwise.
    bool write(const std::uint8_t *bytes, int length, int timeoutMs) override;

    // One 64-byte report from the interrupt IN endpoint: bytes received (> 0),
    // 0 on time-out, -1 on error. LIBUSB_ERROR_NO_DEVICE closes the connection.
    int readReport(std::uint8_t *buffer64, int timeoutMs);
    // One 512-byte bulk block: bytes received (partial count on time-out), -1 on
    // error (which closes the connection).
    int readBlock(std::uint8_t *buffer512, int timeoutMs);
    // -1 while closed; else readBlock for type 6, readReport for the
    // interrupt types, 0 otherwise.
    int read(std::uint8_t *buffer, int timeoutMs) override;
    // 512 for the bulk type, 64 otherwise.
    int readSize() const override;
    // False for the bulk type, whose blocks carry no count byte.
    bool hasCountByte() const override;
    // Up to 5 reads of 100 ms: true after the first that returns data; false
    // at once on an error, and after 5 empty reads (which closes the device).
    bool readWithRetry(std::uint8_t *buffer);

    // Bus address of the open device, -1 when none is open.
    int deviceAddress() const;
    // Bus number of the open device, -1 when none is open.
    int busNumber() const;
    bool isOpen() const override;

    // Releases every interface, closes the handle. Safe when nothing is open.
    void closeDevice() override;
    // closeDevice, then libusb_exit for every successful libusb_init. Safe to
    // call more than once.
    void shutDown();

    // Field access.
    int deviceType() const;
    void setDeviceType(int type);
    int interfaceCount() const;
    std::uint8_t bulkInEndpoint() const;
    std::uint8_t bulkOutEndpoint() const;
    std::uint8_t interruptInEndpoint() const;
    std::uint8_t interruptOutEndpoint() const;
    QByteArray expectedName() const;
    void setExpectedName(const char *name);
    // True when libusb has been initialised (by the first open attempt).
    bool isLibusbReady() const;

    // The fields of the last device info reply parsed by identify() (or set
    // with setDeviceInfo), for the launcher.
    static DeviceInfo deviceInfo();
    static void setDeviceInfo(const DeviceInfo &info);
    // Parses an info reply payload (payload byte 0 is the reply code 0x01);
    // len is the number of payload bytes available.
    static DeviceInfo parseDeviceInfo(const std::uint8_t *payload, int len)
    {
        return Identity::parseDeviceInfo(payload, len);
    }

private:
    // Owners of the libusb resources held across calls (the device list and
    // the configuration descriptor live in one call and have their own).
    class LibusbSession;     // libusb_init .. libusb_exit (default context)
    class ClaimedInterface;  // claim .. release of interface 0
    struct DeviceUnref { void operator()(libusb_device *device) const; };
    struct HandleClose { void operator()(libusb_device_handle *handle) const; };

    bool ensureLibusb();
    void closeLocked();            // caller holds m_handleLock exclusively
    int readReportLocked(std::uint8_t *buffer64, int timeoutMs, bool *noDevice);

    // The fields, in the order the class has always kept them. The claim is
    // given up before the handle closes, the handle before the device goes.
    std::uint8_t m_bulkIn = 0;
    std::uint8_t m_bulkOut = 0;
    std::uint8_t m_interruptIn = 0;
    std::uint8_t m_interruptOut = 0;
    int m_interfaceCount = 0;
    std::unique_ptr<libusb_device, DeviceUnref> m_device;
    std::unique_ptr<libusb_device_handle, HandleClose> m_handle;
    std::unique_ptr<ClaimedInterface> m_claim;
    int m_deviceType = 0;
    QByteArray m_expectedName;

    std::unique_ptr<LibusbSession> m_context;
    mutable std::shared_mutex m_handleLock; // shared: transfers; exclusive: open/close
    std::mutex m_readMutex;                 // each read and closeDevice
    std::atomic<bool> m_lastOpenBusy{false};
    std::atomic<bool> m_identifyUnanswered{false};
};
