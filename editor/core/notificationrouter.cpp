#include "notificationrouter.h"

NotificationRouter::NotificationRouter(QObject *parent)
    : QObject(parent)
{
}

NotificationRouter::Notification NotificationRouter::classify(int code)
{
    switch (code) {
    case 2: return Notification::PageChanged;
    case 3: case 4: case 5: case 7: case 8: case 9: case 11: case 12: case 13:
        return Notification::ModuleData;
    case 10: return Notification::FxLoop;
    case 6: case 37: case 38: case 39: return Notification::ToneCapture;
    case 15: return Notification::VolumeTempo;
    case 16: return Notification::ChainOrder;
    case 17: case 18: case 19: case 20: case 36: return Notification::Settings;
    case 21: return Notification::Switches;
    case 22: return Notification::Expression;
    case 28: return Notification::LoadStep;
    case 31: return Notification::SyncDone;
    case 32: return Notification::PresetStored;
    case 34: return Notification::PresetSelected;
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

bool NotificationRouter::route(int code)
{
    // 1 is the unit's plain acknowledgement; codes past 127 are answers
    // that their requests consume.
    if (code == 1 || code > 127)
        return false;
    return route(classify(code), code);
}

bool NotificationRouter::route(Notification kind, int code)
{
    bool ran = false;
    if (kind != Notification::Ignored && kind != Notification::Count) {
        const Handler &handler = m_handlers[static_cast<int>(kind)];
        const bool ready = m_ready && m_ready();
        if (handler && (ready || !needsReady(kind))) {
            handler(code);
            ran = true;
        }
    }
    if (m_after)
        m_after();
    return ran;
}
