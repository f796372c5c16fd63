#include "core/evolution/lastradius.h"

#include <algorithm>
#include <cmath>

#include "core/optim/boundary.h"

namespace zefo {

std::string lastradiusrefusal(double a) {
    if (a == 0 || !std::isfinite(a))
        return "The system is afocal (focal length 0): the evolutionary optimization keeps the "
               "focal length of the start system and cannot run on it.";
    return {};
}

bool solvelastradius(OpticalSystem& lens, double a, double* memberradius) {
    const int n = lens.nsurf;
    if (n < 2 || a == 0) return false;
    auto& sp = lens.sys.sp;
    double y = 1, u = 0;
    for (int i = 0; i <= n - 2; ++i) {
        const double mu = lens.mu[i][0];
        u = u * mu - y * sp.curv[i] * (1 - mu);
        y += sp.sep[i + 1] * u;
    }
    const double mulast = lens.mu[n - 1][0];
    if (y == 0 || mulast == 1) return false;
    const double c = (u * mulast + 1 / a) / (y * (1 - mulast));
    if (!std::isfinite(c)) return false;
    const double r = c == 0 ? 0.0 : 1 / c;
    sp.curv[n - 1] = c;
    if (lens.radiiflag == 'D') sp.radius[n - 1] = r;
    if (memberradius) *memberradius = r;
    lens.efl = a;
    return true;
}

namespace {

// 1 - (c h)^2: negative when the clear aperture reaches beyond the sphere.
double apertureroom(const SurfaceTable& sp, int j) {
    const double ch = sp.curv[j] * sp.hmax[j];
    return 1 - ch * ch;
}

}  // namespace

void edgedeficit(const OpticalSystem& lens, double& d) {
    const auto& sp = lens.sys.sp;
    for (int i = 1; i <= lens.nsurf; ++i) {
        const double e1 = apertureroom(sp, i - 1), e2 = apertureroom(sp, i);
        if (e1 > 0 && e2 > 0) {
            const double t = clearedge(lens, i);
            if (t <= lens.edgelim[i]) d += t - lens.edgelim[i];
        } else {
            d += std::min(e1, 0.0) + std::min(e2, 0.0);
        }
    }
}

}  // namespace zefo
