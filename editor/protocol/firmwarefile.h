#pragma once

// Firmware files (".tk") as the updater reads them.
//
//   0    9   tag "Tovak_TAG"
//   9   32   model name, NUL-terminated
//   41   1   apply command code
//   42   1   apply acknowledgement code
//   43   4   apply wait (u32, 1-ms checks)
//   47   1   section count (signed)
//   48   4   apply argument (u32)
//   52  76   unused
//   128 512  header of section 1, its data follows at 640
//
// Section header (512 bytes):
//   9    4   data offset + 1 (sections 2 and up)
//   13   4   offset of the next section's header
//   17   4   data length
//   21   1   block command code
//   22   1   block acknowledgement code
//   23   4   block wait (u32, 1-ms checks)
//   27   2   first block number (u16)
//
// All integers little-endian. Everything read from a file is checked against
// the file's size before use: a damaged or hostile file is refused as a whole,
// before anything is sent to the unit.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

namespace Firmware {

constexpr int kHeaderSize = 128;
constexpr int kSectionHeaderSize = 512;
constexpr int kBlockSize = 512;
constexpr int kFirstDataOffset = kHeaderSize + kSectionHeaderSize; // 640
extern const char kTag[]; // "Tovak_TAG"
constexpr int kTagSize = 9;

// Loader codes of sample images (tests, fuzz seeds, the virtual unit without
// a firmware file). Real files bring their own codes in their headers.
constexpr std::uint8_t kSampleApplyCode = 0x50;
constexpr std::uint8_t kSampleApplyAckCode = 0x51;
constexpr std::uint8_t kSampleBlockCode = 0x52;
constexpr std::uint8_t kSampleBlockAckCode = 0x53;

struct Header
{
    QByteArray modelName;       // up to 32 bytes, without the terminator
    std::uint8_t applyCode = 0;
    std::uint8_t applyAckCode = 0;
    std::uint32_t applyWait = 0;
    int sectionCount = 0;       // signed byte as stored
    std::uint32_t applyArgument = 0;
};

struct Section
{
    std::uint32_t headerOffset = 0;
    std::uint32_t dataOffsetField = 0; // as stored (data offset + 1)
    std::uint32_t nextHeaderOffset = 0;
    std::uint32_t dataLength = 0;
    std::uint8_t blockCode = 0;
    std::uint8_t blockAckCode = 0;
    std::uint32_t blockWait = 0;
    std::uint16_t firstBlock = 0;
    qint64 dataOffset = 0;             // where the data really starts

    int blockCount() const { return static_cast<int>(dataLength / kBlockSize); }
};

// Why a file was refused (FileError::None when it is usable).
enum class FileError {
    None,
    TooShort,          // shorter than the 128-byte header
    BadTag,
    WrongModel,
    BadSectionCount,   // zero or negative
    SectionOutOfFile,  // a section header or its data lies (partly) past the end
    PartialBlock,      // a data length that is not a whole number of blocks
    BlockNumberOverflow, // blocks would run past block number 0xFFFF
    NoBlocks,          // the total block count used for progress is not positive
    WaitTooLong        // an apply or block wait beyond kMaxWaitMs would stall the update
};

// The longest wait for the unit's answer a file may ask for; the updater
// never waits longer than this whatever a file says.
constexpr std::uint32_t kMaxWaitMs = 60000;

const char *fileErrorText(FileError e);

// Reads the fixed header. Needs at least the tag; returns TooShort or BadTag.
FileError readHeader(const QByteArray &file, Header *header);

// Reads the header of section k (1-based) by following the chain from section
// 1. Nothing is read outside the file: an offset that points past its end
// fails. k above the section count yields false.
bool readSection(const QByteArray &file, const Header &header, int k, Section *section);

// Total block count used for the progress bar:
// (file size - section count * 512 - 128) / 512.
qint64 totalBlockCount(qint64 fileSize, int sectionCount);

// A checked, ready-to-send firmware image.
struct Image
{
    Header header;
    QVector<Section> sections;
    qint64 totalBlocks = 0;
};

// Checks everything the updater relies on: the tag, the model name (ignoring
// case), a positive section count, every section header and every section's
// data inside the file, whole 512-byte blocks, block numbers that fit in 16
// bits, and a positive total block count.
FileError parse(const QByteArray &file, const QByteArray &expectedModel, Image *image);

// The bytes of block i of a section (512 bytes). The section must come from
// parse() on the same file.
QByteArray blockData(const QByteArray &file, const Section &section, int i);

// Choosing the newest file. The names are compared at positions L+2, L+4 and
// L+6 (L = length of the model name), the digits of "<model>_V<d>.<d>.<d>.tk";
// the first position where a later name is greater makes it the candidate, a
// smaller one keeps the candidate. Missing characters count as NUL.
// Returns the index of the chosen name in names, or -1 when names is empty.
int chooseNewest(const QStringList &names, int modelNameLength);

// Lists dir for "<model>*.tk" (letter case ignored, sorted by name) and
// returns the full path of the newest, or an empty string when there is none.
QString findNewest(const QString &dir, const QString &modelName);

// ---- writing (samples, tests and fuzz seeds) ----

struct SectionSpec
{
    QByteArray data;           // written as it is
    std::uint8_t blockCode = 0x82;
    std::uint8_t blockAckCode = 0x82;
    std::uint32_t blockWait = 1000;
    std::uint16_t firstBlock = 0;
};

struct ImageSpec
{
    QByteArray modelName = "TOVAK_KT900";
    std::uint8_t applyCode = 0x81;
    std::uint8_t applyAckCode = 0x81;
    std::uint32_t applyWait = 3000;
    std::uint32_t applyArgument = 0;
    QVector<SectionSpec> sections;
};

// Lays the sections out one after another (header, data, header, data, ...)
// with the offsets filled in as the updater follows them.
QByteArray build(const ImageSpec &imageLayout);

} // namespace Firmware
