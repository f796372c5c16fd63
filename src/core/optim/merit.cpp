#include "core/optim/merit.h"

#include <cmath>

#include "core/analysis/aberrations.h"
#include "core/analysis/systemreport.h"
#include "core/optim/boundary.h"
#include "core/optim/variables.h"
#include "core/raytrace/paraxial.h"
#include "core/report/report.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

size_t usize(int n) { return n > 0 ? static_cast<size_t>(n) : 0; }

// Mirrors the first half of a symmetric system (magnification -1) onto the second.
void mirrorhalf(Model& m) {
    auto& sp = m.lens.sys.sp;
    auto& asf = m.lens.sys.asf;
    const int ns = m.lens.nsurf;
    const bool asph = m.lens.asphdata == 'D' && asf.eps.size() >= usize(ns + 1);
    for (int i = 0; i < ns / 2; ++i) {
        const size_t a = usize(i), b = usize(ns - i - 1);
        if (m.lens.radiiflag == 'D') sp.radius[b] = -sp.radius[a];
        sp.curv[b] = -sp.curv[a];
        sp.sep[b] = sp.sep[a + 1];
        sp.index[b] = sp.index[a + 1];
        sp.disp[b] = sp.disp[a + 1];
        if (sp.glass[b] != sp.glass[a + 1]) sp.glass[b] = sp.glass[a + 1];
        if (asph) {
            asf.a4[b] = -asf.a4[a];
            asf.a6[b] = -asf.a6[a];
            asf.a8[b] = -asf.a8[a];
            asf.a10[b] = -asf.a10[a];
            asf.eps[b] = asf.eps[a];
        }
    }
}

// Paraxial trace of the axial marginal ray from its start in the ray scheme (the start stays
// as the scheme has it: the evaluation compares designs with the same entrance beam).
void marginaltrace(Model& m, double& y, double& u) {
    y = m.lens.rays.y[0] + m.lens.rays.m[0] * m.lens.sys.sp.sep[0];
    u = m.lens.rays.m[0];
    paraxtrace(m, y, u);
}

// The paraxial part of the evaluation: relative indices, the angle solve, the marginal ray
// and, for an objective, the image plane at the paraxial focus plus the defocus.
bool meritparaxial(Model& m) {
    ssetq(m);
    if (m.calcerror) return false;
    const int ns = m.lens.nsurf;
    auto& sp = m.lens.sys.sp;
    sp.sep[usize(ns)] = 0;
    double y = 0, u = 0;
    marginaltrace(m, y, u);
    const int s = m.lens.anglesurf;
    if (s > 0 && s <= ns) {
        std::string msg;
        if (!anglesolve(m, m.trace.paraxheight[usize(s - 1)], m.trace.paraxslope[usize(s)], msg)) {
            fail(m, msg);
            return false;
        }
        ssetq(m);
        marginaltrace(m, y, u);
    }
    m.first.pxheight = y;
    m.first.pxslope = u;
    if (!m.telescope()) {
        if (u == 0) {
            fail(m, "Error in nudatparax in calculation of back focal length");
            return false;
        }
        sp.sep[usize(ns)] = -y / u + m.lens.defocus;
    }
    return true;
}

// The components of the boundary-condition rows that need no ray: glasses outside the
// triangle and edges at the clear radii.
void glasscomponents(const Model& m, MeritList& l) {
    const auto slopes = triangleslopes(m.lens.tri);
    const size_t base = usize(m.lens.naber);
    for (size_t r = 0; r < l.bc.size() && base + r < l.value.size(); ++r) {
        BcEntry& bc = l.bc[r];
        if (bc.kind == clearedgekind && bc.surf >= 1 && bc.surf <= m.lens.nsurf) {
            l.value[base + r] = clearedge(m.lens, bc.surf) - (1 + clearedgemargin) * bc.bclimit;
            if (l.name[base + r] != "Edge thickness dev.  ") l.name[base + r] = "Edge thickness dev.  ";
            continue;
        }
        if (bc.kind != 3 || bc.ray > m.lens.nsurf) continue;
        l.value[base + r] = glassdeviation(m, slopes, bc.ray, bc.surf);
        bc.weight = m.lens.glassweight;
        if (l.name[base + r] != "Out-glass triangle   ") l.name[base + r] = "Out-glass triangle   ";
    }
}

std::string weighttext(double w) { return fmtf(w, 13, 6).substr(0, 10); }

}  // namespace

void sizemeritlist(OpticalSystem& lens, MeritList& l) {
    const size_t n = usize(ncomponents(lens, l));
    l.name.resize(n);
    l.value.resize(n);
    l.target.resize(n, 0.0);
    l.contrib.resize(n);
    lens.aberweight.resize(usize(lens.naber), 0.0);
}

int ncomponents(const OpticalSystem& lens, const MeritList& l) { return lens.naber + l.nbc(); }

