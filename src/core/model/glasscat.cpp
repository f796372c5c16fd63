#include "core/model/glasscat.h"
#include "core/model/materials.h"

#include <sqlite3.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "core/util/fileio.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

// ---------------------------------------------------------------- glass data

std::string glasscode(double nd, double vd) {
    const double n = std::floor((nd - 1.0) * 1000.0 + 0.5), v = std::floor(vd * 10.0 + 0.5);
    if (!fitsint(n) || !fitsint(v)) return {};
    return std::to_string(static_cast<int>(n)) + std::to_string(static_cast<int>(v));
}

double schottindex(const SchottCoef& a, double wlmm) {
    const double um = wlmm * 1000.0;
    const double t = um * um;
    const double s = a[0] + a[1] * t + a[2] / t + a[3] / (t * t) + a[4] / (t * t * t) + a[5] / (t * t * t * t);
    return s > 0 ? std::sqrt(s) : s;
}

Index3 glassindices(const SchottCoef& a, const Index3& wl) {
    return {schottindex(a, wl[0]), schottindex(a, wl[1]), schottindex(a, wl[2])};
}

void applyglass(Model& m, int k, const GlassRecord& g) {
    auto& sp = m.lens.sys.sp;
    sp.index[k] = glassindices(g.a, m.lens.wl);
    sp.disp[k] = sp.index[k][2] - sp.index[k][1];
    sp.glass[k] = g.name;
}

GlassRecord modelglass(const std::string& name, double nd, double vd) {
    const double ud = 1 / (0.5875618 * 0.5875618), uc = 1 / (0.6562725 * 0.6562725),
                 uf = 1 / (0.4861327 * 0.4861327);
    if (vd == 0) {   // no dispersion: the index nd at every wavelength
        GlassRecord g;
        g.name = name;
        g.nd = nd;
        g.code = glasscode(nd, vd);
        g.maker = "model";
        g.a[0] = nd * nd;
        return g;
    }
    const double delta = (nd - 1) / vd;
    const double r = (uf - ud) / (ud - uc);
    // n^2 is linear in 1/lambda^2: nF = nC + delta with nF^2 - nd^2 = r (nd^2 - nC^2)
    const double a = 1 + r, b = 2 * delta, c = delta * delta - a * nd * nd;
    const double nc = (-b + std::sqrt(b * b - 4 * a * c)) / (2 * a);
    GlassRecord g;
    g.name = name;
    g.nd = nd;
    g.vd = vd;
    g.code = glasscode(nd, vd);
    g.a[2] = (nd * nd - nc * nc) / (ud - uc);
    g.a[0] = nd * nd - g.a[2] * ud;
    g.maker = "model";
    return g;
}

namespace {

constexpr size_t glassnamelength = 10;

// The text without blanks and tabs around it.
std::string glasstrim(std::string_view s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

// A number with d decimals, trailing zeros and a trailing point dropped.
std::string shortdecimals(double v, int d) {
    std::string s = fmtf(v, 0, d);
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

// The two numbers of an "nd/vd" text, empty when it has no such form.
std::optional<std::pair<double, double>> ndvdpair(const std::string& text) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos || text.find('/', slash + 1) != std::string::npos) return std::nullopt;
    const auto nd = parsereal(glasstrim(text.substr(0, slash)));
    const auto vd = parsereal(glasstrim(text.substr(slash + 1)));
    if (!nd || !vd) return std::nullopt;
    return std::make_pair(*nd, *vd);
}

}  // namespace

TypedModelGlass typedmodelglass(const std::string& text) {
    TypedModelGlass r;
    const auto p = ndvdpair(glasstrim(text));
    if (!p) return r;
    const auto [nd, vd] = *p;
    if (!(nd > 1 && nd <= 4 && vd > 0 && vd <= 200)) {
        r.error = "A model glass nd/vd needs nd above 1 and at most 4, vd above 0 and at most 200";
        return r;
    }
    std::string name;
    for (int total = 6; total >= 0; --total) {   // decimals of nd and vd together, nd first
        const int ndd = std::min(4, total), vdd = std::min(2, total - ndd);
        name = shortdecimals(nd, ndd) + "/" + shortdecimals(vd, vdd);
        if (name.size() <= glassnamelength) break;
    }
    r.glass = modelglass(name, nd, vd);
    return r;
}

