#include "updatesession.h"

#include <algorithm>

#include "commands.h"
#include "frame.h"
#include "identity.h"
#include "logging.h"
#include "updatestatus.h"

#include <QFile>

#include <chrono>
#include <cstring>

using namespace UpdateStatus;

namespace {

const QByteArray kSiblingNames[] = {QByteArrayLiteral("TOVAK_KT700"),
                                    QByteArrayLiteral("TOVAK_ORBIT")};

// Text of at most max bytes at p, ending at the first NUL.
QByteArray text(const std::uint8_t *p, int max)
{
    const auto *c = reinterpret_cast<const char *>(p);
    return QByteArray(c, static_cast<int>(qstrnlen(c, static_cast<uint>(max))));
}

} // namespace

// ---------------------------------------------------------------- UpdateState

void UpdateState::reset()
{
    m_infoReceived.store(false);
    m_applyStatus.store(0);
    m_applyRefused.store(false);
    m_applyAccepted.store(false);
    blocksSent.store(0);
    std::lock_guard<std::mutex> lock(m_infoMutex);
    m_info = UnitInfo();
}

void UpdateState::setSections(const QVector<Firmware::Section> &sections)
{
    if (m_sectionCount.load(std::memory_order_acquire) != 0 || sections.isEmpty())
        return; // published once per session; the receive thread may be reading them
    const int n = sections.size();
    m_sectionAck.reset(new std::atomic<bool>[static_cast<std::size_t>(n)]);
    m_sectionAckCode.reset(new std::uint8_t[static_cast<std::size_t>(n)]);
    for (int i = 0; i < n; ++i) {
        m_sectionAck[static_cast<std::size_t>(i)].store(false);
        m_sectionAckCode[static_cast<std::size_t>(i)] = sections.at(i).blockAckCode;
    }
    m_sectionCount.store(n, std::memory_order_release);
}

void UpdateState::setInfo(const UnitInfo &info, bool received)
{
    {
        std::lock_guard<std::mutex> lock(m_infoMutex);
        m_info = info;
    }
    if (received) {
        m_infoReceived.store(true);
        wake();
    }
}

void UpdateState::setApplyStatus(std::uint8_t status)
{
    m_applyStatus.store(status);
    if (status == 1)
        m_applyAccepted.store(true);
    else if (status == 0)
        m_applyRefused.store(true);
    wake();
}

void UpdateState::acknowledgeBlocks(std::uint8_t code, std::uint8_t status)
{
    if (status != 1)
        return;
    const int n = m_sectionCount.load(std::memory_order_acquire);
    bool any = false;
    for (int i = 0; i < n; ++i) {
        if (m_sectionAckCode[static_cast<std::size_t>(i)] == code) {
            m_sectionAck[static_cast<std::size_t>(i)].store(true);
            any = true;
        }
    }
    if (any)
        wake();
}

void UpdateState::setReceiverEnded()
{
    m_receiverEnded.store(true);
    wake();
}

void UpdateState::clearSectionAck(int index)
{
    if (index >= 0 && index < m_sectionCount.load(std::memory_order_acquire))
        m_sectionAck[static_cast<std::size_t>(index)].store(false);
}

void UpdateState::cancel()
{
    m_cancelled.store(true);
    wake();
}

UnitInfo UpdateState::info() const
{
    std::lock_guard<std::mutex> lock(m_infoMutex);
    return m_info;
}

bool UpdateState::sectionAck(int index) const
{
    return index >= 0 && index < m_sectionCount.load(std::memory_order_acquire)
        && m_sectionAck[static_cast<std::size_t>(index)].load();
}

bool UpdateState::waitFor(const std::function<bool()> &pred, std::uint32_t checks)
{
    // Every wait is bounded, whatever a file asks for.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::min(checks, Firmware::kMaxWaitMs));
    std::unique_lock<std::mutex> lock(m_waitMutex);
    for (;;) {
        if (pred())
            return true;
        if (m_cancelled.load() || m_receiverEnded.load())
            return false;
        if (m_waitCv.wait_until(lock, deadline) == std::cv_status::timeout)
            return pred();
    }
}

void UpdateState::sleep(int ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock<std::mutex> lock(m_waitMutex);
    while (!m_cancelled.load()) {
        if (m_waitCv.wait_until(lock, deadline) == std::cv_status::timeout)
            return;
    }
}

void UpdateState::wake()
{
    // Taking the mutex orders the flag change before a waiter's next check,
    // so no wake-up is lost between its check and its sleep.
    { std::lock_guard<std::mutex> lock(m_waitMutex); }
    m_waitCv.notify_all();
}

