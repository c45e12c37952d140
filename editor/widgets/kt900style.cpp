#include "kt900style.h"

#include <QFile>
#include <QFontDatabase>
#include <QLoggingCategory>
#include <QStyle>
#include <QWidget>

Q_LOGGING_CATEGORY(lcStyle, "kt900.widgets.style")

namespace Kt900Style {

QString fallbackFamily()
{
    return QString::fromUtf8("\xe5\xae\x8b\xe4\xbd\x93"); // SimSun's family name
}

QFont applicationFont()
{
    QString family = fallbackFamily();
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kFontPath));
    if (id < 0) {
        qCWarning(lcStyle) << "cannot add the application font" << kFontPath;
    } else {
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty())
            family = families.first();
        if (QFontDatabase::addApplicationFont(QString::fromLatin1(kBoldFontPath)) < 0)
            qCDebug(lcStyle) << "no bold face, bold text is synthesised";
    }
    QFont font(family);
    font.setPointSize(10);
    return font;
}

QPalette applicationPalette()
{
    QPalette p;
    const QColor window(0x1c, 0x1c, 0x1c);
    const QColor raised(0x26, 0x26, 0x26);
    const QColor base(0x14, 0x14, 0x14);
    const QColor text(0xf0, 0xf0, 0xf0);
    const QColor disabled(0x5a, 0x5a, 0x5a);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, raised);
    p.setColor(QPalette::ToolTipBase, raised);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x70, 0x70, 0x70));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x41, 0x41, 0x41));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xff, 0x6b, 0x5a));
    p.setColor(QPalette::Highlight, QColor(0xc0, 0xd2, 0x3c));
    p.setColor(QPalette::HighlightedText, QColor(0x14, 0x14, 0x14));
    p.setColor(QPalette::Link, QColor(0xc0, 0xd2, 0x3c));
    p.setColor(QPalette::Light, QColor(0x5a, 0x5a, 0x5a));
    p.setColor(QPalette::Midlight, QColor(0x4a, 0x4a, 0x4a));
    p.setColor(QPalette::Mid, QColor(0x33, 0x33, 0x33));
    p.setColor(QPalette::Dark, QColor(0x10, 0x10, 0x10));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabled);
    return p;
}

QStringList styleSheetPaths()
{
    static const char *const names[] = {
        "core.qss",    "title.qss",   "presetList.qss", "chain.qss",
        "paraTop.qss", "paraSetting.qss", "loading.qss", "exp.qss",
        "setting.qss", "mymessagebox.qss", "toneCapture.qss",
    };
    QStringList paths;
    for (const char *name : names)
        paths << QStringLiteral(":/qss/qss/") + QLatin1String(name);
    return paths;
}

QString loadStyleSheets()
{
    QString text;
    for (const QString &path : styleSheetPaths()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            qCDebug(lcStyle) << "style sheet skipped:" << path;
            continue;
        }
        QByteArray bytes = file.readAll();
        const int nul = bytes.indexOf('\0');
        if (nul >= 0)
            bytes.truncate(nul);
        text += QString::fromUtf8(bytes);
        text += QLatin1Char('\n');
    }
    return text;
}

void repolish(QWidget *widget, bool recursive)
{
    if (!widget)
        return;
    QStyle *style = widget->style();
    style->unpolish(widget);
    style->polish(widget);
    if (recursive) {
        const auto children = widget->findChildren<QWidget *>();
        for (QWidget *child : children) {
            child->style()->unpolish(child);
            child->style()->polish(child);
        }
    }
    widget->update();
}

bool setStyleProperty(QWidget *widget, const char *name, const QVariant &value, bool recursive)
{
    if (!widget)
        return false;
    if (widget->property(name) == value)
        return false;
    widget->setProperty(name, value);
    repolish(widget, recursive);
    return true;
}

} // namespace Kt900Style
