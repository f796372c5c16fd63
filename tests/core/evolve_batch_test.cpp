// zefo-batch evolve: the evolution strategies from the command line.
#include <gtest/gtest.h>

#include "core/app/samplelenses.h"
#include "core/evolution/eaparams.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/report/workspace.h"
#include "jsonread.h"
#include "testutil.h"

namespace zefo {
namespace {

class EvolveBatch : public test::BatchTest {
protected:
    // The Cooke triplet saved as cooke.dat in the workspace.
    std::string savelens() {
        const Workspace ws = makeworkspace(dir.string());
        GlassCatalog cat;
        EXPECT_EQ(cat.open(ws.glassdir), "");
        for (const SampleLens& s : samplelenses())
            if (std::string(s.sysname) == "COOKE") {
                Model m = buildsamplelens(s, cat);
                m.lens.sysname = "cooke";
                EXPECT_EQ(savelensfile((dir / "cooke.dat").string(), m.lens), "");
            }
        return "'" + (dir / "cooke.dat").string() + "'";
    }
};

TEST_F(EvolveBatch, JsonReportAndLensAreTheSameOnOneAndTwoThreads) {
    const std::string lens = savelens();
    // a first run makes the start feasible and ends there, the second optimizes
    const auto f = run("--json evolve grup " + lens + " --seed 1802,9373 --feasibility-only --save '" +
                       (dir / "f.dat").string() + "'");
    ASSERT_EQ(f.status, 0) << f.err;
    const test::JsonValue jf = test::parsejson(f.out);
    EXPECT_EQ(jf["phase"].num(), 0);
    EXPECT_GT(jf["deficit_start"].num(), 0);
    EXPECT_GT(jf["merit_start"].num(), 0);
    ASSERT_EQ(jf["phases"].size(), 1u);
    EXPECT_EQ(jf["phases"][0]["kind"].str(), "feasibility");
    EXPECT_EQ(jf["phases"][0]["start"].num(), jf["deficit_start"].num());
    EXPECT_EQ(jf["phases"][0]["end"].num(), 0);
    std::string report[2], saved[2];
    for (int t = 1; t <= 2; ++t) {
        const std::string out = (dir / ("o" + std::to_string(t) + ".dat")).string();
        const auto r = run("--json evolve korr '" + (dir / "f.dat").string() + "' --seed 1802,9373 --generations 3 --threads " +
                           std::to_string(t) + " --save '" + out + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        const test::JsonValue j = test::parsejson(r.out);
        EXPECT_LT(j["merit"].num(), j["merit_start"].num());
        EXPECT_EQ(j["generations"].num(), 3);
        EXPECT_GT(j["evaluations"].num(), 3 * 100);
        EXPECT_EQ(j["phase"].num(), 1);
        EXPECT_EQ(j["deficit_start"].num(), 0);
        ASSERT_EQ(j["phases"].size(), 1u);
        EXPECT_EQ(j["phases"][0]["kind"].str(), "optimization");
        EXPECT_EQ(j["phases"][0]["start"].num(), j["merit_start"].num());
        EXPECT_EQ(j["phases"][0]["end"].num(), j["merit"].num());
        EXPECT_EQ(j["seed"][0].num(), 1802);
        EXPECT_EQ(j["seed"][1].num(), 9373);
        report[t - 1] = file("optim/f.esk");
        saved[t - 1] = file("o" + std::to_string(t) + ".dat");
        EXPECT_EQ(report[t - 1].rfind("Evolutionary strategy ES KORR Optimization\n", 0), 0u);
    }
    EXPECT_EQ(report[0], report[1]);
    EXPECT_EQ(saved[0], saved[1]);
    EXPECT_NE(log().find("Evolution Strategies KORR Optimization - Finished"), std::string::npos) << log();
}

TEST_F(EvolveBatch, GeneticRunRepeatsWithItsSeedWhateverTheThreads) {
    const std::string lens = savelens();
    std::string out[2], report[2];
    for (int t = 1; t <= 2; ++t) {
        const auto r = run("--json evolve assga " + lens + " --seed 31,4159 --generations 4 --threads " + std::to_string(t));
        ASSERT_EQ(r.status, 0) << r.err;
        const test::JsonValue j = test::parsejson(r.out);
        EXPECT_EQ(j["generations"].num(), 4);
        // the initial population and at least one child per operator of every generation
        EXPECT_GE(j["evaluations"].num(), 200 + 4 * 10);
        EXPECT_GT(j["merit"].num(), 0);
        out[t - 1] = r.out;
        report[t - 1] = file("optim/cooke.gao");
        EXPECT_EQ(report[t - 1].rfind("Adaptive Steady State Genetic Optimization\n", 0), 0u);
    }
    EXPECT_EQ(out[0], out[1]);
    EXPECT_EQ(report[0], report[1]);
    EXPECT_NE(log().find("ASSGA"), std::string::npos) << log();
}

TEST_F(EvolveBatch, ASeedFromTheClockIsPrintedAndRepeatsTheRun) {
    const std::string lens = savelens();
    const auto first = run("evolve reko " + lens + " --generations 2");
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(first.out.rfind("Seed ", 0), 0u);
    const std::string seed = first.out.substr(5, first.out.find('\n') - 5);
    const std::string report = file("optim/cooke.esr");
    const auto again = run("evolve reko " + lens + " --generations 2 --seed " + seed);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, first.out);
    EXPECT_EQ(file("optim/cooke.esr"), report);
}

TEST_F(EvolveBatch, ParameterFilesOfTheRightKindOnly) {
    const std::string lens = savelens();
    EAParams p;
    p.kind = 4;   // EVOL
    p.maxgen = 1007;
    ASSERT_EQ(saveeafile((dir / "p.esd").string(), p), "");
    const std::string params = " --params '" + (dir / "p.esd").string() + "'";
    const auto evol = run("--json evolve evol " + lens + " --seed 1,2" + params);
    ASSERT_EQ(evol.status, 0) << evol.err;
    EXPECT_NE(file("optim/cooke.ese").find("Maximum number of generations  1007\n"), std::string::npos);
    const auto korr = run("evolve korr " + lens + " --seed 1,2" + params);
    EXPECT_NE(korr.status, 0);
    EXPECT_NE(korr.err.find("not of kind 7"), std::string::npos) << korr.err;
    // the system's own data file in the genetic folder is read without --params
    p.maxgen = 1009;
    ASSERT_EQ(saveeafile((dir / "genetic" / "cooke.esd").string(), p), "");
    ASSERT_EQ(run("evolve evol " + lens + " --seed 1,2").status, 0);
    EXPECT_NE(file("optim/cooke.ese").find("Maximum number of generations  1009\n"), std::string::npos);
}

TEST_F(EvolveBatch, BadCommandLinesAreRefused) {
    const std::string lens = savelens();
    for (const std::string& args : {"evolve simplex " + lens, std::string("evolve grup"), "evolve grup " + lens + " extra"})
        EXPECT_EQ(run(args).status, 2) << args;
    for (const std::string& args : {"evolve grup " + lens + " --threads 3", "evolve grup " + lens + " --seed 5",
                                    "evolve grup " + lens + " --seed 40000,1", "evolve grup " + lens + " --generations 0",
                                    "evolve grup " + lens + " --generations 2.5"}) {
        const auto r = run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_FALSE(r.err.empty()) << args;
    }
}

}  // namespace
}  // namespace zefo
