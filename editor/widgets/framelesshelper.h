#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QRect>

class QWidget;
class QRubberBand;

// Edge and corner of a point on a window's frame.
struct CursorPosCalculator
{
    bool onEdges = false;
    bool onLeftEdge = false;
    bool onRightEdge = false;
    bool onTopEdge = false;
    bool onBottomEdge = false;
    bool onTopLeftEdge = false;
    bool onBottomLeftEdge = false;
    bool onTopRightEdge = false;
    bool onBottomRightEdge = false;

    void reset();
    // `point` and `frame` in the same coordinates.
    void recalculate(const QPoint &point, const QRect &frame, int borderWidth);
};

// Moves and resizes frameless top-level widgets: a press within the title
// height drags the window, a press within the border width of an edge or a
// corner resizes it, the cursor shows the resize direction while hovering
// over the frame and a double click on the title bar toggles maximised and
// normal. Neither happens while the window is maximised or full screen.
// A press on the frame edges resizes even where a child widget covers the
// edge; a press in the title area moves only where no child takes it (title
// bar buttons keep working).
class FramelessHelper : public QObject
{
    Q_OBJECT
public:
    explicit FramelessHelper(QObject *parent = nullptr);
    ~FramelessHelper() override;

    void activateOn(QWidget *topLevelWidget);
    void removeFrom(QWidget *topLevelWidget);
    bool isActiveOn(QWidget *widget) const { return m_data.contains(widget); }

    // Process-wide: the title height (default 30) and border width (default 5).
    void setTitleHeight(int height);
    void setBorderWidth(int width);
    int titleHeight() const;
    int borderWidth() const;

    void setWidgetMovable(bool movable);
    void setWidgetResizable(bool resizable);
    void setRubberBandOnMove(bool enable);
    void setRubberBandOnResize(bool enable);
    bool widgetMovable() const { return m_movable; }
    bool widgetResizable() const { return m_resizable; }
    bool rubberBandOnMove() const { return m_rubberBandOnMove; }
    bool rubberBandOnResize() const { return m_rubberBandOnResize; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool childEvent(QWidget *child, QEvent *event);

    struct WidgetData;
    friend struct WidgetData;

    QHash<QWidget *, WidgetData *> m_data;
    bool m_movable = true;
    bool m_resizable = true;
    bool m_rubberBandOnMove = false;
    bool m_rubberBandOnResize = false;
};
