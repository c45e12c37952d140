#pragma once

// Core: the editor's main window and the spine of the program.
//
// It opens the unit at the bus address given on the command line, starts
// the receive loop in a worker thread, loads the effect catalogue, builds
// the frameless window (title bar, preset panel, top bar, module panel,
// chain panel) and asks the unit for all its data, showing a loading
// overlay until the unit reports the end of the download. From then on it
// routes every notification of the unit to the panel that shows it
// (readData), sends the pop-up dialogs' edits with the 100 ms coalescing of
// each kind, owns the pop-ups and closes them on a click outside, and ends
// the program when the window is closed or the unit disappears.
//
// The panels are their own classes (PresetPanel, TopBar, ModulePanel,
// ChainPanel, TitleBar); Core wires them together and keeps the operations
// that involve several of them (selecting a module from the chain, showing
// the current preset, following the page the unit shows).

#include "mylibusb.h"
#include "presetfilecodec.h"
#include "unitlink.h"

#include <QList>
#include <QPair>
#include <QPoint>
#include <QSet>
#include <QThread>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>

namespace Kt900 {
class DeviceStore;
}

class ChainPanel;
class CustomButton;
class Exp;
class FileChooser;
class FramelessHelper;
class LoadingWidget;
class ModulePanel;
class PresetPanel;
class QSignalMapper;
class QTimer;
class RenameWidget;
class SendCoalescer;
class Setting;
class TipBox;
class TitleBar;
class ToneCapture;
class TopBar;
class usbReceiveThread;

class Core : public QWidget
{
    Q_OBJECT

public:
    enum class State { NotShown, Loading, Ready };

    static constexpr int kWidth = 1130;
    static constexpr int kHeight = 700;
    static constexpr int kLoadingSteps = 510;
    static constexpr int kStartupRetryMs = 10000;

    // Opens the unit at `deviceAddress` and builds the window. When the unit
    // cannot be opened or the catalogue cannot be read, an error message is
    // shown and a quit is posted; the window is never shown then.
    explicit Core(quint8 deviceAddress, QWidget *parent = nullptr);
    ~Core() override;

    // How the program ends (the event loop's exit). Tests replace it.
    void setQuitHandler(std::function<void(int)> handler);
    // Delay of the one repetition of the start-up requests (default 10 s),
    // for constructions that follow.
    static void setStartupRetryInterval(int ms);
    static int startupRetryInterval();

    State state() const { return m_state; }
    quint8 deviceAddress() const { return m_address; }
    int currentModule() const;
    Kt900::DeviceStore &store() const { return m_link.store(); }
    usbReceiveThread *receiveThread() const { return m_recv; }
    SendCoalescer *coalescer() const { return m_coalescer; }
    PresetFileCodec &presetCodec() { return m_codec; }
    void setFileChooser(std::unique_ptr<FileChooser> chooser);

    TitleBar *titleBar() const { return m_title; }
    TopBar *topBar() const { return m_top; }
    PresetPanel *presetPanel() const { return m_presets; }
    ModulePanel *modulePanel() const { return m_module; }
    ChainPanel *chainPanel() const { return m_chain; }
    LoadingWidget *loadingWidget() const { return m_loading; }
    Exp *expPopup() const { return m_exp; }
    Setting *settingPopup() const { return m_setting; }
    ToneCapture *toneCapturePopup() const { return m_toneCapture; }
    RenameWidget *renameWidget() const { return m_rename; }
    TipBox *tipBox() const { return m_tip; }
    QSignalMapper *buttonMapper() const { return m_mapper; }

    // --- operations of the window ---------------------------------------
    // 0 hides every pop-up; 1 Exp, 2 the name editor, 3 Setting,
    // 4 ToneCapture (showing one hides the others).
    void showPopup(int which);
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
    void chainButtonDrag();
    void chainButtonRelease();
    void readData(int cmd);
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
    bool eventFilter(QObject *watched, QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fail(const QString &message);
    void buildWindow();
    void placeOverlay();
    void retryStartup();
    void loadingFinished();
    void fitLayout();
    void wirePopups();
    void pushSetting(int cmd);
    void pushToneCapture();
    void refreshExp();
    void refreshCabLabels();
    void closeButtonMessageBoxes();
    void centrePopups();
    QWidget *visiblePopup() const;
    bool popupFilter(QWidget *receiver, QEvent *event, QWidget *popup);
    void sendCurrentModulePage();
    void quit(int code);
    usbReceiveThread *unit() const { return m_link.sender(); }
    // The CAB or AMP import-slot row under a screen point, or -1.
    int slotRowAt(const QPoint &globalPoint) const;

    // Coalesced handlers of the pop-ups' edits.
    void sendSystem();
    void sendExp();
    void sendCtrl();
    void sendGlobalEq();
    void sendMidi();
    void sendToneCapture();

    PresetFileCodec m_codec;
    QSignalMapper *m_mapper = nullptr;
    QStringList m_valueColors;
    QStringList m_backgroundColors;
    QString m_hoverColor;
    QString m_selectColor;
    quint8 m_address = 0;
    MyLibusb m_usb;
    QThread m_thread;
    usbReceiveThread *m_recv = nullptr;
    Exp *m_exp = nullptr;
    Setting *m_setting = nullptr;
    ToneCapture *m_toneCapture = nullptr;
    RenameWidget *m_rename = nullptr;
    TipBox *m_tip = nullptr;
    LoadingWidget *m_loading = nullptr;

    mutable UnitLink m_link;
    SendCoalescer *m_coalescer = nullptr;
    FramelessHelper *m_frameless = nullptr;
    QWidget *m_border = nullptr;
    TitleBar *m_title = nullptr;
    TopBar *m_top = nullptr;
    PresetPanel *m_presets = nullptr;
    ModulePanel *m_module = nullptr;
    ChainPanel *m_chain = nullptr;
    QTimer *m_retry = nullptr;
    std::unique_ptr<FileChooser> m_chooser;

    State m_state = State::NotShown;
    bool m_retried = false;
    bool m_wired = false;
    bool m_destroying = false;
    std::function<void(int)> m_quit;

    // What the open coalescing windows of the pop-ups' kinds carry.
    int m_sysIndex = -1;
    QList<int> m_expIndexes;
    bool m_ctrlDirty = false;
    bool m_bpmDirty = false;
    int m_ctrlIndex = -1;
    QList<QPair<int, int>> m_midiEntries;   // (type, index)
    QSet<int> m_toneGroups;                 // 0 A, 1 B, 8 C, 12 the TONE CAP block
};
