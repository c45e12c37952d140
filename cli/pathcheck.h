#pragma once

// What kt900 reads and writes are regular files (and, for export --all, a
// folder). A FIFO would block a read for ever, a device would be read without
// end, and replacing a device node or FIFO by a regular file destroys it: such
// paths are refused before anything is opened or sent.

#include <QString>

namespace Cli {

struct Invocation;

// Empty when the path may be read: it is missing (the reader says so) or a
// regular file (symbolic links followed); otherwise the reason.
QString inputPathProblem(const QString &path);
// Empty when a file may be written at path: it is missing or a regular file.
QString outputFileProblem(const QString &path);
// Empty when path is missing or a folder.
QString outputFolderProblem(const QString &path);

// Every input and output path of the invocation; false with the first problem
// ("PATH: reason") when one is refused.
bool checkPaths(const Invocation &inv, QString *problem);

} // namespace Cli
