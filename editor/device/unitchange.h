#pragma once

// What a frame from the unit changed. The receive object reports it to the
// window (usbReceiveThread::SendDataToUi) once the frame's data is stored;
// with Module the module number (0..11, FX LOOP 9) rides along.

#include <QMetaType>

namespace Kt900 {

enum class UnitChange {
    Other,          // nothing the window shows (an unknown code)
    DeviceInfo,     // the device info reply
    Page,           // the page the unit shows
    Module,         // a module's block of the edit buffer
    Rhythm,
    VolumeTempo,
    ChainOrder,
    SystemSettings,
    MidiEntry,      // one entry of a MIDI table
    GlobalEq,
    CtrlSet,
    Switches,       // the modules' on/off switches
    ExpVolume,      // the expression-pedal data
    ExpAssign,
    SlotName,       // an NR, IR or capture slot name
    Transfer,       // a preset record or a chunk of slot data
    SyncDone,       // the download is complete
    PresetStored,
    PresetSelected,
    MidiList,       // both MIDI tables
    ToneCapture,    // the tone-capture settings
    CaptureAmpList,
    BackupMode,
    Ack,            // the unit acknowledged a DataTransfer item
};

} // namespace Kt900

Q_DECLARE_METATYPE(Kt900::UnitChange)
