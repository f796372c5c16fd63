// The glass catalogue: table sgm of the SQLite database glassdir + "sgm.DB".
// Fields in order: GlassName, GlassCode (key of the index GCIndx), SerialNum, nd, vd,
// A0 .. A5 (Schott dispersion formula, wavelength in micrometres), Maker, Remark.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/model/model.h"

struct sqlite3;
struct sqlite3_stmt;

namespace zefo {

using SchottCoef = std::array<double, 6>;

struct GlassRecord {
    std::string name;   // GlassName
    std::string code;   // GlassCode, e.g. "517642"
    int serial = 0;     // SerialNum
    double nd = 0;      // catalogue index
    double vd = 0;      // catalogue Abbe number
    SchottCoef a{};     // A0 .. A5
    std::string maker;
    std::string remark;
};

// Glass code: round((nd - 1) * 1000) followed by round(vd * 10), halves rounded up; empty
// when a part does not fit in an int.
std::string glasscode(double nd, double vd);

// Schott formula at one wavelength in mm: n^2 = A0 + A1 t + A2/t + A3/t^2 + A4/t^3 + A5/t^4
// with t the wavelength in micrometres squared; a non-positive n^2 is returned as it is.
double schottindex(const SchottCoef& a, double wlmm);

// Indices at the three wavelengths wl (mm).
Index3 glassindices(const SchottCoef& a, const Index3& wl);

// Row k of the system takes the glass: indices at m.lens.wl, disp = n(wl[2]) - n(wl[1]), name.
void applyglass(Model& m, int k, const GlassRecord& g);

// A glass given by its index nd and Abbe number vd only: Schott coefficients A0 and A2 (n^2
// linear in 1/lambda^2, the normal-glass rule) that give nd at the d line and
// nF - nC = (nd - 1) / vd exactly; maker "model".
GlassRecord modelglass(const std::string& name, double nd, double vd);

// A model glass typed as "nd/vd" (e.g. "1.5168/64.17"), its coefficients from the typed
// values. Its name is its mark and label: nd and vd rounded into the ten characters a lens
// file keeps of a glass name (nd with up to four decimals, vd with up to two, as many as fit:
// "1.5168/64", "1.8/25.36"), trailing zeros dropped; the exact glass lives in the lens's
// indices (modelglassfromindices). Empty when the text is no "nd/vd"; `error` set when it is
// one whose values no glass can have (nd not in 1 .. 4, vd not in 0 .. 200).
struct TypedModelGlass {
    std::optional<GlassRecord> glass;
    std::string error;
};
TypedModelGlass typedmodelglass(const std::string& text);
// A name of the form "nd/vd" (a model glass, not a catalogue glass).
bool ismodelglassname(const std::string& name);
// The model glass whose indices a lens row holds (signs of a mirror space dropped), fitted by
// the normal-glass rule to the indices at wl[1] and wl[2]; empty when those two wavelengths
// are the same or the indices give no glass.
std::optional<GlassRecord> modelglassfromindices(const std::string& name, const Index3& index, const Index3& wl);

// A forgiving lookup of a typed glass name among the catalogue's names: the exact name; else
// the same name in any case; else the same letters and digits without '-', '_' and blanks
// ("nbk7" for "N-BK7"); else the name without its maker prefix (one to three letters and '-':
// "BK7HT" for "N-BK7HT"). The first of these that fits decides: one name is found, several
// are ambiguous. When nothing fits, up to five names closest in spelling are suggested.
// Indices into `names`.
struct NameMatch {
    int found = -1;
    std::vector<int> candidates;    // ambiguous: every name that fits
    std::vector<int> suggestions;   // nothing fits: the closest names, closest first
};
NameMatch matchglassname(const std::vector<std::string>& names, const std::string& typed);

// The result of a forgiving glass lookup: the glass, or why there is none.
struct GlassMatch {
    std::optional<GlassRecord> glass;
    std::vector<std::string> candidates;    // the typed name fits several glasses
    std::vector<std::string> suggestions;   // closest names of the catalogue
    std::string error;                      // a text of its own (model glass values, database)
    GlassMatch() = default;
    GlassMatch(std::optional<GlassRecord> g) : glass(std::move(g)) {}  // NOLINT: a lookup's plain answer
    GlassMatch(std::nullopt_t) {}                                     // NOLINT
    explicit operator bool() const { return glass.has_value(); }
    const GlassRecord* operator->() const { return &*glass; }
    const GlassRecord& operator*() const { return *glass; }
};

// The message of a failed lookup of `typed`: "Glass name not found", with the closest names
// or the glasses an ambiguous name fits.
std::string glassmissmessage(const std::string& typed, const GlassMatch& m);

// The glasses a designer looks for: a text found in the name (any case, '-', '_' and blanks
// ignored) or the start of the glass code, nd and vd within closed ranges.
struct GlassFilter {
    std::string text;
    double ndmin = -HUGE_VAL, ndmax = HUGE_VAL;
    double vdmin = -HUGE_VAL, vdmax = HUGE_VAL;
    bool fits(const GlassRecord& g) const;
};
std::vector<GlassRecord> filterglasses(const std::vector<GlassRecord>& all, const GlassFilter& f);

// The editors' glass entry for row k: "air" and "AIR" give indices 1 and dispersion 0
// without a lookup, other names are looked up; a row labelled exactly "M" stores the
// indices and the dispersion negated. False (row unchanged) when the name is not found.
class GlassCatalog;
bool setglass(GlassCatalog& cat, Model& m, int k, const std::string& name);

// The bundled catalogue text (CSV with the header line of the table's fields).
const std::string& bundledglasscsv();

// Result of an AGF import.
struct AgfImport {
    int added = 0;
    int present = 0;        // skipped: the name is already in the catalogue
    int unknownformula = 0; // skipped: dispersion formula not supported
    int unusable = 0;       // skipped: name longer than 10 characters or "air", bad numbers,
                            // nd or vd too large for a glass code, no usable wavelength range
    std::string error;      // the file could not be read or the database not written
};

class GlassCatalog {
public:
    GlassCatalog() = default;
    GlassCatalog(const GlassCatalog&) = delete;
    GlassCatalog& operator=(const GlassCatalog&) = delete;
    ~GlassCatalog();

