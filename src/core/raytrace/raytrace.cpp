#include "core/raytrace/raytrace.h"
#include "core/util/mathutil.h"

#include <algorithm>
#include <cassert>
#include <cmath>

// The trace carries each coordinate of the ray in a register of its own: GCC's packing of
// X with Y and L with M into vector registers lengthens the chain of dependent steps from
// surface to surface and costs a sixth of the trace speed.
#if defined(__GNUC__) && !defined(__clang__)
#define SCALARTRACE __attribute__((optimize("no-tree-slp-vectorize")))
#else
#define SCALARTRACE
#endif

namespace zefo {
namespace {

const char* const msgdirection = "Z direction vector must be different from zero";
const char* const msgtype = "Invalid surface type";
const char* const msgsphtransfer = "Error in ray transfer to spherical surface";
const char* const msgcontransfer = "Error in ray transfer to conical surface";
const char* const msgasptransfer = "Error in ray transfer to aspherical surface";
const char* const msgfretransfer = "Error in ray transfer to Fresnel surface";
const char* const msgsphrefract = "Error in ray refraction on spherical surface";
const char* const msgconrefract = "Error in ray refraction on conical surface";
const char* const msgasprefract = "Error in ray refraction on aspherical surface";
const char* const msgfrerefract = "Error in ray refraction on Fresnel surface";
const char* const msgrefmiss = "Error in ray transfer to reference sphere";

inline double inv(double x) { return x == 0 ? kbig : 1 / x; }

// One trace: the ray is kept in locals; the lens is only read, the results go to the context.
class Tracer {
public:
    Tracer(const OpticalSystem& lens, const Ray& ray, int w, const TraceOpts& o, TraceContext& c)
        : lens(lens), sp(lens.sys.sp), cx(c), kinds(c.kinds.data()), o(o), k(ray.number), kind(ray.kind), w(w),
          ns(lens.nsurf), stop(lens.stopsurf), X(ray.X), Y(ray.Y), Z(0), L(ray.L), M(ray.M), N(ray.N) {
        const auto& asf = lens.sys.asf;
        const size_t need = static_cast<size_t>(ns) + 1;
        if (lens.asphdata == 'D' && asf.eps.size() >= need && asf.a4.size() >= need &&
            asf.a6.size() >= need && asf.a8.size() >= need && asf.a10.size() >= need) {
            eps = asf.eps.data();
            a4 = asf.a4.data();
            a6 = asf.a6.data();
            a8 = asf.a8.data();
            a10 = asf.a10.data();
        }
        path = o.pathA || o.pathB || o.focal || o.statistics || o.refsphere;
        stoppath = o.pathA || o.pathB || o.focal;
    }

    SCALARTRACE TracedRay run();
    [[gnu::noinline]] TracedRay done(int i, int reached);   // out of the hot loop

private:
    const OpticalSystem& lens;
    const SurfaceTable& sp;
    TraceContext& cx;
    const SurfaceKind* kinds;
    const TraceOpts& o;
    const int k, kind, w, ns, stop;
    const double* eps = nullptr;
    const double* a4 = nullptr;
    const double* a6 = nullptr;
    const double* a8 = nullptr;
    const double* a10 = nullptr;
    bool path = false, stoppath = false;
    TracedRay out;

    double X, Y, Z, L, M, N;
    double D = 0;            // path from the previous surface
    double cosi = 1;         // incidence cosine
    double cosip = 1;        // refraction cosine
    double mu = 1;
    double root = 1;         // conic root sign
    double Px = 0, Py = 0, Pn = 1;          // aspheric normal (not unit) and its length
    double nx = 0, ny = 0, nz = 1;          // conic and Fresnel unit normal
    double M0 = 0;

