// The machinery shared by the evolution strategies: variable vector, step sizes, rules,
// boundary deficit, one-fifth rule, parent choice, and the pieces of the correlated
// mutations.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/evolution/esrun.h"
#include "core/evolution/korr.h"

namespace zefo {
namespace {

OpticalSystem threesurfaces(bool aspheric) {
    OpticalSystem lens;
    lens.nsurf = 3;
    lens.asphdata = aspheric ? 'D' : 'N';
    sizelens(lens);
    for (auto& n : lens.sys.sp.index) n = {1, 1, 1};
    return lens;
}

TEST(EsVariables, OrderAndInitialStepSizes) {
    // two radii, two separations, one glass, one conic and one A4 coefficient: V = 8
    OpticalSystem lens = threesurfaces(true);
    lens.sys.sp.optlabel = {"A4C", "GCD", "DE", ""};
    const auto vars = esvariables(lens);
    const std::vector<std::pair<EsComp, int>> order = {
        {EsComp::radius, 0}, {EsComp::radius, 1}, {EsComp::sep, 1},   {EsComp::sep, 2},
        {EsComp::gindex, 1}, {EsComp::gabbe, 1},  {EsComp::conic, 2}, {EsComp::a4, 0}};
    ASSERT_EQ(vars.size(), order.size());
    for (size_t k = 0; k < order.size(); ++k) {
        EXPECT_EQ(vars[k].kind, order[k].first) << k;
        EXPECT_EQ(vars[k].surface, order[k].second) << k;
    }
    EXPECT_EQ(esinitialsteps(vars, 1.0), (std::vector<double>{1, 1, 1, 1, 0.1, 0.2, 0.1, 0.2}));
    // without the glass: V = 6, all s0
    lens.sys.sp.optlabel[1] = "CD";
    EXPECT_EQ(esinitialsteps(esvariables(lens), 2.0), std::vector<double>(6, 2.0));
    // without conic and aspheric data their labels create nothing; "D" of the image
    // distance is never a variable
    OpticalSystem plain = threesurfaces(false);
    plain.sys.sp.optlabel = {"A4C", "GCD", "DE", "D"};
    EXPECT_EQ(esvariables(plain).size(), 6u);
}

TEST(EsRules, RadiusSignAndSeparationRangeIncludingMirrors) {
    struct R {
        double x, start, maxfactor;
        bool ok;
    };
    // a plane at the start (sign 0) could never change if its sign were kept: it takes any
    for (const R& r : {R{5, 10, 0, true}, R{-5, 10, 0, false}, R{0, 0, 0, true}, R{1e-9, 0, 0, true}, R{-50, 0, 10, true},
                       R{100, 10, 10, true}, R{100.5, 10, 10, false}, R{-100.5, -10, 10, false},
                       R{-3, -10, 10, true}})
        EXPECT_EQ(radiusallowed(r.x, r.start, r.maxfactor), r.ok) << r.x << " " << r.start;

    OpticalSystem lens = threesurfaces(false);
    lens.axlim[1] = 0.5;
    lens.sys.sp.index[1] = {1.5, 1.5, 1.5};
    lens.axlim[2] = 0.5;
    lens.sys.sp.index[2] = {-1, -1, -1};   // behind a mirror: separations are negative
    struct S {
        int i;
        double x, start;
        bool ok;
    };
    for (const S& s : {S{1, 0.5, 4, true}, S{1, 0.49, 4, false}, S{1, 12, 4, true}, S{1, 12.01, 4, false},
                       S{2, -0.5, -4, true}, S{2, -12, -4, true}, S{2, -12.1, -4, false}, S{2, 0.5, -4, false},
                       // a start below its limit: the range starts at the start value
                       S{1, 0.1, 0.1, true}, S{1, 0.3, 0.1, true}, S{1, 0.09, 0.1, false}, S{1, 0.5, 0.1, false},
                       S{2, -0.1, -0.1, true}, S{2, -0.09, -0.1, false}})
        EXPECT_EQ(separationallowed(lens, s.i, s.x, s.start), s.ok) << s.i << " " << s.x;
}

TEST(BoundaryDeficit, AxialClearanceAndClearApertureTerms) {
    Model m;
    m.lens = threesurfaces(false);
    allocsystem(m);
    auto& sp = m.lens.sys.sp;
    sp.optlabel[1] = "D";
    sp.sep = {0, 0.3, 5, 0};
    m.lens.axlim[1] = 0.5;
    sp.curv = {0.01, 0.02, 0, 0};
    // hmax 0: no sag, no edge below its limit 0
    EXPECT_NEAR(boundarydeficit(m), 0.3 - 0.5 + 0.02 - 0.01, 1e-15);
    sp.curv[0] = 0.03;   // the surfaces part: nothing
    EXPECT_EQ(boundarydeficit(m), 0);
    sp.curv[0] = 0.01;
    sp.sep[1] = 0.5;     // on the limit the amount would be positive: it never adds
    EXPECT_EQ(boundarydeficit(m), 0);
    sp.index[1] = {-1, -1, -1};
    sp.sep[1] = -0.3;    // a mirror space: the signed separation counts
    m.lens.edgelim[1] = -1;   // (a mirror space's limits are negative)
    EXPECT_NEAR(boundarydeficit(m), -0.19, 1e-15);
    sp.index[1] = {1, 1, 1};
    sp.sep[1] = 1;
    m.lens.clearlim[2] = 5;
    m.trace.maxheight[2] = 6;
    EXPECT_NEAR(boundarydeficit(m), -1, 1e-15);
    m.trace.maxheight[2] = 4.9;
    EXPECT_EQ(boundarydeficit(m), 0);
}

TEST(OneFifthRule, WindowAndStepChanges) {
    // V = 10, LS = 1: the first adjustment compares S with W[1] = 2
    auto w = successwindow(10);
    EXPECT_EQ(w, (std::array<long, 10>{2, 4, 6, 8, 10, 12, 14, 16, 18, 20}));
    std::vector<double> s(10, 1.0);
    onefifthrule(s, 1, w, 0.85, 10);   // one success, below 2: every step times 0.85
    for (double x : s) EXPECT_DOUBLE_EQ(x, 0.85);
    EXPECT_EQ(w, (std::array<long, 10>{4, 6, 8, 10, 12, 14, 16, 18, 20, 21}));
    onefifthrule(s, 4, w, 0.85, 10);   // equal: unchanged
    for (double x : s) EXPECT_DOUBLE_EQ(x, 0.85);
    onefifthrule(s, 7, w, 0.85, 10);   // above 6: divided
    for (double x : s) EXPECT_DOUBLE_EQ(x, 1.0);
    // from the eleventh adjustment on, successes of the last ten windows against 2V
    for (long k = 0; k < 8; ++k) onefifthrule(s, 7, w, 0.85, 10);
    EXPECT_EQ(w[0], 24);   // S of the second adjustment + 2V
    EXPECT_EQ(w[9], 27);
}

TEST(StepFactor, GroupAndRecombinationValues) {
    struct F {
        double t, z0;
        bool reko;
        double want;
    };
    for (const F& f : {F{0.85, 1, false, 2.33965}, F{0.85, 1, true, 1.16982}, F{0.85, 0, false, 1},
                       F{0.85, -1, false, 1 / 2.33965}})
        EXPECT_NEAR(offspringfactor(f.t, f.z0, f.reko), f.want, 1e-5) << f.z0 << " " << f.reko;
}

TEST(RandomParent, FirstTwiceAsLikelyAsTheOthers) {
    UniversalRandom r;
    ASSERT_EQ(r.init(1802, 9373), "");
    const int n = 200000;
    std::vector<int> count(11, 0);
    for (int k = 0; k < n; ++k) {
        const int p = randomparent(r, 10);
        ASSERT_TRUE(p >= 1 && p <= 10) << p;
        ++count[static_cast<size_t>(p)];
    }
    // round(10u) is 0 or 1 for u below 0.15, k for u in [k - 0.5, k + 0.5)/10, 10 above 0.95
    for (int p = 1; p <= 10; ++p) {
        const double want = p == 1 ? 0.15 : p == 10 ? 0.05 : 0.1;
        EXPECT_NEAR(count[static_cast<size_t>(p)] / double(n), want, 0.004) << p;
    }
}

TEST(KorrMutation, RatesAnglesAndPairOrder) {
    const KorrRates r = korrrates(8);
    EXPECT_DOUBLE_EQ(r.t0, 0.25);
    EXPECT_NEAR(r.t, 0.42045, 1e-5);

    for (const auto& [a, want] : {std::pair{190.0, -170.0}, {-200.0, 160.0}, {180.0, 180.0}, {-180.0, -180.0},
                                  {0.0, 0.0}, {359.0, -1.0}})
        EXPECT_DOUBLE_EQ(storedangle(a), want) << a;

    // V = 4: NA = 6 angles; a quarter turn on angle q rotates exactly its pair
    const std::pair<int, int> pairs[6] = {{1, 2}, {1, 3}, {1, 4}, {2, 3}, {2, 4}, {3, 4}};
    for (int q = 1; q <= 6; ++q) {
        double a[6] = {0, 0, 0, 0, 0, 0};
        a[q - 1] = std::numbers::pi / 2;
        double z[4] = {1, 2, 3, 4};
        rotatepairs(z, 4, a);
        const auto [i, j] = pairs[q - 1];
        double want[4] = {1, 2, 3, 4};
        want[j - 1] = i;    // d1 sin + d2 cos
        want[i - 1] = -j;   // d1 cos - d2 sin
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(z[k], want[k], 1e-15) << "angle " << q << " component " << k + 1;
    }
    // a general rotation keeps the length of the vector
    double a[6] = {0.3, -1.1, 2.0, 0.7, 4.0, -0.2};
    double z[4] = {1, -2, 3, 0.5};
    rotatepairs(z, 4, a);
    EXPECT_NEAR(z[0] * z[0] + z[1] * z[1] + z[2] * z[2] + z[3] * z[3], 1 + 4 + 9 + 0.25, 1e-12);
}

TEST(KorrMutation, NormalNumbersHaveTheStandardDistribution) {
    UniversalRandom r, twin;
    ASSERT_EQ(r.init(1802, 9373), "");
    twin = r;
    // the central part is the trapezoid of two uniforms
    const double u = twin.uniform(), v = twin.uniform();
    ASSERT_LT(u, 0.919544406);   // the first pair of this seed falls in the central part
    EXPECT_DOUBLE_EQ(korrnormal(r), (u * 0.825339283 + v) * 2.40375766 - 2.11402808);
    const int n = 400000;
    double sum = 0, sumsq = 0;
    int inside1 = 0, beyond2 = 0, beyond3 = 0;
    for (int k = 0; k < n; ++k) {
        const double x = korrnormal(r);
        ASSERT_TRUE(std::isfinite(x));
        sum += x;
        sumsq += x * x;
        inside1 += std::fabs(x) < 1;
        beyond2 += std::fabs(x) > 2;
        beyond3 += std::fabs(x) > 3;
    }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 0, 0.006);
    EXPECT_NEAR(sumsq / n - mean * mean, 1, 0.01);
    // the normal distribution: 68.27 % within one, 4.55 % beyond two, 0.27 % beyond three
    EXPECT_NEAR(inside1 / double(n), 0.6827, 0.003);
    EXPECT_NEAR(beyond2 / double(n), 0.0455, 0.0015);
    EXPECT_NEAR(beyond3 / double(n), 0.0027, 0.0004);
}

}  // namespace
}  // namespace zefo
