#pragma once

// Layout of the unit's binary records: the 504-byte preset record (stored
// presets and the edit buffer), its 475-byte wire form, the module blocks and
// the sizes of the global blocks, with a read-only view and a small editor
// over one preset record. Multi-byte values are little-endian; the offsets
// are part of the wire, preset file and backup file formats and must not
// change.

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
constexpr int VersionSize = 5;
} // namespace Rec

constexpr int kExpSettingCount = 10;   // pedal setting bytes at the start of the expression area
constexpr int kMergeSlots = 49;        // pedal assignment slots: parameter words of modules 0..9

// Offsets inside the 475-byte wire form of a preset record.
namespace Wire {
constexpr int Name = 0;
constexpr int Mask = 16;             // u32, bit i = module kSwitchOrder[i] on
constexpr int Modules = 20;          // module blocks without their on/off word
constexpr int CtrlMode = 140;
constexpr int CtrlMask = 141;
constexpr int Volume = 143;
constexpr int Chain = 144;           // module number at chain position 0..10
constexpr int Expression = 155;
constexpr int Tempo = 459;
constexpr int LedColor = 461;
constexpr int SavedTimes = 462;      // four u16
constexpr int Version = 470;         // five bytes
} // namespace Wire

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
constexpr std::array<int, 11> kSwitchOrder = {0, 1, 2, 11, 3, 4, 5, 9, 6, 7, 8};
// Order of the module blocks in the wire record: modules 0..9, then TONE CAP.
constexpr std::array<int, 11> kWireModules = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11};

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


// First pedal assignment slot of module 0..10 (10 shares 9's slots: the slots
// of a module are its parameter words); -1 for any other module.
int mergeFirstSlot(int module);

// True for the record offset of a chain entry's on/off byte (the wire record
// does not carry these bytes).
bool isChainEntryOnByte(int offset);

// Saved delay times of a preset (ms, u16 each), kept while a delay follows the tempo.
enum SavedTime : int { SavedFxa = 0, SavedFxb = 1, SavedDelay1 = 2, SavedDelay2 = 3 };
// Record offset of a saved delay time; -1 out of range.
int savedTimeOffset(int which);

// Read-only view of one preset record. A view over nullptr is invalid and
// every accessor then answers as for an out-of-range argument.
class PresetView
{
public:
    explicit PresetView(const std::uint8_t *record) : m_r(record) {}
    PresetView(const Record &record) : m_r(record.data()) {} // NOLINT: views convert implicitly
    PresetView(const Record *record) : m_r(record ? record->data() : nullptr) {} // NOLINT

    bool isValid() const { return m_r != nullptr; }
    const std::uint8_t *data() const { return m_r; }

    QString name() const;                       // up to the first NUL, empty when invalid
    const std::uint8_t *nameBytes() const;      // 16 bytes or nullptr
    int volume() const;                         // -1 when invalid
    int tempoRaw() const;                       // bpm - 40; -1 when invalid
    int tempoBpm() const;                       // -1 when invalid
    int ledColor() const;
    QString version() const;                    // up to 4 characters
    const std::uint8_t *versionBytes() const;   // 5 bytes or nullptr

    // Chain entry at position 0..10: the module number shown there, and the
    // on/off byte carried by the entry (-1 out of range).
    int chainModuleAt(int position) const;
    int chainEntryOn(int position) const;

    // Module block of module 0..11 (9 and 10 share one); nullptr out of range.
    const std::uint8_t *moduleBlock(int module) const;
    // Word w of a module block (0 = on/off, then the type word where there is
    // one, then the parameter words); -1 out of range.
    int blockWord(int module, int word) const;
    bool moduleOn(int module) const;
    // Catalogue type id; 0 for FX LOOP, which has no type word; -1 out of range.
    int moduleType(int module) const;
    // Parameter word w (0-based) of a module; -1 out of range.
    int paramWord(int module, int w) const;

    int ctrlMode() const;
    int ctrlMask() const;
    // Pedal setting byte 0..9 of the expression area; -1 out of range.
    int expSetting(int i) const;
    const std::uint8_t *expressionArea() const; // 304 bytes or nullptr
    // Pedal assignment set 0 or 1, parameter slot 0..48: byte half 0 or 1 of
    // the slot, and its flag byte; -1 out of range.
    int mergeByte(int set, int slot, int half) const;
    int mergeFlag(int set, int slot) const;

    int savedDelayTime(int which) const;        // -1 out of range

protected:
    const std::uint8_t *m_r;
};

// Writes named fields of one preset record. Out-of-range arguments change
// nothing and return false.
class PresetEdit : public PresetView
{
public:
    explicit PresetEdit(std::uint8_t *record) : PresetView(record), m_w(record) {}
    PresetEdit(Record &record) : PresetView(record), m_w(record.data()) {} // NOLINT
    PresetEdit(Record *record) : PresetView(record), m_w(record ? record->data() : nullptr) {} // NOLINT

    std::uint8_t *data() const { return m_w; }
    // Writable module block of module 0..11; nullptr out of range.
    std::uint8_t *mutableBlock(int module) const;

    bool setName(const QString &name);
    bool setNameBytes(const std::uint8_t *bytes, int len);
    bool setVolume(int volume);
    bool setTempoRaw(std::uint16_t raw);
    bool setLedColor(int color);
    bool setVersionBytes(const std::uint8_t *bytes5);
    // Writes the first 4 characters of text (one byte each, NUL-padded).
    bool setVersion(const QString &text);
    bool setChainModuleAt(int position, int module);
    bool setChainEntryOn(int position, int onOff); // the byte as given
    bool setBlockWord(int module, int word, std::uint16_t value);
    bool setModuleOn(int module, bool on);
    bool setCtrlMode(int mode);
    bool setCtrlMask(std::uint16_t mask);
    bool setExpSetting(int i, int value);
    bool setMergeByte(int set, int slot, int half, int value);
    bool setMergeFlag(int set, int slot, int value);
    bool setSavedDelayTime(int which, std::uint16_t ms);

private:
    // One byte / one little-endian word at a record offset; false without a record.
    bool putByte(int offset, int value);
    bool putWord(int offset, std::uint16_t value);

    std::uint8_t *m_w;
};

} // namespace Kt900
