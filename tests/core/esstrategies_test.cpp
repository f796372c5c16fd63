// Seeded runs of the evolution strategies EVOL, GRUP, REKO and KORR on the Cooke triplet.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <functional>
#include <tuple>

#include "core/app/samplelenses.h"
#include "core/evolution/earun.h"
#include "core/evolution/esrun.h"
#include "core/evolution/glassclass.h"
#include "core/model/glasscat.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/report/workspace.h"
#include "core/util/fileio.h"
#include "testutil.h"

namespace zefo {
namespace {

struct EsResult {
    EAOutcome out;
    Model m;
    std::string report;
};

class Strategies : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::freshdir("es");
        ws = makeworkspace(dir.string());
        ASSERT_EQ(cat.open(ws.glassdir), "");
        for (const SampleLens& s : samplelenses())
            if (std::string(s.sysname) == "COOKE") cooke = buildsamplelens(s, cat);
        ASSERT_FALSE(cooke.calcerror) << cooke.errmsg;
        sizemeritlist(cooke.lens, cooke.merit);
    }

    EsResult run(const Model& start, EAKind kind, EAParams p, int threads = 1, std::function<bool()> cancelled = {}) {
        EsResult r{{}, start, {}};
        EASetup setup;
        setup.catalog = &cat;
        setup.ws = &ws;
        setup.filebase = "cooke";
        setup.head = ReportHead{"/x/COOKE.dat", "10.12.2026"};
        setup.seeded = true;
        setup.seed = {1802, 9373};
        setup.threads = threads;
        setup.feasibilityonly = feasibilityonly;
        EAHooks hooks;
        hooks.cancelled = std::move(cancelled);
        r.out = runevolution(r.m, kind, p, setup, hooks);
        r.report = readtextfile((dir / "optim" / ("cooke" + std::string(eareportextension(kind)))).string()).value_or("");
        return r;
    }

    // The Cooke triplet made feasible by a first run (its start violates a boundary condition).
    Model feasiblecooke() {
        EAParams p;
        p.maxgen = 50;
        feasibilityonly = true;
        EsResult r = run(cooke, EAKind::grup, p);
        feasibilityonly = false;
        EXPECT_EQ(r.out.phase, 0);
        return r.m;
    }

    Model sample(const char* name) {
        for (const SampleLens& s : samplelenses())
            if (std::string(s.sysname) == name) {
                Model m = buildsamplelens(s, cat);
                EXPECT_FALSE(m.calcerror) << m.errmsg;
                sizemeritlist(m.lens, m.merit);
                return m;
            }
        ADD_FAILURE() << name;
        return cooke;
    }

    static bool has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    std::filesystem::path dir;
    Workspace ws;
    GlassCatalog cat;
    Model cooke;
    bool feasibilityonly = false;
};

// The merit of a lens with its own default weights, as a run scores every system.
double defaultmerit(Model m) {
    EXPECT_TRUE(calcweights(m) && meritcalc(m, m.merit)) << m.errmsg;
    return meritsum(m, m.merit);
}

// The first row whose medium is the glass.
int rowof(const Model& m, const std::string& glass) {
    const auto& g = m.lens.sys.sp.glass;
    return static_cast<int>(std::find(g.begin(), g.end(), glass) - g.begin());
}

double efl(Model m) {
    m.calcerror = false;
    return nudatparax(m).efl;
}

TEST_F(Strategies, InfeasibleStartEndsWithTheFeasibleSystemAndItsLabelsWhenAskedTo) {
    feasibilityonly = true;
    Model start = cooke;
    start.lens.sys.sp.optlabel[0] = "CG";   // glass labels are taken away in the phase and come back
    const auto labels = start.lens.sys.sp.optlabel;
    for (EAKind kind : {EAKind::evol, EAKind::grup, EAKind::reko, EAKind::korr}) {
        EAParams p;
        p.maxgen = 2000;
        EsResult r = run(start, kind, p);
        SCOPED_TRACE(eakindname(kind));
        ASSERT_EQ(r.out.status, EAOutcome::Status::finished) << r.out.errmsg;
        EXPECT_EQ(r.out.phase, 0);
        EXPECT_GT(r.out.deficitstart, 0);
        ASSERT_EQ(r.out.phases.size(), 1u);
        EXPECT_EQ(r.out.phases[0].kind, EAPhase::Kind::feasibility);
        EXPECT_EQ(r.out.phases[0].start, r.out.deficitstart);
        EXPECT_EQ(r.out.phases[0].end, 0);
        EXPECT_TRUE(has(r.out.memo, "Starting optical system that fulfills all boundary conditions is found"));
        EXPECT_EQ(r.m.lens.sys.sp.optlabel, labels);
        EXPECT_EQ(r.m.lens.sys.sp.glass[0], start.lens.sys.sp.glass[0]);   // no glass variable in the phase
        // the system left behind meets every condition and keeps the focal length
        ASSERT_TRUE(meritcalc(r.m, r.m.merit));
        EXPECT_EQ(boundarydeficit(r.m), 0);
        EXPECT_NEAR(efl(r.m), efl(start), 1e-9 * efl(start));
    }
}

