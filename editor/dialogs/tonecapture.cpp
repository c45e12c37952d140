#include "tonecapture.h"

#include "effectcatalogue.h"
#include "kt900style.h"
#include "mycombobox.h"
#include "mymessagebox.h"
#include "parawidgetbase.h"
#include "parawidgetfactory.h"
#include "popupframe.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSignalMapper>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kAmpModule = 2;
constexpr int kNameLength = 16;           // names the unit keeps
constexpr int kProgressIntervalMs = 400;
const char *const kEmpty = ":EMPTY";

QLabel *textLabel(const QString &text, const char *objectName, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setWordWrap(true);
    return label;
}

} // namespace

QString ToneCapture::slotEntry(int index, const QString &name)
{
    const QString trimmed = name.trimmed();
    return QStringLiteral("%1:%2").arg(index + 1, 2, 10, QLatin1Char('0'))
        .arg(trimmed.isEmpty() ? QStringLiteral("EMPTY") : trimmed);
}

QStringList ToneCapture::sourceAmpNames()
{
    QStringList names;
    for (const QString &name : EffectCatalogue::instance().typeNames(kAmpModule)) {
        if (!name.contains(QLatin1String(kEmpty)))
            names << name;
    }
    return names;
}

ToneCapture::ToneCapture(QWidget *parent)
    : QDialog(parent)
{
    m_values.fill(-1);
    PopupFrame::setUp(this, QStringLiteral("toneCapture"), kWidth, kHeight);
    for (int i = 0; i < kSlotCount; ++i)
        m_slots << slotEntry(i, QString());
    m_mapper = new QSignalMapper(this);
    connect(m_mapper, &QSignalMapper::mappedInt, this, &ToneCapture::buttonClick);
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &ToneCapture::animateProgress);
    m_captureDeadline = new QTimer(this);
    m_captureDeadline->setSingleShot(true);
    connect(m_captureDeadline, &QTimer::timeout, this, &ToneCapture::captureTimedOut);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("toneCaptureWidget"));
    outer->addWidget(m_frame);

    auto *box = new QVBoxLayout(m_frame);
    box->setContentsMargins(20, 0, 0, 16);
    box->setSpacing(0);
    auto *titleRow = new QHBoxLayout;
    auto *title = new QLabel(tr("TONE CAPTURE"), m_frame);
    title->setObjectName(QStringLiteral("toneCaptureTitle"));
    titleRow->addWidget(title, 0, Qt::AlignLeft | Qt::AlignBottom);
    titleRow->addStretch();
    m_close = PopupFrame::closeButton(m_frame);
    titleRow->addWidget(m_close, 0, Qt::AlignRight | Qt::AlignTop);
    box->addLayout(titleRow);

    m_steps = new QStackedWidget(m_frame);
    m_steps->addWidget(buildStartPage());
    m_steps->addWidget(buildStep1());
    m_steps->addWidget(buildStep2());
    m_steps->addWidget(buildStep3());
    m_steps->addWidget(buildStep4());
    box->addWidget(m_steps, 1);

    connect(m_close, &QPushButton::clicked, this, [this]() {
        emit ValueChanged(-1, -1);
        hide();
    });

    selectPair(SyncOn, SyncOff, false);
    selectPair(BlockOn, BlockOff, false);
    selectPair(ExternalCab, InternalCab, false);
    buildParaRows(0);
    showSlotState();
}

// ---------------------------------------------------------------- pages ----

QPushButton *ToneCapture::mappedButton(int id, int step, const QString &text, const QString &objectName,
                                       QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    m_mapper->setMapping(button, id);
    connect(button, &QPushButton::clicked, m_mapper, qOverload<>(&QSignalMapper::map));
    m_buttons.append({id, step, button});
    return button;
}

QPushButton *ToneCapture::button(int id, int step) const
{
    for (const MappedButton &b : m_buttons) {
        if (b.id == id && (step < 0 || b.step == step))
            return b.button;
    }
    return nullptr;
}

QLabel *ToneCapture::stepImage(int step) const
{
    return m_images.value(step);
}

