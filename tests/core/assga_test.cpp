// The adaptive steady-state genetic algorithm: its arithmetic, its numbering of the
// variables, its glass draws and whole seeded runs on a singlet.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/app/samplelenses.h"
#include "core/evolution/assga.h"
#include "core/model/glasscat.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/report/workspace.h"
#include "core/util/fileio.h"
#include "testutil.h"

namespace zefo {
namespace {

// --- arithmetic ---

TEST(AssgaFitness, LinearNormalizationOfTheRanks) {
    struct Case {
        int p, s, t;
        double first;   // fitness of the best position; each next one is t less
    };
    for (const Case c : {Case{200, 200, 1, 200}, Case{150, 301, 2, 300}, Case{100, 1000, 10, 1000}}) {
        const auto cum = assgafitness(c.p, c.s, c.t);
        ASSERT_EQ(cum.size(), static_cast<size_t>(c.p));
        for (int k = 0; k < c.p; ++k) {
            const double value = k == 0 ? cum[0] : cum[k] - cum[k - 1];
            ASSERT_EQ(value, c.first - k * c.t) << c.p << " " << c.s << " " << c.t << " " << k;
        }
        // the arithmetic series: p terms from first down by t
        EXPECT_EQ(cum.back(), c.p * c.first - c.t * c.p * (c.p - 1) / 2.0);
    }
    // S 200, T 1, P 200: the best member is chosen with probability 200 / 20100
    const auto cum = assgafitness(200, 200, 1);
    EXPECT_EQ(cum.back(), 20100);
    EXPECT_DOUBLE_EQ(cum[0] / cum.back(), 200.0 / 20100);
}

TEST(AssgaFitness, RouletteFindsTheFirstPositionReachingTheDraw) {
    const auto cum = assgafitness(200, 200, 1);   // 200, 399, 597, ...
    EXPECT_EQ(assgaselect(cum, 0.0), 0);
    EXPECT_EQ(assgaselect(cum, 200.0 / 20100), 0);
    EXPECT_EQ(assgaselect(cum, 200.5 / 20100), 1);
    EXPECT_EQ(assgaselect(cum, 399.0 / 20100), 1);
    EXPECT_EQ(assgaselect(cum, 0.9999999), 199);
}

TEST(AssgaOperators, ChoiceTakesTheSharesInTheOrderOfTheOperatorIds) {
    // parameter order: uniform 12, average 28, real 20, big 15, small 25; cumulative in the
    // order of the ids (uniform, average, small, big, real): 12, 40, 65, 80, 100
    const std::array<double, 5> shares{12, 28, 20, 15, 25};
    struct Case {
        double u;
        int op;
    };
    for (const Case c : {Case{0.0, uniformcross}, Case{0.125, uniformcross} /* 12.5 to even */,
                         Case{0.13, averagecross}, Case{0.40, averagecross},
                         Case{0.41, smallcreep}, Case{0.65, smallcreep}, Case{0.70, bigcreep},
                         Case{0.81, realmutation}, Case{0.9999, realmutation}})
        EXPECT_EQ(assgaoperator(shares, c.u), c.op) << c.u;
    const int shareof[] = {0, 1, 4, 3, 2};
    for (int id = 1; id <= 5; ++id) EXPECT_EQ(assgashareindex(id), shareof[id - 1]) << id;
}

TEST(AssgaOperators, SharesAdaptToTheAverageCredits) {
    struct Case {
        const char* what;
        std::array<double, 5> shares, credit, expected;   // parameter order
    };
    const Case cases[] = {
        {"only real mutation earns", {20, 20, 20, 20, 20}, {0, 0, 3, 0, 0}, {16, 16, 36, 16, 16}},
        {"uniform crossover over 100", {40, 15, 15, 15, 15}, {2, 0, 0, 0, 0},
         {49, 12.75, 12.75, 12.75, 12.75}},
        {"sum 70 scaled up", {10, 10, 60, 10, 10}, {0.5, 0, 0, 0, 0},
         {1900.0 / 70, 900.0 / 70, 2400.0 / 70, 900.0 / 70, 900.0 / 70}},
        {"no credit", {30, 10, 20, 25, 15}, {0, 0, 0, 0, 0}, {30, 10, 20, 25, 15}},
        // bases 4.75 raised to the minimum 5; real 16 + 80 = 96, the excess 16 taken back
        {"minimum shares", {5, 5, 80, 5, 5}, {0, 0, 1, 0, 0}, {5, 5, 80, 5, 5}},
        // both earn: bases 16 each, + 20·1/4 and 20·3/4: the sum is 100 again
        {"two earners", {20, 20, 20, 20, 20}, {1, 0, 0, 0, 3}, {21, 16, 16, 16, 31}},
    };
    for (const Case& c : cases) {
        std::array<double, 5> s = c.shares;
        adaptshares(s, {5, 5, 5, 5, 5}, c.credit);
        for (size_t k = 0; k < 5; ++k) EXPECT_NEAR(s[k], c.expected[k], 1e-9) << c.what << " " << k;
    }
    // the worked result of the third case to six decimals
    std::array<double, 5> s{10, 10, 60, 10, 10};
    adaptshares(s, {5, 5, 5, 5, 5}, {0.5, 0, 0, 0, 0});
    EXPECT_NEAR(s[0], 27.142857, 5e-7);
    EXPECT_NEAR(s[1], 12.857143, 5e-7);
    EXPECT_NEAR(s[2], 34.285714, 5e-7);
}

// --- numbering of the variables ---

OpticalSystem labelled(std::vector<std::string> labels, char asphdata = 'N') {
    OpticalSystem lens;
    lens.nsurf = static_cast<int>(labels.size()) - 1;
    lens.sys.sp.optlabel = std::move(labels);
    lens.asphdata = asphdata;
    return lens;
}

TEST(AssgaVariables, NumberingOfTheMutationWalk) {
    // C on 0, C and D on 1, G on 2: radius 0 is 1, radius 1 is 2, separation 1 is 3, glass 2
    // holds 4 and 5; a "D" on the image surface makes no variable
    const auto walk = assgawalk(labelled({"C", "CD", "G", "D"}));
    ASSERT_EQ(walk.size(), 4u);
    EXPECT_EQ(assgavarcount(walk), 5);
    struct Case {
        int q;
        int surface;
        AssgaKind kind;
    };
    for (const Case c : {Case{1, 0, AssgaKind::radius}, Case{2, 1, AssgaKind::radius},
                         Case{3, 1, AssgaKind::sep}, Case{4, 2, AssgaKind::glass},
                         Case{0, 2, AssgaKind::glass}}) {
        const int k = assgapick(walk, c.q);
        ASSERT_GE(k, 0) << c.q;
        EXPECT_EQ(walk[k].surface, c.surface) << c.q;
        EXPECT_EQ(walk[k].kind, c.kind) << c.q;
    }
    // q = round((V - 1) u) never reaches V: a last variable that is no glass is never picked
    const auto tail = assgawalk(labelled({"C", "G", "C", ""}));
    ASSERT_EQ(assgavarcount(tail), 4);
    for (int q = 0; q <= 3; ++q) EXPECT_NE(assgapick(tail, q), 2) << q;
    // without a glass, q = 0 changes nothing
    EXPECT_EQ(assgapick(assgawalk(labelled({"C", "D", ""})), 0), -1);
}

TEST(AssgaVariables, ConicAndAsphericLabelsFollowOnlyWithTheirData) {
    const std::vector<std::string> labels{"CE", "A4A6", "DA10", ""};
    EXPECT_EQ(assgavarcount(assgawalk(labelled(labels, 'N'))), 2);
    const auto walk = assgawalk(labelled(labels, 'D'));
    ASSERT_EQ(walk.size(), 6u);
    // radius 0 (1), separation 2 (2), conic 0 (3), A4 1 (4), A6 1 (5), A10 2 (6)
    const std::pair<int, AssgaKind> expected[] = {
        {0, AssgaKind::radius}, {2, AssgaKind::sep}, {0, AssgaKind::conic},
        {1, AssgaKind::a4}, {1, AssgaKind::a6}, {2, AssgaKind::a10}};
    for (int q = 1; q <= 6; ++q) {
        const AssgaVar& v = walk[assgapick(walk, q)];
        EXPECT_EQ(v.surface, expected[q - 1].first) << q;
        EXPECT_EQ(v.kind, expected[q - 1].second) << q;
    }
    EXPECT_EQ(assgavarname(walk[2]), "conic constant of surface 0");
}

// --- glass by serial number ---

TEST(AssgaGlass, SerialNumbersWithoutARecordLeaveTheGlass) {
    GlassCatalog cat;
    ASSERT_EQ(cat.open(test::freshdir("glass").string() + "/"), "");
    const int count = cat.glasscount();
    ASSERT_GT(count, 10);
    const auto bk7 = cat.glassbyname("BK7");
    ASSERT_TRUE(bk7);
    SurfaceTable sp;
    sp.glass = {"air", "keep"};
    sp.index = {Index3{1, 1, 1}, Index3{1.6, 1.59, 1.62}};
    sp.disp = {0, 0.03};
    const SurfaceTable before = sp;
    const Index3 wl{0.0005876, 0.0006563, 0.0004861};
    // the draws reach 0 and the record count; serial numbers count from 1 .. count
    for (long serial : {-1L, 0L, static_cast<long>(count) + 1, 1L << 40}) {
        EXPECT_FALSE(assgaglass(cat, serial, wl, sp, 1)) << serial;
        EXPECT_EQ(sp, before) << serial;
    }
    ASSERT_TRUE(assgaglass(cat, bk7->serial, wl, sp, 1));
    EXPECT_EQ(sp.glass[1], "BK7");
    // the catalogue's nd of BK7 at the d line, its C and F indices as published
    EXPECT_NEAR(sp.index[1][0], test::kBK7[0], 2e-5);
    EXPECT_NEAR(sp.index[1][1], test::kBK7[1], 2e-5);
    EXPECT_NEAR(sp.index[1][2], test::kBK7[2], 2e-5);
    EXPECT_DOUBLE_EQ(sp.disp[1], sp.index[1][2] - sp.index[1][1]);
    // behind a mirror the medium keeps its negative sign
    sp.index[1] = Index3{-1.6, -1.59, -1.62};
    ASSERT_TRUE(assgaglass(cat, bk7->serial, wl, sp, 1));
    EXPECT_NEAR(sp.index[1][0], -test::kBK7[0], 2e-5);
    EXPECT_LT(sp.disp[1], 0);
}

// --- runs ---

class AssgaRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::freshdir("run");
        ws = makeworkspace(dir.string());
        ASSERT_EQ(cat.open(test::freshdir("glass").string() + "/"), "");
        singlet = sample("LENS1");
        p.kind = 3;
        p.popsize = 100;
        p.meritstart = 100;
        p.maxgen = 60;
        p.opspergen = 5;
        p.opsbeforetest = 25;
        setup.catalog = &cat;
        setup.ws = &ws;
        setup.filebase = "lens1";
        setup.head = {"lens1.dat", "10.12.2026"};
        setup.seeded = true;
        setup.seed = {1802, 9373};
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
        return {};
    }
    std::string report() const {
        return readtextfile(ws.optimdir + "/lens1.gao").value_or("<missing>");
    }
    static std::vector<std::string> split(const std::string& text) {
        std::vector<std::string> lines;
        size_t a = 0;
        for (size_t b; (b = text.find('\n', a)) != std::string::npos; a = b + 1)
            lines.push_back(text.substr(a, b - a));
        return lines;
    }
    // The numbers of the report lines that begin with head.
    static std::vector<double> numbers(const std::vector<std::string>& lines, const std::string& head) {
        std::vector<double> v;
        for (const auto& l : lines)
            if (l.rfind(head, 0) == 0) v.push_back(std::stod(l.substr(head.size())));
        return v;
    }

