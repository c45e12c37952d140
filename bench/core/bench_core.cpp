// Timings and memory of the editor against the virtual unit.
//
//   BM_ColdStart           the editor program from its start until its window
//                          is shown (the unit then holds its RequestSync,
//                          sent just before the window appears)
//   BM_FullSync/paced:0|1  the window built in-process until the download
//                          has ended (EditorAttach + RequestSync .. SyncDone,
//                          every notification shown); paced: one report per
//                          millisecond each way, as a full-speed interrupt
//                          endpoint; counters give the wire-limit time of the
//                          same reports and the ratio
//   BM_PeakMemory          the program's peak resident set once loaded
//   BM_ShowModule          choosing the next module on the chain (the module
//                          panel rebuilt for it)
//
// The unit needs the umockdev preload; the program restarts itself under it
// when it is missing.

#include "appconfig.h"
#include "chainpanel.h"
#include "core.h"
#include "custombutton.h"
#include "devicestore.h"
#include "kt900style.h"
#include "resources.h"
#include "usbreceivethread.h"
#include "frame.h"
#include "virtualunit.h"
#include "virtualunitfixture.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <cstdlib>
#include <unistd.h>

using namespace Kt900Sim;

namespace {

bool waitFor(const std::function<bool()> &done, int ms)
{
    return QTest::qWaitFor(done, ms);
}

long peakResidentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void BM_ColdStart(benchmark::State &state)
{
    for (auto _ : state) {
        VirtualUnitFixture fixture;
        if (!fixture.isReady()) {
            state.SkipWithError(qPrintable(fixture.errorString()));
            return;
        }
        QProcess editor;
        const auto start = std::chrono::steady_clock::now();
        editor.start(QStringLiteral(KT900_EDITOR_BINARY), {QString::number(fixture.deviceAddress())});
        if (!waitFor([&]() { return fixture.unit().syncCount() > 0; }, 20000)) {
            state.SkipWithError("the editor did not ask for the data");
            return;
        }
        const auto shown = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
        waitFor([&]() { return fixture.unit().reportsSent() >= 2083; }, 20000);
        fixture.unplug();
        editor.waitForFinished(10000);
    }
}

void BM_PeakMemory(benchmark::State &state)
{
    long peak = 0;
    for (auto _ : state) {
        VirtualUnitFixture fixture;
        if (!fixture.isReady()) {
            state.SkipWithError(qPrintable(fixture.errorString()));
            return;
        }
        QProcess editor;
        editor.start(QStringLiteral(KT900_EDITOR_BINARY), {QString::number(fixture.deviceAddress())});
        waitFor([&]() { return fixture.unit().reportsSent() >= 2083 && fixture.unit().pendingReports() == 0; }, 20000);
        QTest::qWait(1500);
        peak = peakResidentKb(editor.processId());
        fixture.unplug();
        editor.waitForFinished(10000);
    }
    state.counters["peak_rss_MB"] = peak / 1024.0;
}

// Reports the unit sends from the start-up requests up to and including the
// one that ends its download, counted on the unit model alone.
int syncReportCount()
{
    VirtualUnit unit;
    for (const QByteArray &payload : {QByteArray("\x31\x01", 2), QByteArray("\x1E\x01", 2)}) {
        const QByteArray frame = Frame::build(payload);
        QByteArray report(64, '\0');
        report[0] = static_cast<char>(frame.size());
        report.replace(1, frame.size(), frame);
        unit.receiveReport(reinterpret_cast<const std::uint8_t *>(report.constData()), 64);
    }
    bool done = false;
    Frame::Reassembler reassembler([&done](const std::uint8_t *frame, std::size_t) { done = done || frame[4] == 0x1F; });
    std::vector<std::uint8_t> report;
    int count = 0;
    while (!done && unit.takeReport(&report, VirtualUnit::Clock::now() + std::chrono::hours(1))) {
        ++count;
        reassembler.feedReport(report.data(), static_cast<int>(report.size()));
    }
    return count;
}

void BM_FullSync(benchmark::State &state)
{
    BridgeOptions usb;
    usb.paced = state.range(0) != 0;
    QTemporaryDir dir;
    AppConfig::instance().setFileName(dir.filePath(QStringLiteral("Config.ini")));
    double measured = 0;
    long reports = 0;
    for (auto _ : state) {
        VirtualUnitFixture fixture(UnitOptions(), usb);
        if (!fixture.isReady()) {
            state.SkipWithError(qPrintable(fixture.errorString()));
            return;
        }
        Kt900::DeviceStore::instance().reset();
        const auto start = std::chrono::steady_clock::now();
        Core core(static_cast<quint8>(fixture.deviceAddress()));
        core.setQuitHandler([](int) {});
        // Stamped when the end of the download has been shown (Core's own
        // handler of the notification runs first).
        auto end = start;
        QObject::connect(core.receiveThread(), &usbReceiveThread::SendDataToUi, &core, [&](Kt900::UnitChange what, int) {
            if (what == Kt900::UnitChange::SyncDone) {
                end = std::chrono::steady_clock::now();
                reports = fixture.unit().reportsSent();
            }
        });
        if (!waitFor([&]() { return core.state() == Core::State::Ready && end != start; }, 30000)) {
            state.SkipWithError("the download did not end");
            return;
        }
        const double seconds = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(seconds);
        measured += seconds;
        waitFor([&]() { return fixture.unit().pendingReports() == 0; }, 10000);
    }
    // At one report per millisecond, the reports of the download (and the
    // two requests) take this long on the wire.
    static const int syncReports = syncReportCount();
    const double wireLimit = (syncReports + 2) / 1000.0;
    state.counters["reports"] = static_cast<double>(syncReports);
    state.counters["reports_read"] = static_cast<double>(reports);
    state.counters["wire_limit_s"] = wireLimit;
    if (usb.paced && state.iterations() > 0)
        state.counters["vs_wire_%"] = 100.0 * (measured / static_cast<double>(state.iterations()) - wireLimit) / wireLimit;
}

void BM_ShowModule(benchmark::State &state)
{
    QTemporaryDir dir;
    AppConfig::instance().setFileName(dir.filePath(QStringLiteral("Config.ini")));
    VirtualUnitFixture fixture;
    if (!fixture.isReady()) {
        state.SkipWithError(qPrintable(fixture.errorString()));
        return;
    }
    Kt900::DeviceStore::instance().reset();
    Core core(static_cast<quint8>(fixture.deviceAddress()));
    core.setQuitHandler([](int) {});
    if (!waitFor([&]() { return core.state() == Core::State::Ready; }, 30000)) {
        state.SkipWithError("the download did not end");
        return;
    }
    waitFor([&]() { return fixture.unit().pendingReports() == 0; }, 10000);
    int module = 0;
    for (auto _ : state) {
        module = (module + 1) % 11;
        core.selectModule(module);
        QCoreApplication::processEvents();
    }
}

} // namespace

BENCHMARK(BM_ColdStart)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FullSync)->ArgName("paced")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShowModule)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (!VirtualUnitFixture::preloadActive() && !std::getenv("KT900_SIM_REEXEC")) {
        const char *old = std::getenv("LD_PRELOAD");
        const QByteArray preload = QByteArray("libumockdev-preload.so.0") + (old && *old ? QByteArray(":") + old : QByteArray());
        setenv("LD_PRELOAD", preload.constData(), 1);
        setenv("KT900_SIM_REEXEC", "1", 1);
        execv("/proc/self/exe", argv);
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    kt900InitResources();
    QApplication::setFont(Kt900Style::applicationFont());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
