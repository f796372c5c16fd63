#include "core/import/zmximport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>
#include <locale>
#include <sstream>

#include "core/edit/newsystem.h"
#include "core/util/numfmt.h"

namespace zefo {
namespace {

// ---- bytes to text ----

void pututf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16 LE after its byte-order mark; nullopt when it is not well formed.
std::optional<std::string> fromutf16le(const std::string& b) {
    if (b.size() % 2 != 0) return std::nullopt;
    std::string out;
    out.reserve(b.size() / 2);
    auto unit = [&](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8));
    };
    for (size_t i = 2; i < b.size(); i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 3 >= b.size()) return std::nullopt;
            const uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        pututf8(out, c);
    }
    return out;
}

bool validutf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int follow = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (follow < 0 || (c >= 0xC0 && c < 0xC2) || c > 0xF4) return false;
        if (i + static_cast<size_t>(follow) >= s.size() && follow > 0) return false;
        for (int k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<size_t>(k)]) >> 6) != 0x2) return false;
        i += static_cast<size_t>(follow) + 1;
    }
    return true;
}

// ---- the reader ----

struct Refusal {
    std::string text;
};

[[noreturn]] void refuse(const std::string& text) { throw Refusal{text}; }

std::string shortnum(double v) {
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o.precision(10);
    o << v;
    return o.str();
}

std::string upperascii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> tokens(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> t;
    std::string w;
    while (in >> w) t.push_back(w);
    return t;
}

// Lengths, coefficients and angles beyond this are no lens data.
constexpr double zmxlimit = 1e15;

std::optional<double> number(const std::string& t) {
    if (t.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end != t.c_str() + t.size() || !std::isfinite(v) || std::fabs(v) > zmxlimit) return std::nullopt;
    return v;
}

struct ZSurface {
    int number = 0;
    std::string type = "STANDARD";
    double curv = 0;
    double disz = 0;
    bool infinite = false;
    std::vector<std::string> glas;   // the GLAS arguments
    double coni = 0;
    std::array<double, 9> parm{};    // PARM 1 .. 8 at index 1 .. 8
    double diam = 0;
    bool stop = false;
};

struct ZFile {
    std::string name;
    double scale = 1;   // mm per lens unit
    std::optional<double> enpd, fnum, obna;
    bool floa = false;
    int ftyp = 0;
    std::optional<int> nfields, nwaves;
    std::vector<double> xf, yf;
    bool olderfields = false;
    std::map<int, double> wavm;      // index (1-based) -> micrometres
    std::vector<double> wavl;
    int pwav = 1;
    std::vector<std::string> gcat;
    std::vector<ZSurface> surfaces;
    std::set<std::string> ignored;
};

std::string where(const ZFile& f) {
    return f.surfaces.empty() ? std::string() : "surface " + std::to_string(f.surfaces.back().number) + ": ";
}

double arg(const ZFile& f, const std::vector<std::string>& t, size_t i) {
    if (i >= t.size()) refuse(where(f) + t[0] + ": a number is missing");
    const auto v = number(t[i]);
    if (!v) refuse(where(f) + t[0] + ": \"" + t[i] + "\" is not a usable number");
    return *v;
}

std::vector<double> numbers(const ZFile& f, const std::vector<std::string>& t) {
    std::vector<double> v;
    for (size_t i = 1; i < t.size(); ++i) v.push_back(arg(f, t, i));
    return v;
}

bool anynonzero(const std::vector<std::string>& t) {
    for (size_t i = 1; i < t.size(); ++i) {
        const auto v = number(t[i]);
        if (!v || *v != 0) return true;
    }
    return false;
}

double unitscale(const std::string& u) {
    const std::string s = upperascii(u);
    if (s == "MM") return 1;
    if (s == "CM") return 10;
    if (s == "IN" || s == "INCH") return 25.4;
    if (s == "M" || s == "METER" || s == "METERS") return 1000;
    refuse("UNIT: the lens unit \"" + u + "\" is none of MM, CM, IN, M");
}

ZSurface& current(ZFile& f, const std::string& key) {
    if (f.surfaces.empty()) refuse(key + ": a surface key before the first SURF");
    return f.surfaces.back();
}

