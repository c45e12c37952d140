#pragma once

// Sending items that the unit acknowledges one by one (the chunks of a slot
// upload, a preset record), driven by the acknowledgements themselves:
//
//   send item i -> wait for its Ack (sub-kind, slot, chunk) -> send item i+1
//   no Ack within the time-out -> send item i once more -> a second miss fails
//   a write error, a disconnection or abandon() -> fails at once
//
// Nothing polls: the dispatch of an Ack calls onAck(), a single-shot timer
// calls the time-out, the receive loop's end calls onDisconnect(). finished()
// is emitted once with the outcome; a caller that needs the answer at once
// waits for it in one local event loop (see usbReceiveThread).
//
// AckWait is the same for a condition on the store instead of an Ack: it is
// checked after every dispatched frame and when the unit disconnects.

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <functional>
#include <vector>

class AckedTransfer : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAny = -1;

    struct Item
    {
        QByteArray payload;     // the request payload, written as one frame
        int subKind = kAny;     // the Ack that completes it; kAny matches any
        int slot = kAny;
        int chunk = kAny;
        bool preAcked = false;  // complete once written, without an Ack
    };
    enum class State { Idle, Waiting, Done, Failed };
    // Writes one payload; < 0 on a write error.
    using Writer = std::function<int(const QByteArray &payload)>;

    AckedTransfer(Writer writer, int ackTimeoutMs, int sendAttempts, QObject *parent = nullptr);

    // Sends the first item (an empty list finishes at once, successfully).
    void start(std::vector<Item> items);
    // An Ack for a DataTransfer item arrived.
    void onAck(int subKind, int slot, int chunk);
    // The unit is gone, or the link is being torn down: fail now.
    void onDisconnect();
    void abandon() { onDisconnect(); }

    State state() const { return m_state; }
    bool isFinished() const { return m_state == State::Done || m_state == State::Failed; }
    // Items written again because their Ack did not come.
    int resends() const { return m_resends; }
    // Index of the item in flight (or the one that failed).
    int current() const { return m_index; }

signals:
    void finished(bool ok);

private:
    void sendCurrent();
    void onTimeout();
    void finish(bool ok);

    Writer m_writer;
    int m_sendAttempts;
    std::vector<Item> m_items;
    std::size_t m_index = 0;
    int m_attempt = 0;
    int m_resends = 0;
    State m_state = State::Idle;
    QTimer m_timer;
};

class AckWait : public QObject
{
    Q_OBJECT

public:
    enum class Result { Pending, Done, TimedOut };

    // done is checked at once, after every wake() and at the time-out.
    AckWait(std::function<bool()> done, int timeoutMs, QObject *parent = nullptr);

    void start();
    // Something arrived (or the unit disconnected, when gone is true): check
    // the condition again; a disconnection ends the wait.
    void wake(bool gone = false);
    Result result() const { return m_result; }

signals:
    void finished();

private:
    void finish(Result r);

    std::function<bool()> m_done;
    int m_timeoutMs;
    Result m_result = Result::Pending;
    QTimer m_timer;
};
