#include "core/optim/dlsmath.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include "core/optim/merit.h"

namespace zefo {

// One thread's model: a copy of the base with the run's merit list.
struct JacobianThreads::Worker {
    Model m;
    std::string err;
    size_t failed = 0;   // the column whose evaluation failed (the number of columns: none)
};

struct JacobianThreads::Job {
    const Model& base;
    const MeritList& list;
    const std::vector<Variable>& vars;
    const std::vector<double>& r0;
    std::vector<double>& J;
    mutable std::atomic<size_t> next{0};   // the next column to take
};

JacobianThreads::JacobianThreads(int threads) {
    const size_t nt = static_cast<size_t>(std::max(1, threads));
    for (size_t t = 0; t < nt; ++t) workers_.push_back(std::make_unique<Worker>());
    try {
        for (size_t t = 1; t < nt; ++t) helpers_.emplace_back([this, t] { helperloop(t); });
    } catch (const std::system_error&) {   // no thread to be had: the columns on fewer threads
        workers_.resize(helpers_.size() + 1);
    }
}

JacobianThreads::~JacobianThreads() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        quit_ = true;
    }
    wake_.notify_all();
    for (auto& h : helpers_) h.join();
}

void JacobianThreads::helperloop(size_t t) {
    long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mu_);
            wake_.wait(lock, [&] { return quit_ || round_ != seen; });
            if (quit_) return;
            seen = round_;
        }
        work(t);
        {
            std::lock_guard<std::mutex> lock(mu_);
            --busy_;
        }
        done_.notify_one();
    }
}

// Columns until none is left, each from the base on this thread's copy of the model (made
// when the thread takes its first column). After a failure the thread takes no further work.
void JacobianThreads::work(size_t t) {
    const Job& job = *job_;
    Worker& w = *workers_[t];
    w.failed = job.vars.size();
    bool copied = false;
    const size_t nrows = job.r0.size();
    for (size_t j = job.next++; j < job.vars.size() && w.failed == job.vars.size(); j = job.next++) {
        if (!copied) {
            w.m = job.base;
            if (&job.list != &job.base.merit) w.m.merit = job.list;
            copied = true;
        }
        w.m.lens = job.base.lens;
        setvar(w.m, job.vars[j], varvalue(w.m, job.vars[j]) + job.vars[j].increment);
        if (!meritcalc(w.m, w.m.merit)) {
            w.err = w.m.errmsg;
            w.failed = j;
            continue;
        }
        double* col = job.J.data() + j * nrows;
        for (size_t i = 0; i < nrows; ++i) col[i] = residual(w.m.lens, w.m.merit, static_cast<int>(i)) - job.r0[i];
    }
}

bool JacobianThreads::build(const Model& base, const MeritList& list, const std::vector<Variable>& vars,
                            const std::vector<double>& r0, std::vector<double>& J, std::string& err) {
    J.assign(r0.size() * vars.size(), 0.0);
    const Job job{base, list, vars, r0, J};
    {
        std::lock_guard<std::mutex> lock(mu_);
        job_ = &job;
        busy_ = static_cast<int>(helpers_.size());
        ++round_;
    }
    if (!helpers_.empty()) wake_.notify_all();
    work(0);
    {
        std::unique_lock<std::mutex> lock(mu_);
        done_.wait(lock, [&] { return busy_ == 0; });
        job_ = nullptr;
    }
    // the failure of the lowest column, whichever thread met it: the columns are taken in
    // order, so every column below it was computed
    const Worker* failed = nullptr;
    for (const auto& w : workers_)
        if (w->failed < vars.size() && (!failed || w->failed < failed->failed)) failed = w.get();
    if (!failed) return true;
    err = failed->err;
    return false;
}

bool buildjacobian(const Model& base, const MeritList& list, const std::vector<Variable>& vars,
                   const std::vector<double>& r0, int threads, std::vector<double>& J, std::string& err) {
    JacobianThreads pool(std::min<int>(threads, static_cast<int>(std::max<size_t>(1, vars.size()))));
    return pool.build(base, list, vars, r0, J, err);
}

void normalequations(const std::vector<double>& J, const std::vector<double>& r, int nrows, int n,
                     std::vector<double>& A, std::vector<double>& g) {
    const Eigen::Map<const Eigen::MatrixXd> Jm(J.data(), nrows, n);
    const Eigen::Map<const Eigen::VectorXd> rv(r.data(), nrows);
    A.resize(static_cast<size_t>(n) * static_cast<size_t>(n));
    g.resize(static_cast<size_t>(n));
    Eigen::Map<Eigen::MatrixXd> Am(A.data(), n, n);
    Eigen::Map<Eigen::VectorXd> gv(g.data(), n);
    Am.noalias() = Jm.transpose() * Jm;
    gv.noalias() = Jm.transpose() * rv;
}

