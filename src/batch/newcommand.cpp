// zefo-batch new SPEC.json OUT: a lens built from a JSON description through the checks and
// the first computations of the New command.
#include <cmath>
#include <ostream>
#include <stdexcept>

#include "batch/batch.h"
#include "batch/json.h"
#include "batch/jsonread.h"
#include "core/edit/newsystem.h"
#include "core/edit/surfaceedit.h"
#include "core/model/glasscat.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo::batch {
namespace {

// A fault of the description itself (a key of the wrong kind); its text ends the command.
struct SpecError {
    std::string text;
};

const JsonValue* speckey(const JsonValue& o, const std::string& k) { return o.has(k) ? &o[k] : nullptr; }

double specnumber(const JsonValue& o, const std::string& k, double fallback) {
    const JsonValue* v = speckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::Number) throw SpecError{"\"" + k + "\" must be a number"};
    return v->number;
}

bool specflag(const JsonValue& o, const std::string& k, bool fallback) {
    const JsonValue* v = speckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::Bool) throw SpecError{"\"" + k + "\" must be true or false"};
    return v->boolean;
}

std::string spectext(const JsonValue& o, const std::string& k, const std::string& fallback) {
    const JsonValue* v = speckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::String) throw SpecError{"\"" + k + "\" must be a string"};
    return v->text;
}

const JsonValue& specarray(const JsonValue& o, const std::string& k) {
    const JsonValue* v = speckey(o, k);
    if (!v || v->kind != JsonValue::Array) throw SpecError{"\"" + k + "\" must be an array"};
    return *v;
}

// A number as the wizard's entry field would hold it.
std::string spectyped(double v) { return fmtreal(v); }

void speccheck(const EditResult& r) {
    if (!r.ok()) throw SpecError{r.message};
}

void speccommit(Model& m, const GlassLookup& lookup, int row, int col, const std::string& t, size_t surface) {
    const CellCommit c = commitsurfcell(m, lookup, row, col, t);
    if (!c.accepted) throw SpecError{"surface " + std::to_string(surface) + ": " + c.message};
}

bool needsaspherics(const JsonValue& surfaces) {
    for (const auto& s : surfaces.items) {
        const std::string label = spectext(s, "label", "S");
        if (label.find_first_of("EFAefa") != std::string::npos) return true;
    }
    return false;
}

void general(Model& m, const JsonValue& spec, const JsonValue& surfaces, const JsonValue& fields) {
    NewGeneral g;
    g.name = spectext(spec, "name", "");
    g.nsurf = std::to_string(surfaces.size());
    g.stop = std::to_string(static_cast<long long>(specnumber(spec, "stop", 0)));
    g.mag = spectyped(specnumber(spec, "mag", 0));
    g.na = spectyped(specnumber(spec, "na", 0));
    g.nfields = static_cast<int>(fields.size());
    g.aspherics = needsaspherics(surfaces);
    g.radii = specflag(spec, "radii", true);
    speccheck(newgeneral(m, g));
    if (m.lens.na != 0) return;
    const JsonValue* t = speckey(spec, "telescope");
    if (!t || t->kind != JsonValue::Object) throw SpecError{"A telescope needs its \"telescope\" object"};
    NewTelescope tel;
    const double eye = specnumber(*t, "eyedist", 0);
    const std::string type = spectext(*t, "type", eye != 0 ? "Galilean" : "Kepler");
    tel.type = type == "Kepler" ? 4 : type == "Galilean" ? 6 : 0;
    const double objdist = specnumber(*t, "objdist", 0);
    tel.objinf = objdist == 0 ? 'D' : 'N';
    tel.objdist = spectyped(objdist);
    tel.eph = spectyped(specnumber(*t, "eph", 0));
    tel.eyedist = spectyped(eye);
    speccheck(newtelescope(m, tel));
}

void fieldpage(Model& m, const JsonValue& spec, const JsonValue& fields) {
    if (fields.items.empty() || fields[0].kind != JsonValue::Number || fields[0].number != 0)
        throw SpecError{"The first field position is the axis: \"fields\" must start with 0"};
    NewFields f;
    for (size_t k = 1; k < fields.size() && k < 4; ++k) {
        if (fields[k].kind != JsonValue::Number) throw SpecError{"\"fields\" must hold numbers"};
        f.field[k] = spectyped(fields[k].number);
    }
    f.fullscheme = specflag(spec, "full_scheme", false);
    f.threewl = specflag(spec, "three_wavelengths", false);
    speccheck(newapply(m, f));
    if (const JsonValue* wl = speckey(spec, "wavelengths_nm")) {
        if (wl->kind != JsonValue::Array || wl->size() != 3)
            throw SpecError{"\"wavelengths_nm\" must hold three numbers"};
        for (size_t w = 0; w < 3; ++w) {
            if ((*wl)[w].kind != JsonValue::Number) throw SpecError{"\"wavelengths_nm\" must hold three numbers"};
            const WavelengthEntry e = otherwavelength(spectyped((*wl)[w].number));
            if (!e.message.empty()) throw SpecError{e.message};
            m.lens.wl[w] = e.mm;
        }
    }
}

