#pragma once

// The main window's title bar: the device name image and the minimise,
// maximise, restore and close buttons.

#include <QWidget>

class QLabel;
class QPushButton;

class TitleBar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kHeight = 40;

    explicit TitleBar(QWidget *parent = nullptr);

    // Shows "title_max" for a normal window, "title_maxToNormal" for a
    // maximised one.
    void setMaximized(bool maximized);

    QLabel *deviceName() const { return m_name; }
    QPushButton *minimizeButton() const { return m_min; }
    QPushButton *maximizeButton() const { return m_max; }
    QPushButton *restoreButton() const { return m_restore; }
    QPushButton *closeButton() const { return m_close; }

signals:
    void minimizeRequested();
    void maximizeRequested();
    void restoreRequested();
    void closeRequested();

private:
    QLabel *m_name = nullptr;
    QPushButton *m_min = nullptr;
    QPushButton *m_max = nullptr;
    QPushButton *m_restore = nullptr;
    QPushButton *m_close = nullptr;
};
