// zefo-batch scale, anglesolve, reverse, stdradii, mechanics and acad.
#include <gtest/gtest.h>

#include <cmath>

#include "core/model/lensfile.h"
#include "core/modify/mechanics.h"
#include "core/raytrace/paraxial.h"
#include "jsonread.h"
#include "testutil.h"

namespace zefo {
namespace {

const std::string dgauss = "'" + std::string(ZEFO_SAMPLES) + "/DGAUSS.dat'";

class ModifyBatch : public test::BatchTest {
protected:
    Model load(const std::string& name) {
        Model m;
        EXPECT_EQ(loadlensfile((dir / name).string(), m), "");
        return m;
    }
    std::string out(const std::string& name) { return "'" + (dir / name).string() + "'"; }
};

TEST_F(ModifyBatch, ScaleDoublesAndRefusesNegative) {
    auto r = run("scale " + dgauss + " 2 " + out("s.dat"));
    ASSERT_EQ(r.status, 0) << r.err;
    Model m;
    ASSERT_EQ(loadlensfile(std::string(ZEFO_SAMPLES) + "/DGAUSS.dat", m), "");
    const Model s = load("s.dat");
    for (int k = 0; k <= m.lens.nsurf; ++k) EXPECT_NEAR(s.lens.sys.sp.sep[k], 2 * m.lens.sys.sp.sep[k], 1e-12);
    EXPECT_NE(r.out.find("System name"), std::string::npos);
    EXPECT_NE(log().find("Scale factor is    2.000"), std::string::npos);
    r = run("scale " + dgauss + " -1 " + out("n.dat"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Scale factor must not be zero!"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "n.dat"));
}

TEST_F(ModifyBatch, AngleSolveReverseAndStandardRadii) {
    ASSERT_EQ(run("anglesolve " + dgauss + " 80 " + out("a.dat")).status, 0);
    Model a = load("a.dat");
    ssetq(a);
    EXPECT_NEAR(systemfocus(a).efl, 80, 1e-6);
    ASSERT_EQ(run("reverse " + dgauss + " " + out("r1.dat")).status, 0);
    ASSERT_EQ(run("reverse " + out("r1.dat") + " " + out("r2.dat")).status, 0);
    Model m;
    ASSERT_EQ(loadlensfile(std::string(ZEFO_SAMPLES) + "/DGAUSS.dat", m), "");
    EXPECT_TRUE(load("r2.dat").lens.sys == m.lens.sys);
    ASSERT_EQ(run("stdradii " + dgauss + " " + out("std.dat")).status, 0);
    const Model s = load("std.dat");
    // 48.88 lies between the series values 10^(496/250 - 37/125) = 48.753 and
    // 10^(497/250 - 37/125) = 49.204, nearer the first.
    EXPECT_DOUBLE_EQ(s.lens.sys.sp.radius[0], 48.75);
    EXPECT_DOUBLE_EQ(s.lens.sys.sp.curv[0], 1 / 48.75);
}

TEST_F(ModifyBatch, MechanicsJsonAddsUp) {
    auto r = run("--json mechanics " + dgauss + " --density 3 --accept-diameters");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = test::parsejson(r.out);
    double total = 0;
    for (const auto& l : j["lenses"].items) {
        const int i = static_cast<int>(l["surfaces"][0].num());
        EXPECT_EQ(l["surfaces"][1].num(), i + 1);
        EXPECT_NEAR(l["mass"].num(), 3 * l["volume"].num() / 1000, 1e-9);
        EXPECT_GT(l["volume"].num(), 0);
        total += l["mass"].num();
    }
    EXPECT_EQ(j["lenses"].size(), 6u);
    EXPECT_NEAR(j["total_mass"].num(), total, 1e-9);
    EXPECT_GE(j["rings"].size(), 1u);
    for (const auto& g : j["rings"].items) EXPECT_GT(g["length"].num(), 0);
    // Without the accepted diameters, or with a density outside 2 .. 5, nothing is printed.
    r = run("mechanics " + dgauss);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--accept-diameters"), std::string::npos);
    r = run("mechanics " + dgauss + " --density 7 --accept-diameters");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(densitymsg), std::string::npos);
    EXPECT_EQ(run("mechanics " + dgauss + " --construction round").status, 2);
}

TEST_F(ModifyBatch, AcadScriptsOfTheDoubleGauss) {
    ASSERT_EQ(run("acad " + dgauss).status, 0);
    ASSERT_EQ(run("acad " + dgauss + " --rays").status, 0);
    EXPECT_EQ(file("script/DGAUSS.scr"), test::readdata("dgauss.scr"));
    EXPECT_EQ(file("script/DGAUSSh.scr"), test::readdata("dgaussh.scr"));
    EXPECT_NE(file("script/DGAUSS.dxf").find("ENTITIES"), std::string::npos);
    EXPECT_NE(log().find("Optical system and rays script for ACAD - Finished"), std::string::npos);
}

}  // namespace
}  // namespace zefo
