#include "irdata.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <cmath>
#include <cstring>
#include <vector>

Q_LOGGING_CATEGORY(lcIrData, "kt900.model.irdata")

namespace IrData {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("IrData", text);
}

void setReason(QString *reason, const QString &text)
{
    if (reason)
        *reason = text;
}

std::uint16_t u16At(const QByteArray &b, qint64 pos)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + pos;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t u32At(const QByteArray &b, qint64 pos)
{
    const auto *p = reinterpret_cast<const unsigned char *>(b.constData()) + pos;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool idAt(const QByteArray &b, qint64 pos, const char *id)
{
    return pos >= 0 && pos + 4 <= b.size() && std::memcmp(b.constData() + pos, id, 4) == 0;
}

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;
constexpr int kFormatExtensible = 0xFFFE;

// Bytes 2..15 of the KSDATAFORMAT_SUBTYPE_* GUIDs as stored in a file; bytes
// 0..1 hold the plain format tag.
const unsigned char kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                          0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Chunk
{
    qint64 body = -1;   // first byte after the chunk header
    qint64 size = 0;    // bytes of the body actually present in the file
    qint64 declared = 0; // bytes the chunk header declares
};

// Walks the chunk list after the RIFF header. Chunk sizes are checked
// against the file; a size that runs past the end still gives the chunk
// (what is present of it) but ends the walk.
void walkChunks(const QByteArray &wav, Chunk *fmt, Chunk *data)
{
    const qint64 size = wav.size();
    qint64 pos = 12;
    while (pos + 8 <= size && (fmt->body < 0 || data->body < 0)) {
        const qint64 declared = u32At(wav, pos + 4);
        const qint64 body = pos + 8;
        const qint64 present = std::min(declared, size - body);
        if (fmt->body < 0 && idAt(wav, pos, "fmt ")) {
            fmt->body = body;
            fmt->size = present;
        } else if (data->body < 0 && idAt(wav, pos, "data")) {
            data->body = body;
            data->size = present;
            data->declared = declared;
        }
        const qint64 next = body + declared + (declared & 1);
        if (next > size)
            break;
        pos = next;
    }
}

// Fallback for files whose chunk list is broken: the markers are searched
// anywhere after the RIFF header.
void scanChunks(const QByteArray &wav, Chunk *fmt, Chunk *data)
{
    const qint64 size = wav.size();
    auto find = [&](const char *id, Chunk *c) {
        const qint64 at = wav.indexOf(id, 12);
        if (at < 0 || at + 8 > size)
            return;
        c->body = at + 8;
        c->declared = u32At(wav, at + 4);
        c->size = std::min<qint64>(c->declared, size - c->body);
    };
    if (fmt->body < 0)
        find("fmt ", fmt);
    if (data->body < 0)
        find("data", data);
}

std::int32_t readSample(const unsigned char *p, int bits, bool isFloat)
{
    switch (bits) {
    case 8:
        // 8-bit WAV samples are unsigned; silence is 128.
        return (static_cast<std::int32_t>(p[0]) - 128) * 65536;
    case 16:
        return static_cast<std::int32_t>(static_cast<std::int16_t>(p[0] | (p[1] << 8))) * 256;
    case 24: {
        std::int32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
        if (v & 0x800000)
            v -= 0x1000000;
        return v;
    }
    case 32: {
        const std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
            | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        if (isFloat) {
            float f;
            std::memcpy(&f, &u, sizeof f);
            return floatTo24(static_cast<double>(f));
        }
        // The upper three bytes of a 32-bit sample (arithmetic shift keeps the sign).
        return static_cast<std::int32_t>(u) >> 8;
    }
    default:
        return 0;
    }
}

} // namespace

int frameLimit(int sampleRate)
{
    switch (sampleRate) {
    case 44100: return 2048;
    case 48000: return 2240;
    case 88200: return 4100;
    case 96000: return 4480;
    default: return 0;
    }
}

double resampleRatio(int sampleRate)
{
    switch (sampleRate) {
    case 44100: return 1.0;
    case 48000: return 1.088;
    case 88200: return 2.0;
    case 96000: return 2.177;
    default: return 0.0;
    }
}

std::int32_t floatTo24(double x)
{
    constexpr std::int32_t kPlusOne = 0x7FFFF7;
    if (std::isnan(x))
        return 0;
    if (x >= 1.0)
        return kPlusOne;
    if (x <= -1.0)
        return -kPlusOne;
    return static_cast<std::int32_t>(x * 8388608.0); // truncates toward zero
}

