#include "unitsession.h"

#include "offline.h"
#include "output.h"

#include "commands.h"
#include "effectcatalogue.h"
#include "identity.h"
#include "usbreceivethread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>
#include <csignal>

Q_LOGGING_CATEGORY(lcCli, "kt900.cli")

namespace Cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
std::atomic<const char *> g_stopNotice{nullptr};

constexpr int kSyncAttemptMs = 10000;   // the editor sends its requests again after 10 s, once
constexpr int kDownloadAttempts = 3;    // whole downloads when frames of one were damaged
constexpr int kInterruptCheckMs = 200;  // a wait looks at the interrupt flag this often
constexpr int kCaptureQuietMs = 1500;   // no capture data for this long: what is missing is asked for again

} // namespace

QString inUseMessage()
{
    return QCoreApplication::translate("Cli::UnitSession", "the unit is in use by another program");
}

bool interruptRequested()
{
    return g_interrupted != 0;
}

void setInterruptRequested()
{
    g_interrupted = 1;
}

const char *stopNotice()
{
    return g_stopNotice.load();
}

void setStopNotice(const char *notice)
{
    g_stopNotice.store(notice);
}

// ---------------------------------------------------------------------------
// TapConnection

TapConnection::TapConnection(UnitTransport &inner, const Kt900::DeviceStore *store)
    : m_inner(inner),
      m_store(store),
      m_inbound([this](const std::uint8_t *frame, std::size_t len) { onInboundFrame(frame, len); })
{
}

void TapConnection::resetTap()
{
    m_inbound.clear();
    m_reports.store(0);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.fill(0);
    m_transfers = 0;
    m_lastArrival = 0;
}

int TapConnection::read(std::uint8_t *buffer, int timeoutMs)
{
    const int n = m_inner.read(buffer, timeoutMs);
    if (n > 0) {
        m_reports.fetch_add(1);
        if (m_inner.hasCountByte())
            m_inbound.feedReport(buffer, n);
        else
            m_inbound.feedBytes(buffer, static_cast<std::size_t>(n));
    }
    return n;
}

bool TapConnection::write(const std::uint8_t *bytes, int length, int timeoutMs)
{
    // RequestData for capture data: the slots whose data the unit now owes.
    // Counted before the request leaves, so that no answer can come first.
    if (bytes && length >= 4 + 4 && bytes[0] == Frame::kHeader0 && bytes[1] == Frame::kHeader1
        && bytes[4] == Cmd::RequestData && bytes[5] == Cmd::KindCapture) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (bytes[6] == Cmd::RequestAllSlots) {
            for (int s = 0; s < Kt900::kCaptureSlots; ++s) {
                if (m_store->captureUsed(s))
                    ++m_pending[static_cast<std::size_t>(s)];
            }
        } else if (bytes[7] < Kt900::kCaptureSlots) {
            ++m_pending[bytes[7]];
        }
    }
    return m_inner.write(bytes, length, timeoutMs);
}

void TapConnection::onInboundFrame(const std::uint8_t *frame, std::size_t len)
{
    const std::uint8_t *p = frame + 4;
    const std::size_t n = len - Frame::kOverhead;
    if (n < 1 || p[0] != Cmd::DataTransfer)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_transfers;
    // The last chunk of a capture slot completes it.
    if (n >= 7 && p[1] == Cmd::SubCapture && p[2] < Kt900::kCaptureSlots && p[5] > 0 && p[6] == p[5] - 1) {
        int &pending = m_pending[p[2]];
        if (pending > 0) {
            --pending;
            m_lastArrival = m_transfers;
        }
    }
}

qint64 TapConnection::dataTransfersSeen() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_transfers;
}

bool TapConnection::capturesComplete(qint64 *lastArrival) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    *lastArrival = m_lastArrival;
    for (int p : m_pending) {
        if (p > 0)
            return false;
    }
    return true;
}

QList<int> TapConnection::pendingCaptureSlots() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<int> slotList;
    for (int s = 0; s < Kt900::kCaptureSlots; ++s) {
        if (m_pending[static_cast<std::size_t>(s)] > 0)
            slotList << s;
    }
    return slotList;
}

