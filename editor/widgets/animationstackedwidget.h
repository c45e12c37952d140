#pragma once

#include <QPixmap>
#include <QStackedWidget>
#include <QVariant>

class QVariantAnimation;

// A stacked widget that slides between pages: the new page comes in from the
// right when moving to a higher index and from the left when moving back.
class AnimationStackedWidget : public QStackedWidget
{
    Q_OBJECT
public:
    explicit AnimationStackedWidget(QWidget *parent = nullptr);

    void setDuration(int milliseconds);
    int duration() const { return m_duration; }
    bool isAnimating() const;
    int targetIndex() const { return m_target; }

public slots:
    void next();
    void forward();
    void toIndex(int index);
    void animationFinished_slot();
    void valueChanged_slot(QVariant value);

signals:
    void animationFinished();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap pagePixmap(int index);

    int m_duration = 500;
    int m_target = -1;
    int m_from = -1;
    int m_offset = 0;
    bool m_forwardMove = true;
    QPixmap m_fromPixmap;
    QPixmap m_toPixmap;
    QVariantAnimation *m_animation = nullptr;
};
