// The adaptive steady-state genetic algorithm: a ranked population of lenses, parents drawn
// by roulette over linearly normalized ranks, five operators whose shares adapt by credit,
// each accepted child replacing the worst member. Its report is the ".gao" file.
#pragma once

#include <array>
#include <vector>

#include "core/evolution/earun.h"

namespace zefo {

// Runs the optimizer on m.lens with its labels and limits. The model keeps the best member
// at the end of a finished or cancelled run and the start lens after an error. adapted, when
// given, receives the operator shares as the run adapted them (parameter order).
EAOutcome runassga(Model& m, const EAParams& p, const EASetup& setup, const EAHooks& hooks,
                   std::array<double, 5>* adapted = nullptr);

// --- the pieces of the algorithm ---

// The operators by their ids 1..5; ids index the credit statistics.
enum AssgaOp { uniformcross = 1, averagecross = 2, smallcreep = 3, bigcreep = 4, realmutation = 5 };

// Where the share of operator id sits in EAParams::shares (uniform, average, real, big, small).
int assgashareindex(int id);

// The cumulative fitness of ranked positions 0..P-1: the best gets P·T when S div T is at
// most P (else S), each next one T less; the table holds the running sums.
std::vector<double> assgafitness(int popsize, int meritstart, int meritstep);

// The first position whose cumulative fitness is at least u times the last one.
int assgaselect(const std::vector<double>& cumfit, double u);

// The operator id that a uniform number u chooses over the shares (parameter order), taken
// cumulatively in the order of the ids.
int assgaoperator(const std::array<double, 5>& shares, double u);

// The adaptation of the shares (parameter order) by the average credits of the operators
// (parameter order); nothing changes when every average is 0.
void adaptshares(std::array<double, 5>& shares, const std::array<double, 5>& minshares,
                 const std::array<double, 5>& avgcredit);

// A variable of a member: the surface (or separation) and what it changes.
enum class AssgaKind { radius, sep, glass, conic, a4, a6, a8, a10 };
struct AssgaVar {
    int surface = 0;
    AssgaKind kind = AssgaKind::radius;
};

// The variables the labels create in the walk of the mutations: surfaces 0..N with their
// radius, separation (0..N-1) and glass labels, then, with conic and aspheric data, surfaces
// 0..N with "E", "A4", "A6", "A8", "A10".
std::vector<AssgaVar> assgawalk(const OpticalSystem& lens);

// V: one number per variable, two per glass.
int assgavarcount(const std::vector<AssgaVar>& walk);

// The variable of the walk that number q picks (a glass holds two numbers and is picked when
// its second is at least q), or -1 when none is.
int assgapick(const std::vector<AssgaVar>& walk, int q);

// The glass of catalogue serial number `serial` for row i: its name, its indices at wl
// (negated when the row's index is, behind a mirror) and the dispersion n(wl[2]) - n(wl[1]).
// False, the row unchanged, when no glass has that serial number.
bool assgaglass(GlassCatalog& cat, long serial, const Index3& wl, SurfaceTable& sp, int i);

// The text of a variable for messages: "radius of surface 3", "glass of surface 2", ...
std::string assgavarname(const AssgaVar& v);

}  // namespace zefo
