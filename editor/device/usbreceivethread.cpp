#include "usbreceivethread.h"

#include "commands.h"
#include "unittransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <array>
#include <cstring>

Q_LOGGING_CATEGORY(lcRecv, "kt900.device.receive")

using namespace Kt900;

namespace {

// The global blocks a full download must bring (what a backup carries).
struct BlockSpec
{
    int code;
    const char *what;
};
constexpr BlockSpec kDownloadBlocks[] = {
    {Cmd::ExpVolume, QT_TRANSLATE_NOOP("usbReceiveThread", "the pedal volume")},
    {Cmd::GlobalBpm, QT_TRANSLATE_NOOP("usbReceiveThread", "the global tempo")},
    {Cmd::SystemSettings, QT_TRANSLATE_NOOP("usbReceiveThread", "the system settings")},
    {Cmd::GlobalEq, QT_TRANSLATE_NOOP("usbReceiveThread", "the global EQ")},
    {Cmd::MidiList, QT_TRANSLATE_NOOP("usbReceiveThread", "the MIDI table")},
    {Cmd::RhythmSettings, QT_TRANSLATE_NOOP("usbReceiveThread", "the rhythm settings")},
    {Cmd::CaptureAmpList, QT_TRANSLATE_NOOP("usbReceiveThread", "the capture amp list")},
};

// Bit of an applied global block frame in the completeness mask, 0 for
// other frames. The global EQ counts only with its parameters.
std::uint32_t blockBit(int code, const std::uint8_t *p, int n)
{
    if (code == Cmd::GlobalEq && !(p[1] < 2 && n >= 5 + 2 * kGlobalEqWords))
        return 0;
    for (std::size_t i = 0; i < sizeof kDownloadBlocks / sizeof kDownloadBlocks[0]; ++i) {
        if (kDownloadBlocks[i].code == code)
            return 1u << i;
    }
    return 0;
}

// Chunk row of a slot kind: 0 NR, 1 IR, 2 capture; -1 for other kinds.
int chunkRow(int kind)
{
    return kind == Cmd::KindNr ? 0 : kind == Cmd::KindIr ? 1 : kind == Cmd::KindCapture ? 2 : -1;
}

int slotTotal(int kind)
{
    return kind == Cmd::KindCapture ? kCaptureSlots : kind == Cmd::KindIr ? kIrSlots : kind == Cmd::KindNr ? kNrSlots : 0;
}

// Bits 1 .. data chunks of a whole slot (chunk 0, the name, is not data).
std::uint32_t wholeMask(int kind)
{
    const int chunks = kind == Cmd::KindCapture ? kCaptureBytes / Cmd::kCaptureChunkBytes
                       : kind == Cmd::KindIr    ? kIrBytes / Cmd::kIrChunkBytes
                                                : kNrBytes / Cmd::kNrChunkBytes;
    return ((1u << (chunks + 1)) - 1u) & ~1u;
}

QString presetText(int index)
{
    return QStringLiteral("%1%2").arg(index / 3 + 1, 2, 10, QLatin1Char('0')).arg(QLatin1Char("ABC"[index % 3]));
}

} // namespace

// Lives in the thread that created the usbReceiveThread and runs the dispatch
// there when the worker thread has handed frames over.
class UsbFrameDispatcher : public QObject
{
    Q_OBJECT
public:
    explicit UsbFrameDispatcher(usbReceiveThread *owner)
        : m_owner(owner)
    {
    }

public slots:
    void drain()
    {
        if (m_owner)
            m_owner->drainInbox();
    }

private:
    QPointer<usbReceiveThread> m_owner;
};

namespace {

// Saved delay time copies made when a delay-capable module arrives.
constexpr int kFxaDelayType = 25;
constexpr int kFxbDelayType = 26;
constexpr int kDelayDualFrom = 7; // DELAY types above this have a second time


constexpr int kIrReadoutBytes = kIrSlots * kIrBytes;
constexpr int kNrReadoutBytes = kNrSlots * kNrBytes;

} // namespace

usbReceiveThread::usbReceiveThread(UnitTransport *connection, DeviceStore *store, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_store(store ? store : &DeviceStore::instance())
    , m_reassembler([this](const std::uint8_t *frame, std::size_t len) {
        m_batch.emplace_back(reinterpret_cast<const char *>(frame), static_cast<int>(len));
    })
    , m_dispatcher(std::make_unique<UsbFrameDispatcher>(this))
{
    for (auto &p : m_irPending)
        p.store(false);
    for (auto &p : m_nrPending)
        p.store(false);
}

usbReceiveThread::~usbReceiveThread()
{
    // The owner has stopped the loop and waited for its thread; this makes
    // that ordering visible to ThreadSanitizer as well (QThread::wait is not).
    (void)m_loopDone.load(std::memory_order_acquire);
    // Deleted by a receiver while the dispatcher's slot is still running
    // further up the stack: let that slot return first.
    if (m_drainDepth > 0)
        m_dispatcher.release()->deleteLater();
}

// ---------------------------------------------------------------------------
// Receive loop and hand-off

void usbReceiveThread::ReadThread()
{
    m_loopDone.store(false, std::memory_order_relaxed);
    std::array<std::uint8_t, UnitTransport::kMaxTransferSize> report{};
    const bool countByte = !m_connection || m_connection->hasCountByte();
    bool failed = false;
    while (m_running.load()) {
        const int n = m_connection ? m_connection->read(report.data(), kReadTimeoutMs) : -1;
        if (n < 0) {
            m_running.store(false);
            m_disconnected.store(true);
            failed = true;
            break;
        }
        if (n > 0) {
            if (countByte)
                m_reassembler.feedReport(report.data(), n);
            else
                m_reassembler.feedBytes(report.data(), static_cast<std::size_t>(std::min(n, UnitTransport::kMaxTransferSize)));
            if (!m_batch.empty())
                handOff();
        }
    }
    m_loopDone.store(true, std::memory_order_release);
    if (failed) {
        qCInfo(lcRecv) << "read failed: the unit is disconnected";
        emit DeviceDisconnect(true);
    }
}

void usbReceiveThread::handOff()
{
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(m_inboxMutex);
        for (QByteArray &frame : m_batch)
            m_inbox.push_back(std::move(frame));
        if (!m_wakePending) {
            m_wakePending = true;
            post = true;
        }
    }
    m_batch.clear();
    if (post)
        QMetaObject::invokeMethod(m_dispatcher.get(), "drain", Qt::QueuedConnection);
}

