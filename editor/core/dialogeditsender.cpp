#include "dialogeditsender.h"

#include "busystate.h"
#include "chainpanel.h"
#include "devicestore.h"
#include "editorfields.h"
#include "exp.h"
#include "modulepanel.h"
#include "pagecodes.h"
#include "sendcoalescer.h"
#include "setting.h"
#include "tonecapture.h"
#include "topbar.h"
#include "unitlink.h"
#include "valuemodel.h"

#include <QVector>

#include <algorithm>

using namespace Kt900;

DialogEditSender::DialogEditSender(UnitLink &link, SendCoalescer &coalescer, BusyState *busy, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_coalescer(coalescer)
    , m_busy(busy)
{
    m_coalescer.setHandler(SendCoalescer::System, [this]() { sendSystem(); });
    m_coalescer.setHandler(SendCoalescer::Exp, [this]() { sendExp(); });
    m_coalescer.setHandler(SendCoalescer::Ctrl, [this]() { sendCtrl(); });
    m_coalescer.setHandler(SendCoalescer::GlobalEq, [this]() { sendGlobalEq(); });
    m_coalescer.setHandler(SendCoalescer::Midi, [this]() { sendMidi(); });
    m_coalescer.setHandler(SendCoalescer::ToneCapture, [this]() { sendToneCapture(); });
}

void DialogEditSender::setViews(const Views &views)
{
    m_views = views;
}

usbReceiveThread *DialogEditSender::unit() const
{
    return m_link.sender();
}

int DialogEditSender::currentModule() const
{
    return m_views.module ? m_views.module->currentModule() : -1;
}

bool DialogEditSender::allowed(const char *what) const
{
    return !m_busy || m_busy->allows(what);
}

void DialogEditSender::sendPage(int code)
{
    if (usbReceiveThread *u = unit())
        u->sendCurrentUi(code == -1 ? PageCodes::forModule(currentModule()) : static_cast<std::uint32_t>(code));
}

// --- the unit's values into the dialogs ---------------------------------------

void DialogEditSender::pushSetting(UnitChange what)
{
    const DeviceStore &s = m_link.store();
    Setting *setting = m_views.setting;
    if (!setting)
        return;
    switch (what) {
    case UnitChange::SystemSettings:
        for (int i = 0; i < Setting::kSystemValues; ++i)
            setting->setSystemValue(i, s.systemSetting(i));
        refreshCabLabels();
        if (m_link.isLive() && m_views.top)
            m_views.top->refreshVolumeAndTempo();
        break;
    case UnitChange::MidiEntry:
    case UnitChange::MidiList: {
        QVector<int> first, second;
        for (int i = 0; i < 256; ++i) {
            first << s.midiBlock()[i];
            second << s.midiBlock()[256 + i];
        }
        setting->setMidiTable(18, first);
        setting->setMidiTable(19, second);
        break;
    }
    case UnitChange::GlobalEq: {
        const int output = s.globalEqOutput();
        setting->setGlbEqValue(0, output);
        for (int i = 1; i < Setting::kGlbEqValues; ++i)
            setting->setGlbEqValue(i, s.globalEqWord((output == 0 ? 0 : 9) + i - 1));
        break;
    }
    case UnitChange::CtrlSet:
        setting->refreshCtrl(s.control(0), s.control(1), s.control(2));
        break;
    default:
        break;
    }
}

void DialogEditSender::pushToneCapture()
{
    const DeviceStore &s = m_link.store();
    if (!m_views.toneCapture)
        return;
    for (int i = 0; i < kToneCaptureValues; ++i)
        m_views.toneCapture->update(i, s.toneCaptureValue(i));
    for (int word = 0; word < 3; ++word)
        m_views.toneCapture->update(12 + word, s.editBuffer().blockWord(ModToneCap, word));
}

void DialogEditSender::refreshExp()
{
    const DeviceStore &s = m_link.store();
    if (m_views.top)
        m_views.top->setExpVolOpen(EditorFields::expField(s, 5) != 0);
    if (m_views.exp) {
        for (int i = 0; i < EditorFields::kExpFieldCount; ++i)
            m_views.exp->setExpValue(i, EditorFields::expField(s, i));
    }
}

void DialogEditSender::refreshCabLabels()
{
    if (m_views.top)
        m_views.top->setCabLabels(EditorFields::cabLabel(0, m_link.store().systemSetting(13)),
                                  EditorFields::cabLabel(1, m_link.store().systemSetting(14)));
}

// --- the dialogs' edits ---------------------------------------------------------

void DialogEditSender::sysValueChanged(int index, int value)
{
    if (index == -1) {
        sendPage(value);
        return;
    }
    if (!allowed("a system setting"))
        return;
    DeviceStore &s = m_link.store();
    if (!EditorFields::isValidSystemSetting(index, value) || s.systemSetting(index) == value)
        return;
    if (!s.setSystemSetting(index, value))
        return;
    m_sysIndex = index;
    if (index == 13 || index == 14)
        refreshCabLabels();
    m_coalescer.request(SendCoalescer::System);
}

void DialogEditSender::sendSystem()
{
    const int index = m_sysIndex;
    if (index == 7 && m_views.top)
        m_views.top->refreshVolumeAndTempo();
    usbReceiveThread *u = unit();
    if (!u)
        return;
    u->sendCurrentUi(PageCodes::forSystemSetting(index, m_link.store()));
    u->sendSystemSettings();
}

void DialogEditSender::expValueChanged(int index, int value)
{
    if (index == -1) {
        sendPage(value);
        return;
    }
    if (!allowed("a pedal setting"))
        return;
    DeviceStore &s = m_link.store();
    if (EditorFields::expField(s, index) == value)
        return;
    if (!EditorFields::setExpField(s, index, value))
        return;
    if (index < 10)
        s.setModified(true);
    m_expIndexes.removeAll(index);
    m_expIndexes << index;
    m_coalescer.request(SendCoalescer::Exp);
}

void DialogEditSender::sendExp()
{
    const QList<int> indexes = m_expIndexes;
    m_expIndexes.clear();
    DeviceStore &s = m_link.store();
    std::uint32_t page = 0;
    for (int index : indexes) {
        if (index == 5) {
            if (m_views.top)
                m_views.top->setExpVolOpen(EditorFields::expField(s, 5) != 0);
            page = PageCodes::kExpVolPage;
        } else if (index == 6 || index == 7 || index == 8 || index == 9) {
            // Choosing a pedal target ends its merge assignment.
            const int merge = index <= 7 ? 2 : 3;
            EditorFields::setExpField(s, merge, 0);
            if (m_views.exp)
                m_views.exp->setExpValue(merge, 0);
            page = index <= 7 ? PageCodes::kExp1Page : PageCodes::kExp2Page;
        } else if (index == 10 || index == 11) {
            page = PageCodes::kExpVolPage;
        }
    }
    usbReceiveThread *u = unit();
    if (!u)
        return;
    if (page)
        u->sendCurrentUi(page);
    u->sendExpVolume();
}

void DialogEditSender::ctrlValueChanged(int index, int value)
{
    if (!allowed("a CTRL setting") || !EditorFields::isValidCtrlValue(index, value))
        return;
    DeviceStore &s = m_link.store();
    if (s.control(index) == value)
        return;
    const bool globalTempo = s.systemSetting(7) != 0;
    if (!s.setControl(index, value))
        return;
    if (index == 2) {
        m_bpmDirty = true;
        if (!globalTempo)
            s.setModified(true);
    } else {
        m_ctrlDirty = true;
        m_ctrlIndex = index;
        s.setModified(true);
    }
    m_coalescer.request(SendCoalescer::Ctrl);
}

void DialogEditSender::sendCtrl()
{
    const bool ctrl = m_ctrlDirty;
    const bool bpm = m_bpmDirty;
    m_ctrlDirty = m_bpmDirty = false;
    if (bpm && m_views.top)
        m_views.top->refreshVolumeAndTempo();
    usbReceiveThread *u = unit();
    if (!u)
        return;
    if (ctrl) {
        const bool toPreset = m_ctrlIndex == 0 && m_link.store().control(0) != 1;
        u->sendCurrentUi(toPreset ? PageCodes::kPresetPage : PageCodes::kCtrlOnOff);
        u->sendCtrlSet();
    }
    if (bpm)
        u->sendGlobalBpm();
}

void DialogEditSender::glbEqValueChanged(int index, int value)
{
    if (!allowed("a global EQ setting"))
        return;
    DeviceStore &s = m_link.store();
    if (index == 0) {
        if (value < 0 || value > 1 || s.globalEqOutput() == value)
            return;
        s.setGlobalEqOutput(value);
    } else if (index >= 1 && index <= 9) {
        const int word = (s.globalEqOutput() == 0 ? 0 : 9) + index - 1;
        if (value < 0 || value > 0xFFFF || s.globalEqWord(word) == value)
            return;
        s.setGlobalEqWord(word, static_cast<std::uint16_t>(value));
    } else {
        return;
    }
    m_coalescer.request(SendCoalescer::GlobalEq);
}

void DialogEditSender::sendGlobalEq()
{
    pushSetting(UnitChange::GlobalEq);
    if (usbReceiveThread *u = unit())
        u->sendGlobalEq();
}

void DialogEditSender::midiValueChanged(int type, int index, int value)
{
    if ((type != 18 && type != 19) || index < 0 || index > (type == 18 ? 255 : 254))
        return;
    if (!allowed("a MIDI map entry") || !EditorFields::isValidMidiEntry(type, value))
        return;
    DeviceStore &s = m_link.store();
    const int entry = (type == 18 ? 0 : 256) + index;
    const int byte = value & 0xFF;
    if (s.midiBlock()[entry] == byte)
        return;
    s.midiBlock()[entry] = static_cast<std::uint8_t>(byte);
    const QPair<int, int> key(type, index);
    if (!m_midiEntries.contains(key))
        m_midiEntries << key;
    m_coalescer.request(SendCoalescer::Midi);
}

void DialogEditSender::sendMidi()
{
    const QList<QPair<int, int>> entries = m_midiEntries;
    m_midiEntries.clear();
    usbReceiveThread *u = unit();
    if (!u)
        return;
    for (const QPair<int, int> &e : entries) {
        const int value = m_link.store().midiBlock()[(e.first == 18 ? 0 : 256) + e.second];
        u->sendMidiMapEntry(e.first, e.second, value);
    }
}

void DialogEditSender::toneCaptureValueChanged(int index, QVariant value)
{
    DeviceStore &s = m_link.store();
    if (index == -1) {
        sendPage(value.toInt());
        return;
    }
    if (index == -2) {
        if (m_views.chain)
            m_views.chain->setCaptureMode(value.toInt() == 0);
        return;
    }
    if (!allowed("a tone-capture edit"))
        return;
    if (index == -3) {
        if (usbReceiveThread *u = unit())
            u->sendSlotName(ListCapture, s.toneCaptureValue(8), value.toString());
        return;
    }
    if (index < 0 || index > 14)
        return;
    const int v = value.toInt();
    int group = 12;
    if (index <= 11) {
        if (s.toneCaptureValue(index) == v || v < 0 || v > 0xFFFF)
            return;
        s.setToneCaptureValue(index, static_cast<std::uint16_t>(v));
        group = index == 0 ? 0 : (index <= 7 ? 1 : 8);
    } else if (index == 12) {
        if (s.moduleSwitch(ModToneCap) == (v != 0))
            return;
        ValueModel::setSwitch(s, kEditBuffer, ModToneCap, v);
        s.setModified(true);
    } else if (index == 13) {
        if (s.editBuffer().moduleType(ModToneCap) == v || !ValueModel::changeType(s, ModToneCap, v))
            return;
        s.setModified(true);
    } else {
        const int type = s.editBuffer().moduleType(ModToneCap);
        if (ValueModel::getParam(s, kEditBuffer, ModToneCap, 0) == v
            || !ValueModel::setParam(s, kEditBuffer, ModToneCap, type, 0, v))
            return;
        s.setModified(true);
    }
    m_toneGroups.insert(group);
    if (group == 12 && currentModule() == ModulePanel::kToneCapModule && m_views.module)
        m_views.module->refreshModule();
    m_coalescer.request(SendCoalescer::ToneCapture);
}

void DialogEditSender::sendToneCapture()
{
    QList<int> groups = m_toneGroups.values();
    m_toneGroups.clear();
    std::sort(groups.begin(), groups.end());
    usbReceiveThread *u = unit();
    if (!u)
        return;
    for (int group : qAsConst(groups))
        u->sendToneCapture(group);
}
