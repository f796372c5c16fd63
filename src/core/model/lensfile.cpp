#include "core/model/lensfile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "core/util/fileio.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

constexpr const char* kInvalidNumeric = "Invalid numeric input";

// The largest magnitude of a real in a lens data file: the program's own stand-in for an
// infinite distance (1E+30 mm, about the size of the observable universe). Its tenth power,
// the highest power of the aspheric terms, still fits in a double.
constexpr double kmaxreal = kbig;

// Why a text cannot be read as a lens data file, and in which line; line 0 when it does not
// even begin like one.
struct ReadFailure {
    int line = 0;
    std::string reason;
};

// Sequential reader with the rules of the lens data file: numbers skip blanks and line
// breaks and end at the first control or blank character; strings run to the end of line.
// The first failure is kept with its line and every later read is skipped.
class LensReader {
public:
    explicit LensReader(const std::string& t) : t_(t) {}

    bool eof() const { return p_ >= t_.size(); }
    bool failed() const { return failure_.has_value(); }
    const ReadFailure& failure() const { return *failure_; }
    void rewind() { p_ = last_ = 0; failure_.reset(); }

    // Names the part of the file being read: a file that ends inside it (or inside a number or
    // text running into the end without its line end) is cut short.
    void within(const char* part) { part_ = part; }

    // True when nothing but empty lines remains: an optional block that follows is absent.
    bool onlylineends() const {
        for (size_t q = p_; q < t_.size(); ++q)
            if (!lineend(t_[q])) return false;
        return true;
    }

    // Line of the last field read.
    int line() const { return lineat(last_); }

    // Records the reason at the given line (the last field's by default) unless ok. Returns
    // true when ok and nothing failed before.
    bool check(bool ok, const std::string& reason, int at = 0) {
        if (!ok && !failed()) failure_ = ReadFailure{at > 0 ? at : line(), reason};
        return ok && !failed();
    }

    double real() {
        const auto tk = token();
        if (tk.empty()) return 0;
        const auto v = parsereal(tk);
        if (!check(v.has_value(), kInvalidNumeric)) return 0;
        if (!check(std::fabs(*v) <= kmaxreal, "Number out of range (magnitude above 1E+30)")) return 0;
        return *v;
    }

    long long integer() {
        const auto tk = token();
        if (tk.empty()) return 0;
        const auto v = parseint(tk);
        return check(v.has_value(), kInvalidNumeric) ? *v : 0;
    }

    // An integer that must lie in lo .. hi.
    long long integer(long long lo, long long hi, const std::string& what) {
        const long long v = integer();
        inrange(v, lo, hi, what);
        return v;
    }

    // Checks that v, named by what, lies in lo .. hi (see check).
    bool inrange(long long v, long long lo, long long hi, const std::string& what, int at = 0) {
        return check(v >= lo && v <= hi,
                     what + " must be between " + std::to_string(lo) + " and " + std::to_string(hi), at);
    }

    // Up to maxlen characters of the current line.
    std::string str(size_t maxlen = std::string::npos) {
        if (failed() || missing()) return {};
        last_ = p_;
        while (p_ < t_.size() && p_ - last_ < maxlen && !lineend(t_[p_])) ++p_;
        if (part_ && missing()) return {};  // a text that runs into the end may be cut
        return t_.substr(last_, p_ - last_);
    }

    // True when only blanks remain on the current line.
    bool restblank() const {
        size_t q = p_;
        while (q < t_.size() && (t_[q] == ' ' || t_[q] == '\t')) ++q;
        return q >= t_.size() || lineend(t_[q]);
    }

    void readln() {
        if (failed()) return;
        while (p_ < t_.size() && !lineend(t_[p_])) ++p_;
        if (missing()) return;  // a line without its line end
        if (t_[p_] == '\r') ++p_;
        if (p_ < t_.size() && t_[p_] == '\n') ++p_;
    }

private:
    static bool lineend(char c) { return c == '\r' || c == '\n'; }

    // Line of the character at pos; CR LF, CR and LF each end a line.
    int lineat(size_t pos) const {
        int n = 1;
        for (size_t i = 0; i < pos && i < t_.size(); ++i)
            if (t_[i] == '\n' || (t_[i] == '\r' && (i + 1 == t_.size() || t_[i + 1] != '\n'))) ++n;
        return n;
    }

