#include "parawidgetbase.h"

#include "customspinbox.h"
#include "kt900style.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ParaWidgetBase::ParaWidgetBase(QWidget *parent)
    : QWidget(parent)
{
    setProperty("enable", true);
    setAttribute(Qt::WA_StyledBackground, true);
}

void ParaWidgetBase::createValueColumn()
{
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("paraName"));
    m_name->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    m_spinBox = new CustomSpinBox(this);
    m_spinBox->setObjectName(QStringLiteral("paraSpinBox"));
}

void ParaWidgetBase::layoutRow(QWidget *control)
{
    auto *column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    column->addWidget(m_name);
    column->addWidget(m_spinBox);
    auto *columnWidget = new QWidget(this);
    columnWidget->setObjectName(QStringLiteral("paraValueColumn"));
    columnWidget->setFixedWidth(110);
    columnWidget->setLayout(column);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(25, 10, 25, 10);
    row->addWidget(control, 1);
    row->addWidget(columnWidget);
}

QString ParaWidgetBase::name() const
{
    return m_name ? m_name->text() : QString();
}

QString ParaWidgetBase::text() const
{
    return m_spinBox ? m_spinBox->text() : QString();
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
