// The optical system model: the lens (OpticalSystem: one centred system with its ray
// scheme, design and calculation parameters, bounds, wavelengths, fields, glass triangle and
// merit weights, as its file stores it) and the state of the calculations on it, among them
// the trace context. A Model is what the calculation routines receive; the program keeps one
// current Model. Code that traces on threads of its own copies the lens and gives each
// thread a TraceContext.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/model/meritlist.h"
#include "core/model/tracecontext.h"
#include "core/util/numfmt.h"

namespace zefo {

// Per-surface arrays, index 0 .. nsurf; row k is surface k and the medium in front of it.
struct SurfaceTable {
    std::vector<std::string> surflabel;  // "S", "E", "A", "F", optionally with "M"
    std::vector<std::string> optlabel;   // "C", "D", "G", "E", "A4", "A6", "A8", "A10"
    std::vector<double> radius;
    std::vector<double> curv;
    std::vector<double> sep;
    std::vector<double> hmax;
    std::vector<double> disp;            // nF - nC of the medium in front of the surface
    std::vector<std::string> glass;      // glass name of that medium, "air" for air
    std::vector<Index3> index;           // index of that medium at wl[0..2]
    bool operator==(const SurfaceTable&) const = default;
};

// Conic and aspheric data, allocated only when asphdata = 'D'.
struct AsphericTable {
    std::vector<double> a4, a6, a8, a10, eps;
    bool operator==(const AsphericTable&) const = default;
};

struct SystemSurfaces {
    SurfaceTable sp;
    AsphericTable asf;
    bool operator==(const SystemSurfaces&) const = default;
};

// The ray scheme: one entry per ray.
struct RayScheme {
    std::vector<uint8_t> rl;   // ray label 1, 12, 13, 14, 4, 5
    std::vector<double> xrel, yrel;
    std::vector<double> x, y;  // start point in the plane z = 0
    std::vector<double> l, m;  // direction cosines along x and y
    bool operator==(const RayScheme&) const = default;
};

struct GlassTriangle {
    std::array<double, 3> trindex{1.5168, 1.691, 1.7552};
    std::array<double, 3> trdisp{0.008054, 0.012631, 0.027383};
    std::array<std::string, 3> trglass{"BK7", "LaK9", "SF4"};
    bool operator==(const GlassTriangle&) const = default;
};

// Limits of the counts that the lens data file and the arrays can hold.
constexpr int maxsurf = 254;   // the file's surface loops count with 8 bits
constexpr int maxrays = 255;
constexpr int maxaber = 32767;

// The lens: exactly what the lens data file stores, and nothing else. A value: copied
// whole, compared field by field.
struct OpticalSystem {
    // The fields keep the names the lens data file gives them; lengths in mm (wavelengths too),
    // field angles in degrees.
    std::string sysname;                    // name of the system (the file is sysname + ".dat")
    std::string glasscat = "sgm";           // glass catalogue table name
    int32_t asphflag = 0;                   // non-zero: the system has conic or aspheric surfaces
    int32_t nsurf = 0;                      // number of optical surfaces n (arrays hold n + 1 rows)
    int32_t stopsurf = 0;                   // aperture stop surface, 1 .. n
    uint8_t nrays = 0;                      // rays of the ray scheme: 6, 17, 24 or 34
    int32_t naber = 0;                      // components of the merit function
    double drawscale = 1.0;                 // scale of the system drawing
    uint8_t damptype = 0;                   // damping of the least-squares steps: 0 additive, 1 multiplicative
    uint8_t systype = 0;                    // 0/1 objective, 4/5 Kepler, 6/7 Galilean telescope; odd: three wavelengths
    uint8_t raytype = 20;                   // ray scheme: 20 standard rays, 10 relative rays, 0 normal rays
    uint8_t nfields = 0;                    // field positions, 2 .. 4 (the axis included)
    int32_t dlsiter = 0;                    // least-squares iteration counter
    uint8_t anglesurf = 0;                  // surface of the angle solve
    char radiiflag = 'D';                   // 'D': surfaces given by radii, 'N': by curvatures
    char asphdata = 'N';                    // 'D': conic and aspheric data present
    char objinf = 'D';                      // telescopes: 'D' object at infinity, 'N' finite object
    double na = 0, mag = 0;                 // numerical aperture (0 for telescopes); magnification (0: object at infinity)
    double dcurv = 1e-5, dsep = 0.001;      // curvature and separation increments of the derivatives
    double up = 0;                          // paraxial marginal ray angle in image space
    double dampfact = 0.05;                 // damping factor of the least-squares steps
    double dindex = 0.001, ddisp = 0.0001;  // index and dispersion increments of the derivatives
    double targdopsis = 0, reserved1 = 0;   // target length first to last surface; a stored spare
    double targdsistot = 0, targdst = 0;    // target length first surface to image; target glass thickness
    double dimweight = 10, glassweight = 100;  // weights of the dimension targets and of glass violations
    double reserved2 = 10, efl = 0;         // a stored spare; effective focal length (0 for telescopes)
    double lbar = 0, lbarp = 0;             // entrance and exit pupil positions
    uint16_t nfreq = 50;                    // largest MTF frequency
    double defocus = 0, spotsize = 0.05;    // image plane shift; spot diagram size (radians for telescopes)
    uint8_t nrings = 7;                     // rings of rays of the spot diagram
    int32_t dfreq = 2;                      // MTF frequency step
    double ddefocus = 0.1;                  // through-focus step
    double reserved3 = 1.0, bcclear = 1.0;  // a stored spare; default clear aperture limit
    double bcthin = 0.5, bcthick = 1.0;     // default thickness limits for separations up to / over 2 mm
    std::vector<double> axlim, edgelim, clearlim;   // boundary conditions per surface
    std::vector<double> aberweight;                 // naber merit weights
    std::vector<Index3> mu;                         // index ratio per surface and wavelength
    Index3 wl{0.0005876, 0.0006563, 0.0004861};     // the three wavelengths, the first the main one
    Index3 wlmtfweight{1.0, 1.0, 1.0};              // wavelength weights of the polychromatic MTF
    Index3 wloptweight{1.0, 1.0, 1.0};              // wavelength weights of the optimization
    std::vector<double> field;                      // field angles, or heights for a finite object
    double objdist = 0, eph = 0;                    // telescopes: object distance; entrance pupil radius
    SystemSurfaces sys;                             // the surfaces and the media in front of them
    RayScheme rays;                                 // the ray scheme
    GlassTriangle tri;                              // corners of the glass triangle
    std::vector<double> radmin, radmax;    // radius bounds, or curvature bounds when radiiflag = 'N'
    std::vector<double> sepmin, sepmax;    // separation bounds

