#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/model/lensfile.h"
#include "testsystems.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "core/raytrace/raytrace.h"
#include "testutil.h"

namespace zefo {
namespace {

TEST(RayScheme, StandardLayouts) {
    struct Case {
        int nrays, nfields;
        std::vector<int> labels;
        std::vector<int> chiefs;
        std::vector<std::pair<int, double>> zones;   // axial rays with their yrel
    };
    const std::vector<int> f7 = {13, 14, 4, 4, 14, 5, 5};
    const std::vector<int> f10 = {13, 14, 4, 4, 4, 4, 14, 5, 5, 5};
    auto layout = [](std::vector<int> axial, const std::vector<int>& field, int n) {
        for (int f = 0; f < n; ++f) axial.insert(axial.end(), field.begin(), field.end());
        return axial;
    };
    const Case cases[] = {
        {6, 2, {1, 12, 13, 14, 14, 5}, {2}, {{0, 1.0}, {1, 1.0}}},
        {17, 3, layout({1, 12, 12}, f7, 2), {3, 10}, {{0, 1.0}, {1, 1.0}, {2, 0.7}}},
        {24, 4, layout({1, 12, 12}, f7, 3), {3, 10, 17}, {{0, 1.0}, {1, 1.0}, {2, 0.7}}},
        {17, 4, layout({1, 12, 12}, f7, 3), {3, 10, 17}, {{2, 0.7}}},   // to the partial 4-field scheme
        {24, 3, layout({1, 12, 12}, f7, 2), {3, 10}, {{2, 0.7}}},
        {34, 4, layout({1, 12, 12, 2}, f10, 3), {4, 14, 24}, {{0, 1.0}, {1, 1.0}, {2, 0.7}, {3, 0.5}}},
    };
    for (const Case& c : cases) {
        Model m;
        m.lens.nsurf = 2;
        m.lens.nrays = static_cast<uint8_t>(c.nrays);
        m.lens.nfields = static_cast<uint8_t>(c.nfields);
        allocsystem(m);
        for (int f = 0; f < c.nfields; ++f) m.lens.field[f] = 3.0 * f + 1;
        for (auto* a : {&m.lens.rays.x, &m.lens.rays.y, &m.lens.rays.l, &m.lens.rays.m, &m.lens.rays.xrel, &m.lens.rays.yrel})
            for (double& v : *a) v = 9;
        initstdrays(m);
        ASSERT_FALSE(m.calcerror);
        ASSERT_EQ(static_cast<int>(m.lens.nrays), static_cast<int>(c.labels.size())) << c.nrays;
        EXPECT_EQ(m.lens.nfields, c.chiefs.size() + 1);
        for (size_t k = 0; k < c.labels.size(); ++k) {
            EXPECT_EQ(m.lens.rays.rl[k], c.labels[k]) << c.nrays << " ray " << k;
            EXPECT_EQ(m.lens.rays.x[k] + m.lens.rays.y[k] + m.lens.rays.l[k] + m.lens.rays.m[k] + m.lens.rays.xrel[k], 0);
        }
        for (size_t f = 0; f < c.chiefs.size(); ++f) EXPECT_EQ(m.lens.rays.yrel[c.chiefs[f]], m.lens.field[f + 1]);
        for (const auto& [k, v] : c.zones) EXPECT_EQ(m.lens.rays.yrel[k], v);
    }
    Model bad;
    bad.lens.nsurf = 2;
    bad.lens.nrays = 10;
    allocsystem(bad);
    initstdrays(bad);
    EXPECT_EQ(bad.errmsg, "Invalid number of rays in the ray scheme");
}

// Height at the stop and the other surfaces of ray k after tracing it.
void traceray(Model& m, int k) {
    TraceOpts o;
    o.pathB = true;
    schemeray(m, k, m.lens.rays.rl[k] % 10, 0, o);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
}

// Largest height of ray k relative to the clear radius over the surfaces, taken on the side
// of sign s (-1 lower edge, +1 upper edge); 1 means it touches the tightest aperture.
double edgeratio(Model& m, int k, double s) {
    traceray(m, k);
    double r = -1e30;
    for (int i = 0; i < m.lens.nsurf; ++i) r = std::max(r, s * m.trace.surfray[i].Y / m.lens.sys.sp.hmax[i]);
    return r;
}

double skewratio(Model& m, int k) {
    traceray(m, k);
    double r = 0;
    for (int i = 0; i < m.lens.nsurf; ++i) {
        const RayPoint& p = m.trace.surfray[i];
        r = std::max(r, std::hypot(p.X, p.Y) / m.lens.sys.sp.hmax[i]);
    }
    return r;
}

// Checks that every field of an aimed scheme meets the apertures as its labels say, to the
// accuracy of the aiming (5e-4 of the pupil).
void checkaimed(Model& m, int firstchief, int perfield, int nfields) {
    const int stop = m.lens.stopsurf - 1;
    for (int f = 0; f < nfields; ++f) {
        const int j = firstchief + f * perfield;
        ASSERT_EQ(m.lens.rays.rl[j], 13);
        traceray(m, j);
        EXPECT_LT(std::fabs(m.trace.surfray[stop].Y), 1e-4) << "chief " << j;
        const int upper = perfield == 10 ? j + 6 : perfield == 7 ? j + 4 : j + 2;
        const int skew = perfield == 10 ? j + 7 : perfield == 7 ? j + 5 : j + 3;
        EXPECT_NEAR(edgeratio(m, j + 1, -1), 1, 5e-4) << "lower coma " << j + 1;
        EXPECT_NEAR(edgeratio(m, upper, 1), 1, 5e-4) << "upper coma " << upper;
        EXPECT_NEAR(skewratio(m, skew), 1, 5e-4) << "skew " << skew;
        // an object at infinity: every ray of the field starts parallel to the chief ray
        for (int k = j + 1; k < j + perfield; ++k) {
            EXPECT_DOUBLE_EQ(m.lens.rays.m[k], m.lens.rays.m[j]) << k;
            EXPECT_EQ(m.lens.rays.l[k], 0) << k;
        }
    }
}

TEST(RayScheme, SingletFromTheLensFile) {
    Model m;
    ASSERT_EQ(loadlensfile(test::datafile("lens1.dat"), m), "");
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(m.lens.nfields, 2);
    const std::vector<int> labels = {1, 12, 13, 14, 14, 5};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m.lens.rays.rl[k], labels[k]);
    // ray 1 defines the clear radius of the stop
    EXPECT_NEAR(m.lens.sys.sp.hmax[m.lens.stopsurf - 1], m.lens.rays.y[0], 1e-12);
    checkaimed(m, 2, 4, 1);
    // the coma and skew rays are limited by the stop itself here
    traceray(m, 3);
    EXPECT_NEAR(m.trace.surfray[0].Y, -m.lens.sys.sp.hmax[0], 5e-4 * m.lens.sys.sp.hmax[0]);
    traceray(m, 4);
    EXPECT_NEAR(m.trace.surfray[0].Y, m.lens.sys.sp.hmax[0], 5e-4 * m.lens.sys.sp.hmax[0]);

