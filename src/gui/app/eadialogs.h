// The dialogs of the evolutionary parameter set and the commands that run them: the three
// genetic-algorithm dialogs, those of EVOL, GRUP/REKO and KORR, and EA Save. Fields, hints,
// choices and checks come from the core's forms; the set lives in the session.
#pragma once

#include "core/forms/eaforms.h"
#include "gui/app/iqdialogs.h"

namespace zefo::gui {

// One of the seven dialogs on the session's parameter set.
class EADialogBox : public ParamDialog {
    Q_OBJECT
public:
    EADialogBox(CalcContext& c, EADialog d);

protected:
    bool check() override;

private:
    EADialog d_;
};

// The commands: the stored set is loaded first when the dialog's rule says so (a refused
// file shows its message and the set stays); OK completes the set, Cancel cancels.
void eageneral(CalcContext& c);
void eaprobabilities(CalcContext& c);
void eaassga(CalcContext& c);
void eaevol(CalcContext& c);
void eagrup(CalcContext& c);
void eareko(CalcContext& c);
void eakorr(CalcContext& c);

// EA Save: the data file of the set's kind, written whole into the genetic folder.
void easave(CalcContext& c);

}  // namespace zefo::gui
