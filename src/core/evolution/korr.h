// The pieces of the correlated-mutation strategy that stand on their own: its normal
// numbers, its learning rates, the rotation of a mutation vector by the positional angles
// and the storing of an angle.
#pragma once

#include "core/evolution/random.h"

namespace zefo {

// A standard normal number from uniforms of rng by the strategy's own method (a trapezoid
// and four tails); every rejection loop is bounded.
double korrnormal(UniversalRandom& rng);

// t0 = 1/sqrt(2V) (global) and t = 1/sqrt(2 sqrt V) (per component).
struct KorrRates {
    double t0 = 0, t = 0;
};
KorrRates korrrates(int nvar);

// Rotates the mutation vector z[0..nvar-1] pair by pair by the angles a[0..nvar(nvar-1)/2-1]
// (used directly as arguments of sine and cosine): the pairs (V-1,V), (V-2,V), (V-2,V-1),
// ... (1,2) in the numbering from 1 take the angles from the last one down.
void rotatepairs(double* z, int nvar, const double* a);

// An angle as it is stored: beyond ±180 it is brought back by a full turn.
double storedangle(double a);

}  // namespace zefo