TEST_F(Strategies, SeededRunsLowerTheMeritAndRepeatByteForByte) {
    const Model start = feasiblecooke();
    const double startmerit = defaultmerit(start);
    for (const auto& [kind, generations] : {std::pair{EAKind::evol, 400}, {EAKind::grup, 4}, {EAKind::reko, 4},
                                            {EAKind::korr, 4}}) {
        SCOPED_TRACE(eakindname(kind));
        EAParams p;
        p.maxgen = generations;
        p.recombine = kind == EAKind::reko;
        const EsResult a = run(start, kind, p);
        ASSERT_EQ(a.out.status, EAOutcome::Status::finished) << a.out.errmsg;
        EXPECT_EQ(a.out.phase, 1);
        EXPECT_EQ(a.out.generations, generations);
        EXPECT_DOUBLE_EQ(a.out.meritstart, startmerit);
        EXPECT_EQ(a.m.lens.aberweight, start.lens.aberweight);
        EXPECT_LT(a.out.merit, 0.9 * startmerit);
        // the merit reported is that of the lens left in the model, with its default weights
        EXPECT_NEAR(defaultmerit(a.m), a.out.merit, 1e-9 * a.out.merit);
        EXPECT_NEAR(efl(a.m), efl(start), 1e-9 * efl(start));
        EXPECT_EQ(a.m.lens.sys.sp.optlabel, start.lens.sys.sp.optlabel);
        EXPECT_NE(a.report.find("Minimum merit function for optical system is " + fmtf(a.out.merit, 12, 6)),
                  std::string::npos);
        for (int threads : {1, 2}) {
            const EsResult b = run(start, kind, p, threads);
            EXPECT_EQ(b.report, a.report) << threads;
            EXPECT_TRUE(b.m.lens == a.m.lens) << threads;
            EXPECT_EQ(b.out.evaluations, a.out.evaluations) << threads;
        }
    }
}

TEST_F(Strategies, GlassVariablesStayInTheirClassesAndCatalogue) {
    Model start = feasiblecooke();
    // the first lens of SK4 (a crown) and the middle one of SF2 (a flint)
    auto& sp = start.lens.sys.sp;
    const int crown = rowof(start, "SK4"), flint = rowof(start, "SF2");
    sp.optlabel[static_cast<size_t>(crown)] += "G";
    sp.optlabel[static_cast<size_t>(flint)] += "G";
    for (EAKind kind : {EAKind::evol, EAKind::grup, EAKind::korr}) {
        SCOPED_TRACE(eakindname(kind));
        EAParams p;
        p.maxgen = kind == EAKind::evol ? 200 : 3;
        const EsResult r = run(start, kind, p, 2);
        ASSERT_EQ(r.out.status, EAOutcome::Status::finished) << r.out.errmsg;
        EXPECT_LE(r.out.merit, r.out.meritstart);
        for (int i : {crown, flint}) {
            const std::string name = r.m.lens.sys.sp.glass[static_cast<size_t>(i)];
            const auto g = cat.glassbyname(name);
            ASSERT_TRUE(g.has_value()) << name;
            EXPECT_EQ(glassclass(name, false), i == crown ? GlassClass::crown : GlassClass::flint) << name;
            // the indices are the catalogue glass's at the lens's wavelengths
            const Index3 n = glassindices(g->a, r.m.lens.wl);
            for (int w = 0; w < 3; ++w) EXPECT_DOUBLE_EQ(r.m.lens.sys.sp.index[static_cast<size_t>(i)][static_cast<size_t>(w)], n[static_cast<size_t>(w)]);
        }
    }
}

