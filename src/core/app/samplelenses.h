// The sample lens data files that come with the program: a singlet, a Cooke triplet,
// a double Gauss objective and a Kepler telescope.
#pragma once

#include <string>
#include <vector>

#include "model/glasscat.h"
#include "model/model.h"

namespace zefo {

// One surface and the medium behind it.
struct SampleRow {
    const char* optlabel;
    double radius;      // 0 = plane
    double sepafter;    // to the next surface; ignored for the last one (the image plane is computed)
    const char* glass;  // medium behind the surface
    double hmax;        // clear radius
};

struct SampleLens {
    const char* sysname;
    std::vector<SampleRow> surfaces;
    int stopsurf;
    double na;                  // 0 for a telescope
    std::vector<double> fields; // off-axis field angles in degrees
    uint8_t systype;            // 0/1 objective, 4/5 Kepler telescope
    double eph = 0;             // telescope: entrance pupil radius
};

// The sample designs.
const std::vector<SampleLens>& samplelenses();

// Builds the system of a sample as the new-system setup would: glasses from the catalogue,
// limits and bounds from the nominal data, first-order data, the aimed ray scheme.
// Failures go to m.calcerror / m.errmsg.
Model buildsamplelens(const SampleLens& s, GlassCatalog& cat);

}  // namespace zefo
