#include "core/edit/generaledit.h"

#include <cmath>

#include "core/optim/merit.h"
#include "core/raytrace/rayscheme.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// Fields 1 .. n-1 from their typed texts, checked in order after field[0]; the index of the
// bad entry and its message, or the values.
struct FieldCheck {
    std::vector<double> values;
    int bad = -1;
    std::string message;
};
// The value of an entry: the stored one while its text is still the one shown (a rounded
// display must not replace the exact value), else the typed number.
std::optional<double> entryvalue(const std::string& typed, const std::string& shown, double stored) {
    if (trimblanks(typed) == trimblanks(shown)) return stored;
    return typedvalue(typed);
}

// The stored field values are shown with two decimals.
FieldCheck checkfields(const std::vector<double>& stored, int n, const std::array<std::string, 4>& typed) {
    FieldCheck c;
    c.values.assign(static_cast<size_t>(n), 0.0);
    c.values[0] = stored.empty() ? 0 : stored[0];
    for (int f = 1; f < n; ++f) {
        const size_t k = static_cast<size_t>(f);
        const double was = k < stored.size() ? stored[k] : 0;
        const auto v = entryvalue(typed[k], fmtf(was, 5, 2), was);
        c.bad = f;
        if (!v) c.message = notanumbermsg;
        else if (*v == 0) c.message = genmsg::zerofield;
        else if (c.values[static_cast<size_t>(f) - 1] > *v) c.message = genmsg::fieldorder;
        if (!c.message.empty()) return c;
        c.values[static_cast<size_t>(f)] = *v;
    }
    c.bad = -1;
    return c;
}

// Stores the field values, logs the changed ones and moves the chief rays of relative and
// standard schemes with them.
void storefields(Model& m, const std::vector<double>& values, EditResult& r) {
    static const char* const names[] = {"", "second", "third", "forth"};
    auto& l = m.lens;
    l.field.resize(values.size());
    for (size_t f = 1; f < values.size(); ++f) {
        if (values[f] == l.field[f]) continue;
        l.field[f] = values[f];
        r.log.push_back(std::string("New value for ") + names[f] + " field angle is " + fmtf(values[f], 5, 2));
        const int k = chiefrayindex(l.nrays, static_cast<int>(f));
        if ((l.raytype == 10 || l.raytype == 20) && k >= 0 && k < l.nrays)
            l.rays.yrel[static_cast<size_t>(k)] = values[f];
    }
}

// The merit function size follows the ray count and the chromatic mode.
void sizemerit(Model& m) {
    m.lens.naber = naberfor(m.lens.nrays, m.lens.threewl());
    allocsystem(m);
}

}  // namespace

EditResult refusal(int field, const std::string& msg) {
    EditResult r;
    r.badfield = field;
    r.message = msg;
    return r;
}

int chiefrayindex(int nrays, int f) {
    if (nrays == 6) return f == 1 ? 2 : -1;
    if (nrays == 17 || nrays == 24) return 7 * f - 4;
    if (nrays == 34) return 10 * f - 6;
    return -1;
}

GeneralDataInput generaldata(const Model& m) {
    const auto& l = m.lens;
    GeneralDataInput in;
    in.name = l.sysname;
    in.mag = fmtf(l.mag, 7, 3);
    in.stop = fmti(l.stopsurf, 2);
    in.aperture = fmtf(l.telescope() ? l.eph : l.na, 10, 5);
    in.defocus = fmtf(l.defocus, 6, 3);
    for (size_t f = 0; f < 4; ++f) in.field[f] = fmtf(f < l.field.size() && f < l.nfields ? l.field[f] : 0, 5, 2);
    in.threewl = l.threewl();
    in.raytype = l.raytype;
    in.radii = l.radiiflag == 'D';
    return in;
}

bool asksschemetype(const Model& m, const GeneralDataInput& in) {
    return m.lens.nfields == 4 && in.raytype != m.lens.raytype && in.raytype != 0;
}

