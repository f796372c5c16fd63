#include "core/evolution/esrun.h"

#include <algorithm>
#include <cmath>

#include "core/evolution/lastradius.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"

namespace zefo {

namespace {

bool carrieslabel(const std::string& label, const char* part) { return label.find(part) != std::string::npos; }

double recip(double x) { return x == 0 ? 0.0 : 1 / x; }

double signof(double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; }

// Tries of a draw loop of the sign and range rules before the run gives up.
constexpr int maxruletries = 1000;

}  // namespace

std::vector<EsVar> esvariables(const OpticalSystem& lens) {
    std::vector<EsVar> v;
    const auto& lab = lens.sys.sp.optlabel;
    const int n = lens.nsurf;
    const auto add = [&](EsComp kind, const char* part, int last) {
        for (int i = 0; i <= last; ++i)
            if (carrieslabel(lab[static_cast<size_t>(i)], part)) v.push_back({kind, i});
    };
    add(EsComp::radius, "C", n);
    add(EsComp::sep, "D", n - 1);
    for (int i = 0; i <= n; ++i)
        if (carrieslabel(lab[static_cast<size_t>(i)], "G")) {
            v.push_back({EsComp::gindex, i});
            v.push_back({EsComp::gabbe, i});
        }
    if (lens.asphdata == 'D') {
        add(EsComp::conic, "E", n);
        add(EsComp::a4, "A4", n);
        add(EsComp::a6, "A6", n);
        add(EsComp::a8, "A8", n);
        add(EsComp::a10, "A10", n);
    }
    return v;
}

std::vector<double> esinitialsteps(const std::vector<EsVar>& vars, double s0) {
    std::vector<double> s(vars.size(), s0);
    bool glass = false;
    for (const EsVar& v : vars) glass |= v.kind == EsComp::gindex;
    if (!glass) return s;
    size_t k = 0;
    while (k < vars.size() && (vars[k].kind == EsComp::radius || vars[k].kind == EsComp::sep)) ++k;
    for (size_t j = k; j < s.size(); ++j) s[j] = (j - k) % 2 == 0 ? s0 / 10 : s0 / 5;
    return s;
}

double esvalue(const SystemSurfaces& s, const EsVar& v) {
    const size_t i = static_cast<size_t>(v.surface);
    switch (v.kind) {
    case EsComp::radius: return recip(s.sp.curv[i]);
    case EsComp::sep: return s.sp.sep[i];
    case EsComp::gindex: return s.sp.index[i][0];
    case EsComp::gabbe: return s.sp.disp[i] == 0 ? 0.0 : (s.sp.index[i][0] - 1) / s.sp.disp[i];
    case EsComp::conic: return s.asf.eps[i];
    case EsComp::a4: return s.asf.a4[i];
    case EsComp::a6: return s.asf.a6[i];
    case EsComp::a8: return s.asf.a8[i];
    case EsComp::a10: return s.asf.a10[i];
    }
    return 0;
}

void essetvalue(SystemSurfaces& s, const EsVar& v, double x) {
    const size_t i = static_cast<size_t>(v.surface);
    switch (v.kind) {
    case EsComp::radius:
        s.sp.radius[i] = x;
        s.sp.curv[i] = recip(x);
        break;
    case EsComp::sep: s.sp.sep[i] = x; break;
    case EsComp::gindex:
    case EsComp::gabbe: break;
    case EsComp::conic: s.asf.eps[i] = x; break;
    case EsComp::a4: s.asf.a4[i] = x; break;
    case EsComp::a6: s.asf.a6[i] = x; break;
    case EsComp::a8: s.asf.a8[i] = x; break;
    case EsComp::a10: s.asf.a10[i] = x; break;
    }
}

double esstepref(const SystemSurfaces& s, const EsVar& v) {
    return v.kind == EsComp::gabbe ? s.sp.disp[static_cast<size_t>(v.surface)] : esvalue(s, v);
}

bool radiusallowed(double x, double start, double maxfactor) {
    if (start == 0) return true;   // a plane at the start may bend either way
    if (signof(x) != signof(start)) return false;
    return maxfactor <= 0 || std::fabs(x) <= maxfactor * std::fabs(start);
}

bool separationallowed(const OpticalSystem& lens, int i, double x, double start) {
    const size_t k = static_cast<size_t>(i);
    const double g = signof(lens.sys.sp.index[k][0]);
    return g * x >= lens.axlim[k] && g * x <= 3 * g * start;
}

double boundarydeficit(const Model& m) {
    const OpticalSystem& lens = m.lens;
    const auto& sp = lens.sys.sp;
    const int n = lens.nsurf;
    double b = 0;
    for (int i = 1; i < n; ++i) {
        const size_t k = static_cast<size_t>(i);
        if (!carrieslabel(sp.optlabel[k], "D")) continue;
        const double gs = signof(sp.index[k][0]) * sp.sep[k];
        if (gs <= lens.axlim[k] && sp.curv[k - 1] <= sp.curv[k])
            b += std::fmin(gs - lens.axlim[k] + sp.curv[k] - sp.curv[k - 1], 0.0);
    }
    edgedeficit(lens, b);
    const auto& h = m.trace.maxheight;
    for (int j = 0; j <= n && static_cast<size_t>(j) < h.size(); ++j) {
        const double lim = lens.clearlim[static_cast<size_t>(j)];
        if (lim > 0 && h[static_cast<size_t>(j)] >= lim) b += lim - h[static_cast<size_t>(j)];
    }
    return b;
}

int randomparent(UniversalRandom& rng, int mu) {
    return std::max(1, static_cast<int>(std::nearbyint(mu * rng.uniform())));
}

double offspringfactor(double t, double z0, bool recombine) {
    const double f = std::exp(t * z0);
    return recombine ? 0.5 * f : f;
}

std::array<long, 10> successwindow(long nvar) {
    std::array<long, 10> w{};
    for (size_t k = 0; k < w.size(); ++k) w[k] = static_cast<long>(k + 1) * nvar / 5;
    return w;
}

void onefifthrule(std::vector<double>& steps, long successes, std::array<long, 10>& window, double c, long nvar) {
    const long target = window[0];
    for (double& s : steps) s = successes > target ? s / c : successes < target ? s * c : s;
    for (size_t k = 0; k + 1 < window.size(); ++k) window[k] = window[k + 1];
    window[9] = successes + 2 * nvar;
}

double meanstep(const double* s, size_t n) {
    double sum = 0;
    for (size_t k = 0; k < n; ++k) sum += s[k];
    return n == 0 ? 0.0 : sum / static_cast<double>(n);
}

EsRun::EsRun(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks)
    : m_(m), kind_(kind), p_(p), setup_(setup), hooks_(hooks) {}

EsRun::~EsRun() { stopworker(); }

void EsRun::say(const std::string& line) {
    toreport(line);
    tomemo(line);
}

void EsRun::toreport(const std::string& line) { report_.addline(line); }

void EsRun::tomemo(const std::string& line) {
    out_.memo.push_back(line);
    if (hooks_.memo) hooks_.memo(line);
}

void EsRun::status(int panel, const std::string& text) {
    if (hooks_.status) hooks_.status(panel, text);
}

void EsRun::poll() {
    if (hooks_.cancelled && hooks_.cancelled()) {
        cancelled_ = true;
        throw EsStop{};
    }
}

void EsRun::error(const std::string& msg) {
    errored_ = true;
    out_.errmsg = msg;
    throw EsStop{};
}

void EsRun::keepbest(const SystemSurfaces& sys, const RayScheme& rays) {
    bestsys_ = sys;
    bestrays_ = rays;
    havebest_ = true;
}

void EsRun::feasible(const Model& mm) {
    keepbest(mm);
    phase_ = 0;
    throw EsStop{};
}

void EsRun::stop(int p) {
    phase_ = p;
    throw EsStop{};
}

double EsRun::evaluate(Model& mm) const {
    const CandidateChecks checks{efl_, phase_ >= 0};
    const double merit = evaluatecandidate(mm, checks);
    if (merit < 0 || phase_ >= 0) return merit;
    return -boundarydeficit(mm);
}

void EsRun::evaluate(EsCandidate& c) const {
    c.evaluated = c.valid;
    if (!c.valid) return;
    c.value = evaluate(*c.model);
    c.valid = c.value >= 0;
}

void EsRun::putsystem(Model& mm, const SystemSurfaces& sys, const RayScheme& rays) const {
    mm.lens.sys = sys;
    mm.lens.rays = rays;
}

bool EsRun::ruleholds(const Model& mm, int k, double x, double maxfactor) const {
    const EsVar& v = vars_[static_cast<size_t>(k)];
    if (v.kind == EsComp::radius) return radiusallowed(x, startvalue(k), maxfactor);
    if (v.kind == EsComp::sep) return separationallowed(mm.lens, v.surface, x, startvalue(k));
    return true;
}

std::string EsRun::ruleexhausted(int k) const {
    const EsVar& v = vars_[static_cast<size_t>(k)];
    const std::string i = fmti(v.surface);
    if (v.kind == EsComp::radius) return "Radius " + i + ": no value of the sign of its start radius found";
    return "Distance " + i + ": no value from its axial thickness limit to three times its start value found";
}

double EsRun::drawruled(const Model& mm, int k, double base, double step) {
    for (int t = 0; t < maxruletries; ++t) {
        const double x = base + draws_.rng.normal() * step;
        if (ruleholds(mm, k, x)) return x;
    }
    error(ruleexhausted(k));
}

GlassResult EsRun::glass(Model& mm, int k, double n, double v, bool truncate, GlassDraws& draws) {
    const int surface = vars_[static_cast<size_t>(k)].surface;
    return mutateglass(map_, draws_.cursor, mm.lens, surface, startclass(k), n, v, truncate, draws);
}

void EsRun::start() {
    status(0, "Status: Running");
    m_.calcerror = false;
    m_.errmsg.clear();
    nudatparax(m_);
    if (m_.calcerror) error(m_.errmsg.empty() ? "Paraxial calculation of the start system failed" : m_.errmsg);
    efl_ = m_.first.efl;
    if (auto no = lastradiusrefusal(efl_); !no.empty()) error(no);
    if (m_.lens.nsurf < 2) error("The system needs at least two surfaces");
    header();
    tomemo("Conditions for ending optimization are:");
    tomemo("Maximum number of generations is " + fmti(p_.maxgen));
    tomemo("Difference in the merit function for two optical systems is less then " + fmtf(p_.convabs, 8, 6));
    tomemo("Difference in the optimization step lengths for two optical systems is less then " +
           fmtf(p_.convrel, 8, 6));
    tomemo(" ");
    tomemo(" ");
    m_.merit.bc.clear();
    sizemeritlist(m_.lens, m_.merit);
    if (!meritcalc(m_, m_.merit)) error(m_.errmsg);
    const double f = -boundarydeficit(m_);
    auto& labels = m_.lens.sys.sp.optlabel;
    if (f != 0) {
        phase_ = -1;
        startval_ = f;
        say("Starting value for function that describes difference from boundary conditions is " + fmtf(f, 12, 6));
        labels_ = labels;
        for (auto& l : labels) {
            const auto g = l.find('G');
            if (g == std::string::npos) continue;
            l.erase(g, 1);
            labelsremoved_ = true;
        }
    } else {
        phase_ = 1;
        startval_ = meritsum(m_, m_.merit);
        say("Starting optical system merit function is " + fmtf(startval_, 12, 6));
    }
    say(" ");
    best_ = out_.meritstart = startval_;
    keepbest(m_);
    poll();   // Esc after the start line: the end lines can tell the phase and the start value
    vars_ = esvariables(m_.lens);
    if (vars_.empty()) error("The system has no optimization variables");
    s0_ = esinitialsteps(vars_, p_.initstep);
    classes_.assign(vars_.size(), GlassClass::none);
    for (size_t k = 0; k < vars_.size(); ++k) {
        if (vars_[k].kind != EsComp::gindex && vars_[k].kind != EsComp::gabbe) continue;
        classes_[k] = glassclass(m_.lens.sys.sp.glass[static_cast<size_t>(vars_[k].surface)], true);
        if (map_.empty()) {
            if (setup_.catalog) map_.load(*setup_.catalog);
            if (map_.empty()) error("Glass variables need the glass catalogue");
        }
    }
    start_ = m_.lens.sys;
    startrays_ = m_.lens.rays;
    out_.seed = setup_.seeded ? setup_.seed : UniversalRandom::clockseed();
    if (auto e = draws_.rng.init(out_.seed.first, out_.seed.second); !e.empty()) error(e);
    draws_.cursor = 0;
    cand_[0].model = &m_;
    if (setup_.threads == 2) {
        models_.assign(window - 1, m_);
        for (int i = 1; i < window; ++i) cand_[i].model = &models_[static_cast<size_t>(i - 1)];
        worker_ = std::thread([this] { workerloop(); });
    }
}

// A thread without work blocks: the second thread on a candidate not yet made or on the next
// batch, the first on the last evaluations of the second.
void EsRun::evaluateitems(long batch) {
    const unsigned long long tag = static_cast<unsigned long long>(batch) << 16;
    unsigned long long c = claim_.load(std::memory_order_acquire);
    for (;;) {
        const int count = static_cast<int>((c >> 8) & 0xff), index = static_cast<int>(c & 0xff);
        if ((c & ~0xffffULL) != tag || index >= count) return;
        if (!claim_.compare_exchange_weak(c, c + 1, std::memory_order_acq_rel)) continue;
        if (!ready_[index].load(std::memory_order_acquire)) {
            std::unique_lock<std::mutex> lock(mu_);
            cv_.wait(lock, [&] { return quit_ || ready_[index].load(std::memory_order_acquire); });
            if (quit_) return;   // the batch was left (an error or Esc while making)
        }
        evaluate(cand_[index]);
        {
            std::lock_guard<std::mutex> lock(mu_);
            doneitems_.fetch_add(1, std::memory_order_release);
        }
        donecv_.notify_one();
        c = claim_.load(std::memory_order_acquire);
    }
}

void EsRun::workerloop() {
    long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mu_);
            cv_.wait(lock, [&] { return quit_ || batch_.load(std::memory_order_acquire) != seen; });
            if (quit_) return;
            seen = batch_.load(std::memory_order_acquire);
        }
        evaluateitems(seen);
    }
}

