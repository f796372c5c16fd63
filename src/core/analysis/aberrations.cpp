#include "core/analysis/aberrations.h"

#include <cmath>
#include <string>
#include <string_view>

#include "core/analysis/systemreport.h"
#include "core/report/report.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// Entry names, 21 characters each.
constexpr std::string_view kParaxNames[9] = {
    "Paraxial ray angle   ", "Paraxial ray height  ", "Principal ray height ",
    "Principal ray angle  ", "Object-image distance", "Glass thickness      ",
    "Optical system lenght", "F-L surface thickness", "Defocus              "};
constexpr std::string_view kSpherical = "Spherical aberration ";
constexpr std::string_view kSagital = "Sagital focal        ";
constexpr std::string_view kTangencial = "Tangencial focal     ";
constexpr std::string_view kDistorsion = "Distorsion           ";
constexpr std::string_view kSkewX = "Skew image height x  ";
constexpr std::string_view kSkewY = "Skew image height y  ";
constexpr std::string_view kSkewAngleX3 = "Skew ray angle x     ";
constexpr std::string_view kSkewAngleY3 = "Skew ray angle y     ";
constexpr std::string_view kSkewAngleX1 = "Skew image angle x   ";
constexpr std::string_view kSkewAngleY1 = "Skew ray angle y     ";
constexpr std::string_view kOpd = "Optical path differ. ";
constexpr std::string_view kColorAxial = "Conrady color axial  ";
constexpr std::string_view kColorSkew = "Conrady color skew   ";

const char* const kHeadThreeObj =
    "    L        M      Dx[1]     Dy[1]    Dy[2]    Dy[3]    OPD[1]     OPD[2]     OPD[3]     Dist      Xm     Xs   ";
const char* const kHeadThreeTel =
    "    L        M      Dl[1]     Dm[1]    Dm[2]    Dm[3]    OPD[1]     OPD[2]     OPD[3]     Dist      Xm     Xs   ";
const char* const kHeadOneObj =
    "     L         M          X         Y          OPD     Colour      Dist      Xm        Xs     ";
const char* const kHeadOneTel =
    "    L         M          X          Dm         OPD     Colour      Dist      Xm        Xs   ";

// A number of the report lines: F(w.d) held in at most 10 characters.
std::string f10(double v, int w, int d) {
    return fmtf(v, w, d).substr(0, 10);
}

int entriesofkind(int kind, bool three) {
    switch (kind) {
        case 2: case 4: return three ? 3 : 2;
        case 3: return 3;
        case 5: return three ? 6 : 3;
        default: return 0;
    }
}

// Appends one entry; the arrays hold the whole list (sized before the pass).
void put(MeritList& l, int& p, std::string_view name, double v) {
    const size_t u = static_cast<size_t>(p++);
    if (l.name[u] != name) l.name[u].assign(name);
    l.value[u] = v;
}

// References at the start of a pass: the axial image point and the axial optical paths.
void initrefs(Model& m) {
    const auto& sp = m.lens.sys.sp;
    m.trace.refimage = RayPoint{};
    m.trace.opd = Index3{0, 0, 0};
    for (int w = 0; w < 3; ++w) {
        double s = 0;
        for (int j = 1; j <= m.lens.nsurf; ++j) {
            const size_t u = static_cast<size_t>(j);
            const double v = sp.index[u][static_cast<size_t>(w)] * sp.sep[u];
            s += sp.index[u - 1][1] < 0 ? v : std::fabs(v);
        }
        m.trace.oplref[static_cast<size_t>(w)] = s;
    }
    double c = 0;
    for (int j = 1; j <= m.lens.nsurf; ++j) {
        const size_t u = static_cast<size_t>(j);
        const double v = sp.disp[u] * sp.sep[u];
        c += sp.index[u - 1][1] < 0 ? std::fabs(v) : v;
    }
    m.trace.conradyref = c;
}

