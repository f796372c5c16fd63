#include "core/optim/dls.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "core/model/glasscat.h"
#include "core/optim/boundary.h"
#include "core/optim/dlsmath.h"
#include "core/optim/variables.h"
#include "core/report/report.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

constexpr int freezeinterval = 10;
constexpr double trialfailed = 1e300;   // merit of a trial whose system cannot be evaluated

// A glass as it stood before the run made it a model glass.
struct StartGlass {
    int surface;
    std::string name;
    Index3 index;
    double disp;
};

// The end of a run: a calculation error or Esc.
struct Stop {};

class Dls {
public:
    Dls(Model& m, MeritList& list, const DlsSetup& setup, const DlsHooks& hooks)
        : m_(m), l_(list), setup_(setup), hooks_(hooks) {
        const unsigned hw = std::thread::hardware_concurrency();
        threads_ = setup.threads > 0 ? setup.threads : static_cast<int>(hw > 0 ? hw : 1);
    }

    DlsOutcome run();

private:
    void say(const std::string& line) {
        out_.memo.push_back(line);
        report_.addline(line);
        if (hooks_.memo) hooks_.memo(line);
    }
    void poll() {
        if (hooks_.cancelled && hooks_.cancelled()) {
            cancelled_ = true;
            throw Stop{};
        }
    }
    void check() {
        if (m_.calcerror) throw Stop{};
    }

    void start();
    void iterate();
    void finish();

    int nrows() const { return ncomponents(m_.lens, l_); }
    int nvar() const { return static_cast<int>(vars_.size()); }
    void enumerate() { enumvariables(m_, ai_, vars_); }
    void evaluate();
    void residuals();
    void jacobian();
    bool solve(double lambda);
    void trial();
    void search();
    void accept();
    int axialrule();
    bool release(bool& released);
    void unfreeze();
    void makemodelglasses();
    void replacemodelglasses();

    Model& m_;
    MeritList& l_;
    const DlsSetup& setup_;
    const DlsHooks& hooks_;
    DlsOutcome out_;
    int threads_ = 1;
    std::unique_ptr<JacobianThreads> jac_;   // the Jacobian's threads, kept for the run
    bool cancelled_ = false;
    bool havebase_ = false;     // base_ holds an evaluated system
    Report report_;             // the memo as the ".opt" report; watches its numbers

    AsphIncrements ai_;
    std::vector<Variable> vars_;
    std::vector<int> frozen_;
    std::vector<StartGlass> startglasses_;
    OpticalSystem base_;        // the accepted system
    OpticalSystem before_;      // the accepted system before the last step
    std::vector<double> r_, J_, A_, g_, work_, rhs_, x_;
    double lambda_ = 0.1;
    double merit_ = 0, M0_ = 0;
    double M_ = 0, F_ = 0, P_ = 0;   // the last trial
    int endflag_ = 0;
};

void Dls::evaluate() {
    meritcalc(m_, l_);
    check();
    residuals();
    merit_ = meritsum(m_, l_);
}

void Dls::residuals() {
    const int n = nrows();
    r_.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) r_[static_cast<size_t>(i)] = residual(m_.lens, l_, i);
}

void Dls::jacobian() {
    poll();
    enumerate();
    std::string err;
    if (!jac_) jac_ = std::make_unique<JacobianThreads>(threads_);
    if (!jac_->build(m_, l_, vars_, r_, J_, err)) {
        fail(m_, err);
        throw Stop{};
    }
    normalequations(J_, r_, nrows(), nvar(), A_, g_);
}

bool Dls::solve(double lambda) {
    const int n = nvar();
    work_ = A_;
    rhs_ = g_;
    dampdiagonal(work_, n, lambda, m_.lens.damptype);
    return choleskysolve(work_, rhs_, n, x_);
}

void Dls::trial() {
    poll();
    const int n = nvar(), nr = nrows();
    if (!solve(lambda_)) {
        M_ = F_ = trialfailed;
        P_ = 0;
        say("   " + fmtf(lambda_, 12, 6) + "  no solution of the normal equations");
        return;
    }
    double p = 0;
    for (int j = 0; j < n; ++j) p += x_[static_cast<size_t>(j)] * x_[static_cast<size_t>(j)];
    P_ = std::sqrt(p);
    double f = 0;
    for (int i = 0; i < nr; ++i) {
        double s = r_[static_cast<size_t>(i)];
        for (int j = 0; j < n; ++j)
            s -= J_[static_cast<size_t>(j) * static_cast<size_t>(nr) + static_cast<size_t>(i)] * x_[static_cast<size_t>(j)];
        f += s * s;
    }
    F_ = f;
    m_.lens = base_;
    stepvariables(m_, vars_, x_.data());
    const bool ok = meritcalc(m_, l_);
    M_ = ok ? meritsum(m_, l_) : trialfailed;
    if (!ok) {
        m_.calcerror = false;
        say("   " + fmtf(lambda_, 12, 6) + "  trial failed: " + m_.errmsg);
        m_.errmsg.clear();
    } else {
        say(triallinetext(lambda_, F_, M_, P_));
        if (hooks_.status) hooks_.status("Merit function..." + fmtf(M_, 12, 6));
    }
    m_.lens = base_;
}

