// The optical system model: one centred system with its ray scheme, design and
// calculation parameters, bounds, wavelengths, fields, glass triangle and merit weights.
// A Model is the context every calculation routine receives; the program keeps one
// current Model, optimizers may keep copies.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zefo {

using Index3 = std::array<double, 3>;

// Per-surface arrays, index 0 .. nsurf; row k is surface k and the medium in front of it.
struct sp_t {
    std::vector<std::string> surflabel;  // "S", "E", "A", "F", optionally with "M"
    std::vector<std::string> optlabel;   // "C", "D", "G", "E", "A4", "A6", "A8", "A10"
    std::vector<double> radius;
    std::vector<double> curv;
    std::vector<double> sep;
    std::vector<double> hmax;
    std::vector<double> disp;            // nF - nC of the medium in front of the surface
    std::vector<std::string> glass;      // glass name of that medium, "air" for air
    std::vector<Index3> index;           // index of that medium at wl[0..2]
};

// Conic and aspheric data, allocated only when asphdata = 'D'.
struct asf_t {
    std::vector<double> a4, a6, a8, a10, eps;
};

struct sistem {
    sp_t sp;
    asf_t asf;
};

// The ray scheme: one entry per ray.
struct zraci {
    std::vector<uint8_t> rl;   // ray label 1, 12, 13, 14, 4, 5
    std::vector<double> xrel, yrel;
    std::vector<double> x, y;  // start point in the plane z = 0
    std::vector<double> l, m;  // direction cosines along x and y
};

struct GlassTriangle {
    std::array<double, 3> trindex{1.5168, 1.691, 1.7552};
    std::array<double, 3> trdisp{0.008054, 0.012631, 0.027383};
    std::array<std::string, 3> trglass{"BK7", "LaK9", "SF4"};
};

// Limits of the counts that the lens data file and the arrays can hold.
constexpr int maxsurf = 254;   // the file's surface loops count with 8 bits
constexpr int maxrays = 255;
constexpr int maxaber = 32767;

struct Model {
    // --- stored in the lens data file ---
    std::string sysname;
    std::string glasscat = "sgm";
    int32_t asphflag = 0;
    int32_t nsurf = 0;
    int32_t stopsurf = 0;
    uint8_t nrays = 0;
    int32_t naber = 0;
    double drawscale = 1.0;
    uint8_t damptype = 0;
    uint8_t systype = 0;
    uint8_t raytype = 20;
    uint8_t nfields = 0;
    int32_t dlsiter = 0;
    uint8_t anglesurf = 0;
    char radiiflag = 'D';
    char asphdata = 'N';
    char objinf = 'D';
    double na = 0, mag = 0;
    double dcurv = 1e-5, dsep = 0.001, up = 0, dampfact = 0.05;
    double dindex = 0.001, ddisp = 0.0001;
    double targdopsis = 0, reserved1 = 0, targdsistot = 0;
    double targdst = 0, dimweight = 10, glassweight = 100;
    double reserved2 = 10, efl = 0;
    double lbar = 0, lbarp = 0;
    uint16_t nfreq = 50;
    double defocus = 0, spotsize = 0.05;
    uint8_t nrings = 7;
    int32_t dfreq = 2;
    double ddefocus = 0.1;
    double reserved3 = 1.0, bcclear = 1.0, bcthin = 0.5, bcthick = 1.0;
    std::vector<double> axlim, edgelim, clearlim;   // boundary conditions per surface
    std::vector<double> aberweight;                 // naber merit weights
    std::vector<Index3> mu;                         // index ratio per surface and wavelength
    Index3 wl{0.0005876, 0.0006563, 0.0004861};
    Index3 wlmtfweight{1.0, 1.0, 1.0};
    Index3 wloptweight{1.0, 1.0, 1.0};
    std::vector<double> field;
    double objdist = 0, eph = 0;
    sistem sys;
    zraci rays;
    GlassTriangle tri;
    std::vector<double> radmin, radmax;    // radius bounds, or curvature bounds when radiiflag = 'N'
    std::vector<double> sepmin, sepmax;

    // --- held in memory only ---
    double eyedist = 0;
    bool mono = false;
    uint8_t nwl = 3;
    double targypr = 0;   // paraxial target: principal ray height at the aperture stop
    double targmpr = 0;   // paraxial target: principal ray angle in image space
    std::vector<std::string> abername;
    std::vector<double> aberval, abertarget, abercontrib;

    // --- status ---
    bool datachanged = false;
    bool calcerror = false;
    bool cancelled = false;
    bool mirrorflag = false;
    std::string errmsg;

    bool telescope() const { return systype >= 4; }
    bool threewl() const { return (systype & 1) != 0; }
};

// Program-wide defaults; the model holds no system afterwards.
void initglobals(Model& m);

// Sizes every array from nsurf, nrays, naber, nfields and asphdata, keeping contents.
void allocsystem(Model& m);

// Number of merit components for a ray count and chromatic mode; 0 for other counts.
int naberfor(int nrays, bool threewl);

// Rays of the scheme that belongs to a number of fields (4 fields: the full scheme).
int nraysfor(int nfields, bool fullscheme = true);

// True when all three wavelengths are equal.
bool ismono(const Model& m);

// Records the first failure of a calculation; later failures keep the first message.
void fail(Model& m, const std::string& msg);

// True when the surface label marks a mirror ("M", "SM", "MS", ...).
bool ismirror(const std::string& surflabel);

}  // namespace zefo
