// IR conversion of ".wav" files, NR data and the slot name rules.
//
// The accepted formats are written by sox from known raw samples (so the
// inputs come from a real tool, including its WAVE_FORMAT_EXTENSIBLE headers
// for 24- and 32-bit files); the odd and broken files are built here.

#include "irdata.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <functional>

namespace {

void putLe(QByteArray &b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(static_cast<char>(v >> (8 * i)));
}

// A WAV file built by hand: RIFF header, a format chunk of fmtSize bytes
// (16, 18 or 40), optional chunks before it, and the data chunk.
struct WavSpec
{
    int tag = 1;
    int channels = 1;
    int rate = 44100;
    int bits = 16;
    int fmtSize = 16;
    int extensibleTag = 1;          // sub-format when tag is 0xFFFE
    QByteArray before;              // raw chunks placed before "fmt "
    QByteArray between;             // raw chunks between "fmt " and "data"
    qint64 dataSizeOverride = -1;   // a lying data chunk size
};

QByteArray buildWav(const WavSpec &s, const QByteArray &samples)
{
    QByteArray fmt;
    putLe(fmt, static_cast<quint32>(s.tag), 2);
    putLe(fmt, static_cast<quint32>(s.channels), 2);
    putLe(fmt, static_cast<quint32>(s.rate), 4);
    putLe(fmt, static_cast<quint32>(s.rate * s.channels * s.bits / 8), 4);
    putLe(fmt, static_cast<quint32>(s.channels * s.bits / 8), 2);
    putLe(fmt, static_cast<quint32>(s.bits), 2);
    if (s.fmtSize >= 18)
        putLe(fmt, static_cast<quint32>(s.fmtSize - 18), 2);
    if (s.fmtSize >= 40) {
        putLe(fmt, static_cast<quint32>(s.bits), 2);
        putLe(fmt, s.channels == 1 ? 4u : 3u, 4);
        putLe(fmt, static_cast<quint32>(s.extensibleTag), 2);
        fmt.append(QByteArray::fromHex("000000001000800000aa00389b71"));
    }
    fmt = fmt.left(s.fmtSize);
    QByteArray body = "WAVE";
    body.append(s.before);
    body.append("fmt ");
    putLe(body, static_cast<quint32>(fmt.size()), 4);
    body.append(fmt);
    body.append(s.between);
    body.append("data");
    putLe(body, s.dataSizeOverride >= 0 ? static_cast<quint32>(s.dataSizeOverride) : static_cast<quint32>(samples.size()), 4);
    body.append(samples);
    QByteArray file = "RIFF";
    putLe(file, static_cast<quint32>(body.size()), 4);
    file.append(body);
    return file;
}

quint32 wordAt(const QByteArray &out, int k)
{
    const auto *p = reinterpret_cast<const unsigned char *>(out.constData()) + 4 * k;
    return static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) | (static_cast<quint32>(p[2]) << 16)
        | (static_cast<quint32>(p[3]) << 24);
}

qint32 signed24(quint32 w)
{
    return (w & 0x800000u) ? static_cast<qint32>(w) - 0x1000000 : static_cast<qint32>(w);
}

// A deterministic sample pattern covering the whole range, both signs and
// the extremes.
qint64 patternValue(int i, int bits)
{
    const qint64 full = (qint64(1) << (bits - 1));
    switch (i % 7) {
    case 0: return full - 1;
    case 1: return -full;
    case 2: return 0;
    case 3: return -1;
    default: {
        const quint64 x = (static_cast<quint64>(i) * 2654435761u) & ((quint64(1) << bits) - 1);
        return static_cast<qint64>(x) - full;
    }
    }
}

} // namespace

