// zefo-batch new LENS.json OUT: a lens built from a JSON description through the checks and
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
struct DescError {
    std::string text;
};

const JsonValue* desckey(const JsonValue& o, const std::string& k) { return o.has(k) ? &o[k] : nullptr; }

double descnumber(const JsonValue& o, const std::string& k, double fallback) {
    const JsonValue* v = desckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::Number) throw DescError{"\"" + k + "\" must be a number"};
    return v->number;
}

bool descflag(const JsonValue& o, const std::string& k, bool fallback) {
    const JsonValue* v = desckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::Bool) throw DescError{"\"" + k + "\" must be true or false"};
    return v->boolean;
}

std::string desctext(const JsonValue& o, const std::string& k, const std::string& fallback) {
    const JsonValue* v = desckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::String) throw DescError{"\"" + k + "\" must be a string"};
    return v->text;
}

const JsonValue& descarray(const JsonValue& o, const std::string& k) {
    const JsonValue* v = desckey(o, k);
    if (!v || v->kind != JsonValue::Array) throw DescError{"\"" + k + "\" must be an array"};
    return *v;
}

// A number as the wizard's entry field would hold it.
std::string desctyped(double v) { return fmtreal(v); }

void speccheck(const EditResult& r) {
    if (!r.ok()) throw DescError{r.message};
}

void speccommit(Model& m, const GlassLookup& lookup, int row, int col, const std::string& t, size_t surface) {
    const CellCommit c = commitsurfcell(m, lookup, row, col, t);
    if (!c.accepted) throw DescError{"surface " + std::to_string(surface) + ": " + c.message};
}

bool needsaspherics(const JsonValue& surfaces) {
    for (const auto& s : surfaces.items) {
        const std::string label = desctext(s, "label", "S");
        if (label.find_first_of("EFAefa") != std::string::npos) return true;
    }
    return false;
}

void general(Model& m, const JsonValue& desc, const JsonValue& surfaces, const JsonValue& fields) {
    NewGeneral g;
    g.name = desctext(desc, "name", "");
    g.nsurf = std::to_string(surfaces.size());
    g.stop = std::to_string(static_cast<long long>(descnumber(desc, "stop", 0)));
    g.mag = desctyped(descnumber(desc, "mag", 0));
    g.na = desctyped(descnumber(desc, "na", 0));
    g.nfields = static_cast<int>(fields.size());
    g.aspherics = needsaspherics(surfaces);
    g.radii = descflag(desc, "radii", true);
    speccheck(newgeneral(m, g));
    if (m.lens.na != 0) return;
    const JsonValue* t = desckey(desc, "telescope");
    if (!t || t->kind != JsonValue::Object) throw DescError{"A telescope needs its \"telescope\" object"};
    NewTelescope tel;
    const double eye = descnumber(*t, "eyedist", 0);
    const std::string type = desctext(*t, "type", eye != 0 ? "Galilean" : "Kepler");
    tel.type = type == "Kepler" ? 4 : type == "Galilean" ? 6 : 0;
    const double objdist = descnumber(*t, "objdist", 0);
    tel.objinf = objdist == 0 ? 'D' : 'N';
    tel.objdist = desctyped(objdist);
    tel.eph = desctyped(descnumber(*t, "eph", 0));
    tel.eyedist = desctyped(eye);
    speccheck(newtelescope(m, tel));
}

