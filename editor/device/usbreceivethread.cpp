#include "usbreceivethread.h"

#include "commands.h"
#include "unittransport.h"

#include <QLoggingCategory>
#include <QPointer>

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
    void loopEnded()
    {
        if (m_owner)
            m_owner->loopEnded();
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
    , m_requests(connection, m_store)
    , m_uploads(std::make_unique<UnitUploads>(m_requests, *m_store, m_disconnected))
    , m_reassembler([this](const std::uint8_t *frame, std::size_t len) {
        m_batch.emplace_back(reinterpret_cast<const char *>(frame), static_cast<int>(len));
    })
    , m_dispatcher(std::make_unique<UsbFrameDispatcher>(this))
{
    qRegisterMetaType<Kt900::UnitChange>("Kt900::UnitChange");
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
    // Uploads and waits of the owning thread end now, not at their time-out
    // (posted before the loop is marked done: the destructor may follow).
    if (failed)
        QMetaObject::invokeMethod(m_dispatcher.get(), "loopEnded", Qt::QueuedConnection);
    m_loopDone.store(true, std::memory_order_release);
    if (failed) {
        qCInfo(lcRecv) << "read failed: the unit is disconnected";
        emit DeviceDisconnect(true);
    }
}

void usbReceiveThread::loopEnded()
{
    m_uploads->disconnected();
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
    UnitChange what = UnitChange::Other;
    int module = -1;

    switch (code) {
    case Cmd::CurrentUi:
        what = UnitChange::Page;
        if ((applied = n >= 5))
            s.setScreenCode(getU32(p + 1));
        break;
    case Cmd::ModuleFxa: case Cmd::ModuleDsOd: case Cmd::ModuleAmp: case Cmd::ModuleToneCap:
    case Cmd::ModuleCab: case Cmd::ModuleNsGate: case Cmd::ModuleEq: case Cmd::ModuleFxLoop:
    case Cmd::ModuleFxb: case Cmd::ModuleDelay: case Cmd::ModuleReverb:
        what = UnitChange::Module;
        module = Cmd::commandModule(code);
        if ((applied = n >= 5))
            onModuleParams(Cmd::commandModule(code), p, n);
        break;
    case Cmd::RhythmSettings:
        what = UnitChange::Rhythm;
        if ((applied = n >= 1 + kRhythmSize))
            std::memcpy(s.rhythmBlock(), p + 1, kRhythmSize);
        break;
    case Cmd::GlobalBpm:
        what = UnitChange::VolumeTempo;
        if ((applied = n >= 6)) {
            edit.setVolume(p[1]);
            edit.setTempoRaw(getU16(p + 2));
            s.setGlobalTempoRaw(getU16(p + 4));
        }
        break;
    case Cmd::ChainOrder:
        what = UnitChange::ChainOrder;
        if ((applied = n >= 1 + 2 * kChainLength)) {
            for (int i = 0; i < kChainLength; ++i) {
                edit.setChainModuleAt(i, p[1 + i]);
                edit.setChainEntryOn(i, p[1 + kChainLength + i]);
            }
        }
        break;
    case Cmd::SystemSettings:
        what = UnitChange::SystemSettings;
        if ((applied = n >= 1 + kSystemSize))
            std::memcpy(s.systemBlock(), p + 1, kSystemSize);
        break;
    case Cmd::MidiMapEntry:
        what = UnitChange::MidiEntry;
        applied = n >= 4 && (p[1] == 4 || p[1] == 5);
        if (applied) {
            const bool first = p[1] == 4;
            s.midiBlock()[(first ? 0 : 256) + p[2]] = p[3];
            s.setLastMidiChange((first ? 0x1200u : 0x1300u) + p[2]);
        }
        break;
    case Cmd::GlobalEq:
        what = UnitChange::GlobalEq;
        if ((applied = n >= 2)) {
            s.setGlobalEqOutput(p[1]);
            if (p[1] < 2 && n >= 5 + 2 * kGlobalEqWords) {
                for (int i = 0; i < kGlobalEqWords; ++i)
                    s.setGlobalEqWord(i, getU16(p + 5 + 2 * i));
            }
        }
        break;
    case Cmd::CtrlSet:
        what = UnitChange::CtrlSet;
        if ((applied = n >= 4)) {
            edit.setCtrlMode(p[1]);
            edit.setCtrlMask(getU16(p + 2));
        }
        break;
    case Cmd::ModuleSwitches:
        what = UnitChange::Switches;
        if ((applied = n >= 1 + 11)) {
            for (int i = 0; i < 11; ++i)
                s.setBlockWord(kEditBuffer, kSwitchOrder[static_cast<std::size_t>(i)], 0, p[1 + i] ? 1 : 0);
        }
        break;
    case Cmd::ExpVolume:
        what = UnitChange::ExpVolume;
        if ((applied = n >= 14)) {
            for (int i = 0; i < kExpSettingCount; ++i)
                edit.setExpSetting(i, p[1 + i]);
            s.setExpGlobals(getU16(p + 11), p[13]);
        }
        break;
    case Cmd::ExpAssign:
        what = UnitChange::ExpAssign;
        onExpAssign(p, n);
        break;
    case Cmd::SlotName:
        what = UnitChange::SlotName;
        onSlotName(p, n);
        break;
    case Cmd::DataTransfer:
        what = UnitChange::Transfer;
        onDataTransfer(p, n);
        break;
    case Cmd::StorePreset:
        what = UnitChange::PresetStored;
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
        what = UnitChange::PresetSelected;
        applied = n >= 2 && s.selectPreset(p[1]);
        break;
    case Cmd::MidiList:
        what = UnitChange::MidiList;
        if ((applied = n >= 1 + kMidiSize))
            std::memcpy(s.midiBlock(), p + 1, kMidiSize);
        break;
    case Cmd::CaptureSettingsA:
        what = UnitChange::ToneCapture;
        if ((applied = n >= 2))
            s.setToneCaptureValue(0, p[1]);
        break;
    case Cmd::CaptureSettingsB:
        what = UnitChange::ToneCapture;
        if ((applied = n >= 17)) {
            s.setToneCaptureValue(1, p[2]);
            for (int i = 0; i < 6; ++i)
                s.setToneCaptureValue(2 + i, getU16(p + 5 + 2 * i));
        }
        break;
    case Cmd::CaptureSettingsC:
        what = UnitChange::ToneCapture;
        if ((applied = n >= 5)) {
            for (int i = 0; i < 4; ++i)
                s.setToneCaptureValue(8 + i, p[1 + i]);
        }
        break;
    case Cmd::CaptureAmpList:
        what = UnitChange::CaptureAmpList;
        if ((applied = n >= 1 + kCaptureSlots * kCaptureAmpEntry))
            std::memcpy(s.captureAmpList(), p + 1, kCaptureSlots * kCaptureAmpEntry);
        break;
    case Cmd::BackupMode:
        what = UnitChange::BackupMode;
        if (n >= 3 && p[1] == 0 && p[2] == 0)
            m_readoutFinished.store(true);
        break;
    case Cmd::Ack:
        what = UnitChange::Ack;
        if (n >= 5 && p[1] == Cmd::DataTransfer) {
            m_ack.store((std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 8) | p[4]);
            if (p[2] == Cmd::SubPreset)
                m_lastAckedPreset.store(p[3]);
            m_uploads->ackArrived(p[2], p[3], p[4]); // may send the next chunk
        }
        break;
    case Cmd::DeviceInfoReply:
        what = UnitChange::DeviceInfo;
        break;
    case Cmd::SyncDone:
        what = UnitChange::SyncDone;
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
    emit SendDataToUi(what, module);
    if (guard)
        m_uploads->frameDispatched();
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
            sendRequestData(Cmd::KindCapture, Cmd::RequestOneSlot, slot);
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
            sendRequestData(Cmd::KindCapture, Cmd::RequestAllSlots, 0);
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
// Requests and waits

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

bool usbReceiveThread::waitForReadoutFinished(int timeoutMs)
{
    return waitUntil([this] { return m_readoutFinished.load(); }, timeoutMs);
}

bool usbReceiveThread::waitForPresetAck(int index, int timeoutMs)
{
    return waitUntil([this, index] { return m_lastAckedPreset.load() == index; }, timeoutMs);
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
            if (sendRequestData(kind, Cmd::RequestOneSlot, slot) < 0)
                return left;
            const UnitUploads::Wait w =
                m_uploads->waitFor([this, kind, slot] { return slotDataComplete(kind, slot); }, timeoutMs);
            if (w == UnitUploads::Wait::Gone || !guard)
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
