// Timings of the virtual unit.
//
//   BM_FullDownload/paced:0|1  the editor's connect download (EditorAttach +
//                              RequestSync until SyncDone) through real libusb,
//                              MyLibusb and usbReceiveThread, unpaced and paced
//                              like a full-speed interrupt endpoint
//   BM_RoundTrip/paced:0|1     one device info request and its answer
//   BM_UnitModelDownload       the same download at the report level, no USB:
//                              the cost of the unit model itself
//
// The USB benchmarks need the umockdev preload; the program restarts itself
// under it when it is missing.

#include "mylibusb.h"
#include "usbreceivethread.h"
#include "virtualunit.h"
#include "virtualunitfixture.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

using namespace Kt900Sim;

namespace {

QByteArray frameOf(std::initializer_list<int> payload)
{
    QByteArray p;
    for (int v : payload)
        p.append(static_cast<char>(v));
    return Frame::build(p);
}

void BM_FullDownload(benchmark::State &state)
{
    BridgeOptions b;
    b.paced = state.range(0) != 0;
    long reports = 0;
    for (auto _ : state) {
        VirtualUnitFixture fixture(UnitOptions(), b);
        if (!fixture.isReady()) {
            state.SkipWithError(qPrintable(fixture.errorString()));
            return;
        }
        MyLibusb usb;
        usb.openByAddress(static_cast<std::uint8_t>(fixture.deviceAddress()));
        Kt900::DeviceStore store;
        usbReceiveThread recv(&usb, &store);
        bool done = false;
        QObject::connect(&recv, &usbReceiveThread::SendDataToUi, [&done](Kt900::UnitChange what, int) { done = done || what == Kt900::UnitChange::SyncDone; });
        const auto start = std::chrono::steady_clock::now();
        recv.sendEditorAttach();
        recv.sendRequestSync();
        std::uint8_t report[64];
        const int before = fixture.unit().reportsSent();
        while (!done) {
            const int n = usb.readReport(report, 500);
            if (n < 0) {
                state.SkipWithError("the unit went away");
                return;
            }
            if (n > 0)
                recv.processReport(report, n);
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        reports += fixture.unit().reportsSent() - before;
    }
    state.counters["reports"] = benchmark::Counter(static_cast<double>(reports), benchmark::Counter::kAvgIterations);
    state.counters["reports/s"] = benchmark::Counter(static_cast<double>(reports), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullDownload)->ArgName("paced")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RoundTrip(benchmark::State &state)
{
    BridgeOptions b;
    b.paced = state.range(0) != 0;
    VirtualUnitFixture fixture(UnitOptions(), b);
    if (!fixture.isReady()) {
        state.SkipWithError(qPrintable(fixture.errorString()));
        return;
    }
    MyLibusb usb;
    usb.openByAddress(static_cast<std::uint8_t>(fixture.deviceAddress()));
    const QByteArray request = frameOf({0x00, 0x00});
    std::uint8_t report[64];
    for (auto _ : state) {
        usb.writeFrame(reinterpret_cast<const std::uint8_t *>(request.constData()), request.size(), 500);
        if (usb.readReport(report, 500) <= 0) {
            state.SkipWithError("no answer");
            return;
        }
    }
}
BENCHMARK(BM_RoundTrip)->ArgName("paced")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_UnitModelDownload(benchmark::State &state)
{
    VirtualUnit unit;
    QByteArray reports;
    for (const QByteArray &frame : {frameOf({0x31, 0x01}), frameOf({0x1E, 0x01})}) {
        QByteArray r(64, '\0');
        r[0] = static_cast<char>(frame.size());
        r.replace(1, frame.size(), frame);
        reports += r;
    }
    std::vector<std::uint8_t> report;
    long count = 0;
    for (auto _ : state) {
        for (int off = 0; off < reports.size(); off += 64)
            unit.receiveReport(reinterpret_cast<const std::uint8_t *>(reports.constData() + off), 64);
        while (unit.takeReport(&report))
            ++count;
    }
    state.counters["reports/s"] = benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_UnitModelDownload)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!VirtualUnitFixture::preloadActive() && !std::getenv("KT900_SIM_REEXEC")) {
        const char *old = std::getenv("LD_PRELOAD");
        const QByteArray preload = QByteArray("libumockdev-preload.so.0") + (old && *old ? QByteArray(":") + old : QByteArray());
        setenv("LD_PRELOAD", preload.constData(), 1);
        setenv("KT900_SIM_REEXEC", "1", 1);
        execv("/proc/self/exe", argv);
    }
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
