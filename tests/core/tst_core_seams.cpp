// The classes the main window wires, each on its own without a unit: the
// notification routing table, the pop-ups' outside-click rule, the busy
// state, and the busy state's refusals in the dialogs' edits and the
// preset list.

#include "busystate.h"
#include "devicestore.h"
#include "dialogeditsender.h"
#include "draglistwidget.h"
#include "editorfields.h"
#include "notificationrouter.h"
#include "popupmanager.h"
#include "presetfilecodec.h"
#include "presetpanel.h"
#include "resources.h"
#include "sendcoalescer.h"
#include "unitlink.h"

#include <QLineEdit>
#include <QSignalMapper>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using namespace Kt900;
using Notification = NotificationRouter::Notification;
using Popup = PageCodes::Popup;

Q_DECLARE_METATYPE(Notification)
Q_DECLARE_METATYPE(PageCodes::Popup)
Q_DECLARE_METATYPE(std::function<int(const Kt900::DeviceStore &)>)
Q_DECLARE_METATYPE(std::function<void(DialogEditSender &, int)>)

namespace {

// A widget of the window that counts what reaches it.
class Probe : public QWidget
{
public:
    using QWidget::QWidget;
    int presses = 0;
    int keys = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
    void keyPressEvent(QKeyEvent *) override { ++keys; }
};

// A window with a title bar, a body and the four pop-ups as children.
struct PopupWindow {
    QWidget window;
    Probe *title = new Probe(&window);
    Probe *body = new Probe(&window);
    QWidget *exp = new QWidget(&window);
    QWidget *setting = new QWidget(&window);
    QWidget *tone = new QWidget(&window);
    QLineEdit *rename = new QLineEdit(&window);
    Probe *insideSetting = new Probe(setting);
    PopupManager manager{&window};
    bool active = true;
    bool captureRuns = false;

    PopupWindow()
    {
        window.resize(600, 400);
        title->setGeometry(0, 0, 600, 30);
        body->setGeometry(0, 30, 600, 370);
        for (QWidget *p : {exp, setting, tone}) {
            p->setGeometry(200, 100, 200, 200);
            p->hide();
        }
        insideSetting->setGeometry(10, 10, 50, 50);
        rename->setGeometry(20, 60, 120, 24);
        rename->hide();
        manager.setPopup(Popup::Exp, exp);
        manager.setPopup(Popup::Setting, setting);
        manager.setPopup(Popup::ToneCapture, tone);
        manager.setPopup(Popup::Rename, rename);
        manager.setTitleBar(title);
        manager.setActiveCheck([this]() { return active; });
        manager.setKeepOpen(Popup::ToneCapture, [this]() { return captureRuns; });
        window.show();
    }
};

} // namespace

class TestCoreSeams : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void routerTable_data();
    void routerTable();

    void popupShowHidesTheOthers();
    void popupOutsideClick_data();
    void popupOutsideClick();
    void popupEscapeWithoutPopup();

    void busyEnterLeave();
    void busyScopeLeavesOnEveryPath();
    void dialogEditsRefusedWhileBusy_data();
    void dialogEditsRefusedWhileBusy();
    void presetSwitchRefusedWhileBusy();
};

void TestCoreSeams::initTestCase()
{
    kt900InitResources();
    qRegisterMetaType<Popup>("PageCodes::Popup");
}

// --- the notification router ---------------------------------------------------