QHBoxLayout *ToneCapture::pairRow(int step, const QString &label, int firstId, const QString &first,
                                  int secondId, const QString &second, QWidget *parent)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    if (!label.isEmpty()) {
        auto *name = new QLabel(label, parent);
        name->setObjectName(QStringLiteral("toneCaptureLabel"));
        row->addWidget(name);
    }
    row->addWidget(mappedButton(firstId, step, first, QStringLiteral("toneCapturePair"), parent));
    row->addWidget(mappedButton(secondId, step, second, QStringLiteral("toneCapturePair"), parent));
    return row;
}

QWidget *ToneCapture::stepPage(int step, const QString &text)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("toneCaptureStepPage"));
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 20, 0);
    box->setSpacing(8);
    if (step > 0)
        box->addWidget(textLabel(tr("STEP%1").arg(step), "toneCaptureStep", page));
    if (!text.isEmpty())
        box->addWidget(textLabel(text, "toneCaptureText", page));
    while (m_images.size() <= step)
        m_images << nullptr;
    return page;
}

void ToneCapture::addNavigation(QWidget *page, int step, int backId, const QString &back, int nextId,
                                const QString &next)
{
    auto *nav = new QHBoxLayout;
    nav->setSpacing(12);
    nav->addStretch();
    if (backId >= 0)
        nav->addWidget(mappedButton(backId, step, back, QStringLiteral("toneCaptureNav"), page));
    nav->addWidget(mappedButton(nextId, step, next, QStringLiteral("toneCaptureNav"), page));
    static_cast<QVBoxLayout *>(page->layout())->addLayout(nav);
}

QWidget *ToneCapture::buildStartPage()
{
    QWidget *page = stepPage(0, QString());
    auto *box = static_cast<QVBoxLayout *>(page->layout());
    box->addSpacing(4);
    m_slotList = new QListWidget(page);
    m_slotList->setObjectName(QStringLiteral("toneCaptureList"));
    m_slotList->setFlow(QListView::TopToBottom);
    m_slotList->setWrapping(true);
    m_slotList->setResizeMode(QListView::Adjust);
    m_slotList->setUniformItemSizes(true);
    // Three columns of seven rows: every slot and its whole name in view.
    m_slotList->setGridSize(QSize(228, 29));
    m_slotList->setToolTip(tr("The capture slot the TONE CAP of this preset uses"));
    m_slotList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_slotList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_slotList->setFocusPolicy(Qt::NoFocus);
    m_slotList->setFixedHeight(7 * 29 + 14);
    for (const QString &entry : qAsConst(m_slots)) {
        auto *item = new QListWidgetItem(entry, m_slotList);
        item->setSizeHint(QSize(222, 26));
    }
    connect(m_slotList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < kSlotCount && row != value(ValueBlockSlot))
            emitValue(ValueBlockSlot, row);
    });
    box->addWidget(m_slotList);
    box->addSpacing(14);

    auto *pairs = new QHBoxLayout;
    pairs->setSpacing(0);
    pairs->addLayout(pairRow(0, tr("TONE CAP"), BlockOn, tr("ON"), BlockOff, tr("OFF"), page));
    pairs->addStretch();
    pairs->addLayout(pairRow(0, tr("SOURCE SYNC"), SyncOn, tr("ON"), SyncOff, tr("OFF"), page));
    box->addLayout(pairs);
    box->addStretch();
    addNavigation(page, 0, -1, QString(), ToStep1, tr("CAPTURE >>"));
    return page;
}

// A step's picture, centred under its text.
static QLabel *addStepImage(QWidget *page, QVBoxLayout *box, const QString &resource)
{
    auto *image = new QLabel(page);
    image->setObjectName(QStringLiteral("toneCaptureImage"));
    image->setPixmap(QPixmap(resource));
    image->setAlignment(Qt::AlignCenter);
    box->addWidget(image);
    return image;
}

QWidget *ToneCapture::buildStep1()
{
    QWidget *page = stepPage(1, tr("Please connect your KT900 to your AMP via the 4-cable method.\n"
                                   "The field below indicates how you can monitor the result of the Tone Capture."));
    auto *box = static_cast<QVBoxLayout *>(page->layout());
    m_images[1] = addStepImage(page, box, QStringLiteral(":/img/toneCapture/fourCable.png"));
    box->addWidget(textLabel(tr("(Note: AMP Capture is not possible without SERIAL FX LOOP)"), "toneCaptureNote", page));
    box->addSpacing(4);
    auto *pair = pairRow(1, QString(), ExternalCab, tr("EXTERNAL CAB"), InternalCab, tr("INTERNAL CAB"), page);
    pair->insertStretch(0);
    pair->addStretch();
    box->addLayout(pair);
    box->addStretch();
    addNavigation(page, 1, -1, QString(), ToStep2, tr("Next >>"));
    return page;
}

