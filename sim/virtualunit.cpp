#include "virtualunit.h"

#include "factoryset.h"

#include "commands.h"
#include "effectcatalogue.h"
#include "valuemodel.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cstring>

Q_LOGGING_CATEGORY(lcUnit, "kt900.sim")

namespace Kt900Sim {

using namespace Kt900;

namespace {

struct SlotKind {
    int slotTotal;
    int chunkTotal;
    int chunkBytes;
    int dataBytes;
};

bool slotKind(int sub, SlotKind *k)
{
    switch (sub) {
    case Cmd::SubNr: *k = {kNrSlots, Cmd::kNrChunkTotal, Cmd::kNrChunkBytes, kNrBytes}; return true;
    case Cmd::SubIr: *k = {kIrSlots, Cmd::kIrChunkTotal, Cmd::kIrChunkBytes, kIrBytes}; return true;
    case Cmd::SubCapture: *k = {kCaptureSlots, Cmd::kCaptureChunkTotal, Cmd::kCaptureChunkBytes, kCaptureBytes}; return true;
    default: return false;
    }
}

void appendU16(QByteArray &b, std::uint16_t v)
{
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>(v >> 8));
}

void appendU32(QByteArray &b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void appendText(QByteArray &b, const QString &text, int size)
{
    QByteArray t = text.toLatin1().left(size);
    t.append(QByteArray(size - t.size(), '\0'));
    b.append(t);
}

// Saved delay times follow a manually set time, as on the editor's side:
// FXA type 25 / FXB type 26 with Sub D off keep Time; DELAY keeps Time (and
// Time B of the dual delay) while their subdivisions are off.
void applySavedTimes(Record &r, int module)
{
    PresetEdit e(r);
    auto word = [&e, module](int w) { return static_cast<std::uint16_t>(e.blockWord(module, w)); };
    if (module == ModFxa && word(1) == 25 && word(5) == 0)
        e.setSavedDelayTime(SavedFxa, word(4));
    else if (module == ModFxb && word(1) == 26 && word(5) == 0)
        e.setSavedDelayTime(SavedFxb, word(4));
    else if (module == ModDelay) {
        if (word(1) > 7 && word(7) == 0)
            e.setSavedDelayTime(SavedDelay2, word(6));
        if (word(5) == 0)
            e.setSavedDelayTime(SavedDelay1, word(4));
    }
}

// Checks a module block against the catalogue; empty when every value is
// one the catalogue accepts.
QString checkModuleBlock(const Record &r, int module)
{
    const EffectCatalogue *cat = unitCatalogue();
    if (!cat || module == ModToneCap)
        return QString();
    const std::uint8_t *b = r.data() + moduleBlockOffset(module);
    const bool hasType = moduleHasTypeWord(module);
    const int type = hasType ? getU16(b + 2) : 0;
    const int catModule = module == ModFxLoopReturn ? ModFxLoopSend : module;
    if (type >= cat->typeCount(catModule))
        return QStringLiteral("module %1: type %2 does not exist").arg(module).arg(type);
    const int params = std::min(cat->paramCount(catModule, type), moduleParamWords(module));
    const std::uint8_t *words = b + (hasType ? 4 : 2);
    for (int i = 0; i < params; ++i) {
        const int raw = getU16(words + 2 * i);
        if (!cat->isValueValid(raw, catModule, type, i))
            return QStringLiteral("module %1 type %2: parameter %3 = %4 is out of range").arg(module).arg(type).arg(i).arg(raw);
    }
    return QString();
}

} // namespace

// ---------------------------------------------------------------------------
// LoaderLog

QByteArray LoaderLog::sectionData(std::uint8_t blockCode, std::uint16_t firstBlock, int blockCount) const
{
    QByteArray out;
    for (int i = 0; i < blockCount; ++i) {
        const std::uint16_t number = static_cast<std::uint16_t>(firstBlock + i);
        const Block *found = nullptr;
        for (const Block &b : blocks)
            if (b.code == blockCode && b.number == number)
                found = &b; // the last copy wins, as a retried block would
        if (!found)
            return QByteArray();
        out.append(found->data);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Construction and report level

VirtualUnit::VirtualUnit(const UnitOptions &options)
    : m_options(options)
    , m_memory(std::make_unique<UnitMemory>(factoryMemory()))
    , m_reassembler([this](const std::uint8_t *frame, std::size_t len) { onFrame(frame, len); })
{
}

VirtualUnit::~VirtualUnit() = default;

UnitOptions VirtualUnit::options() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_options;
}

int VirtualUnit::reportSize() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_options.reportSize();
}

char VirtualUnit::mode() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_options.mode;
}

void VirtualUnit::receiveReport(const std::uint8_t *data, int len)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || !data || len <= 0)
            return;
        ++m_reportsReceived;
        if (m_options.bulk()) {
            m_reassembler.feedBytes(data, static_cast<std::size_t>(len));
        } else {
            // Only the counted bytes carry frame data; the rest of a report
            // may hold anything from an earlier report.
            const int count = data[0];
            if (count < 1 || count > 63 || count > len - 1)
                protocolError(QStringLiteral("report with count byte %1 (length %2)").arg(count).arg(len));
            else
                m_reassembler.feedBytes(data + 1, static_cast<std::size_t>(count));
        }
    }
    notify();
}

