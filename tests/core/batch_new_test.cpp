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

// Faults of the reader itself: deep nesting, cut escapes, numbers beyond a double or an
// integer, numbers JSON does not have. Each is refused with its place or key, exit 1, no file.
TEST_F(NewBatchTest, MalformedDescriptionsAreRefusedWithoutACrash) {
    const std::string good = readtextfile(samplefile("cooke.json")).value();
    const struct { std::string text, message; } cases[] = {
        {std::string(200000, '['), "JSON: nesting deeper than 64 levels at 64"},
        {"{\"name\":\"\\u", "JSON: escape cut short at 11"},
        {"{\"name\":\"\\u12", "JSON: escape cut short at 11"},
        {"{\"name\":\"\\uZZZZ\"}", "JSON: bad escape digit at 11"},
        {"{\"name\":\"\\uD800x\"}", "JSON: lone high surrogate"},
        {replaced(good, "\"stop\": 5", "\"stop\": 1e10"), "\"stop\" must be a whole number"},
        {replaced(good, "\"stop\": 5", "\"stop\": -1e300"), "\"stop\" must be a whole number"},
        {replaced(good, "\"stop\": 5", "\"stop\": 2.5"), "\"stop\" must be a whole number"},
        {replaced(good, "\"stop\": 5", "\"stop\": 1e999"), "JSON: number out of range"},
        {replaced(good, "\"na\": 0.1443", "\"na\": -inf"), "JSON: not a value"},
        {replaced(good, "\"na\": 0.1443", "\"na\": 0x1p-3"), "JSON: expected }"},
        {replaced(good, "\"na\": 0.1443", "\"na\": nan"), "JSON: not a value"},
        {replaced(good, "\"name\": \"COOKE\"", "\"name\": \"../../escaped\""), "The name must be a valid file name"},
        {replaced(good, "\"name\": \"COOKE\"", "\"name\": \"A\\u0000B\""), "The name must be a valid file name"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const auto desc = dir / ("bad" + std::to_string(n++) + ".json");
        ASSERT_EQ(writefileatomic(desc.string(), c.text), "");
        const auto out = dir / "out.dat";
        const BatchRun r = run("new '" + desc.string() + "' '" + out.string() + "'");
        EXPECT_EQ(r.status, 1) << c.message << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.message;
    }
    // not a regular file, beyond the size of any description
    const auto big = dir / "big.json";
    ASSERT_EQ(writefileatomic(big.string(), std::string(2u << 20, ' ')), "");
    for (const std::string& path : {std::string("/dev/zero"), big.string()}) {
        const BatchRun r = run("new '" + path + "' '" + (dir / "out.dat").string() + "'");
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_NE(r.err.find("File " + path + " is"), std::string::npos) << r.err;
    }
}

// A workspace folder that cannot be made is named with the reason.
TEST_F(NewBatchTest, WorkspaceThatCannotBeCreatedIsNamed) {
    ASSERT_EQ(writefileatomic((dir / "file").string(), "x"), "");
    const std::string ws = (dir / "file" / "ws").string();
    const std::string cmd = std::string(ZEFO_BATCH) + " --progdir '" + ws + "' samples 2>'" + (dir / "err").string() + "'";
    const int rc = std::system(cmd.c_str());
    EXPECT_EQ(WEXITSTATUS(rc), 1);
    EXPECT_EQ(readtextfile((dir / "err").string()).value_or(""),
              "Cannot create the workspace folder " + ws + ": Not a directory\n");
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
