#include "modulepanel.h"

#include "delegates.h"
#include "devicestore.h"
#include "effectcatalogue.h"
#include "pagecodes.h"
#include "parawidgetbase.h"
#include "parawidgetfactory.h"
#include "sendcoalescer.h"
#include "unitlink.h"
#include "usbreceivethread.h"
#include "valuemodel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Kt900;

namespace {

const ParaInfo &sourceSyncParam()
{
    static const ParaInfo info = [] {
        ParaInfo p;
        p.name = QStringLiteral("Source Sync");
        p.kind = ParamKind::Options;
        p.options = QStringList{QStringLiteral("OFF"), QStringLiteral("ON")};
        return p;
    }();
    return info;
}

QString captureSlotLabel(int slot, const QString &name)
{
    const QString trimmed = name.trimmed();
    return QStringLiteral("%1:%2").arg(slot + 1, 2, 10, QLatin1Char('0'))
        .arg(trimmed.isEmpty() ? QStringLiteral("EMPTY") : trimmed);
}

// The type list's rows; an import-slot row's text ends before its buttons.
class TypeListDelegate : public NoFocusDelegate
{
public:
    using NoFocusDelegate::NoFocusDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        NoFocusDelegate::initStyleOption(option, index);
        const auto *view = qobject_cast<const QAbstractItemView *>(option->widget);
        QWidget *row = view ? view->indexWidget(index) : nullptr;
        const QPushButton *add = row ? row->findChild<QPushButton *>(QStringLiteral("addButton")) : nullptr;
        if (!add)
            return;
        const int room = add->x() - 12;
        if (room > 0)
            option->text = option->fontMetrics.elidedText(option->text, Qt::ElideRight, room);
    }
};

} // namespace

ModulePanel::ModulePanel(UnitLink &link, SendCoalescer &coalescer, QWidget *parent)
    : QSplitter(Qt::Horizontal, parent)
    , m_link(link)
    , m_coalescer(&coalescer)
{
    setObjectName(QStringLiteral("moduleSplitter"));
    setChildrenCollapsible(false);

    // Left column: name and switch above the type list.
    auto *column = new QWidget(this);
    column->setObjectName(QStringLiteral("moduleNameWidget"));
    column->setAttribute(Qt::WA_StyledBackground);
    auto *columnBox = new QVBoxLayout(column);
    columnBox->setContentsMargins(0, 0, 0, 0);
    columnBox->setSpacing(0);
    auto *top = new QWidget(column);
    top->setObjectName(QStringLiteral("moduleNameTopWidget"));
    top->setAttribute(Qt::WA_StyledBackground);
    auto *topBox = new QHBoxLayout(top);
    topBox->setContentsMargins(0, 0, 0, 0);
    m_name = new QLabel(top);
    m_name->setObjectName(QStringLiteral("moduleName"));
    m_name->setFixedHeight(35);
    m_switch = new QRadioButton(top);
    m_switch->setObjectName(QStringLiteral("moduleSwitch"));
    m_switch->setAutoExclusive(false);
    m_switch->setFocusPolicy(Qt::NoFocus);
    m_switch->setCursor(Qt::PointingHandCursor);
    m_switch->setToolTip(tr("Module on / off"));
    m_switch->setEnabled(false);
    topBox->addWidget(m_name);
    topBox->addStretch();
    topBox->addWidget(m_switch);
    columnBox->addWidget(top);

    m_types = new QListWidget(column);
    m_types->setObjectName(QStringLiteral("moduleNameListWidget"));
    m_types->setMinimumWidth(135);
    m_types->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_types->setItemDelegate(new TypeListDelegate(m_types));
    columnBox->addWidget(m_types);
    addWidget(column);

    // Right: the parameter rows, as many as the largest type needs.
    m_paras = new QListWidget(this);
    m_paras->setObjectName(QStringLiteral("moduleParaListWidget"));
    m_paras->setItemDelegate(new NoFocusDelegate(m_paras));
    m_paras->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_paras->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_paras->verticalScrollBar()->setSingleStep(20);
    m_paras->setSelectionMode(QAbstractItemView::NoSelection);
    m_paras->setFocusPolicy(Qt::NoFocus);
    const int rows = qMax(1, EffectCatalogue::instance().maxParamCount());
    for (int row = 0; row < rows; ++row) {
        auto *item = new QListWidgetItem(m_paras);
        item->setSizeHint(QSize(0, kRowHeight));
        item->setFlags(Qt::ItemIsEnabled);
        m_paras->setRowHidden(row, true);
        m_rows << nullptr;
    }
    addWidget(m_paras);
    setStretchFactor(0, 1);
    setStretchFactor(1, 5);
    m_types->viewport()->installEventFilter(this);
    m_paras->viewport()->installEventFilter(this);

    connect(m_types, &QListWidget::currentRowChanged, this, &ModulePanel::onTypeRowChanged);
    connect(m_switch, &QRadioButton::toggled, this, &ModulePanel::onSwitchToggled);
    // The coalescer may outlive the panel (or go first) while the window is
    // taken down: the handlers hold a guard, not the panel.
    const QPointer<ModulePanel> guard(this);
    m_coalescer->setHandler(SendCoalescer::ModuleParams, [guard]() {
        if (guard)
            guard->sendPending(SendCoalescer::ModuleParams);
    });
    m_coalescer->setHandler(SendCoalescer::ModuleType, [guard]() {
        if (guard)
            guard->sendPending(SendCoalescer::ModuleType);
    });
}

