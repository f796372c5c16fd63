#include "core/evolution/assga.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>

#include "core/analysis/systemreport.h"
#include "core/evolution/candidate.h"
#include "core/evolution/lastradius.h"
#include "core/evolution/random.h"
#include "core/model/glasscat.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/report/report.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// Draws of one value, evaluations of one initial member: beyond this the run gives up.
constexpr int maxtries = 1000;

// Two merits closer than this are the same lens.
constexpr double duplicatemerit = 1e-4;

// A member: its surfaces (its variables among the start values) and its ray data.
struct Member {
    SystemSurfaces sys;
    RayScheme rays;
};

struct MemberStats {
    double merit = 0;
    double parent1 = 0, parent2 = 0;   // merits of the parents when the member was made
    double credit = 0;
    int op = 0;                        // the operator that made it, 0 for initial members
};

struct History {
    double worst = 0, best = 0, mean = 0, sd = 0;
};

// Ends the run from deep inside: an error (message given) or the user's Esc.
struct AssgaStop {
    bool cancelled = false;
    std::string message;
};

std::string gatrimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

double gainverse(double x) { return x == 0 ? 0.0 : 1 / x; }

size_t gaix(int i) { return static_cast<size_t>(i); }

// A rounded serial number taken as unsigned 16-bit, or -1 when it does not fit in 64 bits.
long serial16(double rounded) {
    if (!(std::fabs(rounded) < 9.0e18)) return -1;
    return static_cast<long>(static_cast<int64_t>(rounded) & 0xFFFF);
}

const char* const sharelabels[5] = {
    "Uniform crossover operator is  ", "Avearage crossover operator is  ",
    "Real mutation operator is  ", "Big mutation creep operator is  ",
    "Small mutation creep operator is  "};

class Assga {
public:
    Assga(Model& m, const EAParams& p, const EASetup& s, const EAHooks& h)
        : m_(m), p_(p), setup_(s), hooks_(h), shares_(p.shares) {}

    EAOutcome run(std::array<double, 5>* adapted);

private:
    // --- output ---
    void say(const std::string& t);
    void line(const std::string& t, bool memo);
    void status(int panel, const std::string& t);
    bool escape() const { return hooks_.cancelled && hooks_.cancelled(); }
    void pollescape() const {
        if (escape()) throw AssgaStop{true, {}};
    }

    // --- start ---
    void start();
    std::string checkparams() const;
    std::string checkvariables();
    void header();

    // --- values of the variables ---
    double valueof(const SystemSurfaces& sys, const AssgaVar& v) const;
    double startvalue(const AssgaVar& v) const { return valueof(startlens_.sys, v); }
    int kindcoef(AssgaKind k) const;
    bool acceptable(const AssgaVar& v, double value, bool normal, int coef) const;
    void setvalue(SystemSurfaces& sys, const AssgaVar& v, double value) const;
    bool setserialglass(SystemSurfaces& sys, int i, long serial);
    void drawvalue(SystemSurfaces& sys, const AssgaVar& v);
    void drawmember(int slot);

    // --- population ---
    void initialpopulation();
    double evaluate(SystemSurfaces& sys, RayScheme* rays);
    void rankall();
    const MemberStats& ranked(int pos) const { return stats_[slotat(pos)]; }
    size_t slotat(int pos) const { return static_cast<size_t>(order_[static_cast<size_t>(pos)]); }
    double best() const { return ranked(0).merit; }
    double worst() const { return ranked(p_.popsize - 1).merit; }

    // --- generations ---
    void generation(uint32_t gen);
    int selectother(int first);
    void applyoperator();
    void uniformcrossover(const SystemSurfaces& a, const SystemSurfaces& b);
    void averagecrossover(const SystemSurfaces& a, const SystemSurfaces& b);
    bool mutation(int op, const SystemSurfaces& a, const SystemSurfaces& b, double meritb,
                  double merita);
    void insertchild(Member& child, int op, int pos1, int pos2);
    void creditline(int pos, double amount);
    void award(int pos, double amount);
    int bymerit(double merit) const;
    void performancetest();
    void statistics(uint32_t gen, History& h) const;
    void convergence();
    void finish(bool user);

