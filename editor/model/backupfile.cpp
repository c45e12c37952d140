#include "backupfile.h"

#include "commands.h"
#include "filechooser.h"
#include "usbreceivethread.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QWidget>

#include <algorithm>
#include <array>

Q_LOGGING_CATEGORY(lcBackup, "kt900.model.backup")

namespace {

// "preset 05B, preset 07A" - the first few of a list, and how many more.
QString listed(const QStringList &items)
{
    constexpr int kShown = 5;
    QString text = QStringList(items.mid(0, kShown)).join(QStringLiteral(", "));
    if (items.size() > kShown)
        text += QCoreApplication::translate("BackupFile", " and %n more", nullptr, items.size() - kShown);
    return text;
}

} // namespace

using BackupFormat::Group;

QString BackupFile::dialogTitle() { return QStringLiteral("KT900 Backup File"); }
QString BackupFile::proposedFileName() { return QStringLiteral("./KT900.tbf"); }
QString BackupFile::saveFilter() { return QStringLiteral("backup files(*.tbf)"); }
QString BackupFile::openFilter() { return QStringLiteral("backup files(*.tbf);;All files (*.*)"); }

BackupFile::BackupFile(QObject *parent) : QObject(parent) {}

BackupFile::~BackupFile() = default;

void BackupFile::setFileChooser(FileChooser *chooser)
{
    m_chooser = chooser;
}

void BackupFile::setDialogParent(QWidget *parent)
{
    m_dialogParent = parent;
    m_dialogs.reset();
}

FileChooser &BackupFile::chooser()
{
    if (m_chooser)
        return *m_chooser;
    if (!m_dialogs)
        m_dialogs = std::make_unique<DialogFileChooser>(m_dialogParent.data());
    return *m_dialogs;
}

int BackupFile::fail(const QString &why)
{
    m_lastError = why;
    qCWarning(lcBackup) << why;
    return Failed;
}

int BackupFile::backup(usbReceiveThread *thread)
{
    m_lastError.clear();
    const QString path = chooser().saveFileName(dialogTitle(), proposedFileName(), saveFilter());
    if (path.isEmpty())
        return Cancelled;
    return backupTo(thread, path);
}

int BackupFile::recall(usbReceiveThread *thread)
{
    m_lastError.clear();
    const QString path = chooser().openFileName(dialogTitle(), QString(), openFilter());
    if (path.isEmpty())
        return Cancelled;
    return recallFrom(thread, path);
}

bool BackupFile::checkBackupFile(const QString &path, BackupFormat::Header *header)
{
    QString reason;
    if (!BackupFormat::checkFile(path, header, &reason)) {
        qCWarning(lcBackup) << path << reason;
        return false;
    }
    return true;
}

int BackupFile::backupTo(usbReceiveThread *thread, const QString &path)
{
    m_lastError.clear();
    QPointer<usbReceiveThread> t(thread);
    if (!t || t->isDisconnected())
        return fail(tr("the unit is not connected"));

    // Never a backup of a record that did not arrive intact.
    if (t->downloadChecked()) {
        const QStringList missing = t->missingRecords();
        if (!missing.isEmpty())
            return fail(tr("the unit's data did not arrive intact (%1); no file was written").arg(listed(missing)));
    }

    t->prepareReadout();
    if (t->sendBackupMode(Cmd::BackupReadout, Cmd::BackupBegin) < 0
        || t->sendRequestData(Cmd::KindIr, Cmd::RequestAllSlots, 0) < 0
        || t->sendRequestData(Cmd::KindNr, Cmd::RequestAllSlots, 0) < 0
        || t->sendBackupMode(Cmd::BackupReadout, Cmd::BackupEnd) < 0) {
        t->releaseReadout();
        return fail(tr("the unit could not be asked for its data"));
    }
    bool finished = t->waitForReadoutFinished(m_readoutTimeoutMs);
    if (t && !finished && !t->isDisconnected()) {
        // The end of the read-out may have been the frame that was lost.
        qCInfo(lcBackup) << "no end of the read-out; asking for it again";
        finished = t->sendBackupMode(Cmd::BackupReadout, Cmd::BackupEnd) >= 0 && t->waitForReadoutFinished(std::min(m_readoutTimeoutMs, kReadoutEndRetryMs));
    }
    if (!t)
        return fail(tr("the unit was disconnected during the backup"));
    if (!finished) {
        t->releaseReadout();
        if (t->isDisconnected())
            return fail(tr("the unit was disconnected during the backup"));
        return fail(tr("the unit did not send all its data within %1 s").arg(m_readoutTimeoutMs / 1000));
    }

    // Slots whose data did not arrive whole are asked for again, one by one.
    QStringList broken;
    const struct { int kind; const char *what; } kinds[] = {
        {Cmd::KindIr, QT_TR_NOOP("IR slot %1")}, {Cmd::KindNr, QT_TR_NOOP("NR slot %1")},
        {Cmd::KindCapture, QT_TR_NOOP("capture slot %1")}};
    for (const auto &k : kinds) {
        if (k.kind == Cmd::KindCapture && !t->downloadChecked())
            continue;
        const QList<int> left = t->refetchIncompleteSlots(k.kind);
        if (!t)
            return fail(tr("the unit was disconnected during the backup"));
        for (int slot : left)
            broken << tr(k.what).arg(slot + 1);
    }
    if (!broken.isEmpty()) {
        t->releaseReadout();
        if (t->isDisconnected())
            return fail(tr("the unit was disconnected during the backup"));
        return fail(tr("the unit did not send the data of %1 intact; no file was written").arg(listed(broken)));
    }

    BackupFormat::SlotReadout readout;
    readout.irData = t->irReadout();
    readout.nrData = t->nrReadout();
    for (int s = 0; s < Kt900::kIrSlots; ++s)
        readout.irReceived[static_cast<std::size_t>(s)] = t->slotDataComplete(Cmd::KindIr, s);
    for (int s = 0; s < Kt900::kNrSlots; ++s)
        readout.nrReceived[static_cast<std::size_t>(s)] = t->slotDataComplete(Cmd::KindNr, s);
    const QByteArray image = BackupFormat::buildImage(t->store(), readout);
    t->releaseReadout();

    // The previous file is replaced only by a complete new one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(tr("cannot create %1: %2").arg(QFileInfo(path).fileName(), file.errorString()));
    QString why;
    if (!BackupFormat::writeImage(file, image, &why))
        return fail(why);
    qCInfo(lcBackup) << "backup written to" << path << image.size() << "bytes";
    return Success;
}

