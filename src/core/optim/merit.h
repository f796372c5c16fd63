// The merit function: the list of components (nine paraxial ones, the aberrations of the
// rays of the ray scheme and, during a least-squares run, the boundary-condition
// components), their evaluation, the weighted sum of squares, the default weights and the
// merit table. Every optimizer evaluates a lens only through these functions.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace zefo {

class Report;
struct ReportHead;

// A sink for the lines of an optimizer's memo; an empty function drops them.
using MemoSink = std::function<void(const std::string&)>;

// Error of an evaluation that produced another number of components than naber.
inline constexpr const char* abercountmsg = "Number of aberrations does not match!";

// Sizes the list for naber + nbc components and the lens's weights for its naber (keeping
// contents, new targets 0, new weights 0).
void sizemeritlist(OpticalSystem& lens, MeritList& l);

// Number of components of the list: naber + nbc.
int ncomponents(const OpticalSystem& lens, const MeritList& l);

// Weight of component i: the lens's weight of its naber components, the row's weight of a
// boundary-condition component.
double componentweight(const OpticalSystem& lens, const MeritList& l, int i);

// Evaluates every component of the current system into the names and values of l: the mirrored half
// of a symmetric system, the paraxial data with the angle solve, the nine paraxial
// components, the glass-triangle rows of l.bc and the ray components of the ray
// scheme (statistics trace: the edge-thickness and clear-radius rows of l.bc are
// written by it). With a memo the aberration tables of the rays are appended to it. False
// when a trace or the paraxial data fail or the list does not have naber ray and paraxial
// components (calcerror and errmsg set; nothing is written past the arrays). Allocates
// nothing once the arrays have their size and the trace context is prepared.
bool meritcalc(Model& m, MeritList& l, const MemoSink& memo = {});

// Contributions contrib[i] = (value - target)·weight and the merit, the sum
// of their squares over naber + nbc components; with a memo the merit table follows.
double meritsum(const Model& m, MeritList& l, const MemoSink& memo = {});

// The residual r_i = (value[i] - target[i])·weight of component i.
double residual(const OpticalSystem& lens, const MeritList& l, int i);

// The merit table lines of the current arrays (head, one line per component, the paraxial
// summary of the weighted paraxial components and the boundary-condition lines).
std::vector<std::string> merittable(const Model& m, const MeritList& l);

// The merit function report (".otz"): the design data listing of the lens, then the merit
// table after a fresh evaluation. False after a failure (calcerror set).
bool meritreport(Model& m, MeritList& l, const ReportHead& h, Report& r);

// Start of a least-squares run: meritcalc and the boundary-condition scan repeated until
// the scan adds no component, then meritsum (merit table in the memo). Returns the merit;
// calcerror set on a failure.
double meritstep(Model& m, MeritList& l, const MemoSink& memo = {});

// Slopes of the three sides of the glass triangle (index per 0.1 of dispersion); a side
// whose corners have the same dispersion gets slope 0.
std::array<double, 3> triangleslopes(const GlassTriangle& t);

// Signed distance d of the glass of surface s beyond side e (1 .. 3) of the triangle: d >= 0
// when the glass lies on or outside that side (the scan's test); and the value of its merit
// component, the distance normal to the side.
double glassbeyond(const Model& m, const std::array<double, 3>& slopes, int s, int e);
double glassdeviation(const Model& m, const std::array<double, 3>& slopes, int s, int e);

// "Calculate the aberration weights": the default weights of the paraxial components 0, 1
// (telescopes) and 8 and of every ray component, from na, the ray scheme and wloptweight.
// False (calcerror with abercountmsg, nothing written) when the ray scheme gives another
// number of components than naber.
bool calcweights(Model& m);

}  // namespace zefo
