// The editor's window on the virtual unit held in memory (no USB, no
// preload): the start-up a user sees, end to end through the receive loop,
// and the end when the unit goes away. The same paths run over real libusb
// in tst_core_startup; this one guards the window logic in the fast lane.

#include "appconfig.h"
#include "core.h"
#include "devicestore.h"
#include "draglistwidget.h"
#include "editorfields.h"
#include "kt900style.h"
#include "memorytransport.h"
#include "presetpanel.h"
#include "resources.h"
#include "topbar.h"
#include "virtualunit.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestCoreMemory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startupShowsTheUnitsPresetsAndEndsWhenItGoes();

private:
    QTemporaryDir m_dir;
};

void TestCoreMemory::initTestCase()
{
    kt900InitResources();
    QApplication::setFont(Kt900Style::applicationFont());
    AppConfig::instance().setFileName(m_dir.filePath(QStringLiteral("Config.ini")));
}

void TestCoreMemory::startupShowsTheUnitsPresetsAndEndsWhenItGoes()
{
    Kt900Sim::VirtualUnit unit;
    unit.editMemory([](Kt900Sim::UnitMemory &m) {
        m.store.setPresetName(4, QStringLiteral("MEMORY LANE"));
    });
    Kt900::DeviceStore::instance().reset();
    auto owned = std::make_unique<Kt900Sim::MemoryTransport>(unit, 9);
    Kt900Sim::MemoryTransport *transport = owned.get();
    int quits = 0;
    int quitCode = -1;
    {
        Core core(9, -1, nullptr, std::move(owned));
        core.setQuitHandler([&](int code) {
            quitCode = code;
            ++quits;
        });
        QVERIFY(transport->isOpen());
        QCOMPARE(core.state(), Core::State::Loading);
        QVERIFY(QTest::qWaitFor([&] { return core.state() == Core::State::Ready; }, 20000));

        // The requests went out cut as on USB: EditorAttach, then RequestSync.
        const std::vector<QByteArray> frames = unit.receivedFrames();
        QVERIFY(frames.size() >= 2);
        QCOMPARE(static_cast<std::uint8_t>(frames[0].at(0)), std::uint8_t(0x31));
        QCOMPARE(static_cast<std::uint8_t>(frames[1].at(0)), std::uint8_t(0x1E));
        QVERIFY2(unit.protocolErrors().isEmpty(), qPrintable(unit.protocolErrors().join(QLatin1Char('\n'))));

        // The list shows the unit's presets, the top bar its current one.
        const Kt900Sim::UnitMemory mem = unit.memory();
        QListWidget *list = core.presetPanel()->deviceList();
        QCOMPARE(list->count(), 255);
        for (int row = 0; row < 255; ++row)
            QCOMPARE(list->item(row)->text(), EditorFields::presetLabel(row, mem.store.presetName(row)));
        QCOMPARE(list->item(4)->text(), QStringLiteral("02B MEMORY LANE"));
        QCOMPARE(list->currentRow(), mem.store.currentPresetIndex());
        QCOMPARE(core.topBar()->presetName(), mem.store.presetName(mem.store.currentPresetIndex()).trimmed());

        // The unit goes: the read fails, the window says so and the program ends.
        unit.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(quits, 1, 5000);
        QCOMPARE(quitCode, 0);
        QVERIFY(!core.receiveThread());
        QVERIFY(!transport->isOpen());
    }
}

QTEST_MAIN(TestCoreMemory)
#include "tst_core_memory.moc"