// Keys with no effect on the optics that are ignored without refusing: comments, notes,
// display, tolerancing and weighting keys, and anything unknown.
void surfacekey(ZFile& f, const std::vector<std::string>& t) {
    const std::string& key = t[0];
    static const std::set<std::string> known = {"TYPE", "CURV", "DISZ", "GLAS", "CONI", "PARM",
                                                "DIAM", "STOP", "SCBD", "XDAT"};
    if (known.count(key) == 0) {
        f.ignored.insert(key);
        return;
    }
    ZSurface& s = current(f, key);
    const std::string w = where(f);
    if (key == "TYPE") {
        if (t.size() < 2) refuse(w + "TYPE: the surface type is missing");
        s.type = upperascii(t[1]);
        if (s.type != "STANDARD" && s.type != "EVENASPH")
            refuse(w + "TYPE " + t[1] + ": only standard and even aspheric surfaces can be represented");
    } else if (key == "CURV") {
        s.curv = arg(f, t, 1);
    } else if (key == "DISZ") {
        if (t.size() > 1 && upperascii(t[1]).rfind("INF", 0) == 0) {
            s.infinite = true;
        } else {
            s.disz = arg(f, t, 1);
            s.infinite = std::fabs(s.disz) >= 1e10;
        }
    } else if (key == "GLAS") {
        s.glas.assign(t.begin() + 1, t.end());
    } else if (key == "CONI") {
        s.coni = arg(f, t, 1);
    } else if (key == "PARM") {
        const double k = arg(f, t, 1);
        const double v = t.size() > 2 ? arg(f, t, 2) : 0;
        if (k >= 1 && k <= 8 && k == std::floor(k)) {
            s.parm[static_cast<size_t>(k)] = v;
        } else if (v != 0) {
            refuse(w + "PARM " + t[1] + ": no such parameter of the surface");
        }
    } else if (key == "DIAM") {
        s.diam = arg(f, t, 1);
    } else if (key == "STOP") {
        s.stop = true;
    } else if (key == "SCBD" || key == "XDAT") {
        if (anynonzero(t)) refuse(w + key + ": tilts, decentres and extra data cannot be represented");
    }
}

void fieldkey(ZFile& f, const std::vector<std::string>& t) {
    std::vector<double> v = numbers(f, t);
    const std::string& key = t[0];
    f.olderfields = f.olderfields || key == "XFLD" || key == "YFLD";
    (key[0] == 'X' ? f.xf : f.yf) = std::move(v);
}

void filekey(ZFile& f, const std::vector<std::string>& t, const std::string& line) {
    const std::string& key = t[0];
    if (key == "NAME") {
        const size_t p = line.find("NAME");
        std::string rest = line.substr(p + 4);
        f.name = trimblanks(rest);
    } else if (key == "UNIT") {
        if (t.size() < 2) refuse("UNIT: the lens unit is missing");
        f.scale = unitscale(t[1]);
    } else if (key == "ENPD") {
        f.enpd = arg(f, t, 1);
    } else if (key == "FNUM") {
        f.fnum = arg(f, t, 1);
    } else if (key == "OBNA") {
        f.obna = arg(f, t, 1);
    } else if (key == "FLOA") {
        f.floa = true;
    } else if (key == "FTYP") {
        f.ftyp = static_cast<int>(arg(f, t, 1));
        if (t.size() > 3) f.nfields = static_cast<int>(arg(f, t, 3));
        if (t.size() > 4) f.nwaves = static_cast<int>(arg(f, t, 4));
    } else if (key == "XFLN" || key == "YFLN" || key == "XFLD" || key == "YFLD") {
        fieldkey(f, t);
    } else if (key == "WAVM") {
        const double k = arg(f, t, 1);
        if (k >= 1 && k <= 100 && k == std::floor(k)) f.wavm[static_cast<int>(k)] = arg(f, t, 2);
    } else if (key == "WAVL") {
        f.wavl = numbers(f, t);
    } else if (key == "PWAV") {
        f.pwav = static_cast<int>(arg(f, t, 1));
    } else if (key == "GCAT") {
        f.gcat.assign(t.begin() + 1, t.end());
    } else if (key == "MODE") {
        if (t.size() > 1 && upperascii(t[1]) != "SEQ") refuse("MODE " + t[1] + ": only sequential files can be imported");
    } else if (key == "MNUM") {
        if (arg(f, t, 1) > 1) refuse("MNUM: multi-configuration data cannot be represented");
    } else if (key.rfind("NSC", 0) == 0 || key == "NSOB") {
        refuse(where(f) + key + ": non-sequential data cannot be represented");
    } else if (key == "SURF") {
        const double k = arg(f, t, 1);
        if (k != static_cast<double>(f.surfaces.size()))
            refuse("SURF " + t[1] + ": surfaces must be numbered 0, 1, 2, ... in order");
        if (f.surfaces.size() > 256) refuse("SURF " + t[1] + ": more surfaces than a lens can hold");
        f.surfaces.push_back(ZSurface{});
        f.surfaces.back().number = static_cast<int>(k);
    } else {
        surfacekey(f, t);
    }
}

