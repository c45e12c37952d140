#include "setting.h"

#include "animationstackedwidget.h"
#include "appconfig.h"
#include "delegates.h"
#include "kt900style.h"
#include "parawidgetbase.h"
#include "popupframe.h"
#include "rowlayouts.h"
#include "sliderwithspinbox.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalMapper>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

// Height of each page in the settings column, by page list row.
constexpr int kPageHeights[Setting::kPageCount] = {80, 190, 80, 300, 80, 200, 80, 80, 80, 80, 80, 80, 80, 80};

constexpr const char *kSliderBackground = "#414141";
constexpr const char *kSliderValue = "#c0d23c";

// The value widget that shows each slider system setting.
int valueWidgetFor(int systemIndex)
{
    switch (systemIndex) {
    case 0: return Setting::InputLevel;
    case 4: return Setting::RecVol;
    case 5: return Setting::Mix;
    case 6: return Setting::PlayVol;
    case 17: return Setting::Brightness;
    default: return -1;
    }
}

// The first button of the pair that shows each two-state system setting
// (1, 2, 3 follow the audio mode; 8 the MIDI type).
int pairFor(int systemIndex)
{
    switch (systemIndex) {
    case 1: return 2;
    case 2: return 4;
    case 3: return 6;
    case 7: return 8;
    case 8: return 10;
    case 10: return 12;
    case 12: return 14;
    case 13: return 16;
    case 14: return 18;
    case 15: return 20;
    case 16: return 22;
    default: return -1;
    }
}

} // namespace

const QStringList &Setting::pageNames()
{
    static const QStringList names = {
        QStringLiteral("GLB-EQ"),     QStringLiteral("CTRL SETTING"), QStringLiteral("INPUT LEVEL"),
        QStringLiteral("USB AUDIO"),  QStringLiteral("TAP TEMPO"),    QStringLiteral("MIDI SETTING"),
        QStringLiteral("CAB SIM THRU"), QStringLiteral("TRAIL"),      QStringLiteral("LOOPER MODE"),
        QStringLiteral("SCREEN"),     QStringLiteral("RESET"),        QStringLiteral("BACKUP"),
        QStringLiteral("COLOR"),      QStringLiteral("ABOUT"),
    };
    return names;
}

const QStringList &Setting::inputLevels()
{
    static const QStringList levels = {
        QStringLiteral("-\u221E dB"), QStringLiteral("-60 dB"), QStringLiteral("-45 dB"), QStringLiteral("-35 dB"),
        QStringLiteral("-30 dB"),     QStringLiteral("-25 dB"), QStringLiteral("-20 dB"), QStringLiteral("-10 dB"),
        QStringLiteral("-5 dB"),      QStringLiteral("0 dB"),   QStringLiteral("0.5 dB"), QStringLiteral("1.0 dB"),
        QStringLiteral("1.5 dB"),     QStringLiteral("2.0 dB"), QStringLiteral("2.5 dB"), QStringLiteral("3.0 dB"),
        QStringLiteral("3.5 dB"),     QStringLiteral("4.0 dB"), QStringLiteral("4.5 dB"), QStringLiteral("5.0 dB"),
        QStringLiteral("5.5 dB"),     QStringLiteral("6.0 dB"),
    };
    return levels;
}

QString Setting::presetName(int index, bool spaced)
{
    if (index < 0)
        return QString();
    static const char letters[3] = {'A', 'B', 'C'};
    const QString pattern = spaced ? QStringLiteral("%1 %2") : QStringLiteral("%1%2");
    return pattern.arg(index / 3 + 1).arg(QLatin1Char(letters[index % 3]));
}