// The damping search: trials at several damping factors, the model of the merit through the
// last three, its minimum, and the step of the last trial applied.
void Dls::search() {
    endflag_ = 0;
    M0_ = merit_;
    trial();
    const auto noimprovement = [&] { return M_ >= M0_ && P_ < 1; };
    if (noimprovement()) {
        endflag_ = 1;
        accept();
        return;
    }
    if (M_ > 2 * M0_) {
        for (int it = 0; it < 60 && M_ >= M0_; ++it) {
            lambda_ *= 10;
            trial();
            if (noimprovement()) {
                endflag_ = 1;
                accept();
                return;
            }
        }
    }
    double MA = M_, FA = F_, MB = 0, FB = 0;
    double f = 0.5;
    lambda_ *= f;
    trial();
    bool loop = true;
    if (M_ >= MA) {
        MB = MA, FB = FA, MA = M_, FA = F_;
        f = 2;
        lambda_ *= 4;
        trial();
        loop = M_ < MA;
    }
    for (int it = 0; loop && it < 200 && M_ < MA; ++it) {
        MB = MA, FB = FA, MA = M_, FA = F_;
        lambda_ *= f;
        if (lambda_ < 5e-6 || P_ < 1) {
            endflag_ = 1;
            break;
        }
        trial();
    }
    // step back to the best trial
    lambda_ /= f;
    std::swap(M_, MA);
    std::swap(F_, FA);
    const double best = lambda_, bestmerit = M_;
    double next = best;
    if (M_ < trialfailed && MA < trialfailed && MB > 0 && MB < trialfailed)
        next = modeldamping(lambda_, M_, F_, MA, FA, MB, FB);
    lambda_ = next;
    trial();
    if (M_ > bestmerit && lambda_ != best) {   // the model missed: the best trial is taken
        lambda_ = best;
        trial();
    }
    accept();
}

// Applies the solution of the last trial to the accepted system.
void Dls::accept() {
    before_ = base_;
    if (M_ < trialfailed) {
        m_.lens = base_;
        stepvariables(m_, vars_, x_.data());
    }
    evaluate();
    base_ = m_.lens;
}

// Separations stepped below their axial limit: the step is undone, the separations are set
// to the limit and lose their "D" label. Returns the number frozen.
int Dls::axialrule() {
    const auto& sp = m_.lens.sys.sp;
    std::vector<int> low;
    for (int i = 1; i < m_.lens.nsurf; ++i) {
        if (sp.optlabel[static_cast<size_t>(i)].find('D') == std::string::npos) continue;
        const double s = sp.sep[static_cast<size_t>(i)];
        const double signedsep = sp.index[static_cast<size_t>(i)][0] < 0 ? -s : s;
        if (signedsep < m_.lens.axlim[static_cast<size_t>(i)]) low.push_back(i);
    }
    if (low.empty()) return 0;
    for (int i : low)
        say("Distance " + fmti(i) + " changed from " + fmtf(sp.sep[static_cast<size_t>(i)], 10, 4) + " to "
            + fmtf(m_.lens.axlim[static_cast<size_t>(i)], 10, 4));
    m_.lens = before_;
    for (int i : low) {
        m_.lens.sys.sp.sep[static_cast<size_t>(i)] = m_.lens.axlim[static_cast<size_t>(i)];
        removelabel(m_, i, "D");
        frozen_.push_back(i);
    }
    evaluate();
    base_ = before_ = m_.lens;
    return static_cast<int>(low.size());
}

void Dls::unfreeze() {
    say("All frosen variables are cleared!");
    for (int i : frozen_) m_.lens.sys.sp.optlabel[static_cast<size_t>(i)] += "D";
    frozen_.clear();
    base_.sys.sp.optlabel = m_.lens.sys.sp.optlabel;
}

