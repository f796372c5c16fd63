// Mechanical diameters, the edge-thickness check, distance rings and the mass of the lenses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/modify/mechanics.h"
#include "core/raytrace/rayscheme.h"
#include "scriptedinteraction.h"
#include "testsystems.h"

namespace zefo {
namespace {

// A lens of one glass between surfaces of radii r1, r2 (0: plane) with clear radius h.
Model singlelens(double r1, double r2, double t, double h) {
    Model m = buildobjective({{"S", r1, t, 1.5168, 0.008, h}, {"S", r2, 80, 1, 0, h}}, 1, 0.05, {5}, 6);
    initstdrays(m);
    return m;
}

// Two lenses with facing surfaces -40 and 60 over a gap of 5, clear radius 10; with
// planestop a plane surface in the gap, 3 mm behind the first lens.
Model twolenses(bool planestop) {
    std::vector<SampleSurface> s = {{"S", 40, 8, 1.5168, 0.008, 10}, {"S", -40, 5, 1, 0, 10},
                                    {"S", 60, 6, 1.62, 0.01, 10},    {"S", -60, 80, 1, 0, 10}};
    if (planestop) {
        s[1].sepafter = 3;
        s.insert(s.begin() + 2, SampleSurface{"S", 0, 2, 1, 0, 10});
    }
    return buildobjective(s, planestop ? 3 : 1, 0.05, {5}, 6);
}

// The lens volume integrated numerically: thickness t - z1(h) + z2(h) with the signed sags
// of the spheres, each flat beyond its clear radius a1, a2, over rings of the disc of radius d/2.
double integratedvolume(double r1, double r2, double t, double d, double a1 = 1e300, double a2 = 1e300) {
    auto z = [](double r, double h) { return r == 0 ? 0.0 : r - std::copysign(std::sqrt(r * r - h * h), r); };
    const int steps = 20000;
    const double dh = d / 2 / steps;
    double v = 0;
    for (int i = 0; i < steps; ++i) {
        const double h = (i + 0.5) * dh;
        v += 2 * std::numbers::pi * h * (t - z(r1, std::min(h, a1)) + z(r2, std::min(h, a2))) * dh;
    }
    return v;
}

TEST(Construction, DiameterByTypeAndFallback) {
    const struct {
        double hmax;
        int choice;
        double want;
        bool fellback;
    } cases[] = {{10, 0, 23, false}, {2, 1, 5, false}, {2.5, 0, 6, true}, {30, 1, 64, true}, {70, 0, 145, false}};
    for (const auto& c : cases) {
        Model m = singlelens(0, 0, 5, c.hmax);
        ScriptedInteraction ask;
        ask.choices = {c.choice};
        MechDiameters d;
        const MechOutcome out = constructdiam(m.lens, ask, d);
        ASSERT_TRUE(out.ok()) << c.hmax;
        EXPECT_EQ(d[0], c.want) << c.hmax;
        EXPECT_EQ(d[1], c.want) << c.hmax;
        // a fallback shows the failure of the chosen rule and says which construction is used
        ASSERT_EQ(out.notices.size(), c.fellback ? 2u : 0u) << c.hmax;
        EXPECT_EQ(out.construction, c.fellback ? 1 - c.choice : c.choice) << c.hmax;
        if (c.fellback) {
            EXPECT_EQ(out.notices[1].text, std::string("The mechanical diameters follow the ") +
                                               (c.choice == 0 ? "rolled edge" : "lock ring") +
                                               " construction in place of the chosen one");
        }
    }
}

TEST(Construction, LensSurfacesShareTheLargerDiameterAndBothRulesFailing) {
    Model m = singlelens(50, -50, 5, 10);
    m.lens.sys.sp.hmax[1] = 12;   // b = 24: 27 against 23
    ScriptedInteraction ask;
    ask.choices = {0};
    MechDiameters d;
    ASSERT_TRUE(constructdiam(m.lens, ask, d).ok());
    EXPECT_EQ(d[0], 27);
    EXPECT_EQ(d[1], 27);
    // Too small for a lock ring on one surface and too big for a rolled edge on the other.
    m.lens.sys.sp.hmax[0] = 2;
    m.lens.sys.sp.hmax[1] = 30;
    ask.choices = {0};
    const MechOutcome out = constructdiam(m.lens, ask, d);
    EXPECT_EQ(out.error, "Optical system too big for construction");
    ASSERT_EQ(out.notices.size(), 2u);
    EXPECT_EQ(out.notices[0].text, "Optical system too small for construction with ring");
    ask.choices = {std::nullopt};
    EXPECT_TRUE(constructdiam(m.lens, ask, d).cancelled);
}

TEST(EdgeCheck, ThinBiconvexLensIsThickened) {
    Model m = singlelens(50, -50, 3, 14);
    const MechDiameters d = {30, 30, 0};
    ScriptedInteraction ask;
    ask.confirms = {Answer::yes};
    const MechOutcome out = checkdiam(m, d, false, ask);
    ASSERT_TRUE(out.ok()) << out.error;
    // s = 50 - sqrt(50² - 15²) on both sides, minimum edge 2.0 at 30 mm, plus 0.1.
    const double s = 50 - std::sqrt(2500.0 - 225);
    EXPECT_NEAR(s, 2.303, 5e-4);
    EXPECT_NEAR(m.lens.sys.sp.sep[1], 2 * s + 2.1, 1e-12);
    ASSERT_EQ(ask.asked.size(), 1u);
    EXPECT_EQ(ask.asked[0],
              "Mechanical diametar check: Lens which consist of surfaces 1 and 2 is too thin!\n"
              "Required lens thickness is dreq =  6.706\nDo you agree to change lens thickness? ");
    EXPECT_TRUE(out.notices.empty());
    // No leaves the lens; Cancel ends with cancelled.
    Model keep = singlelens(50, -50, 3, 14);
    ask.confirms = {Answer::no, Answer::cancel};
    EXPECT_TRUE(checkdiam(keep, d, false, ask).ok());
    EXPECT_EQ(keep.lens.sys.sp.sep[1], 3);
    EXPECT_TRUE(checkdiam(keep, d, false, ask).cancelled);
}

TEST(EdgeCheck, OtherShapesAreOkUnlessInRingMode) {
    for (auto radii : {std::pair{-50.0, 50.0}, std::pair{50.0, 80.0}, std::pair{0.0, -30.0}}) {
        Model m = singlelens(radii.first, radii.second, 0.5, 14);
        ScriptedInteraction ask;
        const MechDiameters d = {30, 30, 0};
        const MechOutcome out = checkdiam(m, d, false, ask);
        EXPECT_TRUE(ask.asked.empty());
        ASSERT_EQ(out.notices.size(), 1u);
        EXPECT_EQ(out.notices[0].text, "Mechanical Diametars are OK");
        EXPECT_TRUE(checkdiam(m, d, true, ask).notices.empty());
    }
}

TEST(DistanceRings, RingBetweenFacingSurfaces) {
    const double want = 5 + (40 - std::sqrt(1600.0 - 100)) + (60 - std::sqrt(3600.0 - 100));
    EXPECT_NEAR(want, 7.109, 5e-4);
    for (bool planestop : {false, true}) {
        Model m = twolenses(planestop);
        ScriptedInteraction ask;
        ask.choices = {0};
        MechDiameters d;
        std::vector<DistanceRing> rings;
        ASSERT_TRUE(distancerings(m, ask, d, rings).ok());
        ASSERT_EQ(rings.size(), 1u) << planestop;
        EXPECT_NEAR(rings[0].length, want, 1e-12);
        EXPECT_EQ(rings[0].outer, 23);
        EXPECT_EQ(rings[0].inner, 20);
    }
    // A cemented doublet alone has no air space between curved surfaces.
    Model doublet = buildobjective({{"S", 40, 6, 1.52, 0.008, 10}, {"S", -30, 2, 1.72, 0.02, 10},
                                    {"S", -90, 80, 1, 0, 10}},
                                   1, 0.05, {5}, 6);
    ScriptedInteraction ask;
    ask.choices = {0};
    MechDiameters d;
    std::vector<DistanceRing> rings;
    EXPECT_TRUE(distancerings(doublet, ask, d, rings).ok());
    EXPECT_TRUE(rings.empty());
}

TEST(Mass, VolumeIntegratesTheThicknessForEveryShape) {
    const struct {
        double r1, r2, t, d;
    } lenses[] = {{0, 0, 10, 20},     {50, -50, 8, 30},  {-60, 60, 2, 30},   {30, 45, 6, 24},
                  {-40, -25, 4, 20},  {0, 40, 3, 26},    {50, 0, 5, 30},      {-80, 0, 3, 30}};
    for (const auto& l : lenses) {
        const double want = integratedvolume(l.r1, l.r2, l.t, l.d);
        EXPECT_NEAR(lensvolume(l.r1, l.r2, l.t, l.d), want, 1e-6 * want) << l.r1 << " " << l.r2;
        // curved out to clear radii inside the diameter, flat beyond
        const double a1 = 0.3 * l.d, a2 = 0.4 * l.d;
        const double flat = integratedvolume(l.r1, l.r2, l.t, l.d, a1, a2);
        EXPECT_NEAR(lensvolume(l.r1, l.r2, l.t, l.d, a1, a2), flat, 1e-6 * flat) << l.r1 << " " << l.r2;
    }
}

TEST(Construction, NoDiameterBeyondWhereItsSurfaceEnds) {
    // Clear radius 10 on both sides asks 23 mm; the sphere of radius 11 ends at 22.
    Model m = singlelens(50, -11, 6, 10);
    ScriptedInteraction ask;
    ask.choices = {0};
    MechDiameters d;
    const MechOutcome out = constructdiam(m.lens, ask, d);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(d[0], 23);
    EXPECT_DOUBLE_EQ(d[1], 22);
    EXPECT_FALSE(mechcapped(m.lens, d, 0));
    EXPECT_TRUE(mechcapped(m.lens, d, 1));
    ASSERT_EQ(out.notices.size(), 1u);
    EXPECT_EQ(out.notices[0].text, "Mechanical diameter of surface 2 is held at  22.000, where its surface ends");
    Report r;
    mechdiamlines(m.lens, d, {"/x/L.dat", "11.12.2026"}, r);
    EXPECT_NE(std::find(r.lines().begin(), r.lines().end(), "Surface 2: mechanical diameter held where the surface ends"),
              r.lines().end());
    // a plane and a paraboloid end nowhere
    EXPECT_EQ(mechlimit(m.lens, 0), 2 * 50);
    m.lens.sys.sp.curv[0] = 0;
    EXPECT_GT(mechlimit(m.lens, 0), 1e100);
    m.lens.asphdata = 'D';
    m.lens.sys.asf.eps.assign(static_cast<size_t>(m.lens.nsurf) + 1, 0.0);
    m.lens.sys.asf.eps[1] = -1;
    EXPECT_GT(mechlimit(m.lens, 1), 1e100);
    m.lens.sys.asf.eps[1] = 3;   // an oblate conic turns back at 1 / (c sqrt(1 + k))
    EXPECT_NEAR(mechlimit(m.lens, 1), 11, 1e-12);
}

TEST(Mass, PlateOfTwentyByTen) {
    Model m = singlelens(0, 0, 10, 9);
    ScriptedInteraction ask;
    ask.choices = {0};
    ask.numbers = {1.5, 2.5, 0.0, 20.0};   // density 1.5 refused; diameter 0 refused
    ask.confirms = {Answer::no};
    MechDiameters d;
    std::vector<LensMass> lenses;
    const MechOutcome out = systemmass(m, ask, d, lenses);
    ASSERT_TRUE(out.ok()) << out.error;
    ASSERT_EQ(lenses.size(), 1u);
    EXPECT_NEAR(lenses[0].mass, 2.5 * std::numbers::pi * 100 * 10 / 1000, 1e-12);
    EXPECT_EQ(out.notices.back().text, "Optical system mass is   7.854 grams");
    EXPECT_EQ(ask.refusals, (std::vector<std::string>{densitymsg, diameterzeromsg}));
    EXPECT_EQ(ask.asked[2], "Mass: Lens mechanical diameter is  21.000 OK?  ");
    ASSERT_EQ(out.log.size(), 1u);
    EXPECT_EQ(out.log[0], "   glass    glass density is 2.50");
}

TEST(Mass, ConfirmedDiameterIsNotAskedAgainForTheSameSize) {
    Model m = twolenses(false);
    ScriptedInteraction ask;
    ask.choices = {0};
    ask.numbers = {2.5, 3.0};
    ask.confirms = {Answer::yes};
    MechDiameters d;
    std::vector<LensMass> lenses;
    const MechOutcome out = systemmass(m, ask, d, lenses);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(lenses.size(), 2u);
    EXPECT_EQ(ask.asked.size(), 4u);   // construction, two densities, one diameter
    double total = 0;
    for (const auto& l : lenses) total += l.mass;
    // both lenses curved out to their clear radius 10, flat out to 23 mm
    EXPECT_NEAR(total,
                (2.5 * integratedvolume(40, -40, 8, 23, 10, 10) + 3.0 * integratedvolume(60, -60, 6, 23, 10, 10)) / 1000,
                1e-6);
}

TEST(MechReports, DiameterAndRingWindows) {
    Model m = twolenses(false);
    m.lens.sysname = "TWO";
    ScriptedInteraction ask;
    ask.choices = {0};
    MechDiameters d;
    std::vector<DistanceRing> rings;
    ASSERT_TRUE(distancerings(m, ask, d, rings).ok());
    Report r;
    mechdiamlines(m.lens, d, {"/x/TWO.dat", "10.12.2026"}, r);
    ASSERT_EQ(r.lines().size(), 3u + 5 + 4);
    EXPECT_EQ(r.lines()[2], " No    Radius   Separation   glass    Clear      Mechanical");
    EXPECT_EQ(r.lines()[4], "  2   -40.000     8.000      glass    20.00         23.00");
    EXPECT_EQ(r.lines()[7].substr(0, 3), "IMG");
    EXPECT_EQ(r.lines().back(), "End of displayed data");
    Report g;
    ringlines(m.lens, rings, {"/x/TWO.dat", "10.12.2026"}, g);
    EXPECT_EQ(g.lines()[0], "Dimensions of the distance rings");
    EXPECT_EQ(g.lines()[4], "   Length   Outer ring   Inner ring");
    EXPECT_EQ(g.lines()[5], "    7.11      23.00        20.00");
}

}  // namespace
}  // namespace zefo
