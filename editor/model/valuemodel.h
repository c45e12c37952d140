#pragma once

// Raw parameter values and what the user sees.
//
// Every effect parameter is held, stored, sent and written to files as a raw
// value: an unsigned step index from 0. The display value is derived from the
// parameter's catalogue entry. This file also holds the rules that keep a
// delay's time consistent with its tempo subdivision, and the type change
// rule with the default values of every type.

#include "effectcatalogue.h"

#include <QList>
#include <QString>

namespace Kt900 {
class DeviceStore;
}

namespace ValueModel {

// Valid raw values are 0 .. stepCount(p): for ranges trunc((max - min) /
// step + 0.5) (0 for a zero step), for options the label count - 1.
int stepCount(const ParaInfo &p);
// min + raw * step.
double displayNumber(const ParaInfo &p, int raw);
// The text a parameter row shows: the option label (empty out of range);
// with decimals the number in fixed notation; without, a prefix or suffix
// label at either end of the range, else the number with at most six
// significant digits. A range's unit follows the text verbatim
// (" ms" -> "540 ms", ".Wet" -> "50.Wet").
QString displayText(const ParaInfo &p, int raw);

// Tempo subdivision factors by option index (0 "OFF" .. 9 "1/16D").
float subdivisionFactor(int index);

// Parameter words of preset record `preset` (0..255) in a store. Modules 9
// and 10 address the shared FX LOOP block (no type word); module 11 is the
// tone-capture block.
//
// getParam: -1 for a module, record or index out of range.
// setParam: stores raw (0..65535), applying the tempo-synced delay rules;
//   true also when a synced time is left unchanged because its subdivision
//   is on. False, storing nothing, for a module, record, index or raw value
//   out of range.
// setSwitch: stores 1 for on != 0, else 0. setType: stores the type word
//   (0..65535); for modules 9 and 10 there is none and nothing is stored
//   (true).
int getParam(const Kt900::DeviceStore &store, int preset, int module, int index);
bool setParam(Kt900::DeviceStore &store, int preset, int module, int type, int index, int raw);
bool setSwitch(Kt900::DeviceStore &store, int preset, int module, int on);
bool setType(Kt900::DeviceStore &store, int preset, int module, int type);

// Tempo-synced delays: for a subdivision parameter (FXA "26:DIGITAL DELAY"
// Sub D, FXB "27:ANALOG DELAY" Sub D, DELAY Sub D / Sub A / Sub B) the index
// of the time parameter it drives; -1 for any other parameter. While that
// subdivision is not 0 ("OFF") the time follows the tempo.
int syncedTimeIndex(int module, int type, int subdivisionIndex);
// The inverse: the subdivision index driving a time parameter, or -1.
int subdivisionIndexForTime(int module, int type, int timeIndex);
// Record offset of the saved delay time belonging to a time or subdivision
// parameter (see Kt900::savedTimeOffset), or -1.
int savedDelayTimeOffset(int module, int type, int index);
// Time word (ms - 40) for a subdivision option at a tempo: base 60000 / bpm
// (1500 ms outside 40..260 bpm) times the factor, clamped to 40..2500 ms.
int syncedTimeRaw(int bpm, int subdivision);

// The type-change rule on the edit buffer: loads the new type's defaults
// (modules 0..8), keeps CAB Sync and the values of one import slot to the
// next, clears the tone-capture block's parameter (module 11), resets the
// saved delay times of FXA, FXB and DELAY, and stores the type word.
// False, with nothing changed, for modules 9 and 10, a module out of range
// or a type the catalogue (or, for module 11, the capture slots) does not have.
// Uses the process-wide catalogue, which must be loaded.
bool changeType(Kt900::DeviceStore &store, int module, int type);

// Tempo in force for a preset, in bpm.
int tempoInEffect(const Kt900::DeviceStore &store, int preset);

// Default raw values of a type (modules 0..8), one per parameter word of
// the module block; empty when none.
QList<int> typeDefaults(int module, int type);
// Number of rows (types) of the default table of a module; 0 for 9..11.
int typeDefaultsRowCount(int module);

} // namespace ValueModel
