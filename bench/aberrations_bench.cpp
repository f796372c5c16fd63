// The aberration pass of a merit-function evaluation (statistics option, no report) for the
// 34-ray double Gauss, with Conrady colour and with three wavelengths.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "core/analysis/aberrations.h"
#include "testsystems.h"
#include "core/raytrace/rayscheme.h"

namespace {

zefo::Model aimeddoublegauss(uint8_t systype) {
    zefo::Model m = zefo::doublegauss();
    m.lens.systype = systype;
    zefo::initstdrays(m);
    zefo::rayscheme(m);
    if (m.calcerror) {
        std::fprintf(stderr, "ray scheme failed: %s\n", m.errmsg.c_str());
        std::exit(1);
    }
    zefo::aberrations(m, m.merit, true, nullptr);   // sizes the list arrays once
    return m;
}

void run(benchmark::State& state, uint8_t systype) {
    zefo::Model m = aimeddoublegauss(systype);
    for (auto _ : state) {
        zefo::aberrations(m, m.merit, true, nullptr);
        benchmark::DoNotOptimize(m.merit.value.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
    state.counters["entries"] = m.merit.count;
}

void BM_AberrationsConrady(benchmark::State& state) { run(state, 0); }
void BM_AberrationsThreeWavelengths(benchmark::State& state) { run(state, 1); }

BENCHMARK(BM_AberrationsConrady)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AberrationsThreeWavelengths)->Unit(benchmark::kMicrosecond);

}  // namespace

