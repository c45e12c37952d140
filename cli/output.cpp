#include "output.h"

#include <unistd.h>

namespace Cli {

Output::Output(bool progress) : m_progress(progress) {}

Output::~Output()
{
    clearProgress();
}

bool Output::stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void Output::write(FILE *f, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), f);
    std::fflush(f);
}

void Output::clearProgress()
{
    if (!m_progressShown)
        return;
    // Carriage return, then erase to the end of the line.
    write(stderr, QByteArrayLiteral("\r\033[K"));
    m_progressShown = false;
    m_lastProgress.clear();
}

void Output::line(const QString &text)
{
    clearProgress();
    write(stdout, text.toLocal8Bit() + '\n');
}

void Output::json(const QJsonDocument &doc)
{
    clearProgress();
    write(stdout, doc.toJson(QJsonDocument::Indented));
}

void Output::error(const QString &text)
{
    clearProgress();
    write(stderr, QByteArrayLiteral("kt900: ") + text.toLocal8Bit() + '\n');
}

void Output::note(const QString &text)
{
    clearProgress();
    write(stderr, QByteArrayLiteral("kt900: note: ") + text.toLocal8Bit() + '\n');
}

void Output::progress(const QString &what, qint64 done, qint64 total)
{
    if (!m_progress)
        return;
    QString text = total > 0 ? QStringLiteral("%1: %2/%3 (%4%)").arg(what).arg(done).arg(total).arg(done * 100 / total)
                             : QStringLiteral("%1: %2").arg(what).arg(done);
    if (text == m_lastProgress)
        return;
    const bool last = total > 0 && done >= total;
    if (m_progressShown && !last && m_lastWrite.isValid() && m_lastWrite.elapsed() < 100)
        return;
    m_lastWrite.start();
    m_lastProgress = text;
    write(stderr, QByteArrayLiteral("\r\033[K") + text.toLocal8Bit());
    m_progressShown = true;
}

void Output::endProgress()
{
    if (!m_progressShown)
        return;
    write(stderr, QByteArrayLiteral("\n"));
    m_progressShown = false;
    m_lastProgress.clear();
}

} // namespace Cli