    std::filesystem::path dir;
    Workspace ws;
    GlassCatalog cat;
    Model singlet;
    EAParams p;
    EASetup setup;
    EAHooks hooks;
};

TEST_F(AssgaRun, SeededRunLowersTheMeritKeepsTheFocalLengthAndRepeats) {
    Model m = singlet;
    const double efl = nudatparax(m).efl;
    std::array<double, 5> shares{};
    const EAOutcome a = runassga(m, p, setup, hooks, &shares);
    ASSERT_EQ(a.status, EAOutcome::Status::finished) << a.errmsg;
    EXPECT_LT(a.merit, a.meritstart);
    EXPECT_GT(a.generations, 1);
    EXPECT_LE(a.generations, p.maxgen);
    EXPECT_GE(a.evaluations, p.popsize);
    EXPECT_EQ(a.seed, setup.seed);
    const std::string text = report();

    // the lens left behind: the last radius keeps the start focal length (independent trace)
    ssetq(m);
    EXPECT_NEAR(systemfocus(m).efl, efl, 1e-9 * std::fabs(efl));
    // its merit is the sum of its squared weighted residuals
    double sum = 0;
    for (int i = 0; i < m.lens.naber; ++i) {
        const double r = (m.merit.value[i] - m.merit.target[i]) * m.lens.aberweight[i];
        sum += r * r;
    }
    EXPECT_NEAR(a.merit, sum, 1e-12 * sum);
    EXPECT_EQ(m.lens.sys.sp.optlabel, singlet.lens.sys.sp.optlabel);

    // steady state: the best member is never lost and the worst only replaced by a better one
    const auto lines = split(text);
    const auto best = numbers(lines, "The best optical system has merit function ");
    const auto worst = numbers(lines, "The worst optical system has merit function");
    ASSERT_GE(best.size(), 2u);
    EXPECT_TRUE(std::is_sorted(best.rbegin(), best.rend()));
    EXPECT_TRUE(std::is_sorted(worst.rbegin(), worst.rend()));
    EXPECT_EQ(fmtf(a.merit, 11, 3), fmtf(best.back(), 11, 3));
    // the adapted shares still share out 100 and respect their minimum
    EXPECT_NEAR(std::accumulate(shares.begin(), shares.end(), 0.0), 100, 1e-9);
    for (double s : shares) EXPECT_GE(s, 5);

    // same seed, same lens, same parameters: the same bytes and the same lens
    Model again = singlet;
    const EAOutcome b = runassga(again, p, setup, hooks);
    EXPECT_EQ(report(), text);
    EXPECT_EQ(again.lens, m.lens);
    EXPECT_EQ(b.merit, a.merit);
    EXPECT_EQ(b.memo, a.memo);
    // another seed, another run
    Model other = singlet;
    setup.seed = {1, 2};
    runassga(other, p, setup, hooks);
    EXPECT_NE(report(), text);
}

