#include "devicestore.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Kt900 {

namespace {

constexpr std::array<int, kModuleCount> kBlockOffset = {
    0x010, 0x01C, 0x026, 0x036, 0x046, 0x050, 0x066, 0x072, 0x082, 0x08E, 0x08E, 0x098};
constexpr std::array<int, kModuleCount> kBlockSize = {12, 10, 16, 16, 10, 22, 12, 16, 12, 10, 10, 6};

// Wire order of the module blocks: modules 0..9, then TONE CAP.
constexpr std::array<int, 11> kWireModules = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11};

namespace Wire {
constexpr int Name = 0;
constexpr int Mask = 16;
constexpr int Modules = 20;
constexpr int CtrlMode = 140;
constexpr int CtrlMask = 141;
constexpr int Volume = 143;
constexpr int Chain = 144;
constexpr int Expression = 155;
constexpr int Tempo = 459;
constexpr int LedColor = 461;
constexpr int SavedTimes = 462; // four u16
constexpr int Version = 470;    // five bytes
} // namespace Wire

Record makeEmptyPreset()
{
    Record r{};
    nameToBytes(QStringLiteral("EMPTY"), r.data() + Rec::Name);
    // The first type of every module with its default values; all modules off.
    const std::array<std::vector<std::uint16_t>, 9> defaults = {{
        {90, 25, 40, 65},
        {35, 30, 40},
        {80, 50, 50, 50, 50, 73},
        {4, 5, 0, 30, 0, 50},
        {20, 0, 0},
        {32, 32, 32, 32, 32, 50, 0, 0, 0},
        {320, 50, 55, 0},
        {40, 27, 460, 0, 0, 0},
        {5, 35, 55, 60},
    }};
    for (int m = 0; m < 9; ++m) {
        std::uint8_t *b = r.data() + kBlockOffset[static_cast<std::size_t>(m)];
        putU16(b, 0);
        putU16(b + 2, 0);
        const auto &d = defaults[static_cast<std::size_t>(m)];
        for (std::size_t i = 0; i < d.size(); ++i)
            putU16(b + 4 + 2 * i, d[i]);
    }
    // FX LOOP: send and return at 0 dB, fully wet, serial.
    std::uint8_t *loop = r.data() + kBlockOffset[ModFxLoopSend];
    putU16(loop, 0);
    putU16(loop + 2, 60);
    putU16(loop + 4, 60);
    putU16(loop + 6, 100);
    putU16(loop + 8, 0);
    for (int i = 0; i < kChainLength; ++i) {
        r[static_cast<std::size_t>(Rec::Chain + 2 * i)] = static_cast<std::uint8_t>(i);
        r[static_cast<std::size_t>(Rec::Chain + 2 * i + 1)] = 0;
    }
    r[Rec::Volume] = 50;
    putU16(r.data() + Rec::Tempo, 120 - 40);
    putU16(r.data() + Rec::FxATime, 500);
    putU16(r.data() + Rec::FxBTime, 500);
    putU16(r.data() + Rec::DelayTime1, 500);
    putU16(r.data() + Rec::DelayTime2, 500);
    return r;
}

} // namespace

const std::array<int, 11> kSwitchOrder = {0, 1, 2, 11, 3, 4, 5, 9, 6, 7, 8};

int moduleBlockOffset(int module)
{
    return (module >= 0 && module < kModuleCount) ? kBlockOffset[static_cast<std::size_t>(module)] : -1;
}

int moduleBlockSize(int module)
{
    return (module >= 0 && module < kModuleCount) ? kBlockSize[static_cast<std::size_t>(module)] : 0;
}

int moduleParamWords(int module)
{
    if (module < 0 || module >= kModuleCount)
        return 0;
    const int words = kBlockSize[static_cast<std::size_t>(module)] / 2;
    return moduleHasTypeWord(module) ? words - 2 : words - 1;
}

const Record &emptyPreset()
{
    static const Record r = makeEmptyPreset();
    return r;
}

