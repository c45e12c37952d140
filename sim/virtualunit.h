#pragma once

// The virtual KT900 at the report level: OUT transfers from the host go in,
// IN transfers for the host come out. Nothing here knows about USB plumbing;
// UsbBridge (usbbridge.h) puts the unit behind the real libusb code path, and
// the unit tests drive it directly with hand-made reports.
//
// Transport:
//   - Interrupt device types: 64-byte reports, byte 0 = number of frame bytes
//     that follow (1..63), the rest of the report is padding. The unit reads
//     only the counted bytes of a host report; its own reports are zero-padded.
//   - Device type 6 (bulk): 512-byte blocks of raw frame bytes without a
//     count byte; host blocks are zero-padded and the unit skips the padding.
//   Every outbound frame starts in a new report.
//
// Normal mode ('A') holds the unit's whole memory (UnitMemory), answers the
// device info request, EditorAttach + RequestSync with the full download
// ending in SyncDone, stores every edit the host sends, acknowledges every
// DataTransfer chunk, serves RequestData, deletes slots, runs the backup
// read-out and recall and goes back to the factory set on FactoryReset.
// Loader mode ('B') answers the device info request, AA 00, the apply command
// and each firmware block, and records what it received (LoaderLog).
//
// The footswitch methods act on the unit's own memory and tell the host, as
// the unit does when the player uses it.
//
// Thread safety: every public method may be called from any thread. The
// listener callbacks run on the calling thread with no internal lock held.

#include "unitmemory.h"
#include "unitoptions.h"

#include "frame.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace Kt900Sim {

// What the loader received during a firmware update.
struct LoaderLog {
    int infoRequests = 0;
    bool enterSeen = false;      // AA 00
    bool applySeen = false;
    std::uint8_t applyCode = 0;
    std::uint32_t applyArgument = 0;
    bool finishSeen = false;     // FF 00
    struct Block {
        std::uint8_t code = 0;
        std::uint16_t number = 0;
        QByteArray data;         // 512 bytes
    };
    std::vector<Block> blocks;   // in the order received

    // The data of all blocks with this command code, ordered by block number
    // starting at `firstBlock` (a section of the firmware file); empty when a
    // block number is missing.
    QByteArray sectionData(std::uint8_t blockCode, std::uint16_t firstBlock, int blockCount) const;
};

class VirtualUnit
{
public:
    using Clock = std::chrono::steady_clock;

    explicit VirtualUnit(const UnitOptions &options = UnitOptions());
    ~VirtualUnit();
    VirtualUnit(const VirtualUnit &) = delete;
    VirtualUnit &operator=(const VirtualUnit &) = delete;

    UnitOptions options() const;
    int reportSize() const;          // 64, or 512 for the bulk type
    char mode() const;

    // --- report level ---------------------------------------------------
    // One OUT transfer from the host (len bytes as written).
    void receiveReport(const std::uint8_t *data, int len);
    // The next IN transfer if one is due at `now`; false when none is.
    bool takeReport(std::vector<std::uint8_t> *out, Clock::time_point now = Clock::now());
    bool hasReport(Clock::time_point now = Clock::now());
    // When the next report becomes due or a timed event (a running capture)
    // fires; time_point::max() when nothing is pending.
    Clock::time_point nextDueTime();
    // When the next timed event fires (a running capture); time_point::max()
    // when none is pending. Queued reports are not considered.
    Clock::time_point nextEventTime();
    int pendingReports() const;
    // The host opened the device and claimed the interface: answers still
    // queued for an earlier host and half-received frames are dropped.
    void hostAttached();

    // Called (outside any lock) when reports were queued, and when the unit
    // unplugs itself (fault injection). The USB bridge uses them to wake the
    // host; tests may leave them unset.
    void setOutputListener(std::function<void()> listener);
    void setUnplugListener(std::function<void()> listener);

    // --- faults ---------------------------------------------------------
    FaultOptions faults() const;
    void setFaults(const FaultOptions &faults);
    // The unit vanishes now: nothing is sent or received any more.
    void unplug();
    bool isUnplugged() const;

