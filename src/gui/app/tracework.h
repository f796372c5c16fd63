// The work of the ray trace and aberration commands: system reports, ray scheme,
// paraxial data, single ray trace, Seidel coefficients, ray trace and aberrations.
#pragma once

#include "gui/app/commands.h"

namespace zefo::gui {

void displaysystem(CalcContext& c, Report& r);
void displaysystemfull(CalcContext& c, Report& r);
void displayrays(CalcContext& c, Report& r);
void printsystem(CalcContext& c, Report& r);
void printrays(CalcContext& c, Report& r);

// Aims the rays of the scheme; the design counts as changed.
void calcrayscheme(CalcContext& c, Report& r);

void paraxialdata(CalcContext& c, Report& r);
void paraxialdatafull(CalcContext& c, Report& r);

// Runs SingleRayTraceDialog, then traces the chosen ray.
void singleraytracework(CalcContext& c, Report& r);

void seidelwork(CalcContext& c, Report& r);
void raytracework(CalcContext& c, Report& r);
void aberrationswork(CalcContext& c, Report& r);

}  // namespace zefo::gui
