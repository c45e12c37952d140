#pragma once

// Backup and recall of the whole unit through one ".tbf" file.
//
// Backup: the unit is asked for everything it holds (BackupMode (0, 1), IR and
// NR slot data, BackupMode (0, 0)); once it reports the read-out finished
// (within 20 s) the device store and the IR / NR data that arrived are written
// as one backup file (BackupFormat), replacing any previous file only when
// complete.
//
// Recall: the file is checked and read whole before anything is sent; then
// BackupMode (1, 1), every area into the store and to the unit (each preset
// waits for the unit's acknowledgement, each slot upload for its chunk
// acknowledgements), BackupMode (1, 0). recallProgress runs from 0 to 510.
//
// Both run on the thread that owns the receive object (the GUI thread) and
// keep the window responsive by processing events while they wait. The
// receive object may be deleted meanwhile (the unit was unplugged): the
// operation then fails without touching it again.
//
// Results: 0 success, 1 cancelled (no file chosen), -1 failure; lastError()
// says why.

#include "backupformat.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class FileChooser;
class usbReceiveThread;

class BackupFile : public QObject
{
    Q_OBJECT

public:
    enum Result : int { Success = 0, Cancelled = 1, Failed = -1 };

    static constexpr int kReadoutTimeoutMs = 20000;
    // The end of the read-out is asked for once more when it did not come;
    // this long is waited for it then.
    static constexpr int kReadoutEndRetryMs = 5000;
    // How long recall waits for the unit to acknowledge one preset.
    static constexpr int kPresetAckTimeoutMs = 5000;

    // File dialog texts.
    static QString dialogTitle();           // "KT900 Backup File"
    static QString proposedFileName();      // "./KT900.tbf"
    static QString saveFilter();            // "backup files(*.tbf)"
    static QString openFilter();            // "backup files(*.tbf);;All files (*.*)"

    explicit BackupFile(QObject *parent = nullptr);
    ~BackupFile() override;

    // Where backup() and recall() get their file names: the toolkit's file
    // dialogs over dialogParent (the default), or any other chooser (not
    // owned; nullptr restores the dialogs).
    void setFileChooser(FileChooser *chooser);
    void setDialogParent(QWidget *parent);

    // Asks for a file name, then backupTo / recallFrom it.
    int backup(usbReceiveThread *thread);
    int recall(usbReceiveThread *thread);

    // Reads the unit out and writes the backup file at path.
    int backupTo(usbReceiveThread *thread, const QString &path);
    // Checks the file at path and writes it into the unit.
    int recallFrom(usbReceiveThread *thread, const QString &path);

    // The checks recall makes before the unit is addressed.
    static bool checkBackupFile(const QString &path, BackupFormat::Header *header = nullptr);

    void setReadoutTimeout(int ms) { m_readoutTimeoutMs = ms; }
    void setPresetAckTimeout(int ms) { m_presetAckTimeoutMs = ms; }

    const QString &lastError() const { return m_lastError; }

signals:
    void recallProgress(int progress);

private:
    FileChooser &chooser();
    int fail(const QString &why);
    bool sendItem(usbReceiveThread *thread, BackupFormat::Group group, const BackupFormat::Item &item);

    FileChooser *m_chooser = nullptr;
    std::unique_ptr<FileChooser> m_dialogs;
    QPointer<QWidget> m_dialogParent;
    int m_readoutTimeoutMs = kReadoutTimeoutMs;
    int m_presetAckTimeoutMs = kPresetAckTimeoutMs;
    QString m_lastError;
};
