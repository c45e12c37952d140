#pragma once

// The editor's mirror of everything the unit holds: 255 stored presets and the
// edit buffer, the global blocks, the user-slot names and the capture data.
//
// One store exists per process (instance()); tests and the virtual unit create
// their own. The store is a plain data structure without locking: it is read
// and written on one thread (the editor's GUI thread; the receive loop hands
// each complete frame over to that thread before it is applied).
//
// Multi-byte values are little-endian. Record offsets are part of the formats
// (wire records, preset files, backup files) and must not change.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace Kt900 {

constexpr int kPresetCount = 255;     // stored presets 0..254
constexpr int kEditBuffer = 255;      // record index of the edit buffer
constexpr int kRecordCount = 256;
constexpr int kRecordSize = 504;
constexpr int kWireRecordSize = 475;
constexpr int kNameSize = 16;
constexpr int kModuleCount = 12;      // module numbers 0..11 (9 and 10 share a block)
constexpr int kChainLength = 11;      // modules 0..10 appear in the chain

enum Module : int {
    ModFxa = 0,
    ModDsOd = 1,
    ModAmp = 2,
    ModCab = 3,
    ModNsGate = 4,
    ModEq = 5,
    ModFxb = 6,
    ModDelay = 7,
    ModReverb = 8,
    ModFxLoopSend = 9,
    ModFxLoopReturn = 10,
    ModToneCap = 11,
};

// Offsets inside the 504-byte preset record.
namespace Rec {
constexpr int Name = 0x000;
constexpr int CtrlMode = 0x09E;
constexpr int CtrlMask = 0x09F;      // u16 at an odd offset
constexpr int Volume = 0x0A1;
constexpr int Chain = 0x0A2;         // 11 x (module at position i, on/off of module i)
constexpr int Expression = 0x0B8;    // 304 bytes
constexpr int ExpressionSize = 304;
constexpr int ExpSettings = 0x0B8;   // 10 pedal setting bytes
constexpr int MergeSet1 = 0x0C2;     // 49 x 2 bytes, then 49 flag bytes
constexpr int MergeFlags1 = 0x124;
constexpr int MergeSet2 = 0x155;
constexpr int MergeFlags2 = 0x1B7;
constexpr int Tempo = 0x1E8;         // u16, bpm - 40
constexpr int LedColor = 0x1EA;
constexpr int FxATime = 0x1EB;       // saved delay times, u16 each
constexpr int FxBTime = 0x1ED;
constexpr int DelayTime1 = 0x1EF;
constexpr int DelayTime2 = 0x1F1;
constexpr int Version = 0x1F3;       // up to 4 characters and a NUL
} // namespace Rec

// Module block offset and size (bytes) inside a preset record, by module
// number 0..11; 9 and 10 give the same block. -1 / 0 out of range.
int moduleBlockOffset(int module);
int moduleBlockSize(int module);
// Number of parameter words of a module block (FXA 4, DS/OD 3, ... FX LOOP 4, TONE CAP 1).
int moduleParamWords(int module);
// True for the FX LOOP block, which has no type word.
inline bool moduleHasTypeWord(int module) { return module != ModFxLoopSend && module != ModFxLoopReturn; }

// Switch order: bit or byte i of the wire mask and of ModuleSwitches refers to
// module switchOrder[i].
extern const std::array<int, 11> kSwitchOrder;

// Name list numbers used by the slot name operations.
enum NameList : int { ListNr = 2, ListIr = 3, ListCapture = 11 };

constexpr int kIrSlots = 10;
constexpr int kNrSlots = 10;
constexpr int kCaptureSlots = 20;
constexpr int kCaptureBytes = 4096;
constexpr int kIrBytes = 8192;
constexpr int kNrBytes = 1584;
constexpr int kCaptureAmpEntry = 7;
constexpr int kSystemSize = 18;
constexpr int kMidiSize = 512;
constexpr int kRhythmSize = 12;
constexpr int kToneCaptureValues = 12;
constexpr int kGlobalEqWords = 18;

using Record = std::array<std::uint8_t, kRecordSize>;