bool VirtualUnit::takeReport(std::vector<std::uint8_t> *out, Clock::time_point now)
{
    bool taken = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        runTimedEvents(now);
        const int limit = m_options.faults.unplugAfterReports;
        if (!m_unplugged && limit >= 0 && m_reportsSent >= limit) {
            m_unplugged = true;
            m_out.clear();
            m_pendingUnplugNotice = true;
        }
        if (!m_unplugged && !m_out.empty() && m_out.front().due <= now) {
            if (out)
                *out = std::move(m_out.front().report);
            m_out.pop_front();
            ++m_reportsSent;
            taken = true;
            if (limit >= 0 && m_reportsSent >= limit) {
                m_unplugged = true;
                m_out.clear();
                m_pendingUnplugNotice = true;
            }
        }
    }
    notify();
    return taken;
}

bool VirtualUnit::hasReport(Clock::time_point now)
{
    bool has = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        runTimedEvents(now);
        has = !m_unplugged && !m_out.empty() && m_out.front().due <= now;
    }
    notify();
    return has;
}

VirtualUnit::Clock::time_point VirtualUnit::nextDueTime()
{
    Clock::time_point due = Clock::time_point::max();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        runTimedEvents(Clock::now());
        if (!m_unplugged) {
            if (!m_out.empty())
                due = m_out.front().due;
            if (m_captureSlot >= 0)
                due = std::min(due, m_captureDue);
        }
    }
    notify();
    return due;
}

VirtualUnit::Clock::time_point VirtualUnit::nextEventTime()
{
    Clock::time_point due = Clock::time_point::max();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        runTimedEvents(Clock::now());
        if (!m_unplugged && m_captureSlot >= 0)
            due = m_captureDue;
    }
    notify();
    return due;
}

int VirtualUnit::pendingReports() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_out.size());
}

void VirtualUnit::hostAttached()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_out.clear();
    m_reassembler.clear();
    m_staging.clear();
    m_lastDue = Clock::time_point{};
}

void VirtualUnit::setOutputListener(std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_outputListener = std::move(listener);
}

void VirtualUnit::setUnplugListener(std::function<void()> listener)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_unplugListener = std::move(listener);
}

void VirtualUnit::notify()
{
    std::function<void()> output;
    std::function<void()> unplugged;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pendingUnplugNotice) {
            unplugged = m_unplugListener;
            m_pendingUnplugNotice = false;
            m_pendingOutputNotice = false;
        } else if (m_pendingOutputNotice) {
            output = m_outputListener;
            m_pendingOutputNotice = false;
        }
    }
    if (unplugged)
        unplugged();
    if (output)
        output();
}

// ---------------------------------------------------------------------------
// Faults and memory

FaultOptions VirtualUnit::faults() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_options.faults;
}

void VirtualUnit::setFaults(const FaultOptions &faults)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_options.faults = faults;
        if (faults.unplugAfterReports >= 0 && m_reportsSent >= faults.unplugAfterReports && !m_unplugged) {
            m_unplugged = true;
            m_out.clear();
            m_pendingUnplugNotice = true;
        }
    }
    notify();
}

void VirtualUnit::unplug()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged)
            return;
        m_unplugged = true;
        m_out.clear();
        m_pendingUnplugNotice = true;
    }
    notify();
}

bool VirtualUnit::isUnplugged() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_unplugged;
}

UnitMemory VirtualUnit::memory() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return *m_memory;
}

void VirtualUnit::editMemory(const std::function<void(UnitMemory &)> &edit)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (edit)
        edit(*m_memory);
}

void VirtualUnit::factoryReset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    *m_memory = factoryMemory();
    m_staging.clear();
    m_captureSlot = -1;
}

bool VirtualUnit::saveState(const QString &path, QString *error) const
{
    const UnitMemory copy = memory();
    return copy.saveToFile(path, error);
}

bool VirtualUnit::loadState(const QString &path, QString *error)
{
    auto loaded = std::make_unique<UnitMemory>();
    if (!loaded->loadFromFile(path, error))
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    *m_memory = *loaded;
    return true;
}

std::vector<QByteArray> VirtualUnit::receivedFrames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

void VirtualUnit::clearReceivedFrames()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_received.clear();
    m_errors.clear();
}

QStringList VirtualUnit::protocolErrors() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_errors;
}

int VirtualUnit::reportsSent() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reportsSent;
}

int VirtualUnit::reportsReceived() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reportsReceived;
}

int VirtualUnit::syncCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_syncs;
}

LoaderLog VirtualUnit::loaderLog() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_loader;
}

// ---------------------------------------------------------------------------
// Footswitches

bool VirtualUnit::selectPreset(int index)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A' || !m_memory->store.selectPreset(index))
            return false;
        sendFrame({Cmd::SelectPreset, index});
    }
    notify();
    return true;
}

bool VirtualUnit::setParameter(int module, int paramIndex, int raw)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A' || module < 0 || module >= kModuleCount || paramIndex < 0
            || paramIndex >= moduleParamWords(module) || raw < 0 || raw > 0xFFFF)
            return false;
        const int word = (moduleHasTypeWord(module) ? 2 : 1) + paramIndex;
        m_memory->store.setBlockWord(kEditBuffer, module, word, static_cast<std::uint16_t>(raw));
        Record &edit = *m_memory->store.record(kEditBuffer);
        applySavedTimes(edit, module);
        sendFrame(moduleParamsPayload(edit, module));
    }
    notify();
    return true;
}

