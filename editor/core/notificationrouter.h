#pragma once

// Routes the unit's notifications (what a frame changed, reported by the
// receive loop after it stored the frame) to what shows them. Each change maps
// to one kind of notification; the window registers one handler per kind.
// Most kinds change what the window shows and are dropped until the unit's
// data has loaded; the download's own kinds (progress, end, the pop-ups'
// values) always pass. After any routed code the after-hook runs (the
// window closes questions the unit's change made moot).

#include "unitchange.h"

#include <QObject>

#include <array>
#include <functional>

class NotificationRouter : public QObject
{
    Q_OBJECT

public:
    enum class Notification {
        Ignored,          // a change nothing shows
        PageChanged,      // the unit shows another page
        ModuleData,       // a module's block changed
        FxLoop,           // the FX loop's block (send or return)
        ToneCapture,      // the TONE CAP block, the tone-capture settings
        VolumeTempo,
        ChainOrder,
        Settings,         // system, MIDI entry or tables, global EQ, CTRL
        Switches,         // the modules' on/off switches
        Expression,       // the expression-pedal data
        LoadStep,         // one step of the download (a DataTransfer frame)
        SyncDone,         // the download is complete
        PresetStored,     // the edit buffer was stored
        PresetSelected,   // the unit switched presets
        Count
    };
    // module: the module number with UnitChange::Module, else -1.
    using Handler = std::function<void(Kt900::UnitChange what, int module)>;

    explicit NotificationRouter(QObject *parent = nullptr);

    // The kind of a change.
    static Notification classify(Kt900::UnitChange what, int module = -1);
    // Whether a kind is dropped until the unit's data has loaded.
    static bool needsReady(Notification kind);

    void setHandler(Notification kind, Handler handler);
    void setReadyCheck(std::function<bool()> ready);
    void setAfterHook(std::function<void()> after);

    // Routes one change; true when a handler ran.
    bool route(Kt900::UnitChange what, int module = -1);

private:
    std::array<Handler, static_cast<int>(Notification::Count)> m_handlers;
    std::function<bool()> m_ready;
    std::function<void()> m_after;
};
