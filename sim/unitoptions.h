#pragma once

// Configuration of the virtual unit: identity, device type, loader codes and
// injected faults.

#include "firmwarefile.h"
#include "identity.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace Kt900Sim {

constexpr std::uint16_t kVendorId = Identity::kVendorId;

// The device type table: product id and bcdDevice of device types 1 and 3..8.
// Returns false for any other type.
bool deviceTypeIds(int type, std::uint16_t *productId, std::uint16_t *bcdDevice);
// Device type 6 moves 512-byte bulk blocks; every other type 64-byte interrupt reports.
inline bool isBulkType(int type) { return type == 6; }

// One section of a firmware image as the loader sees it: the command code of
// its block frames and the code it answers each block with.
struct LoaderSection {
    std::uint8_t blockCode = 0;
    std::uint8_t ackCode = 0;
};

// What the loader (mode "B") listens for. The codes come from the firmware
// file's header; fromFirmwareFile() reads them from a ".tk" file. Without a
// file the defaults below apply (tests that build their own firmware files
// can use them).
struct LoaderOptions {
    std::uint8_t applyCode = Firmware::kSampleApplyCode;
    std::uint8_t applyAckCode = Firmware::kSampleApplyAckCode;
    std::vector<LoaderSection> sections = std::vector<LoaderSection>(1, LoaderSection{Firmware::kSampleBlockCode, Firmware::kSampleBlockAckCode});

    // Reads the apply codes and the sections' codes from a firmware file.
    // False with a message when the file cannot be read or is malformed.
    bool fromFirmwareFile(const QString &path, QString *error);
};

// Faults the reliability tests inject. Every field can also be changed while
// the unit runs (VirtualUnit::setFaults).
struct FaultOptions {
    int unplugAfterReports = -1; // the unit vanishes after sending this many IN reports (-1: never)
    bool acknowledge = true;     // acknowledge DataTransfer chunks and firmware blocks
    int stopAckAfter = -1;       // acknowledge this many, then stop (-1: never stop)
    int corruptFrame = -1;       // 1-based number of the outbound frame whose CRC is damaged (-1: none)
    int replyDelayMs = 0;        // every answer is held back this long
    bool refuseApply = false;    // the loader answers the apply command with status 0
    bool answerInfo = true;      // answer the device info request at all
};

struct UnitOptions {
    QString modelName = QStringLiteral("TOVAK_KT900");
    QString version = QStringLiteral("V1.1.0");
    QString info1 = QStringLiteral("HW1.2");
    QString info3 = QStringLiteral("BL1.0");
    char mode = 'A';             // 'A' normal, 'B' firmware-update (loader) mode
    int deviceType = 4;          // row of the device type table
    int productId = -1;          // overrides the table's product id when >= 0
    int bcdDevice = -1;          // overrides the table's bcdDevice when >= 0
    int captureTimeMs = 3000;    // duration of a tone capture started from the editor
    LoaderOptions loader;
    FaultOptions faults;

    std::uint16_t effectiveProductId() const;
    std::uint16_t effectiveBcdDevice() const;
    bool bulk() const { return isBulkType(deviceType); }
    int reportSize() const { return bulk() ? 512 : 64; }
};

} // namespace Kt900Sim
