// The exact trace as a function of a lens that it only reads, a ray value and a context
// owned by the caller: callers with contexts of their own trace the same lens at the same
// time and get the same bits; the model's own trace follows announced edits of its lens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "testsystems.h"
#include "core/analysis/aberrations.h"
#include "core/analysis/rayanalysis.h"
#include "core/app/session.h"
#include "core/raytrace/rayscheme.h"
#include "core/raytrace/raytrace.h"

namespace zefo {
namespace {

// A double Gauss objective with its ray scheme aimed.
OpticalSystem aimeddoublegauss() {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    return m.lens;
}

// Every number a trace of the whole scheme leaves, at every wavelength and with each option
// set: status, stop surface, end point, path lengths, the chief rays' focal distances and
// the point at every surface reached. The references each chief ray sets for the rays after
// it stay in the context; nothing depends on what a context traced before.
std::vector<double> tracescheme(const OpticalSystem& lens, TraceContext& ctx, int* passed = nullptr) {
    std::vector<double> out;
    TraceOpts path, vignetting, focal;
    path.pathB = true;
    vignetting.vignetting = true;
    focal.focal = true;
    for (const TraceOpts& o : {TraceOpts{}, path, vignetting, focal}) {
        for (int w = 0; w < 3; ++w) {
            for (int k = 0; k < lens.nrays; ++k) {
                const Ray ray = schemestart(lens, k, lens.rays.rl[k] % 10);
                const TracedRay t = trace(lens, ray, w, o, ctx);
                if (passed && t.status == RayStatus::passed) ++*passed;
                const RayPoint& e = t.end;
                out.insert(out.end(), {static_cast<double>(t.status), static_cast<double>(t.surface), e.X, e.Y,
                                       e.Z, e.L, e.M, e.N, t.opl, t.opd, ctx.conrady});
                if (o.focal && ray.kind == 3) out.insert(out.end(), {ctx.Xm, ctx.Xs});
                for (const RayPoint& p : t.points) out.insert(out.end(), {p.X, p.Y, p.Z, p.L, p.M, p.N});
            }
        }
    }
    return out;
}

bool samebits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(TraceContext, TwoThreadsWithOwnContextsTraceTheSameLensBitForBit) {
    const OpticalSystem lens = aimeddoublegauss();
    ASSERT_EQ(lens.nrays, 34);
    const OpticalSystem before = lens;
    TraceContext alone;
    preparetrace(lens, alone);
    int passed = 0;
    const std::vector<double> expected = tracescheme(lens, alone, &passed);
    // most rays of the aimed scheme pass: the comparison covers whole traces
    EXPECT_GT(passed, 4 * 3 * 34 * 3 / 4);

    constexpr int rounds = 40;
    std::vector<double> got[2];
    bool same[2] = {true, true};
    auto worker = [&](int t) {
        TraceContext ctx;
        preparetrace(lens, ctx);
        for (int r = 0; r < rounds; ++r) {
            got[t] = tracescheme(lens, ctx);
            same[t] = same[t] && samebits(got[t], expected);
        }
    };
    std::thread a(worker, 0), b(worker, 1);
    a.join();
    b.join();
    EXPECT_TRUE(same[0]);
    EXPECT_TRUE(same[1]);
    EXPECT_TRUE(lens == before);   // the trace only reads the lens
}

// A context that was never prepared is prepared by the first trace: the same bits as one
// prepared beforehand, and no reading past its arrays.
TEST(TraceContext, UnpreparedContextTracesLikeAPreparedOne) {
    const OpticalSystem lens = aimeddoublegauss();
    TraceContext prepared, fresh;
    preparetrace(lens, prepared);
    EXPECT_TRUE(samebits(tracescheme(lens, fresh), tracescheme(lens, prepared)));
}

// An edit of a surface label announced to the session prepares the model's trace again: a
// conic surface relabelled as a sphere is traced as the sphere of a model built that way.
TEST(TraceContext, ModelTraceFollowsAnAnnouncedLabelEdit) {
    auto endof = [](Model& m) {
        const RayPoint end = raytrace(m, Ray{0, 20, 0, 0, 1, 2, 0}, 0, TraceOpts{}).end;
        EXPECT_FALSE(m.calcerror) << m.errmsg;
        return end;
    };
    Model edited = asphericdoublet();
    const auto& labels = edited.lens.sys.sp.surflabel;
    const size_t conic = static_cast<size_t>(std::find(labels.begin(), labels.end(), "E") - labels.begin());
    ASSERT_LT(conic, labels.size());
    const RayPoint asconic = endof(edited);
    Session session(edited);
    edited.lens.sys.sp.surflabel[conic] = "S";
    session.designchanged();
    const RayPoint assphere = endof(edited);

    Model sphere = asphericdoublet();
    sphere.lens.sys.sp.surflabel[conic] = "S";
    preparetrace(sphere.lens, sphere.trace);
    const RayPoint fresh = endof(sphere);
    EXPECT_NE(asconic.Y, assphere.Y);
    EXPECT_EQ(assphere.X, fresh.X);
    EXPECT_EQ(assphere.Y, fresh.Y);
    EXPECT_EQ(assphere.M, fresh.M);
    EXPECT_EQ(assphere.N, fresh.N);
}

// The merit pass and the analyses only read the lens: the clear radius of the image plane
// their chief rays find waits in the context. "Calculate Ray Scheme" stores it: 1.01 times the
// image height of the last field's chief ray, traced here on a context of its own.
TEST(TraceContext, MeritPassAndAnalysesOnlyReadTheLensTheRaySchemeStoresTheClearRadii) {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    const size_t image = static_cast<size_t>(m.lens.nsurf);
    int lastchief = 0;
    for (int k = 0; k < m.lens.nrays; ++k)
        if (m.lens.rays.rl[k] % 10 == 3) lastchief = k;
    TraceContext own;
    preparetrace(m.lens, own);
    const double chiefheight = trace(m.lens, schemestart(m.lens, lastchief, 3), 0, TraceOpts{}, own).end.Y;
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.hmax[image], 1.01 * std::fabs(chiefheight));

    m.lens.sys.sp.hmax[image] = 100;   // as a lens data file may store it
    const OpticalSystem before = m.lens;
    aberrations(m, m.merit, true, nullptr);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_TRUE(m.lens == before);
    EXPECT_DOUBLE_EQ(m.trace.clear.image, 1.01 * std::fabs(chiefheight));
    aberrations(m, m.merit, false, nullptr);
    rayanalysis(m, false);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_TRUE(m.lens == before);
    rayscheme(m);
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.hmax[image], 1.01 * std::fabs(chiefheight));
}

}  // namespace
}  // namespace zefo
