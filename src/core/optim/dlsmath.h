// The numerical parts of damped least squares: the Jacobian of the weighted components,
// the normal equations and their damped solution, the model of the merit as a function of
// the damping and its Newton search.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/model/model.h"
#include "core/optim/variables.h"

namespace zefo {

// The Jacobian of the residuals of the system base: column j (stored at j·nrows) = the
// residuals after increasing variable j by its increment minus r0. The columns are shared
// out over `threads` threads (at least 1), each with its own copy of the model and of the
// merit list (its targets and boundary-condition rows); every column starts from the same
// base, so the result does not depend on the number of threads. False with the first
// failure's message in err.
bool buildjacobian(const Model& base, const MeritList& list, const std::vector<Variable>& vars,
                   const std::vector<double>& r0, int threads, std::vector<double>& J, std::string& err);

// The same with threads kept for a run: the threads beyond the caller's wait blocked between
// Jacobians, and every thread keeps its model, whose storage the next Jacobian reuses. The
// columns go to whichever thread is free next; the results are those of buildjacobian.
class JacobianThreads {
public:
    explicit JacobianThreads(int threads);
    ~JacobianThreads();
    JacobianThreads(const JacobianThreads&) = delete;
    JacobianThreads& operator=(const JacobianThreads&) = delete;

    bool build(const Model& base, const MeritList& list, const std::vector<Variable>& vars,
               const std::vector<double>& r0, std::vector<double>& J, std::string& err);

private:
    struct Worker;
    struct Job;
    void helperloop(size_t t);
    void work(size_t t);

    std::vector<std::unique_ptr<Worker>> workers_;   // [0] the caller's
    std::vector<std::thread> helpers_;
    std::mutex mu_;
    std::condition_variable wake_, done_;
    const Job* job_ = nullptr;
    long round_ = 0;     // the number of the current Jacobian
    int busy_ = 0;       // helpers still at work on it
    bool quit_ = false;
};

// Normal equations A = JᵀJ (n×n, row-major) and g = Jᵀr of a column-major Jacobian.
void normalequations(const std::vector<double>& J, const std::vector<double>& r, int nrows, int n,
                     std::vector<double>& A, std::vector<double>& g);

// Damps the diagonal of A: additive A[i][i] + λ², multiplicative A[i][i]·(1000·λ² + 1) where
// A[i][i] ≠ 0 (additive where it is 0).
void dampdiagonal(std::vector<double>& A, int n, double lambda, int damptype);

// Gaussian elimination without pivoting on a symmetric matrix (A and b are worked on):
// forward elimination, then back substitution. False on a zero pivot or a result that is
// not finite.
bool gausssolve(std::vector<double>& A, std::vector<double>& b, int n, std::vector<double>& x);

// The same system solved by a Cholesky factorization; falls back to a robust factorization
// when the matrix is not positive definite. False when the result is not finite.
bool choleskysolve(const std::vector<double>& A, const std::vector<double>& b, int n, std::vector<double>& x);

// The model of the merit as a function of x = 1/damping through three trials at the
// damping factors 2λ (M_B, F_B), λ/2 (M_A, F_A) and λ (M, F): the parabola a0 + a1·x + a2·x²
// through the inverse forecasts and the non-linear part a4·x² + a5·x⁴.
struct DampModel {
    double a0 = 0, a1 = 0, a2 = 0, a4 = 0, a5 = 0;
    double value(double x) const;
    double slope(double x) const;
    double curvature(double x) const;
};
DampModel dampmodel(double lambda, double M, double F, double MA, double FA, double MB, double FB);

// Newton's method for G'(x) = 0 from x0: at most 100 steps; stops when |G'| or |G''| is at
// most 1e-15 or the step is below 1e-12 of x.
double dampnewton(const DampModel& g, double x0);

// The damping factor at the minimum of the model through the three trials, found by
// dampnewton from 1/λ; λ itself when the model gives no finite positive factor.
double modeldamping(double lambda, double M, double F, double MA, double FA, double MB, double FB);

}  // namespace zefo
