#pragma once

// The launcher's USB connection (the launcher's build of MyLibusb) seen as
// the start-up Device and as the updater's transport.

#include "mylibusb.h"
#include "startup.h"
#include "updatetransport.h"

class LibusbDevice : public Launcher::Device, public UpdateTransport
{
public:
    // Launcher::Device
    int findAndOpen(const QByteArray &expectedName) override;
    bool unitInUse() const override { return m_usb.lastOpenWasBusy(); }
    QByteArray reportedModelName() const override;
    QByteArray reportedVersion() const override;
    int deviceAddress() const override;
    int busNumber() const override;
    void closeDevice() override;
    UpdateTransport &transport() override { return *this; }

    // UpdateTransport
    bool isOpen() const override;
    bool write(const std::uint8_t *bytes, int length, int timeoutMs) override;
    int read(std::uint8_t *buffer, int timeoutMs) override;
    int readSize() const override;
    bool hasCountByte() const override;

private:
    MyLibusb m_usb;
    QByteArray m_expectedName;
};
