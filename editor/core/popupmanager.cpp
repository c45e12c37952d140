#include "popupmanager.h"

#include "mymessagebox.h"
#include "popupframe.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace {

QPoint globalPosOf(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return static_cast<QMouseEvent *>(event)->globalPos();
    case QEvent::Wheel:
        return static_cast<QWheelEvent *>(event)->globalPosition().toPoint();
    default:
        return QCursor::pos();
    }
}

int indexOf(PageCodes::Popup which)
{
    return static_cast<int>(which);
}

// The dialogs in the order they are looked for (the name editor is not
// centred, and comes last when looking for the visible one).
constexpr PageCodes::Popup kDialogs[] = {PageCodes::Popup::Exp, PageCodes::Popup::Setting,
                                         PageCodes::Popup::ToneCapture};

} // namespace

PopupManager::PopupManager(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    qApp->installEventFilter(this);
}

PopupManager::~PopupManager()
{
    qApp->removeEventFilter(this);
}

void PopupManager::setPopup(Popup which, QWidget *popup)
{
    if (which != Popup::None)
        m_popups[indexOf(which)] = popup;
}

QWidget *PopupManager::popup(Popup which) const
{
    return m_popups[indexOf(which)].data();
}

void PopupManager::setTitleBar(QWidget *titleBar)
{
    m_title = titleBar;
}

void PopupManager::setActiveCheck(std::function<bool()> active)
{
    m_active = std::move(active);
}

void PopupManager::setKeepOpen(Popup which, std::function<bool()> keep)
{
    m_keepOpen[indexOf(which)] = std::move(keep);
}

void PopupManager::show(Popup which)
{
    for (int i = 1; i < PageCodes::kPopupCount; ++i) {
        QWidget *p = m_popups[i];
        if (p && i != indexOf(which) && p->isVisible()) {
            p->hide();
            // A name editor closed this way renames nothing and unmarks its row.
            if (i == indexOf(Popup::Rename))
                emit renameDismissed();
        }
    }
    QWidget *p = which == Popup::None ? nullptr : popup(which);
    if (!p)
        return;
    if (which != Popup::Rename)
        PopupFrame::centreOn(p, m_window);
    p->show();
    p->raise();
    if (which == Popup::Rename)
        p->setFocus();
    else
        p->activateWindow();
}

PageCodes::Popup PopupManager::visibleId() const
{
    for (Popup which : kDialogs) {
        QWidget *p = popup(which);
        if (p && p->isVisible())
            return which;
    }
    QWidget *rename = popup(Popup::Rename);
    return rename && rename->isVisible() ? Popup::Rename : Popup::None;
}

QWidget *PopupManager::visible() const
{
    const Popup which = visibleId();
    return which == Popup::None ? nullptr : popup(which);
}

void PopupManager::centre()
{
    for (Popup which : kDialogs) {
        QWidget *p = popup(which);
        if (p && p->isVisible()) {
            PopupFrame::centreOn(p, m_window);
            return;
        }
    }
}

bool PopupManager::filterForPopup(QWidget *receiver, QEvent *event, Popup which)
{
    QWidget *p = popup(which);
    // Events of the pop-up itself, and of other windows (message boxes,
    // menus, file dialogs), pass.
    if (receiver == p || p->isAncestorOf(receiver))
        return false;
    if (receiver->window() != m_window)
        return false;
    const QPoint global = globalPosOf(event);
    if (event->type() != QEvent::KeyPress && m_title
        && QRect(m_title->mapToGlobal(QPoint(0, 0)), m_title->size()).contains(global))
        return false;
    const QRect popupRect = p->isWindow() ? p->frameGeometry() : QRect(p->mapToGlobal(QPoint(0, 0)), p->size());
    const bool outside = event->type() == QEvent::KeyPress || !popupRect.contains(global);
    if (!outside)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        if (which == Popup::Rename) {
            p->hide();
            emit renameDismissed();
            return true;
        }
        const std::function<bool()> &keep = m_keepOpen[indexOf(which)];
        if (keep && keep())
            return false;
        p->hide();
        emit dialogDismissed(which);
        return true;
    }
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

bool PopupManager::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick && type != QEvent::KeyPress
        && type != QEvent::Wheel)
        return false;
    if (!watched->isWidgetType() || (m_active && !m_active()))
        return false;
    auto *receiver = static_cast<QWidget *>(watched);
    const Popup which = visibleId();
    if (which != Popup::None && filterForPopup(receiver, event, which))
        return true;
    if (type == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        emit escapePressed();
    return false;
}

void PopupManager::closeQuestionBoxes()
{
    const QList<MyMessageBox *> boxes = m_window->findChildren<MyMessageBox *>(QStringLiteral("messageBoxDialog"));
    for (MyMessageBox *box : boxes) {
        if (box->isVisible() && !box->buttons().isEmpty())
            box->close();
    }
}
