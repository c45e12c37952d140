#pragma once

// One firmware update: the update thread, which chooses and checks the file
// and sends it section by section, block by block; and the update receive
// thread, which reads the unit's answers and raises the flags the update
// thread waits on. Both report only through the status sink (called from the
// update thread); neither touches the window.

#include "firmwarefile.h"
#include "unittransport.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// What the unit said in its last device info reply. The update receive thread
// writes it, anyone may read a copy.
struct UnitInfo
{
    QByteArray modelName; // up to 32 bytes
    QByteArray info1;
    QByteArray version;
    QByteArray info3;
    char mode = 0;
};

// State shared by the two update threads. Every flag and counter is written by
// one thread and polled by the other, so each is atomic; the waits sleep on a
// condition variable that every flag change wakes, so an answer is seen at
// once and a silent unit costs no CPU.
class UpdateState
{
public:
    void reset();

    // Allocates one acknowledgement flag per section with the section's
    // acknowledgement code, then publishes them to the receive thread.
    void setSections(const QVector<Firmware::Section> &sections);

    // ---- written by the update receive thread ----
    void setInfo(const UnitInfo &info, bool received);
    void setApplyStatus(std::uint8_t status);
    void acknowledgeBlocks(std::uint8_t code, std::uint8_t status);
    void setReceiverEnded();

    // ---- written by the update thread or the owner ----
    void clearSectionAck(int index);
    void cancel();

    UnitInfo info() const;
    bool infoReceived() const { return m_infoReceived.load(); }
    bool applyRefused() const { return m_applyRefused.load(); }
    bool applyAccepted() const { return m_applyAccepted.load(); }
    std::uint8_t applyStatus() const { return m_applyStatus.load(); }
    bool sectionAck(int index) const;
    bool cancelled() const { return m_cancelled.load(); }
    bool receiverEnded() const { return m_receiverEnded.load(); }
    std::atomic<int> blocksSent{0};

    // Waits until pred() holds, at most `checks` milliseconds. Returns early
    // (false) when the session is cancelled or the receive thread has ended,
    // since no answer can arrive after that.
    bool waitFor(const std::function<bool()> &pred, std::uint32_t checks);

    // Sleeps ms milliseconds unless cancelled.
    void sleep(int ms);

private:
    void wake();

    std::atomic<bool> m_infoReceived{false};
    std::atomic<std::uint8_t> m_applyStatus{0};
    std::atomic<bool> m_applyRefused{false};
    std::atomic<bool> m_applyAccepted{false};
    std::atomic<bool> m_receiverEnded{false};
    std::atomic<bool> m_cancelled{false};

    // Section flags: filled before m_sectionCount is published (release),
    // read after loading it (acquire); never reallocated while published.
    std::unique_ptr<std::atomic<bool>[]> m_sectionAck;
    std::unique_ptr<std::uint8_t[]> m_sectionAckCode;
    std::atomic<int> m_sectionCount{0};

    mutable std::mutex m_infoMutex;
    UnitInfo m_info;

    std::mutex m_waitMutex;
    std::condition_variable m_waitCv;
};

class UpdateSession
{
public:
    using StatusSink = std::function<void(int code, int value)>;

    struct Config
    {
        QString firmwareDir;                 // the "Firmware" folder
        QByteArray expectedName = "TOVAK_KT900";
        QByteArray reportedName;             // as the unit named itself at start-up
    };

    UpdateSession(UnitTransport &transport, Config config, StatusSink sink);
    ~UpdateSession();

    UpdateSession(const UpdateSession &) = delete;
    UpdateSession &operator=(const UpdateSession &) = delete;

    // Starts both threads. A session runs once: later calls return false.
    bool start();
    bool started() const { return m_started; }

    // True once the update thread has ended.
    bool updateThreadDone() const { return m_updateDone.load(); }

    // Ends the session: stops waiting, lets the update thread finish, closes
    // the device (which ends the receive thread) and joins both threads.
    void shutdown();

    const UpdateState &state() const { return m_state; }

    // Timeouts (ms) and pauses of the protocol.
    static constexpr int kWriteTimeoutMs = 100;
    static constexpr int kReadTimeoutMs = 100;
    static constexpr std::uint32_t kInfoWaitChecks = 500;
    static constexpr int kReceiveStartDelayMs = 20;
    static constexpr int kOpenWaitChecks = 10;
    static constexpr int kFinishPauseMs = 100;

private:
    void updateThread();
    void receiveThread();
    void runUpdate();
    bool sendFrame(const QByteArray &payload);
    bool sendSection(const QByteArray &file, const Firmware::Section &section, int index,
                     qint64 totalBlocks);
    void handleFrame(const std::uint8_t *frame, std::size_t len);
    void post(int code, int value);
    void fail(int code, int value = 0, bool closeDevice = true);

    UnitTransport &m_transport;
    Config m_config;
    StatusSink m_sink;
    UpdateState m_state;
    std::atomic<int> m_applyAckCode{-1}; // -1 until the file has been read
    std::atomic<bool> m_updateDone{false};
    bool m_started = false;
    std::thread m_update;
    std::thread m_receive;
};