void paraxentries(const Model& m, MeritList& l, int& p) {
    const auto& sp = m.lens.sys.sp;
    const size_t ns = static_cast<size_t>(m.lens.nsurf);
    double sum = 0, glass = 0;
    for (size_t j = 1; j <= ns; ++j) {
        sum += sp.sep[j];
        if (!isair(sp.glass[j])) glass += sp.sep[j];
    }
    const double m0 = m.lens.rays.m[0];
    const double throwv = m0 != 0 ? sp.sep[0] + m.lens.rays.y[0] / m0 + sum - m.targthrow : 0;
    put(l, p, kParaxNames[0], m.first.pxslope * sp.index[ns][1] + m.lens.na);
    put(l, p, kParaxNames[1], m.first.pxheight - m.targheight);
    put(l, p, kParaxNames[2], 0);
    put(l, p, kParaxNames[3], 0);
    put(l, p, kParaxNames[4], throwv);
    put(l, p, kParaxNames[5], glass - m.lens.targdst);
    put(l, p, kParaxNames[6], sum - m.lens.targdsistot);
    put(l, p, kParaxNames[7], sum - sp.sep[ns] - m.lens.targdopsis);
    put(l, p, kParaxNames[8], m.lens.defocus);
}

void tablehead(const Model& m, const AberMode& md, AberTable& t) {
    const auto& sp = m.lens.sys.sp;
    const size_t ns = static_cast<size_t>(m.lens.nsurf);
    t.mode = md;
    t.pupils = m.lens.raytype == 20 || m.lens.raytype == 10;
    t.lbar = m.lens.lbar;
    t.lbarp = m.lens.lbarp;
    t.up = m.first.pxslope;
    t.mag = m.lens.mag;
    if (!m.telescope()) {
        const double den = sp.index[ns][1] * m.first.pxslope;
        t.mag = den != 0 ? sp.index[0][1] * m.lens.rays.m[0] / den : 0;
    }
    t.rows.clear();
}

bool hasfresnel(const Model& m) {
    for (int i = 0; i < m.lens.nsurf; ++i)
        if (m.lens.sys.sp.surflabel[static_cast<size_t>(i)].find('F') != std::string::npos) return true;
    return false;
}

// Distortion of chief ray k from its image state: percent, or the fraction for the merit
// function. False when the paraxial chief ray gives no reference.
bool distortion(Model& m, int k, const RayPoint& chief, bool telescope, bool fraction,
                double& dist) {
    double ypar = 0, upar = 0;
    paraxchief(m, k, telescope, ypar, upar);
    double q;
    if (!telescope) {
        if (ypar == 0) return false;
        q = chief.Y / ypar - 1;
    } else {
        if (upar == 0 || ypar == 0 || std::fabs(chief.M) > 1) return false;
        q = std::asin(chief.M) / upar - 1;
    }
    dist = fraction ? q : q * 100;
    return std::isfinite(dist);
}

// Local tangential and sagittal curvatures of surface i at the chief ray's height.
void localcurv(const Model& m, int i, double Y, double& ct, double& cs) {
    const size_t u = static_cast<size_t>(i);
    const double c = m.lens.sys.sp.curv[u];
    ct = cs = c;
    const std::string& lab = m.lens.sys.sp.surflabel[u];
    const bool conic = lab.find('E') != std::string::npos;
    if (!conic && lab.find('A') == std::string::npos) return;
    if (m.lens.asphdata != 'D') return;
    const auto& a = m.lens.sys.asf;
    const double h2 = Y * Y;
    double P1 = 0, P2 = 0;
    if (!conic) {
        P1 = 4 * a.a4[u] * h2 + 6 * a.a6[u] * h2 * h2 + 8 * a.a8[u] * h2 * h2 * h2
             + 10 * a.a10[u] * h2 * h2 * h2 * h2;
        P2 = 12 * a.a4[u] * h2 + 30 * a.a6[u] * h2 * h2 + 56 * a.a8[u] * h2 * h2 * h2
             + 90 * a.a10[u] * h2 * h2 * h2 * h2;
    }
    const double q = 1 - (a.eps[u] + 1) * h2 * c * c;
    const double sq = std::sqrt(q);
    const double w = (sq * P1 + c) * Y;
    const double Q = w * w + q;
    ct = (q * sq * P2 + c) / (Q * std::sqrt(Q));
    cs = (sq * P1 + c) / std::sqrt(Q);
}

