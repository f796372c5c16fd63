// zefo-batch new LENS.json OUT: a lens built from a JSON description through the checks and
// the first computations of the New command.
#include <cmath>
#include <ostream>
#include <stdexcept>

#include "batch/batch.h"
#include "batch/json.h"
#include "batch/lensdescjson.h"
#include "core/edit/newsystem.h"
#include "core/edit/surfaceedit.h"
#include "core/model/glasscat.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo::batch {
namespace {

std::string newcmd(Context& c) {
    expectargs(c, 2);
    std::string source;
    if (auto e = readinputfile(c.args[0], kmaxdescriptionbytes, source); !e.empty()) return e;
    LensDesc d;
    if (auto e = readlensdesc(source, d); !e.empty()) return c.args[0] + ": " + e;
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    Model& m = c.m;
    if (auto e = buildlens(m, d, cataloglookup(cat)); !e.empty()) return e;
    if (auto e = newsystemfinish(m, c.args[1]); !e.empty()) return e;
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.key("file");
        w.string(c.args[1]);
        w.field("efl", m.lens.efl);
        w.field("image_distance", m.lens.sys.sp.sep[m.lens.nsurf]);
        w.endobject();
        *c.out << w.text() << "\n";
    } else {
        *c.out << c.args[1] << "\n";
    }
    return {};
}

}  // namespace

std::vector<CommandEntry> newcommands() {
    return {{"new", "LENS.json OUT.dat",
             "build a new lens from a JSON description with the checks of the New command", newcmd}};
}

}  // namespace zefo::batch
