// The adaptive steady-state genetic optimizer on the double Gauss sample with its labels
// (eight curvatures, three separations): one candidate evaluation, and a whole run with the
// default parameters (or a fixed number of generations). The time of a run divided by its
// evaluations against the time of one evaluation shows what the bookkeeping costs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/app/samplelenses.h"
#include "core/evolution/assga.h"
#include "core/evolution/candidate.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"

namespace {

// The double Gauss sample with its limits; a catalogue in a scratch folder builds it.
zefo::Model labelled() {
    const auto dir = std::filesystem::temp_directory_path() / ("zefo-bench-assga-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    zefo::Model m;
    {
        zefo::GlassCatalog cat;
        const std::string err = cat.open(dir.string() + "/");
        for (const zefo::SampleLens& s : zefo::samplelenses())
            if (err.empty() && std::string(s.sysname) == "DGAUSS") m = zefo::buildsamplelens(s, cat);
    }
    std::filesystem::remove_all(dir);
    zefo::sizemeritlist(m.lens, m.merit);
    if (m.lens.nsurf == 0 || m.calcerror) {
        std::fprintf(stderr, "set-up failed: %s\n", m.errmsg.c_str());
        std::exit(1);
    }
    return m;
}

void BM_AssgaCandidate(benchmark::State& state) {
    zefo::Model m = labelled();
    zefo::CandidateChecks checks;
    checks.efl = zefo::nudatparax(m).efl;
    const zefo::SystemSurfaces start = m.lens.sys;
    double merit = 0;
    for (auto _ : state) {
        m.lens.sys = start;   // as a child is placed into the current system
        merit = zefo::evaluatecandidate(m, checks);
        benchmark::DoNotOptimize(merit);
    }
    if (merit < 0) state.SkipWithError("the start lens is no valid candidate");
}

// range(0): generations, 0 for the default 5000 with its own termination tests.
void BM_AssgaRun(benchmark::State& state) {
    const zefo::Model start = labelled();
    zefo::EAParams p;
    p.kind = 3;
    if (state.range(0) > 0) p.maxgen = static_cast<int>(state.range(0));
    zefo::EASetup setup;
    setup.seeded = true;
    setup.seed = {1802, 9373};
    zefo::EAOutcome out;
    for (auto _ : state) {
        zefo::Model m = start;
        out = zefo::runassga(m, p, setup, {});
        if (out.status != zefo::EAOutcome::Status::finished) state.SkipWithError(out.errmsg.c_str());
    }
    state.counters["generations"] = static_cast<double>(out.generations);
    state.counters["evaluations"] = static_cast<double>(out.evaluations);
    state.counters["per_evaluation"] =
        benchmark::Counter(static_cast<double>(out.evaluations),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["merit_start"] = out.meritstart;
    state.counters["merit"] = out.merit;
}

}  // namespace

BENCHMARK(BM_AssgaCandidate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AssgaRun)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1);