bool VirtualUnit::setModuleType(int module, int type)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A' || module < 0 || module >= kModuleCount || !moduleHasTypeWord(module)
            || type < 0)
            return false;
        const EffectCatalogue *cat = unitCatalogue();
        if (module != ModToneCap && cat && type >= cat->typeCount(module))
            return false;
        if (module == ModToneCap && type >= kCaptureSlots)
            return false;
        DeviceStore &s = m_memory->store;
        s.setBlockWord(kEditBuffer, module, 1, static_cast<std::uint16_t>(type));
        const QList<int> defaults = ValueModel::typeDefaults(module, type);
        for (int i = 0; i < defaults.size() && i < moduleParamWords(module); ++i)
            s.setBlockWord(kEditBuffer, module, 2 + i, static_cast<std::uint16_t>(defaults.at(i)));
        sendFrame(moduleParamsPayload(*s.record(kEditBuffer), module));
    }
    notify();
    return true;
}

bool VirtualUnit::setModuleSwitch(int module, bool on)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A' || module < 0 || module >= kModuleCount)
            return false;
        DeviceStore &s = m_memory->store;
        s.setBlockWord(kEditBuffer, module, 0, on ? 1 : 0);
        QByteArray payload(1, static_cast<char>(Cmd::ModuleSwitches));
        for (int m : kSwitchOrder)
            payload.append(static_cast<char>(s.blockWord(kEditBuffer, m, 0) ? 1 : 0));
        sendFrame(payload);
    }
    notify();
    return true;
}

bool VirtualUnit::setPage(std::uint32_t screenCode)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A')
            return false;
        m_memory->store.setScreenCode(screenCode);
        QByteArray payload(1, static_cast<char>(Cmd::CurrentUi));
        appendU32(payload, screenCode);
        payload.append('\0');
        sendFrame(payload);
    }
    notify();
    return true;
}

bool VirtualUnit::setTempo(int bpm)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A' || bpm < 40 || bpm > 260)
            return false;
        DeviceStore &s = m_memory->store;
        if (s.systemSetting(7) != 0)
            s.setGlobalTempoRaw(static_cast<std::uint16_t>(bpm - 40));
        else
            s.editBufferEdit().setTempoRaw(static_cast<std::uint16_t>(bpm - 40));
        QByteArray payload(1, static_cast<char>(Cmd::GlobalBpm));
        payload.append(static_cast<char>(s.presetVolume()));
        appendU16(payload, static_cast<std::uint16_t>(s.editBuffer().tempoRaw()));
        appendU16(payload, s.globalTempoRaw());
        sendFrame(payload);
    }
    notify();
    return true;
}

bool VirtualUnit::storePreset(int index, const QString &name)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A' || index < 0 || index >= kPresetCount)
            return false;
        DeviceStore &s = m_memory->store;
        s.setPresetName(kEditBuffer, name);
        *s.record(index) = *s.record(kEditBuffer);
        s.setCurrentIndex(index);
        s.setLastStoredPreset(index);
        QByteArray payload;
        payload.append(static_cast<char>(Cmd::StorePreset));
        payload.append('\0');
        payload.append(static_cast<char>(index));
        payload.append(reinterpret_cast<const char *>(s.preset(index).nameBytes()), kNameSize);
        sendFrame(payload);
    }
    notify();
    return true;
}

// ---------------------------------------------------------------------------
// Frames out

int VirtualUnit::moduleCommandCode(int module)
{
    return Cmd::moduleCommand(module);
}

int VirtualUnit::moduleForCommandCode(int code)
{
    return Cmd::commandModule(code);
}

QByteArray VirtualUnit::moduleParamsPayload(const Record &record, int module)
{
    QByteArray payload;
    const int code = moduleCommandCode(module);
    if (code < 0)
        return payload;
    const PresetView view(record);
    const std::uint8_t *b = view.moduleBlock(module);
    payload.append(static_cast<char>(code));
    payload.append(static_cast<char>(view.blockWord(module, 0) & 0xFF));
    if (moduleHasTypeWord(module)) {
        payload.append(static_cast<char>(view.moduleType(module) & 0xFF));
        payload.append(2, '\0');
        payload.append(reinterpret_cast<const char *>(b + 4), moduleBlockSize(module) - 4);
    } else {
        payload.append(3, '\0');
        payload.append(reinterpret_cast<const char *>(b + 2), moduleBlockSize(module) - 2);
    }
    return payload;
}

void VirtualUnit::sendFrame(std::initializer_list<int> payload)
{
    QByteArray bytes;
    for (int v : payload)
        bytes.append(static_cast<char>(v & 0xFF));
    sendFrame(bytes);
}

void VirtualUnit::sendFrame(const QByteArray &payload)
{
    QByteArray frame = Frame::build(payload);
    if (frame.isEmpty() || m_unplugged)
        return;
    ++m_framesSent;
    if (m_options.faults.corruptFrame == m_framesSent)
        frame[frame.size() - 1] = static_cast<char>(frame.at(frame.size() - 1) ^ 0x5A);

    const Clock::time_point now = Clock::now();
    const Clock::time_point due = std::max(now + std::chrono::milliseconds(std::max(0, m_options.faults.replyDelayMs)), m_lastDue);
    m_lastDue = due;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(frame.constData());
    const int len = frame.size();
    if (m_options.bulk()) {
        for (int off = 0; off < len; off += 512) {
            const int n = std::min(512, len - off);
            m_out.push_back({std::vector<std::uint8_t>(bytes + off, bytes + off + n), due});
        }
    } else {
        for (int off = 0; off < len; off += 63) {
            const int n = std::min(63, len - off);
            std::vector<std::uint8_t> report(64, 0);
            report[0] = static_cast<std::uint8_t>(n);
            std::memcpy(report.data() + 1, bytes + off, static_cast<std::size_t>(n));
            m_out.push_back({std::move(report), due});
        }
    }
    m_pendingOutputNotice = true;
}

