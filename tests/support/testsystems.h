// Optical systems built in code, for the tests and the benchmarks.
#pragma once

#include <vector>

#include "core/model/model.h"

namespace zefo {

// One surface of a sample system and the medium behind it.
struct SampleSurface {
    const char* label;   // surface label, e.g. "S", "E", "A", "SM"
    double radius;       // 0 = plane
    double sepafter;     // distance to the next surface (the last one: to the image plane)
    double nd;           // index behind the surface at the first wavelength
    double disp;         // nF - nC of the medium behind the surface
    double hmax;         // clear radius
    double eps = 0, a4 = 0, a6 = 0, a8 = 0, a10 = 0;
};

// An objective in air from its surfaces: stop surface (1-based), numerical aperture,
// object at infinity, field angles of the standard ray scheme of nrays rays (laid out, not
// aimed). Indices at the other two wavelengths follow from nd and the dispersion.
Model buildobjective(const std::vector<SampleSurface>& surfaces, int stopsurf, double na,
                     const std::vector<double>& fieldangles, int nrays);

// A six-element double Gauss objective, f = 100 mm, F/2.8, half field 20 degrees, with the
// 34-ray scheme over the fields 10, 14 and 20 degrees.
Model doublegauss();

// A two-element objective with an aspheric, a conic and an aspheric-conic surface, f near 123 mm.
Model asphericdoublet();

}  // namespace zefo
