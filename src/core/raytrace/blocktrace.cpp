#include "core/raytrace/blocktrace.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace zefo {

static_assert(static_cast<int>(SurfaceShape::sphere) == 0 && static_cast<int>(SurfaceShape::conic) == 1 &&
                  static_cast<int>(SurfaceShape::asphere) == 2 && static_cast<int>(SurfaceShape::fresnel) == 3,
              "the block kernel numbers the shapes in this order");

TracePlan traceplan(const OpticalSystem& lens, const TraceContext& ctx, int w, bool vignetting) {
    const int ns = lens.nsurf;
    const auto& sp = lens.sys.sp;
    const auto& asf = lens.sys.asf;
    const size_t need = static_cast<size_t>(ns) + 1;
    TraceContext own;
    const TraceContext* cx = &ctx;
    if (ctx.kinds.size() < need) {   // a context not prepared for this lens: decode the labels here
        preparetrace(lens, own);
        cx = &own;
    }
    const bool poly = lens.asphdata == 'D' && asf.eps.size() >= need && asf.a4.size() >= need &&
                      asf.a6.size() >= need && asf.a8.size() >= need && asf.a10.size() >= need;
    TracePlan p;
    p.nsurf = ns;
    p.tol = lens.wl[0];
    p.surf.resize(need);
    for (int i = 0; i <= ns; ++i) {
        const SurfaceKind& k = cx->kinds[i];
        PlanSurface& s = p.surf[i];
        s.shape = static_cast<int>(k.shape);
        s.plusroot = k.plusroot;
        s.minusroot = k.minusroot;
        s.poly = poly;
        s.curv = sp.curv[i];
        s.sep = sp.sep[i];
        s.mu = i < ns ? lens.mu[i][w] : 1.0;
        if (poly) {
            s.eps = asf.eps[i];
            s.a4 = asf.a4[i];
            s.a6 = asf.a6[i];
            s.a8 = asf.a8[i];
            s.a10 = asf.a10[i];
        }
        const double h = i == lens.stopsurf - 1 && ctx.clear.stop >= 0 ? ctx.clear.stop : sp.hmax[i];
        s.vignette = vignetting && i < ns && sp.index[i][0] > 0;
        s.clear2 = h * h;
    }
    return p;
}

namespace {

void runblock(TracePath path, const PlanView& v, RayBlock& b) {
    switch (path) {
        case TracePath::scalar: return traceblockscalar(v, b);
        case TracePath::sse2: return traceblocksse2(v, b);
        case TracePath::avx2: return traceblockavx2(v, b);
        case TracePath::avx512: return traceblockavx512(v, b);
    }
}

RayStatus statusof(double code) {
    switch (static_cast<int>(code)) {
        case blockrunning: return RayStatus::passed;
        case blockbackwards: return RayStatus::backwards;
        case blockvignetted: return RayStatus::vignetted;
        default: return RayStatus::failed;
    }
}

// Rays [from, to) in blocks; the lanes after the last ray repeat its first ray.
void traceslice(const TracePlan& plan, std::span<const Ray> rays, std::span<BatchRay> out, TracePath path,
                size_t from, size_t to) {
    const PlanView v{plan.surf.data(), plan.nsurf, plan.tol};
    RayBlock b;
    for (size_t s = from; s < to; s += kBlockRays) {
        const int n = static_cast<int>(std::min<size_t>(kBlockRays, to - s));
        for (int j = 0; j < kBlockRays; ++j) {
            const Ray& r = rays[s + (j < n ? j : 0)];
            b.X[j] = r.X, b.Y[j] = r.Y, b.Z[j] = 0, b.L[j] = r.L, b.M[j] = r.M, b.N[j] = r.N;
            b.code[j] = blockrunning;
            b.surface[j] = -1;
        }
        runblock(path, v, b);
        for (int j = 0; j < n; ++j) {
            BatchRay& o = out[s + j];
            o.end = RayPoint{b.X[j], b.Y[j], b.Z[j], b.L[j], b.M[j], b.N[j]};
            o.status = statusof(b.code[j]);
            o.surface = o.status == RayStatus::passed ? -1 : static_cast<int>(b.surface[j]);
        }
    }
}

}  // namespace

bool pathsupported(TracePath p) {
#if defined(__x86_64__) && defined(__GNUC__)
    switch (p) {
        case TracePath::avx512: return __builtin_cpu_supports("avx512f");
        case TracePath::avx2: return __builtin_cpu_supports("avx2");
        default: return true;
    }
#else
    return p == TracePath::scalar || p == TracePath::sse2;
#endif
}

TracePath besttracepath() {
    static const TracePath best = pathsupported(TracePath::avx512) ? TracePath::avx512
                                  : pathsupported(TracePath::avx2) ? TracePath::avx2
                                                                   : TracePath::sse2;
    return best;
}

void tracebatch(const TracePlan& plan, std::span<const Ray> rays, std::span<BatchRay> out, TracePath path,
                int threads) {
    const size_t n = std::min(rays.size(), out.size());
    if (n == 0 || plan.surf.size() < static_cast<size_t>(plan.nsurf) + 1) return;
    if (!pathsupported(path)) path = besttracepath();
    constexpr size_t large = 64 * kBlockRays;
    if (threads == 0) threads = n >= large && std::thread::hardware_concurrency() > 1 ? 2 : 1;
    if (threads < 2 || n <= kBlockRays) return traceslice(plan, rays, out, path, 0, n);
    const size_t half = (n / kBlockRays + 1) / 2 * kBlockRays;   // on a block boundary
    std::thread other;
    try {
        other = std::thread(traceslice, std::cref(plan), rays, out, path, half, n);
    } catch (const std::system_error&) {   // no thread to be had: all on this one
        return traceslice(plan, rays, out, path, 0, n);
    }
    traceslice(plan, rays, out, path, 0, half);
    other.join();
}

}  // namespace zefo
