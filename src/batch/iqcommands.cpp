// Batch commands of the image quality: spot diagram, geometrical and through-focus MTF,
// wave aberrations and diffraction MTF.
#include <iostream>

#include "batch/batch.h"
#include "core/forms/iqforms.h"
#include "core/imagequality/imagequality.h"
#include "batch/json.h"
#include "core/report/report.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo::batch {

namespace {

enum class Iq { Spot, Gmtf, Tfmtf, Wave, Dmtf };

// The texts of each kind's command.
const CommandText& iqtext(Iq kind) {
    switch (kind) {
        case Iq::Spot: return commandtext("SpotDiagram");
        case Iq::Gmtf: return commandtext("GeometricalMtf");
        case Iq::Tfmtf: return commandtext("ThroughFocusMtf");
        case Iq::Wave: return commandtext("OpdWaveAberrations");
        case Iq::Dmtf: return commandtext("DiffractionMtf");
    }
    return commandtext("SpotDiagram");
}

// The dialog options of one command, taken before the lens file is read.
struct IqOptions {
    std::optional<std::string> rings, nfreq, dfreq, spotsize, defocus, ddefocus, weights;
    int wl = 1, gauss = 16, degree = 4;  // the choices of the OPD and diffraction MTF dialogs
    double pupil = 0;
};

int iqchoice(const std::optional<std::string>& v, const char* name, std::initializer_list<int> allowed, int dflt) {
    if (!v) return dflt;
    const auto n = parseint(*v);
    for (int a : allowed)
        if (n && *n == a) return a;
    throw UsageError{std::string(name) + " has no such choice: " + *v};
}

IqOptions takeiqoptions(Context& c, Iq kind) {
    IqOptions o;
    o.pupil = takepupil(c);
    o.nfreq = takeoption(c, "--nfreq");
    o.dfreq = takeoption(c, "--dfreq");
    o.defocus = takeoption(c, "--defocus");
    if (kind != Iq::Wave) {
        o.rings = takeoption(c, "--rings");
        o.spotsize = takeoption(c, "--spotsize");
        o.ddefocus = takeoption(c, "--ddefocus");
        o.weights = takeoption(c, "--weights");
    }
    if (kind == Iq::Wave) o.wl = iqchoice(takeoption(c, "--wl"), "--wl", {1, 2, 3}, 1);
    if (kind == Iq::Wave || kind == Iq::Dmtf) {
        o.gauss = iqchoice(takeoption(c, "--gauss"), "--gauss", {6, 10, 16}, 16);
        o.degree = iqchoice(takeoption(c, "--degree"), "--degree", {3, 4}, 4);
    }
    return o;
}

// The limit dialog cannot be answered here: a frequency above the limit is an error.
bool refuselimit(long long&) { return false; }

std::string iqdialogfailed(Context& c, const DialogResult& r) {
    const std::string msg = r.status == DialogResult::Cancelled
                                ? overlimitmsg
                                : r.message;
    c.log.writeline(msg);
    return msg;
}

// "Edit MTF" with the options in place of the typed texts.
std::string applymtf(Context& c, const IqOptions& o) {
    MtfForm f = mtfform(c.m);
    if (o.rings) f.nrings = *o.rings;
    if (o.nfreq) f.nfreq = *o.nfreq;
    if (o.dfreq) f.dfreq = *o.dfreq;
    if (o.spotsize) f.spotsize = *o.spotsize;
    if (o.defocus) f.defocus = *o.defocus;
    if (o.ddefocus) f.ddefocus = *o.ddefocus;
    if (o.weights) {
        size_t p = 0;
        for (int w = 0; w < 3; ++w) {
            const size_t e = o.weights->find(',', p);
            f.weight[w] = o.weights->substr(p, e == std::string::npos ? std::string::npos : e - p);
            if (e == std::string::npos) {
                if (w < 2 && !c.m.mono) throw UsageError{"--weights needs W1,W2,W3"};
                break;
            }
            p = e + 1;
        }
    }
    const DialogResult r = mtfparams(c.m, f, refuselimit);
    c.session.invalidate(r.stale);
    for (const auto& l : r.log) c.log.writeline(l);
    return r.status == DialogResult::Accepted ? std::string() : iqdialogfailed(c, r);
}

// "Edit OPD" with the options in place of the typed texts and choices; the chosen
// wavelength column goes to wl.
std::string applyopd(Context& c, const IqOptions& o, int& wl) {
    OpdForm f = opdform(c.m);
    if (o.defocus) f.defocus = *o.defocus;
    if (o.nfreq) f.nfreq = *o.nfreq;
    if (o.dfreq) f.dfreq = *o.dfreq;
    f.selwl = o.wl - 1;
    f.ngauss = o.gauss;
    f.polydeg = o.degree;
    const DialogResult r = opdparams(c.m, f, refuselimit);
    c.session.invalidate(r.stale);
    wl = opdwavelength(f);
    for (const auto& l : r.log) c.log.writeline(l);
    return r.status == DialogResult::Accepted ? std::string() : iqdialogfailed(c, r);
}

std::string writeiqreport(Context& c, const IqRun& run, const char* ext) {
    std::string text;
    for (const auto& l : run.lines) text += l + "\n";
    return writefileatomic(reportpath(c.ws, c.session.filebase(), ext), text);
}

void shownotices(const IqRun& run) {
    for (const auto& n : run.notices)
        if (n.caption != "Spot Error") std::cerr << n.caption << ": " << n.text << "\n";
}

std::string iqfailed(Context& c, Iq kind) {
    c.session.clearresults();
    return calcfailed(c, iqtext(kind));
}

// ---------------------------------------------------------------- JSON

// Value j (0 sagittal, 1 tangential) of field f at point k: one wavelength, or the mean
// of the three weighted wavelengths.
double mtfvalue(const MtfResult& a, int f, int k, int j) {
    if (a.nwl == 1) return a.at(f, 0, k)[j];
    double s = 0;
    for (int w = 0; w < 3; ++w) s += a.at(f, w, k)[j];
    return s / 3;
}

void mtfjson(JsonWriter& w, const Model& m, const MtfResult& a, int fmax) {
    w.key("mtf");
    w.beginarray();
    for (int f = 0; f < m.lens.nfields; ++f) {
        w.beginobject();
        w.field("field", m.lens.field.size() > static_cast<size_t>(f) ? m.lens.field[f] : 0.0);
        std::vector<double> x, sag, tan;
        for (int k = 0; k < a.npoints; ++k) {
            if (a.kind == MtfKind::Geometrical) x.push_back(gmtffrequency(a, k));
            else if (a.kind == MtfKind::ThroughFocus) x.push_back(a.focus[k]);
            else x.push_back(a.freq[k]);
            tan.push_back(mtfvalue(a, f, k, 1));
            // the axis of the diffraction MTF holds its one value in the tangential column
            sag.push_back(mtfvalue(a, f, k, a.kind == MtfKind::Diffraction && f == 0 ? 1 : 0));
        }
        if (a.kind == MtfKind::ThroughFocus) {
            w.field("freq", static_cast<double>(fmax));
            w.field("focus", x);
        } else {
            w.field("freq", x);
        }
        w.field("tangential", tan);
        w.field("sagittal", sag);
        w.endobject();
    }
    w.endarray();
}

void spotjson(JsonWriter& w, const Model& m, const SpotResult& spot) {
    w.key("fields");
    w.beginarray();
    for (int f = 0; f < m.lens.nfields; ++f) {
        const SpotStats& s = spot.stats[f];
        w.beginobject();
        w.field("field", m.lens.field.size() > static_cast<size_t>(f) ? m.lens.field[f] : 0.0);
        w.key("emitted");
        w.integer(m.lens.nrings * m.lens.nrings * spot.nwl);
        w.key("passed");
        w.integer(s.passed);
        w.key("insquare");
        w.integer(s.insquare);
        w.field("rms", s.rms);
        const ChiefRecord& cr = spot.chief[f];
        w.field("chief", std::vector<double>{cr.X, cr.Y, cr.N, cr.TX, cr.TY});
        w.endobject();
    }
    w.endarray();
    w.key("rays");
    w.beginarray();
    for (int f = 0; f < m.lens.nfields; ++f)
        for (int wl = 0; wl < 3; ++wl)
            for (int i = spot.groupstart[f * 3 + wl]; i < spot.groupstart[f * 3 + wl + 1]; ++i) {
                const SpotRay& r = spot.rays[i];
                w.beginobject();
                w.key("field");
                w.integer(f);
                w.key("wavelength");
                w.integer(wl);
                w.field("dx", r.dx);
                w.field("dy", r.dy);
                w.field("tx", r.tx);
                w.field("ty", r.ty);
                w.field("l", r.l);
                w.field("m", r.m);
                w.endobject();
            }
    w.endarray();
}

void wavejson(JsonWriter& w, const Model& m, const IqRun& run) {
    w.key("fits");
    w.beginarray();
    for (const auto& fit : run.fits) {
        w.beginobject();
        w.field("field", m.lens.field.size() > static_cast<size_t>(fit.field) ? m.lens.field[fit.field] : 0.0);
        w.key("wavelength");
        w.integer(fit.wl);
        w.field("coefficients", fit.coef);
        w.field("rms", fit.quality.rms);
        w.field("maximum", fit.quality.maximum);
        w.field("aberrms", fit.quality.aberrms);
        w.endobject();
    }
    w.endarray();
}

// ---------------------------------------------------------------- the commands

std::string iqcmd(Context& c, Iq kind) {
    const IqOptions o = takeiqoptions(c, kind);
    expectargs(c, 1);
    if (auto e = openlens(c, c.args[0]); !e.empty()) return e;
    Model& m = c.m;
    answerpupil(c, o.pupil);
    const CommandText& t = iqtext(kind);
    c.log.writeline(startline(t));
    const std::string header = iqheader(m.lens.sysname, c.session.filepath(), c.date);

    IqRun spot, main;
    spot.header = main.header = header;
    const char* const spotext = commandtext("SpotDiagram").ext;
    SpotResult spotresult;
    MtfResult mtf;
    if (kind == Iq::Wave) {
        int wl = 0;
        if (auto e = applyopd(c, o, wl); !e.empty()) return e;
        opdreport(m, wl, main);
        shownotices(main);
    } else {
        if (auto e = applymtf(c, o); !e.empty()) return e;
        spotresult = spotcalc(m, spot);
        shownotices(spot);
        if (!c.session.failed()) c.session.setvalid(iqspot);
        if (!c.session.failed() && kind == Iq::Gmtf) mtf = gmtfcalc(m, spotresult, m.lens.nfreq, main);
        if (!c.session.failed() && kind == Iq::Tfmtf) mtf = tfmtfcalc(m, spotresult, m.lens.nfreq, main);
        if (!c.session.failed() && kind == Iq::Dmtf) {
            const DialogResult r = dmtfparams(m, o.gauss, o.degree);
            c.session.invalidate(r.stale);
            for (const auto& l : r.log) c.log.writeline(l);
            mtf = dmtfcalc(m, main);
            shownotices(main);
        }
        if (!c.session.failed() && kind != Iq::Spot)
            c.session.setvalid(kind == Iq::Gmtf ? iqgmtf : kind == Iq::Tfmtf ? iqtfmtf : iqdmtf);
    }
    // Every result is checked before any report is written: a failed command leaves the
    // report files as they were.
    JsonWriter w;
    if (c.json && !c.session.failed()) {
        w.beginobject();
        if (kind == Iq::Spot) spotjson(w, m, spotresult);
        else if (kind == Iq::Wave) wavejson(w, m, main);
        else mtfjson(w, m, mtf, m.lens.nfreq);
        w.endobject();
        if (!w.ok()) c.session.fail(nonfinitemsg);
    }
    if (c.session.failed()) return iqfailed(c, kind);
    if (kind != Iq::Wave) {
        if (auto e = writeiqreport(c, spot, spotext); !e.empty()) {
            c.log.writeline(e);
            return e;
        }
    }
    if (kind != Iq::Spot) {
        if (auto e = writeiqreport(c, main, t.ext); !e.empty()) {
            c.log.writeline(e);
            return e;
        }
    }
    c.log.writeline(finishedline(t));
    if (c.json) {
        *c.out << w.text() << "\n";
    } else {
        for (const auto& l : (kind == Iq::Spot ? spot : main).lines) *c.out << l << "\n";
    }
    return {};
}

}  // namespace

