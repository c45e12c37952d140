#include "unitmaintenance.h"

#include "backupfile.h"
#include "kt900style.h"
#include "loadingwidget.h"
#include "mymessagebox.h"
#include "sendcoalescer.h"
#include "titlebar.h"
#include "unitlink.h"

#include <QLoggingCategory>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

Q_LOGGING_CATEGORY(lcMaintenance, "kt900.core.maintenance")

namespace {

// The loading overlay as the recall uses it, and back.
void setRecallLook(LoadingWidget *loading, bool recall)
{
    loading->setTitle(recall ? QObject::tr("Recalling...") : QObject::tr("Loading..."));
    loading->progressBar()->setProperty("recall", recall);
    Kt900Style::repolish(loading->progressBar());
}

QString withReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
}

} // namespace

UnitMaintenance::UnitMaintenance(QWidget *window, UnitLink &link, BusyState &busy, SendCoalescer &coalescer,
                                 QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_link(link)
    , m_busy(busy)
    , m_coalescer(coalescer)
    , m_backup(std::make_unique<BackupFile>())
{
    m_backup->setDialogParent(window);
}

UnitMaintenance::~UnitMaintenance() = default;

void UnitMaintenance::setFileChooser(FileChooser *chooser)
{
    m_backup->setFileChooser(chooser);
}

bool UnitMaintenance::unitGone() const
{
    return m_link.receiver() == nullptr;
}

void UnitMaintenance::message(const QString &title, const QString &text, int buttons, int ms)
{
    MyMessageBox::showMessage(title, text, m_window, buttons, ms);
}

void UnitMaintenance::run(int id)
{
    switch (id) {
    case 27: factoryReset(); break;
    case 28: backup(); break;
    case 29: recall(); break;
    default: break;
    }
}

void UnitMaintenance::finish(const QString &operation, int quitDelayMs)
{
    // What the editor shows is not what the unit holds any more: nothing
    // pending may go out, and nothing new may be started.
    m_coalescer.cancelAll();
    m_final = std::make_unique<BusyState::Scope>(&m_busy, operation);
    if (m_hooks.setInputEnabled)
        m_hooks.setInputEnabled(false);
    qCInfo(lcMaintenance) << operation << "- the editor ends in" << quitDelayMs << "ms";
    const auto quit = m_hooks.quit;
    if (!quit)
        return;
    if (quitDelayMs <= 0)
        quit(0);
    else
        QTimer::singleShot(quitDelayMs, this, [quit]() { quit(0); });
}

bool UnitMaintenance::factoryReset()
{
    if (isFinishing() || !m_busy.allows("a factory reset"))
        return false;
    if (MyMessageBox::showMessage(tr("WARNING"), tr("The device will be reset. Please make a data backup."), m_window,
                                  MyMessageBox::YesNo)
        != MyMessageBox::YesCode)
        return false;
    usbReceiveThread *unit = m_link.sender();
    if (!unit || !m_busy.allows("a factory reset"))
        return false;
    if (m_hooks.hidePopups)
        m_hooks.hidePopups();
    if (unit->sendFactoryReset() < 0) {
        if (!unitGone())
            message(tr("Info"), tr("The device could not be reset."), MyMessageBox::Ok, 1000);
        return false;
    }
    finish(tr("Restarting after a factory reset"), kResetQuitDelayMs);
    return true;
}

int UnitMaintenance::holdingTheUnit(const QString &operation, const std::function<int(usbReceiveThread *)> &work)
{
    const BusyState::Scope scope(&m_busy, operation);
    if (!scope.entered() || isFinishing())
        return kRefused;
    usbReceiveThread *unit = m_link.sender();
    if (!unit)
        return kRefused;
    if (m_hooks.hidePopups)
        m_hooks.hidePopups();
    if (m_hooks.setInputEnabled)
        m_hooks.setInputEnabled(false);
    const int rc = work(unit);
    if (m_hooks.setInputEnabled && !unitGone())
        m_hooks.setInputEnabled(true);
    return rc;
}

bool UnitMaintenance::backup()
{
    const int rc = holdingTheUnit(tr("Backing up"), [this](usbReceiveThread *unit) { return m_backup->backup(unit); });
    if (rc == kRefused || rc == BackupFile::Cancelled || unitGone())
        return false;
    if (rc == BackupFile::Success)
        message(tr("Info"), tr("Device data backup successful."), MyMessageBox::NoButton, 1000);
    else
        message(tr("Info"), withReason(tr("Backup failed,Please try again."), m_backup->lastError()),
                MyMessageBox::Ok, 1000);
    emit finished(28, rc == BackupFile::Success);
    return rc == BackupFile::Success;
}

bool UnitMaintenance::recall()
{
    bool overlayShown = false;
    const int rc = holdingTheUnit(tr("Recalling"), [this, &overlayShown](usbReceiveThread *unit) {
        // The overlay comes up once the file has passed its checks and the
        // unit has been put into recall mode.
        const QMetaObject::Connection progress =
            connect(m_backup.get(), &BackupFile::recallProgress, this, [this, &overlayShown](int value) {
                if (!m_loading)
                    return;
                if (!overlayShown) {
                    overlayShown = true;
                    setRecallLook(m_loading, true);
                    m_loading->setRange(0, kRecallSteps);
                    m_loading->setGeometry(m_window->rect().adjusted(0, TitleBar::kHeight, 0, 0));
                    m_loading->show();
                    m_loading->raise();
                }
                m_loading->setProgressValue(value);
            });
        const int result = m_backup->recall(unit);
        disconnect(progress);
        return result;
    });
    if (rc == kRefused || unitGone())
        return false;
    if (rc == BackupFile::Success) {
        message(tr("Info"), tr("recall succeed, Please restart the software"), MyMessageBox::NoButton, 1000);
        emit finished(29, true);
        finish(tr("Restarting after a recall"), 0);
        return true;
    }
    if (overlayShown && m_loading) {
        m_loading->hide();
        setRecallLook(m_loading, false);
    }
    if (rc == BackupFile::Cancelled)
        return false;
    // Part of the file may have reached the editor's picture of the unit.
    if (overlayShown && m_hooks.refreshViews)
        m_hooks.refreshViews();
    message(tr("Info"), withReason(tr("recall failed !"), m_backup->lastError()), MyMessageBox::Ok, 1000);
    emit finished(29, false);
    return false;
}
