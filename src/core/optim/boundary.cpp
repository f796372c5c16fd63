#include "core/optim/boundary.h"

#include <cmath>

#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

bool present(const MeritList& l, uint8_t kind, int a, int b) {
    for (const BcEntry& e : l.bc)
        if (e.kind == kind && (kind == 3 ? e.ray == a && e.surf == b : e.surf == b)) return true;
    return false;
}

void add(OpticalSystem& lens, MeritList& l, BcEntry e, double weight) {
    e.weight = weight;
    l.bc.push_back(e);
    sizemeritlist(lens, l);
    l.target[static_cast<size_t>(ncomponents(lens, l) - 1)] = 0;
}

// 1 - (c·hmax)² of surface j: negative when its clear radius reaches beyond its sphere.
double sphereroom(const SurfaceTable& sp, int j) {
    const double ch = sp.curv[j] * sp.hmax[j];
    return 1 - ch * ch;
}

double sagatclear(const SurfaceTable& sp, int j, double room) {
    return sp.curv[j] == 0 ? 0.0 : (1 - std::sqrt(room)) / sp.curv[j];
}

}  // namespace

double clearedge(const OpticalSystem& lens, int i) {
    const auto& sp = lens.sys.sp;
    const double e1 = sphereroom(sp, i - 1), e2 = sphereroom(sp, i);
    if (e1 > 0 && e2 > 0) return sp.sep[i] - sagatclear(sp, i - 1, e1) + sagatclear(sp, i, e2);
    return std::fmin(e1, 0.0) + std::fmin(e2, 0.0) - lens.edgelim[i];
}

std::vector<std::string> clearedgewarnings(const OpticalSystem& lens) {
    std::vector<std::string> lines;
    for (int i = 1; i < lens.nsurf; ++i) {
        const double t = clearedge(lens, i), lim = lens.edgelim[static_cast<size_t>(i)];
        if (lim > 0 && t < lim)
            lines.push_back("Edge thickness of space " + fmti(i) + " at the clear radii is " + fmtf(t, 10, 4)
                            + ", below its limit " + fmtf(lim, 10, 4));
    }
    return lines;
}

int bcscan(Model& m, MeritList& l, const MemoSink& memo) {
    const auto& sp = m.lens.sys.sp;
    const auto& t = m.trace;
    const int ns = m.lens.nsurf;
    const auto say = [&](const std::string& s) {
        if (memo) memo(s);
    };
    int added = 0;
    for (int i = 1; i <= ns && static_cast<int>(l.bc.size()) < maxbcrows; ++i) {
        if (static_cast<size_t>(i) >= t.minpath.size() || t.minpath[i] >= kbig) continue;
        const double d = sign(sp.index[i][0]) * t.minpath[i];
        const double lim = m.lens.edgelim[i];
        if (d > lim || present(l, 1, 0, i)) continue;
        const int ray = t.minpathray[i];
        add(m.lens, l, {1, static_cast<uint8_t>(ray), static_cast<uint8_t>(i), lim}, m.lens.dimweight);
        say("Edge,space " + fmti(i) + " Ray " + fmti(ray) + " value " + fmtf(d, 10, 4) + " Target " + fmtf(lim, 10, 4));
        ++added;
    }
    for (int i = 1; i < ns && static_cast<int>(l.bc.size()) < maxbcrows; ++i) {
        const double lim = m.lens.edgelim[i];
        const double d = clearedge(m.lens, i);
        if (lim <= 0 || d > lim || present(l, clearedgekind, 0, i)) continue;
        add(m.lens, l, {clearedgekind, 0, static_cast<uint8_t>(i), lim}, clearedgeweight * m.lens.dimweight);
        say("Edge,space " + fmti(i) + " at the clear radii value " + fmtf(d, 10, 4) + " Target " + fmtf(lim, 10, 4));
        ++added;
    }
    for (int i = 0; i <= ns && static_cast<int>(l.bc.size()) < maxbcrows; ++i) {
        if (static_cast<size_t>(i) >= t.maxheight.size()) continue;
        const double h = t.maxheight[i], lim = m.lens.clearlim[i];
        if (lim <= 0 || h < lim || present(l, 2, 0, i)) continue;
        const int ray = t.maxheightray[i];
        add(m.lens, l, {2, static_cast<uint8_t>(ray), static_cast<uint8_t>(i), lim}, m.lens.dimweight);
        say("Surface hight " + fmti(i) + " Ray " + fmti(ray) + " value " + fmtf(h, 10, 4) + " Target " + fmtf(lim, 10, 4));
        ++added;
    }
    const auto slopes = triangleslopes(m.lens.tri);
    for (int i = 1; i <= ns; ++i) {
        if (sp.optlabel[i].find('G') == std::string::npos) continue;
        for (int e = 1; e <= 3 && static_cast<int>(l.bc.size()) < maxbcrows; ++e) {
            if (glassbeyond(m, slopes, i, e) < 0 || present(l, 3, i, e)) continue;
            add(m.lens, l, {3, static_cast<uint8_t>(i), static_cast<uint8_t>(e), 0}, m.lens.glassweight);
            say("Glass " + fmti(i) + " line " + fmti(e) + " index " + fmtf(sp.index[i][0], 10, 5) + " dispersion "
                + fmtf(sp.disp[i], 10, 5));
            ++added;
        }
    }
    return added;
}

void bcremove(const OpticalSystem& lens, MeritList& l, int r) {
    if (r < 0 || r >= l.nbc()) return;
    const auto at = [&](auto& v) {
        const size_t e = static_cast<size_t>(lens.naber + r);
        if (e < v.size()) v.erase(v.begin() + static_cast<std::ptrdiff_t>(e));
    };
    at(l.name);
    at(l.value);
    at(l.target);
    at(l.contrib);
    l.bc.erase(l.bc.begin() + r);
}

std::string bcreleaseline(const Model& m, const MeritList& l, int r) {
    const BcEntry& bc = l.bc[static_cast<size_t>(r)];
    const size_t e = static_cast<size_t>(m.lens.naber + r);
    const auto& sp = m.lens.sys.sp;
    switch (bc.kind) {
        case 1:
            return "Boundary condition...Edge space " + fmti(bc.surf) + "  Ray " + fmti(bc.ray) + " = "
                   + fmtf(l.value[e] + bc.bclimit, 10, 4) + " released!";
        case 2:
            return "Boundary condition...Surface height " + fmti(bc.surf) + "  Ray " + fmti(bc.ray) + " = "
                   + fmtf(l.value[e] + bc.bclimit, 10, 4) + " released!";
        case clearedgekind:
            return "Boundary condition...Edge space " + fmti(bc.surf) + "  at the clear radii = "
                   + fmtf(clearedge(m.lens, bc.surf), 10, 4) + " released!";
        default:
            return "Boundary condition...Glass " + fmti(bc.ray) + "  " + fmtf(sp.index[bc.ray][0], 10, 5) + " "
                   + fmtf(sp.disp[bc.ray], 10, 5) + "  line " + fmti(bc.surf) + " released!";
    }
}

}  // namespace zefo
