// Batch commands of the model (saving a lens data file, writing the sample lenses) and the
// helpers every command shares: the lens file, options, failures and results.
#include <filesystem>
#include <ostream>

#include "core/app/samplelenses.h"
#include "batch/batch.h"
#include "batch/json.h"
#include "core/model/glasscat.h"
#include "core/model/lensfile.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

std::string openlens(Context& c, const std::string& path) {
    if (auto e = loadlensfile(path, c.m); !e.empty()) return e;
    c.session.opened(std::filesystem::absolute(path).lexically_normal().generic_string());
    return {};
}

std::optional<std::string> takeoption(Context& c, const std::string& name) {
    std::optional<std::string> value;
    for (size_t i = 0; i < c.args.size();) {
        if (c.args[i] != name) {
            ++i;
            continue;
        }
        if (value) throw UsageError{name + " given twice"};
        if (i + 1 >= c.args.size()) throw UsageError{name + " needs a value"};
        value = c.args[i + 1];
        c.args.erase(c.args.begin() + static_cast<long>(i), c.args.begin() + static_cast<long>(i) + 2);
    }
    return value;
}

bool takeflag(Context& c, const std::string& name) {
    return std::erase(c.args, name) > 0;
}

std::optional<double> takenumber(Context& c, const std::string& name) {
    const auto text = takeoption(c, name);
    if (!text) return std::nullopt;
    const auto v = parsetyped(*text);
    if (!v) throw ValueError{notanumbermsg};
    return v;
}

double takepupil(Context& c) { return takenumber(c, "--pupil").value_or(0.0); }

void answerpupil(Context& c, double pupil) {
    c.m.askentrpupil = [pupil] { return pupil; };
}

void expectargs(const Context& c, size_t n) {
    for (const auto& a : c.args)
        if (a.size() > 2 && a.rfind("--", 0) == 0) throw UsageError{"unknown option " + a};
    if (c.args.size() < n) throw UsageError{"missing argument"};
    if (c.args.size() > n) {
        std::string surplus = c.args.size() - n > 1 ? "surplus arguments" : "surplus argument";
        for (size_t i = n; i < c.args.size(); ++i) surplus += " " + c.args[i];
        throw UsageError{surplus};
    }
}

std::string calcfailed(Context& c, const CommandText& t) {
    const std::string& msg = c.session.error();
    c.log.writeline(msg);
    return msg.empty() ? t.errtext : t.errtext + ("\n" + msg);
}

std::string resultfailed(Context& c, const CommandText& t, const Report& r, const JsonWriter& w) {
    if (r.numbers().finite() && (!c.json || w.ok())) return {};
    c.session.fail(nonfinitemsg);
    return calcfailed(c, t);
}

std::string finish(Context& c, const CommandText& t, const Report& r, const JsonWriter& w) {
    if (auto e = resultfailed(c, t, r, w); !e.empty()) return e;
    c.log.writeline(finishedline(t));
    if (c.json)
        *c.out << w.text() << "\n";
    else
        for (const auto& line : r.lines()) *c.out << line << "\n";
    return {};
}

namespace {

std::string savecmd(Context& c) {
    expectargs(c, 2);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("FileSave");
    c.log.writeline(startline(t));
    if (auto e = savelensfile(c.args[1], c.m.lens); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    c.log.writeline(finishedline(t));
    return {};
}

// Writes the sample lens data files into the workspace's dat folder.
std::string samplescmd(Context& c) {
    expectargs(c, 0);
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    std::vector<std::string> written;
    for (const SampleLens& s : samplelenses()) {
        const Model m = buildsamplelens(s, cat);
        if (m.calcerror) return std::string(s.sysname) + ": " + m.errmsg;
        const std::string path = c.ws.datdir + s.sysname + ".dat";
        if (auto e = savelensfile(path, m.lens); !e.empty()) return e;
        written.push_back(path);
    }
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.key("files");
        w.beginarray();
        for (const auto& path : written) w.string(path);
        w.endarray();
        w.endobject();
        *c.out << w.text() << "\n";
    } else {
        for (const auto& path : written) *c.out << path << "\n";
    }
    return {};
}

}  // namespace

std::vector<CommandEntry> modelcommands() {
    return {
        {"save", "IN.dat OUT.dat", "read a lens data file and write it again under another name", savecmd},
        {"samples", "", "write the sample lenses into the dat folder of the workspace", samplescmd},
    };
}

}  // namespace zefo::batch