    // --- memory ---------------------------------------------------------
    UnitMemory memory() const;                               // a copy
    void editMemory(const std::function<void(UnitMemory &)> &edit);
    void factoryReset();
    bool saveState(const QString &path, QString *error) const;
    bool loadState(const QString &path, QString *error);

    // --- footswitches and the unit's own screen -------------------------
    bool selectPreset(int index);                            // SelectPreset
    bool setParameter(int module, int paramIndex, int raw);  // ModuleParams of the edit buffer
    bool setModuleType(int module, int type);                // ModuleParams
    bool setModuleSwitch(int module, bool on);               // ModuleSwitches
    bool setPage(std::uint32_t screenCode);                  // CurrentUi
    bool setTempo(int bpm);                                  // GlobalBpm (tap tempo)
    bool storePreset(int index, const QString &name);        // StorePreset
    // The unit's own panel changed system settings, the global EQ or the
    // MIDI tables: applies the edit and reports the three blocks.
    bool changeSettings(const std::function<void(UnitMemory &)> &edit);

    // --- what the host did -------------------------------------------------
    // Payloads of the frames received (normal and loader mode), in order; a
    // long session keeps the most recent 10000 to 20000.
    std::vector<QByteArray> receivedFrames() const;
    void clearReceivedFrames();
    // Frames the unit could not accept: wrong length, out-of-range values,
    // unknown command codes. Empty for a well-behaved host.
    QStringList protocolErrors() const;
    int reportsSent() const;
    int reportsReceived() const;
    int syncCount() const;
    LoaderLog loaderLog() const;

    // Frame helpers shared with the tests.
    static QByteArray moduleParamsPayload(const Kt900::Record &record, int module);
    static int moduleCommandCode(int module);   // -1 out of range
    static int moduleForCommandCode(int code);  // 0x03..0x0D -> module (FX LOOP 9), else -1

private:
    struct Queued {
        std::vector<std::uint8_t> report;
        Clock::time_point due;
    };

    void onFrame(const std::uint8_t *frame, std::size_t len);
    void handleNormal(const std::uint8_t *p, int n);
    void handleLoader(const std::uint8_t *p, int n);
    void handleDataTransfer(const std::uint8_t *p, int n);
    void handleRequestData(int kind, int a, int b);
    void handleModuleParams(int module, const std::uint8_t *p, int n);
    void handleCaptureSettings(int code, const std::uint8_t *p, int n);
    void sendSync();
    void sendEqAndMidi();          // GlobalEq and MidiList frames of the memory
    void sendDeviceInfo();
    void sendSlotData(int kind, int slot);
    void sendSlotName(int kind, int slot);
    void sendAck(int sub, int slot, int chunk);
    void sendFrame(const QByteArray &payload);
    void sendFrame(std::initializer_list<int> payload);
    void runTimedEvents(Clock::time_point now);
    void finishCapture(int slot);
    bool expectLength(const char *what, int n, int expected);
    void protocolError(const QString &message);
    void notify();

    mutable std::mutex m_mutex;
    UnitOptions m_options;
    std::unique_ptr<UnitMemory> m_memory;
    Frame::Reassembler m_reassembler;
    std::deque<Queued> m_out;
    Clock::time_point m_lastDue{};
    bool m_unplugged = false;
    bool m_pendingUnplugNotice = false;
    bool m_pendingOutputNotice = false;
    int m_framesSent = 0;
    int m_acksSent = 0;
    int m_reportsSent = 0;
    int m_reportsReceived = 0;
    int m_syncs = 0;
    std::vector<QByteArray> m_received;
    QStringList m_errors;
    LoaderLog m_loader;

    // Upload staging of NR, IR and capture data per (sub-kind, slot).
    struct Staging {
        QByteArray name;
        QByteArray data;
        std::uint32_t chunksSeen = 0;
    };
    std::map<int, Staging> m_staging;

    // A capture started from the editor finishes after captureTimeMs.
    int m_captureSlot = -1;
    Clock::time_point m_captureDue{};

    std::function<void()> m_outputListener;
    std::function<void()> m_unplugListener;
};

} // namespace Kt900Sim
