#include "firmwarefile.h"

#include <QDir>

#include <cstring>

namespace Firmware {

const char kTag[] = "Tovak_TAG";

namespace {

std::uint32_t u32At(const QByteArray &b, qint64 pos)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(b.constData()) + pos;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t u16At(const QByteArray &b, qint64 pos)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(b.constData()) + pos;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint8_t u8At(const QByteArray &b, qint64 pos)
{
    return static_cast<std::uint8_t>(b.at(static_cast<int>(pos)));
}

void putU32(QByteArray &b, int pos, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[pos + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putU16(QByteArray &b, int pos, std::uint16_t v)
{
    b[pos] = static_cast<char>(v & 0xFF);
    b[pos + 1] = static_cast<char>(v >> 8);
}

// Section header at off, without following anything.
void readSectionAt(const QByteArray &file, qint64 off, Section *s)
{
    s->headerOffset = static_cast<std::uint32_t>(off);
    s->dataOffsetField = u32At(file, off + 9);
    s->nextHeaderOffset = u32At(file, off + 13);
    s->dataLength = u32At(file, off + 17);
    s->blockCode = u8At(file, off + 21);
    s->blockAckCode = u8At(file, off + 22);
    s->blockWait = u32At(file, off + 23);
    s->firstBlock = u16At(file, off + 27);
}

} // namespace

const char *fileErrorText(FileError e)
{
    switch (e) {
    case FileError::None: return "ok";
    case FileError::TooShort: return "file shorter than its header";
    case FileError::BadTag: return "no firmware tag";
    case FileError::WrongModel: return "firmware for another model";
    case FileError::BadSectionCount: return "section count is not positive";
    case FileError::SectionOutOfFile: return "section header or data past the end of the file";
    case FileError::PartialBlock: return "section length is not a whole number of blocks";
    case FileError::BlockNumberOverflow: return "section runs past block number 0xFFFF";
    case FileError::NoBlocks: return "no blocks to send";
    case FileError::WaitTooLong: return "a wait time beyond 60000 ms would stall the update";
    }
    return "?";
}

FileError readHeader(const QByteArray &file, Header *header)
{
    if (file.size() < kTagSize || std::memcmp(file.constData(), kTag, kTagSize) != 0)
        return FileError::BadTag;
    if (file.size() < kHeaderSize)
        return FileError::TooShort;
    const char *name = file.constData() + 9;
    header->modelName = QByteArray(name, static_cast<int>(qstrnlen(name, 32)));
    header->applyCode = u8At(file, 41);
    header->applyAckCode = u8At(file, 42);
    header->applyWait = u32At(file, 43);
    header->sectionCount = static_cast<std::int8_t>(u8At(file, 47));
    header->applyArgument = u32At(file, 48);
    return FileError::None;
}

bool readSection(const QByteArray &file, const Header &header, int k, Section *section)
{
    if (k < 1 || k > header.sectionCount)
        return false;
    const qint64 size = file.size();
    qint64 off = kHeaderSize;
    Section s;
    for (int i = 1;; ++i) {
        if (off < 0 || off + kSectionHeaderSize > size)
            return false;
        readSectionAt(file, off, &s);
        if (i == k)
            break;
        off = s.nextHeaderOffset;
    }
    // Section 1's data always follows its header; later sections say where
    // theirs is (stored plus one, so 0 is not a valid value).
    if (k == 1) {
        s.dataOffset = kFirstDataOffset;
    } else {
        if (s.dataOffsetField == 0)
            return false;
        s.dataOffset = static_cast<qint64>(s.dataOffsetField) - 1;
    }
    if (s.dataOffset + static_cast<qint64>(s.dataLength) > size)
        return false;
    *section = s;
    return true;
}

qint64 totalBlockCount(qint64 fileSize, int sectionCount)
{
    return (fileSize - static_cast<qint64>(sectionCount) * kSectionHeaderSize - kHeaderSize)
        / kBlockSize;
}

FileError parse(const QByteArray &file, const QByteArray &expectedModel, Image *image)
{
    Image img;
    if (const FileError e = readHeader(file, &img.header); e != FileError::None)
        return e;
    if (img.header.modelName.compare(expectedModel, Qt::CaseInsensitive) != 0)
        return FileError::WrongModel;
    if (img.header.sectionCount <= 0)
        return FileError::BadSectionCount;
    if (img.header.applyWait > kMaxWaitMs)
        return FileError::WaitTooLong;
    if (file.size() < kFirstDataOffset)
        return FileError::SectionOutOfFile;
    for (int k = 1; k <= img.header.sectionCount; ++k) {
        Section s;
        if (!readSection(file, img.header, k, &s))
            return FileError::SectionOutOfFile;
        if (s.dataLength % kBlockSize != 0)
            return FileError::PartialBlock;
        if (s.blockCount() > 0 && s.firstBlock + s.blockCount() - 1 > 0xFFFF)
            return FileError::BlockNumberOverflow;
        if (s.blockWait > kMaxWaitMs)
            return FileError::WaitTooLong;
        img.sections.append(s);
    }
    img.totalBlocks = totalBlockCount(file.size(), img.header.sectionCount);
    if (img.totalBlocks <= 0)
        return FileError::NoBlocks;
    *image = img;
    return FileError::None;
}

QByteArray blockData(const QByteArray &file, const Section &section, int i)
{
    const qint64 off = section.dataOffset + static_cast<qint64>(i) * kBlockSize;
    if (i < 0 || i >= section.blockCount() || off + kBlockSize > file.size())
        return QByteArray(kBlockSize, '\0');
    return file.mid(static_cast<int>(off), kBlockSize);
}

int chooseNewest(const QStringList &names, int modelNameLength)
{
    if (names.isEmpty())
        return -1;
    const auto at = [](const QString &s, int pos) {
        return pos >= 0 && pos < s.size() ? s.at(pos) : QChar(0);
    };
    int best = 0;
    for (int i = 1; i < names.size(); ++i) {
        for (const int pos : {modelNameLength + 2, modelNameLength + 4, modelNameLength + 6}) {
            const QChar now = at(names.at(i), pos);
            const QChar old = at(names.at(best), pos);
            if (now > old) {
                best = i;
                break;
            }
            if (now < old)
                break;
        }
    }
    return best;
}

QString findNewest(const QString &dir, const QString &modelName)
{
    QDir d(dir);
    const QStringList names = d.entryList(QStringList{modelName + QStringLiteral("*.tk")},
                                          QDir::Files | QDir::Readable, QDir::Name);
    const int i = chooseNewest(names, modelName.size());
    return i < 0 ? QString() : d.filePath(names.at(i));
}

QByteArray build(const ImageSpec &imageLayout)
{
    QByteArray out(kHeaderSize, '\0');
    std::memcpy(out.data(), kTag, kTagSize);
    std::memcpy(out.data() + 9, imageLayout.modelName.constData(),
                static_cast<std::size_t>(qMin(imageLayout.modelName.size(), 31)));
    out[41] = static_cast<char>(imageLayout.applyCode);
    out[42] = static_cast<char>(imageLayout.applyAckCode);
    putU32(out, 43, imageLayout.applyWait);
    out[47] = static_cast<char>(imageLayout.sections.size());
    putU32(out, 48, imageLayout.applyArgument);
    for (int k = 0; k < imageLayout.sections.size(); ++k) {
        const SectionSpec &s = imageLayout.sections.at(k);
        const int headerOff = out.size();
        const int dataOff = headerOff + kSectionHeaderSize;
        QByteArray h(kSectionHeaderSize, '\0');
        putU32(h, 9, static_cast<std::uint32_t>(dataOff + 1));
        putU32(h, 13, static_cast<std::uint32_t>(dataOff + s.data.size()));
        putU32(h, 17, static_cast<std::uint32_t>(s.data.size()));
        h[21] = static_cast<char>(s.blockCode);
        h[22] = static_cast<char>(s.blockAckCode);
        putU32(h, 23, s.blockWait);
        putU16(h, 27, s.firstBlock);
        out += h;
        out += s.data;
    }
    return out;
}

} // namespace Firmware