ZFile parsekeys(const std::string& text) {
    ZFile f;
    size_t p = 0;
    while (p < text.size()) {
        size_t e = text.find('\n', p);
        if (e == std::string::npos) e = text.size();
        const std::string line = text.substr(p, e - p);
        p = e + 1;
        const std::vector<std::string> t = tokens(line);
        if (!t.empty()) filekey(f, t, line);
    }
    return f;
}

// ---- glasses ----

// The catalogue's glass of a file's name: the name itself, without or with a maker's
// prefix, or the same letters in another case.
std::optional<GlassRecord> catalogueglass(GlassCatalog& cat, const std::string& name,
                                          const std::vector<GlassRecord>& all) {
    std::vector<std::string> tries = {name};
    if (name.size() > 2 && name[1] == '-') tries.push_back(name.substr(2));
    else tries.push_back("N-" + name);
    for (const auto& n : tries)
        if (auto g = cat.glassbyname(n)) return g;
    for (const auto& n : tries)
        for (const auto& g : all)
            if (upperascii(g.name) == upperascii(n)) return g;
    return std::nullopt;
}

struct Medium {
    std::string name = "air";
    double nd = 1;   // at the main wavelength
};

// ---- the description ----

struct Builder {
    ZFile f;
    GlassCatalog& cat;
    ZmxRead out;
    std::vector<GlassRecord> all;
    std::map<std::string, std::string> resolved;   // file name -> lens glass name
    std::array<double, 3> wlum{0.5875618, 0.6562725, 0.4861327};
    bool threewl = true;

    void notice(const std::string& s) { out.notices.push_back(s); }

    std::string surf(size_t k) const { return "surface " + std::to_string(k); }

    void wavelengths();
    void fields(LensDesc& d, bool infinite);
    Medium glass(size_t k, const Medium& front);
    void surfaces(LensDesc& d);
    void aperture(LensDesc& d);
};

void Builder::wavelengths() {
    std::vector<double> w;
    if (!f.wavm.empty()) {
        for (const auto& [k, v] : f.wavm)
            if (!f.nwaves || k <= *f.nwaves) w.push_back(v);
    } else {
        w = f.wavl;
    }
    if (w.empty()) {
        notice("No wavelengths given: the d, C and F lines are used");
        return;
    }
    for (double v : w)
        if (v <= 0) refuse("WAVM: the wavelength " + shortnum(v) + " is not positive");
    if (f.pwav < 1 || f.pwav > static_cast<int>(w.size())) refuse("PWAV: no wavelength " + std::to_string(f.pwav));
    const double primary = w[static_cast<size_t>(f.pwav - 1)];
    std::vector<double> others = w;
    others.erase(others.begin() + (f.pwav - 1));
    if (others.empty()) {
        wlum = {primary, primary, primary};
        threewl = false;
        notice("One wavelength: the lens is computed at it with the chromatic aberrations of the Conrady sums");
        return;
    }
    // the main one, then the longer and the shorter of the others (of the pair with the main one)
    if (others.size() == 1) others.push_back(primary);
    wlum = {primary, *std::max_element(others.begin(), others.end()), *std::min_element(others.begin(), others.end())};
    std::string dropped;
    for (double v : others)
        if (v != wlum[1] && v != wlum[2]) dropped += (dropped.empty() ? "" : ", ") + shortnum(v);
    if (!dropped.empty()) notice("The lens holds three wavelengths; dropped (um): " + dropped);
}

