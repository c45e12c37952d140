#include "presetnames.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace PresetNames {

namespace {

bool allowedChar(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == ' ';
}

bool reservedOnDesktop(const QString &name)
{
    static const QRegularExpression reserved(QStringLiteral("^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9])$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return reserved.match(name).hasMatch();
}

QString tr(const char *text)
{
    return QCoreApplication::translate("PresetNames", text);
}

} // namespace

QString presetPrefix(int index)
{
    static const char letters[] = {'A', 'B', 'C'};
    if (index < 0)
        return QString();
    return QStringLiteral("%1%2").arg(index / 3 + 1, 2, 10, QLatin1Char('0')).arg(QLatin1Char(letters[index % 3]));
}

QString cleanBaseName(const QString &presetName, int index)
{
    QString name = presetName.left(kMaxBaseLength);
    for (QChar &c : name) {
        if (!allowedChar(c))
            c = QLatin1Char(' ');
    }
    name = name.trimmed();
    if (name.isEmpty())
        return presetPrefix(index);
    if (reservedOnDesktop(name))
        return QStringLiteral("%1 %2").arg(presetPrefix(index), name);
    return name;
}

QString exportFileBaseName(const QString &presetName, int index, QSet<QString> *usedLower)
{
    const QString name = cleanBaseName(presetName, index);
    QString base = name;
    if (usedLower) {
        for (int n = 2; usedLower->contains(base.toLower()); ++n) {
            const QString suffix = QStringLiteral(" %1").arg(n);
            base = name.left(kMaxBaseLength - suffix.size()).trimmed() + suffix;
        }
        usedLower->insert(base.toLower());
    }
    return base;
}

QString baseNameProblem(const QString &baseName)
{
    if (baseName.isEmpty())
        return tr("the file has no name before \".tp\"");
    for (const QChar c : baseName) {
        if (!allowedChar(c))
            return tr("the name holds \"%1\"; preset file names may hold only letters, digits and spaces").arg(c);
    }
    return QString();
}

} // namespace PresetNames