class TestIrData : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sox;

    // Writes raw bytes and lets sox wrap them into a WAV of the given encoding.
    QByteArray soxWav(const QByteArray &raw, int rate, int channels, const QString &encoding, int bits)
    {
        const QString rawPath = m_dir.filePath(QStringLiteral("in.raw"));
        const QString wavPath = m_dir.filePath(QStringLiteral("out.wav"));
        QFile f(rawPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(raw) != raw.size())
            return {};
        f.close();
        QFile::remove(wavPath);
        QProcess sox;
        sox.start(m_sox, {QStringLiteral("-D"), QStringLiteral("-r"), QString::number(rate), QStringLiteral("-c"), QString::number(channels),
                          QStringLiteral("-e"), encoding, QStringLiteral("-b"), QString::number(bits), QStringLiteral("-t"),
                          QStringLiteral("raw"), rawPath, wavPath});
        if (!sox.waitForFinished(30000) || sox.exitCode() != 0)
            return {};
        QFile w(wavPath);
        if (!w.open(QIODevice::ReadOnly))
            return {};
        return w.readAll();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_sox = QStandardPaths::findExecutable(QStringLiteral("sox"));
        QVERIFY2(!m_sox.isEmpty(), "sox is needed to build the WAV inputs (scripts/install-deps.sh installs it)");
    }

    // Every accepted integer format at 44.1 kHz, written by sox: the words are
    // the first channel widened to 24 bits.
    void acceptedIntegerFormats_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("frames");
        QTest::newRow("8-bit unsigned mono") << 8 << 1 << 3000;
        QTest::newRow("16-bit mono") << 16 << 1 << 3000;
        QTest::newRow("16-bit stereo") << 16 << 2 << 3000;
        QTest::newRow("24-bit mono (extensible)") << 24 << 1 << 3000;
        QTest::newRow("24-bit stereo (extensible)") << 24 << 2 << 2500;
        QTest::newRow("32-bit integer mono (extensible)") << 32 << 1 << 3000;
        QTest::newRow("16-bit short file") << 16 << 1 << 700;
    }

    void acceptedIntegerFormats()
    {
        QFETCH(int, bits);
        QFETCH(int, channels);
        QFETCH(int, frames);
        QByteArray raw;
        QVector<qint32> expected(IrData::kIrSamples, 0);
        for (int i = 0; i < frames; ++i) {
            for (int c = 0; c < channels; ++c) {
                // The second channel carries a different pattern: it must not show.
                const qint64 v = patternValue(c == 0 ? i : i + 3, bits);
                if (bits == 8)
                    raw.append(static_cast<char>(v + 128)); // unsigned on disk
                else
                    putLe(raw, static_cast<quint32>(v), bits / 8);
                if (c == 0 && i < IrData::kIrSamples)
                    expected[i] = static_cast<qint32>(bits >= 24 ? v >> (bits - 24) : v * (1 << (24 - bits)));
            }
        }
        const QByteArray wav = soxWav(raw, 44100, channels, bits == 8 ? QStringLiteral("unsigned-integer") : QStringLiteral("signed-integer"), bits);
        QVERIFY(!wav.isEmpty());
        if (bits > 16) // sox writes the extensible header for these
            QCOMPARE(static_cast<unsigned char>(wav[20]) | (static_cast<unsigned char>(wav[21]) << 8), 0xFFFE);

        QByteArray out;
        QString reason;
        QVERIFY2(IrData::convertWav(wav, &out, &reason), qPrintable(reason));
        QCOMPARE(out.size(), IrData::kIrBytes);
        for (int k = 0; k < IrData::kIrSamples; ++k) {
            const quint32 w = wordAt(out, k);
            QCOMPARE(w & 0xFF000000u, 0u);
            if (signed24(w) != expected[k])
                QFAIL(qPrintable(QStringLiteral("word %1: got %2, expected %3").arg(k).arg(signed24(w)).arg(expected[k])));
        }
    }

    void eightBitSilenceIsZero()
    {
        const QByteArray wav = soxWav(QByteArray(4000, char(128)), 44100, 1, QStringLiteral("unsigned-integer"), 8);
        QByteArray out;
        QVERIFY(IrData::convertWav(wav, &out));
        QCOMPARE(out, QByteArray(IrData::kIrBytes, '\0'));
    }

    // 32-bit float, written by sox, and the exact +-1.0 special cases.
    void floatSamples()
    {
        const QVector<float> values = {1.0f, -1.0f, 0.5f, -0.5f, 0.0f, 0.25f, -0.999f, 1.5f / 8388608, 0.9999999f, -1.5f / 8388608};
        QByteArray raw;
        for (float v : values) {
            quint32 u;
            std::memcpy(&u, &v, 4);
            putLe(raw, u, 4);
        }
        const QByteArray wav = soxWav(raw, 44100, 1, QStringLiteral("floating-point"), 32);
        QVERIFY(!wav.isEmpty());
        QByteArray out;
        QString reason;
        QVERIFY2(IrData::convertWav(wav, &out, &reason), qPrintable(reason));
        QCOMPARE(wordAt(out, 0), 0x7FFFF7u);
        QCOMPARE(wordAt(out, 1), 0x800009u);
        QCOMPARE(wordAt(out, 2), 0x400000u);
        QCOMPARE(wordAt(out, 3), 0xC00000u);
        QCOMPARE(wordAt(out, 4), 0u);
        QCOMPARE(wordAt(out, 5), 0x200000u);
        QCOMPARE(signed24(wordAt(out, 6)), static_cast<qint32>(-0.999f * 8388608.0)); // truncated toward zero
        QCOMPARE(wordAt(out, 7), 1u);                                                 // 1.5 LSB truncates to 1
        QCOMPARE(wordAt(out, 8), 0x7FFFFFu);                                          // just below 1.0
        QCOMPARE(signed24(wordAt(out, 9)), -1);                                       // toward zero, not down
        QCOMPARE(wordAt(out, 10), 0u);
    }

    void floatOutOfRangeAndNan()
    {
        const QVector<float> values = {2.0f, -3.5f, std::nanf("")};
        QByteArray raw;
        for (float v : values) {
            quint32 u;
            std::memcpy(&u, &v, 4);
            putLe(raw, u, 4);
        }
        WavSpec s;
        s.tag = 3;
        s.bits = 32;
        QByteArray out;
        QVERIFY(IrData::convertWav(buildWav(s, raw), &out));
        QCOMPARE(wordAt(out, 0), 0x7FFFF7u);
        QCOMPARE(wordAt(out, 1), 0x800009u);
        QCOMPARE(wordAt(out, 2), 0u);
    }

    // Resampling: a linear ramp stays linear, so output k must be the ramp's
    // value at input position k * ratio.
    void resampledRamp_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<int>("limit");
        QTest::newRow("48000") << 48000 << 1.088 << 2240;
        QTest::newRow("88200") << 88200 << 2.0 << 4100;
        QTest::newRow("96000") << 96000 << 2.177 << 4480;
    }

    void resampledRamp()
    {
        QFETCH(int, rate);
        QFETCH(double, ratio);
        QFETCH(int, limit);
        const int frames = rate; // one second
        QByteArray raw;
        for (int i = 0; i < frames; ++i)
            putLe(raw, static_cast<quint32>(i < limit ? i * 3 : -30000), 2); // beyond the limit: must not show
        const QByteArray wav = soxWav(raw, rate, 1, QStringLiteral("signed-integer"), 16);
        QByteArray out;
        QString reason;
        QVERIFY2(IrData::convertWav(wav, &out, &reason), qPrintable(reason));
        QCOMPARE(out.size(), IrData::kIrBytes);
        for (int k = 0; k < IrData::kIrSamples; ++k) {
            const double pos = k * ratio;
            const int i = static_cast<int>(pos);
            // Neighbours beyond the limit count as 0.
            const double a = i < limit ? i * 3 * 256.0 : 0.0;
            const double b = i + 1 < limit ? (i + 1) * 3 * 256.0 : 0.0;
            const double expected = a + (b - a) * (pos - i);
            const qint32 got = signed24(wordAt(out, k));
            if (std::abs(got - expected) > 1.0)
                QFAIL(qPrintable(QStringLiteral("k=%1: got %2, expected about %3").arg(k).arg(got).arg(expected)));
        }
        QCOMPARE(signed24(wordAt(out, 0)), 0);
        if (rate == 88200) // integer positions: exact
            QCOMPARE(signed24(wordAt(out, 1000)), 2000 * 3 * 256);
    }

    // A stereo 48 kHz 24-bit file of one second: only the first 2240 frames
    // of channel 0 count, resampled to 2048 samples.
    void stereo48k24bitUsesFirstChannelAndLimit()
    {
        QByteArray raw, rawLimited;
        for (int i = 0; i < 48000; ++i) {
            const qint32 left = static_cast<qint32>(std::lround(4000000.0 * std::sin(i * 0.01)));
            const qint32 right = (i % 2) ? 8388607 : -8388608;
            QByteArray frame;
            putLe(frame, static_cast<quint32>(left), 3);
            putLe(frame, static_cast<quint32>(right), 3);
            raw.append(frame);
            if (i < 2240)
                rawLimited.append(frame);
        }
        const QByteArray wav = soxWav(raw, 48000, 2, QStringLiteral("signed-integer"), 24);
        const QByteArray wavLimited = soxWav(rawLimited, 48000, 2, QStringLiteral("signed-integer"), 24);
        IrData::WavFormat f;
        QVERIFY(IrData::parseWav(wav, &f));
        QCOMPARE(f.channels, 2);
        QCOMPARE(f.frames, qint64(48000));
        QCOMPARE(f.formatTag, 0xFFFE);
        QByteArray out, outLimited;
        QVERIFY(IrData::convertWav(wav, &out));
        QVERIFY(IrData::convertWav(wavLimited, &outLimited));
        QCOMPARE(out, outLimited);
        for (int k = 0; k < IrData::kIrSamples; k += 97) {
            const double pos = k * 1.088;
            const int i = static_cast<int>(pos);
            const double a = std::lround(4000000.0 * std::sin(i * 0.01));
            const double b = std::lround(4000000.0 * std::sin((i + 1) * 0.01));
            QVERIFY(std::abs(signed24(wordAt(out, k)) - (a + (b - a) * (pos - i))) <= 1.0);
        }
    }

    void rejected_data()
    {
        QTest::addColumn<QByteArray>("wav");
        QTest::addColumn<QString>("reasonPart");

        const QByteArray samples(400, '\x10');
        WavSpec s;
        s.rate = 22050;
        QTest::newRow("22050 Hz") << buildWav(s, samples) << "22050 Hz";
        s = WavSpec();
        s.rate = 32000;
        QTest::newRow("32000 Hz") << buildWav(s, samples) << "32000 Hz";
        s = WavSpec();
        s.channels = 0;
        QTest::newRow("no channels") << buildWav(s, samples) << "no channels";
        s = WavSpec();
        s.channels = 3;
        QTest::newRow("three channels") << buildWav(s, samples) << "channel count 3";
        s = WavSpec();
        s.bits = 12;
        QTest::newRow("12-bit") << buildWav(s, samples) << "bit depth 12";
        s = WavSpec();
        s.tag = 3;
        s.bits = 64;
        QTest::newRow("64-bit float") << buildWav(s, samples) << "64-bit";
        s = WavSpec();
        s.tag = 3;
        s.bits = 16;
        QTest::newRow("16-bit float") << buildWav(s, samples) << "16-bit";
        s = WavSpec();
        s.tag = 2;
        QTest::newRow("ADPCM") << buildWav(s, samples) << "format tag 2";
        s = WavSpec();
        s.tag = 0xFFFE;
        s.fmtSize = 40;
        s.extensibleTag = 2;
        QTest::newRow("extensible ADPCM") << buildWav(s, samples) << "format tag 2";
        s = WavSpec();
        s.tag = 0xFFFE;
        s.fmtSize = 18;
        QTest::newRow("extensible without sub-format") << buildWav(s, samples) << "too short";
        s = WavSpec();
        s.fmtSize = 12;
        QTest::newRow("short format chunk") << buildWav(s, samples) << "too short";
        s = WavSpec();
        QTest::newRow("empty data") << buildWav(s, QByteArray()) << "no samples";
        QTest::newRow("one byte of 16-bit data") << buildWav(s, QByteArray(1, 'x')) << "no samples";

        QByteArray noData = buildWav(WavSpec(), samples);
        noData.replace("data", "dada");
        QTest::newRow("no data chunk") << noData << "data";
        QByteArray noFmt = buildWav(WavSpec(), samples);
        noFmt.replace("fmt ", "fmx ");
        QTest::newRow("no fmt chunk") << noFmt << "format chunk";
        QByteArray notWave = buildWav(WavSpec(), samples);
        notWave.replace(8, 4, "AVI ");
        QTest::newRow("RIFF but not WAVE") << notWave << "RIFF/WAVE";
        QTest::newRow("too short") << QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16) << "not a WAV";
        QTest::newRow("empty") << QByteArray() << "not a WAV";
        QTest::newRow("text") << QByteArray(200, 'a') << "RIFF/WAVE";
    }

    void rejected()
    {
        QFETCH(QByteArray, wav);
        QFETCH(QString, reasonPart);
        QByteArray out("junk");
        QString reason;
        QVERIFY(!IrData::convertWav(wav, &out, &reason));
        QVERIFY(out.isEmpty());
        QVERIFY2(reason.contains(reasonPart), qPrintable(reason));
    }

    // Chunk sizes that lie, chunks in odd places: converted without reading
    // beyond the file.
    void awkwardChunks()
    {
        QByteArray samples;
        for (int i = 0; i < 100; ++i)
            putLe(samples, static_cast<quint32>(i * 100), 2);

        // Data chunk claims more than the file holds: the file was cut short
        // and is refused, not sent as a shorter response. A recording whose
        // length was never written (0xFFFFFFFF) is taken as far as it goes.
        WavSpec s;
        s.dataSizeOverride = 0xFFFFFFF0;
        QByteArray out;
        QString why;
        QVERIFY(!IrData::convertWav(buildWav(s, samples), &out, &why));
        QVERIFY2(why.contains("cut short") && why.contains("4294967280"), qPrintable(why));
        s.dataSizeOverride = static_cast<quint32>(samples.size() + 2);
        QVERIFY(!IrData::convertWav(buildWav(s, samples), &out, &why));
        s.dataSizeOverride = 0xFFFFFFFF;
        QVERIFY(IrData::convertWav(buildWav(s, samples), &out));
        QCOMPARE(signed24(wordAt(out, 99)), 9900 * 256);
        QCOMPARE(wordAt(out, 100), 0u);

        // A LIST chunk whose text holds "data" and an odd-sized chunk with its
        // pad byte, before the format chunk: the chunk walk finds the real ones.
        s = WavSpec();
        s.before = QByteArray("LIST\x0b\0\0\0INFOdata123", 19) + QByteArray(1, '\0');
        s.between = QByteArray("junk\x03\0\0\0abc\0", 12);
        QVERIFY(IrData::convertWav(buildWav(s, samples), &out));
        QCOMPARE(signed24(wordAt(out, 1)), 100 * 256);

        // A chunk before "fmt " whose size runs past the end: the markers are
        // then found by scanning.
        s = WavSpec();
        s.before = QByteArray("bad \xff\xff\xff\x7f", 8);
        QVERIFY(IrData::convertWav(buildWav(s, samples), &out));
        QCOMPARE(signed24(wordAt(out, 2)), 200 * 256);

        // Odd data size with a partial last frame: the partial frame is ignored.
        s = WavSpec();
        QVERIFY(IrData::convertWav(buildWav(s, samples + QByteArray(1, '\x7f')), &out));
        QCOMPARE(wordAt(out, 100), 0u);
    }

    // Every truncation of a valid file is refused with a reason (and none crashes).
    void truncatedFiles()
    {
        QByteArray samples;
        for (int i = 0; i < 64; ++i)
            putLe(samples, static_cast<quint32>(i), 3);
        WavSpec s;
        s.tag = 0xFFFE;
        s.fmtSize = 40;
        s.bits = 24;
        const QByteArray wav = buildWav(s, samples);
        int accepted = 0;
        for (int len = 0; len <= wav.size(); ++len) {
            QByteArray out;
            QString reason;
            if (IrData::convertWav(wav.left(len), &out, &reason)) {
                ++accepted;
                QCOMPARE(out.size(), IrData::kIrBytes);
            } else {
                QVERIFY(!reason.isEmpty());
            }
        }
        // Only the whole file converts: every shorter one lacks declared data.
        QCOMPARE(accepted, 1);
    }

    void loadIrFileFromDisk()
    {
        const QString path = m_dir.filePath(QStringLiteral("ir.wav"));
        QByteArray samples;
        putLe(samples, 0x1234, 2);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(buildWav(WavSpec(), samples));
        f.close();
        QByteArray out;
        QString reason;
        QVERIFY2(IrData::loadIrFile(path, &out, &reason), qPrintable(reason));
        QCOMPARE(wordAt(out, 0), 0x123400u);
        QVERIFY(!IrData::loadIrFile(m_dir.filePath(QStringLiteral("missing.wav")), &out, &reason));
        QVERIFY(reason.contains(QStringLiteral("missing.wav")));
        QVERIFY(out.isEmpty());
    }

    void nrData_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("1583 bytes") << 1583 << false;
        QTest::newRow("1584 bytes") << 1584 << true;
        QTest::newRow("4000 bytes") << 4000 << true;
    }

    void nrData()
    {
        QFETCH(int, size);
        QFETCH(bool, accepted);
        QByteArray amp(size, '\0');
        for (int i = 0; i < size; ++i)
            amp[i] = static_cast<char>(i * 7);
        const QString path = m_dir.filePath(QStringLiteral("slot.amp"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(amp);
        f.close();
        QByteArray out;
        QString reason;
        QCOMPARE(IrData::loadNrFile(path, &out, &reason), accepted);
        if (accepted) {
            QCOMPARE(out, amp.left(1584));
        } else {
            QVERIFY(out.isEmpty());
            QVERIFY(reason.contains(QStringLiteral("too short")));
        }
    }

    void slotNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "/irs/Greenback 4x12.wav" << "Greenback 4x12" << true;
        QTest::newRow("20 characters") << "/irs/ABCDEFGHIJKLMNOPQRST.wav" << "ABCDEFGHIJKLMNO" << true;
        QTest::newRow("dots in the name") << "/irs/v1.2.final.wav" << "v1.2.final" << true;
        QTest::newRow("punctuation") << "/irs/a~b!c@(1).amp" << "a~b!c@(1)" << true;
        QTest::newRow("accented") << QStringLiteral("/irs/caf\u00e9.wav") << QStringLiteral("caf\u00e9") << false;
        QTest::newRow("accent after 15 characters") << QStringLiteral("/irs/ABCDEFGHIJKLMNO\u00e9.wav") << "ABCDEFGHIJKLMNO" << true;
        QTest::newRow("tab") << "/irs/a\tb.wav" << "a\tb" << false;
        QTest::newRow("no base name") << "/irs/.wav" << "" << false;
    }

    void slotNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(IrData::slotNameForFile(path), name);
        QCOMPARE(IrData::isValidSlotName(IrData::slotNameForFile(path)), valid);
    }

    void slotLabelsAndRows()
    {
        QCOMPARE(IrData::slotLabel(32, QStringLiteral("ABCDEFGHIJKLMNO")), QStringLiteral("33:ABCDEFGHIJKLMNO"));
        QCOMPARE(IrData::slotLabel(79, QStringLiteral("Plexi")), QStringLiteral("80:Plexi"));
        QCOMPARE(IrData::slotLabel(4, QStringLiteral("x")), QStringLiteral("05:x"));
        QCOMPARE(IrData::emptySlotLabel(35), QStringLiteral("36:EMPTY"));
        QCOMPARE(IrData::slotForTypeRow(3, 32), 0);
        QCOMPARE(IrData::slotForTypeRow(3, 41), 9);
        QCOMPARE(IrData::slotForTypeRow(3, 42), -1);
        QCOMPARE(IrData::slotForTypeRow(3, 31), -1);
        QCOMPARE(IrData::slotForTypeRow(2, 70), 0);
        QCOMPARE(IrData::slotForTypeRow(2, 79), 9);
        QCOMPARE(IrData::slotForTypeRow(2, 35), -1);
        QCOMPARE(IrData::slotForTypeRow(0, 32), -1);
    }
};

QTEST_GUILESS_MAIN(TestIrData)
#include "test_irdata.moc"
