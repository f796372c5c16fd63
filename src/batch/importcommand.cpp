// zefo-batch import-zmx FILE OUT [--substitute NAME=ND:VD,...]: a .zmx lens file read into a
// lens of the program, written to OUT with the notices of the import; a refused file writes
// nothing. --substitute names catalogue glasses of the file the catalogue lacks with the
// index and Abbe number they have: the nearest catalogue glass takes each one's place.
#include <cmath>
#include <filesystem>
#include <ostream>

#include "batch/batch.h"
#include "batch/json.h"
#include "core/import/zmxexport.h"
#include "core/import/zmximport.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo::batch {
namespace {

// NAME=ND:VD,... of --substitute.
ZmxOptions substitutions(const std::string& list) {
    ZmxOptions o;
    size_t p = 0;
    while (p <= list.size()) {
        const size_t e = std::min(list.find(',', p), list.size());
        const std::string item = list.substr(p, e - p);
        p = e + 1;
        const size_t eq = item.find('='), colon = item.find(':', eq == std::string::npos ? 0 : eq);
        const auto nd = eq == std::string::npos || colon == std::string::npos
                            ? std::nullopt : parsereal(std::string_view(item).substr(eq + 1, colon - eq - 1));
        const auto vd = colon == std::string::npos ? std::nullopt : parsereal(std::string_view(item).substr(colon + 1));
        const double ndv = nd.value_or(NAN), vdv = vd.value_or(NAN);
        if (eq == 0 || !std::isfinite(ndv) || !std::isfinite(vdv))
            throw UsageError{"--substitute needs NAME=ND:VD[,NAME=ND:VD...], not " + item};
        o.substitutes[item.substr(0, eq)] = {ndv, vdv};
    }
    return o;
}

std::string importzmxcmd(Context& c) {
    const auto subs = takeoption(c, "--substitute");
    const ZmxOptions options = subs ? substitutions(*subs) : ZmxOptions{};
    expectargs(c, 2);
    const ZmxFile file = readzmxfile(c.args[0]);
    if (!file.error.empty()) return file.error;
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    const std::string stem = std::filesystem::path(c.args[0]).stem().string();
    const ZmxImport r = importzmx(c.m, file.bytes, stem, cat, options);
    if (!r.error.empty()) return c.args[0] + ": " + r.error;
    if (auto e = savelensfile(c.args[1], c.m.lens); !e.empty()) return e;
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.key("notices");
        w.beginarray();
        for (const auto& n : r.notices) w.string(n);
        w.endarray();
        w.field("efl", c.m.lens.efl);
        w.key("nsurf");
        w.integer(c.m.lens.nsurf);
        w.endobject();
        *c.out << w.text() << "\n";
    } else {
        for (const auto& n : r.notices) *c.out << n << "\n";
        *c.out << c.args[1] << "\n";
    }
    return {};
}

// zefo-batch export-zmx LENS.dat OUT.zmx: the lens as a sequential .zmx file, written whole
// only when the whole lens can be written.
std::string exportzmxcmd(Context& c) {
    expectargs(c, 2);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    std::vector<std::string> notices;
    if (auto e = savezmx(c.args[1], c.m.lens, cat, &notices); !e.empty()) return c.args[0] + ": " + e;
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.key("notices");
        w.beginarray();
        for (const auto& n : notices) w.string(n);
        w.endarray();
        w.endobject();
        *c.out << w.text() << "\n";
    } else {
        for (const auto& n : notices) *c.out << n << "\n";
        *c.out << c.args[1] << "\n";
    }
    return {};
}

}  // namespace

std::vector<CommandEntry> importcommands() {
    return {{"import-zmx", "FILE.zmx OUT.dat [--substitute NAME=ND:VD,...]",
             "read a sequential .zmx lens file into a lens data file, with the notices of the import",
             importzmxcmd},
            {"export-zmx", "LENS.dat OUT.zmx", "write a lens as a sequential .zmx lens file (UTF-16)", exportzmxcmd}};
}

}  // namespace zefo::batch