    Model& m_;
    const EAParams& p_;
    const EASetup& setup_;
    const EAHooks& hooks_;
    EAOutcome out_;
    Report report_;
    UniversalRandom rng_;
    std::array<double, 5> shares_;

    OpticalSystem startlens_;
    CandidateChecks checks_;
    std::vector<AssgaVar> walk_, draws_;
    int varcount_ = 0;
    bool curvmode_ = false;
    int glasscount_ = 0;
    std::vector<long> startserial_;   // per surface, the serial number of the start glass

    std::vector<Member> pop_;
    std::vector<MemberStats> stats_;   // per member slot
    std::vector<int> order_;           // ranked position -> member slot
    std::vector<double> cumfit_;
    std::array<Member, 2> child_;
    int children_ = 0;

    int opcounter_ = 1;
    std::vector<History> history_;
    bool converged_ = false;
    bool cancelled_ = false;
};

void Assga::say(const std::string& t) {
    out_.memo.push_back(t);
    if (hooks_.memo) hooks_.memo(t);
}

void Assga::line(const std::string& t, bool memo) {
    report_.addline(t);
    if (memo) say(t);
}

void Assga::status(int panel, const std::string& t) {
    if (hooks_.status) hooks_.status(panel, t);
}

std::string Assga::checkparams() const {
    // The generation limit may stand below the dialog's range (a short run asked for).
    const EAFault general = checkgageneral(p_);
    if (!general.ok() && general.field != 1) return general.message;
    if (p_.maxgen < 1) return "The maximum number of generations must be at least 1!";
    const EAFault own = checkassga(p_);
    if (!own.ok()) return own.message;
    double sum = 0;
    for (double s : p_.shares) {
        if (!(s >= 0 && s <= 100)) return "Operator shares must lie between 0 and 100!";
        sum += s;
    }
    if (!(sum > 0)) return "Operator shares must not all be 0!";
    return {};
}

std::string Assga::checkvariables() {
    walk_ = assgawalk(m_.lens);
    if (walk_.empty()) return "The system has no optimization variables for ASSGA.";
    varcount_ = assgavarcount(walk_);
    draws_ = walk_;
    std::stable_sort(draws_.begin(), draws_.end(),
                     [](const AssgaVar& a, const AssgaVar& b) { return a.kind < b.kind; });
    const auto& sp = startlens_.sys.sp;
    startserial_.assign(sp.glass.size(), 0);
    for (const AssgaVar& v : walk_) {
        if (v.kind == AssgaKind::glass) {
            if (!setup_.catalog || !setup_.catalog->isopen())
                return "Glass variables need the glass catalogue";
            glasscount_ = setup_.catalog->glasscount();
            if (glasscount_ <= 0) return "The glass catalogue holds no glass";
            if (auto g = setup_.catalog->glassbyname(gatrimmed(sp.glass[gaix(v.surface)])))
                startserial_[gaix(v.surface)] = g->serial;
        } else if (startvalue(v) == 0) {
            return "The " + assgavarname(v) +
                   " is 0 at the start: ASSGA draws its values as multiples of the start value "
                   "and cannot vary it.";
        }
    }
    return {};
}

// --- values of the variables ---

double Assga::valueof(const SystemSurfaces& sys, const AssgaVar& v) const {
    const auto& sp = sys.sp;
    const auto& asf = sys.asf;
    const size_t i = gaix(v.surface);
    switch (v.kind) {
        case AssgaKind::radius: return curvmode_ ? gainverse(sp.curv[i]) : sp.radius[i];
        case AssgaKind::sep: return sp.sep[i];
        case AssgaKind::glass: return 0;
        case AssgaKind::conic: return asf.eps[i];
        case AssgaKind::a4: return asf.a4[i];
        case AssgaKind::a6: return asf.a6[i];
        case AssgaKind::a8: return asf.a8[i];
        case AssgaKind::a10: return asf.a10[i];
    }
    return 0;
}

