// Throughput of the receive path on the stream of a full sync: everything the
// unit sends after RequestSync (globals, slot names, 255 presets, the edit
// buffer, the capture data it is then asked for, SyncDone), cut into 64-byte
// reports the way they arrive, fed through reassembly and dispatch into the
// store. Goal: at least 64 MB/s of report bytes on one core.

#include "commands.h"
#include "devicestore.h"
#include "frame.h"
#include "unittransport.h"
#include "usbreceivethread.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QVector>

#include <memory>

namespace {

// Accepts every request the dispatch sends (data requests after the edit
// buffer and capture names) without a device.
class NullUnit : public UnitTransport
{
public:
    bool isOpen() const override { return true; }
    bool write(const std::uint8_t *, int, int) override { return true; }
    int read(std::uint8_t *, int) override { return 0; }
    int readSize() const override { return 64; }
    bool hasCountByte() const override { return true; }
    void closeDevice() override {}
};

QByteArray u16(int v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char((v >> 8) & 0xFF)); }

QByteArray syncStream()
{
    QByteArray s;
    auto frame = [&s](const QByteArray &payload) { s += Frame::build(payload); };
    frame(QByteArray::fromHex("11") + QByteArray(18, '\x01'));
    QByteArray eq = QByteArray::fromHex("1300000000");
    for (int i = 0; i < 18; ++i)
        eq += u16(50 + i);
    frame(eq);
    frame(QByteArray::fromHex("24") + QByteArray(512, '\x07'));
    frame(QByteArray::fromHex("0E") + QByteArray(12, '\x02'));
    frame(QByteArray::fromHex("28") + QByteArray(140, '\x03'));
    frame(QByteArray::fromHex("2501"));
    frame(QByteArray::fromHex("2600010000") + QByteArray(12, '\x04'));
    frame(QByteArray::fromHex("2704000109"));
    frame(QByteArray::fromHex("16") + QByteArray(13, '\x05'));
    frame(QByteArray::fromHex("0F32") + u16(80) + u16(60));
    for (int kind = 3; kind <= 5; ++kind) {
        for (int slot = 0; slot < (kind == 5 ? 20 : 10); ++slot)
            frame(QByteArray::fromHex("1A") + char(kind) + char(slot) + QByteArray("Slot name").leftJustified(16, '\0'));
    }
    Kt900::Record r = Kt900::emptyPreset();
    QByteArray wire(Kt900::kWireRecordSize, '\0');
    for (int i = 0; i < Kt900::kPresetCount; ++i) {
        r[3] = static_cast<std::uint8_t>(i);
        Kt900::encodeWireRecord(r, reinterpret_cast<std::uint8_t *>(wire.data()));
        frame(QByteArray::fromHex("1C02") + char(i) + QByteArray::fromHex("00020201") + wire);
    }
    frame(QByteArray::fromHex("1C01FF00020201") + wire);
    for (int slot = 0; slot < Kt900::kCaptureSlots; ++slot) {
        frame(QByteArray::fromHex("1C05") + char(slot) + QByteArray::fromHex("10000900") + QByteArray(16, 'n'));
        for (int i = 1; i < 9; ++i)
            frame(QByteArray::fromHex("1C05") + char(slot) + QByteArray::fromHex("000209") + char(i) + QByteArray(512, char(i)));
    }
    frame(QByteArray::fromHex("2203"));
    frame(QByteArray::fromHex("1F00"));
    return s;
}

// Full 64-byte reports: count byte, 63 stream bytes, the last one zero-padded.
QVector<QByteArray> toReports(const QByteArray &stream)
{
    QVector<QByteArray> reports;
    for (int pos = 0; pos < stream.size(); pos += 63) {
        QByteArray r(64, '\0');
        const QByteArray piece = stream.mid(pos, 63);
        r[0] = char(piece.size());
        r.replace(1, piece.size(), piece);
        reports.append(r);
    }
    return reports;
}

const QVector<QByteArray> &reports()
{
    static const QVector<QByteArray> r = toReports(syncStream());
    return r;
}

void BM_ReceiveFullSync(benchmark::State &state)
{
    const QVector<QByteArray> &in = reports();
    NullUnit unit;
    auto store = std::make_unique<Kt900::DeviceStore>();
    usbReceiveThread recv(&unit, store.get());
    int frames = 0;
    QObject::connect(&recv, &usbReceiveThread::SendDataToUi, [&frames](Kt900::UnitChange, int) { ++frames; });
    for (auto _ : state) {
        for (const QByteArray &r : in)
            recv.processReport(reinterpret_cast<const std::uint8_t *>(r.constData()), 64);
    }
    benchmark::DoNotOptimize(frames);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * in.size() * 64);
    state.counters["reports"] = in.size();
    state.counters["frames/sync"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReceiveFullSync)->Unit(benchmark::kMillisecond);

void BM_ReassembleOnly(benchmark::State &state)
{
    const QVector<QByteArray> &in = reports();
    std::size_t bytes = 0;
    Frame::Reassembler reassembler([&bytes](const std::uint8_t *, std::size_t len) { bytes += len; });
    for (auto _ : state) {
        for (const QByteArray &r : in)
            reassembler.feedReport(reinterpret_cast<const std::uint8_t *>(r.constData()), 64);
    }
    benchmark::DoNotOptimize(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * in.size() * 64);
}
BENCHMARK(BM_ReassembleOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
