#pragma once

// Helpers for talking to a VirtualUnit at the report level in tests.

#include "frame.h"
#include "virtualunit.h"

#include <QByteArray>
#include <QVector>

#include <cstdint>
#include <vector>

namespace TestUnit {

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v & 0xFF));
    return b;
}

// Cuts a frame into 64-byte reports the way the host writes them: count
// byte, up to 63 frame bytes, the rest of the report left as `filler`.
inline QVector<QByteArray> cutReports(const QByteArray &frame, char filler = 0)
{
    QVector<QByteArray> reports;
    for (int off = 0; off < frame.size(); off += 63) {
        const int n = std::min(63, static_cast<int>(frame.size()) - off);
        QByteArray r(64, filler);
        r[0] = static_cast<char>(n);
        r.replace(1, n, frame.mid(off, n));
        reports.append(r);
    }
    return reports;
}

inline void sendReports(Kt900Sim::VirtualUnit &unit, const QVector<QByteArray> &reports)
{
    for (const QByteArray &r : reports)
        unit.receiveReport(reinterpret_cast<const std::uint8_t *>(r.constData()), r.size());
}

// Sends one frame with the given payload, cut into reports.
inline void sendPayload(Kt900Sim::VirtualUnit &unit, const QByteArray &payload)
{
    sendReports(unit, cutReports(Frame::build(payload)));
}

// Every IN report the unit has ready, as raw reports.
inline QVector<QByteArray> takeReports(Kt900Sim::VirtualUnit &unit)
{
    QVector<QByteArray> out;
    std::vector<std::uint8_t> report;
    while (unit.takeReport(&report))
        out.append(QByteArray(reinterpret_cast<const char *>(report.data()), static_cast<int>(report.size())));
    return out;
}

// Decodes IN reports into frame payloads, honouring each report's count byte
// (bulk blocks carry raw frame bytes).
inline QVector<QByteArray> decodePayloads(const QVector<QByteArray> &reports, bool bulk = false, int *badFrames = nullptr)
{
    QVector<QByteArray> payloads;
    QByteArray stream;
    for (const QByteArray &r : reports) {
        if (bulk)
            stream += r;
        else
            stream += r.mid(1, static_cast<unsigned char>(r.at(0)));
    }
    int pos = 0;
    while (pos + 6 <= stream.size()) {
        if (static_cast<unsigned char>(stream.at(pos)) != 0xAA || static_cast<unsigned char>(stream.at(pos + 1)) != 0x55) {
            ++pos;
            continue;
        }
        const int n = static_cast<unsigned char>(stream.at(pos + 2)) | (static_cast<unsigned char>(stream.at(pos + 3)) << 8);
        if (pos + n + 6 > stream.size())
            break;
        const QByteArray frame = stream.mid(pos, n + 6);
        if (Frame::isValid(reinterpret_cast<const std::uint8_t *>(frame.constData()), static_cast<std::size_t>(frame.size()))) {
            payloads.append(frame.mid(4, n));
            pos += n + 6;
        } else {
            if (badFrames)
                ++*badFrames;
            ++pos;
        }
    }
    return payloads;
}

inline QVector<QByteArray> takePayloads(Kt900Sim::VirtualUnit &unit, int *badFrames = nullptr)
{
    return decodePayloads(takeReports(unit), unit.options().bulk(), badFrames);
}

inline int u8(const QByteArray &b, int i) { return static_cast<unsigned char>(b.at(i)); }
inline int u16(const QByteArray &b, int i) { return u8(b, i) | (u8(b, i + 1) << 8); }

} // namespace TestUnit
