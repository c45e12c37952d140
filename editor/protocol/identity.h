#pragma once

// Who the unit says it is: its answer to the device info request, parsed once
// into one record, and the rule that decides whether the editor may work with
// it (the model name it must report and the firmware version it was made for).

#include "commands.h"

#include <QByteArray>

#include <cstdint>

namespace Identity {

// USB vendor id of the unit.
constexpr std::uint16_t kVendorId = 0x0483;

// The device info request as a whole frame: payload 00 00.
constexpr std::uint8_t kInfoRequestFrame[8] = {0xAA, 0x55, 0x02, 0x00, Cmd::DeviceInfo, 0x00, 0x12, 0x97};

// Device type of a vendor 0x0483 device from its product id and bcdDevice
// (types 1 and 3..8); 0 when the pair is not in the table.
int deviceTypeFor(std::uint16_t productId, std::uint16_t bcdDevice);
// The product id and bcdDevice of a device type; false for a type not in the table.
bool deviceTypeIds(int type, std::uint16_t *productId, std::uint16_t *bcdDevice);

extern const char kExpectedName[];     // "TOVAK_KT900"
extern const char kRequiredVersion[];  // "V1.1.0"

// The fields of the device info reply.
struct DeviceInfo {
    QByteArray modelName;        // up to 32 characters, e.g. "TOVAK_KT900"
    QByteArray info1;            // carried, not interpreted
    QByteArray firmwareVersion;  // e.g. "V1.1.0"
    QByteArray info3;            // carried, not interpreted
    char mode = 0;               // 'A' normal mode, 'B' firmware-update mode
    bool valid = false;          // false until a reply was parsed
};

// Payload offsets of the reply (payload byte 0 is the reply code 0x01).
constexpr int kModelNameOffset = 1;
constexpr int kModelNameSize = 32;
constexpr int kInfo1Offset = 33;
constexpr int kVersionOffset = 40;
constexpr int kInfo3Offset = 47;
constexpr int kInfoTextSize = 7;
constexpr int kModeOffset = 54;

// Parses a reply payload of len bytes; texts end at their first NUL or at the
// end of what is there. Not valid for a null payload or one of 1 byte or less.
DeviceInfo parseDeviceInfo(const std::uint8_t *payload, int len);

// Model names compare without regard to letter case.
bool sameModel(const QByteArray &a, const QByteArray &b);

// True when the unit's version text is the one the editor was made for
// (letter case ignored, nothing more and nothing less).
bool versionAccepted(const QByteArray &version);

} // namespace Identity
