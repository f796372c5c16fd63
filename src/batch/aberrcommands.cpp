// Batch commands of the aberration analysis: the ray trace (aberration list), the Seidel
// coefficients and the axial, chief and oblique ray analysis.
#include <array>
#include <functional>
#include <ostream>

#include "core/analysis/aberrations.h"
#include "core/analysis/rayanalysis.h"
#include "core/analysis/seidel.h"
#include "core/analysis/systemreport.h"
#include "batch/batch.h"
#include "batch/json.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

namespace {

// One report command: the id of its texts, the calculation and the --json values of its
// result.
struct ReportCommand {
    const char* id;
    std::function<void(Model&, const ReportHead&, Report&)> calc;
    std::function<void(JsonWriter&, const Model&)> json;
};

std::string runreport(Context& c, const ReportCommand& rc) {
    const double pupil = takepupil(c);
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    answerpupil(c, pupil);
    const CommandText& t = commandtext(rc.id);
    c.log.writeline(startline(t));
    Report r;
    rc.calc(c.m, ReportHead{c.session.filepath(), c.date}, r);
    if (c.session.failed()) return calcfailed(c, t);
    JsonWriter w;
    if (c.json) {
        w.beginobject();
        rc.json(w, c.m);
        w.endobject();
    }
    if (auto e = resultfailed(c, t, r, w); !e.empty()) return e;
    if (auto e = r.finishreport(c.ws, c.session.filebase(), t.ext); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    return finish(c, t, r, w);
}

std::string raytracecmd(Context& c) {
    MeritList list;
    const ReportCommand rc{
        "RayTrace",
        [&list](Model& m, const ReportHead& h, Report& r) { list = raytracereport(m, h, r); },
        [&list](JsonWriter& w, const Model&) {
            w.key("aberrations");
            w.beginarray();
            for (size_t i = 0; i < static_cast<size_t>(list.count); ++i) {
                w.beginobject();
                w.name("name", list.name[i]);
                w.field("value", list.value[i]);
                w.endobject();
            }
            w.endarray();
        }};
    return runreport(c, rc);
}

std::string seidelcmd(Context& c) {
    SeidelData s;
    const ReportCommand rc{
        "SeidelCoefficients",
        [&s](Model& m, const ReportHead& h, Report& r) { s = seidel(m, h, r); },
        [&s](JsonWriter& w, const Model&) {
            w.field("sums", std::vector<double>(s.sums.begin(), s.sums.end()));
            w.key("surfaces");
            w.beginarray();
            for (const auto& row : s.rows) {
                w.beginobject();
                w.field("H", row.H);
                w.field("U", row.U);
                w.field("A", row.A);
                w.field("DUN", row.DUN);
                w.field("hbar", row.hbar);
                w.field("UBAR", row.UBAR);
                w.field("ABAR", row.ABAR);
                w.field("S", std::vector<double>(row.S.begin(), row.S.end()));
                w.endobject();
            }
            w.endarray();
            w.field("HL", s.HL);
            w.field("Uimage", s.Uimage);
        }};
    return runreport(c, rc);
}

std::vector<double> vec(const std::array<double, 3>& a, int n) {
    return std::vector<double>(a.begin(), a.begin() + n);
}

std::string aberrationscmd(Context& c) {
    RayAnalysis a;
    const ReportCommand rc{
        "Aberrations",
        [&a](Model& m, const ReportHead& h, Report& r) { a = aberrationsreport(m, h, r); },
        [&a](JsonWriter& w, const Model&) {
            const int n = a.nwl;
            w.field("dst", a.dst);
            w.field("dopsis", a.dopsis);
            w.field("dsistot", a.dsistot);
            w.key("axial");
            w.beginarray();
            for (const auto& x : a.axial) {
                w.beginobject();
                w.key("ray");
                w.integer(x.ray + 1);
                w.field("H", x.H);
                w.field("LSA", vec(x.LSA, n));
                w.field("TSA", vec(x.TSA, n));
                w.field("OSC", vec(x.OSC, n));
                w.field("isoplanatism", vec(x.iso, n));
                w.field("angle", vec(x.angle, n));
                w.field("axialchrom", x.axialchrom);
                w.field("transchrom", x.transchrom);
                w.field("anglechrom", x.anglechrom);
                w.endobject();
            }
            w.endarray();
            w.key("chief");
            w.beginarray();
            for (const auto& x : a.chief) {
                w.beginobject();
                w.key("ray");
                w.integer(x.ray + 1);
                w.field("field", x.field);
                w.field("astigmatism", x.astig);
                w.field("fieldcurvature", x.fieldcurv);
                w.field("diopastig", x.diopastig);
                w.field("diopfield", x.diopfield);
                w.field("distortion", x.distortion);
                w.field("relheight", vec(x.relheight, n));
                w.field("magchrom", x.magchrom);
                w.field("angleab", vec(x.angleab, n));
                w.field("anglechrom", x.anglechrom);
                w.field("pupilab", vec(x.pupilab, n));
                w.field("pupilchrom", x.pupilchrom);
                w.endobject();
            }
            w.endarray();
            w.key("oblique");
            w.beginarray();
            for (const auto& x : a.oblique) {
                w.beginobject();
                w.key("ray");
                w.integer(x.ray + 1);
                w.field("field", x.field);
                w.key("zones");
                w.beginarray();
                for (const auto& z : x.zones) {
                    w.beginobject();
                    w.field("H", z.H);
                    w.field("coma", vec(z.coma, n));
                    w.endobject();
                }
                w.endarray();
                w.endobject();
            }
            w.endarray();
        }};
    return runreport(c, rc);
}

}  // namespace

std::vector<CommandEntry> aberrcommands() {
    return {
        {"raytrace", "LENS.dat [--pupil P]", "ray trace of the ray scheme and the aberration tables (abr/NAME.rez)",
         raytracecmd},
        {"seidel", "LENS.dat [--pupil P]", "Seidel coefficients of every surface and their sums (abr/NAME.sei)",
         seidelcmd},
        {"aberrations", "LENS.dat [--pupil P]", "axial, chief and oblique ray analysis (abr/NAME.abr)",
         aberrationscmd},
    };
}

}  // namespace zefo::batch
