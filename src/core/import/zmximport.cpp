#include "core/import/zmximport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <locale>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "core/edit/generaledit.h"
#include "core/edit/newsystem.h"
#include "core/model/materials.h"
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

enum class ZmxEncoding { utf16le, utf16be, utf8, latin1 };

// The next character of the bytes from position i (advanced past it); nullopt when the
// bytes there are no character of the encoding.
std::optional<uint32_t> zmxnextchar(const std::string& b, size_t& i, ZmxEncoding e) {
    const auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(b[k])); };
    if (e == ZmxEncoding::latin1) return byte(i++);
    if (e == ZmxEncoding::utf8) {
        const uint32_t c = byte(i);
        const int follow = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : -1;
        if (follow < 0 || (c >= 0xC0 && c < 0xC2) || c > 0xF4) return std::nullopt;
        if (follow > 0 && i + static_cast<size_t>(follow) >= b.size()) return std::nullopt;
        uint32_t v = follow == 0 ? c : follow == 1 ? (c & 0x1F) : follow == 2 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k <= follow; ++k) {
            const uint32_t t = byte(i + static_cast<size_t>(k));
            if ((t >> 6) != 0x2) return std::nullopt;
            v = (v << 6) | (t & 0x3F);
        }
        const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (v < least[follow] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return std::nullopt;
        i += static_cast<size_t>(follow) + 1;
        return v;
    }
    const bool le = e == ZmxEncoding::utf16le;
    auto unit = [&](size_t k) { return le ? byte(k) | (byte(k + 1) << 8) : (byte(k) << 8) | byte(k + 1); };
    if (i + 1 >= b.size()) return std::nullopt;
    uint32_t c = unit(i);
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c >= 0xD800 && c <= 0xDBFF) {
        if (i + 3 >= b.size()) return std::nullopt;
        const uint32_t low = unit(i + 2);
        if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
    }
    i += 2;
    return c;
}

bool zmxisutf8(const std::string& b, size_t from) {
    for (size_t i = from; i < b.size();)
        if (!zmxnextchar(b, i, ZmxEncoding::utf8)) return false;
    return true;
}

