#pragma once

// Routes the unit's notifications (the command code the receive loop
// reports after it stored a frame) to what shows them. Each code maps to
// one kind of notification; the window registers one handler per kind.
// Most kinds change what the window shows and are dropped until the unit's
// data has loaded; the download's own kinds (progress, end, the pop-ups'
// values) always pass. After any routed code the after-hook runs (the
// window closes questions the unit's change made moot).

#include <QObject>

#include <array>
#include <functional>

class NotificationRouter : public QObject
{
    Q_OBJECT

public:
    enum class Notification {
        Ignored,          // a code nothing shows (1, 26, unknown, > 127)
        PageChanged,      // 2: the unit shows another page
        ModuleData,       // a module's block changed
        FxLoop,           // 10: the FX loop's block (send or return)
        ToneCapture,      // 6, 37..39: the tone-capture data
        VolumeTempo,      // 15
        ChainOrder,       // 16
        Settings,         // 17..20, 36: system, MIDI, global EQ, CTRL
        Switches,         // 21: the modules' on/off switches
        Expression,       // 22: the expression-pedal data
        LoadStep,         // 28: one step of the download
        SyncDone,         // 31: the download is complete
        PresetStored,     // 32: the edit buffer was stored
        PresetSelected,   // 34: the unit switched presets
        Count
    };
    using Handler = std::function<void(int code)>;

    explicit NotificationRouter(QObject *parent = nullptr);

    // The kind of a code.
    static Notification classify(int code);
    // Whether a kind is dropped until the unit's data has loaded.
    static bool needsReady(Notification kind);

    void setHandler(Notification kind, Handler handler);
    void setReadyCheck(std::function<bool()> ready);
    void setAfterHook(std::function<void()> after);

    // Routes one code; true when a handler ran.
    bool route(int code);
    // Routes an already classified notification (`code` is passed on).
    bool route(Notification kind, int code);

private:
    std::array<Handler, static_cast<int>(Notification::Count)> m_handlers;
    std::function<bool()> m_ready;
    std::function<void()> m_after;
};
