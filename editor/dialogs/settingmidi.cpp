// The GLB-EQ, CTRL SETTING and MIDI SETTING pages of the settings pop-up,
// and the sub-pages that slide in over the column: the global EQ
// parameters, the CC chart and the two program-change tables.

#include "setting.h"

#include "animationstackedwidget.h"
#include "delegates.h"
#include "effectcatalogue.h"
#include "kt900style.h"
#include "parawidgetbase.h"
#include "parawidgetfactory.h"
#include "rowlayouts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalMapper>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

struct CcRow {
    const char *function;
    int cc;
    const char *value;
};

constexpr CcRow kCcChart[] = {
    {"MIDI BANK SELECT", 0, "0-1"},     {"FXA ON/OFF", 10, "0-127"},          {"DS/OD ON/OFF", 11, "0-127"},
    {"AMP ON/OFF", 12, "0-127"},        {"TONE CAPTURE ON/OFF", 13, "0-127"}, {"CAB ON/OFF", 14, "0-127"},
    {"NS ON/OFF", 15, "0-127"},         {"EQ ON/OFF", 16, "0-127"},           {"FX LOOP ON/OFF", 17, "0-127"},
    {"FXB ON/OFF", 18, "0-127"},        {"DELAY ON/OFF", 19, "0-127"},        {"REVERB ON/OFF", 20, "0-127"},
    {"RHYTHM ON/OFF", 21, "0-127"},     {"TUNER ENTER/EXIT", 22, "0-127"},    {"LOOPER ENTER/EXIT", 23, "0-127"},
    {"TAP TEMPO", 30, "0-127"},         {"LOOPER REC/DUB/PLAY", 50, "0-127"}, {"STOP", 51, "0-127"},
    {"CLEAR", 52, "0-127"},             {"REVERSE", 53, "0-127"},             {"1/2 SPEED", 54, "0-127"},
    {"EXP1 ON/OFF", 55, "0-127"},       {"EXP1 PEDAL", 56, "0-127"},          {"EXP2 PEDAL", 57, "0-127"},
    {"CTRL", 58, "0-127"},
};

QStandardItem *fixedItem(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setFlags(item->flags() & ~(Qt::ItemIsEditable | Qt::ItemIsEnabled));
    return item;
}

QStandardItem *editableItem(const QString &text)
{
    auto *item = new QStandardItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    item->setToolTip(QObject::tr("Double click to edit"));
    return item;
}

QStringList presetNames(bool spaced)
{
    QStringList names;
    for (int p = 0; p < Setting::kPresets; ++p)
        names << Setting::presetName(p, spaced);
    return names;
}

} // namespace

const QStringList &Setting::ctrlModuleNames()
{
    static const QStringList names = {
        QStringLiteral("FX A"), QStringLiteral("DS/OD"),  QStringLiteral("AMP"),      QStringLiteral("CAB"),
        QStringLiteral("NS"),   QStringLiteral("EQ"),     QStringLiteral("FX B"),     QStringLiteral("DELAY"),
        QStringLiteral("REVERB"), QStringLiteral("TONE CAP"), QStringLiteral("FXLOOP"),
    };
    return names;
}

// ---------------------------------------------------------------------------
// GLB-EQ

QWidget *Setting::buildGlbEq()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("GLB-EQ"), &box);
    addPair(box, tr("GLB-EQ"), 0, tr("OUTPUT&&PHONE"), tr("XLR"), QStringLiteral("glbEQ"), page);
    box->addStretch();
    return page;
}

QWidget *Setting::buildSubPageTop(const QString &title, const QString &titleName, QLabel **titleLabel, bool centred)
{
    auto *top = new QWidget;
    auto *row = new QHBoxLayout(top);
    row->setContentsMargins(0, 0, 8, 0);
    auto *back = new QPushButton(top);
    back->setObjectName(QStringLiteral("rollback"));
    back->setFocusPolicy(Qt::NoFocus);
    back->setCursor(Qt::PointingHandCursor);
    back->setToolTip(tr("Back"));
    connect(back, &QPushButton::clicked, this, &Setting::rollback);
    row->addWidget(back);
    if (centred)
        row->addStretch();
    auto *label = new QLabel(title, top);
    label->setObjectName(titleName);
    label->setAlignment(Qt::AlignCenter);
    row->addWidget(label);
    row->addStretch();
    if (titleLabel)
        *titleLabel = label;
    return top;
}

