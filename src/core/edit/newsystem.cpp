#include "core/edit/newsystem.h"

#include <algorithm>
#include <cmath>

#include "core/edit/rayedit.h"
#include "core/model/lensfile.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

std::string withoutblanks(const std::string& s) {
    std::string t;
    for (char c : s)
        if (c != ' ') t += c;
    return t;
}

bool allzero(const std::vector<double>& v, size_t n) {
    return std::all_of(v.begin(), v.begin() + static_cast<long>(std::min(n, v.size())),
                       [](double x) { return x == 0; });
}

}  // namespace

void newsystemstart(Model& m) {
    auto& l = m.lens;
    l.sysname.clear();
    l.nsurf = l.stopsurf = 0;
    l.mag = l.na = l.objdist = l.eph = 0;
    m.eyedist = 0;
    l.field.assign(4, 0.0);
    l.systype = 0;
    l.objinf = 0;
}

EditResult newgeneral(Model& m, const NewGeneral& in) {
    const std::string name = withoutblanks(in.name).empty() ? "" : in.name;
    if (name.empty()) return refusal(ngName, newmsg::noname);
    if (!sysnameerror(name).empty()) return refusal(ngName, genmsg::badname);
    const auto nsurf = parseint(withoutblanks(in.nsurf));
    if (!nsurf || *nsurf <= 0) return refusal(ngSurfaces, newmsg::nosurfaces);
    if (*nsurf > maxsurf) return refusal(ngSurfaces, newmsg::toomanysurfaces);
    const auto stop = parseint(withoutblanks(in.stop));
    if (!stop || *stop < 1 || *stop > *nsurf) return refusal(ngStop, genmsg::badstop);
    const auto mag = typedvalue(in.mag);
    if (!mag) return refusal(ngMag, notanumbermsg);
    const auto na = typedvalue(in.na);
    if (!na) return refusal(ngNa, notanumbermsg);
    if (*na < 0 || *na > 1) return refusal(ngNa, genmsg::badna);
    if (*mag == 0 && *na == 0) return refusal(ngMag, newmsg::nomagnorna);
    if (in.nfields < 2 || in.nfields > 4) return refusal(ngFields, genmsg::badfieldcount);

    auto& l = m.lens;
    l.sysname = name;
    l.nsurf = static_cast<int32_t>(*nsurf);
    l.stopsurf = static_cast<int32_t>(*stop);
    l.mag = *mag;
    l.na = *na;
    if (l.na != 0) l.systype = 0;
    l.nfields = static_cast<uint8_t>(in.nfields);
    l.nrays = static_cast<uint8_t>(in.nfields == 4 ? 0 : nraysfor(in.nfields));
    l.naber = 0;
    l.asphdata = in.aspherics ? 'D' : 'N';
    l.asphflag = in.aspherics ? 1 : 0;
    l.wl = {0.0005876, 0.0006563, 0.0004861};
    l.radiiflag = in.radii ? 'D' : 'N';
    allocsystem(m);
    std::fill(l.field.begin(), l.field.end(), 0.0);
    EditResult r;
    r.changed = true;
    return r;
}

EditResult newtelescope(Model& m, const NewTelescope& in) {
    if (in.type != 4 && in.type != 6) return refusal(ntType, newmsg::notype);
    if (in.objinf != 'D' && in.objinf != 'N') return refusal(ntObjinf, newmsg::noobjpos);
    double objdist = 0;
    if (in.objinf == 'N') {
        const auto d = typedvalue(in.objdist);
        if (!d) return refusal(ntObjdist, notanumbermsg);
        if (*d <= 0) return refusal(ntObjdist, newmsg::badobjdist);
        objdist = *d;
    }
    const auto eph = typedvalue(in.eph);
    if (!eph) return refusal(ntEph, notanumbermsg);
    if (*eph <= 0) return refusal(ntEph, newmsg::badeph);
    double eye = 0;
    if (in.type == 6) {
        const auto e = typedvalue(in.eyedist);
        if (!e) return refusal(ntEye, notanumbermsg);
        if (*e == 0) return refusal(ntEye, newmsg::zeroeye);
        eye = *e;
    }
    auto& l = m.lens;
    l.systype = static_cast<uint8_t>(in.type);
    l.objinf = in.objinf;
    l.objdist = objdist;
    l.eph = *eph;
    m.eyedist = eye;
    EditResult r;
    r.changed = true;
    return r;
}

EditResult newapply(Model& m, const NewFields& in) {
    auto& l = m.lens;
    std::vector<double> values(l.nfields, 0.0);
    for (int f = 1; f < l.nfields; ++f) {
        const auto v = typedvalue(in.field[static_cast<size_t>(f)]);
        if (!v) return refusal(f, notanumbermsg);
        if (*v == 0) return refusal(f, genmsg::zerofield);
        if (values[static_cast<size_t>(f) - 1] > *v) return refusal(f, genmsg::fieldorder);
        values[static_cast<size_t>(f)] = *v;
    }
    l.field = values;
    l.nrays = static_cast<uint8_t>(nraysfor(l.nfields, in.fullscheme));
    l.systype = static_cast<uint8_t>((l.systype & ~1) | (in.threewl ? 1 : 0));
    l.naber = naberfor(l.nrays, l.threewl());
    l.dimweight = 10;
    l.raytype = in.raytype;
    allocsystem(m);
    if (l.raytype == 20) {
        initstdrays(m);
    } else {
        l.rays = RayScheme{};
        sizelens(l);
    }
    EditResult r;
    r.changed = true;
    return r;
}

