#pragma once

// Keeps the window's panels on what the model and the unit show: the module
// the chain has selected and the module panel shows move together (a click
// on the chain, a page the unit reports, a preset that became current), and
// a page of a pop-up the unit reports opens that pop-up on that page.

#include "editorlayout.h"

#include <QObject>

class DialogEditSender;
class Exp;
class PopupManager;
class Setting;
class ToneCapture;
class UnitLink;

class PanelSync : public QObject
{
    Q_OBJECT

public:
    struct Dialogs {
        Exp *exp = nullptr;
        Setting *setting = nullptr;
        ToneCapture *toneCapture = nullptr;
    };

    PanelSync(const EditorLayout::Parts &parts, UnitLink &link, QObject *parent = nullptr);
    void setDialogs(const Dialogs &dialogs, DialogEditSender *edits, PopupManager *popups);

    // The module the module panel shows (-1 before any).
    int currentModule() const;
    // Shows a module's page and its switch on the chain.
    void showModule(int module);
    // Selects a module on the chain and shows it; the current one is
    // refreshed from the model instead.
    void selectModule(int module);
    // A module's block changed in the model.
    void refreshModule(int module);
    // The FX loop's block changed: the send or return page shown, else the send.
    void refreshFxLoop();
    // The modules' switches changed.
    void refreshSwitches();
    // A chain button was clicked: the selected one toggles its switch,
    // another one becomes selected (and is switched on when it was off).
    void chainButtonClick(int module);
    // Everything showing the current preset follows the model.
    void showCurrentPreset();
    // The unit reported a page: the window shows it.
    void followUnitPage();
    // The unit stored its edit buffer as the current preset.
    void presetStored();
    // The unit switched presets (the list follows unless it shows it already).
    void presetSelected();
    // Every view follows the model again (after a recall or a reset).
    void refreshAllViews();
    // The panels take input or not (while a long operation runs).
    void setInputEnabled(bool enabled);
    // Tells the unit the page of the module the window shows.
    void sendCurrentModulePage();

private:
    EditorLayout::Parts m_parts;
    UnitLink &m_link;
    Dialogs m_dialogs;
    DialogEditSender *m_edits = nullptr;
    PopupManager *m_popups = nullptr;
};
