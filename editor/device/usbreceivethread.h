#pragma once

// usbReceiveThread: the receive loop and the inbound dispatch into the device
// data store. It is also the facade the callers use for the requests
// (UnitRequests: read the store, encode, write) and for the uploads and waits
// (UnitUploads: driven by the unit's acknowledgements).
//
// Threads and hand-off
// --------------------
// The object is created in the thread that owns the device data store (the
// editor's GUI thread; a console program's main thread; a test's thread) and
// is then moved to a worker QThread whose started() signal runs ReadThread().
//
//   worker thread:  read() -> Frame::Reassembler -> complete frames are
//                   queued and handed to the owning thread (nothing else)
//   owning thread:  dispatch: writes the store, sends the follow-up requests
//                   and emits SendDataToUi(code) for each frame, in order
//
// So the store is only ever touched by the owning thread, every write to the
// unit happens there too, and SendDataToUi reaches a receiver in that thread
// after the frame's data is in the store. The hand-off needs an event loop in
// the owning thread (QApplication / QCoreApplication::exec, or the uploads'
// own waiting, which processes events). DeviceDisconnect(true) is emitted from
// the worker thread: connect it queued.
//
// A program that reads on its own (a test, a benchmark, a tool polling the
// connection) can instead feed reports with processReport(), which reassembles
// and dispatches at once in the calling thread. Use one path or the other on
// one object, not both.
//
// Wiring in the editor (see Core):
//
//   m_usb.openByAddress(address);
//   m_recv = new usbReceiveThread(&m_usb);          // in the GUI thread
//   m_recv->setTypeNameHandler([](int m, int t, const QString &s) {
//       EffectCatalogue::instance().setTypeName(m, t, s); });
//   m_recv->moveToThread(&m_thread);
//   connect(m_recv, &usbReceiveThread::DeviceDisconnect, this, &Core::DeviceDisconnect,
//           Qt::QueuedConnection);
//   connect(&m_thread, &QThread::started, m_recv, &usbReceiveThread::ReadThread);
//   m_recv->setRunning(true);
//   m_thread.start(QThread::InheritPriority);
//   connect(m_recv, &usbReceiveThread::SendDataToUi, this, &Core::readData);
//   m_recv->sendEditorAttach(); m_recv->sendRequestSync();
//   ...
//   shutdown: m_recv->setRunning(false); m_thread.quit(); m_thread.wait();
//             m_usb.closeDevice(); delete m_recv;   // in the GUI thread
//
// Frame seam: every request goes out through UnitTransport::write() and the
// loop reads through UnitTransport::read(), so the whole class can be driven
// by any transport (MyLibusb on the unit, an in-process fake in tests).
//
// The send* requests return 1 when the frame was written, 0 when there was
// nothing to send (an unchanged screen code, a count of 0), and -1 when an
// argument is out of range (nothing is sent) or the write failed.
//
// Waiting: an upload, a preset write with acknowledgement and waitUntil()
// run one local event loop that the unit's answer (a dispatched Ack or
// frame), their time-out or the end of the receive loop quits; nothing polls.

#include "devicestore.h"
#include "frame.h"
#include "unitchange.h"
#include "unitrequests.h"
#include "unituploads.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class UnitTransport;

class usbReceiveThread : public QObject
{
    Q_OBJECT

public:
    static constexpr int kReadTimeoutMs = 500;     // one report read of the loop
    static constexpr int kWriteTimeoutMs = UnitRequests::kWriteTimeoutMs; // every request
    static constexpr int kAckTimeoutMs = UnitUploads::kAckTimeoutMs;      // one upload chunk
    static constexpr int kReadoutTimeoutMs = 20000;
    static constexpr std::uint16_t kNoPresetAck = 0xAAAA;
    // An item (preset, chunk) whose acknowledgement does not come is sent
    // this many times in all before the operation fails.
    static constexpr int kSendAttempts = UnitUploads::kSendAttempts;

    // store: the store the dispatch writes and the builders read; the
    // process-wide DeviceStore::instance() when null. Neither is owned.
    explicit usbReceiveThread(UnitTransport *connection, Kt900::DeviceStore *store = nullptr,
                              QObject *parent = nullptr);
    ~usbReceiveThread() override;

    UnitTransport *connection() const { return m_connection; }
    Kt900::DeviceStore &store() const { return *m_store; }