// Differential rays along the chief ray from the records of its statistics trace.
bool coddington(Model& m, int k, const RayPoint& chief, bool telescope, double& Xm, double& Xs) {
    const double mk = m.lens.rays.m[static_cast<size_t>(k)];
    if (1 - mk * mk < 0) return false;
    double cU = std::sqrt(1 - mk * mk);
    double Yt = m.lens.rays.y[0], Ys = Yt;
    double Ut = m.lens.rays.m[0] * cU * cU, Us = m.lens.rays.m[0] * cU;
    for (int i = 0; i < m.lens.nsurf; ++i) {
        const size_t u = static_cast<size_t>(i);
        const double D = m.trace.statpath[u], cI = m.trace.statcosi[u];
        if (cI == 0) return false;   // grazing incidence
        Yt = (D * Ut + Yt * cU) / cI;
        Ys = Ys + D * Us;
        double ct, cs;
        localcurv(m, i, m.trace.surfray[u].Y, ct, cs);
        const double mu = m.lens.mu[u][0];
        const double q = 1 - (1 - cI * cI) * mu * mu;
        if (q <= 0) return false;
        const double cIp = std::sqrt(q);
        const double g = cIp - mu * cI;
        Ut = (mu * cI * Ut - g * Yt * ct) / cIp;
        Us = mu * Us - g * Ys * cs;
        cU = cIp;
    }
    if (telescope) {
        Xm = Ut;
        Xs = Us;
    } else {
        if (Ut == 0 || Us == 0) return false;   // differential ray leaves parallel
        const double Dn = m.trace.statpath[static_cast<size_t>(m.lens.nsurf)];
        Xm = -chief.N * (Yt * cU / Ut + Dn);
        Xs = -chief.N * (Ys / Us + Dn);
    }
    return std::isfinite(Xm) && std::isfinite(Xs);
}

// Traces a neighbour of chief ray k at the first wavelength from (x, y) with direction
// tangents (tx, ty) to its end e; false when the trace fails (the failure is absorbed).
bool neighbour(Model& m, int k, double x, double y, double tx, double ty, RayPoint& e) {
    const double s = 1 / std::sqrt(tx * tx + ty * ty + 1);
    e = raytrace(m, Ray{x, y, tx * s, ty * s, s, k, 0}, 0, TraceOpts{}).end;
    return !m.calcerror;
}

bool finitedifferences(Model& m, int k, const RayPoint& r, bool telescope, double& Xm, double& Xs) {
    const size_t u = static_cast<size_t>(k);
    const double x = m.lens.rays.x[u], y = m.lens.rays.y[u], l = m.lens.rays.l[u], mm = m.lens.rays.m[u];
    const double n2 = 1 - l * l - mm * mm;
    if (n2 <= 0) return false;
    const double n = std::sqrt(n2);
    const double tx = l / n, ty = mm / n;
    const double y0 = m.lens.rays.y[0], m0 = m.lens.rays.m[0];
    RayPoint e;
    if (!neighbour(m, k, x, y + 0.001 * y0, tx, ty + 0.001 * m0, e)) return false;
    if (telescope) {
        if (std::fabs(e.M) > 1 || std::fabs(r.M) > 1) return false;
        Xm = (std::asin(e.M) - std::asin(r.M)) * 1000;
    } else {
        if (e.N == 0 || r.N == 0) return false;
        const double W = e.M / e.N - r.M / r.N;
        if (std::fabs(W) <= 1e-10) return false;   // neighbour leaves parallel
        Xm = (r.Y - e.Y) / W;
    }
    if (!neighbour(m, k, x + 0.001 * y0, y, tx + 0.001 * m0, ty, e)) return false;
    if (telescope) {
        if (std::fabs(e.L) > 1 || std::fabs(r.L) > 1) return false;
        Xs = (std::asin(e.L) - std::asin(r.L)) * 1000;
    } else {
        if (e.N == 0) return false;
        const double W = e.L / e.N - r.L / r.N;
        if (std::fabs(W) <= 1e-10) return false;
        Xs = (r.X - e.X) / W;
    }
    return std::isfinite(Xm) && std::isfinite(Xs);
}

