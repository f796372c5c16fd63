// zefo-batch plot: the pictures of the program rendered without a display.
#include "batch/batch.h"

#ifdef ZEFO_PLOT

#include <cmath>
#include <cstdlib>
#include <iostream>

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include "batch/json.h"
#include "core/analysis/fieldcurves.h"
#include "core/forms/wavelengthform.h"
#include "core/imagequality/imagequality.h"
#include "core/plot/fanplot.h"
#include "core/plot/fieldplot.h"
#include "core/plot/iqplot.h"
#include "core/plot/systemplot.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"
#include "render/render.h"

namespace zefo::batch {
namespace {

enum PlotKind { ksystem, kfans, kspot, ktfspot, kgmtf, ktfmtf, kdmtf, kopd, kfield, nplotkinds };
constexpr const char* plotkinds[] = {"system", "fans", "spot", "tfspot", "gmtf", "tfmtf", "dmtf", "opd", "field"};
// the file name suffixes of the pictures, after the system name
constexpr const char* plotsuffixes[] = {"_optsys", "_raytr", "_spot", "_tfspot", "_gotf", "_tfotf", "_dotf", "_opd",
                                        "_field"};

// QtGui paints text only with an application object; without a display it runs offscreen,
// with a runtime folder of its own when the environment names none (so that the platform
// has nothing to warn about).
void needgui() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        static QTemporaryDir runtime(QDir::tempPath() + "/zefo-runtime-XXXXXX");   // removed at exit
        if (runtime.isValid()) {
            QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        }
    }
    static int argc = 1;
    static char name[] = "zefo-batch";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);  // lives until the process ends
}

void parsesize(const std::string& s, int& w, int& h) {
    const size_t x = s.find_first_of("xX");
    const auto a = x == std::string::npos ? std::nullopt : parseint(s.substr(0, x));
    const auto b = x == std::string::npos ? std::nullopt : parseint(s.substr(x + 1));
    if (!a || !b || *a < 100 || *b < 100 || *a > 10000 || *b > 10000)
        throw UsageError{"--size needs WxH, each 100 .. 10000 pixels"};
    w = static_cast<int>(*a);
    h = static_cast<int>(*b);
}

// The picture of kind k, or an error text.
std::string drawplot(Context& c, int k, const PlotWavelength& wl, int w, int h, int field, const FanOptions& fan,
                     DisplayList& out) {
    Model& m = c.m;
    const PlotTitle title{m.lens.sysname, c.session.filepath(), c.date};
    const int th = plottextheight();
    if (k == ksystem) {
        std::vector<std::string> notes;
        out = systemplot(m.lens, title, w, h, th, &notes, field);
        for (const auto& n : notes) std::cerr << n << "\n";
        return {};
    }
    if (k == kfans || k == kopd) {
        const FanKind kind = k == kopd ? FanKind::opd : m.telescope() ? FanKind::angular : FanKind::transverse;
        FanPlot p = fanplot(m.lens, kind, wl, title, w, h, th, fan);
        out = std::move(p.picture);
        return p.error;
    }
    if (k == kfield) {
        const FieldCurves curves = fieldcurves(m, wl.white());
        out = fieldplot(m.lens, curves, title, w, h, th);
        return curves.error;
    }
    IqRun run;
    run.header = iqheader(m.lens.sysname, c.session.filepath(), c.date);
    const SpotResult spot = spotcalc(m, run);
    if (m.calcerror) return m.errmsg;
    if (k == kspot) out = spotplot(m.lens, spot, wl, title, w, h, th, field);
    if (k == ktfspot) out = tfspotplot(m.lens, spot, wl, title, w, h, th, field);
    if (k >= kgmtf) {
        const MtfResult mtf = k == kgmtf    ? gmtfcalc(m, spot, m.lens.nfreq, run)
                              : k == ktfmtf ? tfmtfcalc(m, spot, m.lens.nfreq, run)
                                            : dmtfcalc(m, run);
        if (m.calcerror) return m.errmsg;
        out = mtfplot(m.lens, mtf, wl, title, w, h, th, field);
    }
    return {};
}

// What the picture shows, in the plotted quantities and in pixels.
void plotjson(JsonWriter& j, const char* kind, const std::string& file, const DisplayList& dl) {
    j.beginobject();
    j.key("kind");
    j.string(kind);
    j.key("file");
    j.string(file);
    j.key("width");
    j.integer(dl.width);
    j.key("height");
    j.integer(dl.height);
    j.key("panels");
    j.beginarray();
    for (const PlotPanel& p : dl.panels) {
        j.beginobject();
        j.key("title");
        j.string(p.title);
        j.key("x_unit");
        j.string(p.xunit);
        j.key("y_unit");
        j.string(p.yunit);
        j.key("frame");
        j.beginarray();
        for (int v : {p.frame.x, p.frame.y, p.frame.x + p.frame.w, p.frame.y + p.frame.h}) j.integer(v);
        j.endarray();
        j.key("curves");
        j.beginarray();
        for (const PlotCurve& cv : p.curves) {
            j.beginobject();
            j.key("label");
            j.string(cv.label);
            j.field("x", cv.x);
            j.field("y", cv.y);
            j.key("px");
            j.beginarray();
            for (const Pixel& q : cv.px) {
                j.beginarray();
                j.integer(q.x);
                j.integer(q.y);
                j.endarray();
            }
            j.endarray();
            j.endobject();
        }
        j.endarray();
        if (p.spot) {
            j.field("rms_um", p.numbers.rms);
            j.field("geo_um", p.numbers.geo);
            j.field("airy_um", p.numbers.airy);
            j.field("px_per_mm_x", p.numbers.pxpermmx);
            j.field("px_per_mm_y", p.numbers.pxpermmy);
        }
        j.endobject();
    }
    j.endarray();
    j.endobject();
}