EditResult applygeneraldata(Model& m, const GeneralDataInput& in) {
    auto& l = m.lens;
    // Every entry is checked before anything is stored.
    const std::string name = trimblanks(in.name);
    if (!sysnameerror(name).empty()) return refusal(geName, genmsg::badname);
    const GeneralDataInput shown = generaldata(m);   // an entry left as shown keeps its exact value
    const auto mag = entryvalue(in.mag, shown.mag, l.mag);
    if (!mag) return refusal(geMag, notanumbermsg);
    const auto stop = parseint(trimblanks(in.stop));
    if (!stop || *stop < 1 || *stop > l.nsurf) return refusal(geStop, genmsg::badstop);
    const auto aperture = entryvalue(in.aperture, shown.aperture, l.telescope() ? l.eph : l.na);
    if (!aperture) return refusal(geAperture, notanumbermsg);
    if (l.telescope() && *aperture <= 0) return refusal(geAperture, genmsg::badeph);
    if (!l.telescope() && (*aperture < 0 || *aperture > 1)) return refusal(geAperture, genmsg::badna);
    const auto defocus = entryvalue(in.defocus, shown.defocus, l.defocus);
    if (!defocus) return refusal(geDefocus, notanumbermsg);
    if (std::fabs(*defocus) > 2) return refusal(geDefocus, genmsg::baddefocus);
    const FieldCheck fields = checkfields(l.field, l.nfields, in.field);
    if (fields.bad >= 0) return refusal(geField + fields.bad, fields.message);

    EditResult r;
    bool recompute = false;
    if (name != l.sysname) {
        l.sysname = name;
        r.log.push_back("New name for optical system is " + name);
    }
    if (*mag != l.mag) {
        l.mag = *mag;
        recompute = true;
        r.log.push_back("New value for magnification is " + fmtf(l.mag, 7, 3));
    }
    if (*stop != l.stopsurf) {
        l.stopsurf = static_cast<int32_t>(*stop);
        recompute = true;
        r.log.push_back("New value for aperture stop position is " + std::to_string(l.stopsurf));
    }
    double& ap = l.telescope() ? l.eph : l.na;
    if (*aperture != ap) {
        ap = *aperture;
        recompute = true;
        r.log.push_back(l.telescope() ? "New valeu for eneterance pupil height is " + fmtf(ap, 10, 5)
                                      : "New value for numerical aperture is " + fmtf(ap, 10, 5));
    }
    if (*defocus != l.defocus) {
        l.defocus = *defocus;
        r.log.push_back("New value for defocus is " + fmtf(l.defocus, 6, 3));
    }
    const size_t before = r.log.size();
    storefields(m, fields.values, r);
    recompute = recompute || r.log.size() != before;

    bool rebuild = false;
    if (in.raytype != l.raytype) {
        l.raytype = in.raytype;
        recompute = true;
        rebuild = in.raytype != 0;
        r.log.push_back(in.raytype == 20   ? "New ray scheme type is standard rays"
                        : in.raytype == 10 ? "New ray scheme type is relative rays"
                                           : "New ray scheme type is normal rays");
    }
    if (in.threewl != l.threewl()) {
        l.systype = static_cast<uint8_t>(in.threewl ? l.systype + 1 : l.systype - 1);
        r.log.push_back(in.threewl ? "Chromatic calculation is exact 3 wavelengths"
                                   : "Chromatic calculation is Conrady");
        sizemerit(m);
        calcweights(m);
    }
    if (in.radii != (l.radiiflag == 'D')) {
        // The bounds follow the definition: radius bounds become curvature bounds and back.
        l.radiiflag = in.radii ? 'D' : 'N';
        for (auto* b : {&l.radmin, &l.radmax})
            for (double& v : *b) v = reciprocal(v);
        r.log.push_back(in.radii ? "New sfrecal surface definition are radii"
                                 : "New sfrecal surface definition are curvatures");
    }
    if (rebuild && (l.nfields != 4 || in.fullscheme)) {
        l.nrays = static_cast<uint8_t>(nraysfor(l.nfields, l.nfields != 4 || *in.fullscheme));
        sizemerit(m);
        initstdrays(m);
        rayscheme(m);
        calcweights(m);
    } else if (recompute) {
        rayscheme(m);
    }
    r.changed = !r.log.empty();
    return r;
}

