// The JSON lens description of `zefo-batch new` read into a LensDesc: every key checked for
// its kind, every number that becomes an integer checked for its range first. Header-only
// like the JSON reader, so that the tests run it in their own process.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "batch/jsonread.h"
#include "core/edit/lensdesc.h"

namespace zefo::batch {

// A fault of the description itself (a key of the wrong kind); its text ends the command.
struct DescError {
    std::string text;
};

inline const JsonValue* desckey(const JsonValue& o, const std::string& k) { return o.has(k) ? &o[k] : nullptr; }

inline double descnumber(const JsonValue& o, const std::string& k, double fallback) {
    const JsonValue* v = desckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::Number) throw DescError{"\"" + k + "\" must be a number"};
    return v->number;
}

// A number that becomes an integer: whole and within the range of one, checked before it
// is converted.
inline int descinteger(const JsonValue& o, const std::string& k, int fallback) {
    const double v = descnumber(o, k, fallback);
    if (v != std::trunc(v) || v < -2147483648.0 || v > 2147483647.0)
        throw DescError{"\"" + k + "\" must be a whole number"};
    return static_cast<int>(v);
}

inline bool descflag(const JsonValue& o, const std::string& k, bool fallback) {
    const JsonValue* v = desckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::Bool) throw DescError{"\"" + k + "\" must be true or false"};
    return v->boolean;
}

inline std::string desctext(const JsonValue& o, const std::string& k, const std::string& fallback) {
    const JsonValue* v = desckey(o, k);
    if (!v) return fallback;
    if (v->kind != JsonValue::String) throw DescError{"\"" + k + "\" must be a string"};
    return v->text;
}

inline const JsonValue& descarray(const JsonValue& o, const std::string& k) {
    const JsonValue* v = desckey(o, k);
    if (!v || v->kind != JsonValue::Array) throw DescError{"\"" + k + "\" must be an array"};
    return *v;
}

// The description's telescope object, needed when mag and na make a telescope.
inline std::optional<TelescopeDesc> telescope(const JsonValue& desc) {
    const JsonValue* t = desckey(desc, "telescope");
    if (!t) return std::nullopt;
    if (t->kind != JsonValue::Object) throw DescError{"A telescope needs its \"telescope\" object"};
    TelescopeDesc tel;
    tel.eyedist = descnumber(*t, "eyedist", 0);
    const std::string type = desctext(*t, "type", tel.eyedist != 0 ? "Galilean" : "Kepler");
    tel.type = type == "Kepler" ? 4 : type == "Galilean" ? 6 : 0;
    tel.objdist = descnumber(*t, "objdist", 0);
    tel.eph = descnumber(*t, "eph", 0);
    return tel;
}

inline std::vector<double> fieldlist(const JsonValue& fields) {
    if (fields.items.empty() || fields[0].kind != JsonValue::Number || fields[0].number != 0)
        throw DescError{"The first field position is the axis: \"fields\" must start with 0"};
    std::vector<double> v;
    for (const auto& f : fields.items) {
        if (f.kind != JsonValue::Number) throw DescError{"\"fields\" must hold numbers"};
        v.push_back(f.number);
    }
    return v;
}

inline SurfaceDesc surface(const JsonValue& s, bool radii, bool last) {
    if (s.kind != JsonValue::Object) throw DescError{"\"surfaces\" must hold objects"};
    SurfaceDesc d;
    d.radius = radii ? descnumber(s, "radius", 0) : 0;
    d.curvature = radii ? 0 : descnumber(s, "curvature", 0);
    d.label = desctext(s, "label", "S");
    d.optlabel = desctext(s, "optlabel", "");
    d.conic = descnumber(s, "conic", 0);
    d.a4 = descnumber(s, "a4", 0);
    d.a6 = descnumber(s, "a6", 0);
    d.a8 = descnumber(s, "a8", 0);
    d.a10 = descnumber(s, "a10", 0);
    d.hmax = descnumber(s, "hmax", 0);
    const JsonValue* t = desckey(s, "thickness");
    d.paraxialimage = last && t && t->kind == JsonValue::String && t->text == "paraxial";
    if (!d.paraxialimage) d.sepafter = descnumber(s, "thickness", 0);
    d.glass = desctext(s, "glass", "air");
    return d;
}

inline LensDesc lensdesc(const JsonValue& desc) {
    if (desc.kind != JsonValue::Object) throw DescError{"The description must be one JSON object"};
    const JsonValue& surfaces = descarray(desc, "surfaces");
    LensDesc d;
    d.name = desctext(desc, "name", "");
    d.stop = descinteger(desc, "stop", 0);
    d.mag = descnumber(desc, "mag", 0);
    d.na = descnumber(desc, "na", 0);
    d.telescope = telescope(desc);
    d.fields = fieldlist(descarray(desc, "fields"));
    d.fullscheme = descflag(desc, "full_scheme", false);
    d.threewl = descflag(desc, "three_wavelengths", false);
    if (const JsonValue* wl = desckey(desc, "wavelengths_nm")) {
        if (wl->kind != JsonValue::Array || wl->size() != 3)
            throw DescError{"\"wavelengths_nm\" must hold three numbers"};
        std::array<double, 3> nm{};
        for (size_t w = 0; w < 3; ++w) {
            if ((*wl)[w].kind != JsonValue::Number) throw DescError{"\"wavelengths_nm\" must hold three numbers"};
            nm[w] = (*wl)[w].number;
        }
        d.wavelengthsnm = nm;
    }
    d.radii = descflag(desc, "radii", true);
    for (size_t i = 0; i < surfaces.size(); ++i) d.surfaces.push_back(surface(surfaces[i], d.radii, i + 1 == surfaces.size()));
    return d;
}

// The description text read into d: the error text (the JSON fault with its place or the
// first key of a wrong kind), empty on success.
inline std::string readlensdesc(const std::string& text, LensDesc& d) {
    try {
        d = lensdesc(parsejson(text));
    } catch (const DescError& e) {
        return e.text;
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

}  // namespace zefo::batch
