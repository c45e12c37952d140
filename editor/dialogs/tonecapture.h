#pragma once

// ToneCapture: the pop-up that walks the player through capturing an
// external amplifier into one of the 20 capture slots. Every choice leaves
// as ValueChanged(index, value) with a tone-capture value number (0..14),
// or -1 (a UI page code; -1 for the module page), -2 (the main window's
// chain state) or -3 (a new name for the selected capture slot). Values from
// the unit come back through update().
//
// This class holds the frame: title and close button, the page of each step
// in a stack, the navigation between the steps, the capture slot list and
// the values last pushed in. The steps' controls are built on top of it.

#include <QDialog>
#include <QStringList>
#include <QVariant>

#include <array>

class QLabel;
class QPushButton;
class QStackedWidget;

class ToneCapture : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 760;
    static constexpr int kHeight = 460;
    static constexpr int kSlotCount = 20;
    static constexpr int kValueCount = 15;
    static constexpr int kStepCount = 5;      // start page and STEP1..STEP4

    // UI page codes of the steps.
    static constexpr int kPageStep1 = 781;
    static constexpr int kPageStep2 = 66317;
    static constexpr int kPageStep3 = 131853;
    static constexpr int kPageStep4 = 197389;
    static constexpr int kPageLeave = 12;

    explicit ToneCapture(QWidget *parent = nullptr);

    // Shows a value from the unit without emitting anything (0..14).
    void update(int index, int value);
    int value(int index) const;

    // 0 the start page, 1..4 STEP1..STEP4.
    void setStep(int step);
    int step() const;

    // True while a capture is running: the pop-up then stays open when the
    // user clicks outside it.
    bool isBusy() const { return value(11) == 1; }

    // "01:NAME" ... "20:EMPTY"
    QStringList slotEntries() const { return m_slots; }
    static QString slotEntry(int index, const QString &name);

    QPushButton *closeButton() const { return m_close; }
    QStackedWidget *steps() const { return m_steps; }

signals:
    void ValueChanged(int index, QVariant value);

public slots:
    // A capture slot's name as reported by the unit (index 0..19).
    void ToneNameChanged(int index, QString name);
    // The dialog's buttons: 7..12 move between the steps (each reports its
    // page to the unit); 12 also closes the dialog.
    void buttonClick(int id);

private:
    QStackedWidget *m_steps = nullptr;
    QPushButton *m_close = nullptr;
    QStringList m_slots;
    std::array<int, kValueCount> m_values;
};
