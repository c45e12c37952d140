#include "parawidgetbase.h"

#include "kt900style.h"

#include <QColor>

ParaWidgetBase::ParaWidgetBase(QWidget *parent)
    : QWidget(parent)
{
    setProperty("enable", true);
    setAttribute(Qt::WA_StyledBackground, true);
}

void ParaWidgetBase::setEnable(bool enable)
{
    setEnabled(enable);
    Kt900Style::setStyleProperty(this, "enable", enable, true);
}

void ParaWidgetBase::setColor(const QString &backgroundColor, const QString &valueColor)
{
    m_backgroundColor = backgroundColor;
    m_valueColor = valueColor;
}

QString ParaWidgetBase::mixColor(const QString &from, const QString &to, double amount)
{
    const QColor a(from);
    const QColor b(to);
    if (!a.isValid() || !b.isValid())
        return from;
    auto mix = [amount](int x, int y) { return qRound(x + (y - x) * amount); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()))
        .name();
}
