#include "backupformat.h"
#include <cerrno>
#include <QSaveFile>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstring>

namespace BackupFormat {

namespace {

using Kt900::getU16;
using Kt900::putU16;

QString tr(const char *text)
{
    return QCoreApplication::translate("BackupFile", text);
}

void setReason(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
}

// name, code, item size, max items, index limit, progress base, stride
const GroupSpec kSpecs[kGroupKinds] = {
    {"KT900_EXP_VOL", 0x16, kExpVolSize, 1, 0, 0, 1},
    {"KT900_GLB_BPM", 0x0F, kGlbBpmSize, 1, 0, 1, 1},
    {"KT900_PRESET", 0x1C, Kt900::kRecordSize, Kt900::kPresetCount, Kt900::kPresetCount, 2, 1},
    {"KT900_SYSTEM", 0x11, Kt900::kSystemSize, 1, 0, 258, 1},
    {"KT900_GLB_EQ", 0x13, kGlbEqSize, 1, 0, 259, 1},
    {"KT900_MIDI_LIST", 0x24, Kt900::kMidiSize, 1, 0, 260, 1},
    {"KT900_RHYTHM", 0x0E, Kt900::kRhythmSize, 1, 0, 261, 1},
    {"KT900_TC_AMP", 0x28, Kt900::kCaptureSlots * Kt900::kCaptureAmpEntry, 1, 0, 262, 1},
    {"KT900_CAPTURE", 0x1C, Kt900::kNameSize + Kt900::kCaptureBytes, Kt900::kCaptureSlots, Kt900::kCaptureSlots, 272, 9},
    {"KT900_IR", 0x1C, Kt900::kNameSize + Kt900::kIrBytes, Kt900::kIrSlots, Kt900::kIrSlots, 460, 17},
    {"KT900_AMP", 0x1C, Kt900::kNameSize + Kt900::kNrBytes, Kt900::kNrSlots, Kt900::kNrSlots, 618, 5},
};

constexpr int kProgressSteps = 662;

void putU32(QByteArray &b, int pos, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[pos + i] = static_cast<char>(v >> (8 * i));
}

void putU64(QByteArray &b, int pos, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        b[pos + i] = static_cast<char>(v >> (8 * i));
}

quint32 u32At(const QByteArray &b, qint64 pos)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + pos;
    return static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) | (static_cast<quint32>(p[2]) << 16)
        | (static_cast<quint32>(p[3]) << 24);
}

quint64 u64At(const QByteArray &b, qint64 pos)
{
    return static_cast<quint64>(u32At(b, pos)) | (static_cast<quint64>(u32At(b, pos + 4)) << 32);
}

// Text of a NUL-padded field (up to the first NUL or the field's end).
QByteArray fieldText(const QByteArray &b, int pos, int size)
{
    const char *p = b.constData() + pos;
    int n = 0;
    while (n < size && p[n] != 0)
        ++n;
    return QByteArray(p, n);
}

void putText(QByteArray &b, int pos, const char *text)
{
    std::memcpy(b.data() + pos, text, std::strlen(text));
}

std::uint64_t byteSum(const char *data, qint64 len)
{
    std::uint64_t sum = 0;
    const auto *p = reinterpret_cast<const unsigned char *>(data);
    for (qint64 i = 0; i < len; ++i)
        sum += p[i];
    return sum;
}

// Appends one group: header, then each item header and its data.
void appendGroup(QByteArray &out, Group g, const QVector<Item> &items)
{
    const GroupSpec &s = groupSpec(g);
    QByteArray header(kGroupHeaderSize, '\0');
    putText(header, 0, s.name);
    header[32] = static_cast<char>(s.code);
    if (g == Group::Preset) {
        header[36] = 0x1C;
        header[38] = 1;
    }
    putU32(header, 40, static_cast<quint32>(items.size()));
    putU32(header, 44, static_cast<quint32>(s.itemSize));
    out.append(header);
    for (const Item &item : items) {
        QByteArray itemHeader(kItemHeaderSize, '\0');
        itemHeader[32] = static_cast<char>(item.index & 0xFF);
        itemHeader[33] = static_cast<char>((item.index >> 8) & 0xFF);
        out.append(itemHeader);
        out.append(item.data);
    }
}