// -------------------------------------------------------------- UpdateSession

UpdateSession::UpdateSession(UnitTransport &transport, Config config, StatusSink sink)
    : m_transport(transport)
    , m_config(std::move(config))
    , m_sink(std::move(sink))
{
}

UpdateSession::~UpdateSession()
{
    shutdown();
}

bool UpdateSession::start()
{
    if (m_started)
        return false;
    m_started = true;
    m_update = std::thread([this] { updateThread(); });
    m_receive = std::thread([this] { receiveThread(); });
    return true;
}

void UpdateSession::shutdown()
{
    m_state.cancel();
    // The update thread ends first so the device is never closed under one
    // of its writes; then closing ends the receive thread's read loop.
    if (m_update.joinable())
        m_update.join();
    m_transport.closeDevice();
    if (m_receive.joinable())
        m_receive.join();
}

void UpdateSession::post(int code, int value)
{
    if (m_state.cancelled())
        return; // the window is going away
    if (m_sink)
        m_sink(code, value);
}

void UpdateSession::fail(int code, int value, bool closeDevice)
{
    if (closeDevice)
        m_transport.closeDevice();
    post(code, value);
}

bool UpdateSession::sendFrame(const QByteArray &payload)
{
    const QByteArray frame = Frame::build(payload);
    return !frame.isEmpty()
        && m_transport.write(reinterpret_cast<const std::uint8_t *>(frame.constData()),
                             frame.size(), kWriteTimeoutMs);
}

void UpdateSession::updateThread()
{
    runUpdate();
    m_updateDone.store(true);
}

void UpdateSession::runUpdate()
{
    m_state.reset();
    post(Progress, Started);

    const QString path = Firmware::findNewest(m_config.firmwareDir,
                                              QString::fromLatin1(m_config.reportedName));
    if (path.isEmpty()) {
        qCWarning(lcLauncher) << "no firmware file for" << m_config.reportedName << "in"
                              << m_config.firmwareDir;
        fail(OpenFirmwareFail);
        return;
    }
    qCInfo(lcLauncher) << "firmware file" << path;
    QByteArray file;
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            qCWarning(lcLauncher) << "cannot open" << path << f.errorString();
            fail(OpenFirmwareFail);
            return;
        }
        file = f.readAll();
        if (f.error() != QFileDevice::NoError) {
            qCWarning(lcLauncher) << "cannot read" << path << f.errorString();
            fail(OpenFirmwareFail);
            return;
        }
    }
    if (file.size() < Firmware::kTagSize
        || std::memcmp(file.constData(), Firmware::kTag, Firmware::kTagSize) != 0) {
        qCWarning(lcLauncher) << path << "has no firmware tag";
        fail(OpenFirmwareFail);
        return;
    }

    post(Progress, FileRead);
    Firmware::Image image;
    const Firmware::FileError error = Firmware::parse(file, m_config.expectedName, &image);
    if (error != Firmware::FileError::None) {
        qCWarning(lcLauncher) << path << "refused:" << Firmware::fileErrorText(error);
        // A file for another model leaves the device open, as it always did;
        // a damaged file counts as unreadable.
        fail(OpenFirmwareFail, 0, error != Firmware::FileError::WrongModel);
        return;
    }
    m_applyAckCode.store(image.header.applyAckCode);
    m_state.setSections(image.sections);

    // Wake the loader, then ask who is there.
    sendFrame(QByteArray(1, static_cast<char>(Cmd::LoaderWake)) + '\0');
    if (!sendFrame(QByteArray(1, static_cast<char>(Cmd::DeviceInfo)) + '\0')) {
        fail(SendFail);
        return;
    }
    if (!m_state.waitFor([this] { return m_state.infoReceived(); }, kInfoWaitChecks)) {
        qCWarning(lcLauncher) << "no device info reply";
        fail(Timeout);
        return;
    }
    post(Progress, 2);

    QByteArray apply(5, '\0');
    apply[0] = static_cast<char>(image.header.applyCode);
    for (int i = 0; i < 4; ++i)
        apply[1 + i] = static_cast<char>((image.header.applyArgument >> (8 * i)) & 0xFF);
    if (!sendFrame(apply)) {
        fail(SendFail);
        return;
    }
    m_state.waitFor([this] { return m_state.applyAccepted() || m_state.applyRefused(); },
                    image.header.applyWait);
    if (m_state.applyRefused() && !m_state.applyAccepted()) {
        qCWarning(lcLauncher) << "the unit refused the update";
        fail(ApplyRefused);
        return;
    }
    if (!m_state.applyAccepted()) {
        qCWarning(lcLauncher) << "no answer to the apply request";
        fail(Timeout);
        return;
    }

    post(Progress, SendingSections);
    for (int t = 0; t < image.sections.size(); ++t) {
        if (!sendSection(file, image.sections.at(t), t, image.totalBlocks)) {
            qCWarning(lcLauncher) << "section" << t << "failed after"
                                  << m_state.blocksSent.load() << "blocks";
            post(SectionError, t);
            return;
        }
    }

    post(Progress, SectionsDone);
    sendFrame(QByteArray(1, static_cast<char>(Cmd::LoaderFinish)) + '\0');
    post(Success, 0);
    m_state.sleep(kFinishPauseMs);
}

