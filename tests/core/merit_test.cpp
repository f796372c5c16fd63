// The merit function: the component list, its sum, the table and the default weights.
#include <gtest/gtest.h>

#include <cmath>

#include "alloccount.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"

namespace zefo {
namespace {

// A BK7 singlet with the six-ray scheme (kinds 2, 3, 4, 4, 5), aimed.
Model meritsinglet(double na = 0.1) {
    Model m = buildobjective({{"S", 50, 5, 1.5168, 0.00806, 20}, {"S", -50, 45, 1, 0, 20}}, 1, na, {5}, 6);
    initstdrays(m);
    rayscheme(m);
    sizemeritlist(m.lens, m.merit);
    return m;
}

Model meritdoublegauss() {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    sizemeritlist(m.lens, m.merit);
    return m;
}

TEST(Merit, TheListHasTheNaberComponentsAndThePhysicalParaxialValues) {
    Model m = meritdoublegauss();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    EXPECT_EQ(m.merit.count, m.lens.naber);
    const auto& sp = m.lens.sys.sp;
    double total = 0, glass = 0;
    for (int j = 1; j <= m.lens.nsurf; ++j) {
        total += sp.sep[j];
        if (sp.index[j][0] != 1) glass += sp.sep[j];
    }
    EXPECT_DOUBLE_EQ(m.merit.value[5], glass);
    EXPECT_DOUBLE_EQ(m.merit.value[6], total);
    EXPECT_DOUBLE_EQ(m.merit.value[7], total - sp.sep[m.lens.nsurf]);
    // ray 0 starts with y0 = na * f: its image-space slope is -na, the angle component 0
    EXPECT_NEAR(m.merit.value[0], 0, 1e-12);
    // the image plane lies in the paraxial focus: the marginal ray reaches the axis there
    double y = m.lens.rays.y[0], u = 0;
    paraxtrace(m, y, u);
    EXPECT_NEAR(y, 0, 1e-9);
    // the chief ray of the last field passes the stop centre (it is aimed there)
    EXPECT_NEAR(m.merit.value[2], 0, 1e-4);
    for (int i = 0; i < m.lens.naber; ++i) EXPECT_EQ(m.merit.name[i].size(), 21u) << i;
}

TEST(Merit, AllWeightsZeroGiveMeritZeroAndTheSumIsTheSquaredResiduals) {
    Model m = meritdoublegauss();
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    std::fill(m.lens.aberweight.begin(), m.lens.aberweight.end(), 0.0);
    EXPECT_EQ(meritsum(m, m.merit), 0.0);
    // one weighted component: its contribution alone
    m.lens.aberweight[6] = 2;
    m.merit.target[6] = 100;
    const double r = (m.merit.value[6] - 100) * 2;
    EXPECT_DOUBLE_EQ(meritsum(m, m.merit), r * r);
    EXPECT_DOUBLE_EQ(m.merit.contrib[6], r);
}

TEST(Merit, TableLinesWeightColumnAndParaxialSummary) {
    Model m = meritsinglet();
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    std::fill(m.lens.aberweight.begin(), m.lens.aberweight.end(), 0.0);
    m.lens.aberweight[9] = 40;
    m.lens.aberweight[6] = 1600;
    m.merit.target[6] = m.merit.value[6] - 0.01;
    meritsum(m, m.merit);
    const auto lines = merittable(m, m.merit);
    ASSERT_EQ(lines[1], "Num.   Aberration name       Aberration   Weight     Contribution    Merit_fn");
    // number(3) + 2 + name(21) + 2 + value(10) + 1 + weight(10) + 1 + 13 + 1 + 13
    const std::string& row10 = lines[2 + 9];
    ASSERT_EQ(row10.size(), 3u + 2 + 21 + 2 + 10 + 1 + 10 + 1 + 13 + 1 + 13);
    EXPECT_EQ(row10.substr(0, 5), " 10  ");
    EXPECT_EQ(row10.substr(39, 10), "    40.000");   // 10 characters of 13:6
    EXPECT_EQ(lines[2 + 6].substr(39, 10), "  1600.000");
    // the running sum of the last line is the merit
    double merit = 0;
    for (int i = 0; i < m.lens.naber; ++i) merit += m.merit.contrib[i] * m.merit.contrib[i];
    EXPECT_NEAR(std::stod(lines[2 + m.lens.naber - 1].substr(64)), merit, 1e-6);
    // only the weighted paraxial component 6 has a summary line
    int summary = 0;
    for (const auto& l : lines) {
        if (l.rfind("Distance from first surface to image plane is ", 0) == 0) ++summary;
        if (l.rfind("Glass thickness is", 0) == 0 || l.rfind("Paraxial hight", 0) == 0) ADD_FAILURE() << l;
    }
    EXPECT_EQ(summary, 1);
}

TEST(Merit, CountMismatchIsAnErrorAndWritesNothing) {
    Model m = meritsinglet();
    m.lens.naber = 20;   // the six-ray scheme gives 21
    sizemeritlist(m.lens, m.merit);
    std::fill(m.merit.value.begin(), m.merit.value.end(), 7.0);
    const auto weights = m.lens.aberweight;
    EXPECT_FALSE(meritcalc(m, m.merit));
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(m.errmsg, abercountmsg);
    EXPECT_EQ(m.merit.value.size(), 20u);
    for (double v : m.merit.value) EXPECT_EQ(v, 7.0);
    m.calcerror = false;
    EXPECT_FALSE(calcweights(m));
    EXPECT_EQ(m.lens.aberweight, weights);
}

TEST(Merit, DefaultWeightsOfAnObjectiveWithNa01) {
    Model m = meritsinglet(0.1);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_TRUE(calcweights(m));
    const auto& w = m.lens.aberweight;
    const auto& r = m.lens.rays;
    EXPECT_DOUBLE_EQ(w[0], 10000);
    EXPECT_DOUBLE_EQ(w[8], 2);
    // ray 1: the full-aperture axial zone (r = 1, field counter 1)
    EXPECT_DOUBLE_EQ(w[9], 40);
    EXPECT_DOUBLE_EQ(w[10], 1600);
    // ray 2: chief ray of the field, the field counter becomes 2
    EXPECT_DOUBLE_EQ(w[11], 2.5);
    EXPECT_DOUBLE_EQ(w[12], 2.5);
    EXPECT_DOUBLE_EQ(w[13], 25);
    // rays 3, 4: coma rays measured from the chief ray's start height
    for (int k : {3, 4}) {
        const double q = (r.y[k] - r.y[2]) / r.y[1];
        const size_t p = 14 + 2 * static_cast<size_t>(k - 3);
        EXPECT_NEAR(w[p], 20 / (2 * q * q), 1e-9 * w[p]) << k;
        EXPECT_NEAR(w[p + 1], 4 * w[p] / 0.1, 1e-9 * w[p + 1]) << k;
    }
    // ray 5: skew ray
    const double d = r.y[1] / r.x[5];
    EXPECT_NEAR(w[18], 12.5 * d * d, 1e-9 * w[18]);
    EXPECT_EQ(w[19], w[18]);
    EXPECT_NEAR(w[20], 4 * w[18] / 0.1, 1e-9 * w[20]);
}

TEST(Merit, DefaultWeightsNeverDivideByZero) {
    Model m = meritsinglet(0.1);
    m.lens.na = 0;
    m.lens.rays.x[5] = 0;   // a skew ray in the meridional plane
    ASSERT_TRUE(calcweights(m));
    for (int i = 0; i < m.lens.naber; ++i) EXPECT_TRUE(std::isfinite(m.lens.aberweight[i])) << i;
}

TEST(Merit, SymmetricSystemRebuildsItsSecondHalf) {
    // four surfaces mirrored about the middle: edits to the second half do not survive
    Model m = buildobjective({{"S", 40, 4, 1.5168, 0.00806, 15}, {"S", -200, 6, 1, 0, 15},
                              {"S", 200, 4, 1.5168, 0.00806, 15}, {"S", -40, 40, 1, 0, 15}},
                             3, 0.05, {3}, 6);
    m.lens.mag = -1;
    initstdrays(m);
    sizemeritlist(m.lens, m.merit);
    m.lens.sys.sp.curv[3] = 0.5;
    m.lens.sys.sp.sep[3] = 9;
    meritcalc(m, m.merit);
    const auto& sp = m.lens.sys.sp;
    EXPECT_EQ(sp.curv[3], -sp.curv[0]);
    EXPECT_EQ(sp.curv[2], -sp.curv[1]);
    EXPECT_EQ(sp.sep[3], sp.sep[1]);
    EXPECT_EQ(sp.index[3], sp.index[1]);
}

TEST(Merit, EvaluationAllocatesNothingOnceSized) {
    Model m = meritdoublegauss();
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    const long before = test::allocationcount();
    for (int i = 0; i < 3; ++i) {
        meritcalc(m, m.merit);
        meritsum(m, m.merit);
    }
    EXPECT_EQ(test::allocationcount(), before);
    EXPECT_FALSE(m.calcerror) << m.errmsg;
}

}  // namespace
}  // namespace zefo
