// Speed of the exact ray trace and of the ray scheme aiming.
// items_per_second of the trace benchmarks counts ray-surface intersections (optical surfaces,
// the image plane not counted).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "testsystems.h"
#include "core/raytrace/blocktrace.h"
#include "core/raytrace/rayscheme.h"
#include "core/raytrace/raytrace.h"

namespace zefo {
namespace {

// An aimed system and a fan of rays over the pupil of every field position.
struct Fan {
    Model m;
    std::vector<RayPoint> rays;
};

Fan makefan(Model m) {
    initstdrays(m);
    rayscheme(m);
    Fan f{m, {}};
    const auto& r = f.m.lens.rays;
    const double y0 = r.y[0];
    for (int k = 0; k < f.m.lens.nrays; ++k) {
        if (k != 1 && r.rl[k] % 10 != 3) continue;   // the axis (ray 1) and every chief ray
        const double l = r.l[k], mm = r.m[k], n = std::sqrt(1 - l * l - mm * mm);
        const double yc = k == 1 ? 0 : r.y[k];
        for (int i = -8; i <= 8; ++i) {
            for (int j = -8; j <= 8; ++j) {
                const double px = i / 8.0, py = j / 8.0;
                if (px * px + py * py > 0.81) continue;   // inside the vignetting-free part
                f.rays.push_back(RayPoint{px * y0, yc + py * y0, 0, l, mm, n});
            }
        }
    }
    return f;
}

void tracefan(benchmark::State& state, Model sys, const TraceOpts& o) {
    Fan f = makefan(std::move(sys));
    Model& m = f.m;
    if (m.calcerror) {
        state.SkipWithError(m.errmsg.c_str());
        return;
    }
    bool failed = false;
    for (auto _ : state) {
        for (const RayPoint& p : f.rays) {
            const TracedRay t = raytrace(m, Ray{p.X, p.Y, p.L, p.M, p.N, 2, 0}, 0, o);
            failed |= t.status != RayStatus::passed;
            benchmark::DoNotOptimize(t.end.Y);
        }
    }
    if (m.calcerror || failed) state.SkipWithError("a ray of the fan failed");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.rays.size()) * m.lens.nsurf);
    state.counters["rays"] = static_cast<double>(f.rays.size());
}

void BM_DoubleGaussTrace(benchmark::State& state) { tracefan(state, doublegauss(), {}); }

// The same fan through the value interface: the lens only read, a context of the caller's
// prepared once.
void BM_DoubleGaussTraceValue(benchmark::State& state) {
    const Fan f = makefan(doublegauss());
    const OpticalSystem& lens = f.m.lens;
    TraceContext ctx;
    preparetrace(lens, ctx);
    bool failed = false;
    for (auto _ : state) {
        for (const RayPoint& p : f.rays) {
            const TracedRay t = trace(lens, Ray{p.X, p.Y, p.L, p.M, p.N, 2, 0}, 0, TraceOpts{}, ctx);
            failed |= t.status != RayStatus::passed;
            benchmark::DoNotOptimize(t.end.Y);
        }
    }
    if (failed) state.SkipWithError("a ray of the fan failed");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.rays.size()) * lens.nsurf);
    state.counters["rays"] = static_cast<double>(f.rays.size());
}

void BM_DoubleGaussTracePath(benchmark::State& state) {
    TraceOpts o;
    o.pathB = true;
    tracefan(state, doublegauss(), o);
}

void BM_DoubleGaussTraceVignetting(benchmark::State& state) {
    TraceOpts o;
    o.vignetting = true;
    tracefan(state, doublegauss(), o);
}

void BM_AsphericTrace(benchmark::State& state) { tracefan(state, asphericdoublet(), {}); }

// The fan in batches: argument 0 the instruction set (TracePath), argument 1 the threads,
// argument 2 how many copies of the fan make one batch.
void BM_DoubleGaussBatch(benchmark::State& state) {
    const auto path = static_cast<TracePath>(state.range(0));
    if (!pathsupported(path)) {
        state.SkipWithError("instruction set not available");
        return;
    }
    const Fan f = makefan(doublegauss());
    const OpticalSystem& lens = f.m.lens;
    std::vector<Ray> rays;
    for (int c = 0; c < state.range(2); ++c)
        for (const RayPoint& p : f.rays) rays.push_back(Ray{p.X, p.Y, p.L, p.M, p.N, 2, 0});
    std::vector<BatchRay> out(rays.size());
    const TracePlan plan = traceplan(lens, f.m.trace, 0, false);
    for (auto _ : state) {
        tracebatch(plan, rays, out, path, static_cast<int>(state.range(1)));
        benchmark::DoNotOptimize(out.data());
    }
    for (const BatchRay& b : out)
        if (b.status != RayStatus::passed) state.SkipWithError("a ray of the fan failed");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rays.size()) * lens.nsurf);
    state.counters["rays"] = static_cast<double>(rays.size());
}

void BM_DoubleGaussRayScheme(benchmark::State& state) {
    Model m = doublegauss();
    initstdrays(m);
    for (auto _ : state) {
        rayscheme(m);
        benchmark::DoNotOptimize(m.lens.rays.y.data());
    }
    if (m.calcerror) state.SkipWithError(m.errmsg.c_str());
}

BENCHMARK(BM_DoubleGaussTrace);
BENCHMARK(BM_DoubleGaussTraceValue);
BENCHMARK(BM_DoubleGaussTracePath);
BENCHMARK(BM_DoubleGaussTraceVignetting);
BENCHMARK(BM_AsphericTrace);
BENCHMARK(BM_DoubleGaussBatch)
    ->ArgNames({"path", "threads", "copies"})
    ->Args({0, 1, 1})
    ->Args({1, 1, 1})
    ->Args({2, 1, 1})
    ->Args({3, 1, 1});
// one thread against two on a large batch, in wall-clock time
BENCHMARK(BM_DoubleGaussBatch)
    ->ArgNames({"path", "threads", "copies"})
    ->Args({2, 1, 64})
    ->Args({2, 2, 64})
    ->Args({2, 1, 256})
    ->Args({2, 2, 256})
    ->UseRealTime();
BENCHMARK(BM_DoubleGaussRayScheme);

}  // namespace
}  // namespace zefo
