#pragma once

// Comparing what two units hold, for tests of every layer: which preset byte
// differs, and which of the areas a backup carries differ.

#include "unitmemory.h"

#include <QString>
#include <QStringList>

namespace Kt900Sim {

// The on/off byte of each chain entry repeats the module's own switch word;
// the preset wire record (the only way a preset reaches or leaves the unit)
// does not carry it, so no transfer restores it.
bool isChainSwitchCopy(int offset);

// The first byte at which two preset records differ, chain switch copies
// aside ("byte 42: 3 != 4"), or an empty string; the name is compared only
// with withName.
QString presetDifference(const Kt900::Record &a, const Kt900::Record &b, bool withName = true);

// The areas a backup carries that differ between two memories ("preset 7",
// "system", "IR 3", ...); empty when a backup of one recalled into the other
// would restore it completely.
QStringList backupAreaDifferences(const UnitMemory &a, const UnitMemory &b);

} // namespace Kt900Sim