void usbReceiveThread::drainInbox()
{
    // One frame at a time, so that a nested event loop inside a receiver of
    // SendDataToUi (an upload waiting for its Ack) keeps the order. A receiver
    // may even delete this object (from a nested event loop): stop then.
    QPointer<usbReceiveThread> guard(this);
    ++m_drainDepth;
    for (;;) {
        QByteArray frame;
        {
            std::lock_guard<std::mutex> lock(m_inboxMutex);
            if (m_inbox.empty()) {
                m_wakePending = false;
                break;
            }
            frame = std::move(m_inbox.front());
            m_inbox.pop_front();
        }
        dispatchFrame(reinterpret_cast<const std::uint8_t *>(frame.constData()),
                      static_cast<std::size_t>(frame.size()));
        if (!guard)
            return; // touch nothing: this object is gone
    }
    --m_drainDepth;
}

void usbReceiveThread::processReport(const std::uint8_t *report, int m)
{
    m_reassembler.feedReport(report, m);
    if (m_batch.empty())
        return;
    std::vector<QByteArray> frames;
    frames.swap(m_batch);
    QPointer<usbReceiveThread> guard(this);
    for (const QByteArray &frame : frames) {
        dispatchFrame(reinterpret_cast<const std::uint8_t *>(frame.constData()),
                      static_cast<std::size_t>(frame.size()));
        if (!guard)
            return;
    }
}

void usbReceiveThread::dispatchFrame(const std::uint8_t *frame, std::size_t len)
{
    if (!frame || len < static_cast<std::size_t>(Frame::kOverhead))
        return;
    const int n = frame[2] | (frame[3] << 8);
    if (static_cast<std::size_t>(n) + Frame::kOverhead > len)
        return;
    if (n < 1) {
        // A frame without a command code carries nothing to dispatch.
        qCDebug(lcRecv) << "empty frame ignored";
        return;
    }
    dispatchPayload(frame + 4, n);
}

// ---------------------------------------------------------------------------
// Dispatch. Every case checks that the payload holds every byte it reads; a
// frame that is too short stores nothing but is still reported.