// Distortion and focal distances of chief ray k (just traced at the first wavelength);
// a failure is absorbed and gives the marker in all three values.
void chiefvalues(Model& m, int k, const RayPoint& chief, bool telescope, bool statistics,
                 double& dist, double& Xm, double& Xs) {
    const size_t u = static_cast<size_t>(k);
    const bool codd = statistics && m.lens.rays.l[u] == 0 && m.lens.rays.x[u] == 0 && !hasfresnel(m);
    const bool ok = distortion(m, k, chief, telescope, statistics, dist)
                    && chieffoci(m, k, chief, telescope, codd, Xm, Xs);
    if (!ok || m.calcerror) {
        m.calcerror = false;
        m.errmsg.clear();
        dist = Xm = Xs = abermarker;
    }
}

struct PassState {
    MeritList& list;
    int p = 0;
    int fields = 0;
};

// One ray of the scheme traced for the pass, its merit conditions entered.
RayPoint passray(Model& m, int k, int kind, int w, const TraceOpts& opts, PassState& st) {
    const TracedRay t = schemeray(m, k, kind, w, opts);
    meritentries(m, st.list, t, k, kind, w);
    return t.end;
}

void threewl(Model& m, int k, int kind, const TraceOpts& opts, const AberMode& md,
             bool statistics, AberTable* table, PassState& st) {
    double ab[3] = {0, 0, 0};
    double opd[3] = {0, 0, 0};
    RayPoint first;
    double dist = 0, Xm = 0, Xs = 0;
    for (int w = 0; w < 3; ++w) {
        const RayPoint img = passray(m, k, kind, w, opts, st);
        if (m.calcerror) return;
        const RayPoint& ref = m.trace.refimage;
        if (w == 0) first = img;
        opd[w] = m.trace.opd[static_cast<size_t>(w)];
        switch (kind) {
            case 2: case 4:
                ab[w] = md.telescope ? img.M - ref.M : img.Y - ref.Y;
                put(st.list, st.p, kSpherical, ab[w]);
                break;
            case 3:
                if (w == 0) {
                    m.trace.refimage = img;
                    m.trace.oplref[0] = m.trace.opl[0];
                    chiefvalues(m, k, img, md.telescope, statistics, dist, Xm, Xs);
                    put(st.list, st.p, kSagital, Xs);
                    put(st.list, st.p, kTangencial, Xm);
                    put(st.list, st.p, kDistorsion, dist);
                    ++st.fields;
                } else {
                    m.trace.oplref[static_cast<size_t>(w)] = m.trace.opl[static_cast<size_t>(w)];
                    ab[w] = md.telescope ? img.M - ref.M : img.Y - ref.Y;
                }
                break;
            case 5: {
                const double xv = md.telescope ? img.L : img.X;
                ab[w] = md.telescope ? img.M - ref.M : img.Y - ref.Y;
                put(st.list, st.p, md.telescope ? kSkewAngleX3 : kSkewX, xv);
                put(st.list, st.p, md.telescope ? kSkewAngleY3 : kSkewY, ab[w]);
                break;
            }
            default: break;
        }
    }
    if (table) table->rows.push_back({kind, first, {ab[0], ab[1], ab[2]}, {opd[0], opd[1], opd[2]}, 0, dist, Xm, Xs});
}

void onewl(Model& m, int k, int kind, const TraceOpts& opts, const AberMode& md, bool mono,
           bool statistics, AberTable* table, PassState& st) {
    const RayPoint img = passray(m, k, kind, 0, opts, st);
    if (m.calcerror) return;
    const RayPoint& ref = m.trace.refimage;
    const double ab = md.telescope ? img.M - ref.M : img.Y - ref.Y;
    const double opd = m.trace.opd[0], colour = m.trace.conradydiff;
    switch (kind) {
        case 2: case 4:
            put(st.list, st.p, kSpherical, ab);
            put(st.list, st.p, mono ? kOpd : kColorAxial, mono ? opd : colour);
            if (table) table->rows.push_back({kind, img, {ab, 0, 0}, {opd, 0, 0}, colour, 0, 0, 0});
            break;
        case 3: {
            m.trace.refimage = img;
            m.trace.oplref[0] = m.trace.opl[0];
            m.trace.conradyref = m.trace.conrady;
            double dist = 0, Xm = 0, Xs = 0;
            chiefvalues(m, k, img, md.telescope, statistics, dist, Xm, Xs);
            put(st.list, st.p, kSagital, Xs);
            put(st.list, st.p, kTangencial, Xm);
            put(st.list, st.p, kDistorsion, dist);
            ++st.fields;
            if (table) table->rows.push_back({kind, img, {0, 0, 0}, {0, 0, 0}, 0, dist, Xm, Xs});
            break;
        }
        case 5:
            put(st.list, st.p, md.telescope ? kSkewAngleX1 : kSkewX, md.telescope ? img.L : img.X);
            put(st.list, st.p, md.telescope ? kSkewAngleY1 : kSkewY, ab);
            put(st.list, st.p, mono ? kOpd : kColorSkew, mono ? opd : colour);
            if (table) table->rows.push_back({kind, img, {ab, 0, 0}, {opd, 0, 0}, colour, 0, 0, 0});
            break;
        default: break;
    }
}

}  // namespace

