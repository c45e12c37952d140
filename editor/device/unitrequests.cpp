#include "unitrequests.h"

#include "commands.h"
#include "frame.h"
#include "unittransport.h"
#include "requests.h"

#include <array>

using namespace Kt900;

UnitRequests::UnitRequests(UnitTransport *connection, DeviceStore *store)
    : m_connection(connection)
    , m_store(store)
{
}

int UnitRequests::send(const QByteArray &payload) const
{
    if (!m_connection || payload.isEmpty() || payload.size() > Frame::kMaxPayload)
        return -1;
    const QByteArray frame = Frame::build(payload);
    return m_connection->write(reinterpret_cast<const std::uint8_t *>(frame.constData()), frame.size(),
                                    kWriteTimeoutMs)
               ? 1
               : -1;
}

int UnitRequests::sendDeviceInfoRequest()
{
    return send(Request::deviceInfo());
}

int UnitRequests::sendCurrentUi(std::uint32_t screenCode)
{
    if (m_store->screenCode() == screenCode)
        return 0;
    m_store->setScreenCode(screenCode);
    return send(Request::currentUi(screenCode));
}

int UnitRequests::sendModuleParams(int module)
{
    if (Cmd::moduleCommand(module) < 0)
        return -1;
    return send(Request::moduleParams(module, m_store->moduleBlock(kEditBuffer, module), moduleBlockSize(module)));
}

int UnitRequests::sendRhythmSettings()
{
    return send(Request::globalBlock(Cmd::RhythmSettings, m_store->rhythmBlock(), kRhythmSize));
}

int UnitRequests::sendGlobalBpm()
{
    const PresetView edit = m_store->editBuffer();
    return send(Request::globalBpm(static_cast<std::uint8_t>(edit.volume()), static_cast<std::uint16_t>(edit.tempoRaw()),
                                   m_store->globalTempoRaw()));
}

int UnitRequests::sendChainOrder()
{
    int modules[kChainLength];
    bool switches[kChainLength];
    for (int i = 0; i < kChainLength; ++i) {
        modules[i] = m_store->chainModuleAt(i);
        switches[i] = m_store->moduleSwitch(i);
    }
    return send(Request::chainOrder(modules, switches));
}

int UnitRequests::sendSystemSetting(int index, int value)
{
    if (!m_store->setSystemSetting(index, value))
        return -1;
    return sendSystemSettings();
}

int UnitRequests::sendSystemSettings()
{
    return send(Request::globalBlock(Cmd::SystemSettings, m_store->systemBlock(), kSystemSize));
}

int UnitRequests::sendMidiMapEntry(int setting, int index, int value)
{
    return send(Request::midiMapEntry(setting, index, value));
}

int UnitRequests::sendGlobalEq()
{
    std::uint16_t words[kGlobalEqWords];
    for (int i = 0; i < kGlobalEqWords; ++i)
        words[i] = static_cast<std::uint16_t>(m_store->globalEqWord(i));
    return send(Request::globalEq(m_store->globalEqOutput(), words));
}

int UnitRequests::sendCtrlSet()
{
    const PresetView edit = m_store->editBuffer();
    return send(Request::ctrlSet(static_cast<std::uint8_t>(edit.ctrlMode()), static_cast<std::uint16_t>(edit.ctrlMask())));
}

int UnitRequests::sendExpVolume(int presetIndex)
{
    const PresetView preset = m_store->preset(presetIndex);
    if (!preset.isValid())
        return -1;
    std::uint8_t settings[kExpSettingCount];
    for (int i = 0; i < kExpSettingCount; ++i)
        settings[i] = static_cast<std::uint8_t>(preset.expSetting(i));
    return send(Request::expVolume(settings, m_store->expGlobalWord(), m_store->expGlobalByte()));
}

int UnitRequests::sendFactoryReset()
{
    return send(Request::factoryReset());
}

int UnitRequests::sendSlotName(int list, int slot, const QString &name)
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
    std::uint8_t name16[kNameSize];
    nameToBytes(name, name16);
    m_store->setSlotNameBytes(list, slot, name16, kNameSize);
    return send(Request::slotName(kind, slot, name16));
}

int UnitRequests::sendRequestData(int kind, int a, int b)
{
    return send(Request::requestData(kind, a, b));
}

int UnitRequests::sendDeleteSlot(int module, int typeId)
{
    if (module == ModCab && typeId >= 32 && typeId <= 41)
        return send(Request::deleteSlot(Cmd::KindIr, typeId - 32));
    if (module == ModAmp && typeId >= 70 && typeId <= 79)
        return send(Request::deleteSlot(Cmd::KindNr, typeId - 70));
    return -1;
}

int UnitRequests::sendRequestSync()
{
    return send(Request::requestSync());
}

int UnitRequests::sendEditorAttach()
{
    return send(Request::editorAttach());
}

int UnitRequests::sendStorePreset(int index, const QString &name)
{
    std::uint8_t name16[kNameSize];
    nameToBytes(name, name16);
    return send(Request::storePreset(index, name16));
}

int UnitRequests::sendSelectPreset(int index)
{
    return send(Request::selectPreset(index));
}

int UnitRequests::sendMidiList()
{
    return send(Request::globalBlock(Cmd::MidiList, m_store->midiBlock(), kMidiSize));
}

int UnitRequests::sendToneCapture(int number)
{
    const DeviceStore &s = *m_store;
    if (number == 0)
        return send(Request::captureSettingsA(s.toneCaptureValue(0)));
    if (number >= 1 && number <= 7) {
        int words[6];
        for (int i = 0; i < 6; ++i)
            words[i] = s.toneCaptureValue(2 + i);
        return send(Request::captureSettingsB(s.toneCaptureValue(1), words));
    }
    if (number >= 8 && number <= 11)
        return send(Request::captureSettingsC(s.toneCaptureValue(8), s.toneCaptureValue(9), s.toneCaptureValue(10),
                                              s.toneCaptureValue(11)));
    if (number >= 12 && number <= 14)
        return sendModuleParams(ModToneCap);
    return -1;
}

int UnitRequests::sendCaptureAmpList()
{
    return send(Request::globalBlock(Cmd::CaptureAmpList, m_store->captureAmpList(), kCaptureSlots * kCaptureAmpEntry));
}

int UnitRequests::sendBackupMode(int a, int b)
{
    return send(Request::backupMode(a, b));
}

QByteArray UnitRequests::editBufferFrame() const
{
    std::array<std::uint8_t, kWireRecordSize> wire{};
    encodeWireRecord(*m_store->record(kEditBuffer), wire.data());
    return Request::presetFrame(Cmd::SubEditBuffer, 255, wire.data());
}

QByteArray UnitRequests::presetFrame(int index) const
{
    const Record *r = index >= 0 && index < kPresetCount ? m_store->record(index) : nullptr;
    if (!r)
        return {};
    std::array<std::uint8_t, kWireRecordSize> wire{};
    encodeWireRecord(*r, wire.data());
    return Request::presetFrame(Cmd::SubPreset, index, wire.data());
}
