#include "core/model/tracecontext.h"

#include "core/model/model.h"

namespace zefo {
namespace {

// The surface kind its label gives.
SurfaceKind surfacekind(const std::string& label) {
    bool s = false, e = false, a = false, f = false;
    SurfaceKind sk;
    for (char ch : label) {
        s |= ch == 'S';
        e |= ch == 'E';
        a |= ch == 'A';
        f |= ch == 'F';
        sk.plusroot |= ch == '+';
        sk.minusroot |= ch == '-';
    }
    sk.shape = s ? SurfaceShape::sphere
             : e ? SurfaceShape::conic
             : a ? SurfaceShape::asphere
             : f ? SurfaceShape::fresnel
                 : SurfaceShape::invalid;
    sk.aspheric = !label.empty() && !e;
    return sk;
}

}  // namespace

void preparetrace(const OpticalSystem& lens, TraceContext& ctx) {
    const auto& labels = lens.sys.sp.surflabel;
    ctx.kinds.resize(labels.size());
    for (size_t i = 0; i < labels.size(); ++i) ctx.kinds[i] = surfacekind(labels[i]);
    const size_t ns = static_cast<size_t>(lens.nsurf > 0 ? lens.nsurf : 0) + 1;
    ctx.surfray.resize(ns);
    for (auto* a : {&ctx.paraxheight, &ctx.paraxslope, &ctx.statcosi, &ctx.statpath, &ctx.minpath, &ctx.maxheight}) a->resize(ns);
    ctx.minpathray.resize(ns);
    ctx.maxheightray.resize(ns);
    ctx.clear = ClearRadii{};   // found for another lens
}

}  // namespace zefo