void fieldpage(Model& m, const JsonValue& desc, const JsonValue& fields) {
    if (fields.items.empty() || fields[0].kind != JsonValue::Number || fields[0].number != 0)
        throw DescError{"The first field position is the axis: \"fields\" must start with 0"};
    NewFields f;
    for (size_t k = 1; k < fields.size() && k < 4; ++k) {
        if (fields[k].kind != JsonValue::Number) throw DescError{"\"fields\" must hold numbers"};
        f.field[k] = desctyped(fields[k].number);
    }
    f.fullscheme = descflag(desc, "full_scheme", false);
    f.threewl = descflag(desc, "three_wavelengths", false);
    speccheck(newapply(m, f));
    if (const JsonValue* wl = desckey(desc, "wavelengths_nm")) {
        if (wl->kind != JsonValue::Array || wl->size() != 3)
            throw DescError{"\"wavelengths_nm\" must hold three numbers"};
        for (size_t w = 0; w < 3; ++w) {
            if ((*wl)[w].kind != JsonValue::Number) throw DescError{"\"wavelengths_nm\" must hold three numbers"};
            const WavelengthEntry e = otherwavelength(desctyped((*wl)[w].number));
            if (!e.message.empty()) throw DescError{e.message};
            m.lens.wl[w] = e.mm;
        }
    }
}

void surfacerows(Model& m, const JsonValue& desc, const JsonValue& surfaces, GlassCatalog& cat) {
    const GlassLookup lookup = cataloglookup(cat);
    const bool radii = descflag(desc, "radii", true);
    for (size_t i = 0; i < surfaces.size(); ++i) {
        const JsonValue& s = surfaces[i];
        if (s.kind != JsonValue::Object) throw DescError{"\"surfaces\" must hold objects"};
        const int k = static_cast<int>(i);
        const size_t n = i + 1;
        speccommit(m, lookup, k, scradius, desctyped(descnumber(s, radii ? "radius" : "curvature", 0)), n);
        const CellCommit label = commitsurfcell(m, lookup, k, sclabel, desctext(s, "label", "S"));
        if (!label.accepted) throw DescError{"surface " + std::to_string(n) + ": " + label.message};
        if (label.request == CellCommit::conicdialog) {
            const double eps = descnumber(s, "conic", 0);
            if (eps == 0) throw DescError{"surface " + std::to_string(n) + ": Conic constant must not be zero!"};
            m.lens.sys.asf.eps[i] = eps;
        } else if (label.request == CellCommit::asphericdialog) {
            auto& a = m.lens.sys.asf;
            a.a4[i] = descnumber(s, "a4", 0);
            a.a6[i] = descnumber(s, "a6", 0);
            a.a8[i] = descnumber(s, "a8", 0);
            a.a10[i] = descnumber(s, "a10", 0);
        }
        speccommit(m, lookup, k, scoptlabel, desctext(s, "optlabel", ""), n);
        speccommit(m, lookup, k, schmax, desctyped(descnumber(s, "hmax", 0)), n);
        const JsonValue* t = desckey(s, "thickness");
        if (t && t->kind == JsonValue::String && t->text == "paraxial" && i + 1 == surfaces.size()) {
            m.lens.sys.sp.sep[i + 1] = 0;   // the first-order data put the image plane
        } else {
            speccommit(m, lookup, k + 1, scsep, desctyped(descnumber(s, "thickness", 0)), n);
        }
        speccommit(m, lookup, k + 1, scglass, desctext(s, "glass", "air"), n);
    }
    const std::string e = surfacegriderror(m.lens);
    if (!e.empty()) throw DescError{e};
}

std::string newcmd(Context& c) {
    expectargs(c, 2);
    const auto source = readtextfile(c.args[0]);
    if (!source) return "Cannot read " + c.args[0];
    JsonValue desc;
    try {
        desc = parsejson(*source);
    } catch (const std::runtime_error& e) {
        return c.args[0] + ": " + e.what();
    }
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    Model& m = c.m;
    try {
        if (desc.kind != JsonValue::Object) throw DescError{"The description must be one JSON object"};
        const JsonValue& surfaces = descarray(desc, "surfaces");
        const JsonValue& fields = descarray(desc, "fields");
        newsystemstart(m);
        general(m, desc, surfaces, fields);
        fieldpage(m, desc, fields);
        newsystemdefaults(m);
        surfacerows(m, desc, surfaces, cat);
    } catch (const DescError& e) {
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
    return {{"new", "LENS.json OUT.dat",
             "build a new lens from a JSON description with the checks of the New command", newcmd}};
}

}  // namespace zefo::batch
