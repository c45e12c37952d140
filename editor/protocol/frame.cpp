#include "frame.h"

#include <array>
#include <cstring>

namespace Frame {

namespace {

constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        table[static_cast<std::size_t>(i)] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

} // namespace

std::uint16_t crc16(const std::uint8_t *data, std::size_t len)
{
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < len; ++i)
        crc = static_cast<std::uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ data[i]) & 0xFF]);
    return static_cast<std::uint16_t>(~crc);
}

std::size_t build(std::uint8_t *out, const std::uint8_t *payload, std::uint16_t n)
{
    out[0] = kHeader0;
    out[1] = kHeader1;
    out[2] = static_cast<std::uint8_t>(n & 0xFF);
    out[3] = static_cast<std::uint8_t>(n >> 8);
    if (n > 0 && out + 4 != payload)
        std::memmove(out + 4, payload, n);
    const std::uint16_t crc = crc16(out + 2, static_cast<std::size_t>(n) + 2);
    out[4 + n] = static_cast<std::uint8_t>(crc >> 8);
    out[5 + n] = static_cast<std::uint8_t>(crc & 0xFF);
    return static_cast<std::size_t>(n) + kOverhead;
}

QByteArray build(const QByteArray &payload)
{
    const int n = payload.size();
    if (n < 1 || n > 0xFFFF)
        return {};
    QByteArray frame(n + kOverhead, '\0');
    build(reinterpret_cast<std::uint8_t *>(frame.data()),
          reinterpret_cast<const std::uint8_t *>(payload.constData()),
          static_cast<std::uint16_t>(n));
    return frame;
}

bool isValid(const std::uint8_t *frame, std::size_t len)
{
    if (len < static_cast<std::size_t>(kOverhead) || frame[0] != kHeader0 || frame[1] != kHeader1)
        return false;
    const std::size_t n = static_cast<std::size_t>(frame[2]) | (static_cast<std::size_t>(frame[3]) << 8);
    if (n + kOverhead != len)
        return false;
    const std::uint16_t crc = crc16(frame + 2, n + 2);
    return frame[4 + n] == (crc >> 8) && frame[5 + n] == (crc & 0xFF);
}

Reassembler::Reassembler(FrameHandler handler)
    : m_handler(std::move(handler))
{
    m_stream.reserve(10240);
}

void Reassembler::feedReport(const std::uint8_t *report, int m)
{
    if (m < 2)
        return;
    feedBytes(report + 1, static_cast<std::size_t>(m - 1));
}

void Reassembler::feedBytes(const std::uint8_t *bytes, std::size_t len)
{
    m_stream.append(reinterpret_cast<const char *>(bytes), static_cast<int>(len));
    scan();
}

void Reassembler::scan()
{
    // Consumed bytes are tracked with an offset and removed once at the end,
    // so a burst of frames costs one move of the tail. `start` is where the
    // stream begins after the drops made so far; `from` is where the search
    // for the next header goes on (a 0xAA that is not followed by 0x55 is
    // passed over but not dropped: the bytes before a header stay with an
    // incomplete frame until it is complete).
    int start = 0;
    int from = 0;
    const auto *s = reinterpret_cast<const std::uint8_t *>(m_stream.constData());
    for (;;) {
        const int size = m_stream.size();
        int i = from;
        while (i < size && s[i] != kHeader0)
            ++i;
        if (i >= size) {           // no header byte at all: nothing to keep
            start = size;
            break;
        }
        if (i == size - 1) {       // 0xAA as the last byte: wait for more
            start = i;
            break;
        }
        if (s[i + 1] != kHeader1) { // not a header: search on after it
            from = i + 1;
            continue;
        }
        if (i + 4 > size)          // length not there yet: keep everything
            break;
        const int n = s[i + 2] | (s[i + 3] << 8);
        if (n > kMaxPayload) {
            // No message is that long: a false start inside damaged bytes,
            // which would otherwise hold every following frame back until
            // that many bytes had come.
            m_damaged.fetch_add(1, std::memory_order_relaxed);
            start = i + 1;
            from = start;
            continue;
        }
        if (i + n + kOverhead > size) // incomplete frame: keep everything
            break;
        const std::uint16_t crc = crc16(s + i + 2, static_cast<std::size_t>(n) + 2);
        if (s[i + n + 4] == (crc >> 8) && s[i + n + 5] == (crc & 0xFF)) {
            if (m_handler)
                m_handler(s + i, static_cast<std::size_t>(n) + kOverhead);
            start = i + n + kOverhead;
        } else {
            m_damaged.fetch_add(1, std::memory_order_relaxed);
            start = i + 1;        // drop the false start only
        }
        from = start;
    }
    if (start > 0)
        m_stream.remove(0, start);
}

} // namespace Frame
