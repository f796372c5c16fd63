// zefo-batch merit, weights and dls on a labelled double Gauss.
#include <gtest/gtest.h>

#include <cmath>

#include "core/model/lensfile.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "jsonread.h"
#include "testsystems.h"
#include "testutil.h"

namespace zefo {
namespace {

class OptimBatch : public test::BatchTest {
protected:
    // The double Gauss aimed, with limits, weights and its curvatures and inner
    // separations labelled, saved as dg.dat in the workspace.
    std::string savelens(bool labels = true) {
        Model m = doublegauss();
        m.lens.sysname = "dg";
        initstdrays(m);
        rayscheme(m);
        for (int k = 0; k <= m.lens.nsurf; ++k) {
            m.lens.axlim[k] = m.lens.edgelim[k] = m.lens.sys.sp.sep[k] > 2 ? 1.0 : 0.5;
            m.lens.clearlim[k] = 50;
            if (labels && k < m.lens.nsurf) m.lens.sys.sp.optlabel[k] = k >= 1 && k < m.lens.nsurf - 1 ? "CD" : "C";
        }
        sizemeritlist(m.lens, m.merit);
        calcweights(m);
        const std::string path = (dir / "dg.dat").string();
        EXPECT_EQ(savelensfile(path, m.lens), "");
        return "'" + path + "'";
    }
};

TEST_F(OptimBatch, MeritListsEveryComponentAndTheirSum) {
    const std::string lens = savelens();
    const auto r = run("--json merit " + lens);
    ASSERT_EQ(r.status, 0) << r.err;
    const test::JsonValue j = test::parsejson(r.out);
    const auto& c = j["components"];
    ASSERT_EQ(c.size(), 87u);
    double sum = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        const double contrib = (c[i]["value"].num() - c[i]["target"].num()) * c[i]["weight"].num();
        EXPECT_EQ(c[i]["contrib"].num(), contrib) << i;
        sum += contrib * contrib;
    }
    EXPECT_NEAR(j["merit"].num(), sum, 1e-12 * sum);
    EXPECT_EQ(c[6]["name"].str(), "Optical system lenght");
    EXPECT_EQ(j["nvar"].num(), 20);   // 11 curvatures and 9 separations
    const auto t = run("merit " + lens);
    ASSERT_EQ(t.status, 0) << t.err;
    // The report the main window writes: the design listing, then the table.
    const size_t design = t.out.find("Step for changing surface radius of optical system during optimization is Dc=");
    const size_t table = t.out.find("Num.   Aberration name       Aberration   Weight     Contribution    Merit_fn\n");
    ASSERT_NE(design, std::string::npos);
    ASSERT_NE(table, std::string::npos);
    EXPECT_LT(design, table);
    EXPECT_EQ(log(), "Optical system merit function\nOptical system merit function - Finished\n");
}

TEST_F(OptimBatch, WeightsAreTheDefaultWeightsSaved) {
    const std::string lens = savelens();
    const auto r = run("--json weights " + lens + " '" + (dir / "w.dat").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    OpticalSystem saved;
    ASSERT_EQ(loadlensfile((dir / "w.dat").string(), saved), "");
    const double na = 1 / 5.6;
    EXPECT_NEAR(saved.aberweight[0], 1000 / na, 1e-9);
    EXPECT_NEAR(saved.aberweight[8], 20 * na, 1e-12);
    EXPECT_DOUBLE_EQ(saved.aberweight[9], 40);   // the full-aperture axial zone
    const auto w = test::parsejson(r.out)["weights"].numbers();
    ASSERT_EQ(w.size(), 87u);
    for (size_t i = 0; i < w.size(); ++i) EXPECT_NEAR(saved.aberweight[i], w[i], 1e-12 * std::fabs(w[i])) << i;
    EXPECT_EQ(log(), "Calculate the aberration weights for the optimization\nOptimization weights - Finished\n");
}

TEST_F(OptimBatch, DlsLowersTheMeritSavesTheLensAndWritesTheRecord) {
    const std::string lens = savelens();
    const std::string out = (dir / "opt.dat").string();
    const auto r = run("--json dls " + lens + " --save '" + out + "' --max-iter 4");
    ASSERT_EQ(r.status, 0) << r.err;
    const test::JsonValue j = test::parsejson(r.out);
    EXPECT_LT(j["merit"].num(), j["merit_start"].num());
    EXPECT_GE(j["iterations"].num(), 1);
    EXPECT_LE(j["iterations"].num(), 5);
    const auto& v = j["variables"];
    ASSERT_EQ(v.size(), 20u);
    EXPECT_EQ(v[0]["surface"].num(), 1);
    EXPECT_EQ(v[0]["kind"].str(), "curvature");
    EXPECT_EQ(v[11]["kind"].str(), "separation");
    // the saved lens has the optimized values and the merit the run ended with
    OpticalSystem saved;
    ASSERT_EQ(loadlensfile(out, saved), "");
    EXPECT_NEAR(saved.sys.sp.curv[0], v[0]["value"].num(), 1e-12);
    EXPECT_NEAR(saved.sys.sp.sep[2], v[12]["value"].num(), 1e-12);
    EXPECT_EQ(log(), "Classical DLS Optimization\nClassical DLS Optimization - Finished\n");
    // the merit of the run's list holds the boundary-condition components it still has on top
    const auto again = run("--json merit '" + out + "'");
    ASSERT_EQ(again.status, 0) << again.err;
    const double savedmerit = test::parsejson(again.out)["merit"].num();
    EXPECT_LE(savedmerit, j["merit"].num() * (1 + 1e-9));
    EXPECT_LT(savedmerit, j["merit_start"].num());
    const std::string opt = file("optim/dg.opt");
    EXPECT_EQ(opt.rfind("           DLS Optimization\n", 0), 0u) << opt.substr(0, 200);
    EXPECT_NE(opt.find("\nMeasurement units are mm\n"), std::string::npos);
    EXPECT_EQ(opt.find("End of displayed data"), std::string::npos);
}

TEST_F(OptimBatch, DlsRefusalsAndBadArguments) {
    const std::string lens = savelens(false);
    const auto none = run("dls " + lens);
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("The optical system has no optimization variables"), std::string::npos) << none.err;
    const auto bad = run("dls " + lens + " --max-iter 0");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("--max-iter"), std::string::npos) << bad.err;
    EXPECT_EQ(run("dls " + lens + " --speed 3").status, 2);
    EXPECT_EQ(run("merit").status, 2);
}

}  // namespace
}  // namespace zefo
