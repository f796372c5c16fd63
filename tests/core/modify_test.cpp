// Scaling, the focal-length solve of the last surface, reversing and standard radii.
#include <gtest/gtest.h>

#include <cmath>

#include "core/modify/modify.h"
#include "core/raytrace/paraxial.h"
#include "testsystems.h"

namespace zefo {
namespace {

// A cemented doublet followed by a singlet (five surfaces), stop on surface 3, with three
// different glasses so that every medium can be followed.
Model doubletsinglet() {
    Model m = buildobjective({{"S", 60, 6, 1.62, 0.010, 15},
                              {"S", -40, 2, 1.72, 0.020, 15},
                              {"S", -200, 5, 1, 0, 15},
                              {"S", 80, 4, 1.52, 0.008, 14},
                              {"S", -120, 90, 1, 0, 14}},
                             3, 0.1, {10, 14, 20}, 34);
    auto& sp = m.lens.sys.sp;
    sp.glass[1] = "G1";
    sp.glass[2] = "G2";
    sp.glass[4] = "G3";
    m.lens.axlim.assign(6, 0);
    m.lens.edgelim.assign(6, 0);
    for (size_t i = 0; i < 6; ++i) m.lens.axlim[i] = 10 + static_cast<double>(i);
    return m;
}

double focallength(Model m) {
    ssetq(m);
    return systemfocus(m).efl;
}

TEST(StdValue, ValuesOfTheSeries) {
    const struct {
        double x, want;
    } cases[] = {{0.5, 0.5},     {40001, 40001},  {1.0, 1.0},     {10, 10},         {100, 100},
                 {25, 24.89},    {12.34, 12.359}, {1234, 1224.6}, {-25.7, -25.59},  {0.501, 0.5058}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(stdvalue(250, c.x), c.want) << c.x;
    // Other series than multiples of 125 up to 1000 leave the value alone.
    EXPECT_EQ(stdvalue(100, 25), 25);
    EXPECT_EQ(stdvalue(1125, 25), 25);
}

TEST(StdValue, NearestOfItsNeighboursInTheSeries) {
    // Between 10 and 1000 the series has 250 values per decade: b0 · 10^(j/250), rounded to
    // the grid of four or five significant digits. The chosen value must lie within half a
    // step of the series around x.
    const double step = std::pow(10.0, 1.0 / 250);
    for (double x = 10.3; x < 990; x *= 1.37) {
        const double v = stdvalue(250, x);
        EXPECT_LT(std::fabs(std::log10(v / x)), std::log10(step) / 2 + 1e-4) << x;
    }
}

TEST(Scale, ByTwoKeepsTheShapeAndDoublesTheFocalLength) {
    Model m = asphericdoublet();
    const OpticalSystem before = m.lens;
    const double f0 = focallength(m);
    ASSERT_EQ(scalesys(m.lens, 2), "");
    const auto &sp = m.lens.sys.sp, &sp0 = before.sys.sp;
    for (size_t i = 0; i <= static_cast<size_t>(m.lens.nsurf); ++i) {
        EXPECT_DOUBLE_EQ(sp.sep[i], 2 * sp0.sep[i]);
        EXPECT_DOUBLE_EQ(sp.curv[i], sp0.curv[i] / 2);
        EXPECT_DOUBLE_EQ(sp.radius[i], 2 * sp0.radius[i]);
        EXPECT_DOUBLE_EQ(sp.hmax[i], 2 * sp0.hmax[i]);
    }
    EXPECT_EQ(m.lens.clearlim, before.clearlim);
    EXPECT_EQ(m.lens.sys.asf.eps, before.sys.asf.eps);
    EXPECT_NEAR(focallength(m), 2 * f0, 1e-9 * f0);
    // Shape: the aspheric part of the sag at height 2h of the scaled surface is twice the one
    // at h of the original.
    const auto &a = m.lens.sys.asf, &a0 = before.sys.asf;
    for (size_t i = 0; i < a.a4.size(); ++i) {
        const double h = 7;
        const double z0 = a0.a4[i] * std::pow(h, 4) + a0.a6[i] * std::pow(h, 6) + a0.a8[i] * std::pow(h, 8) +
                          a0.a10[i] * std::pow(h, 10);
        const double z = a.a4[i] * std::pow(2 * h, 4) + a.a6[i] * std::pow(2 * h, 6) +
                         a.a8[i] * std::pow(2 * h, 8) + a.a10[i] * std::pow(2 * h, 10);
        EXPECT_NEAR(z, 2 * z0, 1e-12 + 1e-9 * std::fabs(z0)) << i;
    }
}

TEST(Scale, FactorNotAboveZeroIsRefused) {
    for (const auto& [k, message] : {std::pair{0.0, scalezeromsg}, std::pair{-1.0, scalenegativemsg},
                                     std::pair{-0.0, scalezeromsg}, std::pair{HUGE_VAL, scalenegativemsg}}) {
        Model m = doublegauss();
        const OpticalSystem before = m.lens;
        EXPECT_EQ(scalesys(m.lens, k), message) << k;
        EXPECT_TRUE(m.lens == before);
    }
    EXPECT_EQ(scaleline(2), "Scale factor is    2.000");
}

TEST(AngleSolve, ThinSingletGetsTheLensmakersCurvature) {
    const double nd = 1.5168;
    Model m = buildobjective({{"S", 50, 0, nd, 0.008, 10}, {"S", -80, 95, 1, 0, 10}}, 1, 0.05, {5}, 6);
    ASSERT_TRUE(anglesolvefocal(m, 100));
    const double want = 1.0 / 50 - 1 / (100 * (nd - 1));
    EXPECT_NEAR(m.lens.sys.sp.curv[1], want, 1e-14);
    EXPECT_NEAR(m.lens.sys.sp.radius[1], 1 / want, 1e-9);
    EXPECT_EQ(m.lens.efl, 100);
}

TEST(AngleSolve, ThickSystemReachesTheFocalLength) {
    for (double f : {80.0, 100.0, 150.0, -200.0}) {
        Model m = doublegauss();
        ASSERT_TRUE(anglesolvefocal(m, f)) << m.errmsg;
        EXPECT_NEAR(focallength(m), f, 1e-9 * std::fabs(f)) << f;
    }
}

TEST(AngleSolve, FailsWithoutChangingTheSurface) {
    // The marginal ray crosses the axis at the last surface: y = 0 there. Index 2 and
    // radii of powers of two keep the paraxial numbers exact: the thin lens has f = 32.
    Model m = buildobjective({{"S", 64, 0, 2, 0.008, 10}, {"S", -64, 32, 1, 0, 10}, {"S", 30, 50, 1.6, 0, 10}}, 1,
                             0.05, {5}, 6);
    const double c = m.lens.sys.sp.curv[2];
    EXPECT_FALSE(anglesolvefocal(m, 100));
    EXPECT_EQ(m.errmsg, anglesolvemsg);
    EXPECT_EQ(m.lens.sys.sp.curv[2], c);
    // Equal media on both sides of the last surface.
    Model air = buildobjective({{"S", 50, 5, 1.5, 0.008, 10}, {"S", 0, 5, 1, 0, 10}, {"S", 30, 50, 1, 0, 10}}, 1,
                               0.05, {5}, 6);
    EXPECT_FALSE(anglesolvefocal(air, 100));
    EXPECT_EQ(air.errmsg, anglesolvemsg);
}

TEST(AngleSolve, CurvatureZeroGivesAPlane) {
    // A plano-convex lens whose first surface alone gives f = 100: the solve makes the last
    // surface plane, radius 0 (    // index 2 keeps the numbers exact.
    Model m = buildobjective({{"S", 100, 0, 2, 0.008, 10}, {"S", -80, 95, 1, 0, 10}}, 1, 0.05, {5}, 6);
    ASSERT_TRUE(anglesolvefocal(m, 100));
    EXPECT_EQ(m.lens.sys.sp.curv[1], 0);
    EXPECT_EQ(m.lens.sys.sp.radius[1], 0);
}

TEST(Reverse, TwiceRestoresTheSystem) {
    for (Model m : {doubletsinglet(), asphericdoublet(), doublegauss()}) {
        const OpticalSystem before = m.lens;
        reversesys(m.lens);
        EXPECT_FALSE(m.lens == before);
        reversesys(m.lens);
        EXPECT_TRUE(m.lens == before) << m.lens.nsurf;
    }
}

TEST(Reverse, DoubletAndSingletRunTheOtherWay) {
    Model m = doubletsinglet();
    const double f0 = focallength(m);
    reversesys(m.lens);
    const auto& sp = m.lens.sys.sp;
    // Surfaces back to front, curvatures negated: 120, -80, 200, 40, -60.
    const double radii[] = {120, -80, 200, 40, -60};
    for (size_t k = 0; k < 5; ++k) EXPECT_DOUBLE_EQ(sp.radius[k], radii[k]) << k;
    // Media: the singlet's glass first, then air, then the doublet reversed.
    const char* glasses[] = {"air", "G3", "air", "G2", "G1", "air"};
    const double seps[] = {0, 4, 5, 2, 6, 90};
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(sp.glass[k], glasses[k]) << k;
        EXPECT_DOUBLE_EQ(sp.sep[k], seps[k]) << k;
    }
    EXPECT_DOUBLE_EQ(sp.index[1][0], 1.52);
    EXPECT_DOUBLE_EQ(sp.index[3][0], 1.72);
    EXPECT_DOUBLE_EQ(sp.index[2][0], 1.0);
    EXPECT_EQ(m.lens.stopsurf, 3);
    EXPECT_DOUBLE_EQ(m.lens.axlim[0], 14);
    EXPECT_DOUBLE_EQ(m.lens.axlim[5], 15);
    // A lens turned round has the same focal length.
    EXPECT_NEAR(focallength(m), f0, 1e-9 * std::fabs(f0));
}

TEST(Reverse, FourSurfacesSwapTheMiddlePairOnce) {
    Model m = buildobjective({{"S", 10, 1, 1.5, 0, 5}, {"S", 20, 2, 1, 0, 5}, {"S", 30, 3, 1.6, 0, 5},
                              {"S", 40, 50, 1, 0, 5}},
                             2, 0.1, {5}, 6);
    reversesys(m.lens);
    const double radii[] = {-40, -30, -20, -10};
    for (size_t k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(m.lens.sys.sp.radius[k], radii[k]);
    const double seps[] = {0, 3, 2, 1, 50};
    for (size_t k = 0; k < 5; ++k) EXPECT_DOUBLE_EQ(m.lens.sys.sp.sep[k], seps[k]);
    EXPECT_EQ(m.lens.stopsurf, 3);
}

TEST(Reverse, ParaboloidStaysAParaboloid) {
    Model m = buildobjective({{"E", 100, 5, 1.5, 0.008, 10, 0.0}, {"A", -100, 80, 1, 0, 10, -1.0, 1e-7}}, 1,
                             0.05, {5}, 6);
    reversesys(m.lens);
    const auto& a = m.lens.sys.asf;
    EXPECT_EQ(a.eps[0], -1.0);
    EXPECT_EQ(a.eps[1], 0.0);
    EXPECT_EQ(a.a4[0], -1e-7);
    EXPECT_EQ(m.lens.sys.sp.surflabel[0], "A");
    EXPECT_DOUBLE_EQ(m.lens.sys.sp.radius[0], 100);
}

TEST(StandardRadii, CurvatureFollowsTheRadiusInBothModes) {
    for (char mode : {'D', 'N'}) {
        Model m = buildobjective({{"S", 25, 5, 1.5, 0, 10}, {"S", -12.34, 3, 1, 0, 10}, {"S", 0, 50, 1, 0, 10}}, 1,
                                 0.05, {5}, 6);
        m.lens.radiiflag = mode;
        if (mode == 'N') m.lens.sys.sp.radius.assign(m.lens.sys.sp.radius.size(), 0);
        standardradii(m.lens);
        const auto& sp = m.lens.sys.sp;
        EXPECT_DOUBLE_EQ(surfaceradius(m.lens, 0), 24.89) << mode;
        EXPECT_DOUBLE_EQ(surfaceradius(m.lens, 1), -12.359) << mode;
        EXPECT_DOUBLE_EQ(sp.curv[0], 1 / 24.89) << mode;
        EXPECT_EQ(sp.curv[2], 0) << mode;
    }
}

}  // namespace
}  // namespace zefo
