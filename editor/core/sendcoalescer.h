#pragma once

// Coalesced sending of the editor's outgoing edits: each kind of edit has a
// send-pending flag and a 100 ms single-shot precise timer. The first edit
// of a kind sets the flag and starts the timer; further edits within the
// window only change the model; when the timer fires the flag is cleared
// and the kind's handler sends what the model holds then. A burst of edits
// therefore sends at most one request (group) per kind per 100 ms, always
// with the latest values.

#include <QObject>

#include <array>
#include <functional>

class QTimer;

class SendCoalescer : public QObject
{
    Q_OBJECT

public:
    enum Kind {
        Midi,
        ToneCapture,
        GlobalEq,
        Ctrl,
        System,
        Exp,
        ModuleParams,
        ModuleType,
        KindCount
    };
    static constexpr int kDelayMs = 100;

    explicit SendCoalescer(QObject *parent = nullptr);
    ~SendCoalescer() override;

    // The handler runs when the kind's window closes (flag already cleared).
    void setHandler(Kind kind, std::function<void()> handler);

    // Sets the kind's flag and starts its timer unless a window is already
    // open. True when this call opened the window.
    bool request(Kind kind);
    bool isPending(Kind kind) const;
    // Closes every open window now, running the handlers in kind order
    // (used before the connection goes away, so no edit is lost).
    void flush();
    // Drops every open window without sending.
    void cancelAll();

    QTimer *timer(Kind kind) const;

signals:
    // After a kind's handler ran.
    void sent(int kind);

private:
    void fire(Kind kind);

    std::array<QTimer *, KindCount> m_timers{};
    std::array<bool, KindCount> m_pending{};
    std::array<std::function<void()>, KindCount> m_handlers;
};
