#include "irupload.h"

#include "devicestore.h"
#include "effectcatalogue.h"
#include "irdata.h"
#include "usbreceivethread.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>

Q_LOGGING_CATEGORY(lcIrUpload, "kt900.model.irupload")

namespace IrData {

ImportOutcome importSlotFile(usbReceiveThread *thread, int module, int typeRow, const QString &path)
{
    ImportOutcome out;
    const int slot = slotForTypeRow(module, typeRow);
    if (slot < 0) {
        out.status = ImportStatus::InvalidSlot;
        out.reason = QCoreApplication::translate("IrData", "type row %1 is not a user slot").arg(typeRow);
        return out;
    }
    out.slotName = slotNameForFile(path);
    if (!isValidSlotName(out.slotName)) {
        out.status = ImportStatus::InvalidName;
        return out;
    }
    out.label = slotLabel(typeRow, out.slotName);
    const bool ir = module == Kt900::ModCab;
    QByteArray data;
    if (!(ir ? loadIrFile(path, &data, &out.reason) : loadNrFile(path, &data, &out.reason))) {
        out.status = ImportStatus::InvalidFile;
        return out;
    }
    QPointer<usbReceiveThread> t(thread);
    if (!t || t->isDisconnected()) {
        out.status = ImportStatus::UploadFailed;
        out.reason = QCoreApplication::translate("IrData", "the unit is not connected");
        return out;
    }
    const bool uploaded = ir ? t->uploadIr(slot, out.slotName, data) : t->uploadNr(slot, out.slotName, data);
    if (!uploaded) {
        out.status = ImportStatus::UploadFailed;
        out.reason = QCoreApplication::translate("IrData", "the unit did not acknowledge the upload");
        qCWarning(lcIrUpload) << path << out.reason;
        return out;
    }
    EffectCatalogue::instance().setTypeName(module, typeRow, out.label);
    out.status = ImportStatus::Imported;
    return out;
}

ImportOutcome importIrFile(usbReceiveThread *thread, int typeRow, const QString &path)
{
    return importSlotFile(thread, Kt900::ModCab, typeRow, path);
}

ImportOutcome importNrFile(usbReceiveThread *thread, int typeRow, const QString &path)
{
    return importSlotFile(thread, Kt900::ModAmp, typeRow, path);
}

bool deleteSlot(usbReceiveThread *thread, int module, int typeRow)
{
    const int slot = slotForTypeRow(module, typeRow);
    if (slot < 0 || !thread || thread->isDisconnected() || thread->sendDeleteSlot(module, typeRow) < 0)
        return false;
    thread->store().setSlotName(module == Kt900::ModCab ? Kt900::ListIr : Kt900::ListNr, slot, QString());
    EffectCatalogue::instance().setTypeName(module, typeRow, emptySlotLabel(typeRow));
    return true;
}

} // namespace IrData