    // True at the end of the text; inside a named part that makes the file cut short.
    bool missing() {
        if (p_ < t_.size()) return false;
        if (part_ && !failed())
            failure_ = ReadFailure{lineat(t_.empty() ? 0 : t_.size() - 1),
                                   std::string("The file ends here, before the end of its ") + part_};
        return true;
    }

    std::string_view token() {
        if (failed()) return {};
        while (p_ < t_.size() && static_cast<unsigned char>(t_[p_]) <= 32) ++p_;
        if (missing()) return {};
        last_ = p_;
        while (p_ < t_.size() && static_cast<unsigned char>(t_[p_]) > 32) ++p_;
        if (part_ && missing()) return {};  // a number that runs into the end may be cut
        return std::string_view(t_).substr(last_, p_ - last_);
    }

    const std::string& t_;
    size_t p_ = 0;
    size_t last_ = 0;  // start of the last field read
    const char* part_ = nullptr;
    std::optional<ReadFailure> failure_;
};

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

// The rest of the line as a glass name, blanks and tabs around it removed.
std::string glassname(LensReader& in, size_t maxlen = std::string::npos) {
    const std::string g = trim(in.str(maxlen));
    bool control = false;
    for (char c : g) control = control || static_cast<unsigned char>(c) < 32 || c == 127;
    in.check(!control, "Glass name must not contain control characters");
    return g;
}

std::string countserror(long long nsurf, long long naber) {
    if (nsurf < 1 || nsurf > maxsurf) return "Number of surfaces must be between 1 and " + std::to_string(maxsurf);
    if (naber < 1 || naber > maxaber)
        return "Number of merit function components must be between 1 and " + std::to_string(maxaber);
    return {};
}

bool oneof(long long v, std::initializer_list<long long> set) {
    return std::find(set.begin(), set.end(), v) != set.end();
}

// The aspheric flag and the counts line, read before they are checked.
struct LensCounts {
    long long asphflag, nsurf, stopsurf, nrays, naber, damptype, systype, raytype, nfields, dlsiter, anglesurf;
    int asphline, countsline;
};

// Lines 1 to 3: name, catalogue (absent in the older form) and aspheric flag.
void readheader(LensReader& in, OpticalSystem& m, LensCounts& c) {
    m.sysname = in.str();
    in.readln();
    c.asphflag = in.integer();
    in.readln();
    if (in.failed()) {  // newer form: line 2 holds the catalogue name
        in.rewind();
        m.sysname = in.str();
        in.readln();
        m.glasscat = in.str();
        in.readln();
        c.asphflag = in.integer();
        in.readln();
    } else {
        m.glasscat = "sgm";
    }
    c.asphline = in.line();
}

// The name of line 1 without blanks around it names files: it must be a valid file name.
void takesysname(LensReader& in, OpticalSystem& m) {
    m.sysname = trim(m.sysname);
    const std::string e = sysnameerror(m.sysname);
    in.check(e.empty(), e, 1);
}

// Line 4.
void readcounts(LensReader& in, OpticalSystem& m, LensCounts& c) {
    c.nsurf = in.integer();
    c.stopsurf = in.integer();
    c.nrays = in.integer();
    c.naber = in.integer();
    m.drawscale = in.real();
    c.damptype = in.integer();
    c.systype = in.integer();
    c.raytype = in.integer();
    c.nfields = in.integer();
    c.dlsiter = in.integer();
    c.anglesurf = in.integer();
    c.countsline = in.line();
    in.readln();
}

