// Ray-fan curves: for the axis and every off-axis field of the ray scheme the transverse or
// angular aberration, or the optical path difference, of rays across the meridional pupil
// (tangential fan) and the sagittal half-pupil (sagittal fan).
#pragma once

#include <string>
#include <vector>

#include "core/imagequality/imagequality.h"
#include "core/model/model.h"
#include "core/plot/displaylist.h"
#include "core/plot/iqplot.h"

namespace zefo {

enum class FanKind { transverse = 0, angular = 1, opd = 2 };

// The chief rays of the off-axis fields of the ray scheme, at most three: field k (1 .. 3)
// is its chief ray and the rays after it up to the next chief ray; the rays before the first
// chief ray are the axis.
std::vector<int> chiefrays(const OpticalSystem& lens);

// One curve: start coordinates of the rays on the reference plane (mm) and their values.
struct FanCurve {
    int wl = 0;
    std::vector<double> x, v;
};

struct FanPanel {
    int field = 0;
    bool sagittal = false;
    Rect frame;
    std::vector<FanCurve> curves;
    double vmax = 0, vmin = 0;   // over all curves of the panel
};

struct FanPlot {
    DisplayList picture;
    std::vector<FanPanel> panels;
    std::string error;           // a failed trace: the picture is incomplete
};

// Panel frames of nf rows (1 .. 4): the tangential (or axial) panel of each row, then the
// sagittal panels of rows 1 .. nf-1.
struct FanLayout {
    int nf = 1, pw = 0, ph = 0;
    std::vector<Rect> tangential, sagittal;
};

FanLayout fanlayout(int nf, int w, int h, int th);

// Rows of the fans of a lens: the axis and one per chief ray of the scheme (at most 4).
int fanrows(const OpticalSystem& lens);

// Beside the per-curve scaling of the fans: one vertical scale for every panel, and the
// optical path difference in waves of each curve's wavelength.
struct FanOptions {
    bool commonscale = false;
    bool waves = false;
};

FanPlot fanplot(const OpticalSystem& lens, FanKind kind, const PlotWavelength& wl, const PlotTitle& title, int w,
                int h, int th, const FanOptions& options = {});

}  // namespace zefo
