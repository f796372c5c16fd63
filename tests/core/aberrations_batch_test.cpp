// zefo-batch raytrace, seidel and aberrations run as a user would: exit status, command log,
// report files, report lines and the --json values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "aberrations_systems.h"
#include "jsonread.h"
#include "core/analysis/aberrations.h"
#include "core/analysis/seidel.h"
#include "core/model/lensfile.h"
#include "core/raytrace/paraxial.h"
#include "testutil.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

class AberrationsBatch : public test::BatchTest {
protected:
    std::string save(const Model& m) {
        const std::string path = (dir / (m.lens.sysname + ".dat")).generic_string();
        EXPECT_EQ(savelensfile(path, m.lens), "");
        return path;
    }
};

// Every value that follows "key": in a JSON text, in order (the first of an array).
std::vector<double> jsonvalues(const std::string& json, const std::string& key) {
    std::vector<double> v;
    const std::string k = "\"" + key + "\":";
    for (size_t p = json.find(k); p != std::string::npos; p = json.find(k, p + 1)) {
        size_t b = p + k.size();
        if (json[b] == '[') ++b;
        size_t e = b;
        while (e < json.size() && std::string(",]}").find(json[e]) == std::string::npos) ++e;
        v.push_back(parsereal(json.substr(b, e - b)).value_or(-12345));
    }
    return v;
}

TEST_F(AberrationsBatch, ReportsLogAndFiles) {
    const std::string path = save(test::singlet(0));
    struct Case { const char* cmd; const char* title; const char* data; const char* file; };
    for (const Case& cs : {Case{"raytrace", "Ray trace", "singlet-conrady.rez", "SINGLET.rez"},
                           Case{"seidel", "Calculate Seidel Coefficients", "singlet.sei", "SINGLET.sei"},
                           Case{"aberrations", "Aberration calculation", "singlet.abr", "SINGLET.abr"}}) {
        const test::BatchRun r = run(std::string(cs.cmd) + " '" + path + "'");
        ASSERT_EQ(r.status, 0) << cs.cmd << r.err;
        const std::string want = test::replaced(test::readdata(cs.data), "/data/SINGLET.dat", path);
        EXPECT_EQ(abr(cs.file), want) << cs.cmd;
        EXPECT_EQ(r.out, want + " \nEnd of displayed data\n") << cs.cmd;
        EXPECT_EQ(log(), std::string(cs.title) + "\n" + cs.title + " - Finished\n");
    }
}

TEST_F(AberrationsBatch, JsonAtFullPrecision) {
    const std::string path = save(test::singlet(1));
    Model m;
    ASSERT_EQ(loadlensfile(path, m), "");
    nudatparax(m);
    aberrations(m, m.merit, false, nullptr);
    ASSERT_FALSE(m.calcerror);

    const test::BatchRun r = run("--json raytrace '" + path + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto values = jsonvalues(r.out, "value");
    ASSERT_EQ(values.size(), 27u);
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], m.merit.value[i]) << i;
    // the names of the list without their padding blanks
    const test::JsonValue list = test::parsejson(r.out)["aberrations"];
    ASSERT_EQ(list.size(), 27u);
    for (size_t i = 0; i < list.size(); ++i) {
        std::string name = m.merit.name[i];
        while (!name.empty() && name.back() == ' ') name.pop_back();
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(list[i]["name"].str(), name) << i;
    }
    EXPECT_EQ(list[9]["name"].str(), "Spherical aberration");

    const SeidelData s = seidelcalc(m);
    const test::BatchRun rs = run("--json seidel '" + path + "'");
    ASSERT_EQ(rs.status, 0) << rs.err;
    const auto sums = jsonvalues(rs.out, "sums");
    ASSERT_EQ(sums.size(), 1u);
    EXPECT_EQ(sums[0], s.sums[0]);
    EXPECT_EQ(jsonvalues(rs.out, "DUN").size(), 2u);
    EXPECT_NE(rs.out.find("\"sums\":["), std::string::npos);

    const test::BatchRun ra = run("--json aberrations '" + path + "'");
    ASSERT_EQ(ra.status, 0) << ra.err;
    EXPECT_EQ(jsonvalues(ra.out, "astigmatism").size(), 1u);
    EXPECT_EQ(jsonvalues(ra.out, "dopsis"), std::vector<double>{5});
}

TEST_F(AberrationsBatch, FailuresAndUsage) {
    Model m = test::singlet(0);
    m.lens.rays.rl[2] = 12;   // no chief ray: the Seidel sums cannot be formed
    const std::string path = save(m);
    const test::BatchRun r = run("seidel '" + path + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error in calculation!\nSeidel sums are zero in Seidel coefficients calculation\n");
    EXPECT_EQ(log(), "Calculate Seidel Coefficients\nSeidel sums are zero in Seidel coefficients calculation\n");
    EXPECT_EQ(abr("SINGLET.sei"), "<missing>");

    EXPECT_EQ(run("aberrations").status, 2);
    EXPECT_EQ(run("raytrace a.dat b.dat").status, 2);
    EXPECT_EQ(run("seidel --bogus 1 '" + path + "'").status, 2);
    EXPECT_EQ(run("raytrace '" + (dir / "none.dat").string() + "'").status, 1);
}

}  // namespace
}  // namespace zefo
