#include "raytrace/raytrace.h"
#include "util/mathutil.h"

#include <algorithm>
#include <cmath>

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

enum class SurfType { sphere, conic, asphere, fresnel, invalid };

// The first of S, E, A, F found in the label decides; "+" / "-" choose the conic root.
struct SurfKind {
    SurfType type = SurfType::invalid;
    bool plusroot = false;
    bool minusroot = false;
};

inline SurfKind surfkind(const std::string& label) {
    bool s = false, e = false, a = false, f = false;
    SurfKind sk;
    for (char ch : label) {
        s |= ch == 'S';
        e |= ch == 'E';
        a |= ch == 'A';
        f |= ch == 'F';
        sk.plusroot |= ch == '+';
        sk.minusroot |= ch == '-';
    }
    sk.type = s ? SurfType::sphere
            : e ? SurfType::conic
            : a ? SurfType::asphere
            : f ? SurfType::fresnel
                : SurfType::invalid;
    return sk;
}

inline double inv(double x) { return x == 0 ? kbig : 1 / x; }

// One trace: the ray state is kept in locals and written back to the model at the end.
class Tracer {
public:
    Tracer(Model& m, int k, int w, const TraceOpts& o)
        : m(m), sp(m.lens.sys.sp), o(o), k(k), w(w), ns(m.lens.nsurf), stop(m.lens.stopsurf),
          X(m.X), Y(m.Y), Z(m.Z), L(m.L), M(m.M), N(m.N) {
        const auto& asf = m.lens.sys.asf;
        const size_t need = static_cast<size_t>(ns) + 1;
        if (m.lens.asphdata == 'D' && asf.eps.size() >= need && asf.a4.size() >= need &&
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

    void run();
    void store() {
        m.X = X;
        m.Y = Y;
        m.Z = Z;
        m.L = L;
        m.M = M;
        m.N = N;
    }

private:
    Model& m;
    const sp_t& sp;
    const TraceOpts& o;
    const int k, w, ns, stop;
    const double* eps = nullptr;
    const double* a4 = nullptr;
    const double* a6 = nullptr;
    const double* a8 = nullptr;
    const double* a10 = nullptr;
    bool path = false, stoppath = false;

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
    bool failed(const char* msg);
    bool transfer(SurfType t, bool plus, bool minus, int i);
    bool refract(SurfType t, int i);
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

bool Tracer::failed(const char* msg) {
    if (o.vignetting) {
        m.raystatus = 1;
    } else {
        fail(m, msg);
    }
    return false;
}

void Tracer::run() {
    m.opl = {0, 0, 0};
    m.conrady = 0;
    m.raystatus = 0;
    if (k == 0 || k == 1) m.refray = RayPoint{};
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
    struct Finally {
        decltype(put)& f;
        ~Finally() { f(); }
    } storeonexit{put};
    for (int i = 0; i <= ns; ++i) {
        if (n == 0) {
            failed(msgdirection);
            return;
        }
        const SurfKind sk = surfkind(sp.surflabel[i]);
        const double c = curv[i];
        root = 1;
        if (sk.type == SurfType::sphere) {
            // intersection straight from the point on the previous surface: the same root
            // and the same cos I as from the point on the vertex plane, one division less
            if (c == 0 && n < 0) {
                m.calcerror = true;   // a ray running backwards at a plane surface
                return;
            }
            const double zp = z - d[i];
            const double F = c * (x * x + y * y + zp * zp) - 2 * zp;
            const double G = n - c * (x * l + y * mm + zp * n);
            const double delta = G * G - c * F;
            if (delta < 0) {
                failed(msgsphtransfer);
                return;
            }
            cosi = std::sqrt(delta);
            const double den = G + cosi;
            if (den == 0) {
                failed(msgsphtransfer);
                return;
            }
            D = F / den;
            x += l * D;
            y += mm * D;
            z = zp + n * D;
        } else {
            const double t0 = (d[i] - z) / n;
            x += l * t0;
            y += mm * t0;
            z = 0;
            D = t0;
            put();
            const bool ok = transfer(sk.type, sk.plusroot, sk.minusroot, i);
            get();
            if (!ok) return;
        }
        m.surfray[i] = RayPoint{x, y, z, l, mm, n};
        if (path || o.statistics) {
            put();
            if (o.statistics) statstep(i);
            if (path) {
                if (i == ns && o.refsphere) {
                    if (!refspherestep()) return;
                    if (o.statistics) imagestats();
                } else if (!pathstep(i)) {
                    return;
                }
            }
        }
        if (stoppath && i == stop - 1) {
            m.stopheight = y;
            if (k == 1 && w == 0) m.lens.sys.sp.hmax[i] = std::fabs(y);
        }
        if (i == ns) return;
        if (o.vignetting) {
            const double h = sp.hmax[i];
            if (x * x + y * y > h * h && sp.index[i][0] > 0) {
                m.raystatus = 2;
                return;
            }
        }
        mu = m.lens.mu[i][w];
        if (sk.type == SurfType::sphere) {
            const double q = 1 - mu * mu * (1 - cosi * cosi);
            if (q < 0) {
                failed(msgsphrefract);
                return;
            }
            cosip = std::sqrt(q);
            const double g = c * (cosip - mu * cosi);
            const double nz = mu * (n - cosi) + cosip;
            l = mu * l - g * x;
            mm = mu * mm - g * y;
            n = nz - g * z;
        } else {
            put();
            const bool ok = refract(sk.type, i);
            get();
            if (!ok) return;
        }
        if (o.focal && m.raykind == 3) {
            put();
            focalstep(i);
        }
    }
}

bool Tracer::transfer(SurfType t, bool plus, bool minus, int i) {
    switch (t) {
        case SurfType::conic: return conic(i, plus, minus);
        case SurfType::asphere: return asphere(i);
        case SurfType::fresnel: return fresnel(i);
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
    const double tol = m.lens.wl[0];
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

bool Tracer::refract(SurfType t, int i) {
    switch (t) {
        case SurfType::conic: {
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
        case SurfType::asphere:
            nx = Px / Pn;
            ny = Py / Pn;
            nz = 1 / Pn;
            return bend(msgasprefract);
        case SurfType::fresnel:
            return bend(msgfrerefract);
        default: break;
    }
    return failed(msgtype);
}

bool Tracer::pathstep(int i) {
    const double n = sp.index[i][w];
    m.opl[w] += std::fabs(n) * D;
    if (w == 0) m.conrady += (n >= 0 ? sp.disp[i] : std::fabs(sp.disp[i])) * D;
    if (i == 0) {
        if (m.raykind == 3) m.refray = RayPoint{X, Y, Z, L, M, N};
        const RayPoint& r = m.refray;
        const double den = 1 + L * r.L + M * r.M + N * r.N;
        if (!(den > 0)) return failed(msgdirection);
        const double W = root * ((L + r.L) * (X - r.X) + (M + r.M) * (Y - r.Y) + (N + r.N) * (Z - r.Z)) / den;
        m.opl[w] = W * sp.index[0][w];
        if (w == 0) m.conrady = W * sp.disp[0];
    }
    if (i == ns - 1) m.lastsurf = RayPoint{X, Y, Z, L, M, N};
    if (i == ns) imagestep();
    return true;
}

void Tracer::imagestep() {
    if (!m.telescope()) {
        if (m.raykind == 3 && w == 0) m.lens.sys.sp.hmax[ns] = 1.01 * std::fabs(Y);
    } else if (k == 1) {
        m.lens.sys.sp.hmax[ns] = 1.01 * std::fabs(Y);
    }
    m.opd[w] = m.oplref[w] - m.opl[w];
    if (w == 0) m.conradydiff = m.conradyref - m.conrady;
    const RayPoint& ri = m.refimage;
    const bool tel = m.telescope();
    const double a = tel ? ri.L : L, b = tel ? ri.M : M, c = tel ? ri.N : N;
    m.opd[w] += (X - ri.X) * a + (Y - ri.Y) * b + (Z - ri.Z) * c;
    if (o.statistics) imagestats();
}

// Chief-ray angle and the boundary conditions attached to this ray.
void Tracer::imagestats() {
    if (m.raykind == 3) {
        m.mpr = M;
        if (m.aberval.size() > 3) m.aberval[3] = m.mpr - m.targmpr;
    }
    const size_t nbc = m.bctab.size();
    for (size_t r = 0; r < nbc; ++r) {
        const BcEntry& bc = m.bctab[r];
        if ((bc.kind != 1 && bc.kind != 2) || bc.ray != k) continue;
        const int j = bc.surf;
        if (j > ns) continue;
        const double value = bc.kind == 1 ? sign(sp.index[j][0]) * m.statpath[j] - bc.bclimit
                                          : std::fabs(m.surfray[j].Y) - bc.bclimit;
        const size_t e = static_cast<size_t>(m.lens.naber > 0 ? m.lens.naber : 0) + r;
        if (e >= m.aberval.size()) continue;
        if (w == 0) {
            m.aberval[e] = value;
            if (e < m.lens.aberweight.size()) m.lens.aberweight[e] = m.lens.dimweight;
            if (e < m.abername.size()) {
                const char* name = bc.kind == 1 ? "Edge thickness dev.  " : "Clear radius deviat.";
                if (m.abername[e] != name) m.abername[e] = name;
            }
        } else if (value < m.aberval[e]) {
            m.aberval[e] = value;
        }
    }
}

void Tracer::statstep(int i) {
    m.statcosi[i] = cosi;
    m.statpath[i] = D;
    if (D < m.minpath[i]) {
        m.minpath[i] = D;
        m.minpathray[i] = k;
    }
    if (std::fabs(Y) > m.maxheight[i]) {
        m.maxheight[i] = std::fabs(Y);
        m.maxheightray[i] = k;
    }
    if (m.raykind == 3 && i == stop - 1) {
        m.ypr = Y;
        if (m.aberval.size() > 2) m.aberval[2] = m.ypr - m.targypr;
    }
}

// The chief ray sets up the reference surface through the axial point of the exit pupil.
// An objective's sphere is centred on the chief ray's image point. An afocal system images
// at infinity: its reference is normal to the chief ray in image space, a plane, or with a
// telescope defocus the sphere of the axis (the eye's vergence) with its centre on the chief
// ray.
void Tracer::setreference() {
    const RayPoint& last = m.lastsurf;
    const double lim = m.pupillimit;
    double zp = lim;
    if (M != 0) {
        const double zx = last.Z - last.Y * N / M;
        if (!(std::fabs(zx) > std::fabs(lim))) zp = zx;
    }
    m.refzp = zp;
    if (m.telescope()) {
        m.refcurv = curvatureof(m.axisrefradius);
        m.refA = M;
        m.refB = N;
    } else {
        const double zref = sp.sep[ns] - zp + Z;
        m.refcurv = zref == 0 ? 0 : sign(zref) / std::sqrt(Y * Y + zref * zref);
        m.refA = m.refcurv != 0 ? m.refcurv * Y : M;
        m.refB = m.refcurv != 0 ? m.refcurv * zref : N;
    }
    m.refradius = m.refcurv != 0 ? 1 / m.refcurv : kbig;
}

// Optical path from the last surface to the reference surface. A ray that does not meet it
// has no optical path difference: the trace fails.
bool Tracer::refspherestep() {
    if (m.raykind == 3 && w == 0) setreference();
    const RayPoint& last = m.lastsurf;
    const double dl = (m.refzp - last.Z) / N;
    m.Xe = last.X + L * dl;
    m.Ye = last.Y + M * dl;
    const double c = m.refcurv;
    const double F = c * (m.Xe * m.Xe + m.Ye * m.Ye) - 2 * m.Ye * m.refA;
    const double G = N * m.refB + M * m.refA - c * (L * m.Xe + M * m.Ye);
    const double d2 = G * G - c * F;
    const double den = d2 > 0 ? G + std::sqrt(d2) : 0;
    if (den == 0) return failed(msgrefmiss);
    const double t = F / den;
    m.opl[w] += (dl + t) * sp.index[ns][w];
    m.opd[w] = m.oplref[w] - m.opl[w];
    return true;
}

// Tangential and sagittal curvature of the surface profile at the ray's height.
void Tracer::localcurv(int i, double& ct, double& cs) const {
    const double c = sp.curv[i];
    const double h2 = X * X + Y * Y;
    double P1 = 0, P2 = 0;
    if (a4 && !sp.surflabel[i].empty() && sp.surflabel[i].find('E') == std::string::npos) {
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
    const SurfType t = surfkind(sp.surflabel[i]).type;
    const double g = cosip - mu * cosi;
    double pt, ps;
    if (t == SurfType::sphere) {
        pt = ps = sp.curv[i] * g;
    } else {
        double ct, cs;
        localcurv(i, ct, cs);
        const double s = t == SurfType::conic ? root : 1.0;
        pt = s * ct * g;
        ps = s * cs * g;
    }
    double tdist, sdist;
    if (i == 0) {
        if (m.lens.mag == 0 || m.lens.objinf == 'D') {
            tdist = sdist = kbig;
        } else {
            tdist = sdist = M0 != 0 ? -(Y - m.throwdist) / M0 : kbig;
        }
    } else {
        tdist = m.Xm - D;
        sdist = m.Xs - D;
    }
    m.Xm = cosip * cosip * inv(mu * cosi * cosi * inv(tdist) + pt);
    m.Xs = inv(mu * inv(sdist) + ps);
}

}  // namespace

void raytrace(Model& m, int k, int w, const TraceOpts& opts) {
    Tracer t(m, k, w, opts);
    t.run();
    t.store();
}

void schemeray(Model& m, int k, int w, const TraceOpts& opts) {
    const auto& r = m.lens.rays;
    m.X = r.x[k];
    m.Y = r.y[k];
    m.Z = 0;
    m.L = r.l[k];
    m.M = r.m[k];
    const double nn = (1 - m.L * m.L) - m.M * m.M;
    m.N = nn > 0 ? std::sqrt(nn) : 0;   // an impossible direction fails as N = 0
    raytrace(m, k, w, opts);
}

void clearstatistics(Model& m) {
    for (auto& v : m.minpath) v = kbig;
    for (auto& v : m.maxheight) v = 0;
    for (auto& v : m.minpathray) v = 0;
    for (auto& v : m.maxheightray) v = 0;
}

}  // namespace zefo
