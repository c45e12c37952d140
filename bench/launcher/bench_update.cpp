// Reading a 4 MiB firmware file, and a whole update of 1 MiB (2048 blocks)
// against a unit that answers at once: the time per block is what the
// updater itself adds to the unit's own answer time.

#include "fakeunit.h"
#include "firmwarefile.h"
#include "statuslog.h"
#include "updatesession.h"

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// The updater's info lines would drown the results.
const bool kQuiet = [] {
    QLoggingCategory::setFilterRules(QStringLiteral("kt900.launcher.info=false"));
    return true;
}();

Firmware::ImageSpec image(int blocksPerSection, int sections)
{
    Firmware::ImageSpec imageLayout;
    for (int s = 0; s < sections; ++s) {
        Firmware::SectionSpec sec;
        sec.firstBlock = static_cast<std::uint16_t>(s * 0x1000);
        sec.data = QByteArray(blocksPerSection * Firmware::kBlockSize, static_cast<char>(s));
        imageLayout.sections.append(sec);
    }
    return imageLayout;
}

void BM_ParseFirmware(benchmark::State &state)
{
    const QByteArray file = Firmware::build(image(2048, 4)); // 4 MiB
    for (auto _ : state) {
        Firmware::Image img;
        benchmark::DoNotOptimize(Firmware::parse(file, "TOVAK_KT900", &img));
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(BM_ParseFirmware);

void BM_UpdateAgainstInstantUnit(benchmark::State &state)
{
    const int blocks = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    const Firmware::ImageSpec imageLayout = image(blocks / 2, 2);
    QFile f(dir.filePath("TOVAK_KT900_V1.1.0.tk"));
    if (!f.open(QIODevice::WriteOnly) || f.write(Firmware::build(imageLayout)) <= 0) {
        state.SkipWithError("cannot write the firmware file");
        return;
    }
    f.close();
    FakeUnit::Options o;
    o.applyCode = imageLayout.applyCode;
    o.applyAckCode = imageLayout.applyAckCode;
    o.blockCodes = {{imageLayout.sections[0].blockCode, imageLayout.sections[0].blockAckCode}};
    UpdateSession::Config config;
    config.firmwareDir = dir.path();
    config.reportedName = "TOVAK_KT900";
    for (auto _ : state) {
        FakeUnit unit(o);
        StatusLog log;
        UpdateSession session(unit, config, std::ref(log));
        session.start();
        if (log.waitFinal(60000).first != 10) {
            state.SkipWithError("update failed");
            break;
        }
        session.shutdown();
    }
    state.counters["blocks/s"] = benchmark::Counter(static_cast<double>(blocks) * state.iterations(),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(BM_UpdateAgainstInstantUnit)->Arg(2048)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
