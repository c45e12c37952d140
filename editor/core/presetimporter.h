#pragma once

// Imports preset files into the unit's presets: file i onto preset
// first + i. Every file is checked before anything is sent, the presets
// that do not exist (past 85C) are left out and the user is told so first,
// a file's tone capture goes into a capture slot as the user chooses
// (Replace, Save as another slot, or keep the slot as it is), and every
// preset and capture sent waits for the unit's acknowledgement. The import
// holds the editor's busy state; progress is reported for several files.

#include <QObject>
#include <QPointer>
#include <QStringList>

namespace Kt900 {
class DeviceStore;
}

class BusyState;
class PresetFileCodec;
class QWidget;
class UnitLink;

class PresetImporter : public QObject
{
    Q_OBJECT

public:
    PresetImporter(QWidget *window, UnitLink &link, PresetFileCodec &codec, QObject *parent = nullptr);

    void setBusyState(BusyState *busy) { m_busy = busy; }

    // How long one preset or capture chunk may wait for the unit.
    void setAckTimeout(int ms) { m_ackTimeoutMs = ms; }

    // Imports files onto presets firstRow, firstRow + 1, ...; returns the
    // number imported (0 when refused, cancelled or failed at once).
    int importFiles(const QStringList &paths, int firstRow);

    // "01:NAME" ... "20:EMPTY": the capture slots with what they hold now.
    static QStringList captureSlotEntries(const Kt900::DeviceStore &store);

signals:
    // A preset was stored in the unit (its row shows the new name).
    void presetImported(int row);
    // The current preset was among the targets: everything showing it follows.
    void currentPresetReplaced();
    // Several files: `done` of `total` presets are in the unit. Sent with
    // done 0 at the start and done == total (or earlier on failure) at the end.
    void progress(int done, int total);
    // A capture went into a slot of the unit under this name.
    void captureStored(int slot, const QString &name);
    void finished();

private:
    enum class Step { Ok, Failed, Gone };
    bool checkFiles(const QStringList &paths, QString *reason) const;
    Step importOne(const QString &path, int row);
    Step placeCapture(int row, int result);
    Step uploadCapture(int slot);
    Step sendPreset(int row);
    void failed(const QString &reason);
    QWidget *messageParent() const;

    QPointer<QWidget> m_window;
    UnitLink &m_link;
    PresetFileCodec &m_codec;
    QPointer<BusyState> m_busy;
    int m_ackTimeoutMs;
};
