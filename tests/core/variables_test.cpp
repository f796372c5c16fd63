// The optimization variables: their order, their count, steps and the angle solve.
#include <gtest/gtest.h>

#include <cmath>

#include "core/optim/merit.h"
#include "core/optim/variables.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"

namespace zefo {
namespace {

Model varlens() {
    Model m = buildobjective({{"S", 40, 5, 1.62, 0.01, 15},
                              {"S", -200, 8, 1, 0, 15},
                              {"S", -40, 2, 1.62, 0.018, 15},
                              {"S", 40, 8, 1, 0, 15},
                              {"S", 200, 5, 1.62, 0.01, 15},
                              {"S", -40, 80, 1, 0, 15}},
                             3, 0.1, {5}, 6);
    initstdrays(m);
    rayscheme(m);
    sizemeritlist(m.lens, m.merit);
    return m;
}

using VarOrder = std::vector<std::pair<int, VarKind>>;

TEST(Variables, OrderFollowsTheTableWhateverTheSurfaceOrder) {
    struct Case {
        std::vector<std::string> labels;   // surfaces 0 .. 6 (6: image)
        VarOrder expected;
    };
    using K = VarKind;
    const Case cases[] = {
        // "C", "D", "G" on one surface: curvature, separation, then index and dispersion after
        // every curvature and separation
        {{"CDG", "C", "", "D", "", "", ""},
         {{0, K::curv}, {1, K::curv}, {0, K::sep}, {3, K::sep}, {0, K::index}, {0, K::disp}}},
        {{"", "G", "D", "CG", "", "C", "D"},
         {{3, K::curv}, {5, K::curv}, {2, K::sep}, {6, K::defocus}, {1, K::index}, {1, K::disp}, {3, K::index},
          {3, K::disp}}},
        {{"", "", "", "", "", "", ""}, {}},
    };
    for (const Case& c : cases) {
        Model m = varlens();
        for (size_t i = 0; i < c.labels.size(); ++i) m.lens.sys.sp.optlabel[i] = c.labels[i];
        const auto v = enumvariables(m);
        ASSERT_EQ(v.size(), c.expected.size()) << c.labels[0] << c.labels[1];
        for (size_t j = 0; j < v.size(); ++j) {
            EXPECT_EQ(v[j].surface, c.expected[j].first) << j;
            EXPECT_EQ(v[j].kind, c.expected[j].second) << j;
        }
        EXPECT_EQ(static_cast<int>(v.size()), countvariables(m));
    }
}

TEST(Variables, ImageSeparationAndAsphericLabels) {
    // a telescope's image surface "D" creates nothing, an objective's is the defocus
    Model m = varlens();
    m.lens.sys.sp.optlabel[6] = "D";
    EXPECT_EQ(enumvariables(m).size(), 1u);
    m.lens.systype = 4;
    EXPECT_EQ(enumvariables(m).size(), 0u);
    EXPECT_EQ(countvariables(m), 0);

    // an aspheric surface with "E" and "A4" gets only the conic variable; "S" surfaces none
    Model a = asphericdoublet();
    initstdrays(a);
    rayscheme(a);
    a.lens.sys.sp.optlabel[0] = "EA4A6";
    a.lens.sys.sp.optlabel[3] = "A4A10";
    a.lens.sys.sp.optlabel[2] = "E";   // an "S" surface
    const auto v = enumvariables(a, asphincrements(a));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].kind, VarKind::conic);
    EXPECT_EQ(v[0].surface, 0);
    EXPECT_EQ(v[1].kind, VarKind::a4);
    EXPECT_EQ(v[2].kind, VarKind::a10);
    EXPECT_EQ(countvariables(a), 3);
    // the aspheric increments: 0.001 / h^4 .. h^10, h the marginal height at surface 1 + 0.1
    const double h = a.lens.rays.y[0] + a.lens.rays.m[0] * a.lens.sys.sp.sep[0] + 0.1;
    EXPECT_NEAR(v[1].increment * std::pow(h, 4), 0.001, 1e-15);
    EXPECT_NEAR(v[2].increment * std::pow(h, 10), 0.001, 1e-15);
}

TEST(Variables, CurvatureStepOntoZeroGivesAPlane) {
    Model m = varlens();
    m.lens.sys.sp.optlabel[1] = "C";
    const auto v = enumvariables(m);
    ASSERT_EQ(v.size(), 1u);
    const double c = m.lens.sys.sp.curv[1];
    const double x = c / v[0].increment;   // a step that removes the whole curvature
    stepvariables(m, v, &x);
    EXPECT_EQ(m.lens.sys.sp.curv[1], 0.0);
    EXPECT_EQ(m.lens.sys.sp.radius[1], 0.0);
    const double back = -x;
    stepvariables(m, v, &back);
    EXPECT_NEAR(m.lens.sys.sp.radius[1], -200, 1e-9);
}

TEST(Variables, ModelGlassKeepsThreeWavelengthsFromIndexAndDispersion) {
    Model m = varlens();
    m.lens.systype = 1;   // three wavelengths
    m.lens.naber = naberfor(m.lens.nrays, true);
    sizemeritlist(m.lens, m.merit);
    makemodelglass(m, 3);
    const auto& n = m.lens.sys.sp.index[3];
    EXPECT_TRUE(ismodelglass(m, 3));
    EXPECT_NEAR(n[2] - n[1], m.lens.sys.sp.disp[3], 1e-15);
    EXPECT_LT(n[1], n[0]);
    EXPECT_GT(n[2], n[0]);
    setvar(m, {3, VarKind::index, 0.001}, 1.7);
    EXPECT_NEAR(m.lens.sys.sp.index[3][2] - m.lens.sys.sp.index[3][1], m.lens.sys.sp.disp[3], 1e-15);
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    EXPECT_EQ(m.merit.count, m.lens.naber);
}

TEST(Variables, AngleSolveGivesTheImageAngleOrAMessage) {
    Model m = varlens();
    m.lens.anglesurf = 6;
    m.lens.na = 0.12;   // another angle than the start: the last curvature takes it
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    EXPECT_NEAR(m.merit.value[0], 0, 1e-12);
    EXPECT_NEAR(m.first.pxslope, -0.12, 1e-12);

    // y = 0 at the surface, or a surface between equal media: a message, no inf
    Model z = varlens();
    z.lens.anglesurf = 6;
    z.lens.rays.y[0] = 0;
    EXPECT_FALSE(meritcalc(z, z.merit));
    EXPECT_NE(z.errmsg.find("height there is zero"), std::string::npos) << z.errmsg;
    EXPECT_TRUE(std::isfinite(z.lens.sys.sp.curv[5]));

    Model e = varlens();
    e.lens.anglesurf = 6;
    e.lens.sys.sp.index[5] = {1, 1, 1};   // the last lens made of air
    EXPECT_FALSE(meritcalc(e, e.merit));
    EXPECT_NE(e.errmsg.find("same index"), std::string::npos) << e.errmsg;
    EXPECT_TRUE(std::isfinite(e.lens.sys.sp.curv[5]));
}

}  // namespace
}  // namespace zefo