// Checks the counts before anything is sized from them and stores them.
void takecounts(LensReader& in, const LensCounts& c, OpticalSystem& m) {
    const std::string counts = countserror(c.nsurf, c.naber);
    in.check(counts.empty(), counts);
    // The stop and angle solve surfaces are checked by the calculations that use them.
    in.inrange(c.stopsurf, 0, 255, "Aperture stop surface");
    in.inrange(c.nrays, 1, maxrays, "Number of rays");
    in.inrange(c.damptype, 0, 1, "Damping type");
    in.check(oneof(c.systype, {0, 1, 4, 5, 6, 7}), "System type must be 0, 1, 4, 5, 6 or 7");
    in.check(oneof(c.raytype, {0, 10, 20}), "Ray scheme type must be 0, 10 or 20");
    in.inrange(c.nfields, 2, 4, "Number of fields");
    in.inrange(c.dlsiter, 0, INT32_MAX, "DLS iteration counter");
    in.inrange(c.anglesurf, 0, 255, "Angle solve surface");
    in.inrange(c.asphflag, 0, INT32_MAX, "Aspheric flag", c.asphline);
    if (in.failed()) return;
    m.asphflag = static_cast<int32_t>(c.asphflag);
    m.nsurf = static_cast<int32_t>(c.nsurf);
    m.stopsurf = static_cast<int32_t>(c.stopsurf);
    m.nrays = static_cast<uint8_t>(c.nrays);
    m.naber = static_cast<int32_t>(c.naber);
    m.damptype = static_cast<uint8_t>(c.damptype);
    m.systype = static_cast<uint8_t>(c.systype);
    m.raytype = static_cast<uint8_t>(c.raytype);
    m.nfields = static_cast<uint8_t>(c.nfields);
    m.dlsiter = static_cast<int32_t>(c.dlsiter);
    m.anglesurf = static_cast<uint8_t>(c.anglesurf);
}

// Line 5: surface definition, aspheric data and, for telescopes, the object flag.
void readflags(LensReader& in, OpticalSystem& m) {
    const std::string flags = in.str(m.systype >= 4 ? 3 : 2);
    in.readln();
    bool ok = flags.size() >= 2;
    for (char f : flags) ok = ok && (f == 'D' || f == 'N');
    if (!in.check(ok, "Surface definition, aspheric data and object flags must be D or N")) return;
    m.radiiflag = flags[0];
    m.asphdata = flags[1];
    if (flags.size() > 2) m.objinf = flags[2];
}

void readscalars(LensReader& in, OpticalSystem& m) {
    m.na = in.real();
    in.check(m.telescope() || (m.na >= 0 && m.na <= 1), "Numerical aperture must be between 0 and 1");
    m.mag = in.real(); m.dcurv = in.real(); in.readln();
    m.dsep = in.real(); m.up = in.real(); m.dampfact = in.real(); in.readln();
    m.dindex = in.real(); m.ddisp = in.real(); in.readln();
    m.targdopsis = in.real(); m.reserved1 = in.real(); m.targdsistot = in.real(); in.readln();
    m.targdst = in.real(); m.dimweight = in.real(); m.glassweight = in.real(); in.readln();
    m.reserved2 = in.real(); m.efl = in.real(); in.readln();
    m.lbar = in.real(); m.lbarp = in.real(); in.readln();
    m.nfreq = static_cast<uint16_t>(in.integer(1, 999, "Maximum number of frequencies"));
    m.defocus = in.real();
    m.spotsize = in.real();
    in.check(m.spotsize > 0 && m.spotsize <= 1, "Spot diagram size must be greater than 0 and at most 1");
    in.readln();
    const double rings = std::nearbyint(in.real());
    if (in.check(rings >= 1 && rings <= 25, "Number of rings of rays must be between 1 and 25"))
        m.nrings = static_cast<uint8_t>(rings);
    m.dfreq = static_cast<int32_t>(in.integer(1, 10, "Frequency increment"));
    m.ddefocus = in.real();
    in.check(m.ddefocus > 0 && m.ddefocus <= 1, "Defocus increment must be greater than 0 and at most 1");
    in.readln();
    m.reserved3 = in.real(); m.bcclear = in.real(); m.bcthin = in.real(); m.bcthick = in.real();
    in.readln();
}

void readwavelengths(LensReader& in, OpticalSystem& m) {
    for (int w = 0; w < 3; ++w) {
        m.wl[w] = in.real();
        in.check(m.wl[w] > 0, "Wavelength must be greater than 0");
        m.wlmtfweight[w] = in.real();
        in.check(m.wlmtfweight[w] > 0 && m.wlmtfweight[w] <= 9.999,
                 "MTF weight of a wavelength must be greater than 0 and at most 9.999");
        m.wloptweight[w] = in.restblank() ? 1.0 : in.real();
        in.check(m.wloptweight[w] > 0 && m.wloptweight[w] <= 1,
                 "Optimization weight of a wavelength must be greater than 0 and at most 1");
        in.readln();
    }
}

