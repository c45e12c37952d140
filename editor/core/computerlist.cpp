#include "computerlist.h"

#include "busystate.h"
#include "devicestore.h"
#include "draglistwidget.h"
#include "filechooser.h"
#include "mymessagebox.h"
#include "presetfilecodec.h"
#include "presetnames.h"
#include "unitlink.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QMenu>
#include <QSaveFile>
#include <QSet>
#include <QSignalMapper>

#include <algorithm>

using namespace Kt900;

Q_LOGGING_CATEGORY(lcComputerList, "kt900.core.computerlist")

namespace {

const QString kSuffix = QStringLiteral(".tp");

} // namespace

ComputerList::ComputerList(DragListWidget *list, QLabel *note, PresetFileCodec &codec, UnitLink &link,
                           QSignalMapper *mapper, QWidget *owner)
    : QObject(owner)
    , m_list(list)
    , m_note(note)
    , m_codec(codec)
    , m_link(link)
    , m_owner(owner)
{
    m_list->setAcceptedFileSuffix(QStringLiteral("tp"));
    m_list->setTextElideMode(Qt::ElideRight);

    m_menu = new QMenu(owner);
    // Styled as the device list's menu.
    m_menu->setObjectName(QStringLiteral("deviceMenu"));
    m_menu->setWindowFlags(m_menu->windowFlags() | Qt::FramelessWindowHint);
    m_menu->setAttribute(Qt::WA_TranslucentBackground);
    auto entry = [this, mapper](const QString &text, int id) {
        QAction *action = m_menu->addAction(text);
        if (mapper) {
            mapper->setMapping(action, id);
            connect(action, &QAction::triggered, mapper, qOverload<>(&QSignalMapper::map));
        } else {
            connect(action, &QAction::triggered, this, [this, id]() { runMenuCommand(id); });
        }
        return action;
    };
    m_add = entry(tr("Add"), AddId);
    m_delete = entry(tr("Delete"), DeleteId);
    m_undo = entry(tr("Undo Delete"), UndoDeleteId);
    m_refresh = entry(tr("Refresh"), RefreshId);
    m_open = entry(tr("Open This Directory"), OpenFolderId);

    m_viewport = m_list->viewport();
    m_viewport->installEventFilter(this);
    m_list->installEventFilter(this);
}

ComputerList::~ComputerList() = default;

void ComputerList::setFileChooser(std::unique_ptr<FileChooser> chooser)
{
    m_chooser = std::move(chooser);
}

QString ComputerList::folder() const
{
    return m_codec.presetFolder();
}

bool ComputerList::allowed(const char *action) const
{
    return !m_busy || m_busy->allows(action);
}

void ComputerList::warn(const QString &title, const QString &text, bool button)
{
    MyMessageBox::showMessage(title, text, m_owner ? m_owner->window() : nullptr,
                              button ? MyMessageBox::Ok : MyMessageBox::NoButton, 1000);
}

bool ComputerList::ensureFolder()
{
    if (QDir().mkpath(folder()))
        return true;
    warn(tr("WARNING"), tr("The preset folder cannot be created:\n%1").arg(QDir::toNativeSeparators(folder())), true);
    return false;
}

// --- the list ---------------------------------------------------------------

