#include "sendcoalescer.h"

#include <QTimer>

SendCoalescer::SendCoalescer(QObject *parent)
    : QObject(parent)
{
    for (int k = 0; k < KindCount; ++k) {
        auto *timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(kDelayMs);
        connect(timer, &QTimer::timeout, this, [this, k]() { fire(static_cast<Kind>(k)); });
        m_timers[static_cast<std::size_t>(k)] = timer;
    }
}

SendCoalescer::~SendCoalescer() = default;

void SendCoalescer::setHandler(Kind kind, std::function<void()> handler)
{
    if (kind >= 0 && kind < KindCount)
        m_handlers[static_cast<std::size_t>(kind)] = std::move(handler);
}

bool SendCoalescer::request(Kind kind)
{
    if (kind < 0 || kind >= KindCount)
        return false;
    const auto k = static_cast<std::size_t>(kind);
    if (m_pending[k])
        return false;
    m_pending[k] = true;
    m_timers[k]->start();
    return true;
}

bool SendCoalescer::isPending(Kind kind) const
{
    return kind >= 0 && kind < KindCount && m_pending[static_cast<std::size_t>(kind)];
}

void SendCoalescer::fire(Kind kind)
{
    const auto k = static_cast<std::size_t>(kind);
    if (!m_pending[k])
        return;
    m_pending[k] = false;
    m_timers[k]->stop();
    if (m_handlers[k])
        m_handlers[k]();
    emit sent(kind);
}

void SendCoalescer::flush()
{
    for (int k = 0; k < KindCount; ++k)
        fire(static_cast<Kind>(k));
}

void SendCoalescer::cancelAll()
{
    for (int k = 0; k < KindCount; ++k) {
        m_pending[static_cast<std::size_t>(k)] = false;
        m_timers[static_cast<std::size_t>(k)]->stop();
    }
}

QTimer *SendCoalescer::timer(Kind kind) const
{
    return (kind >= 0 && kind < KindCount) ? m_timers[static_cast<std::size_t>(kind)] : nullptr;
}
