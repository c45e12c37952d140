#pragma once

// Names of preset files: the file name an exported preset gets, and which
// files of the preset folder the computer list shows. The editor and the
// command-line tool share these rules.

#include <QSet>
#include <QString>

namespace PresetNames {

// Longest base name an import turns into a preset name (the unit keeps 16
// bytes per name).
constexpr int kMaxBaseLength = 16;

// "01A" for preset 0, "85C" for 254; empty for a negative index.
QString presetPrefix(int index);

// The preset name as a file base name: blanks trimmed, every character other
// than a letter a-z/A-Z, a digit or a space (path separators, dots, control
// bytes, anything beyond ASCII) replaced by a space, at most 16 characters.
// A name that leaves nothing, or one the desktop reserves for devices (CON,
// NUL, COM1 ...), becomes the row's label, so that the file always lands in
// the folder under a name the computer list shows.
QString cleanBaseName(const QString &presetName, int index);

// cleanBaseName, made unique within one export: a base name already in
// *usedLower (compared without letter case, as desktop file systems do) gets
// " 2", " 3" ... with the name shortened so that the whole stays within 16
// characters. The name taken is added to *usedLower (may be null).
QString exportFileBaseName(const QString &presetName, int index, QSet<QString> *usedLower);

// Why a file of the preset folder with this base name is not listed, or an
// empty text when its name is fine: the name must consist of letters, digits
// and spaces only.
QString baseNameProblem(const QString &baseName);

} // namespace PresetNames