    // The loop runs while true; set it before starting the worker thread,
    // clear it to stop the loop (it returns within one read time-out).
    void setRunning(bool running) { m_running.store(running); }
    bool isRunning() const { return m_running.load(); }
    // True once a read failed (the loop ended and DeviceDisconnect was emitted).
    bool isDisconnected() const { return m_disconnected.load(); }

    // Catalogue hook for arriving IR and NR slot names: called in the owning
    // thread with (module 3, type 32 + slot, "33:name") for IR slots and
    // (module 2, type 70 + slot, "71:name") for NR slots.
    using TypeNameHandler = std::function<void(int module, int type, const QString &text)>;
    void setTypeNameHandler(TypeNameHandler handler) { m_typeNameHandler = std::move(handler); }

    // --- receive path -----------------------------------------------------
    // Feeds one report (m bytes as read; byte 0 is the report's count byte)
    // and dispatches every complete frame at once, in the calling thread.
    void processReport(const std::uint8_t *report, int m);
    // Dispatches one whole frame (AA 55 ... CRC, already checked), in the
    // calling thread: stores what it carries and emits SendDataToUi.
    void dispatchFrame(const std::uint8_t *frame, std::size_t len);
    // Dispatches one payload (byte 0 is the command code).
    void dispatchPayload(const std::uint8_t *payload, int n);
    // Bytes received by processReport and not yet consumed.
    const QByteArray &pendingBytes() const { return m_reassembler.pending(); }

    // --- requests (owning thread; see UnitRequests) ----------------------
    UnitRequests &requests() { return m_requests; }
    int sendDeviceInfoRequest() { return m_requests.sendDeviceInfoRequest(); }
    int sendCurrentUi(std::uint32_t screenCode) { return m_requests.sendCurrentUi(screenCode); }
    int sendModuleParams(int module) { return m_requests.sendModuleParams(module); }
    int sendRhythmSettings() { return m_requests.sendRhythmSettings(); }
    int sendGlobalBpm() { return m_requests.sendGlobalBpm(); }
    int sendChainOrder() { return m_requests.sendChainOrder(); }
    int sendSystemSetting(int index, int value) { return m_requests.sendSystemSetting(index, value); }
    int sendSystemSettings() { return m_requests.sendSystemSettings(); }
    int sendMidiMapEntry(int setting, int index, int value) { return m_requests.sendMidiMapEntry(setting, index, value); }
    int sendGlobalEq() { return m_requests.sendGlobalEq(); }
    int sendCtrlSet() { return m_requests.sendCtrlSet(); }
    // From the edit buffer, or from stored preset presetIndex (0..255).
    int sendExpVolume() { return m_requests.sendExpVolume(Kt900::kEditBuffer); }
    int sendExpVolume(int presetIndex) { return m_requests.sendExpVolume(presetIndex); }
    int sendFactoryReset() { return m_requests.sendFactoryReset(); }
    int sendSlotName(int list, int slot, const QString &name) { return m_requests.sendSlotName(list, slot, name); }
    int sendRequestData(int kind, int a, int b) { return m_requests.sendRequestData(kind, a, b); }
    int sendDeleteSlot(int module, int typeId) { return m_requests.sendDeleteSlot(module, typeId); }
    int sendRequestSync() { return m_requests.sendRequestSync(); }
    int sendEditorAttach() { return m_requests.sendEditorAttach(); }
    int sendStorePreset(int index, const QString &name) { return m_requests.sendStorePreset(index, name); }
    int sendSelectPreset(int index) { return m_requests.sendSelectPreset(index); }
    int sendMidiList() { return m_requests.sendMidiList(); }
    int sendToneCapture(int number) { return m_requests.sendToneCapture(number); }
    int sendCaptureAmpList() { return m_requests.sendCaptureAmpList(); }
    int sendBackupMode(int a, int b) { return m_requests.sendBackupMode(a, b); }

    // Preset records as DataTransfer frames (no acknowledgement is awaited).
    int writeEditBuffer() { return m_requests.send(m_requests.editBufferFrame()); }  // sub-kind 1, slot 255
    int writePreset(int index) { return m_requests.send(m_requests.presetFrame(index)); } // sub-kind 2, 0..254
    // Presets first, first+1, ... modulo 255; count 0..254. Returns the number
    // of frames written, -1 when refused or when a write failed.
    int writePresets(int first, int count);

