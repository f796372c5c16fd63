// The optimizer's costs on the 34-ray double Gauss with its 11 curvatures and 9 inner
// separations as variables: one merit evaluation, the Jacobian on one and two threads, and
// a whole DLS run of one iteration (its start and finish evaluations included). The Jacobian
// is timed with threads started for it and with threads kept from one to the next.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "core/optim/dls.h"
#include "core/optim/dlsmath.h"
#include "core/optim/merit.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"

namespace {

zefo::Model labelled() {
    zefo::Model m = zefo::doublegauss();
    zefo::initstdrays(m);
    zefo::rayscheme(m);
    auto& sp = m.lens.sys.sp;
    for (int k = 0; k <= m.lens.nsurf; ++k) {
        m.lens.axlim[k] = m.lens.edgelim[k] = sp.sep[k] > 2 ? 1.0 : 0.5;
        m.lens.clearlim[k] = 50;
        if (k < m.lens.nsurf) sp.optlabel[k] = k >= 1 && k < m.lens.nsurf - 1 ? "CD" : "C";
    }
    zefo::sizemeritlist(m.lens, m.merit);
    zefo::calcweights(m);
    if (m.calcerror || !zefo::meritcalc(m, m.merit)) {
        std::fprintf(stderr, "set-up failed: %s\n", m.errmsg.c_str());
        std::exit(1);
    }
    return m;
}

void BM_MeritEvaluation(benchmark::State& state) {
    zefo::Model m = labelled();
    for (auto _ : state) {
        zefo::meritcalc(m, m.merit);
        benchmark::DoNotOptimize(zefo::meritsum(m, m.merit));
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

void BM_Jacobian(benchmark::State& state) {
    const zefo::Model m = labelled();
    const auto vars = zefo::enumvariables(m);
    std::vector<double> r0(m.lens.naber), J;
    for (int i = 0; i < m.lens.naber; ++i) r0[i] = zefo::residual(m.lens, m.merit, i);
    std::string err;
    for (auto _ : state) {
        if (!zefo::buildjacobian(m, m.merit, vars, r0, static_cast<int>(state.range(0)), J, err)) state.SkipWithError(err.c_str());
        benchmark::DoNotOptimize(J.data());
    }
    state.counters["variables"] = static_cast<double>(vars.size());
}

// The same with the threads kept from one Jacobian to the next, as a DLS run keeps them.
void BM_JacobianKeptThreads(benchmark::State& state) {
    const zefo::Model m = labelled();
    const auto vars = zefo::enumvariables(m);
    std::vector<double> r0(m.lens.naber), J;
    for (int i = 0; i < m.lens.naber; ++i) r0[i] = zefo::residual(m.lens, m.merit, i);
    std::string err;
    zefo::JacobianThreads threads(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!threads.build(m, m.merit, vars, r0, J, err)) state.SkipWithError(err.c_str());
        benchmark::DoNotOptimize(J.data());
    }
    state.counters["variables"] = static_cast<double>(vars.size());
}

void BM_DlsOneIteration(benchmark::State& state) {
    const zefo::Model start = labelled();
    zefo::DlsSetup setup;
    setup.maxiter = 1;
    setup.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        zefo::Model m = start;
        state.ResumeTiming();
        const zefo::DlsOutcome out = zefo::dlsoptimize(m, m.merit, setup, {});
        if (out.status != zefo::DlsOutcome::Status::finished) state.SkipWithError(out.errmsg.c_str());
        benchmark::DoNotOptimize(out.merit);
    }
}

BENCHMARK(BM_MeritEvaluation)->Unit(benchmark::kMicrosecond);
// Two threads: the wall-clock time counts (the CPU column is the whole process's).
BENCHMARK(BM_Jacobian)->ArgName("threads")->Arg(1)->Arg(2)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JacobianKeptThreads)->ArgName("threads")->Arg(1)->Arg(2)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DlsOneIteration)->ArgName("threads")->Arg(1)->Arg(2)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