QWidget *ToneCapture::buildStep2()
{
    QWidget *page = stepPage(2, tr("Adjust the amplifier to the desired tone.\n\nPress BANK DOWN footswitch for NEXT."
                                   "\n\nPress BANK UP footswitch for BACK."));
    auto *box = static_cast<QVBoxLayout *>(page->layout());
    m_images[2] = addStepImage(page, box, QStringLiteral(":/img/toneCapture/footswitches.png"));
    box->addStretch();
    addNavigation(page, 2, ToStep1, tr("<< BACK"), Step2Next, tr("NEXT >>"));
    return page;
}

QWidget *ToneCapture::buildStep3()
{
    QWidget *page = stepPage(3, tr("Choose an AMP model as the SOURCE."));
    auto *box = static_cast<QVBoxLayout *>(page->layout());
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(tr("SOURCE"), page);
    label->setObjectName(QStringLiteral("toneCaptureLabel"));
    row->addWidget(label);
    row->addSpacing(10);
    m_sourceCombo = new MyComboBox(page);
    m_sourceCombo->setObjectName(QStringLiteral("toneCaptureSource"));
    m_sourceCombo->setMinimumWidth(260);
    m_sourceCombo->setMaxVisibleItems(12);
    connect(m_sourceCombo, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &ToneCapture::step3_CurrentIndexChanged);
    row->addWidget(m_sourceCombo);
    row->addStretch();
    box->addLayout(row);
    m_paraHolder = new QWidget(page);
    m_paraHolder->setObjectName(QStringLiteral("toneCaptureParams"));
    auto *grid = new QGridLayout(m_paraHolder);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    box->addWidget(m_paraHolder);
    box->addStretch();
    addNavigation(page, 3, ToStep2, tr("<< BACK"), ToStep4, tr("NEXT >>"));
    return page;
}

QWidget *ToneCapture::buildStep4()
{
    QWidget *page = stepPage(4, tr("Choose an empty slot then press footswitch \"C\" for the completed TONE CAPTURE."));
    auto *box = static_cast<QVBoxLayout *>(page->layout());
    box->addSpacing(6);

    auto *slotRow = new QHBoxLayout;
    slotRow->setSpacing(10);
    m_slotCombo = new MyComboBox(page);
    m_slotCombo->setObjectName(QStringLiteral("toneCaptureSlot"));
    m_slotCombo->setEditable(true);
    m_slotCombo->setInsertPolicy(QComboBox::NoInsert);
    m_slotCombo->setMinimumWidth(260);
    m_slotCombo->setMaxVisibleItems(kSlotCount);
    m_slotCombo->addItems(m_slots);
    QLineEdit *edit = m_slotCombo->lineEdit();
    edit->setMaxLength(3 + kNameLength);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-2][0-9][:][a-zA-Z0-9 ]+$")), m_slotCombo));
    edit->installEventFilter(this);
    m_slotCombo->setCompleter(nullptr);
    connect(m_slotCombo, qOverload<int>(&QComboBox::currentIndexChanged), this, &ToneCapture::slotSelected);
    connect(edit, &QLineEdit::editingFinished, this, &ToneCapture::renameSelectedSlot);
    slotRow->addWidget(m_slotCombo);
    QPushButton *del = mappedButton(DeleteCapture, 4, tr("delete"), QStringLiteral("toneCaptureDelete"), page);
    del->setIcon(QIcon(QStringLiteral(":/img/presetPara/delete.png")));
    del->setIconSize(QSize(16, 16));
    slotRow->addWidget(del);
    slotRow->addStretch();
    box->addLayout(slotRow);
    box->addSpacing(10);

    auto *monitorRow = new QHBoxLayout;
    monitorRow->setSpacing(10);
    monitorRow->addWidget(mappedButton(MonitorSource, 4, tr("SOURCE"), QStringLiteral("toneCaptureMonitor"), page));
    monitorRow->addWidget(mappedButton(MonitorTarget, 4, tr("TARGET"), QStringLiteral("toneCaptureMonitor"), page));
    monitorRow->addWidget(mappedButton(Capture, 4, tr("CAPTURE"), QStringLiteral("toneCaptureRun"), page));
    monitorRow->addSpacing(14);
    m_progress = new QLabel(page);
    m_progress->setObjectName(QStringLiteral("toneCaptureProgress"));
    m_progress->setMinimumWidth(200);
    monitorRow->addWidget(m_progress);
    monitorRow->addStretch();
    box->addLayout(monitorRow);
    box->addSpacing(12);
    box->addWidget(textLabel(tr("SOURCE: the AMP model chosen in STEP3.   TARGET: your amplifier.\n"
                                "CAPTURE records the TARGET into the empty slot; MONITOR plays the slot's capture."),
                             "toneCaptureHint", page));
    box->addStretch();
    addNavigation(page, 4, Step4Back, tr("<< BACK"), Done, tr("DONE >>"));
    return page;
}

