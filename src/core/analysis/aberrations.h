// The aberration list: every ray of the ray scheme traced at one or three wavelengths and
// turned into named values (paraxial quantities, ray aberrations, optical path differences,
// colour, astigmatic focal distances, distortion), with the tables of the ray trace report.
#pragma once

#include <array>
#include <vector>

#include "core/model/model.h"
#include "core/raytrace/raytrace.h"

namespace zefo {

class Report;
struct ReportHead;

// Value of the three entries of a chief ray whose distortion or focal distances cannot be
// computed.
constexpr double abermarker = 10000;

// Which calculation a pass makes: three wavelengths or one with Conrady colour, and
// whether the system is treated as a telescope (angular values).
struct AberMode {
    bool three = false;
    bool telescope = false;
};
AberMode abermode(const Model& m);

// One row of the ray trace report's table: a ray of the scheme by its kind (2, 4 axial,
// 3 chief, 5 skew), its image point at the first wavelength, its aberration and optical path
// difference per wavelength (one wavelength: entry 0, with the Conrady colour), and for a
// chief ray its distortion and focal distances.
struct AberRow {
    int kind = 0;
    RayPoint end;
    std::array<double, 3> ab{}, opd{};
    double colour = 0;
    double dist = 0, Xm = 0, Xs = 0;
};

// The table of a pass: the pupil positions (written when pupils is set), the paraxial
// slope and magnification of its head, and one row per ray after ray 0.
struct AberTable {
    AberMode mode;
    bool pupils = false;
    double lbar = 0, lbarp = 0, up = 0, mag = 0;
    std::vector<AberRow> rows;
};

// Number of list entries the current ray scheme and chromatic mode give (9 paraxial
// entries plus the entries of rays 1 .. nrays-1 by their kind).
int aberlistsize(const Model& m);

// Builds the aberration list into the names and values of list (grown to the list length
// when they are shorter; never written beyond it; the boundary-condition components of
// list.bc get their values from the statistics traces) and stores its length in list.count
// and the number of field positions in nfields. statistics: merit-function evaluation
// (statistics trace option, fractional distortion, Coddington foci of meridional chief
// rays). table: receives the first-order values and a row per ray. A failed ray trace ends
// the pass with calcerror set (the table holds the rows before it). With statistics and no
// table the pass allocates nothing once the list arrays have their size.
void aberrations(Model& m, MeritList& list, bool statistics, AberTable* table);

// The lines of the table of a pass: the first-order lines, the column head, a line per row.
void abertablelines(const AberTable& t, Report& r);

// The merit conditions of scheme ray k (of that kind) whose trace at wavelength w returned
// t: a statistics trace of a chief ray gives the principal ray entries 2 (height at the
// stop) and 3 (image-space angle), and every edge-thickness and clear-radius row of the ray
// its value (the first wavelength sets it, the others keep the smallest). Nothing is
// written beyond the list's arrays.
void meritentries(const Model& m, MeritList& list, const TracedRay& t, int k, int kind, int w);

// The ray trace report: the system data block and the aberration tables; returns the
// aberration list of its pass (list.count entries).
MeritList raytracereport(Model& m, const ReportHead& h, Report& r);

// Paraxial chief ray of ray k (a chief ray): its slope from the ray's direction cosine
// (tangent for an objective, angle for a telescope) and height on the first surface;
// returns the paraxial image height and the slope behind the last surface.
void paraxchief(Model& m, int k, bool telescope, double& ypar, double& upar);

// Focal distances Xm, Xs along chief ray k whose trace at the first wavelength has just
// been made and whose image-space state is chief; false when they cannot be computed.
// coddington selects the differential-ray equations (records of a statistics trace).
bool chieffoci(Model& m, int k, const RayPoint& chief, bool telescope, bool coddington,
               double& Xm, double& Xs);

}  // namespace zefo