void VirtualUnit::sendDeviceInfo()
{
    QByteArray payload(1, static_cast<char>(Cmd::DeviceInfoReply));
    appendText(payload, m_options.modelName, 32);
    appendText(payload, m_options.info1.left(6), 7);
    appendText(payload, m_options.version.left(6), 7);
    appendText(payload, m_options.info3.left(6), 7);
    payload.append(m_options.mode);
    sendFrame(payload);
}

void VirtualUnit::sendAck(int sub, int slot, int chunk)
{
    FaultOptions &f = m_options.faults;
    if (!f.acknowledge || (f.stopAckAfter >= 0 && m_acksSent >= f.stopAckAfter))
        return;
    ++m_acksSent;
    sendFrame({Cmd::Ack, Cmd::DataTransfer, sub, slot, chunk});
}

void VirtualUnit::sendSlotName(int kind, int slot)
{
    const int list = kind == Cmd::SubNr ? ListNr : kind == Cmd::SubIr ? ListIr : ListCapture;
    const std::uint8_t *name = m_memory->store.slotNameBytes(list, slot);
    if (!name)
        return;
    QByteArray payload;
    payload.append(static_cast<char>(Cmd::SlotName));
    payload.append(static_cast<char>(kind));
    payload.append(static_cast<char>(slot));
    payload.append(reinterpret_cast<const char *>(name), kNameSize);
    sendFrame(payload);
}

void VirtualUnit::sendSlotData(int kind, int slot)
{
    SlotKind k;
    if (!slotKind(kind, &k) || slot < 0 || slot >= k.slotTotal)
        return;
    const int list = kind == Cmd::SubNr ? ListNr : kind == Cmd::SubIr ? ListIr : ListCapture;
    const std::uint8_t *data = kind == Cmd::SubNr ? m_memory->nrData[static_cast<std::size_t>(slot)].data()
                               : kind == Cmd::SubIr ? m_memory->irData[static_cast<std::size_t>(slot)].data()
                                               : m_memory->store.captureData(slot);
    for (int chunk = 0; chunk < k.chunkTotal; ++chunk) {
        const int count = chunk == 0 ? kNameSize : k.chunkBytes;
        QByteArray payload;
        payload.append(static_cast<char>(Cmd::DataTransfer));
        payload.append(static_cast<char>(kind));
        payload.append(static_cast<char>(slot));
        appendU16(payload, static_cast<std::uint16_t>(count));
        payload.append(static_cast<char>(k.chunkTotal));
        payload.append(static_cast<char>(chunk));
        if (chunk == 0)
            payload.append(reinterpret_cast<const char *>(m_memory->store.slotNameBytes(list, slot)), kNameSize);
        else
            payload.append(reinterpret_cast<const char *>(data + (chunk - 1) * k.chunkBytes), k.chunkBytes);
        sendFrame(payload);
    }
}

void VirtualUnit::sendEqAndMidi()
{
    DeviceStore &s = m_memory->store;
    QByteArray p(1, static_cast<char>(Cmd::GlobalEq));
    p.append(static_cast<char>(s.globalEqOutput()));
    p.append(3, '\0');
    for (int i = 0; i < kGlobalEqWords; ++i)
        appendU16(p, s.globalEqWord(i));
    sendFrame(p);

    p = QByteArray(1, static_cast<char>(Cmd::MidiList));
    p.append(reinterpret_cast<const char *>(s.midiBlock()), kMidiSize);
    sendFrame(p);
}

bool VirtualUnit::changeSettings(const std::function<void(UnitMemory &)> &edit)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_unplugged || m_options.mode != 'A')
            return false;
        if (edit)
            edit(*m_memory);
        QByteArray p(1, static_cast<char>(Cmd::SystemSettings));
        p.append(reinterpret_cast<const char *>(m_memory->store.systemBlock()), kSystemSize);
        sendFrame(p);
        sendEqAndMidi();
    }
    notify();
    return true;
}

