// The machinery the evolution strategies (EVOL, GRUP, REKO, KORR) share: the variable vector
// and its step sizes, the sign and range rules of radii and separations, the boundary
// deficit and the feasibility phase, the evaluation of a candidate, the report and memo
// lines, the end of a run and the evaluation of offspring in pairs on two threads.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/evolution/candidate.h"
#include "core/evolution/earun.h"
#include "core/evolution/esglass.h"
#include "core/evolution/random.h"
#include "core/report/report.h"

namespace zefo {

enum class EsComp : uint8_t { radius, sep, gindex, gabbe, conic, a4, a6, a8, a10 };

// One component of the variable vector and the surface whose label creates it.
struct EsVar {
    EsComp kind = EsComp::radius;
    int surface = 0;
};

// The variable vector of the labels: every "C" radius (surfaces 0..N), every "D"
// separation (0..N-1), for every "G" the index and the Abbe number of its glass, then, when
// the lens has conic and aspheric data, every "E", "A4", "A6", "A8" and "A10" (each kind over
// the surfaces 0..N).
std::vector<EsVar> esvariables(const OpticalSystem& lens);

// The initial step sizes: s0 for radii and separations; when glass variables exist the
// components after them alternately s0/10 and s0/5, otherwise s0 for all.
std::vector<double> esinitialsteps(const std::vector<EsVar>& vars, double s0);

// The value of a component: the radius (the reciprocal of the curvature, 0 for a plane),
// the separation, the index, the Abbe number (index - 1) / disp, the conic or aspheric
// coefficient. Setting one sets the curvature with the radius; glass components are set by
// the substitution only.
double esvalue(const SystemSurfaces& s, const EsVar& v);
void essetvalue(SystemSurfaces& s, const EsVar& v, double x);

// The value the step sizes are bounded against: disp for an Abbe component, else the value.
double esstepref(const SystemSurfaces& s, const EsVar& v);

// The sign and range rules: a radius keeps the sign of its start radius (and with a
// maxfactor its magnitude stays within maxfactor times the start's), a plane at the start
// takes any radius; a separation with g
// the sign of its index keeps g·x at least axlim and at most 3·g·start.
bool radiusallowed(double x, double start, double maxfactor = 0);
bool separationallowed(const OpticalSystem& lens, int i, double x, double start);

// The boundary deficit B of an evaluated lens (0 or negative): separations labelled "D"
// closer than their axial limit where the surfaces approach, the edge deficit, and ray
// heights (of the last merit evaluation in trace) at or above a clear aperture limit.
double boundarydeficit(const Model& m);

// The mean of a vector of step sizes (0 for none).
double meanstep(const double* s, size_t n);

// A random parent of a population of mu: max(1, round(mu u)) for a fresh uniform u, so
// that the first is drawn twice as often as the others.
int randomparent(UniversalRandom& rng, int mu);

// The step-size factor of an offspring, exp(t z0), halved with recombination (the sum of
// two parents' steps takes its place).
double offspringfactor(double t, double z0, bool recombine);

// The success window of the one-fifth rule, W[k] = k·V div 5, and one adjustment: the
// steps are divided by c when the successes exceed W[1], multiplied by c when they are
// fewer; then the window moves on and its new last entry is the successes plus 2V.
std::array<long, 10> successwindow(long nvar);
void onefifthrule(std::vector<double>& steps, long successes, std::array<long, 10>& window, double c, long nvar);

// The random source and the catalogue cursor: the state a speculative offspring changes
// and that is put back when it is not needed.
struct EsDraws {
    UniversalRandom rng;
    int cursor = 0;
};

// Glass deviations of a normal number times the step, drawn again with the same steps
// after a window or a lookup refused the point (EVOL, and the first population of GRUP and
// REKO).
class NormalGlassDraws : public GlassDraws {
public:
    NormalGlassDraws(UniversalRandom& rng, const double* steps) : rng_(rng), steps_(steps) {}
    double deviation(int comp) override { return rng_.normal() * steps_[comp]; }
    bool outside(int) override { return true; }
    void rejected() override {}

private:
    UniversalRandom& rng_;
    const double* steps_;
};

// An offspring being made and evaluated: its lens lives in model.
struct EsCandidate {
    Model* model = nullptr;
    std::vector<double> s, a, z;   // step sizes, angles, mutation vector
    int p1 = 0, p2 = 0;            // parents (KORR)
    bool valid = false;            // made (before) and evaluated (after) without a fault
    bool evaluated = false;
    double value = 0;              // merit, or the deficit in the feasibility phase
};

// A stored individual of a population.
struct EsMember {
    SystemSurfaces sys;
    RayScheme rays;
    std::vector<double> s, a;      // step sizes, angles
    double value = 0;
};

// Ends a run from anywhere inside it.
struct EsStop {};

class EsRun {
public:
    EsRun(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks);
    virtual ~EsRun();
    EsRun(const EsRun&) = delete;
    EsRun& operator=(const EsRun&) = delete;

    EAOutcome run();

protected:
    virtual void header() = 0;          // the report's head lines after the system line
    virtual void strategy() = 0;        // the generations; throws EsStop to end early
    virtual bool successline() const { return false; }
    virtual long successes() const { return 0; }

