// The random source, the last-curvature solve and the edge deficit of the evolutionary
// optimizers.
#include <gtest/gtest.h>

#include <cmath>

#include "core/evolution/lastradius.h"
#include "core/evolution/random.h"

namespace zefo {
namespace {

// The generators' authors' published check: seeds 1802 and 9373, 20000 numbers discarded,
// then these six numbers times 2^24 are whole numbers.
TEST(UniversalRandom, ReproducesThePublishedReferenceSequence) {
    UniversalRandom r;
    ASSERT_EQ(r.init(1802, 9373), "");
    const double expected[] = {6533892, 14220222, 7275067, 6172232, 8354498, 10633180};
    for (double e : expected) EXPECT_EQ(r.uniform() * 16777216.0, e);
}

TEST(UniversalRandom, CopyIsASnapshotAndSeedsAreChecked) {
    UniversalRandom r;
    ASSERT_EQ(r.init(12, 34), "");
    const UniversalRandom snapshot = r;
    const double a = r.uniform(), b = r.normal();
    EXPECT_NE(r, snapshot);
    r = snapshot;
    EXPECT_EQ(r.uniform(), a);
    EXPECT_EQ(r.normal(), b);

    // Re-initialising gives the same sequence again; bad seeds change nothing.
    UniversalRandom fresh;
    ASSERT_EQ(fresh.init(12, 34), "");
    EXPECT_EQ(fresh, snapshot);
    for (auto [s1, s2] : {std::pair{-1, 0}, {31327, 0}, {0, -1}, {0, 30080}}) {
        EXPECT_NE(fresh.init(s1, s2), "") << s1 << " " << s2;
        EXPECT_EQ(fresh, snapshot);
    }
    const auto [c1, c2] = UniversalRandom::clockseed();
    EXPECT_EQ(fresh.init(c1, c2), "");
    EXPECT_EQ(fresh.seed(), std::pair(c1, c2));
}

TEST(UniversalRandom, NormalAlternatesSineAndCosineOfFreshPairs) {
    UniversalRandom r, twin;
    ASSERT_EQ(r.init(1802, 9373), "");
    twin = r;
    for (int n = 0; n < 4; ++n) {
        const double u1 = twin.uniform(), u2 = twin.uniform();
        const double radius = std::sqrt(-2 * std::log(u1));
        const double angle = 2 * 3.14159265358979323846 * u2;
        const double expected = n % 2 == 0 ? radius * std::sin(angle) : radius * std::cos(angle);
        EXPECT_NEAR(r.normal(), expected, 1e-12) << n;
    }
    // The sample mean and variance of many normals: 0 and 1 within a few standard errors.
    const int count = 200000;
    double sum = 0, sumsq = 0;
    for (int n = 0; n < count; ++n) {
        const double x = r.normal();
        sum += x;
        sumsq += x * x;
    }
    EXPECT_NEAR(sum / count, 0.0, 5 / std::sqrt(count));
    EXPECT_NEAR(sumsq / count, 1.0, 5 * std::sqrt(2.0 / count));
}

TEST(UniversalRandom, ChanceDrawsOneNumberAndCompares) {
    UniversalRandom r, twin;
    ASSERT_EQ(r.init(100, 200), "");
    twin = r;
    for (double p : {1.0, 0.0, 0.3, 0.7, 0.5, 1.0}) {
        const double u = twin.uniform();
        EXPECT_EQ(r.chance(p), p == 1 || u <= p) << p;
        EXPECT_EQ(r, twin);
    }
    int hits = 0;
    for (int n = 0; n < 100000; ++n) hits += r.chance(0.25);
    EXPECT_NEAR(hits / 100000.0, 0.25, 0.01);
}

// A two-surface lens of index n in air, surfaces 0 and 1, image surface 2.
OpticalSystem singlet(double n, double c0, double c1, double thickness) {
    OpticalSystem lens;
    lens.nsurf = 2;
    sizelens(lens);
    auto& sp = lens.sys.sp;
    sp.curv = {c0, c1, 0};
    sp.radius = {c0 ? 1 / c0 : 0, c1 ? 1 / c1 : 0, 0};
    sp.sep = {0, thickness, 90};
    sp.hmax = {0, 0, 0};
    lens.mu = {Index3{1 / n, 1 / n, 1 / n}, Index3{n, n, n}, Index3{1, 1, 1}};
    lens.edgelim = {0, 0, 0};
    return lens;
}

TEST(LastRadius, SolvedSingletHasTheThickLensFocalLength) {
    struct Case { double n, c0, thickness, a; };
    for (const Case& k : {Case{1.5, 0.01, 0, 100}, Case{1.5, 0.02, 5, 80},
                          Case{1.7, -0.01, 8, -60}, Case{1.6, 0.03, 4, 250}}) {
        for (char flag : {'D', 'N'}) {
            OpticalSystem lens = singlet(k.n, k.c0, 0.005, k.thickness);
            lens.radiiflag = flag;
            double member = 0;
            ASSERT_TRUE(solvelastradius(lens, k.a, &member));
            const double c1 = lens.sys.sp.curv[1];
            // Thick lens in air: 1/f = (n-1) (c0 - c1 + (n-1) d c0 c1 / n).
            const double power =
                (k.n - 1) * (k.c0 - c1 + (k.n - 1) * k.thickness * k.c0 * c1 / k.n);
            EXPECT_NEAR(1 / power, k.a, 1e-9 * std::abs(k.a)) << k.a;
            EXPECT_EQ(lens.efl, k.a);
            EXPECT_DOUBLE_EQ(member, 1 / c1);
            EXPECT_EQ(lens.sys.sp.radius[1], flag == 'D' ? 1 / c1 : 200.0);
        }
    }
    // The thin lens of curvature 0.01 and index 1.5 focused to 100 is equi-convex.
    OpticalSystem thin = singlet(1.5, 0.01, 0, 0);
    ASSERT_TRUE(solvelastradius(thin, 100));
    EXPECT_NEAR(thin.sys.sp.curv[1], -0.01, 1e-15);
}

TEST(LastRadius, RefusesWhatItCannotSolveAndChangesNothing) {
    EXPECT_NE(lastradiusrefusal(0), "");
    EXPECT_EQ(lastradiusrefusal(-50), "");

    OpticalSystem equal = singlet(1.5, 0.01, 0.005, 5);
    equal.mu[1] = Index3{1, 1, 1};   // surface 1 separates equal indices
    OpticalSystem zeroheight = singlet(1.5, 0.02, 0.005, 0);
    zeroheight.sys.sp.sep[1] = 1 / (0.02 * (1 - 1 / 1.5));   // the ray reaches the axis
    OpticalSystem afocal = singlet(1.5, 0.01, 0.005, 5);
    for (OpticalSystem* lens : {&equal, &zeroheight}) {
        const OpticalSystem before = *lens;
        EXPECT_FALSE(solvelastradius(*lens, 100));
        EXPECT_EQ(lens->sys.sp.curv, before.sys.sp.curv);
        EXPECT_EQ(lens->efl, before.efl);
    }
    EXPECT_FALSE(solvelastradius(afocal, 0));
}

TEST(EdgeDeficit, MeasuresEdgesAgainstTheirLimits) {
    struct Case {
        const char* what;
        double c0, c1, h, thickness, limit, expected;
    };
    // The sag of a sphere of radius R at height h is R - sqrt(R^2 - h^2).
    const double sag50 = 50 - std::sqrt(50.0 * 50 - 10 * 10);
    const Case cases[] = {
        {"flats 5 apart, limit 6", 0, 0, 10, 5, 6, -1},
        {"flats 5 apart, limit 4", 0, 0, 10, 5, 4, 0},
        {"flats at their limit", 0, 0, 10, 5, 5, 0},
        {"biconvex, limit 3", 0.02, -0.02, 10, 5, 3, 5 - 2 * sag50 - 3},
        {"biconvex, limit 2", 0.02, -0.02, 10, 5, 2, 0},
        {"meniscus, limit 5.5", 0.02, 0.02, 10, 5, 5.5, -0.5},
    };
    for (const Case& k : cases) {
        OpticalSystem lens = singlet(1.5, k.c0, k.c1, k.thickness);
        lens.sys.sp.hmax = {k.h, k.h, 0};
        lens.edgelim = {0, k.limit, 0};
        double d = 0;
        edgedeficit(lens, d);
        EXPECT_NEAR(d, k.expected, 1e-12) << k.what;
    }
}

TEST(EdgeDeficit, ApertureBeyondTheSphereCountsInBothGapsAndNeverRaises) {
    // Curvature 0.1 at height 12: 1 - 1.44 = -0.44 in the gap before and the gap after.
    OpticalSystem lens = singlet(1.5, 0, 0.1, 5);
    lens.sys.sp.hmax = {10, 12, 0};
    lens.sys.sp.sep[2] = 0.001;
    lens.edgelim = {0, 100, 100};
    double d = 0;
    edgedeficit(lens, d);
    EXPECT_NEAR(d, -0.88, 1e-12);

    // Two over-wide surfaces bounding one gap both count.
    lens.sys.sp.curv = {0.1, 0.1, 0};
    lens.sys.sp.hmax = {11, 12, 0};
    d = 0;
    edgedeficit(lens, d);
    EXPECT_NEAR(d, (1 - 1.21) + (1 - 1.44) + (1 - 1.44), 1e-12);

    // An aperture exactly at the sphere's edge (1 - (0.1 * 10)^2 = 0) next to a well-formed
    // surface adds nothing, and certainly nothing positive.
    lens.sys.sp.curv = {0.1, 0, 0};
    lens.sys.sp.hmax = {10, 5, 0};
    lens.edgelim = {0, 0, 0};
    d = 0;
    edgedeficit(lens, d);
    EXPECT_EQ(d, 0);
}

}  // namespace
}  // namespace zefo