TEST_F(Strategies, EscapeEndsTheRunWithTheBestSystemAndTheLabels) {
    Model feasible = feasiblecooke(), infeasible = cooke;
    for (Model* m : {&feasible, &infeasible}) m->lens.sys.sp.optlabel[static_cast<size_t>(rowof(*m, "SK4"))] += "G";
    // in the optimization phase after a few candidates; in the feasibility phase at once
    for (const auto& [start, polls, phase] : {std::tuple{&feasible, 30, 1}, {&infeasible, 1, -1}})
        for (EAKind kind : {EAKind::evol, EAKind::grup, EAKind::korr}) {
            SCOPED_TRACE(std::string(eakindname(kind)) + " " + std::to_string(phase));
            int n = 0;
            const EsResult r = run(*start, kind, EAParams{}, 2, [&, polls = polls] { return ++n >= polls; });
            EXPECT_EQ(r.out.status, EAOutcome::Status::cancelled);
            EXPECT_EQ(r.out.phase, phase);
            EXPECT_TRUE(has(r.out.memo, "Optimization terminated by  user"));
            EXPECT_NE(r.report.find("Optimization terminated by  user"), std::string::npos);
            EXPECT_EQ(r.m.lens.sys.sp.optlabel, start->lens.sys.sp.optlabel);
            EXPECT_LE(r.out.merit, r.out.meritstart * (phase > 0 ? 1 : 1e9));
            EXPECT_NEAR(efl(r.m), efl(*start), 1e-9 * efl(*start));
        }
}

TEST_F(Strategies, RunsThatCannotGoOnEndWithAMessage) {
    {
        // afocal: refused before anything changes
        Model kepler;
        for (const SampleLens& s : samplelenses())
            if (std::string(s.sysname) == "KEPLER") kepler = buildsamplelens(s, cat);
        const Model before = kepler;
        const EsResult r = run(kepler, EAKind::korr, EAParams{});
        EXPECT_EQ(r.out.status, EAOutcome::Status::error);
        EXPECT_NE(r.out.errmsg.find("afocal"), std::string::npos) << r.out.errmsg;
        EXPECT_TRUE(r.m.lens.sys == before.lens.sys);
    }
    {
        // a separation whose limit is above three times its start value keeps its start value
        // as the lower end of its range: the run goes on and stays within start .. 3 start
        Model start = feasiblecooke();
        const double sep = start.lens.sys.sp.sep[2];
        start.lens.axlim[2] = 3.5 * sep;
        ASSERT_NE(start.lens.sys.sp.optlabel[2].find('D'), std::string::npos);
        for (EAKind kind : {EAKind::evol, EAKind::grup}) {
            EAParams p;
            p.maxgen = kind == EAKind::evol ? 200 : 2;
            const EsResult r = run(start, kind, p);
            EXPECT_EQ(r.out.status, EAOutcome::Status::finished) << eakindname(kind) << r.out.errmsg;
            EXPECT_GE(r.m.lens.sys.sp.sep[2], sep);
            EXPECT_LE(r.m.lens.sys.sp.sep[2], 3 * sep);
            EXPECT_EQ(r.m.lens.sys.sp.optlabel, start.lens.sys.sp.optlabel);
        }
    }
    {
        // a last clear aperture no candidate radius can reach: every candidate is invalid;
        // KORR gives up after 50 tries of an initial parent with phase -3
        Model start = cooke;
        start.lens.sys.sp.hmax[static_cast<size_t>(start.lens.nsurf - 1)] = 1e4;
        start.lens.sys.sp.optlabel[0] = "CG";
        const EsResult k = run(start, EAKind::korr, EAParams{});
        EXPECT_EQ(k.out.status, EAOutcome::Status::finished) << k.out.errmsg;
        EXPECT_EQ(k.out.phase, -3);
        EXPECT_TRUE(has(k.out.memo, "Optical system do not fulfill all boundary conditions"));
        EXPECT_EQ(k.out.evaluations, 50);
        EXPECT_EQ(k.m.lens.sys.sp.optlabel, start.lens.sys.sp.optlabel);
        // GRUP cannot make its first population
        const EsResult g = run(start, EAKind::grup, EAParams{});
        EXPECT_EQ(g.out.status, EAOutcome::Status::error);
        EXPECT_EQ(g.m.lens.sys.sp.optlabel, start.lens.sys.sp.optlabel);
    }
}

