// A run of an evolutionary optimizer: which one, what it needs besides the lens and its
// parameter set, what it reports while it goes on and how it ended. `runevolution` starts
// any of the five on the lens of a model; the batch tool and the run windows call only it.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/analysis/systemreport.h"
#include "core/evolution/eaparams.h"
#include "core/model/model.h"
#include "core/optim/merit.h"

namespace zefo {

class GlassCatalog;
struct Workspace;

enum class EAKind { assga, evol, grup, reko, korr };

// "assga", "evol", "grup", "reko", "korr"; parseeakind is false for any other text.
const char* eakindname(EAKind k);
bool parseeakind(const std::string& text, EAKind& k);

// The report file extension of a run: ".gao", ".ese", ".esg", ".esr", ".esk".
const char* eareportextension(EAKind k);

// What the run reports back while it goes on.
struct EAHooks {
    MemoSink memo;                                              // every memo line as it is written
    std::function<bool()> cancelled;                            // polled between candidates: true = Esc
    std::function<void(int panel, const std::string&)> status;  // status bar panel 0..3
};

// What the run needs besides the model and its parameter set.
struct EASetup {
    GlassCatalog* catalog = nullptr;   // needed when a surface carries "G"
    const Workspace* ws = nullptr;     // the report is written into ws.optimdir when given
    std::string filebase;              // its file base name
    ReportHead head;                   // lens data file and date of the report header
    bool seeded = false;               // seed given; otherwise drawn from the clock
    std::pair<int, int> seed{0, 0};    // s1 (0..31326), s2 (0..30079)
    int threads = 1;                   // 1 or 2: candidates evaluated in pairs, same results
    bool feasibilityonly = false;      // evolution strategies: an infeasible start ends the run as soon as
                                       // a feasible system is found, without the optimization phase
};

// One phase of an evolution strategy: the feasibility phase drives the boundary deficit to
// 0, the optimization phase lowers the merit function.
struct EAPhase {
    enum class Kind { feasibility, optimization } kind = Kind::optimization;
    double start = 0;                  // deficit or merit at the start of the phase
    double end = 0;                    // the best one at its end
    long generations = 0;
    long evaluations = 0;
};

// How a run ended.
struct EAOutcome {
    enum class Status { finished, cancelled, error } status = Status::finished;
    double meritstart = 0;             // merit of the start system, with the weights every candidate gets
    double deficitstart = 0;           // boundary deficit of the start system (evolution strategies)
    double merit = 0;                  // of the system left in the model
    long generations = 0;              // generations or iterations done
    long evaluations = 0;              // candidate evaluations
    int phase = 1;                     // the phase value at the end (evolution strategies; 1 for ASSGA)
    std::vector<EAPhase> phases;       // the phases that ran (evolution strategies)
    std::pair<int, int> seed{0, 0};    // the seed used, so that any run can be repeated
    std::string errmsg;                // the failure (status error)
    std::vector<std::string> memo;     // every memo line
    std::array<double, 5> shares{};    // ASSGA: the operator shares as the run adapted them, which
                                       // the parameter set keeps for the next run
};

// Runs the optimizer of the given kind on m.lens with its labels and limits. The model keeps
// the best system found; the labels and the weights of the lens are restored on every exit
// path (the default weights every candidate is scored with are the run's working values). Same seed, lens and
// parameters give the same report and lens, whatever the number of threads.
EAOutcome runevolution(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks);

}  // namespace zefo