void Builder::fields(LensDesc& d, bool infinite) {
    size_t n = std::max(f.xf.size(), f.yf.size());
    if (f.nfields) n = std::min(n, static_cast<size_t>(std::max(*f.nfields, 0)));
    std::vector<double> r;
    bool xdropped = false;
    for (size_t i = 0; i < n; ++i) {
        const double x = i < f.xf.size() ? f.xf[i] : 0;
        const double y = i < f.yf.size() ? f.yf[i] : 0;
        xdropped = xdropped || x != 0;
        r.push_back(std::hypot(x, y) * (infinite ? 1 : f.scale));
    }
    if (xdropped) notice("Fields with an x component are taken at their distance from the axis");
    if (r.empty() || r[0] != 0) {
        r.insert(r.begin(), 0.0);
        notice("The axis is added as the first field");
    }
    std::vector<double> kept = {0};
    std::string dropped;
    for (size_t i = 1; i < r.size(); ++i) {
        if (r[i] > kept.back()) kept.push_back(r[i]);
        else dropped += (dropped.empty() ? "" : ", ") + shortnum(r[i]);
    }
    if (kept.size() > 4) {
        const double top = kept.back();
        std::vector<double> four = {0};
        for (double target : {0.5 * top, std::sqrt(0.5) * top}) {
            const auto best = std::min_element(kept.begin() + 1, kept.end() - 1, [&](double a, double b) {
                return std::fabs(a - target) < std::fabs(b - target);
            });
            if (*best > four.back()) four.push_back(*best);
        }
        four.push_back(top);
        for (double v : kept)
            if (std::find(four.begin(), four.end(), v) == four.end())
                dropped += (dropped.empty() ? "" : ", ") + shortnum(v);
        kept = four;
    }
    if (!dropped.empty()) notice("The lens holds up to four ascending fields from the axis; dropped: " + dropped);
    if (kept.size() < 2) refuse("YFLN: no field off the axis");
    if (infinite && kept.back() >= 90) refuse("YFLN: a field angle of " + shortnum(kept.back()) + " degrees (it must be below 90)");
    d.fields = kept;
    d.fullscheme = true;
}

// The medium behind file surface k.
Medium Builder::glass(size_t k, const Medium& front) {
    const ZSurface& s = f.surfaces[k];
    if (s.glas.empty()) return {};
    const std::string& name = s.glas[0];
    if (upperascii(name) == "MIRROR") return front;
    if (upperascii(name) == "AIR") return {};
    const double wl0 = wlum[0] / 1000;
    if (auto it = resolved.find(name); it != resolved.end()) {
        if (auto m = out.modelglasses.find(it->second); m != out.modelglasses.end())
            return {it->second, schottindex(m->second.a, wl0)};
        return {it->second, schottindex(cat.glassbyname(it->second)->a, wl0)};
    }
    if (auto g = catalogueglass(cat, name, all)) {
        if (g->name != name) notice(surf(k) + ": glass " + name + " is the catalogue's " + g->name);
        resolved[name] = g->name;
        return {g->name, schottindex(g->a, wl0)};
    }
    // model data: GLAS name flag pickup nd vd ...
    const auto nd = s.glas.size() > 3 ? number(s.glas[3]) : std::nullopt;
    const auto vd = s.glas.size() > 4 ? number(s.glas[4]) : std::nullopt;
    if (!nd || !vd || *nd <= 1 || *nd > 4 || *vd <= 0 || *vd > 200)
        refuse(surf(k) + ": GLAS " + name + ": the glass catalogue has no such glass and the line gives no index and Abbe number");
    // the lens keeps 10 characters of a name; names that then meet get a number
    std::string lensname = name.substr(0, 10);
    if (upperascii(lensname) == "AIR") lensname = "model";
    for (int k = 2; out.modelglasses.count(lensname) != 0 && k < 100; ++k)
        lensname = name.substr(0, 8) + std::to_string(k);
    out.modelglasses[lensname] = modelglass(lensname, *nd, *vd);
    resolved[name] = lensname;
    notice(surf(k) + ": glass " + name + " is not in the catalogue: made from nd " + shortnum(*nd) + " and vd " +
           shortnum(*vd) + " as " + lensname);
    return {lensname, schottindex(out.modelglasses[lensname].a, wl0)};
}