    // lines: report and memo, report only, memo only; status panel
    void say(const std::string& line);
    void toreport(const std::string& line);
    void tomemo(const std::string& line);
    void status(int panel, const std::string& text);
    void poll();                        // Esc: ends the run as terminated
    [[noreturn]] void error(const std::string& msg);

    // Ends the run with the feasible system of mm (phase 0).
    [[noreturn]] void feasible(const Model& mm);
    // Keeps the system of mm as the best system (restored at the end).
    void keepbest(const Model& mm) { keepbest(mm.lens.sys, mm.lens.rays); }
    void keepbest(const SystemSurfaces& sys, const RayScheme& rays);
    // Ends the run with phase p (after the best system has been kept).
    [[noreturn]] void stop(int p);

    // Evaluates the lens of a candidate: its merit, or its deficit F' in the feasibility
    // phase; negative for an invalid one.
    double evaluate(Model& mm) const;
    void evaluate(EsCandidate& c) const;

    // Puts a stored system into a lens.
    void putsystem(Model& mm, const SystemSurfaces& sys, const RayScheme& rays) const;

    // Draws base + z·s until the component's rule holds (fresh z each draw). Radius and
    // separation only. Throws an error naming the variable when the draws run out.
    double drawruled(const Model& mm, int k, double base, double step);
    // The error text of a radius or separation component whose rule cannot be met.
    std::string ruleexhausted(int k) const;
    bool ruleholds(const Model& mm, int k, double x, double maxfactor = 0) const;

    // The glass class of each variable's surface in the start system (none for non-glass).
    GlassClass startclass(int k) const { return classes_[static_cast<size_t>(k)]; }
    GlassResult glass(Model& mm, int k, double n, double v, bool truncate, GlassDraws& draws);

    // Makes offspring until need() is 0: make builds one into a candidate, commit takes it
    // (both on this thread, in order); need() is the least number of offspring still to
    // come. With two threads the offspring are made ahead, at most as many as needed and at
    // least two, and evaluated by both threads; an offspring made ahead that is not taken is
    // dropped with the draws it took, so the results do not depend on the threads.
    template <class Make, class Commit, class Need>
    void offspring(Make make, Commit commit, Need need);

    int nvar() const { return static_cast<int>(vars_.size()); }
    double startvalue(int k) const { return esvalue(start_, vars_[static_cast<size_t>(k)]); }

    Model& m_;
    const EAKind kind_;
    const EAParams& p_;
    const EASetup& setup_;
    const EAHooks& hooks_;
    EAOutcome out_;
    Report report_;
    EsDraws draws_;
    GlassMap map_;
    std::vector<EsVar> vars_;
    std::vector<double> s0_;            // the initial step sizes
    SystemSurfaces start_;              // the start system
    RayScheme startrays_;
    int phase_ = 1;
    double efl_ = 0;
    double startval_ = 0;               // merit or deficit of the start system
    double best_ = 0;                   // best value found
    long count_ = 0;                    // iterations or generations
    static constexpr int window = 32;   // offspring made ahead for two threads (below 256)
    EsCandidate cand_[window];
    EsDraws before_[window];            // the draws before each candidate made ahead
    SystemSurfaces bestsys_;            // the best system found
    RayScheme bestrays_;

private:
    bool havebest_ = false;
    void start();
    void endlines(bool terminated);
    void finish();
    void restorelabels();
    void workerloop();

    std::vector<GlassClass> classes_;
    std::vector<std::string> labels_;   // the labels before the feasibility phase took "G" away
    bool labelsremoved_ = false;
    bool cancelled_ = false;
    bool errored_ = false;

    // the second thread and the models of the candidates made ahead
    std::vector<Model> models_;
    std::thread worker_;
    std::mutex mu_;
    std::condition_variable cv_;       // the second thread waits on it
    std::condition_variable donecv_;   // the first waits on it for the batch's last evaluations
    std::atomic<long> batch_{0};      // number of the last batch of evaluations
    // the next candidate to claim, tagged with its batch: batch << 16 | count << 8 | index,
    // so that a late claim of the second thread never reaches into another batch
    std::atomic<unsigned long long> claim_{0};
    std::atomic<int> doneitems_{0};
    std::atomic<bool> quit_{false};
    std::atomic<bool> ready_[window];  // candidate made, its evaluation may start
    void startbatch(int n);           // cand_[0..n-1], evaluated on both threads as they are made
    void madeitem(int i);
    void finishbatch(int n);
    void evaluateitems(long batch);
    void stopworker();
};

template <class Make, class Commit, class Need>
void EsRun::offspring(Make make, Commit commit, Need need) {
    const bool two = worker_.joinable();
    for (int n = need(); n > 0; n = need()) {
        if (!two) {
            make(cand_[0]);
            evaluate(cand_[0]);
            commit(cand_[0]);
            poll();
            continue;
        }
        const int ahead = n < 2 ? 2 : n > window ? window : n;
        startbatch(ahead);
        for (int i = 0; i < ahead; ++i) {
            before_[i] = draws_;
            make(cand_[i]);
            madeitem(i);
        }
        finishbatch(ahead);
        for (int i = 0; i < ahead; ++i) {
            if (need() == 0) {
                draws_ = before_[i];
                break;
            }
            commit(cand_[i]);
            poll();
        }
    }
}

}  // namespace zefo