int Assga::kindcoef(AssgaKind k) const {
    switch (k) {
        case AssgaKind::radius: return p_.radcoef;
        case AssgaKind::sep: return p_.sepcoef;
        case AssgaKind::glass: return 1;
        case AssgaKind::conic: return p_.coniccoef;
        default: return p_.asphcoef;
    }
}

bool Assga::acceptable(const AssgaVar& v, double value, bool normal, int coef) const {
    if (value == 0 || !std::isfinite(value)) return false;
    const size_t i = gaix(v.surface);
    if (v.kind == AssgaKind::radius) return std::fabs(value) >= startlens_.sys.sp.hmax[i];
    if (v.kind != AssgaKind::sep) return true;
    // the sign of the medium turns the separations of mirror systems positive
    const double idx = startlens_.sys.sp.index[i][0];
    const double g = idx > 0 ? 1 : idx < 0 ? -1 : 0;
    if (g * value < startlens_.axlim[i]) return false;
    return !normal || g * value <= coef * g * startvalue(v);
}

void Assga::setvalue(SystemSurfaces& sys, const AssgaVar& v, double value) const {
    const size_t i = gaix(v.surface);
    switch (v.kind) {
        case AssgaKind::radius:
            sys.sp.curv[i] = gainverse(value);
            if (!curvmode_) sys.sp.radius[i] = value;
            break;
        case AssgaKind::sep: sys.sp.sep[i] = value; break;
        case AssgaKind::glass: break;
        case AssgaKind::conic: sys.asf.eps[i] = value; break;
        case AssgaKind::a4: sys.asf.a4[i] = value; break;
        case AssgaKind::a6: sys.asf.a6[i] = value; break;
        case AssgaKind::a8: sys.asf.a8[i] = value; break;
        case AssgaKind::a10: sys.asf.a10[i] = value; break;
    }
}

bool Assga::setserialglass(SystemSurfaces& sys, int i, long serial) {
    return assgaglass(*setup_.catalog, serial, m_.lens.wl, sys.sp, i);
}

// One value of an initial member, drawn until accepted.
void Assga::drawvalue(SystemSurfaces& sys, const AssgaVar& v) {
    const bool normal = p_.initpop == 2;
    for (int t = 0; t < maxtries; ++t) {
        pollescape();
        if (v.kind == AssgaKind::glass) {
            const double q = static_cast<double>(startserial_[gaix(v.surface)]);
            const long serial = normal ? serial16(std::nearbyint(q + rng_.normal() * q))
                                       : std::lround(std::nearbyint(rng_.uniform() * glasscount_));
            if (normal && (serial < 0 || serial >= glasscount_)) continue;
            setserialglass(sys, v.surface, serial);
            return;
        }
        const double x = startvalue(v), c = kindcoef(v.kind);
        double value;
        if (normal) value = x + rng_.normal() * x;
        else if (v.kind == AssgaKind::radius && curvmode_) value = rng_.uniform() * x / c;
        else value = rng_.uniform() * c * x;
        if (acceptable(v, value, normal, kindcoef(v.kind))) {
            setvalue(sys, v, value);
            return;
        }
    }
    throw AssgaStop{false, "No acceptable value of the " + assgavarname(v) + " in " +
                               fmti(maxtries) + " draws of the initial population."};
}

void Assga::drawmember(int slot) {
    for (const AssgaVar& v : draws_) drawvalue(pop_[gaix(slot)].sys, v);
}

// --- population ---

// Evaluates sys in the current system; a valid candidate (merit 0 or more) gets the solved
// last radius back, and rays, when given, the ray data.
double Assga::evaluate(SystemSurfaces& sys, RayScheme* rays) {
    m_.lens.sys = sys;
    const double merit = evaluatecandidate(m_, checks_);
    ++out_.evaluations;
    if (merit < 0) return merit;
    sys = m_.lens.sys;
    if (rays) *rays = m_.lens.rays;
    return merit;
}

