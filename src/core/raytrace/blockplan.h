// Plain data of the block trace: the prepared surfaces and one block of rays with its
// coordinates in separate arrays, and the block kernel compiled once per vector width.
// Kept free of library types: the kernel files are compiled with their own instruction sets.
#pragma once

#include <cstdint>

namespace zefo {

inline constexpr int kBlockRays = 64;

// One surface as the block trace reads it, for one wavelength.
struct PlanSurface {
    int shape = 0;             // SurfaceShape as a number
    bool plusroot = false, minusroot = false;
    bool poly = false;         // the aspheric polynomial terms count
    bool vignette = false;     // the clear aperture is tested (vignetting, not a mirror)
    double curv = 0, sep = 0, mu = 1, eps = 0;
    double a4 = 0, a6 = 0, a8 = 0, a10 = 0;
    double clear2 = 0;         // squared clear radius
};

struct PlanView {
    const PlanSurface* surf = nullptr;   // surfaces 0 .. nsurf (the image plane)
    int nsurf = 0;
    double tol = 0;                      // convergence of the aspheric intersection
};

// Why a ray of a block stopped (0: still running, or passed the image plane).
enum BlockCode : int { blockrunning, blockdirection, blockbackwards, blocktransfer, blockrefract,
                       blockvignetted, blockinvalid };

// A block of rays. The stop code and surface are doubles so that their masks share the
// vector lanes of the coordinates; the rest is scratch of the non-spherical surfaces.
struct RayBlock {
    double X[kBlockRays], Y[kBlockRays], Z[kBlockRays];
    double L[kBlockRays], M[kBlockRays], N[kBlockRays];
    double code[kBlockRays], surface[kBlockRays];
    double cosi[kBlockRays], root[kBlockRays];
    double nx[kBlockRays], ny[kBlockRays], nz[kBlockRays];
    double px[kBlockRays], py[kBlockRays], pn[kBlockRays], active[kBlockRays];
};

// The kernel per instruction set; each traces every lane of the block through the plan.
void traceblockscalar(const PlanView& p, RayBlock& b);
void traceblocksse2(const PlanView& p, RayBlock& b);
void traceblockavx2(const PlanView& p, RayBlock& b);
void traceblockavx512(const PlanView& p, RayBlock& b);

}  // namespace zefo