bool ismodelglassname(const std::string& name) { return ndvdpair(name).has_value(); }

std::optional<GlassRecord> modelglassfromindices(const std::string& name, const Index3& index, const Index3& wl) {
    const auto u = [](double wlmm) { return 1 / (wlmm * 1e3 * wlmm * 1e3); };
    const double n1 = std::fabs(index[1]), n2 = std::fabs(index[2]);
    const double u1 = u(wl[1]), u2 = u(wl[2]);
    if (u1 == u2 || !std::isfinite(u1) || !std::isfinite(u2)) return std::nullopt;
    GlassRecord g;
    g.name = name;
    g.maker = "model";
    g.a[2] = (n2 * n2 - n1 * n1) / (u2 - u1);
    g.a[0] = n1 * n1 - g.a[2] * u1;
    const SchottCoef& a = g.a;
    g.nd = schottindex(a, 0.0005875618);
    g.vd = (g.nd - 1) / (schottindex(a, 0.0004861327) - schottindex(a, 0.0006562725));
    if (!std::isfinite(g.nd) || !std::isfinite(g.vd) || g.nd <= 1 || g.vd <= 0) return std::nullopt;
    g.code = glasscode(g.nd, g.vd);
    return g;
}

namespace {

// Upper case without '-', '_' and blanks.
std::string compactname(std::string_view s) {
    std::string r;
    for (char ch : s) {
        if (ch == '-' || ch == '_' || ch == ' ' || ch == '\t') continue;
        r += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    return r;
}

bool sameupper(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The name after a maker prefix of one to three letters and '-' ("N-BK7" gives "BK7"); the
// whole name when it has none.
std::string_view withoutmaker(std::string_view name) {
    size_t i = 0;
    while (i < name.size() && i < 4 && std::isalpha(static_cast<unsigned char>(name[i]))) ++i;
    if (i >= 1 && i <= 3 && i + 1 < name.size() && name[i] == '-') return name.substr(i + 1);
    return name;
}

// Edit distance (insertions, deletions, substitutions), bounded by the lengths.
size_t editdistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diag = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diag + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diag = up;
        }
    }
    return row[b.size()];
}

}  // namespace

NameMatch matchglassname(const std::vector<std::string>& names, const std::string& typedtext) {
    NameMatch r;
    const std::string typed = glasstrim(typedtext);
    const std::string key = compactname(typed);
    if (key.empty()) return r;
    using Test = std::function<bool(const std::string&)>;
    const Test tiers[] = {
        [&](const std::string& n) { return n == typed; },
        [&](const std::string& n) { return sameupper(n, typed); },
        [&](const std::string& n) { return compactname(n) == key; },
        [&](const std::string& n) { return compactname(withoutmaker(n)) == key; },
    };
    for (const Test& fits : tiers) {
        for (size_t i = 0; i < names.size(); ++i)
            if (fits(names[i])) r.candidates.push_back(static_cast<int>(i));
        if (r.candidates.size() == 1) r.found = r.candidates.front();
        if (r.found >= 0) r.candidates.clear();
        if (r.found >= 0 || !r.candidates.empty()) return r;
    }
    // Nothing fits: the closest spellings, of the whole name or of the name without maker.
    const size_t limit = key.size() <= 6 ? 2 : 3;
    std::vector<std::pair<size_t, int>> near;
    for (size_t i = 0; i < names.size(); ++i) {
        const size_t d = std::min(editdistance(key, compactname(names[i])),
                                  editdistance(key, compactname(withoutmaker(names[i]))));
        if (d <= limit) near.emplace_back(d, static_cast<int>(i));
    }
    std::stable_sort(near.begin(), near.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t i = 0; i < near.size() && i < 5; ++i) r.suggestions.push_back(near[i].second);
    return r;
}

