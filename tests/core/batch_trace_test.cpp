// zefo-batch's report and trace commands run as a user would: exit status, command log,
// report files, report lines and the --json values against independent closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/model/lensfile.h"
#include "testsystems.h"
#include "core/raytrace/rayscheme.h"
#include "jsonread.h"
#include "systemreport_models.h"
#include "testutil.h"

namespace zefo {
namespace {

class BatchTrace : public test::BatchTest {
protected:
    void SetUp() override {
        BatchTest::SetUp();
        lens1 = std::filesystem::absolute(test::datafile("lens1.dat")).lexically_normal().generic_string();
    }


    // An expected report text with the lens data file path filled in.
    static std::string expected(const std::string& data, const std::string& path) {
        return test::replaced(test::readdata(data), "@FILE@", path);
    }
    std::string savemodel(const Model& m, const std::string& name) const {
        const std::string path = (dir / name).generic_string();
        EXPECT_EQ(savelensfile(path, m.lens), "");
        return path;
    }

    std::string lens1;
};

// Every number that follows "key": in a JSON text, in order.
std::vector<double> jsonall(const std::string& json, const std::string& key) {
    std::vector<double> v;
    const std::string k = "\"" + key + "\":";
    for (size_t p = json.find(k); p != std::string::npos; p = json.find(k, p + 1)) {
        const char* s = json.c_str() + p + k.size();
        if (*s == '[') ++s;
        while (true) {
            char* end = nullptr;
            v.push_back(std::strtod(s, &end));
            EXPECT_NE(end, s) << key;
            if (*end != ',' || key != "sep") break;   // only sep is a plain array of numbers
            s = end + 1;
        }
    }
    return v;
}

double jsonone(const std::string& json, const std::string& key) {
    const auto v = jsonall(json, key);
    EXPECT_EQ(v.size(), 1u) << key;
    return v.empty() ? NAN : v[0];
}

// The singlet of lens1.dat by the thick-lens formulas.
constexpr double kN = 1.5168, kR1 = 51.68, kR2 = -51.68, kD = 5.0;
double singletefl() {
    return 1 / ((kN - 1) * (1 / kR1 - 1 / kR2 + (kN - 1) * kD / (kN * kR1 * kR2)));
}
double singletbfl() {
    return singletefl() * (1 - (kN - 1) * kD / (kN * kR1));
}

TEST_F(BatchTrace, SystemReportsPrintTheWindowAndLog) {
    auto r = run("system '" + lens1 + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected("systemreport-lens1-system.txt", lens1));
    EXPECT_EQ(log(), "Display optical system\nDisplay optical system - Finished\n");

    r = run("system-full '" + lens1 + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected("systemreport-lens1-systemfull.txt", lens1));
    EXPECT_EQ(log(), "Display full optical system\nDisplay optical system - Finished\n");

    r = run("rays '" + lens1 + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, test::readdata("systemreport-lens1-rays.txt"));
    EXPECT_EQ(log(), "Display ray scheme\nDisplay ray scheme - Finished\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "abr" / "lens1.prs"));

    const std::string doublet = savemodel(test::doubletmodel(), "dublet.dat");
    r = run("system '" + doublet + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected("systemreport-doublet-system.txt", doublet));
}

TEST_F(BatchTrace, SystemJsonHoldsTheFirstOrderData) {
    auto r = run("--json system '" + lens1 + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.front(), '{');
    ASSERT_EQ(r.out.substr(r.out.size() - 2), "}\n");
    const double f = singletefl();
    EXPECT_NEAR(jsonone(r.out, "efl"), f, 1e-12 * f);
    EXPECT_EQ(jsonone(r.out, "lbar"), 0.0);   // stop on the first surface
    // exit pupil: the first vertex imaged by the back surface from inside the glass
    const double lbarp = 1 / (kN / -kD + (1 - kN) / kR2);
    EXPECT_NEAR(jsonone(r.out, "lbarp"), lbarp, 1e-12);
    EXPECT_NEAR(jsonone(r.out, "up"), -0.1, 1e-15);
    const auto sep = jsonall(r.out, "sep");
    ASSERT_EQ(sep.size(), 3u);
    EXPECT_EQ(sep[1], 5.0);
    EXPECT_NEAR(sep[2], singletbfl(), 1e-12 * f);
    EXPECT_NEAR(jsonone(r.out, "y0"), 0.1 * f, 1e-12 * f);
    EXPECT_EQ(jsonone(r.out, "m0"), 0.0);
    EXPECT_EQ(log(), "Display optical system\nDisplay optical system - Finished\n");
}

// Focal length and back focal distance of surfaces in air for an object at infinity, by
// the product of the refraction and transfer matrices acting on (height, index * angle).
struct MatrixFocus {
    double efl, bfd;
};
MatrixFocus matrixfocus(const std::vector<double>& radius, const std::vector<double>& thick,
                        const std::vector<double>& index) {
    double a = 1, b = 0, c = 0, d = 1;   // the system matrix so far
    for (size_t i = 0; i < radius.size(); ++i) {
        const double power = radius[i] != 0 ? (index[i + 1] - index[i]) / radius[i] : 0;
        c -= power * a;
        d -= power * b;
        if (i + 1 < radius.size()) {
            const double t = thick[i] / index[i + 1];
            a += t * c;
            b += t * d;
        }
    }
    return {-1 / c, -a / c};
}

// The system data as a script needs them: the table's rows in arrays over surfaces 0 .. nsurf
// (the image row last), names without padding, and every key the output had before.
TEST_F(BatchTrace, SystemJsonHoldsTheSurfaceTable) {
    Model d = test::doubletmodel();
    d.lens.sysname = "DUBLET   ";   // padded in the file
    d.lens.field = {0.0, 3.0};
    d.lens.radmin[1] = -45.0;
    d.lens.radmax[1] = -43.0;
    d.lens.sepmin[1] = 5.5;
    d.lens.sepmax[1] = 6.5;
    const std::string path = savemodel(d, "dublet.dat");
    for (const bool full : {false, true}) {
        auto r = run(std::string("--json ") + (full ? "system-full" : "system") + " '" + path + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        const test::JsonValue j = test::parsejson(r.out);
        for (const char* k : {"efl", "lbar", "lbarp", "up", "sep", "y0", "m0"}) EXPECT_TRUE(j.has(k)) << k;
        EXPECT_EQ(j["sysname"].str(), "DUBLET");
        EXPECT_EQ(j["systype"].num(), 0);
        EXPECT_EQ(j["stopsurf"].num(), 1);
        EXPECT_EQ(j["wl"].numbers(), (std::vector<double>{0.0005876, 0.0006563, 0.0004861}));
        EXPECT_EQ(j["field"].numbers(), (std::vector<double>{0, 3}));
        EXPECT_EQ(j["na"].num(), 0.1);
        const auto& sp = d.lens.sys.sp;
        EXPECT_EQ(j["radius"].numbers(), (std::vector<double>{61.07, -44.2, -129.0, 100.0, 0.0, 0.0}));
        for (size_t i = 0; i < 6; ++i)
            EXPECT_NEAR(j["curv"][i].num(), sp.radius[i] != 0 ? 1 / sp.radius[i] : 0.0, 1e-15) << i;
        EXPECT_EQ(j["glass"].strings(), (std::vector<std::string>{"air", "BK7", "F2", "air", "BK7", "air"}));
        EXPECT_EQ(j["surflabel"].strings(), (std::vector<std::string>{"A", "S", "S", "E", "F", "S"}));
        ASSERT_EQ(j["index"].size(), 6u);
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(j["index"][i].numbers(), std::vector<double>(sp.index[i].begin(), sp.index[i].end())) << i;
        EXPECT_EQ(j["disp"].numbers(), (std::vector<double>{0, 0.00806, 0.01705, 0, 0.00806, 0}));
        EXPECT_EQ(j["hmax"][0].num(), 12.5);
        EXPECT_EQ(j["eps"].numbers(), (std::vector<double>{0.5, 0, 0, -1, -2, 0}));
        EXPECT_EQ(j["a4"][0].num(), -1e-6);
        EXPECT_EQ(j["a6"][0].num(), 2e-9);
        EXPECT_EQ(j["a8"].numbers(), std::vector<double>(6, 0.0));
        // the separations in front of each surface; the last one is the image plane's
        const auto sep = j["sep"].numbers();
        ASSERT_EQ(sep.size(), 6u);
        EXPECT_EQ(std::vector<double>(sep.begin(), sep.begin() + 5), (std::vector<double>{0, 6, 2.5, 2, 4}));
        EXPECT_EQ(j.has("radmin"), full);
        if (full) {
            EXPECT_EQ(j["radmin"][1].num(), -45.0);
            EXPECT_EQ(j["radmax"][1].num(), -43.0);
            EXPECT_EQ(j["sepmin"][1].num(), 5.5);
            EXPECT_EQ(j["sepmax"][1].num(), 6.5);
            EXPECT_EQ(j["radmin"][3].num(), 100.0);
        }
    }
}

TEST_F(BatchTrace, TelescopePupilAnswerPlacesTheEye) {
    const std::string path = savemodel(test::keplermodel(), "kepler.dat");
    const double sp = test::keplereye();
    auto r = run("--json system '" + path + "' --pupil 10");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(jsonone(r.out, "efl"), 0.0);
    EXPECT_EQ(jsonone(r.out, "y0"), 10.0);
    const auto sep = jsonall(r.out, "sep");
    ASSERT_EQ(sep.size(), 5u);
    EXPECT_NEAR(sep[4], sp, 1e-9);

    r = run("system '" + path + "' --pupil 10");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected("systemreport-kepler-system.txt", path));
    // without an answer the question gets the input box's default 0
    r = run("--json system '" + path + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const double eye0 = jsonall(r.out, "sep")[4];
    EXPECT_GT(std::fabs(eye0 - sp), 0.1);
    EXPECT_EQ(jsonall(run("--json system '" + path + "' --pupil 0").out, "sep")[4], eye0);
    r = run("system '" + path + "' --pupil ten");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not a valid number!\n");
}

TEST_F(BatchTrace, ParaxialReportsWriteThePrsFile) {
    auto r = run("paraxial '" + lens1 + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string prs = expected("systemreport-lens1.prs", lens1);
    EXPECT_EQ(abr("lens1.prs"), prs);
    EXPECT_EQ(r.out, prs + " \nEnd of displayed data\n");
    EXPECT_EQ(log(), "Paraxial ray trace\nParaxial ray trace - Finished\n");

    r = run("paraxial-full '" + lens1 + "' --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log(), "Paraxial ray trace full\nParaxial ray trace - Finished\n");
    const double f = singletefl();
    const auto fs = jsonall(r.out, "f");
    ASSERT_EQ(fs.size(), 3u);   // nominal, minimum, maximum (the file's limits are nominal)
    for (double v : fs) EXPECT_NEAR(v, f, 1e-12 * f);
    EXPECT_NEAR(jsonall(r.out, "sp")[0], singletbfl(), 1e-12 * f);
    EXPECT_NEAR(jsonall(r.out, "s")[0], -singletbfl(), 1e-12 * f);   // symmetric lens
    EXPECT_NE(abr("lens1.prs").find("F U L L"), std::string::npos);

    const std::string doublet = savemodel(test::doubletmodel(), "dublet.dat");
    r = run("paraxial '" + doublet + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(abr("dublet.prs"), expected("systemreport-doublet.prs", doublet));
}

// Every block names its surfaces as the system table numbers them and carries the design
// data its values follow from; the whole system's focal length and back focal distance
// come with them.
TEST_F(BatchTrace, ParaxialJsonNamesTheSurfacesAndGivesTheSystemFocus) {
    auto r = run("--json paraxial '" + lens1 + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    test::JsonValue j = test::parsejson(r.out);
    const double f = singletefl();
    EXPECT_NEAR(j["efl"].num(), f, 1e-12 * f);
    EXPECT_NEAR(j["bfd"].num(), singletbfl(), 1e-12 * f);
    ASSERT_EQ(j["blocks"].size(), 1u);
    const test::JsonValue& b = j["blocks"][0];
    EXPECT_EQ(b["kind"].str(), "lens");
    EXPECT_EQ(b["number"].num(), 1);
    EXPECT_EQ(b["surfaces"].numbers(), (std::vector<double>{1, 2}));
    EXPECT_EQ(b["radius"].numbers(), (std::vector<double>{kR1, kR2}));
    EXPECT_EQ(b["thickness"].numbers(), std::vector<double>{kD});
    EXPECT_EQ(b["glass"].strings(), std::vector<std::string>{"BK7"});
    EXPECT_NEAR(b["f"].num(), f, 1e-12 * f);

    // a cemented doublet and a single lens behind an air space
    const Model d = test::doubletmodel();
    const std::string doublet = savemodel(d, "dublet.dat");
    r = run("--json paraxial '" + doublet + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    j = test::parsejson(r.out);
    const MatrixFocus whole = matrixfocus({61.07, -44.2, -129.0, 100.0, 0.0}, {6, 2.5, 2, 4},
                                          {1, 1.5168, 1.62004, 1, 1.5168, 1});
    EXPECT_NEAR(j["efl"].num(), whole.efl, 1e-9 * whole.efl);
    EXPECT_NEAR(j["bfd"].num(), whole.bfd, 1e-9 * whole.efl);
    const struct {
        const char* kind;
        std::vector<double> surfaces, radius, thickness;
        std::vector<std::string> glass;
    } want[] = {
        {"doublet", {1, 2, 3}, {61.07, -44.2, -129.0}, {6, 2.5}, {"BK7", "F2"}},
        {"lens", {1, 2}, {61.07, -44.2}, {6}, {"BK7"}},
        {"lens", {2, 3}, {-44.2, -129.0}, {2.5}, {"F2"}},
        {"lens", {4, 5}, {100.0, 0.0}, {4}, {"BK7"}},
    };
    ASSERT_EQ(j["blocks"].size(), 4u);
    for (size_t k = 0; k < 4; ++k) {
        const test::JsonValue& blk = j["blocks"][k];
        EXPECT_EQ(blk["kind"].str(), want[k].kind) << k;
        EXPECT_EQ(blk["surfaces"].numbers(), want[k].surfaces) << k;
        EXPECT_EQ(blk["radius"].numbers(), want[k].radius) << k;
        EXPECT_EQ(blk["thickness"].numbers(), want[k].thickness) << k;
        EXPECT_EQ(blk["glass"].strings(), want[k].glass) << k;
        // the block's focal length from its own design data, in air
        std::vector<double> n{1};
        for (const auto& g : want[k].glass) n.push_back(g == std::string("BK7") ? 1.5168 : 1.62004);
        n.push_back(1);
        const MatrixFocus own = matrixfocus(want[k].radius, want[k].thickness, n);
        EXPECT_NEAR(blk["f"].num(), own.efl, 1e-9 * std::fabs(own.efl)) << k;
        EXPECT_NEAR(blk["sp"].num(), own.bfd, 1e-9 * std::fabs(own.efl)) << k;
    }

    // an afocal telescope has neither
    r = run("--json paraxial '" + savemodel(test::keplermodel(), "kepler.dat") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    j = test::parsejson(r.out);
    EXPECT_EQ(j["efl"].num(), 0.0);
    EXPECT_EQ(j["bfd"].num(), 0.0);
    ASSERT_EQ(j["blocks"].size(), 2u);
    EXPECT_EQ(j["blocks"][1]["surfaces"].numbers(), (std::vector<double>{3, 4}));

    // the full data: the limits' design data with their values
    Model lim = test::lens1model();
    lim.lens.radmin = {50.0, -53.0, 0.0};
    lim.lens.radmax = {53.0, -50.0, 0.0};
    lim.lens.sepmin = {0.0, 4.5, 95.0};
    lim.lens.sepmax = {0.0, 5.5, 95.0};
    r = run("--json paraxial-full '" + savemodel(lim, "limits.dat") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    j = test::parsejson(r.out);
    const test::JsonValue& full = j["blocks"][0];
    EXPECT_EQ(full["min"]["radius"].numbers(), (std::vector<double>{50.0, -53.0}));
    EXPECT_EQ(full["min"]["thickness"].numbers(), std::vector<double>{4.5});
    EXPECT_EQ(full["max"]["radius"].numbers(), (std::vector<double>{53.0, -50.0}));
    EXPECT_EQ(full["max"]["thickness"].numbers(), std::vector<double>{5.5});
    const MatrixFocus fmin = matrixfocus({50.0, -53.0}, {4.5}, {1, kN, 1});
    EXPECT_NEAR(full["min"]["f"].num(), fmin.efl, 1e-9 * fmin.efl);
    EXPECT_NEAR(full["min"]["sp"].num(), fmin.bfd, 1e-9 * fmin.efl);
    EXPECT_EQ(full["surfaces"].numbers(), (std::vector<double>{1, 2}));
}

TEST_F(BatchTrace, ParaxialNeedsTwoSurfaces) {
    const std::string one = savemodel(test::objectivemodel("ONE", {
                                          {50.0, 0.0, "air", test::kAir, 0.0, 10.0, "S"},
                                          {0.0, 50.0, "BK7", test::kBK7, 0.00806, 10.0, "S"},
                                      }),
                                      "one.dat");
    auto r = run("paraxial '" + one + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "System must have minimum two surfaces for paraxial calculations!\n");
    EXPECT_EQ(log(), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "abr" / "one.prs"));
}

TEST_F(BatchTrace, SingleRayTraceReportsAndLogsTheChoice) {
    auto r = run("srt '" + lens1 + "' --ray 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string srt = expected("singleraytrace-lens1-ray1.srt", lens1);
    EXPECT_EQ(abr("lens1.srt"), srt);
    EXPECT_EQ(r.out, srt + " \nEnd of displayed data\n");
    EXPECT_EQ(log(), "Single ray trace\nRay number 0 is chosen\nWavelength number 1 is chosen\n"
                     "Single ray trace - Finished\n");

    r = run("srt '" + lens1 + "' --xylm 1.5,-2,0.01,0.02 --wl 3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(abr("lens1.srt"), expected("singleraytrace-lens1-typed.srt", lens1));
    EXPECT_EQ(log(), "Single ray trace\nFollowing ray coordinates are chosen: x=1.5 y=-2 l=0.01 m=0.02\n"
                     "Wavelength number 3 is chosen\nSingle ray trace - Finished\n");

    // the paraxial focus of the singlet's marginal ray, from the vector trace of the rows
    r = run("--json srt '" + lens1 + "' --ray 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto Y = jsonall(r.out, "Y"), Z = jsonall(r.out, "Z"), N = jsonall(r.out, "N");
    ASSERT_EQ(Y.size(), 3u);
    EXPECT_NEAR(Y[2], -10.241281043050124, 1e-9);
    EXPECT_NEAR(Z[0], 51.68 - std::sqrt(51.68 * 51.68 - 100), 1e-12);   // sag at height 10
    EXPECT_NEAR(N[1], 0.9977691762524217, 1e-12);
    EXPECT_EQ(jsonall(r.out, "X").size(), 3u);
}

TEST_F(BatchTrace, SingleRayTraceErrors) {
    auto r = run("srt '" + lens1 + "' --ray 7");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "You must enter number from 1 to 6\n");
    EXPECT_EQ(log(), "");
    r = run("srt '" + lens1 + "' --xylm 0,0,1.5,0");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "L ray coordinate must be number between 0 and 1!\n");
    r = run("srt '" + lens1 + "' --xylm 0,x,0,0");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Not a valid number!\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "abr" / "lens1.srt"));

    r = run("srt '" + lens1 + "' --xylm 0,60,0,0");   // misses the first sphere
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error in the single ray trace calculation!\nError in ray transfer to spherical surface\n");
    EXPECT_EQ(log(), "Single ray trace\nFollowing ray coordinates are chosen: x=0 y=60 l=0 m=0\n"
                     "Wavelength number 1 is chosen\nError in ray transfer to spherical surface\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "abr" / "lens1.srt"));

    for (const char* args : {"", " --ray 1 --xylm 0,0,0,0", " --ray 1 --wl 4", " --xylm 0,0,0", " --xylm 0,0,0,0,0",
                             " --ray 1 --bogus 2", " --ray"})
        EXPECT_EQ(run("srt '" + lens1 + "'" + args).status, 2) << args;
}

TEST_F(BatchTrace, RaySchemeAimsAndSavesTheRays) {
    // the singlet of lens1.dat with the standard six-ray scheme of a 3 degree field
    const std::string singlet = savemodel(test::objectivemodel("SINGLET", {
                                              {51.68, 0.0, "air", test::kAir, 0.0, 10.0, "S"},
                                              {-51.68, 5.0, "BK7", test::kBK7, 0.00806, 10.0, "S"},
                                              {0.0, 95.0, "air", test::kAir, 0.0, 8.7, "S"},
                                          }),
                                          "singlet.dat");
    const std::string out = (dir / "aimed.dat").generic_string();
    auto r = run("rayscheme '" + singlet + "' --save '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(log(), "Ray scheme calculation\nRay scheme calculation - Finished\nSave optical file\n"
                     "Save optical file - Finished\n");
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), " No  RL      Xrel       Yrel       X          Y         L          M");
    EXPECT_EQ(r.out.substr(r.out.size() - 24), " \nEnd of displayed data\n");

    // the saved file holds the aimed rays: its report is the one just printed
    EXPECT_EQ(run("rays '" + out + "'").out, r.out);

    r = run("--json rayscheme '" + singlet + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const double f = singletefl();
    EXPECT_NEAR(jsonone(r.out, "efl"), f, 1e-12 * f);
    const auto y = jsonall(r.out, "y"), m = jsonall(r.out, "m"), rl = jsonall(r.out, "rl");
    ASSERT_EQ(y.size(), 6u);
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(rl, (std::vector<double>{1, 12, 13, 14, 14, 5}));
    EXPECT_NEAR(y[0], 0.1 * f, 1e-12 * f);     // marginal ray at NA times the focal length
    EXPECT_NEAR(m[2], std::sin(3 * M_PI / 180), 1e-12);   // chief ray at the field angle
    EXPECT_EQ(jsonall(r.out, "xrel").size(), 6u);

    // the chief ray (ray 3) passes through the centre of the stop on surface 1
    r = run("--json srt '" + out + "' --ray 3");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_LT(std::fabs(jsonall(r.out, "Y")[0]), 1e-4);
}

TEST_F(BatchTrace, DoubleGaussChiefRaysPassTheStopCentre) {
    Model dg = doublegauss();
    initstdrays(dg);
    const std::string out = (dir / "dg-aimed.dat").generic_string();
    auto r = run("--json rayscheme '" + savemodel(dg, "dg.dat") + "' --save '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rl = jsonall(r.out, "rl");
    ASSERT_EQ(rl.size(), 34u);
    int chief = 0;
    for (size_t k = 0; k < rl.size(); ++k) {
        if (rl[k] != 13) continue;
        ++chief;
        auto t = run("--json srt '" + out + "' --ray " + std::to_string(k + 1));
        ASSERT_EQ(t.status, 0) << t.err;
        const auto Y = jsonall(t.out, "Y");
        ASSERT_EQ(Y.size(), static_cast<size_t>(dg.lens.nsurf) + 1);
        EXPECT_LT(std::fabs(Y[static_cast<size_t>(dg.lens.stopsurf) - 1]), 1e-4) << "ray " << k + 1;
    }
    EXPECT_EQ(chief, 3);
}

TEST_F(BatchTrace, RaySchemeFailureIsLogged) {
    Model m = test::doubletmodel();
    m.lens.field = {0.0, 0.0};   // a chief ray of field 0 cannot be aimed
    m.lens.rays.yrel[2] = 0.0;
    const std::string path = savemodel(m, "zero.dat");
    auto r = run("rayscheme '" + path + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error in calculation of ray scheme\nError in calculation - prinf1\n");
    EXPECT_EQ(log(), "Ray scheme calculation\nError in calculation - prinf1\n");
}

}  // namespace
}  // namespace zefo
