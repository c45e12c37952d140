#include "commandline.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace Cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("kt900", text);
}

struct CommandSpec
{
    Command command;
    const char *name;
    const char *synopsis;   // after "kt900 "
    const char *summary;    // one line for the overview
    const char *details;    // the rest of the command's help
};

const CommandSpec kCommands[] = {
    {Command::Info, "info", "info [--bus-address N] [--json]",
     "find the unit and show its model, firmware, mode and bus address",
     "Finds the unit the way the launcher does (or opens the one at --bus-address N),\n"
     "asks it for its identity and prints model name, firmware version, mode\n"
     "(A = normal, B = firmware update) and USB bus address.\n"},
    {Command::List, "list", "list [--bus-address N] [--json]",
     "show the unit's 255 preset labels, the current preset and the slot names",
     "Connects like the editor (attach, full download) and prints the preset labels\n"
     "(\"01A CLEAN\" ...), the current preset and the names of the IR slots (33..42),\n"
     "the NR slots (71..80) and the capture slots (01..20).\n"},
    {Command::Export, "export", "export N FILE.tp | export --all DIR",
     "write one preset, or all 255, to preset files",
     "Writes preset N (0..254 or a label such as 06C) to FILE.tp, or with --all every\n"
     "preset to DIR under the names the editor gives them (the preset name with blanks\n"
     "trimmed, \".tp\"; a name used before gets \" 2\", \" 3\" ...). Each file is\n"
     "written completely or not at all. A preset that uses a filled tone-capture\n"
     "slot carries that capture.\n"},
    {Command::Import, "import", "import FILE.tp... N [--capture replace|slot=K|skip]",
     "load preset files into presets N, N+1, ... of the unit",
     "Every file is checked before anything is sent. Each preset is named after its\n"
     "file, stored in the unit and acknowledged by it (the unit's current preset also\n"
     "goes into its edit buffer). When a file carries a tone capture:\n"
     "  (no option)     the capture goes into the preset's capture slot when that slot\n"
     "                  is empty (as the editor does); a slot holding another capture\n"
     "                  is left alone (where the editor would ask)\n"
     "  --capture replace  the capture replaces the one in the preset's slot\n"
     "  --capture slot=K   the capture goes into capture slot K (1..20) and the\n"
     "                  preset uses that slot\n"
     "  --capture skip     no capture slot is touched\n"},
    {Command::Backup, "backup", "backup FILE.tbf [--bus-address N]",
     "save everything the unit holds into a backup file",
     "Presets, settings, MIDI, tone captures, IR and NR slots, as the editor's backup.\n"
     "The file is replaced only by a complete new one.\n"},
    {Command::Recall, "recall", "recall FILE.tbf [--bus-address N]",
     "write a backup file back into the unit",
     "The file is checked whole before the unit is addressed; every preset and slot\n"
     "waits for the unit's acknowledgement. Do not unplug the unit while it runs.\n"},
    {Command::IrUpload, "ir-upload", "ir-upload FILE.wav SLOT [--bus-address N]",
     "convert an impulse response and load it into IR slot 1..10 (or 33..42)",
     "The slot is named after the file (its first 15 characters, printable ASCII).\n"
     "WAV: 44.1, 48, 88.2 or 96 kHz, mono or stereo (first channel), 8/16/24/32-bit\n"
     "integer or 32-bit float.\n"},
    {Command::NrUpload, "nr-upload", "nr-upload FILE.amp SLOT [--force] [--bus-address N]",
     "load an amp capture into NR slot 1..10 (or 71..80)",
     "The first 1584 bytes of the file are sent; the slot is named after the file.\n"
     "A file whose name does not end in \".amp\" is refused unless --force is given.\n"},
    {Command::SlotDelete, "slot-delete", "slot-delete ir|nr SLOT [--bus-address N]",
     "empty an IR or NR slot",
     "SLOT: 1..10, or the editor's row number (33..42 for IR, 71..80 for NR).\n"},
    {Command::IrConvert, "ir-convert", "ir-convert FILE.wav OUT.bin",
     "write the 8192 bytes the unit would receive for a WAV file (no unit needed)",
     "2048 little-endian 32-bit words, each a signed 24-bit sample in its low bytes.\n"},
    {Command::Check, "check", "check FILE... [--json]",
     "check .tp, .tbf, .tk, .wav and .amp files with the programs' own rules",
     "Says whether each file is valid and, if not, exactly why. The kind of file\n"
     "comes from its extension, or from its first bytes. Exit code 1 when any file\n"
     "is not valid.\n"},
    {Command::FirmwareInfo, "firmware-info", "firmware-info FILE.tk [--json]",
     "show the header and sections of a firmware file",
     "Exit code 1 when the updater would refuse the file (the reason is printed).\n"},
};

