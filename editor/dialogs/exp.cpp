#include "exp.h"

#include "animationstackedwidget.h"
#include "expwidget.h"
#include "kt900style.h"
#include "popupframe.h"
#include "sliderwithspinbox.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

constexpr int kVolumeMax = 100;

int clampVolume(int v)
{
    return qBound(0, v, kVolumeMax);
}

} // namespace

QStringList Exp::pedalModules()
{
    return {tr("FX A"), tr("DS/OD"), tr("AMP"), tr("CAB"), tr("NS"),
            tr("EQ"), tr("FX B"), tr("DELAY"), tr("REVERB"), tr("FX LOOP")};
}

QList<QStringList> Exp::pedalParams()
{
    return {
        {tr("*POSITION*"), tr("Q"), tr("RATE"), tr("ATTACK"), tr("RANGE"), tr("SENS"), tr("THRES"),
         tr("PEAK"), tr("RATIO"), tr("LEVEL"), tr("DEPTH"), tr("MIX"), tr("F.BACK"), tr("TONE"),
         tr("PITCH"), tr("RISE"), tr("SAMPLE"), tr("BIT"), tr("TIME"), tr("RELEASE")},
        {tr("VOLUME"), tr("TONE"), tr("GAIN")},
        {tr("GAIN"), tr("BASS"), tr("MID"), tr("TREBLE"), tr("PRES"), tr("MST")},
        {tr("CENTER"), tr("DISTANCE"), tr("LEVEL")},
        {tr("THRES"), tr("SENS"), tr("ATTACK"), tr("RELEASE")},
        {tr("80HZ"), tr("100HZ"), tr("200HZ"), tr("240HZ"), tr("250HZ"), tr("400HZ"), tr("630HZ"),
         tr("750HZ"), tr("800HZ"), tr("1.6KHZ"), tr("2.2KHZ"), tr("3.2KHZ"), tr("4KHZ"), tr("6.6KHZ"),
         tr("LEVEL")},
        {tr("RATE"), tr("PITCH"), tr("RISE"), tr("SAMPLE"), tr("MIX"), tr("DEPTH"), tr("LEVEL"),
         tr("F.BACK"), tr("TONE"), tr("Q"), tr("RANGE"), tr("BIT"), tr("PEAK"), tr("SENS"), tr("RATIO"),
         tr("THRES"), tr("TIME"), tr("ATTACK")},
        {tr("LEVEL"), tr("F.BACK"), tr("TIME"), tr("TIME A"), tr("THRES"), tr("TIME B")},
        {tr("PRE DELAY"), tr("LEVEL"), tr("DECAY"), tr("TONE"), tr("LENGTH")},
        {tr("SEND LEVEL"), tr("RETURN LEVEL"), tr("DRY/WET")},
    };
}

