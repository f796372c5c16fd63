// Optical materials that are no glass of a maker's catalogue (fused silica, calcium and
// magnesium fluoride, sapphire, optical polymers): the bundled list data/glass/materials.csv
// gives each its published Sellmeier formula and its source; the program uses the formula
// fitted to the Schott form over the program's wavelength range (0.35 .. 1.5 um, within the
// range the source measured).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/model/glasscat.h"

namespace zefo {

// Least-squares fit of the Schott formula to n^2(lambda) over [lo, hi] micrometres (the
// catalogue's AGF import fits Sellmeier glasses with it too).
SchottCoef fitschott(const std::function<double(double)>& nsq, double lo, double hi);

struct OpticalMaterial {
    std::string name;                   // the name the lens takes, e.g. "SILICA"
    std::vector<std::string> aliases;   // other names files use, e.g. "F_SILICA"
    std::string description;            // what it is and its source
    std::array<double, 3> b{}, c{};     // Sellmeier B_i and C_i (square micrometres)
    double lmin = 0, lmax = 0;          // measured range (micrometres)

    // The index from the Sellmeier formula at a wavelength in micrometres.
    double index(double um) const;
};

// The bundled list (CSV after its comment lines).
const std::string& bundledmaterialscsv();
const std::vector<OpticalMaterial>& opticalmaterials();

// The material of a name or alias (any case) as a glass record: Schott coefficients fitted
// to its formula, nd and vd, maker "material", remark its description; empty when unknown.
std::optional<GlassRecord> opticalmaterial(const std::string& name);

}  // namespace zefo