QWidget *Setting::buildGlbEqPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("glbeq"));
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(10, 0, 20, 10);
    box->addWidget(buildSubPageTop(tr("GLB-EQ>>OUTPUT&PHONE"), QStringLiteral("glbeq_Title"), &m_glbEqTitle, false));
    m_glbEqList = new QListWidget(page);
    m_glbEqList->setObjectName(QStringLiteral("glbeq_ListWidget"));
    m_glbEqList->setItemDelegate(new NoFocusDelegate(m_glbEqList));
    m_glbEqList->setSelectionMode(QAbstractItemView::NoSelection);
    m_glbEqList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_glbEqList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    box->addWidget(m_glbEqList);

    // The parameters of the global EQ: the first type of the last chain.
    const EffectCatalogue &catalogue = EffectCatalogue::instance();
    const int module = catalogue.chainCount() - 1;
    const int count = module >= 0 ? catalogue.paramCount(module, 0) : 0;
    for (int i = 0; i < count; ++i) {
        ParaWidgetBase *w = createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"),
                                             catalogue.param(module, 0, i), m_glbEqList);
        if (!w)
            continue;
        auto *item = new QListWidgetItem(m_glbEqList);
        item->setSizeHint(QSize(item->sizeHint().width(), 60));
        m_glbEqList->setItemWidget(item, w);
        m_glbEqWidgets << w;
        connect(w, &ParaWidgetBase::valueChanged, this, [this, w](int value) {
            if (m_pushing)
                return;
            for (int row = 0; row < m_glbEqList->count(); ++row) {
                if (m_glbEqList->itemWidget(m_glbEqList->item(row)) == w) {
                    if (row + 1 < kGlbEqValues)
                        m_glbEq[static_cast<std::size_t>(row + 1)] = value;
                    emit glbEqValueChanged(row + 1, value);
                    return;
                }
            }
        });
    }
    return page;
}

ParaWidgetBase *Setting::glbEqWidget(int row) const
{
    return m_glbEqWidgets.value(row, nullptr);
}

void Setting::setGlbEqTitle(int output)
{
    m_glbEqTitle->setText(output == 0 ? tr("GLB-EQ>>OUTPUT&PHONE") : tr("GLB-EQ>>XLR"));
}

void Setting::chooseGlbEqOutput(int output)
{
    setTwoState(0, output == 0, 0, true, false);
    setGlbEqTitle(output);
    m_stack->toIndex(StackGlbEq);
    m_glbEq[0] = output;
    emit glbEqValueChanged(0, output);
    emit systemValueChanged(-1, kGlbEqCode);
}

void Setting::setGlbEqValue(int index, int value)
{
    if (index < 0 || index >= kGlbEqValues)
        return;
    const QScopedValueRollback<bool> pushing(m_pushing, true);
    m_glbEq[static_cast<std::size_t>(index)] = value;
    if (index == 0) {
        setTwoState(0, value == 0, 0, true, false);
        setGlbEqTitle(value);
        return;
    }
    if (ParaWidgetBase *w = glbEqWidget(index - 1))
        w->setValue(qMax(0, value));
}

int Setting::glbEqValue(int index) const
{
    return (index >= 0 && index < kGlbEqValues) ? m_glbEq[static_cast<std::size_t>(index)] : -1;
}

// ---------------------------------------------------------------------------
// CTRL SETTING

