// The numerical parts of damped least squares: the solvers, the damping, the model of the
// merit over the damping and its Newton search, the Jacobian on several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/optim/dls.h"
#include "core/optim/dlsmath.h"
#include "core/optim/merit.h"
#include "core/raytrace/rayscheme.h"
#include "testsystems.h"

namespace zefo {
namespace {

TEST(DlsMath, EliminationWithoutPivotingAndCholeskyGiveTheSameSolution) {
    // a well-conditioned symmetric positive definite system A = B^T B + n I with a known x
    const int n = 7;
    std::vector<double> B(n * n), A(n * n, 0.0), xtrue(n), b(n, 0.0);
    for (int i = 0; i < n * n; ++i) B[i] = std::sin(1.7 * i + 0.3);
    for (int i = 0; i < n; ++i) {
        xtrue[i] = 0.5 * i - 1.25;
        for (int j = 0; j < n; ++j) {
            for (int k = 0; k < n; ++k) A[i * n + j] += B[k * n + i] * B[k * n + j];
            if (i == j) A[i * n + j] += n;
        }
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) b[i] += A[i * n + j] * xtrue[j];
    std::vector<double> ga = A, gb = b, xg, xc;
    ASSERT_TRUE(gausssolve(ga, gb, n, xg));
    ASSERT_TRUE(choleskysolve(A, b, n, xc));
    for (int i = 0; i < n; ++i) {
        EXPECT_NEAR(xg[i], xtrue[i], 1e-12) << i;
        EXPECT_NEAR(xc[i], xg[i], 1e-12) << i;
    }
    // a zero pivot stops the elimination instead of dividing by it
    std::vector<double> z = {0, 1, 1, 0}, zb = {1, 1}, zx;
    EXPECT_FALSE(gausssolve(z, zb, 2, zx));
}

TEST(DlsMath, AdditiveAndMultiplicativeDamping) {
    struct Case {
        int damptype;
        double diag, lambda, expected;
    };
    const Case cases[] = {
        {0, 4, 0.1, 4.01},
        {1, 4, 0.1, 4 * (1000 * 0.01 + 1)},
        {1, 0, 0.1, 0.01},   // a zero diagonal element is damped additively
    };
    for (const Case& c : cases) {
        std::vector<double> A = {c.diag, 2, 2, 9};
        dampdiagonal(A, 2, c.lambda, c.damptype);
        EXPECT_DOUBLE_EQ(A[0], c.expected) << c.damptype << " " << c.diag;
        EXPECT_EQ(A[1], 2);
    }
}

TEST(DlsMath, ChangeDampingTogglesTheKind) {
    OpticalSystem lens;
    EXPECT_STREQ(changedamping(lens), "Changing from additive damping to multiplicative damping!");
    EXPECT_EQ(lens.damptype, 1);
    EXPECT_STREQ(changedamping(lens), "Changing from multiplicative damping to additive damping!");
    EXPECT_EQ(lens.damptype, 0);
}

TEST(DlsMath, ModelParabolaPassesThroughTheThreeInverseForecasts) {
    const double lambda = 0.02;
    const double FB = 40, FA = 25, F = 30, MB = 41, MA = 27, M = 31;
    const DampModel g = dampmodel(lambda, M, F, MA, FA, MB, FB);
    const auto parabola = [&](double x) { return g.a0 + g.a1 * x + g.a2 * x * x; };
    EXPECT_NEAR(parabola(0.5 / lambda), 1 / FB, 1e-15);   // damping 2λ
    EXPECT_NEAR(parabola(2 / lambda), 1 / FA, 1e-15);     // damping λ/2
    EXPECT_NEAR(parabola(1 / lambda), 1 / F, 1e-15);      // damping λ
    // the slope and curvature of the model are its derivatives
    const double x = 60, h = 1e-3;
    EXPECT_NEAR(g.slope(x), (g.value(x + h) - g.value(x - h)) / (2 * h), 1e-6 * std::fabs(g.slope(x)) + 1e-12);
    EXPECT_NEAR(g.curvature(x), (g.slope(x + h) - g.slope(x - h)) / (2 * h),
                1e-5 * std::fabs(g.curvature(x)) + 1e-12);
}

TEST(DlsMath, NewtonFindsTheMinimumOfTheModel) {
    // a merit that is lowest between the trials: F falls from 2λ to λ and rises again
    const double lambda = 0.01;
    const DampModel g = dampmodel(lambda, 10.5, 10, 12.2, 12, 15.1, 15);
    const double x = dampnewton(g, 1 / lambda);
    EXPECT_NEAR(g.slope(x), 0, 1e-9);
    EXPECT_GT(g.curvature(x), 0);
    // no point of a fine grid around it lies lower
    for (double t = 0.5 * x; t <= 1.5 * x; t += 0.01 * x) EXPECT_GE(g.value(t), g.value(x) - 1e-12) << t;
    const double next = modeldamping(lambda, 10.5, 10, 12.2, 12, 15.1, 15);
    EXPECT_DOUBLE_EQ(next, std::fabs(1 / x));
}

TEST(DlsMath, ModelWithoutAFinitePositiveDampingFallsBackToTheBestTrial) {
    // forecasts of zero give no model; equal trials give a flat one
    EXPECT_EQ(modeldamping(0.03, 0, 0, 0, 0, 0, 0), 0.03);
    EXPECT_EQ(modeldamping(0.03, 5, 5, 5, 5, 5, 5), 0.03);
}

TEST(DlsMath, TrialLineHas77Characters) {
    const std::string line = triallinetext(0.01, 12.5, 13.25, 2);
    EXPECT_EQ(line.size(), 77u);
    EXPECT_EQ(line, "   " + std::string(4, ' ') + "0.010000" + std::string(11, ' ') + "12.500000" + std::string(11, ' ')
                        + "13.250000" + "  " + std::string(12, ' ') + "2.000000");
}

TEST(DlsMath, JacobianOnTwoThreadsIsBitIdenticalToOneThread) {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    auto& ol = m.lens.sys.sp.optlabel;
    for (int k = 0; k < m.lens.nsurf; ++k) ol[k] = k >= 1 ? "CD" : "C";
    sizemeritlist(m.lens, m.merit);
    ASSERT_TRUE(calcweights(m)) << m.errmsg;   // weighted residuals: columns that are not zero
    ASSERT_TRUE(meritcalc(m, m.merit)) << m.errmsg;
    std::vector<double> r0(m.lens.naber);
    for (int i = 0; i < m.lens.naber; ++i) r0[i] = residual(m.lens, m.merit, i);
    const auto vars = enumvariables(m);
    ASSERT_GE(vars.size(), 12u);
    std::vector<double> one, two;
    std::string err;
    ASSERT_TRUE(buildjacobian(m, m.merit, vars, r0, 1, one, err)) << err;
    ASSERT_TRUE(buildjacobian(m, m.merit, vars, r0, 2, two, err)) << err;
    ASSERT_EQ(one.size(), r0.size() * vars.size());
    EXPECT_GT(std::count_if(one.begin(), one.end(), [](double v) { return v != 0; }), 0);
    EXPECT_EQ(one, two);
    // a column is the change of the residuals by one increment: the same as evaluating it
    Model p = m;
    setvar(p, vars[3], varvalue(p, vars[3]) + vars[3].increment);
    ASSERT_TRUE(meritcalc(p, p.merit));
    for (int i = 0; i < m.lens.naber; ++i) EXPECT_EQ(one[3 * r0.size() + i], residual(p.lens, p.merit, i) - r0[i]) << i;
    // threads kept from one Jacobian to the next give those of fresh ones, also for a changed
    // lens and a merit list other than the model's
    JacobianThreads kept(2);
    std::vector<double> again;
    ASSERT_TRUE(kept.build(m, m.merit, vars, r0, again, err)) << err;
    EXPECT_EQ(again, one);
    Model q = m;
    q.lens.sys.sp.curv[2] += 2e-3;
    MeritList list = q.merit;
    ASSERT_TRUE(meritcalc(q, list)) << q.errmsg;
    std::vector<double> rq(q.lens.naber), fresh;
    for (int i = 0; i < q.lens.naber; ++i) rq[i] = residual(q.lens, list, i);
    ASSERT_TRUE(buildjacobian(q, list, vars, rq, 1, fresh, err)) << err;
    ASSERT_TRUE(kept.build(q, list, vars, rq, again, err)) << err;
    EXPECT_EQ(again, fresh);
    EXPECT_NE(fresh, one);
}

}  // namespace
}  // namespace zefo
