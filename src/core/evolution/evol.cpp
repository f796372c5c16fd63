#include "core/evolution/evol.h"

#include <array>
#include <cmath>

#include "core/evolution/esrun.h"

namespace zefo {

namespace {

class Evol : public EsRun {
public:
    using EsRun::EsRun;

private:
    void header() override;
    void strategy() override;
    bool successline() const override { return true; }
    long successes() const override { return successes_; }

    void progress();
    bool mutate();
    void adjust();

    std::vector<double> s_;
    std::array<long, 10> window_{};
    long successes_ = 0;
};

void Evol::header() {
    toreport("Evolutionary strategy ES EVOL Optimization");
    toreport(" ");
    toreport(titleline(m_.lens, setup_.head));
    toreport(" ");
    toreport("Starting conditions for optimization are");
    toreport(" ");
    toreport("Control variable in convergence test  " + fmti(p_.evolconv));
    toreport("Control variable in step size managment  " + fmti(p_.evolstep));
    toreport("Parametar in convergence test absolute  " + fmtf(p_.convabs, 8, 6));
    toreport("Parametar in convergence test relative  " + fmtf(p_.convrel, 8, 6));
    toreport("Lower bound to step sizes absolute  " + fmtf(p_.stepabs, 8, 6));
    toreport("Lower bound to step sizes relative  " + fmtf(p_.steprel, 8, 6));
    toreport("Control variable in step size adjustment  " + fmtf(p_.stepadjust, 4, 2));
    toreport("Initial value for step size  " + fmtf(p_.initstep, 6, 3));
    toreport("Maximum number of generations  " + fmti(p_.maxgen));
    toreport(" ");
}

void Evol::progress() {
    const double mean = meanstep(s_.data(), s_.size());
    if (count_ % 300 == 0) {
        status(1, "Iteracition number..." + fmti(count_));
        status(2, "Best merit function..." + fmtf(best_, 12, 6));
        status(3, "Optimization step length mean..." + fmtf(mean, 10, 6));
    }
    const bool toreportnow = count_ % 1000 == 0, tomemonow = count_ % 5000 == 0;
    if (!toreportnow && !tomemonow) return;
    for (const std::string& line :
         {"Iteracition number is " + fmti(count_), "Best merit function is " + fmtf(best_, 12, 6),
          "Number of successful mutations is " + fmti(successes_),
          "Mean value for optimization step length is  " + fmtf(mean, 10, 6), std::string(" ")}) {
        if (toreportnow) toreport(line);
        if (tomemonow) tomemo(line);
    }
}

// The candidate in the model from the parent; false when a glass found no substitute.
bool Evol::mutate() {
    putsystem(m_, bestsys_, bestrays_);
    for (int k = 0; k < nvar(); ++k) {
        const EsVar& v = vars_[static_cast<size_t>(k)];
        const double base = esvalue(bestsys_, v);
        const double step = s_[static_cast<size_t>(k)];
        switch (v.kind) {
        case EsComp::radius:
        case EsComp::sep: essetvalue(m_.lens.sys, v, drawruled(m_, k, base, step)); break;
        case EsComp::gindex: {
            NormalGlassDraws d(draws_.rng, &s_[static_cast<size_t>(k)]);
            if (glass(m_, k, base, esvalue(bestsys_, vars_[static_cast<size_t>(k) + 1]), false, d) !=
                GlassResult::set)
                return false;
            ++k;
            break;
        }
        default: essetvalue(m_.lens.sys, v, base + draws_.rng.normal() * step); break;
        }
    }
    return true;
}

void Evol::adjust() {
    onefifthrule(s_, successes_, window_, p_.stepadjust, nvar());
    for (int k = 0; k < nvar(); ++k) {
        const EsVar& v = vars_[static_cast<size_t>(k)];
        const bool parentvalue = v.kind == EsComp::radius || v.kind == EsComp::sep || v.kind == EsComp::gindex ||
                                 v.kind == EsComp::gabbe;
        const double x = esstepref(parentvalue ? bestsys_ : m_.lens.sys, v);
        double& s = s_[static_cast<size_t>(k)];
        if (std::fabs(x * p_.steprel) > s) s = std::fabs(x * p_.steprel);
        if (s < p_.stepabs) s = p_.stepabs;
    }
}

void Evol::strategy() {
    s_ = s0_;
    successes_ = 0;
    const long nv = nvar();
    window_ = successwindow(nv);
    const long period = nv * std::max(1, p_.evolstep);
    const long testevery = 10L * std::max(1, p_.evolconv);
    long adjustments = 0;
    double previous = startval_;
    for (;;) {
        ++count_;
        progress();
        double value = -1;
        if (mutate()) {
            value = evaluate(m_);
            ++out_.evaluations;
        }
        poll();
        if (value >= 0 && phase_ < 0 && value == 0) feasible(m_);
        if (value >= 0 && value < best_) {
            ++successes_;
            best_ = value;
            keepbest(m_);
        }
        if (count_ % period == 0) {
            adjust();
            if (++adjustments % testevery == 0) {
                const double d = previous - best_;
                if (d <= p_.convabs || d / p_.convrel <= std::fabs(previous)) stop(phase_ < 0 ? -2 : 2);
                previous = best_;
            }
        }
        if (count_ >= p_.maxgen) stop(phase_);
    }
}

}  // namespace

EAOutcome runevol(Model& m, const EAParams& p, const EASetup& setup, const EAHooks& hooks) {
    Evol run(m, EAKind::evol, p, setup, hooks);
    return run.run();
}

}  // namespace zefo