void usbReceiveThread::dispatchPayload(const std::uint8_t *p, int n)
{
    if (!p || n < 1)
        return;
    const int code = p[0];
    QPointer<usbReceiveThread> guard(this); // a receiver may delete this object
    DeviceStore &s = *m_store;
    PresetEdit edit = s.editBufferEdit();
    bool applied = true;

    switch (code) {
    case Cmd::CurrentUi:
        if ((applied = n >= 5))
            s.setScreenCode(getU32(p + 1));
        break;
    case Cmd::ModuleFxa: case Cmd::ModuleDsOd: case Cmd::ModuleAmp: case Cmd::ModuleToneCap:
    case Cmd::ModuleCab: case Cmd::ModuleNsGate: case Cmd::ModuleEq: case Cmd::ModuleFxLoop:
    case Cmd::ModuleFxb: case Cmd::ModuleDelay: case Cmd::ModuleReverb:
        if ((applied = n >= 5))
            onModuleParams(Cmd::commandModule(code), p, n);
        break;
    case Cmd::RhythmSettings:
        if ((applied = n >= 1 + kRhythmSize))
            std::memcpy(s.rhythmBlock(), p + 1, kRhythmSize);
        break;
    case Cmd::GlobalBpm:
        if ((applied = n >= 6)) {
            edit.setVolume(p[1]);
            edit.setTempoRaw(getU16(p + 2));
            s.setGlobalTempoRaw(getU16(p + 4));
        }
        break;
    case Cmd::ChainOrder:
        if ((applied = n >= 1 + 2 * kChainLength)) {
            for (int i = 0; i < kChainLength; ++i) {
                edit.setChainModuleAt(i, p[1 + i]);
                edit.setChainEntryOn(i, p[1 + kChainLength + i]);
            }
        }
        break;
    case Cmd::SystemSettings:
        if ((applied = n >= 1 + kSystemSize))
            std::memcpy(s.systemBlock(), p + 1, kSystemSize);
        break;
    case Cmd::MidiMapEntry:
        applied = n >= 4 && (p[1] == 4 || p[1] == 5);
        if (applied) {
            const bool first = p[1] == 4;
            s.midiBlock()[(first ? 0 : 256) + p[2]] = p[3];
            s.setLastMidiChange((first ? 0x1200u : 0x1300u) + p[2]);
        }
        break;
    case Cmd::GlobalEq:
        if ((applied = n >= 2)) {
            s.setGlobalEqOutput(p[1]);
            if (p[1] < 2 && n >= 5 + 2 * kGlobalEqWords) {
                for (int i = 0; i < kGlobalEqWords; ++i)
                    s.setGlobalEqWord(i, getU16(p + 5 + 2 * i));
            }
        }
        break;
    case Cmd::CtrlSet:
        if ((applied = n >= 4)) {
            edit.setCtrlMode(p[1]);
            edit.setCtrlMask(getU16(p + 2));
        }
        break;
    case Cmd::ModuleSwitches:
        if ((applied = n >= 1 + 11)) {
            for (int i = 0; i < 11; ++i)
                s.setBlockWord(kEditBuffer, kSwitchOrder[static_cast<std::size_t>(i)], 0, p[1 + i] ? 1 : 0);
        }
        break;
    case Cmd::ExpVolume:
        if ((applied = n >= 14)) {
            for (int i = 0; i < kExpSettingCount; ++i)
                edit.setExpSetting(i, p[1 + i]);
            s.setExpGlobals(getU16(p + 11), p[13]);
        }
        break;
    case Cmd::ExpAssign:
        onExpAssign(p, n);
        break;
    case Cmd::SlotName:
        onSlotName(p, n);
        break;
    case Cmd::DataTransfer:
        onDataTransfer(p, n);
        break;
    case Cmd::StorePreset:
        applied = n >= 3 + kNameSize && p[2] < kPresetCount;
        if (applied) {
            const int index = p[2];
            *s.record(index) = *s.record(kEditBuffer);
            s.presetEdit(index).setNameBytes(p + 3, kNameSize);
            s.setLastStoredPreset(index);
            s.setCurrentIndex(index);
            s.setModified(false);
        }
        break;
    case Cmd::SelectPreset:
        applied = n >= 2 && s.selectPreset(p[1]);
        break;
    case Cmd::MidiList:
        if ((applied = n >= 1 + kMidiSize))
            std::memcpy(s.midiBlock(), p + 1, kMidiSize);
        break;
    case Cmd::CaptureSettingsA:
        if ((applied = n >= 2))
            s.setToneCaptureValue(0, p[1]);
        break;
    case Cmd::CaptureSettingsB:
        if ((applied = n >= 17)) {
            s.setToneCaptureValue(1, p[2]);
            for (int i = 0; i < 6; ++i)
                s.setToneCaptureValue(2 + i, getU16(p + 5 + 2 * i));
        }
        break;
    case Cmd::CaptureSettingsC:
        if ((applied = n >= 5)) {
            for (int i = 0; i < 4; ++i)
                s.setToneCaptureValue(8 + i, p[1 + i]);
        }
        break;
    case Cmd::CaptureAmpList:
        if ((applied = n >= 1 + kCaptureSlots * kCaptureAmpEntry))
            std::memcpy(s.captureAmpList(), p + 1, kCaptureSlots * kCaptureAmpEntry);
        break;
    case Cmd::BackupMode:
        if (n >= 3 && p[1] == 0 && p[2] == 0)
            m_readoutFinished.store(true);
        break;
    case Cmd::Ack:
        if (n >= 5 && p[1] == Cmd::DataTransfer) {
            m_ack.store((std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 8) | p[4]);
            if (p[2] == Cmd::SubPreset)
                m_lastAckedPreset.store(p[3]);
        }
        break;
    default:
        break;
    }
    if (!guard)
        return;
    if (!applied)
        qCDebug(lcRecv) << "frame" << Qt::hex << code << "not applied, payload length" << Qt::dec << n;
    else if (const std::uint32_t bit = blockBit(code, p, n))
        m_blocksSeen |= bit;
    emit SendDataToUi(code);
}

void usbReceiveThread::onModuleParams(int module, const std::uint8_t *p, int n)
{
    DeviceStore &s = *m_store;
    const bool loop = !moduleHasTypeWord(module);
    const int capacity = moduleParamWords(module);
    // Words present in the payload after its 5 header bytes, at most as many
    // as the block holds.
    const int words = std::min((n - 5) / 2, capacity);
    if ((n - 5) / 2 > capacity)
        qCDebug(lcRecv) << "module" << module << "frame carries more words than its block holds";
    s.setBlockWord(kEditBuffer, module, 0, p[1]);
    const int firstWord = loop ? 1 : 2;
    if (!loop)
        s.setBlockWord(kEditBuffer, module, 1, p[2]);
    for (int i = 0; i < words; ++i)
        s.setBlockWord(kEditBuffer, module, firstWord + i, getU16(p + 5 + 2 * i));

    PresetEdit edit = s.editBufferEdit();
    auto word = [&](int w) { return s.blockWord(kEditBuffer, module, w); };
    switch (module) {
    case ModFxa:
        if (word(1) == kFxaDelayType && word(5) == 0)
            edit.setSavedDelayTime(SavedFxa, static_cast<std::uint16_t>(word(4)));
        break;
    case ModFxb:
        if (word(1) == kFxbDelayType && word(5) == 0)
            edit.setSavedDelayTime(SavedFxb, static_cast<std::uint16_t>(word(4)));
        break;
    case ModDelay:
        if (word(1) > kDelayDualFrom && word(7) == 0)
            edit.setSavedDelayTime(SavedDelay2, static_cast<std::uint16_t>(word(6)));
        if (word(5) == 0)
            edit.setSavedDelayTime(SavedDelay1, static_cast<std::uint16_t>(word(4)));
        break;
    default:
        break;
    }
}

