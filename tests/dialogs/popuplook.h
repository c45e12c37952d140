#pragma once

// Shared by the pop-up tests: the application look they are drawn with,
// a check that every visible text of a page fits where it is laid out, and
// screenshots into KT900_SHOT_DIR when that is set.

#include "kt900style.h"
#include "resources.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace PopupLook {

inline void install()
{
    kt900InitResources();
    QApplication::setFont(Kt900Style::applicationFont());
    qApp->setStyleSheet(Kt900Style::loadStyleSheets());
}

// Texts of `page` (a descendant of `dialog`) that are cut off: a visible
// button or single-line label narrower or lower than it needs, or reaching
// outside the dialog. Empty when everything fits.
inline QStringList clipped(QWidget *dialog, QWidget *page)
{
    QStringList out;
    const QRect bounds = dialog->rect();
    const auto check = [&](QWidget *w, const QString &text, QSize need) {
        if (!w->isVisibleTo(dialog))
            return;
        const QRect r(w->mapTo(dialog, QPoint(0, 0)), w->size());
        if (!bounds.contains(r))
            out << QStringLiteral("%1 outside the pop-up").arg(text);
        else if (w->width() < need.width() || w->height() < need.height())
            out << QStringLiteral("%1 (%2x%3 < %4x%5)").arg(text).arg(w->width()).arg(w->height())
                       .arg(need.width()).arg(need.height());
    };
    for (QAbstractButton *b : page->findChildren<QAbstractButton *>()) {
        if (!b->text().isEmpty())
            check(b, b->text(), b->minimumSizeHint());
    }
    for (QLabel *l : page->findChildren<QLabel *>()) {
        if (l->text().isEmpty() && l->pixmap(Qt::ReturnByValue).isNull())
            continue;
        const QSize need = l->wordWrap() ? QSize(0, l->heightForWidth(l->width())) : l->minimumSizeHint();
        check(l, l->text().isEmpty() ? QStringLiteral("image") : l->text(), need);
    }
    return out;
}

inline bool shoot(QWidget *w, const QString &name)
{
    const QString dir = qEnvironmentVariable("KT900_SHOT_DIR");
    if (dir.isEmpty())
        return true;
    QDir().mkpath(dir);
    return w->grab().save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

} // namespace PopupLook
