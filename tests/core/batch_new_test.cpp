#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "testutil.h"

namespace zefo::test {
namespace {

using NewBatchTest = BatchTest;

std::string samplefile(const std::string& name) { return std::string(ZEFO_SAMPLES) + "/" + name; }

TEST_F(NewBatchTest, SamplesFromTheirDescriptionsReproduceTheirFirstOrderData) {
    for (const char* name : {"COOKE", "DGAUSS", "DGSTART", "KEPLER"}) {
        std::string lower = name;
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        const std::string out = (dir / (lower + ".dat")).string();
        const BatchRun r = run("new '" + samplefile(lower + ".json") + "' '" + out + "'");
        ASSERT_EQ(r.status, 0) << name << ": " << r.out << r.err;
        OpticalSystem made, sample;
        ASSERT_EQ(loadlensfile(out, made), "") << name;
        ASSERT_EQ(loadlensfile(samplefile(std::string(name) + ".dat"), sample), "") << name;
        EXPECT_EQ(made.sysname, sample.sysname);
        EXPECT_EQ(made.nsurf, sample.nsurf);
        EXPECT_EQ(made.stopsurf, sample.stopsurf);
        EXPECT_EQ(made.nrays, sample.nrays);
        EXPECT_EQ(made.naber, sample.naber);
        EXPECT_EQ(made.systype, sample.systype);
        const double tol = 1e-9;
        EXPECT_NEAR(made.efl, sample.efl, tol) << name;
        EXPECT_NEAR(made.lbar, sample.lbar, tol) << name;
        EXPECT_NEAR(made.lbarp, sample.lbarp, tol) << name;
        EXPECT_NEAR(made.up, sample.up, tol) << name;
        EXPECT_NEAR(made.sys.sp.sep[made.nsurf], sample.sys.sp.sep[sample.nsurf], tol) << name;
        for (int k = 0; k <= made.nsurf; ++k)
            for (int w = 0; w < 3; ++w)
                EXPECT_NEAR(made.sys.sp.index[k][w], sample.sys.sp.index[k][w], 1e-12) << name << k;
    }
}

TEST_F(NewBatchTest, BadDescriptionsExitWithTheMessageAndWriteNothing) {
    const std::string good = readtextfile(samplefile("cooke.json")).value();
    const struct { std::string text, message; } cases[] = {
        {replaced(good, "\"stop\": 5", "\"stop\": 9"),
         "You must enter valid surface number for aperture stop position!"},
        {replaced(good, "\"na\": 0.1443", "\"na\": 0"),
         "You must not enter zero value for magnification and numerical aperture !"},
        {replaced(good, "8.302", "4"), "Field angles must be entered in ascending order"},
        {replaced(good, "656.3", "1600"), "Wavelength must be between 350 nm and 1500 nm !"},
        {replaced(good, "\"SF2\"", "\"NOGLASS\""), "surface 3: Glass name not found"},
        {replaced(good, "\"optlabel\": \"CD\"", "\"optlabel\": \"CC\""), "surface 3: You can have only one C label!"},
        {replaced(good, "\"name\": \"COOKE\"", "\"name\": \"../x\""), "The name must be a valid file name"},
        {replaced(good, "\"stop\": 5,", "\"stop\": 5"), "JSON: expected }"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto desc = dir / ("desc" + std::to_string(n++) + ".json");
        ASSERT_EQ(writefileatomic(desc.string(), c.text), "");
        const auto out = dir / "out.dat";
        const BatchRun r = run("new '" + desc.string() + "' '" + out.string() + "'");
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
}

// A concave mirror of radius 200 in air: the space behind it carries the negative index, the
// focus lies 100 mm in front of it.
TEST_F(NewBatchTest, MirrorTurnsTheSignOfTheSpaceBehindIt) {
    const std::string text =
        "{\"name\": \"MIRROR\", \"mag\": 0, \"na\": 0.1, \"stop\": 1, \"fields\": [0, 1], \"surfaces\": ["
        "{\"radius\": -200, \"thickness\": \"paraxial\", \"glass\": \"air\", \"hmax\": 15, \"label\": \"SM\"}]}";
    const auto desc = dir / "mirror.json";
    ASSERT_EQ(writefileatomic(desc.string(), text), "");
    const auto out = dir / "mirror.dat";
    const BatchRun r = run("new '" + desc.string() + "' '" + out.string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    OpticalSystem lens;
    ASSERT_EQ(loadlensfile(out.string(), lens), "");
    EXPECT_EQ(lens.sys.sp.surflabel[0], "SM");
    EXPECT_EQ(lens.sys.sp.index[0][0], 1);
    EXPECT_EQ(lens.sys.sp.index[1][0], -1);
    EXPECT_NEAR(std::fabs(lens.efl), 100, 1e-9);
    EXPECT_NEAR(lens.sys.sp.sep[1] - lens.defocus, -100, 1e-9);
}

}  // namespace
}  // namespace zefo::test