AberMode abermode(const Model& m) {
    AberMode md;
    md.three = m.threewl() && !ismono(m.lens);
    md.telescope = md.three ? (m.lens.systype == 5 || m.lens.systype == 7) : (m.lens.systype == 4 || m.lens.systype == 6);
    return md;
}

int aberlistsize(const Model& m) {
    const bool three = abermode(m).three;
    int n = 9;
    for (int k = 1; k < m.lens.nrays; ++k) n += entriesofkind(m.lens.rays.rl[static_cast<size_t>(k)] % 10, three);
    return n;
}

void paraxchief(Model& m, int k, bool telescope, double& ypar, double& upar) {
    const double mk = m.lens.rays.m[static_cast<size_t>(k)];
    const double u0 = telescope ? std::asin(mk) : mk / std::sqrt(1 - mk * mk);
    double y = m.lens.sys.sp.sep[0] * u0 + m.lens.rays.y[static_cast<size_t>(k)];
    double u = u0;
    paraxtrace(m, y, u);
    ypar = y;
    upar = u;
}

bool chieffoci(Model& m, int k, const RayPoint& chief, bool telescope, bool codd, double& Xm,
               double& Xs) {
    return codd ? coddington(m, k, chief, telescope, Xm, Xs)
                : finitedifferences(m, k, chief, telescope, Xm, Xs);
}

void meritentries(const Model& m, MeritList& list, const TracedRay& t, int k, int kind, int w) {
    auto& v = list.value;
    if (t.chiefatstop && v.size() > 2) v[2] = m.trace.ypr - m.targypr;
    if (!t.imagestats) return;
    if (kind == 3 && v.size() > 3) v[3] = m.trace.mpr - m.targmpr;
    const auto& sp = m.lens.sys.sp;
    const int ns = m.lens.nsurf;
    const size_t nbc = list.bc.size();
    for (size_t r = 0; r < nbc; ++r) {
        const BcEntry& bc = list.bc[r];
        if ((bc.kind != 1 && bc.kind != 2) || bc.ray != k) continue;
        const int j = bc.surf;
        if (j > ns) continue;
        const double value = bc.kind == 1 ? sign(sp.index[j][0]) * m.trace.statpath[j] - bc.bclimit
                                          : std::fabs(m.trace.surfray[j].Y) - bc.bclimit;
        const size_t e = static_cast<size_t>(m.lens.naber > 0 ? m.lens.naber : 0) + r;
        if (e >= v.size()) continue;
        if (w == 0) {
            v[e] = value;
            if (e < list.name.size()) {
                const std::string_view name = bc.kind == 1 ? "Edge thickness dev.  " : "Clear radius deviat.";
                if (list.name[e] != name) list.name[e] = name;
            }
        } else if (value < v[e]) {
            v[e] = value;
        }
    }
}

