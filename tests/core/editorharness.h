#pragma once

// The editor's main window on a virtual unit, in the test's own process:
// the unit is plugged in behind the real libusb code path (umockdev), then
// Core opens it by its bus address exactly as the program does.

#include "appconfig.h"
#include "core.h"
#include "devicestore.h"
#include "kt900style.h"
#include "resources.h"
#include "virtualunitfixture.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

class EditorHarness
{
public:
    EditorHarness()
    {
        // As the program's main() does.
        kt900InitResources();
        QApplication::setFont(Kt900Style::applicationFont());
        AppConfig::instance().setFileName(m_dir.filePath(QStringLiteral("Config.ini")));
    }
    ~EditorHarness() { stop(); }

    // Plugs the unit in (memory edited before the editor starts, if asked)
    // and builds the window.
    bool start(const Kt900Sim::UnitOptions &unitOptions = Kt900Sim::UnitOptions(),
               const Kt900Sim::BridgeOptions &bridgeOptions = Kt900Sim::BridgeOptions(),
               const std::function<void(Kt900Sim::UnitMemory &)> &edit = {})
    {
        fixture = std::make_unique<Kt900Sim::VirtualUnitFixture>(unitOptions, bridgeOptions);
        if (!fixture->isReady()) {
            error = fixture->errorString();
            return false;
        }
        if (edit)
            fixture->unit().editMemory(edit);
        Kt900::DeviceStore::instance().reset();
        core = std::make_unique<Core>(static_cast<quint8>(fixture->deviceAddress()));
        core->setQuitHandler([this](int code) {
            quitCode = code;
            ++quits;
        });
        return true;
    }

    bool waitLoaded(int ms = 30000)
    {
        return QTest::qWaitFor([this]() { return core && core->state() == Core::State::Ready; }, ms);
    }

    bool startLoaded(const Kt900Sim::UnitOptions &unitOptions = Kt900Sim::UnitOptions(),
                     const Kt900Sim::BridgeOptions &bridgeOptions = Kt900Sim::BridgeOptions(),
                     const std::function<void(Kt900Sim::UnitMemory &)> &edit = {})
    {
        if (!start(unitOptions, bridgeOptions, edit))
            return false;
        if (!waitLoaded()) {
            error = QStringLiteral("the editor did not finish loading");
            return false;
        }
        // Let the layout settle (slot positions are recorded 20 ms after a resize).
        QTest::qWait(60);
        fixture->unit().clearReceivedFrames();
        return true;
    }

    void stop()
    {
        core.reset();
        fixture.reset();
    }

    Kt900Sim::VirtualUnit &unit() { return fixture->unit(); }
    Kt900::DeviceStore &store() { return Kt900::DeviceStore::instance(); }
    // The unit's own copy of its memory.
    Kt900Sim::UnitMemory unitMemory() { return fixture->unit().memory(); }

    // Payloads the unit received with this command code, in order.
    QList<QByteArray> frames(int code)
    {
        QList<QByteArray> out;
        for (const QByteArray &p : fixture->unit().receivedFrames()) {
            if (!p.isEmpty() && static_cast<std::uint8_t>(p.at(0)) == code)
                out << p;
        }
        return out;
    }
    QList<int> codes()
    {
        QList<int> out;
        for (const QByteArray &p : fixture->unit().receivedFrames())
            out << (p.isEmpty() ? -1 : static_cast<std::uint8_t>(p.at(0)));
        return out;
    }
    // The screen code of the last CurrentUi the unit received (-1 if none).
    qint64 lastCurrentUi()
    {
        const QList<QByteArray> f = frames(0x02);
        if (f.isEmpty())
            return -1;
        const QByteArray &p = f.last();
        return static_cast<quint8>(p[1]) | (static_cast<quint8>(p[2]) << 8) | (static_cast<quint8>(p[3]) << 16)
            | (qint64(static_cast<quint8>(p[4])) << 24);
    }

    std::unique_ptr<Kt900Sim::VirtualUnitFixture> fixture;
    std::unique_ptr<Core> core;
    int quitCode = -1;
    int quits = 0;
    QString error;

private:
    QTemporaryDir m_dir;
};
