// zefo-batch scale, anglesolve, reverse, stdradii, mechanics and acad.
#include <gtest/gtest.h>

#include <cmath>

#include "core/model/lensfile.h"
#include "core/modify/mechanics.h"
#include "core/modify/modify.h"
#include "core/raytrace/paraxial.h"
#include "core/util/fileio.h"
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
    for (const auto& [k, message] : {std::pair{"-1", scalenegativemsg}, std::pair{"0", scalezeromsg}}) {
        r = run("scale " + dgauss + " " + k + " " + out("n.dat"));
        EXPECT_EQ(r.status, 1) << k;
        EXPECT_EQ(r.err, std::string(message) + "\n") << k;
        EXPECT_FALSE(std::filesystem::exists(dir / "n.dat")) << k;
    }
}

// A modification whose system data fail (a stop surface beyond the lens) writes no lens.
TEST_F(ModifyBatch, FailedModificationWritesNothing) {
    std::string text = readtextfile(std::string(ZEFO_SAMPLES) + "/DGAUSS.dat").value();
    const size_t line4 = text.find("11 6 34 135");
    ASSERT_NE(line4, std::string::npos);
    text.replace(line4, 4, "11 200 ");
    ASSERT_EQ(writefileatomic((dir / "badstop.dat").string(), text), "");
    const std::string lens = out("badstop.dat");
    for (const std::string& args : {"scale " + lens + " 2 ", "reverse " + lens + " ", "stdradii " + lens + " ",
                                   "anglesolve " + lens + " 80 "}) {
        const auto r = run(args + out("o.dat"));
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_FALSE(std::filesystem::exists(dir / "o.dat")) << args << r.err;
    }
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
    for (const char* density : {"7", "1e308", "-3"}) {
        r = run("mechanics " + dgauss + " --density " + density + " --accept-diameters");
        EXPECT_EQ(r.status, 1) << density;
        EXPECT_EQ(r.err, std::string(densityoptionmsg) + "\n") << density;
    }
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
