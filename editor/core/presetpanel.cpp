#include "presetpanel.h"

#include "mappedbutton.h"
#include "busystate.h"
#include "computerlist.h"
#include "presetimporter.h"
#include "delegates.h"
#include "devicestore.h"
#include "draglistwidget.h"
#include "editorfields.h"
#include "mymessagebox.h"
#include "presetfilecodec.h"
#include "renamewidget.h"
#include "unitlink.h"
#include "usbreceivethread.h"

#include <QAction>
#include <QColor>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSignalMapper>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

using namespace Kt900;

namespace {

QAction *mappedAction(const QString &text, int id, QSignalMapper *mapper, QMenu *menu)
{
    QAction *action = menu->addAction(text);
    if (mapper) {
        mapper->setMapping(action, id);
        QObject::connect(action, &QAction::triggered, mapper, qOverload<>(&QSignalMapper::map));
    }
    return action;
}

} // namespace

PresetPanel::PresetPanel(UnitLink &link, PresetFileCodec &codec, QSignalMapper *mapper, QWidget *parent)
    : QWidget(parent)
    , m_link(link)
    , m_codec(codec)
{
    setObjectName(QStringLiteral("presetWidget"));
    setAttribute(Qt::WA_StyledBackground);
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(3);

    auto *title = new QLabel(tr("PRESET"), this);
    title->setObjectName(QStringLiteral("presetTitle"));
    title->setAlignment(Qt::AlignCenter);
    title->setMaximumHeight(35);
    box->addWidget(title);

    m_columns = new QSplitter(Qt::Horizontal, this);
    m_columns->setObjectName(QStringLiteral("presetColumns"));
    m_columns->setChildrenCollapsible(false);
    box->addWidget(m_columns, 1);

    // DEVICE column.
    auto *deviceColumn = new QWidget(m_columns);
    deviceColumn->setObjectName(QStringLiteral("deviceColumn"));
    deviceColumn->setMinimumWidth(10);
    auto *deviceBox = new QVBoxLayout(deviceColumn);
    deviceBox->setContentsMargins(0, 0, 0, 0);
    deviceBox->setSpacing(2);
    auto *deviceTitle = new QLabel(tr("DEVICE"), deviceColumn);
    deviceTitle->setObjectName(QStringLiteral("deviceTitleName"));
    deviceTitle->setMinimumHeight(24);
    deviceBox->addWidget(deviceTitle);
    m_device = new DragListWidget(deviceColumn);
    m_device->setObjectName(QStringLiteral("deviceListWidget"));
    m_device->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_device->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_device->setItemDelegate(new NoFocusDelegate(m_device));
    m_device->setTextElideMode(Qt::ElideRight);
    deviceBox->addWidget(m_device);
    m_columns->addWidget(deviceColumn);

    // COMPUTER column.
    auto *computerColumn = new QWidget(m_columns);
    computerColumn->setObjectName(QStringLiteral("computerColumn"));
    computerColumn->setMinimumWidth(10);
    auto *computerBox = new QVBoxLayout(computerColumn);
    computerBox->setContentsMargins(0, 0, 0, 0);
    computerBox->setSpacing(2);
    auto *computerTitle = new QWidget(computerColumn);
    computerTitle->setObjectName(QStringLiteral("computerTitle"));
    computerTitle->setMinimumHeight(24);
    auto *titleRow = new QHBoxLayout(computerTitle);
    titleRow->setContentsMargins(0, 0, 0, 0);
    titleRow->setSpacing(0);
    auto *computerName = new QLabel(tr("COMPUTER"), computerTitle);
    computerName->setObjectName(QStringLiteral("computerTitleName"));
    titleRow->addWidget(computerName);
    titleRow->addStretch();
    titleRow->addWidget(mappedButton("addFiles", tr("Open the preset folder"), OpenFolderId, mapper, computerTitle));
    titleRow->addWidget(mappedButton("refreshList", tr("Refresh the list"), RefreshId, mapper, computerTitle));
    computerBox->addWidget(computerTitle);
    m_computer = new DragListWidget(computerColumn);
    m_computer->setObjectName(QStringLiteral("computerListWidget"));
    m_computer->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_computer->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_computer->setItemDelegate(new NoFocusDelegate(m_computer));
    computerBox->addWidget(m_computer, 1);
    m_computerNote = new QLabel(computerColumn);
    m_computerNote->setObjectName(QStringLiteral("computerNote"));
    m_computerNote->setWordWrap(true);
    m_computerNote->hide();
    computerBox->addWidget(m_computerNote);
    m_columns->addWidget(computerColumn);
    m_files = new ComputerList(m_computer, m_computerNote, codec, link, mapper, this);
    m_importer = new PresetImporter(this, link, codec, this);
    // .tp files from the desktop's file manager may be dropped on a preset.
    m_device->setAcceptedFileSuffix(QStringLiteral("tp"));
    // The device labels ("01A CLEAN") need the room more than the file names.
    m_columns->setStretchFactor(0, 3);
    m_columns->setStretchFactor(1, 2);

    // Device context menu.
    m_deviceMenu = new QMenu(this);
    m_deviceMenu->setObjectName(QStringLiteral("deviceMenu"));
    m_deviceMenu->setWindowFlags(m_deviceMenu->windowFlags() | Qt::FramelessWindowHint);
    m_deviceMenu->setAttribute(Qt::WA_TranslucentBackground);
    m_copy = mappedAction(tr("Copy"), CopyId, mapper, m_deviceMenu);
    m_paste = mappedAction(tr("Paste"), PasteId, mapper, m_deviceMenu);
    m_paste->setEnabled(false);
    m_clear = mappedAction(tr("Clear"), ClearId, mapper, m_deviceMenu);
    m_rename = mappedAction(tr("Rename"), RenameId, mapper, m_deviceMenu);

    connect(m_device, &QListWidget::itemSelectionChanged, this, &PresetPanel::onSelectionChanged);

    // Drops are handled once the drag has ended: the questions they ask are
    // modal and must not run inside the drag.
    connect(m_computer, &DragListWidget::dragHappen, this, [this](int) {
        const QList<int> rows = selectedDeviceRows();
        QTimer::singleShot(0, this, [this, rows]() { exportRows(rows); });
    });
    connect(m_computer, &DragListWidget::filesDropped, this, [this](int, const QStringList &paths) {
        QTimer::singleShot(0, this, [this, paths]() { m_files->addFiles(paths); });
    });
    connect(m_device, &DragListWidget::dragHappen, this, [this](int dst) {
        const QStringList paths = m_files->selectedFiles();
        QTimer::singleShot(0, this, [this, paths, dst]() { importFiles(paths, dst); });
    });
    connect(m_device, &DragListWidget::filesDropped, this, [this](int dst, const QStringList &paths) {
        QTimer::singleShot(0, this, [this, paths, dst]() { importFiles(paths, dst); });
    });
    connect(m_importer, &PresetImporter::presetImported, this, &PresetPanel::relabel);
    connect(m_importer, &PresetImporter::currentPresetReplaced, this, &PresetPanel::currentPresetChanged);
    connect(m_device->verticalScrollBar(), &QScrollBar::valueChanged, this, &PresetPanel::placeRenameWidget);
    m_device->viewport()->installEventFilter(this);
    m_device->installEventFilter(this);
}