std::vector<CommandEntry> iqcommands() {
    const char* mtfopts =
        "[--rings N] [--nfreq F] [--dfreq D] [--spotsize S] [--defocus Z] [--ddefocus DZ] [--weights W1,W2,W3] [--pupil P]";
    static const std::string spotusage = std::string("LENS.dat ") + mtfopts;
    static const std::string dmtfusage = spotusage + " [--gauss 6|10|16] [--degree 3|4]";
    return {
        {"spot", spotusage.c_str(), "spot diagram of every field (spot-mtf/NAME.spt)",
         [](Context& c) { return iqcmd(c, Iq::Spot); }},
        {"gmtf", spotusage.c_str(), "geometrical MTF from the spot diagram (spot-mtf/NAME.spt and .gtf)",
         [](Context& c) { return iqcmd(c, Iq::Gmtf); }},
        {"tfmtf", spotusage.c_str(), "geometrical MTF through focus (spot-mtf/NAME.spt and .gtt)",
         [](Context& c) { return iqcmd(c, Iq::Tfmtf); }},
        {"wave", "LENS.dat [--defocus Z] [--nfreq F] [--dfreq D] [--wl 1|2|3] [--gauss 6|10|16] [--degree 3|4] [--pupil P]",
         "optical path difference and its polynomial fit, the wave aberration (abr/NAME.wbr)",
         [](Context& c) { return iqcmd(c, Iq::Wave); }},
        {"dmtf", dmtfusage.c_str(), "diffraction MTF from the wave aberration fit (spot-mtf/NAME.spt and .dtf)",
         [](Context& c) { return iqcmd(c, Iq::Dmtf); }},
    };
}

}  // namespace zefo::batch