bool parseWav(const QByteArray &wav, WavFormat *format, QString *reason)
{
    WavFormat f;
    if (wav.size() < 32) {
        setReason(reason, tr("not a WAV file (only %1 bytes)").arg(wav.size()));
        return false;
    }
    if (!idAt(wav, 0, "RIFF") || !idAt(wav, 8, "WAVE")) {
        setReason(reason, tr("not a RIFF/WAVE file"));
        return false;
    }
    Chunk fmt, data;
    walkChunks(wav, &fmt, &data);
    if (fmt.body < 0 || data.body < 0)
        scanChunks(wav, &fmt, &data);
    if (fmt.body < 0) {
        setReason(reason, tr("the file has no format chunk (\"fmt \")"));
        return false;
    }
    if (data.body < 0) {
        setReason(reason, tr("the file has no sample data (\"data\" chunk)"));
        return false;
    }
    if (fmt.size < 16) {
        setReason(reason, tr("the format chunk is too short (%1 bytes)").arg(fmt.size));
        return false;
    }
    f.formatTag = u16At(wav, fmt.body);
    f.channels = u16At(wav, fmt.body + 2);
    f.sampleRate = static_cast<int>(std::min<std::uint32_t>(u32At(wav, fmt.body + 4), 0x7FFFFFFF));
    f.bitsPerSample = u16At(wav, fmt.body + 14);

    int tag = f.formatTag;
    if (tag == kFormatExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID.
        if (fmt.size < 40) {
            setReason(reason, tr("the extensible format chunk is too short (%1 bytes)").arg(fmt.size));
            return false;
        }
        const qint64 guid = fmt.body + 24;
        if (std::memcmp(wav.constData() + guid + 2, kSubFormatTail, sizeof kSubFormatTail) != 0) {
            setReason(reason, tr("unsupported sample format (unknown sub-format)"));
            return false;
        }
        tag = u16At(wav, guid);
    }
    if (tag != kFormatPcm && tag != kFormatFloat) {
        setReason(reason, tr("unsupported sample format (format tag %1); integer PCM or 32-bit float is needed").arg(tag));
        return false;
    }
    f.isFloat = tag == kFormatFloat;
    if (f.channels == 0) {
        setReason(reason, tr("the file declares no channels"));
        return false;
    }
    if (f.channels > 2) {
        setReason(reason, tr("unsupported channel count %1 (mono or stereo only)").arg(f.channels));
        return false;
    }
    if (frameLimit(f.sampleRate) == 0) {
        setReason(reason, tr("unsupported sample rate %1 Hz (44100, 48000, 88200 or 96000 Hz)").arg(f.sampleRate));
        return false;
    }
    const bool depthOk = f.isFloat ? f.bitsPerSample == 32
                                   : (f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24
                                      || f.bitsPerSample == 32);
    if (!depthOk) {
        if (f.isFloat)
            setReason(reason, tr("unsupported float format (%1-bit); only 32-bit float is supported").arg(f.bitsPerSample));
        else
            setReason(reason, tr("unsupported bit depth %1 (8, 16, 24 or 32-bit)").arg(f.bitsPerSample));
        return false;
    }
    // A file cut short (an interrupted copy or download) would otherwise go
    // to the unit as a shorter impulse response. 0xFFFFFFFF marks a recording
    // whose length was never written.
    if (data.declared > data.size && data.declared != 0xFFFFFFFFll) {
        setReason(reason, tr("the file is cut short: its sample data declares %1 bytes, %2 are present")
                              .arg(data.declared).arg(data.size));
        return false;
    }
    const qint64 frameBytes = static_cast<qint64>(f.channels) * (f.bitsPerSample / 8);
    f.dataOffset = data.body;
    f.frames = data.size / frameBytes;
    if (f.frames == 0) {
        setReason(reason, tr("the file holds no samples"));
        return false;
    }
    if (format)
        *format = f;
    return true;
}

