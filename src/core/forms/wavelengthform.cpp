#include "core/forms/wavelengthform.h"

#include "core/util/numfmt.h"

namespace zefo {

namespace {
std::string nanometres(double wlmm) { return fmtf(wlmm * 1e6, 5, 1); }
}  // namespace

bool standardwavelengths(const Model& m) { return fmtf(m.lens.wl[0] * 1e6, 0, 1) == "587.6"; }

std::array<std::string, 3> spectrallineitems(const Model& m) {
    if (standardwavelengths(m)) return {"&d spectral line", "&C spectral line", "&F spectral line"};
    std::array<std::string, 3> items;
    for (int w = 0; w < 3; ++w) items[w] = nanometres(m.lens.wl[w]) + "nm spectral line";
    return items;
}

std::vector<std::string> wavelengthitems(const Model& m) {
    const auto lines = spectrallineitems(m);
    std::vector<std::string> items{"&White light"};
    items.insert(items.end(), lines.begin(), lines.end());
    return items;
}

std::string wavelengthlabel(const OpticalSystem& lens, int item) {
    if (item <= 0 || item > 3) return " White light ";
    static const char* const standard[] = {" d-spec.l. ", " C-spec.l. ", " F-spec.l. "};
    const bool named = nanometres(lens.wl[0]) == "587.6";
    const std::string name = named ? standard[item - 1] : " " + std::to_string(item) + "-spec.l. ";
    return name + nanometres(lens.wl[item - 1]) + " nm";
}

WavelengthChoice wavelengthchoice(const Model& m, int item) {
    return {item <= 0 || item > 3 ? 4 : item, wavelengthlabel(m.lens, item)};
}

}  // namespace zefo