void VirtualUnit::sendSync()
{
    ++m_syncs;
    DeviceStore &s = m_memory->store;
    const PresetView edit = s.editBuffer();

    QByteArray p(1, static_cast<char>(Cmd::CurrentUi));
    appendU32(p, s.screenCode());
    p.append('\0');
    sendFrame(p);

    p = QByteArray(1, static_cast<char>(Cmd::SystemSettings));
    p.append(reinterpret_cast<const char *>(s.systemBlock()), kSystemSize);
    sendFrame(p);

    p = QByteArray(1, static_cast<char>(Cmd::GlobalBpm));
    p.append(static_cast<char>(edit.volume()));
    appendU16(p, static_cast<std::uint16_t>(edit.tempoRaw()));
    appendU16(p, s.globalTempoRaw());
    sendFrame(p);

    sendEqAndMidi();

    p = QByteArray(1, static_cast<char>(Cmd::RhythmSettings));
    p.append(reinterpret_cast<const char *>(s.rhythmBlock()), kRhythmSize);
    sendFrame(p);

    p = QByteArray(1, static_cast<char>(Cmd::ExpVolume));
    for (int i = 0; i < kExpSettingCount; ++i)
        p.append(static_cast<char>(edit.expSetting(i)));
    appendU16(p, s.expGlobalWord());
    p.append(static_cast<char>(s.expGlobalByte()));
    sendFrame(p);

    sendFrame({Cmd::CaptureSettingsA, s.toneCaptureValue(0)});
    p = QByteArray(1, static_cast<char>(Cmd::CaptureSettingsB));
    p.append('\0');
    p.append(static_cast<char>(s.toneCaptureValue(1)));
    p.append(2, '\0');
    for (int i = 2; i <= 7; ++i)
        appendU16(p, s.toneCaptureValue(i));
    sendFrame(p);
    sendFrame({Cmd::CaptureSettingsC, s.toneCaptureValue(8), s.toneCaptureValue(9), s.toneCaptureValue(10), s.toneCaptureValue(11)});

    p = QByteArray(1, static_cast<char>(Cmd::CaptureAmpList));
    p.append(reinterpret_cast<const char *>(s.captureAmpList()), kCaptureSlots * kCaptureAmpEntry);
    sendFrame(p);

    for (int slot = 0; slot < kNrSlots; ++slot)
        if (m_memory->nrFilled(slot))
            sendSlotName(Cmd::SubNr, slot);
    for (int slot = 0; slot < kIrSlots; ++slot)
        if (m_memory->irFilled(slot))
            sendSlotName(Cmd::SubIr, slot);
    for (int slot = 0; slot < kCaptureSlots; ++slot)
        if (m_memory->captureFilled(slot))
            sendSlotName(Cmd::SubCapture, slot);

    std::uint8_t wire[kWireRecordSize];
    for (int i = 0; i <= kPresetCount; ++i) {
        const bool editBuffer = i == kPresetCount;
        const int current = s.currentPresetIndex();
        encodeWireRecord(*s.record(editBuffer ? kEditBuffer : i), wire);
        p = QByteArray(1, static_cast<char>(Cmd::DataTransfer));
        p.append(static_cast<char>(editBuffer ? Cmd::SubEditBuffer : Cmd::SubPreset));
        p.append(static_cast<char>(editBuffer ? (current < 0 ? 255 : current) : i));
        p.append(reinterpret_cast<const char *>(Cmd::kPresetChunkFields), sizeof Cmd::kPresetChunkFields);
        p.append(reinterpret_cast<const char *>(wire), kWireRecordSize);
        sendFrame(p);
    }
    sendFrame({Cmd::SyncDone, 0x00});
}

// ---------------------------------------------------------------------------
// Frames in

void VirtualUnit::protocolError(const QString &message)
{
    qCDebug(lcUnit) << "virtual unit:" << message;
    if (m_errors.size() < 1000)
        m_errors.append(message);
}

bool VirtualUnit::expectLength(const char *what, int n, int expected)
{
    if (n == expected)
        return true;
    protocolError(QStringLiteral("%1 with payload length %2 (expected %3)").arg(QLatin1String(what)).arg(n).arg(expected));
    return false;
}

void VirtualUnit::onFrame(const std::uint8_t *frame, std::size_t len)
{
    const int n = static_cast<int>(len) - Frame::kOverhead;
    const std::uint8_t *p = frame + 4;
    // The log keeps the most recent frames of a long session.
    if (m_received.size() >= 20000)
        m_received.erase(m_received.begin(), m_received.begin() + 10000);
    m_received.emplace_back(reinterpret_cast<const char *>(p), n);
    if (m_options.mode == 'B')
        handleLoader(p, n);
    else
        handleNormal(p, n);
}

void VirtualUnit::handleLoader(const std::uint8_t *p, int n)
{
    const std::uint8_t code = p[0];
    if (code == Cmd::DeviceInfo && n == 2) {
        ++m_loader.infoRequests;
        if (m_options.faults.answerInfo)
            sendDeviceInfo();
        return;
    }
    if (code == Cmd::LoaderWake && n == 2) {
        m_loader.enterSeen = true;
        return;
    }
    if (code == Cmd::LoaderFinish && n == 2) {
        m_loader.finishSeen = true;
        return;
    }
    const LoaderOptions &lo = m_options.loader;
    if (code == lo.applyCode && n == 5) {
        m_loader.applySeen = true;
        m_loader.applyCode = code;
        m_loader.applyArgument = getU32(p + 1);
        sendFrame({lo.applyAckCode, m_options.faults.refuseApply ? 0 : 1});
        return;
    }
    if (n == 515) {
        for (const LoaderSection &section : lo.sections) {
            if (section.blockCode != code)
                continue;
            LoaderLog::Block block;
            block.code = code;
            block.number = static_cast<std::uint16_t>((p[1] << 8) | p[2]);
            block.data = QByteArray(reinterpret_cast<const char *>(p + 3), 512);
            m_loader.blocks.push_back(std::move(block));
            FaultOptions &f = m_options.faults;
            if (f.acknowledge && (f.stopAckAfter < 0 || m_acksSent < f.stopAckAfter)) {
                ++m_acksSent;
                sendFrame({section.ackCode, 1});
            }
            return;
        }
    }
    protocolError(QStringLiteral("loader: unexpected frame, code 0x%1, payload length %2").arg(code, 2, 16, QLatin1Char('0')).arg(n));
}

