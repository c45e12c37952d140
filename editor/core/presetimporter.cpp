#include "presetimporter.h"

#include "busystate.h"
#include "commands.h"
#include "devicestore.h"
#include "mymessagebox.h"
#include "presetfilecodec.h"
#include "presetnames.h"
#include "unitlink.h"
#include "usbreceivethread.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QWidget>

#include <memory>

using namespace Kt900;

Q_LOGGING_CATEGORY(lcPresetImport, "kt900.core.presetimport")

namespace {

struct AckMark {
    int subKind;
    int slot;
    int chunk;
    bool operator==(const AckMark &o) const { return subKind == o.subKind && slot == o.slot && chunk == o.chunk; }
};

AckMark ackMark(const usbReceiveThread *u)
{
    return AckMark{u->ackSubKind(), u->ackSlot(), u->ackChunkIndex()};
}

} // namespace

PresetImporter::PresetImporter(QWidget *window, UnitLink &link, PresetFileCodec &codec, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_link(link)
    , m_codec(codec)
    , m_ackTimeoutMs(usbReceiveThread::kAckTimeoutMs)
{
}

QStringList PresetImporter::captureSlotEntries(const DeviceStore &store)
{
    QStringList entries;
    for (int slot = 0; slot < kCaptureSlots; ++slot) {
        const QString name = store.slotName(ListCapture, slot).trimmed();
        const bool filled = store.captureUsed(slot) && !name.isEmpty();
        entries << QStringLiteral("%1:%2").arg(slot + 1, 2, 10, QLatin1Char('0')).arg(filled ? name : tr("EMPTY"));
    }
    return entries;
}

QWidget *PresetImporter::messageParent() const
{
    return m_window ? m_window->window() : nullptr;
}

void PresetImporter::failed(const QString &reason)
{
    qCWarning(lcPresetImport) << "preset import failed:" << reason;
    MyMessageBox::showMessage(tr("Import"), tr("Preset import failed !"), messageParent(), MyMessageBox::NoButton, 1000);
}

// Every file must be a preset file the unit can take before anything is
// sent: each is read into a scratch copy of the presets.
bool PresetImporter::checkFiles(const QStringList &paths, QString *reason) const
{
    auto scratch = std::make_unique<DeviceStore>();
    PresetFileCodec check(scratch.get());
    for (const QString &path : paths) {
        if (check.importPresetFile(0, path) == PresetFileCodec::ImportFailed) {
            *reason = QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), check.lastError());
            return false;
        }
    }
    return true;
}

int PresetImporter::importFiles(const QStringList &paths, int firstRow)
{
    if (paths.isEmpty() || firstRow < 0 || firstRow >= kPresetCount)
        return 0;
    if (m_busy && !m_busy->allows("a preset import"))
        return 0;
    QStringList files = paths;
    const int room = kPresetCount - firstRow;
    if (files.size() > room) {
        // Past 85C lie the edit buffer and nothing: those files stay out.
        MyMessageBox::showMessage(
            tr("WARNING"),
            tr("Only %1 of the %2 files fit from %3 to %4;\nthe other files are not imported.")
                .arg(room)
                .arg(files.size())
                .arg(PresetNames::presetPrefix(firstRow), PresetNames::presetPrefix(kPresetCount - 1)),
            messageParent(), MyMessageBox::Ok);
        files = files.mid(0, room);
    }
    QString reason;
    if (!checkFiles(files, &reason)) {
        failed(reason);
        return 0;
    }
    if (MyMessageBox::showMessage(tr("INFO"), tr("Whether to import preset data?"), messageParent(), MyMessageBox::YesNo)
        != MyMessageBox::YesCode)
        return 0;

    const BusyState::Scope busy(m_busy, tr("Preset import"));
    if ((m_busy && !busy.entered()) || !m_link.sender()) {
        failed(QStringLiteral("the unit is busy or not connected"));
        return 0;
    }
    const int total = files.size();
    const bool several = total > 1;
    if (several)
        emit progress(0, total);
    const int current = m_link.store().currentPresetIndex();
    bool currentReplaced = false;
    int done = 0;
    Step step = Step::Ok;
    for (; done < total; ++done) {
        const int row = firstRow + done;
        step = importOne(files.at(done), row);
        if (step != Step::Ok)
            break;
        emit presetImported(row);
        if (row == current)
            currentReplaced = true;
        if (several)
            emit progress(done + 1, total);
    }
    if (currentReplaced) {
        // The edit buffer holds what the unit stores for the preset now.
        m_link.store().setModified(false);
        emit currentPresetReplaced();
    }
    emit finished();
    if (step == Step::Ok) {
        MyMessageBox::showMessage(tr("Import"), tr("Preset import successful !"), messageParent(), MyMessageBox::NoButton,
                                  1000);
    } else if (step == Step::Failed) {
        failed(QStringLiteral("%1 of %2 presets imported").arg(done).arg(total));
    }
    // Step::Gone: the unit went away; the window says so and closes.
    return done;
}

