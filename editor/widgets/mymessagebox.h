#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QHBoxLayout;
class QVBoxLayout;
class QPushButton;
class MyComboBox;

// The program's only way of telling the user something: a frameless,
// window-modal box of 474 x 196 with a title, a text (or a combo box) and a
// fixed set of buttons. It deletes itself when closed.
//
//   set 0        no buttons; closes itself after the given milliseconds, returns 0
//   set 0x400    "Ok"  -> 0x400
//   set 0x4000   "YES" -> 0x4000
//   set 0x10000  "NO"  -> 0x10000
//   set 0x14000  "YES" -> 0x4000, "NO" -> 0x10000
//   set 6        "Save as" -> 2, "Replace" -> 4
//   other        no buttons and no automatic close
// Escape (or any other way of closing) returns 0.
class MyMessageBox : public QDialog
{
    Q_OBJECT
public:
    enum ButtonSet {
        NoButton = 0,
        Ok = 0x400,
        Yes = 0x4000,
        No = 0x10000,
        YesNo = 0x14000,
        SaveAsReplace = 6,
    };
    enum Code {
        Closed = 0,
        OkCode = 0x400,
        YesCode = 0x4000,
        NoCode = 0x10000,
        SaveAsCode = 2,
        ReplaceCode = 4,
    };

    static constexpr int kWidth = 474;
    static constexpr int kHeight = 196;

    // Shows a box and runs it modally; returns the code of the button pressed.
    static int showMessage(const QString &title, const QString &text, QWidget *parent,
                           int buttons = Ok, int milliseconds = 1000);
    // The combo-box variant: `entries` fill the combo box "messageBoxComboBox";
    // the chosen index is written to *index whenever it changes (and once at
    // the start, so *index is valid even if the user keeps the first entry).
    static int showComboBox(const QString &title, const QStringList &entries, int *index,
                            QWidget *parent, int buttons = YesNo, int milliseconds = 1000);

    // Builds a box without running it (the static functions use these).
    MyMessageBox(const QString &title, const QString &text, QWidget *parent, int buttons,
                 int milliseconds);
    MyMessageBox(const QString &title, const QStringList &entries, int *index, QWidget *parent,
                 int buttons, int milliseconds);

    // The text as given; the label shows it with the indentation of each
    // line removed, since the label centres every line anyway.
    QString text() const { return m_text; }
    static QString displayText(const QString &text);

    QLabel *titleLabel() const { return m_title; }
    QLabel *infoLabel() const { return m_info; }
    MyComboBox *comboBox() const { return m_combo; }
    QList<QPushButton *> buttons() const { return m_buttons; }
    bool closesItself() const { return m_autoCloseMs >= 0; }

private:
    void buildFrame(const QString &title);
    void addButtons(int buttons, int milliseconds);
    void addButton(const QString &text, int code);

    QVBoxLayout *m_body = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_info = nullptr;
    MyComboBox *m_combo = nullptr;
    QHBoxLayout *m_buttonRow = nullptr;
    QList<QPushButton *> m_buttons;
    int m_autoCloseMs = -1;
    QString m_text;
};