void encodeWireRecord(const Record &r, std::uint8_t *out)
{
    std::memset(out, 0, kWireRecordSize);
    std::memcpy(out + Wire::Name, r.data() + Rec::Name, kNameSize);
    std::uint32_t mask = 0;
    for (int i = 0; i < 11; ++i) {
        const int off = kBlockOffset[static_cast<std::size_t>(kSwitchOrder[static_cast<std::size_t>(i)])];
        if (getU16(r.data() + off) != 0)
            mask |= 1u << i;
    }
    putU32(out + Wire::Mask, mask);
    int pos = Wire::Modules;
    for (int m : kWireModules) {
        const int off = kBlockOffset[static_cast<std::size_t>(m)] + 2; // skip the on/off word
        const int len = kBlockSize[static_cast<std::size_t>(m)] - 2;
        std::memcpy(out + pos, r.data() + off, static_cast<std::size_t>(len));
        pos += len;
    }
    out[Wire::CtrlMode] = r[Rec::CtrlMode];
    out[Wire::CtrlMask] = r[Rec::CtrlMask];
    out[Wire::CtrlMask + 1] = r[Rec::CtrlMask + 1];
    out[Wire::Volume] = r[Rec::Volume];
    for (int i = 0; i < kChainLength; ++i)
        out[Wire::Chain + i] = r[static_cast<std::size_t>(Rec::Chain + 2 * i)];
    std::memcpy(out + Wire::Expression, r.data() + Rec::Expression, Rec::ExpressionSize);
    std::memcpy(out + Wire::Tempo, r.data() + Rec::Tempo, 2);
    out[Wire::LedColor] = r[Rec::LedColor];
    std::memcpy(out + Wire::SavedTimes, r.data() + Rec::FxATime, 8);
    std::memcpy(out + Wire::Version, r.data() + Rec::Version, 5);
}

void decodeWireRecord(const std::uint8_t *wire, Record &r)
{
    std::memcpy(r.data() + Rec::Name, wire + Wire::Name, kNameSize);
    const std::uint32_t mask = getU32(wire + Wire::Mask);
    for (int i = 0; i < 11; ++i) {
        const int off = kBlockOffset[static_cast<std::size_t>(kSwitchOrder[static_cast<std::size_t>(i)])];
        putU16(r.data() + off, (mask >> i) & 1u ? 1 : 0);
    }
    int pos = Wire::Modules;
    for (int m : kWireModules) {
        const int off = kBlockOffset[static_cast<std::size_t>(m)] + 2;
        const int len = kBlockSize[static_cast<std::size_t>(m)] - 2;
        std::memcpy(r.data() + off, wire + pos, static_cast<std::size_t>(len));
        pos += len;
    }
    r[Rec::CtrlMode] = wire[Wire::CtrlMode];
    r[Rec::CtrlMask] = wire[Wire::CtrlMask];
    r[Rec::CtrlMask + 1] = wire[Wire::CtrlMask + 1];
    r[Rec::Volume] = wire[Wire::Volume];
    for (int i = 0; i < kChainLength; ++i)
        r[static_cast<std::size_t>(Rec::Chain + 2 * i)] = wire[Wire::Chain + i];
    std::memcpy(r.data() + Rec::Expression, wire + Wire::Expression, Rec::ExpressionSize);
    std::memcpy(r.data() + Rec::Tempo, wire + Wire::Tempo, 2);
    r[Rec::LedColor] = wire[Wire::LedColor];
    std::memcpy(r.data() + Rec::FxATime, wire + Wire::SavedTimes, 8);
    std::memcpy(r.data() + Rec::Version, wire + Wire::Version, 5);
}

void nameToBytes(const QString &name, std::uint8_t *out16)
{
    std::memset(out16, 0, kNameSize);
    const int n = std::min(name.size(), kNameSize);
    for (int i = 0; i < n; ++i)
        out16[i] = static_cast<std::uint8_t>(name.at(i).unicode() & 0xFF);
}

QString nameFromBytes(const std::uint8_t *bytes16)
{
    int n = 0;
    while (n < kNameSize && bytes16[n] != 0)
        ++n;
    return QString::fromLatin1(reinterpret_cast<const char *>(bytes16), n);
}

DeviceStore::DeviceStore() = default;

DeviceStore &DeviceStore::instance()
{
    static DeviceStore store; // thread-safe initialisation
    return store;
}

void DeviceStore::reset()
{
    *this = DeviceStore();
}