    // Opens glassdir + "sgm.DB"; when that file is missing it is first built from the
    // bundled catalogue. Returns an error text, empty on success.
    std::string open(const std::string& glassdir);
    void close();
    bool isopen() const { return db_ != nullptr; }
    const std::string& path() const { return path_; }

    // Exact, case-sensitive search on the name.
    std::optional<GlassRecord> glassbyname(const std::string& name);
    // The forgiving lookup of the editors, New and the lens description: "nd/vd" gives a
    // model glass, any other text is matched by matchglassname.
    GlassMatch findglass(const std::string& typed);
    // The names of the catalogue in the order of the serial numbers (kept until the catalogue
    // changes).
    const std::vector<std::string>& glassnames();
    std::optional<GlassRecord> glassbyserial(int serial);
    // The glass of that code with the lowest serial number.
    std::optional<GlassRecord> glassbycode(const std::string& code);
    int glasscount();
    // Every glass of the catalogue in the order of the serial numbers.
    std::vector<GlassRecord> allglasses();

    // Adds the glasses of an AGF catalogue file in one transaction, after the last serial
    // number, with the file's base name as maker. Names already present are skipped (the
    // catalogue keeps its data). Schott-formula glasses are taken as they stand, Sellmeier
    // glasses (3, 4 or 5 terms) are fitted to the Schott formula over 0.36 .. 1.0 um.
    AgfImport importagf(const std::string& path);

    // Text of the last database failure of a search (empty when none).
    const std::string& lasterror() const { return lasterror_; }

private:
    std::optional<GlassRecord> findone(sqlite3_stmt* st);
    std::optional<GlassRecord> readrow(sqlite3_stmt* st);
    void finalizeall();

    sqlite3* db_ = nullptr;
    sqlite3_stmt* byname_ = nullptr;
    sqlite3_stmt* byserial_ = nullptr;
    sqlite3_stmt* bycode_ = nullptr;
    std::string path_;
    std::string lasterror_;
    std::vector<std::string> names_;   // glassnames(), empty until asked for
};

}  // namespace zefo