QWidget *PresetPanel::messageParent()
{
    return window();
}

void PresetPanel::setRenameWidget(RenameWidget *rename)
{
    if (m_renameWidget)
        disconnect(m_renameWidget, nullptr, this, nullptr);
    m_renameWidget = rename;
    if (rename)
        connect(rename, &RenameWidget::renameFinished, this, &PresetPanel::renameFinished);
}

// --- the device list -----------------------------------------------------

void PresetPanel::fillDeviceList()
{
    const DeviceStore &store = m_link.store();
    m_showingRow = true;
    {
        const QSignalBlocker block(m_device);
        m_device->clear();
        for (int row = 0; row < kPresetCount; ++row) {
            auto *item = new QListWidgetItem(m_device);
            setRowText(item, EditorFields::presetLabel(row, store.presetName(row)));
        }
    }
    m_showingRow = false;
}

// A label too wide for the column is elided; its tip shows it whole.
void PresetPanel::setRowText(QListWidgetItem *item, const QString &label)
{
    item->setText(label);
    item->setToolTip(label);
}

void PresetPanel::relabel(int row)
{
    if (QListWidgetItem *item = m_device->item(row))
        setRowText(item, EditorFields::presetLabel(row, m_link.store().presetName(row)));
}

void PresetPanel::showCurrentRow(int row)
{
    if (row < 0 || row >= m_device->count())
        return;
    m_showingRow = true;
    m_device->clearSelection();
    m_device->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    m_device->scrollToItem(m_device->item(row));
    m_showingRow = false;
}

void PresetPanel::resetToCurrentPreset()
{
    m_showingRow = true;
    m_device->clearSelection();
    m_showingRow = false;
    showCurrentRow(m_link.store().currentPresetIndex());
}