Record *DeviceStore::record(int index)
{
    return (index >= 0 && index < kRecordCount) ? &m_records[static_cast<std::size_t>(index)] : nullptr;
}

const Record *DeviceStore::record(int index) const
{
    return (index >= 0 && index < kRecordCount) ? &m_records[static_cast<std::size_t>(index)] : nullptr;
}

std::uint8_t *DeviceStore::moduleBlock(int index, int module)
{
    Record *r = record(index);
    const int off = moduleBlockOffset(module);
    return (r && off >= 0) ? r->data() + off : nullptr;
}

const std::uint8_t *DeviceStore::moduleBlock(int index, int module) const
{
    const Record *r = record(index);
    const int off = moduleBlockOffset(module);
    return (r && off >= 0) ? r->data() + off : nullptr;
}

int DeviceStore::blockWord(int index, int module, int word) const
{
    const std::uint8_t *b = moduleBlock(index, module);
    if (!b || word < 0 || word * 2 + 2 > moduleBlockSize(module))
        return -1;
    return getU16(b + 2 * word);
}

bool DeviceStore::setBlockWord(int index, int module, int word, std::uint16_t value)
{
    std::uint8_t *b = moduleBlock(index, module);
    if (!b || word < 0 || word * 2 + 2 > moduleBlockSize(module))
        return false;
    putU16(b + 2 * word, value);
    return true;
}

bool DeviceStore::moduleSwitch(int module) const
{
    return blockWord(kEditBuffer, module, 0) > 0;
}

QString DeviceStore::presetName(int index) const
{
    const Record *r = record(index);
    return r ? nameFromBytes(r->data() + Rec::Name) : QString();
}

bool DeviceStore::setPresetName(int index, const QString &name)
{
    Record *r = record(index);
    if (!r)
        return false;
    nameToBytes(name, r->data() + Rec::Name);
    return true;
}

bool DeviceStore::selectPreset(int index)
{
    if (index < 0 || index >= kPresetCount)
        return false;
    m_records[kEditBuffer] = m_records[static_cast<std::size_t>(index)];
    m_current = static_cast<std::uint8_t>(index);
    m_modified = false;
    return true;
}

bool DeviceStore::setCurrentIndex(int index)
{
    if (index < 0 || index >= kPresetCount)
        return false;
    m_current = static_cast<std::uint8_t>(index);
    return true;
}

bool DeviceStore::copyRecord(int from, int to)
{
    if (from < 0 || from >= kPresetCount || to < 0 || to >= kPresetCount)
        return false;
    m_records[static_cast<std::size_t>(to)] = m_records[static_cast<std::size_t>(from)];
    return true;
}

bool DeviceStore::clearRecord(int index)
{
    if (index < 0 || index >= kPresetCount)
        return false;
    m_records[static_cast<std::size_t>(index)] = emptyPreset();
    return true;
}

int DeviceStore::chainModuleAt(int position) const
{
    if (position < 0 || position >= kChainLength)
        return -1;
    return m_records[kEditBuffer][static_cast<std::size_t>(Rec::Chain + 2 * position)];
}

void DeviceStore::setChainOrder(const std::uint8_t order[kChainLength])
{
    for (int i = 0; i < kChainLength; ++i)
        m_records[kEditBuffer][static_cast<std::size_t>(Rec::Chain + 2 * i)] = order[i];
}

int DeviceStore::presetTempoBpm(int index) const
{
    const Record *r = record(index);
    return r ? getU16(r->data() + Rec::Tempo) + 40 : -1;
}

int DeviceStore::effectiveTempoBpm(int index) const
{
    return m_system[7] != 0 ? globalTempoBpm() : presetTempoBpm(index);
}

int DeviceStore::presetVolume(int index) const
{
    const Record *r = record(index);
    return r ? (*r)[Rec::Volume] : -1;
}

int DeviceStore::systemSetting(int number) const
{
    return (number >= 0 && number < kSystemSize) ? m_system[static_cast<std::size_t>(number)] : -1;
}