bool GlassFilter::fits(const GlassRecord& g) const {
    if (!(g.nd >= ndmin && g.nd <= ndmax && g.vd >= vdmin && g.vd <= vdmax)) return false;
    const std::string key = compactname(text);
    return key.empty() || compactname(g.name).find(key) != std::string::npos || g.code.rfind(key, 0) == 0;
}

std::vector<GlassRecord> filterglasses(const std::vector<GlassRecord>& all, const GlassFilter& f) {
    std::vector<GlassRecord> r;
    for (const auto& g : all)
        if (f.fits(g)) r.push_back(g);
    return r;
}

std::string glassmissmessage(const std::string& typed, const GlassMatch& m) {
    const auto joined = [](const std::vector<std::string>& v) {
        std::string s;
        for (const auto& n : v) s += (s.empty() ? "" : ", ") + n;
        return s;
    };
    if (!m.error.empty()) return m.error;
    if (!m.candidates.empty())
        return "Glass name " + glasstrim(typed) + " fits several glasses: " + joined(m.candidates);
    std::string msg = "Glass name not found";
    if (!m.suggestions.empty()) msg += "\nClosest names: " + joined(m.suggestions);
    return msg;
}

bool setglass(GlassCatalog& cat, Model& m, int k, const std::string& name) {
    auto& sp = m.lens.sys.sp;
    if (name == "air" || name == "AIR") {
        sp.index[k] = {1.0, 1.0, 1.0};
        sp.disp[k] = 0;
        sp.glass[k] = name;
    } else {
        const auto g = cat.glassbyname(name);
        if (!g) return false;
        applyglass(m, k, *g);
    }
    if (sp.surflabel[k] == "M") {
        for (double& n : sp.index[k]) n = -n;
        sp.disp[k] = -sp.disp[k];
    }
    return true;
}

// ---------------------------------------------------------------- database

namespace {

constexpr const char* kSchema =
    "CREATE TABLE sgm (GlassName TEXT NOT NULL UNIQUE, GlassCode TEXT NOT NULL, "
    "SerialNum INTEGER PRIMARY KEY, nd REAL NOT NULL, vd REAL NOT NULL, "
    "A0 REAL NOT NULL, A1 REAL NOT NULL, A2 REAL NOT NULL, A3 REAL NOT NULL, "
    "A4 REAL NOT NULL, A5 REAL NOT NULL, Maker TEXT NOT NULL, Remark TEXT NOT NULL);"
    "CREATE INDEX GCIndx ON sgm (GlassCode);";

constexpr const char* kColumns = "GlassName, GlassCode, SerialNum, nd, vd, A0, A1, A2, A3, A4, A5, Maker, Remark";
constexpr const char* kCsvHeader = "GlassName,GlassCode,SerialNum,nd,vd,A0,A1,A2,A3,A4,A5,Maker,Remark";

// Owns a prepared statement for the length of one operation.
struct Stmt {
    sqlite3_stmt* st = nullptr;
    Stmt(sqlite3* db, const std::string& sql) { sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr); }
    ~Stmt() { sqlite3_finalize(st); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
};

std::string dberror(sqlite3* db) { return db ? sqlite3_errmsg(db) : "out of memory"; }

bool execsql(sqlite3* db, const char* sql, std::string& err) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) == SQLITE_OK) return true;
    err = msg ? msg : dberror(db);
    sqlite3_free(msg);
    return false;
}