double componentweight(const OpticalSystem& lens, const MeritList& l, int i) {
    return i < lens.naber ? lens.aberweight[usize(i)] : l.bc[usize(i - lens.naber)].weight;
}

double residual(const OpticalSystem& lens, const MeritList& l, int i) {
    const size_t u = usize(i);
    return (l.value[u] - l.target[u]) * componentweight(lens, l, i);
}

std::array<double, 3> triangleslopes(const GlassTriangle& t) {
    std::array<double, 3> s{};
    for (int k = 0; k < 3; ++k) {
        const int j = (k + 1) % 3;
        const double dd = t.trdisp[usize(j)] - t.trdisp[usize(k)];
        s[usize(k)] = dd != 0 ? (t.trindex[usize(j)] - t.trindex[usize(k)]) * 0.1 / dd : 0;
    }
    return s;
}

double glassbeyond(const Model& m, const std::array<double, 3>& slopes, int s, int e) {
    const size_t k = usize(e - 1), u = usize(s);
    const auto& t = m.lens.tri;
    const double d = m.lens.sys.sp.index[u][0] - t.trindex[k]
                     + (t.trdisp[k] - m.lens.sys.sp.disp[u]) * 10 * slopes[k];
    return e == 3 ? -d : d;
}

double glassdeviation(const Model& m, const std::array<double, 3>& slopes, int s, int e) {
    const size_t k = usize(e - 1), u = usize(s);
    const auto& t = m.lens.tri;
    const double d = m.lens.sys.sp.index[u][0] - t.trindex[k]
                     + (t.trdisp[k] - m.lens.sys.sp.disp[u]) * 10 * slopes[k];
    return d / std::sqrt(slopes[k] * slopes[k] + 1);
}

bool meritcalc(Model& m, MeritList& l, const MemoSink& memo) {
    const size_t n = usize(ncomponents(m.lens, l));
    if (l.value.size() < n || l.name.size() < n || l.target.size() < n || m.lens.aberweight.size() < usize(m.lens.naber)
        || aberlistsize(m) != m.lens.naber) {
        fail(m, abercountmsg);
        return false;
    }
    for (size_t i = 0; i < n; ++i) l.value[i] = 0;
    if (m.lens.mag == -1) mirrorhalf(m);
    if (!meritparaxial(m)) return false;
    glasscomponents(m, l);
    AberTable table;
    aberrations(m, l, true, memo ? &table : nullptr);
    if (m.calcerror) return false;
    if (l.count != m.lens.naber) {
        fail(m, abercountmsg);
        return false;
    }
    if (memo) {
        Report r;
        abertablelines(table, r);
        for (const auto& line : r.lines()) memo(line);
    }
    return true;
}

double meritsum(const Model& m, MeritList& l, const MemoSink& memo) {
    const int n = ncomponents(m.lens, l);
    double merit = 0;
    for (int i = 0; i < n; ++i) {
        const double c = residual(m.lens, l, i);
        l.contrib[usize(i)] = c;
        merit += c * c;
    }
    if (memo)
        for (const auto& line : merittable(m, l)) memo(line);
    return merit;
}

bool meritreport(Model& m, MeritList& l, const ReportHead& h, Report& r) {
    sizemeritlist(m.lens, l);
    if (!designreport(m, h, r, false) || !meritcalc(m, l)) return false;
    r.addline(" ");
    r.addline(" ");
    meritsum(m, l, [&r](const std::string& line) { r.addline(line); });
    return !m.calcerror;
}