TEST_F(AssgaRun, ReportAndMemoLayout) {
    Model m = singlet;
    std::vector<std::string> memo;
    std::vector<std::pair<int, std::string>> panels;
    hooks.memo = [&](const std::string& l) { memo.push_back(l); };
    hooks.status = [&](int panel, const std::string& t) { panels.emplace_back(panel, t); };
    p.maxgen = 1000;
    p.shares = {40, 15, 15, 15, 15};
    const EAOutcome out = runassga(m, p, setup, hooks);
    ASSERT_EQ(out.status, EAOutcome::Status::finished) << out.errmsg;
    EXPECT_EQ(memo, out.memo);
    const auto lines = split(report());
    const std::vector<std::string> head{
        "Adaptive Steady State Genetic Optimization",
        " ",
        "System name =LENS1        File = lens1.dat     10.12.2026",
        " ",
        "Starting conditions for optimization are",
        " ",
        "Population size is  100",
        "Starting value for merit function is  100",
        "Initial population generation is uniform random",
        "Maximum radius coefficient is  2",
        "Uniform crossover operator is  40",
        "Avearage crossover operator is  15",
        "Real mutation operator is  15",
        "Big mutation creep operator is  15",
        "Small mutation creep operator is  15",
        "Real mutation max. coefficient is  10",
        "Big mutation creep max. coefficient is   4",
        "Small mutation creep max. coefficient is   2",
        "Real mutation probability is  0.5000",
        "Big mutation creep probability is  0.7000",
        "Small mutation creep probability is  0.7000",
        "Number of genetic operators per generation is   5",
        "Number.of genetic operators before performance test is  25",
        "Uniform crossover minimum operator is   5",
        "Avearage crossover minimum operator is   5",
        "Real mutation minimum operator is   5",
        "Big mutation creep minimum operator is   5",
        "Small mutation creep minimum operator is   5",
        " ",
        "Conditions for ending optimization are:",
        "Maximum number of generations is 1000",
        "Difference in the merit function between the best and the worst optical system is less then 5%",
        " ",
        " ",
        "Generation Number 1",
        " ",
    };
    ASSERT_GT(lines.size(), head.size() + 2);
    for (size_t k = 0; k < head.size(); ++k) EXPECT_EQ(lines[k], head[k]) << k;
    // generation 1: best and worst in 15 characters, the worst without a blank before it
    EXPECT_EQ(lines[head.size()].substr(0, 43), "The best optical system has merit function ");
    EXPECT_EQ(lines[head.size()].size(), 43u + 15u);
    EXPECT_EQ(lines[head.size() + 1].size(), 43u + 15u);

    const size_t gens = static_cast<size_t>(out.generations);
    // the memo holds the generation lines only every 25 generations
    const auto count = [](const auto& v, const auto& l) {
        return std::count(v.begin(), v.end(), l);
    };
    EXPECT_EQ(count(memo, "Generation Number 1"), 0);
    EXPECT_EQ(count(memo, "Generation number 1"), 1);
    EXPECT_EQ(count(lines, "Generation number 1"), 0);
    for (size_t g = 1; g <= gens; ++g) {
        EXPECT_EQ(count(lines, "Generation Number " + std::to_string(g)), 1) << g;
        EXPECT_EQ(count(memo, "Generation Number " + std::to_string(g)), g % 25 == 0 ? 1 : 0) << g;
    }
    size_t convergence = 0;
    for (const auto& l : lines)
        convergence += l.rfind("Minimum merit function difference for 25 generations is ", 0) == 0;
    EXPECT_EQ(convergence, gens / 25);
    // the closing lines: the report ends with the adapted shares, the memo with its end mark
    const size_t n = lines.size();
    ASSERT_GT(n, 13u);
    EXPECT_EQ(lines[n - 13], "Program ZEFO is finished optimization with following merit functions: ");
    EXPECT_EQ(lines[n - 9], " ");
    EXPECT_EQ(lines[n - 8], "Conditions at the end of the optimization are");
    EXPECT_EQ(lines[n - 6].substr(0, 31), "Uniform crossover operator is  ");
    EXPECT_EQ(lines[n - 1], " ");
    ASSERT_GE(memo.size(), 2u);
    EXPECT_EQ(memo[memo.size() - 2], " ");
    EXPECT_EQ(memo.back(), "End of displayed data");
    EXPECT_EQ(count(memo, "Conditions at the end of the optimization are"), 0);
    // the status panels: running, every generation number, finished, then cleared
    ASSERT_FALSE(panels.empty());
    EXPECT_EQ(panels.front(), std::pair(0, std::string("Status: Running")));
    EXPECT_EQ(count(panels, std::pair(1, std::string("Iteratition...") + std::to_string(gens))), 1);
    const std::vector<std::pair<int, std::string>> end{
        {0, "Status: Finished"}, {1, ""}, {2, ""}, {3, ""}};
    EXPECT_TRUE(std::equal(end.begin(), end.end(), panels.end() - 4));
}