void EsRun::madeitem(int i) {
    {
        std::lock_guard<std::mutex> lock(mu_);
        ready_[i].store(true, std::memory_order_release);
    }
    cv_.notify_one();
}

void EsRun::startbatch(int n) {
    for (int i = 0; i < n; ++i) ready_[i].store(false, std::memory_order_relaxed);
    doneitems_.store(0, std::memory_order_relaxed);
    const long batch = batch_.load(std::memory_order_relaxed) + 1;
    claim_.store(static_cast<unsigned long long>(batch) << 16 | static_cast<unsigned long long>(n) << 8,
                 std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(mu_);
        batch_.store(batch, std::memory_order_release);
    }
    cv_.notify_one();
}

void EsRun::finishbatch(int n) {
    evaluateitems(batch_.load(std::memory_order_relaxed));
    std::unique_lock<std::mutex> lock(mu_);
    donecv_.wait(lock, [&] { return doneitems_.load(std::memory_order_acquire) == n; });
}

void EsRun::stopworker() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mu_);
        quit_ = true;
    }
    cv_.notify_all();
    worker_.join();
}

void EsRun::restorelabels() {
    if (!labelsremoved_) return;
    m_.lens.sys.sp.optlabel = labels_;
    labelsremoved_ = false;
}

void EsRun::endlines(bool terminated) {
    say(terminated ? "Optimization terminated by  user" : "Optimization finished");
    status(0, terminated ? "Status: Terminated" : "Status: Finished");
    for (int k = 1; k <= 3; ++k) status(k, "");
    if (phase_ > 0) {
        say("Minimum merit function for optical system is " + fmtf(best_, 12, 6));
    } else if (phase_ == 0) {
        say("Starting optical system that fulfills all boundary conditions is found");
    } else {
        say("Optical system do not fulfill all boundary conditions");
        say("Difference from boundary conditions is " + fmtf(best_, 12, 6));
    }
    say("Total number of " + fmti(count_) + " iterations are done");
    if (successline()) say("Number of successful mutations is " + fmti(successes()));
    say(" ");
}

