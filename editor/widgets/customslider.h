#pragma once

#include <QSlider>

// A horizontal slider whose handle jumps to the pointer: a left-button press,
// and every move with the left button held, set the position directly from
// the pointer's x instead of paging.
class CustomSlider : public QSlider
{
    Q_OBJECT
public:
    explicit CustomSlider(QWidget *parent = nullptr);
    explicit CustomSlider(Qt::Orientation orientation, QWidget *parent = nullptr);

    // The position a pointer at x (widget coordinates) selects.
    int positionForX(int x) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void jumpTo(int x);
    bool m_tracking = false;
};
