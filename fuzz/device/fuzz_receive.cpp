// Feeds the receive path with what a faulty or hostile unit could send. The
// input is read as a list of records: one control byte, then either a payload
// (framed here with a correct CRC, so the dispatch is reached) or raw bytes
// (garbage, false headers, broken CRCs). The stream is cut into reports of a
// length chosen by the input as well.

#include "devicestore.h"
#include "frame.h"
#include "unittransport.h"
#include "usbreceivethread.h"

#include <QByteArray>
#include <QLoggingCategory>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

class NullUnit : public UnitTransport
{
public:
    bool isOpen() const override { return true; }
    bool write(const std::uint8_t *, int, int) override { return true; }
    int read(std::uint8_t *, int) override { return -1; }
    int readSize() const override { return 64; }
    bool hasCountByte() const override { return true; }
    void closeDevice() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static bool quiet = [] { QLoggingCategory::setFilterRules(QStringLiteral("kt900.*=false")); return true; }();
    (void)quiet;
    static NullUnit unit;
    static auto store = std::make_unique<Kt900::DeviceStore>();
    usbReceiveThread recv(&unit, store.get());
    if (size > 0 && (data[0] & 1))
        recv.prepareReadout();

    QByteArray stream;
    std::size_t pos = 1;
    while (pos < size) {
        const std::uint8_t control = data[pos++];
        const std::size_t len = std::min<std::size_t>(control & 0x7F ? (control & 0x7F) * 8 : 600, size - pos);
        const QByteArray piece(reinterpret_cast<const char *>(data + pos), static_cast<int>(len));
        pos += len;
        if (control & 0x80)
            stream += piece;                      // raw bytes
        else if (!piece.isEmpty())
            stream += Frame::build(piece);        // a well-framed payload
    }
    const int reportLength = size > 0 ? 2 + data[0] % 63 : 64;
    std::uint8_t report[64] = {};
    for (int off = 0; off < stream.size(); off += reportLength - 1) {
        const int n = std::min(reportLength - 1, static_cast<int>(stream.size()) - off);
        report[0] = static_cast<std::uint8_t>(n);
        std::memcpy(report + 1, stream.constData() + off, static_cast<std::size_t>(n));
        recv.processReport(report, n + 1);
    }
    return 0;
}
