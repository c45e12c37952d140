#include "draglistwidget.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDragLeaveEvent>
#include <QDropEvent>
#include <QMouseEvent>

DragListWidget::DragListWidget(QWidget *parent)
    : QListWidget(parent)
{
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    // A drop never removes the dragged rows from their list.
    setDefaultDropAction(Qt::CopyAction);
    setDropIndicatorShown(true);
}

int DragListWidget::rowOf(const QListWidgetItem *item) const
{
    return item ? row(item) : -1;
}

int DragListWidget::rowAt(const QPoint &point) const
{
    return rowOf(itemAt(point));
}

QRect DragListWidget::itemRect(const QListWidgetItem *item) const
{
    return item ? visualItemRect(item) : QRect();
}

QListWidgetItem *DragListWidget::markedItem() const
{
    return m_marked.isValid() ? item(m_marked.row()) : nullptr;
}

int DragListWidget::markedRow() const
{
    return m_marked.isValid() ? m_marked.row() : -1;
}

void DragListWidget::setMarkedBackground(const QString &colorName)
{
    QListWidgetItem *marked = markedItem();
    if (!marked || marked == currentItem())
        return;
    marked->setBackground(QColor(colorName));
}

void DragListWidget::mousePressEvent(QMouseEvent *event)
{
    m_pressPos = event->pos();
    if (event->button() != Qt::LeftButton) {
        const QModelIndex index = indexAt(event->pos());
        m_marked = index.isValid() ? QPersistentModelIndex(index) : QPersistentModelIndex();
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

const QObject *DragListWidget::dropSource(const QDropEvent *event) const
{
    return event->source();
}

bool DragListWidget::acceptsDropFrom(const QObject *source) const
{
    return source && source != this && qobject_cast<const DragListWidget *>(source);
}

void DragListWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptsDropFrom(dropSource(event))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DragListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsDropFrom(dropSource(event))) {
        // The base class scrolls near the edges and draws the drop indicator.
        QListWidget::dragMoveEvent(event);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DragListWidget::dropEvent(QDropEvent *event)
{
    if (!acceptsDropFrom(dropSource(event))) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // End the drag state (auto-scroll, indicator) without inserting anything.
    QDragLeaveEvent leave;
    QListWidget::dragLeaveEvent(&leave);
    emit dragHappen(rowAt(event->pos()));
}