TEST_F(AssgaRun, RadiusDrawsScaleTheStartRadiusOrDivideItInCurvatureMode) {
    // Start radius 100 (curvature 0.01), coefficient 2: every radius drawn, crept or averaged
    // lies in [hmax, 200) by radii and in [hmax, 50) by curvatures, where the mean of two
    // curvatures above 1/50 stays above it. The singlet of focal length 100 and index 1.5
    // has its least spherical aberration at the shape factor 0.714, a first radius of
    // 2·100·0.5 / 1.714 = 58: by radii the run goes beyond 50, by curvatures it cannot.
    struct Case {
        char radiiflag;
        double low, high;
    };
    for (const Case c : {Case{'D', 50, 200}, Case{'N', 0, 50}}) {
        Model m = singlet;
        auto& sp = m.lens.sys.sp;
        ASSERT_EQ(sp.radius[0], 100);
        m.lens.radiiflag = c.radiiflag;
        const EAOutcome out = runassga(m, p, setup, hooks);
        ASSERT_EQ(out.status, EAOutcome::Status::finished) << out.errmsg;
        const double r = 1 / sp.curv[0];
        EXPECT_GE(r, std::max(c.low, sp.hmax[0])) << c.radiiflag;
        EXPECT_LT(r, c.high) << c.radiiflag;
        if (c.radiiflag == 'D') EXPECT_DOUBLE_EQ(sp.radius[0], r);
        else EXPECT_EQ(sp.radius[0], 100) << "by curvatures the radius column is left alone";
    }
}