Setting::Setting(QWidget *parent)
    : QDialog(parent)
{
    m_system.fill(-1);
    m_glbEq.fill(-1);
    PopupFrame::setUp(this, QStringLiteral("setting"), kWidth, kHeight);
    m_mapper = new QSignalMapper(this);
    for (const QString &name : pageNames())
        m_pageNames << tr(name.toUtf8().constData());

    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("settingWidget"));
    outer->addWidget(frame);

    auto *frameBox = new QHBoxLayout(frame);
    frameBox->setContentsMargins(0, 0, 0, 0);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(30, 0, 0, 0);
    body->setSpacing(0);
    frameBox->addLayout(body);

    // Title row: the title image, the close button.
    auto *titleRow = new QHBoxLayout;
    titleRow->setContentsMargins(0, 0, 0, 0);
    auto *title = new QWidget(frame);
    title->setObjectName(QStringLiteral("settingTitle"));
    title->setFixedSize(140, 25);
    titleRow->addWidget(title, 0, Qt::AlignLeft | Qt::AlignBottom);
    titleRow->addStretch();
    m_close = PopupFrame::closeButton(frame);
    titleRow->addWidget(m_close, 0, Qt::AlignRight | Qt::AlignTop);
    body->addLayout(titleRow, 1);

    // Main row: page list, separator, sliding stack.
    auto *mainRow = new QHBoxLayout;
    mainRow->setContentsMargins(0, 0, 0, 0);
    m_pageList = new QListWidget(frame);
    m_pageList->setObjectName(QStringLiteral("listWidgetLeft"));
    m_pageList->setItemDelegate(new NoFocusDelegate(m_pageList));
    m_pageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const QString &name : m_pageNames) {
        auto *item = new QListWidgetItem(name, m_pageList);
        item->setTextAlignment(Qt::AlignCenter);
    }
    mainRow->addWidget(m_pageList, 2);
    auto *line = new QWidget(frame);
    line->setObjectName(QStringLiteral("lineWidget"));
    line->setFixedSize(2, 374);
    mainRow->addWidget(line, 0);

    m_stack = new AnimationStackedWidget(frame);
    m_column = new QListWidget;
    m_column->setObjectName(QStringLiteral("listWidgetRight"));
    m_column->setItemDelegate(new NoFocusDelegate(m_column));
    m_column->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_column->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_column->setSelectionMode(QAbstractItemView::NoSelection);
    for (int row = 0; row < kPageCount; ++row) {
        auto *item = new QListWidgetItem(m_column);
        QWidget *page = buildPage(row);
        m_pages[static_cast<std::size_t>(row)] = page;
        item->setSizeHint(QSize(300, kPageHeights[row]));
        m_column->setItemWidget(item, page);
    }
    m_stack->addWidget(m_column);
    m_stack->addWidget(buildTablePage(StackCcReference));
    m_stack->addWidget(buildTablePage(StackPcMidiIn));
    m_stack->addWidget(buildTablePage(StackPcMidiOut));
    m_stack->addWidget(buildGlbEqPage());
    mainRow->addWidget(m_stack, 8);
    body->addLayout(mainRow, 6);

    m_pageList->setCurrentRow(0);

    connect(m_close, &QPushButton::clicked, this, [this]() {
        emit systemValueChanged(-1, -1);
        m_stack->setCurrentIndex(StackColumn);
        hide();
    });
    connect(m_pageList, &QListWidget::currentRowChanged, this, &Setting::onPageRowChanged);
    connect(m_column->verticalScrollBar(), &QScrollBar::valueChanged, this, &Setting::onColumnScrolled);
    connect(m_stack, &AnimationStackedWidget::animationFinished, this, [this]() {
        if (m_stack->currentIndex() == StackColumn)
            m_column->verticalScrollBar()->setValue(m_pageList->currentRow());
    });
    connect(m_mapper, &QSignalMapper::mappedInt, this, &Setting::buttonClick);
    refreshCtrl(1, -1, -1);
}

void Setting::showEvent(QShowEvent *event)
{
    fitPages();
    QDialog::showEvent(event);
}