// ---------------------------------------------------------------- state ----

void ToneCapture::emitValue(int index, int v)
{
    m_values[static_cast<std::size_t>(index)] = v;
    emit ValueChanged(index, v);
}

int ToneCapture::value(int index) const
{
    return (index >= 0 && index < kValueCount) ? m_values[static_cast<std::size_t>(index)] : -1;
}

bool ToneCapture::slotFilled(int slot) const
{
    return slot >= 0 && slot < kSlotCount && m_filled[static_cast<std::size_t>(slot)];
}

int ToneCapture::selectedSlot() const
{
    return m_slotCombo->currentIndex();
}

void ToneCapture::selectPair(int firstId, int secondId, bool firstSelected)
{
    const QString on = QString::fromLatin1(Kt900Style::kSelectedEnable);
    const QString off = QString::fromLatin1(Kt900Style::kUnselectedEnable);
    Kt900Style::setStyleProperty(button(firstId), "status", firstSelected ? on : off);
    Kt900Style::setStyleProperty(button(secondId), "status", firstSelected ? off : on);
}

void ToneCapture::showMonitoring()
{
    const int monitoring = value(ValueMonitor);
    const QString on = QStringLiteral("monitor");
    const QString off = QStringLiteral("unmonitor");
    Kt900Style::setStyleProperty(button(MonitorSource), "status", monitoring == 1 ? on : off);
    Kt900Style::setStyleProperty(button(MonitorTarget), "status", monitoring == 2 ? on : off);
    Kt900Style::setStyleProperty(button(Capture), "status",
                                 monitoring == 3 && slotFilled(selectedSlot()) ? on : off);
}

void ToneCapture::showSlotState()
{
    const bool filled = slotFilled(selectedSlot());
    QPushButton *capture = button(Capture);
    capture->setText(filled && !m_running ? tr("MONITOR") : tr("CAPTURE"));
    capture->setToolTip(m_running ? tr("Press again to stop the capture") : QString());
    Kt900Style::setStyleProperty(capture, "haveFile", filled);
    // Nothing else of the slot changes while a capture runs into it.
    m_slotCombo->setEnabled(!m_running);
    m_slotCombo->lineEdit()->setReadOnly(!filled || m_running);
    button(DeleteCapture)->setEnabled(filled && !m_running);
    button(MonitorSource)->setEnabled(!m_running);
    button(MonitorTarget)->setEnabled(!m_running);
    if (!m_running) {
        m_progress->setText(filled ? tr("CAPTURE STORED") : tr("READY"));
        Kt900Style::setStyleProperty(m_progress, "study", QStringLiteral("unstudy"));
        Kt900Style::setStyleProperty(m_progress, "status", filled ? QStringLiteral("status")
                                                                   : QStringLiteral("unstatus"));
    }
    showMonitoring();
}

void ToneCapture::setSlotText(int slot, const QString &entry)
{
    m_slots[slot] = entry;
    {
        const QSignalBlocker blocker(m_slotCombo);
        m_slotCombo->setItemText(slot, entry);
    }
    if (QListWidgetItem *item = m_slotList->item(slot))
        item->setText(entry);
}