void TestCoreSeams::routerTable_data()
{
    QTest::addColumn<UnitChange>("what");
    QTest::addColumn<int>("module");
    QTest::addColumn<Notification>("kind");
    QTest::addColumn<bool>("beforeReady");   // the handler runs while the data loads
    QTest::addColumn<bool>("after");         // the after-hook runs

    QTest::newRow("ack") << UnitChange::Ack << -1 << Notification::Ignored << false << false;
    QTest::newRow("info reply") << UnitChange::DeviceInfo << -1 << Notification::Ignored << false << false;
    QTest::newRow("slot name") << UnitChange::SlotName << -1 << Notification::Ignored << false << true;
    QTest::newRow("unknown") << UnitChange::Other << -1 << Notification::Ignored << false << true;
    QTest::newRow("rhythm") << UnitChange::Rhythm << -1 << Notification::Ignored << false << true;
    QTest::newRow("page") << UnitChange::Page << -1 << Notification::PageChanged << false << true;
    QTest::newRow("module FXA") << UnitChange::Module << int(ModFxa) << Notification::ModuleData << false << true;
    QTest::newRow("module EQ") << UnitChange::Module << int(ModEq) << Notification::ModuleData << false << true;
    QTest::newRow("module REVERB") << UnitChange::Module << int(ModReverb) << Notification::ModuleData << false << true;
    QTest::newRow("fx loop") << UnitChange::Module << int(ModFxLoopSend) << Notification::FxLoop << false << true;
    QTest::newRow("tone module") << UnitChange::Module << int(ModToneCap) << Notification::ToneCapture << true << true;
    QTest::newRow("tone settings") << UnitChange::ToneCapture << -1 << Notification::ToneCapture << true << true;
    QTest::newRow("volume") << UnitChange::VolumeTempo << -1 << Notification::VolumeTempo << false << true;
    QTest::newRow("chain") << UnitChange::ChainOrder << -1 << Notification::ChainOrder << false << true;
    QTest::newRow("system") << UnitChange::SystemSettings << -1 << Notification::Settings << true << true;
    QTest::newRow("midi") << UnitChange::MidiEntry << -1 << Notification::Settings << true << true;
    QTest::newRow("global eq") << UnitChange::GlobalEq << -1 << Notification::Settings << true << true;
    QTest::newRow("ctrl") << UnitChange::CtrlSet << -1 << Notification::Settings << true << true;
    QTest::newRow("midi list") << UnitChange::MidiList << -1 << Notification::Settings << true << true;
    QTest::newRow("switches") << UnitChange::Switches << -1 << Notification::Switches << false << true;
    QTest::newRow("exp") << UnitChange::ExpVolume << -1 << Notification::Expression << false << true;
    QTest::newRow("load step") << UnitChange::Transfer << -1 << Notification::LoadStep << true << true;
    QTest::newRow("sync done") << UnitChange::SyncDone << -1 << Notification::SyncDone << true << true;
    QTest::newRow("stored") << UnitChange::PresetStored << -1 << Notification::PresetStored << false << true;
    QTest::newRow("selected") << UnitChange::PresetSelected << -1 << Notification::PresetSelected << false << true;
}

void TestCoreSeams::routerTable()
{
    QFETCH(UnitChange, what);
    QFETCH(int, module);
    QFETCH(Notification, kind);
    QFETCH(bool, beforeReady);
    QFETCH(bool, after);
    QCOMPARE(NotificationRouter::classify(what, module), kind);

    NotificationRouter router;
    bool ready = false;
    int afterCount = 0;
    struct Call {
        Notification kind;
        UnitChange what;
        int module;
    };
    QList<Call> calls;
    for (int k = 0; k < static_cast<int>(Notification::Count); ++k) {
        const auto n = static_cast<Notification>(k);
        router.setHandler(n, [&calls, n](UnitChange w, int m) { calls.append({n, w, m}); });
    }
    router.setReadyCheck([&ready]() { return ready; });
    router.setAfterHook([&afterCount]() { ++afterCount; });

    // While the unit's data loads.
    QCOMPARE(router.route(what, module), beforeReady);
    QCOMPARE(calls.size(), beforeReady ? 1 : 0);
    QCOMPARE(afterCount, after ? 1 : 0);

    // Once it has loaded every shown kind goes to its handler, with the change
    // and its module.
    calls.clear();
    ready = true;
    const bool routed = kind != Notification::Ignored;
    QCOMPARE(router.route(what, module), routed);
    if (routed) {
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().kind, kind);
        QCOMPARE(calls.first().what, what);
        QCOMPARE(calls.first().module, module);
    } else {
        QVERIFY(calls.isEmpty());
    }
    QCOMPARE(afterCount, after ? 2 : 0);
}

