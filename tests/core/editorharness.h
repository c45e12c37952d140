#pragma once

// The editor's main window on a virtual unit, in the test's own process:
// the unit is plugged in behind the real libusb code path (umockdev), then
// Core opens it by its bus address exactly as the program does.

#include "appconfig.h"
#include "boxanswers.h"
#include "chainpanel.h"
#include "core.h"
#include "custombutton.h"
#include "draglistwidget.h"
#include "modulepanel.h"
#include "mymessagebox.h"
#include "presetpanel.h"
#include "devicestore.h"
#include "kt900style.h"
#include "resources.h"
#include "virtualunitfixture.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QList>
#include <QListWidget>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
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
        // The capture data the editor asks for once the edit buffer is in
        // follows the download; let it pass, and the layout settle (slot
        // positions are recorded 20 ms after a resize).
        if (!QTest::qWaitFor([this]() { return fixture->unit().pendingReports() == 0; }, 10000)) {
            error = QStringLiteral("the unit kept sending");
            return false;
        }
        QTest::qWait(100);
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
    // A snapshot of the unit's own memory, valid until the next call. It
    // lives on the heap: the memory is large, and a test that compares it in
    // many places would otherwise hold one copy per call on its stack.
    const Kt900Sim::UnitMemory &unitMemory()
    {
        if (!m_memory)
            m_memory = std::make_unique<Kt900Sim::UnitMemory>();
        *m_memory = fixture->unit().memory();
        return *m_memory;
    }

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

    // --- driving the window's widgets --------------------------------------

    ChainPanel *chain() { return core->chainPanel(); }
    ModulePanel *modules() { return core->modulePanel(); }
    PresetPanel *presets() { return core->presetPanel(); }

    void clickChain(int module)
    {
        QTest::mouseClick(chain()->button(module), Qt::LeftButton);
    }

    // Presses a chain button, drags it dx pixels in steps, releases it.
    void dragChain(int module, int dx, int steps = 8)
    {
        CustomButton *b = chain()->button(module);
        const QPoint press(b->width() / 2, b->height() / 2);
        sendMouse(b, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
        int done = 0;
        for (int i = 1; i <= steps; ++i) {
            const int target = dx * i / steps;
            // The button follows the pointer, so each move is relative to where it is now.
            sendMouse(b, QEvent::MouseMove, press + QPoint(target - done, 0), Qt::NoButton, Qt::LeftButton);
            done = target;
            QTest::qWait(5);
        }
        sendMouse(b, QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
    }

    // Moves a chain button out and back by `distance` pixels before letting go.
    void wiggleChain(int module, int distance)
    {
        CustomButton *b = chain()->button(module);
        const QPoint press(b->width() / 2, b->height() / 2);
        sendMouse(b, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
        sendMouse(b, QEvent::MouseMove, press + QPoint(distance, 0), Qt::NoButton, Qt::LeftButton);
        sendMouse(b, QEvent::MouseMove, press + QPoint(-distance, 0), Qt::NoButton, Qt::LeftButton);
        sendMouse(b, QEvent::MouseButtonRelease, press, Qt::LeftButton, Qt::NoButton);
    }

    static void sendMouse(QWidget *w, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
                          Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }

    static void clickRow(QListWidget *list, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QListWidgetItem *item = list->item(row);
        list->scrollToItem(item);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(item).center());
    }

    void clickType(int row) { clickRow(modules()->typeList(), row); }
    void clickPreset(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        clickRow(presets()->deviceList(), row, modifiers);
    }

    // Types text into a line editor (replacing what it holds) and presses Return.
    static void typeInto(QLineEdit *edit, const QString &text, bool enter = true)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        if (enter)
            QTest::keyClick(edit, Qt::Key_Return);
    }

    // The unit's edit buffer and the editor's, as the live protocol carries
    // them: module blocks 0..10, chain order, volume, tempos, CTRL.
    QStringList editBufferDifferences()
    {
        const Kt900Sim::UnitMemory mem = unitMemory();
        const Kt900::Record &u = *mem.store.record(Kt900::kEditBuffer);
        const Kt900::Record &e = *store().record(Kt900::kEditBuffer);
        QStringList out;
        for (int m = 0; m <= Kt900::ModFxLoopSend; ++m) {
            const int off = Kt900::moduleBlockOffset(m);
            for (int b = 0; b < Kt900::moduleBlockSize(m); b += 2) {
                const int uw = Kt900::getU16(u.data() + off + b);
                const int ew = Kt900::getU16(e.data() + off + b);
                if (uw != ew)
                    out << QStringLiteral("module %1 word %2: unit %3, editor %4").arg(m).arg(b / 2).arg(uw).arg(ew);
            }
        }
        for (int c = 0; c < Kt900::kChainLength; ++c) {
            const int at = Kt900::Rec::Chain + 2 * c;
            if (u[at] != e[at])
                out << QStringLiteral("chain position %1: unit %2, editor %3").arg(c).arg(u[at]).arg(e[at]);
        }
        auto field = [&](const char *name, int offset, int size) {
            for (int i = 0; i < size; ++i) {
                if (u[offset + i] != e[offset + i])
                    out << QStringLiteral("%1 byte %2: unit %3, editor %4").arg(QLatin1String(name)).arg(i)
                               .arg(u[offset + i]).arg(e[offset + i]);
            }
        };
        field("volume", Kt900::Rec::Volume, 1);
        field("tempo", Kt900::Rec::Tempo, 2);
        field("ctrl", Kt900::Rec::CtrlMode, 3);
        if (mem.store.globalTempoRaw() != store().globalTempoRaw())
            out << QStringLiteral("global tempo: unit %1, editor %2").arg(mem.store.globalTempoRaw()).arg(store().globalTempoRaw());
        return out;
    }

    std::unique_ptr<Kt900Sim::VirtualUnitFixture> fixture;
    std::unique_ptr<Kt900Sim::UnitMemory> m_memory;
    std::unique_ptr<Core> core;
    int quitCode = -1;
    int quits = 0;
    QString error;

private:
    QTemporaryDir m_dir;
};

// A preset record without the chain entries' on/off bytes, which only
// ChainOrder carries (preset records travel without them).
inline QByteArray comparableRecord(const Kt900::Record &r)
{
    QByteArray b(reinterpret_cast<const char *>(r.data()), Kt900::kRecordSize);
    for (int c = 0; c < Kt900::kChainLength; ++c)
        b[Kt900::Rec::Chain + 2 * c + 1] = 0;
    return b;
}

