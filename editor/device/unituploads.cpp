#include "unituploads.h"

#include "commands.h"
#include <cstring>
#include "devicestore.h"
#include "requests.h"
#include "unitrequests.h"

#include <QEventLoop>
#include <QPointer>

#include <algorithm>

using namespace Kt900;

UnitUploads::UnitUploads(UnitRequests &requests, DeviceStore &store, const std::atomic<bool> &disconnected,
                         QObject *parent)
    : QObject(parent)
    , m_requests(requests)
    , m_store(store)
    , m_disconnected(disconnected)
{
}

UnitUploads::~UnitUploads()
{
    // Deleted while an upload or a wait runs its event loop further up the
    // stack: end them; they see the deletion and touch nothing.
    for (AckedTransfer *t : std::vector<AckedTransfer *>(m_transfers))
        t->abandon();
    for (AckWait *w : std::vector<AckWait *>(m_waits))
        w->wake(true);
}

void UnitUploads::ackArrived(int subKind, int slot, int chunk)
{
    for (AckedTransfer *t : std::vector<AckedTransfer *>(m_transfers))
        t->onAck(subKind, slot, chunk);
}

void UnitUploads::frameDispatched()
{
    for (AckWait *w : std::vector<AckWait *>(m_waits))
        w->wake();
}

void UnitUploads::disconnected()
{
    for (AckedTransfer *t : std::vector<AckedTransfer *>(m_transfers))
        t->onDisconnect();
    for (AckWait *w : std::vector<AckWait *>(m_waits))
        w->wake(true);
}

bool UnitUploads::run(std::vector<AckedTransfer::Item> items, int timeoutMs)
{
    QPointer<UnitUploads> guard(this);
    AckedTransfer transfer([this](const QByteArray &p) { return m_requests.send(p); }, timeoutMs, kSendAttempts);
    m_transfers.push_back(&transfer);
    QEventLoop loop;
    connect(&transfer, &AckedTransfer::finished, &loop, &QEventLoop::quit);
    transfer.start(std::move(items));
    if (!transfer.isFinished() && m_disconnected.load())
        transfer.onDisconnect();
    if (!transfer.isFinished())
        loop.exec();
    if (!guard)
        return false; // deleted while waiting: touch nothing
    m_transfers.erase(std::find(m_transfers.begin(), m_transfers.end(), &transfer));
    m_resends.fetch_add(transfer.resends());
    return transfer.state() == AckedTransfer::State::Done;
}

UnitUploads::Wait UnitUploads::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QPointer<UnitUploads> guard(this);
    AckWait wait(done, timeoutMs);
    m_waits.push_back(&wait);
    QEventLoop loop;
    connect(&wait, &AckWait::finished, &loop, &QEventLoop::quit);
    wait.start();
    if (wait.result() == AckWait::Result::Pending && m_disconnected.load())
        wait.wake(true);
    if (wait.result() == AckWait::Result::Pending)
        loop.exec();
    if (!guard)
        return Wait::Gone;
    m_waits.erase(std::find(m_waits.begin(), m_waits.end(), &wait));
    return wait.result() == AckWait::Result::Done ? Wait::Done : Wait::TimedOut;
}

bool UnitUploads::writePresetAcked(int index, int timeoutMs)
{
    const QByteArray frame = m_requests.presetFrame(index);
    if (frame.isEmpty())
        return false;
    AckedTransfer::Item item;
    item.payload = frame;
    item.subKind = Cmd::SubPreset;
    item.slot = index;
    return run({item}, timeoutMs);
}

bool UnitUploads::writeEditBufferAcked(int timeoutMs)
{
    AckedTransfer::Item item;
    item.payload = m_requests.editBufferFrame();
    item.subKind = Cmd::SubEditBuffer;
    return run({item}, timeoutMs);
}

bool UnitUploads::uploadChunks(int subKind, int slot, const std::uint8_t *name16, const std::uint8_t *data,
                               int chunkBytes, int chunkTotal, bool nameAcked)
{
    std::vector<AckedTransfer::Item> items;
    items.reserve(static_cast<std::size_t>(chunkTotal));
    for (int i = 0; i < chunkTotal; ++i) {
        AckedTransfer::Item item;
        item.payload = i == 0 ? Request::dataChunk(subKind, slot, chunkTotal, 0, name16, kNameSize)
                              : Request::dataChunk(subKind, slot, chunkTotal, i, data + (i - 1) * chunkBytes, chunkBytes);
        item.subKind = subKind;
        item.slot = slot;
        item.chunk = i;
        item.preAcked = i == 0 && nameAcked;
        items.push_back(std::move(item));
    }
    return run(std::move(items), m_ackTimeoutMs);
}

bool UnitUploads::uploadNr(int slot, const QString &name, const QByteArray &data)
{
    return uploadNamedSlot(Cmd::SubNr, ListNr, kNrSlots, kNrBytes, Cmd::kNrChunkBytes, Cmd::kNrChunkTotal, slot, name,
                           data);
}

bool UnitUploads::uploadIr(int slot, const QString &name, const QByteArray &data)
{
    return uploadNamedSlot(Cmd::SubIr, ListIr, kIrSlots, kIrBytes, Cmd::kIrChunkBytes, Cmd::kIrChunkTotal, slot, name,
                           data);
}

bool UnitUploads::uploadNamedSlot(int subKind, int list, int slotCount, int bytes, int chunkBytes, int chunkTotal, int slot,
                                  const QString &name, const QByteArray &data)
{
    if (slot < 0 || slot >= slotCount || data.size() < bytes)
        return false;
    std::uint8_t name16[kNameSize];
    nameToBytes(name, name16);
    QPointer<UnitUploads> guard(this);
    const bool ok = uploadChunks(subKind, slot, name16, reinterpret_cast<const std::uint8_t *>(data.constData()),
                                 chunkBytes, chunkTotal, false);
    if (ok && guard)
        m_store.setSlotNameBytes(list, slot, name16, kNameSize);
    return ok;
}

bool UnitUploads::uploadCapture(int slot, const QByteArray &data, bool nameAcked)
{
    if (slot < 0 || slot >= kCaptureSlots || data.size() < kCaptureBytes)
        return false;
    std::memcpy(m_store.captureData(slot), data.constData(), kCaptureBytes);
    std::uint8_t name16[kNameSize];
    std::memcpy(name16, m_store.slotNameBytes(ListCapture, slot), kNameSize);
    // The chunks are encoded before the first is sent: the store may change
    // while the upload waits.
    return uploadChunks(Cmd::SubCapture, slot, name16, m_store.captureData(slot), Cmd::kCaptureChunkBytes,
                        Cmd::kCaptureChunkTotal, nameAcked);
}
