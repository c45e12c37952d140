// kt900 (and the editor) when things go wrong on the link: a second program
// on a unit that is in use, a frame from the unit that fails its check, an
// acknowledgement that is lost. The real programs run under kt900-sim.

#include "clifiles.h"
#include "clirun.h"

#include "backupformat.h"
#include "memorydiff.h"
#include "unitmemory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace CliTest;
using Kt900Sim::UnitMemory;

class TestRobust : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_state;
    QByteArray m_reference;   // an undamaged backup of the factory unit

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void putFactory()
    {
        QString error;
        QVERIFY2(Kt900Sim::factoryMemory().saveToFile(m_state, &error), qPrintable(error));
    }

    UnitMemory state()
    {
        UnitMemory m;
        QString error;
        if (!m.loadFromFile(m_state, &error))
            qWarning() << error;
        return m;
    }

    Run sim(const QStringList &simOptions, const QStringList &program)
    {
        QStringList all = QStringList{QStringLiteral("--state"), m_state} + simOptions;
        all << QStringLiteral("--") << program;
        return runProgram(QStringLiteral(KT900_SIM_BINARY), all, 180000);
    }

    Run unit(const QStringList &args, const QStringList &simOptions = {})
    {
        return sim(simOptions, QStringList{QStringLiteral(KT900_CLI_BINARY)} + args);
    }

    // A shell under kt900-sim: both programs see the one unit.
    Run shell(const QString &script)
    {
        return sim({}, {QStringLiteral("/bin/sh"), QStringLiteral("-c"), script});
    }

    static QString quoted(const QString &s) { return QLatin1Char('\'') + s + QLatin1Char('\''); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(loadCatalogue());
        m_state = path(QStringLiteral("unit.state"));
        putFactory();
        const QString ref = path(QStringLiteral("reference.tbf"));
        const Run r = unit({QStringLiteral("backup"), ref});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        m_reference = readFile(ref);
        QVERIFY(!m_reference.isEmpty());
    }

    void init()
    {
        putFactory();
    }

    // Two programs on one unit: the second finds the interface claimed and
    // says so at once; the first finishes its work; neither hangs.
    void twoProgramsOnOneUnit_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        const QString cli = quoted(QStringLiteral(KT900_CLI_BINARY));
        const QString backup = cli + QStringLiteral(" backup ") + quoted(path(QStringLiteral("a.tbf")));
        const QString list = cli + QStringLiteral(" list");
        const QString recall = cli + QStringLiteral(" recall ") + quoted(path(QStringLiteral("reference.tbf")));
        QTest::newRow("backup + list") << backup << list;
        QTest::newRow("recall + list") << recall << list;
    }
    void twoProgramsOnOneUnit()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        // The second starts while the first downloads (about a second).
        const QString script = QStringLiteral("%1 >/dev/null 2>%3 & p=$!; sleep 0.4; "
                                              "%2 >/dev/null 2>%4; echo \"second=$?\"; wait $p; echo \"first=$?\"")
                                   .arg(first, second, quoted(path("first.err")), quoted(path("second.err")));
        QElapsedTimer timer;
        timer.start();
        const Run r = shell(script);
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY2(timer.elapsed() < 60000, "the pair took too long");
        const QByteArray firstErr = readFile(path("first.err"));
        const QByteArray secondErr = readFile(path("second.err"));
        const QByteArray inUse = "kt900: the unit is in use by another program\n";
        // Exactly one of them got the unit (usually the first); the other one
        // printed the one message and nothing else.
        const bool firstWon = r.out.contains("first=0") && r.out.contains("second=1") && secondErr == inUse;
        const bool secondWon = r.out.contains("first=1") && r.out.contains("second=0") && firstErr == inUse;
        QVERIFY2(firstWon || secondWon, qPrintable(r.describe() + "\nfirst: " + firstErr + "\nsecond: " + secondErr));
    }

    // The editor started while kt900 holds the unit: the message, exit 1.
    void editorFindsTheUnitInUse()
    {
        const QString script = QStringLiteral("%1 backup %2 >/dev/null 2>&1 & p=$!; sleep 0.4; "
                                              "QT_QPA_PLATFORM=offscreen %3 {address}; echo \"editor=$?\"; wait $p; echo \"kt900=$?\"")
                                   .arg(quoted(QStringLiteral(KT900_CLI_BINARY)), quoted(path("c.tbf")),
                                        quoted(QStringLiteral(KT900_EDITOR_BINARY)));
        QElapsedTimer timer;
        timer.start();
        const Run r = shell(script);
        QVERIFY2(r.out.contains("editor=1"), qPrintable(r.describe()));
        QVERIFY2(r.out.contains("kt900=0"), qPrintable(r.describe()));
        QVERIFY2(r.err.contains("The unit is in use by another program."), qPrintable(r.describe()));
        QVERIFY2(timer.elapsed() < 30000, "the editor did not end on its own");
    }

    // One frame from the unit fails its check: the backup is still the one
    // an undamaged run gives (a subset of scripts/corrupt-frame-sweep.sh,
    // which also accepts an exit 1 naming the item).
    void damagedFrameNeverBecomesABlankRecord_data()
    {
        QTest::addColumn<int>("frame");
        QTest::newRow("a preset record") << 100;
        QTest::newRow("a capture chunk") << 350;
        QTest::newRow("an IR chunk of the read-out") << 420;
    }
    void damagedFrameNeverBecomesABlankRecord()
    {
        QFETCH(int, frame);
        const QString file = path(QStringLiteral("damaged.tbf"));
        QFile::remove(file);
        const Run r = unit({QStringLiteral("backup"), file}, {QStringLiteral("--corrupt-frame"), QString::number(frame)});
        // Each of these damages is repaired by asking again: the backup is
        // the one an undamaged run writes.
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY2(readFile(file) == m_reference, "a backup that differs from an undamaged one");
    }

    // A lost acknowledgement during a recall: the preset is sent again and
    // the recall completes.
    void recallSurvivesALostAcknowledgement()
    {
        const Run r = unit({QStringLiteral("recall"), path(QStringLiteral("reference.tbf"))},
                           {QStringLiteral("--corrupt-frame"), QStringLiteral("480")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(r.out.endsWith("complete\n"));
        const QStringList diff = Kt900Sim::backupAreaDifferences(Kt900Sim::factoryMemory(), state());
        QVERIFY2(diff.isEmpty(), qPrintable(diff.join(QStringLiteral(", "))));
    }

    // Whatever went wrong, the program ends right after its message: the
    // receive loop and the session are torn down within a bounded time. (The
    // recall's preset goes unacknowledged twice and is named.)
    void exitsRightAfterItsMessage_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("fault");
        QTest::newRow("during the download") << QStringLiteral("list") << QStringList{"--unplug-after-reports", "1000"};
        QTest::newRow("during a recall") << QStringLiteral("recall") << QStringList{"--ack-limit", "3"};
        QTest::newRow("during the backup read-out") << QStringLiteral("backup") << QStringList{"--unplug-after-reports", "2900"};
    }
    void exitsRightAfterItsMessage()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, fault);
        QString args = command;
        if (command == QLatin1String("recall"))
            args += QLatin1Char(' ') + quoted(path(QStringLiteral("reference.tbf")));
        else if (command == QLatin1String("backup"))
            args += QLatin1Char(' ') + quoted(path(QStringLiteral("late.tbf")));
        // Each line of stderr with the time it came, then the time the
        // program's stderr closed (it ended).
        const QString script = QStringLiteral("{ %1 %2 2>&1 >/dev/null; echo \"exit=$?\"; } | "
                                              "while IFS= read -r l; do echo \"$(date +%s%3N) $l\"; done; echo \"end $(date +%s%3N)\"")
                                   .arg(quoted(QStringLiteral(KT900_CLI_BINARY)), args);
        const Run r = sim(fault, {QStringLiteral("/bin/sh"), QStringLiteral("-c"), script});
        const QStringList lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        qint64 message = -1;
        qint64 end = -1;
        for (const QString &l : lines) {
            if (l.contains(QLatin1String(" kt900: ")) && message < 0)
                message = l.section(QLatin1Char(' '), 0, 0).toLongLong();
            if (l.startsWith(QLatin1String("end ")))
                end = l.section(QLatin1Char(' '), 1, 1).toLongLong();
        }
        QVERIFY2(r.out.contains("exit=1"), qPrintable(r.describe()));
        // A recall whose preset is not acknowledged twice names it.
        if (command == QLatin1String("recall"))
            QVERIFY2(r.out.contains("kt900: recall failed: the unit did not take KT900_PRESET item 3"), qPrintable(r.describe()));
        QVERIFY2(message > 0 && end > 0, qPrintable(r.describe()));
        QVERIFY2(end - message < 2000, qPrintable(QStringLiteral("ended %1 ms after its message\n").arg(end - message) + r.describe()));
    }

    // A unit that does not answer the device info request is not "no unit".
    void unitThatDoesNotAnswer()
    {
        const Run r = unit({QStringLiteral("list")}, {QStringLiteral("--no-info")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.programErr().startsWith("kt900: the unit did not answer"), qPrintable(r.describe()));
    }

    // A recall stopped by a second interrupt says what it leaves behind.
    void stoppedRecallSaysTheUnitHoldsPartOfIt()
    {
        // The unit stops acknowledging after 5 presets: the recall then waits
        // (twice 5 s) on preset 5 when the interrupts come.
        const QString script = QStringLiteral("%1 recall %2 >/dev/null 2>%3 & p=$!; sleep 7; kill -INT $p; sleep 0.3; "
                                              "kill -INT $p; wait $p; echo \"exit=$?\"")
                                   .arg(quoted(QStringLiteral(KT900_CLI_BINARY)), quoted(path(QStringLiteral("reference.tbf"))),
                                        quoted(path(QStringLiteral("stopped.err"))));
        const Run r = sim({QStringLiteral("--ack-limit"), QStringLiteral("5")}, {QStringLiteral("/bin/sh"), QStringLiteral("-c"), script});
        const QByteArray err = readFile(path(QStringLiteral("stopped.err")));
        QVERIFY2(r.out.contains("exit=130"), qPrintable(r.describe() + "\n" + err));
        QVERIFY2(err.contains("kt900: recall stopped: the unit now holds part of the backup; recall it again"), err.constData());
    }

    // Names from the unit reach the terminal with control characters escaped.
    void controlCharactersInNamesAreEscaped()
    {
        UnitMemory m = Kt900Sim::factoryMemory();
        m.store.setPresetName(4, QStringLiteral("EVIL\x1b[2J\x07"));
        QString error;
        QVERIFY2(m.saveToFile(m_state, &error), qPrintable(error));
        const Run r = unit({QStringLiteral("list")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.describe()));
        QVERIFY(!r.out.contains('\x1b') && !r.out.contains('\x07'));
        QVERIFY2(r.out.contains("02B EVIL\\x1b[2J\\x07"), qPrintable(r.describe()));
    }
};

QTEST_GUILESS_MAIN(TestRobust)
#include "tst_robust.moc"
