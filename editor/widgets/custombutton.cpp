#include "custombutton.h"

#include "kt900style.h"

#include <QApplication>
#include <QIcon>
#include <QMouseEvent>

CustomButton::CustomButton(const QString &onImage, const QString &offImage, QWidget *parent)
    : QPushButton(parent)
    , m_onImage(onImage)
    , m_offImage(offImage)
{
    setIcon(QIcon(m_offImage));
    setIconSize(QSize(kIconWidth, kIconHeight));
    setProperty("isSelected", false);
    setFocusPolicy(Qt::NoFocus);
}

void CustomButton::setSelect(bool select)
{
    m_selected = select;
    setProperty("isSelected", select);
    Kt900Style::repolish(this);
}

void CustomButton::setSwitchStatus(bool switchStatus)
{
    if (switchStatus == m_switchStatus)
        return;
    m_switchStatus = switchStatus;
    setIcon(QIcon(m_switchStatus ? m_onImage : m_offImage));
    setIconSize(QSize(kIconWidth, kIconHeight));
    emit switchStatusChanged(m_switchStatus);
}

void CustomButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressX = event->pos().x();
        m_pressY = event->pos().y();
    }
    QPushButton::mousePressEvent(event);
}

void CustomButton::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton) {
        const QPoint offset(event->pos().x() - m_pressX, event->pos().y() - m_pressY);
        if (m_dragging || offset.manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
            raise();
            move(pos() + offset);
            emit drag_signal();
        }
    }
    QPushButton::mouseMoveEvent(event);
}

void CustomButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        // Leave the pressed state without a click.
        setDown(false);
        event->accept();
        emit release_signal();
        return;
    }
    QPushButton::mouseReleaseEvent(event);
}