TEST_F(Strategies, OffspringAttemptsOfAGenerationAreCapped) {
    // Huge steps: the first population comes near the start by halving its factor, but an
    // offspring's separations fall outside their range and its factor drops below 10 epsA at
    // once, so no offspring is valid; the generation stops after 50 lambda attempts.
    const Model start = feasiblecooke();
    EAParams p;
    p.initstep = 1e6;
    p.convabs = 0.2;
    p.parents = 5;
    p.offspring = 50;
    for (EAKind kind : {EAKind::grup, EAKind::reko}) {
        p.recombine = kind == EAKind::reko;
        const EsResult r = run(start, kind, p, 2);
        SCOPED_TRACE(eakindname(kind));
        EXPECT_EQ(r.out.status, EAOutcome::Status::finished) << r.out.errmsg;
        EXPECT_EQ(r.out.phase, 3);
        EXPECT_EQ(r.out.generations, 1);
        EXPECT_TRUE(has(r.out.memo, "Total number of 1 iterations are done"));
        EXPECT_TRUE(r.m.lens.sys == start.lens.sys || r.out.merit <= r.out.meritstart);
    }
}

TEST_F(Strategies, KorrVariantsRunAndRepeatOnTwoThreads) {
    const Model start = feasiblecooke();
    struct V {
        int recomb, plus, norotate, convgen;
    };
    for (const V& v : {V{111, 0, 0, 1}, V{222, 0, 0, 2}, V{333, 1, 0, 1}, V{444, 0, 1, 1}, V{555, 1, 1, 2}}) {
        SCOPED_TRACE(v.recomb);
        EAParams p;
        p.maxgen = 3;
        p.recombcode = v.recomb;
        p.plus = v.plus;
        p.norotate = v.norotate;
        p.korrconvgen = v.convgen;
        p.angle = 190;   // stored as -170 after the first generation
        const EsResult a = run(start, EAKind::korr, p, 1);
        ASSERT_EQ(a.out.status, EAOutcome::Status::finished) << a.out.errmsg;
        EXPECT_GE(a.out.phase, 1);
        EXPECT_LE(a.out.merit, a.out.meritstart);
        EXPECT_NEAR(efl(a.m), efl(start), 1e-9 * efl(start));
        const EsResult b = run(start, EAKind::korr, p, 2);
        EXPECT_EQ(b.report, a.report);
        EXPECT_TRUE(b.m.lens == a.m.lens);
    }
}

TEST_F(Strategies, InfeasibleStartIsMadeFeasibleAndThenOptimized) {
    // The starting double Gauss design violates an edge limit at its stop gap.
    const Model start = sample("DGSTART");
    for (const auto& [kind, generations] : {std::pair{EAKind::evol, 600}, {EAKind::grup, 3}, {EAKind::reko, 3},
                                            {EAKind::korr, 3}}) {
        SCOPED_TRACE(eakindname(kind));
        EAParams p;
        p.maxgen = generations;
        p.recombine = kind == EAKind::reko;
        const EsResult r = run(start, kind, p);
        ASSERT_EQ(r.out.status, EAOutcome::Status::finished) << r.out.errmsg;
        EXPECT_GE(r.out.phase, 1);
        EXPECT_GT(r.out.deficitstart, 0);
        EXPECT_DOUBLE_EQ(r.out.meritstart, defaultmerit(start));
        ASSERT_EQ(r.out.phases.size(), 2u);
        EXPECT_EQ(r.out.phases[0].kind, EAPhase::Kind::feasibility);
        EXPECT_EQ(r.out.phases[0].end, 0);
        EXPECT_EQ(r.out.phases[1].kind, EAPhase::Kind::optimization);
        EXPECT_EQ(r.out.phases[1].end, r.out.merit);
        EXPECT_EQ(r.out.phases[0].evaluations + r.out.phases[1].evaluations, r.out.evaluations);
        EXPECT_EQ(r.out.phases[0].generations + r.out.phases[1].generations, r.out.generations);
        EXPECT_GT(r.out.phases[1].generations, 0);
        EXPECT_LE(r.out.phases[1].generations, generations);
        EXPECT_TRUE(has(r.out.memo, "A system that fulfils all boundary conditions is found; optimization continues from it"));
        // the system left meets every condition and is better than the start
        EXPECT_LT(r.out.merit, r.out.meritstart);
        EXPECT_NEAR(defaultmerit(r.m), r.out.merit, 1e-9 * r.out.merit);
        Model check = r.m;
        ASSERT_TRUE(meritcalc(check, check.merit));
        EXPECT_EQ(boundarydeficit(check), 0);
        EXPECT_NEAR(efl(r.m), efl(start), 1e-9 * efl(start));
        EXPECT_EQ(r.m.lens.aberweight, start.lens.aberweight);
    }
}

