#include "devicestore.h"

#include <algorithm>
#include <cstring>

namespace Kt900 {

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
    return preset(index).name();
}

bool DeviceStore::setPresetName(int index, const QString &name)
{
    return presetEdit(index).setName(name);
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
    return editBuffer().chainModuleAt(position);
}

void DeviceStore::setChainOrder(const std::uint8_t order[kChainLength])
{
    PresetEdit edit = editBufferEdit();
    for (int i = 0; i < kChainLength; ++i)
        edit.setChainModuleAt(i, order[i]);
}

int DeviceStore::presetTempoBpm(int index) const
{
    return preset(index).tempoBpm();
}

int DeviceStore::effectiveTempoBpm(int index) const
{
    return m_system[7] != 0 ? globalTempoBpm() : presetTempoBpm(index);
}

int DeviceStore::presetVolume(int index) const
{
    return preset(index).volume();
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
