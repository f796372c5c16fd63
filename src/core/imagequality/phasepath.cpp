// The choice of the phase kernel and the library's cosine and sine for the phases beyond it.
#include "core/imagequality/phasepath.h"

#include <cmath>

namespace zefo {

void phasesincos(const double* a, int degree, const double* x, int n, double* c, double* s, TracePath path,
                 const double* g, double* sums) {
    if (!pathsupported(path)) path = besttracepath();
    bool far = false;
    switch (path) {
        case TracePath::avx512: far = phasekernelavx512(a, degree, x, n, c, s, g, sums); break;
        case TracePath::avx2: far = phasekernelavx2(a, degree, x, n, c, s, g, sums); break;
        default: far = phasekernelscalar(a, degree, x, n, c, s, g, sums); break;
    }
    if (!far) return;
    for (int i = 0; i < n; ++i) {
        double v = x[i];
        if (a) {
            v = 0;
            for (int k = degree; k >= 0; --k) v = v * x[i] + a[k];
        }
        if (std::fabs(v) < phaselimit) continue;
        c[i] = std::cos(v);
        if (s) s[i] = std::sin(v);
    }
    if (g) {
        sums[0] = weightedsum(g, c, n);
        if (s) sums[1] = weightedsum(g, s, n);
    }
}

}  // namespace zefo
