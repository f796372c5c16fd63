// Paraxial ray trace and first-order data of the optical system.
#pragma once

#include "core/model/model.h"

namespace zefo {

// Paraxial trace at the first wavelength from height y at the first surface with slope u in
// front of it; leaves the heights at the surfaces in m.trace.paraxheight and returns in y, u
// the height at the image plane and the slope behind the last surface.
void paraxtrace(Model& m, double& y, double& u);

// Relative indices mu, efl and nfields.
void ssetq(Model& m);

// Number of optimization variables the optimization labels create.
int countvariables(const Model& m);

// Reverse paraxial trace from the last surface to the first.
void pxrev(Model& m, double& y, double& u);

// Entrance pupil lbar (and lbarchief), exit pupil lbarp; with withstop also dystop.
void pxlbar(Model& m, bool withstop);

// Gaussian imaging of an axial point s0 in front of the first surface (0: at infinity);
// returns s' behind the last surface. Mode 1 sets dioptricmismatch for telescopes.
double gaussimage(Model& m, double s0, int mode);

// The whole first-order data set: mu, efl, objvergence, pupils, ray 0, up, image plane.
// Stores what the lens keeps in the lens and the whole set in m.first, and returns it; the
// set means something only when the calculation succeeded (no calcerror).
FirstOrderData nudatparax(Model& m);

// Focal length and back focal distance (last surface to the focus) of the whole system for
// an object at infinity at the first wavelength; needs the relative indices of ssetq. Both
// are 0 for a telescope and for a system without power, whose image lies at infinity.
struct SystemFocus {
    double efl = 0, bfd = 0;
};
SystemFocus systemfocus(Model& m);

}  // namespace zefo
