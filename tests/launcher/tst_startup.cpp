// The start-up decision: no unit, the editor started with the bus address, a
// firmware version refused, the update window for a unit in loader mode.

#include "fakeunit.h"
#include "startup.h"

#include <QtTest>

using Launcher::Platform;

namespace {

class FakeDevice : public Launcher::Device
{
public:
    int result = 0;
    QByteArray version = "V1.1.0";
    int address = 5;
    int bus = -1;
    bool open = false;
    QByteArray askedName;
    int closes = 0;
    bool inUse = false;
    FakeUnit unit;

    int findAndOpen(const QByteArray &expectedName) override
    {
        askedName = expectedName;
        open = result != 0;
        return result;
    }
    bool unitInUse() const override { return inUse; }
    QByteArray reportedModelName() const override { return "TOVAK_KT900"; }
    QByteArray reportedVersion() const override { return version; }
    int deviceAddress() const override { return open ? address : -1; }
    int busNumber() const override { return open ? bus : -1; }
    void closeDevice() override
    {
        open = false;
        ++closes;
    }
    UnitTransport &transport() override { return unit; }
};

class FakePlatform : public Platform
{
public:
    struct Message
    {
        QString text, caption;
        Icon icon;
    };
    QVector<Message> messages;
    QVector<Launcher::EditorLaunch> launches;
    bool deviceOpenAtLaunch = true;
    bool startWorks = true;
    int windows = 0;
    FakeDevice *device = nullptr;

    void showMessage(const QString &text, const QString &caption, Icon icon) override
    {
        messages.append({text, caption, icon});
    }
    bool startEditor(const Launcher::EditorLaunch &launch) override
    {
        launches.append(launch);
        deviceOpenAtLaunch = device->open;
        return startWorks;
    }
    int runUpdateWindow(Launcher::Device &) override
    {
        ++windows;
        return 0;
    }
};

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void noDevice();
    void unitHeldByAnotherProgram();
    void normalMode_data();
    void normalMode();
    void editorCannotStart();
    void loaderModeOpensTheWindow();
    void editorLaunchLayout();
    void editorGetsTheBusNumber();
};

void TestStartup::noDevice()
{
    FakeDevice d;
    FakePlatform p;
    p.device = &d;
    QCOMPARE(Launcher::run(d, p, "/opt/kt"), 1);
    QCOMPARE(d.askedName, QByteArray("TOVAK_KT900"));
    QCOMPARE(p.messages.size(), 1);
    QCOMPARE(p.messages[0].text, QString("No device detected!!!"));
    QCOMPARE(p.messages[0].caption, QString("Notice"));
    QVERIFY(p.launches.isEmpty());
    QCOMPARE(p.windows, 0);
}

void TestStartup::unitHeldByAnotherProgram()
{
    FakeDevice d;
    d.inUse = true;
    FakePlatform p;
    p.device = &d;
    QCOMPARE(Launcher::run(d, p, "/opt/kt"), 1);
    QCOMPARE(p.messages.size(), 1);
    QCOMPARE(p.messages[0].text, QString("The unit is in use by another program."));
    QVERIFY(p.launches.isEmpty());
    QCOMPARE(p.windows, 0);
}