// --- the pop-ups -------------------------------------------------------------------

void TestCoreSeams::popupShowHidesTheOthers()
{
    PopupWindow w;
    QSignalSpy renamed(&w.manager, &PopupManager::renameDismissed);
    w.manager.show(Popup::Rename);
    QVERIFY(w.rename->isVisible());
    QCOMPARE(w.manager.visibleId(), Popup::Rename);

    // Another pop-up closes the name editor, which renames nothing.
    w.manager.show(Popup::Exp);
    QVERIFY(w.exp->isVisible());
    QVERIFY(!w.rename->isVisible());
    QCOMPARE(renamed.count(), 1);

    w.manager.show(Popup::Setting);
    QVERIFY(w.setting->isVisible());
    QVERIFY(!w.exp->isVisible());
    QCOMPARE(w.manager.visible(), w.setting);
    // Centred on the window.
    QVERIFY((w.setting->geometry().center() - w.window.rect().center()).manhattanLength() <= 2);

    w.manager.show(Popup::None);
    QCOMPARE(w.manager.visibleId(), Popup::None);
    QVERIFY(!w.setting->isVisible());
    QCOMPARE(renamed.count(), 1);
}

void TestCoreSeams::popupOutsideClick_data()
{
    QTest::addColumn<Popup>("popup");
    QTest::addColumn<QString>("target");      // body, title, inside
    QTest::addColumn<bool>("key");            // a key press instead of a click
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("captureRuns");
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<bool>("reachesTarget");
    QTest::addColumn<int>("dismissed");       // dialogDismissed emitted
    QTest::addColumn<int>("renameDismissed");

    QTest::newRow("click outside closes") << Popup::Setting << "body" << false << true << false << false << false
                                          << 1 << 0;
    QTest::newRow("click inside stays") << Popup::Setting << "inside" << false << true << false << true << true << 0
                                        << 0;
    QTest::newRow("title bar passes") << Popup::Setting << "title" << false << true << false << true << true << 0
                                      << 0;
    QTest::newRow("key outside swallowed") << Popup::Exp << "body" << true << true << false << true << false << 0
                                           << 0;
    QTest::newRow("key on title swallowed") << Popup::Exp << "title" << true << true << false << true << false << 0
                                            << 0;
    QTest::newRow("capture keeps open") << Popup::ToneCapture << "body" << false << true << true << true << true
                                        << 0 << 0;
    QTest::newRow("capture idle closes") << Popup::ToneCapture << "body" << false << true << false << false << false
                                         << 1 << 0;
    QTest::newRow("name editor closes") << Popup::Rename << "body" << false << true << false << false << false << 0
                                        << 1;
    QTest::newRow("not shown yet") << Popup::Setting << "body" << false << false << false << true << true << 0 << 0;
}

void TestCoreSeams::popupOutsideClick()
{
    QFETCH(Popup, popup);
    QFETCH(QString, target);
    QFETCH(bool, key);
    QFETCH(bool, active);
    QFETCH(bool, captureRuns);
    QFETCH(bool, staysOpen);
    QFETCH(bool, reachesTarget);
    QFETCH(int, dismissed);
    QFETCH(int, renameDismissed);

    PopupWindow w;
    w.manager.show(popup);
    w.active = active;
    w.captureRuns = captureRuns;
    QSignalSpy dialogSpy(&w.manager, &PopupManager::dialogDismissed);
    QSignalSpy renameSpy(&w.manager, &PopupManager::renameDismissed);
    Probe *probe = target == QLatin1String("title") ? w.title : target == QLatin1String("inside") ? w.insideSetting
                                                                                                   : w.body;
    // A point of the body outside every pop-up.
    const QPoint at = probe == w.body ? QPoint(20, 300) : QPoint(5, 5);
    if (key)
        QTest::keyClick(probe, Qt::Key_A);
    else
        QTest::mouseClick(probe, Qt::LeftButton, Qt::NoModifier, at);

    QCOMPARE(w.manager.popup(popup)->isVisible(), staysOpen);
    QCOMPARE(key ? probe->keys : probe->presses, reachesTarget ? 1 : 0);
    QCOMPARE(dialogSpy.count(), dismissed);
    if (dismissed)
        QCOMPARE(dialogSpy.first().first().value<Popup>(), popup);
    QCOMPARE(renameSpy.count(), renameDismissed);
}

