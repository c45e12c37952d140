#pragma once

// Command codes of the messages exchanged with the unit (payload byte 0 of a
// frame) and the small tables that go with them. Shared by the editor, the
// launcher, the virtual unit and the tools.

#include <cstdint>

namespace Cmd {

enum Code : std::uint8_t {
    DeviceInfo = 0x00,       // out: payload 00 00; in: the info reply (0x01)
    DeviceInfoReply = 0x01,
    CurrentUi = 0x02,
    ModuleFxa = 0x03,        // ModuleParams, module 0
    ModuleDsOd = 0x04,       // module 1
    ModuleAmp = 0x05,        // module 2
    ModuleToneCap = 0x06,    // module 11
    ModuleCab = 0x07,        // module 3
    ModuleNsGate = 0x08,     // module 4
    ModuleEq = 0x09,         // module 5
    ModuleFxLoop = 0x0A,     // modules 9 and 10
    ModuleFxb = 0x0B,        // module 6
    ModuleDelay = 0x0C,      // module 7
    ModuleReverb = 0x0D,     // module 8
    RhythmSettings = 0x0E,
    GlobalBpm = 0x0F,
    ChainOrder = 0x10,
    SystemSettings = 0x11,
    MidiMapEntry = 0x12,
    GlobalEq = 0x13,
    CtrlSet = 0x14,
    ModuleSwitches = 0x15,
    ExpVolume = 0x16,
    ExpAssign = 0x17,
    FactoryReset = 0x18,
    SlotName = 0x1A,
    RequestData = 0x1B,
    DataTransfer = 0x1C,
    DeleteSlot = 0x1D,
    RequestSync = 0x1E,
    SyncDone = 0x1F,
    StorePreset = 0x20,
    SelectPreset = 0x22,
    MidiList = 0x24,
    CaptureSettingsA = 0x25,
    CaptureSettingsB = 0x26,
    CaptureSettingsC = 0x27,
    CaptureAmpList = 0x28,
    BackupMode = 0x29,
    EditorAttach = 0x31,
    Ack = 0xEA,
    // Firmware-update mode: the wake-up frame (payload AA 00) sent before the
    // device info request, and the closing frame (payload FF 00). The apply
    // and block codes come from the firmware file.
    LoaderWake = 0xAA,
    LoaderFinish = 0xFF,
};

// BackupMode arguments (payload bytes 1 and 2): which transfer, and whether
// it begins or ends. In: (BackupReadout, BackupEnd) marks the read-out finished.
enum BackupWhat : std::uint8_t { BackupReadout = 0, BackupRecall = 1 };
enum BackupPhase : std::uint8_t { BackupEnd = 0, BackupBegin = 1 };

// RequestData arguments (payload bytes 2 and 3): (RequestAllSlots, 0) asks
// for every slot of the kind, (RequestOneSlot, slot) for one.
enum RequestScope : std::uint8_t { RequestOneSlot = 0, RequestAllSlots = 1 };

// MidiMapEntry table numbers (payload byte 1).
enum MidiTable : std::uint8_t { MidiTableIn = 4, MidiTableOut = 5 };

// The fixed bytes after code, sub-kind and slot of a preset DataTransfer
// frame: chunk byte count 512, chunk total 2, chunk index 1.
constexpr std::uint8_t kPresetChunkFields[4] = {0x00, 0x02, 0x02, 0x01};

// DataTransfer sub-kinds (payload byte 1).
enum SubKind : std::uint8_t {
    SubEditBuffer = 1,   // preset record of the edit buffer, slot byte 255
    SubPreset = 2,       // preset record of a stored preset, slot = preset index
    SubNr = 3,           // NR / amp data, 1584 bytes, slots 0..9
    SubIr = 4,           // IR data, 8192 bytes, slots 0..9
    SubCapture = 5,      // capture data, 4096 bytes, slots 0..19
};

// Slot kinds of SlotName, RequestData and DeleteSlot (same numbers as the sub-kinds).
enum SlotKind : std::uint8_t { KindNr = 3, KindIr = 4, KindCapture = 5 };

// Chunk layout of the uploads: chunk 0 is the 16-byte name, then data chunks.
constexpr int kNrChunkBytes = 396;
constexpr int kNrChunkTotal = 5;
constexpr int kIrChunkBytes = 512;
constexpr int kIrChunkTotal = 17;
constexpr int kCaptureChunkBytes = 512;
constexpr int kCaptureChunkTotal = 9;
constexpr int kChunkHeader = 7;          // code, sub-kind, slot, u16 count, total, index
constexpr int kPresetFramePayload = 482; // 7 header bytes + 475-byte wire record

// ModuleParams command code of a module number 0..11 (9 and 10 share 0x0A);
// -1 out of range.
constexpr int moduleCommand(int module)
{
    constexpr std::uint8_t codes[12] = {0x03, 0x04, 0x05, 0x07, 0x08, 0x09,
                                        0x0B, 0x0C, 0x0D, 0x0A, 0x0A, 0x06};
    return (module >= 0 && module < 12) ? codes[module] : -1;
}

// Module number of a ModuleParams command code (0x0A gives 9); -1 for any
// other code.
constexpr int commandModule(int code)
{
    switch (code) {
    case 0x03: return 0;
    case 0x04: return 1;
    case 0x05: return 2;
    case 0x06: return 11;
    case 0x07: return 3;
    case 0x08: return 4;
    case 0x09: return 5;
    case 0x0A: return 9;
    case 0x0B: return 6;
    case 0x0C: return 7;
    case 0x0D: return 8;
    default: return -1;
    }
}

} // namespace Cmd
