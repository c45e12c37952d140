#include "unitcommands.h"

#include "commandline.h"
#include "offline.h"
#include "output.h"
#include "unitsession.h"

#include "backupfile.h"
#include "backupformat.h"
#include "commands.h"
#include "effectcatalogue.h"
#include "identity.h"
#include "irdata.h"
#include "irupload.h"
#include "presetfilecodec.h"
#include "presetnames.h"
#include "usbreceivethread.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSet>
#include <QTimer>

Q_DECLARE_LOGGING_CATEGORY(lcCli)

namespace Cli {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("kt900", text);
}

int failWith(Output &out, const QString &message)
{
    out.error(message);
    return 1;
}

// Connects as the editor; false (with the message printed) when it cannot.
bool connectUnit(UnitSession &s, const Invocation &inv, Output &out, bool needCaptures)
{
    QString error;
    if (!s.connectAndSync(inv.busAddress, &error)) {
        out.error(error);
        return false;
    }
    // The capture data the editor asks for after the download: export, import
    // and backup carry it; the other commands only wait for a quiet link.
    if (!s.waitForCaptures(&error)) {
        if (needCaptures || s.wasDisconnected() || interruptRequested()) {
            out.error(error);
            return false;
        }
        qCInfo(lcCli) << error;
    }
    return true;
}

QString irNrName(bool ir)
{
    return ir ? tr("IR") : tr("NR");
}

int typeRowOf(bool ir, int slot)
{
    return (ir ? IrData::kIrFirstTypeRow : IrData::kNrFirstTypeRow) + slot;
}

QString slotLabelOf(const Kt900::DeviceStore &store, bool ir, int slot)
{
    const QString name = store.slotName(ir ? Kt900::ListIr : Kt900::ListNr, slot).trimmed();
    const int row = typeRowOf(ir, slot);
    return name.isEmpty() ? IrData::emptySlotLabel(row) : IrData::slotLabel(row, name);
}

QString captureLabelOf(const Kt900::DeviceStore &store, int slot)
{
    const QString name = store.slotName(Kt900::ListCapture, slot).trimmed();
    return QStringLiteral("%1:%2").arg(slot + 1, 2, 10, QLatin1Char('0'))
        .arg(store.captureUsed(slot) ? name : QStringLiteral("EMPTY"));
}

// The last chunk acknowledgement, to tell which chunk an upload stopped at.
struct AckMark
{
    int subKind = -1;
    int slot = -1;
    int chunk = -1;
    bool operator==(const AckMark &o) const { return subKind == o.subKind && slot == o.slot && chunk == o.chunk; }
};

AckMark ackMark(const usbReceiveThread *recv)
{
    return AckMark{recv->ackSubKind(), recv->ackSlot(), recv->ackChunkIndex()};
}

// "the unit did not acknowledge chunk 3 of IR slot 2", or the disconnection.
QString uploadFailure(UnitSession &s, const AckMark &before, int subKind, int slot, const QString &what)
{
    if (s.wasDisconnected())
        return tr("the unit was disconnected during the upload to %1").arg(what);
    const AckMark now = ackMark(s.recv());
    int chunk = 0;
    if (now.subKind == subKind && now.slot == slot && !(now == before))
        chunk = now.chunk + 1;
    return tr("the unit did not acknowledge chunk %1 of %2").arg(chunk).arg(what);
}

