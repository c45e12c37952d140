#pragma once

// Preset files (".tp"): one preset record as an indented JSON document, with
// the effect parameters stored under their catalogue names and, when the
// preset uses a filled tone-capture slot, that slot's capture.
//
//   {
//     "Capture":      {} or {"Data_c": [1024 x "8 hex digits"], "Data_g": [7 ints],
//                            "Index": slot, "Name": "..."}
//     "CtrlSet":      {"Fun": mask, "Mode": mode}
//     "Exp":          {"ExterExpEnable": ..., ... ten pedal settings}
//     "Merge":        [294 values: 49 parameter slots x (set-1 byte, byte,
//                      set-2 byte, byte, set-1 flag, set-2 flag)]
//     "Others":       {"BPM", "Delaytime_1", "Delaytime_2", "FxAtime", "FxBtime",
//                      "LedColor", "Volume", "pVersion"}
//     "effectChain":  [11 module numbers]
//     "effectModule": {"AMP": {"Data": {...}, "Switch": 1, "Type": 3}, ...,
//                      "FX LOOP": {"Data", "Switch"}, "TONE CAP": {...}}
//     "fileInfo":     {"app", "app_version", "copyright", "device",
//                      "device_version", "name", "schema"}
//   }
//
// Capture words are scrambled with XOR 0x2b7e1c55 and written as 8 lower-case
// hex digits. Members of every object are written in ascending key order and
// read in that order, so "Others" (the tempo) is applied before the delay
// parameters of "effectModule".
//
// Reading is all or nothing: a file that fails any rule leaves the target
// record exactly as it was.

#include "records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace Kt900 {
class DeviceStore;
}

class PresetFileCodec
{
public:
    enum HeaderCheckResult : int {
        HeaderOk = 0,
        HeaderNotJson = 8,
        HeaderWrongDevice = 9,
        HeaderWrongDeviceVersion = 10,
        HeaderWrongApp = 11,
        HeaderWrongAppVersion = 12,
        HeaderWrongSchema = 13,
    };

    enum PresetImportResult : int {
        ImportFailed = 0,
        ImportCaptureSlotEmpty = 1,    // the file has a capture; the preset's capture slot is empty
        ImportCaptureDiffers = 2,      // the slot holds other capture data
        ImportCaptureSame = 3,         // the slot holds the same data
        ImportNoCapture = 4,           // the file holds no capture
    };

    // Results of readFile and error codes of writePresetFile.
    enum FileResult : int {
        FileOk = 0,
        FileEmpty = 7,
        FileWriteFailed = 14,
        FileCannotOpen = 17,
    };

    static constexpr std::uint32_t kCaptureScramble = 0x2b7e1c55u;
    static constexpr int kCaptureWords = 1024;
    static constexpr int kCaptureExtraBytes = Kt900::kCaptureAmpEntry;
    static constexpr int kMergeSlots = Kt900::kMergeSlots;
    static constexpr int kMergeValues = kMergeSlots * 6;   // 294
    // Files larger than this are not preset files (a preset file is ~40 KB).
    static constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;

    // store: the device store whose records are written and read (the
    // process-wide one by default). The effect catalogue is the process-wide
    // one; it must be loaded.
    explicit PresetFileCodec(Kt900::DeviceStore *store = nullptr);

    // The six fileInfo keys and their fixed values, and the ten pedal setting keys.
    static const QStringList &headerKeys();
    static const QStringList &headerValues();
    static const QStringList &expKeys();

    // Writes preset presetIndex (0..254) to path. The file is replaced
    // atomically: when writing fails the previous file stays as it was.
    // error: 17 the file cannot be created, 14 writing failed.
    bool writePresetFile(int presetIndex, const QString &path, int *error = nullptr) const;
    // The document of a preset (what writePresetFile writes); empty for an
    // index outside 0..254.
    QByteArray presetDocument(int presetIndex) const;

    // 0 valid (also without "fileInfo"); 8 not a JSON object; 9..13 "device",
    // "device_version", "app", "app_version" or "schema" differs.
    HeaderCheckResult checkHeader(const QByteArray &bytes) const;

    // Applies a document to record presetIndex (0..255). False when the file
    // breaks a rule (lastError() says which); the record is then unchanged.
    bool readPresetFile(int presetIndex, const QByteArray &bytes);

    // 0 read, 17 cannot open (or not a plausible preset file size), 7 empty.
    int readFile(const QString &path, QByteArray *bytes) const;

    // readFile, checkHeader, readPresetFile; then names the preset after the
    // file's base name (16 bytes at most), copies it into the edit buffer when
    // it is the current preset, and compares the file's capture with the
    // preset's capture slot.
    PresetImportResult importPresetFile(int presetIndex, const QString &path);

    // readFile and checkHeader both succeed.
    bool isPresetFile(const QString &path) const;

    // The folder of preset files, ending in "/": "presetfile" beside the
    // program or in the user's data folder (UserFiles decides) unless set
    // otherwise (tests, command-line tools).
    QString presetFolder() const;
    void setPresetFolder(const QString &folder);
    static QString defaultPresetFolder();
    // folder + name with blanks trimmed + ".tp"
    QString presetFilePath(const QString &presetName) const;
    // Opens the folder in the desktop's file browser when it exists.
    bool openPresetFolder() const;

    // The capture of the last file read (cleared at the start of every read).
    bool capturePresent() const { return m_capturePresent; }
    int captureIndex() const { return m_captureIndex; }
    const QString &captureName() const { return m_captureName; }
    const std::array<std::uint32_t, kCaptureWords> &captureWords() const { return m_captureWords; }
    const std::array<std::uint8_t, kCaptureExtraBytes> &captureExtra() const { return m_captureExtra; }
    // The capture words as the slot's 4096 data bytes (little-endian).
    QByteArray captureBytes() const;

    // Why the last read, import or header check failed (for logs and tools).
    const QString &lastError() const { return m_lastError; }

private:
    Kt900::DeviceStore &m_store;
    mutable QString m_folder;
    mutable QString m_lastError;
    bool m_capturePresent = false;
    int m_captureIndex = 0;
    QString m_captureName;
    std::array<std::uint32_t, kCaptureWords> m_captureWords{};
    std::array<std::uint8_t, kCaptureExtraBytes> m_captureExtra{};

    friend class PresetReader;
};
