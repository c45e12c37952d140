#pragma once

// Raw parameter values and what the user sees.
//
// Every effect parameter is held, stored, sent and written to files as a raw
// value: an unsigned step index from 0. The display value is derived from the
// parameter's catalogue entry. This file also holds the rules that keep a
// delay's time consistent with its tempo subdivision, and the type change
// rule with the default values of every type.

#include "effectcatalogue.h"

#include <QString>

namespace Kt900 {
class DeviceStore;
}

namespace ValueModel {

// Valid raw values are 0 .. stepCount(p).
int stepCount(const ParaInfo &p);
double displayNumber(const ParaInfo &p, int raw);
QString displayText(const ParaInfo &p, int raw);

// Tempo subdivision factors by option index (0 "OFF" .. 9 "1/16D").
float subdivisionFactor(int index);

// Parameter words of preset record `preset` (0..255) in a store.
int getParam(const Kt900::DeviceStore &store, int preset, int module, int index);
bool setParam(Kt900::DeviceStore &store, int preset, int module, int type, int index, int raw);
bool setSwitch(Kt900::DeviceStore &store, int preset, int module, int on);
bool setType(Kt900::DeviceStore &store, int preset, int module, int type);

// The type-change rule on the edit buffer: loads the new type's defaults.
void changeType(Kt900::DeviceStore &store, int module, int type);

// Tempo in force for a preset, in bpm.
int tempoInEffect(const Kt900::DeviceStore &store, int preset);

// Default raw values of a type (modules 0..8); empty when none.
QList<int> typeDefaults(int module, int type);

} // namespace ValueModel