    // --- uploads (owning thread; see UnitUploads) ---------------------------
    // A stored preset (index 0..254) / the edit buffer, waiting at most
    // timeoutMs for the unit's acknowledgement and sending it once more when
    // none came. False when refused, on a write error, a disconnection or a
    // second missing acknowledgement.
    bool writePresetAcked(int index, int timeoutMs = kAckTimeoutMs)
    {
        setLastAckedPreset(kNoPresetAck); // only an Ack from now on counts
        return m_uploads->writePresetAcked(index, timeoutMs);
    }
    bool writeEditBufferAcked(int timeoutMs = kAckTimeoutMs)
    {
        m_ack.store(0);
        return m_uploads->writeEditBufferAcked(timeoutMs);
    }
    // Items sent again because their acknowledgement did not come.
    int resends() const { return m_uploads->resends(); }
    // Each chunk waits for an Ack with the same sub-kind, slot and chunk
    // index, at most ackTimeout() ms, and is sent once more when none came.
    // False when refused, when a write fails, when an Ack does not come twice
    // or when the unit disconnects.
    // data: at least 1584 bytes (the first 1584 are sent); slot 0..9.
    bool uploadNr(int slot, const QString &name, const QByteArray &data) { return m_uploads->uploadNr(slot, name, data); }
    // data: at least 8192 bytes; slot 0..9.
    bool uploadIr(int slot, const QString &name, const QByteArray &data) { return m_uploads->uploadIr(slot, name, data); }
    // data: at least 4096 bytes, first copied into the store's capture area of
    // the slot; the name comes from the store's capture name list; slot 0..19.
    bool uploadCapture(int slot, const QByteArray &data) { return m_uploads->uploadCapture(slot, data, ackChunkIndex() == 0); }
    void setAckTimeout(int ms) { m_uploads->setAckTimeout(ms); }
    int ackTimeout() const { return m_uploads->ackTimeout(); }

    // Last Ack (of a DataTransfer chunk).
    int ackSubKind() const { return static_cast<int>((m_ack.load() >> 16) & 0xFF); }
    int ackSlot() const { return static_cast<int>((m_ack.load() >> 8) & 0xFF); }
    int ackChunkIndex() const { return static_cast<int>(m_ack.load() & 0xFF); }
    // Slot of the last Ack with sub-kind 2; kNoPresetAck at construction.
    std::uint16_t lastAckedPreset() const { return m_lastAckedPreset.load(); }
    void setLastAckedPreset(std::uint16_t value) { m_lastAckedPreset.store(value); }

    // --- backup read-out support ----------------------------------------
    // Clears read-out finished, marks all IR and NR slots pending and gives
    // the dispatch two zeroed buffers (10 x 8192 and 10 x 1584 bytes).
    void prepareReadout();
    // Frees the buffers (chunks arriving later are not stored).
    void releaseReadout();
    bool hasReadoutBuffers() const { return !m_irReadout.empty(); }
    // 81920 / 15840 bytes, or null without buffers. Slot s at s * 8192 / s * 1584.
    const std::uint8_t *irReadout() const { return m_irReadout.empty() ? nullptr : m_irReadout.data(); }
    const std::uint8_t *nrReadout() const { return m_nrReadout.empty() ? nullptr : m_nrReadout.data(); }
    bool irPending(int slot) const;
    bool nrPending(int slot) const;
    void setIrPending(int slot, bool pending);
    void setNrPending(int slot, bool pending);
    bool readoutFinished() const { return m_readoutFinished.load(); }
    void setReadoutFinished(bool finished) { m_readoutFinished.store(finished); }

    // Waits in a local event loop, checking done() after every dispatched
    // frame, until it is true (true) or timeoutMs passed or the unit
    // disconnected (false). Also false when the
    // object was deleted while events were processed: check a QPointer to it
    // before touching it again.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs)
    {
        return m_uploads->waitFor(done, timeoutMs) == UnitUploads::Wait::Done;
    }
    bool waitForReadoutFinished(int timeoutMs = kReadoutTimeoutMs);
    bool waitForPresetAck(int index, int timeoutMs = kAckTimeoutMs);

    // --- completeness of what the unit sends ------------------------------
    // After a full download every preset, the edit buffer and the global
    // blocks a backup carries must have arrived intact; a damaged frame is
    // dropped by its check and would otherwise leave a blank record behind.
    // beginDownloadCheck() forgets what arrived (before RequestSync);
    // missingRecords() names what has not arrived since ("preset 05B",
    // "the system settings", ...); damagedFrames() counts the frames dropped
    // by their check since (a lost frame that no record reveals, such as a
    // slot name, shows there).
    void beginDownloadCheck();
    bool downloadChecked() const { return m_downloadChecked; }
    QStringList missingRecords() const;
    int damagedFrames() const;
    std::uint64_t damagedFramesTotal() const { return m_reassembler.damaged(); }