// ---------------------------------------------------------------------------
// UnitSession

UnitSession::Link::Link(std::unique_ptr<MyLibusb> connection)
    : usb(connection ? std::move(connection) : std::make_unique<MyLibusb>()), tap(*usb, &store)
{
}

UnitSession::UnitSession(Output &out, std::unique_ptr<MyLibusb> usb, QObject *parent)
    : QObject(parent), m_out(out), m_link(std::make_unique<Link>(std::move(usb)))
{
}

UnitSession::~UnitSession()
{
    close();
}

bool UnitSession::identify(int busAddress, UnitIdentity *identity, QString *error)
{
    const QByteArray expected = Identity::kExpectedName;
    MyLibusb::setDeviceInfo(MyLibusb::DeviceInfo());
    m_link->tap.resetTap();
    if (busAddress < 0) {
        // The launcher's search: vendor 0x0483, the device type table, and
        // the unit's own answer to the device info request.
        if (m_link->usb->findAndOpen(0, 0, 0, expected.constData(), true) == 0) {
            *error = m_link->usb->lastOpenWasBusy() ? inUseMessage()
                     : m_link->usb->lastIdentifyUnanswered() ? tr("the unit did not answer (it may still be starting; try again)")
                                                      : tr("no unit found");
            return false;
        }
    } else {
        if (!m_link->usb->openByAddress(static_cast<std::uint8_t>(busAddress))) {
            *error = tr("the USB devices cannot be listed");
            return false;
        }
        // Only a device with the unit's ids is opened at all.
        if (!m_link->usb->isOpen()) {
            if (m_link->usb->lastOpenWasBusy()) {
                *error = inUseMessage();
                return false;
            }
            *error = tr("no unit at bus address %1 (or it cannot be opened)").arg(busAddress);
            return false;
        }
        m_link->usb->setExpectedName(expected.constData());
        if (m_link->usb->identify(m_link->usb->deviceType()) == 0) {
            m_link->usb->closeDevice();
            if (m_link->usb->lastIdentifyUnanswered()) {
                *error = tr("the unit at bus address %1 did not answer").arg(busAddress);
                return false;
            }
            *error = tr("the device at bus address %1 did not identify itself as a %2")
                         .arg(busAddress).arg(QString::fromLatin1(expected));
            return false;
        }
    }
    const MyLibusb::DeviceInfo info = MyLibusb::deviceInfo();
    UnitIdentity id;
    id.address = m_link->usb->deviceAddress();
    id.deviceType = m_link->usb->deviceType();
    id.infoValid = info.valid;
    id.model = QString::fromLatin1(info.modelName);
    id.version = QString::fromLatin1(info.firmwareVersion);
    id.info1 = QString::fromLatin1(info.info1);
    id.info3 = QString::fromLatin1(info.info3);
    id.mode = info.valid ? info.mode : 0;
    m_link->usb->closeDevice();
    qCDebug(lcCli) << "unit" << id.model << id.version << "mode" << id.mode << "type" << id.deviceType << "address" << id.address;
    if (id.address < 0) {
        *error = tr("no unit found");
        return false;
    }
    *identity = id;
    return true;
}

