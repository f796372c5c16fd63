// Two measures every candidate of the evolutionary optimizers goes through: the solve of the
// last curvature that keeps the focal length of the start system, and the deficit of the
// edge thicknesses against their limits.
#pragma once

#include <string>

#include "core/model/model.h"

namespace zefo {

// The reason a run cannot keep the focal length a, or empty when it can: an afocal start
// system (a = 0) is refused before the run starts.
std::string lastradiusrefusal(double a);

// Sets curv[N-1] (and radius[N-1] when the lens is given by radii) so that the focal length
// of the lens is a, and sets efl = a; memberradius, when given, receives the solved radius.
// Returns false, changing nothing, when the traced height is 0, surface N-1 separates equal
// indices, a is 0 or the lens has fewer than two surfaces.
bool solvelastradius(OpticalSystem& lens, double a, double* memberradius = nullptr);

// Adds the edge-thickness deficit of the lens to d: 0 when every edge meets its limit,
// negative otherwise; never a positive contribution.
void edgedeficit(const OpticalSystem& lens, double& d);

}  // namespace zefo
