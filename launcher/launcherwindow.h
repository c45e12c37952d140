#pragma once

// The update window on Qt: a frameless skinned window of the background's
// size, repainted every 20 ms, with the progress bar at (32, 64, 337 x 40).
// All behaviour lives in WindowModel; this class only turns Qt events into
// model calls and paints the model's paint list. The update threads reach it
// through posted StatusEvents carrying the code and value of message 0x408.

#include "updatesession.h"
#include "windowmodel.h"

#include <QEvent>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <memory>
#include <mutex>

class QProgressBar;
class QTimer;

// Status message 0x408 as a posted event. Made in a worker thread, used and
// deleted in the window thread: both sides take handoffMutex() around the
// event's memory, which makes the hand-over explicit (Qt's own queue ordering
// is invisible to the thread checker).
class StatusEvent : public QEvent
{
public:
    static QEvent::Type eventType();
    // A new event, ready for QCoreApplication::postEvent from any thread.
    static StatusEvent *create(int code, int value);
    static std::mutex &handoffMutex();

    int code() const { return m_code; }
    int value() const { return m_value; }

private:
    StatusEvent(int code, int value);
    int m_code;
    int m_value;
};

class LauncherWindow : public QWidget
{
    Q_OBJECT
public:
    LauncherWindow(UnitTransport &transport, UpdateSession::Config config,
                   const QString &imageDir, QWidget *parent = nullptr);
    ~LauncherWindow() override;

    const WindowModel &model() const { return m_model; }
    QProgressBar *progressBar() const { return m_progress; }
    bool updateStarted() const { return m_session != nullptr; }
    int sessionsStarted() const { return m_sessionsStarted; }

    static QFont textFont();

protected:
    void customEvent(QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void showEvent(QShowEvent *e) override;

private:
    void startUpdate();
    void finish();

    UnitTransport &m_transport;
    UpdateSession::Config m_config;
    WindowModel m_model;
    QImage m_images[4];
    QProgressBar *m_progress = nullptr;
    QTimer *m_repaint = nullptr;
    std::unique_ptr<UpdateSession> m_session;
    int m_sessionsStarted = 0;
    bool m_dragging = false;
    QPoint m_dragOffset;
    bool m_placed = false;
    bool m_shutDown = false;
};
