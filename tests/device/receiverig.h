#pragma once

// The editor's arrangement on a fake unit: the receive object created in the
// test's thread, moved to a worker thread that runs ReadThread.

#include "devicestore.h"
#include "fakeunit.h"
#include "usbreceivethread.h"

#include <QThread>

#include <memory>

struct ReceiveRig {
    std::unique_ptr<Kt900::DeviceStore> store = std::make_unique<Kt900::DeviceStore>();
    FakeUnit unit;
    usbReceiveThread *recv = nullptr;
    QThread thread;

    ReceiveRig()
    {
        recv = new usbReceiveThread(&unit, store.get());
        recv->moveToThread(&thread);
        QObject::connect(&thread, &QThread::started, recv, &usbReceiveThread::ReadThread);
        recv->setRunning(true);
    }
    ReceiveRig(const ReceiveRig &) = delete;
    ReceiveRig &operator=(const ReceiveRig &) = delete;
    void start() { thread.start(QThread::InheritPriority); }
    void stop()
    {
        if (!recv)
            return;
        recv->setRunning(false);
        unit.interruptRead();
        thread.quit();
        thread.wait();
        (void)unit.reads(); // the worker's last use of the fake happened before this
        delete recv;
        recv = nullptr;
    }
    ~ReceiveRig() { stop(); }
};