void ToneCapture::update(int index, int v)
{
    if (index < 0 || index >= kValueCount)
        return;
    switch (index) {
    case ValueCab:
    case ValueBlockOn:
    case ValueSourceSync:
        v = v != 0 ? 1 : 0;
        m_values[static_cast<std::size_t>(index)] = v;
        if (index == ValueCab)
            selectPair(ExternalCab, InternalCab, v == 1);
        else if (index == ValueBlockOn)
            selectPair(BlockOn, BlockOff, v == 1);
        else
            selectPair(SyncOn, SyncOff, v == 1);
        break;
    case ValueSourceAmp: {
        m_values[ValueSourceAmp] = v;
        const QSignalBlocker blocker(m_sourceCombo);
        m_sourceCombo->setCurrentIndex(m_sourceCombo->findData(v));
        buildParaRows(v);
        break;
    }
    case ValueSlot:
    case ValueBlockSlot:
        v = qBound(0, v, kSlotCount - 1);
        m_values[static_cast<std::size_t>(index)] = v;
        if (index == ValueSlot) {
            const QSignalBlocker blocker(m_slotCombo);
            m_slotCombo->setCurrentIndex(v);
            showSlotState();
        } else {
            const QSignalBlocker blocker(m_slotList);
            m_slotList->setCurrentRow(v);
        }
        break;
    case ValueMonitor:
        m_values[ValueMonitor] = (v >= 0 && v <= 3) ? v : 0;
        showMonitoring();
        break;
    case ValueFilled: {
        m_values[ValueFilled] = v != 0 ? 1 : 0;
        const int slot = selectedSlot();
        if (slot >= 0)
            m_filled[static_cast<std::size_t>(slot)] = v != 0;
        // The slot reported filled is the end of a running capture, whatever
        // else the unit says about it.
        if (v != 0)
            stopCapture(false);
        showSlotState();
        break;
    }
    case ValueRunning: {
        // Only a change to "running" starts the display: a report that
        // repeats the value after the slot was reported filled does not
        // start it again.
        const bool was = value(ValueRunning) == 1;
        m_values[ValueRunning] = v != 0 ? 1 : 0;
        if (v == 0)
            stopCapture(false);
        else if (!was)
            startCapture();
        break;
    }
    default: {
        // The SOURCE amp's parameters: shown clamped by their rows.
        const int row = index - ValueSourceParam;
        if (ParaWidgetBase *w = m_paraRows.value(row)) {
            const QSignalBlocker blocker(w);
            w->setValue(v);
            v = w->value();
        }
        m_values[static_cast<std::size_t>(index)] = v;
        break;
    }
    }
}

void ToneCapture::setStep(int step)
{
    if (step < 0 || step >= kStepCount)
        return;
    // A capture belongs to STEP4; moving elsewhere stops it.
    if (step != 4)
        stopCapture(true);
    // The AMP names change when amp captures are imported or deleted.
    if (step == 3)
        rebuildSourceList();
    m_steps->setCurrentIndex(step);
}

int ToneCapture::step() const
{
    return m_steps->currentIndex();
}

void ToneCapture::setInputBlocked(bool blocked)
{
    m_inputBlocked = blocked;
    m_frame->setEnabled(!blocked);
}

void ToneCapture::ToneNameChanged(int index, QString name)
{
    if (index < 0 || index >= kSlotCount || m_slots.size() != kSlotCount)
        return;
    m_filled[static_cast<std::size_t>(index)] = !name.trimmed().isEmpty();
    setSlotText(index, slotEntry(index, name));
    if (index == selectedSlot())
        showSlotState();
}

// -------------------------------------------------------------- actions ----

