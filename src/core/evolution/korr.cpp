#include "core/evolution/korr.h"

#include <cmath>

#include "core/evolution/esrun.h"
#include "core/evolution/evol.h"

namespace zefo {

namespace {

// Rejection draws of one tail of the normal numbers before the draw gives up (never
// reached in practice: every tail accepts most of its draws).
constexpr int maxtaildraws = 1000;

double tail(UniversalRandom& rng, double u) {
    const auto density = [](double x) { return 0.39894228 * std::exp(-x * x / 2); };
    for (int t = 0; t < maxtaildraws; ++t) {
        const double w1 = rng.uniform(), w2 = rng.uniform();
        double x = 0;
        bool ok = false;
        if (u >= 0.965487131) {
            if (w1 <= 0) continue;
            x = std::sqrt(4.46911474 - 2 * std::log(w1));
            ok = x * w2 <= 2.11402808;
        } else if (u >= 0.949990709) {
            x = w1 * 0.273629336 + 1.84039875;
            ok = density(x) - 0.443299126 + 0.209694057 * x >= 0.0427025816 * w2;
        } else if (u < 0.925852334) {
            x = w1 * 0.289729574;
            ok = density(x) - 0.382544556 >= 0.0163977244 * w2;
        } else {
            x = w1 * 1.55066917 + 0.289729574;
            ok = density(x) - 0.443299126 + 0.209694057 * x >= 0.0159745227 * w2;
        }
        if (ok) return x;
    }
    return 0;
}

}  // namespace

double korrnormal(UniversalRandom& rng) {
    const double u = rng.uniform(), v = rng.uniform();
    if (u < 0.919544406) return (u * 0.825339283 + v) * 2.40375766 - 2.11402808;
    const double x = tail(rng, u);
    return v >= 0.5 ? -x : x;
}

KorrRates korrrates(int nvar) {
    const double v = nvar;
    return {1 / std::sqrt(2 * v), 1 / std::sqrt(2 * std::sqrt(v))};
}

void rotatepairs(double* z, int nvar, const double* a) {
    int q = nvar * (nvar - 1) / 2;
    for (int i = 1; i <= nvar - 1; ++i) {
        const int ka = nvar - i;
        int kb = nvar;
        for (int r = 0; r < i; ++r) {
            const double s = std::sin(a[q - 1]), c = std::cos(a[q - 1]);
            const double d1 = z[ka - 1], d2 = z[kb - 1];
            z[kb - 1] = d1 * s + d2 * c;
            z[ka - 1] = d1 * c - d2 * s;
            --kb;
            --q;
        }
    }
}

double storedangle(double a) {
    if (std::fabs(a) > 180) return a - (a > 0 ? 360.0 : -360.0);
    return a;
}

namespace {

constexpr double anglestep = 0.8725;
// Tries of one initial parent before the run gives up.
constexpr int maxparenttries = 50;
// Halvings of a step size of an initial parent whose rule is violated.
constexpr int maxhalvings = 1000;

class Korr : public EsRun {
public:
    Korr(Model& m, const EAParams& p, const EASetup& setup, const EAHooks& hooks)
        : EsRun(m, EAKind::korr, p, setup, hooks), mu_(p.parents), lambda_(p.offspring) {}

private:
    void header() override;
    void strategy() override;

    struct Glass;
    int parent() { return randomparent(draws_.rng, mu_) - 1; }
    double N() { return korrnormal(draws_.rng); }
    void progress();
    void change(EsCandidate& c);
    enum class Part { steps, angles, objects };
    double pick(int type, Part part, int k, EsCandidate& c, bool& fromp2);
    bool mutant(EsCandidate& c, bool initial);
    void make(EsCandidate& c);
    void store(int q, const EsCandidate& c);
    void initialparents();
    int worstslot() const;
    int bestslot() const;

