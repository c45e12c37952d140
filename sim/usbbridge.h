#pragma once

// Puts a VirtualUnit behind the real libusb code path with umockdev.
//
// UsbBridge creates a umockdev testbed holding a root hub and the unit
// (vendor id 0x0483, product id and bcdDevice of the unit's device type,
// interface 0 with one IN and one OUT endpoint, interrupt or bulk), and
// answers the usbdevfs ioctls libusb issues on the unit's device node from
// the unit model: claims, SUBMITURB / REAPURBNDELAY / DISCARDURB for the
// transfers, string descriptors on endpoint 0.
//
// The process must run under the umockdev preload
// (LD_PRELOAD=libumockdev-preload.so.0); start() fails otherwise. Programs
// started from this process inherit the testbed (UMOCKDEV_DIR) and see the
// unit as if it were plugged in.
//
// Behaviour worth knowing:
//   - A read time-out: libusb discards the URB; it comes back from the next
//     reap with -ENOENT, as from the kernel.
//   - Unplug (VirtualUnit::unplug() or its fault option): every pending URB
//     completes with -ESHUTDOWN (libusb reports LIBUSB_ERROR_NO_DEVICE), later
//     submits and claims fail with ENODEV, and a "remove" uevent takes the
//     device off the bus.
//   - FIFO wake-up (default): the device node is a FIFO that holds one byte
//     while nothing can be reaped, so a client waiting in poll() sleeps
//     instead of spinning on REAPURBNDELAY.
//   - Pacing (optional): at most one report per millisecond in each
//     direction, like a full-speed interrupt endpoint.
//   - ioctls of other device nodes (a GUI's tty, DRM or sound) are not routed
//     to umockdev's default handler, so they keep working.

#include "usbdescriptors.h"
#include "virtualunit.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace Kt900Sim {

struct BridgeOptions {
    int busNumber = 1;
    int deviceAddress = 5;      // libusb_get_device_address of the unit (2..127)
    bool paced = false;         // one report per millisecond each way
    bool fifoWakeup = true;     // sleep instead of spinning while nothing can be reaped
    int interfaceCount = 1;     // interfaces of the configuration (only 0 has endpoints)
};

// What the host did on the USB level, for tests.
struct BridgeStats {
    long ioctls = 0;
    long reaps = 0;             // REAPURB / REAPURBNDELAY calls
    long emptyReaps = 0;        // reaps that found nothing (EAGAIN)
    long inTransfers = 0;       // IN URBs completed with data
    long outTransfers = 0;      // OUT URBs completed
    long discards = 0;          // URBs cancelled by the host (time-outs)
    std::vector<int> claimed;   // interfaces claimed now (umockdev does not report a
                                // closed file descriptor: a program that ends without
                                // releasing keeps its claims until the next claim of
                                // interface 0)
    QStringList interfaceLog;   // "set-configuration 1", "claim 0", "release 0", ...
};

class UsbBridge
{
public:
    UsbBridge(VirtualUnit &unit, const BridgeOptions &options = BridgeOptions());
    ~UsbBridge();
    UsbBridge(const UsbBridge &) = delete;
    UsbBridge &operator=(const UsbBridge &) = delete;

    // True when the preload is active in this process.
    static bool preloadActive();

    // Creates the testbed and plugs the unit in. False with a message when
    // the preload is missing or umockdev refuses.
    bool start(QString *error);
    bool isStarted() const;

    QString rootDir() const;        // the testbed (UMOCKDEV_DIR)
    QString devicePath() const;     // e.g. /dev/bus/usb/001/005
    QString sysPath() const;        // e.g. /sys/devices/.../usb1/1-1
    int busNumber() const;
    int deviceAddress() const;
    UsbIdentity identity() const;

    // Unplugs the unit (as VirtualUnit::unplug) and waits until the device
    // has left the bus, at most timeoutMs. True when it has.
    bool unplug(int timeoutMs = 2000);
    bool isRemoved() const;

    BridgeStats stats() const;

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Kt900Sim
