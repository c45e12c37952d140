#include "customspinbox.h"

#include "valuemodel.h"

#include <QContextMenuEvent>
#include <QLineEdit>

#include <cmath>

CustomSpinBox::CustomSpinBox(QWidget *parent)
    : QSpinBox(parent)
{
    setObjectName(QStringLiteral("paraSpinBox"));
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignCenter);
    setContextMenuPolicy(Qt::NoContextMenu);
    lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    setKeyboardTracking(false);
    setRange(0, 0);
    connect(this, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &CustomSpinBox::onSpinBoxValueChanged, Qt::QueuedConnection);
}

void CustomSpinBox::setDisplay(int min, int max, float step, int decimals, const QString &unit,
                               const QStringList &lowLabels, const QStringList &highLabels)
{
    ParaInfo info;
    info.kind = (lowLabels.isEmpty() && highLabels.isEmpty()) ? ParamKind::Range
                                                              : ParamKind::RangeWithOptions;
    info.min = min;
    info.max = max;
    info.step = step;
    info.decimals = decimals;
    info.unit = unit;
    info.prefixOptions = lowLabels;
    info.suffixOptions = highLabels;
    setPara(info);
}

void CustomSpinBox::setOptions(const QStringList &options)
{
    ParaInfo info;
    info.kind = ParamKind::Options;
    info.options = options;
    setPara(info);
}

void CustomSpinBox::setPara(const ParaInfo &info)
{
    m_info = info;
    m_info.unit.clear();
    const int steps = info.kind == ParamKind::Options ? int(info.options.size()) - 1
                                                      : ValueModel::stepCount(info);
    setRange(0, qMax(0, steps));
    // Setting the suffix re-renders the text, also when range and value
    // stayed the same but their meaning changed.
    setSuffix(info.kind != ParamKind::Options ? info.unit : QString());
}

QString CustomSpinBox::textFromValue(int value) const
{
    if (m_info.kind == ParamKind::Options)
        return (value >= 0 && value < m_info.options.size()) ? m_info.options.at(value) : QString();
    return ValueModel::displayText(m_info, value);
}

int CustomSpinBox::valueFromText(const QString &text) const
{
    QString t = text;
    if (!suffix().isEmpty() && t.endsWith(suffix()))
        t.chop(suffix().size());
    t = t.trimmed();
    if (m_info.kind == ParamKind::Options) {
        const int i = m_info.options.indexOf(t);
        return i >= 0 ? i : value();
    }
    const int steps = maximum();
    for (int i = 0; i < m_info.prefixOptions.size(); ++i)
        if (m_info.prefixOptions.at(i) == t)
            return i;
    for (int i = 0; i < m_info.suffixOptions.size(); ++i)
        if (m_info.suffixOptions.at(i) == t)
            return steps - int(m_info.suffixOptions.size()) + 1 + i;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (!ok || m_info.step == 0.0f)
        return value();
    const long raw = std::lround((number - m_info.min) / double(m_info.step));
    return int(qBound(0L, raw, long(steps)));
}

QValidator::State CustomSpinBox::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos);
    QString t = input;
    if (!suffix().isEmpty() && t.endsWith(suffix()))
        t.chop(suffix().size());
    t = t.trimmed();
    if (t.isEmpty())
        return QValidator::Intermediate;
    return textFromValue(valueFromText(input)) == t ? QValidator::Acceptable
                                                     : QValidator::Intermediate;
}

void CustomSpinBox::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
}

void CustomSpinBox::onSpinBoxValueChanged()
{
    lineEdit()->deselect();
}
