// Drawing the pictures of the double Gauss: the display list alone and painted into an image.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "core/plot/systemplot.h"
#include "core/raytrace/rayscheme.h"
#include "render/render.h"
#include "testsystems.h"

namespace zefo {
namespace {

Model aimeddoublegauss() {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    return m;
}

void needgui() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_plot";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

void BM_SystemDisplayList(benchmark::State& state) {
    const Model m = aimeddoublegauss();
    const PlotTitle title{"DG", "DG.dat", "10.12.2026"};
    for (auto _ : state) benchmark::DoNotOptimize(systemplot(m.lens, title, 1000, 700, 15));
}
BENCHMARK(BM_SystemDisplayList)->Unit(benchmark::kMillisecond);

// The whole picture as a window shows it: display list and painting (the goal: under 20 ms).
void BM_SystemPicture(benchmark::State& state) {
    needgui();
    const Model m = aimeddoublegauss();
    const PlotTitle title{"DG", "DG.dat", "10.12.2026"};
    const int th = plottextheight();
    for (auto _ : state) benchmark::DoNotOptimize(renderimage(systemplot(m.lens, title, 1000, 700, th)));
}
BENCHMARK(BM_SystemPicture)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zefo
