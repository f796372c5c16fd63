// Image quality: spot diagram, geometrical and through-focus MTF, wave aberration fit and
// diffraction MTF. Each calculation returns its result as a value (SpotResult, MtfResult)
// that the caller keeps; the report writers format a result and calculate nothing. The run
// of a command (spotcalc, gmtfcalc, ...) calculates, writes the report lines and checks
// them, and appends the lines and its message boxes to an IqRun that the caller shows and
// saves.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace zefo {

// One ray of the spot diagram: displacement from the chief ray in the image plane,
// tangent differences from the chief ray and the image-space direction cosines.
struct SpotRay {
    double dx = 0, dy = 0, tx = 0, ty = 0, l = 0, m = 0;
};

// Image point, direction cosine N and tangents L/N, M/N of a field's chief ray.
struct ChiefRecord {
    double X = 0, Y = 0, N = 1, TX = 0, TY = 0;
};

// Statistics of one field of the spot diagram.
struct SpotStats {
    int passed = 0, insquare = 0;
    double ppassed = 0;    // percentage of the emitted rays that passed
    double pinsquare = 0;  // percentage of the passed rays in the square
    double rms = 0;        // RMS distance of the passed rays from the chief ray in the table's plane
};

// The spot diagram of every field: the rays that passed and, per field, the chief ray and
// the statistics. Returned by spotcalc; the ".spt" report and the MTF read it.
struct SpotResult {
    int nwl = 1;                                 // wavelengths used: 1 when mono, else 3
    std::vector<SpotRay> rays;                   // grouped by field then wavelength
    std::vector<int32_t> groupstart;             // first ray of group f*3+w; nfields*3+1 entries
    std::vector<std::array<int32_t, 3>> passed;  // rays passed per field and wavelength
    std::vector<ChiefRecord> chief;              // per field
    std::vector<SpotStats> stats;                // per field
};

enum class MtfKind { Geometrical, ThroughFocus, Diffraction };

// An MTF table: per field, used wavelength and grid point the sagittal MTF, the tangential
// MTF and the tangential phase (degrees; the diffraction MTF of the axis keeps its one value
// in the tangential place), with the grid of the table. Wavelengths past nwl hold zeros.
struct MtfResult {
    MtfKind kind = MtfKind::Geometrical;
    int nfields = 0, nwl = 1, npoints = 0;
    std::vector<Index3> values;   // at index(f, w, k)
    std::vector<double> limit;    // diffraction-limited factor at the same index (not through focus)
    std::vector<int32_t> freq;    // frequency label of grid point k (not through focus)
    std::vector<double> focus;    // through focus: focal-plane position of point k

    size_t index(int f, int w, int k) const { return static_cast<size_t>((f * 3 + w) * npoints + k); }
    const Index3& at(int f, int w, int k) const { return values[index(f, w, k)]; }
    // True when the triples of every field and used wavelength are finite numbers.
    bool finite() const;
};

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

// A traced OPD sample as the OPD report lists it: on the axis by its height y in the exit
// pupil, off the axis by its start point (x, y) in the entrance pupil; the OPD in mm.
struct OpdSample {
    double x = 0, y = 0, opd = 0;
};

