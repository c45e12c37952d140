#pragma once

// VirtualUnitFixture: a virtual KT900 plugged in behind the real libusb code
// path, for tests of any layer (device, editor, launcher, CLI).
//
// The test binary must run under the umockdev preload; kt900_add_test(... SIM)
// arranges that. Typical use with QtTest:
//
//   #include "virtualunitfixture.h"
//
//   void MyTest::syncsWithTheUnit()
//   {
//       Kt900Sim::UnitOptions unitOptions;             // mode 'A', type 4, "TOVAK_KT900", "V1.1.0"
//       Kt900Sim::VirtualUnitFixture fixture(unitOptions);
//       QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
//
//       MyLibusb usb;                                   // create libusb users after the fixture
//       QVERIFY(usb.openByAddress(fixture.deviceAddress()));
//       ...
//       fixture.unit().selectPreset(7);                 // a footswitch on the unit
//       fixture.unit().memory().store.record(7);        // what the unit holds
//       fixture.unplug();                               // pull the cable
//   }
//
// One fixture at a time per process (the testbed is process-wide state);
// destroy every libusb handle on the unit before the fixture. Options:
//   UnitOptions   (unitoptions.h)  identity, mode, device type, loader codes,
//                                  faults (unplug after N reports, no acks,
//                                  damaged CRC, late answers, refused apply)
//   BridgeOptions (usbbridge.h)    bus number and address, pacing, FIFO wake-up,
//                                  number of interfaces
// The fixture is not copyable. Without the preload isReady() is false and
// errorString() says why; tests should then fail (or QSKIP loudly).

#include "usbbridge.h"
#include "virtualunit.h"

#include <QString>

#include <memory>

namespace Kt900Sim {

class VirtualUnitFixture
{
public:
    explicit VirtualUnitFixture(const UnitOptions &unitOptions = UnitOptions(),
                                const BridgeOptions &bridgeOptions = BridgeOptions());
    ~VirtualUnitFixture();
    VirtualUnitFixture(const VirtualUnitFixture &) = delete;
    VirtualUnitFixture &operator=(const VirtualUnitFixture &) = delete;

    bool isReady() const;
    QString errorString() const;

    VirtualUnit &unit();
    UsbBridge &bridge();

    int busNumber() const;
    int deviceAddress() const;

    // Pulls the cable: pending transfers fail with "no device", the device
    // leaves the bus. Call it from the test's own thread. True once the
    // device is gone (within timeoutMs).
    bool unplug(int timeoutMs = 2000);

    // True when the test runs under the umockdev preload.
    static bool preloadActive();

private:
    std::unique_ptr<VirtualUnit> m_unit;
    std::unique_ptr<UsbBridge> m_bridge;
    QString m_error;
    bool m_ready = false;
};

} // namespace Kt900Sim
