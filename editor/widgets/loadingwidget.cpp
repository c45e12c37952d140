#include "loadingwidget.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyleOption>
#include <QVBoxLayout>

LoadingWidget::LoadingWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("loadingWidget"));
    setAttribute(Qt::WA_StyledBackground, true);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("loadingTitle"));
    m_title->setAlignment(Qt::AlignCenter);

    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("loadingProgressBar"));
    m_bar->setTextVisible(true);
    m_bar->setAlignment(Qt::AlignCenter);
    m_bar->setRange(0, 100);
    m_bar->setValue(0);

    auto *box = new QVBoxLayout(this);
    box->addStretch();
    box->addWidget(m_title, 0, Qt::AlignHCenter);
    box->addSpacing(12);
    box->addWidget(m_bar, 0, Qt::AlignHCenter);
    box->addStretch();

    if (parent) {
        resize(parent->size());
        parent->installEventFilter(this);
    }
}

void LoadingWidget::setTitle(const QString &title)
{
    m_title->setText(title);
}

QString LoadingWidget::title() const
{
    return m_title->text();
}

void LoadingWidget::setRange(int min, int max)
{
    m_bar->setRange(min, max);
}

int LoadingWidget::progressValue() const
{
    return m_bar->value();
}

void LoadingWidget::addProgressValue()
{
    // Saturates at the maximum: extra chunks do not reset the bar.
    m_bar->setValue(qMin(m_bar->maximum(), qMax(m_bar->minimum(), m_bar->value()) + 1));
}

void LoadingWidget::setProgressValue(int value)
{
    m_bar->setValue(qBound(m_bar->minimum(), value, m_bar->maximum()));
}

bool LoadingWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void LoadingWidget::paintEvent(QPaintEvent *)
{
    QStyleOption opt;
    opt.initFrom(this);
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_Widget, &opt, &p, this);
}

void LoadingWidget::showEvent(QShowEvent *event)
{
    // Cover the parent as it is now (it may have been resized while the
    // overlay was hidden).
    if (parentWidget())
        setGeometry(parentWidget()->rect());
    QWidget::showEvent(event);
}
