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
// and s[i] (s may be null) receive its cosine and sine. With weights g, sums[0] receives the
// sum of g[i] c[i] and sums[1] (with s) that of g[i] s[i], both added up as weightedsum does.
void phasesincos(const double* a, int degree, const double* x, int n, double* c, double* s,
                 TracePath path = besttracepath(), const double* g = nullptr, double* sums = nullptr);

// The kernels (phasepath_*.cpp); each returns whether any phase was beyond its reach. SSE2
// has no blend of vectors for the quadrants: the sse2 path runs the scalar kernel.
bool phasekernelscalar(const double* a, int degree, const double* x, int n, double* c, double* s,
                       const double* g, double* sums);
bool phasekernelavx2(const double* a, int degree, const double* x, int n, double* c, double* s,
                     const double* g, double* sums);
bool phasekernelavx512(const double* a, int degree, const double* x, int n, double* c, double* s,
                       const double* g, double* sums);

namespace {

// The sum of g[i] v[i] in eight partial sums (i mod 8) added pairwise: the same order for
// every vector width.
inline double weightedsum(const double* g, const double* v, int n) {
    double acc[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int l = 0; l < 8; ++l) acc[l] += g[i + l] * v[i + l];
    for (int l = 0; i + l < n; ++l) acc[l] += g[i + l] * v[i + l];
    return ((acc[0] + acc[1]) + (acc[2] + acc[3])) + ((acc[4] + acc[5]) + (acc[6] + acc[7]));
}

}  // namespace

}  // namespace zefo