void Assga::initialpopulation() {
    const int n = m_.lens.nsurf;
    for (const AssgaVar& v : draws_)
        for (int k = 0; k < p_.popsize; ++k) drawvalue(pop_[gaix(k)].sys, v);
    for (int k = 0; k < p_.popsize; ++k) {
        Member& mb = pop_[gaix(k)];
        for (int t = 0;; ++t) {
            pollescape();
            m_.lens.rays = mb.rays;
            const double merit = evaluate(mb.sys, &mb.rays);
            if (merit >= 0 && mb.sys.sp.sep[gaix(n)] > 0) {
                stats_[gaix(k)] = {merit, 0, 0, 0, 0};
                break;
            }
            if (t + 1 >= maxtries)
                throw AssgaStop{false, "Member " + fmti(k + 1) +
                                           " of the initial population failed its evaluation in " +
                                           fmti(maxtries) + " draws."};
            drawmember(k);
        }
    }
    rankall();
}

void Assga::rankall() {
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(), [this](int a, int b) {
        return stats_[gaix(a)].merit < stats_[gaix(b)].merit;
    });
}

// --- generations ---

int Assga::selectother(int first) {
    for (int t = 0; t < maxtries; ++t) {
        const int pos = assgaselect(cumfit_, rng_.uniform());
        if (pos != first) return pos;
    }
    return first == 0 ? 1 : 0;
}

void Assga::uniformcrossover(const SystemSurfaces& a, const SystemSurfaces& b) {
    child_[0].sys = a;
    child_[1].sys = b;
    const bool asph = m_.lens.asphdata == 'D';
    for (int i = 0; i <= m_.lens.nsurf; ++i) {
        if (rng_.chance(0.5)) continue;
        const size_t k = gaix(i);
        auto& s1 = child_[0].sys;
        auto& s2 = child_[1].sys;
        std::swap(s1.sp.radius[k], s2.sp.radius[k]);
        std::swap(s1.sp.curv[k], s2.sp.curv[k]);
        std::swap(s1.sp.sep[k], s2.sp.sep[k]);
        std::swap(s1.sp.index[k], s2.sp.index[k]);
        std::swap(s1.sp.disp[k], s2.sp.disp[k]);
        std::swap(s1.sp.glass[k], s2.sp.glass[k]);
        if (!asph) continue;
        for (auto arr : {&AsphericTable::eps, &AsphericTable::a4, &AsphericTable::a6,
                         &AsphericTable::a8, &AsphericTable::a10})
            std::swap((s1.asf.*arr)[k], (s2.asf.*arr)[k]);
    }
    children_ = 2;
}

void Assga::averagecrossover(const SystemSurfaces& a, const SystemSurfaces& b) {
    SystemSurfaces& c = child_[0].sys;
    c = startlens_.sys;
    const int n = m_.lens.nsurf;
    for (const AssgaVar& v : walk_) {
        const size_t i = gaix(v.surface);
        if (v.kind == AssgaKind::radius && v.surface < n) {
            if (curvmode_) {
                c.sp.curv[i] = (a.sp.curv[i] + b.sp.curv[i]) / 2;
            } else {
                c.sp.radius[i] = (a.sp.radius[i] + b.sp.radius[i]) / 2;
                c.sp.curv[i] = gainverse(c.sp.radius[i]);
            }
        } else if (v.kind == AssgaKind::sep) {
            c.sp.sep[i] = (a.sp.sep[i] + b.sp.sep[i]) / 2;
        } else if (v.kind == AssgaKind::glass && v.surface < n) {
            const SystemSurfaces& from = rng_.chance(0.5) ? a : b;
            c.sp.index[i] = from.sp.index[i];
            c.sp.disp[i] = from.sp.disp[i];
            c.sp.glass[i] = from.sp.glass[i];
        } else if (v.kind >= AssgaKind::conic) {
            setvalue(c, v, (valueof(a, v) + valueof(b, v)) / 2);
        }
    }
    c.sp.sep[gaix(n)] = (a.sp.sep[gaix(n)] + b.sp.sep[gaix(n)]) / 2;
    children_ = 1;
}

