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

bool LibusbDevice::isOpen() const
{
    return m_usb.isOpen();
}

bool LibusbDevice::write(const std::uint8_t *bytes, int length, int timeoutMs)
{
    return m_usb.write(bytes, length, timeoutMs);
}

int LibusbDevice::read(std::uint8_t *buffer, int timeoutMs)
{
    return m_usb.read(buffer, timeoutMs);
}

int LibusbDevice::readSize() const
{
    return MyLibusb::isBulkType(m_usb.deviceType()) ? MyLibusb::kBlockSize : MyLibusb::kReportSize;
}

bool LibusbDevice::hasCountByte() const
{
    return !MyLibusb::isBulkType(m_usb.deviceType());
}
