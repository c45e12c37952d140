// Run with QT_QPA_PLATFORM=offscreen.

#include "effectcatalogue.h"
#include "kt900style.h"
#include "parawidgetbase.h"
#include "parawidgetfactory.h"
#include "resources.h"

#include <QApplication>
#include <QListWidget>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The parameter rows of one type, built, styled and laid out in a list as the
// module panel does on a module or type change.
void buildRows(QListWidget &list, int module, int type)
{
    auto &cat = EffectCatalogue::instance();
    list.clear();
    const int n = cat.paramCount(module, type);
    for (int i = 0; i < n; ++i) {
        ParaWidgetBase *w = createParaWidget(QStringLiteral("#414141"), QStringLiteral("#c0d23c"),
                                             cat.param(module, type, i));
        if (!w)
            continue;
        w->setValue(0);
        auto *item = new QListWidgetItem(&list);
        item->setSizeHint(QSize(0, 60));
        list.setItemWidget(item, w);
    }
    QApplication::processEvents();
}

void BM_TypeChangeRows(benchmark::State &state)
{
    const int module = int(state.range(0));
    const int type = int(state.range(1));
    QListWidget list;
    list.setObjectName(QStringLiteral("moduleParaListWidget"));
    list.resize(700, 560);
    list.show();
    for (auto _ : state)
        buildRows(list, module, type);
    state.SetLabel(EffectCatalogue::instance().typeName(module, type).toStdString());
}
// DELAY dual delay (6 rows, two option groups), EQ custom (9 sliders),
// CAB (two option groups of 5 and 10 buttons, four sliders).
BENCHMARK(BM_TypeChangeRows)->Args({7, 8})->Args({5, 3})->Args({3, 0})->Unit(benchmark::kMillisecond);

void BM_LoadStyleSheets(benchmark::State &state)
{
    for (auto _ : state) {
        QString text = Kt900Style::loadStyleSheets();
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_LoadStyleSheets)->Unit(benchmark::kMicrosecond);

// Ctrl+L: reading and applying the sheets to a window full of widgets.
void BM_ReapplyStyleSheets(benchmark::State &state)
{
    QListWidget list;
    list.setObjectName(QStringLiteral("moduleParaListWidget"));
    list.resize(700, 560);
    list.show();
    buildRows(list, 7, 8);
    for (auto _ : state) {
        qApp->setStyleSheet(Kt900Style::loadStyleSheets());
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ReapplyStyleSheets)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    kt900InitResources();
    QApplication::setFont(Kt900Style::applicationFont());
    app.setStyleSheet(Kt900Style::loadStyleSheets());
    if (!EffectCatalogue::instance().load(QString::fromLatin1(EffectCatalogue::kResourcePath)))
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
