// The optimization variables: what the optimization labels of the surfaces let an optimizer
// change, in the one order every consumer (derivatives, steps, encodings) uses, with their
// increments; perturbing, stepping and freezing them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace zefo {

enum class VarKind : uint8_t { curv, sep, defocus, index, disp, conic, a4, a6, a8, a10 };

// One variable: the surface that carries its label, what it changes and its increment.
struct Variable {
    int surface = 0;
    VarKind kind = VarKind::curv;
    double increment = 0;
};

// Short name of a kind: "curvature", "separation", "defocus", "index", "dispersion",
// "conic", "a4", "a6", "a8", "a10".
const char* varkindname(VarKind k);

// The increments of the aspheric coefficients A4 .. A10, set at the start of a run from the
// height of the axial marginal ray at the first surface (conic increment 0.001).
struct AsphIncrements {
    double a4 = 0.001, a6 = 0.001, a8 = 0.001, a10 = 0.001;
};
AsphIncrements asphincrements(const Model& m);

// The variables the labels create, in order: every "C" (surfaces 0 .. nsurf), every "D"
// (separations 0 .. nsurf-1, the image surface of an objective gives defocus), every "G"
// (index then dispersion), then "E" or else "A4" .. "A10" on aspheric surfaces with
// asphdata 'D' and no "S" label. Writes into out (cleared; no allocation once it has room).
void enumvariables(const Model& m, const AsphIncrements& ai, std::vector<Variable>& out);
std::vector<Variable> enumvariables(const Model& m, const AsphIncrements& ai = {});

// Value of a variable and setting it (a curvature also sets its radius: 1 / curv, or 0 for
// a plane).
double varvalue(const Model& m, const Variable& v);
void setvar(Model& m, const Variable& v, double value);

// A glass variable makes the glass of its surface a model glass: empty name, indices at the
// second and third wavelength from index and dispersion (nC = n - 0.3·disp, nF = n +
// 0.7·disp) so that every evaluation keeps all components.
void makemodelglass(Model& m, int surface);
bool ismodelglass(const Model& m, int surface);

// Applies a step of size x (in increments) to every variable: value -= x[j]·increment.
void stepvariables(Model& m, const std::vector<Variable>& vars, const double* x);

// The angle solve: the curvature in front of surface anglesurf that gives the paraxial
// marginal ray the image-space angle na. False with a message when the height there is 0 or
// the surface separates equal media.
bool anglesolve(Model& m, double y, double u, std::string& msg);

// Removes the first occurrence of a label ("C", "D", ...) from a surface's optlabel; true
// when it was there.
bool removelabel(Model& m, int surface, const char* label);

}  // namespace zefo