// A mutation child: a copy of the mutation parent with one variable changed. False when
// the operator does not fire.
bool Assga::mutation(int op, const SystemSurfaces& a, const SystemSurfaces& b, double merita,
                     double meritb) {
    const double prob = op == realmutation ? 0.5 : 0.7;
    if (!rng_.chance(prob)) return false;
    bool second = false;
    if (p_.mutparent == 2) second = merita >= meritb;
    else if (p_.mutparent == 3) second = !rng_.chance(0.5);
    SystemSurfaces& c = child_[0].sys;
    c = second ? b : a;
    children_ = 1;
    const int q = static_cast<int>(std::nearbyint((varcount_ - 1) * rng_.uniform()));
    const int k = assgapick(walk_, q);
    if (k < 0) return true;
    const AssgaVar& v = walk_[gaix(k)];
    const double u = rng_.uniform();
    if (v.kind == AssgaKind::glass) {
        setserialglass(c, v.surface, std::lround(std::nearbyint(u * glasscount_)));
        return true;
    }
    const int opcoef = op == realmutation ? p_.realmaxcoef
                       : op == bigcreep   ? p_.bigmaxcoef
                                          : p_.smallmaxcoef;
    const double coef = std::min(opcoef, kindcoef(v.kind)), x = startvalue(v);
    const double value = v.kind == AssgaKind::radius && curvmode_ ? u * x / coef : u * coef * x;
    if (acceptable(v, value, false, kindcoef(v.kind))) setvalue(c, v, value);
    return true;
}

void Assga::applyoperator() {
    const int pos1 = assgaselect(cumfit_, rng_.uniform());
    const int pos2 = selectother(pos1);
    const SystemSurfaces& a = pop_[slotat(pos1)].sys;
    const SystemSurfaces& b = pop_[slotat(pos2)].sys;
    const int op = assgaoperator(shares_, rng_.uniform());
    children_ = 0;
    if (op == uniformcross) uniformcrossover(a, b);
    else if (op == averagecross) averagecrossover(a, b);
    else mutation(op, a, b, ranked(pos1).merit, ranked(pos2).merit);
    const bool crossover = op == uniformcross || op == averagecross;
    for (int k = 0; k < children_; ++k) insertchild(child_[gaix(k)], op, pos1, crossover ? pos2 : -1);
}

// Evaluates a child and, when it is valid, better than the worst member and no duplicate,
// writes it over the worst member, credits its line when it beats the best, and ranks it in.
void Assga::insertchild(Member& child, int op, int pos1, int pos2) {
    const double merit = evaluate(child.sys, &child.rays);
    if (merit < 0 || !(merit < worst())) return;
    for (const MemberStats& s : stats_)
        if (std::fabs(s.merit - merit) < duplicatemerit) return;
    const int last = p_.popsize - 1;
    const size_t slot = slotat(last);
    std::swap(pop_[slot], child);
    stats_[slot] = {merit, ranked(pos1).merit, pos2 >= 0 ? ranked(pos2).merit : 0, 0, op};
    if (merit < best()) {
        const double c = best() - merit;
        stats_[slot].credit = c;
        creditline(pos1, 0.15 * c);
        if (pos2 >= 0) creditline(pos2, 0.15 * c);
    }
    // rank it in: the others stay in order
    const auto it = std::upper_bound(order_.begin(), order_.end() - 1, merit,
                                     [this](double x, int s) { return x < stats_[gaix(s)].merit; });
    std::rotate(it, order_.end() - 1, order_.end());
}

// A parent at its selected position and its ancestors, found by their merits, get the
// credit. The last position holds the new child itself: it gets nothing there.
void Assga::creditline(int pos, double amount) {
    if (pos == p_.popsize - 1) return;
    award(pos, amount);
    const MemberStats parent = ranked(pos);
    if (parent.parent1 != 0) {
        const int g = bymerit(parent.parent1);
        if (g >= 0) {
            award(g, amount);
            const MemberStats grand = ranked(g);
            if (grand.parent1 != 0) {
                award(bymerit(grand.parent1), amount);
                if (grand.parent2 != 0) award(bymerit(grand.parent2), amount);
            }
        }
    }
    if (parent.parent2 != 0) award(bymerit(parent.parent2), amount);
}