    bool telescope() const { return systype >= 4; }
    bool threewl() const { return (systype & 1) != 0; }
    bool operator==(const OpticalSystem&) const = default;
};

// The first-order (paraxial) data of a lens. The lens data file keeps efl, lbar, lbarp, up,
// the start of ray 0 and the image distance; the others are held in memory only.
struct FirstOrderData {
    double efl = 0;                         // focal length (0: telescope or no power)
    double lbar = 0, lbarp = 0;             // entrance and exit pupil positions
    double up = 0;                          // paraxial marginal ray slope in image space, signed as efl
    double y0 = 0, m0 = 0;                  // start height and direction of ray 0 (axial marginal)
    double imagedist = 0;                   // last surface to the image plane (sep[nsurf])
    double objvergence = 0;                 // object-side vergence
    double lbarchief = 0;                   // entrance pupil from which chief rays start
    double dystop = 0;                      // d(height at stop) / d(start height)
    double dioptricmismatch = 0;            // telescope dioptric mismatch, 1000/s'
    double conradyaxial = 0;                // Conrady axial sum
    double pxheight = 0;                    // paraxial marginal ray height at the image (d[nsurf] = 0)
    double pxslope = 0;                     // paraxial marginal ray slope in image space
    double eyepupil = 0;                    // telescope: exit pupil (eye) distance behind the last surface
};

struct Model {
    OpticalSystem lens;   // the lens as its file stores it