ModulePanel::~ModulePanel() = default;

// --- what the panel shows ---------------------------------------------------

QString ModulePanel::moduleName(int module) const
{
    if (module == kToneCapModule)
        return QStringLiteral("TONE CAP");
    return EffectCatalogue::instance().chainName(module);
}

QStringList ModulePanel::typeNames(int module) const
{
    if (module == kToneCapModule) {
        QStringList names;
        for (int slot = 0; slot < kCaptureSlots; ++slot)
            names << captureSlotLabel(slot, m_link.store().slotName(ListCapture, slot));
        return names;
    }
    return EffectCatalogue::instance().typeNames(module);
}

int ModulePanel::paramCount(int module, int type) const
{
    if (module == kToneCapModule)
        return (type >= 0 && type < kCaptureSlots) ? 1 : 0;
    return qMax(0, EffectCatalogue::instance().paramCount(module, type));
}

const ParaInfo *ModulePanel::param(int module, int type, int index) const
{
    if (module == kToneCapModule)
        return index == 0 ? &sourceSyncParam() : nullptr;
    return EffectCatalogue::instance().param(module, type, index);
}

int ModulePanel::modelType(int module) const
{
    return m_link.store().editBuffer().moduleType(module);
}

QString ModulePanel::valueColor(int module) const
{
    return m_valueColors.value(module, QStringLiteral("#c0d23c"));
}

QString ModulePanel::backgroundColor(int module) const
{
    return m_backgroundColors.value(module, QStringLiteral("#414141"));
}

void ModulePanel::setColors(const QStringList &valueColors, const QStringList &backgroundColors)
{
    m_valueColors = valueColors;
    m_backgroundColors = backgroundColors;
}

void ModulePanel::setParaColor(const QString &backgroundColor, const QString &valueColor)
{
    for (QString &c : m_valueColors)
        c = valueColor;
    for (QString &c : m_backgroundColors)
        c = backgroundColor;
    for (ParaWidgetBase *w : qAsConst(m_rows)) {
        if (w)
            w->setColor(backgroundColor, valueColor);
    }
}

ParaWidgetBase *ModulePanel::paraWidget(int row) const
{
    return (row >= 0 && row < m_rows.size()) ? m_rows.at(row) : nullptr;
}

int ModulePanel::rowOf(const QObject *widget) const
{
    if (!widget)
        return -1;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row) == widget)
            return row;
    }
    return -1;
}

int ModulePanel::typeColumnWant() const
{
    m_types->ensurePolished();
    const QFontMetrics fm(m_types->font());
    const EffectCatalogue &catalogue = EffectCatalogue::instance();
    int widest = 0;
    for (int module = 0; module <= ModFxLoopReturn; ++module) {
        for (const QString &name : catalogue.typeNames(module))
            widest = qMax(widest, fm.horizontalAdvance(name));
    }
    const int extras = 6 + 6 + m_types->verticalScrollBar()->sizeHint().width() + 2 * m_types->frameWidth() + 4;
    return qMax(m_types->minimumWidth(), widest + extras);
}

void ModulePanel::fitColumns()
{
    const int total = width() - handleWidth();
    if (total <= 0)
        return;
    const int types = qMin(typeColumnWant(), total / 3);
    setSizes({types, total - types});
}

// --- showing a module -------------------------------------------------------

