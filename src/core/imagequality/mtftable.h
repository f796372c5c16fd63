// The MTF tables shared by the geometrical, through-focus and diffraction MTF reports.
#pragma once

#include <string>
#include <vector>

#include "core/imagequality/imagequality.h"

namespace zefo {

enum class MtfTable { Geometrical, ThroughFocus, Diffraction };

// "                     d spectral line" (or C, F; 1, 2, 3 when wl[0] is not 587.6 nm).
std::string wltitle(const Model& m, int w);

// The four column-head lines (three or four fields).
void mtfheads(const Model& m, MtfTable kind, std::vector<std::string>& lines);

// The rows of wavelength w (0..2) or of white light (3, the mean of the three).
void mtfrows(const Model& m, MtfTable kind, const std::vector<Index3>& a, int w, std::vector<std::string>& lines);

// True when the triples of every field and used wavelength are finite numbers.
bool finitetable(const Model& m, const std::vector<Index3>& a);

// The whole ".gtf" or ".gtt" report.
void mtfreport(const Model& m, MtfTable kind, const std::vector<Index3>& a, IqRun& run);

}  // namespace zefo