void TestCoreSeams::popupEscapeWithoutPopup()
{
    PopupWindow w;
    QSignalSpy escape(&w.manager, &PopupManager::escapePressed);
    QTest::keyClick(w.body, Qt::Key_Escape);
    QVERIFY(escape.count() >= 1);
    QCOMPARE(w.body->keys, 1);

    // With a dialog open Escape is the dialog's (swallowed outside it).
    escape.clear();
    w.manager.show(Popup::Setting);
    QTest::keyClick(w.body, Qt::Key_Escape);
    QCOMPARE(escape.count(), 0);
    QVERIFY(w.setting->isVisible());
}

// --- the busy state -----------------------------------------------------------------

void TestCoreSeams::busyEnterLeave()
{
    BusyState busy;
    QSignalSpy changed(&busy, &BusyState::changed);
    QVERIFY(busy.allows("anything"));
    QVERIFY(busy.enter(QStringLiteral("IR import")));
    QVERIFY(busy.isBusy());
    QCOMPARE(busy.operation(), QStringLiteral("IR import"));
    QVERIFY(!busy.allows("a preset switch"));
    // A second operation is refused and changes nothing.
    QVERIFY(!busy.enter(QStringLiteral("recall")));
    QCOMPARE(busy.operation(), QStringLiteral("IR import"));
    busy.leave();
    QVERIFY(!busy.isBusy());
    QVERIFY(busy.allows("a preset switch"));
    busy.leave();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).first().toBool(), true);
    QCOMPARE(changed.at(1).first().toBool(), false);
}

void TestCoreSeams::busyScopeLeavesOnEveryPath()
{
    BusyState busy;
    // Every way out of an operation leaves the state.
    const auto operation = [&busy](int failAt) -> bool {
        const BusyState::Scope scope(&busy, QStringLiteral("upload"));
        if (!scope.entered())
            return false;
        for (int step = 0; step < 3; ++step) {
            if (step == failAt)
                return false;
        }
        return true;
    };
    for (int failAt : {0, 1, 2, -1}) {
        QCOMPARE(operation(failAt), failAt < 0);
        QVERIFY2(!busy.isBusy(), qPrintable(QStringLiteral("left busy after failing at %1").arg(failAt)));
    }

    // A scope refused because another operation runs leaves that one's state alone.
    QVERIFY(busy.enter(QStringLiteral("backup")));
    QVERIFY(!operation(-1));
    QVERIFY(busy.isBusy());
    QCOMPARE(busy.operation(), QStringLiteral("backup"));
    busy.leave();

    // The state may go while an operation waits.
    auto *gone = new BusyState;
    {
        const BusyState::Scope scope(gone, QStringLiteral("upload"));
        QVERIFY(scope.entered());
        delete gone;
    }
}