bool UnitSession::connectAndSync(int busAddress, QString *error)
{
    if (!loadCatalogue()) {
        *error = tr("the effect catalogue cannot be read");
        return false;
    }
    UnitIdentity id;
    if (!identify(busAddress, &id, error))
        return false;
    if (id.mode == 'B') {
        *error = tr("the unit is in firmware-update mode; update its firmware with Tovak Studio For KT900 first");
        return false;
    }
    if (id.infoValid && !id.version.isEmpty() && !Identity::versionAccepted(id.version.toLatin1())) {
        *error = tr("the unit's firmware is %1, the editor needs %2: update the firmware with Tovak Studio For KT900")
                     .arg(id.version, QString::fromLatin1(Identity::kRequiredVersion));
        return false;
    }

    // The editor's connection.
    if (!m_link->usb->openByAddress(static_cast<std::uint8_t>(id.address)) || !m_link->usb->isOpen()) {
        *error = m_link->usb->lastOpenWasBusy() ? inUseMessage() : tr("the unit at bus address %1 cannot be opened").arg(id.address);
        return false;
    }
    m_link->tap.resetTap();
    m_link->store.reset();
    m_recv = new usbReceiveThread(&m_link->tap, &m_link->store);
    m_recv->setTypeNameHandler([](int module, int type, const QString &text) {
        EffectCatalogue::instance().setTypeName(module, type, text);
    });
    m_recv->moveToThread(&m_link->thread);
    connect(&m_link->thread, &QThread::started, m_recv, &usbReceiveThread::ReadThread);
    connect(m_recv, &usbReceiveThread::SendDataToUi, this, [this](Kt900::UnitChange what, int) {
        if (what == Kt900::UnitChange::SyncDone)
            m_synced = true;
        else if (what == Kt900::UnitChange::Transfer)
            ++m_transfersDispatched;
    });
    m_recv->setRunning(true);
    m_link->thread.start(QThread::InheritPriority);

    // EditorAttach + RequestSync; sent once more when nothing came within
    // 10 s, and the whole download asked for again (a bounded number of
    // times) when a frame of it was damaged or a record is missing.
    QStringList missing;
    bool everSynced = false;
    for (int download = 0; download < kDownloadAttempts; ++download) {
        m_synced = false;
        m_progressBase = m_transfersDispatched;
        m_recv->beginDownloadCheck();
        for (int attempt = 0; attempt < 2 && !m_synced; ++attempt) {
            if (m_recv->sendEditorAttach() < 0 || m_recv->sendRequestSync() < 0) {
                *error = failure(tr("the unit does not take requests"));
                return false;
            }
            if (waitSynced(kSyncAttemptMs))
                break;
            if (isDisconnected() || interruptRequested())
                break;
            qCInfo(lcCli) << "no SyncDone within" << kSyncAttemptMs << "ms; asking again";
            m_progressBase = m_transfersDispatched;
        }
        if (!m_synced || isDisconnected() || interruptRequested())
            break;
        everSynced = true;
        missing = m_recv->missingRecords();
        const int damaged = m_recv->damagedFrames();
        if (missing.isEmpty() && damaged == 0)
            break;
        qCInfo(lcCli) << "download" << download + 1 << ":" << missing.size() << "records missing," << damaged
                      << "damaged frames; asking for the data again";
        // A lost frame that no record reveals (a slot name) is covered by
        // asking again; with every record there, a last damaged frame is
        // accepted.
        if (missing.isEmpty() && download + 1 >= kDownloadAttempts)
            break;
    }
    m_out.endProgress();
    if (interruptRequested()) {
        *error = tr("interrupted");
        return false;
    }
    if (!m_synced && !everSynced) {
        *error = wasDisconnected() ? tr("the unit was disconnected during the download")
                                  : tr("the unit did not send its data (no end of the download within %1 s)").arg(2 * kSyncAttemptMs / 1000);
        return false;
    }
    if (!m_synced || !missing.isEmpty()) {
        if (wasDisconnected()) {
            *error = tr("the unit was disconnected during the download");
            return false;
        }
        if (missing.isEmpty())
            missing << tr("the end of the download");
        const int shown = 5;
        QString list = QStringList(missing.mid(0, shown)).join(QStringLiteral(", "));
        if (missing.size() > shown)
            list += tr(" and %1 more").arg(missing.size() - shown);
        *error = tr("the unit's data did not arrive intact after %1 downloads: %2 missing").arg(kDownloadAttempts).arg(list);
        return false;
    }
    qCDebug(lcCli) << "download complete after" << m_link->tap.reportsRead() << "reports";
    return true;
}

bool UnitSession::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    // Woken by every frame the unit sends; an interrupt (a signal handler
    // only sets a flag) is seen within kInterruptCheckMs.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return done();
        if (m_recv->waitUntil(done, static_cast<int>(std::min<qint64>(left, kInterruptCheckMs))))
            return true;
        if (interruptRequested() || isDisconnected())
            return done();
    }
}