// Releases the boundary-condition components that the predicted step keeps well inside
// their limits.
bool Dls::release(bool& released) {
    released = false;
    if (l_.nbc() == 0) return false;
    jacobian();
    if (!solve(lambda_)) return true;
    const int nr = nrows(), n = nvar();
    std::vector<int> gone;
    for (int row = 0; row < l_.nbc(); ++row) {
        const int i = m_.lens.naber + row;
        const BcEntry& bc = l_.bc[static_cast<size_t>(row)];
        double predicted = r_[static_cast<size_t>(i)];
        for (int j = 0; j < n; ++j)
            predicted -= J_[static_cast<size_t>(j) * static_cast<size_t>(nr) + static_cast<size_t>(i)] * x_[static_cast<size_t>(j)];
        // margin inside the limit: an edge thickness above its limit, a height below its
        // limit, a glass inside the triangle
        const double inward = bc.kind == 1 || (bc.kind == 3 && bc.surf == 3) ? 1.0 : -1.0;
        if (inward * r_[static_cast<size_t>(i)] > 0.2 && inward * predicted > 0.2) {
            say(bcreleaseline(m_, l_, row));
            gone.push_back(row);
        }
    }
    for (auto it = gone.rbegin(); it != gone.rend(); ++it) bcremove(m_.lens, l_, *it);
    if (gone.empty()) return true;
    released = true;
    evaluate();
    base_ = m_.lens;
    jacobian();
    return true;
}

void Dls::makemodelglasses() {
    const auto& sp = m_.lens.sys.sp;
    for (int i = 0; i <= m_.lens.nsurf; ++i) {
        if (sp.optlabel[static_cast<size_t>(i)].find('G') == std::string::npos) continue;
        startglasses_.push_back({i, sp.glass[static_cast<size_t>(i)], sp.index[static_cast<size_t>(i)],
                                 sp.disp[static_cast<size_t>(i)]});
        makemodelglass(m_, i);
    }
}

// Every model glass becomes a catalogue glass (catalogueglass); without a catalogue the
// start glasses come back.
void Dls::replacemodelglasses() {
    auto& sp = m_.lens.sys.sp;
    for (const StartGlass& s : startglasses_) {
        const size_t i = static_cast<size_t>(s.surface);
        if (!ismodelglass(m_, s.surface)) continue;
        if (setup_.catalog && setup_.catalog->isopen()) {
            for (const auto& line : catalogueglass(m_, s.surface, *setup_.catalog)) say(line);
            if (!ismodelglass(m_, s.surface)) continue;
        }
        sp.glass[i] = s.name;
        sp.index[i] = s.index;
        sp.disp[i] = s.disp;
        say("Model glass of surface " + fmti(s.surface) + " restored to the start glass " + s.name);
    }
    startglasses_.clear();
}

void Dls::start() {
    say("           DLS Optimization");
    {
        Model copy = m_;   // the system data lines recompute the ray start; the run keeps it
        // a telescope's entrance pupil is the answer already given: the run asks nothing
        copy.askentrpupil = [pupil = m_.entrpupil] { return pupil; };
        Report head;
        if (!systemreport(copy, setup_.head, head, false)) {
            fail(m_, copy.errmsg);
            throw Stop{};
        }
        for (const auto& line : head.lines()) say(line);
    }
    l_.bc.clear();
    sizemeritlist(m_.lens, l_);
    m_.targheight = 0;
    lambda_ = 0.1;
    const int s = m_.lens.anglesurf;
    if (s > 0 && s <= m_.lens.nsurf) removelabel(m_, s - 1, "C");
    bool glassvars = false;
    for (int i = 0; i <= m_.lens.nsurf; ++i)
        glassvars |= m_.lens.sys.sp.optlabel[static_cast<size_t>(i)].find('G') != std::string::npos;
    if (glassvars && !(setup_.catalog && setup_.catalog->isopen())) {
        fail(m_, "Glass variables need the glass catalogue");
        throw Stop{};
    }
    ai_ = asphincrements(m_);
    enumerate();
    if (vars_.empty()) {
        fail(m_, "The system has no optimization variables");
        throw Stop{};
    }
    before_ = m_.lens;
    axialrule();
    makemodelglasses();
    merit_ = meritstep(m_, l_, [this](const std::string& l) { say(l); });
    check();
    residuals();
    base_ = before_ = m_.lens;
    out_.meritstart = merit_;
    lambda_ = merit_ > 1e5 ? 0.5 : 0.01;
    say(" ");
    say("Merit function = " + fmtf(merit_, 20, 6));
    say("          P               Forcast          Merit function           Step      ");
    say("Iteration..." + fmti(1));
    havebase_ = true;
}

