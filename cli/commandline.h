#pragma once

// The command line of `kt900`: commands, options, and the numbering of
// presets and slots.
//
//   Presets: N = 0..254 (as the unit counts them) or the editor's label
//            "01A" .. "85C" (bank 01..85, letter A/B/C; letter case ignored).
//   IR / NR slots: 1..10, or the editor's row number: 33..42 for IR slots,
//            71..80 for NR slots (the "33:NAME" / "71:NAME" rows).
//   Capture slots: 1..20, as the editor shows them ("01:NAME").
//
// Parsing is pure: it never touches the unit or a file.

#include <QString>
#include <QStringList>

namespace Cli {

enum class Command {
    None,
    Help,
    Info,
    List,
    Export,
    Import,
    Backup,
    Recall,
    IrUpload,
    NrUpload,
    SlotDelete,
    IrConvert,
    Check,
    FirmwareInfo,
};

// What an import does with the tone capture a preset file carries.
enum class CaptureChoice {
    Default,   // what the editor does without asking; where it would ask: skip
    Replace,   // into the capture slot the imported preset uses
    Slot,      // into capture slot captureSlot; the preset is set to use it
    Skip,      // never touch a capture slot
};

struct Invocation
{
    Command command = Command::None;
    Command helpFor = Command::None;  // Help: the command asked about (None: all)
    bool showVersion = false;
    bool json = false;
    bool verbose = false;
    bool all = false;                 // export --all
    bool force = false;               // nr-upload --force: any file name
    int busAddress = -1;              // --bus-address; -1: find the unit
    CaptureChoice capture = CaptureChoice::Default;
    int captureSlot = -1;             // 0..19 with CaptureChoice::Slot

    // Resolved positional arguments.
    QStringList files;                // input files (import, check, ...)
    QString output;                   // output file or folder
    int preset = -1;                  // 0..254 (export N, import's first target)
    bool ir = true;                   // slot-delete: IR (true) or NR
    int slot = -1;                    // IR / NR slot 0..9
};

struct ParseResult
{
    bool ok = false;
    QString error;                    // one line, for a usage error (exit code 2)
    Invocation invocation;
};

// arguments: without the program name.
ParseResult parseCommandLine(const QStringList &arguments);

QString commandName(Command command);
Command commandByName(const QString &name);
// Commands that talk to the unit.
bool needsUnit(Command command);

// Text of `kt900 --help` and of `kt900 COMMAND --help`.
QString usageText();
QString commandHelp(Command command);

// "01A" for preset 0; empty outside 0..254.
QString presetLabel(int index);
// "01A CLEAN": the label and the name with blanks trimmed, the whole trimmed.
QString presetText(int index, const QString &name);
// 0..254 from "17" or "06C"; -1 when it is neither.
int parsePresetRef(const QString &text);
// IR / NR slot 0..9 from "1".."10" or the editor's row number (33..42 for IR,
// 71..80 for NR); -1 otherwise.
int parseSlotRef(const QString &text, bool ir);
// Capture slot 0..19 from "1".."20"; -1 otherwise.
int parseCaptureSlot(const QString &text);

} // namespace Cli
