#pragma once

// Status messages from the update threads to the launcher window: a code and
// a value, the way the window's status message 0x408 carries them.

namespace UpdateStatus {

constexpr int kMessage = 0x408;

enum Code : int {
    ApplyRefused = 5,      // "apply for update firmware error"
    OpenFirmwareFail = 6,  // "Open Firmware fail!"
    SendFail = 8,          // "Send data to device fail"
    Timeout = 9,           // "MCU returned timeout"
    Success = 10,          // "Update Successful"
    Progress = 11,         // value 0..100 moves the bar; other values are markers
    SectionError = 12      // "update error [ %d ]", value = 0-based section index
};

// Progress markers outside 0..100 (no visible effect).
enum Marker : int {
    Started = 101,
    FileRead = 103,
    SendingSections = 104,
    SectionsDone = 105
};

} // namespace UpdateStatus