void dampdiagonal(std::vector<double>& A, int n, double lambda, int damptype) {
    const double l2 = lambda * lambda;
    for (int i = 0; i < n; ++i) {
        double& d = A[static_cast<size_t>(i) * static_cast<size_t>(n + 1)];
        d = damptype == 1 && d != 0 ? d * (1000 * l2 + 1) : d + l2;
    }
}

bool gausssolve(std::vector<double>& A, std::vector<double>& b, int n, std::vector<double>& x) {
    const auto a = [&](int i, int j) -> double& { return A[static_cast<size_t>(i) * static_cast<size_t>(n) + static_cast<size_t>(j)]; };
    for (int k = 0; k < n - 1; ++k) {
        if (a(k, k) == 0) return false;
        for (int i = k + 1; i < n; ++i) {
            const double f = a(i, k) / a(k, k);
            for (int j = k; j < n; ++j) a(i, j) -= f * a(k, j);
            b[static_cast<size_t>(i)] -= f * b[static_cast<size_t>(k)];
        }
    }
    x.resize(static_cast<size_t>(n));
    for (int i = n - 1; i >= 0; --i) {
        if (a(i, i) == 0) return false;
        double s = b[static_cast<size_t>(i)];
        for (int j = i + 1; j < n; ++j) s -= a(i, j) * x[static_cast<size_t>(j)];
        x[static_cast<size_t>(i)] = s / a(i, i);
        if (!std::isfinite(x[static_cast<size_t>(i)])) return false;
    }
    return true;
}

bool choleskysolve(const std::vector<double>& A, const std::vector<double>& b, int n, std::vector<double>& x) {
    const Eigen::Map<const Eigen::MatrixXd> Am(A.data(), n, n);
    const Eigen::Map<const Eigen::VectorXd> bv(b.data(), n);
    x.resize(static_cast<size_t>(n));
    Eigen::Map<Eigen::VectorXd> xv(x.data(), n);
    const Eigen::LLT<Eigen::MatrixXd> llt(Am);
    if (llt.info() == Eigen::Success) {
        xv = llt.solve(bv);
    } else {
        xv = Am.ldlt().solve(bv);
    }
    return xv.allFinite();
}

double DampModel::value(double x) const {
    return 1 / (a0 + a1 * x + a2 * x * x) + a4 * x * x + a5 * x * x * x * x;
}

double DampModel::slope(double x) const {
    const double q = a0 + a1 * x + a2 * x * x;
    return -(2 * a2 * x + a1) / (q * q) + 2 * a4 * x + 4 * a5 * x * x * x;
}

double DampModel::curvature(double x) const {
    const double q = a0 + a1 * x + a2 * x * x;
    return (2 * a1 * a1 + 6 * a1 * a2 * x + 6 * a2 * a2 * x * x - 2 * a0 * a2) / (q * q * q) + 2 * a4
           + 12 * a5 * x * x;
}

DampModel dampmodel(double lambda, double M, double F, double MA, double FA, double MB, double FB) {
    const double y2 = 1 / F, y1 = 1 / FA, y0 = 1 / FB;
    const double D2 = M - F, D1 = MA - FA, D0 = MB - FB;
    const double l2 = lambda * lambda;
    DampModel g;
    g.a0 = (8 * y0 + y1 - 6 * y2) / 3;
    g.a1 = (5 * y2 - y1 - 4 * y0) * lambda;
    g.a2 = 2 * l2 * (y1 + 2 * y0 - 3 * y2) / 3;
    g.a4 = l2 * (17 * D2 - D1 - 16 * D0) / 9;
    g.a5 = 4 * l2 * l2 * (4 * D0 + D1 - 5 * D2) / 45;
    return g;
}

double dampnewton(const DampModel& g, double x0) {
    double x = x0;
    for (int it = 0; it < 100; ++it) {
        const double d1 = g.slope(x), d2 = g.curvature(x);
        if (std::fabs(d1) <= 1e-15 || std::fabs(d2) <= 1e-15) break;
        const double xn = x - d1 / d2;
        const bool done = std::fabs(xn - x) < 1e-12 * std::fabs(x);
        x = xn;
        if (done) break;
    }
    return x;
}

double modeldamping(double lambda, double M, double F, double MA, double FA, double MB, double FB) {
    const DampModel g = dampmodel(lambda, M, F, MA, FA, MB, FB);
    const double next = std::fabs(1 / dampnewton(g, 1 / lambda));
    return std::isfinite(next) && next > 0 ? next : lambda;
}

}  // namespace zefo
