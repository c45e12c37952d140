#include "identity.h"

#include <QString>

#include <algorithm>

namespace Identity {

namespace {

struct TypeRow {
    std::uint16_t productId;
    std::uint16_t bcdDevice;
    int type;
};

// Tried in this order; the first match wins.
constexpr TypeRow kTypeTable[] = {
    {0x5703, 0x00CA, 4},
    {0x5750, 0x00CA, 3},
    {0x5750, 0x00C8, 1},
    {0x5703, 0x00C8, 5},
    {0x1412, 0x00C8, 6},
    {0x1512, 0x00C8, 7},
    {0x1522, 0x00C8, 8},
};

} // namespace

int deviceTypeFor(std::uint16_t productId, std::uint16_t bcdDevice)
{
    for (const TypeRow &row : kTypeTable) {
        if (row.productId == productId && row.bcdDevice == bcdDevice)
            return row.type;
    }
    return 0;
}

bool deviceTypeIds(int type, std::uint16_t *productId, std::uint16_t *bcdDevice)
{
    for (const TypeRow &row : kTypeTable) {
        if (row.type == type) {
            if (productId)
                *productId = row.productId;
            if (bcdDevice)
                *bcdDevice = row.bcdDevice;
            return true;
        }
    }
    return false;
}

const char kExpectedName[] = "TOVAK_KT900";
const char kRequiredVersion[] = "V1.1.0";

namespace {

QByteArray textAt(const std::uint8_t *payload, int len, int offset, int size)
{
    if (offset >= len)
        return {};
    const int avail = std::min(size, len - offset);
    int n = 0;
    while (n < avail && payload[offset + n] != 0)
        ++n;
    return QByteArray(reinterpret_cast<const char *>(payload + offset), n);
}

} // namespace

DeviceInfo parseDeviceInfo(const std::uint8_t *payload, int len)
{
    DeviceInfo info;
    if (!payload || len <= 1)
        return info;
    info.modelName = textAt(payload, len, kModelNameOffset, kModelNameSize);
    info.info1 = textAt(payload, len, kInfo1Offset, kInfoTextSize);
    info.firmwareVersion = textAt(payload, len, kVersionOffset, kInfoTextSize);
    info.info3 = textAt(payload, len, kInfo3Offset, kInfoTextSize);
    info.mode = len > kModeOffset ? static_cast<char>(payload[kModeOffset]) : 0;
    info.valid = true;
    return info;
}

bool sameModel(const QByteArray &a, const QByteArray &b)
{
    return QString::fromLatin1(a).compare(QString::fromLatin1(b), Qt::CaseInsensitive) == 0;
}

bool versionAccepted(const QByteArray &version)
{
    return version.compare(kRequiredVersion, Qt::CaseInsensitive) == 0;
}

} // namespace Identity
