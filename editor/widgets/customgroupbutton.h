#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QPushButton;
class QHBoxLayout;

// A row of equally wide push buttons of which exactly one is selected: the
// option chooser of an option parameter. A press anywhere on the row selects
// the button under the pointer. When a label does not fit its button the
// buttons take the smaller "compact" text (dynamic property); what still does
// not fit is elided (the full label is the tool tip and the spin box text).
class CustomGroupButton : public QWidget
{
    Q_OBJECT
public:
    explicit CustomGroupButton(QWidget *parent = nullptr);
    // One button per label; button 0 is selected.
    explicit CustomGroupButton(const QStringList &labels, QWidget *parent = nullptr);

    // Replaces the buttons (at most 255) and selects button 0.
    void setButtons(const QStringList &labels);
    int buttonCount() const { return m_buttonCount; }
    int value() const { return m_selected; }
    QPushButton *button(int index) const;
    void setColor(const QString &backgroundColor, const QString &valueColor);

    // The button index a press at x (widget coordinates) selects.
    int indexAt(int x) const;

public slots:
    void setValue(int value);
    void buttonClick(int id);

signals:
    void valueChanged(int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void styleButton(int index, bool selected);
    void fitText(QPushButton *button);
    void updateCompact();
    QString effectiveColor(bool selected) const;

    quint8 m_buttonCount = 0;
    int m_selected = -1;
    QString m_backgroundColor;
    QString m_valueColor;
    QHBoxLayout *m_layout = nullptr;
    QList<QPushButton *> m_buttons;
    QStringList m_labels;
    QFont m_regularFont;
    bool m_compact = false;
};
