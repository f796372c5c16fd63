// The classical aberration analysis in words: axial zone rays (spherical aberration, sine
// condition, isoplanatism), chief rays (astigmatism, field curvature, distortion, exit
// pupil) and the coma of the oblique rays of every field, each with its chromatic
// variation when three different wavelengths are used.
#pragma once

#include <array>
#include <vector>

#include "core/model/model.h"

namespace zefo {

class Report;
struct ReportHead;

// Values that cannot be computed for a ray (a ray parallel to the axis, a telecentric chief
// ray, efl = 0) hold abermarker (aberrations.h).
struct AxialAnalysis {
    int ray = 0;
    double H = 0;                          // start height of the ray
    std::array<double, 3> LSA{}, TSA{};    // longitudinal and transverse spherical aberration
    std::array<double, 3> OSC{}, iso{};    // offence against the sine condition, isoplanatism
    std::array<double, 3> angle{};         // telescope: angular spherical aberration in degrees
    double axialchrom = 0, transchrom = 0, anglechrom = 0;
};

struct ChiefAnalysis {
    int ray = 0;
    double field = 0;                      // the field value of the ray
    double astig = 0, fieldcurv = 0;       // Xs - Xm and (Xs + Xm)/2
    double diopastig = 0, diopfield = 0;   // telescope: the same in diopters
    double distortion = 0;                 // distortion at the first wavelength, percent
    std::array<double, 3> relheight{};     // objective: (Y(w) - ypar)/ypar * 100
    double magchrom = 0;                   // objective: (Y(2) - Y(1))/Y(0) * 100
    std::array<double, 3> angleab{};       // telescope: real - paraxial image angle, degrees
    double anglechrom = 0;
    std::array<double, 3> pupilab{};       // telescope: exit pupil position - lbarp
    double pupilchrom = 0;
};

struct ComaZone {
    double H = 0;                          // zone height: half the start-height spread of its rays
    std::array<double, 3> coma{};
};

struct ObliqueAnalysis {
    int ray = 0;                           // first coma ray of the field
    double field = 0;
    std::vector<ComaZone> zones;
};

struct RayAnalysis {
    double dst = 0, dopsis = 0, dsistot = 0;
    bool mirrored = false;   // a negative separation: the beam runs back after a mirror
    int nwl = 1;                           // wavelengths analysed: 3 when they differ
    bool telescope = false;                // read as a telescope (type 4 and above)
    // the heading: pupil positions, paraxial image slope, magnification, dioptric mismatch
    double lbar = 0, lbarp = 0, up = 0, mag = 0, dioptricmismatch = 0;
    std::vector<AxialAnalysis> axial;
    std::vector<ChiefAnalysis> chief;
    std::vector<ObliqueAnalysis> oblique;
};

// The analysis with the system read as type 1, 5 or 7 (restored on every return). With
// runparax the first-order data are computed first. Failures set m.calcerror; the result
// then holds the rays analysed before the failure.
RayAnalysis rayanalysis(Model& m, bool runparax);

// The lines of the analysis: the heading and every analysed ray in the order of the ray
// scheme. Calculates nothing; the lens gives the kind of titles.
void rayanalysislines(const OpticalSystem& lens, const RayAnalysis& a, Report& r);

// The aberrations report: the system data block and the analysis.
RayAnalysis aberrationsreport(Model& m, const ReportHead& h, Report& r);

}  // namespace zefo