Exp::Exp(QWidget *parent)
    : QDialog(parent)
    , m_modules(pedalModules())
    , m_params(pedalParams())
{
    m_fields.fill(-1);
    PopupFrame::setUp(this, QStringLiteral("exp"), kWidth, kHeight);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("expWidget"));
    outer->addWidget(m_frame);

    auto *box = new QVBoxLayout(m_frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    m_close = PopupFrame::closeButton(m_frame);
    box->addWidget(m_close, 0, Qt::AlignRight);

    auto *typeRow = new QHBoxLayout;
    typeRow->addStretch();
    const QStringList titles = {tr("EXP1"), tr("EXP2"), tr("EXP VOL")};
    const int codes[3] = {kPageCodeExp1, kPageCodeExp2, kPageCodeExpVol};
    for (int i = 0; i < 3; ++i) {
        auto *button = new QPushButton(titles.at(i), m_frame);
        button->setObjectName(QStringLiteral("typeButton"));
        button->setFocusPolicy(Qt::NoFocus);
        button->setProperty("isSelected", false);
        typeRow->addWidget(button);
        m_typeButtons << button;
        const int code = codes[i];
        connect(button, &QPushButton::clicked, this, [this, i, code]() {
            emit valueChanged(-1, code);
            showPage(i);
        });
    }
    typeRow->addStretch();
    box->addLayout(typeRow);
    box->addSpacing(5);

    m_stack = new AnimationStackedWidget(m_frame);
    m_exp1 = new ExpWidget(tr("EXP1"), m_modules, m_params);
    m_exp1->setObjectName(QStringLiteral("exp1Widget"));
    m_exp2 = new ExpWidget(tr("EXP2"), m_modules, m_params);
    m_exp2->setObjectName(QStringLiteral("exp2Widget"));
    connect(m_exp1, &ExpWidget::valueChanged, this,
            [this](int i, int v) { emit valueChanged(i == 0 ? FieldModule1 : FieldParam1, v); });
    connect(m_exp2, &ExpWidget::valueChanged, this,
            [this](int i, int v) { emit valueChanged(i == 0 ? FieldModule2 : FieldParam2, v); });
    connect(m_exp1, &ExpWidget::controlStrChanged, this, [this](const QString &s) { pedalTextChanged(0, s); });
    connect(m_exp2, &ExpWidget::controlStrChanged, this, [this](const QString &s) { pedalTextChanged(1, s); });
    m_stack->addWidget(m_exp1);
    m_stack->addWidget(m_exp2);
    m_stack->addWidget(buildVolumePage());
    box->addWidget(m_stack, 1);

    connect(m_close, &QPushButton::clicked, this, [this]() {
        emit valueChanged(-1, -1);
        hide();
    });
    showPage(0);
    setVolumeEnabled(true);
}

SliderWithSpinBox *Exp::volumeSlider(const QString &title, QWidget *parent)
{
    auto *slider = new SliderWithSpinBox(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), parent);
    slider->setObjectName(QStringLiteral("expSlider"));
    slider->setRange(title, 0, kVolumeMax, 1.0f, 0);
    slider->setFixedWidth(545);
    return slider;
}

QWidget *Exp::buildVolumePage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("expVolWidget"));
    auto *box = new QVBoxLayout(page);
    box->setSpacing(0);
    box->addStretch();

    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    row->addStretch();
    auto *label = new QLabel(tr("EXP VOL PEDAL"), page);
    label->setObjectName(QStringLiteral("expVolPedal"));
    row->addWidget(label);
    m_expButton = new QPushButton(tr("EXP"), page);
    m_offButton = new QPushButton(tr("OFF"), page);
    for (QPushButton *button : {m_expButton, m_offButton}) {
        button->setObjectName(QStringLiteral("expButton"));
        button->setFixedWidth(40);
        button->setFocusPolicy(Qt::NoFocus);
        button->setCursor(Qt::PointingHandCursor);
        button->setProperty("isSelected", false);
        row->addWidget(button);
    }
    row->addStretch();
    box->addLayout(row);
    box->addSpacing(15);

    m_minSlider = volumeSlider(tr("Min"), page);
    m_maxSlider = volumeSlider(tr("Max"), page);
    m_minSlider->setValue(m_minimum);
    m_maxSlider->setValue(m_maximum);
    for (SliderWithSpinBox *slider : {m_minSlider, m_maxSlider}) {
        if (slider == m_maxSlider)
            box->addSpacing(8);
        auto *sliderRow = new QHBoxLayout;
        sliderRow->addStretch();
        sliderRow->addWidget(slider);
        sliderRow->addStretch();
        box->addLayout(sliderRow);
    }
    box->addStretch();

    connect(m_expButton, &QPushButton::clicked, this, [this]() {
        setVolumeEnabled(true);
        emit valueChanged(FieldVolumeOn, 1);
    });
    connect(m_offButton, &QPushButton::clicked, this, [this]() {
        setVolumeEnabled(false);
        emit valueChanged(FieldVolumeOn, 0);
    });
    connect(m_minSlider, &SliderWithSpinBox::valueChanged, this, &Exp::minimumMoved);
    connect(m_maxSlider, &SliderWithSpinBox::valueChanged, this, &Exp::maximumMoved);
    return page;
}