bool UnitSession::waitSynced(int timeoutMs)
{
    waitFor([this] {
        m_out.progress(tr("reading the unit"), std::min(m_transfersDispatched - m_progressBase, Kt900::kRecordCount), Kt900::kRecordCount);
        return m_synced || interruptRequested();
    }, timeoutMs);
    return m_synced;
}

bool UnitSession::waitForCaptures(QString *error, int timeoutMs)
{
    qint64 last = 0;
    auto finished = [this, &last] {
        return interruptRequested() || (m_link->tap.capturesComplete(&last) && m_transfersDispatched >= last);
    };
    // A slot whose last chunk was lost never completes: once the unit has
    // been quiet for a while, the slots that are not whole (if any) are asked
    // for again below.
    int seen = m_transfersDispatched;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer quiet;
    quiet.start();
    bool done = false;
    bool stalled = false;
    for (;;) {
        if (finished()) {
            done = true;
            break;
        }
        const qint64 left = timeoutMs - clock.elapsed();
        const qint64 quietLeft = kCaptureQuietMs - quiet.elapsed();
        if (left <= 0)
            break;
        if (quietLeft <= 0) {
            stalled = true;
            break;
        }
        m_recv->waitUntil([&finished, this, seen] { return finished() || m_transfersDispatched != seen; },
                          static_cast<int>(std::min({left, quietLeft, qint64(kInterruptCheckMs)})));
        if (m_transfersDispatched != seen) {
            seen = m_transfersDispatched;
            quiet.restart();
        }
        if (isDisconnected()) {
            done = finished();
            break;
        }
    }
    if (stalled) {
        qCInfo(lcCli) << "capture data stopped before every slot was whole";
        done = true;
    }
    if (interruptRequested()) {
        *error = tr("interrupted");
        return false;
    }
    if (!done) {
        if (wasDisconnected()) {
            *error = tr("the unit was disconnected");
            return false;
        }
        QStringList slotList;
        for (int s : m_link->tap.pendingCaptureSlots())
            slotList << QString::number(s + 1);
        *error = tr("the unit did not send the data of capture slot(s) %1").arg(slotList.join(QStringLiteral(", ")));
        return false;
    }
    // A capture with a damaged chunk is asked for again, slot by slot.
    const QList<int> broken = m_recv->refetchIncompleteSlots(Cmd::KindCapture);
    if (!broken.isEmpty()) {
        if (wasDisconnected()) {
            *error = tr("the unit was disconnected");
            return false;
        }
        QStringList slotList;
        for (int s : broken)
            slotList << QString::number(s + 1);
        *error = tr("the unit did not send the data of capture slot(s) %1 intact").arg(slotList.join(QStringLiteral(", ")));
        return false;
    }
    qCDebug(lcCli) << "capture data complete after" << m_link->tap.reportsRead() << "reports";
    return true;
}

bool UnitSession::isDisconnected() const
{
    return m_recv && m_recv->isDisconnected();
}

bool UnitSession::wasDisconnected(int waitMs)
{
    if (!m_recv)
        return false;
    if (!isDisconnected())
        waitFor([this] { return isDisconnected(); }, waitMs);
    return isDisconnected();
}

QString UnitSession::failure(const QString &reason)
{
    return wasDisconnected() ? tr("the unit was disconnected") : reason;
}

bool UnitSession::close()
{
    if (!m_recv)
        return true;
    m_recv->setRunning(false);
    m_link->thread.quit();
    if (!m_link->thread.wait(kStopDeadlineMs)) {
        // A transfer that never returns: the loop, its connection and store
        // stay behind untouched; nothing waits for them any more.
        qCWarning(lcCli) << "the receive loop did not end within" << kStopDeadlineMs << "ms; leaving it";
        m_recv = nullptr;
        (void)m_link.release();
        m_link = std::make_unique<Link>(nullptr);
        return false;
    }
    m_link->usb->closeDevice();
    delete m_recv;
    m_recv = nullptr;
    return true;
}

} // namespace Cli
