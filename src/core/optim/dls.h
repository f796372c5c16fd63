// Damped least squares: "Classical DLS Optimization" of the lens of a model, with its memo
// lines, its cancel poll and its status line, ending with the ".opt" report.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/analysis/systemreport.h"
#include "core/model/model.h"
#include "core/optim/merit.h"

namespace zefo {

class GlassCatalog;
struct Workspace;

// What the run reports back while it goes on.
struct DlsHooks {
    MemoSink memo;                                    // every memo line as it is written
    std::function<bool()> cancelled;                  // polled between steps: true = Esc
    std::function<void(const std::string&)> status;   // status panel 2: "Merit function..." + merit
};

// What the run needs besides the model.
struct DlsSetup {
    GlassCatalog* catalog = nullptr;   // needed when a surface carries "G" (model-glass replacement)
    const Workspace* ws = nullptr;     // the ".opt" report is written into ws when given
    std::string filebase;              // its file base name
    ReportHead head;                   // lens data file and date of the system data lines
    int maxiter = 10000;               // iterations; one more when the last added or released components
    int threads = 0;                   // threads of the Jacobian: 0 as many as the machine has
};

// How a run ended.
struct DlsOutcome {
    enum class Status { finished, cancelled, error } status = Status::finished;
    double meritstart = 0;             // merit of the starting system
    double merit = 0;                  // merit of the system left in the model
    int iterations = 0;                // iterations of this run
    int endflag = 0;                   // 0 running, 1 no further improvement, 2 merit change <= 0.001
    std::string errmsg;                // the failure (status error)
    std::vector<std::string> memo;     // every memo line (".opt" holds them up to "Measurement units are mm")
    std::vector<std::string> warnings; // what the lens left is not (edges below their limits at the clear
                                       // radii, a telescope's angular magnification changed by over 1 %)
};

// Runs DLS on m.lens with its labels, weights and limits and the targets of list, which
// holds the components of the last evaluation at the end (the boundary-condition rows of
// the run removed). The model keeps the last applied system; model glasses are replaced by
// catalogue glasses (or the start glasses are restored) on every exit path. The command
// texts are those of "ClassicalDlsOptimization".
DlsOutcome dlsoptimize(Model& m, MeritList& list, const DlsSetup& setup, const DlsHooks& hooks);

// The catalogue glass that replaces the model glass of a surface: the glass of its glass
// code ((n - 1)·1000 and the Abbe number times 10, three digits each) or, when the catalogue
// has no such code, the glass nearest in index and dispersion. Returns the memo lines; the
// surface is left as it is when the catalogue holds no glass.
std::vector<std::string> catalogueglass(Model& m, int surface, GlassCatalog& cat);

// "Change damping factor": switches damptype between additive (0) and multiplicative (1)
// damping and returns the text of its box (caption "Information").
const char* changedamping(OpticalSystem& lens);

// A memo line of one trial: λ (12:6), forecast and merit (20:6 each), two blanks and the
// step length (20:6), after three blanks.
std::string triallinetext(double lambda, double forecast, double merit, double steplength);

}  // namespace zefo
