// Loading the effect catalogue is part of the editor's start-up (goal: well
// under 5 ms). The lookups and display texts run for every parameter row the
// module panel builds.

#include "effectcatalogue.h"
#include "resources.h"
#include "valuemodel.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

const QString &resourcePath()
{
    static const QString path = QString::fromLatin1(EffectCatalogue::kResourcePath);
    return path;
}

void BM_CatalogueLoad(benchmark::State &state)
{
    kt900InitResources();
    for (auto _ : state) {
        EffectCatalogue cat;
        const bool ok = cat.load(resourcePath());
        if (!ok) {
            state.SkipWithError("the embedded catalogue does not load");
            break;
        }
        benchmark::DoNotOptimize(cat.chainCount());
    }
}
BENCHMARK(BM_CatalogueLoad)->Unit(benchmark::kMillisecond);

// Every type of every chain: parameter count, each parameter and its text at
// the middle of its range, as a full pass of the module panel would need.
void BM_AllParameterTexts(benchmark::State &state)
{
    kt900InitResources();
    EffectCatalogue cat;
    if (!cat.load(resourcePath())) {
        state.SkipWithError("the embedded catalogue does not load");
        return;
    }
    for (auto _ : state) {
        int chars = 0;
        for (int m = 0; m < cat.chainCount(); ++m) {
            for (int t = 0; t < cat.typeCount(m); ++t) {
                for (int i = 0; i < cat.paramCount(m, t); ++i) {
                    const ParaInfo *p = cat.param(m, t, i);
                    chars += ValueModel::displayText(*p, ValueModel::stepCount(*p) / 2).size();
                }
            }
        }
        benchmark::DoNotOptimize(chars);
    }
}
BENCHMARK(BM_AllParameterTexts)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
