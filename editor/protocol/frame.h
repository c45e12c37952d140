#pragma once

// Message frames exchanged with the unit, in both directions:
//
//   AA 55 | u16 payload length n (little-endian) | payload (n bytes, byte 0 is
//   the command code) | CRC-16/GSM over the length and payload, big-endian
//
// The CRC is the table-driven CRC-16 with polynomial 0x1021 and initial value 0,
// complemented at the end (check value 0xCE3C for "123456789").

#include <QByteArray>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace Frame {

constexpr std::uint8_t kHeader0 = 0xAA;
constexpr std::uint8_t kHeader1 = 0x55;
constexpr int kOverhead = 6; // header, length and CRC around the payload
// The longest payload either side sends is 519 bytes (a 512-byte chunk);
// a header announcing more than this is a false start.
constexpr int kMaxPayload = 1024;

// CRC-16/GSM of len bytes.
std::uint16_t crc16(const std::uint8_t *data, std::size_t len);

// Writes the frame for payload[0..n) into out, which must hold n + 6 bytes.
// Returns the frame length (n + 6). n must be at least 1.
std::size_t build(std::uint8_t *out, const std::uint8_t *payload, std::uint16_t n);

// Convenience form returning the whole frame.
QByteArray build(const QByteArray &payload);

// Returns true when frame[0..len) is one whole frame with a matching CRC.
bool isValid(const std::uint8_t *frame, std::size_t len);

// Rebuilds frames from the bytes of 64-byte reports, the way the unit's
// stream has to be read: every byte after a report's count byte enters the
// stream (padding too); frames are found by their AA 55 header and checked
// by CRC. A CRC mismatch drops only the false start byte, so a real frame
// that begins inside damaged bytes is still found.
class Reassembler
{
public:
    // Called once per complete frame with a matching CRC: frame points at the
    // AA byte, len is n + 6. The pointer is valid only during the call.
    using FrameHandler = std::function<void(const std::uint8_t *frame, std::size_t len)>;

    explicit Reassembler(FrameHandler handler);

    // Feeds one report of m bytes as read from the unit (report[0] is the
    // report's count byte, which is not used). A read of fewer than 2 bytes
    // appends nothing.
    void feedReport(const std::uint8_t *report, int m);

    // Appends raw stream bytes (no count byte) and scans.
    void feedBytes(const std::uint8_t *bytes, std::size_t len);

    // Bytes received but not yet consumed.
    const QByteArray &pending() const { return m_stream; }
    void clear() { m_stream.clear(); }

    // False starts dropped so far (a damaged frame gives at least one); may
    // be read from any thread.
    std::uint64_t damaged() const { return m_damaged.load(std::memory_order_relaxed); }

private:
    void scan();

    FrameHandler m_handler;
    QByteArray m_stream;
    std::atomic<std::uint64_t> m_damaged{0};
};

} // namespace Frame