void VirtualUnit::handleNormal(const std::uint8_t *p, int n)
{
    DeviceStore &s = m_memory->store;
    PresetEdit edit = s.editBufferEdit();
    const std::uint8_t code = p[0];

    const int module = moduleForCommandCode(code);
    if (module >= 0) {
        handleModuleParams(module, p, n);
        return;
    }

    switch (code) {
    case Cmd::DeviceInfo:
        if (expectLength("device info request", n, 2) && m_options.faults.answerInfo)
            sendDeviceInfo();
        break;
    case Cmd::CurrentUi:
        if (expectLength("CurrentUi", n, 6))
            s.setScreenCode(getU32(p + 1));
        break;
    case Cmd::RhythmSettings:
        if (expectLength("RhythmSettings", n, 13))
            std::memcpy(s.rhythmBlock(), p + 1, kRhythmSize);
        break;
    case Cmd::GlobalBpm:
        if (expectLength("GlobalBpm", n, 6)) {
            const int preset = getU16(p + 2);
            const int global = getU16(p + 4);
            if (preset > 220 || global > 220 || p[1] > 100) {
                protocolError(QStringLiteral("GlobalBpm out of range: volume %1, tempos %2 / %3").arg(p[1]).arg(preset).arg(global));
                break;
            }
            edit.setVolume(p[1]);
            edit.setTempoRaw(static_cast<std::uint16_t>(preset));
            s.setGlobalTempoRaw(static_cast<std::uint16_t>(global));
        }
        break;
    case Cmd::ChainOrder:
        if (expectLength("ChainOrder", n, 23)) {
            std::uint32_t seen = 0;
            for (int i = 0; i < kChainLength; ++i)
                if (p[1 + i] < kChainLength)
                    seen |= 1u << p[1 + i];
            if (seen != (1u << kChainLength) - 1) {
                protocolError(QStringLiteral("ChainOrder is not an order of the eleven modules"));
                break;
            }
            for (int i = 0; i < kChainLength; ++i) {
                edit.setChainModuleAt(i, p[1 + i]);
                edit.setChainEntryOn(i, p[1 + kChainLength + i]);
            }
        }
        break;
    case Cmd::SystemSettings:
        if (expectLength("SystemSettings", n, 19))
            std::memcpy(s.systemBlock(), p + 1, kSystemSize);
        break;
    case Cmd::MidiMapEntry:
        if (expectLength("MidiMapEntry", n, 5)) {
            const int table = p[1];
            const int entry = p[2];
            if ((table != Cmd::MidiTableIn && table != Cmd::MidiTableOut) || (table == Cmd::MidiTableOut && entry >= kPresetCount)) {
                protocolError(QStringLiteral("MidiMapEntry for table %1 entry %2").arg(table).arg(entry));
                break;
            }
            s.midiBlock()[(table == Cmd::MidiTableIn ? 0 : 256) + entry] = p[3];
        }
        break;
    case Cmd::GlobalEq:
        if (expectLength("GlobalEq", n, 41)) {
            if (p[1] >= 2) {
                protocolError(QStringLiteral("GlobalEq for output %1").arg(p[1]));
                break;
            }
            s.setGlobalEqOutput(p[1]);
            for (int i = 0; i < kGlobalEqWords; ++i)
                s.setGlobalEqWord(i, getU16(p + 5 + 2 * i));
        }
        break;
    case Cmd::CtrlSet:
        if (expectLength("CtrlSet", n, 4)) {
            edit.setCtrlMode(p[1]);
            edit.setCtrlMask(getU16(p + 2));
        }
        break;
    case Cmd::ExpVolume:
        if (expectLength("ExpVolume", n, 14)) {
            for (int i = 0; i < kExpSettingCount; ++i)
                edit.setExpSetting(i, p[1 + i]);
            s.setExpGlobals(getU16(p + 11), p[13]);
        }
        break;
    case Cmd::FactoryReset:
        if (expectLength("FactoryReset", n, 1)) {
            *m_memory = factoryMemory();
            m_staging.clear();
            m_captureSlot = -1;
        }
        break;
    case Cmd::SlotName:
        if (expectLength("SlotName", n, 19)) {
            const int kind = p[1];
            const int list = kind == Cmd::KindNr ? ListNr : kind == Cmd::KindIr ? ListIr : kind == Cmd::KindCapture ? ListCapture : -1;
            if (list < 0 || !s.setSlotNameBytes(list, p[2], p + 3, kNameSize))
                protocolError(QStringLiteral("SlotName for kind %1 slot %2").arg(kind).arg(p[2]));
        }
        break;
    case Cmd::RequestData:
        if (expectLength("RequestData", n, 4))
            handleRequestData(p[1], p[2], p[3]);
        break;
    case Cmd::DataTransfer:
        handleDataTransfer(p, n);
        break;
    case Cmd::DeleteSlot:
        if (expectLength("DeleteSlot", n, 3)) {
            if (p[1] == Cmd::KindIr && p[2] < kIrSlots)
                m_memory->clearIr(p[2]);
            else if (p[1] == Cmd::KindNr && p[2] < kNrSlots)
                m_memory->clearNr(p[2]);
            else
                protocolError(QStringLiteral("DeleteSlot for kind %1 slot %2").arg(p[1]).arg(p[2]));
        }
        break;
    case Cmd::RequestSync:
        if (expectLength("RequestSync", n, 2))
            sendSync();
        break;
    case Cmd::StorePreset:
        if (expectLength("StorePreset", n, 19)) {
            const int index = p[2];
            if (index >= kPresetCount) {
                protocolError(QStringLiteral("StorePreset for preset %1").arg(index));
                break;
            }
            edit.setNameBytes(p + 3, kNameSize);
            *s.record(index) = *s.record(kEditBuffer);
            s.setCurrentIndex(index);
            s.setLastStoredPreset(index);
        }
        break;
    case Cmd::SelectPreset:
        if (expectLength("SelectPreset", n, 2) && !s.selectPreset(p[1]))
            protocolError(QStringLiteral("SelectPreset for preset %1").arg(p[1]));
        break;
    case Cmd::MidiList:
        if (expectLength("MidiList", n, 513))
            std::memcpy(s.midiBlock(), p + 1, kMidiSize);
        break;
    case Cmd::CaptureSettingsA:
    case Cmd::CaptureSettingsB:
    case Cmd::CaptureSettingsC:
        handleCaptureSettings(code, p, n);
        break;
    case Cmd::CaptureAmpList:
        if (expectLength("CaptureAmpList", n, 141))
            std::memcpy(s.captureAmpList(), p + 1, kCaptureSlots * kCaptureAmpEntry);
        break;
    case Cmd::BackupMode:
        if (expectLength("BackupMode", n, 3)) {
            if (p[1] == Cmd::BackupReadout && p[2] == Cmd::BackupEnd) {
                sendFrame({Cmd::BackupMode, Cmd::BackupReadout, Cmd::BackupEnd}); // read-out finished
            } else if (p[1] == Cmd::BackupRecall && p[2] == Cmd::BackupEnd) {
                // End of a recall: the current preset is loaded again from
                // what was recalled. (0, 1) and (1, 1) need no answer.
                if (s.currentPresetIndex() >= 0)
                    s.selectPreset(s.currentPresetIndex());
            }
        }
        break;
    case Cmd::EditorAttach:
        expectLength("EditorAttach", n, 2); // nothing to answer; RequestSync follows
        break;
    default:
        protocolError(QStringLiteral("unknown command code 0x%1 (payload length %2)").arg(code, 2, 16, QLatin1Char('0')).arg(n));
        break;
    }
}

