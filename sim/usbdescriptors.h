#pragma once

// USB descriptors of the virtual unit and of the root hub it hangs off.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace Kt900Sim {

struct UsbIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t bcdDevice = 0;
    bool bulk = false;          // device type 6: bulk endpoints, high speed
    int interfaceCount = 1;     // interfaces 1.. carry no endpoints
    QString manufacturer;
    QString product;
    QString serial;

    int speedMbps() const { return bulk ? 480 : 12; }
    // Device descriptor followed by the whole configuration descriptor (the
    // sysfs "descriptors" file).
    QByteArray descriptors() const;
    QByteArray deviceDescriptor() const;
    QByteArray configurationDescriptor() const;
    // String descriptor n (0 = language list); empty when there is none.
    QByteArray stringDescriptor(int index) const;
};

// The root hub of the virtual bus.
UsbIdentity rootHubIdentity();
QByteArray rootHubDescriptors();

} // namespace Kt900Sim
