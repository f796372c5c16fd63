// The MTF tables shared by the geometrical, through-focus and diffraction MTF reports.
#pragma once

#include <string>
#include <vector>

#include "core/imagequality/imagequality.h"

namespace zefo {

// "                     d spectral line" (or C, F; 1, 2, 3 when wl[0] is not 587.6 nm).
std::string wltitle(const OpticalSystem& lens, int w);

// The four column-head lines (three or four fields) of the through-focus table or of the
// frequency tables.
void mtfheads(const OpticalSystem& lens, bool throughfocus, std::vector<std::string>& lines);

// The rows of wavelength w (0..2) or of white light (3, the mean of the three).
void mtfrows(const OpticalSystem& lens, const MtfResult& mtf, int w, std::vector<std::string>& lines);

}  // namespace zefo