void Exp::setVolumeEnabled(bool on)
{
    if (volumeEnabled() == on)
        return;
    Kt900Style::setStyleProperty(m_expButton, "isSelected", on);
    Kt900Style::setStyleProperty(m_offButton, "isSelected", !on);
    m_minSlider->setEnable(on);
    m_maxSlider->setEnable(on);
}

bool Exp::volumeEnabled() const
{
    return m_expButton->property("isSelected").toBool();
}

void Exp::minimumMoved(int v)
{
    if (v == m_minimum)
        return;
    if (v > m_maximum) {
        // The minimum never passes the maximum: the slider stops there. A
        // jump straight past it still moves the minimum up to the maximum,
        // so what the slider shows is what the unit gets.
        const QSignalBlocker blocker(m_minSlider);
        m_minSlider->setValue(m_maximum);
        if (m_minimum == m_maximum)
            return;
        v = m_maximum;
    }
    m_minimum = v;
    emit valueChanged(FieldMinimum, v);
}

void Exp::maximumMoved(int v)
{
    if (v == m_maximum)
        return;
    if (v < m_minimum) {
        const QSignalBlocker blocker(m_maxSlider);
        m_maxSlider->setValue(m_minimum);
        if (m_maximum == m_minimum)
            return;
        v = m_minimum;
    }
    m_maximum = v;
    emit valueChanged(FieldMaximum, v);
}

bool Exp::merged(int pedal) const
{
    // A field never pushed (-1) is no merge.
    return m_fields[pedal == 0 ? FieldMerge1 : FieldMerge2] > 0;
}

QString Exp::line(int pedal) const
{
    if (merged(pedal))
        return pedal == 0 ? tr("EXP1:MERGE") : tr("EXP2:MERGE");
    return (pedal == 0 ? m_exp1 : m_exp2)->controlString();
}

QString Exp::controlText() const
{
    return QStringLiteral("%1\n%2").arg(line(0), line(1));
}

void Exp::pedalTextChanged(int pedal, const QString &text)
{
    // While a pedal has a merge assignment its line keeps saying so.
    if (merged(pedal))
        return;
    emit controlStrChanged(pedal == 0 ? QStringLiteral("%1\n%2").arg(text, line(1))
                                      : QStringLiteral("%1\n%2").arg(line(0), text));
}

void Exp::setExpValue(int index, int value)
{
    if (index < 0 || index >= kFieldCount)
        return;
    m_fields[static_cast<std::size_t>(index)] = value;
    switch (index) {
    case FieldMerge1:
    case FieldMerge2:
        emit controlStrChanged(controlText());
        break;
    case FieldVolumeOn:
        setVolumeEnabled(value != 0);
        break;
    case FieldModule1:
        m_exp1->setCurrentModule(value);
        break;
    case FieldParam1:
        m_exp1->setCurrentParam(value);
        break;
    case FieldModule2:
        m_exp2->setCurrentModule(value);
        break;
    case FieldParam2:
        m_exp2->setCurrentParam(value);
        break;
    case FieldMinimum:
    case FieldMaximum: {
        // A value past what the slider shows is shown clamped; the slider
        // says nothing, so merely showing it never writes anything back.
        const int v = clampVolume(value);
        SliderWithSpinBox *slider = index == FieldMinimum ? m_minSlider : m_maxSlider;
        (index == FieldMinimum ? m_minimum : m_maximum) = v;
        const QSignalBlocker blocker(slider);
        slider->setValue(v);
        break;
    }
    default:
        break;
    }
}

int Exp::expValue(int index) const
{
    return (index >= 0 && index < kFieldCount) ? m_fields[static_cast<std::size_t>(index)] : -1;
}

void Exp::showPage(int n)
{
    if (n < 0 || n >= m_typeButtons.size())
        return;
    for (int i = 0; i < m_typeButtons.size(); ++i)
        Kt900Style::setStyleProperty(m_typeButtons.at(i), "isSelected", i == n);
    m_page = n;
    m_stack->toIndex(n);
}

void Exp::setInputBlocked(bool blocked)
{
    m_inputBlocked = blocked;
    m_frame->setEnabled(!blocked);
}