const CommandSpec *specOf(Command c)
{
    for (const CommandSpec &s : kCommands) {
        if (s.command == c)
            return &s;
    }
    return nullptr;
}

bool parseNumber(const QString &text, int *value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(text).hasMatch())
        return false;
    *value = text.toInt();
    return true;
}

// Options each command accepts besides --help and --verbose.
bool acceptsOption(Command c, const QString &option)
{
    if (option == QLatin1String("--bus-address"))
        return needsUnit(c);
    if (option == QLatin1String("--json"))
        return c == Command::Info || c == Command::List || c == Command::Check || c == Command::FirmwareInfo;
    if (option == QLatin1String("--all"))
        return c == Command::Export;
    if (option == QLatin1String("--capture"))
        return c == Command::Import;
    if (option == QLatin1String("--force"))
        return c == Command::NrUpload;
    return false;
}

QString seeHelp(Command c)
{
    return tr("(see 'kt900 %1 --help')").arg(commandName(c));
}

} // namespace

QString commandName(Command command)
{
    const CommandSpec *s = specOf(command);
    return s ? QString::fromLatin1(s->name) : QString();
}

Command commandByName(const QString &name)
{
    for (const CommandSpec &s : kCommands) {
        if (name == QLatin1String(s.name))
            return s.command;
    }
    return Command::None;
}

bool needsUnit(Command command)
{
    switch (command) {
    case Command::Info:
    case Command::List:
    case Command::Export:
    case Command::Import:
    case Command::Backup:
    case Command::Recall:
    case Command::IrUpload:
    case Command::NrUpload:
    case Command::SlotDelete:
        return true;
    default:
        return false;
    }
}

QString usageText()
{
    QString t = tr("Usage: kt900 [--bus-address N] [--json] [--verbose] COMMAND [ARGUMENTS]\n"
                   "The command-line companion of the KT900 editor.\n\nCommands:\n");
    for (const CommandSpec &s : kCommands)
        t += QStringLiteral("  %1%2\n").arg(QString::fromLatin1(s.name), -15).arg(tr(s.summary));
    t += tr("\nOptions:\n"
            "  --bus-address N  use the unit at this USB bus address (1..127) instead of\n"
            "                   finding it\n"
            "  --json           machine-readable output (info, list, check, firmware-info)\n"
            "  --verbose        diagnostics of the editor's libraries on stderr\n"
            "  -h, --help       this text; 'kt900 COMMAND --help' for one command\n"
            "  --version        the program's version\n"
            "\nPresets: 0..254 or the editor's label 01A..85C. IR and NR slots: 1..10, or the\n"
            "editor's row numbers 33..42 (IR) and 71..80 (NR). Capture slots: 1..20.\n"
            "Exit codes: 0 success, 1 the operation failed, 2 bad usage.\n");
    return t;
}

QString commandHelp(Command command)
{
    const CommandSpec *s = specOf(command);
    if (!s)
        return usageText();
    QString summary = tr(s->summary);
    summary[0] = summary.at(0).toUpper();
    return tr("Usage: kt900 %1\n%2.\n\n%3").arg(QString::fromLatin1(s->synopsis), summary, tr(s->details));
}

QString presetLabel(int index)
{
    if (index < 0 || index > 254)
        return QString();
    return QStringLiteral("%1%2").arg(index / 3 + 1, 2, 10, QLatin1Char('0')).arg(QLatin1Char("ABC"[index % 3]));
}

QString presetText(int index, const QString &name)
{
    return QStringLiteral("%1 %2").arg(presetLabel(index), name.trimmed()).trimmed();
}

int parsePresetRef(const QString &text)
{
    int n = 0;
    if (parseNumber(text, &n))
        return n <= 254 ? n : -1;
    static const QRegularExpression label(QStringLiteral("^([0-9]{2})([ABCabc])$"));
    const QRegularExpressionMatch m = label.match(text);
    if (!m.hasMatch())
        return -1;
    const int bank = m.captured(1).toInt();
    if (bank < 1 || bank > 85)
        return -1;
    return (bank - 1) * 3 + (m.captured(2).toUpper().at(0).toLatin1() - 'A');
}

int parseSlotRef(const QString &text, bool ir)
{
    int n = 0;
    if (!parseNumber(text, &n))
        return -1;
    if (n >= 1 && n <= 10)
        return n - 1;
    const int firstRow = ir ? 33 : 71;
    if (n >= firstRow && n < firstRow + 10)
        return n - firstRow;
    return -1;
}