int ComputerList::refresh(const QString &select)
{
    m_list->clear();
    m_skipped.clear();
    const QString dir = folder();
    if (!QDir().mkpath(dir)) {
        updateNote(tr("The preset folder cannot be created"));
        return 0;
    }
    const QFileInfo info(dir);
    if (!info.isReadable()) {
        updateNote(tr("The preset folder cannot be read"));
        return 0;
    }
    const QFileInfoList files =
        QDir(dir).entryInfoList({QStringLiteral("*.tp")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
    int selectRow = 0;
    for (const QFileInfo &file : files) {
        const QString base = file.completeBaseName();
        QString problem = PresetNames::baseNameProblem(base);
        if (problem.isEmpty() && !m_codec.isPresetFile(file.absoluteFilePath()))
            problem = tr("not a preset file (%1)").arg(m_codec.lastError());
        if (!problem.isEmpty()) {
            m_skipped.append({file.fileName(), problem});
            continue;
        }
        auto *item = new QListWidgetItem(base, m_list);
        item->setData(DragListWidget::FileRole, file.absoluteFilePath());
        // Long names are elided in the narrow column; the tip shows them whole.
        item->setToolTip(base);
        if (!select.isEmpty() && base.compare(select, Qt::CaseInsensitive) == 0)
            selectRow = m_list->count() - 1;
    }
    if (m_list->count() > 0) {
        m_list->setCurrentRow(selectRow);
        m_list->scrollToItem(m_list->item(selectRow));
    }
    updateNote(info.isWritable() ? QString() : tr("The preset folder is read-only"));
    return m_list->count();
}

void ComputerList::updateNote(const QString &folderProblem)
{
    if (!m_note)
        return;
    QStringList lines;
    QStringList tips;
    if (!folderProblem.isEmpty()) {
        lines << folderProblem;
        tips << QStringLiteral("%1: %2").arg(folderProblem, QDir::toNativeSeparators(folder()));
    }
    if (!m_skipped.isEmpty()) {
        lines << tr("%n file(s) not shown", nullptr, m_skipped.size());
        for (const Skipped &s : m_skipped)
            tips << QStringLiteral("%1: %2").arg(s.fileName, s.reason);
    }
    m_note->setText(lines.join(QLatin1Char('\n')));
    m_note->setToolTip(tips.join(QLatin1Char('\n')));
    m_note->setVisible(!lines.isEmpty());
}

bool ComputerList::openFolder()
{
    if (!ensureFolder())
        return false;
    if (!m_codec.openPresetFolder()) {
        qCWarning(lcComputerList) << "the file browser did not open" << folder();
        return false;
    }
    return true;
}

QString ComputerList::filePath(int row) const
{
    const QListWidgetItem *item = m_list->item(row);
    return item ? item->data(DragListWidget::FileRole).toString() : QString();
}

QStringList ComputerList::selectedFiles() const
{
    QList<int> rows;
    for (const QListWidgetItem *item : m_list->selectedItems())
        rows << m_list->row(item);
    std::sort(rows.begin(), rows.end());
    QStringList paths;
    for (int row : rows)
        paths << filePath(row);
    return paths;
}

// --- commands -----------------------------------------------------------------

int ComputerList::addFiles(const QStringList &paths)
{
    if (paths.isEmpty() || !allowed("adding preset files") || !ensureFolder())
        return 0;
    int copied = 0;
    QString lastCopied;
    for (const QString &path : paths) {
        const QFileInfo source(path);
        const QString base = source.completeBaseName();
        const QString fileName = base + kSuffix;
        const QString target = folder() + fileName;
        if (source.absoluteFilePath() == QFileInfo(target).absoluteFilePath())
            continue; // already in the folder
        const QString nameProblem = PresetNames::baseNameProblem(base);
        if (!nameProblem.isEmpty()) {
            warn(tr("WARNING"), tr("'%1' cannot be added:\n%2").arg(source.fileName(), nameProblem), true);
            break;
        }
        if (!m_codec.isPresetFile(path)) {
            warn(tr("WARNING"), tr("'%1' is not a preset file:\n%2").arg(source.fileName(), m_codec.lastError()), true);
            break;
        }
        if (QFileInfo::exists(target)) {
            warn(tr("WARNING"), QStringLiteral("'%1' %2").arg(fileName, tr("already exists")), false);
            break;
        }
        QFile file(path);
        if (!file.copy(target)) {
            warn(tr("WARNING"), tr("'%1' could not be copied:\n%2").arg(fileName, file.errorString()), true);
            break;
        }
        ++copied;
        lastCopied = base;
    }
    refresh(lastCopied);
    return copied;
}

int ComputerList::chooseAndAdd()
{
    if (!allowed("adding preset files"))
        return 0;
    if (!m_chooser)
        m_chooser = std::make_unique<DialogFileChooser>(m_owner ? m_owner->window() : nullptr);
    return addFiles(m_chooser->openFileNames(tr("Add preset files"), QString(), QStringLiteral("*.tp")));
}

bool ComputerList::deleteRow(int row)
{
    const QString path = filePath(row);
    if (path.isEmpty() || !allowed("deleting a preset file"))
        return false;
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
        file.close();
    }
    if (!file.remove()) {
        warn(tr("WARNING"),
             tr("'%1' could not be deleted:\n%2").arg(QFileInfo(path).fileName(), file.errorString()), true);
        return false;
    }
    m_trash.push_back({path, bytes});
    const int listed = refresh();
    if (listed > 0)
        m_list->setCurrentRow(std::min(row, listed - 1));
    return true;
}

bool ComputerList::undoDelete()
{
    if (m_trash.empty() || !allowed("restoring a preset file"))
        return false;
    const Deleted last = m_trash.back();
    const QString fileName = QFileInfo(last.path).fileName();
    if (QFileInfo::exists(last.path)) {
        warn(tr("WARNING"), QStringLiteral("'%1' %2").arg(fileName, tr("already exists")), false);
        return false;
    }
    QSaveFile file(last.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(last.bytes) != last.bytes.size() || !file.commit()) {
        warn(tr("WARNING"), tr("'%1' could not be restored:\n%2").arg(fileName, file.errorString()), true);
        return false;
    }
    m_trash.pop_back();
    refresh(QFileInfo(last.path).completeBaseName());
    return true;
}

int ComputerList::exportPresets(QList<int> presets)
{
    if (presets.isEmpty() || !allowed("a preset export") || !ensureFolder())
        return 0;
    std::sort(presets.begin(), presets.end());
    const DeviceStore &store = m_link.store();
    QSet<QString> used;
    QString last;
    int written = 0;
    for (int row : presets) {
        if (row < 0 || row >= kPresetCount)
            continue;
        const QString base = PresetNames::exportFileBaseName(store.presetName(row), row, &used);
        const QString fileName = base + kSuffix;
        const QString path = folder() + fileName;
        if (QFileInfo::exists(path)) {
            const int answer = MyMessageBox::showMessage(
                tr("WARNING"), tr("'%1' already exists.\nDo you want to replace it?").arg(fileName),
                m_owner ? m_owner->window() : nullptr, MyMessageBox::YesNo);
            if (answer != MyMessageBox::YesCode)
                continue;
        }
        int error = 0;
        if (!m_codec.writePresetFile(row, path, &error)) {
            warn(tr("Export"), tr("Preset export failed !\n'%1': %2").arg(fileName, m_codec.lastError()), true);
            break;
        }
        ++written;
        last = base;
    }
    refresh(last);
    return written;
}

// --- menu and keys ---------------------------------------------------------------

bool ComputerList::runMenuCommand(int id)
{
    switch (id) {
    case OpenFolderId:
        return openFolder();
    case RefreshId:
        refresh();
        return true;
    case AddId:
        return chooseAndAdd() > 0;
    case DeleteId:
        return deleteRow(m_menuRow);
    case UndoDeleteId:
        return undoDelete();
    default:
        return false;
    }
}

void ComputerList::showMenu(const QPoint &globalPos, int row)
{
    m_menuRow = row;
    m_delete->setEnabled(row >= 0);
    m_undo->setEnabled(canUndoDelete());
    m_menu->exec(globalPos);
}

bool ComputerList::eventFilter(QObject *watched, QEvent *event)
{
    // Only compare pointers before the event type is known: the filter also
    // sees the events of a list that is being destroyed.
    if (event->type() == QEvent::ContextMenu && (watched == m_viewport || watched == m_list)) {
        auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        const QPoint pos = watched == m_list ? m_list->viewport()->mapFrom(m_list, menuEvent->pos()) : menuEvent->pos();
        showMenu(menuEvent->globalPos(), m_list->rowAt(pos));
        return true;
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            deleteRow(m_list->currentRow());
            return true;
        }
        if (key->matches(QKeySequence::Undo)) {
            undoDelete();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
