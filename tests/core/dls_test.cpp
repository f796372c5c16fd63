// Damped least squares on real lenses: the run reaches what physics says it must.
#include <gtest/gtest.h>

#include <cmath>

#include "core/app/samplelenses.h"
#include "core/model/glasscat.h"
#include "core/optim/dls.h"
#include "core/optim/merit.h"
#include "core/optim/boundary.h"
#include "core/optim/variables.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"
#include "testutil.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

// A biconvex BK7 singlet, f near 48 mm, aimed for na 0.1.
Model dlssinglet() {
    Model m = buildobjective({{"S", 50, 5, 1.5168, 0.00806, 20}, {"S", -50, 45, 1, 0, 20}}, 1, 0.1, {5}, 6);
    initstdrays(m);
    rayscheme(m);
    return m;
}

DlsSetup onethread() {
    DlsSetup s;
    s.threads = 1;
    return s;
}

TEST(Dls, SingletReachesTheFocalLengthOfItsApertureAndAngle) {
    // The entrance beam keeps its radius y0; the paraxial ray angle na then asks for
    // f = y0 / na. Only that component is weighted and only the last curvature varies.
    for (double na : {0.125, 0.08}) {
        Model m = dlssinglet();
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        const double y0 = m.lens.rays.y[0];
        m.lens.na = na;
        m.lens.sys.sp.optlabel[1] = "C";
        std::fill(m.lens.aberweight.begin(), m.lens.aberweight.end(), 0.0);
        m.lens.aberweight[0] = 1000 / na;
        std::vector<std::string> status, memo;
        DlsHooks h;
        h.status = [&](const std::string& s) { status.push_back(s); };
        h.memo = [&](const std::string& s) { memo.push_back(s); };
        const DlsOutcome out = dlsoptimize(m, m.merit, onethread(), h);
        ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
        EXPECT_EQ(memo, out.memo);
        // the status line follows the trials: the merit of each, as its memo line has it
        ASSERT_FALSE(status.empty());
        size_t trial = 0;
        while (trial < memo.size() && memo[trial] != "Iteration...1") ++trial;
        ASSERT_LT(trial + 1, memo.size());
        EXPECT_EQ(status[0], "Merit function..." + fmtf(std::stod(memo[trial + 1].substr(35, 20)), 12, 6));
        ssetq(m);
        const double f = systemfocus(m).efl;
        EXPECT_NEAR(f / (y0 / na), 1.0, 1e-4) << "na " << na << " f " << f;
        EXPECT_LT(out.merit, out.meritstart);
    }
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

// The double Gauss with limits as a new system gets them, every curvature and the inner
// separations labelled, and the default weights.
Model labelleddoublegauss() {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    auto& sp = m.lens.sys.sp;
    double largest = 0;
    for (int k = 0; k <= m.lens.nsurf; ++k) {
        const double lim = sp.sep[k] > 2 ? m.lens.bcthick : m.lens.bcthin;
        m.lens.axlim[k] = m.lens.edgelim[k] = lim;
        if (k < m.lens.nsurf) largest = std::max(largest, sp.hmax[k]);
    }
    for (int k = 0; k <= m.lens.nsurf; ++k) m.lens.clearlim[k] = 1.25 * largest;
    for (int k = 0; k < m.lens.nsurf; ++k) sp.optlabel[k] = k >= 1 && k < m.lens.nsurf - 1 ? "CD" : "C";
    sizemeritlist(m.lens, m.merit);
    calcweights(m);
    return m;
}

TEST(Dls, DoubleGaussMeritFallsAndKeepsItsBoundaryConditions) {
    Model m = labelleddoublegauss();
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    ASSERT_GE(countvariables(m), 12);
    DlsSetup s;
    s.maxiter = 8;
    const DlsOutcome out = dlsoptimize(m, m.merit, s, {});
    ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    EXPECT_LT(out.merit, out.meritstart);
    EXPECT_GE(out.iterations, 1);
    // no boundary condition violated: every labelled separation at or above its limit,
    // every edge distance above its limit and every ray inside the clear aperture limit
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    const auto& sp = m.lens.sys.sp;
    for (int i = 1; i < m.lens.nsurf; ++i) EXPECT_GE(sp.sep[i], m.lens.axlim[i] - 1e-12) << i;
    // (the edge conditions are penalties of weight dimweight: what is left of a violation
    // stays below 1 % of the limit)
    for (int i = 1; i <= m.lens.nsurf; ++i) EXPECT_GT(m.trace.minpath[i], 0.99 * m.lens.edgelim[i]) << i;
    for (int i = 0; i <= m.lens.nsurf; ++i) EXPECT_LT(m.trace.maxheight[i], m.lens.clearlim[i]) << i;
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

// The singlet with every weight 0 but those given.
Model weighted(std::initializer_list<std::pair<int, double>> weights) {
    Model m = dlssinglet();
    std::fill(m.lens.aberweight.begin(), m.lens.aberweight.end(), 0.0);
    for (const auto& [i, w] : weights) m.lens.aberweight[i] = w;
    return m;
}

// The damping factor of the first trial of the run.
double firstlambda(const DlsOutcome& out) {
    for (size_t i = 0; i + 1 < out.memo.size(); ++i)
        if (out.memo[i] == "Iteration...1") return std::stod(out.memo[i + 1].substr(3, 12));
    return -1;
}

TEST(Dls, StartDampingFollowsTheStartMerit) {
    struct Case {
        double weight;   // of the angle component, whose residual is 0.025
        double lambda;
    };
    for (const Case c : {Case{8000, 0.01}, Case{20000, 0.5}}) {   // merit 40000 and 250000
        Model m = weighted({{0, c.weight}});
        m.lens.na = 0.125;
        m.lens.sys.sp.optlabel[1] = "C";
        DlsSetup s = onethread();
        s.maxiter = 1;
        const DlsOutcome out = dlsoptimize(m, m.merit, s, {});
        ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
        EXPECT_NEAR(out.meritstart, 0.025 * 0.025 * c.weight * c.weight, 1e-6 * out.meritstart);
        EXPECT_EQ(firstlambda(out), c.lambda) << c.weight;
    }
}

TEST(Dls, MeritThatCannotFallEndsAfterOneIteration) {
    Model m = weighted({});
    m.lens.sys.sp.optlabel[0] = "C";
    const double c0 = m.lens.sys.sp.curv[0];
    const DlsOutcome out = dlsoptimize(m, m.merit, onethread(), {});
    ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    EXPECT_EQ(out.iterations, 1);
    EXPECT_NE(out.endflag, 0);
    EXPECT_EQ(out.merit, 0);
    EXPECT_EQ(m.lens.sys.sp.curv[0], c0);
}

TEST(Dls, ThinnedSeparationIsClampedAtItsAxialLimit) {
    // the glass thickness is asked to become 1 mm; its axial limit is 3 mm
    Model m = weighted({{5, 10}});
    m.lens.targdst = 1;
    m.lens.axlim[1] = 3;
    m.lens.sys.sp.optlabel[1] = "D";
    DlsSetup s = onethread();
    s.maxiter = 4;
    const DlsOutcome out = dlsoptimize(m, m.merit, s, {});
    ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    EXPECT_EQ(m.lens.sys.sp.sep[1], 3.0);
    bool said = false;
    for (const auto& l : out.memo) said |= l.rfind("Distance 1 changed from", 0) == 0 && l.substr(l.size() - 10) == "    3.0000";
    EXPECT_TRUE(said);
    EXPECT_EQ(m.lens.sys.sp.optlabel[1], "D");   // the label comes back with the run's end
}

TEST(Dls, BoundaryScanAddsEachConditionOnceAndRemovalKeepsRowsTogether) {
    Model m = dlssinglet();
    m.lens.edgelim[1] = 10;    // the lens is thinner than that everywhere
    m.lens.clearlim[0] = 1;    // the beam is wider than that
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    std::vector<std::string> memo;
    const MemoSink sink = [&](const std::string& l) { memo.push_back(l); };
    EXPECT_EQ(bcscan(m, m.merit, sink), 3);
    ASSERT_EQ(m.merit.nbc(), 3);
    EXPECT_EQ(memo[0].rfind("Edge,space 1 Ray ", 0), 0u) << memo[0];
    EXPECT_EQ(memo[1].rfind("Edge,space 1 at the clear radii value ", 0), 0u) << memo[1];
    EXPECT_EQ(memo[2].rfind("Surface hight 0 Ray ", 0), 0u) << memo[2];
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    EXPECT_EQ(bcscan(m, m.merit, sink), 0);
    const int n = m.lens.naber;
    EXPECT_EQ(m.merit.name[n], "Edge thickness dev.  ");
    EXPECT_EQ(m.merit.name[n + 1], "Edge thickness dev.  ");
    EXPECT_EQ(m.merit.name[n + 2], "Clear radius deviat.");
    // the edge is thinner than the centre (5 mm) and the limit; the beam reaches beyond 1 mm
    EXPECT_LT(m.merit.value[n], 5 - 10);
    // both spheres of radius 50 run out to their clear radii: 5 - s(h0) - s(h1), s(h) = 50 - sqrt(50² - h²)
    const auto sag = [](double h) { return 50 - std::sqrt(2500 - h * h); };
    const auto& hmax = m.lens.sys.sp.hmax;
    // (the component aims a little inside the limit, with a heavier weight)
    EXPECT_NEAR(m.merit.value[n + 1], 5 - sag(hmax[0]) - sag(hmax[1]) - (1 + clearedgemargin) * 10, 1e-12);
    EXPECT_EQ(m.merit.bc[1].weight, clearedgeweight * m.lens.dimweight);
    EXPECT_GT(m.merit.value[n + 2], 0);
    const double clear = m.merit.value[n + 2];
    bcremove(m.lens, m.merit, 0);
    bcremove(m.lens, m.merit, 0);
    EXPECT_EQ(m.merit.nbc(), 1);
    EXPECT_EQ(static_cast<int>(m.merit.value.size()), n + 1);
    EXPECT_EQ(static_cast<int>(m.merit.target.size()), n + 1);
    EXPECT_EQ(static_cast<int>(m.lens.aberweight.size()), n);   // the rows' weights are not the lens's
    EXPECT_EQ(componentweight(m.lens, m.merit, n), m.lens.dimweight);
    EXPECT_EQ(m.merit.name[n], "Clear radius deviat.");
    EXPECT_EQ(m.merit.value[n], clear);
    EXPECT_EQ(m.merit.bc[0].kind, 2);
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

class DlsGlass : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(cat.open(test::freshdir("glass").string() + "/"), ""); }
    GlassCatalog cat;
};

// A catalogue glass at the lens's wavelengths: its indices and dispersion are those of the row.
void expectcatalogueglass(GlassCatalog& cat, const Model& m, int row) {
    const auto& sp = m.lens.sys.sp;
    ASSERT_FALSE(ismodelglass(m, row));
    const auto g = cat.glassbyname(sp.glass[row]);
    ASSERT_TRUE(g) << sp.glass[row];
    const Index3 n = glassindices(g->a, m.lens.wl);
    EXPECT_EQ(sp.index[row], n);
    EXPECT_EQ(sp.disp[row], n[2] - n[1]);
}

TEST_F(DlsGlass, EscOrTheEndNeverLeavesAModelGlass) {
    // the glass of the singlet varies to bring f to y0 / na; Esc at several points of the run
    for (int polls : {1, 3, 8, 1000}) {
        Model m = weighted({{0, 8000}});
        m.lens.na = 0.125;
        m.lens.sys.sp.optlabel[1] = "G";
        DlsSetup s = onethread();
        s.catalog = &cat;
        int seen = 0;
        DlsHooks h;
        h.cancelled = [&] { return ++seen > polls; };
        const DlsOutcome out = dlsoptimize(m, m.merit, s, h);
        EXPECT_EQ(out.status, polls < 1000 ? DlsOutcome::Status::cancelled : DlsOutcome::Status::finished)
            << polls << " " << out.errmsg;
        expectcatalogueglass(cat, m, 1);
        bool said = false;
        for (const auto& l : out.memo) said |= l.rfind("Model glass of surface 1 replaced by ", 0) == 0;
        EXPECT_TRUE(said) << polls;
        EXPECT_FALSE(m.calcerror);
    }
}

TEST_F(DlsGlass, AnErrorInTheRunNeverLeavesAModelGlass) {
    Model m = weighted({{0, 8000}});
    m.lens.na = 0.125;
    m.lens.sys.sp.optlabel[1] = "G";
    DlsSetup s = onethread();
    s.catalog = &cat;
    DlsHooks h;
    int trials = 0;
    // after the third trial the component arrays lose their last entry: every evaluation fails
    h.status = [&](const std::string&) {
        if (++trials == 3) m.merit.value.pop_back();
    };
    const DlsOutcome out = dlsoptimize(m, m.merit, s, h);
    EXPECT_EQ(out.status, DlsOutcome::Status::error);
    EXPECT_EQ(out.errmsg, abercountmsg);
    EXPECT_TRUE(m.calcerror);
    EXPECT_FALSE(ismodelglass(m, 1));
    bool said = false;
    for (const auto& l : out.memo)
        said |= l.rfind("Model glass of surface 1 replaced by ", 0) == 0 || l.rfind("Model glass of surface 1 restored", 0) == 0;
    EXPECT_TRUE(said);
}

TEST_F(DlsGlass, GlassCodeOrTheNearestGlass) {
    Model m = dlssinglet();
    auto& sp = m.lens.sys.sp;
    // index and dispersion of BK7: its glass code 517642
    sp.glass[1] = "";
    sp.index[1][0] = 1.5168;
    sp.disp[1] = 0.5168 / 64.17;
    auto lines = catalogueglass(m, 1, cat);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(cat.glassbyname(sp.glass[1])->code, "517642") << sp.glass[1];
    expectcatalogueglass(cat, m, 1);

    // a code no glass has: the nearest glass by index and dispersion, said in the memo
    sp.glass[1] = "";
    sp.index[1][0] = 1.60;
    sp.disp[1] = 0.031;
    const double n = 1.60, disp = 0.031;
    lines = catalogueglass(m, 1, cat);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("is not in the catalogue"), std::string::npos) << lines[0];
    expectcatalogueglass(cat, m, 1);
    const auto distance = [&](const Index3& g) {
        const double dn = g[0] - n, dd = (g[2] - g[1] - disp) * 10;
        return dn * dn + dd * dd;
    };
    const double chosen = distance(sp.index[1]);
    for (const GlassRecord& g : cat.allglasses()) EXPECT_GE(distance(glassindices(g.a, m.lens.wl)), chosen) << g.name;
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

TEST_F(DlsGlass, StartingDesignSampleFallsBelowThePublishedDesign) {
    const auto build = [&](const char* name) {
        for (const SampleLens& s : samplelenses())
            if (std::string(s.sysname) == name) return buildsamplelens(s, cat);
        ADD_FAILURE() << name;
        return Model{};
    };
    Model start = build("DGSTART");
    Model published = build("DGAUSS");
    ASSERT_FALSE(start.calcerror) << start.errmsg;
    ASSERT_FALSE(published.calcerror) << published.errmsg;
    // the published design judged by the starting design's weights
    published.lens.aberweight = start.lens.aberweight;
    sizemeritlist(published.lens, published.merit);
    ASSERT_TRUE(meritcalc(published, published.merit)) << published.errmsg;
    const double target = meritsum(published, published.merit);
    DlsSetup s;
    s.catalog = &cat;
    const DlsOutcome out = dlsoptimize(start, start.merit, s, {});
    ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    EXPECT_GT(out.meritstart, 1.5 * target);
    EXPECT_LT(out.merit, target);
    // the focal length is held: y0 / na of the start
    ssetq(start);
    EXPECT_NEAR(systemfocus(start).efl, start.lens.rays.y[0] / start.lens.na, 1e-3);
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

TEST(Dls, EdgeConditionHeldWellInsideItsLimitIsReleased) {
    // The lens is asked to become 8 mm thick; its edge (about 4.5 mm) starts just below an
    // edge limit of 4.6 mm. The condition enters the list at the start; once the growing
    // thickness has moved the edge well beyond the limit it is released and the thickness
    // reaches its target.
    // (The clear radius of the second surface is that of the beam, so that the edge at the
    // clear radii grows with the thickness as the traced one does.)
    Model m = weighted({{5, 10}});
    m.lens.targdst = 8;
    m.lens.edgelim[1] = 4.6;
    m.lens.sys.sp.hmax[1] = 5;
    m.lens.sys.sp.optlabel[1] = "D";
    const DlsOutcome out = dlsoptimize(m, m.merit, onethread(), {});
    ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    EXPECT_TRUE(out.warnings.empty());
    size_t added = out.memo.size(), released = out.memo.size();
    for (size_t i = 0; i < out.memo.size(); ++i) {
        if (out.memo[i].rfind("Edge,space 1 Ray ", 0) == 0 && added == out.memo.size()) added = i;
        if (out.memo[i].rfind("Boundary condition...Edge space 1  Ray ", 0) == 0) {
            released = i;
            EXPECT_EQ(out.memo[i].substr(out.memo[i].size() - 10), " released!");
            // the edge thickness printed lies well beyond the limit
            const size_t eq = out.memo[i].find(" = ");
            EXPECT_GT(std::stod(out.memo[i].substr(eq + 3, 10)), 4.6 + 0.02) << out.memo[i];
        }
    }
    EXPECT_LT(added, released);
    EXPECT_LT(released, out.memo.size());
    EXPECT_NEAR(m.lens.sys.sp.sep[1], 8, 1e-3);
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

TEST_F(DlsGlass, RunAsksNoQuestion) {
    // a telescope with a finite object asks for its entrance pupil whenever its first-order
    // data are computed; the run (off the window's thread) must not ask
    Model m;
    for (const SampleLens& s : samplelenses())
        if (std::string(s.sysname) == "KEPLER") m = buildsamplelens(s, cat);
    ASSERT_FALSE(m.calcerror) << m.errmsg;
    m.lens.objinf = 'N';
    m.lens.objdist = 100000;
    m.entrpupil = 0.5;
    int asked = 0;
    m.askentrpupil = [&] {
        ++asked;
        return 0.5;
    };
    DlsSetup s = onethread();
    s.maxiter = 2;
    const DlsOutcome out = dlsoptimize(m, m.merit, s, {});
    EXPECT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    EXPECT_EQ(asked, 0);
}

}  // namespace
}  // namespace zefo

namespace zefo {
namespace {

// The starting and the published double Gauss designs of the samples.
class DlsSamples : public DlsGlass {
protected:
    Model sample(const char* name) {
        for (const SampleLens& s : samplelenses())
            if (std::string(s.sysname) == name) {
                Model m = buildsamplelens(s, cat);
                EXPECT_FALSE(m.calcerror) << m.errmsg;
                return m;
            }
        ADD_FAILURE() << name;
        return Model{};
    }
    DlsSetup setup(int maxiter) {
        DlsSetup s = onethread();
        s.catalog = &cat;
        s.maxiter = maxiter;
        return s;
    }
};

// A trial line: three blanks, the damping factor (12), forecast and merit (20 each), two
// blanks and the step length (20).
bool istrialline(const std::string& l) {
    return l.size() == 77 && l.rfind("   ", 0) == 0 && l.find_first_not_of(" 0123456789.-") == std::string::npos;
}

TEST_F(DlsSamples, DampingSearchNeverAcceptsAStepWorseThanItsBestTrial) {
    Model m = sample("DGSTART");
    const DlsOutcome out = dlsoptimize(m, m.merit, setup(3), {});
    ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
    // the trials of the last search before each iteration line (a scan or a freeze starts a
    // new search; a released condition only lowers the merit)
    double best = 1e300;
    int checked = 0;
    for (const std::string& l : out.memo) {
        if (istrialline(l)) {
            best = std::min(best, std::stod(l.substr(35, 20)));
        } else if (l.rfind("Iteration....", 0) == 0) {
            const double accepted = std::stod(l.substr(l.size() - 12));
            EXPECT_LE(accepted, best * (1 + 1e-12)) << l;
            ++checked;
            best = 1e300;
        } else if (l.rfind("Edge,space", 0) == 0 || l.rfind("Surface hight", 0) == 0 || l.rfind("Glass ", 0) == 0 ||
                   l.rfind("Distance ", 0) == 0) {
            best = 1e300;
        }
    }
    EXPECT_GE(checked, 3);
}

TEST_F(DlsSamples, EveryEdgeAtItsClearRadiusEndsWithinItsLimit) {
    for (const char* name : {"DGAUSS", "DGSTART"}) {
        SCOPED_TRACE(name);
        Model m = sample(name);
        const DlsOutcome out = dlsoptimize(m, m.merit, setup(10000), {});
        ASSERT_EQ(out.status, DlsOutcome::Status::finished) << out.errmsg;
        EXPECT_LT(out.merit, out.meritstart);
        // both spheres run out to their clear radii: the edge of every gap, computed here
        const auto& sp = m.lens.sys.sp;
        const auto sag = [&](int j) {
            const double c = sp.curv[j], h = sp.hmax[j];
            return c == 0 ? 0.0 : (1 - std::sqrt(1 - c * c * h * h)) / c;
        };
        bool warned = false;
        for (int i = 1; i < m.lens.nsurf; ++i) {
            const double edge = sp.sep[i] - sag(i - 1) + sag(i);
            EXPECT_GE(edge, m.lens.edgelim[i]) << i;
            warned |= edge < m.lens.edgelim[i];
        }
        for (const std::string& l : out.memo) EXPECT_EQ(l.find("at the clear radii is"), std::string::npos) << l;
        EXPECT_FALSE(warned);
    }
}

}  // namespace
}  // namespace zefo
