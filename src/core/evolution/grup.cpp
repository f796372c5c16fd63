#include <cmath>

#include "core/evolution/esrun.h"
#include "core/evolution/evol.h"

namespace zefo {

namespace {

// Attempts to make one valid member of the initial population before the run gives up.
constexpr int maxstarttries = 1000;

class Grup : public EsRun {
public:
    Grup(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks)
        : EsRun(m, kind, p, setup, hooks), mu_(p.parents), lambda_(p.offspring), reko_(p.recombine) {}

private:
    void header() override;
    void strategy() override;

    int parent();
    void progress();
    void initial();
    bool initialmutant(double& f);
    void make(EsCandidate& c);
    bool makecomponents(EsCandidate& c, double& f);
    void store(int q, const Model& mm, const std::vector<double>& s, double value);
    int worstoffspring() const;

    // the step factor of an offspring and the sums it multiplies (the parent's step, or the
    // sum of two parents' steps with recombination)
    struct GlassSteps;

    const int mu_, lambda_;
    const bool reko_;
    std::vector<EsMember> pop_;
    int parents_ = 0, offspringhalf_ = 0;   // first slot of each half
    std::vector<double> sums_;
};

void Grup::header() {
    toreport(reko_ ? "Evolutionary strategy ES REKO Optimization" : "Evolutionary strategy ES GRUP Optimization");
    toreport(" ");
    toreport(titleline(m_.lens, setup_.head));
    toreport(" ");
    toreport("Starting conditions for optimization are");
    toreport(" ");
    toreport("Number of the parents in the population  " + fmti(p_.parents));
    toreport("Number of the offsprings in population  " + fmti(p_.offspring));
    toreport("Parametar in convergence test absolute  " + fmtf(p_.convabs, 8, 6));
    toreport("Parametar in convergence test relative  " + fmtf(p_.convrel, 8, 6));
    toreport("Lower bound to step sizes absolute  " + fmtf(p_.stepabs, 8, 6));
    toreport("Lower bound to step sizes relative  " + fmtf(p_.steprel, 8, 6));
    toreport("Control variable in step size adjustment  " + fmtf(p_.stepadjust, 4, 2));
    toreport("Initial value for step size  " + fmtf(p_.initstep, 6, 3));
    toreport("Maximum number of generations  " + fmti(p_.maxgen));
    for (int k = 0; k < 3; ++k) toreport(" ");
}

// A random parent: max(1, round(mu u)) within the parents' half.
int Grup::parent() {
    return parents_ + randomparent(draws_.rng, mu_) - 1;
}

void Grup::progress() {
    double sum = 0;
    for (int q = 0; q < mu_; ++q) {
        const auto& s = pop_[static_cast<size_t>(parents_ + q)].s;
        sum += meanstep(s.data(), s.size());
    }
    const double mean = sum / mu_;
    if (count_ % 2 == 0) {
        status(1, "Iteracition number..." + fmti(count_));
        status(2, "Best merit function..." + fmtf(best_, 12, 6));
        status(3, "Optimization step length mean..." + fmtf(mean, 10, 6));
    }
    const bool toreportnow = count_ % 10 == 0, tomemonow = count_ % 50 == 0;
    if (!toreportnow && !tomemonow) return;
    for (const std::string& line : {"Iteracition number is " + fmti(count_), "Best merit function is " + fmtf(best_, 12, 6),
                                    "Mean value for optimization step length is  " + fmtf(mean, 10, 6),
                                    std::string(" ")}) {
        if (toreportnow) toreport(line);
        if (tomemonow) tomemo(line);
    }
}

void Grup::store(int q, const Model& mm, const std::vector<double>& s, double value) {
    EsMember& t = pop_[static_cast<size_t>(q)];
    t.sys = mm.lens.sys;
    t.rays = mm.lens.rays;
    for (int k = 0; k < nvar(); ++k) {
        const size_t u = static_cast<size_t>(k);
        const double x = std::fabs(esstepref(mm.lens.sys, vars_[u])) * p_.steprel;
        t.s[u] = std::max({p_.stepabs, x, s[u]});
    }
    t.value = value;
}

// A mutant of the start system in the model: x = start + z s0 f with one z per component;
// a violated rule halves f and tries the same z again. False when a glass found no substitute.
bool Grup::initialmutant(double& f) {
    putsystem(m_, start_, startrays_);
    for (int k = 0; k < nvar(); ++k) {
        const EsVar& v = vars_[static_cast<size_t>(k)];
        const double base = startvalue(k), step = s0_[static_cast<size_t>(k)];
        if (v.kind == EsComp::gindex) {
            class Draws : public GlassDraws {
            public:
                Draws(UniversalRandom& r, const double* s) : r_(r), s_(s) {}
                double deviation(int comp) override { return r_.normal() * s_[comp]; }
                bool outside(int) override { return true; }
                void rejected() override {}
                UniversalRandom& r_;
                const double* s_;
            } d(draws_.rng, &s0_[static_cast<size_t>(k)]);
            if (glass(m_, k, base, startvalue(k + 1), false, d) != GlassResult::set) return false;
            ++k;
            continue;
        }
        const double z = draws_.rng.normal();
        double x = base + z * step * f;
        for (int t = 0; !ruleholds(m_, k, x); ++t) {
            if (t == maxstarttries) error(ruleexhausted(k));
            f /= 2;
            x = base + z * step * f;
        }
        essetvalue(m_.lens.sys, v, x);
    }
    return true;
}

void Grup::initial() {
    pop_.assign(static_cast<size_t>(2 * mu_), EsMember{start_, startrays_, s0_, {}, startval_});
    int bestslot = 0;
    for (int q = 1; q < mu_; ++q) {
        double f = 1, value = -1;
        for (int t = 0; value < 0; ++t) {
            if (t == maxstarttries) error("No valid member of the start population found in " + fmti(maxstarttries) + " mutants of the start system");
            if (t > 0) f /= 2;
            if (initialmutant(f)) {
                value = evaluate(m_);
                ++out_.evaluations;
            }
            poll();
        }
        if (phase_ < 0 && value == 0) feasible(m_);
        store(q, m_, s0_, value);
        if (value < pop_[static_cast<size_t>(bestslot)].value) bestslot = q;
    }
    const EsMember& b = pop_[static_cast<size_t>(bestslot)];
    if (b.value < best_) {
        best_ = b.value;
        keepbest(b.sys, b.rays);
    }
}

// The glass deviations of an offspring: a normal number times the step; outside a window
// the factor f is halved (the offspring is invalid below 10 epsA), a rejected lookup
// doubles it; both glass steps follow f.
struct Grup::GlassSteps : public GlassDraws {
    GlassSteps(UniversalRandom& r, double& f, double limit, const double* sums, double* steps)
        : r_(r), f_(f), limit_(limit), sums_(sums), steps_(steps) {}
    double deviation(int comp) override { return r_.normal() * steps_[comp]; }
    bool outside(int) override {
        f_ /= 2;
        if (f_ < limit_) return false;
        recompute();
        return true;
    }
    void rejected() override {
        f_ = std::fmin(2 * f_, 1e300);
        recompute();
    }
    void recompute() {
        steps_[0] = f_ * sums_[0];
        steps_[1] = f_ * sums_[1];
    }
    UniversalRandom& r_;
    double& f_;
    const double limit_;
    const double* sums_;
    double* steps_;
};

// The object components and step sizes of an offspring; false when it is invalid.
bool Grup::makecomponents(EsCandidate& c, double& f) {
    const double limit = 10 * p_.convabs;
    auto& rng = draws_.rng;
    int p = reko_ ? parents_ : parent();
    Model& mm = *c.model;
    putsystem(mm, pop_[static_cast<size_t>(p)].sys, pop_[static_cast<size_t>(p)].rays);
    // the step of component k: the parent's, or the sum of two random parents' steps
    const auto sum = [&](int k) {
        if (!reko_) return pop_[static_cast<size_t>(p)].s[static_cast<size_t>(k)];
        const int a = parent(), b = parent();
        return pop_[static_cast<size_t>(a)].s[static_cast<size_t>(k)] + pop_[static_cast<size_t>(b)].s[static_cast<size_t>(k)];
    };
    for (int k = 0; k < nvar(); ++k) {
        const size_t u = static_cast<size_t>(k);
        const EsVar& v = vars_[u];
        sums_[u] = sum(k);
        if (v.kind == EsComp::gindex) {
            sums_[u + 1] = sum(k + 1);
            if (reko_) p = parent();
            GlassSteps d(rng, f, limit, &sums_[u], &c.s[u]);
            d.recompute();
            const EsMember& pm = pop_[static_cast<size_t>(p)];
            const GlassResult r = glass(mm, k, esvalue(pm.sys, v), esvalue(pm.sys, vars_[u + 1]), false, d);
            if (r != GlassResult::set) return false;
            ++k;
            continue;
        }
        if (reko_) p = parent();
        const double base = esvalue(pop_[static_cast<size_t>(p)].sys, v);
        const double z = rng.normal();
        c.s[u] = f * sums_[u];
        double x = base + z * c.s[u];
        while (!ruleholds(mm, k, x)) {
            f /= 2;
            if (f < limit || !(f > 0)) return false;
            if (reko_) sums_[u] = sum(k);
            c.s[u] = f * sums_[u];
            x = base + z * c.s[u];
        }
        essetvalue(mm.lens.sys, v, x);
    }
    return true;
}

void Grup::make(EsCandidate& c) {
    double f = offspringfactor(p_.stepadjust, draws_.rng.normal(), reko_);
    c.s.resize(static_cast<size_t>(nvar()));
    c.valid = makecomponents(c, f);
}

int Grup::worstoffspring() const {
    int w = offspringhalf_;
    for (int q = offspringhalf_ + 1; q < offspringhalf_ + mu_; ++q)
        if (pop_[static_cast<size_t>(q)].value > pop_[static_cast<size_t>(w)].value) w = q;
    return w;
}

void Grup::strategy() {
    sums_.assign(static_cast<size_t>(nvar()), 0.0);
    initial();
    parents_ = mu_;
    offspringhalf_ = 0;
    const int sgn = phase_ < 0 ? -1 : 1;
    const long maxattempts = 50L * lambda_;
    for (;;) {
        std::swap(parents_, offspringhalf_);
        long accepted = 0, attempts = 0;
        int worst = offspringhalf_;
        ++count_;
        progress();
        const auto done = [&] { return attempts > lambda_ && accepted > mu_; };
        offspring([&](EsCandidate& c) { make(c); },
                  [&](EsCandidate& c) {
                      ++attempts;
                      if (c.evaluated) ++out_.evaluations;
                      if (c.valid) {
                          if (phase_ < 0 && c.value == 0) feasible(*c.model);
                          ++accepted;
                          if (accepted <= mu_) {
                              store(offspringhalf_ + static_cast<int>(accepted) - 1, *c.model, c.s, c.value);
                              if (accepted == mu_) worst = worstoffspring();
                          } else if (c.value < pop_[static_cast<size_t>(worst)].value) {
                              store(worst, *c.model, c.s, c.value);
                              worst = worstoffspring();
                          }
                      }
                      if (!done() && attempts >= maxattempts) stop(3 * sgn);
                  },
                  [&] { return static_cast<int>(std::max({0L, lambda_ + 1 - attempts, mu_ + 1 - accepted})); });
        int bestslot = offspringhalf_;
        double sum = 0;
        for (int q = offspringhalf_; q < offspringhalf_ + mu_; ++q) {
            const double v = pop_[static_cast<size_t>(q)].value;
            sum += v;
            if (v < pop_[static_cast<size_t>(bestslot)].value) bestslot = q;
        }
        const EsMember& b = pop_[static_cast<size_t>(bestslot)];
        if (b.value < best_) {
            best_ = b.value;
            keepbest(b.sys, b.rays);
        }
        const double d = pop_[static_cast<size_t>(worstoffspring())].value - b.value;
        if (!(d > p_.convabs && d * mu_ / p_.convrel >= std::fabs(sum))) stop(2 * sgn);
        if (count_ >= p_.maxgen) stop(phase_);
        poll();
    }
}

}  // namespace

EAOutcome rungrup(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks) {
    Grup run(m, kind, p, setup, hooks);
    return run.run();
}

}  // namespace zefo
