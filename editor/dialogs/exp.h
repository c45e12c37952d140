#pragma once

// Exp: the expression pedal pop-up. Three pages chosen by the type buttons
// EXP1, EXP2 and EXP VOL slide in a stack under them. The dialog never
// talks to the unit: edits leave as valueChanged(index, value) (index -1
// carries a UI page code, or -1 when the dialog closes) and the main window
// pushes the unit's values back with setExpValue.
//
// This class holds the frame: close button, type buttons, the page stack
// and the expression fields last pushed in. The pages' controls are built
// on top of it.

#include <QDialog>
#include <QList>

#include <array>

class AnimationStackedWidget;
class QPushButton;

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

    explicit Exp(QWidget *parent = nullptr);

    // Expression field 0..12 as received; other indexes are ignored.
    void setExpValue(int index, int value);
    // -1 for a field never pushed or out of range.
    int expValue(int index) const;

    // Page 0 EXP1, 1 EXP2, 2 EXP VOL: selects its type button and slides
    // the stack there. Emits nothing.
    void showPage(int n);
    // The page shown (or being slid to).
    int currentPage() const { return m_page; }

    AnimationStackedWidget *stack() const { return m_stack; }
    QPushButton *closeButton() const { return m_close; }
    QList<QPushButton *> typeButtons() const { return m_typeButtons; }

signals:
    void valueChanged(int index, int value);
    void controlStrChanged(QString str);

private:
    AnimationStackedWidget *m_stack = nullptr;
    QPushButton *m_close = nullptr;
    QList<QPushButton *> m_typeButtons;
    int m_page = -1;
    std::array<int, kFieldCount> m_fields;
};