    // a relative scheme started from the aimed coordinates stays where it is
    Model again = m;
    again.lens.raytype = 10;
    rayscheme(again);
    ASSERT_FALSE(again.calcerror);
    for (int k = 0; k < 6; ++k) {
        EXPECT_NEAR(again.lens.rays.y[k], m.lens.rays.y[k], 1e-5) << k;
        EXPECT_NEAR(again.lens.rays.x[k], m.lens.rays.x[k], 1e-5) << k;
        EXPECT_NEAR(again.lens.rays.m[k], m.lens.rays.m[k], 1e-9) << k;
    }
}

TEST(RayScheme, DoubleGaussFullSchemeOfFourFields) {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(m.lens.nfields, 4);
    checkaimed(m, 4, 10, 3);
    for (int f = 0; f < 3; ++f) {
        const int j = 4 + 10 * f;
        EXPECT_DOUBLE_EQ(m.lens.rays.yrel[j + 2], 0.7 * m.lens.rays.yrel[j + 1]);
        EXPECT_DOUBLE_EQ(m.lens.rays.yrel[j + 3], 0.5 * m.lens.rays.yrel[j + 1]);
        EXPECT_DOUBLE_EQ(m.lens.rays.yrel[j + 4], 0.5 * m.lens.rays.yrel[j + 6]);
        EXPECT_DOUBLE_EQ(m.lens.rays.yrel[j + 5], 0.7 * m.lens.rays.yrel[j + 6]);
        EXPECT_DOUBLE_EQ(m.lens.rays.xrel[j + 8], 0.7 * m.lens.rays.xrel[j + 7]);
        EXPECT_DOUBLE_EQ(m.lens.rays.xrel[j + 9], 0.5 * m.lens.rays.xrel[j + 7]);
        // the chief ray's angle is the field angle
        EXPECT_NEAR(std::asin(m.lens.rays.m[j]) * 180 / M_PI, m.lens.field[f + 1], 1e-12);
    }
}

TEST(RayScheme, PartialSchemeOfTheAsphericDoublet) {
    Model m = asphericdoublet();
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(m.lens.nfields, 3);
    checkaimed(m, 3, 7, 2);
}

TEST(RayScheme, FiniteObjectRaysComeFromTheObjectPoint) {
    Model m = buildobjective({{"S", 50, 0, 1.5, 0, 30}, {"S", -50, 0, 1, 0, 30}}, 1, 0.1, {4}, 6);
    m.lens.mag = -1;   // object 100 in front of the thin lens
    m.lens.field[1] = 3;
    initstdrays(m);
    rayscheme(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    for (int k = 2; k < 6; ++k) {
        const double n = std::sqrt(1 - m.lens.rays.l[k] * m.lens.rays.l[k] - m.lens.rays.m[k] * m.lens.rays.m[k]);
        EXPECT_NEAR(m.lens.rays.y[k] - 100 * m.lens.rays.m[k] / n, 3, 1e-9) << k;
        EXPECT_NEAR(m.lens.rays.x[k] - 100 * m.lens.rays.l[k] / n, 0, 1e-9) << k;
    }
    traceray(m, 2);
    EXPECT_LT(std::fabs(m.trace.stopheight), 1e-4);
}

class SchemeFailures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(loadlensfile(test::datafile("lens1.dat"), m), "");
        initstdrays(m);
        rayscheme(m);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
    }
    Model m;
};