PresetImporter::Step PresetImporter::importOne(const QString &path, int row)
{
    DeviceStore &store = m_link.store();
    // The model goes back to what the unit holds when the preset does not get there.
    const Record before = *store.record(row);
    const Record editBefore = *store.record(kEditBuffer);
    auto restore = [&]() {
        *store.record(row) = before;
        if (row == store.currentPresetIndex())
            *store.record(kEditBuffer) = editBefore;
    };
    const PresetFileCodec::PresetImportResult result = m_codec.importPresetFile(row, path);
    if (result == PresetFileCodec::ImportFailed) {
        qCWarning(lcPresetImport) << path << m_codec.lastError();
        return Step::Failed;
    }
    // A file from elsewhere (the desktop) may be named with characters a
    // preset name cannot hold: the preset gets the cleaned name instead of
    // the raw bytes.
    const QString base = QFileInfo(path).completeBaseName();
    if (!PresetNames::baseNameProblem(base).isEmpty()) {
        store.setPresetName(row, PresetNames::cleanBaseName(base, row));
        if (row == store.currentPresetIndex())
            *store.record(kEditBuffer) = *store.record(row);
    }
    Step step = placeCapture(row, result);
    if (step == Step::Ok)
        step = sendPreset(row);
    if (step != Step::Ok)
        restore();
    return step;
}

PresetImporter::Step PresetImporter::placeCapture(int row, int result)
{
    DeviceStore &store = m_link.store();
    const int presetSlot = store.preset(row).moduleType(ModToneCap);
    switch (result) {
    case PresetFileCodec::ImportCaptureSlotEmpty:
        return uploadCapture(presetSlot);
    case PresetFileCodec::ImportCaptureDiffers:
        break;
    default:
        return Step::Ok; // no capture, or the slot holds the same one
    }
    const int answer = MyMessageBox::showMessage(
        tr("WARNING"), tr("Do you want to replace the TONE CAPTURE\r\n               file included by the preset?"),
        messageParent(), MyMessageBox::SaveAsReplace);
    if (answer == MyMessageBox::ReplaceCode)
        return uploadCapture(presetSlot);
    if (answer != MyMessageBox::SaveAsCode)
        return Step::Ok; // the slot keeps its capture
    int chosen = 0;
    if (MyMessageBox::showComboBox(tr("SAVE AS"), captureSlotEntries(store), &chosen, messageParent())
            != MyMessageBox::YesCode
        || chosen < 0 || chosen >= kCaptureSlots)
        return Step::Ok;
    // The preset uses the slot its capture went into.
    store.setBlockWord(row, ModToneCap, 1, static_cast<std::uint16_t>(chosen));
    if (row == store.currentPresetIndex())
        *store.record(kEditBuffer) = *store.record(row);
    return uploadCapture(chosen);
}

PresetImporter::Step PresetImporter::uploadCapture(int slot)
{
    if (slot < 0 || slot >= kCaptureSlots)
        return Step::Ok;
    usbReceiveThread *u = m_link.sender();
    if (!u)
        return Step::Gone;
    DeviceStore &store = m_link.store();
    const QString oldName = store.slotName(ListCapture, slot);
    const bool oldUsed = store.captureUsed(slot);
    store.setSlotName(ListCapture, slot, m_codec.captureName());
    store.setCaptureUsed(slot, true);
    const int timeout = u->ackTimeout();
    u->setAckTimeout(m_ackTimeoutMs);
    const bool ok = u->uploadCapture(slot, m_codec.captureBytes());
    if (ok) {
        u->setAckTimeout(timeout);
        emit captureStored(slot, m_codec.captureName());
        return Step::Ok;
    }
    if (!m_link.sender())
        return Step::Gone;
    u->setAckTimeout(timeout);
    store.setSlotName(ListCapture, slot, oldName);
    store.setCaptureUsed(slot, oldUsed);
    qCWarning(lcPresetImport) << "the capture upload to slot" << slot << "was not acknowledged";
    return Step::Failed;
}

PresetImporter::Step PresetImporter::sendPreset(int row)
{
    usbReceiveThread *u = m_link.sender();
    if (!u)
        return Step::Gone;
    u->setLastAckedPreset(usbReceiveThread::kNoPresetAck);
    if (u->writePreset(row) < 0)
        return m_link.sender() ? Step::Failed : Step::Gone;
    if (!u->waitForPresetAck(row, m_ackTimeoutMs)) {
        qCWarning(lcPresetImport) << "preset" << row << "was not acknowledged";
        return m_link.sender() ? Step::Failed : Step::Gone;
    }
    if (row != m_link.store().currentPresetIndex())
        return Step::Ok;
    // The current preset was replaced: the unit's edit buffer takes it too.
    u = m_link.sender();
    if (!u)
        return Step::Gone;
    const AckMark before = ackMark(u);
    if (u->writeEditBuffer() < 0)
        return m_link.sender() ? Step::Failed : Step::Gone;
    const bool acked = u->waitUntil(
        [u, &before]() {
            const AckMark now = ackMark(u);
            return !(now == before) && now.subKind == Cmd::SubEditBuffer;
        },
        m_ackTimeoutMs);
    if (!acked)
        return m_link.sender() ? Step::Failed : Step::Gone;
    return Step::Ok;
}