    // Slot data arrives in chunks (kind 3 NR, 4 IR, 5 capture). A slot is
    // whole when every data chunk of it arrived since clearSlotChunks()
    // (prepareReadout() clears IR and NR, beginDownloadCheck() captures).
    bool slotDataComplete(int kind, int slot) const;
    void clearSlotChunks(int kind, int slot);
    // Filled slots of the kind whose data is not whole: filled means a
    // capture slot marked used or an IR / NR slot with a name.
    QList<int> incompleteSlots(int kind) const;
    // Asks for each incomplete slot again with a one-slot RequestData, up to
    // `attempts` times, waiting at most timeoutMs for each; returns the
    // slots still incomplete (empty when all are whole).
    QList<int> refetchIncompleteSlots(int kind, int attempts = kSendAttempts, int timeoutMs = kAckTimeoutMs);

    // --- further receive state ---------------------------------------------
    bool fetchCaptures() const { return m_fetchCaptures; }
    void setFetchCaptures(bool on) { m_fetchCaptures = on; }
    int irNameCount() const { return m_irNameCount; }

signals:
    void DeviceDisconnect(bool Dis);
    // After each dispatched frame: what it changed; module is the module
    // number for UnitChange::Module, -1 otherwise.
    void SendDataToUi(Kt900::UnitChange what, int module);
    void ToneNameChanged(int index, QString name);

public slots:
    // The receive loop (worker thread). Returns when running is false or a
    // read failed.
    void ReadThread();

private:
    friend class UsbFrameDispatcher;

    // Worker side of the hand-off.
    void handOff();
    // Owning-thread side: dispatches queued frames one at a time, in order.
    void drainInbox();
    // Owning-thread side of the loop's end: fails the uploads and waits.
    void loopEnded();

    void onModuleParams(int module, const std::uint8_t *p, int n);
    void onExpAssign(const std::uint8_t *p, int n);
    void onSlotName(const std::uint8_t *p, int n);
    void onDataTransfer(const std::uint8_t *p, int n);

    UnitTransport *m_connection;
    Kt900::DeviceStore *m_store;
    UnitRequests m_requests;
    std::unique_ptr<UnitUploads> m_uploads;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_disconnected{false};
    std::atomic<bool> m_loopDone{true};  // release/acquire pair: the loop's last
                                         // writes are seen by the destructor
    Frame::Reassembler m_reassembler;   // the stream of the path in use
    bool m_collecting = false;          // ReadThread: frames go to m_batch
    std::vector<QByteArray> m_batch;    // complete frames of one report (worker)
    std::atomic<std::uint32_t> m_ack{0}; // sub-kind << 16 | slot << 8 | chunk index
    // Completeness (owning thread: the dispatch writes, the checks read).
    std::vector<bool> m_recordSeen = std::vector<bool>(Kt900::kRecordCount, false);
    std::uint32_t m_blocksSeen = 0;     // bit per command code of a global block
    std::uint64_t m_damagedAtBegin = 0;
    bool m_downloadChecked = false;     // beginDownloadCheck() was called
    std::uint32_t m_chunkMask[3][Kt900::kCaptureSlots] = {}; // [NR, IR, capture][slot]
    bool m_fetchCaptures = false;
    int m_irNameCount = 0;
    std::atomic<std::uint16_t> m_lastAckedPreset{kNoPresetAck};
    std::vector<std::uint8_t> m_irReadout;
    std::atomic<bool> m_irPending[Kt900::kIrSlots];
    std::vector<std::uint8_t> m_nrReadout;
    std::atomic<bool> m_nrPending[Kt900::kNrSlots];
    std::atomic<bool> m_readoutFinished{false};
    TypeNameHandler m_typeNameHandler;

    std::mutex m_inboxMutex;            // frames handed from the worker
    std::deque<QByteArray> m_inbox;
    bool m_wakePending = false;         // a drain request is queued
    int m_drainDepth = 0;               // drainInbox calls on the stack
    std::unique_ptr<QObject> m_dispatcher; // lives in the owning thread; last member
};
