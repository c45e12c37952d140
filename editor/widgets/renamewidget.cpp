#include "renamewidget.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

RenameWidget::RenameWidget(QWidget *parent)
    : QLineEdit(parent)
{
    setObjectName(QStringLiteral("renameLineEdit"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setContextMenuPolicy(Qt::NoContextMenu);
    setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^[a-zA-Z0-9 ]+$")), this));

    m_button = new QPushButton(tr("OK"), this);
    m_button->setObjectName(QStringLiteral("renameButton"));
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setFocusPolicy(Qt::NoFocus);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(1);
    row->addStretch();
    row->addWidget(m_button);
    // Keep typed text clear of the button.
    setTextMargins(0, 0, m_button->sizeHint().width() + 2, 0);

    m_animation = new QPropertyAnimation(this, "size", this);
    m_animation->setDuration(kAnimationMs);
    m_animation->setStartValue(QSize(0, kHeight));
    m_animation->setEndValue(QSize(kOpenWidth, kHeight));

    connect(m_button, &QPushButton::clicked, this, &RenameWidget::renameFinish);
    resize(kOpenWidth, kHeight);
}

void RenameWidget::renameFinish()
{
    hide();
    emit renameFinished(text());
}

void RenameWidget::showEvent(QShowEvent *event)
{
    QLineEdit::showEvent(event);
    clear();
    setFocus(Qt::PopupFocusReason);
    m_animation->stop();
    m_animation->start();
}

void RenameWidget::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Also with an empty or partial text, which the validator would
        // otherwise keep from reporting Return.
        event->accept();
        renameFinish();
        return;
    case Qt::Key_Escape:
        event->accept();
        hide();
        emit renameFinished(QString());
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}