void Setting::fitPages()
{
    // The rows keep their heights unless the controls need more with the
    // font and style sheets in force; fixed-height blocks grow the same way.
    const auto grow = [](QWidget *w, int height) {
        if (w && w->layout())
            w->setFixedHeight(qMax(height, w->layout()->sizeHint().height()));
    };
    grow(m_ctrlPanels[1], 85);
    m_ctrlPanels[0]->setFixedHeight(m_ctrlPanels[1]->height());
    m_ctrlPanels[2]->setFixedHeight(m_ctrlPanels[1]->height());
    grow(m_midiInGroup, 125);
    grow(m_midiOutGroup, 125);
    for (int row = 0; row < kPageCount; ++row) {
        QWidget *page = m_pages[static_cast<std::size_t>(row)];
        page->ensurePolished();
        for (QWidget *child : page->findChildren<QWidget *>())
            child->ensurePolished();
        const int height = qMax(kPageHeights[row], page->minimumSizeHint().height());
        QListWidgetItem *item = m_column->item(row);
        if (item->sizeHint().height() != height)
            item->setSizeHint(QSize(300, height));
    }
}

// ---------------------------------------------------------------------------
// The pages of the column

QWidget *Setting::newPage(const QString &title, QVBoxLayout **box, int bottomMargin)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("settingPage"));
    auto *b = new QVBoxLayout(page);
    b->setContentsMargins(10, 2, 30, bottomMargin);
    b->setSpacing(0);
    b->addWidget(new LineWidget(title, QStringLiteral("titleName"), page));
    *box = b;
    return page;
}

void Setting::addPair(QVBoxLayout *box, const QString &label, int firstId, const QString &first,
                      const QString &second, const QString &objectName, QWidget *page, bool withLine)
{
    const ButtonDescription a{firstId, first, objectName};
    const ButtonDescription b{firstId + 1, second, objectName};
    QPushButton *one = nullptr;
    QPushButton *two = nullptr;
    if (withLine) {
        auto *row = new LineAndLabelWithTwoButtonLayout(label, a, b, m_mapper, page);
        one = row->firstButton();
        two = row->secondButton();
        box->addLayout(row);
    } else {
        auto *row = new LabelWithTwoButtonLayout(label, a, b, m_mapper, page);
        one = row->firstButton();
        two = row->secondButton();
        box->addLayout(row);
    }
    m_buttons[static_cast<std::size_t>(firstId)] = one;
    m_buttons[static_cast<std::size_t>(firstId + 1)] = two;
}

ParaWidgetBase *Setting::addSlider(QVBoxLayout *box, QWidget *page, int which, int systemIndex)
{
    auto *slider = new SliderWithSpinBox(QString::fromLatin1(kSliderBackground), QString::fromLatin1(kSliderValue),
                                         page);
    m_values[static_cast<std::size_t>(which)] = slider;
    connect(slider, &ParaWidgetBase::valueChanged, this,
            [this, systemIndex](int position) { emitSystem(systemIndex, position); });
    box->addWidget(slider);
    return slider;
}

QWidget *Setting::buildPage(int row)
{
    QVBoxLayout *box = nullptr;
    QWidget *page = nullptr;
    switch (row) {
    case PageGlbEq: return buildGlbEq();
    case PageCtrl: return buildCtrl();
    case PageInputLevel: return buildInputLevel();
    case PageUsbAudio: return buildUsbAudio();
    case PageMidi: return buildMidi();
    case PageCabSim: return buildCabSim();
    case PageScreen: return buildScreen();
    case PageReset: return buildReset();
    case PageBackup: return buildBackup();
    case PageColor: return buildColor();
    case PageAbout: return buildAbout();
    case PageTapTempo:
        page = newPage(tr("TAP TEMPO"), &box);
        addPair(box, tr("TAP TEMPO"), 8, tr("PRESET"), tr("GLOBAL"), QStringLiteral("tapTempo"), page);
        break;
    case PageTrail:
        page = newPage(tr("TRAIL"), &box);
        addPair(box, tr("TRAIL"), 20, tr("OFF"), tr("ON"), QStringLiteral("trail"), page);
        break;
    case PageLooper:
        page = newPage(tr("LOOPER MODE"), &box);
        addPair(box, tr("LOOPER MODE"), 22, tr("POST"), tr("PRE"), QStringLiteral("looperMode"), page);
        break;
    default:
        page = newPage(m_pageNames.value(row), &box);
        break;
    }
    box->addStretch();
    return page;
}

