#include "libusbdevice.h"

int LibusbDevice::findAndOpen(const QByteArray &expectedName)
{
    m_expectedName = expectedName;
    // Auto match: the ids are taken from the device type table.
    return m_usb.findAndOpen(0, 0, 0, m_expectedName.constData(), true);
}

QByteArray LibusbDevice::reportedModelName() const
{
    return MyLibusb::deviceInfo().modelName;
}

QByteArray LibusbDevice::reportedVersion() const
{
    return MyLibusb::deviceInfo().firmwareVersion;
}

int LibusbDevice::deviceAddress() const
{
    return m_usb.deviceAddress();
}

int LibusbDevice::busNumber() const
{
    return m_usb.busNumber();
}

void LibusbDevice::closeDevice()
{
    m_usb.closeDevice();
}