void TestCoreSeams::dialogEditsRefusedWhileBusy_data()
{
    using Read = std::function<int(const DeviceStore &)>;
    using Edit = std::function<void(DialogEditSender &, int current)>;
    QTest::addColumn<int>("kind");
    QTest::addColumn<Read>("read");
    QTest::addColumn<Edit>("edit");

    QTest::newRow("system") << int(SendCoalescer::System)
                            << Read([](const DeviceStore &s) { return s.systemSetting(7); })
                            << Edit([](DialogEditSender &e, int v) { e.sysValueChanged(7, v ? 0 : 1); });
    QTest::newRow("pedal") << int(SendCoalescer::Exp)
                           << Read([](const DeviceStore &s) { return EditorFields::expField(s, 5); })
                           << Edit([](DialogEditSender &e, int v) { e.expValueChanged(5, v ? 0 : 1); });
    QTest::newRow("tempo") << int(SendCoalescer::Ctrl) << Read([](const DeviceStore &s) { return s.control(2); })
                           << Edit([](DialogEditSender &e, int v) { e.ctrlValueChanged(2, v == 120 ? 121 : 120); });
    QTest::newRow("global eq") << int(SendCoalescer::GlobalEq)
                               << Read([](const DeviceStore &s) { return s.globalEqOutput(); })
                               << Edit([](DialogEditSender &e, int v) { e.glbEqValueChanged(0, v ? 0 : 1); });
    QTest::newRow("midi") << int(SendCoalescer::Midi)
                          << Read([](const DeviceStore &s) { return int(s.midiBlock()[5]); })
                          << Edit([](DialogEditSender &e, int v) { e.midiValueChanged(18, 5, v ^ 1); });
    QTest::newRow("tone capture") << int(SendCoalescer::ToneCapture)
                                  << Read([](const DeviceStore &s) { return int(s.toneCaptureValue(0)); })
                                  << Edit([](DialogEditSender &e, int v) {
                                         e.toneCaptureValueChanged(0, v ? 0 : 1);
                                     });
}

void TestCoreSeams::dialogEditsRefusedWhileBusy()
{
    using Read = std::function<int(const DeviceStore &)>;
    using Edit = std::function<void(DialogEditSender &, int current)>;
    QFETCH(int, kind);
    QFETCH(Read, read);
    QFETCH(Edit, edit);
    DeviceStore &store = DeviceStore::instance();
    store.reset();
    UnitLink link(store);
    SendCoalescer coalescer;
    BusyState busy;
    DialogEditSender edits(link, coalescer, &busy);
    const auto k = static_cast<SendCoalescer::Kind>(kind);

    QVERIFY(busy.enter(QStringLiteral("IR import")));
    const int before = read(store);
    edit(edits, before);
    QVERIFY(!coalescer.isPending(k));
    QCOMPARE(read(store), before);
    QVERIFY(!store.isModified());

    // The same edit goes through once the operation ended.
    busy.leave();
    edit(edits, before);
    QVERIFY(coalescer.isPending(k));
    QVERIFY(read(store) != before);
    coalescer.cancelAll();
}

void TestCoreSeams::presetSwitchRefusedWhileBusy()
{
    DeviceStore &store = DeviceStore::instance();
    store.reset();
    UnitLink link(store);
    PresetFileCodec codec(&store);
    QSignalMapper mapper;
    BusyState busy;
    PresetPanel panel(link, codec, &mapper);
    panel.setBusyState(&busy);
    panel.fillDeviceList();
    QVERIFY(store.selectPreset(2));
    panel.showCurrentRow(2);
    QSignalSpy changed(&panel, &PresetPanel::currentPresetChanged);

    QVERIFY(busy.enter(QStringLiteral("IR import")));
    panel.deviceList()->setCurrentRow(5);
    QCOMPARE(store.currentPresetIndex(), 2);
    QCOMPARE(panel.deviceList()->currentRow(), 2);
    QCOMPARE(changed.count(), 0);
    QVERIFY(!panel.runMenuCommand(PresetPanel::ClearId));

    busy.leave();
    panel.deviceList()->setCurrentRow(5);
    QCOMPARE(store.currentPresetIndex(), 5);
    QCOMPARE(changed.count(), 1);
}

QTEST_MAIN(TestCoreSeams)
#include "tst_core_seams.moc"