QByteArray slotItem(const std::uint8_t *name16, const std::uint8_t *data, int size)
{
    QByteArray b(reinterpret_cast<const char *>(name16), Kt900::kNameSize);
    b.append(reinterpret_cast<const char *>(data), size);
    return b;
}

} // namespace

const GroupSpec &groupSpec(Group g)
{
    const int i = static_cast<int>(g);
    return kSpecs[(i >= 0 && i < kGroupKinds) ? i : 0];
}

Group groupByName(const QByteArray &name)
{
    for (int i = 0; i < kGroupKinds; ++i) {
        if (name == kSpecs[i].name)
            return static_cast<Group>(i);
    }
    return Group::Unknown;
}

int recallProgressFor(Group g, int itemPosition)
{
    if (g == Group::Unknown)
        return 0;
    const GroupSpec &s = groupSpec(g);
    const double step = s.progressBase + static_cast<double>(itemPosition) * s.progressStride;
    const long v = std::lround(step / kProgressSteps * kProgressMax);
    return static_cast<int>(std::min<long>(std::max<long>(v, 0), kProgressMax));
}

QByteArray areaImage(const Kt900::DeviceStore &store, Group group)
{
    QByteArray b;
    switch (group) {
    case Group::ExpVol:
        b.resize(kExpVolSize);
        putU16(reinterpret_cast<std::uint8_t *>(b.data()), store.expGlobalWord());
        b[2] = static_cast<char>(store.expGlobalByte());
        break;
    case Group::GlbBpm:
        b.resize(kGlbBpmSize);
        putU16(reinterpret_cast<std::uint8_t *>(b.data()), store.globalTempoRaw());
        break;
    case Group::System:
        b = QByteArray(reinterpret_cast<const char *>(store.systemBlock()), Kt900::kSystemSize);
        break;
    case Group::GlbEq:
        b = QByteArray(kGlbEqSize, '\0');
        b[0] = static_cast<char>(store.globalEqOutput());
        for (int i = 0; i < Kt900::kGlobalEqWords; ++i)
            putU16(reinterpret_cast<std::uint8_t *>(b.data()) + 4 + 2 * i, store.globalEqWord(i));
        break;
    case Group::MidiList:
        b = QByteArray(reinterpret_cast<const char *>(store.midiBlock()), Kt900::kMidiSize);
        break;
    case Group::Rhythm:
        b = QByteArray(reinterpret_cast<const char *>(store.rhythmBlock()), Kt900::kRhythmSize);
        break;
    case Group::TcAmp:
        b = QByteArray(reinterpret_cast<const char *>(store.captureAmpList()),
                       Kt900::kCaptureSlots * Kt900::kCaptureAmpEntry);
        break;
    default:
        break;
    }
    return b;
}

