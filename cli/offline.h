#pragma once

// The commands that need no unit: checking files with the rules the editor
// and the launcher apply to them, describing a firmware file, converting an
// impulse response. Everything goes through the programs' own readers
// (PresetFileCodec, BackupFormat, Firmware, IrData).

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace Cli {

class Output;

enum class FileKind { Unknown, Preset, Backup, Firmware, Wav, Amp };

// From the extension (".tp", ".tbf", ".tk", ".wav", ".amp", any letter case),
// else from the first bytes of the file.
FileKind fileKindOf(const QString &path, const QByteArray &head);
QString fileKindName(FileKind kind);   // "preset file", ...
QString fileKindKey(FileKind kind);    // "preset", ... (JSON)

struct CheckReport
{
    QString path;
    FileKind kind = FileKind::Unknown;
    bool valid = false;
    QString reason;          // why not valid: one line
    QStringList details;     // "name: CLEAN", ... (text output)
    QStringList notes;       // valid, but worth knowing
    QJsonObject json;        // the same, for --json
};

// The effect catalogue the preset rules need (loaded once). False when the
// embedded catalogue cannot be read.
bool loadCatalogue();

CheckReport checkFile(const QString &path);

// Checks of the files an online command sends, before the unit is addressed.
// Preset files: the whole file applied to a scratch record.
bool checkPresetFile(const QString &path, QString *reason);
bool checkSlotFile(const QString &path, bool ir, QString *reason);

int runCheck(const QStringList &files, bool json, Output &out);
int runFirmwareInfo(const QString &path, bool json, Output &out);
int runIrConvert(const QString &wav, const QString &outPath, Output &out);

} // namespace Cli