std::string plotcmd(Context& c) {
    const auto file = takeoption(c, "--out");
    const auto size = takeoption(c, "--size");
    const auto code = takenumber(c, "--wl");
    const auto field = takenumber(c, "--field");
    const double pupil = takepupil(c);
    FanOptions fan;
    fan.commonscale = takeflag(c, "--common-scale");
    fan.waves = takeflag(c, "--waves");
    expectargs(c, 2);
    int k = 0;
    while (k < nplotkinds && c.args[0] != plotkinds[k]) ++k;
    if (k == nplotkinds) throw UsageError{"unknown picture " + c.args[0]};
    if (fan.commonscale && k != kfans && k != kopd) throw UsageError{"--common-scale applies to fans and opd"};
    if (fan.waves && k != kopd) throw UsageError{"--waves applies to opd"};
    int w = 1000, h = 700;
    if (size) parsesize(*size, w, h);
    if (code && (*code != std::floor(*code) || *code < 1 || *code > 4)) throw UsageError{"--wl needs 1, 2, 3 or 4"};
    if (field && (*field != std::floor(*field) || *field < 0 || *field > 3))
        throw UsageError{"--field needs 0 (the axis), 1, 2 or 3"};
    if (field && (k == kfans || k == kopd)) throw UsageError{"--field does not apply to fans: their rows are the fields"};
    if (field && k == kfield) throw UsageError{"--field does not apply to field: it spans every field"};
    if (file && !picturetype(QString::fromStdString(*file))) throw UsageError{"--out needs a .png, .bmp or .svg file"};
    if (auto e = openlens(c, c.args[1]); !e.empty()) return e;
    answerpupil(c, pupil);
    Model& m = c.m;
    PlotWavelength wl;
    if (!m.mono) {
        const int item = code ? (*code == 4 ? 0 : static_cast<int>(*code)) : (m.threewl() ? 0 : 1);
        const WavelengthChoice choice = wavelengthchoice(m, item);
        wl = PlotWavelength{choice.chosenwl, choice.label};
    }
    needgui();
    DisplayList dl;
    if (field && *field >= m.lens.nfields)
        return "The system has no field " + fmti(static_cast<int>(*field)) + ": its fields are 0 .. " +
               fmti(m.lens.nfields - 1);
    if (auto e = drawplot(c, k, wl, w, h, field ? static_cast<int>(*field) : -1, fan, dl); !e.empty())
        return "Error in calculation!\n" + e;
    std::string path = file ? *file : std::string();
    if (!file) {
        if (auto e = namedfilepath(c.ws.graphicsdir, m.lens.sysname, std::string(plotsuffixes[k]) + ".png", path);
            !e.empty())
            return e;
    }
    JsonWriter j;
    if (c.json) {
        plotjson(j, plotkinds[k], path, dl);
        if (!j.ok()) return std::string("Error in calculation!\n") + nonfinitemsg;
    }
    const QString err = savepicture(dl, QString::fromStdString(path));
    if (!err.isEmpty()) return err.toStdString();
    *c.out << (c.json ? j.text() : path) << "\n";
    return {};
}

}  // namespace
}  // namespace zefo::batch

#endif

namespace zefo::batch {

// zefo-batch itself has no renderer: its entry has no run and main hands the command line
// to the plot helper program, which has the same commands and draws.
std::vector<CommandEntry> plotcommands() {
#if defined(ZEFO_PLOT) || defined(ZEFO_PLOT_HELPER)
#ifdef ZEFO_PLOT
    Command run = plotcmd;
#else
    Command run;
#endif
    return {{"plot",
             "KIND LENS.dat [--out FILE] [--size WxH] [--field N] [--wl 1|2|3|4] [--pupil P] [--common-scale] "
             "[--waves]",
             "picture KIND (system, fans, opd, spot, tfspot, gmtf, tfmtf, dmtf, field) as .png, .bmp or .svg "
             "(default graphics/NAME_suffix.png); --field N draws field N alone (0 the axis); fans and opd: "
             "--common-scale one vertical scale for all panels, opd --waves in waves; --json prints the "
             "plotted numbers",
             run}};
#else
    return {};
#endif
}

}  // namespace zefo::batch