void readblocks(LensReader& in, OpticalSystem& m) {
    const int n = m.nsurf;
    for (int k = 0; k <= n; ++k) {
        m.axlim[k] = in.real(); m.edgelim[k] = in.real(); m.clearlim[k] = in.real(); in.readln();
    }
    for (auto& w : m.aberweight) { w = in.real(); in.readln(); }
    for (int k = 0; k < n; ++k)
        for (int w = 0; w < 3; ++w) { m.mu[k][w] = in.real(); in.readln(); }
    readwavelengths(in, m);
    for (auto& f : m.field) { f = in.real(); in.readln(); }
    m.objdist = in.real(); m.eph = in.real(); in.readln();
}

void readsurfaces(LensReader& in, OpticalSystem& m) {
    auto& sp = m.sys.sp;
    for (int k = 0; k <= m.nsurf; ++k) {
        sp.surflabel[k] = in.str(3); in.readln();
        sp.optlabel[k] = in.str(13); in.readln();
        if (m.radiiflag == 'D') sp.radius[k] = in.real();
        sp.curv[k] = in.real(); sp.sep[k] = in.real(); in.readln();
        for (int w = 0; w < 3; ++w) sp.index[k][w] = in.real();
        in.readln();
        sp.disp[k] = in.real(); sp.hmax[k] = in.real();
        const std::string g = glassname(in, 11);
        sp.glass[k] = g == "vazduh" ? "air" : g;
        in.readln();
        if (m.asphdata == 'D') {
            auto& a = m.sys.asf;
            a.eps[k] = in.real(); a.a4[k] = in.real(); a.a6[k] = in.real();
            a.a8[k] = in.real(); a.a10[k] = in.real(); in.readln();
        }
    }
}

void readrays(LensReader& in, OpticalSystem& m) {
    auto& r = m.rays;
    const bool rel = m.raytype == 10 || m.raytype == 20;
    for (int i = 0; i < m.nrays; ++i) {
        const long long label = in.integer();
        in.check(oneof(label, {0, 1, 2, 12, 13, 14, 4, 5}), "Ray label must be 0 (none), 1, 2, 12, 13, 14, 4 or 5");
        r.rl[i] = static_cast<uint8_t>(label);
        if (rel) { r.xrel[i] = in.real(); r.yrel[i] = in.real(); }
        r.x[i] = in.real(); r.y[i] = in.real(); r.l[i] = in.real(); r.m[i] = in.real();
        in.readln();
    }
}

// The optional blocks: each is absent (only empty lines remain before it) or whole.
void readtail(LensReader& in, OpticalSystem& m) {
    m.tri = GlassTriangle{};
    if (!in.onlylineends()) {
        in.within("glass triangle");
        for (int j = 0; j < 3; ++j) {
            m.tri.trindex[j] = in.real();
            m.tri.trdisp[j] = in.real();
            m.tri.trglass[j] = glassname(in);
            in.readln();
        }
    }
    auto& sp = m.sys.sp;
    const bool radii = m.radiiflag == 'D';
    if (in.onlylineends()) {
        for (int k = 0; k <= m.nsurf; ++k) {
            m.radmin[k] = m.radmax[k] = radii ? sp.radius[k] : sp.curv[k];
            m.sepmin[k] = m.sepmax[k] = sp.sep[k];
        }
        return;
    }
    in.within("limits");
    for (int k = 0; k <= m.nsurf; ++k) {
        m.radmin[k] = in.real(); m.radmax[k] = in.real();
        m.sepmin[k] = in.real(); m.sepmax[k] = in.real();
        in.readln();
    }
}

// Reads the text into m; on failure m is left as it was.
std::optional<ReadFailure> readlens(const std::string& text, OpticalSystem& m) {
    const ReadFailure notlensfile{};
    if (text.find('\0') != std::string::npos) return notlensfile;
    OpticalSystem t = m;
    LensReader in(text);
    in.within("header");
    LensCounts c{};
    readheader(in, t, c);
    readcounts(in, t, c);
    if (in.failed()) return notlensfile;
    takecounts(in, c, t);
    takesysname(in, t);
    in.within("system data");
    readflags(in, t);
    if (in.failed()) return in.failure();
    sizelens(t);
    readscalars(in, t);
    readblocks(in, t);
    in.within("surface data");
    readsurfaces(in, t);
    in.within("ray data");
    readrays(in, t);
    // Calculations take the number of fields from the chief rays; never more than the file's.
    const std::string chiefs = chiefrayserror(t);
    in.check(chiefs.empty(), chiefs, c.countsline);
    readtail(in, t);
    if (in.failed()) return in.failure();
    m = std::move(t);
    return std::nullopt;
}