void bindtext(sqlite3_stmt* st, int i, const std::string& s) {
    sqlite3_bind_text(st, i, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// Inserts one record; SerialNum 0 lets the database number it after the last one.
bool insertglass(sqlite3_stmt* st, const GlassRecord& g) {
    sqlite3_reset(st);
    bindtext(st, 1, g.name);
    bindtext(st, 2, g.code);
    if (g.serial > 0) sqlite3_bind_int(st, 3, g.serial);
    else sqlite3_bind_null(st, 3);
    sqlite3_bind_double(st, 4, g.nd);
    sqlite3_bind_double(st, 5, g.vd);
    for (int i = 0; i < 6; ++i) sqlite3_bind_double(st, 6 + i, g.a[i]);
    bindtext(st, 12, g.maker);
    bindtext(st, 13, g.remark);
    return sqlite3_step(st) == SQLITE_DONE;
}

std::string insertsql() {
    return std::string("INSERT INTO sgm (") + kColumns + ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)";
}

std::vector<std::string_view> splitcsv(std::string_view line) {
    std::vector<std::string_view> f;
    size_t p = 0;
    for (size_t c; (c = line.find(',', p)) != std::string_view::npos; p = c + 1) f.push_back(line.substr(p, c - p));
    f.push_back(line.substr(p));
    return f;
}

// One catalogue line of the bundled text; empty when it is malformed.
std::optional<GlassRecord> csvrecord(std::string_view line) {
    const auto f = splitcsv(line);
    if (f.size() != 13) return std::nullopt;
    GlassRecord g;
    g.name = f[0];
    g.code = f[1];
    const auto serial = parseint(f[2]);
    const auto nd = parsereal(f[3]), vd = parsereal(f[4]);
    if (g.name.empty() || !serial || !nd || !vd) return std::nullopt;
    g.serial = static_cast<int>(*serial);
    g.nd = *nd;
    g.vd = *vd;
    for (int i = 0; i < 6; ++i) {
        const auto a = parsereal(f[5 + i]);
        if (!a) return std::nullopt;
        g.a[i] = *a;
    }
    g.maker = f[11];
    g.remark = f[12];
    return g;
}

// Fills a new database with the bundled catalogue in one transaction.
std::string fillbundled(sqlite3* db) {
    std::string err;
    if (!execsql(db, "BEGIN", err) || !execsql(db, kSchema, err)) return err;
    Stmt ins(db, insertsql());
    if (!ins.st) return dberror(db);
    const std::string& text = bundledglasscsv();
    size_t p = text.find('\n');
    if (text.compare(0, p, kCsvHeader) != 0) return "the bundled glass list has a wrong header";
    int lineno = 1;
    while (p != std::string::npos && p + 1 < text.size()) {
        const size_t e = text.find('\n', p + 1);
        std::string_view line(text.data() + p + 1, (e == std::string::npos ? text.size() : e) - p - 1);
        p = e;
        ++lineno;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const auto g = csvrecord(line);
        if (!g) return "the bundled glass list is malformed in line " + std::to_string(lineno);
        if (!insertglass(ins.st, *g)) return dberror(db);
    }
    if (!execsql(db, "COMMIT", err)) return err;
    return {};
}

// Builds the catalogue in memory and writes it as one whole file, so that an interrupted
// first start, or several at once, never leave a half-filled catalogue behind.
std::string createbundled(const std::string& path) {
    sqlite3* db = nullptr;
    std::string err;
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
        err = dberror(db);
    else
        err = fillbundled(db);
    if (err.empty()) {
        sqlite3_int64 size = 0;
        unsigned char* image = sqlite3_serialize(db, "main", &size, 0);
        err = image ? writefileatomic(path, std::string(reinterpret_cast<const char*>(image), static_cast<size_t>(size)))
                    : dberror(db);
        sqlite3_free(image);
    }
    sqlite3_close(db);
    return err;
}

}  // namespace

GlassCatalog::~GlassCatalog() { close(); }

void GlassCatalog::finalizeall() {
    for (auto* st : {&byname_, &byserial_, &bycode_}) {
        sqlite3_finalize(*st);
        *st = nullptr;
    }
}

void GlassCatalog::close() {
    finalizeall();
    names_.clear();
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

std::string GlassCatalog::open(const std::string& glassdir) {
    close();
    lasterror_.clear();
    path_ = glassdir;
    if (!path_.empty() && path_.back() != '/') path_ += '/';
    path_ += "sgm.DB";
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec)) {
        if (auto err = createbundled(path_); !err.empty())
            return "Glass catalogue " + path_ + " cannot be created: " + err;
    }
    std::string err;
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        err = dberror(db_);
    } else {
        const std::string sel = std::string("SELECT ") + kColumns + " FROM sgm ";
        sqlite3_busy_timeout(db_, 2000);
        if (sqlite3_prepare_v2(db_, (sel + "WHERE GlassName = ?1").c_str(), -1, &byname_, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_, (sel + "WHERE SerialNum = ?1").c_str(), -1, &byserial_, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(db_, (sel + "INDEXED BY GCIndx WHERE GlassCode = ?1 ORDER BY SerialNum LIMIT 1").c_str(),
                               -1, &bycode_, nullptr) != SQLITE_OK)
            err = dberror(db_);
    }
    if (!err.empty()) {
        close();
        return "Glass catalogue " + path_ + " cannot be opened: " + err;
    }
    return {};
}

