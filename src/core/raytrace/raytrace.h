// Exact (real) ray trace through the surfaces of the optical system.
#pragma once

#include "model/model.h"

namespace zefo {

// Options of one trace. pathA and pathB have the same effect (optical path, stop height,
// clear radius of the stop); vignetting makes failures soft and tests the clear apertures;
// statistics records the per-surface data and boundary conditions of the merit function;
// refsphere gives the optical path difference on the reference sphere; focal adds the
// sagittal and tangential focal distances along the chief ray.
struct TraceOpts {
    bool pathA = false;
    bool vignetting = false;
    bool pathB = false;
    bool statistics = false;
    bool refsphere = false;
    bool focal = false;
};

// Traces the ray held in m.X .. m.N (Z = 0 on the reference plane) through every surface to
// the image plane at wavelength w (0..2). k is the ray's number in the ray scheme.
// Hard failures set m.calcerror / m.errmsg; in vignetting mode failures set m.raystatus.
void raytrace(Model& m, int k, int w, const TraceOpts& opts);

// Loads ray k of the ray scheme into the ray state and traces it.
void schemeray(Model& m, int k, int w, const TraceOpts& opts);

// Clears the per-surface minimum paths and maximum heights before a calculation.
void clearstatistics(Model& m);

}  // namespace zefo
