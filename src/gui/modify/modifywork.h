// The Modify menu's commands (scale, angle solve, reverse, standard radii, the mechanical
// data) and the CAD script export, with the dialogs that answer their questions.
#pragma once

#include "gui/app/commands.h"

namespace zefo::gui {

void scalework(CalcContext& c, Report& r);
void anglesolvework(CalcContext& c, Report& r);
void reversework(CalcContext& c, Report& r);
void standardradiiwork(CalcContext& c, Report& r);
void mechdiamwork(CalcContext& c, Report& r);
void checkdiamwork(CalcContext& c, Report& r);
void distanceringwork(CalcContext& c, Report& r);
void systemmasswork(CalcContext& c, Report& r);
void acadwork(CalcContext& c);
void acadrayswork(CalcContext& c);

}  // namespace zefo::gui