int parseCaptureSlot(const QString &text)
{
    int n = 0;
    if (!parseNumber(text, &n) || n < 1 || n > 20)
        return -1;
    return n - 1;
}

ParseResult parseCommandLine(const QStringList &arguments)
{
    ParseResult r;
    Invocation &inv = r.invocation;
    QStringList positional;
    QStringList optionsSeen;
    bool help = false;
    QString captureText;
    bool optionsEnded = false;

    auto fail = [&r](const QString &why) {
        r.ok = false;
        r.error = why;
        return r;
    };

    for (int i = 0; i < arguments.size(); ++i) {
        QString a = arguments.at(i);
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString value;
        bool hasValue = false;
        const int eq = a.indexOf(QLatin1Char('='));
        if (a.startsWith(QLatin1String("--")) && eq > 2) {
            value = a.mid(eq + 1);
            a = a.left(eq);
            hasValue = true;
        }
        auto takeValue = [&](QString *out) {
            if (hasValue) {
                *out = value;
                return true;
            }
            if (i + 1 >= arguments.size())
                return false;
            *out = arguments.at(++i);
            return true;
        };
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            help = true;
        } else if (a == QLatin1String("--version") || a == QLatin1String("-V")) {
            inv.showVersion = true;
        } else if (a == QLatin1String("--verbose") || a == QLatin1String("-v")) {
            inv.verbose = true;
        } else if (a == QLatin1String("--json")) {
            inv.json = true;
            optionsSeen << a;
        } else if (a == QLatin1String("--all")) {
            inv.all = true;
            optionsSeen << a;
        } else if (a == QLatin1String("--force")) {
            inv.force = true;
            optionsSeen << a;
        } else if (a == QLatin1String("--bus-address")) {
            QString v;
            int n = 0;
            if (!takeValue(&v))
                return fail(tr("--bus-address needs a number (1..127)"));
            if (!parseNumber(v, &n) || n < 1 || n > 127)
                return fail(tr("--bus-address: '%1' is not a bus address (1..127)").arg(v));
            inv.busAddress = n;
            optionsSeen << a;
        } else if (a == QLatin1String("--capture")) {
            if (!takeValue(&captureText))
                return fail(tr("--capture needs replace, slot=K or skip"));
            optionsSeen << a;
        } else {
            return fail(tr("unknown option '%1' (see 'kt900 --help')").arg(arguments.at(i)));
        }
        if (hasValue && a != QLatin1String("--bus-address") && a != QLatin1String("--capture"))
            return fail(tr("%1 takes no value").arg(a));
    }

    if (positional.isEmpty()) {
        if (inv.showVersion) {
            r.ok = true;
            return r;
        }
        if (help) {
            inv.command = Command::Help;
            r.ok = true;
            return r;
        }
        return fail(tr("no command given (see 'kt900 --help')"));
    }

    const QString name = positional.takeFirst();
    if (name == QLatin1String("help")) {
        inv.command = Command::Help;
        if (!positional.isEmpty()) {
            inv.helpFor = commandByName(positional.first());
            if (inv.helpFor == Command::None)
                return fail(tr("unknown command '%1' (see 'kt900 --help')").arg(positional.first()));
        }
        r.ok = true;
        return r;
    }
    inv.command = commandByName(name);
    if (inv.command == Command::None)
        return fail(tr("unknown command '%1' (see 'kt900 --help')").arg(name));
    if (help) {
        inv.helpFor = inv.command;
        inv.command = Command::Help;
        r.ok = true;
        return r;
    }
    const Command c = inv.command;
    const QString cmd = commandName(c);
    for (const QString &o : optionsSeen) {
        if (!acceptsOption(c, o))
            return fail(tr("%1: %2 is not an option of this command %3").arg(cmd, o, seeHelp(c)));
    }

    auto count = [&](int n) {
        return positional.size() == n;
    };
    auto wrongArgs = [&]() {
        return fail(tr("%1: expected 'kt900 %2' %3").arg(cmd, QString::fromLatin1(specOf(c)->synopsis), seeHelp(c)));
    };
    auto presetArg = [&](const QString &text, int *out) {
        *out = parsePresetRef(text);
        return *out >= 0;
    };

    switch (c) {
    case Command::Info:
    case Command::List:
        if (!count(0))
            return wrongArgs();
        break;
    case Command::Export:
        if (inv.all) {
            if (!count(1))
                return fail(tr("export: --all takes one folder: 'kt900 export --all DIR'"));
            inv.output = positional.at(0);
        } else {
            if (!count(2))
                return wrongArgs();
            if (!presetArg(positional.at(0), &inv.preset))
                return fail(tr("export: '%1' is not a preset (0..254 or 01A..85C)").arg(positional.at(0)));
            inv.output = positional.at(1);
        }
        break;
    case Command::Import: {
        if (positional.size() < 2)
            return wrongArgs();
        const QString target = positional.takeLast();
        if (!presetArg(target, &inv.preset))
            return fail(tr("import: '%1' is not a preset (0..254 or 01A..85C); the target comes last").arg(target));
        inv.files = positional;
        if (inv.preset + inv.files.size() > 255)
            return fail(tr("import: %1 files from preset %2 run past the last preset (85C)")
                            .arg(inv.files.size()).arg(presetLabel(inv.preset)));
        if (!captureText.isEmpty() || optionsSeen.contains(QStringLiteral("--capture"))) {
            if (captureText == QLatin1String("replace")) {
                inv.capture = CaptureChoice::Replace;
            } else if (captureText == QLatin1String("skip")) {
                inv.capture = CaptureChoice::Skip;
            } else if (captureText.startsWith(QLatin1String("slot="))) {
                inv.captureSlot = parseCaptureSlot(captureText.mid(5));
                if (inv.captureSlot < 0)
                    return fail(tr("import: --capture slot=K needs a capture slot 1..20, not '%1'").arg(captureText.mid(5)));
                inv.capture = CaptureChoice::Slot;
            } else {
                return fail(tr("import: --capture takes replace, slot=K or skip, not '%1'").arg(captureText));
            }
        }
        break;
    }
    case Command::Backup:
    case Command::Recall:
        if (!count(1))
            return wrongArgs();
        inv.files << positional.at(0);
        break;
    case Command::IrUpload:
    case Command::NrUpload: {
        if (!count(2))
            return wrongArgs();
        inv.ir = c == Command::IrUpload;
        inv.files << positional.at(0);
        inv.slot = parseSlotRef(positional.at(1), inv.ir);
        if (inv.slot < 0)
            return fail(inv.ir ? tr("ir-upload: '%1' is not an IR slot (1..10 or 33..42)").arg(positional.at(1))
                               : tr("nr-upload: '%1' is not an NR slot (1..10 or 71..80)").arg(positional.at(1)));
        break;
    }
    case Command::SlotDelete: {
        if (!count(2))
            return wrongArgs();
        const QString kind = positional.at(0).toLower();
        if (kind != QLatin1String("ir") && kind != QLatin1String("nr"))
            return fail(tr("slot-delete: the kind is 'ir' or 'nr', not '%1'").arg(positional.at(0)));
        inv.ir = kind == QLatin1String("ir");
        inv.slot = parseSlotRef(positional.at(1), inv.ir);
        if (inv.slot < 0)
            return fail(inv.ir ? tr("slot-delete: '%1' is not an IR slot (1..10 or 33..42)").arg(positional.at(1))
                               : tr("slot-delete: '%1' is not an NR slot (1..10 or 71..80)").arg(positional.at(1)));
        break;
    }
    case Command::IrConvert:
        if (!count(2))
            return wrongArgs();
        inv.files << positional.at(0);
        inv.output = positional.at(1);
        break;
    case Command::Check:
        if (positional.isEmpty())
            return wrongArgs();
        inv.files = positional;
        break;
    case Command::FirmwareInfo:
        if (!count(1))
            return wrongArgs();
        inv.files << positional.at(0);
        break;
    default:
        return wrongArgs();
    }
    // Standard input and output are not streams kt900 uses: a backup or an
    // export is a file the user keeps.
    for (const QString &f : inv.files) {
        if (f == QLatin1String("-") && c == Command::Backup)
            return fail(tr("%1: writing to standard output ('-') is not supported; give a file name").arg(cmd));
        if (f == QLatin1String("-"))
            return fail(tr("%1: reading from standard input ('-') is not supported; give a file name").arg(cmd));
    }
    if (inv.output == QLatin1String("-"))
        return fail(tr("%1: writing to standard output ('-') is not supported; give a file name").arg(cmd));
    // An empty argument names no file; "" would otherwise mean the current folder.
    for (const QString &f : inv.files) {
        if (f.isEmpty())
            return fail(tr("%1: an empty file name is not a file").arg(cmd));
    }
    if ((c == Command::Export || c == Command::IrConvert) && inv.output.isEmpty())
        return fail(tr("%1: an empty name is not a file or folder").arg(cmd));
    if (c == Command::NrUpload && !inv.force && !inv.files.value(0).endsWith(QLatin1String(".amp"), Qt::CaseInsensitive))
        return fail(tr("nr-upload: '%1' is not an amp capture (its name does not end in .amp); --force sends it anyway")
                        .arg(inv.files.value(0)));
    r.ok = true;
    return r;
}

} // namespace Cli
