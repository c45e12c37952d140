#pragma once

// The update window's state and behaviour, without any window system: which
// region the pointer is over, what a click does, how a status message changes
// the state, and what is painted in which order. A backend (Qt here) feeds it
// pointer events and status messages and draws the paint list it returns.

#include <QPoint>
#include <QRect>
#include <QString>
#include <QVector>

class WindowModel
{
public:
    enum Outcome { Running = 0, Succeeded = 1, Failed = 2 };
    enum Region { None = 0, UpdateButton = 1, CloseButton = 2 };
    enum class Click { Nothing, StartUpdate, Close };
    enum Image { Background = 0, ButtonImage = 1, ButtonPressedImage = 2, CloseHighlight = 3 };

    // Fixed positions in background-image coordinates.
    static constexpr int kTextCentreX = 200;
    static constexpr int kTextTop = 115;
    static QRect updateButtonRect() { return QRect(QPoint(160, 153), QPoint(241, 179)); }
    static QRect closeButtonRect() { return QRect(QPoint(385, 2), QPoint(396, 15)); }
    static QPoint closeHighlightPos() { return QPoint(385, 2); }
    static QRect progressBarRect() { return QRect(32, 64, 337, 40); }
    static constexpr int kProgressMin = 0;
    static constexpr int kProgressMax = 100;

    // One drawing step.
    struct PaintOp
    {
        enum Kind { DrawImage, DrawText } kind;
        Image image;  // DrawImage
        QPoint pos;   // image: top-left; text: centre x, top y
        QString text; // DrawText
    };

    static Region regionAt(const QPoint &p);

    // Pointer moved to p.
    void mouseMove(const QPoint &p);

    // Left button pressed at p (after the backend has begun the caption drag).
    Click leftButtonDown(const QPoint &p);

    // Status message from the update thread. Returns the value the progress
    // bar must be set to, or -1 when the bar stays as it is.
    int statusMessage(int code, int value);

    // What to paint, in order.
    QVector<PaintOp> paintList() const;

    // The text shown for a status code ("update error [ %d ]" takes the value).
    static QString statusText(int code, int value);

    bool started() const { return m_started; }
    bool finished() const { return m_finished; }
    Outcome outcome() const { return m_outcome; }
    int progress() const { return m_progress; }
    QString text() const { return m_text; }
    Region hover() const { return m_hover; }

    // A window close is allowed unless an update is running: closing then
    // would leave the unit half-written.
    bool mayClose() const { return !m_started || m_finished; }

private:
    bool m_started = false;
    bool m_finished = false;
    Outcome m_outcome = Running;
    int m_progress = 0;
    QString m_text;
    Region m_hover = None;
};
