#include "userfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcUserFiles, "kt900.userfiles")

namespace UserFiles {

namespace {

QString portablePath(Item item, const QString &programDir)
{
    return item == Item::Config ? programDir + QStringLiteral("/Config.ini")
                                : programDir + QStringLiteral("/presetfile/");
}

QString userPath(Item item, const Roots &roots)
{
    return item == Item::Config ? roots.configDir + QStringLiteral("/Config.ini")
                                : roots.dataDir + QStringLiteral("/presetfile/");
}

} // namespace

bool isWritable(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isWritable();
}

QString suiteFolderName()
{
    return QStringLiteral("TOVAK_KT900");
}

Roots systemRoots()
{
    Roots roots;
    // Without an application object there is no program directory; the
    // user's directories are used then.
    if (QCoreApplication::instance())
        roots.programDir = QCoreApplication::applicationDirPath();
    roots.configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
                      + suiteFolderName();
    roots.dataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
                    + suiteFolderName();
    return roots;
}

QString location(Item item, const Roots &roots, WritableProbe writable)
{
    if (!roots.programDir.isEmpty()) {
        const QString portable = portablePath(item, roots.programDir);
        const bool dirWritable = writable(roots.programDir);
        const bool exists = QFileInfo::exists(portable);
        // An existing copy beside the program stays in use as long as it
        // can be written; one that cannot would lose every change.
        if (dirWritable || (exists && writable(portable)))
            return portable;
        if (exists)
            qCInfo(lcUserFiles) << portable << "cannot be written; using the user's copy";
    }
    return userPath(item, roots);
}

QString configFile()
{
    return location(Item::Config, systemRoots());
}

QString presetFolder()
{
    return location(Item::PresetFolder, systemRoots());
}

} // namespace UserFiles
