#include "framelesshelper.h"

#include <QApplication>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWidget>

namespace {
int g_titleHeight = 30;
int g_borderWidth = 5;
} // namespace

void CursorPosCalculator::reset()
{
    *this = CursorPosCalculator();
}

void CursorPosCalculator::recalculate(const QPoint &point, const QRect &frame, int borderWidth)
{
    const int x = point.x();
    const int y = point.y();
    const bool inside = frame.adjusted(-borderWidth, -borderWidth, borderWidth, borderWidth)
                            .contains(point);
    onLeftEdge = inside && x >= frame.left() && x <= frame.left() + borderWidth;
    onRightEdge = inside && x <= frame.right() && x >= frame.right() - borderWidth;
    onTopEdge = inside && y >= frame.top() && y <= frame.top() + borderWidth;
    onBottomEdge = inside && y <= frame.bottom() && y >= frame.bottom() - borderWidth;
    onTopLeftEdge = onTopEdge && onLeftEdge;
    onBottomLeftEdge = onBottomEdge && onLeftEdge;
    onTopRightEdge = onTopEdge && onRightEdge;
    onBottomRightEdge = onBottomEdge && onRightEdge;
    onEdges = onLeftEdge || onRightEdge || onTopEdge || onBottomEdge;
}

struct FramelessHelper::WidgetData
{
    WidgetData(FramelessHelper *helper, QWidget *widget)
        : helper(helper)
        , widget(widget)
    {
        widget->setMouseTracking(true);
        widget->setAttribute(Qt::WA_Hover, true);
    }
    ~WidgetData()
    {
        delete rubberBand;
        if (widget) {
            widget->setMouseTracking(false);
            widget->setAttribute(Qt::WA_Hover, false);
            if (cursorChanged)
                widget->unsetCursor();
        }
    }

    bool frozen() const { return widget->isMaximized() || widget->isFullScreen(); }

    void updateCursor(const QPoint &local)
    {
        if (frozen()) {
            if (cursorChanged) {
                widget->unsetCursor();
                cursorChanged = false;
            }
            return;
        }
        moveCalc.recalculate(local, widget->rect(), g_borderWidth);
        Qt::CursorShape shape = Qt::ArrowCursor;
        bool set = helper->m_resizable;
        if (moveCalc.onTopLeftEdge || moveCalc.onBottomRightEdge)
            shape = Qt::SizeFDiagCursor;
        else if (moveCalc.onTopRightEdge || moveCalc.onBottomLeftEdge)
            shape = Qt::SizeBDiagCursor;
        else if (moveCalc.onLeftEdge || moveCalc.onRightEdge)
            shape = Qt::SizeHorCursor;
        else if (moveCalc.onTopEdge || moveCalc.onBottomEdge)
            shape = Qt::SizeVerCursor;
        else
            set = false;
        if (set) {
            widget->setCursor(shape);
            cursorChanged = true;
        } else if (cursorChanged) {
            widget->unsetCursor();
            cursorChanged = false;
        }
    }

    QRubberBand *band()
    {
        if (!rubberBand)
            rubberBand = new QRubberBand(QRubberBand::Rectangle);
        return rubberBand;
    }

    // `local` in the window's coordinates. With `edgesOnly` (a press that
    // reached a child first) only a press on the frame edges is taken.
    bool press(Qt::MouseButton button, const QPoint &local, const QPoint &global, bool edgesOnly)
    {
        if (button != Qt::LeftButton)
            return false;
        if (frozen())
            return false;
        CursorPosCalculator calc;
        calc.recalculate(local, widget->rect(), g_borderWidth);
        const bool resize = calc.onEdges && helper->m_resizable;
        const bool move = !resize && !edgesOnly && local.y() < g_titleHeight && helper->m_movable;
        if (!resize && !move)
            return false;
        pressCalc = calc;
        pressGlobal = global;
        pressGeometry = widget->geometry();
        pressFrameOffset = global - widget->frameGeometry().topLeft();
        resizing = resize;
        moving = move;
        const bool useBand = resizing ? helper->m_rubberBandOnResize : helper->m_rubberBandOnMove;
        if (useBand) {
            band()->setGeometry(widget->geometry());
            band()->show();
        }
        return true;
    }

    QRect resizedGeometry(const QPoint &global) const
    {
        QRect r = pressGeometry;
        const QPoint d = global - pressGlobal;
        const QSize minSize = widget->minimumSize().expandedTo(QSize(1, 1));
        if (pressCalc.onLeftEdge) {
            const int left = qMin(r.left() + d.x(), r.right() - minSize.width() + 1);
            r.setLeft(left);
        }
        if (pressCalc.onRightEdge)
            r.setWidth(qMax(minSize.width(), pressGeometry.width() + d.x()));
        if (pressCalc.onTopEdge) {
            const int top = qMin(r.top() + d.y(), r.bottom() - minSize.height() + 1);
            r.setTop(top);
        }
        if (pressCalc.onBottomEdge)
            r.setHeight(qMax(minSize.height(), pressGeometry.height() + d.y()));
        const QSize maxSize = widget->maximumSize();
        if (r.width() > maxSize.width()) {
            if (pressCalc.onLeftEdge)
                r.setLeft(r.right() - maxSize.width() + 1);
            else
                r.setWidth(maxSize.width());
        }
        if (r.height() > maxSize.height()) {
            if (pressCalc.onTopEdge)
                r.setTop(r.bottom() - maxSize.height() + 1);
            else
                r.setHeight(maxSize.height());
        }
        return r;
    }

