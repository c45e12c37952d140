#pragma once

// What `kt900` prints: results on stdout, one line per failure on stderr
// ("kt900: ..."), and progress of long transfers on stderr while it is a
// terminal (a line rewritten in place, cleared before anything else is
// printed).

#include <QByteArray>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QString>

#include <cstdio>

namespace Cli {

class Output
{
public:
    // progress: show progress (normally: stderr is a terminal).
    explicit Output(bool progress);
    ~Output();

    Output(const Output &) = delete;
    Output &operator=(const Output &) = delete;

    static bool stderrIsTerminal();

    // Texts reach a terminal with control characters escaped ("\x1b") and
    // half characters replaced, whatever a name from the unit or a file holds.
    static QString printable(const QString &text);
    static QByteArray printableJson(const QByteArray &json);

    // A line on stdout.
    void line(const QString &text);
    void json(const QJsonDocument &doc);
    // "kt900: text" on stderr.
    void error(const QString &text);
    // "kt900: note: text" on stderr.
    void note(const QString &text);

    // "what: done/total (pct%)" or "what: done" when total is 0.
    void progress(const QString &what, qint64 done, qint64 total = 0);
    // Ends the progress line (kept on screen with a newline).
    void endProgress();
    bool showsProgress() const { return m_progress; }

private:
    void clearProgress();
    void write(FILE *f, const QByteArray &bytes);

    bool m_progress;
    bool m_progressShown = false;
    QString m_lastProgress;
    QElapsedTimer m_lastWrite;   // progress lines are rewritten at most every 100 ms
};

} // namespace Cli
