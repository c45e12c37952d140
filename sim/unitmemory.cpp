#include "unitmemory.h"

#include <QFile>
#include <QSaveFile>

#include <cstring>
#include <memory>

namespace Kt900Sim {

using namespace Kt900;

namespace {

constexpr char kTag[8] = {'K', 'T', '9', 'S', 'I', 'M', 'M', 'E'};
constexpr std::uint32_t kFormat = 1;

class Writer
{
public:
    void bytes(const void *p, int n) { m_out.append(static_cast<const char *>(p), n); }
    void u8(std::uint8_t v) { m_out.append(static_cast<char>(v)); }
    void u16(std::uint16_t v)
    {
        std::uint8_t b[2];
        putU16(b, v);
        bytes(b, 2);
    }
    void u32(std::uint32_t v)
    {
        std::uint8_t b[4];
        putU32(b, v);
        bytes(b, 4);
    }
    QByteArray result() const { return m_out; }

private:
    QByteArray m_out;
};

class Reader
{
public:
    explicit Reader(const QByteArray &in) : m_in(in) {}
    bool bytes(void *p, int n)
    {
        if (n < 0 || m_pos + n > m_in.size())
            return m_ok = false;
        std::memcpy(p, m_in.constData() + m_pos, static_cast<std::size_t>(n));
        m_pos += n;
        return true;
    }
    std::uint8_t u8()
    {
        std::uint8_t v = 0;
        bytes(&v, 1);
        return v;
    }
    std::uint16_t u16()
    {
        std::uint8_t b[2] = {0, 0};
        bytes(b, 2);
        return getU16(b);
    }
    std::uint32_t u32()
    {
        std::uint8_t b[4] = {0, 0, 0, 0};
        bytes(b, 4);
        return getU32(b);
    }
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_in.size(); }

private:
    const QByteArray &m_in;
    int m_pos = 0;
    bool m_ok = true;
};

constexpr int kLists[3] = {ListNr, ListIr, ListCapture};

} // namespace

bool UnitMemory::irFilled(int slot) const
{
    const std::uint8_t *name = store.slotNameBytes(ListIr, slot);
    return name && name[0] != 0;
}

bool UnitMemory::nrFilled(int slot) const
{
    const std::uint8_t *name = store.slotNameBytes(ListNr, slot);
    return name && name[0] != 0;
}

void UnitMemory::clearIr(int slot)
{
    if (slot < 0 || slot >= kIrSlots)
        return;
    store.setSlotName(ListIr, slot, QString());
    irData[static_cast<std::size_t>(slot)].fill(0);
}

void UnitMemory::clearNr(int slot)
{
    if (slot < 0 || slot >= kNrSlots)
        return;
    store.setSlotName(ListNr, slot, QString());
    nrData[static_cast<std::size_t>(slot)].fill(0);
}

QByteArray UnitMemory::serialize() const
{
    Writer w;
    w.bytes(kTag, sizeof kTag);
    w.u32(kFormat);
    for (int i = 0; i < kRecordCount; ++i)
        w.bytes(store.record(i)->data(), kRecordSize);
    const int current = store.currentPresetIndex();
    w.u8(current < 0 ? 0xFF : static_cast<std::uint8_t>(current));
    w.u8(static_cast<std::uint8_t>(store.lastStoredPreset()));
    w.u32(store.screenCode());
    w.u16(store.globalTempoRaw());
    for (int i = 0; i < kToneCaptureValues; ++i)
        w.u16(store.toneCaptureValue(i));
    w.bytes(store.systemBlock(), kSystemSize);
    w.u8(static_cast<std::uint8_t>(store.globalEqOutput()));
    for (int i = 0; i < kGlobalEqWords; ++i)
        w.u16(store.globalEqWord(i));
    w.u16(store.expGlobalWord());
    w.u8(store.expGlobalByte());
    w.bytes(store.midiBlock(), kMidiSize);
    w.bytes(store.rhythmBlock(), kRhythmSize);
    w.bytes(store.captureAmpList(), kCaptureSlots * kCaptureAmpEntry);
    for (int s = 0; s < kCaptureSlots; ++s) {
        w.u8(store.captureUsed(s) ? 1 : 0);
        w.bytes(store.captureData(s), kCaptureBytes);
    }
    for (int list : kLists)
        for (int s = 0; s < DeviceStore::slotCount(list); ++s)
            w.bytes(store.slotNameBytes(list, s), kNameSize);
    for (const auto &ir : irData)
        w.bytes(ir.data(), kIrBytes);
    for (const auto &nr : nrData)
        w.bytes(nr.data(), kNrBytes);
    return w.result();
}

bool UnitMemory::deserialize(const QByteArray &bytes)
{
    Reader r(bytes);
    char tag[sizeof kTag];
    if (!r.bytes(tag, sizeof tag) || std::memcmp(tag, kTag, sizeof kTag) != 0 || r.u32() != kFormat)
        return false;
    // Read into a copy so that a truncated image changes nothing.
    auto next = std::make_unique<UnitMemory>();
    DeviceStore &s = next->store;
    for (int i = 0; i < kRecordCount; ++i)
        r.bytes(s.record(i)->data(), kRecordSize);
    const std::uint8_t current = r.u8();
    if (current < kPresetCount)
        s.setCurrentIndex(current);
    s.setLastStoredPreset(r.u8());
    s.setScreenCode(r.u32());
    s.setGlobalTempoRaw(r.u16());
    for (int i = 0; i < kToneCaptureValues; ++i)
        s.setToneCaptureValue(i, r.u16());
    r.bytes(s.systemBlock(), kSystemSize);
    s.setGlobalEqOutput(r.u8());
    for (int i = 0; i < kGlobalEqWords; ++i)
        s.setGlobalEqWord(i, r.u16());
    const std::uint16_t expWord = r.u16();
    s.setExpGlobals(expWord, r.u8());
    r.bytes(s.midiBlock(), kMidiSize);
    r.bytes(s.rhythmBlock(), kRhythmSize);
    r.bytes(s.captureAmpList(), kCaptureSlots * kCaptureAmpEntry);
    for (int slot = 0; slot < kCaptureSlots; ++slot) {
        s.setCaptureUsed(slot, r.u8() != 0);
        r.bytes(s.captureData(slot), kCaptureBytes);
    }
    for (int list : kLists) {
        for (int slot = 0; slot < DeviceStore::slotCount(list); ++slot) {
            std::uint8_t name[kNameSize];
            r.bytes(name, kNameSize);
            s.setSlotNameBytes(list, slot, name, kNameSize);
        }
    }
    for (auto &ir : next->irData)
        r.bytes(ir.data(), kIrBytes);
    for (auto &nr : next->nrData)
        r.bytes(nr.data(), kNrBytes);
    if (!r.ok() || !r.atEnd())
        return false;
    *this = *next;
    return true;
}

bool UnitMemory::saveToFile(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray image = serialize();
    if (file.write(image) != image.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool UnitMemory::loadFromFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (!deserialize(file.readAll())) {
        if (error)
            *error = QStringLiteral("%1 is not a state file of the virtual unit").arg(path);
        return false;
    }
    return true;
}

} // namespace Kt900Sim
