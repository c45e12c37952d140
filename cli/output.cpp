#include "output.h"

#include <unistd.h>

namespace Cli {

Output::Output(bool progress) : m_progress(progress) {}

namespace {

// Walks text character by character: whole surrogate pairs and ordinary
// characters are kept; a lone half of a pair and the characters `control`
// answers for are replaced by what it (or `halfCharacter`) gives.
template <typename Control>
QString escaped(const QString &text, const QString &halfCharacter, Control control)
{
    QString result;
    result.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result += c;
            result += text.at(++i);
        } else if (c.isSurrogate()) {
            // Half of a character (a name cut in the middle of one).
            result += halfCharacter;
        } else if (const QString replacement = control(c.unicode()); !replacement.isNull()) {
            result += replacement;
        } else {
            result += c;
        }
    }
    return result;
}

} // namespace

QString Output::printable(const QString &text)
{
    // A terminal would act on control characters (clear the screen, move the cursor).
    return escaped(text, QString(QChar(QChar::ReplacementCharacter)), [](ushort u) {
        return (u < 0x20 || (u >= 0x7F && u <= 0x9F)) ? QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'))
                                                      : QString();
    });
}

QByteArray Output::printableJson(const QByteArray &json)
{
    // The document escapes C0 controls itself; DEL, the C1 controls and
    // half characters are escaped here (valid inside JSON strings, the only
    // place they can be).
    return escaped(QString::fromUtf8(json), QStringLiteral("\\ufffd"), [](ushort u) {
               return (u == 0x7F || (u >= 0x80 && u <= 0x9F)) ? QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'))
                                                              : QString();
           })
        .toUtf8();
}

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
    write(stdout, printable(text).toLocal8Bit() + '\n');
}

void Output::json(const QJsonDocument &doc)
{
    clearProgress();
    write(stdout, printableJson(doc.toJson(QJsonDocument::Indented)));
}

void Output::error(const QString &text)
{
    clearProgress();
    write(stderr, QByteArrayLiteral("kt900: ") + printable(text).toLocal8Bit() + '\n');
}

void Output::note(const QString &text)
{
    clearProgress();
    write(stderr, QByteArrayLiteral("kt900: note: ") + printable(text).toLocal8Bit() + '\n');
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
    write(stderr, QByteArrayLiteral("\r\033[K") + printable(text).toLocal8Bit());
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