std::optional<GlassRecord> GlassCatalog::findone(sqlite3_stmt* st) {
    std::optional<GlassRecord> g = readrow(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    return g;
}

std::optional<GlassRecord> GlassCatalog::readrow(sqlite3_stmt* st) {
    std::optional<GlassRecord> g;
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_ROW) {
        const auto text = [st](int i) {
            const auto* p = sqlite3_column_text(st, i);
            return p ? std::string(reinterpret_cast<const char*>(p)) : std::string();
        };
        g.emplace();
        g->name = text(0);
        g->code = text(1);
        g->serial = sqlite3_column_int(st, 2);
        g->nd = sqlite3_column_double(st, 3);
        g->vd = sqlite3_column_double(st, 4);
        for (int i = 0; i < 6; ++i) g->a[i] = sqlite3_column_double(st, 5 + i);
        g->maker = text(11);
        g->remark = text(12);
    } else if (rc != SQLITE_DONE) {
        lasterror_ = "Glass catalogue " + path_ + ": " + dberror(db_);
    }
    return g;
}

std::vector<GlassRecord> GlassCatalog::allglasses() {
    std::vector<GlassRecord> all;
    if (!db_) return all;
    Stmt q(db_, std::string("SELECT ") + kColumns + " FROM sgm ORDER BY SerialNum");
    if (!q.st) {
        lasterror_ = "Glass catalogue " + path_ + ": " + dberror(db_);
        return all;
    }
    while (auto g = readrow(q.st)) all.push_back(std::move(*g));
    return all;
}

std::optional<GlassRecord> GlassCatalog::glassbyname(const std::string& name) {
    if (!db_) return std::nullopt;
    bindtext(byname_, 1, name);
    return findone(byname_);
}

const std::vector<std::string>& GlassCatalog::glassnames() {
    if (names_.empty() && db_) {
        Stmt q(db_, "SELECT GlassName FROM sgm ORDER BY SerialNum");
        while (q.st && sqlite3_step(q.st) == SQLITE_ROW) {
            const auto* p = sqlite3_column_text(q.st, 0);
            names_.emplace_back(p ? reinterpret_cast<const char*>(p) : "");
        }
    }
    return names_;
}

GlassMatch GlassCatalog::findglass(const std::string& typed) {
    GlassMatch r;
    if (auto model = typedmodelglass(typed); model.glass || !model.error.empty()) {
        r.glass = std::move(model.glass);
        r.error = std::move(model.error);
        return r;
    }
    if ((r.glass = glassbyname(glasstrim(typed)))) return r;
    const auto& names = glassnames();
    const NameMatch nm = matchglassname(names, typed);
    if (nm.found >= 0) r.glass = glassbyname(names[static_cast<size_t>(nm.found)]);
    for (int i : nm.candidates) r.candidates.push_back(names[static_cast<size_t>(i)]);
    for (int i : nm.suggestions) r.suggestions.push_back(names[static_cast<size_t>(i)]);
    if (!r.glass && !lasterror_.empty()) r.error = lasterror_;
    return r;
}

std::optional<GlassRecord> GlassCatalog::glassbyserial(int serial) {
    if (!db_) return std::nullopt;
    sqlite3_bind_int(byserial_, 1, serial);
    return findone(byserial_);
}

std::optional<GlassRecord> GlassCatalog::glassbycode(const std::string& code) {
    if (!db_) return std::nullopt;
    bindtext(bycode_, 1, code);
    return findone(bycode_);
}