TEST_F(SchemeFailures, MessagesOfTheAimingRoutines) {
    struct Case {
        const char* msg;
        void (*run)(Model&);
    };
    const Case cases[] = {
        {"Error in calculation - prinf1",
         [](Model& m) {
             m.lens.field[1] = 0;   // a chief ray without field angle cannot be aimed
             initstdrays(m);
             rayscheme(m);
         }},
        {"Error in calculation - prinf1",
         [](Model& m) {
             m.first.dystop *= 1e6;   // steps far too small: the iteration bound is reached
             m.lens.rays.y[2] += 1;
             aimchiefinfinite(m, 2);
         }},
        {"Error in calculation - prinfc1",
         [](Model& m) {
             m.first.dystop = 0;
             m.lens.rays.y[2] += 1;
             aimchieffinite(m, 2);
         }},
        {"Error in calculation - prfc",
         [](Model& m) {
             m.first.objvergence = 0;
             startchieffinite(m, 2);
         }},
        {"Error in calculation - kosidonji",
         [](Model& m) {
             m.lens.rays.y[1] = 0;
             aimlowercoma(m, 3);
         }},
        {"Error in calculation - kosigornji",
         [](Model& m) {
             m.trace.paraxheight[1] = 0;
             aimuppercoma(m, 4);
         }},
        {"Error in calculation - vanmeridionalni",
         [](Model& m) {
             m.lens.sys.sp.hmax[1] = 0.01;   // the skew ray is higher than this clear radius
             aimskew(m, 5);
         }},
        {"Error in setray in calculation of x and y coordinates",
         [](Model& m) {
             m.lens.rays.m[0] = 1;
             setray(m, 3);
         }},
        {"Invalid aperture stop surface number",
         [](Model& m) {
             m.lens.stopsurf = 200;
             rayscheme(m);
         }},
        {"Invalid number of rays in the ray scheme",
         [](Model& m) {
             m.lens.nrays = 5;
             rayscheme(m);
         }},
        {"Invalid number of rays in the ray scheme",
         [](Model& m) {
             m.lens.nrays = 17;   // more rays than the arrays hold
             rayscheme(m);
         }},
    };
    for (const Case& c : cases) {
        Model t = m;
        c.run(t);
        EXPECT_TRUE(t.calcerror) << c.msg;
        EXPECT_EQ(t.errmsg, c.msg);
    }
}

TEST_F(SchemeFailures, NormalRaysKeepTheirAbsoluteCoordinates) {
    Model t = m;
    t.lens.raytype = 0;
    t.lens.rays.y[3] = -4.5;
    t.lens.rays.m[4] = 0.01;
    rayscheme(t);
    ASSERT_FALSE(t.calcerror);
    EXPECT_EQ(t.lens.rays.y[3], -4.5);
    EXPECT_EQ(t.lens.rays.m[4], 0.01);
    EXPECT_EQ(t.lens.nfields, 2);
}

}  // namespace
}  // namespace zefo
