#include "identity.h"

#include <QString>

#include <algorithm>

namespace Identity {

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