QWidget *Setting::buildCtrl()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("CTRL SETTING"), &box, 10);
    page->setObjectName(QStringLiteral("ctrlSetting"));
    box->addSpacing(10);
    auto *modes = new QHBoxLayout;
    modes->setSpacing(5);
    modes->addStretch();
    static const char *const modeNames[3] = {"--NA--", "ON/OFF", "TAP"};
    for (int mode = 0; mode < 3; ++mode) {
        auto *b = new QPushButton(QLatin1String(modeNames[mode]), page);
        b->setObjectName(QStringLiteral("ctrlButton"));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedWidth(85);
        b->setProperty("status", QString::fromLatin1(Kt900Style::kUnselectedEnable));
        connect(b, &QPushButton::clicked, this, [this, mode]() {
            refreshCtrl(mode, -1, -1);
            emit ctrlValueChanged(0, mode);
        });
        m_ctrlModes[static_cast<std::size_t>(mode)] = b;
        modes->addWidget(b);
    }
    modes->addStretch();
    box->addLayout(modes);

    static const char *const panelNames[3] = {"naWidget", "onOffWidget", "tapWidget"};
    for (int mode = 0; mode < 3; ++mode) {
        auto *panel = new QWidget(page);
        panel->setObjectName(QLatin1String(panelNames[mode]));
        panel->setFixedHeight(85);
        m_ctrlPanels[static_cast<std::size_t>(mode)] = panel;
        box->addWidget(panel);
    }
    auto *grid = new QGridLayout(m_ctrlPanels[1]);
    grid->setContentsMargins(0, 4, 0, 0);
    grid->setHorizontalSpacing(5);
    grid->setVerticalSpacing(3);
    for (int i = 0; i < kCtrlModules; ++i) {
        auto *b = new QPushButton(ctrlModuleNames().at(i), m_ctrlPanels[1]);
        b->setObjectName(QStringLiteral("ctrlButton"));
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedWidth(85);
        b->setProperty("status", QString::fromLatin1(Kt900Style::kUnselectedEnable));
        connect(b, &QPushButton::clicked, this, [this, i]() { onCtrlModuleClicked(i); });
        m_ctrlGrid[static_cast<std::size_t>(i)] = b;
        grid->addWidget(b, i / 4, i % 4);
    }

    box->addStretch();
    return page;
}

QPushButton *Setting::ctrlModeButton(int mode) const
{
    return (mode >= 0 && mode < 3) ? m_ctrlModes[static_cast<std::size_t>(mode)] : nullptr;
}

QPushButton *Setting::ctrlModuleButton(int module) const
{
    return (module >= 0 && module < kCtrlModules) ? m_ctrlGrid[static_cast<std::size_t>(module)] : nullptr;
}

QWidget *Setting::ctrlPanel(int mode) const
{
    return (mode >= 0 && mode < 3) ? m_ctrlPanels[static_cast<std::size_t>(mode)] : nullptr;
}

int Setting::ctrlMask() const
{
    int mask = 0;
    for (int i = kCtrlModules - 1; i >= 0; --i) {
        mask <<= 1;
        if (m_ctrlGrid[static_cast<std::size_t>(i)]->property("status").toString()
            == QLatin1String(Kt900Style::kSelectedEnable))
            mask |= 1;
    }
    return mask;
}

void Setting::onCtrlModuleClicked(int module)
{
    QPushButton *b = m_ctrlGrid[static_cast<std::size_t>(module)];
    const bool selected = b->property("status").toString() == QLatin1String(Kt900Style::kSelectedEnable);
    b->setProperty("status", QString::fromLatin1(selected ? Kt900Style::kUnselectedEnable : Kt900Style::kSelectedEnable));
    Kt900Style::repolish(b);
    emit ctrlValueChanged(1, ctrlMask());
}

void Setting::refreshCtrl(int mode, int mask, int third)
{
    Q_UNUSED(third);
    if (mode >= 0 && mode <= 2) {
        m_ctrlMode = mode;
        for (int m = 0; m < 3; ++m) {
            QPushButton *b = m_ctrlModes[static_cast<std::size_t>(m)];
            const QString want = QString::fromLatin1(m == mode ? Kt900Style::kSelectedEnable : Kt900Style::kUnselectedEnable);
            if (b->property("status").toString() != want) {
                b->setProperty("status", want);
                Kt900Style::repolish(b);
            }
            m_ctrlPanels[static_cast<std::size_t>(m)]->setVisible(m == mode);
        }
    }
    if (mask != -1) {
        for (int j = 0; j < kCtrlModules; ++j) {
            QPushButton *b = m_ctrlGrid[static_cast<std::size_t>(j)];
            const QString want =
                QString::fromLatin1((mask >> j) & 1 ? Kt900Style::kSelectedEnable : Kt900Style::kUnselectedEnable);
            if (b->property("status").toString() != want) {
                b->setProperty("status", want);
                Kt900Style::repolish(b);
            }
        }
    }
}

// ---------------------------------------------------------------------------
// MIDI SETTING

QWidget *Setting::buildMidi()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("MIDI SETTING"), &box, 15);
    box->addSpacing(15);
    addPair(box, tr("TYPE"), 10, tr("MIDI IN"), tr("MIDI OUT"), QStringLiteral("midiType"), page);
    box->addSpacing(15);
    m_midiInGroup = buildMidiGroup(true);
    m_midiOutGroup = buildMidiGroup(false);
    box->addWidget(m_midiInGroup);
    box->addWidget(m_midiOutGroup);
    box->addStretch();
    return page;
}