// A paraxial ray (y-nu) through the lens: heights at the surfaces, slope behind the last.
struct ParaxRay {
    std::vector<double> y;
    double u = 0;
};

struct Paraxial {
    std::vector<double> c, t, n;   // curvature, thickness behind, index behind (n[0] in front)

    ParaxRay trace(double y, double u) const {
        ParaxRay r;
        for (size_t k = 0; k < c.size(); ++k) {
            r.y.push_back(y);
            u = (n[k] * u - y * c[k] * (n[k + 1] - n[k])) / n[k + 1];
            if (k + 1 < c.size()) y += t[k] * u;
        }
        r.u = u;
        return r;
    }
};

void Builder::surfaces(LensDesc& d) {
    if (f.surfaces.size() < 3) refuse("The file needs an object, at least one surface and an image (SURF)");
    const size_t last = f.surfaces.size() - 1;   // the image surface
    if (last - 1 > 254) refuse("SURF: more than 254 surfaces");
    const ZSurface& obj = f.surfaces[0];
    if (!obj.glas.empty() && upperascii(obj.glas[0]) != "AIR")
        refuse("surface 0: GLAS " + obj.glas[0] + ": the object space must be air");
    if (!obj.infinite && obj.curv != 0) refuse("surface 0: CURV: a curved object surface cannot be represented");
    if (f.surfaces[last].curv != 0)
        refuse(surf(last) + ": CURV: a curved image surface cannot be represented");
    Medium front;
    int stop = 0;
    for (size_t k = 1; k < last; ++k) {
        const ZSurface& z = f.surfaces[k];
        SurfaceDesc s;
        if (z.type == "STANDARD") {
            for (size_t p = 1; p <= 8; ++p)
                if (z.parm[p] != 0) refuse(surf(k) + ": PARM " + std::to_string(p) + ": a standard surface has no such parameter");
        } else {
            if (z.parm[1] != 0) refuse(surf(k) + ": PARM 1: the r^2 term of an even asphere must be 0");
            for (size_t p = 6; p <= 8; ++p)
                if (z.parm[p] != 0) refuse(surf(k) + ": PARM " + std::to_string(p) + ": terms beyond r^10 cannot be represented");
            const double u = f.scale;
            s.a4 = z.parm[2] / (u * u * u);
            s.a6 = z.parm[3] / std::pow(u, 5);
            s.a8 = z.parm[4] / std::pow(u, 7);
            s.a10 = z.parm[5] / std::pow(u, 9);
        }
        const bool asph = s.a4 != 0 || s.a6 != 0 || s.a8 != 0 || s.a10 != 0;
        s.conic = z.coni;
        s.label = asph ? "A" : z.coni != 0 ? "E" : "S";
        const bool mirror = !z.glas.empty() && upperascii(z.glas[0]) == "MIRROR";
        if (mirror) s.label += "M";
        s.radius = z.curv == 0 ? 0 : f.scale / z.curv;
        if (z.infinite) refuse(surf(k) + ": DISZ INFINITY: only the object may lie at infinity");
        s.sepafter = z.disz * f.scale;
        const Medium behind = glass(k, front);
        s.glass = behind.name;
        s.hmax = z.diam * f.scale;
        if (z.stop) stop = static_cast<int>(k);
        d.surfaces.push_back(s);
        front = behind;
    }
    if (obj.stop || f.surfaces[last].stop) refuse("STOP: the stop must be one of the lens's surfaces");
    if (stop == 0) {
        stop = 1;
        notice("No STOP: the first surface is the stop");
    }
    d.stop = stop;
}