TEST_F(AssgaRun, GlassVariablesTakeCatalogueGlasses) {
    Model m = singlet;
    m.lens.sys.sp.optlabel[1] += "G";   // the glass of the singlet
    p.initpop = 2;
    ASSERT_TRUE(setglass(cat, m, 1, "BK7"));
    const EAOutcome out = runassga(m, p, setup, hooks);
    ASSERT_EQ(out.status, EAOutcome::Status::finished) << out.errmsg;
    const auto& sp = m.lens.sys.sp;
    const auto g = cat.glassbyname(sp.glass[1]);
    ASSERT_TRUE(g) << sp.glass[1];
    const Index3 n = glassindices(g->a, m.lens.wl);
    for (int k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(sp.index[1][k], n[k]);
    EXPECT_DOUBLE_EQ(sp.disp[1], n[2] - n[1]);
}

TEST_F(AssgaRun, EscEndsTheRunWithTheBestMemberOrTheStartLens) {
    struct Case {
        const char* what;
        int polls;      // Esc is seen at this poll
        bool started;   // the population was complete
    };
    for (const Case c : {Case{"during the initial population", 3, false},
                         Case{"during the generations", 400, true}}) {
        Model m = singlet;
        int polls = 0;
        hooks.cancelled = [&] { return ++polls >= c.polls; };
        const EAOutcome out = runassga(m, p, setup, hooks);
        EXPECT_EQ(out.status, EAOutcome::Status::cancelled) << c.what;
        EXPECT_FALSE(m.calcerror) << c.what;
        EXPECT_EQ(m.lens.sys.sp.optlabel, singlet.lens.sys.sp.optlabel) << c.what;
        EXPECT_EQ(polls, c.polls) << c.what << ": Esc ends the run at once";
        const std::string text = report();
        if (!c.started) {
            EXPECT_EQ(m.lens, singlet.lens) << c.what;
            continue;
        }
        EXPECT_NE(text.find("Optimization is terminated by user\n \nThe best optical system has "
                            "merit function "),
                  std::string::npos);
        EXPECT_LE(out.merit, out.meritstart);
        Model check = m;
        EXPECT_NEAR(nudatparax(check).efl, nudatparax(singlet).efl, 1e-9 * 100) << c.what;
    }
}

TEST_F(AssgaRun, RefusalsNameTheFaultAndKeepTheLens) {
    struct Case {
        const char* what;
        std::function<void(Model&, EAParams&)> change;
        const char* message;   // a part of the message
    };
    const Case cases[] = {
        {"flat radius variable", [](Model& m, EAParams&) {
             m.lens.sys.sp.radius[0] = 0;
             m.lens.sys.sp.curv[0] = 0;
         }, "radius of surface 0"},
        {"no radius can be drawn", [](Model& m, EAParams&) { m.lens.sys.sp.hmax[0] = 1e9; },
         "No acceptable value of the radius of surface 0"},
        {"no member passes", [](Model& m, EAParams&) {
             for (double& e : m.lens.edgelim) e = 1e3;
         }, "Member 1 of the initial population failed"},
        {"no variables", [](Model& m, EAParams&) {
             for (auto& l : m.lens.sys.sp.optlabel) l.clear();
         }, "no optimization variables"},
        {"glass without catalogue", [](Model& m, EAParams&) {
             m.lens.sys.sp.optlabel[1] += "G";
         }, "Glass variables need the glass catalogue"},
        {"population size", [](Model&, EAParams& q) { q.popsize = 0; }, "Population size"},
        {"operator shares", [](Model&, EAParams& q) { q.shares = {0, 0, 0, 0, 0}; }, "shares"},
    };
    for (const Case& c : cases) {
        Model m = singlet;
        EAParams q = p;
        EASetup s = setup;
        if (std::string(c.what) == "glass without catalogue") s.catalog = nullptr;
        c.change(m, q);
        const OpticalSystem before = m.lens;
        const EAOutcome out = runassga(m, q, s, hooks);
        EXPECT_EQ(out.status, EAOutcome::Status::error) << c.what;
        EXPECT_NE(out.errmsg.find(c.message), std::string::npos) << c.what << ": " << out.errmsg;
        EXPECT_EQ(m.lens, before) << c.what;
    }
    // an afocal system cannot keep its focal length
    Model kepler = sample("KEPLER");
    const OpticalSystem before = kepler.lens;
    const EAOutcome out = runassga(kepler, p, setup, hooks);
    EXPECT_EQ(out.status, EAOutcome::Status::error);
    EXPECT_NE(out.errmsg.find("afocal"), std::string::npos) << out.errmsg;
    EXPECT_EQ(kepler.lens, before);
}

}  // namespace
}  // namespace zefo
