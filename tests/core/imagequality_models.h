// Optical systems for the image-quality tests.
#pragma once

#include <cmath>
#include <complex>

#include "core/forms/iqforms.h"
#include "core/imagequality/imagequality.h"
#include "testsystems.h"
#include "core/raytrace/rayscheme.h"

namespace zefo::test {

// The settings of an objective, no surfaces: na 0.1, three fields, three wavelengths,
// maximum frequency 50 and increment 2.
inline Model iqobjective() {
    Model m;
    m.lens.systype = 0;
    m.lens.na = 0.1;
    m.lens.nfields = 3;
    m.lens.nfreq = 50;
    m.lens.dfreq = 2;
    m.mono = false;
    return m;
}

// A paraboloid mirror, f = 100 mm, na 0.1, stop on the mirror, one wavelength, field
// angles 0.5 and 1 degree, the 17-ray scheme aimed.
inline Model paraboloid() {
    Model m = buildobjective({{"EM", -200, -100, -1, 0, 40, -1}}, 1, 0.1, {0.5, 1}, 17);
    m.lens.wl = {0.0005876, 0.0005876, 0.0005876};
    m.mono = true;
    initstdrays(m);
    rayscheme(m);
    return m;
}

// A BK7-like biconvex singlet, f near 100 mm, na 0.05, stop on the first surface, three
// wavelengths, fields 3 and 5 degrees, the 17-ray scheme aimed.
inline Model singlet() {
    Model m = buildobjective({{"S", 102.0, 5, 1.5168, 0.00806, 20}, {"S", -102.0, 97, 1, 0, 20}}, 1, 0.05,
                             {3, 5}, 17);
    m.mono = false;
    initstdrays(m);
    rayscheme(m);
    return m;
}

// An uncorrected double Gauss objective, f near 100 mm, F/2.8, fields 10, 14 and 20 degrees,
// three wavelengths: 11 to 30 waves rms of wave aberration off the axis. The 34-ray scheme
// aimed.
inline Model aberrateddoublegauss() {
    Model m = doublegauss();
    initstdrays(m);
    rayscheme(m);
    return m;
}

// The transfer function of a sheared pupil by brute force: the midpoint rule on n rows across
// the pupil and n points along each row's exact overlap chord. The pupil is the ellipse of
// semi-axes pupa (x) and pupb (y) centred at y = pupc; the shift is 2b along x (sagittal) or
// y (tangential); the phase is the difference of the polynomial at the two sheared points.
// With n = 600 it is within 3e-5 of the limit for a few waves of phase.
inline std::complex<double> bruteotf(const std::vector<double>& c, bool offaxis, const PupilShape& p, double b,
                                     bool tangential, double wl, int n = 600) {
    const double a = p.pupa, B = p.pupb, hy = 2 * B / n;
    std::complex<double> sum = 0;
    for (int i = 0; i < n; ++i) {
        const double y = -B + (i + 0.5) * hy;  // from the pupil centre
        // both sheared points inside the ellipse: |x| <= half
        const double u = tangential ? (std::fabs(y) + b) / B : y / B;
        if (!(u * u < 1)) continue;
        const double half = tangential ? a * std::sqrt(1 - u * u) : a * std::sqrt(1 - u * u) - b;
        if (!(half > 0)) continue;
        const double hx = 2 * half / n;
        for (int j = 0; j < n; ++j) {
            const double x = -half + (j + 0.5) * hx;
            const double w1 = tangential ? wavepoly(c, offaxis, x, y + b + p.pupc) : wavepoly(c, offaxis, x + b, y + p.pupc);
            const double w2 = tangential ? wavepoly(c, offaxis, x, y - b + p.pupc) : wavepoly(c, offaxis, x - b, y + p.pupc);
            sum += std::polar(hx, (w1 - w2) * 2 * M_PI / wl);
        }
    }
    return sum * hy / (M_PI * a * B);
}

// Applies the dialog defaults (and the frequency grid) of "Edit MTF" with a spot size and defocus.
inline void mtfsettings(Model& m, const std::string& spotsize = "0.05", const std::string& defocus = "0") {
    MtfForm f = mtfform(m);
    f.spotsize = spotsize;
    f.defocus = defocus;
    mtfparams(m, f, nullptr);
}

}  // namespace zefo::test
