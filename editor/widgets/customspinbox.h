#pragma once

#include "effectcatalogue.h"

#include <QSpinBox>

// Integer spin box over raw values 0 .. number of steps that shows the
// display text of each raw value: the option label of an option list, or the
// number (minimum + raw x step with the given decimals) with the low-end and
// high-end labels at the ends. The unit goes into the suffix.
class CustomSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    explicit CustomSpinBox(QWidget *parent = nullptr);

    // Numeric form. Range 0 .. stepCount; an empty unit sets no suffix.
    void setDisplay(int min, int max, float step, int decimals, const QString &unit = QString(),
                    const QStringList &lowLabels = QStringList(),
                    const QStringList &highLabels = QStringList());
    // Option form: range 0 .. options.size() - 1, each value shows its label.
    void setOptions(const QStringList &options);
    // Either form, from a catalogue parameter.
    void setPara(const ParaInfo &info);

    const ParaInfo &displayInfo() const { return m_info; }
    QString textForValue(int raw) const { return textFromValue(raw); }

public slots:
    void onSpinBoxValueChanged();

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString &text) const override;
    QValidator::State validate(QString &input, int &pos) const override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    ParaInfo m_info; // unit kept out: it is the suffix
};