void EsRun::finish() {
    stopworker();
    const bool started = havebest_;
    if (started) putsystem(m_, bestsys_, bestrays_);
    restorelabels();
    m_.calcerror = false;
    m_.errmsg.clear();
    if (started) {
        // the system left in the model with its own default weights and merit
        nudatparax(m_);
        if (!m_.calcerror && standardlayout(m_.lens.nrays)) initstdrays(m_);
        if (!m_.calcerror) rayscheme(m_);
        if (!m_.calcerror && calcweights(m_) && meritcalc(m_, m_.merit)) out_.merit = meritsum(m_, m_.merit);
        m_.calcerror = false;
        m_.errmsg.clear();
    }
    out_.generations = count_;
    out_.phase = phase_;
    if (errored_) {
        out_.status = EAOutcome::Status::error;
        say(out_.errmsg);
    } else {
        out_.status = cancelled_ ? EAOutcome::Status::cancelled : EAOutcome::Status::finished;
        endlines(cancelled_);
    }
    std::string err;
    if (setup_.ws) err = report_.savereport(*setup_.ws, setup_.filebase, eareportextension(kind_));
    else if (!report_.numbers().finite()) err = nonfinitemsg;
    if (!err.empty() && !errored_) {
        out_.status = EAOutcome::Status::error;
        out_.errmsg = err;
    }
    tomemo(" ");
    tomemo("End of displayed data");
}

EAOutcome EsRun::run() {
    try {
        start();
        strategy();
    } catch (const EsStop&) {
    }
    finish();
    return out_;
}

}  // namespace zefo