void PresetPanel::setBusyState(BusyState *busy)
{
    m_busy = busy;
    m_files->setBusyState(busy);
    m_importer->setBusyState(busy);
}

void PresetPanel::onSelectionChanged()
{
    if (m_showingRow || m_selecting)
        return;
    if (m_busy && !m_busy->allows("a preset switch")) {
        // The list keeps showing the preset the unit is on.
        resetToCurrentPreset();
        return;
    }
    const QList<QListWidgetItem *> selected = m_device->selectedItems();
    if (selected.size() != 1)
        return;
    const int row = m_device->row(selected.first());
    DeviceStore &store = m_link.store();
    if (row < 0 || row == store.currentPresetIndex())
        return;
    m_selecting = true;
    if (store.isModified() && store.currentPresetIndex() >= 0) {
        const int answer = MyMessageBox::showMessage(
            tr("Info"), tr("The current preset data has been modified,\n\twould you like to save it?"),
            messageParent(), MyMessageBox::YesNo);
        if (answer == MyMessageBox::YesCode)
            save(m_nameSource ? m_nameSource() : store.presetName(kEditBuffer), false);
    }
    m_selecting = false;
    // The user may have chosen yet another row while the question was open.
    const QList<QListWidgetItem *> now = m_device->selectedItems();
    if (now.size() != 1 || m_device->row(now.first()) != row)
        return;
    if (!store.selectPreset(row))
        return;
    emit currentPresetChanged();
    if (usbReceiveThread *unit = m_link.sender())
        unit->sendSelectPreset(row);
}

// --- commands --------------------------------------------------------------

bool PresetPanel::save(const QString &name, bool showOutcome)
{
    DeviceStore &store = m_link.store();
    const int index = store.currentPresetIndex();
    QString stored = name.trimmed().isEmpty() ? store.presetName(index).trimmed() : name;
    stored = stored.left(EditorFields::kNameMaxLength);
    usbReceiveThread *unit = m_link.sender();
    const bool ok = index >= 0 && unit && unit->sendStorePreset(index, stored) == 1;
    if (ok) {
        store.setPresetName(kEditBuffer, stored);
        *store.record(index) = *store.record(kEditBuffer);
        store.setLastStoredPreset(index);
        store.setModified(false);
        relabel(index);
    }
    if (showOutcome) {
        MyMessageBox::showMessage(tr("Info"), ok ? tr("Preset saved successful !") : tr("Preset save failed !"),
                                  messageParent(), MyMessageBox::NoButton, 1000);
    }
    return ok;
}

void PresetPanel::copyRow(int row)
{
    if (row < 0 || row >= kPresetCount)
        return;
    m_copied = row;
    m_paste->setEnabled(true);
    m_paste->setText(tr("Paste") + QStringLiteral("[%1]").arg(EditorFields::presetPrefix(row)));
}

void PresetPanel::afterRecordChange(int row)
{
    DeviceStore &store = m_link.store();
    usbReceiveThread *unit = m_link.sender();
    if (unit)
        unit->writePreset(row);
    relabel(row);
    if (row == store.currentPresetIndex()) {
        // The current preset was replaced: the edit buffer and the unit's
        // copy of it take the new content too.
        store.selectPreset(row);
        if (unit)
            unit->writeEditBuffer();
        emit currentPresetChanged();
    }
}

bool PresetPanel::pasteRow(int row)
{
    if (m_copied < 0 || row < 0 || row == m_copied)
        return false;
    if (!m_link.store().copyRecord(m_copied, row))
        return false;
    afterRecordChange(row);
    return true;
}

bool PresetPanel::clearRow(int row)
{
    if (!m_link.store().clearRecord(row))
        return false;
    afterRecordChange(row);
    return true;
}

bool PresetPanel::runMenuCommand(int id)
{
    if (m_busy && !m_busy->allows("a preset list command"))
        return false;
    const int row = m_menuRow;
    switch (id) {
    case CopyId:
        copyRow(row);
        return row >= 0 && row < kPresetCount;
    case PasteId:
        return pasteRow(row);
    case ClearId:
        return clearRow(row);
    case RenameId:
        beginRename(row);
        return m_renameRow == row;
    default:
        return false;
    }
}

void PresetPanel::beginRename(int row)
{
    if (!m_renameWidget || row < 0 || row >= m_device->count())
        return;
    m_renameRow = row;
    mark(row);
    m_renameWidget->setMaxLength(EditorFields::kNameMaxLength);
    m_renameWidget->setPlaceholderText(tr("a-z A-Z 0-9 and Space"));
    // The placeholder is elided while the editor opens; the tip reads whole.
    m_renameWidget->setToolTip(tr("Valid characters: a-z A-Z 0-9 and Space"));
    placeRenameWidget();
}

