#pragma once

// Core: the editor's main window. It builds the frameless window (the
// panels through EditorLayout, the pop-ups and the loading overlay) and
// wires the classes that do the work:
//   EditorSession      the unit: open, receive loop, attach + sync + retry, shutdown
//   NotificationRouter the unit's notifications to the panel or dialog showing them
//   PopupManager       the pop-ups: one at a time, centred, closed by an outside click
//   DialogEditSender   the dialogs' values in, their coalesced edits out
//   PanelSync          the chain, module panel and preset list on what the model shows
//   SlotImporter       IR/NR slot import and delete
//   BusyState          the one busy state long operations hold
//   UnitMaintenance    factory reset, backup and recall from the settings pop-up

#include "editorlayout.h"
#include "editorsession.h"
#include "pagecodes.h"
#include "presetfilecodec.h"
#include "unitchange.h"

#include <QPoint>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

namespace Kt900 {
class DeviceStore;
}

class BusyState;
class ChainPanel;
class DialogEditSender;
class Exp;
class FileChooser;
class FramelessHelper;
class LoadingWidget;
class ModulePanel;
class NotificationRouter;
class PanelSync;
class PopupManager;
class PresetPanel;
class QSignalMapper;
class RenameWidget;
class SendCoalescer;
class Setting;
class SlotImporter;
class TipBox;
class TitleBar;
class ToneCapture;
class TopBar;
class UnitMaintenance;
class usbReceiveThread;

class Core : public QWidget
{
    Q_OBJECT

public:
    using State = EditorSession::State;

    static constexpr int kWidth = 1130;
    static constexpr int kHeight = 700;
    static constexpr int kLoadingSteps = 510;

    // Opens the unit at `deviceAddress` (on bus `busNumber` when it is 0 or
    // more) and builds the window. When the unit cannot be opened or the
    // catalogue cannot be read, an error message is shown and a quit is
    // posted; the window is never shown then.
    // `connection` reaches the unit (MyLibusb when null).
    explicit Core(quint8 deviceAddress, int busNumber = -1, QWidget *parent = nullptr,
                  std::unique_ptr<UnitConnection> connection = nullptr);
    ~Core() override;

    // How the program ends (the event loop's exit). Tests replace it.
    void setQuitHandler(std::function<void(int)> handler);

    State state() const { return m_session->state(); }
    quint8 deviceAddress() const { return m_session->address(); }
    int currentModule() const;
    Kt900::DeviceStore &store() const { return m_session->link().store(); }
    usbReceiveThread *receiveThread() const { return m_session->receiver(); }
    SendCoalescer *coalescer() const { return m_coalescer; }
    PresetFileCodec &presetCodec() { return m_codec; }
    void setFileChooser(std::unique_ptr<FileChooser> chooser);

    EditorSession *session() const { return m_session; }
    NotificationRouter *router() const { return m_router; }
    PopupManager *popups() const { return m_popups; }
    DialogEditSender *dialogEdits() const { return m_edits; }
    SlotImporter *slotImporter() const { return m_slots; }
    BusyState *busyState() const { return m_busy; }
    UnitMaintenance *maintenance() const { return m_maintenance; }

    TitleBar *titleBar() const { return m_ui.title; }
    TopBar *topBar() const { return m_ui.top; }
    PresetPanel *presetPanel() const { return m_ui.presets; }
    ModulePanel *modulePanel() const { return m_ui.module; }
    ChainPanel *chainPanel() const { return m_ui.chain; }
    LoadingWidget *loadingWidget() const { return m_loading; }
    Exp *expPopup() const { return m_exp; }
    Setting *settingPopup() const { return m_setting; }
    ToneCapture *toneCapturePopup() const { return m_toneCapture; }
    RenameWidget *renameWidget() const { return m_rename; }
    TipBox *tipBox() const { return m_tip; }
    QSignalMapper *buttonMapper() const { return m_mapper; }

    // --- operations of the window ---------------------------------------
    // Shows one pop-up (hiding the others); None hides them all.
    void showPopup(PageCodes::Popup which);
    void showPopup(int which) { showPopup(static_cast<PageCodes::Popup>(which)); }
    void showModule(int module);
    void selectModule(int module);
    void buildParaWidgets(int module, int type);
    void refreshModule(int module);
    void followUnitPage();
    void showCurrentPreset();
    // Re-reads the eleven style sheets (start-up and Ctrl+L).
    void reloadStyleSheets();

public slots:
    void dataInit();
    void importIrOrNr(QPoint point);
    void deleteIrOrNr(QPoint point);
    void readData(Kt900::UnitChange what, int module);
    void buttonClick(int id);
    void chainButtonClick(int id);
    void DeviceDisconnect(bool Dis);
    void paraValueChanged(int value);
    void expValueChanged(int index, int value);
    void sysValueChanged(int index, int value);
    void ctrlValueChanged(int index, int value);
    void glbEqValueChanged(int index, int value);
    void toneCaptureValueChanged(int index, QVariant value);
    void midiValueChanged(int type, int index, int value);

protected:
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildWindow();
    void buildPopups();
    void routeNotifications();
    void placeOverlay();
    void loadingFinished();
    void wirePopups();
    void openDialog(PageCodes::Popup which, std::uint32_t page);

    PresetFileCodec m_codec;
    QSignalMapper *m_mapper = nullptr;
    SendCoalescer *m_coalescer = nullptr;
    EditorSession *m_session = nullptr;
    BusyState *m_busy = nullptr;
    NotificationRouter *m_router = nullptr;
    PopupManager *m_popups = nullptr;
    DialogEditSender *m_edits = nullptr;
    SlotImporter *m_slots = nullptr;
    UnitMaintenance *m_maintenance = nullptr;
    std::unique_ptr<FileChooser> m_chooser;

    Exp *m_exp = nullptr;
    Setting *m_setting = nullptr;
    ToneCapture *m_toneCapture = nullptr;
    RenameWidget *m_rename = nullptr;
    TipBox *m_tip = nullptr;
    LoadingWidget *m_loading = nullptr;
    FramelessHelper *m_frameless = nullptr;
    EditorLayout::Parts m_ui;
    PanelSync *m_sync = nullptr;
    bool m_wired = false;
};