// Shows the chunks an upload has had acknowledged while it waits.
class UploadProgress
{
public:
    UploadProgress(Output &out, const usbReceiveThread *recv, int subKind, int slot, int chunks, const QString &what)
    {
        if (!out.showsProgress())
            return;
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [&out, recv, subKind, slot, chunks, what] {
            if (recv->ackSubKind() == subKind && recv->ackSlot() == slot)
                out.progress(what, recv->ackChunkIndex() + 1, chunks);
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

bool sendPreset(UnitSession &s, int index, QString *error)
{
    if (!s.recv()->writePresetAcked(index, BackupFile::kPresetAckTimeoutMs)) {
        *error = s.failure(tr("the unit did not acknowledge preset %1 (sent twice)").arg(presetLabel(index)));
        return false;
    }
    return true;
}

bool sendEditBuffer(UnitSession &s, QString *error)
{
    if (!s.recv()->writeEditBufferAcked(BackupFile::kPresetAckTimeoutMs)) {
        *error = s.failure(tr("the unit did not acknowledge its edit buffer (sent twice)"));
        return false;
    }
    return true;
}

// The names "export --all" gives: the editor's names for exported presets.
QString exportBaseName(const Kt900::DeviceStore &store, int index, QSet<QString> *used)
{
    return PresetNames::exportFileBaseName(store.presetName(index), index, used);
}

QString writeError(const PresetFileCodec &codec, int code, const QString &path)
{
    return code == PresetFileCodec::FileCannotOpen ? tr("cannot create %1: %2").arg(path, codec.lastError())
                                                   : tr("cannot write %1: %2").arg(path, codec.lastError());
}

bool folderOfFileExists(const QString &path)
{
    return QFileInfo(QFileInfo(path).absolutePath()).isDir();
}

} // namespace

int runInfo(const Invocation &inv, Output &out)
{
    UnitSession s(out);
    UnitIdentity id;
    QString error;
    if (!s.identify(inv.busAddress, &id, &error))
        return failWith(out, error);
    const QString modeName = id.mode == 'A' ? tr("normal") : id.mode == 'B' ? tr("firmware update") : tr("unknown");
    const bool accepted = !id.infoValid || Identity::versionAccepted(id.version.toLatin1());
    if (inv.json) {
        QJsonObject o{{QStringLiteral("model"), id.model},
                      {QStringLiteral("firmware"), id.version},
                      {QStringLiteral("firmwareAccepted"), accepted},
                      {QStringLiteral("mode"), id.mode ? QString(QLatin1Char(id.mode)) : QString()},
                      {QStringLiteral("modeName"), modeName},
                      {QStringLiteral("busAddress"), id.address},
                      {QStringLiteral("deviceType"), id.deviceType},
                      {QStringLiteral("info1"), id.info1},
                      {QStringLiteral("info3"), id.info3}};
        out.json(QJsonDocument(o));
        return 0;
    }
    out.line(tr("model: %1").arg(id.model));
    out.line(accepted ? tr("firmware: %1").arg(id.version)
                      : tr("firmware: %1 (the editor needs %2)").arg(id.version, QString::fromLatin1(Identity::kRequiredVersion)));
    out.line(tr("mode: %1 (%2)").arg(id.mode ? QString(QLatin1Char(id.mode)) : QStringLiteral("?"), modeName));
    out.line(tr("bus address: %1").arg(id.address));
    return 0;
}

int runList(const Invocation &inv, Output &out)
{
    UnitSession s(out);
    QString error;
    if (!s.connectAndSync(inv.busAddress, &error))
        return failWith(out, error);
    // The names are all there; the capture data the editor asks for next is
    // let in so that the unit is left with nothing more to send.
    s.waitForCaptures(&error);
    const Kt900::DeviceStore &st = s.store();
    const int current = st.currentPresetIndex();
    if (inv.json) {
        QJsonArray presets;
        for (int i = 0; i < Kt900::kPresetCount; ++i) {
            presets.append(QJsonObject{{QStringLiteral("index"), i},
                                       {QStringLiteral("label"), presetLabel(i)},
                                       {QStringLiteral("name"), st.presetName(i).trimmed()},
                                       {QStringLiteral("text"), presetText(i, st.presetName(i))}});
        }
        auto slotArray = [&st](bool ir) {
            QJsonArray a;
            for (int i = 0; i < IrData::kSlotCount; ++i) {
                const QString name = st.slotName(ir ? Kt900::ListIr : Kt900::ListNr, i).trimmed();
                a.append(QJsonObject{{QStringLiteral("slot"), i + 1},
                                     {QStringLiteral("row"), typeRowOf(ir, i) + 1},
                                     {QStringLiteral("label"), slotLabelOf(st, ir, i)},
                                     {QStringLiteral("name"), name},
                                     {QStringLiteral("filled"), !name.isEmpty()}});
            }
            return a;
        };
        QJsonArray captures;
        for (int i = 0; i < Kt900::kCaptureSlots; ++i) {
            captures.append(QJsonObject{{QStringLiteral("slot"), i + 1},
                                        {QStringLiteral("label"), captureLabelOf(st, i)},
                                        {QStringLiteral("name"), st.slotName(Kt900::ListCapture, i).trimmed()},
                                        {QStringLiteral("filled"), st.captureUsed(i)}});
        }
        QJsonObject o{{QStringLiteral("presets"), presets},
                      {QStringLiteral("ir"), slotArray(true)},
                      {QStringLiteral("nr"), slotArray(false)},
                      {QStringLiteral("capture"), captures}};
        if (current >= 0) {
            o.insert(QStringLiteral("current"), QJsonObject{{QStringLiteral("index"), current},
                                                            {QStringLiteral("label"), presetLabel(current)},
                                                            {QStringLiteral("name"), st.presetName(current).trimmed()},
                                                            {QStringLiteral("text"), presetText(current, st.presetName(current))}});
        } else {
            o.insert(QStringLiteral("current"), QJsonValue::Null);
        }
        out.json(QJsonDocument(o));
        return 0;
    }
    out.line(tr("Presets:"));
    for (int i = 0; i < Kt900::kPresetCount; ++i)
        out.line(presetText(i, st.presetName(i)));
    out.line(tr("Current preset: %1").arg(current >= 0 ? presetText(current, st.presetName(current)) : tr("none")));
    out.line(tr("IR slots:"));
    for (int i = 0; i < IrData::kSlotCount; ++i)
        out.line(slotLabelOf(st, true, i));
    out.line(tr("NR slots:"));
    for (int i = 0; i < IrData::kSlotCount; ++i)
        out.line(slotLabelOf(st, false, i));
    out.line(tr("Capture slots:"));
    for (int i = 0; i < Kt900::kCaptureSlots; ++i)
        out.line(captureLabelOf(st, i));
    return 0;
}

int runExport(const Invocation &inv, Output &out)
{
    if (!inv.all && !folderOfFileExists(inv.output))
        return failWith(out, tr("cannot create %1: the folder does not exist").arg(inv.output));
    UnitSession s(out);
    if (!connectUnit(s, inv, out, true))
        return 1;
    PresetFileCodec codec(&s.store());
    int code = 0;
    if (!inv.all) {
        if (!codec.writePresetFile(inv.preset, inv.output, &code))
            return failWith(out, writeError(codec, code, inv.output));
        out.line(tr("%1 -> %2").arg(presetText(inv.preset, s.store().presetName(inv.preset)), inv.output));
        return 0;
    }
    QDir dir(inv.output);
    if (!dir.exists() && !QDir().mkpath(inv.output))
        return failWith(out, tr("cannot create the folder %1").arg(inv.output));
    codec.setPresetFolder(dir.absolutePath());
    QSet<QString> used;
    for (int i = 0; i < Kt900::kPresetCount; ++i) {
        if (interruptRequested()) {
            out.error(tr("interrupted after %1 of %2 presets; the files written are complete").arg(i).arg(Kt900::kPresetCount));
            return 1;
        }
        const QString path = codec.presetFilePath(exportBaseName(s.store(), i, &used));
        if (!codec.writePresetFile(i, path, &code))
            return failWith(out, writeError(codec, code, path));
        out.line(tr("%1 -> %2").arg(presetText(i, s.store().presetName(i)), path));
    }
    return 0;
}

int runImport(const Invocation &inv, Output &out)
{
    // Every file is checked before anything is sent.
    for (const QString &path : inv.files) {
        QString reason;
        if (!checkPresetFile(path, &reason))
            return failWith(out, QStringLiteral("%1: %2").arg(path, reason));
    }
    UnitSession s(out);
    if (!connectUnit(s, inv, out, true))
        return 1;
    Kt900::DeviceStore &st = s.store();
    PresetFileCodec codec(&st);
    for (int i = 0; i < inv.files.size(); ++i) {
        if (interruptRequested()) {
            out.error(tr("interrupted after %1 of %2 files").arg(i).arg(inv.files.size()));
            return 1;
        }
        const QString &path = inv.files.at(i);
        const int target = inv.preset + i;
        const PresetFileCodec::PresetImportResult result = codec.importPresetFile(target, path);
        if (result == PresetFileCodec::ImportFailed)
            return failWith(out, QStringLiteral("%1: %2").arg(path, codec.lastError()));

        // The tone capture the file carries.
        const int presetSlot = st.blockWord(target, Kt900::ModToneCap, 1);
        int uploadSlot = -1;
        switch (inv.capture) {
        case CaptureChoice::Skip:
            break;
        case CaptureChoice::Slot:
            if (codec.capturePresent()) {
                uploadSlot = inv.captureSlot;
                // The preset uses the slot its capture went into.
                st.setBlockWord(target, Kt900::ModToneCap, 1, static_cast<std::uint16_t>(uploadSlot));
                if (st.currentPresetIndex() == target)
                    *st.record(Kt900::kEditBuffer) = *st.record(target);
            }
            break;
        case CaptureChoice::Replace:
            if (result == PresetFileCodec::ImportCaptureSlotEmpty || result == PresetFileCodec::ImportCaptureDiffers)
                uploadSlot = presetSlot;
            break;
        case CaptureChoice::Default:
            if (result == PresetFileCodec::ImportCaptureSlotEmpty)
                uploadSlot = presetSlot;
            else if (result == PresetFileCodec::ImportCaptureDiffers)
                out.note(tr("%1: capture slot %2 holds another capture than the file's \"%3\"; it was kept "
                            "(--capture replace or --capture slot=K to load the file's)")
                             .arg(path).arg(presetSlot + 1).arg(codec.captureName()));
            break;
        }
        if (uploadSlot >= 0) {
            const QString what = tr("capture slot %1").arg(uploadSlot + 1);
            st.setSlotName(Kt900::ListCapture, uploadSlot, codec.captureName());
            st.setCaptureUsed(uploadSlot, true);
            const AckMark before = ackMark(s.recv());
            bool ok = false;
            {
                UploadProgress progress(out, s.recv(), Cmd::SubCapture, uploadSlot, Cmd::kCaptureChunkTotal, what);
                ok = s.recv()->uploadCapture(uploadSlot, codec.captureBytes());
            }
            out.endProgress();
            if (!ok)
                return failWith(out, uploadFailure(s, before, Cmd::SubCapture, uploadSlot, what));
        }

        QString error;
        if (!sendPreset(s, target, &error))
            return failWith(out, error);
        // The current preset was replaced: the unit's edit buffer takes the
        // new content too, as after the editor's own record changes.
        if (st.currentPresetIndex() == target && !sendEditBuffer(s, &error))
            return failWith(out, error);
        QString line = tr("%1 <- %2").arg(presetText(target, st.presetName(target)), path);
        if (uploadSlot >= 0)
            line += tr(" (capture \"%1\" into capture slot %2)").arg(codec.captureName()).arg(uploadSlot + 1);
        out.line(line);
    }
    return 0;
}

int runBackup(const Invocation &inv, Output &out)
{
    const QString path = inv.files.value(0);
    if (!folderOfFileExists(path))
        return failWith(out, tr("cannot create %1: the folder does not exist").arg(path));
    UnitSession s(out);
    if (!connectUnit(s, inv, out, true))
        return 1;
    usbReceiveThread *recv = s.recv();
    const Kt900::DeviceStore &st = s.store();

    // Progress: the filled IR and NR slots whose data has come.
    QTimer timer;
    if (out.showsProgress()) {
        timer.setInterval(50);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!recv->hasReadoutBuffers())
                return;
            int filled = 0, done = 0;
            for (int slot = 0; slot < IrData::kSlotCount; ++slot) {
                for (const bool ir : {true, false}) {
                    if (st.slotName(ir ? Kt900::ListIr : Kt900::ListNr, slot).isEmpty())
                        continue;
                    ++filled;
                    done += (ir ? recv->irPending(slot) : recv->nrPending(slot)) ? 0 : 1;
                }
            }
            out.progress(tr("reading the IR and NR slots"), done, filled);
        });
        timer.start();
    }
    BackupFile backup;
    const int result = backup.backupTo(recv, path);
    timer.stop();
    out.endProgress();
    if (result != BackupFile::Success) {
        if (s.wasDisconnected())
            return failWith(out, tr("the unit was disconnected during the backup; no file was written"));
        return failWith(out, tr("backup failed: %1").arg(backup.lastError()));
    }
    out.line(tr("backup written to %1 (%2 bytes)").arg(path).arg(QFileInfo(path).size()));
    return 0;
}