void PresetPanel::placeRenameWidget()
{
    if (!m_renameWidget || m_renameRow < 0)
        return;
    QListWidgetItem *item = m_device->item(m_renameRow);
    QWidget *host = m_renameWidget->parentWidget();
    if (!item || !host)
        return;
    const QRect rect = m_device->itemRect(item);
    const QPoint topLeft = m_device->viewport()->mapTo(host, rect.topLeft());
    const QPoint at(topLeft.x() + 3, topLeft.y() + (rect.height() - RenameWidget::kHeight) / 2);
    if (m_renameWidget->isVisible())
        m_renameWidget->move(at);
    else
        emit renameRequested(at);
}

void PresetPanel::renameFinished(const QString &name)
{
    const int row = m_renameRow;
    m_renameRow = -1;
    unmark();
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || row < 0 || !EditorFields::isValidName(name))
        return;
    DeviceStore &store = m_link.store();
    if (!store.setPresetName(row, name))
        return;
    const bool current = row == store.currentPresetIndex();
    if (current)
        store.setPresetName(kEditBuffer, name);
    relabel(row);
    if (usbReceiveThread *unit = m_link.sender())
        unit->writePreset(row);
    if (current)
        emit currentPresetChanged();
}

void PresetPanel::cancelRename()
{
    m_renameRow = -1;
    unmark();
}

void PresetPanel::mark(int row)
{
    unmark();
    if (QListWidgetItem *item = m_device->item(row)) {
        item->setBackground(QColor(QString::fromLatin1(kMarkColor)));
        m_markedRow = row;
    }
}

void PresetPanel::unmark()
{
    if (QListWidgetItem *item = m_device->item(m_markedRow))
        item->setBackground(QColor(Qt::transparent));
    m_markedRow = -1;
}

// --- sizes -------------------------------------------------------------------

int PresetPanel::deviceColumnWant() const
{
    m_device->ensurePolished();
    const QFontMetrics fm(m_device->font());
    int widest = fm.horizontalAdvance(EditorFields::presetLabel(0, QStringLiteral("CLEAN")));
    for (int row = 0; row < m_device->count(); ++row)
        widest = qMax(widest, fm.horizontalAdvance(m_device->item(row)->text()));
    // The item's own padding and a little air, and what the list keeps
    // beside its viewport (padding, scroll bar, frame).
    const int chrome = m_device->width() - m_device->viewport()->width();
    return widest + 8 + qMax(0, chrome);
}

int PresetPanel::computerColumnMinimum() const
{
    return m_computer->parentWidget()->minimumSizeHint().width();
}

int PresetPanel::preferredWidth() const
{
    return deviceColumnWant() + m_columns->handleWidth() + computerColumnMinimum();
}

void PresetPanel::fitColumns()
{
    const int total = m_columns->width() - m_columns->handleWidth();
    if (total <= 0)
        return;
    int device = deviceColumnWant();
    const int computer = computerColumnMinimum();
    if (device + computer > total)
        device = qMax(total / 2, total - computer);
    m_columns->setSizes({device, total - device});
}

// --- the computer list ---------------------------------------------------

void PresetPanel::refreshComputerList()
{
    m_files->refresh();
}

void PresetPanel::openPresetFolder()
{
    m_files->openFolder();
}

QList<int> PresetPanel::selectedDeviceRows() const
{
    QList<int> rows;
    for (const QListWidgetItem *item : m_device->selectedItems())
        rows << m_device->row(item);
    std::sort(rows.begin(), rows.end());
    return rows;
}

int PresetPanel::exportRows(const QList<int> &rows)
{
    return m_files->exportPresets(rows);
}

int PresetPanel::importFiles(const QStringList &paths, int row)
{
    if (row < 0 || paths.isEmpty())
        return 0;
    return m_importer->importFiles(paths, row);
}

// --- events ------------------------------------------------------------------

void PresetPanel::showDeviceMenu(const QPoint &globalPos, int row)
{
    m_menuRow = row;
    mark(row);
    m_deviceMenu->exec(globalPos);
    if (m_renameRow != row)
        unmark();
}

bool PresetPanel::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_device->viewport() || watched == m_device) && event->type() == QEvent::ContextMenu) {
        auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        const QPoint pos = watched == m_device ? m_device->viewport()->mapFrom(m_device, menuEvent->pos())
                                               : menuEvent->pos();
        const int row = m_device->rowAt(pos);
        if (row >= 0)
            showDeviceMenu(menuEvent->globalPos(), row);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
