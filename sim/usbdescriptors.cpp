#include "usbdescriptors.h"

namespace Kt900Sim {

namespace {

void put16(QByteArray &b, std::uint16_t v)
{
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

} // namespace

QByteArray UsbIdentity::deviceDescriptor() const
{
    QByteArray d = bytes({18, 0x01});
    put16(d, 0x0200);                  // bcdUSB
    d.append(bytes({0x00, 0x00, 0x00, 64}));
    put16(d, vendorId);
    put16(d, productId);
    put16(d, bcdDevice);
    d.append(bytes({1, 2, 3, 1}));     // manufacturer, product, serial, one configuration
    return d;
}

QByteArray UsbIdentity::configurationDescriptor() const
{
    const int count = interfaceCount < 1 ? 1 : interfaceCount;
    QByteArray body;
    // Interface 0: vendor class, one IN and one OUT endpoint.
    body.append(bytes({9, 0x04, 0, 0, 2, 0xFF, 0x00, 0x00, 0}));
    const int transfer = bulk ? 0x02 : 0x03;
    const std::uint16_t packet = bulk ? 512 : 64;
    const int interval = bulk ? 0 : 1;
    body.append(bytes({7, 0x05, 0x81, transfer}));
    put16(body, packet);
    body.append(static_cast<char>(interval));
    body.append(bytes({7, 0x05, 0x01, transfer}));
    put16(body, packet);
    body.append(static_cast<char>(interval));
    // Further interfaces without endpoints.
    for (int i = 1; i < count; ++i)
        body.append(bytes({9, 0x04, i, 0, 0, 0xFF, 0x00, 0x00, 0}));

    QByteArray c = bytes({9, 0x02});
    put16(c, static_cast<std::uint16_t>(9 + body.size()));
    c.append(bytes({count, 1, 0, 0x80, 50}));   // bus powered, 100 mA
    c.append(body);
    return c;
}

QByteArray UsbIdentity::descriptors() const
{
    return deviceDescriptor() + configurationDescriptor();
}

QByteArray UsbIdentity::stringDescriptor(int index) const
{
    if (index == 0)
        return bytes({4, 0x03, 0x09, 0x04}); // US English
    QString text;
    switch (index) {
    case 1: text = manufacturer; break;
    case 2: text = product; break;
    case 3: text = serial; break;
    default: return QByteArray();
    }
    QByteArray d;
    d.append(static_cast<char>(2 + 2 * text.size()));
    d.append(static_cast<char>(0x03));
    for (QChar ch : text)
        put16(d, ch.unicode());
    return d;
}

UsbIdentity rootHubIdentity()
{
    UsbIdentity hub;
    hub.vendorId = 0x1d6b;
    hub.productId = 0x0002;
    hub.bcdDevice = 0x0601;
    hub.manufacturer = QStringLiteral("Virtual bus");
    hub.product = QStringLiteral("Virtual root hub");
    hub.serial = QStringLiteral("kt900-sim");
    return hub;
}

QByteArray rootHubDescriptors()
{
    const UsbIdentity hub = rootHubIdentity();
    QByteArray d = bytes({18, 0x01});
    put16(d, 0x0200);
    d.append(bytes({0x09, 0x00, 0x01, 64}));     // hub class, single TT
    put16(d, hub.vendorId);
    put16(d, hub.productId);
    put16(d, hub.bcdDevice);
    d.append(bytes({1, 2, 3, 1}));
    d.append(bytes({9, 0x02, 25, 0, 1, 1, 0, 0xE0, 0,     // self powered, remote wake-up
                    9, 0x04, 0, 0, 1, 0x09, 0x00, 0x00, 0, //
                    7, 0x05, 0x81, 0x03, 4, 0, 12}));
    return d;
}

} // namespace Kt900Sim