bool UpdateSession::sendSection(const QByteArray &file, const Firmware::Section &section,
                                int index, qint64 totalBlocks)
{
    QByteArray payload(3 + Firmware::kBlockSize, '\0');
    payload[0] = static_cast<char>(section.blockCode);
    for (int i = 0; i < section.blockCount(); ++i) {
        const int block = section.firstBlock + i; // fits: checked when the file was read
        payload[1] = static_cast<char>((block >> 8) & 0xFF);
        payload[2] = static_cast<char>(block & 0xFF);
        const QByteArray data = Firmware::blockData(file, section, i);
        std::memcpy(payload.data() + 3, data.constData(), Firmware::kBlockSize);

        const qint64 sent = ++m_state.blocksSent;
        int progress = static_cast<int>(qMin<qint64>(sent * 100 / totalBlocks, 0x7FFFFFFF));
        if (progress < 2)
            progress = 2;
        post(Progress, progress);

        m_state.clearSectionAck(index);
        if (!sendFrame(payload))
            return false;
        if (!m_state.waitFor([this, index] { return m_state.sectionAck(index); },
                             section.blockWait))
            return false;
    }
    return true;
}

void UpdateSession::receiveThread()
{
    m_state.sleep(kReceiveStartDelayMs);
    for (int i = 0; i < kOpenWaitChecks && !m_transport.isOpen() && !m_state.cancelled(); ++i)
        m_state.sleep(1);
    if (!m_transport.isOpen()) {
        m_state.setReceiverEnded();
        return;
    }
    Frame::Reassembler stream([this](const std::uint8_t *frame, std::size_t len) {
        handleFrame(frame, len);
    });
    const int size = m_transport.readSize();
    std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[static_cast<std::size_t>(size)]);
    while (m_transport.isOpen() && !m_state.cancelled()) {
        const int n = m_transport.read(buffer.get(), kReadTimeoutMs);
        if (n < 0)
            break;
        if (n == 0)
            continue;
        const int m = qMin(n, size);
        if (m_transport.hasCountByte())
            stream.feedReport(buffer.get(), m);
        else
            stream.feedBytes(buffer.get(), static_cast<std::size_t>(m));
    }
    m_state.setReceiverEnded();
}

void UpdateSession::handleFrame(const std::uint8_t *frame, std::size_t len)
{
    const std::uint8_t *payload = frame + 4;
    const std::size_t n = len - Frame::kOverhead;
    const std::uint8_t code = payload[0];
    if (code == Cmd::DeviceInfoReply) {
        // Device info reply: fields past a short payload read as zero.
        std::uint8_t p[64] = {};
        std::memcpy(p, payload, qMin<std::size_t>(n, Identity::kModeOffset + 1));
        UnitInfo info;
        info.modelName = text(p + Identity::kModelNameOffset, Identity::kModelNameSize);
        info.info1 = text(p + Identity::kInfo1Offset, Identity::kInfoTextSize);
        info.version = text(p + Identity::kVersionOffset, Identity::kInfoTextSize);
        info.info3 = text(p + Identity::kInfo3Offset, Identity::kInfoTextSize);
        info.mode = static_cast<char>(p[Identity::kModeOffset]);
        bool received = info.modelName.compare(m_config.expectedName, Qt::CaseInsensitive) == 0;
        for (const QByteArray &sibling : kSiblingNames)
            received = received || m_config.expectedName == sibling;
        m_state.setInfo(info, received);
        return;
    }
    if (n < 2)
        return; // no status byte
    if (static_cast<int>(code) == m_applyAckCode.load()) {
        m_state.setApplyStatus(payload[1]);
        return;
    }
    m_state.acknowledgeBlocks(code, payload[1]);
}
