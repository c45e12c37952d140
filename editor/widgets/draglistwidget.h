#pragma once

#include <QListWidget>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QStringList>

class QMimeData;

// A list whose rows can be dragged to another DragListWidget. A drop from
// another such list reports the target row with dragHappen (the items
// themselves are not moved or copied: the receiver decides what a drop
// means). Drops from the list itself are refused; from outside the program
// (a desktop file manager) only local files with the accepted suffix are
// taken, reported with filesDropped.
//
// The drag data names the list it comes from (process and object name), so
// a drop knows its origin even when the drag manager cannot tell, and
// carries the file of every dragged item that has one (FileRole): dragged to
// a file manager, those files are copied there. A press with a button other than the left one marks the row under
// the pointer without selecting it.
class DragListWidget : public QListWidget
{
    Q_OBJECT
public:
    // Item data role holding the absolute path of the file a row stands for.
    static constexpr int FileRole = Qt::UserRole + 1;
    // Drag data naming the list a drag started in.
    static constexpr const char *kOriginMime = "application/x-kt900-list-origin";

    explicit DragListWidget(QWidget *parent = nullptr);

    int rowOf(const QListWidgetItem *item) const;
    int rowAt(const QPoint &point) const;
    QRect itemRect(const QListWidgetItem *item) const;

    QListWidgetItem *markedItem() const;
    int markedRow() const;
    // Sets the marked item's background (a colour name, "transparent" to
    // clear it) unless it is the current item.
    void setMarkedBackground(const QString &colorName);
    QPoint pressPosition() const { return m_pressPos; }

    // True when a drag started in `source` may be dropped here: another
    // DragListWidget, never this list and never something outside the
    // program (no source).
    bool acceptsDropFrom(const QObject *source) const;

    // Files from outside the program with this suffix ("tp", any letter
    // case) are accepted as drops; none by default.
    void setAcceptedFileSuffix(const QString &suffix) { m_fileSuffix = suffix; }
    QString acceptedFileSuffix() const { return m_fileSuffix; }
    // The local files of a drop that carry the accepted suffix, in the order
    // given; empty when the drop holds none (or no suffix is accepted).
    QStringList acceptedFiles(const QMimeData *mime) const;

signals:
    void dragHappen(int dst);
    // Files from outside the program were dropped on row dst (-1: below the
    // last row).
    void filesDropped(int dst, const QStringList &paths);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // Where the drag of an event comes from (the event's source).
    virtual const QObject *dropSource(const QDropEvent *event) const;
    QMimeData *mimeData(const QList<QListWidgetItem *> items) const override;
    // Rows are only ever copied: a file manager may not move a dragged file
    // away, and the list never loses rows to a drag.
    Qt::DropActions supportedDropActions() const override;

private:
    bool acceptsDrop(const QDropEvent *event) const;
    bool fromOtherListHere(const QMimeData *mime) const;
    static QByteArray originTag(const QString &listName);

    QString m_fileSuffix;
    QPoint m_pressPos;
    QPersistentModelIndex m_marked;
};