// Little-endian helpers on raw bytes.
inline std::uint16_t getU16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline void putU16(std::uint8_t *p, std::uint16_t v) { p[0] = static_cast<std::uint8_t>(v); p[1] = static_cast<std::uint8_t>(v >> 8); }
inline std::uint32_t getU32(const std::uint8_t *p) { return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24); }
inline void putU32(std::uint8_t *p, std::uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i)); }

// The record a cleared preset slot gets: name "EMPTY", every module off with
// its first type and that type's default values, chain in module order,
// volume 50, 120 BPM, saved delay times 540 ms.
const Record &emptyPreset();

// Encodes record r into its 475-byte wire form (out must hold 475 bytes).
void encodeWireRecord(const Record &r, std::uint8_t *out);
// Decodes a 475-byte wire record into r. Each module's on/off word is set
// from its mask bit; each chain entry's module byte is set from the chain
// bytes and its on/off byte is left as it was.
void decodeWireRecord(const std::uint8_t *wire, Record &r);

// Name bytes: one byte per character (the low byte of each UTF-16 code
// unit), NUL-padded, cut to 16.
void nameToBytes(const QString &name, std::uint8_t *out16);
// Text up to the first NUL of at most 16 bytes.
QString nameFromBytes(const std::uint8_t *bytes16);

class DeviceStore
{
public:
    DeviceStore();

    // The process-wide store of the editor.
    static DeviceStore &instance();

    // Everything back to the state at construction (all zero, no current
    // preset, empty names).
    void reset();

    // --- preset records -------------------------------------------------
    // Record 0..255 (255 = edit buffer); nullptr out of range.
    Record *record(int index);
    const Record *record(int index) const;
    // Module block of a record; nullptr for index > 255 or module > 11.
    std::uint8_t *moduleBlock(int index, int module);
    const std::uint8_t *moduleBlock(int index, int module) const;
    // Word w of a module block (0 = on/off, 1 = type, or the parameter words);
    // -1 when out of range.
    int blockWord(int index, int module, int word) const;
    bool setBlockWord(int index, int module, int word, std::uint16_t value);

    // On/off of a module of the edit buffer (false out of range).
    bool moduleSwitch(int module) const;

    QString presetName(int index) const;          // up to the first NUL
    bool setPresetName(int index, const QString &name);

    // Copies stored preset index (0..254) into the edit buffer and makes it current.
    bool selectPreset(int index);
    // Makes index (0..254) current without copying.
    bool setCurrentIndex(int index);
    // -1 when no preset is current.
    int currentPresetIndex() const { return m_current == 0xFF ? -1 : m_current; }
    int lastStoredPreset() const { return m_lastStored; }
    void setLastStoredPreset(int index) { m_lastStored = static_cast<std::uint8_t>(index); }

    // Record operations of the preset list; false when an index is out of 0..254.
    bool copyRecord(int from, int to);
    bool clearRecord(int index);

    // Set by the editor's own edits of the edit buffer; cleared when a preset
    // is selected or stored.
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Chain: module number at chain position 0..10 of the edit buffer.
    int chainModuleAt(int position) const;
    void setChainOrder(const std::uint8_t order[kChainLength]);

    // --- globals ----------------------------------------------------------
    std::uint32_t screenCode() const { return m_screenCode; }
    void setScreenCode(std::uint32_t code) { m_screenCode = code; }

    std::uint32_t lastMidiChange() const { return m_lastMidiChange; }
    void setLastMidiChange(std::uint32_t v) { m_lastMidiChange = v; }

    // Tempos are stored as bpm - 40.
    std::uint16_t globalTempoRaw() const { return m_globalTempo; }
    void setGlobalTempoRaw(std::uint16_t raw) { m_globalTempo = raw; }
    int presetTempoBpm(int index = kEditBuffer) const;
    int globalTempoBpm() const { return m_globalTempo + 40; }
    // The tempo in force: global when system setting 7 is non-zero.
    int effectiveTempoBpm(int index = kEditBuffer) const;
    int presetVolume(int index = kEditBuffer) const;

    // System block, setting numbers 0..17.
    int systemSetting(int number) const;
    // 0..17 set a byte of the system block; 18 and 19 set entry (value >> 8)
    // of the first or second MIDI table to the low byte. False out of range.
    bool setSystemSetting(int number, int value);
    std::uint8_t *systemBlock() { return m_system.data(); }
    const std::uint8_t *systemBlock() const { return m_system.data(); }