bool DeviceStore::setSystemSetting(int number, int value)
{
    if (number >= 0 && number < kSystemSize) {
        m_system[static_cast<std::size_t>(number)] = static_cast<std::uint8_t>(value);
        return true;
    }
    if (number == 18 || number == 19) {
        const int entry = (value >> 8) & 0xFF;
        m_midi[static_cast<std::size_t>((number == 18 ? 0 : 256) + entry)] = static_cast<std::uint8_t>(value & 0xFF);
        return true;
    }
    return false;
}

bool DeviceStore::setControl(int index, int value)
{
    Record &e = m_records[kEditBuffer];
    switch (index) {
    case 0:
        e[Rec::CtrlMode] = static_cast<std::uint8_t>(value);
        return true;
    case 1:
        putU16(e.data() + Rec::CtrlMask, static_cast<std::uint16_t>(value));
        return true;
    case 2:
        if (value < 40 || value > 260)
            return false;
        if (m_system[7] != 0)
            m_globalTempo = static_cast<std::uint16_t>(value - 40);
        else
            putU16(e.data() + Rec::Tempo, static_cast<std::uint16_t>(value - 40));
        return true;
    default:
        return false;
    }
}

int DeviceStore::control(int index) const
{
    const Record &e = m_records[kEditBuffer];
    switch (index) {
    case 0: return e[Rec::CtrlMode];
    case 1: return getU16(e.data() + Rec::CtrlMask);
    case 2: return effectiveTempoBpm();
    default: return -1;
    }
}

std::uint16_t DeviceStore::toneCaptureValue(int i) const
{
    return (i >= 0 && i < kToneCaptureValues) ? m_toneCapture[static_cast<std::size_t>(i)] : 0;
}

void DeviceStore::setToneCaptureValue(int i, std::uint16_t v)
{
    if (i >= 0 && i < kToneCaptureValues)
        m_toneCapture[static_cast<std::size_t>(i)] = v;
}

std::uint8_t *DeviceStore::captureData(int slot)
{
    return (slot >= 0 && slot < kCaptureSlots) ? m_captureData[static_cast<std::size_t>(slot)].data() : nullptr;
}

const std::uint8_t *DeviceStore::captureData(int slot) const
{
    return (slot >= 0 && slot < kCaptureSlots) ? m_captureData[static_cast<std::size_t>(slot)].data() : nullptr;
}

bool DeviceStore::captureUsed(int slot) const
{
    return slot >= 0 && slot < kCaptureSlots && m_captureUsed[static_cast<std::size_t>(slot)] != 0;
}

void DeviceStore::setCaptureUsed(int slot, bool used)
{
    if (slot >= 0 && slot < kCaptureSlots)
        m_captureUsed[static_cast<std::size_t>(slot)] = used ? 1 : 0;
}

int DeviceStore::slotCount(int list)
{
    switch (list) {
    case ListNr: return kNrSlots;
    case ListIr: return kIrSlots;
    case ListCapture: return kCaptureSlots;
    default: return 0;
    }
}

std::uint8_t *DeviceStore::nameSlot(int list, int slot)
{
    if (slot < 0 || slot >= slotCount(list))
        return nullptr;
    switch (list) {
    case ListNr: return m_nrNames[static_cast<std::size_t>(slot)].data();
    case ListIr: return m_irNames[static_cast<std::size_t>(slot)].data();
    case ListCapture: return m_captureNames[static_cast<std::size_t>(slot)].data();
    default: return nullptr;
    }
}

const std::uint8_t *DeviceStore::slotNameBytes(int list, int slot) const
{
    return const_cast<DeviceStore *>(this)->nameSlot(list, slot);
}

QString DeviceStore::slotName(int list, int slot) const
{
    const std::uint8_t *p = slotNameBytes(list, slot);
    return p ? nameFromBytes(p) : QString();
}

bool DeviceStore::setSlotName(int list, int slot, const QString &name)
{
    std::uint8_t *p = nameSlot(list, slot);
    if (!p)
        return false;
    nameToBytes(name, p);
    return true;
}

bool DeviceStore::setSlotNameBytes(int list, int slot, const std::uint8_t *bytes, int len)
{
    std::uint8_t *p = nameSlot(list, slot);
    if (!p)
        return false;
    std::memset(p, 0, kNameSize);
    std::memcpy(p, bytes, static_cast<std::size_t>(std::clamp(len, 0, kNameSize)));
    return true;
}

} // namespace Kt900
