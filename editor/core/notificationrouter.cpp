#include "notificationrouter.h"

#include "devicestore.h"

NotificationRouter::NotificationRouter(QObject *parent)
    : QObject(parent)
{
}

NotificationRouter::Notification NotificationRouter::classify(Kt900::UnitChange what, int module)
{
    using Kt900::UnitChange;
    switch (what) {
    case UnitChange::Page: return Notification::PageChanged;
    case UnitChange::Module:
        if (module == Kt900::ModFxLoopSend || module == Kt900::ModFxLoopReturn)
            return Notification::FxLoop;
        return module == Kt900::ModToneCap ? Notification::ToneCapture : Notification::ModuleData;
    case UnitChange::ToneCapture: return Notification::ToneCapture;
    case UnitChange::VolumeTempo: return Notification::VolumeTempo;
    case UnitChange::ChainOrder: return Notification::ChainOrder;
    case UnitChange::SystemSettings:
    case UnitChange::MidiEntry:
    case UnitChange::GlobalEq:
    case UnitChange::CtrlSet:
    case UnitChange::MidiList:
        return Notification::Settings;
    case UnitChange::Switches: return Notification::Switches;
    case UnitChange::ExpVolume: return Notification::Expression;
    case UnitChange::Transfer: return Notification::LoadStep;
    case UnitChange::SyncDone: return Notification::SyncDone;
    case UnitChange::PresetStored: return Notification::PresetStored;
    case UnitChange::PresetSelected: return Notification::PresetSelected;
    default: return Notification::Ignored;
    }
}

bool NotificationRouter::needsReady(Notification kind)
{
    switch (kind) {
    case Notification::ToneCapture:   // the pop-up takes its values at once
    case Notification::Settings:
    case Notification::LoadStep:
    case Notification::SyncDone:
    case Notification::Ignored:
        return false;
    default:
        return true;
    }
}

void NotificationRouter::setHandler(Notification kind, Handler handler)
{
    if (kind != Notification::Count)
        m_handlers[static_cast<int>(kind)] = std::move(handler);
}

void NotificationRouter::setReadyCheck(std::function<bool()> ready)
{
    m_ready = std::move(ready);
}

void NotificationRouter::setAfterHook(std::function<void()> after)
{
    m_after = std::move(after);
}

bool NotificationRouter::route(Kt900::UnitChange what, int module)
{
    // The info reply and the acknowledgements are answers that their
    // requests consume.
    if (what == Kt900::UnitChange::DeviceInfo || what == Kt900::UnitChange::Ack)
        return false;
    const Notification kind = classify(what, module);
    bool ran = false;
    if (kind != Notification::Ignored && kind != Notification::Count) {
        const Handler &handler = m_handlers[static_cast<int>(kind)];
        const bool ready = m_ready && m_ready();
        if (handler && (ready || !needsReady(kind))) {
            handler(what, module);
            ran = true;
        }
    }
    if (m_after)
        m_after();
    return ran;
}
