#include "chainpanel.h"

#include "custombutton.h"
#include "devicestore.h"
#include "pagecodes.h"
#include "unitlink.h"
#include "usbreceivethread.h"

#include <QCursor>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QSignalMapper>
#include <QTimer>
#include <QVBoxLayout>

using namespace Kt900;

namespace {
constexpr int kSendModule = ModFxLoopSend;
constexpr int kReturnModule = ModFxLoopReturn;
} // namespace

// --------------------------------------------------------------------------

ChainContainer::ChainContainer(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("chainButtonContainer"));
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kRecordDelayMs);
    connect(m_settle, &QTimer::timeout, this, &ChainContainer::settled);
}

void ChainContainer::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    // The signal path: a line through the buttons' vertical centre.
    int y = height() / 2;
    for (QObject *child : children()) {
        auto *b = qobject_cast<CustomButton *>(child);
        if (b && b->isVisible() && !b->isDragging()) {
            y = b->geometry().center().y();
            break;
        }
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x64, 0x64, 0x64), 2));
    painter.drawLine(QPointF(10, y), QPointF(width() - 10, y));
}

void ChainContainer::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_settle->start();
}

// --------------------------------------------------------------------------

QString ChainPanel::imageName(int module)
{
    static const char *const names[kButtonCount] = {"FXA", "DS", "AMP", "CAB", "NS", "EQ",
                                                    "FXB", "DLY", "REV", "Send", "Return"};
    return (module >= 0 && module < kButtonCount) ? QLatin1String(names[module]) : QString();
}

ChainPanel::ChainPanel(UnitLink &link, QWidget *parent)
    : QWidget(parent)
    , m_link(link)
{
    setObjectName(QStringLiteral("chainWidget"));
    setAttribute(Qt::WA_StyledBackground);
    setMinimumHeight(200);
    setMaximumHeight(400);
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);

    auto *line = new QLabel(this);
    line->setObjectName(QStringLiteral("logoLine"));
    line->setMaximumHeight(3);
    box->addWidget(line);
    auto *logo = new QPushButton(this);
    logo->setObjectName(QStringLiteral("tovakLogo"));
    logo->setFlat(true);
    logo->setFocusPolicy(Qt::NoFocus);
    box->addWidget(logo, 1, Qt::AlignTop | Qt::AlignHCenter);

    m_container = new ChainContainer(this);
    auto *row = new QHBoxLayout(m_container);
    row->setContentsMargins(8, 0, 8, 8);
    m_mapper = new QSignalMapper(this);
    for (int module = 0; module < kButtonCount; ++module) {
        const QString name = imageName(module);
        auto *b = new CustomButton(QStringLiteral(":/img/chain/ON/%1-on.png").arg(name),
                                   QStringLiteral(":/img/chain/OFF/%1-off.png").arg(name), m_container);
        b->setObjectName(QStringLiteral("chainButton"));
        b->setFixedSize(kButtonWidth, kButtonHeight);
        b->setIconSize(QSize(CustomButton::kIconWidth, CustomButton::kIconHeight));
        row->addWidget(b);
        m_buttons << b;
        m_display << b;
        m_mapper->setMapping(b, module);
        connect(b, &QPushButton::clicked, m_mapper, qOverload<>(&QSignalMapper::map));
    }
    // The two ends of the effects loop always show the same state.
    connect(m_buttons[kSendModule], &CustomButton::switchStatusChanged, m_buttons[kReturnModule],
            &CustomButton::setSwitchStatus);
    connect(m_buttons[kReturnModule], &CustomButton::switchStatusChanged, m_buttons[kSendModule],
            &CustomButton::setSwitchStatus);
    box->addWidget(m_container, 6);

    connect(m_container, &ChainContainer::settled, this, &ChainPanel::recordSlots);
}

ChainPanel::~ChainPanel()
{
    for (const QPointer<QPropertyAnimation> &a : m_animations) {
        if (a)
            a->stop();
    }
}

CustomButton *ChainPanel::button(int module) const
{
    return (module >= 0 && module < m_buttons.size()) ? m_buttons.at(module) : nullptr;
}

int ChainPanel::moduleOf(const QObject *button) const
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons.at(i) == button)
            return i;
    }
    return -1;
}

QList<int> ChainPanel::displayModules() const
{
    QList<int> modules;
    for (CustomButton *b : m_display)
        modules << moduleOf(b);
    return modules;
}

int ChainPanel::displayIndexOf(int module) const
{
    return m_display.indexOf(button(module));
}

int ChainPanel::selectedModule() const
{
    for (int module = m_buttons.size() - 1; module >= 0; --module) {
        if (m_buttons.at(module)->isSelect())
            return module;
    }
    return -1;
}

void ChainPanel::setSelectedModule(int module)
{
    for (int i = 0; i < m_buttons.size(); ++i) {
        CustomButton *b = m_buttons.at(i);
        if (b->isSelect() != (i == module))
            b->setSelect(i == module);
    }
}

