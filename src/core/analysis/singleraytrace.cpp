#include "core/analysis/singleraytrace.h"

#include <charconv>
#include <cmath>

#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// A number as the log shows a typed value: the shortest text that reads back the same.
std::string shortest(double v) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string srtrow(const std::string& head, const RayPoint& p) {
    return head + fmtfit(p.X, 10, 4) + fmtfit(p.Y, 10, 4) + fmtfit(p.Z, 10, 4) + fmtfit(p.L, 10, 6) +
           fmtfit(p.M, 10, 6) + fmtfit(p.N, 10, 6);
}

}  // namespace

std::string checksrtinput(const Model& m, const SrtInput& in) {
    if (in.raynumber != 0) {
        if (in.raynumber < 1 || in.raynumber > m.lens.nrays)
            return "You must enter number from 1 to " + std::to_string(m.lens.nrays);
    } else {
        if (!std::isfinite(in.X) || !std::isfinite(in.Y) || !std::isfinite(in.L) || !std::isfinite(in.M))
            return notanumbermsg;
        if (in.L < 0 || in.L > 1) return "L ray coordinate must be number between 0 and 1!";
        if (in.M < 0 || in.M > 1) return "M ray coordinate must be number between 0 and 1!";
        if (in.L * in.L + in.M * in.M >= 1)
            return "L and M ray coordinates must give L*L + M*M less than 1!";
    }
    if (in.wl < 0 || in.wl > 2) return "Wavelength number must be 1, 2 or 3!";
    return {};
}

std::vector<std::string> srtchoicelog(const SrtInput& in) {
    std::vector<std::string> lines;
    if (in.raynumber != 0)
        lines.push_back("Ray number " + std::to_string(in.raynumber - 1) + " is chosen");
    else
        lines.push_back("Following ray coordinates are chosen: x=" + shortest(in.X) + " y=" + shortest(in.Y) +
                        " l=" + shortest(in.L) + " m=" + shortest(in.M));
    lines.push_back("Wavelength number " + std::to_string(in.wl + 1) + " is chosen");
    return lines;
}

RayPoint srtstartray(const OpticalSystem& lens, const SrtInput& in) {
    RayPoint p{in.X, in.Y, 0, in.L, in.M, 1};
    if (in.raynumber != 0) {
        const size_t k = static_cast<size_t>(in.raynumber - 1);
        p.X = lens.rays.x[k];
        p.Y = lens.rays.y[k];
        p.L = lens.rays.l[k];
        p.M = lens.rays.m[k];
    }
    p.N = std::sqrt((1 - p.L * p.L) - p.M * p.M);
    return p;
}

bool singleraytrace(Model& m, const SrtInput& in, const ReportHead& h, Report& r) {
    r.addline("             S I N G L E   R A Y   T R A C E   C A L C U L A T I O N             ");
    r.addline(" ");
    r.addline("System name =" + m.lens.sysname + "        File = " + h.filepath + h.date);
    r.addline(" ");
    r.addline(in.raynumber != 0 ? "Ray " + std::to_string(in.raynumber) + " from the existing set of rays are used"
                                : "A new ray is generated");
    r.addline("");
    r.addline("Wave length is " + fmtfit(m.lens.wl[static_cast<size_t>(in.wl)] * 1e6, 4, 1) + " nm");
    r.addline("");
    r.addline("Data is printed in the local coordinate system at each surface");
    r.addline(" ");
    r.addline("                X        Y         Z        L         M         N");
    r.addline(" ");
    // the relative indices of the current glasses; the first-order data stay as they are
    const double efl = m.lens.efl;
    ssetq(m);
    m.lens.efl = efl;
    if (m.calcerror) return false;
    const RayPoint p = srtstartray(m.lens, in);
    r.addline(srtrow("  Ref    ", p));
    r.addline(" ");
    raytrace(m, Ray{p.X, p.Y, p.L, p.M, p.N, in.raynumber, 0}, in.wl, TraceOpts{});
    if (m.calcerror) return false;
    for (int i = 0; i <= m.lens.nsurf; ++i)
        r.addline(srtrow("   " + fmti(i, 2) + "    ", m.trace.surfray[static_cast<size_t>(i)]));
    return true;
}

}  // namespace zefo
