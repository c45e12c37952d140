#include "ackedtransfer.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcTransfer, "kt900.device.transfer")

AckedTransfer::AckedTransfer(Writer writer, int ackTimeoutMs, int sendAttempts, QObject *parent)
    : QObject(parent)
    , m_writer(std::move(writer))
    , m_sendAttempts(sendAttempts < 1 ? 1 : sendAttempts)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer); // a time-out never ends early
    m_timer.setInterval(ackTimeoutMs < 0 ? 0 : ackTimeoutMs);
    connect(&m_timer, &QTimer::timeout, this, &AckedTransfer::onTimeout);
}

void AckedTransfer::start(std::vector<Item> items)
{
    if (m_state != State::Idle)
        return;
    m_items = std::move(items);
    m_index = 0;
    m_attempt = 0;
    m_state = State::Waiting;
    if (m_items.empty())
        finish(true);
    else
        sendCurrent();
}

void AckedTransfer::sendCurrent()
{
    // Writing an item again is harmless: the unit stores the same bytes.
    for (;;) {
        const Item &item = m_items[m_index];
        if (!m_writer || m_writer(item.payload) < 0) {
            qCWarning(lcTransfer) << "item" << m_index << "could not be written";
            finish(false);
            return;
        }
        if (m_state != State::Waiting)
            return; // the write ended the transfer (a disconnection)
        if (!item.preAcked || m_attempt > 0)
            break;
        if (++m_index == m_items.size()) {
            finish(true);
            return;
        }
    }
    m_timer.start();
}

void AckedTransfer::onAck(int subKind, int slot, int chunk)
{
    if (m_state != State::Waiting)
        return;
    const Item &item = m_items[m_index];
    auto matches = [](int want, int got) { return want == kAny || want == got; };
    if (!matches(item.subKind, subKind) || !matches(item.slot, slot) || !matches(item.chunk, chunk))
        return; // a late or duplicated Ack of an earlier item, or another transfer's
    m_timer.stop();
    m_attempt = 0;
    if (++m_index == m_items.size()) {
        finish(true);
        return;
    }
    sendCurrent();
}

void AckedTransfer::onTimeout()
{
    if (m_state != State::Waiting)
        return;
    const Item &item = m_items[m_index];
    if (++m_attempt >= m_sendAttempts) {
        qCWarning(lcTransfer) << "chunk" << item.chunk << "of kind" << item.subKind << "slot" << item.slot
                              << "not acknowledged";
        finish(false);
        return;
    }
    qCInfo(lcTransfer) << "chunk" << item.chunk << "of kind" << item.subKind << "slot" << item.slot
                       << "not acknowledged; sending it again";
    ++m_resends;
    sendCurrent();
}

void AckedTransfer::onDisconnect()
{
    if (m_state == State::Waiting || m_state == State::Idle)
        finish(false);
}

void AckedTransfer::finish(bool ok)
{
    m_timer.stop();
    m_state = ok ? State::Done : State::Failed;
    emit finished(ok);
}

AckWait::AckWait(std::function<bool()> done, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_done(std::move(done))
    , m_timeoutMs(timeoutMs < 0 ? 0 : timeoutMs)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer); // a time-out never ends early
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_result == Result::Pending)
            finish(m_done() ? Result::Done : Result::TimedOut);
    });
}

void AckWait::start()
{
    if (m_result != Result::Pending)
        return;
    if (m_done()) {
        finish(Result::Done);
        return;
    }
    m_timer.start(m_timeoutMs);
}

void AckWait::wake(bool gone)
{
    if (m_result != Result::Pending)
        return;
    if (m_done())
        finish(Result::Done);
    else if (gone)
        finish(Result::TimedOut);
}

void AckWait::finish(Result r)
{
    m_timer.stop();
    m_result = r;
    emit finished();
}