int GlassCatalog::glasscount() {
    if (!db_) return 0;
    Stmt q(db_, "SELECT count(*) FROM sgm");
    if (!q.st || sqlite3_step(q.st) != SQLITE_ROW) {
        lasterror_ = "Glass catalogue " + path_ + ": " + dberror(db_);
        return 0;
    }
    return sqlite3_column_int(q.st, 0);
}

// ---------------------------------------------------------------- AGF import

namespace {

// A glass as the AGF file describes it: NM, CD and LD lines.
struct AgfGlass {
    std::string name;
    int formula = 0;
    std::optional<double> nd, vd;
    std::vector<double> cd;
    double lmin = 0, lmax = 0;  // LD range in micrometres, 0 when absent
    bool bad = false;           // a number that could not be read
};

enum class AgfVerdict { ok, unknownformula, unusable };

// AGF files come as ASCII, UTF-8 or UTF-16; the names and numbers are plain ASCII.
std::string agfplaintext(const std::string& raw) {
    const auto b = [&raw](size_t i) { return static_cast<unsigned char>(raw[i]); };
    if (raw.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF))) {
        const size_t lo = b(0) == 0xFF ? 0 : 1;
        std::string s;
        s.reserve(raw.size() / 2);
        for (size_t i = 2; i + 1 < raw.size(); i += 2) {
            const unsigned char c = b(i + lo), hi = b(i + 1 - lo);
            s += hi == 0 && c < 0x80 ? static_cast<char>(c) : '?';
        }
        return s;
    }
    if (raw.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) return raw.substr(3);
    return raw;
}

std::vector<std::string_view> agftokens(std::string_view line) {
    std::vector<std::string_view> t;
    size_t p = 0;
    while (true) {
        p = line.find_first_not_of(" \t\r", p);
        if (p == std::string_view::npos) break;
        const size_t e = std::min(line.find_first_of(" \t\r", p), line.size());
        t.push_back(line.substr(p, e - p));
        p = e;
    }
    return t;
}

std::vector<AgfGlass> parseagf(const std::string& text) {
    std::vector<AgfGlass> glasses;
    size_t p = 0;
    while (p < text.size()) {
        size_t e = text.find('\n', p);
        if (e == std::string::npos) e = text.size();
        const auto t = agftokens(std::string_view(text).substr(p, e - p));
        p = e + 1;
        if (t.empty()) continue;
        if (t[0] == "NM") {
            AgfGlass g;
            if (t.size() >= 6) {
                g.name = t[1];
                const auto f = parsereal(t[2]);
                g.formula = f && fitsint(*f) ? static_cast<int>(*f) : 0;  // 0: no known formula
                g.nd = parsereal(t[4]);
                g.vd = parsereal(t[5]);
            }
            g.bad = t.size() < 6 || !g.nd || !g.vd;
            glasses.push_back(g);
        } else if (glasses.empty()) {
            continue;
        } else if (t[0] == "CD") {
            auto& g = glasses.back();
            g.cd.clear();
            for (size_t i = 1; i < t.size(); ++i) {
                const auto v = parsereal(t[i]);
                if (!v) g.bad = true;
                g.cd.push_back(v.value_or(0));
            }
        } else if (t[0] == "LD" && t.size() >= 3) {
            auto& g = glasses.back();
            const auto lo = parsereal(t[1]), hi = parsereal(t[2]);
            if (!lo || !hi) g.bad = true;
            g.lmin = lo.value_or(0);
            g.lmax = hi.value_or(0);
        }
    }
    return glasses;
}

}  // namespace

SchottCoef fitschott(const std::function<double(double)>& nsq, double lo, double hi) {
    constexpr int npts = 129;
    Eigen::MatrixXd basis(npts, 6);
    Eigen::VectorXd rhs(npts);
    for (int i = 0; i < npts; ++i) {
        const double l = lo + (hi - lo) * i / (npts - 1);
        const double t = l * l;
        basis.row(i) << 1.0, t, 1.0 / t, 1.0 / (t * t), 1.0 / (t * t * t), 1.0 / (t * t * t * t);
        rhs(i) = nsq(l);
    }
    // Columns scaled to unit size keep the high inverse powers from spoiling the solution.
    const Eigen::VectorXd scale = basis.colwise().norm().transpose();
    const Eigen::VectorXd x = (basis * scale.cwiseInverse().asDiagonal()).colPivHouseholderQr().solve(rhs);
    SchottCoef a{};
    for (int i = 0; i < 6; ++i) a[i] = x(i) / scale(i);
    return a;
}

