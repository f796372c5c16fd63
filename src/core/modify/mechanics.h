// First mechanical data of the design: the mounting diameter of every surface by
// construction type, the edge-thickness check of biconvex lenses, the distance rings between
// the lenses and the mass of the lenses. The questions go through an Interaction.
#pragma once

#include <string>
#include <vector>

#include "core/analysis/systemreport.h"
#include "core/imagequality/imagequality.h"   // Notice
#include "core/model/model.h"
#include "core/report/report.h"
#include "core/util/interaction.h"

namespace zefo {

// How an operation ended: cancelled by an answer, or failed with error; the boxes shown
// and the lines for the command log on the way.
struct MechOutcome {
    bool cancelled = false;
    std::string error;
    std::vector<Notice> notices;
    std::vector<std::string> log;
    bool ok() const { return !cancelled && error.empty(); }
};

// The mechanical diameter of every surface, sized nsurf + 1 (the image row stays 0).
using MechDiameters = std::vector<double>;

struct DistanceRing {
    int first = 0, last = 0;   // the surfaces (rows) it spans
    double length = 0, outer = 0, inner = 0;
};

struct LensMass {
    int first = 0, last = 0;   // the rows of its surfaces
    double mechdiam = 0, density = 0, volume = 0, mass = 0;  // mm, g/cm³, mm³, g
};

inline constexpr const char* constructioncaption = "Construction Type";
inline constexpr const char* lockringchoice = "&Lock Ring";
inline constexpr const char* rollededgechoice = "&Rolled Edge";
inline constexpr const char* thincaption = "Mechanical diametar check";
inline constexpr const char* masscaption = "Mass";
inline constexpr const char* densitymsg = "Glass specific mass must not between 2 and 5!";
// The density given as an option (no dialog mask bounds it): the range in plain words.
inline constexpr const char* densityoptionmsg = "Glass density must be between 2 and 5 g/cm3";
inline constexpr const char* diameterzeromsg = "Mechanical diametar must not be zero!";

// The sag of a surface of radius r at height h: |r| - sqrt(r² - h²), |r| from h = |r| on,
// 0 for a plane (r = 0).
double sagat(double r, double h);

// The volume (mm³) of a lens of axial thickness t between surfaces of radii r1, r2 over a
// diameter d: the thickness integrated over the aperture, for every shape.
double lensvolume(double r1, double r2, double t, double d);

// Asks the construction type and computes the mechanical diameter of every surface; the two
// surfaces of a lens get the larger one. When the chosen type does not fit, the other is
// tried; when neither fits the operation fails.
MechOutcome constructdiam(const OpticalSystem& lens, Interaction& ask, MechDiameters& mechdiam);

// The edge-thickness check of the biconvex lenses at their mechanical diameters; offers to
// thicken a lens that is too thin, and then recomputes the ray scheme and the default
// weights. In ring mode the "all OK" box is left out.
MechOutcome checkdiam(Model& m, const MechDiameters& mechdiam, bool ringmode, Interaction& ask);

// Construction, check and the distance rings in the air spaces between curved surfaces.
MechOutcome distancerings(Model& m, Interaction& ask, MechDiameters& mechdiam, std::vector<DistanceRing>& rings);

// Construction, then per lens its glass density and its confirmed mechanical diameter, and
// the mass of every lens; the total goes into a box.
MechOutcome systemmass(Model& m, Interaction& ask, MechDiameters& mechdiam, std::vector<LensMass>& lenses);

// The "Mechanical Diameter" and "Distance Ring" windows.
void mechdiamlines(const OpticalSystem& lens, const MechDiameters& mechdiam, const ReportHead& h, Report& r);
void ringlines(const OpticalSystem& lens, const std::vector<DistanceRing>& rings, const ReportHead& h, Report& r);

}  // namespace zefo
