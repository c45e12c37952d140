#include "pathcheck.h"

#include "commandline.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/stat.h>

namespace Cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("kt900", text);
}

// The kind of a path that is neither a regular file nor a folder.
QString kindOf(mode_t mode)
{
    if (S_ISFIFO(mode))
        return tr("a FIFO (named pipe)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return tr("a device");
    if (S_ISSOCK(mode))
        return tr("a socket");
    if (S_ISDIR(mode))
        return tr("a folder");
    return tr("not a regular file");
}

// False when nothing is at path (a dangling link counts as nothing).
bool statPath(const QString &path, struct stat *st)
{
    const QByteArray native = QFile::encodeName(path);
    return ::stat(native.constData(), st) == 0;
}

} // namespace

QString inputPathProblem(const QString &path)
{
    struct stat st {};
    if (!statPath(path, &st) || S_ISREG(st.st_mode))
        return QString();
    return tr("%1 is %2; kt900 reads regular files only").arg(path, kindOf(st.st_mode));
}

QString outputFileProblem(const QString &path)
{
    struct stat st {};
    if (!statPath(path, &st) || S_ISREG(st.st_mode))
        return QString();
    return tr("%1 is %2; kt900 writes regular files only and does not replace it").arg(path, kindOf(st.st_mode));
}

QString outputFolderProblem(const QString &path)
{
    struct stat st {};
    if (!statPath(path, &st) || S_ISDIR(st.st_mode))
        return QString();
    if (S_ISREG(st.st_mode))
        return tr("%1 is a file, not a folder").arg(path);
    return tr("%1 is %2, not a folder").arg(path, kindOf(st.st_mode));
}

bool checkPaths(const Invocation &inv, QString *problem)
{
    QString p;
    switch (inv.command) {
    case Command::Export:
        p = inv.all ? outputFolderProblem(inv.output) : outputFileProblem(inv.output);
        break;
    case Command::Backup:
        p = outputFileProblem(inv.files.value(0));
        break;
    case Command::IrConvert:
        p = inputPathProblem(inv.files.value(0));
        if (p.isEmpty())
            p = outputFileProblem(inv.output);
        break;
    case Command::Import:
    case Command::Recall:
    case Command::IrUpload:
    case Command::NrUpload:
    case Command::Check:
    case Command::FirmwareInfo:
        for (const QString &f : inv.files) {
            p = inputPathProblem(f);
            if (!p.isEmpty())
                break;
        }
        break;
    default:
        break;
    }
    if (p.isEmpty())
        return true;
    *problem = p;
    return false;
}

} // namespace Cli
