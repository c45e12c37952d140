#include "draglistwidget.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDragLeaveEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
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

QStringList DragListWidget::acceptedFiles(const QMimeData *mime) const
{
    QStringList paths;
    if (m_fileSuffix.isEmpty() || !mime || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (QFileInfo(path).suffix().compare(m_fileSuffix, Qt::CaseInsensitive) == 0)
            paths << path;
    }
    return paths;
}

QMimeData *DragListWidget::mimeData(const QList<QListWidgetItem *> items) const
{
    QMimeData *mime = QListWidget::mimeData(items);
    if (!mime)
        return mime;
    mime->setData(QLatin1String(kOriginMime), originTag(objectName()));
    QList<QUrl> urls;
    for (const QListWidgetItem *item : items) {
        const QString path = item ? item->data(FileRole).toString() : QString();
        if (!path.isEmpty())
            urls << QUrl::fromLocalFile(path);
    }
    if (!urls.isEmpty())
        mime->setUrls(urls);
    return mime;
}

Qt::DropActions DragListWidget::supportedDropActions() const
{
    return Qt::CopyAction;
}

bool DragListWidget::acceptsDrop(const QDropEvent *event) const
{
    const QObject *source = dropSource(event);
    if (source)
        return acceptsDropFrom(source);
    return fromOtherListHere(event->mimeData()) || !acceptedFiles(event->mimeData()).isEmpty();
}

// Drag data of another list of this process (the drag manager does not
// name the source, e.g. for a drag that went out of the window and came back).
bool DragListWidget::fromOtherListHere(const QMimeData *mime) const
{
    if (!mime || !mime->hasFormat(QLatin1String(kOriginMime)))
        return false;
    const QByteArray origin = mime->data(QLatin1String(kOriginMime));
    const QByteArray here = originTag(QString());
    return origin.startsWith(here) && origin != originTag(objectName());
}

QByteArray DragListWidget::originTag(const QString &listName)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + listName.toUtf8();
}

void DragListWidget::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptsDrop(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DragListWidget::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptsDrop(event)) {
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
    if (!acceptsDrop(event)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // End the drag state (auto-scroll, indicator) without inserting anything.
    QDragLeaveEvent leave;
    QListWidget::dragLeaveEvent(&leave);
    const int dst = rowAt(event->pos());
    if (dropSource(event) || fromOtherListHere(event->mimeData()))
        emit dragHappen(dst);
    else
        emit filesDropped(dst, acceptedFiles(event->mimeData()));
}
