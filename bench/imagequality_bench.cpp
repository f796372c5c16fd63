// Image quality of the double Gauss sample objective (axis and three field angles, three
// wavelengths): spot diagram, geometrical MTF and diffraction MTF.
#include <benchmark/benchmark.h>

#include "forms/iqforms.h"
#include "imagequality/imagequality.h"
#include "model/samplesystems.h"
#include "raytrace/rayscheme.h"

namespace {

zefo::Model prepared() {
    zefo::Model m = zefo::doublegauss();
    zefo::initstdrays(m);
    zefo::rayscheme(m);
    m.mono = zefo::ismono(m);
    zefo::mtfparams(m, zefo::mtfform(m), nullptr);
    return m;
}

void BM_Spot(benchmark::State& state) {
    zefo::Model m = prepared();
    for (auto _ : state) {
        zefo::IqRun run;
        zefo::spotcalc(m, run);
        benchmark::DoNotOptimize(m.spotray.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

void BM_GeometricalMtf(benchmark::State& state) {
    zefo::Model m = prepared();
    zefo::IqRun spot;
    zefo::spotcalc(m, spot);
    for (auto _ : state) {
        zefo::IqRun run;
        zefo::gmtfcalc(m, m.nfreq, run);
        benchmark::DoNotOptimize(m.gmtf.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

void BM_DiffractionMtf(benchmark::State& state) {
    zefo::Model m = prepared();
    zefo::IqRun spot;
    zefo::spotcalc(m, spot);
    for (auto _ : state) {
        zefo::dmtfparams(m, 16, 4);
        zefo::IqRun run;
        zefo::wavecalc(m, run);
        benchmark::DoNotOptimize(m.dmtf.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

}  // namespace

BENCHMARK(BM_Spot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeometricalMtf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffractionMtf)->Unit(benchmark::kMillisecond);
