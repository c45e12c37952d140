#pragma once

// ToneCapture: the pop-up that walks the player through capturing an
// external amplifier into one of the 20 capture slots. Every choice leaves
// as ValueChanged(index, value) with a tone-capture value number (0..14),
// or -1 (a UI page code; -1 for the module page), -2 (the main window's
// chain state: 0 capture mode, 1 normal) or -3 (a new name for the selected
// capture slot). Values from the unit come back through update(), which
// emits nothing.
//
// Pages: the start page (the capture slots, the tone-capture block's on/off
// and SOURCE SYNC), then STEP1 connect and choose the cabinet, STEP2 adjust
// the amplifier, STEP3 choose the SOURCE amp model and its settings, STEP4
// choose a slot, compare SOURCE and TARGET, capture, monitor and name it.

#include <QDialog>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <array>

class MyComboBox;
class ParaWidgetBase;
class QFrame;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;
class QSignalMapper;
class QStackedWidget;
class QTimer;
struct ParaInfo;

class ToneCapture : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 460;
    static constexpr int kSlotCount = 20;
    static constexpr int kValueCount = 15;
    static constexpr int kStepCount = 5;      // start page and STEP1..STEP4
    static constexpr int kSourceParams = 6;   // the SOURCE amp's parameter rows

    // UI page codes of the steps.
    static constexpr int kPageStep1 = 781;
    static constexpr int kPageStep2 = 66317;
    static constexpr int kPageStep3 = 131853;
    static constexpr int kPageStep4 = 197389;
    static constexpr int kPageLeave = 12;

    // Button ids (buttonClick).
    enum ButtonId {
        SyncOff = 0,
        SyncOn = 1,
        InternalCab = 2,
        ExternalCab = 3,
        MonitorSource = 4,
        MonitorTarget = 5,
        Capture = 6,
        ToStep1 = 7,       // "CAPTURE >>", "<< BACK" of STEP2
        Step2Next = 8,     // "NEXT >>" of STEP2
        ToStep2 = 9,       // "Next >>" of STEP1, "<< BACK" of STEP3
        ToStep4 = 10,      // "NEXT >>" of STEP3
        Step4Back = 11,    // "<< BACK" of STEP4
        Done = 12,         // "DONE >>"
        DeleteCapture = 13,
        BlockOff = 14,
        BlockOn = 15,
    };

    // Tone-capture value numbers.
    enum Value {
        ValueCab = 0,
        ValueSourceAmp = 1,
        ValueSourceParam = 2,  // 2..7
        ValueSlot = 8,
        ValueMonitor = 9,
        ValueFilled = 10,
        ValueRunning = 11,
        ValueBlockOn = 12,
        ValueBlockSlot = 13,
        ValueSourceSync = 14,
    };

    explicit ToneCapture(QWidget *parent = nullptr);

    // Shows a value from the unit without emitting anything (0..14). Values
    // outside what a control can show are shown clamped.
    void update(int index, int value);
    // The value last shown or chosen; -1 before the first.
    int value(int index) const;

    // 0 the start page, 1..4 STEP1..STEP4. Showing STEP3 rebuilds the
    // SOURCE list; leaving STEP4 stops a running capture.
    void setStep(int step);
    int step() const;

    // True while a capture is running: the pop-up then stays open when the
    // user clicks outside it.
    bool isBusy() const { return m_running; }
    bool slotFilled(int slot) const;

    // How long a capture may run without the unit reporting the slot
    // filled: then the capture is stopped, the wizard closes and says so.
    static constexpr int kCaptureTimeoutMs = 120000;
    void setCaptureTimeout(int ms) { m_captureTimeoutMs = ms; }

    // While the editor is busy with a long operation the pop-up takes no
    // input (its controls are disabled until unblocked).
    void setInputBlocked(bool blocked);
    bool inputBlocked() const { return m_inputBlocked; }

    // "01:NAME" ... "20:EMPTY"
    QStringList slotEntries() const { return m_slots; }
    static QString slotEntry(int index, const QString &name);
    // The AMP model names offered as SOURCE: the catalogue's, without the
    // empty import slots.
    static QStringList sourceAmpNames();

    QPushButton *closeButton() const { return m_close; }
    QStackedWidget *steps() const { return m_steps; }
    // The button with that id; on `step` only when given (ids 7 and 9 have
    // a button on two pages).
    QPushButton *button(int id, int step = -1) const;
    QListWidget *slotList() const { return m_slotList; }
    MyComboBox *slotCombo() const { return m_slotCombo; }
    MyComboBox *sourceCombo() const { return m_sourceCombo; }
    QList<ParaWidgetBase *> sourceParamRows() const { return m_paraRows; }
    QLabel *progressLabel() const { return m_progress; }
    QLabel *stepImage(int step) const;

signals:
    void ValueChanged(int index, QVariant value);

public slots:
    // A capture slot's name as reported by the unit (index 0..19); an empty
    // name marks the slot empty.
    void ToneNameChanged(int index, QString name);
    // The dialog's buttons (ButtonId); 7..12 move between the steps (each
    // reports its page to the unit), 12 also closes the dialog.
    void buttonClick(int id);
    // The SOURCE amp combo changed.
    void step3_CurrentIndexChanged(int index);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildStartPage();
    QWidget *buildStep1();
    QWidget *buildStep2();
    QWidget *buildStep3();
    QWidget *buildStep4();
    QWidget *stepPage(int step, const QString &text);
    QPushButton *mappedButton(int id, int step, const QString &text, const QString &objectName, QWidget *parent);
    QHBoxLayout *pairRow(int step, const QString &label, int firstId, const QString &first, int secondId,
                         const QString &second, QWidget *parent);
    // stretch, "<< BACK"-like button (when backId >= 0), the next button.
    void addNavigation(QWidget *page, int step, int backId, const QString &back, int nextId,
                       const QString &next);

    void emitValue(int index, int value);
    void selectPair(int firstId, int secondId, bool firstSelected);
    void showMonitoring();
    void showSlotState();
    void slotSelected(int slot);
    void renameSelectedSlot();
    void setSlotText(int slot, const QString &entry);
    void rebuildSourceList();
    void buildParaRows(int type);
    void startCapture();
    void stopCapture(bool tellUnit);
    void animateProgress();
    void leaveWizard();
    void captureTimedOut();
    int selectedSlot() const;

    QFrame *m_frame = nullptr;
    QStackedWidget *m_steps = nullptr;
    QPushButton *m_close = nullptr;
    QSignalMapper *m_mapper = nullptr;
    struct MappedButton {
        int id;
        int step;
        QPushButton *button;
    };
    QList<MappedButton> m_buttons;
    QList<QLabel *> m_images;         // by step (nullptr where none)
    QListWidget *m_slotList = nullptr;
    MyComboBox *m_slotCombo = nullptr;
    MyComboBox *m_sourceCombo = nullptr;
    QWidget *m_paraHolder = nullptr;
    QList<ParaWidgetBase *> m_paraRows;
    QList<const ParaInfo *> m_rowParams;
    QLabel *m_progress = nullptr;
    QTimer *m_progressTimer = nullptr;
    QElapsedTimer m_captureClock;
    QTimer *m_captureDeadline = nullptr;
    int m_captureTimeoutMs = kCaptureTimeoutMs;
    int m_progressTick = 0;

    QStringList m_slots;
    std::array<bool, kSlotCount> m_filled{};
    std::array<int, kValueCount> m_values;
    bool m_running = false;
    bool m_captureMode = false;
    bool m_open = false;
    bool m_inputBlocked = false;
};
