#include "unitoptions.h"

#include <QFile>

namespace Kt900Sim {

namespace {

struct TypeRow {
    int type;
    std::uint16_t productId;
    std::uint16_t bcdDevice;
};

constexpr TypeRow kTypes[] = {
    {4, 0x5703, 0x00CA}, {3, 0x5750, 0x00CA}, {1, 0x5750, 0x00C8}, {5, 0x5703, 0x00C8},
    {6, 0x1412, 0x00C8}, {7, 0x1512, 0x00C8}, {8, 0x1522, 0x00C8},
};

std::uint32_t u32At(const QByteArray &b, int off)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b.at(off + i));
    return v;
}

} // namespace

bool deviceTypeIds(int type, std::uint16_t *productId, std::uint16_t *bcdDevice)
{
    for (const TypeRow &row : kTypes) {
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

std::uint16_t UnitOptions::effectiveProductId() const
{
    if (productId >= 0)
        return static_cast<std::uint16_t>(productId);
    std::uint16_t pid = 0;
    deviceTypeIds(deviceType, &pid, nullptr);
    return pid;
}

std::uint16_t UnitOptions::effectiveBcdDevice() const
{
    if (bcdDevice >= 0)
        return static_cast<std::uint16_t>(bcdDevice);
    std::uint16_t bcd = 0;
    deviceTypeIds(deviceType, nullptr, &bcd);
    return bcd;
}

bool LoaderOptions::fromFirmwareFile(const QString &path, QString *error)
{
    auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray fw = file.readAll();
    if (fw.size() < 640 || !fw.startsWith("Tovak_TAG"))
        return fail(QStringLiteral("%1 is not a firmware file").arg(path));
    const int sectionCount = static_cast<signed char>(fw.at(47));
    if (sectionCount < 1)
        return fail(QStringLiteral("%1 has no sections").arg(path));
    LoaderOptions next;
    next.applyCode = static_cast<std::uint8_t>(fw.at(41));
    next.applyAckCode = static_cast<std::uint8_t>(fw.at(42));
    next.sections.clear();
    qint64 header = 128;
    for (int k = 0; k < sectionCount; ++k) {
        if (header < 0 || header + 512 > fw.size())
            return fail(QStringLiteral("%1: section %2 lies outside the file").arg(path).arg(k + 1));
        const int h = static_cast<int>(header);
        next.sections.push_back({static_cast<std::uint8_t>(fw.at(h + 21)), static_cast<std::uint8_t>(fw.at(h + 22))});
        header = u32At(fw, h + 13);
    }
    *this = next;
    return true;
}

} // namespace Kt900Sim
