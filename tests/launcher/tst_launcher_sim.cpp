// The launcher against the virtual unit, through the real libusb code path:
// firmware updates in loader mode, failures the unit causes, and start-up in
// normal mode handing over to a stand-in editor, in process and as the real
// program.

#include "firmwarefile.h"
#include "libusbdevice.h"
#include "qtplatform.h"
#include "samplefirmware.h"
#include "startup.h"
#include "statuslog.h"
#include "updatesession.h"
#include "updatestatus.h"
#include "virtualunitfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace UpdateStatus;
using Firmware::ImageSpec;
using Firmware::SectionSpec;
using Kt900Sim::UnitOptions;
using Kt900Sim::VirtualUnitFixture;

namespace {

QByteArray pattern(int blocks, int seed)
{
    QByteArray d;
    for (int i = 0; i < blocks * 512; ++i)
        d.append(static_cast<char>((i * 11 + seed * 7 + i / 512) & 0xFF));
    return d;
}

// 1024 bytes from block 0x0102, then 1536 bytes from 0x0300, with the loader
// codes the virtual unit listens for.
ImageSpec twoSections(std::uint32_t blockWait = 1000)
{
    ImageSpec s;
    s.applyCode = 0x50;
    s.applyAckCode = 0x51;
    s.applyWait = 2000;
    s.applyArgument = 0xCAFE0001;
    SectionSpec a;
    a.blockCode = 0x52;
    a.blockAckCode = 0x53;
    a.blockWait = blockWait;
    a.firstBlock = 0x0102;
    a.data = pattern(2, 1);
    SectionSpec b = a;
    b.firstBlock = 0x0300;
    b.data = pattern(3, 2);
    s.sections = {a, b};
    return s;
}

UnitOptions loaderUnit(int deviceType = 4)
{
    UnitOptions o;
    o.mode = 'B';
    o.version = QStringLiteral("V1.0.0");
    o.deviceType = deviceType;
    o.loader.applyCode = 0x50;
    o.loader.applyAckCode = 0x51;
    o.loader.sections = {{0x52, 0x53}};
    return o;
}

struct Folder
{
    QTemporaryDir dir;
    bool write(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(dir.filePath("Firmware"));
        QFile f(dir.filePath("Firmware/" + name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    UpdateSession::Config config(const QByteArray &reported) const
    {
        UpdateSession::Config c;
        c.firmwareDir = Launcher::firmwareDir(dir.path());
        c.reportedName = reported;
        return c;
    }
};

// Start-up's window side, recording messages instead of showing them; the
// editor is started for real.
class RecordingPlatform : public QtPlatform
{
public:
    using QtPlatform::QtPlatform;
    QStringList messages;
    int windows = 0;
    void showMessage(const QString &text, const QString &, Icon) override { messages << text; }
    int runUpdateWindow(Launcher::Device &) override
    {
        ++windows;
        return 0;
    }
};

// Puts the stand-in editor where the launcher looks for the editor.
bool stageStandIn(const QString &launcherDir)
{
    const Launcher::EditorLaunch l = Launcher::editorLaunch(launcherDir, 0);
    return QDir().mkpath(l.workingDirectory) && QFile::copy(KT900_STANDIN, l.program);
}

QStringList standInReport(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestLauncherSim : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void updateArrivesBlockForBlock_data();
    void updateArrivesBlockForBlock();
    void sampleFirmwareUpdatesTheUnit();
    void unitStopsAcknowledging_data();
    void unitStopsAcknowledging();
    void noInfoReply();
    void applyRefused();
    void unplugInTheMiddle();
    void normalModeStartsTheEditor_data();
    void normalModeStartsTheEditor();
    void otherModelIsNotFound();
    void programHandsOverToTheEditor();
};

void TestLauncherSim::initTestCase()
{
    if (!VirtualUnitFixture::preloadActive())
        QFAIL("this test must run under the umockdev preload");
}

void TestLauncherSim::updateArrivesBlockForBlock_data()
{
    QTest::addColumn<int>("deviceType");
    QTest::newRow("interrupt reports (type 4)") << 4;
    QTest::newRow("bulk blocks (type 6)") << 6;
}

void TestLauncherSim::updateArrivesBlockForBlock()
{
    QFETCH(int, deviceType);
    VirtualUnitFixture fixture(loaderUnit(deviceType));
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Folder folder;
    const ImageSpec imageLayout = twoSections();
    QVERIFY(folder.write("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    QVERIFY(folder.write("TOVAK_KT900_V1.0.9.tk", QByteArray("not even a firmware file")));

    MyLibusb usb;
    LibusbDevice device(usb);
    QCOMPARE(device.findAndOpen("TOVAK_KT900"), 1);
    StatusLog log;
    UpdateSession session(device.transport(), folder.config(device.reportedModelName()), std::ref(log));
    session.start();
    QCOMPARE(log.waitFinal(20000), qMakePair(int(Success), 0));
    session.shutdown();

    const Kt900Sim::LoaderLog l = fixture.unit().loaderLog();
    QVERIFY(l.enterSeen);
    QVERIFY(l.applySeen);
    QCOMPARE(l.applyArgument, 0xCAFE0001u);
    QVERIFY(l.finishSeen);
    QVector<int> numbers;
    for (const auto &b : l.blocks)
        numbers << b.number;
    QCOMPARE(numbers, (QVector<int>{0x0102, 0x0103, 0x0300, 0x0301, 0x0302}));
    QCOMPARE(l.sectionData(0x52, 0x0102, 2), imageLayout.sections[0].data);
    QCOMPARE(l.sectionData(0x52, 0x0300, 3), imageLayout.sections[1].data);
    const QVector<int> p = log.progress();
    QCOMPARE(p.mid(4, 5), (QVector<int>{20, 40, 60, 80, 100}));
    QVERIFY(fixture.unit().protocolErrors().isEmpty());
}

void TestLauncherSim::sampleFirmwareUpdatesTheUnit()
{
    // The file the build stages for the demo, with the codes read from it as
    // kt900-sim does.
    const QString staged = QStringLiteral(KT900_STAGED_FIRMWARE);
    QVERIFY2(QFile::exists(staged), qPrintable(staged));
    UnitOptions o = loaderUnit();
    QString error;
    QVERIFY2(o.loader.fromFirmwareFile(staged, &error), qPrintable(error));
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Folder folder;
    QFile in(staged);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray file = in.readAll();
    QVERIFY(folder.write(Firmware::kSampleFileName, file));

    MyLibusb usb;
    LibusbDevice device(usb);
    QCOMPARE(device.findAndOpen("TOVAK_KT900"), 1);
    StatusLog log;
    UpdateSession session(device.transport(), folder.config(device.reportedModelName()), std::ref(log));
    session.start();
    QCOMPARE(log.waitFinal(60000).first, int(Success));
    session.shutdown();

    Firmware::Image image;
    QCOMPARE(Firmware::parse(file, "TOVAK_KT900", &image), Firmware::FileError::None);
    const Kt900Sim::LoaderLog l = fixture.unit().loaderLog();
    int expected = 0;
    for (const Firmware::Section &s : image.sections) {
        expected += s.blockCount();
        QCOMPARE(l.sectionData(s.blockCode, s.firstBlock, s.blockCount()),
                 file.mid(static_cast<int>(s.dataOffset), static_cast<int>(s.dataLength)));
    }
    QCOMPARE(int(l.blocks.size()), expected);
    QCOMPARE(log.progress().at(log.progress().size() - 2), 100);
}

void TestLauncherSim::unitStopsAcknowledging_data()
{
    QTest::addColumn<int>("acks");
    QTest::addColumn<int>("section");
    QTest::newRow("no acknowledgement at all") << 0 << 0;
    QTest::newRow("silent in section 2") << 3 << 1;
}

void TestLauncherSim::unitStopsAcknowledging()
{
    QFETCH(int, acks);
    QFETCH(int, section);
    UnitOptions o = loaderUnit();
    o.faults.stopAckAfter = acks;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Folder folder;
    QVERIFY(folder.write("TOVAK_KT900_V1.1.0.tk", Firmware::build(twoSections(300))));
    MyLibusb usb;
    LibusbDevice device(usb);
    QCOMPARE(device.findAndOpen("TOVAK_KT900"), 1);
    StatusLog log;
    UpdateSession session(device.transport(), folder.config(device.reportedModelName()), std::ref(log));
    session.start();
    QCOMPARE(log.waitFinal(20000), qMakePair(int(SectionError), section));
    QCOMPARE(int(fixture.unit().loaderLog().blocks.size()), acks + 1);
    QVERIFY(!fixture.unit().loaderLog().finishSeen);
}

void TestLauncherSim::noInfoReply()
{
    VirtualUnitFixture fixture(loaderUnit());
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Folder folder;
    QVERIFY(folder.write("TOVAK_KT900_V1.1.0.tk", Firmware::build(twoSections())));
    MyLibusb usb;
    LibusbDevice device(usb);
    QCOMPARE(device.findAndOpen("TOVAK_KT900"), 1); // it answered once, at start-up
    Kt900Sim::FaultOptions f = fixture.unit().faults();
    f.answerInfo = false;
    fixture.unit().setFaults(f);
    StatusLog log;
    UpdateSession session(device.transport(), folder.config(device.reportedModelName()), std::ref(log));
    session.start();
    QCOMPARE(log.waitFinal(10000).first, int(Timeout));
    QVERIFY(!fixture.unit().loaderLog().applySeen);
    QVERIFY(!usb.isOpen());
}

void TestLauncherSim::applyRefused()
{
    UnitOptions o = loaderUnit();
    o.faults.refuseApply = true;
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Folder folder;
    QVERIFY(folder.write("TOVAK_KT900_V1.1.0.tk", Firmware::build(twoSections())));
    MyLibusb usb;
    LibusbDevice device(usb);
    QCOMPARE(device.findAndOpen("TOVAK_KT900"), 1);
    StatusLog log;
    UpdateSession session(device.transport(), folder.config(device.reportedModelName()), std::ref(log));
    session.start();
    QCOMPARE(log.waitFinal(10000).first, int(ApplyRefused));
    QVERIFY(fixture.unit().loaderLog().blocks.empty());
}

void TestLauncherSim::unplugInTheMiddle()
{
    VirtualUnitFixture fixture(loaderUnit());
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    Folder folder;
    ImageSpec imageLayout = twoSections(60000); // a gone unit is not waited for
    imageLayout.sections[0].data = pattern(200, 3);
    QVERIFY(folder.write("TOVAK_KT900_V1.1.0.tk", Firmware::build(imageLayout)));
    MyLibusb usb;
    LibusbDevice device(usb);
    QCOMPARE(device.findAndOpen("TOVAK_KT900"), 1);
    StatusLog log;
    UpdateSession session(device.transport(), folder.config(device.reportedModelName()), std::ref(log));
    session.start();
    QTRY_VERIFY_WITH_TIMEOUT(fixture.unit().loaderLog().blocks.size() >= 20, 20000);
    QElapsedTimer t;
    t.start();
    QVERIFY(fixture.unplug());
    const auto final = log.waitFinal(10000);
    QVERIFY2(t.elapsed() < 5000, "no hang");
    QVERIFY2(final.first == SectionError || final.first == SendFail, qPrintable(QString::number(final.first)));
    session.shutdown();
    QCOMPARE(log.finalCount(), 1);
}

void TestLauncherSim::normalModeStartsTheEditor_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("starts");
    QTest::newRow("V1.1.0") << "V1.1.0" << true;
    QTest::newRow("v1.1.0") << "v1.1.0" << true;
    QTest::newRow("V1.2.0") << "V1.2.0" << false;
    QTest::newRow("V1.0.9") << "V1.0.9" << false;
}

void TestLauncherSim::normalModeStartsTheEditor()
{
    QFETCH(QString, version);
    QFETCH(bool, starts);
    UnitOptions o;
    o.mode = 'A';
    o.version = version;
    Kt900Sim::BridgeOptions b;
    b.deviceAddress = 42;
    VirtualUnitFixture fixture(o, b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    QTemporaryDir dir;
    QVERIFY(stageStandIn(dir.path()));
    const QString out = dir.filePath("standin.txt");
    qputenv("KT900_STANDIN_OUT", QFile::encodeName(out));

    MyLibusb usb;
    LibusbDevice device(usb);
    RecordingPlatform platform(dir.path());
    const int rc = Launcher::run(device, platform, dir.path());
    QCOMPARE(platform.windows, 0);
    if (starts) {
        QCOMPARE(rc, 0);
        QVERIFY(platform.messages.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
        QCOMPARE(standInReport(out),
                 (QStringList{"2", QDir(dir.filePath("TOVAK_KT900")).canonicalPath(), "42", "1"}));
        QVERIFY(!usb.isOpen()); // let go for the editor
    } else {
        QCOMPARE(rc, 1);
        QCOMPARE(platform.messages,
                 QStringList{"Equipment version is too low, Please update the firmware!"});
        QTest::qWait(200);
        QVERIFY(!QFile::exists(out));
    }
}

void TestLauncherSim::otherModelIsNotFound()
{
    UnitOptions o;
    o.modelName = QStringLiteral("TOVAK_KT700");
    VirtualUnitFixture fixture(o);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    MyLibusb usb;
    LibusbDevice device(usb);
    RecordingPlatform platform(QDir::tempPath());
    QCOMPARE(Launcher::run(device, platform, QDir::tempPath()), 1);
    QCOMPARE(platform.messages, QStringList{"No device detected!!!"});
}

void TestLauncherSim::programHandsOverToTheEditor()
{
    // The real program, copied beside a stand-in editor and started from
    // another directory: it finds its editor by its own location.
    UnitOptions o;
    o.version = QStringLiteral("v1.1.0");
    Kt900Sim::BridgeOptions b;
    b.deviceAddress = 9;
    VirtualUnitFixture fixture(o, b);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    QTemporaryDir dir;
    QVERIFY(stageStandIn(dir.path()));
    const QString program = dir.filePath("Tovak Studio For KT900");
    QVERIFY(QFile::copy(KT900_LAUNCHER_PROGRAM, program));
    const QString out = dir.filePath("standin.txt");

    QProcess launcher;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KT900_STANDIN_OUT", out);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    launcher.setProcessEnvironment(env);
    launcher.setWorkingDirectory(QDir::rootPath());
    launcher.start(program, QStringList());
    QVERIFY(launcher.waitForStarted());
    QVERIFY2(launcher.waitForFinished(20000), "the launcher exits without waiting for the editor");
    QCOMPARE(launcher.exitStatus(), QProcess::NormalExit);
    QCOMPARE(launcher.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
    QCOMPARE(standInReport(out), (QStringList{"2", QDir(dir.filePath("TOVAK_KT900")).canonicalPath(), "9", "1"}));
}

QTEST_MAIN(TestLauncherSim)
#include "tst_launcher_sim.moc"
