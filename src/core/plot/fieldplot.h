// The picture of field curvature and distortion: two panels with the field upwards, the
// sagittal and tangential focus shifts and the distortion across.
#pragma once

#include "core/analysis/fieldcurves.h"
#include "core/plot/displaylist.h"
#include "core/plot/iqplot.h"

namespace zefo {

// The panel frames: field curvature on the left, distortion on the right.
struct FieldLayout {
    Rect curvature, distortion;
};
FieldLayout fieldlayout(int w, int h, int th);

DisplayList fieldplot(const OpticalSystem& lens, const FieldCurves& c, const PlotTitle& title, int w, int h, int th);

}  // namespace zefo
