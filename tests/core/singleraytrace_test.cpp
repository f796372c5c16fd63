// The single ray trace of the singlet, compared with rows worked out by a vector form of
// Snell's law (sphere intersection by the quadratic, refraction n' r' = n r + g normal).
#include <gtest/gtest.h>

#include "core/model/lensfile.h"
#include "core/analysis/singleraytrace.h"
#include "systemreport_models.h"
#include "testutil.h"

namespace zefo {
namespace {


// The ".srt" file written after a successful trace.
std::string srtfile(Report r, const std::string& dirname) {
    const auto dir = test::freshdir(dirname);
    const Workspace ws = makeworkspace(dir.string());
    EXPECT_EQ(r.finishreport(ws, "lens1", ".srt"), "");
    return readtextfile(reportpath(ws, "lens1", ".srt")).value_or("");
}

TEST(SingleRayTrace, SchemeRayAndTypedRayMatchTheVectorTrace) {
    const struct {
        SrtInput in;
        const char* expected;
    } cases[] = {
        {{1, 0, 0, 0, 0, 0}, "singleraytrace-lens1-ray1.srt"},
        {{0, 1.5, -2, 0.01, 0.02, 2}, "singleraytrace-lens1-typed.srt"},   // third wavelength
    };
    for (const auto& c : cases) {
        Model m = test::lens1model();
        ASSERT_EQ(checksrtinput(m, c.in), "");
        Report r;
        ASSERT_TRUE(singleraytrace(m, c.in, test::kReportHead, r)) << m.errmsg;
        EXPECT_EQ(srtfile(r, "srt"), test::readdata(c.expected));
    }
}

TEST(SingleRayTrace, AxialDirectionKeepsXYUpToTheFirstRefraction) {
    Model m = test::lens1model();
    Report r;
    ASSERT_TRUE(singleraytrace(m, {0, 2.5, -3, 0, 0, 0}, test::kReportHead, r));
    const auto& l = r.lines();
    ASSERT_EQ(l.size(), 17u);
    EXPECT_EQ(l[12], "  Ref        2.5000   -3.0000    0.0000  0.000000  0.000000  1.000000");
    EXPECT_EQ(l[14].substr(0, 29), "    0        2.5000   -3.0000");
    EXPECT_EQ(l[16].substr(0, 9), "    2    ");   // the image plane row is numbered nsurf
    EXPECT_EQ(m.trace.surfray[0].N, 1.0);
}

TEST(SingleRayTrace, LastRayOfTheSchemeStartsFromItsStoredCoordinates) {
    Model m = test::lens1model();
    Report r;
    ASSERT_TRUE(singleraytrace(m, {6, 0, 0, 0, 0, 0}, test::kReportHead, r));
    EXPECT_EQ(r.lines()[4], "Ray 6 from the existing set of rays are used");
    EXPECT_EQ(r.lines()[12], "  Ref        0.0000    7.0711    0.0000  0.000000  0.000000  1.000000");
}

TEST(SingleRayTrace, DialogChecksAndLogLines) {
    const Model m = test::lens1model();
    const struct {
        SrtInput in;
        const char* msg;
    } cases[] = {
        {{6, 0, 0, 0, 0, 0}, ""},
        {{7, 0, 0, 0, 0, 0}, "You must enter number from 1 to 6"},
        {{-1, 0, 0, 0, 0, 0}, "You must enter number from 1 to 6"},
        {{0, 0, 0, 1.2, 0, 0}, "L ray coordinate must be number between 0 and 1!"},
        {{0, 0, 0, 0, 1.5, 0}, "M ray coordinate must be number between 0 and 1!"},
        {{0, 0, 0, 0.8, 0.8, 0}, "L and M ray coordinates must give L*L + M*M less than 1!"},
        {{0, 0, 0, 0.6, 0.7, 2}, ""},
        {{1, 0, 0, 0, 0, 3}, "Wavelength number must be 1, 2 or 3!"},
    };
    for (const auto& c : cases) EXPECT_EQ(checksrtinput(m, c.in), c.msg);

    EXPECT_EQ(srtchoicelog({3, 0, 0, 0, 0, 0}),
              (std::vector<std::string>{"Ray number 2 is chosen", "Wavelength number 1 is chosen"}));
    EXPECT_EQ(srtchoicelog({0, 1.5, -2, 0.01, 0.25, 1}),
              (std::vector<std::string>{"Following ray coordinates are chosen: x=1.5 y=-2 l=0.01 m=0.25",
                                        "Wavelength number 2 is chosen"}));
}

TEST(SingleRayTrace, TracesWithTheCurrentIndicesAndKeepsTheFirstOrderData) {
    Model m = test::keplermodel();   // built in memory: no relative indices yet
    m.lens.efl = 0;
    Report r;
    ASSERT_TRUE(singleraytrace(m, {0, 0, 5, 0, 0, 0}, test::kReportHead, r)) << m.errmsg;
    EXPECT_DOUBLE_EQ(m.lens.mu[0][0], 1 / 1.5168);
    EXPECT_EQ(m.lens.efl, 0.0);
    // a ray parallel to the axis leaves the objective towards its focus (below the axis)
    EXPECT_LT(m.trace.surfray[2].M, 0.0);
    EXPECT_DOUBLE_EQ(m.trace.surfray[0].Y, 5.0);
}

TEST(SingleRayTrace, RayMissingTheSurfaceFails) {
    Model m = test::lens1model();
    Report r;
    EXPECT_FALSE(singleraytrace(m, {0, 0, 60, 0, 0, 0}, test::kReportHead, r));
    EXPECT_TRUE(m.calcerror);
    EXPECT_EQ(m.errmsg, "Error in ray transfer to spherical surface");
}

}  // namespace
}  // namespace zefo
