#include "core/evolution/esglass.h"

#include <algorithm>

namespace zefo {

void GlassMap::load(GlassCatalog& cat) {
    assign(cat.isopen() ? cat.allglasses() : std::vector<GlassRecord>{});
}

void GlassMap::assign(std::vector<GlassRecord> glasses) {
    glasses_ = std::move(glasses);
    std::stable_sort(glasses_.begin(), glasses_.end(), [](const GlassRecord& a, const GlassRecord& b) {
        return a.code != b.code ? a.code < b.code : a.serial < b.serial;
    });
}

bool GlassMap::locate(const std::string& code, int& cursor) const {
    const auto it = std::lower_bound(glasses_.begin(), glasses_.end(), code,
                                     [](const GlassRecord& g, const std::string& c) { return g.code < c; });
    if (it == glasses_.end() || it->code != code) return false;
    cursor = static_cast<int>(it - glasses_.begin());
    return true;
}

void setesglass(OpticalSystem& lens, int i, const GlassRecord& g) {
    auto& sp = lens.sys.sp;
    const size_t k = static_cast<size_t>(i);
    sp.index[k] = glassindices(g.a, lens.wl);
    sp.disp[k] = sp.index[k][2] - sp.index[k][1];
    sp.glass[k] = g.name;
}

namespace {

// The Abbe part of a catalogue code (its characters 4 to 6), -1 when they are no number.
int abbepart(const std::string& code) {
    if (code.size() < 4) return -1;
    int a = 0;
    for (size_t k = 3; k < code.size() && k < 6; ++k) {
        if (code[k] < '0' || code[k] > '9') return -1;
        a = a * 10 + (code[k] - '0');
    }
    return a;
}

bool acceptedat(const GlassMap& map, int cursor, GlassClass c) {
    const GlassRecord& g = map.at(cursor);
    return glassaccepted(c, abbepart(g.code), g.name);
}

// Draws base + deviation until it lies inside the window; false when the strategy gives
// the candidate up or the draws run out.
bool drawinside(double base, int comp, GlassClass c, GlassDraws& draws, double& x, bool& gaveup) {
    for (int t = 0; t < maxglasstries; ++t) {
        x = base + draws.deviation(comp);
        if (comp == 0 ? inindexwindow(c, x) : inabbewindow(c, x)) return true;
        if (!draws.outside(comp)) {
            gaveup = true;
            return false;
        }
    }
    return false;
}

}  // namespace

GlassResult mutateglass(const GlassMap& map, int& cursor, OpticalSystem& lens, int i, GlassClass c,
                        double n, double v, bool truncate, GlassDraws& draws) {
    if (map.empty() || c == GlassClass::none) return GlassResult::exhausted;
    for (int t = 0; t < maxglasstries; ++t) {
        double nn = 0, vv = 0;
        bool gaveup = false;
        if (!drawinside(n, 0, c, draws, nn, gaveup) || !drawinside(v, 1, c, draws, vv, gaveup))
            return gaveup ? GlassResult::invalid : GlassResult::exhausted;
        map.locate(mapglasscode(nn, vv, truncate), cursor);
        if (!acceptedat(map, cursor, c)) {
            map.locate(map.at(cursor).code.substr(0, 3) + fallbackabbe(c), cursor);
            if (!acceptedat(map, cursor, c)) {
                draws.rejected();
                continue;
            }
        }
        map.locate(map.at(cursor).code, cursor);
        setesglass(lens, i, map.at(cursor));
        if (glassclass(lens.sys.sp.glass[static_cast<size_t>(i)], false) == c) return GlassResult::set;
    }
    return GlassResult::exhausted;
}

}  // namespace zefo
