#pragma once

// Exp: the expression pedal pop-up. Three pages chosen by the type buttons
// EXP1, EXP2 and EXP VOL slide in a stack under them: the two pedals'
// assignment pages (ExpWidget) and the volume pedal page (on/off, Min, Max).
// The dialog never talks to the unit: edits leave as valueChanged(index,
// value) (index -1 carries a UI page code, or -1 when the dialog closes) and
// the main window pushes the unit's values back with setExpValue, which
// emits no valueChanged. The two-line text of the current assignment leaves
// as controlStrChanged.

#include <QDialog>
#include <QList>
#include <QStringList>

#include <array>

class AnimationStackedWidget;
class ExpWidget;
class QFrame;
class QPushButton;
class SliderWithSpinBox;

class Exp : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 720;
    static constexpr int kHeight = 370;
    static constexpr int kFieldCount = 13;
    // UI page codes of the three pages.
    static constexpr int kPageCodeExp1 = 785;
    static constexpr int kPageCodeExp2 = 1809;
    static constexpr int kPageCodeExpVol = 529;
    // Expression fields the pages edit.
    enum Field {
        FieldMerge1 = 2,
        FieldMerge2 = 3,
        FieldVolumeOn = 5,
        FieldModule1 = 6,
        FieldParam1 = 7,
        FieldModule2 = 8,
        FieldParam2 = 9,
        FieldMinimum = 10,
        FieldMaximum = 11,
    };

    explicit Exp(QWidget *parent = nullptr);

    // Expression field 0..12 as received; other indexes are ignored. Shows
    // the value (clamped to what the control can show) without emitting
    // valueChanged; module and merge fields update the assignment text.
    void setExpValue(int index, int value);
    // -1 for a field never pushed or out of range.
    int expValue(int index) const;

    // Page 0 EXP1, 1 EXP2, 2 EXP VOL: selects its type button and slides
    // the stack there. Emits nothing.
    void showPage(int n);
    // The page shown (or being slid to).
    int currentPage() const { return m_page; }

    // The volume pedal's "EXP" / "OFF" state; emits nothing.
    void setVolumeEnabled(bool on);
    bool volumeEnabled() const;
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // While the editor is busy with a long operation the pop-up takes no
    // input (its controls are disabled until unblocked).
    void setInputBlocked(bool blocked);
    bool inputBlocked() const { return m_inputBlocked; }

    // The two-line assignment text as it stands now.
    QString controlText() const;

    // The pedal's own module list and each module's parameter list.
    static QStringList pedalModules();
    static QList<QStringList> pedalParams();

    AnimationStackedWidget *stack() const { return m_stack; }
    QPushButton *closeButton() const { return m_close; }
    QList<QPushButton *> typeButtons() const { return m_typeButtons; }
    ExpWidget *pedal(int n) const { return n == 0 ? m_exp1 : (n == 1 ? m_exp2 : nullptr); }
    SliderWithSpinBox *minSlider() const { return m_minSlider; }
    SliderWithSpinBox *maxSlider() const { return m_maxSlider; }
    QPushButton *expButton() const { return m_expButton; }
    QPushButton *offButton() const { return m_offButton; }

signals:
    void valueChanged(int index, int value);
    void controlStrChanged(QString str);

private:
    QWidget *buildVolumePage();
    SliderWithSpinBox *volumeSlider(const QString &title, QWidget *parent);
    bool merged(int pedal) const;
    QString line(int pedal) const;
    void pedalTextChanged(int pedal, const QString &text);
    void minimumMoved(int v);
    void maximumMoved(int v);

    QStringList m_modules;
    QList<QStringList> m_params;
    // The volume pedal's range as last accepted or pushed; 0..100 until the
    // unit's values arrive.
    int m_minimum = 0;
    int m_maximum = 100;
    QFrame *m_frame = nullptr;
    AnimationStackedWidget *m_stack = nullptr;
    QPushButton *m_close = nullptr;
    QList<QPushButton *> m_typeButtons;
    ExpWidget *m_exp1 = nullptr;
    ExpWidget *m_exp2 = nullptr;
    SliderWithSpinBox *m_minSlider = nullptr;
    SliderWithSpinBox *m_maxSlider = nullptr;
    QPushButton *m_expButton = nullptr;
    QPushButton *m_offButton = nullptr;
    int m_page = -1;
    bool m_inputBlocked = false;
    std::array<int, kFieldCount> m_fields;
};
