#pragma once

#include <QPoint>
#include <QPushButton>
#include <QString>

// A chain button: shows a module's "on" or "off" image, can be selected
// (dynamic property "isSelected") and dragged along the chain. A press
// followed by a move shorter than the platform's start-drag distance is a
// click; a longer move is a drag and never a click.
class CustomButton : public QPushButton
{
    Q_OBJECT
public:
    static constexpr int kIconWidth = 51;
    static constexpr int kIconHeight = 75;

    CustomButton(const QString &onImage, const QString &offImage, QWidget *parent = nullptr);

    bool isSelect() const { return m_selected; }
    bool switchStatus() const { return m_switchStatus; }
    bool isDragging() const { return m_dragging; }
    QString onImage() const { return m_onImage; }
    QString offImage() const { return m_offImage; }

public slots:
    void setSelect(bool select);
    void setSwitchStatus(bool switchStatus);

signals:
    void switchStatusChanged(bool status);
    void drag_signal();
    void release_signal();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_dragging = false;
    bool m_selected = false;
    bool m_switchStatus = false;
    QString m_onImage;
    QString m_offImage;
    int m_pressX = 0;
    int m_pressY = 0;
};
