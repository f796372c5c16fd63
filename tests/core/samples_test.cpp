// The sample lens data files shipped in samples/ are the program's own output.
#include <gtest/gtest.h>

#include "app/samplelenses.h"
#include "model/lensfile.h"
#include "testutil.h"

namespace zefo {
namespace {

TEST(Samples, AreWrittenByTheProgramAndReadBackUnchanged) {
    const auto dir = test::freshdir("samples");
    const auto r = test::runbatch(dir, "samples");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const SampleLens& s : samplelenses()) {
        const std::string name = std::string(s.sysname) + ".dat";
        const std::string written = readtextfile((dir / "dat" / name).string()).value_or("<missing>");
        EXPECT_EQ(written, readtextfile(std::string(ZEFO_SAMPLES) + "/" + name).value_or("<missing>")) << name;
        Model m;
        ASSERT_EQ(readlensfile(written, m), "") << name;
        std::string again;
        ASSERT_EQ(writelensfile(m, again), "") << name;
        EXPECT_EQ(again, written) << name;
        EXPECT_EQ(m.sysname, s.sysname);
    }
}

TEST(Samples, CarryTheirFirstOrderDataAndAimedRays) {
    GlassCatalog cat;
    ASSERT_EQ(cat.open(test::freshdir("samples-glass").string() + "/"), "");
    struct Expect { const char* name; double efl; int nrays; };
    const Expect cases[] = {{"LENS1", 50.84, 6}, {"COOKE", 100.0, 34}, {"DGAUSS", 100.0, 34}, {"KEPLER", 0, 6}};
    for (const auto& c : cases) {
        const auto& all = samplelenses();
        const auto it = std::find_if(all.begin(), all.end(), [&](const SampleLens& s) { return s.sysname == std::string(c.name); });
        ASSERT_NE(it, all.end()) << c.name;
        const Model m = buildsamplelens(*it, cat);
        ASSERT_FALSE(m.calcerror) << c.name << ": " << m.errmsg;
        EXPECT_NEAR(m.efl, c.efl, 0.05) << c.name;
        EXPECT_EQ(m.nrays, c.nrays) << c.name;
        EXPECT_GT(m.sys.sp.sep[m.nsurf], 0) << c.name;  // the image plane was placed
        EXPECT_NE(m.rays.m[m.nrays - 1], 0.0) << c.name;  // the last ray is an aimed oblique ray
    }
}

}  // namespace
}  // namespace zefo