void Assga::award(int pos, double amount) {
    if (pos >= 0 && pos < p_.popsize - 1) stats_[slotat(pos)].credit = amount;
}

int Assga::bymerit(double merit) const {
    for (int pos = 0; pos < p_.popsize; ++pos)
        if (ranked(pos).merit == merit) return pos;
    return -1;
}

void Assga::performancetest() {
    std::array<double, 6> sum{};
    std::array<int, 6> count{};
    for (const MemberStats& s : stats_) {
        if (s.credit == 0 || s.op < 1 || s.op > 5) continue;
        sum[gaix(s.op)] += s.credit;
        ++count[gaix(s.op)];
    }
    std::array<double, 5> avg{};
    for (int id = 1; id <= 5; ++id)
        if (count[gaix(id)] > 0) avg[gaix(assgashareindex(id))] = sum[gaix(id)] / count[gaix(id)];
    adaptshares(shares_, p_.minshares, avg);
}

void Assga::statistics(uint32_t gen, History& h) const {
    double sum = 0;
    for (const MemberStats& s : stats_) sum += s.merit;
    const double mean = sum / p_.popsize;
    double sq = 0;
    for (const MemberStats& s : stats_) sq += (s.merit - mean) * (s.merit - mean);
    h = {worst(), best(), mean, std::sqrt(sq / (p_.popsize - 1))};
    (void)gen;
}

void Assga::convergence() {
    const History& a = history_[1];
    const History& b = history_[gaix(p_.opsbeforetest)];
    const double d[4] = {a.best - b.best, a.worst - b.worst, a.mean - b.mean, a.sd - b.sd};
    const char* what[4] = {"Minimum merit function difference for ",
                           "Maximum merit function difference for ",
                           "Merit function mean value difference for ",
                           "Merit function standard deviation difference for "};
    for (int k = 0; k < 4; ++k)
        line(what[k] + fmti(p_.opsbeforetest) + " generations is " + fmtf(d[k], 11, 3), true);
    line(" ", true);
    converged_ = d[0] < 0.05 && d[1] < 0.05 && d[2] < 0.05 && d[3] < 0.05;
}

void Assga::header() {
    line("Adaptive Steady State Genetic Optimization", false);
    line(" ", false);
    line(titleline(m_.lens, setup_.head), false);
    line(" ", false);
    line("Starting conditions for optimization are", false);
    line(" ", false);
    line("Population size is  " + fmti(p_.popsize), false);
    line("Starting value for merit function is  " + fmti(p_.meritstart), false);
    line(p_.initpop == 2 ? "Initial population generation is normal distribution"
                         : "Initial population generation is uniform random",
         false);
    bool radius = false, sep = false, conic = false, asph = false;
    for (const AssgaVar& v : walk_) {
        radius |= v.kind == AssgaKind::radius;
        sep |= v.kind == AssgaKind::sep;
        conic |= v.kind == AssgaKind::conic;
        asph |= v.kind >= AssgaKind::a4;
    }
    if (radius) line("Maximum radius coefficient is  " + fmti(p_.radcoef), false);
    if (sep) line("Maximum distance coefficient is  " + fmti(p_.sepcoef), false);
    if (conic) line("Maximum conical constant coefficient is  " + fmti(p_.coniccoef), false);
    if (asph) line("Maximum aspherical constant coefficient is  " + fmti(p_.asphcoef), false);
    for (size_t k = 0; k < 5; ++k) line(sharelabels[k] + fmtf(p_.shares[k], 2, 0), false);
    line("Real mutation max. coefficient is  " + fmti(p_.realmaxcoef, 2), false);
    line("Big mutation creep max. coefficient is  " + fmti(p_.bigmaxcoef, 2), false);
    line("Small mutation creep max. coefficient is  " + fmti(p_.smallmaxcoef, 2), false);
    line("Real mutation probability is  " + fmtf(p_.preal, 6, 4), false);
    line("Big mutation creep probability is  " + fmtf(p_.pbig, 6, 4), false);
    line("Small mutation creep probability is  " + fmtf(p_.psmall, 6, 4), false);
    line("Number of genetic operators per generation is  " + fmti(p_.opspergen, 2), false);
    line("Number.of genetic operators before performance test is  " + fmti(p_.opsbeforetest, 2),
         false);
    const char* minlabels[5] = {
        "Uniform crossover minimum operator is  ", "Avearage crossover minimum operator is  ",
        "Real mutation minimum operator is  ", "Big mutation creep minimum operator is  ",
        "Small mutation creep minimum operator is  "};
    for (size_t k = 0; k < 5; ++k) line(minlabels[k] + fmtf(p_.minshares[k], 2, 0), false);
    line(" ", false);
    line("Conditions for ending optimization are:", true);
    line("Maximum number of generations is " + fmti(p_.maxgen), true);
    line("Difference in the merit function between the best and the worst optical system is "
         "less then 5%",
         true);
    line(" ", true);
    line(" ", true);
}

