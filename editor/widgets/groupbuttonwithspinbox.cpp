#include "groupbuttonwithspinbox.h"

#include "customgroupbutton.h"
#include "customspinbox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

GroupButtonWithSpinBox::GroupButtonWithSpinBox(QWidget *parent)
    : GroupButtonWithSpinBox(QString::fromLatin1(kDefaultBackgroundColor),
                             QString::fromLatin1(kDefaultValueColor), parent)
{
}

GroupButtonWithSpinBox::GroupButtonWithSpinBox(const QString &backgroundColor,
                                               const QString &valueColor, QWidget *parent)
    : ParaWidgetBase(parent)
{
    createValueColumn();
    m_group = new CustomGroupButton(this);
    layoutRow(m_group);

    connect(m_group, &CustomGroupButton::valueChanged, this, [this](int v) {
        if (m_spinBox->value() != v)
            m_spinBox->setValue(v);
        emit valueChanged(v);
    });
    connect(m_spinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int v) {
        if (m_group->value() != v)
            m_group->setValue(v);
    });

    setColor(backgroundColor, valueColor);
}

int GroupButtonWithSpinBox::value() const
{
    return m_group->value();
}

void GroupButtonWithSpinBox::setOptions(const QString &name, const QStringList &options)
{
    m_name->setText(name);
    const QSignalBlocker b1(m_group);
    const QSignalBlocker b2(m_spinBox);
    m_spinBox->setOptions(options);
    m_group->setButtons(options);
    m_spinBox->setValue(qMax(0, m_group->value()));
}

void GroupButtonWithSpinBox::setPara(const ParaInfo &info)
{
    setOptions(info.name, info.options);
}

void GroupButtonWithSpinBox::setValue(int value)
{
    m_group->setValue(value);
}

void GroupButtonWithSpinBox::setColor(const QString &backgroundColor, const QString &valueColor)
{
    ParaWidgetBase::setColor(backgroundColor, valueColor);
    m_group->setColor(backgroundColor, valueColor);
}