QByteArray buildImage(const Kt900::DeviceStore &store, const SlotReadout &readout)
{
    QByteArray body;
    QVector<quint64> offsets;
    auto add = [&](Group g, const QVector<Item> &items) {
        offsets.append(static_cast<quint64>(kHeaderSize + body.size()));
        appendGroup(body, g, items);
    };
    auto single = [&](Group g) { add(g, {Item{0, areaImage(store, g)}}); };

    single(Group::ExpVol);
    single(Group::GlbBpm);
    QVector<Item> presets;
    presets.reserve(Kt900::kPresetCount);
    for (int i = 0; i < Kt900::kPresetCount; ++i)
        presets.append(Item{i, QByteArray(reinterpret_cast<const char *>(store.record(i)->data()), Kt900::kRecordSize)});
    add(Group::Preset, presets);
    single(Group::System);
    single(Group::GlbEq);
    single(Group::MidiList);
    single(Group::Rhythm);
    single(Group::TcAmp);

    QVector<Item> captures;
    for (int s = 0; s < Kt900::kCaptureSlots; ++s) {
        if (store.captureUsed(s))
            captures.append(Item{s, slotItem(store.slotNameBytes(Kt900::ListCapture, s), store.captureData(s), Kt900::kCaptureBytes)});
    }
    if (!captures.isEmpty())
        add(Group::Capture, captures);

    QVector<Item> irs;
    for (int s = 0; s < Kt900::kIrSlots && readout.irData; ++s) {
        if (readout.irReceived[static_cast<std::size_t>(s)])
            irs.append(Item{s, slotItem(store.slotNameBytes(Kt900::ListIr, s), readout.irData + s * Kt900::kIrBytes, Kt900::kIrBytes)});
    }
    if (!irs.isEmpty())
        add(Group::Ir, irs);

    QVector<Item> amps;
    for (int s = 0; s < Kt900::kNrSlots && readout.nrData; ++s) {
        if (readout.nrReceived[static_cast<std::size_t>(s)])
            amps.append(Item{s, slotItem(store.slotNameBytes(Kt900::ListNr, s), readout.nrData + s * Kt900::kNrBytes, Kt900::kNrBytes)});
    }
    if (!amps.isEmpty())
        add(Group::Amp, amps);

    QByteArray file(kHeaderSize, '\0');
    putText(file, 0, "TOVAK");
    putText(file, 8, "TOVAK_KT900");
    putText(file, 40, kVersion);
    putText(file, kVersionOffset, kVersion);
    putText(file, 54, kVersion);
    putText(file, 72, "BUFF");
    putU32(file, kGroupCountOffset, static_cast<quint32>(offsets.size()));
    for (int i = 0; i < offsets.size(); ++i)
        putU64(file, kGroupOffsetsOffset + 8 * i, offsets[i]);
    file.append(body);
    putU64(file, kChecksumOffset, checksumOf(file));
    return file;
}

std::uint64_t checksumOf(const QByteArray &file)
{
    if (file.size() < kHeaderSize)
        return byteSum(file.constData(), std::min<qint64>(file.size(), kChecksumOffset));
    return byteSum(file.constData(), kChecksumOffset)
        + byteSum(file.constData() + kHeaderSize, file.size() - kHeaderSize);
}

bool checkData(const QByteArray &file, Header *header, QString *reason)
{
    if (file.size() < kHeaderSize) {
        setReason(reason, tr("the file is too short for a backup file (%1 bytes)").arg(file.size()));
        return false;
    }
    const QByteArray version = fieldText(file, kVersionOffset, 7);
    if (version != kVersion) {
        setReason(reason, tr("unsupported backup version \"%1\"").arg(QString::fromLatin1(version)));
        return false;
    }
    const quint64 stored = u64At(file, kChecksumOffset);
    if (stored != checksumOf(file)) {
        setReason(reason, tr("the checksum does not match: the file is damaged"));
        return false;
    }
    const QByteArray maker = fieldText(file, 0, 8);
    const QByteArray device = fieldText(file, 8, 32);
    if (!QByteArray("TOVAK").startsWith(maker) || !QByteArray("TOVAK_KT900").startsWith(device)) {
        setReason(reason, tr("the file is not a KT900 backup"));
        return false;
    }
    if (std::memcmp(file.constData() + 72, "BUFF", 4) != 0) {
        setReason(reason, tr("the file is not a KT900 backup (no data marker)"));
        return false;
    }
    if (header) {
        header->maker = QString::fromLatin1(maker);
        header->device = QString::fromLatin1(device);
        header->version = QString::fromLatin1(version);
        header->checksum = stored;
        header->groupCount = u32At(file, kGroupCountOffset);
        header->groupOffsets.clear();
        const quint32 n = std::min<quint32>(header->groupCount, kMaxGroups);
        for (quint32 i = 0; i < n; ++i)
            header->groupOffsets.append(u64At(file, kGroupOffsetsOffset + 8 * static_cast<qint64>(i)));
    }
    return true;
}