// One generation; returns early when the user pressed Esc (cancelled_ set).
void Assga::generation(uint32_t gen) {
    const uint32_t k = static_cast<uint32_t>(p_.opsbeforetest);
    const bool memok = gen >= k && gen % k == 0;
    if (gen == 1) header();
    line("Generation Number " + fmti(gen), memok);
    line(" ", memok);
    if (gen == 1) {
        say("Generation number 1");
        say(" ");
        opcounter_ = 1;
        rankall();
        if ((cancelled_ = escape())) return;
        line("The best optical system has merit function " + fmtf(best(), 15, 3), true);
        line("The worst optical system has merit function" + fmtf(worst(), 15, 3), true);
        say(" ");
    }
    for (int g = 0; g < p_.opspergen; ++g) {
        applyoperator();
        if ((cancelled_ = escape())) return;
    }
    if (opcounter_ < p_.opsbeforetest) {
        ++opcounter_;
    } else {
        performancetest();
        opcounter_ = 1;
        for (MemberStats& s : stats_) s.credit = 0;
    }
    const uint32_t j = gen < k ? gen : (gen % k == 0 ? k : gen % k);
    History& h = history_[j];
    statistics(gen, h);
    if (gen > 1) {
        line("The best optical system has merit function " + fmtf(h.best, 11, 3), memok);
        line("The worst optical system has merit function " + fmtf(h.worst, 11, 3), memok);
    }
    line("Mean value for merit functions is " + fmtf(h.mean, 11, 3), memok);
    line("Standard deviation for merit functions is " + fmtf(h.sd, 11, 3), memok);
    line(" ", memok);
    status(2, "Merit function mean..." + fmtf(h.mean, 11, 3));
    status(3, "Merit function standard deviation..." + fmtf(h.sd, 11, 3));
    if (memok) convergence();
}

// The closing lines and the best member as the current system.
void Assga::finish(bool user) {
    line(user ? "Optimization is terminated by user"
              : "Program ZEFO is finished optimization with following merit functions: ",
         true);
    line(" ", true);
    line("The best optical system has merit function " + fmtf(best(), 11, 3), true);
    line("The worst optical system has merit function" + fmtf(worst(), 11, 3), true);
    line(" ", true);
    line("Conditions at the end of the optimization are", false);
    line(" ", false);
    for (size_t k = 0; k < 5; ++k) line(sharelabels[k] + fmtf(shares_[k], 2, 0), false);
    line(" ", false);
    const Member& b = pop_[slotat(0)];
    m_.lens.sys = b.sys;
    m_.lens.rays = b.rays;
    m_.calcerror = false;
    nudatparax(m_);
    if (m_.calcerror || !meritcalc(m_, m_.merit) || !calcweights(m_))
        throw AssgaStop{false, m_.errmsg.empty() ? "The best system cannot be evaluated" : m_.errmsg};
    out_.merit = meritsum(m_, m_.merit);
    out_.status = user ? EAOutcome::Status::cancelled : EAOutcome::Status::finished;
}

