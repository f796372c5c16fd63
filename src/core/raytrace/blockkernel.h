// The block kernel of the exact trace. Each blockpath_*.cpp file includes it once and is
// compiled with its own instruction set; BLOCKKERNEL_ENTRY names the entry point. The
// algebra and its order of operations are those of the single-ray trace, step for step, so
// that every ray comes out with the same numbers; a ray that stops keeps its coordinates
// from before the failing step while the other lanes go on.
#pragma once

#include "core/raytrace/blockplan.h"

namespace zefo {
namespace {

constexpr int kB = kBlockRays;
enum : int { shapesphere, shapeconic, shapeasphere, shapefresnel };

inline double sqrtof(double x) { return __builtin_sqrt(x); }
inline double absof(double x) { return __builtin_fabs(x); }

// Stops the running lanes where bad holds. Each selection reads only values loaded before
// it: a load under a condition would keep the loop from vectorizing without masked loads.
inline void stoplane(RayBlock& b, int j, bool live, bool bad, int code, double si) {
    const double c = b.code[j], s = b.surface[j];
    const bool hit = live & bad;
    b.code[j] = hit ? code : c;
    b.surface[j] = hit ? si : s;
}

void directioncheck(RayBlock& b, double si) {
    for (int j = 0; j < kB; ++j) stoplane(b, j, b.code[j] == 0, b.N[j] == 0, blockdirection, si);
}

// Sphere or plane: from the point on the previous surface straight to this one.
void spheretransfer(const PlanSurface& s, RayBlock& b, double si) {
    const double cv = s.curv, d = s.sep;
    for (int j = 0; j < kB; ++j) {
        const double x = b.X[j], y = b.Y[j], z = b.Z[j], l = b.L[j], m = b.M[j], n = b.N[j];
        const double zp = z - d;
        const double F = cv * (x * x + y * y + zp * zp) - 2 * zp;
        const double G = n - cv * (x * l + y * m + zp * n);
        const double delta = G * G - cv * F;
        const double ci = sqrtof(delta);
        const double den = G + ci;
        const double t = F / den;
        const bool live = b.code[j] == 0;
        const bool back = (cv == 0) & (n < 0);
        const bool bad = (delta < 0) | (den == 0);
        stoplane(b, j, live, back, blockbackwards, si);
        stoplane(b, j, live & !back, bad, blocktransfer, si);
        const bool ok = live & !back & !bad;
        b.X[j] = ok ? x + l * t : x;
        b.Y[j] = ok ? y + m * t : y;
        b.Z[j] = ok ? zp + n * t : z;
        b.cosi[j] = ci;
    }
}

void sphererefract(const PlanSurface& s, RayBlock& b, double si) {
    const double cv = s.curv, r = s.mu;
    for (int j = 0; j < kB; ++j) {
        const double x = b.X[j], y = b.Y[j], z = b.Z[j], l = b.L[j], m = b.M[j], n = b.N[j];
        const double ci = b.cosi[j];
        const double q = 1 - r * r * (1 - ci * ci);
        const double cp = sqrtof(q);
        const double g = cv * (cp - r * ci);
        const double nz = r * (n - ci) + cp;
        const bool live = b.code[j] == 0;
        stoplane(b, j, live, q < 0, blockrefract, si);
        const bool ok = live & !(q < 0);
        b.L[j] = ok ? r * l - g * x : l;
        b.M[j] = ok ? r * m - g * y : m;
        b.N[j] = ok ? nz - g * z : n;
    }
}

// The other shapes first go to the vertex plane.
void vertexplane(const PlanSurface& s, RayBlock& b) {
    const double d = s.sep;
    for (int j = 0; j < kB; ++j) {
        const double x = b.X[j], y = b.Y[j], z = b.Z[j], l = b.L[j], m = b.M[j];
        const double t0 = (d - z) / b.N[j];
        const bool live = b.code[j] == 0;
        b.X[j] = live ? x + l * t0 : x;
        b.Y[j] = live ? y + m * t0 : y;
        b.Z[j] = live ? 0.0 : z;
    }
}

void conictransfer(const PlanSurface& s, RayBlock& b, double si) {
    const double c = s.curv, kc = s.eps;
    const bool plus = s.plusroot, minus = s.minusroot;
    for (int j = 0; j < kB; ++j) {
        const double X = b.X[j], Y = b.Y[j], Z = b.Z[j], L = b.L[j], M = b.M[j], N = b.N[j];
        const double F = c * (X * X + Y * Y);
        const double G = N - c * (L * X + M * Y);
        const double delta = G * G - c * F * (1 + kc * N * N);
        const double r = sqrtof(delta);
        const double den1 = G + r;
        const double t1 = F / den1;
        const double y1 = Y + M * t1;
        const bool other = (plus & (y1 < 0)) | (minus & (y1 > 0));
        const double den = other ? G - r : den1;
        const double t = other ? F / den : t1;
        const double x2 = X + L * t, y2 = Y + M * t;
        const double A = 1 - kc * c * c * (x2 * x2 + y2 * y2);
        const bool live = b.code[j] == 0;
        const bool bad = (delta < 0) | (den1 == 0) | (den == 0);
        stoplane(b, j, live, bad, blocktransfer, si);
        const bool ok = live & !bad;
        b.X[j] = ok ? x2 : X;
        b.Y[j] = ok ? y2 : Y;
        b.Z[j] = ok ? N * t : Z;
        b.root[j] = other ? -1.0 : 1.0;
        b.cosi[j] = A > 0 ? r / sqrtof(A) : r;
    }
}

// dz/dr divided by r of the aspheric profile, and its sag; q = 1 - (1+k)c²r².
inline double slopeof(const PlanSurface& s, double r2, double q) {
    double o = s.curv / sqrtof(q);
    if (s.poly) o += r2 * (4 * s.a4 + r2 * (6 * s.a6 + r2 * (8 * s.a8 + r2 * 10 * s.a10)));
    return o;
}

inline double sagof(const PlanSurface& s, double r2, double q) {
    double z = s.curv * r2 / (1 + sqrtof(q));
    if (s.poly) z += r2 * r2 * (s.a4 + r2 * (s.a6 + r2 * (s.a8 + r2 * s.a10)));
    return z;
}

// Newton steps from the conic's point; the block steps until all its rays converged.
void asphtransfer(const PlanSurface& s, RayBlock& b, double tol, double si) {
    const double c = s.curv, kc = s.eps;
    for (int j = 0; j < kB; ++j) {
        const double X = b.X[j], Y = b.Y[j], Z = b.Z[j], L = b.L[j], M = b.M[j], N = b.N[j];
        const double F = c * (X * X + Y * Y);
        const double G = N - c * (L * X + M * Y);
        const double delta = G * G - c * F * (kc + 1) * N * N;
        const double den = G + sqrtof(delta);
        const double t = F / den;
        const bool live = b.code[j] == 0;
        const bool bad = (delta < 0) | (den == 0);
        stoplane(b, j, live, bad, blocktransfer, si);
        const bool ok = live & !bad;
        b.X[j] = ok ? X + L * t : X;
        b.Y[j] = ok ? Y + M * t : Y;
        b.Z[j] = ok ? N * t : Z;
        b.active[j] = ok ? 1.0 : 0.0;
    }
    for (int step = 1; step <= 20; ++step) {
        const bool last = step == 20;
        double running = 0;
        for (int j = 0; j < kB; ++j) {
            const double X = b.X[j], Y = b.Y[j], Z = b.Z[j], L = b.L[j], M = b.M[j], N = b.N[j];
            const double ci0 = b.cosi[j], px0 = b.px[j], py0 = b.py[j], pn0 = b.pn[j];
            const double r2 = X * X + Y * Y;
            const double q = 1 - (1 + kc) * c * c * r2;
            const double o = slopeof(s, r2, q);
            const double Px = -X * o, Py = -Y * o;
            const double Pn = sqrtof(Px * Px + Py * Py + 1);
            const double ci = (L * Px + M * Py + N) / Pn;
            const double den2 = ci * Pn;
            const double ds = (sagof(s, r2, q) - Z) / den2;
            const bool live = b.active[j] != 0;
            const bool bad = (q < 0) | (den2 == 0);
            stoplane(b, j, live, bad, blocktransfer, si);
            const bool ok = live & !bad;
            b.X[j] = ok ? X + L * ds : X;
            b.Y[j] = ok ? Y + M * ds : Y;
            b.Z[j] = ok ? Z + N * ds : Z;
            b.cosi[j] = ok ? ci : ci0;
            b.px[j] = ok ? Px : px0;
            b.py[j] = ok ? Py : py0;
            b.pn[j] = ok ? Pn : pn0;
            const bool done = ok & (!(absof(ds) * 1000 > tol) | last);
            stoplane(b, j, done, last | (ci < 0), blocktransfer, si);
            const bool more = ok & !done;
            b.active[j] = more ? 1.0 : 0.0;
            running += more ? 1.0 : 0.0;
        }
        if (running == 0) break;
    }
}

void fresneltransfer(const PlanSurface& s, RayBlock& b, double si) {
    const double c = s.curv, kc = s.eps;
    for (int j = 0; j < kB; ++j) {
        const double X = b.X[j], Y = b.Y[j];
        const double r2 = X * X + Y * Y;
        const double q = 1 - (1 + kc) * c * c * r2;
        const double o = slopeof(s, r2, q);
        const double len = sqrtof(1 + o * o * r2);
        const double nx = -X * o / len, ny = -Y * o / len, nz = 1 / len;
        b.nx[j] = nx;
        b.ny[j] = ny;
        b.nz[j] = nz;
        b.cosi[j] = nx * b.L[j] + ny * b.M[j] + nz * b.N[j];
        stoplane(b, j, b.code[j] == 0, q < 0, blocktransfer, si);
    }
}

void invalidshape(RayBlock& b, double si) {
    for (int j = 0; j < kB; ++j) stoplane(b, j, b.code[j] == 0, true, blockinvalid, si);
}

void conicnormal(const PlanSurface& s, RayBlock& b, double si) {
    const double c = s.curv, kc = s.eps;
    for (int j = 0; j < kB; ++j) {
        const double X = b.X[j], Y = b.Y[j], Z = b.Z[j];
        const double A = 1 - kc * c * c * (X * X + Y * Y);
        const double sc = b.root[j] / sqrtof(A);
        const double nx = -c * X * sc, ny = -c * Y * sc, nz = (1 - c * (kc + 1) * Z) * sc;
        b.nx[j] = nx;
        b.ny[j] = ny;
        b.nz[j] = nz;
        b.cosi[j] = nx * b.L[j] + ny * b.M[j] + nz * b.N[j];
        stoplane(b, j, b.code[j] == 0, !(A > 0), blockrefract, si);
    }
}

void asphnormal(RayBlock& b) {
    for (int j = 0; j < kB; ++j) {
        const double Pn = b.pn[j];
        b.nx[j] = b.px[j] / Pn;
        b.ny[j] = b.py[j] / Pn;
        b.nz[j] = 1 / Pn;
    }
}

// Refraction about the unit normal with cosi = normal·direction.
void bend(const PlanSurface& s, RayBlock& b, double si) {
    const double mu = s.mu;
    for (int j = 0; j < kB; ++j) {
        const double ci = b.cosi[j], l = b.L[j], m = b.M[j], n = b.N[j];
        const double q = 1 - mu * mu * (1 - ci * ci);
        const double cp = sqrtof(q);
        const double g = cp - mu * ci;
        const double L = mu * l + g * b.nx[j];
        const double M = mu * m + g * b.ny[j];
        const double N = mu * n + g * b.nz[j];
        const bool live = b.code[j] == 0;
        const bool bad = (q < 0) | (absof(L * L + M * M + N * N - 1) > 5e-5);
        stoplane(b, j, live, bad, blockrefract, si);
        const bool ok = live & !bad;
        b.L[j] = ok ? L : l;
        b.M[j] = ok ? M : m;
        b.N[j] = ok ? N : n;
    }
}

void vignette(const PlanSurface& s, RayBlock& b, double si) {
    const double h2 = s.clear2;
    for (int j = 0; j < kB; ++j)
        stoplane(b, j, b.code[j] == 0, b.X[j] * b.X[j] + b.Y[j] * b.Y[j] > h2, blockvignetted, si);
}

void transfer(const PlanSurface& s, RayBlock& b, double tol, double si) {
    if (s.shape == shapesphere) return spheretransfer(s, b, si);
    vertexplane(s, b);
    switch (s.shape) {
        case shapeconic: return conictransfer(s, b, si);
        case shapeasphere: return asphtransfer(s, b, tol, si);
        case shapefresnel: return fresneltransfer(s, b, si);
        default: return invalidshape(b, si);
    }
}

void refract(const PlanSurface& s, RayBlock& b, double si) {
    switch (s.shape) {
        case shapesphere: return sphererefract(s, b, si);
        case shapeconic: conicnormal(s, b, si); break;
        case shapeasphere: asphnormal(b); break;
        default: break;
    }
    bend(s, b, si);
}

}  // namespace

void BLOCKKERNEL_ENTRY(const PlanView& p, RayBlock& b) {
    for (int i = 0; i <= p.nsurf; ++i) {
        const PlanSurface& s = p.surf[i];
        const double si = i;
        directioncheck(b, si);
        transfer(s, b, p.tol, si);
        if (i == p.nsurf) break;
        if (s.vignette) vignette(s, b, si);
        refract(s, b, si);
    }
}

}  // namespace zefo
