// Optical systems for the image-quality tests.
#pragma once

#include "forms/iqforms.h"
#include "imagequality/imagequality.h"
#include "model/samplesystems.h"
#include "raytrace/rayscheme.h"

namespace zefo::test {

// The settings of an objective, no surfaces: na 0.1, three fields, three wavelengths,
// maximum frequency 50 and increment 2.
inline Model iqobjective() {
    Model m;
    m.systype = 0;
    m.na = 0.1;
    m.nfields = 3;
    m.nfreq = 50;
    m.dfreq = 2;
    m.mono = false;
    return m;
}

// A paraboloid mirror, f = 100 mm, na 0.1, stop on the mirror, one wavelength, field
// angles 0.5 and 1 degree, the 17-ray scheme aimed.
inline Model paraboloid() {
    Model m = buildobjective({{"EM", -200, -100, -1, 0, 40, -1}}, 1, 0.1, {0.5, 1}, 17);
    m.wl = {0.0005876, 0.0005876, 0.0005876};
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

// Applies the dialog defaults (and nfpoints) of "Edit MTF" with a spot size and defocus.
inline void mtfsettings(Model& m, const std::string& spotsize = "0.05", const std::string& defocus = "0") {
    MtfForm f = mtfform(m);
    f.spotsize = spotsize;
    f.defocus = defocus;
    mtfparams(m, f, nullptr);
}

}  // namespace zefo::test