const char* zmxencodingname(ZmxEncoding e) {
    switch (e) {
        case ZmxEncoding::utf16le: return "UTF-16 LE";
        case ZmxEncoding::utf16be: return "UTF-16 BE";
        case ZmxEncoding::utf8: return "UTF-8";
        case ZmxEncoding::latin1: break;
    }
    return "Latin-1";
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

std::vector<std::string> tokens(std::string_view line) {
    std::vector<std::string> t;
    size_t p = 0;
    while (true) {
        p = line.find_first_not_of(" \t", p);
        if (p == std::string_view::npos) break;
        const size_t e = std::min(line.find_first_of(" \t", p), line.size());
        t.emplace_back(line.substr(p, e - p));
        p = e;
    }
    return t;
}

// A key: two to eight capital letters and digits, a letter first.
bool iszmxkey(const std::string& t) {
    if (t.size() < 2 || t.size() > 8 || t[0] < 'A' || t[0] > 'Z') return false;
    return std::all_of(t.begin(), t.end(), [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

// A token as a message shows it: at most 24 characters.
std::string quoted(const std::string& t) { return "\"" + (t.size() > 24 ? t.substr(0, 24) + "..." : t) + "\""; }

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
    std::optional<double> clap;      // radius of a hard circular aperture
    double clapinner = 0;
    bool stop = false;
};

struct ZFile {
    std::string name;
    double scale = 1;   // mm per lens unit
    std::optional<double> enpd, fnum, obna;
    bool floa = false;
    bool afocal = false;   // afocal image space
    bool raim = false;     // ray aiming on
    int ftyp = 0;
    std::optional<int> nfields, nwaves;
    std::vector<double> xf, yf;
    std::map<int, double> wavm;      // index (1-based) -> micrometres
    std::map<int, double> wweight;   // index -> weight
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
    if (!v) refuse(where(f) + t[0] + ": " + quoted(t[i]) + " is not a usable number");
    return *v;
}

// A whole number in lo .. hi; checked before it becomes an integer.
int intarg(const ZFile& f, const std::vector<std::string>& t, size_t i, int lo, int hi) {
    const double v = arg(f, t, i);
    if (v != std::floor(v) || v < lo || v > hi)
        refuse(where(f) + t[0] + ": " + quoted(t[i]) + " is not a whole number in " + std::to_string(lo) + " .. " +
               std::to_string(hi));
    return static_cast<int>(v);
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
    refuse("UNIT: the lens unit " + quoted(u) + " is none of MM, CM, IN, M");
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
                                                "DIAM", "STOP", "SCBD", "XDAT", "CLAP"};
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
            refuse(w + "TYPE " + t[1].substr(0, 24) + ": only standard and even aspheric surfaces can be represented");
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
        const int k = intarg(f, t, 1, 0, 1000);
        const double v = t.size() > 2 ? arg(f, t, 2) : 0;
        if (k >= 1 && k <= 8) {
            s.parm[static_cast<size_t>(k)] = v;
        } else if (v != 0) {
            refuse(w + "PARM " + t[1] + ": no such parameter of the surface");
        }
    } else if (key == "DIAM") {
        s.diam = arg(f, t, 1);
    } else if (key == "CLAP") {
        // CLAP inner outer: a hard circular aperture
        const double a = arg(f, t, 1);
        const double b = t.size() > 2 ? arg(f, t, 2) : a;
        if (b <= 0 || a < 0 || a >= b) refuse(w + "CLAP: the aperture's radii must satisfy 0 <= inner < outer");
        s.clap = b;
        s.clapinner = t.size() > 2 ? a : 0;
    } else if (key == "STOP") {
        s.stop = true;
    } else if (key == "SCBD" || key == "XDAT") {
        if (anynonzero(t)) refuse(w + key + ": tilts, decentres and extra data cannot be represented");
    }
}

void filekey(ZFile& f, const std::vector<std::string>& t, std::string_view line) {
    const std::string& key = t[0];
    if (key == "NAME") {
        const size_t p = line.find("NAME");
        f.name = trimblanks(std::string(line.substr(p + 4)));
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
    } else if (key == "AFOC") {
        f.afocal = t.size() > 1 && arg(f, t, 1) != 0;
    } else if (key == "RAIM") {
        f.raim = t.size() > 1 && arg(f, t, 1) != 0;
    } else if (key == "FTYP") {
        f.ftyp = intarg(f, t, 1, 0, 1000);
        if (t.size() > 3) f.nfields = intarg(f, t, 3, 0, 100000);
        if (t.size() > 4) f.nwaves = intarg(f, t, 4, 0, 100000);
    } else if (key == "XFLN" || key == "YFLN" || key == "XFLD" || key == "YFLD") {
        (key[0] == 'X' ? f.xf : f.yf) = numbers(f, t);
    } else if (key == "WAVM") {
        const int k = intarg(f, t, 1, 1, 100000);
        f.wavm[k] = arg(f, t, 2);
        if (t.size() > 3) f.wweight[k] = arg(f, t, 3);
    } else if (key == "WAVL") {
        f.wavl = numbers(f, t);
    } else if (key == "PWAV") {
        f.pwav = intarg(f, t, 1, 1, 100000);
    } else if (key == "GCAT") {
        f.gcat.assign(t.begin() + 1, t.end());
    } else if (key == "MODE") {
        if (t.size() > 1 && upperascii(t[1]) != "SEQ") refuse("MODE " + t[1].substr(0, 24) + ": only sequential files can be imported");
    } else if (key == "MNUM") {
        if (intarg(f, t, 1, 0, 100000) > 1) refuse("MNUM: multi-configuration data cannot be represented");
    } else if (key.rfind("NSO", 0) == 0) {
        refuse(where(f) + key + ": non-sequential objects cannot be represented");
    } else if (key == "SURF") {
        const int k = intarg(f, t, 1, 0, 100000);
        if (k != static_cast<int>(f.surfaces.size()))
            refuse("SURF " + t[1] + ": surfaces must be numbered 0, 1, 2, ... in order");
        if (f.surfaces.size() > 256) refuse("SURF " + t[1] + ": more surfaces than a lens can hold");
        f.surfaces.push_back(ZSurface{});
        f.surfaces.back().number = k;
    } else {
        surfacekey(f, t);
    }
}

// The keys of the text, line by line; a refusal names its line.
ZFile parsekeys(const std::string& text) {
    ZFile f;
    size_t p = 0, lineno = 0;
    while (p < text.size()) {
        size_t e = text.find('\n', p);
        if (e == std::string::npos) e = text.size();
        const std::string_view line(text.data() + p, e - p);
        p = e + 1;
        ++lineno;
        const std::vector<std::string> t = tokens(line);
        if (t.empty()) continue;
        try {
            if (!iszmxkey(t[0])) refuse("the line does not start with a key (a damaged line)");
            filekey(f, t, line);
        } catch (const Refusal& r) {
            refuse("line " + std::to_string(lineno) + ": " + r.text);
        }
    }
    return f;
}

// ---- glasses ----

// The catalogue's glass of a file's name: the name itself, without or with a maker's
// prefix, without a suffix such as _MOLD, or the same letters in another case.
std::optional<GlassRecord> catalogueglass(GlassCatalog& cat, const std::string& name,
                                          const std::function<const std::vector<GlassRecord>&()>& catalogue) {
    std::vector<std::string> tries = {name};
    if (const size_t u = name.rfind('_'); u != std::string::npos && u > 0) tries.push_back(name.substr(0, u));
    const size_t n = tries.size();
    for (size_t i = 0; i < n; ++i) {
        const std::string t = tries[i];
        if (t.size() > 2 && t[1] == '-') tries.push_back(t.substr(2));
        else for (const char* prefix : {"N-", "S-", "H-", "P-"}) tries.push_back(prefix + t);
    }
    for (const auto& t : tries)
        if (auto g = cat.glassbyname(t)) return g;
    for (const auto& t : tries)
        for (const auto& g : catalogue())
            if (upperascii(g.name) == upperascii(t)) return g;
    return std::nullopt;
}

struct Medium {
    std::string name = "air";
    double nd = 1;   // at the main wavelength
};

// The glass of a lens surface: a catalogue glass by name, or a model glass (flag 1, or a
// blank name) from the index and Abbe number of its line.
bool zmxmodelglassline(const std::vector<std::string>& glas) {
    const std::string u = upperascii(glas[0]);
    return (glas.size() > 1 && glas[1] == "1") || u.find("BLANK") != std::string::npos;
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

// The paraxial rays of a lens description: a (slope 1 from the axial object point, or height
// 1 from infinity), b (independent of a), the chief ray of unit field (tangent of the angle
// from infinity, object height otherwise) through the centre of the stop, and their
// heights in the image plane.
struct ZParaxial {
    ParaxRay a, b;
    std::vector<double> chief;   // heights at the surfaces
    double chiefu = 0;           // slope behind the last surface
    double chiefimage = 0, marginalimage = 0;
    double nimage = 1;
    size_t stop = 0;
};

// ---- the description ----

struct Builder {
    ZFile f;
    GlassCatalog& cat;
    const ZmxOptions& options;
    ZmxRead out;
    std::optional<std::vector<GlassRecord>> all;   // the whole catalogue, read when first needed
    std::set<std::string> catalognames;            // upper case
    std::map<std::string, std::string> resolved;   // file glass (and model data) -> lens glass name
    std::array<double, 3> wlum{0.5875618, 0.6562725, 0.4861327};
    bool threewl = true;

    Builder(ZFile file, GlassCatalog& c, const ZmxOptions& o) : f(std::move(file)), cat(c), options(o) {}

    const std::vector<GlassRecord>& catalogue() {
        if (!all) {
            all = cat.allglasses();
            for (const auto& g : *all) catalognames.insert(upperascii(g.name));
        }
        return *all;
    }

    void notice(const std::string& s) { out.notices.push_back(s); }

    std::string surf(size_t k) const { return "surface " + std::to_string(k); }

    void wavelengths();
    std::string systemname(const std::string& raw, const char* what);
    Medium glass(size_t k, const Medium& front);
    std::string catalogueorsubstitute(size_t k, const std::string& name);
    std::string modelname(const std::string& name);
    void surfaces(LensDesc& d);
    void aperture(LensDesc& d);
    void fields(LensDesc& d, const ZParaxial& p, double scale);
    double smallfield(const ZParaxial& p, double scale);
    void estimateclear(LensDesc& d, const ZParaxial& p, double scale);
    void telescope(LensDesc& d, const ZParaxial& p);
};

void Builder::wavelengths() {
    std::vector<double> w, weight;
    if (!f.wavm.empty()) {
        for (const auto& [k, v] : f.wavm) {
            if (f.nwaves && k > *f.nwaves) continue;
            w.push_back(v);
            const auto it = f.wweight.find(k);
            weight.push_back(it == f.wweight.end() ? 1.0 : it->second);
        }
    } else {
        w = f.wavl;
        weight.assign(w.size(), 1.0);
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
    bool weightless = true;   // the other wavelengths weigh 0: they give only the dispersion
    for (size_t i = 0; i < weight.size(); ++i) weightless = weightless && (i == static_cast<size_t>(f.pwav - 1) || weight[i] == 0);
    if (weightless) {
        threewl = false;
        notice("The other wavelengths weigh 0: the lens is computed at the main one with the chromatic aberrations of "
               "the Conrady sums");
    }
}

// The lens name of a model glass: the lens keeps 10 characters of a name; a name another
// glass of the lens or the catalogue has gets a number.
std::string Builder::modelname(const std::string& name) {
    catalogue();
    auto taken = [&](const std::string& n) {
        return out.modelglasses.count(n) != 0 || catalognames.count(upperascii(n)) != 0 || upperascii(n) == "AIR" ||
               upperascii(n) == "MIRROR";
    };
    std::string base = name.substr(0, 10);
    if (!taken(base)) return base;
    for (size_t k = 2;; ++k) {   // ends: the lens has fewer glasses than numbers
        const std::string num = std::to_string(k);
        const std::string n = name.substr(0, std::min<size_t>(8, 10 - num.size())) + num;
        if (!taken(n)) return n;
    }
}

// A catalogue glass the catalogue lacks: the substitute the options give, else a refusal.
std::string Builder::catalogueorsubstitute(size_t k, const std::string& name) {
    const auto sub = options.substitutes.find(name);
    if (sub == options.substitutes.end())
        refuse(surf(k) + ": GLAS " + name + ": the catalogue has no such glass (the index and Abbe number of a " +
               "catalogue glass's line are placeholders, not its data); substitute it or add it to the catalogue");
    const auto [nd, vd] = sub->second;
    const GlassRecord* best = nullptr;
    double dist = 0;
    for (const auto& g : catalogue()) {
        const double d = std::hypot((g.nd - nd) * 1000, (g.vd - vd) * 10);
        if (!best || d < dist) {
            best = &g;
            dist = d;
        }
    }
    if (!best) refuse(surf(k) + ": GLAS " + name + ": the catalogue is empty");
    notice(surf(k) + ": glass " + name + " (nd " + shortnum(nd) + ", vd " + shortnum(vd) +
           ") is substituted by the nearest catalogue glass " + best->name + " (nd " + shortnum(best->nd) + ", vd " +
           shortnum(best->vd) + ")");
    return best->name;
}

// The medium behind file surface k.
Medium Builder::glass(size_t k, const Medium& front) {
    const ZSurface& s = f.surfaces[k];
    if (s.glas.empty()) return {};
    const std::string& name = s.glas[0];
    if (upperascii(name) == "MIRROR") return front;
    if (upperascii(name) == "AIR") return {};
    const double wl0 = wlum[0] / 1000;
    const bool model = zmxmodelglassline(s.glas);
    const auto nd = model && s.glas.size() > 3 ? number(s.glas[3]) : std::nullopt;
    const auto vd = model && s.glas.size() > 4 ? number(s.glas[4]) : std::nullopt;
    // a model glass is known by its data, a catalogue glass by its name
    const std::string key = model ? name + "\n" + (s.glas.size() > 3 ? s.glas[3] : "") + "\n" + (s.glas.size() > 4 ? s.glas[4] : "")
                                  : name;
    auto indexof = [&](const std::string& lensname) {
        if (auto m = out.modelglasses.find(lensname); m != out.modelglasses.end())
            return Medium{lensname, schottindex(m->second.a, wl0)};
        return Medium{lensname, schottindex(cat.glassbyname(lensname).value_or(GlassRecord{}).a, wl0)};
    };
    if (auto it = resolved.find(key); it != resolved.end()) return indexof(it->second);
    if (!model) {
        if (auto g = catalogueglass(cat, name, [this]() -> const std::vector<GlassRecord>& { return catalogue(); })) {
            if (g->name != name) notice(surf(k) + ": glass " + name + " is the catalogue's " + g->name);
            resolved[key] = g->name;
            return indexof(g->name);
        }
        if (auto mat = opticalmaterial(name)) {
            const std::string lensname = modelname(mat->name);
            out.modelglasses[lensname] = *mat;
            out.modelglasses[lensname].name = lensname;
            resolved[key] = lensname;
            notice(surf(k) + ": glass " + name + " is the material " + lensname + ", " + mat->remark +
                   " (its dispersion formula fitted to the Schott form)");
            return indexof(lensname);
        }
        resolved[key] = catalogueorsubstitute(k, name);
        return indexof(resolved[key]);
    }
    // model data: GLAS name 1 pickup nd vd ...; vd 0: no dispersion
    const double ndv = nd.value_or(0), vdv = vd.value_or(-1);
    if (ndv <= 1 || ndv > 4 || vdv < 0 || vdv > 200)
        refuse(surf(k) + ": GLAS " + name + ": a model glass needs an index nd in 1 .. 4 and an Abbe number vd in 0 .. 200");
    const std::string lensname = modelname(name);
    out.modelglasses[lensname] = modelglass(lensname, ndv, vdv);
    resolved[key] = lensname;
    notice(surf(k) + ": glass " + name + " is a model glass: made from nd " + shortnum(ndv) + " and vd " + shortnum(vdv) +
           (vdv == 0 ? " (no dispersion)" : "") + " as " + lensname);
    return indexof(lensname);
}

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
        if (z.clap) {
            const double r = *z.clap * f.scale;
            if (s.hmax == 0 || r < s.hmax) s.hmax = r;
            notice(surf(k) + ": CLAP: the hard aperture of radius " + shortnum(r) + " mm is the clear radius" +
                   (z.clapinner > 0 ? "; its inner radius " + shortnum(z.clapinner * f.scale) + " mm (an obscuration) is ignored" : ""));
        }
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
    ZParaxial p;
    p.stop = static_cast<size_t>(d.stop - 1);
    p.nimage = px.n.back();
    const double d0 = infinite ? 0 : f.surfaces[0].disz * f.scale;
    p.a = infinite ? px.trace(1, 0) : px.trace(d0, 1);
    p.b = infinite ? px.trace(0, 1) : px.trace(1, 0);
    const ParaxRay& a = p.a;
    const ParaxRay& b = p.b;
    const size_t stop = p.stop;
    if (a.y[stop] == 0) refuse("STOP: the object is imaged onto the stop");
    const double ratio = b.y[stop] / a.y[stop];
    for (size_t s = 0; s < a.y.size(); ++s) p.chief.push_back(b.y[s] - ratio * a.y[s]);
    p.chiefu = b.u - ratio * a.u;
    const double tlast = d.surfaces.back().sepafter;
    p.chiefimage = p.chief.back() + tlast * p.chiefu;
    p.marginalimage = a.y.back() + tlast * a.u;
    if (f.afocal) return telescope(d, p);
    if (a.u == 0) refuse("The lens has no power (afocal): an afocal system needs afocal image space (AFOC 1)");
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
    d.mag = infinite ? 0 : 1 / (p.nimage * a.u);
    const double focus = -a.y.back() / a.u;
    out.defocus = d.surfaces.back().sepafter - focus;
    if (std::fabs(out.defocus) > 1e-9 * std::max(1.0, std::fabs(focus)))
        notice("The image plane lies " + shortnum(out.defocus) + " mm from the paraxial focus (the defocus)");
    else
        out.defocus = 0;
    d.surfaces.back().paraxialimage = true;
    fields(d, p, scale);
    estimateclear(d, p, scale);
}

// The file's fields in the program's form (angles from infinity, object heights from a
// finite object), field types 0 .. 3 converted through the paraxial chief ray.
void Builder::fields(LensDesc& d, const ZParaxial& p, double scale) {
    const bool infinite = f.surfaces[0].infinite;
    const double s = f.scale;
    std::function<double(double)> convert = [](double v) { return v; };
    const std::string ftyp = "FTYP " + std::to_string(f.ftyp);
    if (f.ftyp == 0) {
        if (!infinite) {
            // the chief ray's slope in object space per unit object height
            const double slope = std::fabs(p.b.y[p.stop] / p.a.y[p.stop]);
            if (slope == 0) refuse(ftyp + ": the entrance pupil lies at infinity: field angles cannot become object heights");
            convert = [slope](double w) { return std::tan(w * M_PI / 180) / slope; };
            notice(ftyp + ": the field angles become object heights through the paraxial chief ray");
        }
    } else if (f.ftyp == 1) {
        if (infinite) refuse(ftyp + ": object heights need a finite object");
        convert = [s](double v) { return v * s; };
    } else if (f.ftyp == 2 || f.ftyp == 3) {
        if (f.afocal) refuse(ftyp + ": an afocal system takes field angles");
        const double per = std::fabs(p.chiefimage);
        if (per == 0) refuse(ftyp + ": the chief ray meets the image plane on the axis");
        if (infinite) convert = [s, per](double v) { return std::atan(v * s / per) * 180 / M_PI; };
        else convert = [s, per](double v) { return v * s / per; };
        notice(ftyp + (f.ftyp == 2 ? ": paraxial image heights become " : ": real image heights become ") +
               (infinite ? "field angles" : "object heights") + " through the paraxial chief ray" +
               (f.ftyp == 3 ? " (the distortion is neglected)" : ""));
    } else {
        refuse(ftyp + ": only field angles, object heights and paraxial or real image heights can be represented");
    }
    size_t n = std::max(f.xf.size(), f.yf.size());
    if (f.nfields) n = std::min(n, static_cast<size_t>(*f.nfields));
    std::vector<double> r;
    bool xdropped = false;
    for (size_t i = 0; i < n; ++i) {
        const double x = i < f.xf.size() ? f.xf[i] : 0;
        const double y = i < f.yf.size() ? f.yf[i] : 0;
        xdropped = xdropped || x != 0;
        const double v = convert(std::hypot(x, y));
        if (!std::isfinite(v)) refuse(ftyp + ": the field " + shortnum(std::hypot(x, y)) + " has no finite value in the lens");
        r.push_back(v);
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
    if (kept.size() < 2) kept.push_back(smallfield(p, scale));
    if ((infinite || f.afocal) && kept.back() >= 90)
        refuse("YFLN: a field angle of " + shortnum(kept.back()) + " degrees (it must be below 90)");
    d.fields = kept;
    d.fullscheme = true;
}

// The field a lens of only the axial field gets: the field whose paraxial image height is
// 1 % of the entrance pupil radius (a telescope: 0.1 degrees).
double Builder::smallfield(const ZParaxial& p, double scale) {
    const bool infinite = f.surfaces[0].infinite;
    double v = 0.1;
    if (!f.afocal) {
        const double per = std::fabs(p.chiefimage);
        double pupil = scale;   // from infinity the marginal ray is scale times a ray of height 1
        if (!infinite)
            pupil = p.b.y[p.stop] != 0 ? scale * std::fabs(p.a.y[p.stop] / p.b.y[p.stop]) : scale * std::fabs(p.a.y[0]);
        if (per == 0 || !(pupil > 0)) refuse("YFLN: only the axial field, and no field off the axis can be added");
        v = infinite ? std::atan(0.01 * pupil / per) * 180 / M_PI : 0.01 * pupil / per;
    }
    notice("Only the axial field: the field " + shortnum(v) + (infinite || f.afocal ? " degrees" : " mm") +
           " is added (" + (f.afocal ? "a small angle" : "paraxial image height 1 % of the entrance pupil radius") + ")");
    return v;
}

// The clear radius of a surface without DIAM: 1.1 times the paraxial marginal and chief rays
// of the largest field, below the height where the surface ends.
void Builder::estimateclear(LensDesc& d, const ZParaxial& p, double scale) {
    const bool infinite = f.surfaces[0].infinite;
    const double top = d.fields.back();
    const double field = infinite || f.afocal ? std::tan(top * M_PI / 180) : top;
    std::string estimated;
    for (size_t s = 0; s < d.surfaces.size(); ++s) {
        SurfaceDesc& sd = d.surfaces[s];
        if (sd.hmax > 0) continue;
        double h = 1.1 * (std::fabs(scale * p.a.y[s]) + std::fabs(field * p.chief[s]));
        const double q = 1 + sd.conic;
        if (sd.radius != 0 && q > 0) h = std::min(h, 0.99 * std::fabs(sd.radius) / std::sqrt(q));
        sd.hmax = h;
        estimated += (estimated.empty() ? "" : ", ") + std::to_string(s + 1);
    }
    if (!estimated.empty())
        notice("No DIAM: the clear radius of surface " + estimated + " follows from the paraxial marginal and chief rays");
}

// An afocal system (afocal image space): a telescope of the program, Kepler for an inverted
// image, Galilean for an erect one; the last distance of a Galilean is its eye distance.
void Builder::telescope(LensDesc& d, const ZParaxial& p) {
    if (!f.surfaces[0].infinite) refuse("AFOC: an afocal system with a finite object cannot be represented");
    const double angular = p.chiefu;   // the slope behind the lens of a chief ray of unit slope
    if (!(angular != 0)) refuse("AFOC: the chief ray leaves the lens parallel to the axis (no angular magnification)");
    double eph = 0;
    if (f.enpd) eph = *f.enpd * f.scale / 2;
    else if (f.floa) eph = f.surfaces[static_cast<size_t>(d.stop)].diam * f.scale / std::fabs(p.a.y[p.stop]);
    else refuse("ENPD: an afocal system takes its aperture as the entrance pupil diameter (ENPD or FLOA)");
    if (!(eph > 0)) refuse("ENPD: the entrance pupil diameter must be positive");
    TelescopeDesc t;
    t.type = angular < 0 ? 4 : 6;
    t.eph = eph;
    if (t.type == 6) t.eyedist = d.surfaces.back().sepafter;
    else d.surfaces.back().paraxialimage = true;
    d.telescope = t;
    d.na = 0;
    d.mag = angular;
    notice(std::string("AFOC: an afocal system: a ") + (t.type == 4 ? "Kepler" : "Galilean") +
           " telescope of angular magnification " + shortnum(angular));
    fields(d, p, eph);
    estimateclear(d, p, eph);
}

// The system name of a lens name: a valid file name, every character the name check
// refuses replaced by "_", cut to zmxnamelength characters, with a notice when it changed.
std::string Builder::systemname(const std::string& raw, const char* what) {
    std::string name;
    for (size_t i = 0; i < raw.size() && name.size() < zmxnamelength;) {
        const auto c = static_cast<unsigned char>(raw[i]);
        // a character of several bytes stays whole or is replaced whole
        const size_t len = std::min<size_t>(c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4, raw.size() - i);
        std::string ch = raw.substr(i, len);
        i += len;
        const bool dots = ch == "." && !name.empty() && name.back() == '.';
        if (dots || !sysnameerror(ch).empty()) ch = "_";
        if (name.size() + ch.size() > zmxnamelength) break;
        name += ch;
    }
    if (name.empty()) name = "IMPORTED";
    if (name != raw) notice(std::string(what) + " \"" + raw + "\" is no file name: the system is named " + name);
    return name;
}

// After a failed ray scheme: the surface whose clear radius the last aimed ray passed
// outside (the file's DIAM too small for the beam), as a hint to the message.
std::string clearradiushint(const Model& m) {
    const auto& sp = m.lens.sys.sp;
    const auto& ray = m.trace.surfray;
    for (int i = 0; i < m.lens.nsurf && static_cast<size_t>(i) < ray.size(); ++i) {
        const auto k = static_cast<size_t>(i);
        const double h = std::hypot(ray[k].X, ray[k].Y);
        if (std::isfinite(h) && h > sp.hmax[k])
            return "\nsurface " + std::to_string(i + 1) + ": its clear radius " + shortnum(sp.hmax[k]) +
                   " mm stops a ray of the ray scheme, which meets the surface at the height " + shortnum(h) +
                   " mm (the file's DIAM is smaller than the beam)";
    }
    return "";
}

}  // namespace

ZmxRead readzmx(const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat, const ZmxOptions& options) {
    ZmxRead r;
    const ZmxText text = zmxtext(bytes);
    if (!text.error.empty()) {
        r.error = text.error;
        return r;
    }
    try {
        Builder b(parsekeys(text.text), cat, options);
        LensDesc& d = b.out.desc;
        d.name = b.f.name.empty() ? b.systemname(fallbackname, "The file name") : b.systemname(b.f.name, "NAME");
        b.wavelengths();
        d.threewl = b.threewl;
        d.wavelengthsnm = std::array<double, 3>{b.wlum[0] * 1000, b.wlum[1] * 1000, b.wlum[2] * 1000};
        b.surfaces(d);
        b.aperture(d);
        if (b.f.raim)
            b.notice("RAIM: the file aims its rays at the stop; the program aims each chief ray through the centre of "
                     "the stop and the rim rays at its clear radius");
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
    // the byte-order mark, or UTF-16 told by its zero bytes, or UTF-8, or else Latin-1
    ZmxEncoding e = ZmxEncoding::utf8;
    size_t i = 0;
    if (startswith("\xFF\xFE", 2)) {
        e = ZmxEncoding::utf16le;
        i = 2;
    } else if (startswith("\xFE\xFF", 2)) {
        e = ZmxEncoding::utf16be;
        i = 2;
    } else if (startswith("\xEF\xBB\xBF", 3)) {
        i = 3;
    } else if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) {
        e = ZmxEncoding::utf16le;
    } else if (bytes.size() >= 2 && bytes[0] == 0 && bytes[1] != 0) {
        e = ZmxEncoding::utf16be;
    } else if (!zmxisutf8(bytes, 0)) {
        e = ZmxEncoding::latin1;
    }
    r.text.reserve(e == ZmxEncoding::utf16le || e == ZmxEncoding::utf16be ? bytes.size() / 2 : bytes.size());
    size_t line = 1;
    auto failure = [&](const std::string& what) {
        r.text.clear();
        r.error = "line " + std::to_string(line) + ": " + what;
        return r;
    };
    bool cr = false;
    while (i < bytes.size()) {
        const auto c = zmxnextchar(bytes, i, e);
        if (!c) return failure(std::string("the bytes are no ") + zmxencodingname(e) + " text");
        if (cr && *c != '\n') return failure("the lines must end with CR LF or LF");
        cr = *c == '\r';
        if (cr) continue;
        if (*c == '\n') {
            ++line;
        } else if ((*c < 0x20 && *c != '\t') || (*c >= 0x7F && *c <= 0x9F)) {
            return failure("a control character (code " + std::to_string(*c) + ") is no text of a lens file");
        }
        pututf8(r.text, *c);
    }
    if (cr) return failure("the lines must end with CR LF or LF");
    return r;
}

ZmxImport importzmx(Model& m, const std::string& bytes, const std::string& fallbackname, GlassCatalog& cat,
                    const ZmxOptions& options) {
    ZmxImport r;
    ZmxRead z = readzmx(bytes, fallbackname, cat, options);
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
        if (!r.error.empty()) r.error += clearradiushint(built);
    }
    if (!r.error.empty()) return r;
    m.lens = std::move(built.lens);
    m.first = built.first;
    m.mono = built.mono;
    r.notices = std::move(z.notices);
    return r;
}

ZmxFile readzmxfile(const std::string& path) {
    ZmxFile r;
    std::error_code ec;
    const auto st = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(st)) {
        r.error = "Cannot read " + path;
        return r;
    }
    if (!std::filesystem::is_regular_file(st)) {
        r.error = path + " is not a regular file";
        return r;
    }
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > zmxmaxbytes) {
        r.error = ec ? "Cannot read " + path : path + " is larger than 64 MB: it is no lens file";
        return r;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        r.error = "Cannot read " + path;
        return r;
    }
    r.bytes.resize(static_cast<size_t>(size));
    in.read(r.bytes.data(), static_cast<std::streamsize>(size));
    if (static_cast<size_t>(in.gcount()) != size || in.peek() != std::char_traits<char>::eof()) {
        r.bytes.clear();
        r.error = "Cannot read " + path + ": the file changed while it was read";
    }
    return r;
}

std::string zmxutf16le(const std::string& text) {
    std::string b = "\xFF\xFE";
    b.reserve(2 * text.size() + 4);
    auto unit = [&b](uint32_t u) {
        b += static_cast<char>(u & 0xFF);
        b += static_cast<char>(u >> 8);
    };
    for (size_t i = 0; i < text.size();) {
        const auto next = zmxnextchar(text, i, ZmxEncoding::utf8);
        if (!next) ++i;
        const uint32_t c = next.value_or(0xFFFD);
        if (c == '\n') unit('\r');
        if (c < 0x10000) {
            unit(c);
        } else {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return b;
}

}  // namespace zefo