QWidget *Setting::buildInputLevel()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("INPUT LEVEL"), &box);
    auto *slider = static_cast<SliderWithSpinBox *>(addSlider(box, page, InputLevel, 0));
    slider->setOptions(tr("INPUT LEVEL"), inputLevels());
    box->addStretch();
    return page;
}

QWidget *Setting::buildUsbAudio()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("USB AUDIO"), &box);
    box->addSpacing(8);
    addPair(box, tr("AUDIO MODE"), 2, tr("NORMAL"), tr("REAMP"), QStringLiteral("audioMode"), page);
    addPair(box, tr("LEFT OUT"), 4, tr("EFFECT"), tr("DRY"), QStringLiteral("leftOut"), page);
    addPair(box, tr("RIGHT OUT"), 6, tr("EFFECT"), tr("DRY"), QStringLiteral("rightOut"), page);
    const struct {
        int which;
        int index;
        const char *name;
    } sliders[] = {{RecVol, 4, QT_TR_NOOP("REC VOL")}, {Mix, 5, QT_TR_NOOP("MIX")}, {PlayVol, 6, QT_TR_NOOP("PLAY VOL")}};
    for (const auto &s : sliders) {
        auto *slider = static_cast<SliderWithSpinBox *>(addSlider(box, page, s.which, s.index));
        slider->setRange(tr(s.name), 0, 100, 1, 0);
    }
    box->addStretch();
    return page;
}

QWidget *Setting::buildScreen()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("SCREEN"), &box);
    auto *slider = static_cast<SliderWithSpinBox *>(addSlider(box, page, Brightness, 17));
    slider->setRange(tr("BRIGHTNESS"), 1, 20, 1, 0);
    box->addStretch();
    return page;
}

QWidget *Setting::buildCabSim()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("CAB SIM THRU"), &box);
    box->setContentsMargins(10, 0, 30, 2);
    addPair(box, tr("6.35 OUT/PHONES"), 16, tr("THRU"), tr("ON"), QStringLiteral("outPhones"), page);
    addPair(box, tr("XLR OUT"), 18, tr("THRU"), tr("ON"), QStringLiteral("xlrOut"), page);
    box->addStretch();
    return page;
}

QWidget *Setting::buildReset()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("RESET"), &box);
    box->setSpacing(10);
    QPushButton *reset = createMappedButton({Reset, tr("RESET"), QStringLiteral("resetButton")}, m_mapper, page);
    m_buttons[Reset] = reset;
    box->addWidget(reset, 0, Qt::AlignHCenter);
    box->addStretch();
    return page;
}

QWidget *Setting::buildBackup()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("BACKUP"), &box);
    auto *row = new TwoButtonLayout({Backup, tr("BACKUP"), QStringLiteral("backupButton")},
                                    {Recall, tr("RECALL"), QStringLiteral("backupButton")}, m_mapper, page);
    m_buttons[Backup] = row->firstButton();
    m_buttons[Recall] = row->secondButton();
    box->addLayout(row);
    box->addStretch();
    return page;
}

