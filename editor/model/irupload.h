#pragma once

// Importing IR (".wav") and NR (".amp") files into the unit's user slots and
// deleting them: the file is read and converted (irdata.h), uploaded as a
// 16-byte name chunk and data chunks that the unit acknowledges one by one,
// and the slot's label in the effect catalogue follows.
//
// Runs on the thread that owns the receive object; the uploads wait for the
// acknowledgements while processing events (at most 5 s per chunk).

#include <QString>

class usbReceiveThread;

namespace IrData {

enum class ImportStatus {
    Imported,       // uploaded; the catalogue's type name is the new label
    InvalidName,    // the slot name is not printable ASCII only
    InvalidFile,    // the file cannot be read or converted (reason says why)
    InvalidSlot,    // the type row is not an import slot of the module
    UploadFailed,   // a chunk was not acknowledged in time, or the unit is gone
};

struct ImportOutcome
{
    ImportStatus status = ImportStatus::InvalidFile;
    QString slotName;   // first 15 characters of the file's complete base name
    QString label;      // "%1:%2", the new type name of the row
    QString reason;     // for InvalidFile and UploadFailed
    bool ok() const { return status == ImportStatus::Imported; }
};

// module 3 (CAB, IR slots at type rows 32..41) or 2 (AMP, NR slots at rows
// 70..79); the file kind follows the module.
ImportOutcome importSlotFile(usbReceiveThread *thread, int module, int typeRow, const QString &path);
ImportOutcome importIrFile(usbReceiveThread *thread, int typeRow, const QString &path);
ImportOutcome importNrFile(usbReceiveThread *thread, int typeRow, const QString &path);

// Sends DeleteSlot for the slot of a CAB or AMP type row; on success the
// slot's name is cleared in the store and its type name becomes "%1:EMPTY".
bool deleteSlot(usbReceiveThread *thread, int module, int typeRow);

} // namespace IrData
