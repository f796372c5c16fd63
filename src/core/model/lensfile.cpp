#include "model/lensfile.h"

#include <cmath>
#include <string_view>

#include "util/fileio.h"
#include "util/numfmt.h"

namespace zefo {

namespace {

constexpr const char* kInvalidNumeric = "Invalid numeric input";

// Sequential reader with the rules of the lens data file: numbers skip blanks and line
// breaks and end at the first control or blank character; strings run to the end of line.
class LensReader {
public:
    explicit LensReader(const std::string& t) : t_(t) {}

    bool eof() const { return p_ >= t_.size(); }
    bool error() const { return error_; }
    void rewind() { p_ = 0; error_ = false; }

    double real() {
        auto tk = token();
        if (tk.empty()) return 0;
        auto v = parsereal(tk);
        if (!v) error_ = true;
        return v.value_or(0);
    }

    long long integer() {
        auto tk = token();
        if (tk.empty()) return 0;
        auto v = parseint(tk);
        if (!v) error_ = true;
        return v.value_or(0);
    }

    uint8_t byte() { return static_cast<uint8_t>(integer() & 0xFF); }

    // Up to maxlen characters of the current line.
    std::string str(size_t maxlen = std::string::npos) {
        const size_t start = p_;
        while (p_ < t_.size() && p_ - start < maxlen && !lineend(t_[p_])) ++p_;
        return t_.substr(start, p_ - start);
    }

    // True when only blanks remain on the current line.
    bool restblank() const {
        size_t q = p_;
        while (q < t_.size() && (t_[q] == ' ' || t_[q] == '\t')) ++q;
        return q >= t_.size() || lineend(t_[q]);
    }

    void readln() {
        while (p_ < t_.size() && !lineend(t_[p_])) ++p_;
        if (p_ < t_.size() && t_[p_] == '\r') ++p_;
        if (p_ < t_.size() && t_[p_] == '\n') ++p_;
    }

private:
    static bool lineend(char c) { return c == '\r' || c == '\n'; }

    std::string_view token() {
        while (p_ < t_.size() && static_cast<unsigned char>(t_[p_]) <= 32) ++p_;
        const size_t start = p_;
        while (p_ < t_.size() && static_cast<unsigned char>(t_[p_]) > 32) ++p_;
        return std::string_view(t_).substr(start, p_ - start);
    }