    double kk(int i) const { return eps ? eps[i] : 0.0; }
    // clear radius of the stop: set by this trace, by an earlier one on the context, or the lens's
    double stoplimit() const {
        return out.stopclear >= 0 ? out.stopclear : cx.clear.stop >= 0 ? cx.clear.stop : sp.hmax[stop - 1];
    }
    bool failed(const char* msg);
    void stopped(RayStatus status, const char* msg);
    bool transfer(SurfaceShape t, bool plus, bool minus, int i);
    bool refract(SurfaceShape t, int i);
    bool conic(int i, bool plus, bool minus);
    bool asphere(int i);
    bool fresnel(int i);
    bool bend(const char* msg);
    double slope(int i, double r2, double q) const;
    double sag(int i, double r2, double q) const;
    void localcurv(int i, double& ct, double& cs) const;
    bool pathstep(int i);
    void imagestep();
    void imagestats();
    void statstep(int i);
    void setreference();
    bool refspherestep();
    void focalstep(int i);
};

void Tracer::stopped(RayStatus status, const char* msg) {
    out.status = status;
    out.message = msg;
}

bool Tracer::failed(const char* msg) {
    stopped(RayStatus::failed, msg);
    return false;
}

TracedRay Tracer::done(int i, int reached) {
    if (out.status != RayStatus::passed) out.surface = i;
    out.end = RayPoint{X, Y, Z, L, M, N};
    out.points = std::span<const RayPoint>(cx.surfray.data(), static_cast<size_t>(reached));
    if (path) out.opl = cx.opl[w];
    if (path && out.status == RayStatus::passed) out.opd = cx.opd[w];
    return out;
}

SCALARTRACE TracedRay Tracer::run() {
    cx.opl = {0, 0, 0};
    cx.conrady = 0;
    if (k == 0 || k == 1) cx.refray = RayPoint{};
    M0 = M;
    const double* d = sp.sep.data();
    const double* curv = sp.curv.data();
    // the ray is carried in locals and handed to the members around the less common steps
    double x = X, y = Y, z = Z, l = L, mm = M, n = N;
    auto put = [&] {
        X = x, Y = y, Z = z, L = l, M = mm, N = n;
    };
    auto get = [&] {
        x = X, y = Y, z = Z, l = L, mm = M, n = N;
    };
    // i: the surface where the trace stopped; reached: the surfaces with a point
    auto finish = [&](int i, int reached) {
        put();
        return done(i, reached);
    };
    for (int i = 0; i <= ns; ++i) {
        if (n == 0) {
            failed(msgdirection);
            return finish(i, i);
        }
        const SurfaceKind sk = kinds[i];
        const double cv = curv[i];
        double ci = 0;   // cos I, kept in a register along the common spherical path
        root = 1;
        if (sk.shape == SurfaceShape::sphere) {
            // intersection straight from the point on the previous surface: the same root
            // and the same cos I as from the point on the vertex plane, one division less
            if (cv == 0 && n < 0) {
                stopped(RayStatus::backwards, nullptr);
                return finish(i, i);
            }
            const double zp = z - d[i];
            const double F = cv * (x * x + y * y + zp * zp) - 2 * zp;
            const double G = n - cv * (x * l + y * mm + zp * n);
            const double delta = G * G - cv * F;
            if (delta < 0) {
                failed(msgsphtransfer);
                return finish(i, i);
            }
            ci = cosi = std::sqrt(delta);
            const double den = G + ci;
            if (den == 0) {
                failed(msgsphtransfer);
                return finish(i, i);
            }
            const double t = F / den;
            D = t;
            x += l * t;
            y += mm * t;
            z = zp + n * t;
        } else {
            const double t0 = (d[i] - z) / n;
            x += l * t0;
            y += mm * t0;
            z = 0;
            D = t0;
            put();
            const bool ok = transfer(sk.shape, sk.plusroot, sk.minusroot, i);
            get();
            ci = cosi;
            if (!ok) return finish(i, i);
        }
        cx.surfray[i] = RayPoint{x, y, z, l, mm, n};
        if (path || o.statistics) {
            put();
            if (o.statistics) statstep(i);
            if (path) {
                if (i == ns && o.refsphere) {
                    if (!refspherestep()) return finish(i, i + 1);
                    if (o.statistics) imagestats();
                } else if (!pathstep(i)) {
                    return finish(i, i + 1);
                }
            }
        }
        if (stoppath && i == stop - 1) {
            cx.stopheight = y;
            if (k == 1 && w == 0) out.stopclear = std::fabs(y);
        }
        if (i == ns) return finish(i, i + 1);
        if (o.vignetting) {
            const double h = i == stop - 1 ? stoplimit() : sp.hmax[i];
            if (x * x + y * y > h * h && sp.index[i][0] > 0) {
                stopped(RayStatus::vignetted, nullptr);
                return finish(i, i + 1);
            }
        }
        const double r = lens.mu[i][w];
        mu = r;
        if (sk.shape == SurfaceShape::sphere) {
            const double q = 1 - r * r * (1 - ci * ci);
            if (q < 0) {
                failed(msgsphrefract);
                return finish(i, i + 1);
            }
            const double cp = std::sqrt(q);
            cosip = cp;
            const double g = cv * (cp - r * ci);
            const double nz = r * (n - ci) + cp;
            l = r * l - g * x;
            mm = r * mm - g * y;
            n = nz - g * z;
        } else {
            put();
            const bool ok = refract(sk.shape, i);
            get();
            if (!ok) return finish(i, i + 1);
        }
        if (o.focal && kind == 3) {
            put();
            focalstep(i);
        }
    }
    return finish(ns, ns + 1);
}

bool Tracer::transfer(SurfaceShape t, bool plus, bool minus, int i) {
    switch (t) {
        case SurfaceShape::conic: return conic(i, plus, minus);
        case SurfaceShape::asphere: return asphere(i);
        case SurfaceShape::fresnel: return fresnel(i);
        default: break;
    }
    return failed(msgtype);
}

bool Tracer::conic(int i, bool plus, bool minus) {
    const double c = sp.curv[i];
    const double kc = kk(i);
    const double F = c * (X * X + Y * Y);
    const double G = N - c * (L * X + M * Y);
    const double delta = G * G - c * F * (1 + kc * N * N);
    if (delta < 0) return failed(msgcontransfer);
    const double r = std::sqrt(delta);
    double den = G + r;
    if (den == 0) return failed(msgcontransfer);
    double t = F / den;
    root = 1;
    const double y1 = Y + M * t;
    if ((plus && y1 < 0) || (minus && y1 > 0)) {
        den = G - r;
        if (den == 0) return failed(msgcontransfer);
        t = F / den;
        root = -1;
    }
    D += t;
    X += L * t;
    Y += M * t;
    Z = N * t;
    const double A = 1 - kc * c * c * (X * X + Y * Y);
    cosi = A > 0 ? r / std::sqrt(A) : r;
    return true;
}

// dz/dr divided by r of the aspheric profile; q = 1 - (1+k)c²r².
double Tracer::slope(int i, double r2, double q) const {
    double o = sp.curv[i] / std::sqrt(q);
    if (a4) o += r2 * (4 * a4[i] + r2 * (6 * a6[i] + r2 * (8 * a8[i] + r2 * 10 * a10[i])));
    return o;
}

double Tracer::sag(int i, double r2, double q) const {
    double z = sp.curv[i] * r2 / (1 + std::sqrt(q));
    if (a4) z += r2 * r2 * (a4[i] + r2 * (a6[i] + r2 * (a8[i] + r2 * a10[i])));
    return z;
}

bool Tracer::asphere(int i) {
    const double c = sp.curv[i];
    const double kc = kk(i);
    const double F = c * (X * X + Y * Y);
    const double G = N - c * (L * X + M * Y);
    const double delta = G * G - c * F * (kc + 1) * N * N;
    if (delta < 0) return failed(msgasptransfer);
    const double den = G + std::sqrt(delta);
    if (den == 0) return failed(msgasptransfer);
    const double t = F / den;
    D += t;
    X += L * t;
    Y += M * t;
    Z = N * t;
    const double tol = lens.wl[0];
    int steps = 0;
    for (;;) {
        const double r2 = X * X + Y * Y;
        const double q = 1 - (1 + kc) * c * c * r2;
        if (q < 0) return failed(msgasptransfer);
        const double o = slope(i, r2, q);
        Px = -X * o;
        Py = -Y * o;
        Pn = std::sqrt(Px * Px + Py * Py + 1);
        cosi = (L * Px + M * Py + N) / Pn;
        const double den2 = cosi * Pn;
        if (den2 == 0) return failed(msgasptransfer);
        const double ds = (sag(i, r2, q) - Z) / den2;
        D += ds;
        X += L * ds;
        Y += M * ds;
        Z += N * ds;
        ++steps;
        if (!(std::fabs(ds) * 1000 > tol) || steps == 20) break;
    }
    if (steps == 20 || cosi < 0) return failed(msgasptransfer);
    return true;
}

bool Tracer::fresnel(int i) {
    const double c = sp.curv[i];
    const double r2 = X * X + Y * Y;
    const double q = 1 - (1 + kk(i)) * c * c * r2;
    if (q < 0) return failed(msgfretransfer);
    const double o = slope(i, r2, q);
    const double len = std::sqrt(1 + o * o * r2);
    nx = -X * o / len;
    ny = -Y * o / len;
    nz = 1 / len;
    cosi = nx * L + ny * M + nz * N;
    return true;
}

// Refraction about the unit normal (nx, ny, nz) with cosi = normal·direction.
bool Tracer::bend(const char* msg) {
    const double q = 1 - mu * mu * (1 - cosi * cosi);
    if (q < 0) return failed(msg);
    cosip = std::sqrt(q);
    const double g = cosip - mu * cosi;
    L = mu * L + g * nx;
    M = mu * M + g * ny;
    N = mu * N + g * nz;
    if (std::fabs(L * L + M * M + N * N - 1) > 5e-5) return failed(msg);
    return true;
}

bool Tracer::refract(SurfaceShape t, int i) {
    switch (t) {
        case SurfaceShape::conic: {
            const double c = sp.curv[i];
            const double A = 1 - kk(i) * c * c * (X * X + Y * Y);
            if (!(A > 0)) return failed(msgconrefract);
            const double s = root / std::sqrt(A);
            nx = -c * X * s;
            ny = -c * Y * s;
            nz = (1 - c * (kk(i) + 1) * Z) * s;
            cosi = nx * L + ny * M + nz * N;
            return bend(msgconrefract);
        }
        case SurfaceShape::asphere:
            nx = Px / Pn;
            ny = Py / Pn;
            nz = 1 / Pn;
            return bend(msgasprefract);
        case SurfaceShape::fresnel:
            return bend(msgfrerefract);
        default: break;
    }
    return failed(msgtype);
}

bool Tracer::pathstep(int i) {
    const double n = sp.index[i][w];
    cx.opl[w] += std::fabs(n) * D;
    if (w == 0) cx.conrady += (n >= 0 ? sp.disp[i] : std::fabs(sp.disp[i])) * D;
    if (i == 0) {
        if (kind == 3) cx.refray = RayPoint{X, Y, Z, L, M, N};
        const RayPoint& r = cx.refray;
        const double den = 1 + L * r.L + M * r.M + N * r.N;
        if (!(den > 0)) return failed(msgdirection);
        const double W = root * ((L + r.L) * (X - r.X) + (M + r.M) * (Y - r.Y) + (N + r.N) * (Z - r.Z)) / den;
        cx.opl[w] = W * sp.index[0][w];
        if (w == 0) cx.conrady = W * sp.disp[0];
    }
    if (i == ns - 1) cx.lastsurf = RayPoint{X, Y, Z, L, M, N};
    if (i == ns) imagestep();
    return true;
}

void Tracer::imagestep() {
    if (!lens.telescope()) {
        if (kind == 3 && w == 0) out.imageclear = 1.01 * std::fabs(Y);
    } else if (k == 1) {
        out.imageclear = 1.01 * std::fabs(Y);
    }
    cx.opd[w] = cx.oplref[w] - cx.opl[w];
    if (w == 0) cx.conradydiff = cx.conradyref - cx.conrady;
    const RayPoint& ri = cx.refimage;
    const bool tel = lens.telescope();
    const double a = tel ? ri.L : L, b = tel ? ri.M : M, c = tel ? ri.N : N;
    cx.opd[w] += (X - ri.X) * a + (Y - ri.Y) * b + (Z - ri.Z) * c;
    if (o.statistics) imagestats();
}

// Chief-ray angle; the caller enters the boundary conditions attached to this ray.
void Tracer::imagestats() {
    if (kind == 3) cx.mpr = M;
    out.imagestats = true;
}
void Tracer::statstep(int i) {
    cx.statcosi[i] = cosi;
    cx.statpath[i] = D;
    if (D < cx.minpath[i]) {
        cx.minpath[i] = D;
        cx.minpathray[i] = k;
    }
    if (std::fabs(Y) > cx.maxheight[i]) {
        cx.maxheight[i] = std::fabs(Y);
        cx.maxheightray[i] = k;
    }
    if (kind == 3 && i == stop - 1) {
        cx.ypr = Y;
        out.chiefatstop = true;
    }
}

// The chief ray sets up the reference surface through the axial point of the exit pupil.
// An objective's sphere is centred on the chief ray's image point. An afocal system images
// at infinity: its reference is normal to the chief ray in image space, a plane, or with a
// telescope defocus the sphere of the axis (the eye's vergence) with its centre on the chief
// ray.
void Tracer::setreference() {
    const RayPoint& last = cx.lastsurf;
    const double lim = cx.pupillimit;
    double zp = lim;
    if (M != 0) {
        const double zx = last.Z - last.Y * N / M;
        if (!(std::fabs(zx) > std::fabs(lim))) zp = zx;
    }
    cx.refzp = zp;
    if (lens.telescope()) {
        cx.refcurv = curvatureof(cx.axisrefradius);
        cx.refA = M;
        cx.refB = N;
    } else {
        const double zref = sp.sep[ns] - zp + Z;
        cx.refcurv = zref == 0 ? 0 : sign(zref) / std::sqrt(Y * Y + zref * zref);
        cx.refA = cx.refcurv != 0 ? cx.refcurv * Y : M;
        cx.refB = cx.refcurv != 0 ? cx.refcurv * zref : N;
    }
    cx.refradius = cx.refcurv != 0 ? 1 / cx.refcurv : kbig;
}

// Optical path from the last surface to the reference surface. A ray that does not meet it
// has no optical path difference: the trace fails.
bool Tracer::refspherestep() {
    if (kind == 3 && w == 0) setreference();
    const RayPoint& last = cx.lastsurf;
    const double dl = (cx.refzp - last.Z) / N;
    cx.Xe = last.X + L * dl;
    cx.Ye = last.Y + M * dl;
    const double c = cx.refcurv;
    const double F = c * (cx.Xe * cx.Xe + cx.Ye * cx.Ye) - 2 * cx.Ye * cx.refA;
    const double G = N * cx.refB + M * cx.refA - c * (L * cx.Xe + M * cx.Ye);
    const double d2 = G * G - c * F;
    const double den = d2 > 0 ? G + std::sqrt(d2) : 0;
    if (den == 0) return failed(msgrefmiss);
    const double t = F / den;
    cx.opl[w] += (dl + t) * sp.index[ns][w];
    cx.opd[w] = cx.oplref[w] - cx.opl[w];
    return true;
}

// Tangential and sagittal curvature of the surface profile at the ray's height.
void Tracer::localcurv(int i, double& ct, double& cs) const {
    const double c = sp.curv[i];
    const double h2 = X * X + Y * Y;
    double P1 = 0, P2 = 0;
    if (a4 && kinds[i].aspheric) {
        P1 = h2 * (4 * a4[i] + h2 * (6 * a6[i] + h2 * (8 * a8[i] + h2 * 10 * a10[i])));
        P2 = h2 * (12 * a4[i] + h2 * (30 * a6[i] + h2 * (56 * a8[i] + h2 * 90 * a10[i])));
    }
    const double q = std::max(0.0, 1 - (kk(i) + 1) * h2 * c * c);
    const double sq = std::sqrt(q);
    const double wv = sq * P1 + c;
    const double Q = wv * wv * h2 + q;
    if (!(Q > 0)) {
        ct = cs = c;
        return;
    }
    ct = (q * sq * P2 + c) / (Q * std::sqrt(Q));
    cs = wv / std::sqrt(Q);
}

// Coddington equations along the chief ray, after the refraction at surface i.
void Tracer::focalstep(int i) {
    const SurfaceShape t = kinds[i].shape;
    const double g = cosip - mu * cosi;
    double pt, ps;
    if (t == SurfaceShape::sphere) {
        pt = ps = sp.curv[i] * g;
    } else {
        double ct, cs;
        localcurv(i, ct, cs);
        const double s = t == SurfaceShape::conic ? root : 1.0;
        pt = s * ct * g;
        ps = s * cs * g;
    }
    double tdist, sdist;
    if (i == 0) {
        if (lens.mag == 0 || lens.objinf == 'D') {
            tdist = sdist = kbig;
        } else {
            tdist = sdist = M0 != 0 ? -(Y - cx.throwdist) / M0 : kbig;
        }
    } else {
        tdist = cx.Xm - D;
        sdist = cx.Xs - D;
    }
    cx.Xm = cosip * cosip * inv(mu * cosi * cosi * inv(tdist) + pt);
    cx.Xs = inv(mu * inv(sdist) + ps);
}

}  // namespace

TracedRay trace(const OpticalSystem& lens, const Ray& ray, int w, const TraceOpts& opts, TraceContext& ctx) {
    const size_t ns = static_cast<size_t>(lens.nsurf);
    if (ctx.kinds.size() <= ns || ctx.surfray.size() <= ns) preparetrace(lens, ctx);   // never out of bounds
    return Tracer(lens, ray, w, opts, ctx).run();
}

TracedRay raytrace(Model& m, const Ray& ray, int w, const TraceOpts& opts) {
    TraceContext& ctx = m.trace;
    // prepared when the labels last changed (the shipped build keeps assertions: only the
    // count is compared here, the labels themselves would cost as much as a surface)
    assert(ctx.kinds.size() == m.lens.sys.sp.surflabel.size());
    const TracedRay t = trace(m.lens, ray, w, opts, ctx);
    if (t.status == RayStatus::failed && !opts.vignetting) fail(m, t.message);
    if (t.status == RayStatus::backwards) m.calcerror = true;
    if (t.stopclear >= 0) ctx.clear.stop = t.stopclear;
    if (t.imageclear >= 0) ctx.clear.image = t.imageclear;
    return t;
}

Ray schemestart(const OpticalSystem& lens, int k, int kind) {
    const auto& r = lens.rays;
    const double l = r.l[k], mm = r.m[k];
    const double nn = (1 - l * l) - mm * mm;
    return Ray{r.x[k], r.y[k], l, mm, nn > 0 ? std::sqrt(nn) : 0, k, kind};
}

TracedRay schemeray(Model& m, int k, int kind, int w, const TraceOpts& opts) {
    return raytrace(m, schemestart(m.lens, k, kind), w, opts);
}

void applyclearradii(OpticalSystem& lens, TraceContext& ctx) {
    auto& hmax = lens.sys.sp.hmax;
    const size_t stop = static_cast<size_t>(lens.stopsurf - 1), image = static_cast<size_t>(lens.nsurf);
    if (ctx.clear.stop >= 0 && lens.stopsurf >= 1 && stop < hmax.size()) hmax[stop] = ctx.clear.stop;
    if (ctx.clear.image >= 0 && image < hmax.size()) hmax[image] = ctx.clear.image;
    ctx.clear = ClearRadii{};
}

void clearstatistics(TraceContext& ctx) {
    for (auto& v : ctx.minpath) v = kbig;
    for (auto& v : ctx.maxheight) v = 0;
    for (auto& v : ctx.minpathray) v = 0;
    for (auto& v : ctx.maxheightray) v = 0;
}

}  // namespace zefo

#undef SCALARTRACE