    bool move(Qt::MouseButtons buttons, const QPoint &global)
    {
        if (!(buttons & Qt::LeftButton) || (!resizing && !moving))
            return false;
        if (resizing) {
            const QRect r = resizedGeometry(global);
            if (helper->m_rubberBandOnResize)
                band()->setGeometry(r);
            else
                widget->setGeometry(r);
        } else {
            const QPoint topLeft = global - pressFrameOffset;
            if (helper->m_rubberBandOnMove) {
                QRect r = widget->geometry();
                r.moveTopLeft(topLeft + (widget->geometry().topLeft() - widget->frameGeometry().topLeft()));
                band()->setGeometry(r);
            } else {
                widget->move(topLeft);
            }
        }
        return true;
    }

    bool release(Qt::MouseButton button)
    {
        if (button != Qt::LeftButton || (!resizing && !moving))
            return false;
        if (rubberBand && rubberBand->isVisible()) {
            rubberBand->hide();
            widget->setGeometry(rubberBand->geometry());
        }
        resizing = false;
        moving = false;
        pressCalc.reset();
        return true;
    }

    FramelessHelper *helper;
    QWidget *widget;
    QRubberBand *rubberBand = nullptr;
    CursorPosCalculator pressCalc;
    CursorPosCalculator moveCalc;
    QPoint pressGlobal;
    QPoint pressFrameOffset;
    QRect pressGeometry;
    bool resizing = false;
    bool moving = false;
    bool cursorChanged = false;
};

FramelessHelper::FramelessHelper(QObject *parent)
    : QObject(parent)
{
}

FramelessHelper::~FramelessHelper()
{
    const auto widgets = m_data.keys();
    for (QWidget *w : widgets)
        removeFrom(w);
}

void FramelessHelper::activateOn(QWidget *topLevelWidget)
{
    if (!topLevelWidget || m_data.contains(topLevelWidget))
        return;
    // One application-wide filter sees the window's own events and those of
    // its children (presses on the edges that land on a child).
    if (m_data.isEmpty())
        qApp->installEventFilter(this);
    m_data.insert(topLevelWidget, new WidgetData(this, topLevelWidget));
    connect(topLevelWidget, &QObject::destroyed, this, [this](QObject *obj) {
        WidgetData *d = m_data.take(static_cast<QWidget *>(obj));
        if (d) {
            d->widget = nullptr;
            delete d;
        }
        if (m_data.isEmpty())
            qApp->removeEventFilter(this);
    });
}

void FramelessHelper::removeFrom(QWidget *topLevelWidget)
{
    WidgetData *d = m_data.take(topLevelWidget);
    if (!d)
        return;
    disconnect(topLevelWidget, &QObject::destroyed, this, nullptr);
    delete d;
    if (m_data.isEmpty())
        qApp->removeEventFilter(this);
}

void FramelessHelper::setTitleHeight(int height)
{
    if (height > 0)
        g_titleHeight = height;
}

void FramelessHelper::setBorderWidth(int width)
{
    if (width > 0)
        g_borderWidth = width;
}

int FramelessHelper::titleHeight() const
{
    return g_titleHeight;
}

int FramelessHelper::borderWidth() const
{
    return g_borderWidth;
}

void FramelessHelper::setWidgetMovable(bool movable)
{
    m_movable = movable;
}

void FramelessHelper::setWidgetResizable(bool resizable)
{
    m_resizable = resizable;
}

void FramelessHelper::setRubberBandOnMove(bool enable)
{
    m_rubberBandOnMove = enable;
}

void FramelessHelper::setRubberBandOnResize(bool enable)
{
    m_rubberBandOnResize = enable;
}

bool FramelessHelper::childEvent(QWidget *child, QEvent *event)
{
    // Events of the children of an attached window: a press on the window's
    // frame edge is taken for resizing even when a child covers the edge, and
    // the moves and the release of that resize, which go to the child
    // holding the mouse, are followed.
    QWidget *top = child->window();
    WidgetData *d = m_data.value(top);
    if (!d || top == child)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        return d->press(me->button(), top->mapFromGlobal(me->globalPos()), me->globalPos(), true);
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        return d->resizing && d->move(me->buttons(), me->globalPos());
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        return d->resizing && d->release(me->button());
    }
    default:
        return false;
    }
}

bool FramelessHelper::eventFilter(QObject *watched, QEvent *event)
{
    if (!watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    auto *widget = static_cast<QWidget *>(watched);
    WidgetData *d = m_data.value(widget);
    if (!d) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            if (childEvent(widget, event))
                return true;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

    switch (event->type()) {
    case QEvent::HoverMove: {
        if (!d->resizing && !d->moving)
            d->updateCursor(static_cast<QHoverEvent *>(event)->pos());
        break;
    }
    case QEvent::Leave:
    case QEvent::HoverLeave:
        if (!d->resizing && d->cursorChanged) {
            widget->unsetCursor();
            d->cursorChanged = false;
        }
        break;
    case QEvent::MouseButtonPress: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (d->press(me->button(), me->pos(), me->globalPos(), false))
            return true;
        break;
    }
    case QEvent::MouseMove: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (d->move(me->buttons(), me->globalPos()))
            return true;
        break;
    }
    case QEvent::MouseButtonRelease:
        if (d->release(static_cast<QMouseEvent *>(event)->button()))
            return true;
        break;
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && me->pos().y() < g_titleHeight && !widget->isFullScreen()) {
            if (widget->isMaximized())
                widget->showNormal();
            else
                widget->showMaximized();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
