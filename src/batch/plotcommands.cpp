// zefo-batch plot: the pictures of the program rendered without a display.
#include "batch/batch.h"

#ifdef ZEFO_PLOT

#include <cmath>
#include <iostream>

#include <QGuiApplication>

#include "core/forms/wavelengthform.h"
#include "core/imagequality/imagequality.h"
#include "batch/json.h"
#include "core/edit/surfaceedit.h"
#include "core/model/glasscat.h"
#include "core/plot/fanplot.h"
#include "core/plot/glassmap.h"
#include "core/plot/iqplot.h"
#include "core/plot/systemplot.h"
#include "core/util/numfmt.h"
#include "render/render.h"

namespace zefo::batch {
namespace {

constexpr const char* plotkinds[] = {"system", "fans", "spot", "tfspot", "gmtf", "tfmtf", "dmtf"};
// the file name suffixes of the pictures, after the system name
constexpr const char* plotsuffixes[] = {"_optsys", "_raytr", "_spot", "_tfspot", "_gotf", "_tfotf", "_dotf"};

// QtGui paints text only with an application object; without a display it runs offscreen.
void needgui() {
    if (QGuiApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
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
std::string drawplot(Context& c, int k, const PlotWavelength& wl, int w, int h, int field, DisplayList& out) {
    Model& m = c.m;
    const PlotTitle title{m.lens.sysname, c.session.filepath(), c.date};
    const int th = plottextheight();
    if (k == 0) {
        std::vector<std::string> notes;
        out = systemplot(m.lens, title, w, h, th, &notes, field);
        for (const auto& n : notes) std::cerr << n << "\n";
        return {};
    }
    if (k == 1) {
        FanPlot p = fanplot(m.lens, m.telescope() ? FanKind::angular : FanKind::transverse, wl, title, w, h, th);
        out = std::move(p.picture);
        return p.error;
    }
    IqRun run;
    run.header = iqheader(m.lens.sysname, c.session.filepath(), c.date);
    const SpotResult spot = spotcalc(m, run);
    if (m.calcerror) return m.errmsg;
    if (k == 2) out = spotplot(m.lens, spot, wl, title, w, h, th, field);
    if (k == 3) out = tfspotplot(m.lens, spot, wl, title, w, h, th, field);
    if (k >= 4) {
        const MtfResult mtf = k == 4   ? gmtfcalc(m, spot, m.lens.nfreq, run)
                              : k == 5 ? tfmtfcalc(m, spot, m.lens.nfreq, run)
                                       : dmtfcalc(m, run);
        if (m.calcerror) return m.errmsg;
        out = mtfplot(m.lens, mtf, wl, title, w, h, th, field);
    }
    return {};
}

// The glass map's points in the plot form of the pictures: one panel per layer (the
// catalogue, the lens's glasses, the glass triangle when set) on the same frame, one curve per
// glass with its name as label, vd as x, nd as y and its pixel.
void glassmapjson(const GlassMap& map, const GlassTriangle& tri, std::ostream& out) {
    JsonWriter w;
    w.beginobject();
    w.name("kind", "glassmap");
    w.key("width");
    w.integer(map.picture.width);
    w.key("height");
    w.integer(map.picture.height);
    w.key("panels");
    w.beginarray();
    const Rect& f = map.axes.frame;
    const auto panel = [&](const std::string& title, const auto& curves) {
        w.beginobject();
        w.name("title", title);
        w.name("x_unit", "vd");
        w.name("y_unit", "nd");
        w.key("frame");
        w.beginarray();
        for (int v : {f.x, f.y, f.w, f.h}) w.integer(v);
        w.endarray();
        w.key("curves");
        w.beginarray();
        curves();
        w.endarray();
        w.endobject();
    };
    const auto curve = [&](const std::string& label, const std::vector<double>& x, const std::vector<double>& y,
                           const std::vector<Pixel>& px) {
        w.beginobject();
        w.name("label", label);
        w.field("x", x);
        w.field("y", y);
        w.key("px");
        w.beginarray();
        for (const Pixel& p : px) {
            w.beginarray();
            w.integer(p.x);
            w.integer(p.y);
            w.endarray();
        }
        w.endarray();
        w.endobject();
    };
    for (bool lens : {false, true})
        panel(lens ? "Glasses of the lens" : "Catalogue glasses", [&] {
            for (const auto& p : map.points)
                if (p.lens == lens) curve(p.name, {p.vd}, {p.nd}, {p.at});
        });
    if (triangleset(tri))
        panel("Glass triangle", [&] {
            std::vector<double> x, y;
            std::vector<Pixel> px;
            for (int j = 0; j <= 3; ++j) {
                const int k = j % 3;
                x.push_back((tri.trindex[k] - 1) / tri.trdisp[k]);
                y.push_back(tri.trindex[k]);
                Pixel p;
                topixel(map.axes.x(x.back()), p.x);
                topixel(map.axes.y(y.back()), p.y);
                px.push_back(p);
            }
            curve("triangle " + tri.trglass[0] + ", " + tri.trglass[1] + ", " + tri.trglass[2], x, y, px);
        });
    w.endarray();
    w.endobject();
    out << w.text() << "\n";
}

// plot glassmap LENS: the catalogue's glasses and the lens's in the nd-vd plane.
std::string glassmapcmd(Context& c, const std::optional<std::string>& file, int w, int h) {
    if (auto e = openlens(c, c.args[1]); !e.empty()) return e;
    GlassCatalog cat;
    if (auto e = cat.open(c.ws.glassdir); !e.empty()) return e;
    const auto all = cat.allglasses();
    if (!cat.lasterror().empty()) return cat.lasterror();
    needgui();
    const OpticalSystem& lens = c.m.lens;
    const GlassMap map = glassmap(all, lensglasspoints(lens, cataloglookup(cat)), &lens.tri,
                                  PlotTitle{lens.sysname, c.session.filepath(), c.date}, w, h, plottextheight());
    if (c.json) {
        glassmapjson(map, lens.tri, *c.out);
        return {};
    }
    const std::string path = file ? *file : c.ws.graphicsdir + "/" + lens.sysname + "_glassmap.png";
    const QString err = savepicture(map.picture, QString::fromStdString(path));
    if (!err.isEmpty()) return err.toStdString();
    *c.out << path << "\n";
    return {};
}

std::string plotcmd(Context& c) {
    const auto file = takeoption(c, "--out");
    const auto size = takeoption(c, "--size");
    const auto code = takenumber(c, "--wl");
    const auto field = takenumber(c, "--field");
    const double pupil = takepupil(c);
    expectargs(c, 2);
    if (c.args[0] == "glassmap") {
        if (code || field) throw UsageError{"--wl and --field do not apply to the glass map"};
        int w = 1000, h = 700;
        if (size) parsesize(*size, w, h);
        if (file && !picturetype(QString::fromStdString(*file))) throw UsageError{"--out needs a .png, .bmp or .svg file"};
        return glassmapcmd(c, file, w, h);
    }
    int k = 0;
    while (k < 7 && c.args[0] != plotkinds[k]) ++k;
    if (k == 7) throw UsageError{"unknown picture " + c.args[0]};
    int w = 1000, h = 700;
    if (size) parsesize(*size, w, h);
    if (code && (*code != std::floor(*code) || *code < 1 || *code > 4)) throw UsageError{"--wl needs 1, 2, 3 or 4"};
    if (field && (*field != std::floor(*field) || *field < 0 || *field > 3))
        throw UsageError{"--field needs 0 (the axis), 1, 2 or 3"};
    if (field && k == 1) throw UsageError{"--field does not apply to fans: their rows are the fields"};
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
    if (auto e = drawplot(c, k, wl, w, h, field ? static_cast<int>(*field) : -1, dl); !e.empty()) return "Error in calculation!\n" + e;
    const std::string path = file ? *file : c.ws.graphicsdir + "/" + m.lens.sysname + plotsuffixes[k] + ".png";
    const QString err = savepicture(dl, QString::fromStdString(path));
    if (!err.isEmpty()) return err.toStdString();
    *c.out << path << "\n";
    return {};
}

}  // namespace

std::vector<CommandEntry> plotcommands() {
    return {{"plot", "KIND LENS.dat [--out FILE] [--size WxH] [--field N] [--wl 1|2|3|4] [--pupil P]",
             "picture KIND (system, fans, spot, tfspot, gmtf, tfmtf, dmtf, glassmap) as .png, .bmp or .svg "
             "(default graphics/NAME_suffix.png); --field N draws field N alone (0 the axis); "
             "with --json the glass map gives its points",
             plotcmd}};
}

}  // namespace zefo::batch

#else

namespace zefo::batch {
std::vector<CommandEntry> plotcommands() { return {}; }
}  // namespace zefo::batch

#endif