void surfacerows(Model& m, const JsonValue& spec, const JsonValue& surfaces, GlassCatalog& cat) {
    const GlassLookup lookup = cataloglookup(cat);
    const bool radii = specflag(spec, "radii", true);
    for (size_t i = 0; i < surfaces.size(); ++i) {
        const JsonValue& s = surfaces[i];
        if (s.kind != JsonValue::Object) throw SpecError{"\"surfaces\" must hold objects"};
        const int k = static_cast<int>(i);
        const size_t n = i + 1;
        speccommit(m, lookup, k, scradius, spectyped(specnumber(s, radii ? "radius" : "curvature", 0)), n);
        const CellCommit label = commitsurfcell(m, lookup, k, sclabel, spectext(s, "label", "S"));
        if (!label.accepted) throw SpecError{"surface " + std::to_string(n) + ": " + label.message};
        if (label.request == CellCommit::conicdialog) {
            const double eps = specnumber(s, "conic", 0);
            if (eps == 0) throw SpecError{"surface " + std::to_string(n) + ": Conic constant must not be zero!"};
            m.lens.sys.asf.eps[i] = eps;
        } else if (label.request == CellCommit::asphericdialog) {
            auto& a = m.lens.sys.asf;
            a.a4[i] = specnumber(s, "a4", 0);
            a.a6[i] = specnumber(s, "a6", 0);
            a.a8[i] = specnumber(s, "a8", 0);
            a.a10[i] = specnumber(s, "a10", 0);
        }
        speccommit(m, lookup, k, scoptlabel, spectext(s, "optlabel", ""), n);
        speccommit(m, lookup, k, schmax, spectyped(specnumber(s, "hmax", 0)), n);
        const JsonValue* t = speckey(s, "thickness");
        if (t && t->kind == JsonValue::String && t->text == "paraxial" && i + 1 == surfaces.size()) {
            m.lens.sys.sp.sep[i + 1] = 0;   // the first-order data put the image plane
        } else {
            speccommit(m, lookup, k + 1, scsep, spectyped(specnumber(s, "thickness", 0)), n);
        }
        speccommit(m, lookup, k + 1, scglass, spectext(s, "glass", "air"), n);
    }
    const std::string e = surfacegriderror(m.lens);
    if (!e.empty()) throw SpecError{e};
}

std::string newcmd(Context& c) {
    expectargs(c, 2);
    const auto source = readtextfile(c.args[0]);
    if (!source) return "Cannot read " + c.args[0];
    JsonValue spec;
    try {
        spec = parsejson(*source);
    } catch (const std::runtime_error& e) {
        return c.args[0] + ": " + e.what();
    }
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    Model& m = c.m;
    try {
        if (spec.kind != JsonValue::Object) throw SpecError{"The description must be one JSON object"};
        const JsonValue& surfaces = specarray(spec, "surfaces");
        const JsonValue& fields = specarray(spec, "fields");
        newsystemstart(m);
        general(m, spec, surfaces, fields);
        fieldpage(m, spec, fields);
        newsystemdefaults(m);
        surfacerows(m, spec, surfaces, cat);
    } catch (const SpecError& e) {
        return e.text;
    }
    acceptsurfaces(m);
    if (auto e = newsystemfinish(m, c.args[1]); !e.empty()) return e;
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.key("file");
        w.string(c.args[1]);
        w.field("efl", m.lens.efl);
        w.field("image_distance", m.lens.sys.sp.sep[m.lens.nsurf]);
        w.endobject();
        *c.out << w.text() << "\n";
    } else {
        *c.out << c.args[1] << "\n";
    }
    return {};
}

}  // namespace

std::vector<CommandEntry> newcommands() {
    return {{"new", "SPEC.json OUT.dat",
             "build a new lens from a JSON description with the checks of the New command", newcmd}};
}

}  // namespace zefo::batch