void VirtualUnit::handleModuleParams(int module, const std::uint8_t *p, int n)
{
    const int expected = moduleBlockSize(module) + (moduleHasTypeWord(module) ? 1 : 3);
    if (!expectLength("ModuleParams", n, expected))
        return;
    Record &edit = *m_memory->store.record(kEditBuffer);
    std::uint8_t *b = PresetEdit(edit).mutableBlock(module);
    if (!b)
        return;
    if (p[1] > 1)
        protocolError(QStringLiteral("ModuleParams 0x%1: on/off byte %2").arg(p[0], 2, 16, QLatin1Char('0')).arg(p[1]));
    putU16(b, p[1] ? 1 : 0);
    if (moduleHasTypeWord(module)) {
        putU16(b + 2, p[2]);
        std::memcpy(b + 4, p + 5, static_cast<std::size_t>(moduleBlockSize(module) - 4));
    } else {
        if (p[2] != 0)
            protocolError(QStringLiteral("ModuleParams FX LOOP with type byte %1").arg(p[2]));
        std::memcpy(b + 2, p + 5, static_cast<std::size_t>(moduleBlockSize(module) - 2));
    }
    const int capSlot = PresetView(edit).moduleType(ModToneCap);
    if (module == ModToneCap && capSlot >= kCaptureSlots)
        protocolError(QStringLiteral("tone capture block names capture slot %1").arg(capSlot));
    const QString problem = checkModuleBlock(edit, module);
    if (!problem.isEmpty())
        protocolError(problem);
    applySavedTimes(edit, module);
}

void VirtualUnit::handleCaptureSettings(int code, const std::uint8_t *p, int n)
{
    DeviceStore &s = m_memory->store;
    if (code == Cmd::CaptureSettingsA) {
        if (expectLength("CaptureSettingsA", n, 2))
            s.setToneCaptureValue(0, p[1]);
        return;
    }
    if (code == Cmd::CaptureSettingsB) {
        if (expectLength("CaptureSettingsB", n, 17)) {
            s.setToneCaptureValue(1, p[2]);
            for (int i = 0; i < 6; ++i)
                s.setToneCaptureValue(2 + i, getU16(p + 5 + 2 * i));
        }
        return;
    }
    if (!expectLength("CaptureSettingsC", n, 5))
        return;
    const bool wasRunning = s.toneCaptureValue(11) != 0;
    if (p[1] >= kCaptureSlots) {
        protocolError(QStringLiteral("CaptureSettingsC selects capture slot %1").arg(p[1]));
        return;
    }
    for (int i = 0; i < 4; ++i)
        s.setToneCaptureValue(8 + i, p[1 + i]);
    const bool running = p[4] != 0;
    if (running && !wasRunning) {
        m_captureSlot = p[1];
        m_captureDue = Clock::now() + std::chrono::milliseconds(std::max(0, m_options.captureTimeMs));
        if (m_options.captureTimeMs <= 0)
            finishCapture(m_captureSlot);
    } else if (!running) {
        m_captureSlot = -1; // stopped before it finished
    }
}

void VirtualUnit::runTimedEvents(Clock::time_point now)
{
    if (m_captureSlot >= 0 && now >= m_captureDue && !m_unplugged)
        finishCapture(m_captureSlot);
}

void VirtualUnit::finishCapture(int slot)
{
    m_captureSlot = -1;
    DeviceStore &s = m_memory->store;
    if (slot < 0 || slot >= kCaptureSlots)
        return;
    // The captured tone: derived from the slot and the SOURCE settings.
    std::uint32_t state = 0xC0FFEEu ^ static_cast<std::uint32_t>(slot * 7919 + s.toneCaptureValue(1) * 131);
    std::uint8_t *data = s.captureData(slot);
    for (int i = 0; i < kCaptureBytes; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        data[i] = static_cast<std::uint8_t>(state);
    }
    s.setCaptureUsed(slot, true);
    if (s.slotName(ListCapture, slot).isEmpty())
        s.setSlotName(ListCapture, slot, QStringLiteral("CAPTURE %1").arg(slot + 1, 2, 10, QLatin1Char('0')));
    std::uint8_t *entry = s.captureAmpList() + slot * kCaptureAmpEntry;
    putU32(entry, s.toneCaptureValue(1));
    putU16(entry + 4, static_cast<std::uint16_t>(0x0100 + slot));
    entry[6] = 1;
    s.setToneCaptureValue(10, 1);
    s.setToneCaptureValue(11, 0);

    sendSlotName(Cmd::SubCapture, slot);
    QByteArray p(1, static_cast<char>(Cmd::CaptureAmpList));
    p.append(reinterpret_cast<const char *>(s.captureAmpList()), kCaptureSlots * kCaptureAmpEntry);
    sendFrame(p);
    sendFrame({Cmd::CaptureSettingsC, s.toneCaptureValue(8), s.toneCaptureValue(9), 1, 0});
}

