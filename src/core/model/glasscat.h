// The glass catalogue: table sgm of the SQLite database glassdir + "sgm.DB".
// Fields in order: GlassName, GlassCode (key of the index GCIndx), SerialNum, nd, vd,
// A0 .. A5 (Schott dispersion formula, wavelength in micrometres), Maker, Remark.
#pragma once

#include <array>
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

    std::optional<GlassRecord> glassbyname(const std::string& name);
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
};

}  // namespace zefo