void ToneCapture::buttonClick(int id)
{
    switch (id) {
    case SyncOff:
    case SyncOn:
        selectPair(SyncOn, SyncOff, id == SyncOn);
        emitValue(ValueSourceSync, id);
        break;
    case BlockOff:
    case BlockOn:
        selectPair(BlockOn, BlockOff, id == BlockOn);
        emitValue(ValueBlockOn, id == BlockOn ? 1 : 0);
        break;
    case InternalCab:
    case ExternalCab:
        selectPair(ExternalCab, InternalCab, id == ExternalCab);
        emitValue(ValueCab, id == ExternalCab ? 1 : 0);
        m_captureMode = true;
        emit ValueChanged(-2, 0);
        break;
    case MonitorSource:
    case MonitorTarget: {
        if (m_running)
            break;
        const int mine = id == MonitorSource ? 1 : 2;
        emitValue(ValueMonitor, value(ValueMonitor) == mine ? 0 : mine);
        showMonitoring();
        break;
    }
    case Capture: {
        // While a capture runs the button stops it (and only that).
        if (m_running) {
            stopCapture(true);
            break;
        }
        const int slot = selectedSlot();
        if (slot < 0)
            break;
        if (!slotFilled(slot)) {
            if (value(ValueSlot) != slot)
                emitValue(ValueSlot, slot);
            emitValue(ValueRunning, 1);
            startCapture();
        } else {
            emitValue(ValueMonitor, value(ValueMonitor) == 3 ? 0 : 3);
            showMonitoring();
        }
        break;
    }
    case DeleteCapture: {
        const int slot = selectedSlot();
        if (m_running || !slotFilled(slot))
            break;
        const int answer = MyMessageBox::showMessage(
            tr("WARNING"), tr("Do you want to delete the TONE CAPTURE in slot %1?").arg(m_slots.at(slot)), this,
            MyMessageBox::Yes | MyMessageBox::No);
        if (answer != MyMessageBox::YesCode || selectedSlot() != slot || !slotFilled(slot))
            break;
        if (value(ValueMonitor) == 3)
            emitValue(ValueMonitor, 0);
        m_filled[static_cast<std::size_t>(slot)] = false;
        setSlotText(slot, slotEntry(slot, QString()));
        emitValue(ValueFilled, 0);
        showSlotState();
        break;
    }
    case ToStep1:
        emit ValueChanged(-1, kPageStep1);
        setStep(1);
        break;
    case ToStep2:
        emit ValueChanged(-1, kPageStep2);
        setStep(2);
        break;
    case Step2Next:
    case Step4Back:
        emit ValueChanged(-1, kPageStep3);
        setStep(3);
        break;
    case ToStep4:
        emit ValueChanged(-1, kPageStep4);
        setStep(4);
        break;
    case Done:
        emit ValueChanged(-1, kPageLeave);
        hide();
        break;
    default:
        break;
    }
}

void ToneCapture::slotSelected(int slot)
{
    if (slot < 0 || slot >= kSlotCount)
        return;
    if (slot != value(ValueSlot) && m_slots.size() == kSlotCount) {
        const bool filled = slotFilled(slot);
        if (!filled && value(ValueMonitor) == 3)
            emitValue(ValueMonitor, 0);
        emitValue(ValueFilled, filled ? 1 : 0);
        emitValue(ValueSlot, slot);
    }
    showSlotState();
}

void ToneCapture::renameSelectedSlot()
{
    const int slot = selectedSlot();
    if (slot < 0 || m_slots.size() != kSlotCount)
        return;
    QLineEdit *edit = m_slotCombo->lineEdit();
    const QString text = edit->text();
    if (text == m_slots.at(slot))
        return;
    const QString name = text.mid(3).trimmed();
    // Only a slot that holds a capture has a name to change.
    if (!slotFilled(slot) || !edit->hasAcceptableInput() || name.isEmpty()) {
        edit->setText(m_slots.at(slot));
        return;
    }
    // The entry keeps its own number, whatever digits were typed.
    setSlotText(slot, slotEntry(slot, name));
    edit->setText(m_slots.at(slot));
    emit ValueChanged(-3, name);
}

void ToneCapture::step3_CurrentIndexChanged(int index)
{
    if (index < 0)
        return;
    const int type = EffectCatalogue::instance().typeNames(kAmpModule).indexOf(m_sourceCombo->itemText(index));
    if (type < 0 || type == value(ValueSourceAmp))
        return;
    emitValue(ValueSourceAmp, type);
    buildParaRows(type);
}

void ToneCapture::rebuildSourceList()
{
    const QSignalBlocker blocker(m_sourceCombo);
    m_sourceCombo->clear();
    const QStringList names = EffectCatalogue::instance().typeNames(kAmpModule);
    for (int i = 0; i < names.size(); ++i) {
        if (!names.at(i).contains(QLatin1String(kEmpty)))
            m_sourceCombo->addItem(names.at(i), i);
    }
    m_sourceCombo->setCurrentIndex(m_sourceCombo->findData(value(ValueSourceAmp)));
}