std::vector<std::string> merittable(const Model& m, const MeritList& l) {
    std::vector<std::string> out;
    out.push_back(" ");
    out.push_back("Num.   Aberration name       Aberration   Weight     Contribution    Merit_fn");
    const int n = ncomponents(m.lens, l);
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const size_t u = usize(i);
        const double r = residual(m.lens, l, i);
        sum += r * r;
        out.push_back(fmti(i + 1, 3) + "  " + l.name[u] + "  " + fmtf(l.value[u], 10, 6) + " "
                      + weighttext(componentweight(m.lens, l, i)) + " " + fmtf(r * r, 13, 6) + " " + fmtf(sum, 13, 6));
    }
    out.push_back(" ");
    const auto& sp = m.lens.sys.sp;
    const auto& w = m.lens.aberweight;
    const auto& v = l.value;
    const int ns = m.lens.nsurf;
    const auto line = [&](int k, const std::string& text) {
        if (w.size() > usize(k) && w[usize(k)] != 0) out.push_back(text);
    };
    const auto f = [](double x) { return fmtf(x, 10, 4); };
    line(1, "Paraxial hight of the ray at the last surface is h" + fmti(ns, 2) + " =" + f(v[1] + m.targheight)
                + " Target = " + f(m.targheight));
    line(2, "Principal ray hight at aperture stop is ypr= " + f(v[2] + m.targypr));
    line(3, "Principal ray angle at image space is mpr= " + f(v[3] + m.targmpr));
    line(4, "Distance from object to image plane is " + f(v[4] + m.targthrow) + " Target is " + f(m.targthrow));
    line(5, "Glass thickness is " + f(v[5] + m.lens.targdst) + " Target is " + f(m.lens.targdst));
    line(6, "Distance from first surface to image plane is " + f(v[6] + m.lens.targdsistot) + " Target is "
                + f(m.lens.targdsistot));
    line(7, "Distance from first surface to last surface is " + f(v[7] + m.lens.targdopsis) + " Target is "
                + f(m.lens.targdopsis));
    for (size_t r = 0; r < l.bc.size(); ++r) {
        const BcEntry& bc = l.bc[r];
        const size_t e = usize(m.lens.naber) + r;
        if (e >= v.size()) break;
        switch (bc.kind) {
            case 1:
                out.push_back("Edge space " + fmti(bc.surf) + "  Ray " + fmti(bc.ray) + " = " + f(v[e]));
                break;
            case 2:
                out.push_back("Surface height " + fmti(bc.surf) + "  Ray " + fmti(bc.ray) + " = " + f(v[e]));
                break;
            case clearedgekind:
                out.push_back("Edge space " + fmti(bc.surf) + "  at the clear radii = " + f(v[e]));
                break;
            case 3:
                out.push_back("Glass " + fmti(bc.ray) + " with refractive index " + f(sp.index[bc.ray][0])
                              + " and dispersion " + f(sp.disp[bc.ray]) + " line " + fmti(bc.surf));
                break;
            default: break;
        }
    }
    return out;
}

double meritstep(Model& m, MeritList& l, const MemoSink& memo) {
    for (int guard = 0; guard <= maxbcrows; ++guard) {
        if (!meritcalc(m, l, memo)) return 0;
        if (bcscan(m, l, memo) == 0) break;
    }
    if (m.calcerror) return 0;
    return meritsum(m, l, memo);
}

bool calcweights(Model& m) {
    if (aberlistsize(m) != m.lens.naber || m.lens.aberweight.size() < usize(m.lens.naber) || m.lens.naber < 9) {
        fail(m, abercountmsg);
        return false;
    }
    auto& w = m.lens.aberweight;
    const auto& rays = m.lens.rays;
    const bool tel = m.telescope();
    const bool three = abermode(m).three;
    const double na = m.lens.na > 0 ? m.lens.na : 1;   // no aperture: the weights stay finite
    const double Y0 = rays.y[0], Y1 = rays.y[1];
    const double hp = m.lens.mag != 0 && Y0 / m.lens.mag != 0 ? Y0 / m.lens.mag : 1;
    const double s1 = std::sqrt(m.lens.wloptweight[1]), s2 = std::sqrt(m.lens.wloptweight[2]);
    const auto ratio = [](double num, double den) {
        const double r = den != 0 ? num / den : 0;
        return r != 0 ? r : 1.0;
    };
    w[0] = tel ? 1000 : 1000 / na;
    if (tel) w[1] = 10;
    w[8] = 20 * m.lens.na;
    double c = 1, v = 0;
    size_t p = 9;
    for (int k = 1; k < m.lens.nrays; ++k) {
        const size_t u = usize(k);
        const int kind = rays.rl[u] % 10;
        const double yk = rays.y[u];
        if (kind == 2 || kind == 4) {
            const double r = ratio(yk - v, kind == 2 && !three ? Y0 : Y1);
            double w1 = (kind == 2 ? 40 : 20) / (c * r * r);
            if (!three) {
                if (tel) w1 *= kind == 2 ? 10 : 20;
                w[p] = w1;
                w[p + 1] = tel ? 4 * w1 : 4 * w1 / na;
                p += 2;
            } else {
                const double t = tel ? 10 : 1;
                w[p] = t * w1;
                w[p + 1] = t * s1 * w1;
                w[p + 2] = t * s2 * w1;
                p += 3;
            }
        } else if (kind == 3) {
            c += 1;
            w[p] = w[p + 1] = tel ? 50 / c : 50 * na / c;
            w[p + 2] = tel ? 5 : 25;
            p += 3;
            v = yk;
        } else if (kind == 5) {
            const double d = ratio(Y1, rays.x[u]);
            double w1 = 25 / c * d * d;
            if (!three) {
                if (tel) w1 *= 10;
                w[p] = w[p + 1] = w1;
                w[p + 2] = tel ? 4 * w1 / hp : 4 * w1 / na;
                p += 3;
            } else {
                const double t = tel ? 10 : 1;
                w[p] = w[p + 1] = t * w1;
                w[p + 2] = w[p + 3] = t * s1 * w1;
                w[p + 4] = w[p + 5] = t * s2 * w1;
                p += 6;
            }
        }
    }
    return true;
}

}  // namespace zefo
