#pragma once

// The backup file (".tbf"): everything the unit holds in one binary file.
//
//   header (1024 bytes): "TOVAK" | "TOVAK_KT900" | three version texts |
//       "BUFF" | u32 group count N | N x u64 group offsets | ... |
//       u64 checksum at 1016 (byte sum of header bytes 0..1015 and of every
//       byte after offset 1023)
//   N groups back to back, each a 256-byte group header (name, command code,
//       item count, item size) followed by its items, each a 34-byte item
//       header (32 zero bytes, u16 item index) and the item's data bytes.
//
// All integers are little-endian. The data bytes are the device store's
// images of each area, byte for byte. This file holds the pure layout: the
// image builder, the checker and the reader, and the transfer of group items
// into a device store. Talking to the unit is BackupFile's business.

#include "devicestore.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QVector>

#include <array>
#include <cstdint>

namespace BackupFormat {

constexpr int kHeaderSize = 1024;
constexpr int kGroupHeaderSize = 256;
constexpr int kItemHeaderSize = 34;
constexpr int kGroupNameSize = 32;
constexpr int kChecksumOffset = 1016;
constexpr int kGroupCountOffset = 76;
constexpr int kGroupOffsetsOffset = 80;
// Offsets of the group table must end before the checksum.
constexpr int kMaxGroups = (kChecksumOffset - kGroupOffsetsOffset) / 8;   // 117
constexpr int kVersionOffset = 47;
constexpr const char *kVersion = "V1.0.0";

// Recall progress runs from 0 to this value.
constexpr int kProgressMax = 510;

enum class Group : int {
    ExpVol = 0,
    GlbBpm,
    Preset,
    System,
    GlbEq,
    MidiList,
    Rhythm,
    TcAmp,
    Capture,
    Ir,
    Amp,
    Unknown = -1,
};
constexpr int kGroupKinds = 11;

struct GroupSpec
{
    const char *name;       // "KT900_PRESET" ...
    std::uint8_t code;      // command code of the message that carries the data
    int itemSize;           // bytes of data per item
    int maxItems;           // items the area can take
    int indexLimit;         // item indexes must be below this (areas with several items)
    int progressBase;       // recall progress step of item i: base + i * stride
    int progressStride;
};

// The groups in the order they are written.
const GroupSpec &groupSpec(Group g);
Group groupByName(const QByteArray &name);

// Recall progress (0..510) after item i of a group.
int recallProgressFor(Group g, int itemPosition);

// Store images of the single-item areas.
constexpr int kExpVolSize = 3;    // u16 expression word, expression byte
constexpr int kGlbBpmSize = 2;    // global tempo, bpm - 40
constexpr int kGlbEqSize = 40;    // u8 selected output, 3 x 0, 18 x u16

// IR and amp data read out of the unit for a backup.
struct SlotReadout
{
    const std::uint8_t *irData = nullptr;   // 10 x 8192 bytes
    std::array<bool, Kt900::kIrSlots> irReceived{};
    const std::uint8_t *nrData = nullptr;   // 10 x 1584 bytes
    std::array<bool, Kt900::kNrSlots> nrReceived{};
};

// The whole file image of a store: the eight fixed groups, then the filled
// capture slots, the IR slots and the amp slots that were received (each of
// the last three only when it has items).
QByteArray buildImage(const Kt900::DeviceStore &store, const SlotReadout &readout);

// The 64-bit byte sum over header bytes 0..1015 and every byte after 1023.
std::uint64_t checksumOf(const QByteArray &file);

struct Header
{
    QString maker;                 // string at offset 0
    QString device;                // string at offset 8
    QString version;               // string at offset 47
    quint32 groupCount = 0;
    QVector<quint64> groupOffsets;
    quint64 checksum = 0;
};

// The checks a file must pass before anything is sent: at least 1024 bytes,
// "V1.0.0" at offset 47, the checksum, identification strings that are
// prefixes of "TOVAK" and "TOVAK_KT900" (an empty string passes) and "BUFF"
// at offset 72. Fills header on success.
bool checkData(const QByteArray &file, Header *header = nullptr, QString *reason = nullptr);
// Reads the file and checks it as above.
bool checkFile(const QString &path, Header *header = nullptr, QString *reason = nullptr);

// A backup of the whole unit is well below 1 MB; anything above this is not
// one and is not read into memory.
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
// Reads a backup file whole: false with the reason when it cannot be opened
// or read, is not a regular file, or is larger than kMaxFileSize.
bool readFile(const QString &path, QByteArray *bytes, QString *reason = nullptr);
// Writes image to file (opened for writing) and commits it when file is a
// QSaveFile; false with the system's reason ("no space left on the device")
// when a write, flush or commit fails.
bool writeImage(QFileDevice &file, const QByteArray &image, QString *reason = nullptr);

struct Item
{
    int index = 0;          // from the item header
    QByteArray data;        // itemSize bytes
};

struct GroupData
{
    Group group = Group::Unknown;
    QByteArray name;
    std::uint8_t code = 0;
    QVector<Item> items;    // empty for unknown groups (they are skipped)
};

// Checks the file and reads every group. Group offsets, counts and sizes are
// checked against the file; known groups must have their item size, at most
// as many items as their area holds and item indexes inside it. False with a
// reason for anything else; nothing is half-read.
bool parse(const QByteArray &file, QVector<GroupData> *groups, QString *reason = nullptr);

// Copies one item into its device store area (capture, IR and amp slots get
// their name as well; a capture slot is marked used). False for an item the
// area cannot take.
bool applyItem(Kt900::DeviceStore &store, Group group, const Item &item);

// Image of a single-item area from the store (the item data written for it).
QByteArray areaImage(const Kt900::DeviceStore &store, Group group);

} // namespace BackupFormat
