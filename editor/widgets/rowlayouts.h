#pragma once

#include <QHBoxLayout>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

class QLabel;
class QPushButton;
class QSignalMapper;

// One button of a settings row: the id it is mapped to, its text and its
// object name (the style sheets' hook).
struct ButtonDescription
{
    int id = -1;
    QString text;
    QString objectName;
};

// Creates a push button from a description and maps its click to the id.
QPushButton *createMappedButton(const ButtonDescription &description, QSignalMapper *mapper,
                                QWidget *parent = nullptr);

// Two buttons separated by stretches: stretch, first, stretch, second, stretch.
// The buttons carry no "status" property (they are plain action buttons).
class TwoButtonLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    TwoButtonLayout(const ButtonDescription &first, const ButtonDescription &second,
                    QSignalMapper *mapper, QWidget *parent = nullptr);

    QPushButton *firstButton() const { return m_first; }
    QPushButton *secondButton() const { return m_second; }

private:
    QPushButton *m_first;
    QPushButton *m_second;
};

// A two-state row: label, stretch, the two buttons (spacing 20). The first
// button starts "selected_enable", the second "unselected_enable".
class LabelWithTwoButtonLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    LabelWithTwoButtonLayout(const QString &labelText, const ButtonDescription &first,
                             const ButtonDescription &second, QSignalMapper *mapper,
                             QWidget *parent = nullptr,
                             const QString &labelObjectName = QStringLiteral("settingLabel"));

    QLabel *label() const { return m_label; }
    QPushButton *firstButton() const { return m_first; }
    QPushButton *secondButton() const { return m_second; }

private:
    QLabel *m_label;
    QPushButton *m_first;
    QPushButton *m_second;
};

// A label above a 2 px line "line": the section header of a settings page.
class LineWidget : public QWidget
{
    Q_OBJECT
public:
    LineWidget(const QString &text, const QString &objectName, QWidget *parent = nullptr);

    QLabel *label() const { return m_label; }
    QWidget *line() const { return m_line; }

private:
    QLabel *m_label;
    QWidget *m_line;
};

// A labelled two-state row with a 2 px line under the label, and the two
// mapped buttons to the right (first "selected_enable", second
// "unselected_enable").
class LineAndLabelWithTwoButtonLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    LineAndLabelWithTwoButtonLayout(const QString &labelText, const ButtonDescription &first,
                                    const ButtonDescription &second, QSignalMapper *mapper,
                                    QWidget *parent = nullptr,
                                    const QString &labelObjectName = QStringLiteral("settingLabel"));

    QLabel *label() const { return m_labelBlock->label(); }
    QWidget *line() const { return m_labelBlock->line(); }
    QPushButton *firstButton() const { return m_first; }
    QPushButton *secondButton() const { return m_second; }

private:
    LineWidget *m_labelBlock;
    QPushButton *m_first;
    QPushButton *m_second;
};
