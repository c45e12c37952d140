#pragma once

// The unit's factory state: 255 presets with real-looking names and varied
// modules, models, parameters and chain orders, the edit buffer (preset 0),
// global settings, MIDI maps, and some filled IR, NR and capture slots.
//
// The set is generated deterministically from the effect catalogue: every
// type index and raw value is one the catalogue accepts, and the tempo-synced
// delay times follow their subdivisions. It is the same on every run and
// every machine.

#include "unitmemory.h"

class EffectCatalogue;

namespace Kt900Sim {

// The factory memory, built once on first use from the embedded catalogue
// (a private catalogue instance; the process-wide one is not touched).
// An empty-named, all-zero memory when the catalogue cannot be read.
const UnitMemory &factoryMemory();

// The unit's own copy of the effect catalogue (loaded once from the embedded
// resource), used to build the factory set and to check what the host sends;
// nullptr when it cannot be read.
const EffectCatalogue *unitCatalogue();

// Builds the factory memory from a loaded catalogue.
void buildFactoryMemory(const EffectCatalogue &catalogue, UnitMemory &out);

// Slots the factory set fills.
constexpr int kFactoryIrSlots[] = {0, 1, 2, 5, 8};
constexpr int kFactoryNrSlots[] = {0, 2, 3};
constexpr int kFactoryCaptureSlots[] = {0, 1, 4, 9, 13};

} // namespace Kt900Sim