// One fitted wave aberration polynomial: field, wavelength column, coefficients, quality.
struct WaveFit {
    int field = 0, wl = 0;
    std::vector<double> coef;
    FitQuality quality;
    std::vector<double> x, y, opd;  // the samples: pupil coordinates of the basis, OPD (mm)
    PupilShape pupil;               // the pupil of the field's diffraction MTF
    std::vector<OpdSample> listed;  // the traced samples as the OPD report lists them
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

// Optical path differences of single rays (mm) as the OPD report computes them: against
// the reference sphere through the exit pupil centred on the image point of the field's
// reference ray, and the optical path of that ray. opdprepare places an objective's image
// plane at its defocus; opdaxis sets the axis up (the axial image point, the paraxial path),
// opdfield a field's reference ray (traced at the first wavelength, which places the sphere,
// and at w); opdofray traces one ray against them (NaN when it fails). A failed trace sets
// m.calcerror.
void opdprepare(Model& m);
void opdaxis(Model& m, int w);
void opdfield(Model& m, const Ray& ref, int w);
double opdofray(Model& m, const Ray& r, int w);

// ---------------------------------------------------------------- grids and results

// The spot diagram and the three MTF tables as bits of a set: the results a session holds
// valid, the results a change of the settings makes stale.
enum IqResult : unsigned {
    iqspot = 1,
    iqgmtf = 2,
    iqtfmtf = 4,
    iqdmtf = 8,
    iqmtf = iqgmtf | iqtfmtf | iqdmtf,
    iqall = iqspot | iqmtf,
};

// Diffraction-limit frequency: objectives 2|na/wl0|, telescopes 2|y[1]/(mag wl0)|.
double calcflimit(const Model& m);

// Points of the frequency and through-focus grids for the largest frequency nfreq and the
// increment dfreq, which is rewritten where the grid would have fewer than 26 points (or
// is below 1).
int mtfgridpoints(int nfreq, int32_t& dfreq);
// The same for the lens, whose increment is rewritten.
int normalizemtfgrid(OpticalSystem& lens);
// The points of the lens's grid; the lens is left as it is.
int mtfgridpoints(const OpticalSystem& lens);

// Diffraction-limited MTF factor at the normalized frequency s (0 at s >= 2).
double dlfactor(double s);

// Normalized frequency of wavelength w: the distance, in pupil radii, between the two
// pupils whose overlap gives the MTF at freq (objectives |freq wl/na|, telescopes
// |freq wl mag/y[1]|); dlfactor of it is the diffraction limit.
double normfreq(const OpticalSystem& lens, int w, double freq);

// An empty table of the kind for the lens's fields, nwl wavelengths and npoints grid points;
// the frequency labels (not through focus) are k fmax div (npoints - 1).
MtfResult mtftable(MtfKind kind, const OpticalSystem& lens, int nwl, int npoints, int fmax);

// Frequency of grid point k of the geometrical MTF: the one its report row shows (row 0
// shows 1).
double gmtffrequency(const MtfResult& mtf, int k);

// ---------------------------------------------------------------- spot diagram and MTF

// Evaluation point of spot ray r of field f in the focal plane at z: objectives mm from the
// paraxial image plane (the table itself lies at z = defocus), telescopes a vergence in
// dioptres. The spot plots use it too.
void spotpoint(const OpticalSystem& lens, const SpotResult& spot, int f, const SpotRay& r, double z, double& ex,
               double& ey);

// RMS distance of field f's spot rays from the chief ray in the focal plane at z.
double spotrms(const OpticalSystem& lens, const SpotResult& spot, int f, double z);

// Statistics of field f from the spot table: rays passed, rays in the square of half side
// spotsize (boundary included), their percentages and the RMS spot radius at the defocus.
void spotstatistics(const OpticalSystem& lens, SpotResult& spot, int f);

// First-order data, then the pupil ray grid of every field and used wavelength: the spot
// table and its statistics. A failure sets calcerror; the message boxes go to notices.
SpotResult spotdiagram(Model& m, std::vector<Notice>& notices);

// The ".spt" report of the spot diagram spot of lens, after the header line: appends its
// lines; calculates nothing.
void spotreport(const OpticalSystem& lens, const SpotResult& spot, const std::string& header,
                std::vector<std::string>& lines);

// The spot diagram command: spotdiagram, then the ".spt" lines. A ray or a report number
// that is not finite fails it (nonfinitemsg).
SpotResult spotcalc(Model& m, IqRun& run);

// Geometrical MTF up to fmax from the spot diagram: per ray the phases at the integer
// frequencies, cut from the first non-positive sagittal sum on. A spot diagram that was
// never calculated fails it.
MtfResult geometricalmtf(Model& m, const SpotResult& spot, int fmax);

// Through-focus MTF at fmax from the spot diagram, at npoints planes around the defocus;
// needs a spot diagram like geometricalmtf.
MtfResult throughfocusmtf(Model& m, const SpotResult& spot, int fmax);

// The ".gtf" or ".gtt" report of the table; calculates nothing.
void mtfreport(const OpticalSystem& lens, const MtfResult& mtf, const std::string& header,
               std::vector<std::string>& lines);

// The geometrical MTF command: geometricalmtf, then the ".gtf" lines. A table or report
// number that is not finite fails the calculation (nonfinitemsg).
MtfResult gmtfcalc(Model& m, const SpotResult& spot, int fmax, IqRun& run);

// The through-focus MTF command: throughfocusmtf and the ".gtt" lines; fails like gmtfcalc.
MtfResult tfmtfcalc(Model& m, const SpotResult& spot, int fmax, IqRun& run);

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

// Diffraction MTF of field f, column w from the fitted polynomial into dmtf at its labelled
// frequencies, each column in its own wavelength. The overlap integral is taken in panels of
// the ngauss-point rule, as many as a bound on the slope of the phase asks for the rule to
// integrate each to 1e-8 (at most 512 nodes a direction).
void dmtfintegrate(int ngauss, const OpticalSystem& lens, MtfResult& dmtf, int f, int w, const std::vector<double>& coef,
                   bool offaxis, const PupilShape& pupil);

// Relative indices for all wavelengths and the paraxial trace of the exit-pupil bound.
void dotfparax(Model& m, double& y, double& u);

// The wave aberration fits of wavelength column wl (0 .. 2) at every field, with their
// listed samples; the message boxes go to notices. OPD samples that are not finite fail
// with nonfinitemsg.
std::vector<WaveFit> wavefits(Model& m, int wl, std::vector<Notice>& notices);

// The ".wbr" lines of the fits of column wl: title, header and per field the samples, the
// polynomial and the quality of its fit; calculates nothing.
void opdlines(const OpticalSystem& lens, int wl, const std::vector<WaveFit>& fits, const std::string& header,
              std::vector<std::string>& lines);

// The OPD report command of column wl: wavefits, then the whole ".wbr" file; the fits go to
// run.fits. Report numbers that are not finite fail with nonfinitemsg.
void opdreport(Model& m, int wl, IqRun& run);

// Diffraction MTF: the wave aberration fit of every field and used wavelength (appended to
// fits, message boxes to notices) and the table at the labelled frequencies up to nfreq. OPD
// samples or table values that are not finite fail with nonfinitemsg.
MtfResult diffractionmtf(Model& m, std::vector<WaveFit>& fits, std::vector<Notice>& notices);

// The diffraction MTF command: diffractionmtf into run.fits, then the whole ".dtf" file,
// closing lines included; report numbers that are not finite fail with nonfinitemsg.
MtfResult dmtfcalc(Model& m, IqRun& run);

// The ".dtf" report of the table; calculates nothing.
void dtfreport(const OpticalSystem& lens, const MtfResult& dmtf, const std::string& header,
               std::vector<std::string>& lines);

// Title line of the OPD report for wavelength column wl.
std::string wbrtitle(const OpticalSystem& lens, int wl);

}  // namespace zefo
