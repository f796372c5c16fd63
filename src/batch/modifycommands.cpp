// Batch commands of the Modify menu and the CAD export: the questions of the calculations
// are answered by the command's options.
#include <filesystem>
#include <ostream>

#include "batch/batch.h"
#include "batch/json.h"
#include "core/analysis/systemreport.h"
#include "core/cad/acadscript.h"
#include "core/model/lensfile.h"
#include "core/modify/mechanics.h"
#include "core/modify/modify.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

namespace {

// The answers the options give: the construction type, whether a thin lens is thickened,
// the glass density and whether the proposed diameters are accepted.
class OptionAnswers : public Interaction {
public:
    int construction = 0;
    bool thicken = false;
    double density = 2.5;
    bool acceptdiameters = false;
    std::string refused;   // the message of a refused option value

    Answer confirm(const std::string& caption, const std::string&) override {
        if (caption == thincaption) return thicken ? Answer::yes : Answer::no;
        if (caption == masscaption) {
            if (!acceptdiameters) refused = "The lens mechanical diameters need --accept-diameters";
            return acceptdiameters ? Answer::yes : Answer::cancel;
        }
        return Answer::yes;
    }
    std::optional<int> choose(const std::string&, const std::vector<std::string>&, int) override {
        return construction;
    }
    std::optional<double> enternumber(const NumberQuestion& q) override {
        if (q.check) refused = q.check(density);
        if (!refused.empty()) return std::nullopt;
        return density;
    }
};

OptionAnswers takeanswers(Context& c) {
    OptionAnswers a;
    if (const auto k = takeoption(c, "--construction")) {
        if (*k != "lock" && *k != "rolled") throw UsageError{"--construction must be lock or rolled"};
        a.construction = *k == "rolled" ? 1 : 0;
    }
    if (const auto t = takeoption(c, "--thicken")) {
        if (*t != "yes" && *t != "no") throw UsageError{"--thicken must be yes or no"};
        a.thicken = *t == "yes";
    }
    if (const auto d = takenumber(c, "--density")) {
        if (!(*d >= 2 && *d <= 5)) throw ValueError{densityoptionmsg};
        a.density = *d;
    }
    a.acceptdiameters = takeflag(c, "--accept-diameters");
    return a;
}

ReportHead modifyhead(const Context& c) { return {c.session.filepath(), c.date}; }

// The end of a modification: its system data report computed, then the lens saved as out
// and the report printed. A command that fails writes no file.
std::string savemodified(Context& c, const CommandText& t, const std::string& out) {
    const OpticalSystem modified = c.m.lens;   // the lens as the modification left it
    Report r;
    if (!systemreport(c.m, modifyhead(c), r, true)) return calcfailed(c, t);
    if (auto e = resultfailed(c, t, r, JsonWriter{}); !e.empty()) return e;
    if (auto e = savelensfile(out, modified); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    return finish(c, t, r, JsonWriter{});
}

std::string scalecmd(Context& c) {
    expectargs(c, 3);
    const auto k = parsetyped(c.args[1]);
    if (!k) throw ValueError{notanumbermsg};
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("ModifyScale");
    if (auto e = scalesys(c.m.lens, *k); !e.empty()) return e;
    c.log.writeline(startline(t));
    c.log.writeline(scaleline(*k));
    return savemodified(c, t, c.args[2]);
}

std::string anglesolvecmd(Context& c) {
    expectargs(c, 3);
    const auto f = parsetyped(c.args[1]);
    if (!f) throw ValueError{notanumbermsg};
    if (*f == 0) return eflzeromsg;
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("ModifyAngleSolve");
    c.log.writeline(startline(t));
    c.log.writeline(anglesolveline(*f));
    if (!anglesolvefocal(c.m, *f)) {
        c.session.fail(c.m.errmsg);
        return calcfailed(c, t);
    }
    return savemodified(c, t, c.args[2]);
}

std::string reversecmd(Context& c) {
    expectargs(c, 2);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("ModifyReverse");
    c.log.writeline(startline(t));
    reversesys(c.m.lens);
    return savemodified(c, t, c.args[1]);
}

std::string stdradiicmd(Context& c) {
    expectargs(c, 2);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("ModifyStandardRadii");
    c.log.writeline(startline(t));
    standardradii(c.m.lens);
    return savemodified(c, t, c.args[1]);
}

// "surfaces": [first, last], numbered from 1.
void surfacepair(JsonWriter& w, int first, int last) {
    w.key("surfaces");
    w.beginarray();
    w.integer(first + 1);
    w.integer(last + 1);
    w.endarray();
}

// The end of a mechanical operation that did not finish: its log line and the text.
std::string unfinished(Context& c, const CommandText& t, const MechOutcome& o, const OptionAnswers& a) {
    if (o.cancelled) {
        c.log.writeline(terminatedline(t));
        return a.refused.empty() ? std::string("Terminated by user") : a.refused;
    }
    c.session.fail(o.error);
    return calcfailed(c, t);
}

std::string mechanicscmd(Context& c) {
    OptionAnswers a = takeanswers(c);
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& tr = commandtext("DistanceRing");
    c.log.writeline(startline(tr));
    MechDiameters d;
    std::vector<DistanceRing> rings;
    const MechOutcome ro = distancerings(c.m, a, d, rings);
    if (!ro.ok()) return unfinished(c, tr, ro, a);
    c.log.writeline(finishedline(tr));
    const CommandText& tm = commandtext("SystemMass");
    c.log.writeline(startline(tm));
    MechDiameters md;
    std::vector<LensMass> lenses;
    const MechOutcome mo = systemmass(c.m, a, md, lenses);
    if (!mo.ok()) return unfinished(c, tm, mo, a);
    for (const auto& line : mo.log) c.log.writeline(line);
    Report r;
    mechdiamlines(c.m.lens, d, modifyhead(c), r);
    if (!rings.empty()) ringlines(c.m.lens, rings, modifyhead(c), r);
    for (const Notice& n : ro.notices) r.addline(n.text);
    for (const Notice& n : mo.notices) r.addline(n.text);
    double total = 0;
    for (const LensMass& l : lenses) total += l.mass;
    JsonWriter w;
    w.beginobject();
    w.key("lenses");
    w.beginarray();
    for (const LensMass& l : lenses) {
        w.beginobject();
        surfacepair(w, l.first, l.last);
        w.field("mechdiam", l.mechdiam);
        w.field("volume", l.volume);
        w.field("mass", l.mass);
        w.endobject();
    }
    w.endarray();
    w.key("rings");
    w.beginarray();
    for (const DistanceRing& g : rings) {
        w.beginobject();
        surfacepair(w, g.first, g.last);
        w.field("length", g.length);
        w.field("diameter", g.outer);
        w.endobject();
    }
    w.endarray();
    w.field("total_mass", total);
    w.endobject();
    return finish(c, tm, r, w);
}

std::string acadcmd(Context& c) {
    const bool rays = takeflag(c, "--rays");
    OptionAnswers a = takeanswers(c);
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext(rays ? "AcadOpticalSystemRays" : "AcadOpticalSystem");
    c.log.writeline(startline(t));
    const CadDrawing d = acadscript(c.m, rays, a);
    if (d.outcome.cancelled) {
        c.log.writeline(terminatedline(t));
        return t.canceltext;
    }
    if (!d.outcome.error.empty()) {
        c.session.fail(d.outcome.error);
        return calcfailed(c, t);
    }
    const std::string base = c.ws.scriptdir + c.session.filebase();
    const std::string script = base + (rays ? "h.scr" : ".scr"), dxf = base + (rays ? "h.dxf" : ".dxf");
    if (auto e = writecadfiles(c.m.lens, d, script, dxf); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    c.log.writeline(finishedline(t));
    if (c.json) {
        JsonWriter w;
        w.beginobject();
        w.name("script", script);
        w.name("dxf", dxf);
        w.endobject();
        *c.out << w.text() << "\n";
    } else {
        *c.out << script << "\n" << dxf << "\n";
    }
    return {};
}

}  // namespace

std::vector<CommandEntry> modifycommands() {
    return {
        {"scale", "LENS.dat K OUT.dat", "scale the system by K and save it as OUT.dat", scalecmd},
        {"anglesolve", "LENS.dat EFL OUT.dat", "solve the last curvature for the focal length EFL, save OUT.dat",
         anglesolvecmd},
        {"reverse", "LENS.dat OUT.dat", "turn the system back to front and save it as OUT.dat", reversecmd},
        {"stdradii", "LENS.dat OUT.dat", "round every radius to the standard series and save OUT.dat", stdradiicmd},
        {"mechanics", "LENS.dat [--construction lock|rolled] [--thicken yes|no] [--density D] [--accept-diameters]",
         "mechanical diameters, distance rings and the mass of the lenses", mechanicscmd},
        {"acad", "LENS.dat [--rays] [--construction lock|rolled]",
         "CAD script (script/NAME.scr, NAMEh.scr with --rays) and DXF drawing of the lens section", acadcmd},
    };
}

}  // namespace zefo::batch
