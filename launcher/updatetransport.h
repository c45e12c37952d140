#pragma once

// What the firmware updater needs from the USB connection. The launcher's
// program adapts its MyLibusb to this; tests put a scripted unit behind it.

#include <cstdint>

class UpdateTransport
{
public:
    virtual ~UpdateTransport() = default;

    // True while a handle is open. Polled by the update receive thread.
    virtual bool isOpen() const = 0;

    // Sends a whole frame with the transport of the unit's device type
    // (64-byte reports with a count byte, or 512-byte bulk blocks).
    virtual bool write(const std::uint8_t *bytes, int length, int timeoutMs) = 0;

    // Reads one transfer into buffer (readSize() bytes): bytes received, 0 on
    // time-out, -1 on error or when closed.
    virtual int read(std::uint8_t *buffer, int timeoutMs) = 0;

    // 64 for report transports, 512 for the bulk transport.
    virtual int readSize() const = 0;

    // True when every transfer read starts with a count byte that is not part
    // of the byte stream (the 64-byte report transports).
    virtual bool hasCountByte() const = 0;

    // Releases and closes; safe when nothing is open. Serialised with reads.
    virtual void closeDevice() = 0;
};
