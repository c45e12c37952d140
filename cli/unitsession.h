#pragma once

// A connection to the unit made the way the programs make it: the launcher's
// search and identification, then the editor's connection (open by bus
// address, the receive object on its worker thread, EditorAttach and
// RequestSync, the wait for SyncDone).
//
// The connection is the editor's MyLibusb; the receive loop reaches it
// through a tap on the transport (TapConnection): every byte still goes
// through the editor's code unchanged; the tap only watches, so that the
// session knows when the tone-capture data the editor asks for after the
// download has all arrived, and how many reports the unit has sent
// (diagnostics).

#include "devicestore.h"
#include "frame.h"
#include "mylibusb.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class usbReceiveThread;

namespace Cli {

class Output;

// Set by SIGINT / SIGTERM (see main.cpp); long waits that can be left
// safely give up when it is set.
bool interruptRequested();
// "the unit is in use by another program": its interface is claimed elsewhere.
QString inUseMessage();
void setInterruptRequested();
// A line ("kt900: ...\n") printed when a second interrupt stops the program
// at once; null for none. The text must outlive its use (a literal).
const char *stopNotice();
void setStopNotice(const char *notice);

class TapConnection : public UnitTransport
{
public:
    // Watches the transfers on `inner`, which must outlive the tap.
    TapConnection(UnitTransport &inner, const Kt900::DeviceStore *store);

    bool isOpen() const override { return m_inner.isOpen(); }
    bool write(const std::uint8_t *bytes, int length, int timeoutMs) override;
    int read(std::uint8_t *buffer, int timeoutMs) override;
    int readSize() const override { return m_inner.readSize(); }
    bool hasCountByte() const override { return m_inner.hasCountByte(); }
    void closeDevice() override { m_inner.closeDevice(); }

    // Forgets the stream and the capture requests (a new connection).
    void resetTap();

    qint64 reportsRead() const { return m_reports.load(); }
    // DataTransfer frames received so far.
    qint64 dataTransfersSeen() const;
    // True when every capture slot the editor asked for has arrived;
    // lastArrival: the DataTransfer count at the last completed slot.
    bool capturesComplete(qint64 *lastArrival) const;
    QList<int> pendingCaptureSlots() const;

private:
    void onInboundFrame(const std::uint8_t *frame, std::size_t len);

    UnitTransport &m_inner;
    const Kt900::DeviceStore *m_store;
    Frame::Reassembler m_inbound;                 // the reading thread only
    std::atomic<qint64> m_reports{0};
    mutable std::mutex m_mutex;
    std::array<int, Kt900::kCaptureSlots> m_pending{};
    qint64 m_transfers = 0;
    qint64 m_lastArrival = 0;
};

struct UnitIdentity
{
    QString model;
    QString version;
    QString info1;
    QString info3;
    char mode = 0;          // 'A' or 'B'; 0 when the device type reports none
    bool infoValid = false;
    int address = -1;
    int deviceType = 0;
};

class UnitSession : public QObject
{
    Q_OBJECT

public:
    // `usb` is the connection to use (a new MyLibusb when null).
    explicit UnitSession(Output &out, std::unique_ptr<MyLibusb> usb = nullptr, QObject *parent = nullptr);
    ~UnitSession() override;

    // Finds the unit as the launcher does (busAddress -1), or identifies the
    // device at busAddress; the device is closed again afterwards.
    bool identify(int busAddress, UnitIdentity *identity, QString *error);

    // identify, refuse a unit in firmware-update mode or with another
    // firmware than the editor's, then connect as the editor and download
    // everything (SyncDone).
    bool connectAndSync(int busAddress, QString *error);

    // Waits until the tone-capture data the editor asks for after the
    // download has arrived (export, import and backup carry it).
    bool waitForCaptures(QString *error, int timeoutMs = 15000);

    usbReceiveThread *recv() const { return m_recv; }
    Kt900::DeviceStore &store() { return m_link->store; }
    TapConnection &connection() { return m_link->tap; }
    bool isDisconnected() const;
    // After a failed transfer: true when the unit turns out to be gone. A
    // write to a vanished unit fails before the receive loop notices, so this
    // gives the loop a moment (at most waitMs) to see it.
    bool wasDisconnected(int waitMs = 1000);
    // "the unit was disconnected" when it was, else the given reason.
    QString failure(const QString &reason);

    // Stops the receive loop and closes the unit, waiting at most
    // kStopDeadlineMs for the loop to end. A loop stuck in a transfer is left
    // behind with the connection (the process is about to end): false then.
    bool close();
    static constexpr int kStopDeadlineMs = 2000;

private:
    bool waitSynced(int timeoutMs);
    // Waits until done(), the time-out, a disconnection or an interrupt.
    bool waitFor(const std::function<bool()> &done, int timeoutMs);

    // What the receive loop touches, kept together so that a loop that does
    // not end in time can be left behind whole.
    struct Link
    {
        explicit Link(std::unique_ptr<MyLibusb> connection);
        Kt900::DeviceStore store;
        std::unique_ptr<MyLibusb> usb;
        TapConnection tap;
        QThread thread;
    };

    Output &m_out;
    std::unique_ptr<Link> m_link;
    usbReceiveThread *m_recv = nullptr;
    bool m_synced = false;
    // DataTransfer frames dispatched over the session (the capture wait
    // compares it with the tap's count); the progress of one download
    // counts from m_progressBase.
    int m_transfersDispatched = 0;
    int m_progressBase = 0;
};

} // namespace Cli