std::string failuretext(const ReadFailure& f, const std::string& file) {
    if (f.line == 0) return file.empty() ? "Not a lens data file" : "File " + file + " is not a lens data file";
    const std::string where = file.empty() ? "Line " : "File " + file + ", line ";
    return where + std::to_string(f.line) + ": " + f.reason;
}

// Fields joined by one blank, as every numeric line of the file is. Keeps the first line
// that would hold a number that is not finite, which no file may hold.
class LineWriter {
public:
    LineWriter& operator<<(double v) {
        if (!std::isfinite(v) && nonfinite_.empty()) {
            const char* what = std::isnan(v) ? "nan" : v < 0 ? "-inf" : "inf";
            nonfinite_ = "line " + std::to_string(lines_ + 1) + " of its file: " + what + " is not a finite number";
        }
        return field(fmtreal(v));
    }
    LineWriter& operator<<(long long v) { return field(std::to_string(v)); }
    LineWriter& operator<<(int v) { return *this << static_cast<long long>(v); }
    LineWriter& text(const std::string& s) { return field(s); }
    void end(std::string& out, bool trailingblank = false) {
        out += line_;
        if (trailingblank) out += ' ';
        out += "\r\n";
        line_.clear();
        first_ = true;
        ++lines_;
    }
    const std::string& nonfinite() const { return nonfinite_; }

private:
    LineWriter& field(const std::string& s) {
        if (!first_) line_ += ' ';
        line_ += s;
        first_ = false;
        return *this;
    }
    std::string line_;
    bool first_ = true;
    int lines_ = 0;
    std::string nonfinite_;
};

std::string sizeserror(const OpticalSystem& m) {
    const size_t ns = static_cast<size_t>(m.nsurf) + 1;
    const auto& sp = m.sys.sp;
    const bool ok = sp.surflabel.size() >= ns && sp.optlabel.size() >= ns && sp.radius.size() >= ns &&
                    sp.curv.size() >= ns && sp.sep.size() >= ns && sp.hmax.size() >= ns &&
                    sp.disp.size() >= ns && sp.glass.size() >= ns && sp.index.size() >= ns &&
                    m.axlim.size() >= ns && m.edgelim.size() >= ns && m.clearlim.size() >= ns &&
                    m.mu.size() >= ns && m.radmin.size() >= ns && m.radmax.size() >= ns &&
                    m.sepmin.size() >= ns && m.sepmax.size() >= ns &&
                    (m.asphdata != 'D' || m.sys.asf.eps.size() >= ns) &&
                    m.aberweight.size() >= static_cast<size_t>(m.naber) && m.field.size() >= m.nfields &&
                    m.rays.rl.size() >= m.nrays;
    return ok ? std::string() : std::string("Optical system arrays do not match their counts");
}

}  // namespace

std::string chiefrayserror(const OpticalSystem& lens) {
    const auto n = std::min(static_cast<size_t>(lens.nrays), lens.rays.rl.size());
    const auto chiefs = std::count(lens.rays.rl.begin(), lens.rays.rl.begin() + static_cast<long>(n), 13);
    if (chiefs < lens.nfields) return {};
    return "The ray scheme has " + std::to_string(chiefs) + " chief rays (label 13) for " +
           std::to_string(lens.nfields) + " fields; it may have one for every field off the axis";
}

std::string unsaveableerror(const OpticalSystem& lens) {
    std::string text;
    return writelensfile(lens, text);
}

std::string readlensfile(const std::string& text, OpticalSystem& m, const std::string& name) {
    const auto failure = readlens(text, m);
    return failure ? failuretext(*failure, name) : std::string();
}

