#pragma once

// The editor's connection to the unit over its whole life: opening the unit
// at its bus address, the receive loop in its worker thread, the start-up
// requests (EditorAttach and RequestSync, asked once more when no data came
// within the retry interval), the end of the download (SyncDone), and the
// shutdown when the window closes or the unit disappears: pending edits
// still go out, then the loop stops, the thread ends, the device closes and
// the receive object goes, in that order.

#include "unitlink.h"
#include "unittransport.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

class QTimer;
class QWidget;
class SendCoalescer;

class EditorSession : public QObject
{
    Q_OBJECT

public:
    enum class State { NotShown, Loading, Ready };
    static constexpr int kStartupRetryMs = 10000;
    static constexpr int kRefusalMessageMs = 2000;
    // Whole downloads at most when frames of one arrive damaged.
    static constexpr int kDownloadAttempts = 3;
    // Longest wait for the receive loop to end when the connection closes.
    static constexpr int kStopDeadlineMs = 2000;

    // `window` parents the messages; `coalescer` holds the edits that are
    // still to go out when the window closes. `connection` is how the unit
    // is reached (MyLibusb when null).
    EditorSession(QWidget *window, SendCoalescer &coalescer, std::unique_ptr<UnitConnection> connection = nullptr);
    ~EditorSession() override;

    // Delay of the one repetition of the start-up requests (default 10 s),
    // for sessions that start after the call.
    static void setStartupRetryInterval(int ms);
    static int startupRetryInterval();

    // Opens the unit at its bus address (on that bus when busNumber is 0 or
    // more) and starts the receive loop; false when the unit cannot be opened
    // (unitInUse() tells whether another program holds it).
    bool open(quint8 address, int busNumber = -1);
    bool unitInUse() const { return m_inUse; }
    // Sends the start-up requests and arms their one retry.
    void start();
    // The unit reported the end of its download.
    void syncDone();
    // Ends the connection (see above). With `unitGone` the user is told
    // the unit disappeared; either way the program then quits, unless the
    // window is being destroyed.
    void close(bool unitGone);
    // The window is going: close without a message or a quit.
    void closeForDestruction();

    // Tells the user `message` and posts a quit with exitCode (the start-up
    // failed). With a non-zero code the message closes itself.
    void fail(const QString &message, int exitCode = 0);
    // How the program ends (the event loop's exit). Tests replace it.
    void setQuitHandler(std::function<void(int)> handler);
    void quit(int code);

    State state() const { return m_state; }
    quint8 address() const { return m_address; }
    UnitLink &link() { return m_link; }
    const UnitLink &link() const { return m_link; }
    usbReceiveThread *receiver() const { return m_recv; }

signals:
    // The start-up requests went out again: the progress starts over.
    void retrying();
    // The unit's data is in (each SyncDone, the first makes the link live).
    void loaded();

private:
    void retry();

    QWidget *m_window;
    SendCoalescer &m_coalescer;
    UnitLink m_link;
    // Owned; left behind (never deleted) when the receive loop is stuck in a
    // transfer at close, so that nothing it uses goes away under it.
    std::unique_ptr<UnitConnection> m_usb;
    QThread *m_thread;
    usbReceiveThread *m_recv = nullptr;
    QTimer *m_retry = nullptr;
    quint8 m_address = 0;
    State m_state = State::NotShown;
    bool m_retried = false;
    bool m_destroying = false;
    bool m_inUse = false;
    int m_downloads = 0;   // downloads asked for again
    std::function<void(int)> m_quit;
};
