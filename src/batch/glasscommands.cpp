// Batch commands of the glass catalogue: showing a glass, importing an AGF catalogue.
#include <charconv>
#include <ostream>

#include "batch.h"
#include "model/glasscat.h"
#include "util/numfmt.h"

namespace zefo::batch {

namespace {

// Shortest text that reads back as the same double.
std::string exactreal(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string glasscmd(Context& c) {
    expectargs(c, 1);
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    const auto g = cat.glassbyname(c.args[0]);
    if (!g) return cat.lasterror().empty() ? "Glass name not found" : cat.lasterror();
    std::ostream& out = *c.out;
    out << "GlassName " << g->name << "\n"
        << "GlassCode " << g->code << "\n"
        << "SerialNum " << g->serial << "\n"
        << "Maker " << g->maker << "\n"
        << "Remark " << g->remark << "\n"
        << "nd " << fmtf(g->nd, 0, 6) << "\n"
        << "vd " << fmtf(g->vd, 0, 4) << "\n";
    for (int i = 0; i < 6; ++i) out << "A" << i << " " << exactreal(g->a[i]) << "\n";
    const Index3 n = glassindices(g->a, c.m.wl);
    for (int w = 0; w < 3; ++w) out << "n " << fmtf(c.m.wl[w], 0, 7) << " " << fmtf(n[w], 0, 5) << "\n";
    out << "disp " << fmtf(n[2] - n[1], 0, 5) << "\n";
    return {};
}

std::string importagfcmd(Context& c) {
    expectargs(c, 1);
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    c.log.writeline("Import glass catalogue " + c.args[0]);
    const AgfImport r = cat.importagf(c.args[0]);
    if (!r.error.empty()) {
        c.log.writeline(r.error);
        return r.error;
    }
    *c.out << "Glasses added: " << r.added << "\n"
           << "Skipped, name already in the catalogue: " << r.present << "\n"
           << "Skipped, unsupported formula: " << r.unknownformula << "\n"
           << "Skipped, unusable data: " << r.unusable << "\n";
    c.log.writeline("Import glass catalogue - Finished");
    return {};
}

}  // namespace

std::vector<CommandEntry> glasscommands() {
    return {
        {"glass", "NAME", "a glass of the catalogue: its data and its indices at the three wavelengths", glasscmd},
        {"import-agf", "FILE", "add the glasses of an AGF catalogue file to the glass catalogue", importagfcmd},
    };
}

}  // namespace zefo::batch
