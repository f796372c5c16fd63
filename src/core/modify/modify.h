// Modifications of the whole optical system: scaling, the focal-length solve of the last
// surface, reversing, and rounding the radii to a standard series.
#pragma once

#include <string>

#include "core/model/model.h"

namespace zefo {

// The messages of the Scale Factor and Angle Solve dialogs and of a failed angle solve.
inline constexpr const char* scalezeromsg = "Scale factor must not be zero!";
inline constexpr const char* scalenegativemsg = "Scale factor must be a positive number!";
inline constexpr const char* eflzeromsg = "Efective focal length must not be zero!";
inline constexpr const char* anglesolvemsg = "Error in calculation - angle solve";
inline constexpr const char* reversequestion = "Do you want to reverse this optical system?";

// The command log lines of a scaling and an angle solve.
std::string scaleline(double k);
std::string anglesolveline(double f);

// Scales the system by k: lengths (separations, clear radii, edge and axial limits, radii,
// defocus) times k, curvatures divided by k, a4, a6, a8, a10 divided by k^3, k^5, k^7, k^9
// so that the surfaces keep their shape. A factor that is not above 0 is refused with
// scalefactorerror's message (returned; nothing changes); empty on success.
std::string scalesys(OpticalSystem& lens, double k);
// scalezeromsg for 0, scalenegativemsg for a negative factor or one that is not finite,
// empty for a factor above 0.
std::string scalefactorerror(double k);

// Solves the curvature of the last optical surface so that the focal length becomes f at
// the first wavelength: the relative indices are rebuilt first; stores f in efl. Fails
// with anglesolvemsg (m.calcerror) when the marginal ray height there is 0 or the surface
// separates media of equal index, changing nothing. False on failure.
bool anglesolvefocal(Model& m, double f);

// Turns the system back to front: surfaces, separations and media run the other way, the
// curvatures and aspheric coefficients change sign (the conic constant stays), the stop
// moves with its surface. Reversing twice gives the system back.
void reversesys(OpticalSystem& lens);

// Replaces the radius of every optical surface by the nearest value of the series of
// density 250 and keeps the curvature its inverse (0 for a plane).
void standardradii(OpticalSystem& lens);

// The value of the standard series nearest to x; series is a positive multiple of 125 not
// above 1000, other series and |x| <= 0.5 or > 40000 leave x unchanged.
double stdvalue(int series, double x);

}  // namespace zefo
