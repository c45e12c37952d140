#pragma once

// The one way every program talks to the unit once it is open: whole frames
// out, single transfers in. MyLibusb implements it over libusb; the receive
// loop, the firmware updater and the command-line tool only see this, so
// tests and tools can put an in-memory unit behind it.
//
// Nothing throws: writes return false and reads -1 once the unit is closed.

#include <cstdint>

class UnitTransport
{
public:
    // The largest transfer a read may return (a bulk block).
    static constexpr int kMaxTransferSize = 512;

    virtual ~UnitTransport() = default;

    // True while the unit is open.
    virtual bool isOpen() const = 0;

    // Sends a whole frame with the unit's transport (64-byte reports with a
    // count byte, or 512-byte bulk blocks). True when all of it went out.
    virtual bool write(const std::uint8_t *bytes, int length, int timeoutMs) = 0;

    // Reads one transfer into buffer (room for readSize() bytes): bytes
    // received, 0 on time-out, -1 on error or when closed.
    virtual int read(std::uint8_t *buffer, int timeoutMs) = 0;

    // 64 for report transports, 512 for the bulk transport.
    virtual int readSize() const = 0;

    // True when every transfer read starts with a count byte that is not part
    // of the byte stream (the 64-byte report transports).
    virtual bool hasCountByte() const = 0;

    // Releases and closes; safe when nothing is open. Waits for a read in
    // flight to return.
    virtual void closeDevice() = 0;
};

// A transport that can be opened at a bus location, as the editor and the
// command-line tool open the unit.
class UnitConnection : public UnitTransport
{
public:
    // Opens the unit with this bus address (on that bus when busNumber is 0
    // or more). True when the devices could be listed, even when no unit is
    // there (the connection then stays closed).
    virtual bool openByAddress(std::uint8_t address, int busNumber) = 0;

    // True when the last openByAddress found the unit held by another program.
    virtual bool lastOpenWasBusy() const { return false; }
};
