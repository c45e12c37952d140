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
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("paraName"));
    m_name->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    m_group = new CustomGroupButton(this);

    m_spinBox = new CustomSpinBox(this);
    m_spinBox->setObjectName(QStringLiteral("paraSpinBox"));

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
    row->addWidget(m_group, 1);
    row->addWidget(columnWidget);

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

QString GroupButtonWithSpinBox::name() const
{
    return m_name->text();
}

QString GroupButtonWithSpinBox::text() const
{
    return m_spinBox->text();
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
