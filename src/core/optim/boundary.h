// The boundary conditions of a least-squares run: the components added to the merit list
// while an edge thickness, a clear radius or a glass of the triangle is violated, and their
// release.
#pragma once

#include "core/model/model.h"
#include "core/optim/merit.h"

namespace zefo {

// At most this many boundary-condition rows: each kind is added once per surface (and side).
inline constexpr int maxbcrows = 5 * (maxsurf + 1);

// The scan after an evaluation: every edge distance at or below its limit, every ray height
// at or above its clear aperture limit (limits of 0 count as none) and every "G" glass on or
// beyond a side of the glass triangle adds a component (once per kind, surface and side),
// with its memo line and its weight (dimweight, glassweight); the list grows with its
// rows. Returns the number added.
int bcscan(Model& m, MeritList& l, const MemoSink& memo);

// Removes boundary-condition row r: the rows and the components after it move up together.
void bcremove(const OpticalSystem& lens, MeritList& l, int r);

// The memo line of a released row with its current residual value.
std::string bcreleaseline(const Model& m, const MeritList& l, int r);

}  // namespace zefo
