// Exact (real) ray trace through the surfaces of the optical system.
#pragma once

#include <span>

#include "core/model/model.h"

namespace zefo {

// Options of one trace. pathA and pathB have the same effect (optical path, stop height,
// clear radius of the stop); vignetting makes failures soft and tests the clear apertures;
// statistics records the per-surface data and boundary conditions of the merit function;
// refsphere gives the optical path difference on the reference sphere; focal adds the
// sagittal and tangential focal distances along the chief ray.
struct TraceOpts {
    bool pathA = false;
    bool vignetting = false;
    bool pathB = false;
    bool statistics = false;
    bool refsphere = false;
    bool focal = false;
};

// The outcome of one trace. The path lengths are those at the traced wavelength; the
// points of the surfaces reached stay in the context (the next trace overwrites them).
struct TracedRay {
    RayStatus status = RayStatus::passed;
    int surface = -1;                      // surface where the trace stopped; -1 when it passed
    const char* message = nullptr;         // why a failed trace failed
    RayPoint end;                          // position and direction at the last surface reached
    double opl = 0;                        // optical path length (options with a path)
    double opd = 0;                        // optical path difference (those that passed)
    std::span<const RayPoint> points;      // per surface reached, in the frame of that surface
    // clear radii the trace sets (negative: none): the stop by ray 1 at the first wavelength,
    // the image by the chief ray or, in a telescope, by ray 1
    double stopclear = -1;
    double imageclear = -1;
    bool chiefatstop = false;              // statistics: the chief ray's stop height is in ctx.ypr
    bool imagestats = false;               // statistics: the ray reached the image, its merit
                                           // conditions can be entered
};

// Traces a ray through every surface of the lens to the image plane at wavelength w (0..2).
// The lens is only read; the context carries the references the chief ray sets for the rays
// after it and must be prepared for this lens (preparetrace): a context too small for the
// lens is prepared here, one prepared for other labels is not noticed.
TracedRay trace(const OpticalSystem& lens, const Ray& ray, int w, const TraceOpts& opts, TraceContext& ctx);

// Traces a ray through the lens of the model with the model's context, which the owner of
// the lens prepared when the surface labels last changed (allocsystem, takelens, the
// session's notice of a design change). A failed ray sets m.calcerror / m.errmsg, except in
// vignetting mode, where the failure is only the ray's status; a ray running backwards sets
// m.calcerror. The lens is only read: the clear radii the trace sets wait in m.trace.clear
// (the vignetting test of the following traces counts the stop's) until the command that
// owns the lens stores them with applyclearradii. The aberration pass enters the merit
// conditions of a statistics trace into its merit list (meritentries).
TracedRay raytrace(Model& m, const Ray& ray, int w, const TraceOpts& opts);

// Stores the clear radii the traces on the context found (stop and image plane) in the lens
// and forgets them.
void applyclearradii(OpticalSystem& lens, TraceContext& ctx);

// Ray k of the ray scheme, of the given kind (ray label mod 10); an impossible direction
// gets N = 0, which the trace refuses.
Ray schemestart(const OpticalSystem& lens, int k, int kind);

// Traces ray k of the ray scheme as a ray of the given kind.
TracedRay schemeray(Model& m, int k, int kind, int w, const TraceOpts& opts);

// Clears the per-surface minimum paths and maximum heights before a calculation.
void clearstatistics(TraceContext& ctx);

}  // namespace zefo
