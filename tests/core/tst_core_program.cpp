// The editor program as the launcher and a user start it: the command-line
// rule, the failure path without a unit, the bus address's low 8 bits, the
// end when the unit is unplugged, and the hand-over from the launcher.

#include "virtualunitfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

class TestCoreProgram : public QObject
{
    Q_OBJECT

private slots:
    void noArgumentEndsWithoutWindow();
    void nonNumericArgumentEndsWithMessage();
    void addressTakesLowEightBits();
    void otherBusIsNotOpened();
    void launcherHandsOver();

private:
    static QString editorBinary() { return QStringLiteral(KT900_EDITOR_BINARY); }
    // Processes running the editor binary (the launcher starts it detached).
    static QList<qint64> editorProcesses();
};

QList<qint64> TestCoreProgram::editorProcesses()
{
    QList<qint64> pids;
    const QString editor = QFileInfo(editorBinary()).canonicalFilePath();
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (ok && QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).canonicalFilePath() == editor)
            pids << pid;
    }
    return pids;
}

void TestCoreProgram::noArgumentEndsWithoutWindow()
{
    QProcess editor;
    editor.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    editor.start(editorBinary(), QStringList());
    QVERIFY(editor.waitForFinished(10000));
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor.exitCode(), 0);
    QVERIFY(clock.elapsed() < 5000);
    // A shown window makes the offscreen platform say so; nothing did.
    const QByteArray output = editor.readAll();
    QVERIFY2(!output.contains("propagateSizeHints"), output.constData());
}

void TestCoreProgram::nonNumericArgumentEndsWithMessage()
{
    Kt900Sim::VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    QProcess editor;
    editor.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    editor.start(editorBinary(), {QStringLiteral("abc")});
    QVERIFY(editor.waitForFinished(15000));
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor.exitCode(), 0);
    // Address 0 holds no unit: the first read fails and the message stays a second.
    QVERIFY(clock.elapsed() >= 1000);
    QVERIFY(editor.readAll().contains("unit is gone"));
    QCOMPARE(fixture.unit().syncCount(), 0);
}

void TestCoreProgram::addressTakesLowEightBits()
{
    Kt900Sim::BridgeOptions usb;
    usb.deviceAddress = 44;
    Kt900Sim::VirtualUnitFixture fixture(Kt900Sim::UnitOptions(), usb);
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    QProcess editor;
    editor.setProcessChannelMode(QProcess::MergedChannels);
    editor.start(editorBinary(), {QStringLiteral("300")});
    QVERIFY(editor.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(fixture.unit().syncCount(), 1, 15000);
    // Loaded; then the cable is pulled: the editor ends with 0.
    QTRY_VERIFY_WITH_TIMEOUT(fixture.unit().reportsSent() >= 2083, 15000);
    QTest::qWait(300);
    QVERIFY(fixture.unplug());
    QVERIFY(editor.waitForFinished(10000));
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor.exitCode(), 0);
    QVERIFY(fixture.unit().protocolErrors().isEmpty());
}

void TestCoreProgram::otherBusIsNotOpened()
{
    // The unit's address, but on a bus it is not on: the editor does not take
    // hold of it and ends as without a unit.
    Kt900Sim::VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    QProcess editor;
    editor.setProcessChannelMode(QProcess::MergedChannels);
    editor.start(editorBinary(), {QString::number(fixture.deviceAddress()), QString::number(fixture.busNumber() + 1)});
    QVERIFY(editor.waitForFinished(15000));
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor.exitCode(), 0);
    QVERIFY(editor.readAll().contains("unit is gone"));
    QCOMPARE(fixture.unit().syncCount(), 0);
    QVERIFY(fixture.bridge().stats().interfaceLog.isEmpty());
}

void TestCoreProgram::launcherHandsOver()
{
    const QString launcher = QStringLiteral(KT900_LAUNCHER_BINARY);
    if (!QFileInfo::exists(launcher))
        QSKIP("the launcher is not built in this tree");
    QVERIFY(editorProcesses().isEmpty());
    Kt900Sim::VirtualUnitFixture fixture;
    QVERIFY2(fixture.isReady(), qPrintable(fixture.errorString()));
    QProcess start;
    start.setProcessChannelMode(QProcess::MergedChannels);
    start.start(launcher, QStringList());
    QVERIFY(start.waitForFinished(20000));
    QCOMPARE(start.exitCode(), 0);
    // The editor the launcher started asks the unit for everything.
    QTRY_COMPARE_WITH_TIMEOUT(fixture.unit().syncCount(), 1, 15000);
    QCOMPARE(editorProcesses().size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(fixture.unit().reportsSent() >= 2083, 15000);
    QVERIFY(fixture.unplug());
    QTRY_VERIFY_WITH_TIMEOUT(editorProcesses().isEmpty(), 10000);
}

QTEST_MAIN(TestCoreProgram)
#include "tst_core_program.moc"
