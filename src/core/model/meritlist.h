// The merit list: the components of one evaluation of a lens, owned by whoever evaluates.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zefo {

// One boundary-condition component of the merit list (kind 1 edge thickness, 2 clear
// radius, 3 glass outside the triangle); for kinds 1 and 2 `ray` is the responsible ray
// and `surf` the surface, for kind 3 `ray` holds the surface and `surf` the triangle side.
// Its weight belongs to the run that added it, not to the lens.
struct BcEntry {
    uint8_t kind = 0;
    uint8_t ray = 0;
    uint8_t surf = 0;
    double bclimit = 0;
    double weight = 0;
};

// Per component its name, value, target and weighted contribution: first the lens's naber
// components (nine paraxial ones and the aberrations of the rays of the ray scheme), then
// one component per boundary-condition row. The weights of the first naber are those the
// lens stores. Sized once (sizemeritlist), then filled by every evaluation without
// allocation. Each thread that evaluates owns its copy.
struct MeritList {
    std::vector<std::string> name;
    std::vector<double> value;
    std::vector<double> target;
    std::vector<double> contrib;   // (value - target) · weight of the last merit sum
    std::vector<BcEntry> bc;       // boundary-condition rows: component naber + row
    int count = 0;                 // entries the last aberration pass wrote

    int nbc() const { return static_cast<int>(bc.size()); }
};

}  // namespace zefo