bool BackupFile::sendItem(usbReceiveThread *thread, Group group, const BackupFormat::Item &item)
{
    switch (group) {
    case Group::ExpVol: return thread->sendExpVolume() >= 0;
    case Group::GlbBpm: return thread->sendGlobalBpm() >= 0;
    case Group::System: return thread->sendSystemSettings() >= 0;
    case Group::GlbEq: return thread->sendGlobalEq() >= 0;
    case Group::MidiList: return thread->sendMidiList() >= 0;
    case Group::Rhythm: return thread->sendRhythmSettings() >= 0;
    case Group::TcAmp: return thread->sendCaptureAmpList() >= 0;
    case Group::Preset: {
        QPointer<usbReceiveThread> t(thread);
        // A unit that never acknowledges (unplugged) must not hang the editor;
        // one lost acknowledgement costs one resend.
        return t->writePresetAcked(item.index, m_presetAckTimeoutMs) && t;
    }
    case Group::Capture:
        return thread->uploadCapture(item.index, item.data.mid(Kt900::kNameSize));
    case Group::Ir:
    case Group::Amp: {
        const QString name = Kt900::nameFromBytes(reinterpret_cast<const std::uint8_t *>(item.data.constData()));
        const QByteArray data = item.data.mid(Kt900::kNameSize);
        return group == Group::Ir ? thread->uploadIr(item.index, name, data) : thread->uploadNr(item.index, name, data);
    }
    default:
        return true;
    }
}

int BackupFile::recallFrom(usbReceiveThread *thread, const QString &path)
{
    m_lastError.clear();
    // Everything is checked and read before the unit is addressed.
    QByteArray bytes;
    QString reason;
    if (!BackupFormat::readFile(path, &bytes, &reason))
        return fail(reason);
    QVector<BackupFormat::GroupData> groups;
    if (!BackupFormat::parse(bytes, &groups, &reason))
        return fail(reason);

    QPointer<usbReceiveThread> t(thread);
    if (!t || t->isDisconnected())
        return fail(tr("the unit is not connected"));
    if (t->sendBackupMode(Cmd::BackupRecall, Cmd::BackupBegin) < 0)
        return fail(tr("the unit could not be put into recall mode"));
    emit recallProgress(0);

    for (const BackupFormat::GroupData &g : groups) {
        if (g.group == Group::Unknown) {
            qCInfo(lcBackup) << "skipping unknown group" << g.name;
            continue;
        }
        for (int i = 0; i < g.items.size(); ++i) {
            const BackupFormat::Item &item = g.items[i];
            if (!t)
                return fail(tr("the unit was disconnected during the recall"));
            BackupFormat::applyItem(t->store(), g.group, item);
            if (!sendItem(t, g.group, item)) {
                const QString what = tr("%1 item %2").arg(QString::fromLatin1(g.name)).arg(item.index);
                if (t)
                    t->sendBackupMode(Cmd::BackupRecall, Cmd::BackupEnd);
                return fail(tr("the unit did not take %1").arg(what));
            }
            emit recallProgress(BackupFormat::recallProgressFor(g.group, i));
        }
    }
    if (!t || t->sendBackupMode(Cmd::BackupRecall, Cmd::BackupEnd) < 0)
        return fail(tr("the unit was disconnected at the end of the recall"));
    emit recallProgress(BackupFormat::kProgressMax);
    return Success;
}
