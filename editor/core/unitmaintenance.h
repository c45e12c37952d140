#pragma once

// The settings pop-up's RESET, BACKUP and RECALL buttons.
//
// Reset asks first, then sends the factory reset; the editor's picture of
// the unit is stale from then on, so pending edits are dropped, input is
// blocked and the program ends a few seconds later (it is started again to
// load the factory set). The same happens after a successful recall.
//
// Backup and recall hide the pop-ups and hold the editor's busy state while
// they talk to the unit; input to the window is disabled meanwhile. The
// recall shows its progress on the loading overlay. A recall that fails
// midway hides the overlay, says which item failed, and refreshes every
// view from what the editor now holds. When the unit is unplugged during
// either, the session has already told the user and is quitting: nothing
// more is shown.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "busystate.h"
#include "loadingwidget.h"

class BackupFile;
class FileChooser;
class SendCoalescer;
class UnitLink;
class usbReceiveThread;
class QWidget;

class UnitMaintenance : public QObject
{
    Q_OBJECT

public:
    // After a factory reset the unit needs this long before the editor ends.
    static constexpr int kResetQuitDelayMs = 3000;
    static constexpr int kRecallSteps = 510;

    // What the window does for these operations.
    struct Hooks {
        std::function<void()> hidePopups;
        std::function<void(bool)> setInputEnabled;
        std::function<void()> refreshViews;
        std::function<void(int)> quit;
    };

    UnitMaintenance(QWidget *window, UnitLink &link, BusyState &busy, SendCoalescer &coalescer,
                    QObject *parent = nullptr);
    ~UnitMaintenance() override;

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    void setLoadingWidget(LoadingWidget *loading) { m_loading = loading; }
    // Where backup and recall get their file names (not owned; nullptr:
    // the toolkit's dialogs).
    void setFileChooser(FileChooser *chooser);
    BackupFile &backupFile() { return *m_backup; }

    // True once the editor has given up its picture of the unit (after a
    // reset or a recall) and waits to end.
    bool isFinishing() const { return m_final != nullptr; }

public slots:
    // The ids of the settings pop-up's buttons: 27 reset, 28 backup, 29 recall.
    void run(int id);
    // Each returns false when it was refused, cancelled or failed.
    bool factoryReset();
    bool backup();
    bool recall();

signals:
    // A backup or recall has ended (true: success).
    void finished(int id, bool ok);

private:
    // Runs `work` with the unit while the busy state is held, the pop-ups
    // are hidden and the window takes no input; kRefused when it cannot
    // start (another operation runs, the editor is ending, no unit).
    static constexpr int kRefused = 2;
    int holdingTheUnit(const QString &operation, const std::function<int(usbReceiveThread *)> &work);
    bool unitGone() const;
    void finish(const QString &operation, int quitDelayMs);
    void message(const QString &title, const QString &text, int buttons, int ms);

    QWidget *m_window;
    UnitLink &m_link;
    BusyState &m_busy;
    SendCoalescer &m_coalescer;
    QPointer<LoadingWidget> m_loading;
    std::unique_ptr<BackupFile> m_backup;
    std::unique_ptr<BusyState::Scope> m_final;
    Hooks m_hooks;
};
