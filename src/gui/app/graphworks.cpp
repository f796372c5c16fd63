#include "gui/app/graphworks.h"

#include <memory>

#include "core/analysis/fieldcurves.h"
#include "core/imagequality/imagequality.h"
#include "core/edit/surfaceedit.h"
#include "core/model/glasscat.h"
#include "core/plot/fanplot.h"
#include "core/plot/fieldplot.h"
#include "core/plot/glassmap.h"
#include "core/plot/iqplot.h"
#include "core/plot/systemplot.h"
#include "core/util/fileio.h"
#include "gui/graphics/glassmapwindow.h"
#include "gui/app/iqdialogs.h"
#include "gui/graphics/graphwindow.h"

namespace zefo::gui {

namespace {

// The spot and MTF results of the current design, valid while the session says so.
struct KeptResults {
    SpotResult spot;
    MtfResult gmtf, tfmtf, dmtf;
};

KeptResults& kept() {
    static KeptResults r;
    return r;
}

// The file of Save: the graphics folder, the system's name (the current one for a picture
// that follows the lens, else the name it was computed for) and the picture's suffix.
std::function<QString()> savepath(CalcContext& c, const char* suffix, bool follows = true) {
    const std::string dir = c.ws.graphicsdir;
    Model* m = &c.m;
    const std::string name = c.m.lens.sysname;
    return [dir, m, name, follows, suffix] {
        std::string path;  // empty for a name that is no valid file name: the window refuses it
        namedfilepath(dir, follows ? m->lens.sysname : name, std::string(suffix) + ".bmp", path);
        return QString::fromStdString(path);
    };
}

// The title of a picture read at every drawing: the design may have been renamed or saved.
std::function<PlotTitle()> titleof(CalcContext& c) {
    Model* m = &c.m;
    Session* s = &c.session;
    const std::string date = c.date;
    return [m, s, date] { return PlotTitle{m->lens.sysname, s->filepath(), date}; };
}

PlotWavelength plotwl(const WavelengthChoice& wl) {
    return PlotWavelength{wl.chosenwl == 0 ? 1 : wl.chosenwl, wl.label};
}

void writereport(CalcContext& c, const IqRun& run, const char* ext) {
    if (c.session.failed()) return;
    std::string text;
    for (const auto& l : run.lines) text += l + "\n";
    const std::string e = writefileatomic(reportpath(c.ws, c.session.filebase(), ext), text);
    if (!e.empty()) c.session.fail(e);
}

IqRun newrun(CalcContext& c) {
    IqRun run;
    run.header = iqheader(c.m.lens.sysname, c.session.filepath(), c.date);
    return run;
}

QWidget* fans(CalcContext& c, const WavelengthChoice& wl, FanKind kind, const QString& caption) {
    Model* m = &c.m;
    const auto title = titleof(c);
    const PlotWavelength pw = plotwl(wl);
    // the first drawing shows whether the rays pass
    const FanPlot first = fanplot(m->lens, kind, pw, title(), 380, 245, 13);
    if (!first.error.empty()) {
        c.session.fail(first.error);
        return nullptr;
    }
    auto options = std::make_shared<FanOptions>();
    auto* g = new GraphWindow(
        caption,
        [m, kind, pw, title, options](int w, int h, int th) {
            return fanplot(m->lens, kind, pw, title(), w, h, th, *options).picture;
        },
        savepath(c, "_raytr"), QSize(760, 490));
    g->addoption("One &Scale", "CommonScale", [options](bool on) { options->commonscale = on; });
    if (kind == FanKind::opd) g->addoption("In &Waves", "Waves", [options](bool on) { options->waves = on; });
    return g;
}

// The spot diagram of the current design: when it is stale, "Edit MTF" first (a cancel
// cancels the command), then the calculation.
void ensurespot(CalcContext& c) {
    if (c.session.valid(iqspot)) return;
    if (!mtfdialog(c)) return;
    IqRun run = newrun(c);
    kept().spot = spotcalc(c.m, run);
    writereport(c, run, ".spt");
    if (!c.session.failed()) c.session.setvalid(iqspot);
}

// The lens and title a result was computed from, kept with its picture: a window drawn
// from a result never shows it under another lens's name or fields.
struct FrozenDesign {
    OpticalSystem lens;
    PlotTitle title;
};

FrozenDesign frozen(CalcContext& c) { return {c.m.lens, titleof(c)()}; }

QWidget* mtfwindow(CalcContext& c, const WavelengthChoice& wl, const MtfResult& table, const char* suffix,
                   QSize size) {
    const FrozenDesign d = frozen(c);
    const PlotWavelength pw = plotwl(wl);
    const QString caption = table.kind == MtfKind::Geometrical    ? "Geometrical MTF"
                            : table.kind == MtfKind::ThroughFocus ? "Through Focus Geometrical MTF"
                                                                  : "Diffraction MTF";
    return new GraphWindow(
        caption, [d, table, pw](int w, int h, int th) { return mtfplot(d.lens, table, pw, d.title, w, h, th); },
        savepath(c, suffix, false), size);
}

}  // namespace

QWidget* drawsystem(CalcContext& c, const WavelengthChoice&) {
    Model* m = &c.m;
    const auto title = titleof(c);
    return new GraphWindow(
        "Optical System", [m, title](int w, int h, int th) { return systemplot(m->lens, title(), w, h, th); },
        savepath(c, "_optsys"), QSize(1000, 520));
}

QWidget* drawraytrace(CalcContext& c, const WavelengthChoice& wl) {
    return fans(c, wl, c.m.telescope() ? FanKind::angular : FanKind::transverse, "Ray Trace");
}

QWidget* drawopd(CalcContext& c, const WavelengthChoice& wl) {
    return fans(c, wl, FanKind::opd, "Optical Path Difference");
}

QWidget* drawfield(CalcContext& c, const WavelengthChoice& wl) {
    Model* m = &c.m;
    const auto title = titleof(c);
    const bool white = wl.chosenwl == 4;
    // the first calculation shows whether the chief rays can be aimed
    const FieldCurves first = fieldcurves(*m, white);
    if (!first.error.empty()) {
        c.session.fail(first.error);
        return nullptr;
    }
    return new GraphWindow(
        "Field Curvature and Distortion",
        [m, white, title](int w, int h, int th) { return fieldplot(m->lens, fieldcurves(*m, white), title(), w, h, th); },
        savepath(c, "_field"), QSize(900, 560));
}

void preparespot(CalcContext& c) { ensurespot(c); }

void preparegmtf(CalcContext& c) {
    ensurespot(c);
    if (c.session.failed() || c.session.cancelled()) return;
    IqRun run = newrun(c);
    kept().gmtf = gmtfcalc(c.m, kept().spot, c.m.lens.nfreq, run);
    writereport(c, run, ".gtf");
}

void preparetfmtf(CalcContext& c) {
    ensurespot(c);
    if (c.session.failed() || c.session.cancelled()) return;
    IqRun run = newrun(c);
    kept().tfmtf = tfmtfcalc(c.m, kept().spot, c.m.lens.nfreq, run);
    writereport(c, run, ".gtt");
}

void preparedmtf(CalcContext& c) {
    ensurespot(c);
    if (c.session.failed() || c.session.cancelled()) return;
    if (!dmtfdialog(c)) return;   // "Edit Diffractional MTF": the polynomial of this table
    IqRun run = newrun(c);
    kept().dmtf = dmtfcalc(c.m, run);
    writereport(c, run, ".dtf");
}

QWidget* drawspot(CalcContext& c, const WavelengthChoice& wl) {
    const FrozenDesign d = frozen(c);
    const PlotWavelength pw = plotwl(wl);
    const SpotResult spot = kept().spot;
    return new GraphWindow(
        "Spot Diagram", [d, spot, pw](int w, int h, int th) { return spotplot(d.lens, spot, pw, d.title, w, h, th); },
        savepath(c, "_spot", false), QSize(958, 596));
}

QWidget* drawtfspot(CalcContext& c, const WavelengthChoice& wl) {
    const FrozenDesign d = frozen(c);
    const PlotWavelength pw = plotwl(wl);
    const SpotResult spot = kept().spot;
    return new GraphWindow(
        "Through Focus Spot Diagram",
        [d, spot, pw](int w, int h, int th) { return tfspotplot(d.lens, spot, pw, d.title, w, h, th); },
        savepath(c, "_tfspot", false), QSize(830, 718));
}

QWidget* drawgmtf(CalcContext& c, const WavelengthChoice& wl) {
    return mtfwindow(c, wl, kept().gmtf, "_gotf", QSize(920, 636));
}

QWidget* drawtfmtf(CalcContext& c, const WavelengthChoice& wl) {
    return mtfwindow(c, wl, kept().tfmtf, "_tfotf", QSize(848, 558));
}

QWidget* drawdmtf(CalcContext& c, const WavelengthChoice& wl) {
    return mtfwindow(c, wl, kept().dmtf, "_dotf", QSize(676, 430));
}

QWidget* drawglassmap(CalcContext& c, const WavelengthChoice&) {
    auto all = std::make_shared<const std::vector<GlassRecord>>(c.glass.allglasses());
    if (!c.glass.lasterror().empty() || all->empty()) {
        c.session.fail(c.glass.lasterror().empty() ? "The glass catalogue holds no glasses" : c.glass.lasterror());
        return nullptr;
    }
    Model* m = &c.m;
    const auto title = titleof(c);
    const GlassLookup lookup = cataloglookup(c.glass);
    return new GlassMapWindow(
        "Glass Map",
        [m, all, title, lookup](int w, int h, int th) {
            return glassmap(*all, lensglasspoints(m->lens, lookup), &m->lens.tri, title(), w, h, th);
        },
        savepath(c, "_glassmap"), QSize(900, 640));
}

}  // namespace zefo::gui