bool readFile(const QString &path, QByteArray *bytes, QString *reason)
{
    bytes->clear();
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        setReason(reason, tr("%1 is not a regular file").arg(info.fileName()));
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        setReason(reason, tr("cannot open %1: %2").arg(info.fileName(), f.errorString()));
        return false;
    }
    if (f.size() > kMaxFileSize) {
        setReason(reason, tr("the file is too large for a backup file (%1 bytes)").arg(f.size()));
        return false;
    }
    *bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        setReason(reason, tr("cannot read %1: %2").arg(info.fileName(), f.errorString()));
        bytes->clear();
        return false;
    }
    return true;
}

bool writeImage(QFileDevice &file, const QByteArray &image, QString *reason)
{
    errno = 0;
    bool ok = file.write(image) == image.size();
    int err = errno;
    if (ok) {
        if (auto *save = qobject_cast<QSaveFile *>(&file)) {
            ok = save->commit();
        } else {
            ok = file.flush();
            if (ok) {
                file.close();
                ok = file.error() == QFileDevice::NoError;
            }
        }
        err = errno;
    }
    if (ok)
        return true;
    // The toolkit's text for a failed close or rename can be "Unknown error";
    // the system's own reason is the one the user can act on.
    QString why = file.errorString();
    if (err == ENOSPC)
        why = tr("no space left on the device");
    else if (err == EDQUOT)
        why = tr("the disk quota is exceeded");
    else if (err != 0 && (why.isEmpty() || why == QLatin1String("Unknown error")))
        why = QString::fromLocal8Bit(std::strerror(err));
    if (auto *save = qobject_cast<QSaveFile *>(&file))
        save->cancelWriting();
    setReason(reason, tr("cannot write %1: %2").arg(QFileInfo(file.fileName()).fileName(), why));
    return false;
}

bool checkFile(const QString &path, Header *header, QString *reason)
{
    QByteArray bytes;
    if (!readFile(path, &bytes, reason))
        return false;
    return checkData(bytes, header, reason);
}