QWidget *Setting::buildMidiGroup(bool midiIn)
{
    auto *group = new QWidget;
    group->setObjectName(midiIn ? QStringLiteral("inWidget") : QStringLiteral("outWidget"));
    auto *box = new QVBoxLayout(group);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(new LineWidget(QStringLiteral("\t    "), QStringLiteral("titleName"), group));
    auto *name = new QLabel(midiIn ? tr("MIDI IN") : tr("MIDI OUT"), group);
    name->setObjectName(QStringLiteral("rightLabel"));
    name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    box->addWidget(name);

    auto *channelRow = new QHBoxLayout;
    channelRow->addStretch(2);
    auto *channelLabel = new QLabel(tr("CHANNEL"), group);
    channelLabel->setObjectName(QStringLiteral("settingLabel"));
    channelLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    channelRow->addWidget(channelLabel);
    auto *combo = new QComboBox(group);
    combo->setObjectName(QStringLiteral("midiChannel"));
    combo->setFocusPolicy(Qt::NoFocus);
    for (int ch = 1; ch <= 16; ++ch)
        combo->addItem(QString::number(ch));
    if (midiIn)
        combo->addItem(QStringLiteral("OMNI"));
    m_channels[midiIn ? 0 : 1] = combo;
    const int index = midiIn ? 9 : 11;
    connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this, index](int value) { emitSystem(index, value); });
    channelRow->addWidget(combo);
    channelRow->addStretch(5);
    box->addLayout(channelRow);
    box->addSpacing(12);

    const int firstClock = midiIn ? 12 : 14;
    addPair(box, tr("SYNC MIDI CLOCK"), firstClock, tr("OFF"), tr("ON"), QStringLiteral("midiClock"), group);
    box->addSpacing(12);
    if (midiIn) {
        auto *row = new TwoButtonLayout({CcReference, tr("CC REFERENCE"), QStringLiteral("button")},
                                        {PcMappingIn, tr("PC MAPPING"), QStringLiteral("button")}, m_mapper, group);
        m_buttons[CcReference] = row->firstButton();
        m_buttons[PcMappingIn] = row->secondButton();
        box->addLayout(row);
    } else {
        QPushButton *b = createMappedButton({PcMappingOut, tr("PC MAPPING"), QStringLiteral("button")}, m_mapper, group);
        m_buttons[PcMappingOut] = b;
        box->addWidget(b, 0, Qt::AlignHCenter);
    }
    group->setFixedHeight(125);
    return group;
}

void Setting::setMidiType(bool midiIn, bool emitChange)
{
    setTwoState(10, midiIn, 8, true, emitChange);
    m_midiInGroup->setVisible(midiIn);
    m_midiOutGroup->setVisible(!midiIn);
}

// ---------------------------------------------------------------------------
// The table sub-pages

QWidget *Setting::buildTablePage(int stackPage)
{
    struct Look {
        const char *page;
        const char *title;
        const char *titleName;
    };
    static const Look looks[3] = {
        {"midiInCC", QT_TR_NOOP("CC REFERENCE\nMIDI IN"), "midiInCC_Title"},
        {"midiInPC", QT_TR_NOOP("PC MAPPING\nMIDI IN"), "midiInPC_Title"},
        {"midiOutPC", QT_TR_NOOP("PC MAPPING\nMIDI OUT"), "midiOutPC_Title"},
    };
    const int k = stackPage - StackCcReference;
    const Look &look = looks[k];
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(look.page));
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(10, 0, 20, 10);
    box->addWidget(buildSubPageTop(tr(look.title), QLatin1String(look.titleName), nullptr, true));

    auto *model = new QStandardItemModel(page);
    auto *view = new QTableView(page);
    view->setModel(model);
    view->setShowGrid(true);
    view->verticalHeader()->hide();
    view->setFocusPolicy(Qt::NoFocus);
    m_models[static_cast<std::size_t>(k)] = model;
    m_tables[static_cast<std::size_t>(k)] = view;
    switch (stackPage) {
    case StackCcReference:
        fillCcReference(model);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setItemDelegate(new NoFocusDelegate(view));
        break;
    case StackPcMidiIn:
        fillPcMidiIn(model);
        view->setEditTriggers(QAbstractItemView::DoubleClicked);
        view->setItemDelegateForColumn(2, new ComboBoxDelegate(presetNames(true), view));
        break;
    default:
        fillPcMidiOut(model);
        view->setEditTriggers(QAbstractItemView::DoubleClicked);
        view->setItemDelegateForColumn(1, new LineEditDelegate(0, 127, view));
        break;
    }
    QHeaderView *header = view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Stretch);
    header->setDefaultAlignment(Qt::AlignCenter);
    if (stackPage != StackCcReference) {
        connect(model, &QStandardItemModel::itemChanged, this,
                [this, stackPage](QStandardItem *item) { onTableItemChanged(stackPage, item); });
    }
    box->addWidget(view);
    return page;
}