TEST_F(Strategies, GlassVariablesComeBackForTheOptimizationPhase) {
    // The feasibility phase runs without the glass variables; the optimization phase that
    // follows has them again.
    Model start = cooke;
    start.lens.sys.sp.optlabel[1] += "G";   // the first lens's glass
    for (const auto& [kind, generations] : {std::pair{EAKind::evol, 300}, {EAKind::grup, 2}, {EAKind::korr, 2}}) {
        SCOPED_TRACE(eakindname(kind));
        EAParams p;
        p.maxgen = generations;
        const EsResult r = run(start, kind, p);
        ASSERT_EQ(r.out.status, EAOutcome::Status::finished) << r.out.errmsg;
        EXPECT_GE(r.out.phase, 1);
        ASSERT_EQ(r.out.phases.size(), 2u);
        EXPECT_EQ(r.m.lens.sys.sp.optlabel, start.lens.sys.sp.optlabel);
        EXPECT_EQ(glassclass(r.m.lens.sys.sp.glass[1], true), glassclass(start.lens.sys.sp.glass[1], true));
        EXPECT_TRUE(cat.glassbyname(r.m.lens.sys.sp.glass[1]).has_value()) << r.m.lens.sys.sp.glass[1];
    }
}

TEST_F(Strategies, DesignerWeightsScoreNoSystemAndSurviveTheRun) {
    // The singlet keeps weights 1 of its own; the run scores the start and every candidate
    // with their default weights and gives the lens its weights back.
    Model start = sample("LENS1");
    ASSERT_NE(start.lens.aberweight, [&] {
        Model d = start;
        EXPECT_TRUE(calcweights(d));
        return d.lens.aberweight;
    }());
    const double startmerit = defaultmerit(start);
    for (const auto& [kind, generations] : {std::pair{EAKind::evol, 300}, {EAKind::grup, 3}, {EAKind::korr, 3}}) {
        SCOPED_TRACE(eakindname(kind));
        EAParams p;
        p.maxgen = generations;
        const EsResult r = run(start, kind, p);
        ASSERT_EQ(r.out.status, EAOutcome::Status::finished) << r.out.errmsg;
        EXPECT_DOUBLE_EQ(r.out.meritstart, startmerit);
        EXPECT_LT(r.out.merit, startmerit);
        EXPECT_FALSE(r.m.lens.sys == start.lens.sys);
        EXPECT_EQ(r.m.lens.aberweight, start.lens.aberweight);
        EXPECT_NEAR(defaultmerit(r.m), r.out.merit, 1e-9 * r.out.merit);
    }
}

TEST_F(Strategies, StartSeparationBelowItsLimitIsNoRefusal) {
    // The published double Gauss has a 0.38 mm air gap under its 0.5 mm axial limit.
    const Model start = sample("DGAUSS");
    for (EAKind kind : {EAKind::grup, EAKind::reko, EAKind::korr}) {
        SCOPED_TRACE(eakindname(kind));
        EAParams p;
        p.maxgen = 2;
        p.recombine = kind == EAKind::reko;
        const EsResult r = run(start, kind, p);
        ASSERT_EQ(r.out.status, EAOutcome::Status::finished) << r.out.errmsg;
        // two generations after a feasibility phase may not be enough to beat the start:
        // the end lines then say so
        if (r.out.merit > r.out.meritstart) {
            EXPECT_TRUE(has(r.out.memo, "The merit function " + fmtf(r.out.merit, 12, 6) + " is higher than the " +
                                            fmtf(r.out.meritstart, 12, 6) + " of the starting optical system"));
        }
    }
}

}  // namespace
}  // namespace zefo
