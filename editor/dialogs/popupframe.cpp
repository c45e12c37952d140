#include "popupframe.h"

#include <QDialog>
#include <QPushButton>

namespace PopupFrame {

void setUp(QDialog *dialog, const QString &objectName, int width, int height)
{
    dialog->setObjectName(objectName);
    dialog->setWindowFlags(dialog->windowFlags() | Qt::FramelessWindowHint);
    dialog->setAttribute(Qt::WA_TranslucentBackground);
    dialog->setModal(false);
    dialog->resize(width, height);
    dialog->setFixedSize(width, height);
}

QPushButton *closeButton(QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QStringLiteral("popupClose"));
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(QObject::tr("Close"));
    return button;
}

void centreOn(QWidget *popup, const QWidget *window)
{
    if (!popup || !window)
        return;
    const QRect frame = window->frameGeometry();
    popup->move(frame.center() - QPoint(popup->width() / 2, popup->height() / 2));
}

} // namespace PopupFrame
