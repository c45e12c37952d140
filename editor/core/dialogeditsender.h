#pragma once

// Keeps the pop-up dialogs (Setting, Exp, ToneCapture) and the unit in step:
// pushes the unit's values into them when they arrive, and sends the
// dialogs' edits. Each kind of edit (system, pedal, CTRL/tempo, global EQ,
// MIDI map, tone capture) changes the model at once and goes out with the
// 100 ms coalescing of its kind, carrying the page code the unit is to show.
// An index of -1 carries a page code only (-1: the current module's page).
// Edits are refused while a long operation holds the busy state.

#include "unitchange.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QVariant>

#include <cstdint>

class BusyState;
class ChainPanel;
class Exp;
class ModulePanel;
class SendCoalescer;
class Setting;
class ToneCapture;
class TopBar;
class UnitLink;
class usbReceiveThread;

class DialogEditSender : public QObject
{
    Q_OBJECT

public:
    // What the edits reach besides the dialogs.
    struct Views {
        Setting *setting = nullptr;
        Exp *exp = nullptr;
        ToneCapture *toneCapture = nullptr;
        TopBar *top = nullptr;
        ChainPanel *chain = nullptr;
        ModulePanel *module = nullptr;
    };

    DialogEditSender(UnitLink &link, SendCoalescer &coalescer, BusyState *busy, QObject *parent = nullptr);

    void setViews(const Views &views);

    // --- the unit's values into the dialogs ---------------------------------
    // The settings block that changed (system, a MIDI entry or the tables,
    // the global EQ, CTRL).
    void pushSetting(Kt900::UnitChange what);
    void pushToneCapture();
    void refreshExp();
    void refreshCabLabels();

public slots:
    // --- the dialogs' edits ---------------------------------------------------
    void sysValueChanged(int index, int value);
    void expValueChanged(int index, int value);
    void ctrlValueChanged(int index, int value);
    void glbEqValueChanged(int index, int value);
    void midiValueChanged(int type, int index, int value);
    void toneCaptureValueChanged(int index, QVariant value);

private:
    usbReceiveThread *unit() const;
    int currentModule() const;
    bool allowed(const char *what) const;
    // Sends the page code of a dialog's navigation (-1: the current module's page).
    void sendPage(int code);

    void sendSystem();
    void sendExp();
    void sendCtrl();
    void sendGlobalEq();
    void sendMidi();
    void sendToneCapture();

    UnitLink &m_link;
    SendCoalescer &m_coalescer;
    BusyState *m_busy;
    Views m_views;

    // What the open coalescing windows of the dialogs' kinds carry.
    int m_sysIndex = -1;
    QList<int> m_expIndexes;
    bool m_ctrlDirty = false;
    bool m_bpmDirty = false;
    int m_ctrlIndex = -1;
    QList<QPair<int, int>> m_midiEntries;   // (type, index)
    QSet<int> m_toneGroups;                 // 0 A, 1 B, 8 C, 12 the TONE CAP block
};
