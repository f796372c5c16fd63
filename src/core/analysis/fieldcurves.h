// Field curvature and distortion: the sagittal and tangential focus along the chief ray of
// fields from the axis to the largest field (Coddington close-ray traces), and the chief
// ray's image height against the paraxial one.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace zefo {

struct FieldCurves {
    bool angles = true;        // fields in degrees (object at infinity), else object heights in mm
    bool telescope = false;    // focus as vergence in dioptres, distortion of the angles
    std::vector<double> field; // from near the axis to the largest field
    std::vector<int> wls;      // the wavelengths computed (indices 0 .. 2)
    // per wavelength index and field point: focus shifts from the image plane along the axis
    // (mm; telescopes the vergence in dioptres) and distortion in per cent
    std::array<std::vector<double>, 3> sagittal, tangential, distortion;
    std::string error;         // a failed aiming or trace: the curves end there
};

// The curves at npoints field points (the first one thousandth of the largest field, where
// the chief ray is still defined), for the first wavelength or for all three of a lens of
// three wavelengths. Computes on a copy of the model.
FieldCurves fieldcurves(const Model& m, bool allwavelengths, int npoints = 12);

}  // namespace zefo
