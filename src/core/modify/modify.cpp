#include "core/modify/modify.h"

#include <bit>
#include <cmath>
#include <utility>

#include "core/raytrace/paraxial.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

size_t surfrow(int k) { return static_cast<size_t>(k); }

// The scale of the rounding grid of a series value v: a power of ten S that puts v·S into
// [2000, 20000), so that values with the leading digit 1 keep five significant digits and
// the others four.
long double gridscale(long double v) {
    long double s = 100000;
    long double w = 5 * v;
    for (int i = 0; i < 40; ++i) {
        s /= 10;
        w = std::trunc(w / 10);
        if (w == 0) break;
    }
    return s;
}

template <class T>
void swaprows(std::vector<T>& v, size_t a, size_t b) {
    if (a < v.size() && b < v.size()) std::swap(v[a], v[b]);
}

}  // namespace

std::string scaleline(double k) { return "Scale factor is " + fmtf(k, 8, 3); }

std::string anglesolveline(double f) { return "Efective focal length for angle solve is " + fmtf(f, 8, 3); }

std::string scalefactorerror(double k) {
    if (k == 0) return scalezeromsg;
    return k > 0 && std::isfinite(k) ? "" : scalenegativemsg;
}

std::string scalesys(OpticalSystem& lens, double k) {
    if (auto e = scalefactorerror(k); !e.empty()) return e;
    auto& sp = lens.sys.sp;
    for (size_t i = 0; i <= surfrow(lens.nsurf); ++i) {
        sp.curv[i] /= k;
        if (lens.radiiflag == 'D') sp.radius[i] *= k;
        sp.sep[i] *= k;
        sp.hmax[i] *= k;
        if (i < lens.edgelim.size()) lens.edgelim[i] *= k;
        if (i < lens.axlim.size()) lens.axlim[i] *= k;
    }
    lens.defocus *= k;
    if (lens.asphdata == 'D') {
        auto& a = lens.sys.asf;
        for (size_t i = 0; i < a.a4.size(); ++i) {
            a.a4[i] /= k * k * k;
            a.a6[i] /= std::pow(k, 5);
            a.a8[i] /= std::pow(k, 7);
            a.a10[i] /= std::pow(k, 9);
        }
    }
    return {};
}

bool anglesolvefocal(Model& m, double f) {
    OpticalSystem& lens = m.lens;
    ssetq(m);
    lens.efl = f;
    if (m.calcerror) return false;
    auto& sp = lens.sys.sp;
    const int n = lens.nsurf;
    double y = 1, u = 0;
    for (int i = 0; i <= n - 2; ++i) {
        const double mu = lens.mu[surfrow(i)][0];
        u = u * mu - y * sp.curv[surfrow(i)] * (1 - mu);
        y += sp.sep[surfrow(i + 1)] * u;
    }
    const double mu = n >= 1 ? lens.mu[surfrow(n - 1)][0] : 1.0;
    if (n < 1 || f == 0 || y == 0 || 1 - mu == 0) {
        fail(m, anglesolvemsg);
        return false;
    }
    const double c = (u * mu + 1 / f) / ((1 - mu) * y);
    if (!std::isfinite(c)) {
        fail(m, anglesolvemsg);
        return false;
    }
    sp.curv[surfrow(n - 1)] = c;
    if (lens.radiiflag == 'D') sp.radius[surfrow(n - 1)] = radiusofcurv(c);
    return true;
}

void reversesys(OpticalSystem& lens) {
    auto& sp = lens.sys.sp;
    const int n = lens.nsurf;
    const bool radii = lens.radiiflag == 'D';
    const bool asph = lens.asphdata == 'D';
    auto& a = lens.sys.asf;
    for (int k = 0; k < n - 1 - k; ++k) {
        const size_t p = surfrow(k), q = surfrow(n - 1 - k);
        swaprows(sp.surflabel, p, q);
        swaprows(sp.curv, p, q);
        if (radii) swaprows(sp.radius, p, q);
        swaprows(sp.hmax, p, q);
        swaprows(lens.axlim, p, q);
        swaprows(lens.edgelim, p, q);
        if (asph)
            for (auto* v : {&a.a4, &a.a6, &a.a8, &a.a10, &a.eps}) swaprows(*v, p, q);
    }
    for (size_t k = 0; k < surfrow(n); ++k) {
        if (sp.curv[k] != 0) {
            sp.curv[k] = -sp.curv[k];
            if (radii) sp.radius[k] = -sp.radius[k];
        }
        if (asph && k < a.a4.size())
            for (auto* v : {&a.a4, &a.a6, &a.a8, &a.a10}) (*v)[k] = -(*v)[k];
    }
    // Separation j and the medium of row j lie between surfaces j-1 and j: both run the
    // other way together, so air spaces stay air spaces.
    for (int j = 1; j < n - j; ++j) {
        const size_t p = surfrow(j), q = surfrow(n - j);
        swaprows(sp.sep, p, q);
        swaprows(sp.glass, p, q);
        swaprows(sp.index, p, q);
        swaprows(sp.disp, p, q);
    }
    if (lens.stopsurf > 0) lens.stopsurf = n - lens.stopsurf + 1;
}

void standardradii(OpticalSystem& lens) {
    auto& sp = lens.sys.sp;
    for (int k = 0; k < lens.nsurf; ++k) {
        const double r = stdvalue(250, surfaceradius(lens, k));
        if (lens.radiiflag == 'D') sp.radius[surfrow(k)] = r;
        sp.curv[surfrow(k)] = curvatureof(r);
    }
}

double stdvalue(int series, double x) {
    const double a0 = std::fabs(x);
    if (series <= 0 || series % 125 != 0 || series > 1000 || !(a0 > 0.5) || a0 > 40000) return x;
    const long double a = a0;
    const unsigned q = static_cast<unsigned>(series / 125);
    int density = series >> (std::bit_width(q) - 1);
    if (a >= 10 && a < 1000 && density == 125) density = 250;
    const long double nd = density;
    const long double b0 = std::pow(10.0L, -37.0L / 125.0L);
    const long double d = std::trunc(nd * std::log10(a / b0));
    const long double v = b0 * std::pow(10.0L, d / nd);
    const long double s = gridscale(v);
    const long double lower = std::round(v * s) / s;
    long double upper = b0 * std::pow(10.0L, (d + 1) / nd);
    upper = 20000 / s < upper ? std::round(upper * s / 10) * 10 / s : std::round(upper * s) / s;
    const long double chosen = std::fabs(a - lower) < std::fabs(a - upper) ? lower : upper;
    const long double s2 = gridscale(chosen);
    const double r = static_cast<double>(std::round(chosen * s2) / s2);
    return x < 0 ? -r : r;
}

}  // namespace zefo
