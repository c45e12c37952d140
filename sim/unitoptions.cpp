#include "unitoptions.h"

#include <QFile>

namespace Kt900Sim {

bool deviceTypeIds(int type, std::uint16_t *productId, std::uint16_t *bcdDevice)
{
    return Identity::deviceTypeIds(type, productId, bcdDevice);
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
    Firmware::Header header;
    if (fw.size() < Firmware::kFirstDataOffset || Firmware::readHeader(fw, &header) != Firmware::FileError::None)
        return fail(QStringLiteral("%1 is not a firmware file").arg(path));
    if (header.sectionCount < 1)
        return fail(QStringLiteral("%1 has no sections").arg(path));
    LoaderOptions next;
    next.applyCode = header.applyCode;
    next.applyAckCode = header.applyAckCode;
    next.sections.clear();
    for (int k = 1; k <= header.sectionCount; ++k) {
        Firmware::Section section;
        if (!Firmware::readSection(fw, header, k, &section))
            return fail(QStringLiteral("%1: section %2 lies outside the file").arg(path).arg(k));
        next.sections.push_back({section.blockCode, section.blockAckCode});
    }
    *this = next;
    return true;
}

} // namespace Kt900Sim
