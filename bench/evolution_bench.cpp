// The evolutionary optimizers' costs on the double Gauss starting design: one candidate
// evaluation (last-curvature solve, checks, ray scheme, merit with fresh weights) and short
// seeded runs of each strategy on one and two threads (wall-clock time; the CPU column is the
// whole process's).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

#include "core/app/samplelenses.h"
#include "core/evolution/candidate.h"
#include "core/evolution/earun.h"
#include "core/model/glasscat.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"

namespace {

// The double Gauss starting design of the samples (its labels: 8 curvatures, 4 separations),
// made feasible by a seeded run (its start violates an edge limit).
const zefo::Model& feasiblestart() {
    static const zefo::Model m = [] {
        char dir[] = "/tmp/zefo-bench-XXXXXX";
        if (!mkdtemp(dir)) std::exit(1);
        zefo::GlassCatalog cat;
        if (!cat.open(std::string(dir) + "/").empty()) std::exit(1);
        zefo::Model m;
        for (const zefo::SampleLens& s : zefo::samplelenses())
            if (std::string(s.sysname) == "DGSTART") m = zefo::buildsamplelens(s, cat);
        zefo::sizemeritlist(m.lens, m.merit);
        zefo::EASetup setup;
        setup.seeded = true;
        setup.seed = {1802, 9373};
        const zefo::EAOutcome out = zefo::runevolution(m, zefo::EAKind::grup, zefo::EAParams{}, setup, {});
        cat.close();
        std::filesystem::remove_all(dir);
        if (out.phase != 0) {
            std::fprintf(stderr, "set-up failed: %s\n", out.errmsg.c_str());
            std::exit(1);
        }
        return m;
    }();
    return m;
}

void BM_CandidateEvaluation(benchmark::State& state) {
    zefo::Model m = feasiblestart();
    const zefo::CandidateChecks checks{zefo::nudatparax(m).efl, true};
    const double sep = m.lens.sys.sp.sep[5];
    if (zefo::evaluatecandidate(m, checks) < 0) state.SkipWithError("the double Gauss is no valid candidate");
    int k = 0;
    for (auto _ : state) {
        m.lens.sys.sp.sep[5] = sep + 0.01 * (k++ % 7);
        benchmark::DoNotOptimize(zefo::evaluatecandidate(m, checks));
    }
}

void BM_Strategy(benchmark::State& state) {
    const zefo::Model& start = feasiblestart();
    const auto kind = static_cast<zefo::EAKind>(state.range(0));
    zefo::EAParams p;
    p.maxgen = kind == zefo::EAKind::evol ? 2000 : 10;
    p.recombine = kind == zefo::EAKind::reko;
    zefo::EASetup setup;
    setup.seeded = true;
    setup.seed = {1802, 9373};
    setup.threads = static_cast<int>(state.range(1));
    long evaluations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        zefo::Model m = start;
        state.ResumeTiming();
        const zefo::EAOutcome out = zefo::runevolution(m, kind, p, setup, {});
        if (out.status != zefo::EAOutcome::Status::finished) state.SkipWithError(out.errmsg.c_str());
        evaluations = out.evaluations;
    }
    state.counters["evaluations"] = static_cast<double>(evaluations);
    state.SetLabel(zefo::eakindname(kind));
}

BENCHMARK(BM_CandidateEvaluation)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Strategy)
    ->ArgsProduct({{static_cast<long>(zefo::EAKind::evol), static_cast<long>(zefo::EAKind::grup),
                    static_cast<long>(zefo::EAKind::reko), static_cast<long>(zefo::EAKind::korr)},
                   {1, 2}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
