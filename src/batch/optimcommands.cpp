// Batch commands of the optimization: the merit function, the default weights and damped
// least squares.
#include <cmath>
#include <ostream>

#include "batch/batch.h"
#include "batch/json.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/optim/dls.h"
#include "core/optim/merit.h"
#include "core/optim/variables.h"
#include "core/raytrace/paraxial.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

namespace {

void writecomponents(JsonWriter& w, const Model& m) {
    w.key("components");
    w.beginarray();
    for (int i = 0; i < ncomponents(m.lens, m.merit); ++i) {
        const size_t u = static_cast<size_t>(i);
        w.beginobject();
        w.name("name", m.merit.name[u]);
        w.field("value", m.merit.value[u]);
        w.field("target", m.merit.target[u]);
        w.field("weight", componentweight(m.lens, m.merit, i));
        w.field("contrib", m.merit.contrib[u]);
        w.endobject();
    }
    w.endarray();
}

// The ".otz" report of the lens as the merit function command writes it; the merit is
// that of its table.
bool report(Context& c, Report& r, double& merit) {
    if (!meritreport(c.m, c.m.merit, ReportHead{c.session.filepath(), c.date}, r)) return false;
    merit = meritsum(c.m, c.m.merit);
    return true;
}

std::string meritcmd(Context& c) {
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("MeritFunction");
    c.log.writeline(startline(t));
    double merit = 0;
    Report r;
    if (!report(c, r, merit)) return calcfailed(c, t);
    JsonWriter w;
    if (c.json) {
        w.beginobject();
        w.field("merit", merit);
        writecomponents(w, c.m);
        w.key("nvar");
        w.integer(countvariables(c.m));
        w.endobject();
    }
    return finish(c, t, r, w);
}

std::string weightscmd(Context& c) {
    expectargs(c, 2);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("OptimizationWeights");
    c.log.writeline(startline(t));
    sizemeritlist(c.m.lens, c.m.merit);
    if (!calcweights(c.m)) return calcfailed(c, t);
    double merit = 0;
    Report r;
    if (!report(c, r, merit)) return calcfailed(c, t);
    JsonWriter w;
    if (c.json) {
        w.beginobject();
        w.field("weights", std::vector<double>(c.m.lens.aberweight.begin(),
                                               c.m.lens.aberweight.begin() + c.m.lens.naber));
        w.field("merit", merit);
        w.endobject();
    }
    if (auto e = resultfailed(c, t, r, w); !e.empty()) return e;
    if (auto e = savelensfile(c.args[1], c.m.lens); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    return finish(c, t, r, w);
}

std::string dlscmd(Context& c) {
    const auto save = takeoption(c, "--save");
    const auto maxiter = takenumber(c, "--max-iter");
    if (maxiter && !(*maxiter >= 1 && *maxiter <= 10000 && *maxiter == std::floor(*maxiter)))
        throw ValueError{"--max-iter must be a whole number from 1 to 10000"};
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("ClassicalDlsOptimization");
    if (auto no = refusal(t, c.m); !no.empty()) return no;
    c.log.writeline(startline(t));
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    DlsSetup setup;
    setup.catalog = &cat;
    setup.ws = &c.ws;
    setup.filebase = c.session.filebase();
    setup.head = ReportHead{c.session.filepath(), c.date};
    if (maxiter) setup.maxiter = static_cast<int>(*maxiter);
    const DlsOutcome out = dlsoptimize(c.m, c.m.merit, setup, {});
    if (out.status != DlsOutcome::Status::finished) {
        c.session.fail(out.errmsg);
        return calcfailed(c, t);
    }
    if (save) {
        if (auto e = savelensfile(*save, c.m.lens); !e.empty()) {
            c.log.writeline(e);
            return e;
        }
    }
    Report r;
    for (const auto& line : out.memo) r.addline(line);
    JsonWriter w;
    if (c.json) {
        w.beginobject();
        w.field("merit_start", out.meritstart);
        w.field("merit", out.merit);
        w.key("iterations");
        w.integer(out.iterations);
        w.key("endflag");
        w.integer(out.endflag);
        w.names("warnings", out.warnings);
        w.key("variables");
        w.beginarray();
        for (const Variable& v : enumvariables(c.m, asphincrements(c.m))) {
            w.beginobject();
            w.key("surface");
            w.integer(v.surface + 1);
            w.name("kind", varkindname(v.kind));
            w.field("value", varvalue(c.m, v));
            w.endobject();
        }
        w.endarray();
        w.endobject();
    }
    return finish(c, t, r, w);
}

}  // namespace

std::vector<CommandEntry> optimcommands() {
    return {
        {"merit", "LENS.dat", "merit function of the lens: its components, weights and contributions", meritcmd},
        {"weights", "LENS.dat OUT.dat", "calculate the default aberration weights and save the lens as OUT.dat",
         weightscmd},
        {"dls", "LENS.dat [--save OUT.dat] [--max-iter N]",
         "damped least squares optimization of the labelled variables (optim/NAME.opt)", dlscmd},
    };
}

}  // namespace zefo::batch
