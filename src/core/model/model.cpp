#include "core/model/model.h"

#include <cctype>
#include <cmath>
#include <limits>

namespace zefo {

void initglobals(Model& m) {
    m = Model{};
}

void sizelens(OpticalSystem& m) {
    const size_t ns = static_cast<size_t>(m.nsurf) + 1;
    auto& sp = m.sys.sp;
    sp.surflabel.resize(ns);
    sp.optlabel.resize(ns);
    sp.radius.resize(ns);
    sp.curv.resize(ns);
    sp.sep.resize(ns);
    sp.hmax.resize(ns);
    sp.disp.resize(ns);
    sp.glass.resize(ns);
    sp.index.resize(ns, Index3{0, 0, 0});
    auto& asf = m.sys.asf;
    const size_t na = m.asphdata == 'D' ? ns : 0;
    for (auto* a : {&asf.a4, &asf.a6, &asf.a8, &asf.a10, &asf.eps}) a->resize(na);
    for (auto* a : {&m.axlim, &m.edgelim, &m.clearlim, &m.radmin, &m.radmax, &m.sepmin, &m.sepmax})
        a->resize(ns);
    m.mu.resize(ns, Index3{0, 0, 0});
    const size_t nr = m.nrays;
    auto& r = m.rays;
    r.rl.resize(nr);
    for (auto* a : {&r.xrel, &r.yrel, &r.x, &r.y, &r.l, &r.m}) a->resize(nr);
    m.aberweight.resize(m.naber > 0 ? static_cast<size_t>(m.naber) : 0);
    m.field.resize(m.nfields);
}

void allocsystem(Model& m) {
    sizelens(m.lens);
    preparetrace(m.lens, m.trace);
    const size_t nab = m.lens.naber > 0 ? static_cast<size_t>(m.lens.naber) : 0;
    m.merit.name.resize(nab);
    m.merit.value.resize(nab);
    m.merit.target.resize(nab);
    m.merit.contrib.resize(nab);
}

void takelens(Model& m, OpticalSystem lens) {
    m.lens = std::move(lens);
    allocsystem(m);
    m.mono = ismono(m.lens);
}

int naberfor(int nrays, bool threewl) {
    switch (nrays) {
        case 6: return threewl ? 27 : 21;
        case 17: return threewl ? 69 : 47;
        case 24: return threewl ? 96 : 64;
        case 34: return threewl ? 135 : 87;
        default: return 0;
    }
}

int nraysfor(int nfields, bool fullscheme) {
    switch (nfields) {
        case 2: return 6;
        case 3: return 17;
        case 4: return fullscheme ? 34 : 24;
        default: return 0;
    }
}

bool ismono(const OpticalSystem& m) {
    return m.wl[0] == m.wl[1] && m.wl[1] == m.wl[2];
}

void fail(Model& m, const std::string& msg) {
    if (m.calcerror) return;
    m.calcerror = true;
    m.errmsg = msg;
}

bool checkfinite(Model& m, const FiniteWatch& numbers) {
    if (numbers.finite()) return true;
    fail(m, nonfinitemsg);
    return false;
}

double surfaceradius(const OpticalSystem& lens, int k) {
    const auto i = static_cast<size_t>(k);
    if (lens.radiiflag == 'D') return lens.sys.sp.radius[i];
    return radiusofcurv(lens.sys.sp.curv[i]);
}

double surfaceedge(const OpticalSystem& lens, int k) {
    const auto i = static_cast<size_t>(k);
    const double c = std::fabs(lens.sys.sp.curv[i]);
    if (c == 0) return std::numeric_limits<double>::infinity();
    const std::string& label = lens.sys.sp.surflabel[i];
    const auto& eps = lens.sys.asf.eps;
    const bool conic = lens.asphdata == 'D' && i < eps.size() && label.find_first_of("EAea") != std::string::npos;
    const double q = 1 + (conic ? eps[i] : 0.0);
    if (q <= 0) return std::numeric_limits<double>::infinity();
    return 1 / (c * std::sqrt(q));
}

bool isair(const std::string& glass) {
    const size_t b = glass.find_first_not_of(' ');
    if (b == std::string::npos) return true;
    const size_t e = glass.find_last_not_of(' ');
    if (e - b + 1 != 3) return false;
    for (size_t i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(glass[b + i])) != "air"[i]) return false;
    return true;
}

bool ismirror(const std::string& surflabel) {
    return surflabel.find('M') != std::string::npos;
}

}  // namespace zefo
