#pragma once

#include <QListWidget>
#include <QPersistentModelIndex>
#include <QPoint>

// A list whose rows can be dragged to another DragListWidget. A drop from
// another such list reports the target row with dragHappen (the items
// themselves are not moved or copied: the receiver decides what a drop
// means). Drops from the list itself or from outside the program are
// refused. A press with a button other than the left one marks the row under
// the pointer without selecting it.
class DragListWidget : public QListWidget
{
    Q_OBJECT
public:
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

signals:
    void dragHappen(int dst);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // Where the drag of an event comes from (the event's source).
    virtual const QObject *dropSource(const QDropEvent *event) const;

private:

    QPoint m_pressPos;
    QPersistentModelIndex m_marked;
};
