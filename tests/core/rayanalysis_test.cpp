#include "core/analysis/rayanalysis.h"

#include <gtest/gtest.h>

#include <string>

#include "aberrations_systems.h"
#include "core/analysis/aberrations.h"
#include "core/report/report.h"
#include "core/model/lensfile.h"
#include "core/raytrace/rayscheme.h"
#include "testutil.h"

namespace zefo {
namespace {

using test::makesystem;

bool contains(const Report& r, const std::string& text) {
    for (const auto& l : r.lines())
        if (l.find(text) != std::string::npos) return true;
    return false;
}

bool hasnonfinite(const Report& r) {
    for (const auto& l : r.lines())
        if (l.find("nan") != std::string::npos || l.find("inf") != std::string::npos) return true;
    return false;
}

// A plate in air: no power, so an axial ray leaves parallel to the axis.
Model plate(uint8_t systype, const std::vector<int>& labels) {
    Model m = makesystem({{0, 0, 1}, {0, 5, 1.5, 0.008, "BK7"}, {0, 20, 1}}, 1, labels, systype);
    m.lens.rays.y[0] = m.lens.rays.y[1] = 5;
    return m;
}

TEST(RayAnalysisTest, SystemTypeIsRestoredOnEveryPath) {
    struct Case {
        uint8_t systype;
        const char* path;
    };
    for (const Case& cs : {Case{0, "ok"}, Case{1, "ok"}, Case{0, "paraxial"}, Case{4, "paraxial"},
                           Case{6, "paraxial"}, Case{0, "trace"}, Case{1, "trace"}, Case{0, "parallel"}}) {
        Model m = test::aimedlens1(cs.systype);
        const std::string path = cs.path;
        bool runparax = false;
        if (path == "paraxial") {
            m.lens.sys.sp.index[1] = {0, 0, 0};
            runparax = true;
        } else if (path == "trace") {
            m.lens.rays.y[4] = 1000;   // misses the first sphere
        } else if (path == "parallel") {
            m = plate(0, {1, 12});
        }
        rayanalysis(m, runparax);
        EXPECT_EQ(m.calcerror, path != "ok") << path;
        EXPECT_EQ(m.lens.systype, cs.systype) << path;
    }
}

TEST(RayAnalysisTest, AxialRayParallelToTheAxisFailsForAnObjective) {
    Model m = plate(0, {1, 12});
    const RayAnalysis a = rayanalysis(m, false);
    Report r;
    rayanalysislines(m.lens, a, r);
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(m.errmsg, "Error in calculation of aberrations - axial ray leaves the system parallel to the axis");
}

// One plane refracting surface read as a telescope: efl = 0, the axial ray leaves parallel,
// the chief ray is telecentric with no paraxial angle. Every undefined value prints the
// marker; the plane surface gives the beam no vergence (0 diopters).
TEST(RayAnalysisTest, UndefinedTelescopeValuesPrintTheMarker) {
    Model m = makesystem({{0, 0, 1}, {0, 20, 1.5, 0.008, "BK7"}}, 1, {1, 12, 13, 14, 14, 5}, 4);
    m.lens.rays.y[0] = m.lens.rays.y[1] = 5;
    m.lens.rays.y[2] = 2;   // chief ray parallel to the axis
    m.lens.rays.y[3] = -3;
    m.lens.rays.y[4] = 7;
    const RayAnalysis a = rayanalysis(m, false);
    Report r;
    rayanalysislines(m.lens, a, r);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    EXPECT_EQ(m.lens.systype, 4);
    EXPECT_FALSE(hasnonfinite(r));
    ASSERT_EQ(a.axial.size(), 1u);
    EXPECT_EQ(a.axial[0].OSC[0], abermarker);
    EXPECT_EQ(a.axial[0].iso[0], abermarker);
    ASSERT_EQ(a.chief.size(), 1u);
    EXPECT_EQ(a.chief[0].pupilab[0], abermarker);
    EXPECT_EQ(a.chief[0].pupilchrom, abermarker);
    EXPECT_NEAR(a.chief[0].diopastig, 0, 1e-9);
    EXPECT_EQ(a.chief[0].distortion, abermarker);
    EXPECT_TRUE(contains(r, "-Isoplanatism (indefinite number):    10000.00000"));
    EXPECT_TRUE(contains(r, "-Exit pupil spherical aber. (in mm):    10000.00000"));
    EXPECT_TRUE(contains(r, "Dioptrijska nepodesenost sistema je dipotr ="));
    ASSERT_EQ(a.oblique.size(), 1u);
    EXPECT_NEAR(a.oblique[0].zones[0].H, 5, 1e-12);
    EXPECT_NEAR(a.oblique[0].zones[0].coma[0], 0, 1e-12);
}

TEST(RayAnalysisTest, ReflectedPathLengths) {
    // mirror, then a plane surface 20 mm back along the reflected beam, image 30 further
    Model m = makesystem({{-0.01, 0, 1, 0, "air", "SM"}, {0, -20, -1}, {0, -30, -1}}, 1, {1});
    RayAnalysis a = rayanalysis(m, false);
    ASSERT_FALSE(m.calcerror);
    EXPECT_DOUBLE_EQ(a.dopsis, 20);
    EXPECT_DOUBLE_EQ(a.dsistot, -30);
    EXPECT_TRUE(a.mirrored);

    Model g = makesystem({{0.02, 0, 1}, {-0.02, 5, 1.5, 0.008, "BK7"}, {0.01, 2, 1}, {0, 3, 1.6, 0, "F2"},
                          {0, 40, 1}}, 1, {1});
    a = rayanalysis(g, false);
    EXPECT_DOUBLE_EQ(a.dst, 8);
    EXPECT_DOUBLE_EQ(a.dopsis, 10);
    EXPECT_DOUBLE_EQ(a.dsistot, 50);
    EXPECT_FALSE(a.mirrored);
}

TEST(RayAnalysisTest, ChromaticLinesOnlyForDifferentWavelengths) {
    for (bool mono : {false, true}) {
        Model m = test::aimedlens1(0);
        if (mono) m.lens.wl = {0.0005876, 0.0005876, 0.0005876};
        const RayAnalysis a = rayanalysis(m, false);
        Report r;
        rayanalysislines(m.lens, a, r);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        EXPECT_EQ(m.lens.systype, 0);
        EXPECT_EQ(a.nwl, mono ? 1 : 3);
        EXPECT_EQ(contains(r, "-Axial(longitudinal)chromatic ab.(mm) "), !mono);
        EXPECT_EQ(contains(r, "-Magnification chromatism (in %):     "), !mono);
        EXPECT_TRUE(contains(r, "Chief ray:  w="));
        EXPECT_TRUE(contains(r, "Oblique rays: w="));
    }
}

// The distortion lines of an objective are the relative image heights, which at the first
// wavelength equal the distortion of the ray trace report.
TEST(RayAnalysisTest, DistortionAgreesWithTheAberrationList) {
    Model m = test::aimedlens1(0);
    RayAnalysis a = rayanalysis(m, false);
    ASSERT_FALSE(m.calcerror);
    aberrations(m, m.merit, false, nullptr);
    ASSERT_EQ(a.chief.size(), 1u);
    EXPECT_NEAR(a.chief[0].relheight[0], m.merit.value[13], 1e-9);
    EXPECT_NEAR(a.chief[0].astig, m.merit.value[11] - m.merit.value[12], 1e-9);
}

// The report lists the rays in the order of the ray scheme, whatever order their kinds
// come in, and after a failure it keeps the rays analysed before it.
TEST(RayAnalysisTest, ReportFollowsTheRaySchemeOrder) {
    const auto kinds = [](const Report& r) {
        std::string s;
        for (const auto& l : r.lines()) {
            if (l.rfind("Axial rays:", 0) == 0) s += 'A';
            if (l.rfind("Chief ray:", 0) == 0) s += 'C';
            if (l.rfind("Oblique rays:", 0) == 0) s += 'O';
        }
        return s;
    };
    for (bool miss : {false, true}) {
        Model m = makesystem({{0, 0, 1}, {0.02, 5, 1.5, 0.008, "BK7"}, {-0.02, 40, 1}}, 1,
                             {1, 13, 14, 14, 12, 13, 12});
        m.lens.rays.y[0] = 3;
        m.lens.rays.m[0] = 0;
        for (int k : {1, 5}) m.lens.rays.yrel[static_cast<size_t>(k)] = 1;
        m.lens.rays.y[2] = -2;
        m.lens.rays.y[3] = 2;
        m.lens.rays.y[4] = 3;
        m.lens.rays.y[6] = miss ? 1000 : 2;
        const RayAnalysis a = rayanalysis(m, false);
        EXPECT_EQ(m.calcerror, miss) << m.errmsg;
        Report r;
        rayanalysislines(m.lens, a, r);
        EXPECT_EQ(kinds(r), miss ? "COAC" : "COACA");
    }
}

}  // namespace
}  // namespace zefo