QWidget *ModulePanel::slotRowWidget(QWidget *parent)
{
    auto *row = new QWidget(parent);
    row->setObjectName(QStringLiteral("slotRowWidget"));
    auto *box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addStretch(10);
    box->addStretch();
    auto *add = new QPushButton(row);
    add->setObjectName(QStringLiteral("addButton"));
    add->setFocusPolicy(Qt::NoFocus);
    add->setToolTip(tr("Import a file into this slot"));
    auto *remove = new QPushButton(row);
    remove->setObjectName(QStringLiteral("deleteButton"));
    remove->setFocusPolicy(Qt::NoFocus);
    remove->setToolTip(tr("Empty this slot"));
    box->addWidget(add);
    box->addWidget(remove);
    box->addStretch(1);
    connect(add, &QPushButton::clicked, this, [this, add]() {
        emit importRequested(add->mapToGlobal(add->rect().center()));
    });
    connect(remove, &QPushButton::clicked, this, [this, remove]() {
        emit deleteRequested(remove->mapToGlobal(remove->rect().center()));
    });
    return row;
}

void ModulePanel::fillTypes(int module)
{
    const QSignalBlocker block(m_types);
    m_types->clear();
    const EffectCatalogue &catalogue = EffectCatalogue::instance();
    const QStringList names = typeNames(module);
    for (int type = 0; type < names.size(); ++type) {
        auto *item = new QListWidgetItem(names.at(type), m_types);
        if (module != kToneCapModule && catalogue.isImportSlot(module, type)) {
            QWidget *row = slotRowWidget(m_types);
            row->setToolTip(names.at(type));
            m_types->setItemWidget(item, row);
        }
    }
}

void ModulePanel::setTypeText(int row, const QString &text)
{
    QListWidgetItem *item = m_types->item(row);
    if (!item)
        return;
    item->setText(text);
    if (QWidget *w = m_types->itemWidget(item))
        w->setToolTip(text);
}

void ModulePanel::showModule(int module)
{
    m_module = module;
    fillTypes(module);
    m_name->setText(moduleName(module));
    m_switch->setEnabled(module >= 0 && module < kModuleCount);
    refreshSwitch();
    const int type = modelType(module);
    {
        const QSignalBlocker block(m_types);
        m_types->setCurrentRow(type);
        if (QListWidgetItem *item = m_types->item(type))
            m_types->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    }
    buildParaWidgets(module, type);
}

void ModulePanel::refreshSwitch()
{
    if (m_module < 0)
        return;
    const bool on = m_link.store().moduleSwitch(m_module);
    {
        const QSignalBlocker block(m_switch);
        m_switch->setChecked(on);
    }
    emit switchToggled(m_module, on);
}

bool ModulePanel::eventFilter(QObject *watched, QEvent *event)
{
    // On some window systems a list resized around the time its row widgets
    // were placed keeps them at the old width (the value column then runs off
    // the window): lay the rows out again once the resize has settled.
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Show)
        && (watched == m_paras->viewport() || watched == m_types->viewport()) && !m_rowLayoutPending) {
        m_rowLayoutPending = true;
        QTimer::singleShot(0, this, [this] {
            m_rowLayoutPending = false;
            m_paras->doItemsLayout();
            m_types->doItemsLayout();
        });
    }
    return QSplitter::eventFilter(watched, event);
}

void ModulePanel::buildParaWidgets(int module, int type)
{
    // Remove the rows of the type shown before.
    for (int row = 0; row < m_rows.size(); ++row) {
        if (ParaWidgetBase *old = m_rows.at(row)) {
            old->disconnect(this);
            m_paras->removeItemWidget(m_paras->item(row));
            delete old;
            m_rows[row] = nullptr;
        }
        m_paras->setRowHidden(row, true);
    }
    m_type = type;
    const int count = qMin(paramCount(module, type), m_rows.size());
    for (int row = 0; row < count; ++row) {
        ParaWidgetBase *w = createParaWidget(backgroundColor(module), valueColor(module), param(module, type, row));
        if (!w)
            continue;
        m_rows[row] = w;
        m_paras->setItemWidget(m_paras->item(row), w);
        loadValue(row);
        connect(w, &ParaWidgetBase::valueChanged, this, [this, w](int value) { paraValueChanged(w, value); });
        m_paras->setRowHidden(row, false);
    }
    for (int row = 0; row < count; ++row)
        applyDependency(row);
    m_paras->scrollToTop();
}

void ModulePanel::loadValue(int row)
{
    ParaWidgetBase *w = paraWidget(row);
    if (!w || m_module < 0)
        return;
    const int raw = ValueModel::getParam(m_link.store(), kEditBuffer, m_module, row);
    if (raw < 0)
        return;
    const QSignalBlocker block(w);
    w->setValue(raw);
}