void Setting::fillCcReference(QStandardItemModel *model)
{
    model->setHorizontalHeaderLabels({tr("FUNCTION"), tr("CC#"), tr("VALUE")});
    for (const CcRow &row : kCcChart) {
        QList<QStandardItem *> items;
        for (const QString &text : {QString::fromLatin1(row.function), QString::number(row.cc),
                                    QString::fromLatin1(row.value)}) {
            auto *item = new QStandardItem(text);
            item->setTextAlignment(Qt::AlignCenter);
            item->setEditable(false);
            items << item;
        }
        model->appendRow(items);
    }
}

void Setting::fillPcMidiIn(QStandardItemModel *model)
{
    model->setHorizontalHeaderLabels({tr("MIDI BANK"), tr("PC#"), tr("PATCH")});
    static const char letters[3] = {'A', 'B', 'C'};
    for (int r = 0; r < kMidiInRows; ++r) {
        model->appendRow({fixedItem(QString::number(r >> 7)), fixedItem(QString::number(r & 127)),
                          editableItem(QStringLiteral("1 %2").arg(QLatin1Char(letters[r % 3])))});
    }
}

void Setting::fillPcMidiOut(QStandardItemModel *model)
{
    model->setHorizontalHeaderLabels({tr("PATCH"), tr("PC#")});
    for (int r = 0; r < kMidiOutRows; ++r)
        model->appendRow({fixedItem(presetName(r, false)), editableItem(QString::number(r))});
}

QTableView *Setting::table(int stackPage) const
{
    const int k = stackPage - StackCcReference;
    return (k >= 0 && k < 3) ? m_tables[static_cast<std::size_t>(k)] : nullptr;
}

QStandardItemModel *Setting::tableModel(int stackPage) const
{
    const int k = stackPage - StackCcReference;
    return (k >= 0 && k < 3) ? m_models[static_cast<std::size_t>(k)] : nullptr;
}

void Setting::onTableItemChanged(int stackPage, QStandardItem *item)
{
    if (m_pushing)
        return;
    const int row = item->row();
    if (stackPage == StackPcMidiIn) {
        if (item->column() != 2)
            return;
        static const QStringList names = presetNames(true);
        const int position = names.indexOf(item->text());
        if (row < m_midiIn.size())
            m_midiIn[row] = position;
        emit midiValueChanged(18, row, position);
    } else {
        if (item->column() != 1)
            return;
        bool ok = false;
        const int value = item->text().toInt(&ok);
        if (!ok)
            return;
        if (row < m_midiOut.size())
            m_midiOut[row] = value;
        emit midiValueChanged(19, row, value);
    }
}

void Setting::setMidiTable(int type, const QVector<int> &values)
{
    if (type != 18 && type != 19)
        return;
    const QScopedValueRollback<bool> pushing(m_pushing, true);
    if (type == 18) {
        m_midiIn = values.mid(0, kMidiInRows);
        QStandardItemModel *model = m_models[1];
        for (int r = 0; r < m_midiIn.size(); ++r)
            model->item(r, 2)->setText(presetName(m_midiIn.at(r), true));
    } else {
        m_midiOut = values.mid(0, kMidiOutRows);
        QStandardItemModel *model = m_models[2];
        for (int r = 0; r < m_midiOut.size(); ++r)
            model->item(r, 1)->setText(QString::number(m_midiOut.at(r)));
    }
}

QVector<int> Setting::midiTable(int type) const
{
    if (type == 18)
        return m_midiIn;
    if (type == 19)
        return m_midiOut;
    return {};
}
