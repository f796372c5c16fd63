#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "testsystems.h"
#include "core/raytrace/paraxial.h"

namespace zefo {
namespace {

// Biconvex lens, radii 50 and -50, index 1.5, thickness t, stop on surface 1, NA 0.1.
Model biconvex(double t) {
    return buildobjective({{"S", 50, t, 1.5, 0, 20}, {"S", -50, 0, 1, 0, 20}}, 1, 0.1, {5}, 6);
}

// Thin lens of index 2 (exact binary arithmetic) with curvatures ±c: focal length 1/(2c).
std::vector<SampleSurface> thinlens(double c, double after) {
    return {{"S", 1 / c, 0, 2, 0, 20}, {"S", -1 / c, after, 1, 0, 20}};
}

std::vector<SampleSurface> concat(std::vector<SampleSurface> a, const std::vector<SampleSurface>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(Paraxial, WorkedExampleOfTheBiconvexLens) {
    Model m = biconvex(5);
    ssetq(m);
    double a0 = 1, c0 = 0;
    pxrev(m, a0, c0);
    EXPECT_NEAR(c0, 0.0196667, 5e-8);
    EXPECT_NEAR(a0, 0.9666667, 5e-8);
    nudatparax(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_NEAR(m.lens.efl, 50.847458, 5e-7);
    EXPECT_NEAR(m.lens.lbar, 0, 1e-12);
    EXPECT_NEAR(m.lens.lbarp, -3.448276, 5e-7);
    EXPECT_EQ(m.first.objvergence, 0);
    EXPECT_NEAR(m.lens.rays.y[0], 5.084746, 5e-7);
    EXPECT_EQ(m.lens.rays.m[0], 0);
    EXPECT_NEAR(m.lens.up, -0.1, 1e-12);
    EXPECT_NEAR(m.first.pxheight, 4.915254, 5e-7);
    EXPECT_NEAR(m.first.pxslope, -0.1, 1e-12);
    EXPECT_NEAR(m.lens.sys.sp.sep[m.lens.nsurf], 49.152542, 5e-7);
    EXPECT_NEAR(m.lens.mu[0][0], 1 / 1.5, 1e-15);
    EXPECT_NEAR(m.lens.mu[1][0], 1.5, 1e-15);
}

TEST(Paraxial, ThinLensAtTheStop) {
    Model m = biconvex(0);
    m.lens.defocus = 0.5;
    nudatparax(m);
    ASSERT_FALSE(m.calcerror);
    EXPECT_NEAR(m.lens.efl, 50, 1e-12);   // 1/f = (n - 1)(1/R1 - 1/R2)
    EXPECT_NEAR(m.lens.lbar, 0, 1e-12);
    EXPECT_NEAR(m.lens.lbarp, 0, 1e-12);
    EXPECT_NEAR(m.lens.sys.sp.sep[m.lens.nsurf], 50.5, 1e-12);
    EXPECT_NEAR(m.lens.rays.y[0], 0.1 * 50, 1e-12);   // |NA·efl| for an object at infinity
    // Gaussian image of an axial point 100 in front: 1/s' = 1/f + 1/s
    EXPECT_NEAR(gaussimage(m, -100, 2), 100, 1e-9);
    EXPECT_NEAR(gaussimage(m, 0, 2), 50, 1e-12);
}

// nudatparax returns the whole first-order set as one value; the part the lens data file
// keeps is the same in the lens.
TEST(Paraxial, FirstOrderDataComeBackAsOneValue) {
    struct Case {
        const char* name;
        double thickness, defocus;
        double efl, lbarp, y0, imagedist, pxheight;
    };
    const Case cases[] = {
        // the worked example of the biconvex lens
        {"thick", 5, 0, 50.847458, -3.448276, 5.084746, 49.152542, 4.915254},
        // thin lens: f = 50 from (n - 1)(1/R1 - 1/R2), ray 0 at NA·f, image at f + defocus
        {"thin", 0, 0.5, 50, 0, 5, 50.5, 5},
    };
    for (const Case& c : cases) {
        Model m = biconvex(c.thickness);
        m.lens.defocus = c.defocus;
        const FirstOrderData f = nudatparax(m);
        ASSERT_FALSE(m.calcerror) << c.name << ": " << m.errmsg;
        EXPECT_NEAR(f.efl, c.efl, 5e-7) << c.name;
        EXPECT_NEAR(f.lbar, 0, 1e-12) << c.name;
        EXPECT_NEAR(f.lbarp, c.lbarp, 5e-7) << c.name;
        EXPECT_NEAR(f.y0, c.y0, 5e-7) << c.name;
        EXPECT_EQ(f.m0, 0) << c.name;
        EXPECT_NEAR(f.up, -0.1, 1e-12) << c.name;
        EXPECT_NEAR(f.imagedist, c.imagedist, 5e-7) << c.name;
        EXPECT_NEAR(f.pxheight, c.pxheight, 5e-7) << c.name;
        EXPECT_EQ(f.objvergence, 0) << c.name;
        const OpticalSystem& s = m.lens;
        EXPECT_EQ(f.efl, s.efl) << c.name;
        EXPECT_EQ(f.lbarp, s.lbarp) << c.name;
        EXPECT_EQ(f.y0, s.rays.y[0]) << c.name;
        EXPECT_EQ(f.imagedist, s.sys.sp.sep[static_cast<size_t>(s.nsurf)]) << c.name;
    }
}

TEST(Paraxial, FiniteObjectAtUnitMagnification) {
    Model m = biconvex(0);
    m.lens.mag = -1;
    nudatparax(m);
    ASSERT_FALSE(m.calcerror);
    EXPECT_NEAR(m.first.objvergence, -1.0 / 100, 1e-15);   // real object 100 in front
    EXPECT_NEAR(m.lens.rays.y[0], 10, 1e-12);
    EXPECT_NEAR(m.lens.rays.m[0], 0.1, 1e-12);
    EXPECT_NEAR(m.lens.sys.sp.sep[m.lens.nsurf], 100, 1e-9);
    EXPECT_NEAR(m.first.dystop, 1, 1e-12);
}

TEST(Paraxial, EntrancePupilOfAStopBehindTheLens) {
    // thin lens f = 32, stop 16 behind it: the entrance pupil is the virtual image of the
    // stop seen from the front, 32 behind the lens (1/s' = 1/32 - 1/16 with reversed light)
    Model m = buildobjective(concat(thinlens(1 / 64.0, 16), {{"S", 0, 10, 1, 0, 20}}), 3, 0.1, {5}, 6);
    nudatparax(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_NEAR(m.lens.lbar, 32, 1e-12);
    EXPECT_NEAR(m.lens.lbarp, 0, 1e-12);   // the stop is the last surface
    EXPECT_NEAR(m.first.dystop, 0.5, 1e-12);
}

TEST(Paraxial, AfocalObjectiveHasNoFocalLength) {
    // f1 = 32, f2 = 16, 48 apart: parallel light leaves parallel
    Model m = buildobjective(concat(thinlens(1 / 64.0, 48), thinlens(1 / 32.0, 10)), 1, 0.1, {5}, 6);
    ssetq(m);
    EXPECT_EQ(m.lens.efl, 0);
    nudatparax(m);
    EXPECT_EQ(m.errmsg, "Error in nudatparax in calculation y[0]");
}

TEST(Paraxial, FailureMessages) {
    struct Case {
        const char* msg;
        void (*change)(Model&);
    };
    const Case cases[] = {
        {"Error in ssetq - index of refraction must be different from zero",
         [](Model& m) { m.lens.sys.sp.index[2][1] = 0; }},
        {"Error in pxrev - index of refraction must be different from zero",
         [](Model& m) { m.lens.sys.sp.index[0] = {0, 0, 0}; }},
        {"Error in nudatparax in calculation of efl",   // thin lens: a0 = 1, so 1 - a0·m = 0
         [](Model& m) {
             m.lens.sys.sp.sep[1] = 0;
             m.lens.mag = 1;
         }},
        {"Error in nudatparax in calculation of back focal length", [](Model& m) { m.lens.na = 0; }},
        {"Invalid aperture stop surface number", [](Model& m) { m.lens.stopsurf = 0; }},
        {"Invalid aperture stop surface number", [](Model& m) { m.lens.stopsurf = 3; }},
    };
    for (const Case& c : cases) {
        Model m = biconvex(5);
        c.change(m);
        nudatparax(m);
        EXPECT_TRUE(m.calcerror) << c.msg;
        EXPECT_EQ(m.errmsg, c.msg);
    }
    // a stop in the focal plane of the lens: the parallel ray crosses the axis there
    Model f = buildobjective(concat(thinlens(1 / 64.0, 32), {{"S", 0, 10, 1, 0, 20}}), 3, 0.1, {5}, 6);
    nudatparax(f);
    EXPECT_EQ(f.errmsg, "Error in pxlbar in calculation of entrance pupil");
}

TEST(Paraxial, SsetqCountsVariablesAndFields) {
    Model m = buildobjective({{"A", 50, 5, 1.5, 0, 20}, {"S", -50, 5, 1.6, 0, 20}, {"E", -80, 40, 1, 0, 20}},
                             1, 0.1, {5, 7}, 17);
    auto& ol = m.lens.sys.sp.optlabel;
    struct Case {
        std::vector<std::string> labels;
        int systype;
        char asphdata;
        int nvar;
    };
    const Case cases[] = {
        {{"CDG", "", "", ""}, 0, 'D', 4},
        {{"", "", "", "D"}, 0, 'D', 1},              // image distance of an objective: defocus
        {{"", "", "", "D"}, 4, 'D', 0},              // ... of a telescope: nothing
        {{"EA4", "", "", ""}, 0, 'D', 1},            // conic wins over the aspheric labels
        {{"A4A6A8A10", "", "", ""}, 0, 'D', 4},
        {{"A4A6A8A10", "", "", ""}, 0, 'N', 0},      // no aspheric data
        {{"", "E", "", ""}, 0, 'D', 0},              // not on a spherical surface
        {{"", "", "EC", ""}, 0, 'D', 2},
        {{"C", "CD", "GD", "C"}, 0, 'D', 7},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 4; ++i) ol[i] = c.labels[i];
        m.lens.systype = static_cast<uint8_t>(c.systype);
        m.lens.asphdata = c.asphdata;
        EXPECT_EQ(countvariables(m), c.nvar) << c.labels[0] << "|" << c.labels[1] << "|" << c.labels[2];
    }
    m.lens.systype = 0;
    m.lens.asphdata = 'D';
    for (int i = 0; i < 4; ++i) ol[i] = "";
    ol[0] = "CD";
    m.lens.rays.rl = {1, 12, 12, 13, 14, 4, 4, 14, 5, 5, 13, 14, 4, 4, 14, 5, 5};
    m.lens.nfields = 0;
    ssetq(m);
    EXPECT_EQ(countvariables(m), 2);
    EXPECT_EQ(m.lens.nfields, 3);
    m.lens.rays.rl[10] = 14;
    ssetq(m);
    EXPECT_EQ(m.lens.nfields, 2);
}

class KeplerTelescope : public ::testing::Test {
protected:
    // objective f = 100 and eyepiece f = 20, 120 apart; entrance pupil radius 10
    void SetUp() override {
        m = buildobjective({{"S", 100, 0, 1.5, 0, 20}, {"S", -100, 120, 1, 0, 20},
                            {"S", 20, 0, 1.5, 0, 20}, {"S", -20, 10, 1, 0, 20}},
                           1, 0, {1}, 6);
        m.lens.systype = 4;
        m.lens.objinf = 'D';
        m.lens.eph = 10;
        m.lens.mag = -5;
        m.askentrpupil = [this] {
            ++asked;
            return answer;
        };
    }
    Model m;
    int asked = 0;
    double answer = 0;
};

TEST_F(KeplerTelescope, ObjectAtInfinityWithStopOnTheFirstSurface) {
    nudatparax(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(m.lens.efl, 0);
    EXPECT_EQ(m.first.objvergence, 0);
    EXPECT_EQ(m.lens.rays.y[0], 10);
    EXPECT_EQ(m.lens.rays.m[0], 0);
    EXPECT_NEAR(m.first.dioptricmismatch, 0, 1e-6);   // afocal: the image of infinity lies at infinity
    // eye point: image of the objective through the eyepiece, 1/s' = 1/20 - 1/120
    EXPECT_NEAR(m.lens.sys.sp.sep[m.lens.nsurf], 24, 1e-5);
    EXPECT_NEAR(m.first.eyepupil, 24, 1e-5);
}

TEST_F(KeplerTelescope, FiniteObjectAsksForTheEntrancePupilOnce) {
    m.lens.objinf = 'N';
    m.lens.objdist = 1000;
    answer = 0;
    nudatparax(m);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(asked, 1);
    EXPECT_NEAR(m.first.objvergence, -1e-3, 1e-15);
    EXPECT_NEAR(m.lens.rays.m[0], 10 / std::sqrt(1000.0 * 1000 + 100), 1e-15);
    // object 1000 in front: the objective images it 1000/9 behind itself, that is
    // 120 - 1000/9 in front of the eyepiece, which images it at 1/(1/20 + 1/s)
    const double s = -(120 - 1000 / 9.0);
    EXPECT_NEAR(m.first.dioptricmismatch, 1000 * (1 / 20.0 + 1 / s), 1e-9);
    EXPECT_NEAR(m.first.eyepupil, 24, 1e-5);   // the pupil on the first surface

    answer = -50;
    nudatparax(m);
    EXPECT_EQ(asked, 2);
    // pupil 50 in front: the objective images it at 1/(1/100 - 1/50) = -100, which is 220 in
    // front of the eyepiece: 1/s' = 1/20 - 1/220
    EXPECT_NEAR(m.first.eyepupil, 1 / (1 / 20.0 - 1 / 220.0), 1e-6);
    EXPECT_NEAR(m.lens.sys.sp.sep[m.lens.nsurf], m.first.eyepupil, 1e-12);

    m.askentrpupil = nullptr;   // without a user interface the stored answer is taken
    m.entrpupil = -50;
    nudatparax(m);
    EXPECT_EQ(asked, 2);
    EXPECT_NEAR(m.first.eyepupil, 1 / (1 / 20.0 - 1 / 220.0), 1e-6);
}

TEST_F(KeplerTelescope, GalileanKeepsTheImageDistanceExceptWhileCreated) {
    m.lens.systype = 6;
    m.lens.sys.sp.sep[m.lens.nsurf] = 33;
    m.eyedist = 12;
    nudatparax(m);
    ASSERT_FALSE(m.calcerror);
    EXPECT_EQ(m.lens.sys.sp.sep[m.lens.nsurf], 33);
    m.newsystem = true;
    nudatparax(m);
    EXPECT_EQ(m.lens.sys.sp.sep[m.lens.nsurf], 12);
}

}  // namespace
}  // namespace zefo