void VirtualUnit::handleRequestData(int kind, int a, int b)
{
    SlotKind k;
    if (!slotKind(kind, &k)) {
        protocolError(QStringLiteral("RequestData for kind %1").arg(kind));
        return;
    }
    auto filled = [this, kind](int slot) {
        return kind == Cmd::SubNr ? m_memory->nrFilled(slot) : kind == Cmd::SubIr ? m_memory->irFilled(slot) : m_memory->captureFilled(slot);
    };
    if (a == 1 && b == 0) {
        // All slots: the names of the filled ones, then their data.
        for (int slot = 0; slot < k.slotTotal; ++slot)
            if (filled(slot))
                sendSlotName(kind, slot);
        for (int slot = 0; slot < k.slotTotal; ++slot)
            if (filled(slot))
                sendSlotData(kind, slot);
        return;
    }
    if (a == 0 && b < k.slotTotal) {
        // One slot: its data only (chunk 0 carries the name).
        if (filled(b))
            sendSlotData(kind, b);
        return;
    }
    protocolError(QStringLiteral("RequestData for kind %1 with (%2, %3)").arg(kind).arg(a).arg(b));
}

void VirtualUnit::handleDataTransfer(const std::uint8_t *p, int n)
{
    if (n < 7) {
        protocolError(QStringLiteral("DataTransfer with payload length %1").arg(n));
        return;
    }
    const int sub = p[1];
    const int slot = p[2];
    const int count = getU16(p + 3);
    const int total = p[5];
    const int chunk = p[6];
    DeviceStore &s = m_memory->store;

    if (sub == Cmd::SubEditBuffer || sub == Cmd::SubPreset) {
        if (!expectLength("DataTransfer preset", n, 7 + kWireRecordSize))
            return;
        if (count != 512 || total != 2 || chunk != 1)
            protocolError(QStringLiteral("DataTransfer preset with header %1 %2 %3").arg(count).arg(total).arg(chunk));
        if (sub == Cmd::SubPreset && slot >= kPresetCount) {
            protocolError(QStringLiteral("DataTransfer for preset %1").arg(slot));
            return;
        }
        Record &target = *s.record(sub == Cmd::SubEditBuffer ? kEditBuffer : slot);
        decodeWireRecord(p + 7, target);
        for (int m = 0; m <= ModFxLoopSend; ++m) {
            const QString problem = checkModuleBlock(target, m);
            if (!problem.isEmpty())
                protocolError(QStringLiteral("preset %1: %2").arg(sub == Cmd::SubEditBuffer ? 255 : slot).arg(problem));
        }
        sendAck(sub, slot, chunk);
        return;
    }

    SlotKind k;
    if (!slotKind(sub, &k)) {
        protocolError(QStringLiteral("DataTransfer with sub-kind %1").arg(sub));
        return;
    }
    const int expectedCount = chunk == 0 ? kNameSize : k.chunkBytes;
    if (slot >= k.slotTotal || total != k.chunkTotal || chunk >= total || count != expectedCount || n != 7 + count) {
        protocolError(QStringLiteral("DataTransfer sub-kind %1 slot %2: chunk %3 of %4 with %5 bytes (payload %6)")
                          .arg(sub).arg(slot).arg(chunk).arg(total).arg(count).arg(n));
        return;
    }
    Staging &st = m_staging[sub * 256 + slot];
    if (chunk == 0) {
        st = Staging();
        st.name = QByteArray(reinterpret_cast<const char *>(p + 7), kNameSize);
        st.data = QByteArray(k.dataBytes, '\0');
    }
    if (st.data.size() == k.dataBytes && chunk > 0)
        std::memcpy(st.data.data() + (chunk - 1) * k.chunkBytes, p + 7, static_cast<std::size_t>(k.chunkBytes));
    st.chunksSeen |= 1u << chunk;
    sendAck(sub, slot, chunk);

    if (chunk == total - 1) {
        if (st.chunksSeen == (1u << total) - 1) {
            const auto *name = reinterpret_cast<const std::uint8_t *>(st.name.constData());
            const auto *data = reinterpret_cast<const std::uint8_t *>(st.data.constData());
            if (sub == Cmd::SubNr) {
                s.setSlotNameBytes(ListNr, slot, name, kNameSize);
                std::memcpy(m_memory->nrData[static_cast<std::size_t>(slot)].data(), data, kNrBytes);
            } else if (sub == Cmd::SubIr) {
                s.setSlotNameBytes(ListIr, slot, name, kNameSize);
                std::memcpy(m_memory->irData[static_cast<std::size_t>(slot)].data(), data, kIrBytes);
            } else {
                s.setSlotNameBytes(ListCapture, slot, name, kNameSize);
                std::memcpy(s.captureData(slot), data, kCaptureBytes);
                s.setCaptureUsed(slot, true);
            }
        } else {
            protocolError(QStringLiteral("DataTransfer sub-kind %1 slot %2 ended with chunks missing").arg(sub).arg(slot));
        }
        m_staging.erase(sub * 256 + slot);
    }
}

} // namespace Kt900Sim
