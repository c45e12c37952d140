#pragma once

// Where the editor keeps what the user makes: Config.ini (the colours) and the
// preset folder "presetfile/".
//
// A portable copy keeps them beside the program: that is where they go when
// the program's directory can be written, or when they already lie there and
// can still be written (a portable install on a stick, the build tree). An
// installed program in a read-only directory keeps them in the user's own
// directories instead:
//   Config.ini   $XDG_CONFIG_HOME/TOVAK_KT900/Config.ini (~/.config/...)
//   presetfile/  $XDG_DATA_HOME/TOVAK_KT900/presetfile/   (~/.local/share/...)
// These are the editor's own configuration and data locations (QStandardPaths
// AppConfigLocation and AppDataLocation for the application "TOVAK_KT900");
// the folder name is fixed, so every program of the suite (editor, kt900,
// tests) finds the same files whatever its own application name.
//
// Every reader and writer of these files asks here; nothing else decides.

#include <QString>

namespace UserFiles {

enum class Item {
    Config,       // the file "Config.ini"
    PresetFolder, // the folder "presetfile/", ending in "/"
};

// The directories a decision is made from.
struct Roots
{
    QString programDir; // where the program lies
    QString configDir;  // the user's configuration folder for the suite
    QString dataDir;    // the user's data folder for the suite
};

// Whether a file or folder exists and may be written by this process.
using WritableProbe = bool (*)(const QString &path);
bool isWritable(const QString &path);

// The folder name below the user's configuration and data directories.
QString suiteFolderName();

// The running program's directory and the user's directories.
Roots systemRoots();

// The decision itself, from the given roots; the probe says what may be
// written (the real file system unless a test says otherwise).
QString location(Item item, const Roots &roots, WritableProbe writable = &isWritable);

// The decision for the running program.
QString configFile();
QString presetFolder();

} // namespace UserFiles