    // --- calculation state and results ---
    TraceContext trace;                     // the trace state of the calculations on this model
    FirstOrderData first;                   // of the last first-order calculation
    MeritList merit;                        // the program's merit list: the targets the user set, the last values

    // --- settings held in memory only ---
    double targheight = 0;                  // paraxial target: marginal ray height at the last surface
    double targypr = 0;                     // paraxial target: principal ray height at the aperture stop
    double targmpr = 0;                     // paraxial target: principal ray angle in image space
    double targthrow = 0;                   // paraxial target: object to image distance
    bool mono = false;                      // the three wavelengths are equal (set when a lens is taken)
    double entrpupil = 0;                   // telescope: entrance pupil position (stored answer)
    std::function<double()> askentrpupil;   // asks the user for the entrance pupil position
    bool newsystem = false;                 // set while the new-system wizard creates a system
    double eyedist = 0;                     // new-system wizard: last surface to the eye (Galilean telescope)
    uint8_t ngauss = 16;                    // Gauss-Legendre order of the diffraction MTF: 6, 10, 16
    uint8_t polydeg = 4;                    // degree of the wave aberration polynomial: 3, 4

    // --- status of the calculations of whoever calculates on this model (the session keeps
    // the first error of a command: app/session.h) ---
    bool calcerror = false;
    std::string errmsg;

    bool telescope() const { return lens.telescope(); }
    bool threewl() const { return lens.threewl(); }
};

// Program-wide defaults; the model holds no system afterwards.
void initglobals(Model& m);

// Sizes every array of the lens from nsurf, nrays, naber, nfields and asphdata, keeping
// contents.
void sizelens(OpticalSystem& lens);

// Sizes the lens and every calculation array of the model from its counts, keeping contents,
// and prepares the trace context for the lens's surface labels.
void allocsystem(Model& m);

// Makes lens the lens of m and sizes the calculation state for it.
void takelens(Model& m, OpticalSystem lens);

// Number of merit components for a ray count and chromatic mode; 0 for other counts.
int naberfor(int nrays, bool threewl);

// Rays of the scheme that belongs to a number of fields (4 fields: the full scheme).
int nraysfor(int nfields, bool fullscheme = true);

// True when all three wavelengths are equal.
bool ismono(const OpticalSystem& lens);

// Records the first failure of a calculation; later failures keep the first message.
void fail(Model& m, const std::string& msg);

// Fails the calculation with nonfinitemsg when a number of its report (written since the
// watch began) was not finite; returns whether all were finite.
bool checkfinite(Model& m, const FiniteWatch& numbers);

// The radius of surface k in either mode of the lens: the radius column when the lens is
// given by radii ('D'), else 1/curv; 0 stands for a plane surface both ways.
double surfaceradius(const OpticalSystem& lens, int k);

// The largest height at which surface k exists: 1/(|c| sqrt(1 + k)) for a conic or the
// conic base of an asphere (label E or A) with 1 + k > 0, |R| for a sphere, infinity for a
// plane and for a paraboloid or hyperboloid. A clear radius must stay below it.
double surfaceedge(const OpticalSystem& lens, int k);

// The radius of a curvature: 1/c, and 0 (a plane) for c = 0.
inline double radiusofcurv(double c) { return c != 0 ? 1 / c : 0.0; }

// True when the glass name (blanks trimmed, any case) is air or empty.
bool isair(const std::string& glass);

// True when the surface label marks a mirror ("M", "SM", "MS", ...).
bool ismirror(const std::string& surflabel);

}  // namespace zefo
