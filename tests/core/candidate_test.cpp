// The evaluation of a candidate lens of the evolutionary optimizers.
#include <gtest/gtest.h>

#include <cmath>

#include "alloccount.h"
#include "core/app/samplelenses.h"
#include "core/evolution/candidate.h"
#include "core/model/glasscat.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "testutil.h"

namespace zefo {
namespace {

class Candidate : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(cat.open(test::freshdir("glass").string() + "/"), "");
        for (const SampleLens& s : samplelenses())
            if (std::string(s.sysname) == "DGAUSS") m = buildsamplelens(s, cat);
        ASSERT_FALSE(m.calcerror) << m.errmsg;
        sizemeritlist(m.lens, m.merit);
        checks.efl = nudatparax(m).efl;
        ASSERT_GT(checks.efl, 0);
    }
    GlassCatalog cat;
    Model m;
    CandidateChecks checks;
};

TEST_F(Candidate, ChangedLensKeepsTheStartFocalLengthAndItsMeritIsTheWeightedSum) {
    m.lens.sys.sp.sep[3] += 0.5;   // the wide air space in front of the stop
    const double merit = evaluatecandidate(m, checks);
    ASSERT_GE(merit, 0);
    // the focal length from an independent marginal-ray trace at infinity
    ssetq(m);
    EXPECT_NEAR(systemfocus(m).efl, checks.efl, 1e-9 * checks.efl);
    // the sum of the squared weighted residuals over the aberration components
    double sum = 0;
    for (int i = 0; i < m.lens.naber; ++i) {
        const double r = (m.merit.value[i] - m.merit.target[i]) * m.lens.aberweight[i];
        sum += r * r;
    }
    EXPECT_DOUBLE_EQ(merit, sum);
}

TEST_F(Candidate, InvalidCandidatesLeaveNoError) {
    const auto expectinvalid = [&](Model c, const CandidateChecks& k, const char* why) {
        EXPECT_LT(evaluatecandidate(c, k), 0) << why;
        EXPECT_FALSE(c.calcerror) << why;
    };
    const int n = m.lens.nsurf;
    Model thin = m;   // the first lens as thin as a razor: its edge is far below the limit
    thin.lens.sys.sp.sep[1] = 0.01;
    expectinvalid(thin, checks, "edge");
    CandidateChecks noedges = checks;
    noedges.edges = false;
    EXPECT_GE(evaluatecandidate(thin, noedges), 0) << "edges not checked in the feasibility phase";

    Model tiny = m;   // the solved last radius becomes smaller than its clear radius
    tiny.lens.sys.sp.hmax[n - 1] = 1e6;
    expectinvalid(tiny, checks, "radius N-1");

    CandidateChecks afocal = checks;
    afocal.efl = 0;
    expectinvalid(m, afocal, "focal length 0");
}

TEST_F(Candidate, RepeatedEvaluationAllocatesNothing) {
    ASSERT_GE(evaluatecandidate(m, checks), 0);
    const long before = test::allocationcount();
    for (int k = 0; k < 5; ++k) ASSERT_GE(evaluatecandidate(m, checks), 0);
    EXPECT_EQ(test::allocationcount(), before);
}

}  // namespace
}  // namespace zefo
