#pragma once

#include "effectcatalogue.h"

#include <QString>
#include <QWidget>

class QLabel;
class CustomSpinBox;

// Common base of the parameter rows. All values are raw positions
// (0 .. number of steps); the row shows the display text.
class ParaWidgetBase : public QWidget
{
    Q_OBJECT
public:
    static constexpr const char *kDefaultBackgroundColor = "#414141";
    static constexpr const char *kDefaultValueColor = "#c0d23c";

    explicit ParaWidgetBase(QWidget *parent = nullptr);

    virtual int value() const = 0;
    // Gives the row its name and range from a catalogue parameter.
    virtual void setPara(const ParaInfo &info) = 0;

    QString backgroundColor() const { return m_backgroundColor; }
    QString valueColor() const { return m_valueColor; }

    QString name() const;
    QString text() const; // the value as shown, unit included
    QLabel *nameLabel() const { return m_name; }
    CustomSpinBox *spinBox() const { return m_spinBox; }

public slots:
    virtual void setValue(int value) = 0;
    // Enables or disables the row and mirrors the state in the dynamic
    // property "enable", which the style sheets use to grey the row.
    virtual void setEnable(bool enable);
    virtual void setColor(const QString &backgroundColor, const QString &valueColor);

signals:
    void valueChanged(int value);

protected:
    // The right-hand column: the name label "paraName" above the value spin
    // box "paraSpinBox". Rows call it first, then layoutRow with their control.
    void createValueColumn();
    // The row: the control, stretching, and the value column of fixed width 110.
    void layoutRow(QWidget *control);

    // A colour `amount` (0..1) of the way from `from` towards `to`.
    static QString mixColor(const QString &from, const QString &to, double amount);

    QString m_backgroundColor = QString::fromLatin1(kDefaultBackgroundColor);
    QString m_valueColor = QString::fromLatin1(kDefaultValueColor);
    QLabel *m_name = nullptr;
    CustomSpinBox *m_spinBox = nullptr;
};
