// Damped least squares on real lenses: the run reaches what physics says it must.
#include <gtest/gtest.h>

#include <cmath>

#include "core/optim/dls.h"
#include "core/optim/merit.h"
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
