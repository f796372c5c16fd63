// Image quality of the double Gauss sample objective (axis and three field angles, three
// wavelengths): spot diagram, geometrical MTF and diffraction MTF. The diffraction MTF runs at
// the sample's F/2.8, where the fields carry 11 to 30 waves rms of aberration, and stopped
// down to F/8 (below 3 waves rms), where the integrand is smooth.
#include <benchmark/benchmark.h>

#include "core/forms/iqforms.h"
#include "core/imagequality/imagequality.h"
#include "testsystems.h"
#include "core/raytrace/rayscheme.h"

namespace {

zefo::Model prepared(double fnumber = 0) {
    zefo::Model m = zefo::doublegauss();
    if (fnumber > 0) m.lens.na = 1 / (2 * fnumber);
    zefo::initstdrays(m);
    zefo::rayscheme(m);
    m.mono = zefo::ismono(m.lens);
    zefo::mtfparams(m, zefo::mtfform(m), nullptr);
    return m;
}

void BM_Spot(benchmark::State& state) {
    zefo::Model m = prepared();
    m.lens.nrings = static_cast<uint8_t>(state.range(0));
    for (auto _ : state) {
        zefo::IqRun run;
        const zefo::SpotResult spot = zefo::spotcalc(m, run);
        benchmark::DoNotOptimize(spot.rays.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

void BM_GeometricalMtf(benchmark::State& state) {
    zefo::Model m = prepared();
    m.lens.nrings = static_cast<uint8_t>(state.range(0));
    zefo::IqRun spotrun;
    const zefo::SpotResult spot = zefo::spotcalc(m, spotrun);
    for (auto _ : state) {
        zefo::IqRun run;
        const zefo::MtfResult g = zefo::gmtfcalc(m, spot, m.lens.nfreq, run);
        benchmark::DoNotOptimize(g.values.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

void BM_DiffractionMtf(benchmark::State& state) {
    zefo::Model m = prepared(state.range(0) / 10.0);
    zefo::IqRun spot;
    zefo::spotcalc(m, spot);
    for (auto _ : state) {
        zefo::dmtfparams(m, 16, 4);
        zefo::IqRun run;
        const zefo::MtfResult d = zefo::dmtfcalc(m, run);
        benchmark::DoNotOptimize(d.values.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

}  // namespace

BENCHMARK(BM_Spot)->ArgName("rings")->Arg(10)->Arg(25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeometricalMtf)->ArgName("rings")->Arg(10)->Arg(25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffractionMtf)->ArgName("fnumber*10")->Arg(28)->Arg(80)->Unit(benchmark::kMillisecond);
