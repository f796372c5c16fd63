#include "core/optim/variables.h"

#include <cmath>

#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

bool haslabel(const std::string& s, const char* what) { return s.find(what) != std::string::npos; }

size_t u(int i) { return static_cast<size_t>(i); }

// The conic and aspheric labels count on surfaces that may carry them.
bool asphericlabels(const Model& m, int i) {
    return m.lens.asphdata == 'D' && !haslabel(m.lens.sys.sp.surflabel[u(i)], "S")
           && m.lens.sys.asf.eps.size() > u(i);
}

// The indices at the second and third wavelength of a model glass from its index and
// dispersion, as a normal glass splits them.
void splitindices(Index3& n, double disp) {
    n[1] = n[0] - 0.3 * disp;
    n[2] = n[0] + 0.7 * disp;
}

}  // namespace

const char* varkindname(VarKind k) {
    switch (k) {
        case VarKind::curv: return "curvature";
        case VarKind::sep: return "separation";
        case VarKind::defocus: return "defocus";
        case VarKind::index: return "index";
        case VarKind::disp: return "dispersion";
        case VarKind::conic: return "conic";
        case VarKind::a4: return "a4";
        case VarKind::a6: return "a6";
        case VarKind::a8: return "a8";
        case VarKind::a10: return "a10";
    }
    return "";
}

AsphIncrements asphincrements(const Model& m) {
    const auto& r = m.lens.rays;
    if (r.y.empty() || r.m.empty()) return {};
    const double h = m.lens.sys.sp.sep[0] * r.m[0] + r.y[0] + 0.1;
    const double h2 = h * h, h4 = h2 * h2;
    if (!(h4 > 0) || !std::isfinite(h4 * h4 * h2)) return {};
    return {0.001 / h4, 0.001 / (h4 * h2), 0.001 / (h4 * h4), 0.001 / (h4 * h4 * h2)};
}

void enumvariables(const Model& m, const AsphIncrements& ai, std::vector<Variable>& out) {
    out.clear();
    const auto& ol = m.lens.sys.sp.optlabel;
    const int ns = m.lens.nsurf;
    for (int i = 0; i <= ns; ++i)
        if (haslabel(ol[u(i)], "C")) out.push_back({i, VarKind::curv, m.lens.dcurv});
    for (int i = 0; i <= ns; ++i) {
        if (!haslabel(ol[u(i)], "D")) continue;
        if (i < ns) out.push_back({i, VarKind::sep, m.lens.dsep});
        else if (!m.telescope()) out.push_back({i, VarKind::defocus, m.lens.dsep});
    }
    for (int i = 0; i <= ns; ++i) {
        if (!haslabel(ol[u(i)], "G")) continue;
        out.push_back({i, VarKind::index, m.lens.dindex});
        out.push_back({i, VarKind::disp, m.lens.ddisp});
    }
    for (int i = 0; i <= ns; ++i)
        if (asphericlabels(m, i) && haslabel(ol[u(i)], "E")) out.push_back({i, VarKind::conic, 0.001});
    for (int i = 0; i <= ns; ++i) {
        if (!asphericlabels(m, i) || haslabel(ol[u(i)], "E")) continue;
        if (haslabel(ol[u(i)], "A4")) out.push_back({i, VarKind::a4, ai.a4});
        if (haslabel(ol[u(i)], "A6")) out.push_back({i, VarKind::a6, ai.a6});
        if (haslabel(ol[u(i)], "A8")) out.push_back({i, VarKind::a8, ai.a8});
        if (haslabel(ol[u(i)], "A10")) out.push_back({i, VarKind::a10, ai.a10});
    }
}

std::vector<Variable> enumvariables(const Model& m, const AsphIncrements& ai) {
    std::vector<Variable> v;
    enumvariables(m, ai, v);
    return v;
}

double varvalue(const Model& m, const Variable& v) {
    const auto& sp = m.lens.sys.sp;
    const auto& a = m.lens.sys.asf;
    const size_t i = u(v.surface);
    switch (v.kind) {
        case VarKind::curv: return sp.curv[i];
        case VarKind::sep: return sp.sep[i];
        case VarKind::defocus: return m.lens.defocus;
        case VarKind::index: return sp.index[i][0];
        case VarKind::disp: return sp.disp[i];
        case VarKind::conic: return a.eps[i];
        case VarKind::a4: return a.a4[i];
        case VarKind::a6: return a.a6[i];
        case VarKind::a8: return a.a8[i];
        case VarKind::a10: return a.a10[i];
    }
    return 0;
}

void setvar(Model& m, const Variable& v, double value) {
    auto& sp = m.lens.sys.sp;
    auto& a = m.lens.sys.asf;
    const size_t i = u(v.surface);
    switch (v.kind) {
        case VarKind::curv:
            sp.curv[i] = value;
            sp.radius[i] = radiusofcurv(value);
            break;
        case VarKind::sep: sp.sep[i] = value; break;
        case VarKind::defocus: m.lens.defocus = value; break;
        case VarKind::index:
            sp.index[i][0] = value;
            splitindices(sp.index[i], sp.disp[i]);
            break;
        case VarKind::disp:
            sp.disp[i] = value;
            splitindices(sp.index[i], value);
            break;
        case VarKind::conic: a.eps[i] = value; break;
        case VarKind::a4: a.a4[i] = value; break;
        case VarKind::a6: a.a6[i] = value; break;
        case VarKind::a8: a.a8[i] = value; break;
        case VarKind::a10: a.a10[i] = value; break;
    }
}

void makemodelglass(Model& m, int surface) {
    auto& sp = m.lens.sys.sp;
    const size_t i = u(surface);
    sp.glass[i].clear();
    splitindices(sp.index[i], sp.disp[i]);
}

bool ismodelglass(const Model& m, int surface) {
    return m.lens.sys.sp.glass[u(surface)].find_first_not_of(" ") == std::string::npos;
}

void stepvariables(Model& m, const std::vector<Variable>& vars, const double* x) {
    for (size_t j = 0; j < vars.size(); ++j) setvar(m, vars[j], varvalue(m, vars[j]) - x[j] * vars[j].increment);
}

bool anglesolve(Model& m, double y, double up, std::string& msg) {
    const int s = m.lens.anglesurf;
    const size_t i = u(s - 1);
    const double mu = m.lens.mu[i][0];
    const double n = m.lens.sys.sp.index[u(s)][0];
    const auto refuse = [&](const char* why) {
        msg = "Angle solve on surface " + std::to_string(s) + " is not possible: " + why;
        return false;
    };
    if (y == 0) return refuse("the marginal ray height there is zero");
    if (mu == 1 || n == 0) return refuse("the surface separates media of the same index");
    auto& sp = m.lens.sys.sp;
    sp.curv[i] -= (m.lens.na / n + up) / ((mu - 1) * y);
    sp.radius[i] = radiusofcurv(sp.curv[i]);
    return true;
}

bool removelabel(Model& m, int surface, const char* label) {
    std::string& ol = m.lens.sys.sp.optlabel[u(surface)];
    const size_t p = ol.find(label);
    if (p == std::string::npos) return false;
    ol.erase(p, std::char_traits<char>::length(label));
    return true;
}

}  // namespace zefo