    const int mu_, lambda_;
    int na_ = 1;
    bool rotate_ = true;
    int nglassfirst_ = 0;           // nC + nD
    KorrRates rates_;
    double g_ = 0;
    std::vector<EsMember> pop_;
    double prevsum_ = 0;
};

void Korr::header() {
    toreport("Evolutionary strategy ES KORR Optimization");
    toreport(" ");
    toreport(titleline(m_.lens, setup_.head));
    toreport(" ");
    toreport("Starting conditions for optimization are");
    toreport(" ");
    toreport("Number of the parents in the population  " + fmti(p_.parents));
    toreport("Number of the offsprings in population  " + fmti(p_.offspring));
    toreport("Check convergence critrion after how meny generations  " + fmti(p_.korrconvgen));
    toreport("Parametar in convergence test absolute  " + fmtf(p_.convabs, 8, 6));
    toreport("Parametar in convergence test relative  " + fmtf(p_.convrel, 8, 6));
    toreport("Lower bound to step sizes absolute  " + fmtf(p_.stepabs, 8, 6));
    toreport("Lower bound to step sizes relative  " + fmtf(p_.steprel, 8, 6));
    toreport("Initial value for step size  " + fmtf(p_.initstep, 6, 3));
    toreport("Initial value for positional angles  " + fmtf(p_.angle, 2, 0));
    toreport("Maximum number of generations  " + fmti(p_.maxgen));
    for (int k = 0; k < 3; ++k) toreport(" ");
}

void Korr::progress() {
    double sum = 0;
    for (int q = 0; q < mu_; ++q) {
        const auto& s = pop_[static_cast<size_t>(q)].s;
        sum += meanstep(s.data(), s.size());
    }
    const double mean = sum / mu_;
    status(1, "Iteratition..." + fmti(count_));
    status(2, "Best merit function..." + fmtf(best_, 12, 6));
    status(3, "Optimization step length mean..." + fmtf(mean, 10, 6));
    const std::string head[] = {"Iteratition number is " + fmti(count_), "Best merit function is " + fmtf(best_, 12, 6)};
    if (count_ % 10 == 0) {
        for (const auto& l : head) toreport(l);
        toreport("Mean value for optimization step length is " + fmtf(mean, 10, 6));
        toreport(" ");
    }
    if (count_ % 50 == 0) {
        for (const auto& l : head) tomemo(l);
        tomemo("Mean value for optimization step length is  " + fmtf(mean, 10, 6));
        tomemo(" ");
    }
}

// Step sizes, angles and the correlated mutation vector of one offspring.
void Korr::change(EsCandidate& c) {
    const int v = nvar();
    const double a = g_ * N();
    for (int k = 0; k < v; ++k) {
        double& s = c.s[static_cast<size_t>(k)];
        s *= std::exp(a + rates_.t * N());
        if (k >= nglassfirst_) s /= (k - nglassfirst_) % 2 == 0 ? 10 : 2;
    }
    for (int k = 0; k < v; ++k) c.z[static_cast<size_t>(k)] = c.s[static_cast<size_t>(k)] * N();
    if (!rotate_) return;
    for (double& x : c.a) x += anglestep * N();
    rotatepairs(c.z.data(), v, c.a.data());
}

// The base of component k of one part (step sizes, angles, object values) by its
// recombination type; fromp2 tells whether a discrete choice took the second parent.
double Korr::pick(int type, Part part, int k, EsCandidate& c, bool& fromp2) {
    const auto value = [&](int q) {
        const EsMember& m = pop_[static_cast<size_t>(q)];
        const size_t u = static_cast<size_t>(k);
        return part == Part::steps ? m.s[u] : part == Part::angles ? m.a[u] : esvalue(m.sys, vars_[u]);
    };
    const auto mean = [&](int q1, int q2) {
        const double a1 = value(q1), a2 = value(q2);
        double x = (a1 + a2) / 2;
        if (part == Part::angles && std::fabs(a1 - a2) > 180) x += a1 > a2 ? 180.0 : -180.0;
        return x;
    };
    fromp2 = false;
    switch (type) {
    case 2:
        fromp2 = draws_.rng.uniform() >= 0.5;
        return value(fromp2 ? c.p2 : c.p1);
    case 3: return mean(c.p1, c.p2);
    case 4:
        c.p1 = parent();
        return value(c.p1);
    case 5:
        c.p1 = parent();
        c.p2 = parent();
        return mean(c.p1, c.p2);
    default: return value(c.p1);
    }
}

// The deviations of a glass variable: first the correlated ones, after every change of a
// step a fresh step times a normal number; outside a window the step is halved, or doubled
// once it is below 100 times the lower bound (and from then on), a rejected lookup doubles
// both steps. A doubled step stops growing at a width that spans the class's window.
struct Korr::Glass : public GlassDraws {
    Glass(Korr& r, EsCandidate& c, int k) : r_(r), c_(c), k_(static_cast<size_t>(k)) {}
    double deviation(int comp) override {
        const size_t u = k_ + static_cast<size_t>(comp);
        if (!fresh_[comp]) {
            fresh_[comp] = true;
            return c_.z[u];
        }
        return c_.s[u] * r_.N();
    }
    bool outside(int comp) override {
        double& s = c_.s[k_ + static_cast<size_t>(comp)];
        if (doubling_[comp] || s < 100 * r_.p_.stepabs) {
            doubling_[comp] = true;
            s = std::fmin(2 * s, cap[comp]);
        } else {
            s /= 2;
        }
        return true;
    }
    void rejected() override {
        for (int comp = 0; comp < 2; ++comp) {
            double& s = c_.s[k_ + static_cast<size_t>(comp)];
            s = std::fmin(2 * s, cap[comp]);
            fresh_[comp] = true;
        }
    }
    static constexpr double cap[2] = {0.5, 50};
    Korr& r_;
    EsCandidate& c_;
    const size_t k_;
    bool fresh_[2] = {false, false};
    bool doubling_[2] = {false, false};
};

// The object components of c in its model: from the start system (initial parents) or by
// recombination, plus the mutation vector, with the sign and range rules; false when the
// candidate is invalid.
bool Korr::mutant(EsCandidate& c, bool initial) {
    Model& mm = *c.model;
    putsystem(mm, start_, startrays_);
    const int objtype = p_.recombcode / 100;
    for (int k = 0; k < nvar(); ++k) {
        const size_t u = static_cast<size_t>(k);
        const EsVar& v = vars_[u];
        bool fromp2 = false;
        const double base = initial ? startvalue(k) : pick(objtype, Part::objects, k, c, fromp2);
        if (v.kind == EsComp::gindex) {
            const double abbe = initial ? startvalue(k + 1) : pick(objtype, Part::objects, k + 1, c, fromp2);
            Glass d(*this, c, k);
            if (glass(mm, k, base, abbe, true, d) != GlassResult::set) return false;
            ++k;
            continue;
        }
        double x = base + c.z[u];
        const double maxfactor = objtype == 2 && fromp2 ? 0.0 : 10.0;
        for (int t = 0; !ruleholds(mm, k, x, v.kind == EsComp::radius ? maxfactor : 0.0); ++t) {
            c.s[u] /= 2;
            if (initial ? t == maxhalvings : !(c.s[u] >= 10 * p_.convabs)) {
                if (initial) error(ruleexhausted(k));
                return false;
            }
            c.z[u] = c.s[u] * N();
            x = base + c.z[u];
        }
        essetvalue(mm.lens.sys, v, x);
    }
    return true;
}

void Korr::make(EsCandidate& c) {
    c.p1 = parent();
    c.p2 = parent();
    bool fromp2 = false;
    for (int k = 0; k < nvar(); ++k)
        c.s[static_cast<size_t>(k)] = pick(p_.recombcode / 10 % 10, Part::steps, k, c, fromp2);
    if (rotate_)
        for (int j = 0; j < na_; ++j) c.a[static_cast<size_t>(j)] = pick(p_.recombcode % 10, Part::angles, j, c, fromp2);
    change(c);
    c.valid = mutant(c, false);
}

void Korr::store(int q, const EsCandidate& c) {
    EsMember& t = pop_[static_cast<size_t>(q)];
    t.sys = c.model->lens.sys;
    t.rays = c.model->lens.rays;
    for (size_t k = 0; k < t.s.size(); ++k) t.s[k] = c.s[k] > p_.stepabs ? c.s[k] : p_.stepabs;
    for (size_t j = 0; j < t.a.size(); ++j) t.a[j] = storedangle(c.a[j]);
    t.value = c.value;
}

// The highest value among the offspring slots (the later of equal ones), and the lowest.
int Korr::worstslot() const {
    int w = mu_;
    for (int q = mu_ + 1; q < 2 * mu_; ++q)
        if (pop_[static_cast<size_t>(q)].value >= pop_[static_cast<size_t>(w)].value) w = q;
    return w;
}

int Korr::bestslot() const {
    int b = mu_;
    for (int q = mu_ + 1; q < 2 * mu_; ++q)
        if (pop_[static_cast<size_t>(q)].value <= pop_[static_cast<size_t>(b)].value) b = q;
    return b;
}

void Korr::initialparents() {
    const std::vector<double> angles(static_cast<size_t>(na_), p_.angle);
    pop_.assign(static_cast<size_t>(2 * mu_), EsMember{start_, startrays_, s0_, angles, startval_});
    int bestq = 0;
    EsCandidate& c = cand_[0];
    for (int q = 1; q < mu_; ++q) {
        c.s.assign(s0_.size(), p_.initstep);
        c.a = angles;
        bool taken = false;
        for (int t = 0; t < maxparenttries && !taken; ++t) {
            change(c);
            c.valid = mutant(c, true);
            evaluate(c);
            if (c.evaluated) ++out_.evaluations;
            poll();
            if (!c.valid) {
                for (double& s : c.s) s /= 2;
                continue;
            }
            if (phase_ < 0 && c.value == 0) feasible(m_);
            if (c.value < pop_[static_cast<size_t>(bestq)].value) {
                bestq = q;
                g_ *= std::log(2.0);
            }
            store(q, c);
            taken = true;
        }
        if (!taken) stop(-3);
    }
    const EsMember& b = pop_[static_cast<size_t>(bestq)];
    if (b.value < best_) {
        best_ = b.value;
        keepbest(b.sys, b.rays);
    }
    prevsum_ = 0;
    for (int q = 0; q < mu_; ++q) prevsum_ += pop_[static_cast<size_t>(q)].value;
}

void Korr::strategy() {
    const int v = nvar();
    rotate_ = p_.norotate == 0;
    na_ = rotate_ ? std::max(1, v * (v - 1) / 2) : 1;
    nglassfirst_ = 0;
    while (nglassfirst_ < v && (vars_[static_cast<size_t>(nglassfirst_)].kind == EsComp::radius ||
                                vars_[static_cast<size_t>(nglassfirst_)].kind == EsComp::sep))
        ++nglassfirst_;
    rates_ = korrrates(v);
    g_ = rates_.t0;
    for (EsCandidate& c : cand_) {
        c.s.assign(static_cast<size_t>(v), 0.0);
        c.z.assign(static_cast<size_t>(v), 0.0);
        c.a.assign(static_cast<size_t>(na_), p_.angle);
    }
    initialparents();
    const int sgn = phase_ < 0 ? -1 : 1;
    const bool plus = p_.plus != 0;
    const long maxattempts = 50L * lambda_;
    for (;;) {
        ++count_;
        progress();
        int worst = mu_;
        if (plus) {
            for (int q = 0; q < mu_; ++q) pop_[static_cast<size_t>(mu_ + q)] = pop_[static_cast<size_t>(q)];
            worst = worstslot();
        }
        long counted = 0, failures = 0, attempts = 0;
        int stored = 0;
        offspring([&](EsCandidate& c) { make(c); },
                  [&](EsCandidate& c) {
                      ++attempts;
                      if (c.evaluated) ++out_.evaluations;
                      if (c.valid && phase_ < 0 && c.value == 0) feasible(*c.model);
                      if (plus || c.valid) ++counted;
                      if (!c.valid) {
                          if (!plus && ++failures == lambda_) {
                              failures = 0;
                              if (attempts >= maxattempts) stop(3 * sgn);
                          }
                          return;
                      }
                      if (!plus && stored < mu_) {
                          store(mu_ + stored, c);
                          if (++stored == mu_) worst = worstslot();
                      } else if (c.value <= pop_[static_cast<size_t>(worst)].value) {
                          store(worst, c);
                          worst = worstslot();
                      }
                  },
                  [&] { return static_cast<int>(std::max(0L, lambda_ - counted)); });
        const int bq = bestslot();
        const double bestoff = pop_[static_cast<size_t>(bq)].value;
        const double worstoff = pop_[static_cast<size_t>(worstslot())].value;
        if (bestoff < best_) {
            best_ = bestoff;
            keepbest(pop_[static_cast<size_t>(bq)].sys, pop_[static_cast<size_t>(bq)].rays);
        }
        double sum = 0;
        for (int q = 0; q < mu_; ++q) {
            pop_[static_cast<size_t>(q)] = pop_[static_cast<size_t>(mu_ + q)];
            sum += pop_[static_cast<size_t>(q)].value;
        }
        bool test = true;
        double d = (worstoff - bestoff) * mu_;
        if (p_.korrconvgen == 2) {
            test = count_ % 2 == 0;
            d = prevsum_ - sum;
            if (test) prevsum_ = sum;
        }
        if (test && d <= mu_ * p_.convabs && d <= std::fabs(sum) * p_.convrel) stop(2 * sgn);
        if (count_ >= p_.maxgen) stop(phase_);
        poll();
    }
}

}  // namespace

EAOutcome runkorr(Model& m, const EAParams& p, const EASetup& setup, const EAHooks& hooks) {
    Korr run(m, p, setup, hooks);
    return run.run();
}

}  // namespace zefo