QWidget *Setting::buildColor()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("COLORSETTING"), &box);
    box->addSpacing(8);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch();
    static const char *const titles[kColorKeys] = {"SelectColor", "HoverColor", "ParaColor"};
    for (int key = 0; key < kColorKeys; ++key) {
        auto *group = new QGroupBox(QLatin1String(titles[key]), page);
        auto *groupBox = new QVBoxLayout(group);
        groupBox->setContentsMargins(8, 4, 8, 4);
        auto *swatch = new QPushButton(group);
        swatch->setObjectName(QStringLiteral("colorSwatch"));
        swatch->setFocusPolicy(Qt::NoFocus);
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->setMinimumWidth(90);
        groupBox->addWidget(swatch);
        m_swatches[static_cast<std::size_t>(key)] = swatch;
        refreshSwatch(static_cast<ColorKey>(key));
        connect(swatch, &QPushButton::clicked, this, [this, key]() { pickColor(static_cast<ColorKey>(key)); });
        row->addWidget(group);
        row->addStretch();
    }
    box->addLayout(row);
    box->addStretch();
    return page;
}

QWidget *Setting::buildAbout()
{
    QVBoxLayout *box = nullptr;
    QWidget *page = newPage(tr("ABOUT"), &box);
    auto *version = new QLabel(QStringLiteral("VERSION:1.1.0 20191212"), page);
    version->setObjectName(QStringLiteral("aboutVersion"));
    version->setAlignment(Qt::AlignCenter);
    box->addWidget(version);
    box->addStretch();
    return page;
}

QWidget *Setting::page(int row) const
{
    return (row >= 0 && row < kPageCount) ? m_pages[static_cast<std::size_t>(row)] : nullptr;
}

QPushButton *Setting::button(int id) const
{
    return (id >= 0 && id < int(m_buttons.size())) ? m_buttons[static_cast<std::size_t>(id)] : nullptr;
}

ParaWidgetBase *Setting::valueWidget(int which) const
{
    return (which >= 0 && which < kValueWidgets) ? m_values[static_cast<std::size_t>(which)] : nullptr;
}

QComboBox *Setting::channelCombo(int which) const
{
    return (which == 0 || which == 1) ? m_channels[static_cast<std::size_t>(which)] : nullptr;
}

QPushButton *Setting::colorSwatch(int key) const
{
    return (key >= 0 && key < kColorKeys) ? m_swatches[static_cast<std::size_t>(key)] : nullptr;
}

// ---------------------------------------------------------------------------
// Colours

QString Setting::colorKeyName(ColorKey key)
{
    switch (key) {
    case SelectColor: return QStringLiteral("presetListSelectColor");
    case HoverColor: return QStringLiteral("presetListHoverColor");
    default: return QStringLiteral("paraColor");
    }
}

QString Setting::defaultColor(ColorKey key)
{
    switch (key) {
    case SelectColor: return QStringLiteral("#B1CF36");
    case HoverColor: return QStringLiteral("gray");
    default: return QStringLiteral("#c0d23c");
    }
}

QString Setting::colorValue(ColorKey key)
{
    const QString stored =
        AppConfig::instance().value(QStringLiteral("Color"), colorKeyName(key)).toString().trimmed();
    return QColor::isValidColor(stored) ? stored : defaultColor(key);
}

void Setting::refreshSwatch(ColorKey key)
{
    QPushButton *swatch = m_swatches[static_cast<std::size_t>(key)];
    swatch->setStyleSheet(
        QStringLiteral("QPushButton{height: 20px; border-radius: 4px; background: %1;}").arg(colorValue(key)));
    swatch->setToolTip(colorValue(key));
}

void Setting::pickColor(ColorKey key)
{
    QPushButton *swatch = m_swatches[static_cast<std::size_t>(key)];
    const QColor initial(colorValue(key));
    const QColor chosen = m_colorPicker ? m_colorPicker(initial, swatch->parentWidget())
                                        : QColorDialog::getColor(initial, swatch->parentWidget());
    if (!chosen.isValid())
        return;
    const QString text = QStringLiteral("#%1%2%3")
                             .arg(chosen.red(), 2, 16, QLatin1Char('0'))
                             .arg(chosen.green(), 2, 16, QLatin1Char('0'))
                             .arg(chosen.blue(), 2, 16, QLatin1Char('0'));
    AppConfig::instance().setValue(QStringLiteral("Color"), colorKeyName(key), text);
    refreshSwatch(key);
    emit listColorChanged();
    if (key == ParaColor)
        emit paraColorChanged(QString::fromLatin1(kSliderBackground), colorValue(key));
}

