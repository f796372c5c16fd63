// Image quality: spot diagram, geometrical and through-focus MTF, wave aberration fit and
// diffraction MTF. The results live in the Model (spot table, MTF arrays, validity flags);
// every calculation appends its report lines and its message boxes to an IqRun that the
// caller shows and saves.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace zefo {

// A message box raised during a calculation (caption "Error", "Spot Error", ...).
struct Notice {
    std::string caption, text;
};

// Quality of a wave aberration fit, in waves of wl[0].
struct FitQuality {
    double rms = 0, maximum = 0, aberrms = 0;
    bool inadequate() const { return rms > 0.01 && rms > 0.01 * aberrms; }
};

// The pupil of a field in the diffraction integral: the ellipse of semi-axes pupa (x) and
// pupb (y) centred at y = pupc, in normalized pupil units, and the factor of the half shift
// (off-axis: the field's reference sphere radius over the axis radius).
struct PupilShape {
    double pupa = 1, pupb = 1, pupc = 0, shiftscale = 1;
};

// One fitted wave aberration polynomial: field, wavelength column, coefficients, quality.
struct WaveFit {
    int field = 0, wl = 0;
    std::vector<double> coef;
    FitQuality quality;
    std::vector<double> x, y, opd;  // the samples: pupil coordinates of the basis, OPD (mm)
    PupilShape pupil;               // the pupil of the field's diffraction MTF
};

// Output of one calculation: the lines of its report file (complete, in file order), its
// message boxes and, for the wave aberration, the fitted polynomials.
struct IqRun {
    std::string header;                // report header line: system name, file and date
    std::vector<std::string> lines;    // report file lines
    std::vector<Notice> notices;
    std::vector<WaveFit> fits;
    FiniteWatch numbers;               // the numbers written since the run began
};

// The report header line shared by the image-quality reports.
std::string iqheader(const std::string& sysname, const std::string& filename, const std::string& date);

// ---------------------------------------------------------------- grids, flags, arrays

// Clears the four validity flags; called whenever the optical data change.
void cleariqflags(Model& m);

// Diffraction-limit frequency: objectives 2|na/wl0|, telescopes 2|y[1]/(mag wl0)|.
double calcflimit(const Model& m);

// Recomputes nfpoints from nfreq and dfreq (dfreq may be rewritten). With resize the MTF
// arrays are sized again and gmtfvalid, tfmtfvalid and dmtfvalid cleared whenever nfpoints
// changes.
void calcnfpoints(Model& m, bool resize = true);

// Sizes the MTF arrays for nfields, 3 wavelengths and nfpoints (contents kept).
void sizemtfarrays(Model& m);

// Index of field f, wavelength w, grid point k in the MTF arrays.
inline size_t mtfindex(const Model& m, int f, int w, int k) {
    return static_cast<size_t>((f * 3 + w) * m.nfpoints + k);
}

// Diffraction-limited MTF factor at the normalized frequency s (0 at s >= 2).
double dlfactor(double s);

// Normalized frequency of wavelength w: the distance, in pupil radii, between the two
// pupils whose overlap gives the MTF at freq (objectives |freq wl/na|, telescopes
// |freq wl mag/y[1]|); dlfactor of it is the diffraction limit.
double normfreq(const Model& m, int w, double freq);

// The frequency labels of the MTF reports: freqlabel[k] = k fmax div (nfpoints - 1).
void setfreqlabels(Model& m, int fmax);

// Frequency of grid point k of the geometrical MTF: the one its report row shows (row 0
// shows 1).
double gmtffrequency(const Model& m, int k);

// ---------------------------------------------------------------- spot diagram and MTF

// Evaluation point of spot ray r of field f in the focal plane at z: objectives mm from the
// paraxial image plane (the table itself lies at z = defocus), telescopes a vergence in
// dioptres. The spot plots use it too.
void spotpoint(const Model& m, int f, const SpotRay& r, double z, double& ex, double& ey);

// RMS distance of field f's spot rays from the chief ray in the focal plane at z.
double spotrms(const Model& m, int f, double z);

// Statistics of field f from the spot table: rays passed, rays in the square of half side
// spotsize (boundary included) and their percentages.
void spotstatistics(Model& m, int f);

// First-order data, then the pupil ray grid of every field and wavelength: fills the spot
// table and the statistics, appends the ".spt" lines and sets spotvalid. A failure, a ray
// or a report number that is not finite among them (nonfinitemsg), clears the four
// validity flags.
void spotcalc(Model& m, IqRun& run);

// The ".spt" report of the spot diagram spot of lens (nspotwl wavelengths used), after the
// header line: appends its lines; calculates nothing.
void spotreport(const OpticalSystem& lens, int nspotwl, const SpotResult& spot, const std::string& header,
                std::vector<std::string>& lines);

// Geometrical MTF up to fmax; appends the ".gtf" lines; sets gmtfvalid. A report number
// that is not finite fails the calculation (nonfinitemsg) and clears the validity flags.
void gmtfcalc(Model& m, int fmax, IqRun& run);

// Through-focus MTF at fmax; appends the ".gtt" lines; sets tfmtfvalid; fails like gmtfcalc.
void tfmtfcalc(Model& m, int fmax, IqRun& run);

// ---------------------------------------------------------------- wave aberration

// Gauss-Legendre nodes (ascending) and weights of order 6, 10 or 16 on [-1, 1].
const std::vector<double>& gaussnodes(int n);
const std::vector<double>& gaussweights(int n);

// Unweighted least-squares fit by Gram-Schmidt orthonormalization: basis[i][p] is term i
// at sample p; returns nterms coefficients.
std::vector<double> polyfit(const std::vector<std::vector<double>>& basis, const std::vector<double>& values);

// The wave aberration polynomial: axis terms in rho^2 only, off-axis terms of the table
// W00, W20, W11, W40, W31, W22, W60, W51, W42, W33, W80, W71, W62, W53, W44.
double wavepoly(const std::vector<double>& coef, bool offaxis, double x, double y);
// Basis values of the terms at one pupil point.
std::vector<double> wavebasis(int nterms, bool offaxis, double x, double y);

// Diffraction MTF of field f, column w from the fitted polynomial into dmtf at the labelled
// frequencies, each column in its own wavelength. The overlap integral is taken in panels of
// the ngauss-point rule, as many as a bound on the slope of the phase asks for the rule to
// integrate each to 1e-8 (at most 512 nodes a direction).
void dmtfintegrate(Model& m, int f, int w, const std::vector<double>& coef, bool offaxis, const PupilShape& pupil);

// Relative indices for all wavelengths and the paraxial trace of the exit-pupil bound.
void dotfparax(Model& m, double& y, double& u);

// The wave aberration driver. Report mode (wbrmode set, dmtfvalid clear) appends the whole
// ".wbr" file: title, header and the samples, polynomials and fit quality of the selwl
// column. MTF mode (dmtfvalid set on entry) fills dlmtf and dmtf of the used wavelengths
// and appends the whole ".dtf" file, closing lines included. A failure clears dmtfvalid
// and wbrmode; OPD samples or report numbers that are not finite fail with nonfinitemsg.
void wavecalc(Model& m, IqRun& run);

// Title line of the OPD report for the chosen wavelength.
std::string wbrtitle(const Model& m);

}  // namespace zefo
