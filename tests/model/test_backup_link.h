#pragma once

// The editor's side of a connection to the virtual unit, as the main window
// builds it: MyLibusb opened by bus address, a receive object working on its
// own store and moved to a worker thread, EditorAttach + RequestSync and the
// wait for SyncDone.

#include "commands.h"
#include "devicestore.h"
#include "mylibusb.h"
#include "usbreceivethread.h"
#include "virtualunitfixture.h"

#include <QThread>

#include <memory>

class EditorLink
{
public:
    EditorLink() = default;
    EditorLink(const EditorLink &) = delete;
    EditorLink &operator=(const EditorLink &) = delete;

    ~EditorLink() { close(); }

    bool open(int address)
    {
        if (!m_usb.openByAddress(static_cast<std::uint8_t>(address)))
            return false;
        m_recv = std::make_unique<usbReceiveThread>(&m_usb, &m_store);
        QObject::connect(m_recv.get(), &usbReceiveThread::SendDataToUi, [this](Kt900::UnitChange what, int) {
            if (what == Kt900::UnitChange::SyncDone)
                m_synced = true;
        });
        m_recv->moveToThread(&m_thread);
        QObject::connect(&m_thread, &QThread::started, m_recv.get(), &usbReceiveThread::ReadThread);
        m_recv->setRunning(true);
        m_thread.start();
        return true;
    }

    // The full download of the unit's content, as at the editor's start.
    bool sync(int timeoutMs = 20000)
    {
        m_synced = false;
        if (m_recv->sendEditorAttach() < 0 || m_recv->sendRequestSync() < 0)
            return false;
        return m_recv->waitUntil([this] { return m_synced; }, timeoutMs);
    }

    void close()
    {
        if (m_recv) {
            m_recv->setRunning(false);
            m_thread.quit();
            m_thread.wait();
            m_usb.closeDevice();
            m_recv.reset();
        }
    }

    usbReceiveThread *recv() { return m_recv.get(); }
    Kt900::DeviceStore &store() { return m_store; }

private:
    MyLibusb m_usb;
    Kt900::DeviceStore m_store;
    QThread m_thread;
    std::unique_ptr<usbReceiveThread> m_recv;
    bool m_synced = false;
};