EditResult changefieldcount(Model& m, int n, const std::array<std::string, 4>& field,
                            bool fullscheme) {
    auto& l = m.lens;
    if (n < 2 || n > 4) return refusal(0, genmsg::badfieldcount);
    const FieldCheck fields = checkfields(l.field, n, field);
    if (fields.bad >= 0) return refusal(fields.bad, fields.message);
    const int nrays = nraysfor(n, fullscheme);
    if (l.raytype != 10 && l.raytype != 20 && nrays != l.nrays) return refusal(0, genmsg::normalrays);

    EditResult r;
    if (n != l.nfields) r.log.push_back("New value for number of field is " + std::to_string(n));
    l.nfields = static_cast<uint8_t>(n);
    const bool newlayout = nrays != l.nrays || l.raytype == 20;
    l.nrays = static_cast<uint8_t>(nrays);
    sizemerit(m);
    storefields(m, fields.values, r);
    if (newlayout) initstdrays(m);
    rayscheme(m);
    calcweights(m);
    r.changed = true;
    return r;
}

double spectralline(int item) {
    static const double lines[] = {0.000365,  0.0004047, 0.0004358, 0.0004861, 0.0005461,
                                   0.0005876, 0.0006563, 0.0007065, 0.0008521, 0.001014};
    return item >= 0 && item < 10 ? lines[item] : 0;
}

WavelengthEntry otherwavelength(const std::string& nm) {
    WavelengthEntry e;
    const auto v = typedvalue(nm);
    if (!v) e.message = notanumbermsg;
    else if (*v < 350 || *v > 1500) e.message = genmsg::badwavelength;
    else e.mm = *v * 1e-6;
    return e;
}

EditResult changewavelengths(Model& m, const std::array<std::optional<double>, 3>& wl,
                             const GlassLookup& lookup) {
    auto& l = m.lens;
    Index3 newwl = l.wl;
    for (int w = 0; w < 3; ++w)
        if (wl[w]) newwl[w] = *wl[w];
    EditResult r;
    if (newwl == l.wl) return r;
    // Every glass is looked up before any row changes.
    auto& sp = l.sys.sp;
    std::vector<Index3> index = sp.index;
    std::vector<double> disp = sp.disp;
    for (int k = 0; k <= l.nsurf; ++k) {
        if (isair(sp.glass[k])) continue;
        // a model glass is what its indices say; its name is a rounded label
        const std::string name = trimblanks(sp.glass[k]);
        const auto model = ismodelglassname(name) ? modelglassfromindices(name, sp.index[k], l.wl) : std::nullopt;
        const GlassMatch g = model ? GlassMatch(model) : lookup(name);
        if (!g) return refusal(k, std::string(surfmsg::glassnotfound) + ": " + sp.glass[k]);
        const Index3 n = glassindices(g->a, newwl);
        const double sign = sp.index[k][0] < 0 ? -1 : 1;
        for (int w = 0; w < 3; ++w) index[k][w] = sign * n[w];
        disp[k] = sign * (n[2] - n[1]);
    }
    static const char* const names[] = {"middle", "upper", "lower"};
    for (int w = 0; w < 3; ++w)
        if (newwl[w] != l.wl[w])
            r.log.push_back(std::string("New value for ") + names[w] + " wavelength is " + fmtf(newwl[w], 9, 7));
    l.wl = newwl;
    sp.index = std::move(index);
    sp.disp = std::move(disp);
    m.mono = ismono(l);
    r.changed = true;
    return r;
}

}  // namespace zefo