std::string raygriderror(const OpticalSystem& lens, bool relative) {
    const auto& r = lens.rays;
    const size_t n = lens.nrays;
    if (std::any_of(r.rl.begin(), r.rl.begin() + static_cast<long>(std::min(n, r.rl.size())),
                    [](uint8_t x) { return x == 0; }))
        return newmsg::zerolabel;
    if (relative) return allzero(r.xrel, n) || allzero(r.yrel, n) ? newmsg::zerorel : "";
    for (const auto* v : {&r.x, &r.y, &r.l, &r.m})
        if (allzero(*v, n)) return newmsg::zeroabs;
    for (size_t k = 0; k < n; ++k) {
        const std::string e = directionerror(r.l[k], r.m[k]);
        if (!e.empty()) return e;
    }
    return "";
}

void newsystemdefaults(Model& m) {
    auto& l = m.lens;
    l.damptype = 0;
    l.drawscale = 1.0;
    l.dcurv = 1e-5;
    l.dsep = 0.001;
    l.dampfact = 0.05;
    l.dindex = 0.001;
    l.ddisp = 0.0001;
    l.reserved1 = 0;
    l.reserved2 = 10;
    l.reserved3 = 1.0;
    l.glassweight = 100;
    l.dlsiter = 0;
    l.nfreq = 50;
    l.defocus = 0;
    l.spotsize = 0.05;
    l.nrings = 7;
    l.dfreq = 2;
    l.ddefocus = 0.1;
    l.wlmtfweight = l.wloptweight = {1.0, 1.0, 1.0};
    l.up = -l.na;
    l.anglesurf = static_cast<uint8_t>(l.nsurf & 0xFF);
    l.tri = GlassTriangle{};
    auto& sp = l.sys.sp;
    for (int k = 0; k <= l.nsurf; ++k) {
        sp.surflabel[k] = "S";
        sp.optlabel[k].clear();
        sp.radius[k] = sp.curv[k] = sp.sep[k] = sp.hmax[k] = sp.disp[k] = 0;
        l.radmin[k] = l.radmax[k] = l.sepmin[k] = l.sepmax[k] = 0;
        sp.glass[k] = "air";
        sp.index[k] = {1.0, 1.0, 1.0};
    }
    auto& asf = l.sys.asf;
    for (auto* a : {&asf.a4, &asf.a6, &asf.a8, &asf.a10, &asf.eps}) std::fill(a->begin(), a->end(), 0.0);
}

std::string surfacegriderror(const OpticalSystem& lens) {
    const auto& sp = lens.sys.sp;
    const size_t n = static_cast<size_t>(lens.nsurf);
    const bool radii = lens.radiiflag == 'D';
    const bool single = n == 1;
    if (allzero(sp.curv, n))
        return single ? (radii ? "Radius must be different from zero!" : "Curvature must be different from zero!")
                      : (radii ? "Some radii must be different from zero!"
                               : "Some curvatures must be different from zero!");
    if (!single) {
        for (size_t k = 1; k < n; ++k)
            if (sp.sep[k] == 0) return "Each distance must be different from zero!";
        // a lens needs a glass; a system of mirrors in air needs none
        bool glass = false;
        for (size_t k = 1; k < n; ++k) glass = glass || !isair(sp.glass[k]);
        for (size_t k = 0; k < n; ++k) glass = glass || ismirror(sp.surflabel[k]);
        if (!glass) return "Some glasses must be different from air!";
    }
    for (size_t k = 0; k < n; ++k)
        if (sp.hmax[k] == 0)
            return single ? "Clear aperture must be different from zero!"
                          : "Clear apertures must be different from zero!";
    return "";
}

void acceptsurfaces(Model& m) {
    auto& l = m.lens;
    auto& sp = l.sys.sp;
    const int n = l.nsurf;
    l.targdopsis = l.targdst = 0;
    for (int k = 1; k < n; ++k) {
        l.targdopsis += sp.sep[k];
        if (!isair(sp.glass[k])) l.targdst += sp.sep[k];
    }
    const bool radii = l.radiiflag == 'D';
    for (int k = 0; k < n; ++k) {
        const double nominal = radii ? sp.radius[k] : sp.curv[k];
        if (l.radmin[k] == 0) l.radmin[k] = nominal;
        if (l.radmax[k] == 0) l.radmax[k] = nominal;
        if (l.sepmin[k] == 0) l.sepmin[k] = sp.sep[k];
        if (l.sepmax[k] == 0) l.sepmax[k] = sp.sep[k];
    }
    l.bcclear = 1.0;
    l.bcthin = 0.5;
    l.bcthick = 1.0;
    for (int k = 0; k <= n; ++k) {
        const double lim = sp.sep[k] > 2 ? l.bcthick : l.bcthin;
        l.axlim[k] = l.edgelim[k] = sp.index[k][0] < 0 ? -lim : lim;
    }
}

std::string newsystemcompute(Model& m) {
    auto& l = m.lens;
    auto& sp = l.sys.sp;
    const int n = l.nsurf;
    const double largest = *std::max_element(sp.hmax.begin(), sp.hmax.begin() + n);
    std::fill(l.clearlim.begin(), l.clearlim.begin() + n, 1.25 * largest);
    m.mono = ismono(l);
    preparetrace(l, m.trace);
    m.first = nudatparax(m);
    if (m.calcerror) return m.errmsg;
    l.targdsistot = l.targdopsis + sp.sep[n];
    if (l.raytype == 10 || l.raytype == 20) rayscheme(m);
    if (m.calcerror) return m.errmsg;
    l.clearlim[n] = 1.25 * sp.hmax[n];
    if (!calcweights(m)) return m.errmsg;
    return "";
}

std::string newsystemfinish(Model& m, const std::string& path) {
    if (std::string e = newsystemcompute(m); !e.empty()) return e;
    return savelensfile(path, m.lens);
}

}  // namespace zefo