    const std::string& t_;
    size_t p_ = 0;
    bool error_ = false;
};

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

uint8_t roundtobyte(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<uint8_t>(static_cast<long long>(std::nearbyint(v)) & 0xFF);
}

std::string countserror(long long nsurf, long long naber) {
    if (nsurf < 1 || nsurf > maxsurf)
        return "Number of surfaces must be between 1 and " + std::to_string(maxsurf);
    if (naber < 1 || naber > maxaber)
        return "Number of merit function components must be between 1 and " + std::to_string(maxaber);
    return {};
}

void readheader(LensReader& in, Model& m) {
    m.sysname = in.str();
    in.readln();
    m.asphflag = static_cast<int32_t>(in.integer());
    in.readln();
    if (in.error()) {  // newer form: line 2 holds the catalogue name
        in.rewind();
        m.sysname = in.str();
        in.readln();
        m.glasscat = in.str();
        in.readln();
        m.asphflag = static_cast<int32_t>(in.integer());
        in.readln();
    } else {
        m.glasscat = "sgm";
    }
}

void readscalars(LensReader& in, Model& m) {
    m.na = in.real(); m.mag = in.real(); m.dcurv = in.real(); in.readln();
    m.dsep = in.real(); m.up = in.real(); m.dampfact = in.real(); in.readln();
    m.dindex = in.real(); m.ddisp = in.real(); in.readln();
    m.targdopsis = in.real(); m.reserved1 = in.real(); m.targdsistot = in.real(); in.readln();
    m.targdst = in.real(); m.dimweight = in.real(); m.glassweight = in.real(); in.readln();
    m.reserved2 = in.real(); m.efl = in.real(); in.readln();
    m.lbar = in.real(); m.lbarp = in.real(); in.readln();
    m.nfreq = static_cast<uint16_t>(in.integer() & 0xFFFF);
    m.defocus = in.real(); m.spotsize = in.real(); in.readln();
    m.nrings = roundtobyte(in.real());
    m.dfreq = static_cast<int32_t>(in.integer()); m.ddefocus = in.real(); in.readln();
    m.reserved3 = in.real(); m.bcclear = in.real(); m.bcthin = in.real(); m.bcthick = in.real();
    in.readln();
}

void readblocks(LensReader& in, Model& m) {
    const int n = m.nsurf;
    for (int k = 0; k <= n; ++k) {
        m.axlim[k] = in.real(); m.edgelim[k] = in.real(); m.clearlim[k] = in.real(); in.readln();
    }
    for (auto& w : m.aberweight) { w = in.real(); in.readln(); }
    for (int k = 0; k < n; ++k)
        for (int w = 0; w < 3; ++w) { m.mu[k][w] = in.real(); in.readln(); }
    for (int w = 0; w < 3; ++w) {
        m.wl[w] = in.real();
        m.wlmtfweight[w] = in.real();
        m.wloptweight[w] = in.restblank() ? 1.0 : in.real();
        in.readln();
    }
    m.mono = ismono(m);
    for (auto& f : m.field) { f = in.real(); in.readln(); }
    m.objdist = in.real(); m.eph = in.real(); in.readln();
}

void readsurfaces(LensReader& in, Model& m) {
    auto& sp = m.sys.sp;
    for (int k = 0; k <= m.nsurf; ++k) {
        sp.surflabel[k] = in.str(3); in.readln();
        sp.optlabel[k] = in.str(13); in.readln();
        if (m.radiiflag == 'D') sp.radius[k] = in.real();
        sp.curv[k] = in.real(); sp.sep[k] = in.real(); in.readln();
        for (int w = 0; w < 3; ++w) sp.index[k][w] = in.real();
        in.readln();
        sp.disp[k] = in.real(); sp.hmax[k] = in.real();
        std::string g = trim(in.str(11));
        sp.glass[k] = g == "vazduh" ? "air" : g;
        in.readln();
        if (m.asphdata == 'D') {
            auto& a = m.sys.asf;
            a.eps[k] = in.real(); a.a4[k] = in.real(); a.a6[k] = in.real();
            a.a8[k] = in.real(); a.a10[k] = in.real(); in.readln();
        }
    }
}

void readrays(LensReader& in, Model& m) {
    auto& r = m.rays;
    const bool rel = m.raytype == 10 || m.raytype == 20;
    for (int i = 0; i < m.nrays; ++i) {
        r.rl[i] = in.byte();
        if (rel) { r.xrel[i] = in.real(); r.yrel[i] = in.real(); }
        r.x[i] = in.real(); r.y[i] = in.real(); r.l[i] = in.real(); r.m[i] = in.real();
        in.readln();
    }
}

void readtail(LensReader& in, Model& m) {
    m.tri = GlassTriangle{};
    if (!in.eof()) {
        for (int j = 0; j < 3; ++j) {
            m.tri.trindex[j] = in.real();
            m.tri.trdisp[j] = in.real();
            m.tri.trglass[j] = trim(in.str());
            in.readln();
        }
    }
    auto& sp = m.sys.sp;
    const bool radii = m.radiiflag == 'D';
    if (in.eof()) {
        for (int k = 0; k <= m.nsurf; ++k) {
            m.radmin[k] = m.radmax[k] = radii ? sp.radius[k] : sp.curv[k];
            m.sepmin[k] = m.sepmax[k] = sp.sep[k];
        }
        return;
    }
    for (int k = 0; k <= m.nsurf; ++k) {
        m.radmin[k] = in.real(); m.radmax[k] = in.real();
        m.sepmin[k] = in.real(); m.sepmax[k] = in.real();
        in.readln();
    }
}

// Fields joined by one blank, as every numeric line of the file is.
class LineWriter {
public:
    LineWriter& operator<<(double v) { return field(fmtreal(v)); }
    LineWriter& operator<<(long long v) { return field(std::to_string(v)); }
    LineWriter& operator<<(int v) { return *this << static_cast<long long>(v); }
    LineWriter& text(const std::string& s) { return field(s); }
    void end(std::string& out, bool trailingblank = false) {
        out += line_;
        if (trailingblank) out += ' ';
        out += "\r\n";
        line_.clear();
        first_ = true;
    }

private:
    LineWriter& field(const std::string& s) {
        if (!first_) line_ += ' ';
        line_ += s;
        first_ = false;
        return *this;
    }
    std::string line_;
    bool first_ = true;
};

std::string sizeserror(const Model& m) {
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

std::string readlensfile(const std::string& text, Model& m) {
    Model t = m;
    LensReader in(text);
    readheader(in, t);
    const long long nsurf = in.integer();
    t.stopsurf = static_cast<int32_t>(in.integer());
    t.nrays = in.byte();
    const long long naber = in.integer();
    t.drawscale = in.real();
    t.damptype = in.byte();
    t.systype = in.byte();
    t.raytype = in.byte();
    t.nfields = in.byte();
    t.dlsiter = static_cast<int32_t>(in.integer());
    t.anglesurf = in.byte();
    in.readln();
    if (in.error()) return kInvalidNumeric;
    if (auto e = countserror(nsurf, naber); !e.empty()) return e;
    t.nsurf = static_cast<int32_t>(nsurf);
    t.naber = static_cast<int32_t>(naber);
    const std::string flags = in.str(t.systype >= 4 ? 3 : 2);
    in.readln();
    t.radiiflag = flags.size() > 0 ? flags[0] : '\0';
    t.asphdata = flags.size() > 1 ? flags[1] : '\0';
    if (flags.size() > 2) t.objinf = flags[2];
    allocsystem(t);
    readscalars(in, t);
    readblocks(in, t);
    readsurfaces(in, t);
    readrays(in, t);
    readtail(in, t);
    if (in.error()) return kInvalidNumeric;
    m = std::move(t);
    return {};
}

std::string writelensfile(const Model& m, std::string& text) {
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
    text = std::move(out);
    return {};
}

std::string loadlensfile(const std::string& path, Model& m) {
    auto text = readtextfile(path);
    if (!text) return "Cannot open file " + path;
    return readlensfile(*text, m);
}

std::string savelensfile(const std::string& path, const Model& m) {
    std::string text;
    if (auto e = writelensfile(m, text); !e.empty()) return e;
    return writefileatomic(path, text);
}

}  // namespace zefo