void usbReceiveThread::onExpAssign(const std::uint8_t *p, int n)
{
    if (n < 15)
        return;
    const int module = p[1];
    const int index = p[2];
    if (module == ModToneCap)
        return; // carries no assignment slot
    if (module > ModToneCap) {
        qCDebug(lcRecv) << "expression assignment for module" << module << "ignored";
        return;
    }
    const int slot = mergeFirstSlot(module) + index;
    if (slot >= kMergeSlots) {
        qCDebug(lcRecv) << "expression assignment slot" << slot << "out of range";
        return;
    }
    const std::uint32_t a = getU32(p + 3);
    const std::uint32_t b = getU32(p + 7);
    const std::uint32_t c = getU32(p + 11);
    PresetEdit r = m_store->editBufferEdit();
    r.setMergeByte(0, slot, 0, static_cast<std::uint8_t>(a));
    r.setMergeByte(0, slot, 1, static_cast<std::uint8_t>(a >> 16));
    r.setMergeByte(1, slot, 0, static_cast<std::uint8_t>(b));
    r.setMergeByte(1, slot, 1, static_cast<std::uint8_t>(b >> 16));
    r.setMergeFlag(0, slot, (c & 0xFF) ? static_cast<std::uint8_t>(c >> 8) : 0);
    r.setMergeFlag(1, slot, ((c >> 16) & 0xFF) ? static_cast<std::uint8_t>(c >> 24) : 0);
}

void usbReceiveThread::onSlotName(const std::uint8_t *p, int n)
{
    if (n < 3 + kNameSize)
        return;
    const int kind = p[1];
    const int slot = p[2];
    const std::uint8_t *nameBytes = p + 3;
    const QString name = nameFromBytes(nameBytes);
    DeviceStore &s = *m_store;
    switch (kind) {
    case Cmd::KindNr:
        if (!s.setSlotNameBytes(ListNr, slot, nameBytes, kNameSize))
            break;
        if (m_typeNameHandler)
            m_typeNameHandler(ModAmp, 70 + slot, QStringLiteral("%1:%2").arg(slot + 71, 2, 10, QLatin1Char('0')).arg(name).trimmed());
        break;
    case Cmd::KindIr:
        if (!s.setSlotNameBytes(ListIr, slot, nameBytes, kNameSize))
            break;
        ++m_irNameCount;
        if (m_typeNameHandler)
            m_typeNameHandler(ModCab, 32 + slot, QStringLiteral("%1:%2").arg(slot + 33, 2, 10, QLatin1Char('0')).arg(name).trimmed());
        break;
    case Cmd::KindCapture:
        if (!s.setSlotNameBytes(ListCapture, slot, nameBytes, kNameSize))
            break;
        s.setCaptureUsed(slot, true);
        {
            QPointer<usbReceiveThread> guard(this);
            emit ToneNameChanged(slot, name);
            if (!guard)
                return;
        }
        if (m_fetchCaptures)
            sendRequestData(Cmd::KindCapture, 0, slot);
        break;
    default:
        break;
    }
}

