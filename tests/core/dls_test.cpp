// Damped least squares on real lenses: the run reaches what physics says it must.
#include <gtest/gtest.h>

#include <cmath>

#include "core/optim/dls.h"
#include "core/optim/merit.h"
#include "core/optim/variables.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"
#include "testutil.h"

namespace zefo {
namespace {

// A biconvex BK7 singlet, f near 48 mm, aimed for na 0.1.
Model singlet() {
    Model m = buildobjective({{"S", 50, 5, 1.5168, 0.00806, 20}, {"S", -50, 45, 1, 0, 20}}, 1, 0.1, {5}, 6);
    initstdrays(m);
    rayscheme(m);
    return m;
}

DlsSetup onethread() {
    DlsSetup s;
    s.threads = 1;
    return s;
}

TEST(Dls, SingletReachesTheFocalLengthOfItsApertureAndAngle) {
    // The entrance beam keeps its radius y0; the paraxial ray angle na then asks for
    // f = y0 / na. Only that component is weighted and only the last curvature varies.
    for (double na : {0.125, 0.08}) {
        Model m = singlet();
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        const double y0 = m.lens.rays.y[0];
        m.lens.na = na;
        m.lens.sys.sp.optlabel[1] = "C";
        std::fill(m.lens.aberweight.begin(), m.lens.aberweight.end(), 0.0);
        m.lens.aberweight[0] = 1000 / na;
        const DlsOutcome out = dlsoptimize(m, onethread(), {});
        ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
        ssetq(m);
        const double f = systemfocus(m).efl;
        EXPECT_NEAR(f / (y0 / na), 1.0, 1e-4) << "na " << na << " f " << f;
        EXPECT_LT(out.merit, out.meritstart);
    }
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

// The double Gauss with limits as a new system gets them, every curvature and the inner
// separations labelled, and the default weights.
Model labelleddoublegauss() {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    auto& sp = m.lens.sys.sp;
    double largest = 0;
    for (int k = 0; k <= m.lens.nsurf; ++k) {
        const double lim = sp.sep[k] > 2 ? m.lens.bcthick : m.lens.bcthin;
        m.lens.axlim[k] = m.lens.edgelim[k] = lim;
        if (k < m.lens.nsurf) largest = std::max(largest, sp.hmax[k]);
    }
    for (int k = 0; k <= m.lens.nsurf; ++k) m.lens.clearlim[k] = 1.25 * largest;
    for (int k = 0; k < m.lens.nsurf; ++k) sp.optlabel[k] = k >= 1 && k < m.lens.nsurf - 1 ? "CD" : "C";
    sizemeritlist(m);
    calcweights(m);
    return m;
}

TEST(Dls, DoubleGaussMeritFallsAndKeepsItsBoundaryConditions) {
    Model m = labelleddoublegauss();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_GE(countvariables(m), 12);
    DlsSetup s;
    s.maxiter = 8;
    const DlsOutcome out = dlsoptimize(m, s, {});
    ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    EXPECT_LT(out.merit, out.meritstart);
    EXPECT_GE(out.iterations, 1);
    // no boundary condition violated: every labelled separation at or above its limit,
    // every edge distance above its limit and every ray inside the clear aperture limit
    ASSERT_TRUE(meritcalc(m)) << m.errmsg;
    const auto& sp = m.lens.sys.sp;
    for (int i = 1; i < m.lens.nsurf; ++i) EXPECT_GE(sp.sep[i], m.lens.axlim[i] - 1e-12) << i;
    // (the edge conditions are penalties of weight dimweight: what is left of a violation
    // stays below 1 % of the limit)
    for (int i = 1; i <= m.lens.nsurf; ++i) EXPECT_GT(m.trace.minpath[i], 0.99 * m.lens.edgelim[i]) << i;
    for (int i = 0; i <= m.lens.nsurf; ++i) EXPECT_LT(m.trace.maxheight[i], m.lens.clearlim[i]) << i;
}

}  // namespace
}  // namespace zefo