void Assga::start() {
    status(0, "Status: Running");
    if (std::string e = checkparams(); !e.empty()) throw AssgaStop{false, e};
    out_.seed = setup_.seeded ? setup_.seed : UniversalRandom::clockseed();
    if (std::string e = rng_.init(out_.seed.first, out_.seed.second); !e.empty())
        throw AssgaStop{false, e};
    curvmode_ = m_.lens.radiiflag == 'N';
    if (std::string e = checkvariables(); !e.empty()) throw AssgaStop{false, e};
    m_.calcerror = false;
    const double efl = nudatparax(m_).efl;
    if (m_.calcerror) throw AssgaStop{false, m_.errmsg};
    if (std::string e = lastradiusrefusal(efl); !e.empty()) throw AssgaStop{false, e};
    checks_.efl = efl;
    sizemeritlist(m_.lens, m_.merit);
    {   // the merit of the start system, as every candidate gets it
        CandidateChecks loose = checks_;
        loose.edges = false;
        out_.meritstart = std::max(0.0, evaluatecandidate(m_, loose));
        m_.lens = startlens_;
    }
    const size_t p = gaix(p_.popsize);
    pop_.assign(p, Member{startlens_.sys, startlens_.rays});
    child_.fill(Member{startlens_.sys, startlens_.rays});
    stats_.assign(p, MemberStats{});
    order_.assign(p, 0);
    cumfit_ = assgafitness(p_.popsize, p_.meritstart, p_.meritstep);
    history_.assign(gaix(p_.opsbeforetest + 1), History{});
}

EAOutcome Assga::run(std::array<double, 5>* adapted) {
    startlens_ = m_.lens;
    try {
        start();
        initialpopulation();
        uint32_t gen = 0;
        const uint32_t maxgen = static_cast<uint32_t>(p_.maxgen);
        for (;;) {
            ++gen;
            status(1, "Iteratition..." + std::to_string(gen).substr(0, 5));
            generation(gen);
            if (cancelled_) break;
            if (gen > 1 && (gen >= maxgen || best() * 1.05 > worst() || converged_)) break;
        }
        out_.generations = gen;
        finish(cancelled_);
    } catch (const AssgaStop& stop) {
        m_.lens = startlens_;
        if (stop.cancelled) {
            out_.status = EAOutcome::Status::cancelled;
            say("Optimization is terminated by user");
        } else {
            out_.status = EAOutcome::Status::error;
            out_.errmsg = stop.message;
            m_.calcerror = true;
            m_.errmsg = stop.message;
        }
        out_.merit = out_.meritstart;
    } catch (...) {
        m_.lens = startlens_;
        throw;
    }
    if (setup_.ws) {
        const std::string err = report_.savereport(*setup_.ws, setup_.filebase, ".gao");
        if (!err.empty() && out_.status != EAOutcome::Status::error) {
            out_.status = EAOutcome::Status::error;
            out_.errmsg = err;
        }
    }
    if (out_.status != EAOutcome::Status::error) {
        say(" ");
        say("End of displayed data");
    }
    status(0, out_.status == EAOutcome::Status::finished ? "Status: Finished" : "Status: Terminated");
    for (int panel = 1; panel <= 3; ++panel) status(panel, "");
    if (adapted) *adapted = shares_;
    return out_;
}

}  // namespace

bool assgaglass(GlassCatalog& cat, long serial, const Index3& wl, SurfaceTable& sp, int i) {
    if (serial < 0 || serial > std::numeric_limits<int>::max()) return false;
    const auto g = cat.glassbyserial(static_cast<int>(serial));
    if (!g) return false;
    const size_t k = static_cast<size_t>(i);
    Index3 n = glassindices(g->a, wl);
    if (sp.index[k][0] < 0)
        for (double& x : n) x = -x;
    sp.glass[k] = g->name;
    sp.index[k] = n;
    sp.disp[k] = n[2] - n[1];
    return true;
}

EAOutcome runassga(Model& m, const EAParams& p, const EASetup& setup, const EAHooks& hooks,
                   std::array<double, 5>* adapted) {
    return Assga(m, p, setup, hooks).run(adapted);
}

}  // namespace zefo