void TestStartup::normalMode_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("starts");
    QTest::newRow("V1.1.0") << QByteArray("V1.1.0") << true;
    QTest::newRow("v1.1.0") << QByteArray("v1.1.0") << true;
    QTest::newRow("V1.2.0") << QByteArray("V1.2.0") << false;
    QTest::newRow("V1.0.9") << QByteArray("V1.0.9") << false;
    QTest::newRow("V1.1.0 with a blank") << QByteArray("V1.1.0 ") << false;
    QTest::newRow("V1.1") << QByteArray("V1.1") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestStartup::normalMode()
{
    QFETCH(QByteArray, version);
    QFETCH(bool, starts);
    FakeDevice d;
    d.result = 2;
    d.version = version;
    d.address = 0x117; // only the low byte is an address
    FakePlatform p;
    p.device = &d;
    const int rc = Launcher::run(d, p, "/opt/kt");
    QCOMPARE(p.windows, 0);
    QVERIFY(!d.open);
    if (starts) {
        QCOMPARE(rc, 0);
        QVERIFY(p.messages.isEmpty());
        QCOMPARE(p.launches.size(), 1);
        QCOMPARE(p.launches[0].arguments, QStringList{"23"});
        QCOMPARE(p.launches[0].commandLine(), QString(" 23"));
        QCOMPARE(p.launches[0].program, QString("/opt/kt/TOVAK_KT900/TOVAK_KT900"));
        QCOMPARE(p.launches[0].workingDirectory, QString("/opt/kt/TOVAK_KT900"));
        QVERIFY2(!p.deviceOpenAtLaunch, "the unit is let go before the editor opens it");
    } else {
        QCOMPARE(rc, 1);
        QVERIFY(p.launches.isEmpty());
        QCOMPARE(p.messages.size(), 1);
        QCOMPARE(p.messages[0].text,
                 QString("Equipment version is too low, Please update the firmware!"));
        QCOMPARE(p.messages[0].caption, QString("Notice"));
    }
}

void TestStartup::editorCannotStart()
{
    FakeDevice d;
    d.result = 2;
    FakePlatform p;
    p.device = &d;
    p.startWorks = false;
    QCOMPARE(Launcher::run(d, p, "/opt/kt"), 1);
    QCOMPARE(p.launches.size(), 1);
    QCOMPARE(p.messages.size(), 1);
    QVERIFY(p.messages[0].text.contains("/opt/kt/TOVAK_KT900/TOVAK_KT900"));
    QCOMPARE(p.messages[0].icon, Platform::Icon::Error);
}

void TestStartup::loaderModeOpensTheWindow()
{
    FakeDevice d;
    d.result = 1;
    d.version = "V0.0.1"; // not looked at in loader mode
    FakePlatform p;
    p.device = &d;
    QCOMPARE(Launcher::run(d, p, "/opt/kt"), 0);
    QCOMPARE(p.windows, 1);
    QVERIFY(p.messages.isEmpty());
    QVERIFY(p.launches.isEmpty());
    QVERIFY(d.open); // the window's updater uses it
}

void TestStartup::editorLaunchLayout()
{
    const Launcher::EditorLaunch l = Launcher::editorLaunch("/a b/c", 255);
    QCOMPARE(l.program, QString("/a b/c/TOVAK_KT900/TOVAK_KT900"));
    QCOMPARE(l.arguments, QStringList{"255"});
    QCOMPARE(l.commandLine(), QString(" 255"));
    QCOMPARE(Launcher::firmwareDir("/a b/c"), QString("/a b/c/Firmware"));
    QCOMPARE(Launcher::imageDir("/a b/c"), QString("/a b/c/img"));
    QCOMPARE(Launcher::editorLaunch("/x", 1).arguments, QStringList{"1"});
    QCOMPARE(Launcher::editorLaunch("/x", 9, 3).arguments, (QStringList{"9", "3"}));
    QCOMPARE(Launcher::editorLaunch("/x", 9, 3).commandLine(), QString(" 9 3"));
    QCOMPARE(Launcher::editorLaunch("/x", 9, 0).arguments, (QStringList{"9", "0"}));
}

void TestStartup::editorGetsTheBusNumber()
{
    // The address alone may name another device on another bus: the bus the
    // unit was found on goes along, read before the unit is let go.
    FakeDevice d;
    d.result = 2;
    d.address = 12;
    d.bus = 4;
    FakePlatform p;
    p.device = &d;
    QCOMPARE(Launcher::run(d, p, "/opt/kt"), 0);
    QCOMPARE(p.launches.size(), 1);
    QCOMPARE(p.launches[0].arguments, (QStringList{"12", "4"}));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
