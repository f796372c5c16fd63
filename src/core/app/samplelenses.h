// The sample lens data files that come with the program: published designs of a singlet, a
// Cooke triplet, a double Gauss objective and a Kepler telescope (sources in samples/README.md).
#pragma once

#include <string>
#include <vector>

#include "core/model/glasscat.h"
#include "core/model/model.h"

namespace zefo {

// One surface and the medium behind it.
struct SampleRow {
    const char* optlabel;
    double radius;      // 0 = plane
    double sepafter;    // to the next surface; ignored for the last one (the image plane is computed)
    const char* glass;  // medium behind the surface: "air" or a catalogue glass
    double index = 0;   // not 0: a model glass of this index at every wavelength, named glass
};

struct SampleLens {
    const char* sysname;
    std::vector<SampleRow> surfaces;
    int stopsurf;
    double na;                  // 0 for a telescope
    std::vector<double> fields; // off-axis field angles in degrees
    uint8_t systype;            // 0/1 objective, 4/5 Kepler telescope
    double eph = 0;             // telescope: entrance pupil radius
    double mag = 0;             // telescope: angular magnification (objectives here image infinity)
    Index3 wl{0.0005876, 0.0006563, 0.0004861};  // the design's wavelengths
    bool defaultweights = false;  // the default optimization weights in place of weights 1
};

// The sample designs.
const std::vector<SampleLens>& samplelenses();

// Builds the system of a sample as the new-system setup would: glasses from the catalogue,
// limits and bounds from the nominal data, first-order data, clear radii that pass the whole
// beam of every field as far as the lenses keep sound edges, the aimed ray scheme. Failures
// (also a lens that cannot keep its edge around the axial beam) go to m.calcerror / m.errmsg.
Model buildsamplelens(const SampleLens& s, GlassCatalog& cat);

}  // namespace zefo
