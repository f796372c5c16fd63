// Image quality of the double Gauss sample objective (axis and three field angles, three
// wavelengths): spot diagram, geometrical MTF and diffraction MTF. The diffraction MTF runs at
// the sample's F/2.8, where the fields carry 11 to 30 waves rms of aberration, and stopped
// down to F/8 (below 3 waves rms), where the integrand is smooth. The phase kernel of the
// diffraction MTF is timed against the library's cosine and sine on one chord.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/forms/iqforms.h"
#include "core/imagequality/imagequality.h"
#include "core/imagequality/phasepath.h"
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

// The phases of 512 nodes of a chord (a polynomial of degree 6) with their cosines and sines:
// one node at a time with the library's functions, and by the phase kernel of each path.
constexpr int kNodes = 512;
constexpr double kLine[] = {0.4, -31.0, 12.5, 88.0, -40.0, 9.0, 3.5};

std::vector<double> chordnodes() {
    std::vector<double> x(kNodes);
    for (int i = 0; i < kNodes; ++i) x[i] = -0.9 + 1.8 * (i + 0.5) / kNodes;
    return x;
}

void BM_ChordLibrary(benchmark::State& state) {
    const std::vector<double> x = chordnodes();
    std::vector<double> c(kNodes), s(kNodes);
    for (auto _ : state) {
        for (int i = 0; i < kNodes; ++i) {
            double v = 0;
            for (int k = 6; k >= 0; --k) v = v * x[i] + kLine[k];
            c[i] = std::cos(v);
            s[i] = std::sin(v);
        }
        benchmark::DoNotOptimize(c.data());
        benchmark::DoNotOptimize(s.data());
    }
}

void BM_ChordKernel(benchmark::State& state) {
    const auto path = static_cast<zefo::TracePath>(state.range(0));
    if (!zefo::pathsupported(path)) {
        state.SkipWithError("not supported here");
        return;
    }
    const std::vector<double> x = chordnodes();
    std::vector<double> c(kNodes), s(kNodes);
    for (auto _ : state) {
        zefo::phasesincos(kLine, 6, x.data(), kNodes, c.data(), s.data(), path);
        benchmark::DoNotOptimize(c.data());
        benchmark::DoNotOptimize(s.data());
    }
    const char* names[] = {"scalar", "sse2", "avx2", "avx512"};
    state.SetLabel(names[state.range(0)]);
}

}  // namespace

BENCHMARK(BM_ChordLibrary)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChordKernel)->ArgName("path")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Spot)->ArgName("rings")->Arg(10)->Arg(25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeometricalMtf)->ArgName("rings")->Arg(10)->Arg(25)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiffractionMtf)->ArgName("fnumber*10")->Arg(28)->Arg(80)->Unit(benchmark::kMillisecond);
