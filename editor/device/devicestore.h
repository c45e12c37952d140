#pragma once

// The editor's mirror of everything the unit holds: 255 stored presets and the
// edit buffer, the global blocks, the user-slot names and the capture data.
//
// One store exists per process (instance()); tests and the virtual unit create
// their own. The store is a plain data structure without locking: it is read
// and written on one thread (the editor's GUI thread; the receive loop hands
// each complete frame over to that thread before it is applied).
//
// The layout of the records (offsets, sizes, wire form) lives in records.h.

#include "records.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace Kt900 {

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
    // Named fields of record 0..255; an invalid view out of range.
    PresetView preset(int index) const { return PresetView(record(index)); }
    PresetEdit presetEdit(int index) { return PresetEdit(record(index)); }
    PresetView editBuffer() const { return preset(kEditBuffer); }
    PresetEdit editBufferEdit() { return presetEdit(kEditBuffer); }

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
