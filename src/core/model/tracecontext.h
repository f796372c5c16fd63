// The calculation state of the exact ray trace: everything a trace reads besides the lens
// and the ray, and everything it leaves behind; beside it the scratch of the paraxial trace
// and of the ray scheme aiming. One context belongs to one caller (one thread); it is reused
// from one ray to the next without allocating.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zefo {

struct OpticalSystem;

using Index3 = std::array<double, 3>;

// Position and direction cosines of a ray in the frame of one surface.
struct RayPoint {
    double X = 0, Y = 0, Z = 0;
    double L = 0, M = 0, N = 1;
};

// A ray to trace: its start on the reference plane z = 0 in front of the first surface,
// its direction cosines, its number in the ray scheme (the clear radius and merit
// conditions are attached to ray numbers) and its kind, the ray label mod 10 (3: chief ray,
// which sets up the references of the rays after it).
struct Ray {
    double X = 0, Y = 0;
    double L = 0, M = 0, N = 1;
    int number = 0;
    int kind = 0;
};

// How a trace ended: through every surface to the image plane, stopped by a failed
// transfer or refraction, stopped outside a clear aperture (vignetting option), or stopped
// by a ray that runs backwards at a plane surface.
enum class RayStatus : uint8_t { passed, failed, vignetted, backwards };

// Shape of a surface as its label gives it: the first of S, E, A, F found in the label;
// "+" / "-" choose the conic root.
enum class SurfaceShape : uint8_t { sphere, conic, asphere, fresnel, invalid };

struct SurfaceKind {
    SurfaceShape shape = SurfaceShape::invalid;
    bool plusroot = false;
    bool minusroot = false;
    bool aspheric = false;   // the aspheric terms of the profile count (label without 'E')
};

// Clear radii that traces with a path option found (negative: none): the stop's by ray 1 at
// the first wavelength, the image plane's by a chief ray (a telescope's by ray 1).
struct ClearRadii {
    double stop = -1;
    double image = -1;
};

struct TraceContext {
    // decoded from the surface labels of the lens by preparetrace
    std::vector<SurfaceKind> kinds;         // per surface

    // first-order scratch and the chief ray the ray scheme aiming starts a field's rays from
    std::vector<double> paraxheight;        // paraxial ray heights at surfaces 0 .. nsurf-1 (paraxtrace)
    std::vector<double> paraxslope;         // paraxial ray slopes in spaces 0 .. nsurf (paraxtrace)
    double ychief = 0;                      // start height of the chief ray of the field being aimed
    double tchief = 0;                      // tangent of its slope

    // clear radii found by the traces of the model since they were last stored in its lens
    // (applyclearradii); the vignetting test of later traces already counts the stop's
    ClearRadii clear;

    // the last traced ray
    std::vector<RayPoint> surfray;          // per surface: X, Y, Z after transfer, L, M, N incident
    Index3 opl{0, 0, 0};                    // optical path length per wavelength
    Index3 opd{0, 0, 0};                    // optical path difference per wavelength
    double conrady = 0;                     // Conrady colour sum of the traced ray
    double conradydiff = 0;                 // conradyref - conrady at the image plane
    double stopheight = 0;                  // ray height at the aperture stop
    double Xm = 0, Xs = 0;                  // tangential and sagittal focal distances (chief ray)
    RayPoint lastsurf;                      // ray position at the last surface (for the exit pupil)
    double Xe = 0, Ye = 0;                  // ray on the exit-pupil plane (reference sphere step)

    // references set by the chief ray or by the caller for the rays after it
    double conradyref = 0;                  // Conrady sum of the reference (chief) ray
    double throwdist = 0;                   // object value T of the finite-object focal start
    RayPoint refray;                        // reference (chief) ray at the first surface
    Index3 oplref{0, 0, 0};                 // reference optical path per wavelength
    RayPoint refimage;                      // reference image point and image-space direction
    double pupillimit = 1e30;               // bound on the exit-pupil distance of the reference sphere
    double axisrefradius = 0;               // reference sphere radius of the axis
    double refcurv = 0;                     // reference sphere curvature (0: plane)
    double refradius = 1e30;                // reference sphere radius
    double refzp = 0;                       // exit-pupil plane, frame of the last surface
    double refA = 0, refB = 0;              // reference sphere set-up coefficients

    // per-surface statistics of the statistics option; cleared by clearstatistics
    double ypr = 0;                         // chief ray height at the aperture stop
    double mpr = 0;                         // chief ray image-space direction cosine M
    std::vector<double> statcosi;           // cos I of the transfer, last traced ray
    std::vector<double> statpath;           // path D from the previous surface, last traced ray
    std::vector<double> minpath;            // smallest path over the rays of one calculation
    std::vector<int> minpathray;            // ray that gave it
    std::vector<double> maxheight;          // largest |Y| over the rays of one calculation
    std::vector<int> maxheightray;          // ray that gave it
};

// Decodes the surface kinds of the lens into the context and sizes its per-surface arrays.
// The owner of a lens calls it whenever the surface labels or the number of surfaces
// change (taking a lens, an edit of the labels); the trace does not look at the labels.
void preparetrace(const OpticalSystem& lens, TraceContext& ctx);

}  // namespace zefo
