// Batch commands of the glass catalogue: showing a glass, importing an AGF catalogue.
#include <charconv>
#include <ostream>

#include "batch/batch.h"
#include "batch/json.h"
#include "core/model/glasscat.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

namespace {

// Shortest text that reads back as the same double.
std::string exactreal(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// A miss with --json: the message and the closest names as one object on stdout.
std::string glassmiss(Context& c, const GlassMatch& g) {
    const std::string msg = glassmissmessage(c.args[0], g);
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.name("error", msg);
        w.names("suggestions", g.candidates.empty() ? g.suggestions : g.candidates);
        w.endobject();
        *c.out << w.text() << "\n";
    }
    return msg;
}

std::string glasscmd(Context& c) {
    expectargs(c, 1);
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    const GlassMatch g = cat.findglass(c.args[0]);
    if (!g) return glassmiss(c, g);
    const Index3 n = glassindices(g->a, c.m.lens.wl);
    std::ostream& out = *c.out;
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.name("name", g->name);
        w.name("code", g->code);
        w.key("serial");
        w.integer(g->serial);
        w.name("maker", g->maker);
        w.name("remark", g->remark);
        w.field("nd", g->nd);
        w.field("vd", g->vd);
        w.field("coefficients", std::vector<double>(g->a.begin(), g->a.end()));
        w.field("wl", std::vector<double>(c.m.lens.wl.begin(), c.m.lens.wl.end()));
        w.field("index", std::vector<double>(n.begin(), n.end()));
        w.field("disp", n[2] - n[1]);
        w.endobject();
        if (!w.ok()) return nonfinitemsg;
        out << w.text() << "\n";
        return {};
    }
    out << "GlassName " << g->name << "\n"
        << "GlassCode " << g->code << "\n"
        << "SerialNum " << g->serial << "\n"
        << "Maker " << g->maker << "\n"
        << "Remark " << g->remark << "\n"
        << "nd " << fmtf(g->nd, 0, 6) << "\n"
        << "vd " << fmtf(g->vd, 0, 4) << "\n";
    for (int i = 0; i < 6; ++i) out << "A" << i << " " << exactreal(g->a[i]) << "\n";
    for (int w = 0; w < 3; ++w) out << "n " << fmtf(c.m.lens.wl[w], 0, 7) << " " << fmtf(n[w], 0, 5) << "\n";
    out << "disp " << fmtf(n[2] - n[1], 0, 5) << "\n";
    return {};
}

// "A..B" with either end left out; a usage error when it is no such range.
void takerange(Context& c, const std::string& option, double& lo, double& hi) {
    const auto text = takeoption(c, option);
    if (!text) return;
    const size_t dots = text->find("..");
    const std::string a = dots == std::string::npos ? "" : text->substr(0, dots);
    const std::string b = dots == std::string::npos ? "" : text->substr(dots + 2);
    const auto x = parsereal(a), y = parsereal(b);
    if (dots == std::string::npos || (a.empty() && b.empty()) || (!a.empty() && !x) || (!b.empty() && !y) ||
        (x && y && *x > *y))
        throw UsageError{option + " needs a range A..B (either end may be left out), A not above B"};
    if (x) lo = *x;
    if (y) hi = *y;
}

std::string glassescmd(Context& c) {
    GlassFilter f;
    takerange(c, "--nd", f.ndmin, f.ndmax);
    takerange(c, "--vd", f.vdmin, f.vdmax);
    expectargs(c, 0);
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    const auto all = cat.allglasses();
    if (!cat.lasterror().empty()) return cat.lasterror();
    const auto list = filterglasses(all, f);
    std::ostream& out = *c.out;
    if (!c.json) {
        for (const auto& g : list)
            out << g.name << " " << g.code << " " << fmtf(g.nd, 0, 6) << " " << fmtf(g.vd, 0, 4) << "\n";
        return {};
    }
    JsonWriter w;
    w.beginobject();
    w.key("glasses");
    w.beginarray();
    for (const auto& g : list) {
        w.beginobject();
        w.name("name", g.name);
        w.name("code", g.code);
        w.field("nd", g.nd);
        w.field("vd", g.vd);
        w.endobject();
    }
    w.endarray();
    w.endobject();
    if (!w.ok()) return nonfinitemsg;
    out << w.text() << "\n";
    return {};
}

std::string importagfcmd(Context& c) {
    expectargs(c, 1);
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    const CommandText& t = commandtext("ImportGlassCatalogue");
    c.log.writeline(startline(t) + " " + c.args[0]);
    const AgfImport r = cat.importagf(c.args[0]);
    if (!r.error.empty()) {
        c.log.writeline(r.error);
        return r.error;
    }
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        const std::pair<const char*, int> counts[] = {
            {"added", r.added}, {"present", r.present}, {"unknownformula", r.unknownformula}, {"unusable", r.unusable}};
        for (const auto& [k, n] : counts) {
            w.key(k);
            w.integer(n);
        }
        w.endobject();
        *c.out << w.text() << "\n";
    } else {
        *c.out << "Glasses added: " << r.added << "\n"
               << "Skipped, name already in the catalogue: " << r.present << "\n"
               << "Skipped, unsupported formula: " << r.unknownformula << "\n"
               << "Skipped, unusable data: " << r.unusable << "\n";
    }
    c.log.writeline(finishedline(t));
    return {};
}

}  // namespace

std::vector<CommandEntry> glasscommands() {
    return {
        {"glass", "NAME", "a glass of the catalogue (any case, maker prefix optional, or nd/vd for a model glass): its data and its indices at the three wavelengths", glasscmd},
        {"glasses", "[--nd A..B] [--vd A..B]", "the glasses of the catalogue, or those within ranges of nd and vd", glassescmd},
        {"import-agf", "FILE", "add the glasses of an AGF catalogue file to the glass catalogue", importagfcmd},
    };
}

}  // namespace zefo::batch
