// Batched exact trace: many independent rays at once, in blocks whose coordinates lie in
// separate arrays, through surface constants prepared once per lens and wavelength. Every
// ray comes out with the numbers of the single-ray trace (without path options); the single
// ray trace stays for the rays whose path, statistics or references are wanted.
#pragma once

#include <span>
#include <vector>

#include "core/model/model.h"
#include "core/raytrace/blockplan.h"

namespace zefo {

// The surfaces of a lens for the block trace at wavelength w (0..2). With vignetting the
// clear apertures stop the rays as in the single-ray trace: the stop's radius is the one
// the context found, else the lens's.
struct TracePlan {
    std::vector<PlanSurface> surf;   // surfaces 0 .. nsurf (the image plane)
    int nsurf = 0;
    double tol = 0;
};

TracePlan traceplan(const OpticalSystem& lens, const TraceContext& ctx, int w, bool vignetting);

// The end of one ray of a batch: its position and direction at the image plane when it
// passed, else at the last surface before the step that stopped it, and that surface.
struct BatchRay {
    RayPoint end;
    RayStatus status = RayStatus::passed;
    int surface = -1;   // -1 when the ray passed
};

// The instruction sets the block kernel is built for.
enum class TracePath { scalar, sse2, avx2, avx512 };

// The widest path this processor runs.
TracePath besttracepath();
bool pathsupported(TracePath p);

// Traces rays[i] into out[i] (out has at least as many elements). threads = 0 takes two
// threads for large batches, one otherwise. Allocates nothing but the second thread.
void tracebatch(const TracePlan& plan, std::span<const Ray> rays, std::span<BatchRay> out,
                TracePath path = besttracepath(), int threads = 0);

}  // namespace zefo
