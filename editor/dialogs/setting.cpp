#include "setting.h"

#include "animationstackedwidget.h"
#include "delegates.h"
#include "popupframe.h"
#include "rowlayouts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalMapper>
#include <QVBoxLayout>

namespace {

// Height of each page in the settings column, by page list row.
constexpr int kPageHeights[Setting::kPageCount] = {80, 190, 80, 300, 80, 200, 80, 80, 80, 80, 80, 80, 80, 80};

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
        item->setSizeHint(QSize(300, kPageHeights[row]));
        m_column->setItemWidget(item, buildPage(row));
    }
    m_stack->addWidget(m_column);
    static const char *const subPages[] = {"ccReferencePage", "pcMidiInPage", "pcMidiOutPage", "glbEqPage"};
    for (const char *name : subPages) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(name));
        m_stack->addWidget(page);
    }
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
}

QWidget *Setting::buildPage(int row)
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("settingPage"));
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(10, 2, 30, 2);
    box->setSpacing(0);
    const QString header = row == PageColor ? tr("COLORSETTING") : m_pageNames.value(row);
    box->addWidget(new LineWidget(header, QStringLiteral("titleName"), page));
    box->addStretch();
    return page;
}

void Setting::onPageRowChanged(int row)
{
    if (row < 0)
        return;
    if (m_stack->currentIndex() != StackColumn) {
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

void Setting::setSystemValue(int index, int value)
{
    if (index < 0 || index >= kSystemValues)
        return;
    m_system[static_cast<std::size_t>(index)] = value;
}

int Setting::systemValue(int index) const
{
    return (index >= 0 && index < kSystemValues) ? m_system[static_cast<std::size_t>(index)] : -1;
}

void Setting::setGlbEqValue(int index, int value)
{
    if (index < 0 || index >= kGlbEqValues)
        return;
    m_glbEq[static_cast<std::size_t>(index)] = value;
}

int Setting::glbEqValue(int index) const
{
    return (index >= 0 && index < kGlbEqValues) ? m_glbEq[static_cast<std::size_t>(index)] : -1;
}

void Setting::refreshCtrl(int mode, int mask, int third)
{
    Q_UNUSED(third);
    if (mode >= 0 && mode <= 2)
        m_ctrlMode = mode;
    if (mask >= 0)
        m_ctrlMask = mask;
}

void Setting::setMidiTable(int type, const QVector<int> &values)
{
    if (type == 18)
        m_midiIn = values.mid(0, 256);
    else if (type == 19)
        m_midiOut = values.mid(0, 255);
}

QVector<int> Setting::midiTable(int type) const
{
    if (type == 18)
        return m_midiIn;
    if (type == 19)
        return m_midiOut;
    return {};
}

void Setting::gotoPage(int n)
{
    if (n >= 0 && n < kPageCount) {
        m_pageList->setCurrentRow(n);
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

void Setting::buttonClick(int id)
{
    // The page controls register their buttons with the mapper; RESET,
    // BACKUP and RECALL need nothing from the dialog itself.
    if (id >= 27 && id <= 29)
        emit noDataButtonClicked(id);
}
