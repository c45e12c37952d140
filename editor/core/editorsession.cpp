#include "editorsession.h"

#include "devicestore.h"
#include "effectcatalogue.h"
#include "mylibusb.h"
#include "mymessagebox.h"
#include "sendcoalescer.h"
#include "usbreceivethread.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTimer>
#include <QWidget>

Q_LOGGING_CATEGORY(lcSession, "kt900.core.session")

namespace {
int g_startupRetryMs = EditorSession::kStartupRetryMs;
}

void EditorSession::setStartupRetryInterval(int ms)
{
    g_startupRetryMs = ms;
}

int EditorSession::startupRetryInterval()
{
    return g_startupRetryMs;
}

EditorSession::EditorSession(QWidget *window, SendCoalescer &coalescer, std::unique_ptr<UnitConnection> connection)
    : QObject(window)
    , m_window(window)
    , m_coalescer(coalescer)
    , m_link(Kt900::DeviceStore::instance())
    , m_usb(connection ? std::move(connection) : std::make_unique<MyLibusb>())
    , m_thread(new QThread)
{
    m_quit = [](int code) { QCoreApplication::exit(code); };
}

EditorSession::~EditorSession()
{
    closeForDestruction();
    delete m_thread;
}

bool EditorSession::open(quint8 address, int busNumber)
{
    m_address = address;
    if (!m_usb || !m_usb->openByAddress(address, busNumber))
        return false;
    // Another program holds the unit: nothing may be sent.
    m_inUse = m_usb->lastOpenWasBusy();
    if (m_inUse)
        return false;
    m_recv = new usbReceiveThread(m_usb.get());
    m_recv->setTypeNameHandler([](int module, int type, const QString &text) {
        EffectCatalogue::instance().setTypeName(module, type, text);
    });
    m_recv->moveToThread(m_thread);
    m_recv->setRunning(true);
    connect(m_recv, &usbReceiveThread::DeviceDisconnect, this, &EditorSession::close, Qt::QueuedConnection);
    connect(m_thread, &QThread::started, m_recv, &usbReceiveThread::ReadThread);
    m_thread->start(QThread::InheritPriority);
    m_link.setReceiver(m_recv);
    return true;
}

void EditorSession::start()
{
    if (!m_recv)
        return;
    m_recv->beginDownloadCheck();
    m_recv->sendEditorAttach();
    m_recv->sendRequestSync();
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    m_retry->setInterval(g_startupRetryMs);
    connect(m_retry, &QTimer::timeout, this, &EditorSession::retry);
    m_retry->start();
    m_state = State::Loading;
}

void EditorSession::retry()
{
    if (m_retried || m_state != State::Loading || !m_recv)
        return;
    m_retried = true;
    qCInfo(lcSession) << "no data from the unit yet: asking again";
    emit retrying();
    m_recv->sendEditorAttach();
    m_recv->sendRequestSync();
}

void EditorSession::syncDone()
{
    if (!m_recv)
        return;
    if (m_state == State::Loading && m_recv->downloadChecked()) {
        // A damaged frame must not leave a blank record behind: the whole
        // download is asked for again, a bounded number of times.
        const QStringList missing = m_recv->missingRecords();
        const int damaged = m_recv->damagedFrames();
        if (!missing.isEmpty() || damaged > 0) {
            if (m_downloads + 1 < kDownloadAttempts) {
                ++m_downloads;
                qCInfo(lcSession) << missing.size() << "records missing," << damaged << "damaged frames: asking again";
                // The new download gets the usual second chance when nothing comes.
                if (m_retry)
                    m_retry->start();
                emit retrying();
                m_recv->beginDownloadCheck();
                m_recv->sendEditorAttach();
                m_recv->sendRequestSync();
                return;
            }
            if (!missing.isEmpty()) {
                if (m_retry)
                    m_retry->stop();
                const QString list = QStringList(missing.mid(0, 3)).join(QStringLiteral(", "));
                fail(tr("The unit's data did not arrive intact (%1).\nPlease reconnect the unit.").arg(list), 1);
                m_state = State::NotShown;
                return;
            }
        }
    }
    if (m_retry)
        m_retry->stop();
    m_link.setLive(true);
    m_state = State::Ready;
    emit loaded();
}

void EditorSession::close(bool unitGone)
{
    if (m_recv && !unitGone && m_state == State::Ready) {
        // The window closes: what the open coalescing windows hold still goes out.
        m_coalescer.flush();
    }
    m_coalescer.cancelAll();
    m_link.setLive(false);
    if (m_thread && m_thread->isRunning()) {
        if (m_recv)
            m_recv->setRunning(false);
        m_thread->quit();
        if (!m_thread->wait(kStopDeadlineMs)) {
            // A transfer that never returns: the loop keeps its connection
            // and thread; the program ends without them.
            qCWarning(lcSession) << "the receive loop did not end within" << kStopDeadlineMs << "ms; leaving it";
            m_thread = nullptr;
            (void)m_usb.release();
            m_recv = nullptr;
            m_link.setReceiver(nullptr);
        }
    }
    if (m_usb)
        m_usb->closeDevice();
    if (m_recv) {
        delete m_recv;
        m_recv = nullptr;
        m_link.setReceiver(nullptr);
    }
    if (m_destroying)
        return;
    if (unitGone) {
        qCWarning(lcSession) << "the unit is gone";
        MyMessageBox::showMessage(tr("Error"), tr("The device is disconnected"), m_window, MyMessageBox::NoButton,
                                  1000);
    }
    quit(0);
}

void EditorSession::closeForDestruction()
{
    if (m_destroying)
        return;
    m_destroying = true;
    close(false);
}

void EditorSession::fail(const QString &message, int exitCode)
{
    qCWarning(lcSession) << "start-up failed:" << message;
    // A refusal that ends the program with an error closes itself, so that
    // the program ends on its own whoever started it.
    if (exitCode != 0)
        MyMessageBox::showMessage(tr("Error"), message, m_window, MyMessageBox::NoButton, kRefusalMessageMs);
    else
        MyMessageBox::showMessage(tr("Error"), message, m_window, MyMessageBox::Ok);
    auto quitHandler = m_quit;
    QTimer::singleShot(0, qApp, [quitHandler, exitCode]() { quitHandler(exitCode); });
}

void EditorSession::setQuitHandler(std::function<void(int)> handler)
{
    m_quit = std::move(handler);
}

void EditorSession::quit(int code)
{
    if (m_quit)
        m_quit(code);
}