void Dls::iterate() {
    jacobian();
    double previous = merit_;
    for (;;) {
        const double M0 = merit_;
        search();
        ++out_.iterations;
        for (int guard = 0; guard <= m_.lens.nsurf && axialrule() > 0; ++guard) {
            jacobian();
            search();
        }
        bool added = false;
        for (int guard = 0; guard <= maxbcrows; ++guard) {
            if (bcscan(m_, l_, [this](const std::string& l) { say(l); }) == 0) break;
            added = true;
            m_.lens = before_;
            evaluate();
            base_ = m_.lens;
            jacobian();
            search();
        }
        if (out_.iterations % freezeinterval == 0 && !frozen_.empty()) unfreeze();
        bool released = false;
        const bool fresh = release(released);
        say(" ");
        say("Iteration...." + fmti(out_.iterations + 1) + fmtf(merit_, 12, 6));
        if (std::fabs(M0 - merit_) <= 0.001 || std::fabs(previous - merit_) <= 0.001) endflag_ = 2;
        previous = merit_;
        out_.endflag = endflag_;
        const bool done = out_.iterations >= setup_.maxiter || endflag_ != 0;
        // components added or released change the problem: one more iteration runs first
        if ((done && !added && !released) || out_.iterations > setup_.maxiter) return;
        if (!fresh) jacobian();
    }
}

void Dls::finish() {
    replacemodelglasses();
    say(" ");
    meritcalc(m_, l_);
    check();
    merit_ = meritsum(m_, l_, [this](const std::string& l) { say(l); });
}

DlsOutcome Dls::run() {
    try {
        start();
        iterate();
        finish();
        out_.status = DlsOutcome::Status::finished;
    } catch (const Stop&) {
        const std::string err = m_.errmsg;
        const bool error = m_.calcerror;
        m_.calcerror = false;
        m_.errmsg.clear();
        if (havebase_) m_.lens = base_;
        replacemodelglasses();
        if (error) {
            out_.status = DlsOutcome::Status::error;
            out_.errmsg = err;
            say(err);
        } else {
            out_.status = DlsOutcome::Status::cancelled;
        }
        if (meritcalc(m_, l_)) merit_ = meritsum(m_, l_);
        m_.calcerror = error;
        m_.errmsg = err;
    }
    m_.lens.dlsiter = out_.iterations;
    // the frozen separations keep their limit and get their labels back
    for (int i : frozen_) m_.lens.sys.sp.optlabel[static_cast<size_t>(i)] += "D";
    frozen_.clear();
    out_.merit = merit_;
    out_.endflag = endflag_;
    // the boundary-condition components end with the run
    l_.bc.clear();
    sizemeritlist(m_.lens, l_);
    say(" ");
    say("Measurement units are mm");
    std::string err;
    if (setup_.ws) err = report_.savereport(*setup_.ws, setup_.filebase, ".opt");
    else if (!report_.numbers().finite()) err = nonfinitemsg;
    if (!err.empty() && out_.status != DlsOutcome::Status::error) {
        out_.status = DlsOutcome::Status::error;
        out_.errmsg = err;
    }
    say(" ");
    say("End of displayed data");
    return out_;
}

}  // namespace

std::vector<std::string> catalogueglass(Model& m, int surface, GlassCatalog& cat) {
    std::vector<std::string> lines;
    const size_t i = static_cast<size_t>(surface);
    const auto& sp = m.lens.sys.sp;
    const double n = sp.index[i][0], disp = sp.disp[i];
    const std::string code =
        disp > 0 && n > 1 && n < 2 ? fmtf((n - 1) * 1000, 3, 0) + fmtf((n - 1) / disp * 10, 3, 0) : "";
    std::optional<GlassRecord> g;
    if (!code.empty() && code.find(' ') == std::string::npos && code.size() == 6) g = cat.glassbycode(code);
    if (!g) {
        double bestd = 0;
        for (GlassRecord& c : cat.allglasses()) {
            const Index3 ni = glassindices(c.a, m.lens.wl);
            const double dn = ni[0] - n, dd = (ni[2] - ni[1] - disp) * 10;
            const double d = dn * dn + dd * dd;
            if (!std::isfinite(d) || (g && d >= bestd)) continue;
            g = std::move(c);
            bestd = d;
        }
        if (g)
            lines.push_back("Glass code " + (code.empty() ? std::string("?") : code) + " of surface " + fmti(surface)
                            + " is not in the catalogue: the nearest glass " + g->name + " is taken");
    }
    if (!g) return lines;
    applyglass(m, surface, *g);
    lines.push_back("Model glass of surface " + fmti(surface) + " replaced by " + g->name);
    return lines;
}

const char* changedamping(OpticalSystem& lens) {
    lens.damptype = lens.damptype == 1 ? 0 : 1;
    return lens.damptype == 1 ? "Changing from additive damping to multiplicative damping!"
                               : "Changing from multiplicative damping to additive damping!";
}

std::string triallinetext(double lambda, double forecast, double merit, double steplength) {
    return "   " + fmtf(lambda, 12, 6) + fmtf(forecast, 20, 6) + fmtf(merit, 20, 6) + "  " + fmtf(steplength, 20, 6);
}

DlsOutcome dlsoptimize(Model& m, MeritList& list, const DlsSetup& setup, const DlsHooks& hooks) {
    Dls d(m, list, setup, hooks);
    return d.run();
}

}  // namespace zefo
