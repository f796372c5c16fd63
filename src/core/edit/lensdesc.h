// A lens described by its values (name, aperture, fields, wavelengths, surfaces) built
// through the pages and the surface grid of the New command, so that it meets every check
// of a lens typed into the wizard.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/edit/surfaceedit.h"
#include "core/model/model.h"

namespace zefo {

// One surface and the medium behind it.
struct SurfaceDesc {
    double radius = 0;         // 0: plane (lenses given by radii)
    double curvature = 0;      // lenses given by curvatures
    double sepafter = 0;       // to the next surface; for the last one to the image plane
    bool paraxialimage = false;   // last surface: the first-order data put the image plane
    std::string glass = "air";    // the medium behind the surface
    double hmax = 0;              // clear radius
    std::string label = "S";      // S, E, A (F) with M for a mirror
    std::string optlabel;
    double conic = 0, a4 = 0, a6 = 0, a8 = 0, a10 = 0;
};

struct TelescopeDesc {
    int type = 4;          // 4 Kepler, 6 Galilean
    double objdist = 0;    // 0: object at infinity
    double eph = 0;        // entrance pupil radius
    double eyedist = 0;    // Galilean: eye to the last surface
};

struct LensDesc {
    std::string name;
    double mag = 0, na = 0;
    int stop = 0;
    std::optional<TelescopeDesc> telescope;   // needed when mag and na make a telescope
    std::vector<double> fields;               // the first is the axis, 0
    bool fullscheme = true;
    bool threewl = true;
    std::optional<std::array<double, 3>> wavelengthsnm;   // main first; the defaults without
    bool radii = true;
    std::vector<SurfaceDesc> surfaces;
};

// Builds the lens of `d` in m through the New command's pages and grid commits (glasses
// found by `lookup`), then the accepted surfaces. Mirrors: the media behind a mirror take
// the negative index up to the next mirror. The message of the first refused value, empty
// when the lens is built; the first computations and the file are the caller's
// (newsystemfinish).
std::string buildlens(Model& m, const LensDesc& d, const GlassLookup& lookup);

}  // namespace zefo