// ---------------------------------------------------------------------------
// Navigation

void Setting::onPageRowChanged(int row)
{
    if (row < 0)
        return;
    if (m_stack->currentIndex() != StackColumn || m_stack->targetIndex() != StackColumn) {
        m_stack->toIndex(StackColumn);
        return;
    }
    m_column->verticalScrollBar()->setValue(row);
}

void Setting::onColumnScrolled(int value)
{
    // At the end of the column the last pages cannot reach the top: keep
    // the chosen row highlighted when it is one of them.
    QScrollBar *bar = m_column->verticalScrollBar();
    if (value == bar->maximum() && m_pageList->currentRow() > value)
        return;
    m_pageList->setCurrentRow(value);
}

void Setting::gotoPage(int n)
{
    if (n >= 0 && n < kPageCount) {
        m_pageList->setCurrentRow(n);
        if (m_stack->currentIndex() == StackColumn)
            m_column->verticalScrollBar()->setValue(n);
    } else if (n == 15) {
        m_stack->toIndex(StackGlbEq);
    } else if (n >= 16 && n <= 18) {
        refreshCtrl(n - 16, -1, -1);
        gotoPage(PageCtrl);
    } else if (n >= 19 && n <= 21) {
        m_stack->toIndex(StackCcReference + (n - 19));
    }
}

void Setting::closeWidget()
{
    m_stack->setCurrentIndex(StackColumn);
    hide();
}

void Setting::rollback()
{
    m_stack->toIndex(StackColumn);
    emit systemValueChanged(-1, kSettingCode);
}

// ---------------------------------------------------------------------------
// Buttons and values

void Setting::emitSystem(int index, int value)
{
    if (m_pushing || index < 0 || index >= kSystemValues)
        return;
    m_system[static_cast<std::size_t>(index)] = value;
    emit systemValueChanged(index, value);
}

bool Setting::firstSelected(int first) const
{
    const QPushButton *b = button(first);
    if (!b)
        return true;
    const QString status = b->property("status").toString();
    return status == QLatin1String(Kt900Style::kSelectedEnable)
           || status == QLatin1String(Kt900Style::kSelectedDisabled);
}

void Setting::setTwoState(int first, bool firstSelected, int index, bool enabled, bool emitChange)
{
    if (first < 0 || first + 1 >= kTwoStateButtons)
        return;
    QPushButton *one = m_buttons[static_cast<std::size_t>(first)];
    QPushButton *two = m_buttons[static_cast<std::size_t>(first + 1)];
    if (!one || !two)
        return;
    const char *selected = enabled ? Kt900Style::kSelectedEnable : Kt900Style::kSelectedDisabled;
    const char *unselected = enabled ? Kt900Style::kUnselectedEnable : Kt900Style::kUnselectedDisabled;
    const QString a = QString::fromLatin1(firstSelected ? selected : unselected);
    const QString b = QString::fromLatin1(firstSelected ? unselected : selected);
    if (one->property("status").toString() != a || two->property("status").toString() != b) {
        one->setProperty("status", a);
        two->setProperty("status", b);
        Kt900Style::repolish(one);
        Kt900Style::repolish(two);
    }
    if (emitChange)
        emitSystem(index, firstSelected ? 0 : 1);
}

