// Batch commands of the system reports, the ray scheme and the single ray trace.
#include <algorithm>
#include <ostream>

#include "core/analysis/systemreport.h"
#include "batch/batch.h"
#include "batch/json.h"
#include "core/model/lensfile.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"
#include "core/analysis/singleraytrace.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

namespace {

ReportHead reporthead(const Context& c) {
    return {c.session.filepath(), c.date};
}

// The first-order data that nudatparax leaves in the model.
void firstorderjson(JsonWriter& w, const Model& m) {
    w.field("efl", m.lens.efl);
    w.field("lbar", m.lens.lbar);
    w.field("lbarp", m.lens.lbarp);
    w.field("up", m.lens.up);
    w.field("sep", m.lens.sys.sp.sep);
    w.field("y0", m.lens.rays.y.empty() ? 0.0 : m.lens.rays.y[0]);
    w.field("m0", m.lens.rays.m.empty() ? 0.0 : m.lens.rays.m[0]);
}

void raysjson(JsonWriter& w, const Model& m) {
    w.key("rays");
    w.beginarray();
    const auto& r = m.lens.rays;
    for (size_t k = 0; k < r.rl.size(); ++k) {
        w.beginobject();
        w.key("rl");
        w.integer(r.rl[k]);
        w.field("xrel", r.xrel[k]);
        w.field("yrel", r.yrel[k]);
        w.field("x", r.x[k]);
        w.field("y", r.y[k]);
        w.field("l", r.l[k]);
        w.field("m", r.m[k]);
        w.endobject();
    }
    w.endarray();
}

// The data of the system table: name, wavelengths, fields and one entry per surface row
// 0 .. nsurf in every per-surface array (the row of the image surface last).
void systemjson(JsonWriter& w, const Model& m, bool full) {
    const auto& sp = m.lens.sys.sp;
    w.name("sysname", m.lens.sysname);
    w.key("systype");
    w.integer(m.lens.systype);
    w.key("stopsurf");
    w.integer(m.lens.stopsurf);
    w.field("wl", std::vector<double>(m.lens.wl.begin(), m.lens.wl.end()));
    w.field("field", std::vector<double>(m.lens.field.begin(), m.lens.field.begin() + std::min<size_t>(m.lens.field.size(), m.lens.nfields)));
    w.field("na", m.lens.na);
    w.field("mag", m.lens.mag);
    w.names("surflabel", sp.surflabel);
    w.field("radius", sp.radius);
    w.field("curv", sp.curv);
    w.names("glass", sp.glass);
    w.field("index", sp.index);
    w.field("disp", sp.disp);
    w.field("hmax", sp.hmax);
    // conic and aspheric constants; 0 for a system without them
    const auto& asf = m.lens.sys.asf;
    const std::pair<const char*, const std::vector<double>*> aspheric[] = {
        {"eps", &asf.eps}, {"a4", &asf.a4}, {"a6", &asf.a6}, {"a8", &asf.a8}, {"a10", &asf.a10}};
    for (const auto& [k, values] : aspheric) {
        std::vector<double> v(sp.radius.size(), 0.0);
        std::copy_n(values->begin(), std::min(values->size(), v.size()), v.begin());
        w.field(k, v);
    }
    if (full) {
        // the limits as the table shows them: radii, or curvatures for a system given by curvatures
        w.field("radmin", m.lens.radmin);
        w.field("radmax", m.lens.radmax);
        w.field("sepmin", m.lens.sepmin);
        w.field("sepmax", m.lens.sepmax);
    }
}

// system, system-full: the window-only system data reports.
std::string systemcmd(Context& c, bool full) {
    const double pupil = takepupil(c);
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    answerpupil(c, pupil);
    const CommandText& t = commandtext(full ? "OpticalSystemFull" : "OpticalSystem");
    c.log.writeline(startline(t));
    Report r;
    const bool ok = full ? systemreportfull(c.m, reporthead(c), r) : systemreport(c.m, reporthead(c), r, true);
    if (!ok) return calcfailed(c, t);
    JsonWriter w;
    w.beginobject();
    firstorderjson(w, c.m);
    systemjson(w, c.m, full);
    w.endobject();
    return finish(c, t, r, w);
}

std::string raysreportcmd(Context& c) {
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext("RayData");
    c.log.writeline(startline(t));
    Report r;
    rayreport(c.m.lens, r);
    JsonWriter w;
    w.beginobject();
    raysjson(w, c.m);
    w.endobject();
    return finish(c, t, r, w);
}

// The paraxial data of a block and the design data they follow from.
void paraxvaluesjson(JsonWriter& w, const LensParax& p, const LensDesign& d) {
    w.field("f", p.f);
    w.field("sp", p.sp);
    w.field("s", p.s);
    w.field("radius", d.radius);
    w.field("thickness", d.thick);
}

// paraxial, paraxial-full: the ".prs" report.
std::string paraxialcmd(Context& c, bool full) {
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    const CommandText& t = commandtext(full ? "ParaxialRaytraceFull" : "ParaxialRayTrace");
    if (auto notice = refusal(t, c.m); !notice.empty()) return notice;
    c.log.writeline(startline(t));
    Report r;
    std::vector<ParaxBlock> blocks;
    paraxreport(c.m.lens, reporthead(c), r, full, &blocks);
    JsonWriter w;
    if (c.json) {
        // the whole system's focus besides the blocks
        ssetq(c.m);
        if (c.session.failed()) return calcfailed(c, t);
        const SystemFocus focus = systemfocus(c.m);
        w.beginobject();
        w.field("efl", focus.efl);
        w.field("bfd", focus.bfd);
        w.key("blocks");
        w.beginarray();
        for (const auto& b : blocks) {
            w.beginobject();
            w.key("kind");
            w.string(b.doublet ? "doublet" : "lens");
            w.key("number");
            w.integer(b.number);
            w.key("surfaces");
            w.beginarray();
            for (size_t k = 0; k < b.design.radius.size(); ++k) w.integer(b.firstsurface + static_cast<long long>(k));
            w.endarray();
            w.names("glass", b.design.glass);
            paraxvaluesjson(w, b.nominal, b.design);
            if (full) {
                w.key("min");
                w.beginobject();
                paraxvaluesjson(w, b.minimum, b.mindesign);
                w.endobject();
                w.key("max");
                w.beginobject();
                paraxvaluesjson(w, b.maximum, b.maxdesign);
                w.endobject();
            }
            w.endobject();
        }
        w.endarray();
        w.endobject();
    }
    if (auto e = resultfailed(c, t, r, w); !e.empty()) return e;
    if (auto e = r.finishreport(c.ws, c.session.filebase(), t.ext); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    return finish(c, t, r, w);
}

// rayscheme: "Calculate Ray Scheme", then the ray scheme table; --save writes the lens
// data file with the aimed rays.
std::string rayschemecmd(Context& c) {
    const double pupil = takepupil(c);
    const auto save = takeoption(c, "--save");
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    if (c.m.lens.raytype == 0) return normalraysmsg;
    answerpupil(c, pupil);
    const CommandText& t = commandtext("CalculateRayScheme");
    c.log.writeline(startline(t));
    rayscheme(c.m);
    if (c.session.failed()) return calcfailed(c, t);
    JsonWriter w;
    w.beginobject();
    firstorderjson(w, c.m);
    raysjson(w, c.m);
    w.endobject();
    Report r;
    rayreport(c.m.lens, r);
    if (!save) return finish(c, t, r, w);
    if (auto e = resultfailed(c, t, r, w); !e.empty()) return e;
    c.log.writeline(finishedline(t));
    const CommandText& savetext = commandtext("FileSave");
    c.log.writeline(startline(savetext));
    if (auto e = savelensfile(*save, c.m.lens); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    return finish(c, savetext, r, w);
}

// The dialog's choice from --ray N or --xylm X,Y,L,M and --wl 1|2|3.
SrtInput srtchoice(Context& c, std::string& error) {
    SrtInput in;
    const auto ray = takeoption(c, "--ray");
    const auto xylm = takeoption(c, "--xylm");
    const auto wl = takeoption(c, "--wl");
    if (ray.has_value() == xylm.has_value()) throw UsageError{"srt needs either --ray N or --xylm X,Y,L,M"};
    if (ray) {
        auto n = parseint(*ray);
        if (!n) error = notanumbermsg;
        // Outside 1 .. maxrays no ray of any scheme: the dialog's range check refuses it.
        else in.raynumber = *n >= 1 && *n <= maxrays ? static_cast<int>(*n) : -1;
    } else {
        in.raynumber = 0;
        double* fields[] = {&in.X, &in.Y, &in.L, &in.M};
        size_t p = 0;
        for (int f = 0; f < 4; ++f) {
            const size_t comma = xylm->find(',', p);
            if ((f < 3) == (comma == std::string::npos)) throw UsageError{"--xylm needs X,Y,L,M"};
            const size_t e = f < 3 ? comma : xylm->size();
            auto v = parsetyped(xylm->substr(p, e - p));
            if (!v) error = notanumbermsg;
            else *fields[f] = *v;
            p = e + 1;
        }
    }
    if (wl) {
        if (*wl != "1" && *wl != "2" && *wl != "3") throw UsageError{"--wl must be 1, 2 or 3"};
        in.wl = (*wl)[0] - '1';
    }
    return in;
}

std::string srtcmd(Context& c) {
    std::string error;
    const SrtInput in = srtchoice(c, error);
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    if (error.empty()) error = checksrtinput(c.m, in);
    if (!error.empty()) return error;
    const CommandText& t = commandtext("SingleRayTrace");
    c.log.writeline(startline(t));
    for (const auto& line : srtchoicelog(in)) c.log.writeline(line);
    Report r;
    if (!singleraytrace(c.m, in, reporthead(c), r)) return calcfailed(c, t);
    JsonWriter w;
    w.beginobject();
    w.key("surfray");
    w.beginarray();
    for (int i = 0; i <= c.m.lens.nsurf; ++i) {
        const RayPoint& p = c.m.trace.surfray[static_cast<size_t>(i)];
        w.beginobject();
        w.field("X", p.X);
        w.field("Y", p.Y);
        w.field("Z", p.Z);
        w.field("L", p.L);
        w.field("M", p.M);
        w.field("N", p.N);
        w.endobject();
    }
    w.endarray();
    w.endobject();
    if (auto e = resultfailed(c, t, r, w); !e.empty()) return e;
    if (auto e = r.finishreport(c.ws, c.session.filebase(), t.ext); !e.empty()) {
        c.log.writeline(e);
        return e;
    }
    return finish(c, t, r, w);
}

}  // namespace

std::vector<CommandEntry> tracecommands() {
    return {
        {"system", "LENS.dat [--pupil P]", "system data: focal length, wavelengths and the surface table",
         [](Context& c) { return systemcmd(c, false); }},
        {"system-full", "LENS.dat [--pupil P]", "system data with the limits of the radii and separations",
         [](Context& c) { return systemcmd(c, true); }},
        {"rays", "LENS.dat", "the ray scheme table: label, start point and direction of every ray", raysreportcmd},
        {"paraxial", "LENS.dat", "paraxial data of every lens and cemented doublet (abr/NAME.prs)",
         [](Context& c) { return paraxialcmd(c, false); }},
        {"paraxial-full", "LENS.dat", "paraxial data also for the minimum and maximum radii and thicknesses",
         [](Context& c) { return paraxialcmd(c, true); }},
        {"rayscheme", "LENS.dat [--save OUT.dat] [--pupil P]",
         "aim the rays of the ray scheme; --save writes the lens with the aimed rays", rayschemecmd},
        {"srt", "LENS.dat (--ray N | --xylm X,Y,L,M) [--wl 1|2|3]",
         "single ray trace, surface by surface, of a scheme ray or a ray of your own (abr/NAME.srt)", srtcmd},
    };
}

}  // namespace zefo::batch
