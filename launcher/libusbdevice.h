#pragma once

// The launcher's start-up Device on a MyLibusb the program hands in; the
// connection itself is the updater's transport.

#include "mylibusb.h"
#include "startup.h"

class LibusbDevice : public Launcher::Device
{
public:
    explicit LibusbDevice(MyLibusb &usb) : m_usb(usb) {}

    int findAndOpen(const QByteArray &expectedName) override;
    bool unitInUse() const override { return m_usb.lastOpenWasBusy(); }
    QByteArray reportedModelName() const override;
    QByteArray reportedVersion() const override;
    int deviceAddress() const override;
    int busNumber() const override;
    void closeDevice() override;
    UnitTransport &transport() override { return m_usb; }

private:
    MyLibusb &m_usb;
    QByteArray m_expectedName;
};
