// The phase of the diffraction MTF's pupil lines with its cosine and sine over many nodes at
// once, built once per instruction set and chosen at run time like the block trace.
#pragma once

#include "core/raytrace/blocktrace.h"

namespace zefo {

// Nodes per pass of the kernel (any number of nodes may be given).
constexpr int phasechunk = 256;
// Phases at or beyond this size (or not finite) leave the kernel's reduction; phasesincos
// gives them the library's cosine and sine.
constexpr double phaselimit = 1.6e6;

// With a (the coefficients of a polynomial of the given degree, a[0] the constant term) the
// phase of node x[i] is the polynomial's value by Horner's rule, without it x[i] itself; c[i]
// and s[i] (s may be null) receive its cosine and sine.
void phasesincos(const double* a, int degree, const double* x, int n, double* c, double* s,
                 TracePath path = besttracepath());

// The kernels (phasepath_*.cpp); each returns whether any phase was beyond its reach. SSE2
// has no blend of vectors for the quadrants: the sse2 path runs the scalar kernel.
bool phasekernelscalar(const double* a, int degree, const double* x, int n, double* c, double* s);
bool phasekernelavx2(const double* a, int degree, const double* x, int n, double* c, double* s);
bool phasekernelavx512(const double* a, int degree, const double* x, int n, double* c, double* s);

}  // namespace zefo
