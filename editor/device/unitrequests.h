#pragma once

// The requests the editor sends to the unit: each reads what it needs from
// the device data store, encodes it (Request::*) and writes the frame through
// the connection. Used in the thread that owns the store.
//
// Each returns 1 when the frame was written, 0 when there was nothing to send
// (an unchanged screen code), and -1 when an argument is out of range
// (nothing is sent) or the write failed.

#include "devicestore.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

class UnitTransport;

class UnitRequests
{
public:
    static constexpr int kWriteTimeoutMs = 500;

    UnitRequests(UnitTransport *connection, Kt900::DeviceStore *store);

    // Frames one payload and writes it; -1 for an empty payload.
    int send(const QByteArray &payload) const;

    int sendDeviceInfoRequest();
    // Sends nothing and answers 0 when the code equals the stored screen code;
    // otherwise stores it and sends.
    int sendCurrentUi(std::uint32_t screenCode);
    // The module's whole block of the edit buffer; module 0..11, else -1.
    int sendModuleParams(int module);
    int sendRhythmSettings();
    int sendGlobalBpm();
    int sendChainOrder();
    // Stores system setting index = value (0..17 a byte of the block, 18 / 19
    // entry value >> 8 of the first / second MIDI table), then sends the block.
    int sendSystemSetting(int index, int value);
    int sendSystemSettings();
    // setting 18 (first MIDI table) or 19 (second); entry index 0..255.
    int sendMidiMapEntry(int setting, int index, int value);
    int sendGlobalEq();
    int sendCtrlSet();
    // From stored preset presetIndex (0..255, 255 the edit buffer).
    int sendExpVolume(int presetIndex);
    int sendFactoryReset();
    // list 2 = NR, 3 = IR (slot 0..9), 11 = capture (slot 0..19); an empty
    // name sends nothing (-1). The name (cut to 16) is also stored in the list.
    int sendSlotName(int list, int slot, const QString &name);
    // kind 3 NR, 4 IR, 5 capture; (a, b) = (1, 0) all slots, (0, i) slot i.
    int sendRequestData(int kind, int a, int b);
    // module 3 (CAB) with type 32..41 deletes IR slot 0..9; module 2 (AMP)
    // with type 70..79 deletes NR slot 0..9.
    int sendDeleteSlot(int module, int typeId);
    int sendRequestSync();
    int sendEditorAttach();
    // index 0..254; the name is cut to 16 characters.
    int sendStorePreset(int index, const QString &name);
    int sendSelectPreset(int index);
    int sendMidiList();
    // Tone-capture value number 0..14: 0 CaptureSettingsA, 1..7
    // CaptureSettingsB, 8..11 CaptureSettingsC, 12..14 the TONE CAP module.
    int sendToneCapture(int number);
    int sendCaptureAmpList();
    int sendBackupMode(int a, int b);

    // The record of the edit buffer (sub-kind 1, slot 255) or of stored
    // preset index 0..254 (sub-kind 2) as one DataTransfer frame.
    QByteArray editBufferFrame() const;
    QByteArray presetFrame(int index) const;

private:
    UnitTransport *m_connection;
    Kt900::DeviceStore *m_store;
};