void Setting::setAudioMode(bool reamp, bool emitChange)
{
    const bool leftFirst = firstSelected(4);
    const bool rightFirst = firstSelected(6);
    setTwoState(2, !reamp, 1, true, emitChange);
    setTwoState(4, leftFirst, 2, !reamp, false);
    setTwoState(6, rightFirst, 3, !reamp, false);
    for (int id = 4; id <= 7; ++id)
        m_buttons[static_cast<std::size_t>(id)]->setEnabled(!reamp);
    m_values[Mix]->setEnable(!reamp);
}

void Setting::buttonClick(int id)
{
    switch (id) {
    case 0:
    case 1:
        chooseGlbEqOutput(id);
        break;
    case 2:
    case 3:
        setAudioMode(id == 3, true);
        break;
    case 4: case 5: case 6: case 7: case 8: case 9:
    case 12: case 13: case 14: case 15: case 20: case 21: case 22: case 23: {
        static const int indexOfPair[12] = {2, 3, 7, -1, 10, 12, -1, -1, 15, 16};
        const int first = id & ~1;
        const int index = indexOfPair[(first - 4) / 2];
        // LEFT OUT and RIGHT OUT cannot change while the audio mode is REAMP.
        if ((index == 2 || index == 3) && !firstSelected(2))
            break;
        setTwoState(first, id == first, index, true, true);
        break;
    }
    case 10:
    case 11:
        setMidiType(id == 10, true);
        break;
    case 16:
    case 17:
        emit cabLStrChanged(id == 16 ? QStringLiteral("OUTPUT: THRU") : QStringLiteral("OUTPUT: ON"));
        setTwoState(16, id == 16, 13, true, true);
        break;
    case 18:
    case 19:
        emit cabRStrChanged(id == 18 ? QStringLiteral("XLROUT: THRU") : QStringLiteral("XLROUT: ON"));
        setTwoState(18, id == 18, 14, true, true);
        break;
    case CcReference:
    case PcMappingIn:
    case PcMappingOut: {
        static const int codes[3] = {kCcReferenceCode, kPcMidiInCode, kPcMidiOutCode};
        emit systemValueChanged(-1, codes[id - CcReference]);
        m_stack->toIndex(StackCcReference + (id - CcReference));
        break;
    }
    case Reset:
    case Backup:
    case Recall:
        emit noDataButtonClicked(id);
        break;
    default:
        break;
    }
}

void Setting::setSystemValue(int index, int value)
{
    if (index < 0 || index >= kSystemValues)
        return;
    const QScopedValueRollback<bool> pushing(m_pushing, true);
    m_system[static_cast<std::size_t>(index)] = value;
    const int widget = valueWidgetFor(index);
    if (widget >= 0) {
        // The slider shows the nearest position it has.
        ParaWidgetBase *w = m_values[static_cast<std::size_t>(widget)];
        w->setValue(qMax(0, value));
        return;
    }
    switch (index) {
    case 1:
        setAudioMode(value != 0, false);
        break;
    case 2:
    case 3:
        setTwoState(pairFor(index), value == 0, index, firstSelected(2), false);
        break;
    case 8:
        setMidiType(value == 0, false);
        break;
    case 9:
    case 11: {
        QComboBox *combo = m_channels[index == 9 ? 0 : 1];
        combo->setCurrentIndex(qBound(0, value, combo->count() - 1));
        break;
    }
    case 13:
        emit cabLStrChanged(value == 0 ? QStringLiteral("OUTPUT: THRU") : QStringLiteral("OUTPUT: ON"));
        setTwoState(16, value == 0, 13, true, false);
        break;
    case 14:
        emit cabRStrChanged(value == 0 ? QStringLiteral("XLROUT: THRU") : QStringLiteral("XLROUT: ON"));
        setTwoState(18, value == 0, 14, true, false);
        break;
    default:
        setTwoState(pairFor(index), value == 0, index, true, false);
        break;
    }
}

int Setting::systemValue(int index) const
{
    return (index >= 0 && index < kSystemValues) ? m_system[static_cast<std::size_t>(index)] : -1;
}
