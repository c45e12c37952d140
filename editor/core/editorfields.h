#pragma once

// Small rules on the device data store that several panels share: preset
// labels, the preset name rule, the expression fields and the output labels.

#include <QRegularExpression>
#include <QString>

namespace Kt900 {
class DeviceStore;
}

namespace EditorFields {

// "01A CLEAN": bank row / 3 + 1 (two digits), letter A/B/C, the trimmed name.
QString presetLabel(int row, const QString &name);
// "01A" for a row.
QString presetPrefix(int row);

// Preset names: letters, digits and space only (the whole name), at most 15.
constexpr int kNameMaxLength = 15;
const QRegularExpression &nameRule();
bool isValidName(const QString &name);

// Expression fields 0..12: 0..9 the edit buffer's pedal settings, 10 and 11
// the two bytes of the global word (volume pedal minimum, maximum), 12 the
// global byte. -1 out of range.
constexpr int kExpFieldCount = 13;
int expField(const Kt900::DeviceStore &store, int index);
// Writes a field; writing field 6 (EXP1 module) also sets field 7 to 0, and
// field 8 (EXP2 module) field 9. False out of range or for a value that does
// not fit a byte.
bool setExpField(Kt900::DeviceStore &store, int index, int value);

// "OUTPUT: ON" / "OUTPUT: THRU" (system setting 13) and "XLROUT: ..." (14).
QString cabLabel(int output, int value);

// The largest value system setting 0..17 may take (the smallest is 0);
// -1 for another index. The MIDI IN channel goes to 16 (OMNI), the MIDI OUT
// channel to 15; the input level has 22 steps, the brightness 20.
int systemSettingMaximum(int index);
// Range checks of what the settings pop-up may store: system settings,
// the CTRL record (mode 0..2, a mask of 11 modules) and the MIDI tables
// (18: preset 0..254, 19: program change 0..127).
bool isValidSystemSetting(int index, int value);
bool isValidCtrlValue(int index, int value);
bool isValidMidiEntry(int type, int value);

} // namespace EditorFields