bool convertWav(const QByteArray &wav, QByteArray *out, QString *reason)
{
    if (out)
        out->clear();
    WavFormat f;
    if (!parseWav(wav, &f, reason))
        return false;

    const int limit = frameLimit(f.sampleRate);
    const int n = static_cast<int>(std::min<qint64>(f.frames, limit));
    const int bytesPerSample = f.bitsPerSample / 8;
    const int frameBytes = f.channels * bytesPerSample;
    const auto *base = reinterpret_cast<const unsigned char *>(wav.constData()) + f.dataOffset;

    // Channel 0 of the frames used, widened to 24 bits.
    std::vector<std::int32_t> in(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        in[static_cast<std::size_t>(i)] = readSample(base + static_cast<qint64>(i) * frameBytes, f.bitsPerSample, f.isFloat);

    std::vector<std::int32_t> result(kIrSamples, 0);
    if (f.sampleRate == 44100) {
        for (int k = 0; k < n && k < kIrSamples; ++k)
            result[static_cast<std::size_t>(k)] = in[static_cast<std::size_t>(k)];
    } else {
        // Linear interpolation: output sample k lies at input position
        // k * ratio; samples beyond the input are 0.
        const double ratio = resampleRatio(f.sampleRate);
        auto at = [&](qint64 i) -> double {
            return i < n ? in[static_cast<std::size_t>(i)] / 8388608.0 : 0.0;
        };
        for (int k = 0; k < kIrSamples; ++k) {
            const double pos = k * ratio;
            const qint64 i = static_cast<qint64>(pos);
            const double frac = pos - static_cast<double>(i);
            const double a = at(i);
            const double b = at(i + 1);
            result[static_cast<std::size_t>(k)] = floatTo24(a + (b - a) * frac);
        }
    }

    if (out) {
        out->resize(kIrBytes);
        auto *p = reinterpret_cast<unsigned char *>(out->data());
        for (int k = 0; k < kIrSamples; ++k) {
            const std::uint32_t w = packWord(result[static_cast<std::size_t>(k)]);
            p[4 * k] = static_cast<unsigned char>(w);
            p[4 * k + 1] = static_cast<unsigned char>(w >> 8);
            p[4 * k + 2] = static_cast<unsigned char>(w >> 16);
            p[4 * k + 3] = 0;
        }
    }
    return true;
}

bool loadIrFile(const QString &path, QByteArray *out, QString *reason)
{
    if (out)
        out->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setReason(reason, tr("cannot open %1: %2").arg(QFileInfo(path).fileName(), file.errorString()));
        return false;
    }
    // Map the file when possible: a long recording picked by mistake is then
    // not read into memory just to use its first few thousand frames.
    const qint64 size = file.size();
    if (size > 0 && size <= 0x7FFFFFFF) {
        if (uchar *mapped = file.map(0, size)) {
            const QByteArray view = QByteArray::fromRawData(reinterpret_cast<const char *>(mapped), static_cast<int>(size));
            const bool ok = convertWav(view, out, reason);
            file.unmap(mapped);
            return ok;
        }
    }
    if (size > 0x7FFFFFFF) {
        setReason(reason, tr("%1 is too large").arg(QFileInfo(path).fileName()));
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setReason(reason, tr("cannot read %1: %2").arg(QFileInfo(path).fileName(), file.errorString()));
        return false;
    }
    return convertWav(bytes, out, reason);
}

bool prepareNrData(const QByteArray &amp, QByteArray *out, QString *reason)
{
    if (out)
        out->clear();
    if (amp.size() < kNrBytes) {
        setReason(reason, tr("the amp capture is too short (%1 bytes, %2 needed)").arg(amp.size()).arg(kNrBytes));
        return false;
    }
    if (out)
        *out = amp.left(kNrBytes);
    return true;
}

bool loadNrFile(const QString &path, QByteArray *out, QString *reason)
{
    if (out)
        out->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setReason(reason, tr("cannot open %1: %2").arg(QFileInfo(path).fileName(), file.errorString()));
        return false;
    }
    const QByteArray head = file.read(kNrBytes);
    if (file.error() != QFileDevice::NoError) {
        setReason(reason, tr("cannot read %1: %2").arg(QFileInfo(path).fileName(), file.errorString()));
        return false;
    }
    return prepareNrData(head, out, reason);
}

QString slotNameForFile(const QString &path)
{
    return QFileInfo(path).completeBaseName().left(kSlotNameChars);
}

bool isValidSlotName(const QString &name)
{
    // "^[ -~]+$" over the whole name: printable ASCII, at least one character.
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

QString slotLabel(int typeRow, const QString &name)
{
    return QStringLiteral("%1:%2").arg(typeRow + 1, 2, 10, QLatin1Char('0')).arg(name);
}

QString emptySlotLabel(int typeRow)
{
    return slotLabel(typeRow, QStringLiteral("EMPTY"));
}

int slotForTypeRow(int module, int typeRow)
{
    int first = -1;
    if (module == 3)
        first = kIrFirstTypeRow;
    else if (module == 2)
        first = kNrFirstTypeRow;
    if (first < 0 || typeRow < first || typeRow >= first + kSlotCount)
        return -1;
    return typeRow - first;
}

} // namespace IrData