int runRecall(const Invocation &inv, Output &out)
{
    // The file is checked whole before the unit is addressed.
    const QString path = inv.files.value(0);
    {
        QByteArray bytes;
        QVector<BackupFormat::GroupData> groups;
        QString reason;
        if (!BackupFormat::readFile(path, &bytes, &reason) || !BackupFormat::parse(bytes, &groups, &reason))
            return failWith(out, QStringLiteral("%1: %2").arg(path, reason));
    }
    UnitSession s(out);
    if (!connectUnit(s, inv, out, false))
        return 1;
    BackupFile recall;
    QObject::connect(&recall, &BackupFile::recallProgress, [&out](int p) {
        out.progress(tr("recall"), p, BackupFormat::kProgressMax);
    });
    setStopNotice("\nkt900: recall stopped: the unit now holds part of the backup; recall it again\n");
    const int result = recall.recallFrom(s.recv(), path);
    setStopNotice(nullptr);
    out.endProgress();
    if (result != BackupFile::Success) {
        const QString why = recall.lastError();
        if (s.wasDisconnected())
            return failWith(out, tr("the unit was disconnected during the recall (%1); the unit holds part of the backup, recall it again").arg(why));
        return failWith(out, tr("recall failed: %1").arg(why));
    }
    out.line(tr("recall of %1 complete").arg(path));
    return 0;
}

