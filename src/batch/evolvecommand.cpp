// Batch command of the evolutionary optimizers.
#include <cmath>
#include <filesystem>
#include <ostream>

#include "batch/batch.h"
#include "batch/json.h"
#include "core/evolution/eaparams.h"
#include "core/evolution/earun.h"
#include "core/forms/eaforms.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

namespace {

// The command of a run in the catalogue.
const CommandText& evolvetext(EAKind k) {
    static const char* const ids[] = {"AssgaOptimization", "EsEvolOptimization", "EsGrupOptimization",
                                      "EsRekoOptimization", "EsKorrOptimization"};
    return commandtext(ids[static_cast<int>(k)]);
}

// "S1,S2" within the ranges of the random source.
std::pair<int, int> parseseed(const std::string& text) {
    const auto comma = text.find(',');
    const auto s1 = parseint(text.substr(0, comma));
    const auto s2 = comma == std::string::npos ? std::nullopt : parseint(text.substr(comma + 1));
    if (!s1 || !s2 || *s1 < 0 || *s1 > 31326 || *s2 < 0 || *s2 > 30079)
        throw ValueError{"--seed must be two whole numbers S1,S2 with S1 from 0 to 31326 and S2 from 0 to 30079"};
    return {static_cast<int>(*s1), static_cast<int>(*s2)};
}

std::string evolvecmd(Context& c) {
    const auto seed = takeoption(c, "--seed");
    const auto generations = takenumber(c, "--generations");
    const auto params = takeoption(c, "--params");
    const auto threads = takenumber(c, "--threads");
    const auto save = takeoption(c, "--save");
    if (generations && !(*generations >= 1 && *generations <= 2147483647.0 && *generations == std::floor(*generations)))
        throw ValueError{"--generations must be a whole number from 1 to 2147483647"};
    if (threads && *threads != 1 && *threads != 2) throw ValueError{"--threads must be 1 or 2"};
    expectargs(c, 2);
    EAKind kind{};
    if (!parseeakind(c.args[0], kind))
        throw UsageError{"unknown kind " + c.args[0] + " (assga, evol, grup, reko or korr)"};
    EASetup setup;
    if (seed) {
        setup.seeded = true;
        setup.seed = parseseed(*seed);
    }
    if (auto e = openlens(c, c.args[1]); !e.empty()) return e;
    const CommandText& t = evolvetext(kind);
    EAParams p;
    p.kind = eaparamkind(kind);
    p.recombine = kind == EAKind::reko;
    // the parameter file given, else the system's own data file when there is one
    std::string own;
    if (auto e = namedfilepath(c.ws.geneticdir, c.m.lens.sysname, eaextension(p.kind), own); !e.empty()) return e;
    const std::string file = params ? *params : own;
    if (params || std::filesystem::exists(own)) {
        if (auto e = loadeafile(file, p, p.kind); !e.empty()) return e;
    }
    if (generations) p.maxgen = static_cast<int>(*generations);
    c.log.writeline(startline(t));
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    setup.catalog = &cat;
    setup.ws = &c.ws;
    setup.filebase = c.session.filebase();
    setup.head = ReportHead{c.session.filepath(), c.date};
    setup.threads = threads ? static_cast<int>(*threads) : 1;
    const EAOutcome out = runevolution(c.m, kind, p, setup, {});
    if (out.status != EAOutcome::Status::finished) {
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
    r.addline("Seed " + fmti(out.seed.first) + "," + fmti(out.seed.second));
    for (const auto& line : out.memo) r.addline(line);
    JsonWriter w;
    if (c.json) {
        w.beginobject();
        w.field("merit_start", out.meritstart);
        w.field("merit", out.merit);
        w.key("generations");
        w.integer(out.generations);
        w.key("evaluations");
        w.integer(out.evaluations);
        w.key("phase");
        w.integer(out.phase);
        w.key("seed");
        w.beginarray();
        w.integer(out.seed.first);
        w.integer(out.seed.second);
        w.endarray();
        w.endobject();
    }
    return finish(c, t, r, w);
}

}  // namespace

std::vector<CommandEntry> evolvecommands() {
    return {
        {"evolve", "KIND LENS.dat [--seed S1,S2] [--generations N] [--params FILE] [--threads 1|2] [--save OUT.dat]",
         "evolutionary optimization (assga, evol, grup, reko, korr) of the labelled variables", evolvecmd},
    };
}

}  // namespace zefo::batch
