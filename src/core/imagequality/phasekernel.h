// The phase kernel of the diffraction MTF, included once per instruction set
// (phasepath_*.cpp, each defining PHASEKERNEL_ENTRY): the phase of a pupil line at its nodes
// by Horner's rule and its cosine and sine. Every node gets the same operations in the same
// order, whatever the vector width, so every path gives the same numbers.
#include <cmath>

#include "core/imagequality/phasepath.h"

namespace zefo {
namespace {

// pi/2 in three parts: the first two with 33 significant bits, so that k times them is exact
// for |k| < 2^20
constexpr double halfpi1 = 0x1.921fb544p+0;
constexpr double halfpi2 = 0x1.0b4611a6p-34;
constexpr double halfpi3 = 0x1.3198a2e037073p-69;
constexpr double twobypi = 0x1.45f306dc9c883p-1;
// Adding and taking away 1.5 * 2^52 rounds a double below 2^51 to the nearest integer.
constexpr double roundconst = 6755399441055744.0;

constexpr double invfactorial(int n) {
    double f = 1;
    for (int k = 2; k <= n; ++k) f *= k;
    return 1 / f;
}

// Taylor series on |r| <= pi/4: the first left-out terms are below 1e-18 of the result.
inline double sinreduced(double r) {
    const double r2 = r * r;
    double p = invfactorial(17);
    p = p * r2 - invfactorial(15);
    p = p * r2 + invfactorial(13);
    p = p * r2 - invfactorial(11);
    p = p * r2 + invfactorial(9);
    p = p * r2 - invfactorial(7);
    p = p * r2 + invfactorial(5);
    p = p * r2 - invfactorial(3);
    return r + r * r2 * p;
}

inline double cosreduced(double r) {
    const double r2 = r * r;
    double p = invfactorial(16);
    p = p * r2 - invfactorial(14);
    p = p * r2 + invfactorial(12);
    p = p * r2 - invfactorial(10);
    p = p * r2 + invfactorial(8);
    p = p * r2 - invfactorial(6);
    p = p * r2 + invfactorial(4);
    return (1 - 0.5 * r2) + r2 * r2 * p;
}

// The reduced argument of v and its quadrant (k mod 4).
inline double reduced(double v, double& quadrant) {
    const double k = (v * twobypi + roundconst) - roundconst;
    quadrant = k - 4 * ((k * 0.25 - 0.375 + roundconst) - roundconst);
    return ((v - k * halfpi1) - k * halfpi2) - k * halfpi3;
}

inline double cosnode(double v) {
    double q;
    const double r = reduced(v, q);
    const double c = q == 1 || q == 3 ? sinreduced(r) : cosreduced(r);
    return q == 1 || q == 2 ? -c : c;
}

inline double sinnode(double v) {
    double q;
    const double r = reduced(v, q);
    const double s = q == 1 || q == 3 ? cosreduced(r) : sinreduced(r);
    return q >= 2 ? -s : s;
}

}  // namespace

bool PHASEKERNEL_ENTRY(const double* a, int degree, const double* x, int n, double* c, double* s,
                       const double* g, double* sums) {
    double ph[phasechunk];
    long long far = 0;
    for (int from = 0; from < n; from += phasechunk) {
        const int m = n - from < phasechunk ? n - from : phasechunk;
        const double* xs = x + from;
        if (a) {
            for (int i = 0; i < m; ++i) ph[i] = 0;
            for (int k = degree; k >= 0; --k) {
                const double ak = a[k];
                for (int i = 0; i < m; ++i) ph[i] = ph[i] * xs[i] + ak;
            }
        } else {
            for (int i = 0; i < m; ++i) ph[i] = xs[i];
        }
        double* cs = c + from;
        if (s) {
            double* ss = s + from;
            for (int i = 0; i < m; ++i) {
                far += !(std::fabs(ph[i]) < phaselimit);
                cs[i] = cosnode(ph[i]);
                ss[i] = sinnode(ph[i]);
            }
        } else {
            for (int i = 0; i < m; ++i) {
                far += !(std::fabs(ph[i]) < phaselimit);
                cs[i] = cosnode(ph[i]);
            }
        }
    }
    if (g) {
        sums[0] = weightedsum(g, c, n);
        if (s) sums[1] = weightedsum(g, s, n);
    }
    return far > 0;
}

}  // namespace zefo
