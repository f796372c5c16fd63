// The boundary conditions of a least-squares run: the components added to the merit list
// while an edge thickness, a clear radius or a glass of the triangle is violated, and their
// release.
#pragma once

#include <string>
#include <vector>

#include "core/model/model.h"
#include "core/optim/merit.h"

namespace zefo {

// At most this many boundary-condition rows: each kind is added once per surface (and side).
inline constexpr int maxbcrows = 6 * (maxsurf + 1);

// Kind 4 of a boundary-condition row: the edge thickness of a gap at the clear radii
// (hmax) of its two surfaces (kind 1 is the edge distance the traced rays found). Its
// component aims a little inside the limit (clearedgemargin of it) with clearedgeweight
// times dimweight, so that the balance of the penalty against the merit lands within the
// limit: a lens must be made.
inline constexpr uint8_t clearedgekind = 4;
inline constexpr double clearedgemargin = 0.01;
inline constexpr double clearedgeweight = 10;

// The edge thickness of gap i (between surfaces i-1 and i) where both spheres run out to
// their own clear radius: sep[i] minus the sag of surface i-1 plus the sag of surface i,
// each at its hmax. Where a clear radius reaches beyond its sphere there is no edge: the
// result is then the sum of the negative terms 1 - (c·hmax)² of the two surfaces minus the
// gap's edge limit, below every limit.
double clearedge(const OpticalSystem& lens, int i);

// A line for every gap between optical surfaces (1 .. nsurf-1) whose edge at the clear radii
// is thinner than its edge limit, so that no run ends on such a lens without saying so.
std::vector<std::string> clearedgewarnings(const OpticalSystem& lens);

// The scan after an evaluation: every edge distance at or below its limit, every edge at the
// clear radii (gaps 1 .. nsurf-1) at or below its limit, every ray height at or above its clear aperture limit
// (limits of 0 count as none) and every "G" glass on or
// beyond a side of the glass triangle adds a component (once per kind, surface and side),
// with its memo line and its weight (dimweight, glassweight); the list grows with its
// rows. Returns the number added.
int bcscan(Model& m, MeritList& l, const MemoSink& memo);

// Removes boundary-condition row r: the rows and the components after it move up together.
void bcremove(const OpticalSystem& lens, MeritList& l, int r);

// The memo line of a released row with its current residual value.
std::string bcreleaseline(const Model& m, const MeritList& l, int r);

}  // namespace zefo
