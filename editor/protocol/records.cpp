#include "records.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace Kt900 {

namespace {

constexpr std::array<int, kModuleCount> kBlockOffset = {
    0x010, 0x01C, 0x026, 0x036, 0x046, 0x050, 0x066, 0x072, 0x082, 0x08E, 0x08E, 0x098};
constexpr std::array<int, kModuleCount> kBlockSize = {12, 10, 16, 16, 10, 22, 12, 16, 12, 10, 10, 6};


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

int mergeFirstSlot(int module)
{
    if (module == ModFxLoopReturn)
        module = ModFxLoopSend;
    if (module < 0 || module > ModFxLoopSend)
        return -1;
    int slot = 0;
    for (int m = 0; m < module; ++m)
        slot += moduleParamWords(m);
    return slot;
}

bool isChainEntryOnByte(int offset)
{
    return offset > Rec::Chain && offset < Rec::Chain + 2 * kChainLength && (offset - Rec::Chain) % 2 == 1;
}

int savedTimeOffset(int which)
{
    switch (which) {
    case SavedFxa: return Rec::FxATime;
    case SavedFxb: return Rec::FxBTime;
    case SavedDelay1: return Rec::DelayTime1;
    case SavedDelay2: return Rec::DelayTime2;
    default: return -1;
    }
}

namespace {

bool validMergeSlot(int set, int slot)
{
    return (set == 0 || set == 1) && slot >= 0 && slot < kMergeSlots;
}

int mergeByteOffset(int set, int slot, int half)
{
    return (set == 0 ? Rec::MergeSet1 : Rec::MergeSet2) + 2 * slot + half;
}

int mergeFlagOffset(int set, int slot)
{
    return (set == 0 ? Rec::MergeFlags1 : Rec::MergeFlags2) + slot;
}

bool wordInBlock(int module, int word)
{
    return word >= 0 && word * 2 + 2 <= moduleBlockSize(module);
}

} // namespace

// --- PresetView --------------------------------------------------------------

QString PresetView::name() const
{
    return m_r ? nameFromBytes(m_r + Rec::Name) : QString();
}

const std::uint8_t *PresetView::nameBytes() const
{
    return m_r ? m_r + Rec::Name : nullptr;
}

int PresetView::volume() const
{
    return m_r ? m_r[Rec::Volume] : -1;
}

int PresetView::tempoRaw() const
{
    return m_r ? getU16(m_r + Rec::Tempo) : -1;
}

int PresetView::tempoBpm() const
{
    return m_r ? getU16(m_r + Rec::Tempo) + 40 : -1;
}

int PresetView::ledColor() const
{
    return m_r ? m_r[Rec::LedColor] : -1;
}

QString PresetView::version() const
{
    if (!m_r)
        return QString();
    int n = 0;
    while (n < Rec::VersionSize - 1 && m_r[Rec::Version + n] != 0)
        ++n;
    return QString::fromLatin1(reinterpret_cast<const char *>(m_r + Rec::Version), n);
}

const std::uint8_t *PresetView::versionBytes() const
{
    return m_r ? m_r + Rec::Version : nullptr;
}

int PresetView::chainModuleAt(int position) const
{
    if (!m_r || position < 0 || position >= kChainLength)
        return -1;
    return m_r[Rec::Chain + 2 * position];
}

int PresetView::chainEntryOn(int position) const
{
    if (!m_r || position < 0 || position >= kChainLength)
        return -1;
    return m_r[Rec::Chain + 2 * position + 1];
}

const std::uint8_t *PresetView::moduleBlock(int module) const
{
    const int off = moduleBlockOffset(module);
    return (m_r && off >= 0) ? m_r + off : nullptr;
}

int PresetView::blockWord(int module, int word) const
{
    const std::uint8_t *b = moduleBlock(module);
    if (!b || !wordInBlock(module, word))
        return -1;
    return getU16(b + 2 * word);
}

bool PresetView::moduleOn(int module) const
{
    return blockWord(module, 0) > 0;
}

int PresetView::moduleType(int module) const
{
    if (!moduleBlock(module))
        return -1;
    return moduleHasTypeWord(module) ? blockWord(module, 1) : 0;
}

int PresetView::paramWord(int module, int w) const
{
    if (w < 0 || w >= moduleParamWords(module))
        return -1;
    return blockWord(module, (moduleHasTypeWord(module) ? 2 : 1) + w);
}

int PresetView::ctrlMode() const
{
    return m_r ? m_r[Rec::CtrlMode] : -1;
}

int PresetView::ctrlMask() const
{
    return m_r ? getU16(m_r + Rec::CtrlMask) : -1;
}

int PresetView::expSetting(int i) const
{
    if (!m_r || i < 0 || i >= kExpSettingCount)
        return -1;
    return m_r[Rec::ExpSettings + i];
}

const std::uint8_t *PresetView::expressionArea() const
{
    return m_r ? m_r + Rec::Expression : nullptr;
}

int PresetView::mergeByte(int set, int slot, int half) const
{
    if (!m_r || !validMergeSlot(set, slot) || (half != 0 && half != 1))
        return -1;
    return m_r[mergeByteOffset(set, slot, half)];
}

int PresetView::mergeFlag(int set, int slot) const
{
    if (!m_r || !validMergeSlot(set, slot))
        return -1;
    return m_r[mergeFlagOffset(set, slot)];
}

int PresetView::savedDelayTime(int which) const
{
    const int off = savedTimeOffset(which);
    return (m_r && off >= 0) ? getU16(m_r + off) : -1;
}

// --- PresetEdit --------------------------------------------------------------

std::uint8_t *PresetEdit::mutableBlock(int module) const
{
    const int off = moduleBlockOffset(module);
    return (m_w && off >= 0) ? m_w + off : nullptr;
}

bool PresetEdit::setName(const QString &name)
{
    if (!m_w)
        return false;
    nameToBytes(name, m_w + Rec::Name);
    return true;
}

bool PresetEdit::setNameBytes(const std::uint8_t *bytes, int len)
{
    if (!m_w || (!bytes && len > 0))
        return false;
    std::memset(m_w + Rec::Name, 0, kNameSize);
    if (bytes)
        std::memcpy(m_w + Rec::Name, bytes, static_cast<std::size_t>(std::clamp(len, 0, kNameSize)));
    return true;
}

bool PresetEdit::setVolume(int volume)
{
    return putByte(Rec::Volume, volume);
}

bool PresetEdit::setTempoRaw(std::uint16_t raw)
{
    return putWord(Rec::Tempo, raw);
}

bool PresetEdit::setLedColor(int color)
{
    return putByte(Rec::LedColor, color);
}

bool PresetEdit::setVersionBytes(const std::uint8_t *bytes5)
{
    if (!m_w || !bytes5)
        return false;
    std::memcpy(m_w + Rec::Version, bytes5, Rec::VersionSize);
    return true;
}

bool PresetEdit::setVersion(const QString &text)
{
    if (!m_w)
        return false;
    for (int i = 0; i < Rec::VersionSize - 1; ++i)
        m_w[Rec::Version + i] = i < text.size() ? static_cast<std::uint8_t>(text.at(i).unicode() & 0xFF) : 0;
    return true;
}

bool PresetEdit::putByte(int offset, int value)
{
    if (!m_w)
        return false;
    m_w[offset] = static_cast<std::uint8_t>(value);
    return true;
}

bool PresetEdit::putWord(int offset, std::uint16_t value)
{
    if (!m_w)
        return false;
    putU16(m_w + offset, value);
    return true;
}

bool PresetEdit::setChainModuleAt(int position, int module)
{
    if (!m_w || position < 0 || position >= kChainLength)
        return false;
    m_w[Rec::Chain + 2 * position] = static_cast<std::uint8_t>(module);
    return true;
}

bool PresetEdit::setChainEntryOn(int position, int onOff)
{
    if (!m_w || position < 0 || position >= kChainLength)
        return false;
    m_w[Rec::Chain + 2 * position + 1] = static_cast<std::uint8_t>(onOff);
    return true;
}

bool PresetEdit::setBlockWord(int module, int word, std::uint16_t value)
{
    const int off = moduleBlockOffset(module);
    if (!m_w || off < 0 || !wordInBlock(module, word))
        return false;
    putU16(m_w + off + 2 * word, value);
    return true;
}

bool PresetEdit::setModuleOn(int module, bool on)
{
    return setBlockWord(module, 0, on ? 1 : 0);
}

bool PresetEdit::setCtrlMode(int mode)
{
    return putByte(Rec::CtrlMode, mode);
}

bool PresetEdit::setCtrlMask(std::uint16_t mask)
{
    return putWord(Rec::CtrlMask, mask);
}

bool PresetEdit::setExpSetting(int i, int value)
{
    if (!m_w || i < 0 || i >= kExpSettingCount)
        return false;
    m_w[Rec::ExpSettings + i] = static_cast<std::uint8_t>(value);
    return true;
}

bool PresetEdit::setMergeByte(int set, int slot, int half, int value)
{
    if (!m_w || !validMergeSlot(set, slot) || (half != 0 && half != 1))
        return false;
    m_w[mergeByteOffset(set, slot, half)] = static_cast<std::uint8_t>(value);
    return true;
}

bool PresetEdit::setMergeFlag(int set, int slot, int value)
{
    if (!m_w || !validMergeSlot(set, slot))
        return false;
    m_w[mergeFlagOffset(set, slot)] = static_cast<std::uint8_t>(value);
    return true;
}

bool PresetEdit::setSavedDelayTime(int which, std::uint16_t ms)
{
    const int off = savedTimeOffset(which);
    if (!m_w || off < 0)
        return false;
    putU16(m_w + off, ms);
    return true;
}

} // namespace Kt900
