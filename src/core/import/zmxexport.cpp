#include "core/import/zmxexport.h"

#include <cmath>
#include <cstdio>

#include "core/import/zmximport.h"
#include "core/util/fileio.h"

namespace zefo {
namespace {

// A number that reads back as the same double; a number that is not finite is counted.
thread_local int zmxnonfinite = 0;
std::string exact(double v) {
    if (!std::isfinite(v)) ++zmxnonfinite;
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", v + 0.0);
    return b;
}

// The paraxial slope behind the lens of a ray of height y and slope u at surface 1, with the
// lens's indices at its main wavelength (mirror spaces negative).
double exitslope(const OpticalSystem& lens, double y, double u) {
    const auto& sp = lens.sys.sp;
    for (int k = 0; k < lens.nsurf; ++k) {
        const auto i = static_cast<size_t>(k);
        if (k > 0) y += sp.sep[i] * u;
        const double n = sp.index[i][0], n2 = sp.index[i + 1][0];
        u = (n * u - y * sp.curv[i] * (n2 - n)) / n2;
    }
    return u;
}

struct ZmxWriter {
    const OpticalSystem& lens;
    GlassCatalog& cat;
    ZmxExport out;

    void line(const std::string& s) { out.text += s + "\n"; }
    bool infinite() const { return lens.telescope() ? lens.objinf == 'D' : lens.mag == 0; }
    double objectdistance() const;
    void aperture();
    void fields();
    void wavelengths();
    std::string glass(int k);
    void surfaces();
};

void ZmxWriter::aperture() {
    const bool telescope = lens.telescope();
    if (telescope) {
        line("ENPD " + exact(2 * lens.eph));
        line("AFOC 1");
        if (!infinite()) out.notices.push_back("A telescope with a finite object: the importer takes afocal systems only from infinity");
    } else if (infinite()) {
        // the marginal ray of height ENPD/2 leaves at the slope na
        line("ENPD " + exact(2 * lens.na / std::fabs(exitslope(lens, 1, 0))));
    } else {
        // the unit-slope ray from the axial object point leaves at slope u: OBNA = na / |u|
        const double objdist = objectdistance();
        line("OBNA " + exact(lens.na / std::fabs(exitslope(lens, objdist, 1))));
    }
}

// The object's distance in front of surface 1: for a telescope its own, for an objective
// the distance at which the paraxial magnification is the lens's (the exit slope of a ray
// from the axial object point is linear in the distance).
double ZmxWriter::objectdistance() const {
    if (lens.telescope()) return lens.objdist;
    const double p = exitslope(lens, 1, 0), q = exitslope(lens, 0, 1);
    const double nimage = lens.sys.sp.index[static_cast<size_t>(lens.nsurf)][0];
    return (1 / (nimage * lens.mag) - q) / p;
}

void ZmxWriter::fields() {
    const bool angles = lens.telescope() || infinite();
    const int n = std::max<int>(1, lens.nfields);
    const int nw = lens.threewl() || lens.wl[1] != lens.wl[0] || lens.wl[2] != lens.wl[0] ? 3 : 1;
    line("FTYP " + std::string(angles ? "0" : "1") + " 0 " + std::to_string(n) + " " + std::to_string(nw) + " 0 0 0");
    std::string x = "XFLN", y = "YFLN";
    for (int f = 0; f < n; ++f) {
        x += " 0";
        y += " " + exact(static_cast<size_t>(f) < lens.field.size() ? lens.field[static_cast<size_t>(f)] : 0.0);
    }
    line(x);
    line(y);
}

void ZmxWriter::wavelengths() {
    // one-wavelength mode: the other two wavelengths only give the dispersion (weight 0)
    const bool one = !lens.threewl();
    const bool same = lens.wl[1] == lens.wl[0] && lens.wl[2] == lens.wl[0];
    for (size_t w = 0; w < (same && one ? 1u : 3u); ++w) {
        const double weight = one && w > 0 ? 0.0 : 1.0;
        line("WAVM " + std::to_string(w + 1) + " " + exact(lens.wl[w] * 1000) + " " + exact(weight));
    }
    line("PWAV 1");
}

// The index nd and Abbe number vd whose model glass has the lens's index n0 at its main
// wavelength and the dispersion n2 - n1 between its other two.
std::pair<double, double> equivalentglass(const Index3& wl, double n0, double disp) {
    if (disp == 0) return {n0, 0.0};
    double nd = n0, vd = (n0 - 1) / disp;
    for (int it = 0; it < 60; ++it) {
        const GlassRecord g = modelglass("", nd, vd);
        const Index3 n = glassindices(g.a, wl);
        const double e0 = n0 - n[0], d = n[2] - n[1];
        if (e0 == 0 && d == disp) break;
        nd += e0;
        if (d != 0) vd *= d / disp;
    }
    return {nd, vd};
}

// The GLAS line of the medium behind row k (empty for air).
std::string ZmxWriter::glass(int k) {
    const auto& sp = lens.sys.sp;
    const auto i = static_cast<size_t>(k);
    if (ismirror(sp.surflabel[i])) {
        if (sp.glass[i + 1] != sp.glass[i])
            out.notices.push_back("surface " + std::to_string(k + 1) + ": the mirror keeps the medium in front of it (" +
                                  (isair(sp.glass[i]) ? std::string("air") : sp.glass[i]) + ")");
        return "GLAS MIRROR 0 0 1.5 40 0 0 0 0 0 0";
    }
    if (isair(sp.glass[i + 1])) return "";
    std::string name;
    for (char c : sp.glass[i + 1])
        if (c != ' ') name += c;
    const Index3 n = {std::fabs(sp.index[i + 1][0]), std::fabs(sp.index[i + 1][1]), std::fabs(sp.index[i + 1][2])};
    if (auto g = cat.glassbyname(name)) {
        const Index3 c = glassindices(g->a, lens.wl);
        bool same = true;
        for (size_t w = 0; w < 3; ++w) same = same && std::fabs(c[w] - n[w]) <= 1e-12 * n[w];
        if (same) return "GLAS " + name + " 0 0 " + exact(g->nd) + " " + exact(g->vd) + " 0 0 0 0 0 0";
    }
    const auto [nd, vd] = equivalentglass(lens.wl, n[0], std::fabs(sp.disp[i + 1]));
    out.notices.push_back("surface " + std::to_string(k + 1) + ": glass " + name + " is written as a model glass (nd " +
                          exact(nd) + ", vd " + exact(vd) + ")");
    return "GLAS " + name + " 1 0 " + exact(nd) + " " + exact(vd) + " 0 0 0 0 0 0";
}

void ZmxWriter::surfaces() {
    const auto& sp = lens.sys.sp;
    const auto& a = lens.sys.asf;
    line("SURF 0");
    line("  TYPE STANDARD");
    line("  CURV 0");
    line(infinite() ? "  DISZ INFINITY" : "  DISZ " + exact(objectdistance()));
    for (int k = 0; k < lens.nsurf; ++k) {
        const auto i = static_cast<size_t>(k);
        const std::string& label = sp.surflabel[i];
        const bool shaped = lens.asphdata == 'D' && i < a.eps.size();
        const bool asph = shaped && label.find('A') != std::string::npos;
        const bool conic = shaped && (asph || label.find('E') != std::string::npos);
        if (label.find('F') != std::string::npos) {
            out.error = "surface " + std::to_string(k + 1) + ": a Fresnel surface cannot be written to a .zmx file";
            return;
        }
        line("SURF " + std::to_string(k + 1));
        if (k + 1 == lens.stopsurf) line("  STOP");
        line(asph ? "  TYPE EVENASPH" : "  TYPE STANDARD");
        line("  CURV " + exact(sp.curv[i]));
        if (conic && a.eps[i] != 0) line("  CONI " + exact(a.eps[i]));
        if (asph) {
            line("  PARM 1 0");
            const double terms[] = {a.a4[i], a.a6[i], a.a8[i], a.a10[i]};
            for (int p = 0; p < 4; ++p) line("  PARM " + std::to_string(p + 2) + " " + exact(terms[p]));
        }
        line("  DISZ " + exact(sp.sep[i + 1]));
        if (const std::string g = glass(k); !g.empty()) line("  " + g);
        line("  DIAM " + exact(sp.hmax[i]));
    }
    line("SURF " + std::to_string(lens.nsurf + 1));
    line("  TYPE STANDARD");
    line("  CURV 0");
    line("  DISZ 0");
}

}  // namespace

ZmxExport exportzmx(const OpticalSystem& lens, GlassCatalog& cat) {
    ZmxWriter w{lens, cat, {}};
    zmxnonfinite = 0;
    if (lens.nsurf < 1 || lens.sys.sp.curv.size() <= static_cast<size_t>(lens.nsurf)) {
        w.out.error = "The lens has no surfaces";
        return w.out;
    }
    w.line("VERS 1");
    w.line("MODE SEQ");
    w.line("NAME " + lens.sysname);
    w.line("UNIT MM X W X CM MR CPMM");
    w.aperture();
    w.fields();
    w.wavelengths();
    w.surfaces();
    if (!w.out.error.empty()) w.out.text.clear();
    if (w.out.error.empty() && zmxnonfinite > 0) {
        w.out.text.clear();
        w.out.error = "The lens gives a number that is not finite: it cannot be written to a .zmx file";
    }
    return w.out;
}

std::string savezmx(const std::string& path, const OpticalSystem& lens, GlassCatalog& cat,
                    std::vector<std::string>* notices) {
    const ZmxExport e = exportzmx(lens, cat);
    if (!e.error.empty()) return e.error;
    if (notices) *notices = e.notices;
    return writefileatomic(path, zmxutf16le(e.text));
}

}  // namespace zefo