void usbReceiveThread::onDataTransfer(const std::uint8_t *p, int n)
{
    if (n < Cmd::kChunkHeader)
        return;
    const int sub = p[1];
    const int slot = p[2];
    const int total = p[5];
    const int index = p[6];
    const std::uint8_t *data = p + Cmd::kChunkHeader;
    const int dataBytes = n - Cmd::kChunkHeader;
    DeviceStore &s = *m_store;

    switch (sub) {
    case Cmd::SubEditBuffer:
    case Cmd::SubPreset: {
        if (index == 0 || dataBytes < kWireRecordSize)
            return;
        if (sub == Cmd::SubPreset && slot >= kPresetCount) {
            // Would land in whichever preset happens to be current.
            qCDebug(lcRecv) << "preset record for index" << slot << "ignored";
            return;
        }
        if (slot < kPresetCount)
            s.selectPreset(slot);
        Record *target = sub == Cmd::SubEditBuffer ? s.record(kEditBuffer) : s.record(s.currentPresetIndex());
        if (!target)
            return;
        decodeWireRecord(data, *target);
        m_recordSeen[static_cast<std::size_t>(sub == Cmd::SubEditBuffer ? kEditBuffer : slot)] = true;
        if (sub == Cmd::SubEditBuffer) {
            sendRequestData(Cmd::KindCapture, 1, 0);
            m_fetchCaptures = true;
        }
        break;
    }
    case Cmd::SubCapture:
        if (index == 0 || dataBytes < Cmd::kCaptureChunkBytes)
            return;
        if (slot >= kCaptureSlots || index > kCaptureBytes / Cmd::kCaptureChunkBytes) {
            qCDebug(lcRecv) << "capture chunk" << index << "of slot" << slot << "out of range";
            return;
        }
        std::memcpy(s.captureData(slot) + (index - 1) * Cmd::kCaptureChunkBytes, data, Cmd::kCaptureChunkBytes);
        m_chunkMask[2][slot] |= 1u << index;
        break;
    case Cmd::SubIr:
        m_irPending[slot % kIrSlots].store(false);
        if (index >= 1 && index < total && dataBytes >= Cmd::kIrChunkBytes && !m_irReadout.empty()) {
            if (slot >= kIrSlots || index > kIrBytes / Cmd::kIrChunkBytes) {
                qCDebug(lcRecv) << "IR chunk" << index << "of slot" << slot << "out of range";
                return;
            }
            std::memcpy(m_irReadout.data() + slot * kIrBytes + (index - 1) * Cmd::kIrChunkBytes, data,
                        Cmd::kIrChunkBytes);
            m_chunkMask[1][slot] |= 1u << index;
        }
        break;
    case Cmd::SubNr:
        m_nrPending[slot % kNrSlots].store(false);
        if (index >= 1 && index < total && dataBytes >= Cmd::kNrChunkBytes && !m_nrReadout.empty()) {
            if (slot >= kNrSlots || index > kNrBytes / Cmd::kNrChunkBytes) {
                qCDebug(lcRecv) << "NR chunk" << index << "of slot" << slot << "out of range";
                return;
            }
            std::memcpy(m_nrReadout.data() + slot * kNrBytes + (index - 1) * Cmd::kNrChunkBytes, data,
                        Cmd::kNrChunkBytes);
            m_chunkMask[0][slot] |= 1u << index;
        }
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Request builders

int usbReceiveThread::sendPayload(const std::uint8_t *payload, int n)
{
    if (!m_connection || n < 1)
        return -1;
    std::array<std::uint8_t, 1024> frame{};
    if (n + Frame::kOverhead > static_cast<int>(frame.size()))
        return -1;
    const std::size_t len = Frame::build(frame.data(), payload, static_cast<std::uint16_t>(n));
    return m_connection->write(frame.data(), static_cast<int>(len), kWriteTimeoutMs) ? 1 : -1;
}

int usbReceiveThread::sendDeviceInfoRequest()
{
    const std::uint8_t p[] = {Cmd::DeviceInfo, 0x00};
    return sendPayload(p, 2);
}

int usbReceiveThread::sendCurrentUi(std::uint32_t screenCode)
{
    if (m_store->screenCode() == screenCode)
        return 0;
    m_store->setScreenCode(screenCode);
    std::uint8_t p[6] = {Cmd::CurrentUi};
    putU32(p + 1, screenCode);
    return sendPayload(p, 6);
}

int usbReceiveThread::sendModuleParams(int module)
{
    const int code = Cmd::moduleCommand(module);
    if (code < 0)
        return -1;
    const std::uint8_t *block = m_store->moduleBlock(kEditBuffer, module);
    const bool loop = !moduleHasTypeWord(module);
    std::array<std::uint8_t, 32> p{};
    p[0] = static_cast<std::uint8_t>(code);
    p[1] = block[0];
    p[2] = loop ? 0 : block[2];
    // The parameter words follow the on/off word (FX LOOP, no type word) or
    // the type word.
    const int from = loop ? 2 : 4;
    const int bytes = moduleBlockSize(module) - from;
    std::memcpy(p.data() + 5, block + from, static_cast<std::size_t>(bytes));
    return sendPayload(p.data(), 5 + bytes);
}

int usbReceiveThread::sendRhythmSettings()
{
    std::uint8_t p[1 + kRhythmSize] = {Cmd::RhythmSettings};
    std::memcpy(p + 1, m_store->rhythmBlock(), kRhythmSize);
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendGlobalBpm()
{
    const Record &edit = *m_store->record(kEditBuffer);
    std::uint8_t p[6] = {Cmd::GlobalBpm};
    p[1] = edit[Rec::Volume];
    p[2] = edit[Rec::Tempo];
    p[3] = edit[Rec::Tempo + 1];
    putU16(p + 4, m_store->globalTempoRaw());
    return sendPayload(p, 6);
}

int usbReceiveThread::sendChainOrder()
{
    std::uint8_t p[1 + 2 * kChainLength] = {Cmd::ChainOrder};
    for (int i = 0; i < kChainLength; ++i) {
        p[1 + i] = static_cast<std::uint8_t>(m_store->chainModuleAt(i));
        p[1 + kChainLength + i] = m_store->moduleSwitch(i) ? 1 : 0;
    }
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendSystemSetting(int index, int value)
{
    // 0..17 set a byte of the block, 18 and 19 an entry of a MIDI table.
    if (!m_store->setSystemSetting(index, value))
        return -1;
    return sendSystemSettings();
}

int usbReceiveThread::sendSystemSettings()
{
    std::uint8_t p[1 + kSystemSize] = {Cmd::SystemSettings};
    std::memcpy(p + 1, m_store->systemBlock(), kSystemSize);
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendMidiMapEntry(int setting, int index, int value)
{
    if ((setting != 18 && setting != 19) || index < 0 || index > 255)
        return -1;
    const std::uint8_t p[5] = {Cmd::MidiMapEntry, static_cast<std::uint8_t>(setting == 18 ? 4 : 5),
                               static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(value & 0xFF),
                               static_cast<std::uint8_t>(value > 255 ? 1 : 0)};
    return sendPayload(p, 5);
}

int usbReceiveThread::sendGlobalEq()
{
    std::uint8_t p[5 + 2 * kGlobalEqWords] = {Cmd::GlobalEq};
    p[1] = static_cast<std::uint8_t>(m_store->globalEqOutput());
    for (int i = 0; i < kGlobalEqWords; ++i)
        putU16(p + 5 + 2 * i, m_store->globalEqWord(i));
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendCtrlSet()
{
    const Record &edit = *m_store->record(kEditBuffer);
    const std::uint8_t p[4] = {Cmd::CtrlSet, edit[Rec::CtrlMode], edit[Rec::CtrlMask], edit[Rec::CtrlMask + 1]};
    return sendPayload(p, 4);
}

int usbReceiveThread::sendExpVolume()
{
    return sendExpVolume(kEditBuffer);
}

int usbReceiveThread::sendExpVolume(int presetIndex)
{
    const Record *r = m_store->record(presetIndex);
    if (!r)
        return -1;
    std::uint8_t p[14] = {Cmd::ExpVolume};
    std::memcpy(p + 1, r->data() + Rec::ExpSettings, 10);
    putU16(p + 11, m_store->expGlobalWord());
    p[13] = m_store->expGlobalByte();
    return sendPayload(p, 14);
}

int usbReceiveThread::sendFactoryReset()
{
    const std::uint8_t p[1] = {Cmd::FactoryReset};
    return sendPayload(p, 1);
}

int usbReceiveThread::sendSlotName(int list, int slot, const QString &name)
{
    int kind = 0;
    switch (list) {
    case ListNr: kind = Cmd::KindNr; break;
    case ListIr: kind = Cmd::KindIr; break;
    case ListCapture: kind = Cmd::KindCapture; break;
    default: return -1;
    }
    if (slot < 0 || slot >= DeviceStore::slotCount(list) || name.isEmpty())
        return -1;
    std::uint8_t p[3 + kNameSize] = {Cmd::SlotName, static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(slot)};
    nameToBytes(name, p + 3);
    m_store->setSlotNameBytes(list, slot, p + 3, kNameSize);
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendRequestData(int kind, int a, int b)
{
    const std::uint8_t p[4] = {Cmd::RequestData, static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(a),
                               static_cast<std::uint8_t>(b)};
    return sendPayload(p, 4);
}

int usbReceiveThread::sendDeleteSlot(int module, int typeId)
{
    int kind = 0;
    int slot = -1;
    if (module == ModCab && typeId >= 32 && typeId <= 41) {
        kind = Cmd::KindIr;
        slot = typeId - 32;
    } else if (module == ModAmp && typeId >= 70 && typeId <= 79) {
        kind = Cmd::KindNr;
        slot = typeId - 70;
    } else {
        return -1;
    }
    const std::uint8_t p[3] = {Cmd::DeleteSlot, static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(slot)};
    return sendPayload(p, 3);
}

int usbReceiveThread::sendRequestSync()
{
    const std::uint8_t p[2] = {Cmd::RequestSync, 0x01};
    return sendPayload(p, 2);
}

int usbReceiveThread::sendEditorAttach()
{
    const std::uint8_t p[2] = {Cmd::EditorAttach, 0x01};
    return sendPayload(p, 2);
}

int usbReceiveThread::sendStorePreset(int index, const QString &name)
{
    if (index < 0 || index >= kPresetCount)
        return -1;
    std::uint8_t p[3 + kNameSize] = {Cmd::StorePreset, 0x00, static_cast<std::uint8_t>(index)};
    nameToBytes(name, p + 3);
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendSelectPreset(int index)
{
    if (index < 0 || index >= kPresetCount)
        return -1;
    const std::uint8_t p[2] = {Cmd::SelectPreset, static_cast<std::uint8_t>(index)};
    return sendPayload(p, 2);
}

int usbReceiveThread::sendMidiList()
{
    std::uint8_t p[1 + kMidiSize] = {Cmd::MidiList};
    std::memcpy(p + 1, m_store->midiBlock(), kMidiSize);
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendToneCapture(int number)
{
    const DeviceStore &s = *m_store;
    if (number == 0) {
        const std::uint8_t p[2] = {Cmd::CaptureSettingsA, static_cast<std::uint8_t>(s.toneCaptureValue(0))};
        return sendPayload(p, 2);
    }
    if (number >= 1 && number <= 7) {
        std::uint8_t p[17] = {Cmd::CaptureSettingsB, 0x00, static_cast<std::uint8_t>(s.toneCaptureValue(1))};
        for (int i = 0; i < 6; ++i)
            putU16(p + 5 + 2 * i, s.toneCaptureValue(2 + i));
        return sendPayload(p, 17);
    }
    if (number >= 8 && number <= 11) {
        const int v9 = s.toneCaptureValue(9);
        const int v10 = s.toneCaptureValue(10);
        const std::uint8_t p[5] = {Cmd::CaptureSettingsC, static_cast<std::uint8_t>(s.toneCaptureValue(8)),
                                   static_cast<std::uint8_t>((v9 == 3 && v10 == 0) ? 0 : v9),
                                   static_cast<std::uint8_t>(v10 != 0 ? 1 : 0),
                                   static_cast<std::uint8_t>(s.toneCaptureValue(11))};
        return sendPayload(p, 5);
    }
    if (number >= 12 && number <= 14)
        return sendModuleParams(ModToneCap);
    return -1;
}

int usbReceiveThread::sendCaptureAmpList()
{
    std::uint8_t p[1 + kCaptureSlots * kCaptureAmpEntry] = {Cmd::CaptureAmpList};
    std::memcpy(p + 1, m_store->captureAmpList(), kCaptureSlots * kCaptureAmpEntry);
    return sendPayload(p, sizeof p);
}

int usbReceiveThread::sendBackupMode(int a, int b)
{
    const std::uint8_t p[3] = {Cmd::BackupMode, static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)};
    return sendPayload(p, 3);
}

int usbReceiveThread::writePresetFrame(int subKind, int slot, int record)
{
    const Record *r = m_store->record(record);
    if (!r)
        return -1;
    std::array<std::uint8_t, Cmd::kPresetFramePayload> p{};
    p[0] = Cmd::DataTransfer;
    p[1] = static_cast<std::uint8_t>(subKind);
    p[2] = static_cast<std::uint8_t>(slot);
    // Count field 512, chunk total 2, chunk index 1, whatever the record's size.
    p[3] = 0x00;
    p[4] = 0x02;
    p[5] = 0x02;
    p[6] = 0x01;
    encodeWireRecord(*r, p.data() + Cmd::kChunkHeader);
    return sendPayload(p.data(), static_cast<int>(p.size()));
}

int usbReceiveThread::writeEditBuffer()
{
    return writePresetFrame(Cmd::SubEditBuffer, 255, kEditBuffer);
}

int usbReceiveThread::writePreset(int index)
{
    if (index < 0 || index >= kPresetCount)
        return -1;
    return writePresetFrame(Cmd::SubPreset, index, index);
}

int usbReceiveThread::writePresets(int first, int count)
{
    if (first < 0 || first >= kPresetCount || count < 0 || count > kPresetCount - 1)
        return -1;
    for (int k = 0; k < count; ++k) {
        if (writePreset((first + k) % kPresetCount) < 0)
            return -1;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Uploads and waiting

bool usbReceiveThread::isAcked(int subKind, int slot, int chunk) const
{
    const std::uint32_t want = (std::uint32_t(subKind & 0xFF) << 16) | (std::uint32_t(slot & 0xFF) << 8)
                               | std::uint32_t(chunk & 0xFF);
    return m_ack.load() == want;
}

usbReceiveThread::Wait usbReceiveThread::waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QPointer<usbReceiveThread> guard(this);
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (done())
            return Wait::Done;
        if (m_disconnected.load() || timer.elapsed() >= timeoutMs)
            return Wait::TimedOut;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!guard)
            return Wait::Gone; // deleted while events were processed: touch nothing
        if (done())
            return Wait::Done;
        QThread::msleep(kPollMs);
    }
}

bool usbReceiveThread::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    return waitFor(done, timeoutMs) == Wait::Done;
}

bool usbReceiveThread::waitForReadoutFinished(int timeoutMs)
{
    return waitUntil([this] { return m_readoutFinished.load(); }, timeoutMs);
}

bool usbReceiveThread::waitForPresetAck(int index, int timeoutMs)
{
    return waitUntil([this, index] { return m_lastAckedPreset.load() == index; }, timeoutMs);
}

bool usbReceiveThread::writePresetAcked(int index, int timeoutMs)
{
    if (index < 0 || index >= kPresetCount)
        return false;
    QPointer<usbReceiveThread> guard(this);
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        if (attempt > 0) {
            qCInfo(lcRecv) << "preset" << index << "not acknowledged; sending it again";
            m_resends.fetch_add(1);
        }
        setLastAckedPreset(kNoPresetAck);
        if (writePreset(index) < 0)
            return false;
        const Wait w = waitFor([this, index] { return m_lastAckedPreset.load() == index; }, timeoutMs);
        if (w == Wait::Done)
            return true;
        if (w == Wait::Gone || !guard || m_disconnected.load())
            return false;
    }
    return false;
}

bool usbReceiveThread::writeEditBufferAcked(int timeoutMs)
{
    QPointer<usbReceiveThread> guard(this);
    for (int attempt = 0; attempt < kSendAttempts; ++attempt) {
        if (attempt > 0)
            m_resends.fetch_add(1);
        m_ack.store(0);
        if (writeEditBuffer() < 0)
            return false;
        const Wait w = waitFor([this] { return ackSubKind() == Cmd::SubEditBuffer; }, timeoutMs);
        if (w == Wait::Done)
            return true;
        if (w == Wait::Gone || !guard || m_disconnected.load())
            return false;
    }
    return false;
}

bool usbReceiveThread::uploadChunks(int subKind, int slot, const std::uint8_t *name16, const std::uint8_t *data,
                                    int chunkBytes, int chunkTotal)
{
    std::array<std::uint8_t, Cmd::kChunkHeader + 512> p{};
    for (int i = 0; i < chunkTotal; ++i) {
        const int bytes = i == 0 ? kNameSize : chunkBytes;
        const std::uint8_t *src = i == 0 ? name16 : data + (i - 1) * chunkBytes;
        p[0] = Cmd::DataTransfer;
        p[1] = static_cast<std::uint8_t>(subKind);
        p[2] = static_cast<std::uint8_t>(slot);
        putU16(p.data() + 3, static_cast<std::uint16_t>(bytes));
        p[5] = static_cast<std::uint8_t>(chunkTotal);
        p[6] = static_cast<std::uint8_t>(i);
        std::memcpy(p.data() + Cmd::kChunkHeader, src, static_cast<std::size_t>(bytes));
        // Storing a chunk again is harmless: a chunk whose acknowledgement
        // does not come is sent once more before the upload fails.
        bool acked = false;
        for (int attempt = 0; attempt < kSendAttempts && !acked; ++attempt) {
            if (attempt > 0) {
                qCInfo(lcRecv) << "upload chunk" << i << "of kind" << subKind << "slot" << slot
                               << "not acknowledged; sending it again";
                m_resends.fetch_add(1);
            }
            if (sendPayload(p.data(), Cmd::kChunkHeader + bytes) < 0) {
                qCWarning(lcRecv) << "upload chunk" << i << "could not be written";
                return false;
            }
            // The unit may already have acknowledged the name chunk of a capture.
            if (subKind == Cmd::SubCapture && i == 0 && attempt == 0 && ackChunkIndex() == 0) {
                acked = true;
                break;
            }
            const Wait w = waitFor([this, subKind, slot, i] { return isAcked(subKind, slot, i); }, m_ackTimeoutMs);
            if (w == Wait::Gone)
                return false;
            acked = w == Wait::Done;
            if (!acked && m_disconnected.load())
                return false;
        }
        if (!acked) {
            qCWarning(lcRecv) << "upload chunk" << i << "of kind" << subKind << "slot" << slot << "not acknowledged";
            return false;
        }
    }
    return true;
}

bool usbReceiveThread::uploadNr(int slot, const QString &name, const QByteArray &data)
{
    if (slot < 0 || slot >= kNrSlots || data.size() < kNrBytes)
        return false;
    std::uint8_t name16[kNameSize];
    nameToBytes(name, name16);
    QPointer<usbReceiveThread> guard(this);
    const bool ok = uploadChunks(Cmd::SubNr, slot, name16, reinterpret_cast<const std::uint8_t *>(data.constData()),
                                 Cmd::kNrChunkBytes, Cmd::kNrChunkTotal);
    if (ok && guard)
        m_store->setSlotNameBytes(ListNr, slot, name16, kNameSize);
    return ok;
}

bool usbReceiveThread::uploadIr(int slot, const QString &name, const QByteArray &data)
{
    if (slot < 0 || slot >= kIrSlots || data.size() < kIrBytes)
        return false;
    std::uint8_t name16[kNameSize];
    nameToBytes(name, name16);
    QPointer<usbReceiveThread> guard(this);
    const bool ok = uploadChunks(Cmd::SubIr, slot, name16, reinterpret_cast<const std::uint8_t *>(data.constData()),
                                 Cmd::kIrChunkBytes, Cmd::kIrChunkTotal);
    if (ok && guard)
        m_store->setSlotNameBytes(ListIr, slot, name16, kNameSize);
    return ok;
}

bool usbReceiveThread::uploadCapture(int slot, const QByteArray &data)
{
    if (slot < 0 || slot >= kCaptureSlots || data.size() < kCaptureBytes)
        return false;
    std::memcpy(m_store->captureData(slot), data.constData(), kCaptureBytes);
    std::uint8_t name16[kNameSize];
    std::memcpy(name16, m_store->slotNameBytes(ListCapture, slot), kNameSize);
    // Sent from a copy: the store may change while the upload waits.
    const QByteArray copy(reinterpret_cast<const char *>(m_store->captureData(slot)), kCaptureBytes);
    return uploadChunks(Cmd::SubCapture, slot, name16, reinterpret_cast<const std::uint8_t *>(copy.constData()),
                        Cmd::kCaptureChunkBytes, Cmd::kCaptureChunkTotal);
}

// ---------------------------------------------------------------------------
// Read-out state

void usbReceiveThread::beginDownloadCheck()
{
    std::fill(m_recordSeen.begin(), m_recordSeen.end(), false);
    m_blocksSeen = 0;
    for (int slot = 0; slot < kCaptureSlots; ++slot)
        m_chunkMask[2][slot] = 0;
    m_damagedAtBegin = m_reassembler.damaged();
    m_downloadChecked = true;
}

QStringList usbReceiveThread::missingRecords() const
{
    QStringList missing;
    for (int i = 0; i < kPresetCount; ++i) {
        if (!m_recordSeen[static_cast<std::size_t>(i)])
            missing << tr("preset %1").arg(presetText(i));
    }
    if (!m_recordSeen[kEditBuffer])
        missing << tr("the edit buffer");
    for (std::size_t i = 0; i < sizeof kDownloadBlocks / sizeof kDownloadBlocks[0]; ++i) {
        if (!(m_blocksSeen & (1u << i)))
            missing << tr(kDownloadBlocks[i].what);
    }
    return missing;
}

int usbReceiveThread::damagedFrames() const
{
    return static_cast<int>(m_reassembler.damaged() - m_damagedAtBegin);
}

bool usbReceiveThread::slotDataComplete(int kind, int slot) const
{
    const int row = chunkRow(kind);
    if (row < 0 || slot < 0 || slot >= slotTotal(kind))
        return false;
    const std::uint32_t whole = wholeMask(kind);
    return (m_chunkMask[row][slot] & whole) == whole;
}

void usbReceiveThread::clearSlotChunks(int kind, int slot)
{
    const int row = chunkRow(kind);
    if (row >= 0 && slot >= 0 && slot < slotTotal(kind))
        m_chunkMask[row][slot] = 0;
}

QList<int> usbReceiveThread::incompleteSlots(int kind) const
{
    QList<int> result;
    for (int slot = 0; slot < slotTotal(kind); ++slot) {
        const bool filled = kind == Cmd::KindCapture ? m_store->captureUsed(slot)
                                                     : !m_store->slotName(kind == Cmd::KindIr ? ListIr : ListNr, slot).isEmpty();
        if (filled && !slotDataComplete(kind, slot))
            result << slot;
    }
    return result;
}

QList<int> usbReceiveThread::refetchIncompleteSlots(int kind, int attempts, int timeoutMs)
{
    QPointer<usbReceiveThread> guard(this);
    QList<int> left = incompleteSlots(kind);
    for (int attempt = 0; attempt < attempts && !left.isEmpty(); ++attempt) {
        for (int slot : left) {
            qCInfo(lcRecv) << "data of slot" << slot << "of kind" << kind << "not whole; asking for it again";
            clearSlotChunks(kind, slot);
            if (sendRequestData(kind, 0, slot) < 0)
                return left;
            const Wait w = waitFor([this, kind, slot] { return slotDataComplete(kind, slot); }, timeoutMs);
            if (w == Wait::Gone || !guard)
                return left;
            if (m_disconnected.load())
                return incompleteSlots(kind);
        }
        left = incompleteSlots(kind);
    }
    return left;
}

void usbReceiveThread::prepareReadout()
{
    m_readoutFinished.store(false);
    for (int slot = 0; slot < kIrSlots; ++slot) {
        m_chunkMask[0][slot] = 0;
        m_chunkMask[1][slot] = 0;
    }
    m_irReadout.assign(kIrReadoutBytes, 0);
    m_nrReadout.assign(kNrReadoutBytes, 0);
    for (auto &p : m_irPending)
        p.store(true);
    for (auto &p : m_nrPending)
        p.store(true);
}

void usbReceiveThread::releaseReadout()
{
    std::vector<std::uint8_t>().swap(m_irReadout);
    std::vector<std::uint8_t>().swap(m_nrReadout);
}

bool usbReceiveThread::irPending(int slot) const
{
    return slot >= 0 && slot < kIrSlots && m_irPending[slot].load();
}

bool usbReceiveThread::nrPending(int slot) const
{
    return slot >= 0 && slot < kNrSlots && m_nrPending[slot].load();
}

void usbReceiveThread::setIrPending(int slot, bool pending)
{
    if (slot >= 0 && slot < kIrSlots)
        m_irPending[slot].store(pending);
}

void usbReceiveThread::setNrPending(int slot, bool pending)
{
    if (slot >= 0 && slot < kNrSlots)
        m_nrPending[slot].store(pending);
}

#include "usbreceivethread.moc"
