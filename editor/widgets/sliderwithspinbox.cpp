#include "sliderwithspinbox.h"

#include "customslider.h"
#include "customspinbox.h"
#include "valuemodel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

SliderWithSpinBox::SliderWithSpinBox(QWidget *parent)
    : SliderWithSpinBox(QString::fromLatin1(kDefaultBackgroundColor),
                        QString::fromLatin1(kDefaultValueColor), parent)
{
}

SliderWithSpinBox::SliderWithSpinBox(const QString &backgroundColor, const QString &valueColor,
                                     QWidget *parent)
    : ParaWidgetBase(parent)
{
    createValueColumn();
    m_slider = new CustomSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("paraSlider"));
    m_slider->setFocusPolicy(Qt::NoFocus);
    layoutRow(m_slider);

    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        if (m_spinBox->value() != v)
            m_spinBox->setValue(v);
        emit valueChanged(v);
    });
    connect(m_spinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int v) {
        if (m_slider->value() != v)
            m_slider->setValue(v);
    });

    setColor(backgroundColor, valueColor);
}

int SliderWithSpinBox::value() const
{
    return m_slider->value();
}

int SliderWithSpinBox::maximum() const
{
    return m_slider->maximum();
}

void SliderWithSpinBox::setSteps(int steps)
{
    const QSignalBlocker b1(m_slider);
    const QSignalBlocker b2(m_spinBox);
    m_slider->setRange(0, qMax(0, steps));
    m_slider->setPageStep(qMax(1, steps / 10));
    m_spinBox->setRange(0, qMax(0, steps));
    m_spinBox->setValue(m_slider->value());
}

void SliderWithSpinBox::setRange(const QString &name, int min, int max, float step, int decimals,
                                 const QString &unit, const QStringList &lowLabels,
                                 const QStringList &highLabels)
{
    m_name->setText(name);
    m_spinBox->setDisplay(min, max, step, decimals, unit, lowLabels, highLabels);
    setSteps(m_spinBox->maximum());
}

void SliderWithSpinBox::setOptions(const QString &name, const QStringList &options)
{
    m_name->setText(name);
    m_spinBox->setOptions(options);
    setSteps(int(options.size()) - 1);
}

void SliderWithSpinBox::setPara(const ParaInfo &info)
{
    switch (info.kind) {
    case ParamKind::Options:
        setOptions(info.name, info.options);
        break;
    case ParamKind::Range:
        setRange(info.name, info.min, info.max, info.step, info.decimals, info.unit);
        break;
    case ParamKind::RangeWithOptions:
        setRange(info.name, info.min, info.max, info.step, info.decimals, info.unit,
                 info.prefixOptions, info.suffixOptions);
        break;
    }
}

void SliderWithSpinBox::setValue(int value)
{
    m_slider->setValue(value);
}

QString SliderWithSpinBox::sliderStyleSheet(const QString &backgroundColor, const QString &valueColor)
{
    const QString dimValue = mixColor(valueColor, backgroundColor, 0.6);
    return QStringLiteral(
               "QSlider::groove:horizontal { height: 7px; margin-left: 10px; margin-right: 10px; "
               "border-radius: 1px; }"
               "QSlider::handle:horizontal { width: 14px; height: 17px; margin: -9px -7px -9px -7px; "
               "image: url(:/img/presetPara/paraSetting/sliderHandle.png); }"
               "QSlider::handle:horizontal:hover { "
               "image: url(:/img/presetPara/paraSetting/sliderHandle_hover.png); }"
               "QSlider::add-page:horizontal { border-radius: 3px; background: %1; }"
               "QSlider::sub-page:horizontal { border-radius: 3px; background: %2; }"
               "QSlider::handle:horizontal:disabled { "
               "image: url(:/img/presetPara/paraSetting/sliderHandle_disabled.png); }"
               "QSlider::sub-page:horizontal:disabled { background: %3; }")
        .arg(backgroundColor, valueColor, dimValue);
}

void SliderWithSpinBox::setColor(const QString &backgroundColor, const QString &valueColor)
{
    ParaWidgetBase::setColor(backgroundColor, valueColor);
    m_slider->setStyleSheet(sliderStyleSheet(backgroundColor, valueColor));
}
