#pragma once

// What the panels of the main window share: the device data store they show
// and edit, and the receive object whose request builders send to the unit.
// Requests go out only while the link is live (the unit's data has been
// loaded and the connection is up); before that, edits change the model only.

#include "usbreceivethread.h"

#include <QPointer>

namespace Kt900 {
class DeviceStore;
}


class UnitLink
{
public:
    explicit UnitLink(Kt900::DeviceStore &store) : m_store(store) {}

    Kt900::DeviceStore &store() const { return m_store; }

    void setReceiver(usbReceiveThread *receiver) { m_receiver = receiver; }
    usbReceiveThread *receiver() const { return m_receiver.data(); }

    void setLive(bool live) { m_live = live; }
    bool isLive() const { return m_live; }

    // The receive object to send with, or null while nothing may be sent.
    usbReceiveThread *sender() const { return m_live ? m_receiver.data() : nullptr; }

private:
    Kt900::DeviceStore &m_store;
    QPointer<usbReceiveThread> m_receiver;
    bool m_live = false;
};
