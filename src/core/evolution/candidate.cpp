#include "core/evolution/candidate.h"

#include <cmath>

#include "core/evolution/lastradius.h"
#include "core/optim/merit.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/rayscheme.h"

namespace zefo {

bool standardlayout(int nrays) {
    return nrays == 6 || nrays == 17 || nrays == 24 || nrays == 34;
}

namespace {

double invalid(Model& m) {
    m.calcerror = false;
    m.errmsg.clear();
    return -1;
}

double radiusof(const SurfaceTable& sp, int i) {
    return sp.curv[i] == 0 ? 0.0 : 1 / sp.curv[i];
}

}  // namespace

double evaluatecandidate(Model& m, const CandidateChecks& checks) {
    m.calcerror = false;
    nudatparax(m);
    if (m.calcerror || !solvelastradius(m.lens, checks.efl)) return invalid(m);
    nudatparax(m);
    if (m.calcerror) return invalid(m);
    const int n = m.lens.nsurf;
    const auto& sp = m.lens.sys.sp;
    if (!(sp.sep[n] >= 0) || !(std::fabs(radiusof(sp, n - 1)) >= sp.hmax[n - 1]))
        return invalid(m);
    if (checks.edges) {
        double d = 0;
        edgedeficit(m.lens, d);
        if (d < 0) return invalid(m);
    }
    if (standardlayout(m.lens.nrays)) initstdrays(m);
    if (m.calcerror) return invalid(m);
    rayscheme(m);
    if (m.calcerror || !meritcalc(m, m.merit) || !calcweights(m)) return invalid(m);
    const double merit = meritsum(m, m.merit);
    if (!std::isfinite(merit)) return invalid(m);
    return merit;
}

}  // namespace zefo
