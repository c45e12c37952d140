#pragma once

// The uploads and waits of the device link, in the thread that owns the
// store. Each upload is an AckedTransfer driven by the unit's
// acknowledgements; the caller waits for its outcome in one local event loop
// that the transfer quits (no polling). The receive object feeds the
// acknowledgements (ackArrived), every dispatched frame (frameDispatched) and
// the end of the receive loop (disconnected) in.
//
// The owner may be deleted by a receiver while an upload or a wait runs its
// event loop: the destructor ends them, they answer false (Wait::Gone) and
// touch nothing afterwards.

#include "ackedtransfer.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

class UnitRequests;
namespace Kt900 {
class DeviceStore;
}

class UnitUploads : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAckTimeoutMs = 5000;
    static constexpr int kSendAttempts = 2;

    UnitUploads(UnitRequests &requests, Kt900::DeviceStore &store, const std::atomic<bool> &disconnected,
                QObject *parent = nullptr);
    ~UnitUploads() override;

    void ackArrived(int subKind, int slot, int chunk);
    void frameDispatched();
    void disconnected();

    bool writePresetAcked(int index, int timeoutMs);
    bool writeEditBufferAcked(int timeoutMs);
    bool uploadNr(int slot, const QString &name, const QByteArray &data);
    bool uploadIr(int slot, const QString &name, const QByteArray &data);
    // nameAcked: the unit's last Ack was for a chunk 0, which the unit takes
    // for the capture's name chunk.
    bool uploadCapture(int slot, const QByteArray &data, bool nameAcked);

    enum class Wait { Done, TimedOut, Gone };
    // Waits until done() (checked after each dispatched frame), the time-out
    // or a disconnection.
    Wait waitFor(const std::function<bool()> &done, int timeoutMs);

    void setAckTimeout(int ms) { m_ackTimeoutMs = ms; }
    int ackTimeout() const { return m_ackTimeoutMs; }
    int resends() const { return m_resends.load(); }

private:
    bool run(std::vector<AckedTransfer::Item> items, int timeoutMs);
    // An NR or IR slot: refused out of range or with too little data; the
    // name goes into the store's list once the unit has taken every chunk.
    bool uploadNamedSlot(int subKind, int list, int slotCount, int bytes, int chunkBytes, int chunkTotal, int slot,
                         const QString &name, const QByteArray &data);
    bool uploadChunks(int subKind, int slot, const std::uint8_t *name16, const std::uint8_t *data, int chunkBytes,
                      int chunkTotal, bool nameAcked);

    UnitRequests &m_requests;
    Kt900::DeviceStore &m_store;
    const std::atomic<bool> &m_disconnected;
    int m_ackTimeoutMs = kAckTimeoutMs;
    std::atomic<int> m_resends{0};
    std::vector<AckedTransfer *> m_transfers; // in progress, innermost last
    std::vector<AckWait *> m_waits;
};
