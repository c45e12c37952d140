#pragma once

// The tree `cmake --install` puts below DESTDIR (prefix /usr): every entry it
// must hold, and nothing else.

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>

namespace InstalledTree {

// Where the tree is read from: the install step's folder, or a copy of it.
inline QString &rootOverride()
{
    static QString path;
    return path;
}
inline QString root() { return rootOverride().isEmpty() ? QStringLiteral(KT900_PKG_ROOT) : rootOverride(); }
inline QString prefix() { return root() + QStringLiteral("/usr"); }
inline QString appDir() { return prefix() + QLatin1Char('/') + QStringLiteral(KT900_PKG_APPDIR); }
inline QString launcher() { return appDir() + QStringLiteral("/Tovak Studio For KT900"); }
inline QString editor() { return appDir() + QStringLiteral("/TOVAK_KT900/TOVAK_KT900"); }
inline QString desktopFile() { return prefix() + QStringLiteral("/share/applications/org.kt900.studio.desktop"); }

// "Key=value" of the [Desktop Entry] group.
inline QString desktopValue(const QString &file, const QString &key)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    bool inEntry = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return QString();
}

// Every file, link and empty folder below the root, relative to it, sorted.
inline QStringList entries()
{
    QStringList out;
    QDirIterator it(root(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(root());
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir() && !info.isSymLink()) {
            if (QDir(info.filePath()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
                out << base.relativeFilePath(info.filePath()) + QLatin1Char('/');
            continue;
        }
        out << base.relativeFilePath(info.filePath());
    }
    out.sort();
    return out;
}

} // namespace InstalledTree
