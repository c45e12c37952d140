#pragma once

// Runs the real `kt900` program (and, for the unit commands, kt900-sim with
// the program under it) and collects what it printed.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace CliTest {

struct Run
{
    int exitCode = -1;       // -1: did not end normally (crashed, timed out)
    QByteArray out;
    QByteArray err;
    // stderr without kt900-sim's own lines
    QByteArray programErr() const
    {
        QByteArray result;
        for (const QByteArray &line : err.split('\n')) {
            if (!line.isEmpty() && !line.startsWith("kt900-sim:"))
                result += line + '\n';
        }
        return result;
    }
    QString describe() const
    {
        return QStringLiteral("exit %1\n--- stdout\n%2\n--- stderr\n%3")
            .arg(exitCode).arg(QString::fromLocal8Bit(out.left(4000)), QString::fromLocal8Bit(err.left(4000)));
    }
};

inline Run runProgram(const QString &program, const QStringList &args, int timeoutMs = 120000,
                      const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    QProcessEnvironment e = env;
    // The program decides on progress by whether stderr is a terminal; here it is a pipe.
    e.remove(QStringLiteral("LD_PRELOAD"));
    p.setProcessEnvironment(e);
    p.start();
    Run r;
    if (!p.waitForStarted(10000)) {
        r.err = "cannot start " + program.toLocal8Bit();
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out: " + p.readAllStandardError();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

inline Run kt900(const QStringList &args)
{
    return runProgram(QStringLiteral(KT900_CLI_BINARY), args);
}

} // namespace CliTest
