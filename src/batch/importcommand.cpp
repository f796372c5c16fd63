// zefo-batch import-zmx FILE OUT: a .zmx lens file read into a lens of the program, written
// to OUT with the notices of the import; a refused file writes nothing.
#include <filesystem>
#include <ostream>

#include "batch/batch.h"
#include "batch/json.h"
#include "core/import/zmximport.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"

namespace zefo::batch {
namespace {

std::string importzmxcmd(Context& c) {
    expectargs(c, 2);
    const auto bytes = readtextfile(c.args[0]);
    if (!bytes) return "Cannot read " + c.args[0];
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    const std::string stem = std::filesystem::path(c.args[0]).stem().string();
    const ZmxImport r = importzmx(c.m, *bytes, stem, cat);
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

}  // namespace

std::vector<CommandEntry> importcommands() {
    return {{"import-zmx", "FILE.zmx OUT.dat",
             "read a sequential .zmx lens file into a lens data file, with the notices of the import",
             importzmxcmd}};
}

}  // namespace zefo::batch