void ModulePanel::refreshModule()
{
    if (m_module < 0)
        return;
    refreshSwitch();
    const int type = modelType(m_module);
    if (type != m_type) {
        const QSignalBlocker block(m_types);
        m_types->setCurrentRow(type);
        buildParaWidgets(m_module, type);
        return;
    }
    for (int row = 0; row < m_rows.size(); ++row)
        loadValue(row);
    for (int row = 0; row < m_rows.size(); ++row)
        applyDependency(row);
}

void ModulePanel::applyDependency(int row)
{
    const int module = m_module;
    const int type = m_type;
    auto follow = [this](int timeRow, int subRow) {
        ParaWidgetBase *time = paraWidget(timeRow);
        if (!time)
            return;
        loadValue(timeRow);
        const int sub = ValueModel::getParam(m_link.store(), kEditBuffer, m_module, subRow);
        time->setEnable(sub == 0);
    };
    if ((module == ModFxa && type == 25 && row == 3) || (module == ModFxb && type == 26 && row == 3)
        || (module == ModDelay && type >= 0 && type <= 7 && row == 3)) {
        follow(2, 3);
    } else if (module == ModDelay && type == 8 && (row == 3 || row == 5)) {
        follow(row - 1, row);
    } else if ((module == ModFxLoopSend || module == ModFxLoopReturn) && row == 3) {
        if (ParaWidgetBase *mix = paraWidget(2))
            mix->setEnable(ValueModel::getParam(m_link.store(), kEditBuffer, module, 3) != 0);
    }
}

// --- edits -------------------------------------------------------------------

void ModulePanel::paraValueChanged(ParaWidgetBase *widget, int value)
{
    const int row = rowOf(widget);
    if (row < 0 || m_module < 0)
        return;
    DeviceStore &store = m_link.store();
    if (ValueModel::getParam(store, kEditBuffer, m_module, row) == value)
        return;
    if (!ValueModel::setParam(store, kEditBuffer, m_module, m_type, row, value))
        return;
    store.setModified(true);
    applyDependency(row);
    m_dirtyParams.insert(m_module);
    if (m_coalescer)
        m_coalescer->request(SendCoalescer::ModuleParams);
    emit parameterEdited(m_module, row, value);
}

void ModulePanel::onTypeRowChanged(int row)
{
    if (m_module < 0 || row < 0 || row >= m_types->count())
        return;
    if (row == modelType(m_module)) {
        if (row != m_type)
            buildParaWidgets(m_module, row);
        return;
    }
    if (!ValueModel::changeType(m_link.store(), m_module, row)) {
        // Not a type the model takes: stay on the model's type.
        const QSignalBlocker block(m_types);
        m_types->setCurrentRow(modelType(m_module));
        return;
    }
    m_link.store().setModified(true);
    // The rows follow at once, so no edit lands on the rows of the old type.
    buildParaWidgets(m_module, row);
    m_dirtyTypes.insert(m_module);
    if (m_coalescer)
        m_coalescer->request(SendCoalescer::ModuleType);
    emit typeChanged(m_module, row);
}

void ModulePanel::onSwitchToggled(bool on)
{
    if (m_module < 0)
        return;
    emit switchToggled(m_module, on);
    DeviceStore &store = m_link.store();
    if (store.moduleSwitch(m_module) == on)
        return;
    ValueModel::setSwitch(store, kEditBuffer, m_module, on ? 1 : 0);
    store.setModified(true);
    if (usbReceiveThread *unit = m_link.sender()) {
        unit->sendCurrentUi(PageCodes::forModule(m_module));
        unit->sendModuleParams(m_module);
    }
}

void ModulePanel::sendPending(int kind)
{
    QSet<int> &dirty = kind == SendCoalescer::ModuleType ? m_dirtyTypes : m_dirtyParams;
    const QSet<int> modules = dirty;
    dirty.clear();
    usbReceiveThread *unit = m_link.sender();
    if (!unit)
        return;
    if (m_module >= 0)
        unit->sendCurrentUi(PageCodes::forModule(m_module));
    QList<int> ordered = modules.values();
    std::sort(ordered.begin(), ordered.end());
    // The shown module last, so the unit ends on the page the user sees.
    if (ordered.removeOne(m_module))
        ordered << m_module;
    for (int module : qAsConst(ordered))
        unit->sendModuleParams(module);
}
