#include "requests.h"

#include "commands.h"

namespace Request {

namespace {

QByteArray start(std::uint8_t code, int size)
{
    QByteArray p(size, '\0');
    p[0] = static_cast<char>(code);
    return p;
}

void put(QByteArray &p, int at, int value) { p[at] = static_cast<char>(value & 0xFF); }

void putU16(QByteArray &p, int at, std::uint16_t v)
{
    put(p, at, v);
    put(p, at + 1, v >> 8);
}

void copy(QByteArray &p, int at, const std::uint8_t *bytes, int count)
{
    for (int i = 0; i < count; ++i)
        put(p, at + i, bytes[i]);
}

QByteArray twoBytes(std::uint8_t code, int value)
{
    QByteArray p = start(code, 2);
    put(p, 1, value);
    return p;
}

} // namespace

QByteArray deviceInfo() { return twoBytes(Cmd::DeviceInfo, 0x00); }
QByteArray requestSync() { return twoBytes(Cmd::RequestSync, 0x01); }
QByteArray editorAttach() { return twoBytes(Cmd::EditorAttach, 0x01); }
QByteArray factoryReset() { return start(Cmd::FactoryReset, 1); }

QByteArray currentUi(std::uint32_t screenCode)
{
    QByteArray p = start(Cmd::CurrentUi, 6);
    for (int i = 0; i < 4; ++i)
        put(p, 1 + i, static_cast<int>(screenCode >> (8 * i)));
    return p;
}

QByteArray moduleParams(int module, const std::uint8_t *block, int blockBytes)
{
    const int code = Cmd::moduleCommand(module);
    const bool loop = code == Cmd::ModuleFxLoop; // its block has no type word
    const int from = loop ? 2 : 4;
    if (code < 0 || !block || blockBytes < from)
        return {};
    QByteArray p = start(static_cast<std::uint8_t>(code), 5 + blockBytes - from);
    put(p, 1, block[0]);
    put(p, 2, loop ? 0 : block[2]);
    copy(p, 5, block + from, blockBytes - from);
    return p;
}

QByteArray globalBlock(std::uint8_t code, const std::uint8_t *bytes, int count)
{
    if (!bytes || count < 1)
        return {};
    QByteArray p = start(code, 1 + count);
    copy(p, 1, bytes, count);
    return p;
}

QByteArray globalBpm(std::uint8_t volume, std::uint16_t presetTempo, std::uint16_t globalTempo)
{
    QByteArray p = start(Cmd::GlobalBpm, 6);
    put(p, 1, volume);
    putU16(p, 2, presetTempo);
    putU16(p, 4, globalTempo);
    return p;
}

QByteArray chainOrder(const int *modules, const bool *switches)
{
    QByteArray p = start(Cmd::ChainOrder, 1 + 2 * kChainLength);
    for (int i = 0; i < kChainLength; ++i) {
        put(p, 1 + i, modules[i]);
        put(p, 1 + kChainLength + i, switches[i] ? 1 : 0);
    }
    return p;
}

QByteArray midiMapEntry(int setting, int index, int value)
{
    if ((setting != 18 && setting != 19) || index < 0 || index > 255)
        return {};
    QByteArray p = start(Cmd::MidiMapEntry, 5);
    put(p, 1, setting == 18 ? 4 : 5);
    put(p, 2, index);
    put(p, 3, value);
    put(p, 4, value > 255 ? 1 : 0);
    return p;
}

QByteArray globalEq(int output, const std::uint16_t *words)
{
    QByteArray p = start(Cmd::GlobalEq, 5 + 2 * kGlobalEqWords);
    put(p, 1, output);
    for (int i = 0; i < kGlobalEqWords; ++i)
        putU16(p, 5 + 2 * i, words[i]);
    return p;
}

QByteArray ctrlSet(std::uint8_t mode, std::uint16_t mask)
{
    QByteArray p = start(Cmd::CtrlSet, 4);
    put(p, 1, mode);
    putU16(p, 2, mask);
    return p;
}

QByteArray expVolume(const std::uint8_t *settings10, std::uint16_t globalWord, std::uint8_t globalByte)
{
    QByteArray p = start(Cmd::ExpVolume, 14);
    copy(p, 1, settings10, kExpSettingsBytes);
    putU16(p, 11, globalWord);
    put(p, 13, globalByte);
    return p;
}

QByteArray slotName(int kind, int slot, const std::uint8_t *name16)
{
    QByteArray p = start(Cmd::SlotName, 3 + kNameBytes);
    put(p, 1, kind);
    put(p, 2, slot);
    copy(p, 3, name16, kNameBytes);
    return p;
}

QByteArray requestData(int kind, int a, int b)
{
    QByteArray p = start(Cmd::RequestData, 4);
    put(p, 1, kind);
    put(p, 2, a);
    put(p, 3, b);
    return p;
}

QByteArray deleteSlot(int kind, int slot)
{
    QByteArray p = start(Cmd::DeleteSlot, 3);
    put(p, 1, kind);
    put(p, 2, slot);
    return p;
}

QByteArray storePreset(int index, const std::uint8_t *name16)
{
    if (index < 0 || index >= kPresetSlots)
        return {};
    QByteArray p = start(Cmd::StorePreset, 3 + kNameBytes);
    put(p, 2, index);
    copy(p, 3, name16, kNameBytes);
    return p;
}

QByteArray selectPreset(int index)
{
    if (index < 0 || index >= kPresetSlots)
        return {};
    return twoBytes(Cmd::SelectPreset, index);
}

QByteArray backupMode(int a, int b)
{
    QByteArray p = start(Cmd::BackupMode, 3);
    put(p, 1, a);
    put(p, 2, b);
    return p;
}

QByteArray captureSettingsA(int value) { return twoBytes(Cmd::CaptureSettingsA, value); }

QByteArray captureSettingsB(int value, const int *words6)
{
    QByteArray p = start(Cmd::CaptureSettingsB, 17);
    put(p, 2, value);
    for (int i = 0; i < 6; ++i)
        putU16(p, 5 + 2 * i, static_cast<std::uint16_t>(words6[i]));
    return p;
}

QByteArray captureSettingsC(int v8, int v9, int v10, int v11)
{
    QByteArray p = start(Cmd::CaptureSettingsC, 5);
    put(p, 1, v8);
    put(p, 2, (v9 == 3 && v10 == 0) ? 0 : v9);
    put(p, 3, v10 != 0 ? 1 : 0);
    put(p, 4, v11);
    return p;
}

QByteArray presetFrame(int subKind, int slot, const std::uint8_t *wireRecord)
{
    if (!wireRecord)
        return {};
    QByteArray p = start(Cmd::DataTransfer, Cmd::kPresetFramePayload);
    put(p, 1, subKind);
    put(p, 2, slot);
    // Count field 512, chunk total 2, chunk index 1, whatever the record's size.
    copy(p, 3, Cmd::kPresetChunkFields, sizeof Cmd::kPresetChunkFields);
    copy(p, Cmd::kChunkHeader, wireRecord, kWireRecordBytes);
    return p;
}

QByteArray dataChunk(int subKind, int slot, int total, int index, const std::uint8_t *bytes, int count)
{
    if (!bytes || count < 1 || count > kMaxChunkBytes)
        return {};
    QByteArray p = start(Cmd::DataTransfer, Cmd::kChunkHeader + count);
    put(p, 1, subKind);
    put(p, 2, slot);
    putU16(p, 3, static_cast<std::uint16_t>(count));
    put(p, 5, total);
    put(p, 6, index);
    copy(p, Cmd::kChunkHeader, bytes, count);
    return p;
}

} // namespace Request