void aberrations(Model& m, MeritList& list, bool statistics, AberTable* table) {
    const AberMode md = abermode(m);
    const bool mono = ismono(m.lens);
    const int len = aberlistsize(m);
    if (static_cast<int>(list.value.size()) < len) list.value.resize(static_cast<size_t>(len));
    if (static_cast<int>(list.name.size()) < len) list.name.resize(static_cast<size_t>(len));
    initrefs(m);
    PassState st{list};
    paraxentries(m, list, st.p);
    if (table) tablehead(m, md, *table);
    TraceOpts opts;
    if (statistics) {
        opts.statistics = true;
        clearstatistics(m.trace);
    } else {
        opts.pathB = true;
    }
    for (int k = 1; k < m.lens.nrays; ++k) {
        const int kind = m.lens.rays.rl[static_cast<size_t>(k)] % 10;
        if (md.three) threewl(m, k, kind, opts, md, statistics, table, st);
        else onewl(m, k, kind, opts, md, mono, statistics, table, st);
        if (m.calcerror) return;
    }
    m.lens.nfields = static_cast<uint8_t>(st.fields + 1);
    if (m.lens.field.size() < m.lens.nfields) m.lens.field.resize(m.lens.nfields);   // field values stay readable
    list.count = st.p;
}

void abertablelines(const AberTable& t, Report& r) {
    const bool tel = t.mode.telescope;
    if (t.pupils) r.addline("lbar = " + f10(t.lbar, 11, 5) + "    lbarp = " + f10(t.lbarp, 11, 5));
    r.addline("  up = " + f10(t.up, 10, 6) + "      mag = " + f10(t.mag + 0.0, 11, 6));
    r.addline(t.mode.three ? (tel ? kHeadThreeTel : kHeadThreeObj) : (tel ? kHeadOneTel : kHeadOneObj));
    for (const AberRow& w : t.rows) {
        const RayPoint& e = w.end;
        if (t.mode.three) {
            const std::string opds = f10(w.opd[0], 10, 6) + " " + f10(w.opd[1], 10, 6) + " " + f10(w.opd[2], 10, 6);
            const std::string abs3 = f10(w.ab[0], 8, 5) + " " + f10(w.ab[1], 8, 5) + " " + f10(w.ab[2], 8, 5);
            switch (w.kind) {
                case 2: case 4:
                    r.addline(std::string(10, ' ') + f10(e.M, 8, 5) + std::string(10, ' ') + abs3 + " " + opds);
                    break;
                case 3:
                    r.addline("Pr. ray   " + f10(e.M, 8, 5) + std::string(10, ' ') + f10(e.Y, 8, 5) + " "
                              + f10(w.ab[1], 8, 5) + " " + f10(w.ab[2], 8, 5) + std::string(34, ' ')
                              + f10(w.dist, 8, 5) + " " + f10(w.Xm, 7, 4) + " " + f10(w.Xs, 7, 4));
                    break;
                case 5:
                    r.addline(" " + f10(e.L, 8, 5) + " " + f10(e.M, 8, 5) + " " + f10(tel ? e.L : e.X, 8, 5) + " "
                              + abs3 + " " + opds);
                    break;
                default: break;
            }
            continue;
        }
        switch (w.kind) {
            case 2: case 4:
                r.addline(std::string(10, ' ') + f10(e.M, 10, 6) + std::string(11, ' ') + f10(w.ab[0], 10, 6)
                          + " " + f10(w.opd[0], 10, 6) + " " + f10(w.colour, 10, 7));
                break;
            case 3:
                r.addline("Pr. ray   " + f10(e.M, 10, 6) + std::string(11, ' ') + f10(e.Y, 10, 6)
                          + std::string(24, ' ') + f10(w.dist, 8, 5) + "  " + f10(w.Xm, 8, 5) + "  "
                          + f10(w.Xs, 8, 5));
                break;
            case 5:
                r.addline(f10(e.L, 10, 6) + f10(e.M, 10, 6) + f10(e.X, 10, 6) + " " + f10(w.ab[0], 10, 6) + " "
                          + f10(w.opd[0], 10, 6) + " " + f10(w.colour, 10, 7));
                break;
            default: break;
        }
    }
}

MeritList raytracereport(Model& m, const ReportHead& h, Report& r) {
    MeritList list;
    if (!systemreport(m, h, r, false)) return list;
    AberTable table;
    aberrations(m, list, false, &table);
    abertablelines(table, r);   // a failed pass: the rows before the failing ray
    applyclearradii(m.lens, m.trace);   // the command keeps the clear radii its traces set
    return list;
}

}  // namespace zefo
