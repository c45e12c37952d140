#include "mycombobox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QStyledItemDelegate>

MyComboBox::MyComboBox(QWidget *parent)
    : QComboBox(parent)
{
    // A styled delegate lets the style sheets draw the pop-up's rows.
    setItemDelegate(new QStyledItemDelegate(this));
    setFocusPolicy(Qt::NoFocus);
    view()->installEventFilter(this);
}

void MyComboBox::showPopup()
{
    if (!QApplication::isEffectEnabled(Qt::UI_AnimateCombo)) {
        QComboBox::showPopup();
        return;
    }
    QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
    QComboBox::showPopup();
    QApplication::setEffectEnabled(Qt::UI_AnimateCombo, true);
}

bool MyComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == view() && event->type() == QEvent::Show)
        adjustPopupFrame();
    return QComboBox::eventFilter(watched, event);
}

void MyComboBox::adjustPopupFrame()
{
    QWidget *frame = view()->parentWidget();
    if (!frame || !frame->isWindow())
        return;
    const QPoint below = mapToGlobal(QPoint(0, height()));
    const int w = qMax(frame->width(), width());
    int h = frame->height();
    int y = below.y();
    if (const QScreen *screen = this->screen()) {
        const QRect avail = screen->availableGeometry();
        if (y + h > avail.bottom()) {
            // No room below: open above the box instead.
            const int above = mapToGlobal(QPoint(0, 0)).y() - h;
            if (above >= avail.top())
                y = above;
            else
                h = qMax(40, avail.bottom() - y);
        }
    }
    frame->setGeometry(below.x(), y, w, h);
}
