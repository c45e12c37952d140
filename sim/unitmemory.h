#pragma once

// Everything the unit keeps in its memory: the 255 presets and the edit
// buffer, the global blocks, the user-slot names and the capture, IR and NR
// data. The layout of the records is the one they travel in, so the memory is
// held in a Kt900::DeviceStore plus the IR and NR sample data that the editor
// only sees during a backup read-out.

#include "devicestore.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace Kt900Sim {

struct UnitMemory {
    Kt900::DeviceStore store;
    std::array<std::array<std::uint8_t, Kt900::kIrBytes>, Kt900::kIrSlots> irData{};
    std::array<std::array<std::uint8_t, Kt900::kNrBytes>, Kt900::kNrSlots> nrData{};

    // A user slot is filled when it has a name (IR, NR) or holds a capture.
    bool irFilled(int slot) const;
    bool nrFilled(int slot) const;
    bool captureFilled(int slot) const { return store.captureUsed(slot); }

    void clearIr(int slot);
    void clearNr(int slot);

    // Binary image for the state file: a tag, a format number and every field
    // in a fixed order. deserialize() refuses anything that is not a complete
    // image of this format and leaves the memory untouched then.
    QByteArray serialize() const;
    bool deserialize(const QByteArray &bytes);

    // State file helpers (QSaveFile on save). False with a message on failure.
    bool saveToFile(const QString &path, QString *error) const;
    bool loadFromFile(const QString &path, QString *error);
};

} // namespace Kt900Sim
