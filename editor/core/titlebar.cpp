#include "titlebar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

QPushButton *titleButton(const char *objectName, const QString &tip, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(tip);
    return button;
}

} // namespace

TitleBar::TitleBar(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("titleBar"));
    setFixedHeight(kHeight);
    auto *box = new QHBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);

    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("DeviceName"));
    m_name->setScaledContents(true);
    box->addWidget(m_name);
    box->addStretch();

    m_min = titleButton("title_min", tr("Minimize"), this);
    m_max = titleButton("title_max", tr("Maximize"), this);
    m_restore = titleButton("title_maxToNormal", tr("Restore"), this);
    m_close = titleButton("title_close", tr("Close"), this);
    m_restore->hide();
    box->addWidget(m_min);
    box->addWidget(m_max);
    box->addWidget(m_restore);
    box->addWidget(m_close);

    connect(m_min, &QPushButton::clicked, this, &TitleBar::minimizeRequested);
    connect(m_max, &QPushButton::clicked, this, &TitleBar::maximizeRequested);
    connect(m_restore, &QPushButton::clicked, this, &TitleBar::restoreRequested);
    connect(m_close, &QPushButton::clicked, this, &TitleBar::closeRequested);
}

void TitleBar::setMaximized(bool maximized)
{
    m_max->setVisible(!maximized);
    m_restore->setVisible(maximized);
}