void Builder::aperture(LensDesc& d) {
    const bool infinite = f.surfaces[0].infinite;
    // the paraxial model at the main wavelength
    Paraxial px;
    px.n.push_back(1);
    Medium front;
    double sign = 1;   // each mirror turns the sign of the media behind it
    for (size_t k = 0; k < d.surfaces.size(); ++k) {
        const SurfaceDesc& s = d.surfaces[k];
        px.c.push_back(reciprocal(s.radius));
        px.t.push_back(s.sepafter);
        if (ismirror(s.label)) sign = -sign;
        front = glass(k + 1, front);
        px.n.push_back(sign * front.nd);
    }
    const size_t stop = static_cast<size_t>(d.stop - 1);
    const double nimage = px.n.back();
    // axial ray a (slope 1 from the axial object point, or height 1 from infinity) and a
    // second ray b independent of it
    const double d0 = infinite ? 0 : f.surfaces[0].disz * f.scale;
    const ParaxRay a = infinite ? px.trace(1, 0) : px.trace(d0, 1);
    const ParaxRay b = infinite ? px.trace(0, 1) : px.trace(1, 0);
    if (a.u == 0) refuse("The lens has no power (afocal): it cannot be imported as an objective");
    if (a.y[stop] == 0) refuse("STOP: the object is imaged onto the stop");
    double scale = 0;   // the marginal ray is scale * a
    const double stopdiam = f.surfaces[static_cast<size_t>(d.stop)].diam * f.scale;
    if (f.enpd) {
        if (infinite) {
            scale = *f.enpd * f.scale / 2;
        } else {
            if (b.y[stop] == 0) refuse("ENPD: the entrance pupil lies in the object plane");
            scale = *f.enpd * f.scale / 2 / std::fabs(a.y[stop] / b.y[stop]);
        }
    } else if (f.fnum) {
        if (*f.fnum <= 0) refuse("FNUM: the F-number must be positive");
        scale = 1 / (2 * *f.fnum) / std::fabs(a.u);
    } else if (f.obna) {
        if (infinite) refuse("OBNA: an object at infinity has no object-space numerical aperture");
        scale = *f.obna;
    } else if (f.floa) {
        scale = stopdiam / std::fabs(a.y[stop]);
    } else {
        refuse("No aperture: the file gives none of ENPD, FNUM, OBNA, FLOA");
    }
    d.na = std::fabs(scale * a.u);
    if (!(d.na > 0) || d.na > 1)
        refuse("The aperture gives a numerical aperture of " + shortnum(d.na) + " (it must lie in 0 .. 1)");
    d.mag = infinite ? 0 : 1 / (nimage * a.u);
    const double focus = -a.y.back() / a.u;
    out.defocus = d.surfaces.back().sepafter - focus;
    if (std::fabs(out.defocus) > 1e-9 * std::max(1.0, std::fabs(focus)))
        notice("The image plane lies " + shortnum(out.defocus) + " mm from the paraxial focus (the defocus)");
    else
        out.defocus = 0;
    d.surfaces.back().paraxialimage = true;

    // fields: angles from infinity, object heights otherwise
    if (f.ftyp == 0 && !infinite) refuse("FTYP 0: field angles with a finite object cannot be represented");
    if (f.ftyp == 1 && infinite) refuse("FTYP 1: object heights need a finite object");
    if (f.ftyp != 0 && f.ftyp != 1) refuse("FTYP " + std::to_string(f.ftyp) + ": only field angles or object heights can be represented");
    fields(d, infinite);
    const double top = d.fields.back();
    // the chief ray of the largest field: b scaled to the field, less the part of a that
    // puts it through the centre of the stop
    const double field = infinite ? std::tan(top * M_PI / 180) : top;
    std::string estimated;
    for (size_t s = 0; s < d.surfaces.size(); ++s) {
        if (d.surfaces[s].hmax > 0) continue;
        const double chief = field * (b.y[s] - b.y[stop] / a.y[stop] * a.y[s]);
        double h = 1.1 * (std::fabs(scale * a.y[s]) + std::fabs(chief));
        if (d.surfaces[s].radius != 0) h = std::min(h, 0.99 * std::fabs(d.surfaces[s].radius));
        d.surfaces[s].hmax = h;
        estimated += (estimated.empty() ? "" : ", ") + std::to_string(s + 1);
    }
    if (!estimated.empty())
        notice("No DIAM: the clear radius of surface " + estimated + " follows from the paraxial marginal and chief rays");
}

}  // namespace

