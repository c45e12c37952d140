#pragma once

// Payloads of the requests the editor sends to the unit, built from plain
// values (byte 0 is the command code; Frame::build wraps a payload into a
// frame). No store, no USB: the device link reads its store, encodes here and
// writes. An empty result means an argument was out of range (send nothing).

#include "records.h"

#include <QByteArray>

#include <cstdint>

namespace Request {

constexpr int kNameBytes = Kt900::kNameSize;              // a name on the wire, NUL-padded
constexpr int kWireRecordBytes = Kt900::kWireRecordSize;  // a preset record on the wire
constexpr int kPresetSlots = Kt900::kPresetCount;         // stored presets 0..254
constexpr int kChainLength = Kt900::kChainLength;
constexpr int kGlobalEqWords = Kt900::kGlobalEqWords;
constexpr int kExpSettingsBytes = Kt900::kExpSettingCount;
constexpr int kMaxChunkBytes = 512;

QByteArray deviceInfo();
QByteArray requestSync();
QByteArray editorAttach();
QByteArray factoryReset();
QByteArray currentUi(std::uint32_t screenCode);

// A module's block (module 0..11) as stored in a preset record: on/off word,
// type word (not in the FX LOOP block), then the parameter words, which are
// sent as they are.
QByteArray moduleParams(int module, const std::uint8_t *block, int blockBytes);

// A global block sent whole after its code: the rhythm settings, the system
// settings, the MIDI table, the capture amp list.
QByteArray globalBlock(std::uint8_t code, const std::uint8_t *bytes, int count);

// volume byte, the preset's tempo word and the global tempo word (bpm - 40 each).
QByteArray globalBpm(std::uint8_t volume, std::uint16_t presetTempo, std::uint16_t globalTempo);
// modules: kChainLength module numbers in chain order; switches: whether the
// module at each chain position is on.
QByteArray chainOrder(const int *modules, const bool *switches);
// setting 18 (first MIDI table) or 19 (second), entry 0..255; values past 255
// carry the high flag.
QByteArray midiMapEntry(int setting, int index, int value);
QByteArray globalEq(int output, const std::uint16_t *words);
QByteArray ctrlSet(std::uint8_t mode, std::uint16_t mask);
// The record's 10 pedal bytes, then the unit-wide word and byte.
QByteArray expVolume(const std::uint8_t *settings10, std::uint16_t globalWord, std::uint8_t globalByte);

// kind 3 NR, 4 IR, 5 capture.
QByteArray slotName(int kind, int slot, const std::uint8_t *name16);
QByteArray requestData(int kind, int a, int b);
QByteArray deleteSlot(int kind, int slot);
QByteArray storePreset(int index, const std::uint8_t *name16);
QByteArray selectPreset(int index);
QByteArray backupMode(int a, int b);

// The three tone-capture settings frames.
QByteArray captureSettingsA(int value);
QByteArray captureSettingsB(int value, const int *words6);
// Values 8..11 of the tone capture; "off" (3 with an unset sweep) goes out as 0
// and the sweep as a flag.
QByteArray captureSettingsC(int v8, int v9, int v10, int v11);

// A preset record in one DataTransfer frame: sub-kind 1 (edit buffer, slot
// 255) or 2 (stored preset), count field 512, chunk 1 of 2.
QByteArray presetFrame(int subKind, int slot, const std::uint8_t *wireRecord);
// One chunk of a slot upload: index 0 carries the 16-byte name, the others
// data; count 1..512 bytes.
QByteArray dataChunk(int subKind, int slot, int total, int index, const std::uint8_t *bytes, int count);

} // namespace Request