int runSlotUpload(const Invocation &inv, Output &out)
{
    const QString path = inv.files.value(0);
    QString reason;
    if (!checkSlotFile(path, inv.ir, &reason))
        return failWith(out, QStringLiteral("%1: %2").arg(path, reason));
    UnitSession s(out);
    if (!connectUnit(s, inv, out, false))
        return 1;
    const int subKind = inv.ir ? Cmd::SubIr : Cmd::SubNr;
    const QString what = tr("%1 slot %2").arg(irNrName(inv.ir)).arg(inv.slot + 1);
    const AckMark before = ackMark(s.recv());
    IrData::ImportOutcome outcome;
    {
        UploadProgress progress(out, s.recv(), subKind, inv.slot, inv.ir ? Cmd::kIrChunkTotal : Cmd::kNrChunkTotal,
                                tr("uploading to %1").arg(what));
        outcome = IrData::importSlotFile(s.recv(), inv.ir ? Kt900::ModCab : Kt900::ModAmp, typeRowOf(inv.ir, inv.slot), path);
    }
    out.endProgress();
    switch (outcome.status) {
    case IrData::ImportStatus::Imported:
        out.line(tr("%1: %2").arg(what, outcome.label));
        return 0;
    case IrData::ImportStatus::InvalidName:
        return failWith(out, tr("%1: the file name '%2' cannot name a slot: printable ASCII characters only").arg(path, outcome.slotName));
    case IrData::ImportStatus::InvalidFile:
    case IrData::ImportStatus::InvalidSlot:
        return failWith(out, QStringLiteral("%1: %2").arg(path, outcome.reason));
    case IrData::ImportStatus::UploadFailed:
        break;
    }
    return failWith(out, uploadFailure(s, before, subKind, inv.slot, what));
}

int runSlotDelete(const Invocation &inv, Output &out)
{
    UnitSession s(out);
    if (!connectUnit(s, inv, out, false))
        return 1;
    const QString what = tr("%1 slot %2").arg(irNrName(inv.ir)).arg(inv.slot + 1);
    const QString before = slotLabelOf(s.store(), inv.ir, inv.slot);
    if (!IrData::deleteSlot(s.recv(), inv.ir ? Kt900::ModCab : Kt900::ModAmp, typeRowOf(inv.ir, inv.slot)))
        return failWith(out, s.failure(tr("the unit could not be asked to delete %1").arg(what)));
    out.line(tr("%1 deleted (was %2, now %3)").arg(what, before, slotLabelOf(s.store(), inv.ir, inv.slot)));
    return 0;
}

} // namespace Cli