void ChainPanel::setSwitchImage(int module, bool on)
{
    if (CustomButton *b = button(module))
        b->setSwitchStatus(on);
}

void ChainPanel::refreshSwitches()
{
    const DeviceStore &store = m_link.store();
    for (int module = 0; module < m_buttons.size(); ++module) {
        const bool on = store.moduleSwitch(module);
        if (m_buttons.at(module)->switchStatus() != on)
            m_buttons.at(module)->setSwitchStatus(on);
    }
}

void ChainPanel::rebuildOrder()
{
    const DeviceStore &store = m_link.store();
    QList<CustomButton *> order;
    for (int position = 0; position < kChainLength; ++position) {
        CustomButton *b = button(store.chainModuleAt(position));
        if (b && !order.contains(b))
            order << b;
    }
    // A damaged order from the unit still shows every module once.
    for (CustomButton *b : qAsConst(m_buttons)) {
        if (!order.contains(b))
            order << b;
    }
    m_display = order;
    relayout();
}

void ChainPanel::relayout()
{
    auto *row = qobject_cast<QHBoxLayout *>(m_container->layout());
    if (!row)
        return;
    for (CustomButton *b : qAsConst(m_display))
        row->removeWidget(b);
    for (CustomButton *b : qAsConst(m_display))
        row->addWidget(b);
    row->invalidate();
    row->activate();
    m_container->update();
}

void ChainPanel::recordSlots()
{
    m_slots.clear();
    for (CustomButton *b : qAsConst(m_display))
        m_slots << b->pos();
}

bool ChainPanel::isSliding() const
{
    for (const QPointer<QPropertyAnimation> &a : m_animations) {
        if (a && a->state() == QAbstractAnimation::Running)
            return true;
    }
    return false;
}

bool ChainPanel::exchangeAllowed(int draggedIndex, int targetIndex) const
{
    const DeviceStore &store = m_link.store();
    const int dragged = moduleOf(m_display.at(draggedIndex));
    const int displaced = moduleOf(m_display.at(targetIndex));
    // CAB stays where it is while the two outputs treat the cabinet differently.
    if ((dragged == ModCab || displaced == ModCab) && store.systemSetting(13) != store.systemSetting(14))
        return false;
    // The loop's send never moves behind its return.
    const int send = displayIndexOf(kSendModule);
    const int ret = displayIndexOf(kReturnModule);
    auto after = [&](int index) {
        if (index == draggedIndex)
            return targetIndex;
        if (index == targetIndex)
            return draggedIndex;
        return index;
    };
    if (send < ret && after(send) > after(ret))
        return false;
    return true;
}

void ChainPanel::dragButton(CustomButton *dragged)
{
    if (!dragged || m_captureMode)
        return;
    const int from = m_display.indexOf(dragged);
    if (from < 0)
        return;
    if (m_slots.size() != m_display.size())
        recordSlots();
    const int count = m_display.size();
    const int slotWidth = m_container->width() / count;
    if (slotWidth <= 0)
        return;
    int to = (dragged->x() + dragged->width() / 2) / slotWidth;
    to = qBound(0, to, count - 1);
    if (to == from || !exchangeAllowed(from, to))
        return;

    CustomButton *displaced = m_display.at(to);
    auto *slide = new QPropertyAnimation(displaced, "pos", this);
    slide->setDuration(kSlideMs);
    slide->setEasingCurve(QEasingCurve::InOutBack);
    slide->setStartValue(displaced->pos());
    slide->setEndValue(m_slots.at(from));
    m_animations << slide;
    connect(slide, &QAbstractAnimation::finished, slide, &QObject::deleteLater);
    slide->start();

    m_display.swapItemsAt(from, to);
    storeAndSendOrder();
    emit orderChanged();
}

void ChainPanel::storeAndSendOrder()
{
    DeviceStore &store = m_link.store();
    std::uint8_t order[kChainLength];
    PresetEdit edit = store.editBufferEdit();
    for (int position = 0; position < kChainLength; ++position) {
        order[position] = static_cast<std::uint8_t>(moduleOf(m_display.at(position)));
        // The chain entries also carry each module's on/off, as ChainOrder does.
        edit.setChainEntryOn(position, store.moduleSwitch(position) ? 1 : 0);
    }
    store.setChainOrder(order);
    store.setModified(true);
    if (usbReceiveThread *unit = m_link.sender()) {
        unit->sendCurrentUi(PageCodes::kChainOrder);
        unit->sendChainOrder();
    }
}

void ChainPanel::releaseButton()
{
    for (const QPointer<QPropertyAnimation> &a : qAsConst(m_animations)) {
        if (a) {
            a->stop();
            a->deleteLater();
        }
    }
    m_animations.clear();
    // Nudge the pointer so the hover looks follow the new places.
    QCursor::setPos(QCursor::pos() + QPoint(1, 0));
    relayout();
}

void ChainPanel::setCaptureMode(bool on)
{
    m_captureMode = on;
    m_container->setEnabled(!on);
}
