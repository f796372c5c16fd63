// The ray scheme: standard layouts and the aiming of all rays.
#pragma once

#include "core/model/model.h"

namespace zefo {

// Aiming loops give up with their routine's message after this many traces.
constexpr int maxaimiter = 100;

// Lays out the standard ray scheme for the current nrays, nfields and field values.
void initstdrays(Model& m);

// Absolute start coordinates of ray k from its relative ones.
void setray(Model& m, int k);

// Aims the chief ray k through the stop centre, object at infinity.
void aimchiefinfinite(Model& m, int k);

// Aims the chief ray k through the stop centre, finite object.
void aimchieffinite(Model& m, int k);

// Finite-object start of the chief ray k, then its aiming.
void startchieffinite(Model& m, int k);

// Makes ray k the chief ray of the field value (degrees for an object at infinity, else the
// object height) and aims it through the stop centre; needs the first-order data of m.
void aimfieldchief(Model& m, int k, double field);

// Aims the lower coma ray k at the edges of the clear apertures.
void aimlowercoma(Model& m, int k);

// Aims the upper coma ray k at the edges of the clear apertures.
void aimuppercoma(Model& m, int k);

// Aims the skew ray k at the edges of the clear apertures.
void aimskew(Model& m, int k);

// "Calculate Ray Scheme": first-order data, then every ray of the scheme; stores the clear
// radii of the stop and the image plane that the traces set in the lens.
void rayscheme(Model& m);

}  // namespace zefo