void ToneCapture::buildParaRows(int type)
{
    const EffectCatalogue &catalogue = EffectCatalogue::instance();
    if (type < 0 || type >= catalogue.typeCount(kAmpModule))
        type = 0;
    QList<const ParaInfo *> params;
    for (int i = 0; i < qMin(kSourceParams, catalogue.paramCount(kAmpModule, type)); ++i)
        params << catalogue.param(kAmpModule, type, i);
    if (params == m_rowParams)
        return;
    qDeleteAll(m_paraRows);
    m_paraRows.clear();
    m_rowParams = params;
    auto *grid = static_cast<QGridLayout *>(m_paraHolder->layout());
    for (int i = 0; i < params.size(); ++i) {
        ParaWidgetBase *row = createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"), params.at(i),
                                               m_paraHolder);
        if (!row)
            continue;
        row->setObjectName(QStringLiteral("toneCaptureParam"));
        const int index = ValueSourceParam + i;
        if (value(index) >= 0) {
            const QSignalBlocker blocker(row);
            row->setValue(value(index));
        }
        connect(row, &ParaWidgetBase::valueChanged, this, [this, index](int v) {
            if (v != value(index))
                emitValue(index, v);
        });
        grid->addWidget(row, i % 3, i / 3);
        m_paraRows << row;
    }
}

// ------------------------------------------------------------- progress ----

void ToneCapture::startCapture()
{
    if (m_running)
        return;
    m_running = true;
    m_values[ValueRunning] = 1;
    m_progressTick = 0;
    m_captureClock.start();
    Kt900Style::setStyleProperty(m_progress, "study", QStringLiteral("study"));
    Kt900Style::setStyleProperty(m_progress, "status", QStringLiteral("status"));
    animateProgress();
    m_progressTimer->start();
    m_captureDeadline->start(m_captureTimeoutMs);
    showSlotState();
}

void ToneCapture::captureTimedOut()
{
    if (!m_running)
        return;
    // The unit stopped answering: stop the capture there, end the wizard
    // (which puts the unit and the main window back to normal) and say why.
    stopCapture(true);
    hide();
    MyMessageBox::showMessage(tr("Info"), tr("The unit did not finish the capture.\nPlease try again."),
                              parentWidget(), MyMessageBox::Ok, 1000);
}

void ToneCapture::stopCapture(bool tellUnit)
{
    if (!m_running)
        return;
    m_running = false;
    m_progressTimer->stop();
    m_captureDeadline->stop();
    if (tellUnit)
        emitValue(ValueRunning, 0);
    showSlotState();
}

void ToneCapture::animateProgress()
{
    const int dots = m_progressTick++ % 4;
    const qint64 seconds = m_captureClock.isValid() ? m_captureClock.elapsed() / 1000 : 0;
    m_progress->setText(tr("CAPTURING%1%2  %3 s")
                            .arg(QString(dots, QLatin1Char('.')), QString(3 - dots, QLatin1Char(' ')))
                            .arg(seconds));
}

// ------------------------------------------------------------ lifecycle ----

void ToneCapture::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        m_open = true;
}

void ToneCapture::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous() && m_open) {
        m_open = false;
        leaveWizard();
    }
}

void ToneCapture::leaveWizard()
{
    // However the wizard is left, the unit goes back to playing normally and
    // the main window's chain leaves capture mode.
    stopCapture(true);
    if (value(ValueMonitor) > 0) {
        emitValue(ValueMonitor, 0);
        showMonitoring();
    }
    if (m_captureMode) {
        m_captureMode = false;
        emit ValueChanged(-2, 1);
    }
}

bool ToneCapture::eventFilter(QObject *watched, QEvent *event)
{
    // A half-typed name is dropped when the field loses the focus.
    if (watched == m_slotCombo->lineEdit() && event->type() == QEvent::FocusOut) {
        QLineEdit *edit = m_slotCombo->lineEdit();
        const int slot = selectedSlot();
        if (slot >= 0 && !edit->hasAcceptableInput())
            edit->setText(m_slots.at(slot));
    }
    return QDialog::eventFilter(watched, event);
}
