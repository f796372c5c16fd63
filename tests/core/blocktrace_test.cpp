#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "alloccount.h"
#include "testsystems.h"
#include "core/raytrace/blocktrace.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"

namespace zefo {
namespace {

// A lens of the table, with rays that pass and rays that stop at each of its surface kinds.
struct LensCase {
    const char* name;
    Model m;
    std::vector<Ray> extra;   // rays aimed at particular failures
    bool opaque = false;      // no ray can pass
};

Model withindices(Model m, double n0 = 1) {
    m.lens.sys.sp.index[0] = {n0, n0, n0};
    ssetq(m);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    return m;
}

Model onesurface(const SampleSurface& s, double n0 = 1) { return withindices(buildobjective({s}, 1, 0.1, {5}, 6), n0); }

Ray parallelray(double x, double y) { return Ray{x, y, 0, 0, 1, 2, 0}; }
Ray obliqueray(double x, double y, double l, double m) { return Ray{x, y, l, m, std::sqrt(1 - l * l - m * m), 2, 0}; }

std::vector<LensCase> lenstable() {
    const double s60 = std::sin(M_PI / 3);
    std::vector<LensCase> t;
    t.push_back({"double Gauss", withindices(doublegauss()), {}});
    t.push_back({"aspheric doublet", withindices(asphericdoublet()), {}});
    t.push_back({"conic roots and Fresnel",
                 withindices(buildobjective({{"E+", 50, 20, 1.5, 0.008, 30, -0.4},
                                             {"E-", -70, 4, 1, 0, 30, 0.6},
                                             {"F", -80, 60, 1, 0, 30, -0.3, 2e-7}},
                                            1, 0.1, {5}, 6), 1.2),
                 {}});
    t.push_back({"mirrors",
                 withindices(buildobjective({{"SM", -200, -70, -1, 0, 40},
                                             {"EM", -90, 60, 1, 0, 15, -2.2},
                                             {"AM", 0, -40, -1, 0, 40, 0, 1e-6, -2e-10},
                                             {"S", 0, -30, -1, 0, 40}},
                                            1, 0.1, {5}, 6)),
                 {}});
    // one surface each: failed refraction (total reflection), an impossible direction, a
    // ray running backwards, a label without a shape
    const std::pair<SampleSurface, const char*> tir[] = {
        {{"S", 0, 100, 1, 0, 100}, "S"}, {{"E", 0, 100, 1, 0, 100}, "E"},
        {{"A", 0, 100, 1, 0, 100, 0, 1e-9}, "A"}, {{"F", 0, 100, 1, 0, 100}, "F"}};
    for (const auto& [s, label] : tir)
        t.push_back({label, onesurface(s, 1.5), {obliqueray(0, 0, 0, s60), obliqueray(0, 1, 0, 0.3)}});
    t.push_back({"direction and backwards", onesurface({"S", 0, 100, 1.5, 0, 100}),
                 {Ray{0, 1, 1, 0, 0, 2, 0}, Ray{0, 0, 0, std::sqrt(0.75), -0.5, 2, 0}, parallelray(0, 1)}});
    t.push_back({"no shape", onesurface({"M", 50, 100, 1.5, 0, 100}), {parallelray(0, 1)}, true});
    return t;
}

// A fan over a square beyond the clear apertures, at three field angles: rays that pass,
// are vignetted, miss surfaces or are reflected totally.
std::vector<Ray> raygrid(const Model& m) {
    std::vector<Ray> rays;
    const double h = 1.4 * m.lens.sys.sp.hmax[0];
    for (double deg : {0.0, 9.0, 25.0}) {
        const double tm = std::sin(deg * M_PI / 180);
        for (int i = -9; i <= 9; ++i)
            for (int j = -9; j <= 9; ++j) rays.push_back(obliqueray(0.3 * i * h / 9, j * h / 9, 0.01 * i * tm, tm));
    }
    return rays;
}

// Every ray of the batch against the single-ray trace, on each instruction set this machine
// runs, at each wavelength, with and without vignetting, on one thread and two.
TEST(BlockTrace, EveryRayAgreesWithTheSingleRayTrace) {
    std::set<std::pair<int, int>> stops;   // (ray status, surface shape) met
    for (LensCase& c : lenstable()) {
        std::vector<Ray> rays = raygrid(c.m);
        rays.insert(rays.end(), c.extra.begin(), c.extra.end());
        std::vector<BatchRay> out(rays.size());
        size_t passed = 0;
        TraceContext ctx;
        preparetrace(c.m.lens, ctx);
        for (int w = 0; w < 3; ++w) {
            for (bool vignetting : {false, true}) {
                TraceOpts o;
                o.vignetting = vignetting;
                const TracePlan plan = traceplan(c.m.lens, ctx, w, vignetting);
                for (TracePath path : {TracePath::scalar, TracePath::sse2, TracePath::avx2, TracePath::avx512}) {
                    if (!pathsupported(path)) continue;
                    for (int threads : {1, 2}) {
                        tracebatch(plan, rays, out, path, threads);
                        for (size_t r = 0; r < rays.size(); ++r) {
                            const TracedRay t = trace(c.m.lens, rays[r], w, o, ctx);
                            const BatchRay& b = out[r];
                            const std::string where = std::string(c.name) + " ray " + std::to_string(r) + " w " +
                                                      std::to_string(w) + " path " +
                                                      std::to_string(static_cast<int>(path));
                            ASSERT_EQ(b.status, t.status) << where;
                            ASSERT_EQ(b.surface, t.surface) << where;
                            passed += t.status == RayStatus::passed;
                            if (t.status != RayStatus::passed)
                                stops.insert({static_cast<int>(t.status),
                                              static_cast<int>(ctx.kinds[static_cast<size_t>(t.surface)].shape)});
                            if (t.status == RayStatus::failed || t.status == RayStatus::backwards) continue;
                            const RayPoint &e = b.end, &s = t.end;
                            for (auto [u, v] : {std::pair{e.X, s.X}, {e.Y, s.Y}, {e.Z, s.Z}})
                                ASSERT_NEAR(u, v, 1e-12) << where;
                            for (auto [u, v] : {std::pair{e.L, s.L}, {e.M, s.M}, {e.N, s.N}})
                                ASSERT_NEAR(u, v, 1e-14) << where;
                        }
                    }
                }
            }
        }
        if (!c.opaque) {
            EXPECT_GT(passed, 0u) << c.name << ": no ray passes";
        }
    }
    // the table reaches a failure at every surface kind, vignetting, and a ray running backwards
    const auto failed = static_cast<int>(RayStatus::failed);
    for (SurfaceShape s : {SurfaceShape::sphere, SurfaceShape::conic, SurfaceShape::asphere, SurfaceShape::fresnel,
                           SurfaceShape::invalid})
        EXPECT_TRUE(stops.count({failed, static_cast<int>(s)})) << "no failure at shape " << static_cast<int>(s);
    EXPECT_TRUE(stops.count({static_cast<int>(RayStatus::vignetted), static_cast<int>(SurfaceShape::sphere)}));
    EXPECT_TRUE(stops.count({static_cast<int>(RayStatus::backwards), static_cast<int>(SurfaceShape::sphere)}));
}

TEST(BlockTrace, TracesWithoutAllocating) {
    const Model m = withindices(doublegauss());
    const TracePlan plan = traceplan(m.lens, m.trace, 1, true);
    const std::vector<Ray> rays = raygrid(m);
    std::vector<BatchRay> out(rays.size());
    const long before = test::allocationcount();
    tracebatch(plan, rays, out, besttracepath(), 1);
    EXPECT_EQ(test::allocationcount(), before);
    size_t passed = 0;
    for (const BatchRay& b : out) passed += b.status == RayStatus::passed;
    EXPECT_GT(passed, 0u);   // the rays were traced
}

}  // namespace
}  // namespace zefo