bool parse(const QByteArray &file, QVector<GroupData> *groups, QString *reason)
{
    Header header;
    if (!checkData(file, &header, reason))
        return false;
    const quint64 size = static_cast<quint64>(file.size());
    if (header.groupCount > static_cast<quint32>(kMaxGroups)) {
        setReason(reason, tr("the backup file is damaged (%1 groups)").arg(header.groupCount));
        return false;
    }
    QVector<GroupData> result;
    result.reserve(static_cast<int>(header.groupCount));
    for (int gi = 0; gi < header.groupOffsets.size(); ++gi) {
        const quint64 offset = header.groupOffsets[gi];
        if (offset < static_cast<quint64>(kHeaderSize) || offset > size || size - offset < static_cast<quint64>(kGroupHeaderSize)) {
            setReason(reason, tr("the backup file is damaged (group %1 lies outside the file)").arg(gi + 1));
            return false;
        }
        const qint64 at = static_cast<qint64>(offset);
        GroupData g;
        g.name = fieldText(file, static_cast<int>(at), kGroupNameSize);
        g.code = static_cast<std::uint8_t>(file[static_cast<int>(at + 32)]);
        g.group = groupByName(g.name);
        const quint64 count = u32At(file, at + 40);
        const quint64 itemSize = u32At(file, at + 44);
        // count and itemSize are below 2^32: the product cannot overflow 64 bits.
        const quint64 span = count * (kItemHeaderSize + itemSize);
        const quint64 first = offset + kGroupHeaderSize;
        if (span > size - first) {
            setReason(reason, tr("the backup file is damaged (group %1 runs past the end of the file)").arg(gi + 1));
            return false;
        }
        if (g.group == Group::Unknown) {
            result.append(g);
            continue;
        }
        const GroupSpec &groupDef = groupSpec(g.group);
        if (itemSize != static_cast<quint64>(groupDef.itemSize) || count > static_cast<quint64>(groupDef.maxItems)) {
            setReason(reason, tr("the backup file is damaged (group %1 has %2 items of %3 bytes)")
                                  .arg(QString::fromLatin1(g.name)).arg(count).arg(itemSize));
            return false;
        }
        g.items.reserve(static_cast<int>(count));
        for (quint64 i = 0; i < count; ++i) {
            const qint64 itemAt = static_cast<qint64>(first + i * (kItemHeaderSize + itemSize));
            Item item;
            item.index = getU16(reinterpret_cast<const std::uint8_t *>(file.constData()) + itemAt + 32);
            if (groupDef.indexLimit > 0 && item.index >= groupDef.indexLimit) {
                setReason(reason, tr("the backup file is damaged (%1 item index %2)")
                                      .arg(QString::fromLatin1(g.name)).arg(item.index));
                return false;
            }
            item.data = file.mid(static_cast<int>(itemAt + kItemHeaderSize), static_cast<int>(itemSize));
            g.items.append(item);
        }
        result.append(g);
    }
    if (groups)
        *groups = result;
    return true;
}

bool applyItem(Kt900::DeviceStore &store, Group group, const Item &item)
{
    if (group == Group::Unknown || item.data.size() != groupSpec(group).itemSize)
        return false;
    const auto *d = reinterpret_cast<const std::uint8_t *>(item.data.constData());
    switch (group) {
    case Group::ExpVol:
        store.setExpGlobals(getU16(d), d[2]);
        return true;
    case Group::GlbBpm:
        store.setGlobalTempoRaw(getU16(d));
        return true;
    case Group::Preset: {
        Kt900::Record *r = store.record(item.index);
        if (!r || item.index >= Kt900::kPresetCount)
            return false;
        std::memcpy(r->data(), d, Kt900::kRecordSize);
        return true;
    }
    case Group::System:
        std::memcpy(store.systemBlock(), d, Kt900::kSystemSize);
        return true;
    case Group::GlbEq:
        store.setGlobalEqOutput(d[0]);
        for (int i = 0; i < Kt900::kGlobalEqWords; ++i)
            store.setGlobalEqWord(i, getU16(d + 4 + 2 * i));
        return true;
    case Group::MidiList:
        std::memcpy(store.midiBlock(), d, Kt900::kMidiSize);
        return true;
    case Group::Rhythm:
        std::memcpy(store.rhythmBlock(), d, Kt900::kRhythmSize);
        return true;
    case Group::TcAmp:
        std::memcpy(store.captureAmpList(), d, Kt900::kCaptureSlots * Kt900::kCaptureAmpEntry);
        return true;
    case Group::Capture: {
        std::uint8_t *data = store.captureData(item.index);
        if (!data)
            return false;
        store.setSlotNameBytes(Kt900::ListCapture, item.index, d, Kt900::kNameSize);
        std::memcpy(data, d + Kt900::kNameSize, Kt900::kCaptureBytes);
        store.setCaptureUsed(item.index, true);
        return true;
    }
    case Group::Ir:
        return item.index >= 0 && item.index < Kt900::kIrSlots
            && store.setSlotNameBytes(Kt900::ListIr, item.index, d, Kt900::kNameSize);
    case Group::Amp:
        return item.index >= 0 && item.index < Kt900::kNrSlots
            && store.setSlotNameBytes(Kt900::ListNr, item.index, d, Kt900::kNameSize);
    default:
        return false;
    }
}

} // namespace BackupFormat
