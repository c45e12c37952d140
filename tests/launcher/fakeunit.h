#pragma once

// A scripted unit in loader mode behind the updater's transport: it decodes
// every frame written to it, answers the device info request, the apply
// request and each block as configured, and can be unplugged at a given block.
// Thread-safe: the update thread writes, the receive thread reads.

#include "frame.h"
#include "unittransport.h"

#include <QByteArray>
#include <QList>
#include <QVector>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

struct FakeUnitOptions
{
    bool bulk = false;              // type 6: 512-byte blocks, no count byte
    bool answerInfo = true;
    QByteArray infoName = "TOVAK_KT900";
    char mode = 'B';
    std::uint8_t applyCode = 0x81;
    std::uint8_t applyAckCode = 0x81;
    int applyStatus = 1;            // -1: never answer
    // Block code -> acknowledgement code (one entry per section kind).
    QVector<QPair<std::uint8_t, std::uint8_t>> blockCodes{{0x82, 0x82}};
    int blockAckStatus = 1;         // -1: never answer
    int zeroStatusFromBlock = -1;   // blocks from this index (0-based, overall) get status 0
    int unplugAtBlock = -1;         // unplugged when this block (overall index) arrives
    int writeFailAtBlock = -1;      // the write of this block fails
    bool noiseBeforeReplies = false; // junk and a broken frame before every reply
    std::chrono::milliseconds applyDelay{0};
};

class FakeUnit : public UnitTransport
{
public:
    using Options = FakeUnitOptions;

    explicit FakeUnit(Options o = Options())
        : m_o(std::move(o))
    {
    }

    // ---- UnitTransport ----
    bool isOpen() const override
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_open;
    }

    bool write(const std::uint8_t *bytes, int length, int) override
    {
        std::lock_guard<std::mutex> l(m_mutex);
        if (!m_open)
            return false;
        if (!Frame::isValid(bytes, static_cast<std::size_t>(length))) {
            m_badWrites++;
            return false;
        }
        const QByteArray payload(reinterpret_cast<const char *>(bytes) + 4, length - 6);
        m_frames.append(payload);
        respond(payload);
        return !m_failedThisWrite;
    }

    int read(std::uint8_t *buffer, int timeoutMs) override
    {
        std::unique_lock<std::mutex> l(m_mutex);
        m_cv.wait_for(l, std::chrono::milliseconds(timeoutMs),
                      [this] { return !m_open || !m_out.empty(); });
        if (!m_open)
            return -1;
        if (m_out.empty())
            return 0;
        const QByteArray t = m_out.front();
        m_out.pop_front();
        std::memcpy(buffer, t.constData(), static_cast<std::size_t>(t.size()));
        return t.size();
    }

    int readSize() const override { return m_o.bulk ? 512 : 64; }
    bool hasCountByte() const override { return !m_o.bulk; }

    void closeDevice() override
    {
        std::lock_guard<std::mutex> l(m_mutex);
        if (m_open)
            m_closeCount++;
        m_open = false;
        m_cv.notify_all();
    }

    // ---- inspection ----
    QList<QByteArray> frames() const
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_frames;
    }
    // Block numbers in the order they arrived.
    QVector<int> blockNumbers() const
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_blockNumbers;
    }
    int closeCount() const
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_closeCount;
    }
    // Lets a test hold the unit's answers back and release them later.
    void setAnswering(bool on)
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_answering = on;
        if (on) {
            for (const QByteArray &p : m_heldReplies)
                queueFrame(p);
            m_heldReplies.clear();
            m_cv.notify_all();
        }
    }

private:
    void respond(const QByteArray &p)
    {
        m_failedThisWrite = false;
        const auto code = static_cast<std::uint8_t>(p.at(0));
        if (p == QByteArray::fromHex("0000")) {
            if (m_o.answerInfo) {
                QByteArray r(55, '\0');
                r[0] = 0x01;
                std::memcpy(r.data() + 1, m_o.infoName.constData(),
                            static_cast<std::size_t>(qMin(m_o.infoName.size(), 32)));
                std::memcpy(r.data() + 40, "V0.0.1", 6);
                r[54] = m_o.mode;
                reply(r);
            }
            return;
        }
        if (p.size() == 5 && code == m_o.applyCode) {
            if (m_o.applyStatus >= 0) {
                if (m_o.applyDelay.count() > 0) {
                    m_mutex.unlock();
                    std::this_thread::sleep_for(m_o.applyDelay);
                    m_mutex.lock();
                }
                QByteArray r(2, '\0');
                r[0] = static_cast<char>(m_o.applyAckCode);
                r[1] = static_cast<char>(m_o.applyStatus);
                reply(r);
            }
            return;
        }
        for (const auto &codes : m_o.blockCodes) {
            if (code != codes.first || p.size() != 515)
                continue;
            const int index = m_blockNumbers.size();
            const int number = (static_cast<std::uint8_t>(p.at(1)) << 8) | static_cast<std::uint8_t>(p.at(2));
            m_blockNumbers.append(number);
            m_blockData.append(p.mid(3));
            if (index == m_o.writeFailAtBlock) {
                m_failedThisWrite = true;
                return;
            }
            if (index == m_o.unplugAtBlock) {
                m_open = false;
                m_cv.notify_all();
                m_failedThisWrite = true;
                return;
            }
            if (m_o.blockAckStatus >= 0) {
                int status = m_o.blockAckStatus;
                if (m_o.zeroStatusFromBlock >= 0 && index >= m_o.zeroStatusFromBlock)
                    status = 0;
                QByteArray r(4, '\0');
                r[0] = static_cast<char>(codes.second);
                r[1] = static_cast<char>(status);
                r[2] = p.at(1);
                r[3] = p.at(2);
                reply(r);
            }
            return;
        }
    }

    void reply(const QByteArray &payload)
    {
        if (!m_answering) {
            m_heldReplies.append(payload);
            return;
        }
        queueFrame(payload);
        m_cv.notify_all();
    }

    // Cuts a frame into transfers as the unit sends them.
    void queueFrame(const QByteArray &payload)
    {
        QByteArray stream;
        if (m_o.noiseBeforeReplies) {
            // Junk, a lone header byte and a frame with a broken CRC.
            QByteArray broken = Frame::build(payload);
            broken[broken.size() - 1] = static_cast<char>(broken.at(broken.size() - 1) ^ 0x5A);
            stream += QByteArray::fromHex("0102aa03") + broken;
        }
        stream += Frame::build(payload);
        const int chunk = m_o.bulk ? 512 : 63;
        for (int pos = 0; pos < stream.size(); pos += chunk) {
            const QByteArray piece = stream.mid(pos, chunk);
            QByteArray t;
            if (m_o.bulk) {
                t = piece;
                t.append(QByteArray(512 - piece.size(), '\0'));
            } else {
                t.append(static_cast<char>(piece.size()));
                t += piece;
                t.append(QByteArray(64 - t.size(), '\0'));
            }
            m_out.push_back(t);
        }
    }

public:
    QList<QByteArray> blockData() const
    {
        std::lock_guard<std::mutex> l(m_mutex);
        return m_blockData;
    }

private:
    Options m_o;
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_open = true;
    bool m_answering = true;
    bool m_failedThisWrite = false;
    int m_closeCount = 0;
    int m_badWrites = 0;
    QList<QByteArray> m_frames;
    QList<QByteArray> m_heldReplies;
    QVector<int> m_blockNumbers;
    QList<QByteArray> m_blockData;
    std::deque<QByteArray> m_out;
};
