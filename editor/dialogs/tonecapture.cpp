#include "tonecapture.h"

#include "popupframe.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

QString ToneCapture::slotEntry(int index, const QString &name)
{
    const QString trimmed = name.trimmed();
    return QStringLiteral("%1:%2").arg(index + 1, 2, 10, QLatin1Char('0'))
        .arg(trimmed.isEmpty() ? QStringLiteral("EMPTY") : trimmed);
}

ToneCapture::ToneCapture(QWidget *parent)
    : QDialog(parent)
{
    m_values.fill(-1);
    PopupFrame::setUp(this, QStringLiteral("toneCapture"), kWidth, kHeight);
    for (int i = 0; i < kSlotCount; ++i)
        m_slots << slotEntry(i, QString());

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("toneCaptureWidget"));
    outer->addWidget(frame);

    auto *box = new QVBoxLayout(frame);
    box->setContentsMargins(20, 0, 0, 16);
    box->setSpacing(0);
    auto *titleRow = new QHBoxLayout;
    auto *title = new QLabel(tr("TONE CAPTURE"), frame);
    title->setObjectName(QStringLiteral("toneCaptureTitle"));
    titleRow->addWidget(title, 0, Qt::AlignLeft | Qt::AlignBottom);
    titleRow->addStretch();
    m_close = PopupFrame::closeButton(frame);
    titleRow->addWidget(m_close, 0, Qt::AlignRight | Qt::AlignTop);
    box->addLayout(titleRow);

    m_steps = new QStackedWidget(frame);
    for (int i = 0; i < kStepCount; ++i) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("toneCaptureStepPage"));
        auto *pageBox = new QVBoxLayout(page);
        if (i > 0) {
            auto *label = new QLabel(tr("STEP%1").arg(i), page);
            label->setObjectName(QStringLiteral("toneCaptureStep"));
            pageBox->addWidget(label);
        }
        pageBox->addStretch();
        m_steps->addWidget(page);
    }
    box->addWidget(m_steps, 1);

    connect(m_close, &QPushButton::clicked, this, [this]() {
        emit ValueChanged(-1, -1);
        hide();
    });
}

void ToneCapture::update(int index, int value)
{
    if (index < 0 || index >= kValueCount)
        return;
    m_values[static_cast<std::size_t>(index)] = value;
}

int ToneCapture::value(int index) const
{
    return (index >= 0 && index < kValueCount) ? m_values[static_cast<std::size_t>(index)] : -1;
}

void ToneCapture::setStep(int step)
{
    if (step >= 0 && step < kStepCount)
        m_steps->setCurrentIndex(step);
}

int ToneCapture::step() const
{
    return m_steps->currentIndex();
}

void ToneCapture::ToneNameChanged(int index, QString name)
{
    if (index < 0 || index >= kSlotCount || m_slots.size() != kSlotCount)
        return;
    m_slots[index] = slotEntry(index, name);
}

void ToneCapture::buttonClick(int id)
{
    switch (id) {
    case 7:
        emit ValueChanged(-1, kPageStep1);
        setStep(1);
        break;
    case 9:
        emit ValueChanged(-1, kPageStep2);
        setStep(2);
        break;
    case 8:
    case 11:
        emit ValueChanged(-1, kPageStep3);
        setStep(3);
        break;
    case 10:
        emit ValueChanged(-1, kPageStep4);
        setStep(4);
        break;
    case 12:
        emit ValueChanged(-1, kPageLeave);
        hide();
        break;
    default:
        break;
    }
}
