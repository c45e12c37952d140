#pragma once

#include "parawidgetbase.h"

#include <QStringList>

class QLabel;
class CustomSlider;
class CustomSpinBox;

// A numeric parameter row: slider on the left, name above the value on the
// right. The slider and the spin box both hold the raw value.
class SliderWithSpinBox : public ParaWidgetBase
{
    Q_OBJECT
public:
    explicit SliderWithSpinBox(QWidget *parent = nullptr);
    SliderWithSpinBox(const QString &backgroundColor, const QString &valueColor,
                      QWidget *parent = nullptr);

    int value() const override;
    void setPara(const ParaInfo &info) override;

    // Numeric form: positions 0 .. trunc((max - min) / step + 0.5).
    void setRange(const QString &name, int min, int max, float step, int decimals,
                  const QString &unit = QString(), const QStringList &lowLabels = QStringList(),
                  const QStringList &highLabels = QStringList());
    // String-list form: positions 0 .. options.size() - 1, each shows its label.
    void setOptions(const QString &name, const QStringList &options);

    int maximum() const;
    CustomSlider *slider() const { return m_slider; }

    // The slider style sheet for a pair of colours.
    static QString sliderStyleSheet(const QString &backgroundColor, const QString &valueColor);

public slots:
    void setValue(int value) override;
    void setColor(const QString &backgroundColor, const QString &valueColor) override;

private:
    void setSteps(int steps);

    CustomSlider *m_slider = nullptr;
};
