// The parameter dialogs of the evolutionary optimizers without their widgets ("Genetic
// algorithms general", "Genetic algorithms probabilities", "Adaptive Steady State Genetic
// Algorithm" and the dialogs of EVOL, GRUP/REKO and KORR), the parameter set as the program
// holds it while it runs (with the flags of the dialogs that completed it), and what a run
// command does to that set before and after its run.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/evolution/earun.h"
#include "core/forms/dialogform.h"

namespace zefo {

enum class EADialog { general, probabilities, assga, evol, grup, reko, korr };
inline constexpr int eadialogcount = 7;

// A group of radio buttons of a dialog: caption, items (with their accelerators), the hint
// of the status line (empty: none).
struct EAChoiceGroup {
    std::string caption, name;
    std::vector<std::string> items;
    std::string hint;
};

// The dialog's caption.
const char* eadialogtitle(EADialog d);
// The edit fields in the order OK reads them; the radio groups, assigned after them.
std::vector<DialogField> eafields(EADialog d);
std::vector<EAChoiceGroup> eachoices(EADialog d);
// The texts the fields show and the item checked in each group (-1: none) for the set p.
std::vector<std::string> eatexts(const EAParams& p, EADialog d);
std::vector<int> eachecked(const EAParams& p, EADialog d);

// OK: the typed texts in field order and the checked items are converted, checked and
// assigned in order. The first refused field ends the press (BadField, its message); values
// assigned before it stay assigned, the refused value is not taken. restore tells whether
// the field gets its previous text back (not for a refused quotient or sum, whose typed
// value stays in the field). The log gets a line for each value that changed.
struct EAAccept {
    DialogResult result;
    bool restore = true;
};
EAAccept eaaccept(EAParams& p, EADialog d, const std::vector<std::string>& texts, const std::vector<int>& checked);

// The parameter set held while the program runs.
struct EAState {
    EAParams p;
    std::array<bool, eadialogcount> done{};  // the dialogs confirmed with OK
    bool completed = false;                  // completed in its dialogs or loaded since the last run
    bool saveable = false;                   // EA Save may run
};

// The data file extension a dialog loads first (".gad" for the three genetic dialogs).
std::string eadialogextension(EADialog d);
// True when the dialog loads the data file first: none of the three genetic dialogs was
// confirmed yet, or this evolution strategy dialog was not.
bool ealoadsfirst(const EAState& s, EADialog d);
// Reads a data file into the set when it exists: the file must hold a kind whose
// extension is ext (wantkind, when not 0, must be its kind). A missing file is no error
// (false, empty message); a refused one keeps the set and gives its message. A good load
// completes the set and makes it saveable; the result is true.
bool eaload(EAState& s, const std::string& path, const std::string& ext, int wantkind, std::string& err);
// OK of a dialog: its flag, the kind it sets, the recombination flag of GRUP and REKO, the
// completed mark and EA Save. Returns the extra log line of the dialog (empty: none).
std::string eaconfirmed(EAState& s, EADialog d);

// The parameter-set kind of an optimizer (3 ASSGA .. 7 KORR) and its data file extension.
int eaparamkind(EAKind k);
// Before a run: the flags of the optimizer's dialogs are cleared and the set takes the
// optimizer's kind; a set not completed since the last run is loaded from path first (a
// file of another kind is refused: the message, and the run must not start).
std::string eabeforerun(EAState& s, EAKind k, const std::string& path);
// After a run: the set is no longer completed; ASSGA's adapted operator shares stay.
void eaafterrun(EAState& s, EAKind k, const EAOutcome& o);

}  // namespace zefo