std::string writelensfile(const OpticalSystem& m, std::string& text) {
    if (auto e = countserror(m.nsurf, m.naber); !e.empty()) return e;
    if (auto e = sizeserror(m); !e.empty()) return e;
    std::string out;
    LineWriter w;
    const int n = m.nsurf;
    w.text(m.sysname).end(out);
    w.text(m.glasscat).end(out);
    w << m.asphflag;
    w.end(out);
    w << m.nsurf << m.stopsurf << m.nrays << m.naber << m.drawscale << m.damptype << m.systype
      << m.raytype << m.nfields << m.dlsiter << m.anglesurf;
    w.end(out);
    std::string flags{m.radiiflag, m.asphdata};
    if (m.systype >= 4) flags += m.objinf;
    w.text(flags).end(out);
    (w << m.na << m.mag << m.dcurv).end(out);
    (w << m.dsep << m.up << m.dampfact).end(out);
    (w << m.dindex << m.ddisp).end(out, true);
    (w << m.targdopsis << m.reserved1 << m.targdsistot).end(out);
    (w << m.targdst << m.dimweight << m.glassweight).end(out);
    (w << m.reserved2 << m.efl).end(out);
    (w << m.lbar << m.lbarp).end(out);
    (w << m.nfreq << m.defocus << m.spotsize).end(out);
    (w << static_cast<double>(m.nrings) << m.dfreq << m.ddefocus).end(out);
    (w << m.reserved3 << m.bcclear << m.bcthin << m.bcthick).end(out);
    for (int k = 0; k <= n; ++k) (w << m.axlim[k] << m.edgelim[k] << m.clearlim[k]).end(out);
    for (int i = 0; i < m.naber; ++i) (w << m.aberweight[i]).end(out);
    for (int k = 0; k < n; ++k)
        for (int c = 0; c < 3; ++c) (w << m.mu[k][c]).end(out);
    for (int c = 0; c < 3; ++c) (w << m.wl[c] << m.wlmtfweight[c] << m.wloptweight[c]).end(out);
    for (int i = 0; i < m.nfields; ++i) (w << m.field[i]).end(out, true);
    (w << m.objdist << m.eph).end(out);
    const auto& sp = m.sys.sp;
    for (int k = 0; k <= n; ++k) {
        w.text(sp.surflabel[k]).end(out);
        w.text(sp.optlabel[k]).end(out);
        if (m.radiiflag == 'D') w << sp.radius[k];
        (w << sp.curv[k] << sp.sep[k]).end(out);
        (w << sp.index[k][0] << sp.index[k][1] << sp.index[k][2]).end(out);
        (w << sp.disp[k] << sp.hmax[k]).text(sp.glass[k]).end(out);
        if (m.asphdata == 'D') {
            const auto& a = m.sys.asf;
            (w << a.eps[k] << a.a4[k] << a.a6[k] << a.a8[k] << a.a10[k]).end(out);
        }
    }
    const auto& r = m.rays;
    const bool rel = m.raytype == 10 || m.raytype == 20;
    for (int i = 0; i < m.nrays; ++i) {
        w << r.rl[i];
        if (rel) w << r.xrel[i] << r.yrel[i];
        (w << r.x[i] << r.y[i] << r.l[i] << r.m[i]).end(out);
    }
    for (int j = 0; j < 3; ++j) (w << m.tri.trindex[j] << m.tri.trdisp[j]).text(m.tri.trglass[j]).end(out);
    for (int k = 0; k <= n; ++k) (w << m.radmin[k] << m.radmax[k] << m.sepmin[k] << m.sepmax[k]).end(out);
    const std::string refused = "The optical system cannot be saved, ";
    if (!w.nonfinite().empty()) return refused + w.nonfinite();
    // Never a file that cannot be read back: the reader's checks decide.
    OpticalSystem back;
    if (const auto f = readlens(out, back))
        return refused + (f->line == 0 ? std::string("its text is not a lens data file")
                                       : "line " + std::to_string(f->line) + " of its file: " + f->reason);
    text = std::move(out);
    return {};
}

std::string readlensfile(const std::string& text, Model& m, const std::string& name) {
    OpticalSystem lens = m.lens;
    const std::string e = readlensfile(text, lens, name);
    if (e.empty()) takelens(m, std::move(lens));
    return e;
}

std::string loadlensfile(const std::string& path, Model& m) {
    OpticalSystem lens = m.lens;
    const std::string e = loadlensfile(path, lens);
    if (e.empty()) takelens(m, std::move(lens));
    return e;
}

std::string loadlensfile(const std::string& path, OpticalSystem& m) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return "File " + path + " is not a lens data file";
    std::string text;
    if (auto e = readinputfile(path, kmaxlensfilebytes, text); !e.empty()) return e;
    return readlensfile(text, m, path);
}

std::string savelensfile(const std::string& path, const OpticalSystem& m) {
    std::string text;
    if (auto e = writelensfile(m, text); !e.empty()) return e;
    return writefileatomic(path, text);
}

}  // namespace zefo