namespace {

// Schott coefficients of one AGF glass.
AgfVerdict agfcoefficients(const AgfGlass& g, SchottCoef& a) {
    int nterms = 0;
    switch (g.formula) {
        case 1:  // Schott: A0 .. A5 as they stand
            if (g.cd.size() < 6) return AgfVerdict::unusable;
            for (int i = 0; i < 6; ++i) a[i] = g.cd[i];
            return AgfVerdict::ok;
        case 2: nterms = 3; break;   // Sellmeier 1
        case 6: nterms = 4; break;   // Sellmeier 3
        case 11: nterms = 5; break;  // Sellmeier 5
        default: return AgfVerdict::unknownformula;
    }
    if (g.cd.size() < static_cast<size_t>(2 * nterms)) return AgfVerdict::unusable;
    double lo = 0.36, hi = 1.0;
    if (g.lmax > 0) {
        lo = std::max(lo, g.lmin);
        hi = std::min(hi, g.lmax);
    }
    if (hi - lo < 0.05) return AgfVerdict::unusable;
    const auto sellmeier = [&g, nterms](double l) {
        const double t = l * l;
        double s = 1.0;
        for (int i = 0; i < nterms; ++i) s += g.cd[2 * i] * t / (t - g.cd[2 * i + 1]);
        return s;
    };
    a = fitschott(sellmeier, lo, hi);
    for (double v : a)
        if (!std::isfinite(v)) return AgfVerdict::unusable;
    return AgfVerdict::ok;
}

}  // namespace

AgfImport GlassCatalog::importagf(const std::string& path) {
    AgfImport r;
    if (!db_) {
        r.error = "The glass catalogue is not open";
        return r;
    }
    const auto raw = readtextfile(path);
    if (!raw) {
        r.error = "Cannot read file " + path;
        return r;
    }
    const auto glasses = parseagf(agfplaintext(*raw));
    const std::string maker = std::filesystem::path(path).stem().string();
    lasterror_.clear();
    std::string err;
    if (!execsql(db_, "BEGIN IMMEDIATE", err)) {
        r.error = "Glass catalogue " + path_ + ": " + err;
        return r;
    }
    Stmt ins(db_, insertsql());
    bool ok = ins.st != nullptr;
    for (size_t i = 0; ok && i < glasses.size(); ++i) {
        const AgfGlass& ag = glasses[i];
        GlassRecord g;
        const AgfVerdict v = ag.bad ? AgfVerdict::unusable : agfcoefficients(ag, g.a);
        if (v == AgfVerdict::ok) g.code = glasscode(*ag.nd, *ag.vd);
        if (v == AgfVerdict::unknownformula) {
            ++r.unknownformula;
        } else if (v == AgfVerdict::unusable || g.code.empty() || ag.name.size() > 10 || ag.name == "air" ||
                   ag.name == "AIR") {
            ++r.unusable;
        } else if (glassbyname(ag.name)) {
            ++r.present;
        } else {
            g.name = ag.name;
            g.nd = *ag.nd;
            g.vd = *ag.vd;
            g.maker = maker;
            g.remark = "imported";
            ok = insertglass(ins.st, g);
            if (ok) ++r.added;
        }
    }
    ok = ok && lasterror_.empty() && execsql(db_, "COMMIT", err);
    names_.clear();
    if (!ok) {
        r.error = "Glass catalogue " + path_ + ": " + (lasterror_.empty() ? (err.empty() ? dberror(db_) : err) : lasterror_);
        execsql(db_, "ROLLBACK", err);
        r.added = 0;
    }
    return r;
}

}  // namespace zefo
