#include "rowlayouts.h"

#include "kt900style.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalMapper>

QPushButton *createMappedButton(const ButtonDescription &description, QSignalMapper *mapper,
                                QWidget *parent)
{
    auto *b = new QPushButton(description.text, parent);
    b->setObjectName(description.objectName);
    b->setFocusPolicy(Qt::NoFocus);
    if (mapper) {
        mapper->setMapping(b, description.id);
        QObject::connect(b, &QPushButton::clicked, mapper,
                         static_cast<void (QSignalMapper::*)()>(&QSignalMapper::map));
    }
    return b;
}

TwoButtonLayout::TwoButtonLayout(const ButtonDescription &first, const ButtonDescription &second,
                                 QSignalMapper *mapper, QWidget *parent)
    : QHBoxLayout()
    , m_first(createMappedButton(first, mapper, parent))
    , m_second(createMappedButton(second, mapper, parent))
{
    setContentsMargins(0, 0, 0, 0);
    addStretch();
    addWidget(m_first);
    addStretch();
    addWidget(m_second);
    addStretch();
}

LabelWithTwoButtonLayout::LabelWithTwoButtonLayout(const QString &labelText,
                                                   const ButtonDescription &first,
                                                   const ButtonDescription &second,
                                                   QSignalMapper *mapper, QWidget *parent,
                                                   const QString &labelObjectName)
    : QHBoxLayout()
    , m_label(new QLabel(labelText, parent))
    , m_first(createMappedButton(first, mapper, parent))
    , m_second(createMappedButton(second, mapper, parent))
{
    m_label->setObjectName(labelObjectName);
    m_first->setProperty("status", QString::fromLatin1(Kt900Style::kSelectedEnable));
    m_second->setProperty("status", QString::fromLatin1(Kt900Style::kUnselectedEnable));
    setContentsMargins(0, 0, 0, 0);
    setSpacing(20);
    addWidget(m_label);
    addStretch();
    addWidget(m_first);
    addWidget(m_second);
}

LineWidget::LineWidget(const QString &text, const QString &objectName, QWidget *parent)
    : QWidget(parent)
    , m_label(new QLabel(text, this))
    , m_line(new QWidget(this))
{
    m_label->setObjectName(objectName);
    m_line->setObjectName(QStringLiteral("line"));
    m_line->setFixedHeight(2);
    m_line->setAttribute(Qt::WA_StyledBackground, true);
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(3);
    box->addWidget(m_label);
    box->addWidget(m_line);
}

LineAndLabelWithTwoButtonLayout::LineAndLabelWithTwoButtonLayout(
    const QString &labelText, const ButtonDescription &first, const ButtonDescription &second,
    QSignalMapper *mapper, QWidget *parent, const QString &labelObjectName)
    : QHBoxLayout()
    , m_labelBlock(new LineWidget(labelText, labelObjectName, parent))
    , m_first(createMappedButton(first, mapper, parent))
    , m_second(createMappedButton(second, mapper, parent))
{
    m_first->setProperty("status", QString::fromLatin1(Kt900Style::kSelectedEnable));
    m_second->setProperty("status", QString::fromLatin1(Kt900Style::kUnselectedEnable));
    setContentsMargins(0, 0, 0, 0);
    setSpacing(20);
    addWidget(m_labelBlock, 1, Qt::AlignBottom);
    addWidget(m_first);
    addWidget(m_second);
}
