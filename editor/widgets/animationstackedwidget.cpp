#include "animationstackedwidget.h"

#include <QLayout>
#include <QPainter>
#include <QVariantAnimation>

AnimationStackedWidget::AnimationStackedWidget(QWidget *parent)
    : QStackedWidget(parent)
{
    m_animation = new QVariantAnimation(this);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            &AnimationStackedWidget::valueChanged_slot);
    connect(m_animation, &QVariantAnimation::finished, this,
            &AnimationStackedWidget::animationFinished_slot);
}

void AnimationStackedWidget::setDuration(int milliseconds)
{
    m_duration = qMax(0, milliseconds);
}

bool AnimationStackedWidget::isAnimating() const
{
    return m_animation->state() == QAbstractAnimation::Running;
}

void AnimationStackedWidget::next()
{
    if (count() == 0)
        return;
    toIndex((currentIndex() + 1) % count());
}

void AnimationStackedWidget::forward()
{
    if (currentIndex() <= 0)
        return;
    toIndex(currentIndex() - 1);
}

QPixmap AnimationStackedWidget::pagePixmap(int index)
{
    QWidget *page = widget(index);
    if (!page)
        return QPixmap();
    page->resize(size());
    if (page->layout())
        page->layout()->activate();
    return page->grab();
}

void AnimationStackedWidget::toIndex(int index)
{
    if (isAnimating()) {
        m_animation->stop();
        animationFinished_slot();
    }
    if (index < 0 || index >= count() || index == currentIndex())
        return;

    m_from = currentIndex();
    m_target = index;
    m_forwardMove = m_from < index;
    m_fromPixmap = pagePixmap(m_from);
    m_toPixmap = pagePixmap(index);
    if (QWidget *current = currentWidget())
        current->hide();

    const int w = width();
    m_offset = m_forwardMove ? w : 0;
    m_animation->setDuration(m_duration);
    m_animation->setStartValue(m_forwardMove ? w : 0);
    m_animation->setEndValue(m_forwardMove ? 0 : w);
    m_animation->start();
    update();
}

void AnimationStackedWidget::valueChanged_slot(QVariant value)
{
    m_offset = value.toInt();
    update();
}

void AnimationStackedWidget::animationFinished_slot()
{
    if (m_target < 0)
        return;
    const int target = m_target;
    m_target = -1;
    m_from = -1;
    m_fromPixmap = QPixmap();
    m_toPixmap = QPixmap();
    setCurrentIndex(target);
    if (QWidget *page = widget(target))
        page->show();
    update();
    emit animationFinished();
}

void AnimationStackedWidget::paintEvent(QPaintEvent *event)
{
    if (m_target < 0) {
        QStackedWidget::paintEvent(event);
        return;
    }
    QPainter p(this);
    const int w = width();
    if (m_forwardMove) {
        // The new page enters from the right at x = offset (w .. 0).
        p.drawPixmap(m_offset - w, 0, m_fromPixmap);
        p.drawPixmap(m_offset, 0, m_toPixmap);
    } else {
        // The old page leaves to the right at x = offset (0 .. w).
        p.drawPixmap(m_offset, 0, m_fromPixmap);
        p.drawPixmap(m_offset - w, 0, m_toPixmap);
    }
}
