#include "core/edit/lensdesc.h"

#include <algorithm>

#include "core/edit/generaledit.h"
#include "core/edit/newsystem.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

// A refused value of the description; its text ends the build.
struct DescRefusal {
    std::string text;
};

// A number as the wizard's entry field would hold it.
std::string typedtext(double v) { return fmtreal(v); }

void pagecheck(const EditResult& r) {
    if (!r.ok()) throw DescRefusal{r.message};
}

CellCommit gridcommit(Model& m, const GlassLookup& lookup, int row, int col, const std::string& t, size_t surface) {
    const CellCommit c = commitsurfcell(m, lookup, row, col, t);
    if (!c.accepted) throw DescRefusal{"surface " + std::to_string(surface) + ": " + c.message};
    return c;
}

bool hasshape(const std::string& label, const char* letters) {
    return label.find_first_of(letters) != std::string::npos;
}

void generalpage(Model& m, const LensDesc& d) {
    NewGeneral g;
    g.name = d.name;
    g.nsurf = std::to_string(d.surfaces.size());
    g.stop = std::to_string(d.stop);
    g.mag = typedtext(d.mag);
    g.na = typedtext(d.na);
    g.nfields = static_cast<int>(d.fields.size());
    g.aspherics = std::any_of(d.surfaces.begin(), d.surfaces.end(),
                              [](const SurfaceDesc& s) { return hasshape(s.label, "EFAefa"); });
    g.radii = d.radii;
    pagecheck(newgeneral(m, g));
    if (m.lens.na != 0) return;
    if (!d.telescope) throw DescRefusal{"A telescope needs its entrance pupil and object distance"};
    const TelescopeDesc& t = *d.telescope;
    NewTelescope tel;
    tel.type = t.type;
    tel.objinf = t.objdist == 0 ? 'D' : 'N';
    tel.objdist = typedtext(t.objdist);
    tel.eph = typedtext(t.eph);
    tel.eyedist = typedtext(t.eyedist);
    pagecheck(newtelescope(m, tel));
}

void fieldpage(Model& m, const LensDesc& d) {
    if (d.fields.empty() || d.fields[0] != 0)
        throw DescRefusal{"The first field position is the axis: the fields must start with 0"};
    NewFields f;
    for (size_t k = 1; k < d.fields.size() && k < 4; ++k) f.field[k] = typedtext(d.fields[k]);
    f.fullscheme = d.fullscheme;
    f.threewl = d.threewl;
    pagecheck(newapply(m, f));
    if (!d.wavelengthsnm) return;
    for (size_t w = 0; w < 3; ++w) {
        const WavelengthEntry e = otherwavelength(typedtext((*d.wavelengthsnm)[w]));
        if (!e.message.empty()) throw DescRefusal{e.message};
        m.lens.wl[w] = e.mm;
    }
}

// The shape letters of a label without its mirror letter.
std::string shapelabel(const std::string& label) {
    std::string s;
    for (char c : label)
        if (c != 'M' && c != 'm') s += c;
    return s.empty() ? "S" : s;
}

void surfacerow(Model& m, const GlassLookup& lookup, const LensDesc& d, size_t i) {
    const SurfaceDesc& s = d.surfaces[i];
    const int k = static_cast<int>(i);
    const size_t n = i + 1;
    gridcommit(m, lookup, k, scradius, typedtext(d.radii ? s.radius : s.curvature), n);
    const CellCommit label = gridcommit(m, lookup, k, sclabel, shapelabel(s.label), n);
    auto& a = m.lens.sys.asf;
    if (label.request == CellCommit::conicdialog) {
        if (s.conic == 0) throw DescRefusal{"surface " + std::to_string(n) + ": Conic constant must not be zero!"};
        a.eps[i] = s.conic;
    } else if (label.request == CellCommit::asphericdialog) {
        a.eps[i] = s.conic;
        a.a4[i] = s.a4;
        a.a6[i] = s.a6;
        a.a8[i] = s.a8;
        a.a10[i] = s.a10;
    }
    gridcommit(m, lookup, k, scoptlabel, s.optlabel, n);
    gridcommit(m, lookup, k, schmax, typedtext(s.hmax), n);
    if (s.paraxialimage && n == d.surfaces.size())
        m.lens.sys.sp.sep[i + 1] = 0;   // the first-order data put the image plane
    else
        gridcommit(m, lookup, k + 1, scsep, typedtext(s.sepafter), n);
    gridcommit(m, lookup, k + 1, scglass, s.glass, n);
}

// Each mirror turns the sign of the media behind it, up to the next mirror.
void mirrorsigns(Model& m, const LensDesc& d) {
    auto& sp = m.lens.sys.sp;
    double sign = 1;
    for (size_t i = 0; i < d.surfaces.size(); ++i) {
        if (ismirror(d.surfaces[i].label)) {
            sign = -sign;
            sp.surflabel[i] += "M";
        }
        for (double& n : sp.index[i + 1]) n *= sign;
        sp.disp[i + 1] *= sign;
    }
}

}  // namespace

std::string buildlens(Model& m, const LensDesc& d, const GlassLookup& lookup) {
    try {
        newsystemstart(m);
        generalpage(m, d);
        fieldpage(m, d);
        newsystemdefaults(m);
        for (size_t i = 0; i < d.surfaces.size(); ++i) surfacerow(m, lookup, d, i);
    } catch (const DescRefusal& e) {
        return e.text;
    }
    mirrorsigns(m, d);
    if (const std::string e = surfacegriderror(m.lens); !e.empty()) return e;
    acceptsurfaces(m);
    return "";
}

}  // namespace zefo
