#include "customslider.h"

#include <QMouseEvent>

#include <cmath>

CustomSlider::CustomSlider(QWidget *parent)
    : CustomSlider(Qt::Horizontal, parent)
{
}

CustomSlider::CustomSlider(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent)
{
}

int CustomSlider::positionForX(int x) const
{
    // The usable length leaves room for the handle; a slider narrower than
    // the handle maps every x to the minimum rather than dividing by zero.
    const int span = width() - 9;
    if (span <= 0)
        return minimum();
    const double pos = minimum() + double(x) / double(span) * double(maximum() - minimum());
    const long rounded = std::lround(pos);
    if (rounded < minimum())
        return minimum();
    if (rounded > maximum())
        return maximum();
    return int(rounded);
}

void CustomSlider::jumpTo(int x)
{
    const int pos = positionForX(x);
    if (pos != value()) {
        setSliderPosition(pos);
        // setSliderPosition only emits valueChanged while tracking is on;
        // make the value follow in every case.
        if (!hasTracking())
            setValue(pos);
    }
}

void CustomSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && isEnabled()) {
        m_tracking = true;
        setSliderDown(true);
        jumpTo(event->pos().x());
        event->accept();
        return;
    }
    QSlider::mousePressEvent(event);
}

void CustomSlider::mouseMoveEvent(QMouseEvent *event)
{
    if ((event->buttons() & Qt::LeftButton) && m_tracking) {
        jumpTo(event->pos().x());
        event->accept();
        return;
    }
    QSlider::mouseMoveEvent(event);
}

void CustomSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_tracking) {
        m_tracking = false;
        setSliderDown(false);
        event->accept();
        return;
    }
    QSlider::mouseReleaseEvent(event);
}