    // Control set of the edit buffer: 0 control mode (byte), 1 module mask
    // (u16), 2 tempo in bpm (40..260, to the global or preset tempo as
    // setting 7 says). False when refused.
    bool setControl(int index, int value);
    int control(int index) const;

    // Global EQ: selected output and 18 words (9 per output).
    int globalEqOutput() const { return m_eqOutput; }
    void setGlobalEqOutput(int output) { m_eqOutput = static_cast<std::uint8_t>(output); }
    std::uint16_t globalEqWord(int i) const { return (i >= 0 && i < kGlobalEqWords) ? m_eq[static_cast<std::size_t>(i)] : 0; }
    void setGlobalEqWord(int i, std::uint16_t v) { if (i >= 0 && i < kGlobalEqWords) m_eq[static_cast<std::size_t>(i)] = v; }

    // Expression globals carried by ExpVolume: one u16 and one byte.
    std::uint16_t expGlobalWord() const { return m_expGlobalWord; }
    std::uint8_t expGlobalByte() const { return m_expGlobalByte; }
    void setExpGlobals(std::uint16_t w, std::uint8_t b) { m_expGlobalWord = w; m_expGlobalByte = b; }

    std::uint8_t *midiBlock() { return m_midi.data(); }
    const std::uint8_t *midiBlock() const { return m_midi.data(); }
    std::uint8_t *rhythmBlock() { return m_rhythm.data(); }
    const std::uint8_t *rhythmBlock() const { return m_rhythm.data(); }

    // Tone-capture values 0..11 (12..14 live in the TONE CAP module block).
    std::uint16_t toneCaptureValue(int i) const;
    void setToneCaptureValue(int i, std::uint16_t v);

    std::uint8_t *captureAmpList() { return m_captureAmp.data(); }   // 20 x 7 bytes
    const std::uint8_t *captureAmpList() const { return m_captureAmp.data(); }

    // Capture data of a slot (4096 bytes); nullptr out of range.
    std::uint8_t *captureData(int slot);
    const std::uint8_t *captureData(int slot) const;
    bool captureUsed(int slot) const;
    void setCaptureUsed(int slot, bool used);

    // Slot names by list (2 NR, 3 IR, 11 capture) and slot.
    QString slotName(int list, int slot) const;
    bool setSlotName(int list, int slot, const QString &name);
    const std::uint8_t *slotNameBytes(int list, int slot) const; // 16 bytes or nullptr
    bool setSlotNameBytes(int list, int slot, const std::uint8_t *bytes, int len);
    static int slotCount(int list);

private:
    std::uint8_t *nameSlot(int list, int slot);

    std::array<Record, kRecordCount> m_records{};
    std::uint8_t m_current = 0xFF;
    std::uint8_t m_lastStored = 0;
    bool m_modified = false;
    std::uint32_t m_screenCode = 0;
    std::uint32_t m_lastMidiChange = 0;
    std::uint16_t m_globalTempo = 0;
    std::array<std::uint16_t, kToneCaptureValues> m_toneCapture{};
    std::array<std::uint8_t, kSystemSize> m_system{};
    std::uint8_t m_eqOutput = 0;
    std::array<std::uint16_t, kGlobalEqWords> m_eq{};
    std::uint16_t m_expGlobalWord = 0;
    std::uint8_t m_expGlobalByte = 0;
    std::array<std::uint8_t, kMidiSize> m_midi{};
    std::array<std::uint8_t, kRhythmSize> m_rhythm{};
    std::array<std::uint8_t, kCaptureSlots * kCaptureAmpEntry> m_captureAmp{};
    std::array<std::array<std::uint8_t, kCaptureBytes>, kCaptureSlots> m_captureData{};
    std::array<std::uint8_t, kCaptureSlots> m_captureUsed{};
    std::array<std::array<std::uint8_t, kNameSize>, kNrSlots> m_nrNames{};
    std::array<std::array<std::uint8_t, kNameSize>, kIrSlots> m_irNames{};
    std::array<std::array<std::uint8_t, kNameSize>, kCaptureSlots> m_captureNames{};
};

} // namespace Kt900
