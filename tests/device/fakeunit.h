#pragma once

// An in-process stand-in for the unit behind the transport interface: every
// frame written is recorded (and may be answered by a responder), and reads
// return queued 64-byte reports, optionally not before a given delay, or -1
// once the unit is "unplugged". closeDevice() is only counted: the fake stays
// usable. Thread-safe: a test may read in a worker thread while the GUI
// thread writes.

#include "frame.h"
#include "unittransport.h"

#include <QByteArray>
#include <QList>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>

class FakeUnit : public UnitTransport
{
public:
    using Clock = std::chrono::steady_clock;

    // Called (in the writing thread) with each frame after it was recorded.
    std::function<void(const QByteArray &frame)> responder;

    bool isOpen() const override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return !m_unplugged;
    }
    int readSize() const override { return blocks() ? 512 : 64; }
    bool hasCountByte() const override { return !blocks(); }
    // Makes the fake a bulk transport: 512-byte blocks without count byte.
    void setBlockTransport(bool on)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_blocks = on;
    }
    bool blocks() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_blocks;
    }
    void closeDevice() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_closes;
    }
    int closes() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closes;
    }

    bool write(const std::uint8_t *bytes, int length, int /*timeoutMs*/) override
    {
        if (length < 0 || (length > 0 && !bytes))
            return false;
        const QByteArray frame(reinterpret_cast<const char *>(bytes), length);
        std::function<void(const QByteArray &)> respond;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_failWrites)
                return false;
            m_written.append(frame);
            respond = responder;
        }
        if (respond)
            respond(frame);
        return true;
    }

    int read(std::uint8_t *buffer64, int timeoutMs) override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_reads;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (m_unplugged)
                return -1;
            if (m_interrupt) {
                m_interrupt = false;
                return 0;
            }
            if (!m_reports.empty() && m_reports.front().due <= Clock::now()) {
                const QByteArray r = m_reports.front().bytes;
                m_reports.pop_front();
                std::memcpy(buffer64, r.constData(), static_cast<std::size_t>(r.size()));
                return r.size();
            }
            auto wakeAt = deadline;
            if (!m_reports.empty() && m_reports.front().due < wakeAt)
                wakeAt = m_reports.front().due;
            if (Clock::now() >= deadline)
                return 0;
            m_cond.wait_until(lock, wakeAt);
        }
    }

    // One raw report (at most readSize() bytes) as the read returns it.
    void queueReport(const QByteArray &report, int delayMs = 0)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back({report.left(m_blocks ? 512 : 64), Clock::now() + std::chrono::milliseconds(delayMs)});
        m_cond.notify_all();
    }

    // Stream bytes cut into full 64-byte reports: count byte, 63 bytes, the
    // last one zero-padded (padding enters the stream like the unit's).
    void queueStream(const QByteArray &bytes, int delayMs = 0)
    {
        for (int pos = 0; pos < bytes.size(); pos += 63) {
            const QByteArray piece = bytes.mid(pos, 63);
            QByteArray report(64, '\0');
            report[0] = static_cast<char>(piece.size());
            std::memcpy(report.data() + 1, piece.constData(), static_cast<std::size_t>(piece.size()));
            queueReport(report, delayMs);
        }
    }

    void queueFrame(const QByteArray &payload, int delayMs = 0) { queueStream(Frame::build(payload), delayMs); }

    void unplug()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_unplugged = true;
        m_cond.notify_all();
    }

    // Ends a read in progress (or the next one) at once with a time-out.
    void interruptRead()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_interrupt = true;
        m_cond.notify_all();
    }

    void setFailWrites(bool fail)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failWrites = fail;
    }

    QList<QByteArray> written() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_written;
    }

    // Payloads of the frames written (frames checked and unwrapped).
    QList<QByteArray> writtenPayloads() const
    {
        QList<QByteArray> out;
        for (const QByteArray &f : written()) {
            if (Frame::isValid(reinterpret_cast<const std::uint8_t *>(f.constData()), static_cast<std::size_t>(f.size())))
                out.append(f.mid(4, f.size() - 6));
            else
                out.append(QByteArray("<invalid frame>"));
        }
        return out;
    }

    void clearWritten()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_written.clear();
    }

    int reads() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reads;
    }

private:
    struct Pending {
        QByteArray bytes;
        Clock::time_point due;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    std::deque<Pending> m_reports;
    QList<QByteArray> m_written;
    bool m_unplugged = false;
    bool m_failWrites = false;
    bool m_interrupt = false;
    int m_reads = 0;
    int m_closes = 0;
    bool m_blocks = false;
};