ZmxRead readzmx(const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat) {
    ZmxRead r;
    const ZmxText text = zmxtext(bytes);
    if (!text.error.empty()) {
        r.error = text.error;
        return r;
    }
    try {
        Builder b{parsekeys(text.text), cat, {}, cat.allglasses(), {}, {}, true};
        LensDesc& d = b.out.desc;
        d.name = b.f.name.empty() ? fallbackname : b.f.name;
        b.wavelengths();
        d.threewl = b.threewl;
        d.wavelengthsnm = std::array<double, 3>{b.wlum[0] * 1000, b.wlum[1] * 1000, b.wlum[2] * 1000};
        b.surfaces(d);
        b.aperture(d);
        if (!b.f.gcat.empty()) {
            std::string names;
            for (const auto& g : b.f.gcat) names += " " + g;
            b.notice("GCAT" + names + ": glasses are looked up by name in the program's catalogue");
        }
        if (!b.f.ignored.empty()) {
            std::string keys;
            for (const auto& k : b.f.ignored) keys += (keys.empty() ? "" : ", ") + k;
            b.notice("Ignored keys (no effect on the lens): " + keys);
        }
        r = std::move(b.out);
    } catch (const Refusal& e) {
        r = ZmxRead{};
        r.error = e.text;
    }
    return r;
}

ZmxText zmxtext(const std::string& bytes) {
    ZmxText r;
    auto startswith = [&](const char* p, size_t n) { return bytes.size() >= n && bytes.compare(0, n, p, n) == 0; };
    std::string t;
    if (startswith("\xFF\xFE", 2)) {
        auto u = fromutf16le(bytes);
        if (!u) {
            r.error = "The file starts as UTF-16 LE text but is not well formed";
            return r;
        }
        t = std::move(*u);
    } else if (startswith("\xFE\xFF", 2)) {
        r.error = "UTF-16 big-endian text is not supported; save the file as UTF-16 LE, UTF-8 or ASCII";
        return r;
    } else {
        t = startswith("\xEF\xBB\xBF", 3) ? bytes.substr(3) : bytes;
        if (!validutf8(t)) {
            r.error = "The file is neither UTF-16 LE text with a byte-order mark nor UTF-8 or ASCII text";
            return r;
        }
    }
    if (t.find('\0') != std::string::npos) {
        r.error = "The file holds NUL characters: UTF-16 text needs its byte-order mark";
        return r;
    }
    r.text.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r') {
            if (i + 1 >= t.size() || t[i + 1] != '\n') {
                r.error = "The lines must end with CR LF or LF";
                r.text.clear();
                return r;
            }
            continue;
        }
        r.text += t[i];
    }
    return r;
}

ZmxImport importzmx(Model& m, const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat) {
    ZmxImport r;
    ZmxRead z = readzmx(bytes, fallbackname, cat);
    if (!z.error.empty()) {
        r.error = z.error;
        return r;
    }
    const GlassLookup catalogue = cataloglookup(cat);
    const GlassLookup lookup = [&](const std::string& name) -> GlassMatch {
        if (auto it = z.modelglasses.find(name); it != z.modelglasses.end()) return std::optional<GlassRecord>(it->second);
        return catalogue(name);
    };
    Model built;
    r.error = buildlens(built, z.desc, lookup);
    if (r.error.empty()) {
        built.lens.defocus = z.defocus;
        r.error = newsystemcompute(built);
    }
    if (!r.error.empty()) return r;
    m.lens = std::move(built.lens);
    m.first = built.first;
    m.mono = built.mono;
    r.notices = std::move(z.notices);
    return r;
}

}  // namespace zefo
