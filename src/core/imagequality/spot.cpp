// Spot diagram: the pupil ray grid of every field and wavelength, the spot ray table, the
// energetic statistics and the ".spt" report.
#include <algorithm>
#include <cmath>

#include "core/imagequality/imagequality.h"
#include "core/raytrace/blocktrace.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"
#include "core/util/numfmt.h"

namespace zefo {

void spotpoint(const OpticalSystem& lens, const SpotResult& spot, int f, const SpotRay& r, double z, double& ex,
               double& ey) {
    if (!lens.telescope()) {
        // The image plane of the table already sits at defocus behind the paraxial image.
        const double dz = z - lens.defocus;
        ex = r.dx + r.tx * dz;
        ey = r.dy + r.ty * dz;
        return;
    }
    const ChiefRecord& c = spot.chief[f];
    ex = std::asin(std::clamp(r.l - r.dx * z * 0.001 / c.N, -1.0, 1.0)) - std::atan(c.TX);
    ey = std::asin(std::clamp(r.m - r.dy * z * 0.001 / c.N, -1.0, 1.0)) - std::atan(c.TY);
}

double spotrms(const OpticalSystem& lens, const SpotResult& spot, int f, double z) {
    double s = 0;
    int n = 0;
    for (int w = 0; w < spot.nwl; ++w)
        for (int i = spot.groupstart[f * 3 + w]; i < spot.groupstart[f * 3 + w + 1]; ++i) {
            double ex, ey;
            spotpoint(lens, spot, f, spot.rays[i], z, ex, ey);
            s += ex * ex + ey * ey;
            ++n;
        }
    return n > 0 ? std::sqrt(s / n) : 0;
}

void spotstatistics(const OpticalSystem& lens, SpotResult& spot, int f) {
    SpotStats& s = spot.stats[f];
    const int emitted = lens.nrings * lens.nrings * spot.nwl;
    s.passed = 0;
    s.insquare = 0;
    const double lim = std::fabs(lens.spotsize);
    double r2 = 0;
    int n = 0;
    for (int w = 0; w < spot.nwl; ++w) {
        s.passed += spot.passed[f][w];
        for (int i = spot.groupstart[f * 3 + w]; i < spot.groupstart[f * 3 + w + 1]; ++i) {
            double ex, ey;
            spotpoint(lens, spot, f, spot.rays[i], lens.defocus, ex, ey);
            if (std::fabs(ey) <= lim && std::fabs(ex) <= lim) ++s.insquare;
            r2 += ex * ex + ey * ey;
            ++n;
        }
    }
    s.rms = n > 0 ? std::sqrt(r2 / n) : 0;
    s.ppassed = emitted > 0 ? 100.0 * s.passed / emitted : 0.0;
    s.pinsquare = s.passed > 0 ? 100.0 * s.insquare / s.passed : 0.0;
}

namespace {

const char* const spotlegend[] = {
    "1. Defocus - Displacement from paraxial image plane ",
    "2. Ssize = Spot Size - Image spot size (Half of a side of the square ",
    "                       where is image spot located)",
    "3. Rays which are emited according to circular ray scheme ",
    "4. Rays which are passed through optical system without regard for",
    "   their position in image plane",
    "5. Percentage - ratio of rays which are passed through optical system",
    "   and rays which are emited",
    "6. Rays which are located in square with side 2 * ssize",
    "7. Percentage - ratio of rays which are located in square with side 2*ssize",
    "   and rays which are passed through optical system",
};

}  // namespace

void spotreport(const OpticalSystem& lens, const SpotResult& spot, const std::string& header,
                std::vector<std::string>& L) {
    L.push_back("");
    L.push_back(header);
    L.push_back("");
    L.push_back("");
    L.push_back("                           S P O T   D I A G R A M ");
    L.push_back("                        ENERGETIC REVIEW OF OPTICAL SYSTEM ");
    L.push_back("");
    L.push_back("");
    for (const char* l : spotlegend) L.push_back(l);
    for (int i = 0; i < 4; ++i) L.push_back("");
    L.push_back("Defocus = " + fmtf(lens.defocus, 8, 4));
    L.push_back("Spot Size = " + fmtf(lens.spotsize, 8, 4));
    if (lens.nfields == 3) {
        L.push_back("                     at axis       0.7*wmax=" + fmtf(lens.field[1], 5, 2) +
                    "      wmax=" + fmtf(lens.field[2], 5, 2));
    } else if (lens.nfields == 4) {
        L.push_back("                     at axis       0.5*wmax=" + fmtf(lens.field[1], 5, 2) +
                    "  0.7*wmax=" + fmtf(lens.field[2], 5, 2) + "      wmax=" + fmtf(lens.field[3], 5, 2));
    } else {
        return;
    }
    const int emitted = lens.nrings * lens.nrings * spot.nwl;
    std::string emit = "Emited", pass = "Passed               ", ppass = "Percentage           ";
    std::string insq = "In square " + fmtf(lens.spotsize, 6, 3) + "     ", pinsq = "Percentage           ";
    const std::string sep(15, ' ');
    for (int f = 0; f < lens.nfields; ++f) {
        const SpotStats& s = spot.stats[f];
        const std::string gap = f > 0 ? sep : "";
        emit += fmti(emitted, 18);
        pass += gap + fmti(s.passed, 3);
        ppass += gap + fmtf(s.ppassed, 3, 0);
        insq += gap + fmti(s.insquare, 3);
        pinsq += gap + fmtf(s.pinsquare, 3, 0);
    }
    for (auto* l : {&emit, &pass, &ppass, &insq, &pinsq}) L.push_back(*l);
}

namespace {

// True when every number of a spot ray is finite.
bool finiteray(const SpotRay& r) {
    for (double v : {r.dx, r.dy, r.tx, r.ty, r.l, r.m})
        if (!std::isfinite(v)) return false;
    return true;
}

// Hard trace failure of a chief or pupil ray.
void spottraceerror(std::vector<Notice>& notices) {
    notices.push_back({"Spot Error", "Error in calculation!"});
}

// Traces the pupil rays of field f around the pupil centre (x0, y0) with chief tangents
// (tx0, ty0) in one batch through the plan of their wavelength; ray number k goes to the
// trace. rays and out are the caller's buffers.
void tracepupil(Model& m, SpotResult& spot, const TracePlan& plan, int f, int w, int k, double x0, double y0,
                double tx0, double ty0, std::vector<Ray>& rays, std::vector<BatchRay>& out,
                std::vector<Notice>& notices) {
    const auto& scheme = m.lens.rays;
    const double step = scheme.y[0] / m.lens.nrings;
    const double g = (scheme.y.size() > 1 && scheme.y[1] != 0) ? scheme.m[1] / scheme.y[1] : 0.0;
    const ChiefRecord& c = spot.chief[f];
    rays.clear();
    for (int ring = 1; ring <= m.lens.nrings; ++ring) {
        const double r = (ring - 0.5) * step;
        const int nray = 2 * ring - 1;
        for (int h = 1; h <= nray; ++h) {
            const double th = (h - 0.5) * M_PI / nray;
            const double X = x0 + r * std::sin(th), Y = y0 + r * std::cos(th);
            const double tX = tx0 + (X - x0) * g, tY = ty0 + (Y - y0) * g;
            const double N = 1 / std::sqrt(tX * tX + 1 + tY * tY);
            rays.push_back(Ray{X, Y, tX * N, tY * N, N, k, 0});
        }
    }
    out.resize(rays.size());
    tracebatch(plan, rays, out);
    for (const BatchRay& t : out) {
        if (t.status == RayStatus::backwards) {   // a hard failure, as in the single-ray trace
            m.calcerror = true;
            spottraceerror(notices);
            return;
        }
        if (t.status != RayStatus::passed) continue;
        const RayPoint& e = t.end;
        const SpotRay r{e.X - c.X, e.Y - c.Y, e.L / e.N - c.TX, e.M / e.N - c.TY, e.L, e.M};
        if (!finiteray(r)) return fail(m, nonfinitemsg);
        spot.rays.push_back(r);
        ++spot.passed[f][w];
    }
}

// The chief ray and the pupil rays of every field and used wavelength.
void spotrays(Model& m, SpotResult& spot, std::vector<Notice>& notices) {
    nudatparax(m);
    if (m.calcerror) {
        notices.push_back({"Spot Error", "Error in design data!"});
        return;
    }
    spot.nwl = m.mono ? 1 : 3;
    const int nf = m.lens.nfields;
    spot.rays.clear();
    spot.rays.reserve(static_cast<size_t>(nf) * 3 * m.lens.nrings * m.lens.nrings);
    spot.groupstart.assign(static_cast<size_t>(nf) * 3 + 1, 0);
    spot.passed.assign(nf, {0, 0, 0});
    spot.chief.assign(nf, ChiefRecord{});
    spot.stats.assign(nf, SpotStats{});

    // the pupil rays of every field through the surfaces prepared once per wavelength
    std::vector<TracePlan> plans;
    for (int w = 0; w < spot.nwl; ++w) plans.push_back(traceplan(m.lens, m.trace, w, true));
    std::vector<Ray> rays;
    std::vector<BatchRay> out;
    int chief = 1;  // the search for field 1 starts at ray 2
    for (int f = 0; f < nf; ++f) {
        double x0 = 0, y0 = 0, tx0 = 0, ty0 = 0;
        int k = 2;
        bool traced = true;
        if (f > 0) {
            k = chief + 1;
            while (k < m.lens.nrays && m.lens.rays.rl[k] % 10 != 3) ++k;
            if (k >= m.lens.nrays) {
                fail(m, "Principal ray of a field is missing in the ray scheme!");
                notices.push_back({"Spot Error", m.errmsg});
                return;
            }
            chief = k;
            x0 = m.lens.rays.x[k];
            y0 = m.lens.rays.y[k];
            const double M = m.lens.rays.m[k], N = std::sqrt(1 - M * M);
            ty0 = M / N;
            TraceOpts opts;
            opts.vignetting = true;
            const TracedRay t = raytrace(m, Ray{x0, y0, 0, M, N, k, 3}, 0, opts);
            if (m.calcerror) {
                spottraceerror(notices);
                return;
            }
            if (t.status != RayStatus::passed) {
                notices.push_back({"MTF Error", t.status == RayStatus::failed ? "Principal ray is out of the system!"
                                                                              : "Principal ray is too high!"});
                traced = false;
            } else {
                const RayPoint& e = t.end;
                spot.chief[f] = {e.X, e.Y, e.N, e.L / e.N, e.M / e.N};
            }
        }
        for (int w = 0; w < 3; ++w) {
            if (traced && w < spot.nwl) {
                tracepupil(m, spot, plans[w], f, w, k, x0, y0, tx0, ty0, rays, out, notices);
                if (m.calcerror) return;
            }
            spot.groupstart[f * 3 + w + 1] = static_cast<int32_t>(spot.rays.size());
        }
        spotstatistics(m.lens, spot, f);
    }
}

}  // namespace

SpotResult spotdiagram(Model& m, std::vector<Notice>& notices) {
    SpotResult spot;
    spotrays(m, spot, notices);
    return spot;
}

SpotResult spotcalc(Model& m, IqRun& run) {
    SpotResult spot = spotdiagram(m, run.notices);
    if (!m.calcerror) spotreport(m.lens, spot, run.header, run.lines);
    checkfinite(m, run.numbers);
    return spot;
}

}  // namespace zefo
