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

void srtstartray(Model& m, const SrtInput& in) {
    if (in.raynumber != 0) {
        const size_t k = static_cast<size_t>(in.raynumber - 1);
        m.X = m.lens.rays.x[k];
        m.Y = m.lens.rays.y[k];
        m.L = m.lens.rays.l[k];
        m.M = m.lens.rays.m[k];
    } else {
        m.X = in.X;
        m.Y = in.Y;
        m.L = in.L;
        m.M = in.M;
    }
    m.Z = 0;
    m.N = std::sqrt((1 - m.L * m.L) - m.M * m.M);
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
    srtstartray(m, in);
    r.addline(srtrow("  Ref    ", RayPoint{m.X, m.Y, m.Z, m.L, m.M, m.N}));
    r.addline(" ");
    raytrace(m, Ray{m.X, m.Y, m.L, m.M, m.N, in.raynumber, 0}, in.wl, TraceOpts{});
    if (m.calcerror) return false;
    for (int i = 0; i <= m.lens.nsurf; ++i)
        r.addline(srtrow("   " + fmti(i, 2) + "    ", m.trace.surfray[static_cast<size_t>(i)]));
    return true;
}

}  // namespace zefo
