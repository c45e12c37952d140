#include "exp.h"

#include "animationstackedwidget.h"
#include "kt900style.h"
#include "popupframe.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

Exp::Exp(QWidget *parent)
    : QDialog(parent)
{
    m_fields.fill(-1);
    PopupFrame::setUp(this, QStringLiteral("exp"), kWidth, kHeight);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("expWidget"));
    outer->addWidget(frame);

    auto *box = new QVBoxLayout(frame);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    m_close = PopupFrame::closeButton(frame);
    box->addWidget(m_close, 0, Qt::AlignRight);

    auto *typeRow = new QHBoxLayout;
    typeRow->addStretch();
    const QStringList titles = {tr("EXP1"), tr("EXP2"), tr("EXP VOL")};
    const int codes[3] = {kPageCodeExp1, kPageCodeExp2, kPageCodeExpVol};
    for (int i = 0; i < 3; ++i) {
        auto *button = new QPushButton(titles.at(i), frame);
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

    m_stack = new AnimationStackedWidget(frame);
    static const char *const pages[] = {"exp1Widget", "exp2Widget", "expVolWidget"};
    for (const char *name : pages) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(name));
        m_stack->addWidget(page);
    }
    box->addWidget(m_stack, 1);

    connect(m_close, &QPushButton::clicked, this, [this]() {
        emit valueChanged(-1, -1);
        hide();
    });
    showPage(0);
}

void Exp::setExpValue(int index, int value)
{
    if (index < 0 || index >= kFieldCount)
        return;
    m_fields[static_cast<std::size_t>(index)] = value;
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
