// kt900-sim, the host program, as a user runs it.

#include "unitmemory.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace Kt900Sim;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runSim(const QStringList &args, int timeoutMs = 30000)
{
    QProcess p;
    p.setProgram(QStringLiteral(KT900_SIM_BINARY));
    p.setArguments(args);
    p.start();
    Run r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestSimHost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exitCodeOfTheProgram_data();
    void exitCodeOfTheProgram();
    void addressForTheProgram();
    void usageErrors_data();
    void usageErrors();
    void helpListsTheOptions();
    void lsusbSeesTheUnit();
    void programsStartedByTheProgramKeepTheUnit();
    void stateFileKeepsEdits();
    void controlCommands();
};

void TestSimHost::exitCodeOfTheProgram_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("0") << QStringList{QStringLiteral("true")} << 0;
    QTest::newRow("7") << QStringList{QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("exit 7")} << 7;
    QTest::newRow("killed by a signal") << QStringList{QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("kill -TERM $$")} << 128 + 15;
    QTest::newRow("no such program") << QStringList{QStringLiteral("/nonexistent/program")} << 127;
}

void TestSimHost::exitCodeOfTheProgram()
{
    QFETCH(QStringList, command);
    QFETCH(int, exitCode);
    const Run r = runSim(QStringList{QStringLiteral("--")} + command);
    QCOMPARE(r.exitCode, exitCode);
}

void TestSimHost::addressForTheProgram()
{
    const Run r = runSim({QStringLiteral("--address"), QStringLiteral("23"), QStringLiteral("--bus"), QStringLiteral("3"),
                          QStringLiteral("--print-address"), QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("echo \"$KT900_SIM_ADDRESS $KT900_SIM_BUS {address} {bus}\"; ls /dev/bus/usb/003/")});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("23\n23 3 23 3\n001\n023\n"));
}

void TestSimHost::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no program") << QStringList{};
    QTest::newRow("mode C") << QStringList{QStringLiteral("--mode"), QStringLiteral("C"), QStringLiteral("--"), QStringLiteral("true")};
    QTest::newRow("type 2") << QStringList{QStringLiteral("--type"), QStringLiteral("2"), QStringLiteral("--"), QStringLiteral("true")};
    QTest::newRow("address 1") << QStringList{QStringLiteral("--address"), QStringLiteral("1"), QStringLiteral("--"), QStringLiteral("true")};
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate"), QStringLiteral("--"), QStringLiteral("true")};
    QTest::newRow("missing firmware file") << QStringList{QStringLiteral("--firmware"), QStringLiteral("/nonexistent.tk"), QStringLiteral("--"), QStringLiteral("true")};
    QTest::newRow("bad --at") << QStringList{QStringLiteral("--at"), QStringLiteral("soon:select 1"), QStringLiteral("--"), QStringLiteral("true")};
}

void TestSimHost::usageErrors()
{
    QFETCH(QStringList, args);
    const Run r = runSim(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.err.startsWith("kt900-sim: "));
}

void TestSimHost::helpListsTheOptions()
{
    const Run r = runSim({QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("Usage: kt900-sim"), r.out.constData());
    QVERIFY(r.out.contains("--unplug-after-reports"));
    QVERIFY(r.out.contains("--state"));
}

void TestSimHost::lsusbSeesTheUnit()
{
    if (QStandardPaths::findExecutable(QStringLiteral("lsusb")).isEmpty())
        QSKIP("lsusb is not installed (usbutils)");
    const Run r = runSim({QStringLiteral("--type"), QStringLiteral("5"), QStringLiteral("--"), QStringLiteral("lsusb"), QStringLiteral("-v"), QStringLiteral("-d"), QStringLiteral("0483:")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("ID 0483:5703"), r.out.constData());
    QVERIFY(r.out.contains("bcdDevice            0.c8"));
    QVERIFY(r.out.contains("Transfer Type            Interrupt"));
}

void TestSimHost::programsStartedByTheProgramKeepTheUnit()
{
    // The launcher's way: start the editor, end at once.
    const Run r = runSim({QStringLiteral("--"), QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("(sleep 0.5; ls /dev/bus/usb/001/) & exit 4")});
    QCOMPARE(r.exitCode, 4);
    QCOMPARE(r.out, QByteArray("001\n005\n"));
}

void TestSimHost::stateFileKeepsEdits()
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("unit.state"));
    Run r = runSim({QStringLiteral("--state"), state, QStringLiteral("--at"), QStringLiteral("0:store 5 HOST SAVED"),
                    QStringLiteral("--"), QStringLiteral("sleep"), QStringLiteral("0.5")});
    QCOMPARE(r.exitCode, 0);
    UnitMemory mem;
    QString error;
    QVERIFY2(mem.loadFromFile(state, &error), qPrintable(error));
    QCOMPARE(mem.store.presetName(5), QStringLiteral("HOST SAVED"));
    // The next run starts from the saved state and keeps it.
    r = runSim({QStringLiteral("--state"), state, QStringLiteral("--at"), QStringLiteral("0:select 5"),
                QStringLiteral("--"), QStringLiteral("sleep"), QStringLiteral("0.5")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(mem.loadFromFile(state, &error));
    QCOMPARE(mem.store.presetName(5), QStringLiteral("HOST SAVED"));
    QCOMPARE(mem.store.currentPresetIndex(), 5);
    // A damaged state file: the factory set, and a message.
    QFile f(state);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("garbage");
    f.close();
    r = runSim({QStringLiteral("--state"), state, QStringLiteral("--"), QStringLiteral("true")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.contains("factory set"));
    QVERIFY(mem.loadFromFile(state, &error));
    QCOMPARE(mem.store.presetName(5), QStringLiteral("DUSTY SWELL"));
}

void TestSimHost::controlCommands()
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("unit.state"));
    const QString control = dir.filePath(QStringLiteral("ctl"));
    const Run r = runSim({QStringLiteral("--state"), state, QStringLiteral("--control"), control, QStringLiteral("--"),
                          QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("printf 'select 9\\nnonsense\\nparam 2 0 11\\n' > '%1'; sleep 0.5").arg(control)});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.contains("unknown command \"nonsense\""));
    UnitMemory mem;
    QString error;
    QVERIFY2(mem.loadFromFile(state, &error), qPrintable(error));
    QCOMPARE(mem.store.currentPresetIndex(), 9);
    QCOMPARE(mem.store.blockWord(Kt900::kEditBuffer, Kt900::ModAmp, 2), 11);
}

QTEST_GUILESS_MAIN(TestSimHost)
#include "tst_simhost.moc"
