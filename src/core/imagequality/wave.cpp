// Wave aberration: OPD samples over the exit pupil, the polynomial fit and its quality,
// the diffraction MTF by Gauss-Legendre quadrature, and the ".wbr" and ".dtf" reports.
#include <algorithm>
#include <array>
#include <cmath>
#include <complex>

#include "core/imagequality/imagequality.h"
#include "core/imagequality/mtftable.h"
#include "core/imagequality/phasepath.h"
#include "core/raytrace/paraxial.h"
#include "core/raytrace/raytrace.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

// ---------------------------------------------------------------- quadrature

namespace {

struct GaussRule {
    std::vector<double> t, g;
};

// Nodes by Newton's method on the Legendre polynomial, ascending.
GaussRule makegauss(int n) {
    GaussRule r;
    r.t.resize(n);
    r.g.resize(n);
    for (int i = 0; i < n; ++i) {
        double x = std::cos(M_PI * (i + 0.75) / (n + 0.5));
        double dp = 1;
        for (int it = 0; it < 100; ++it) {
            double p0 = 1, p1 = x;
            for (int j = 2; j <= n; ++j) {
                const double p2 = ((2.0 * j - 1) * x * p1 - (j - 1.0) * p0) / j;
                p0 = p1;
                p1 = p2;
            }
            dp = n * (x * p1 - p0) / (x * x - 1);
            const double dx = p1 / dp;
            x -= dx;
            if (std::fabs(dx) < 1e-16) break;
        }
        r.t[n - 1 - i] = x;
        r.g[n - 1 - i] = 2 / ((1 - x * x) * dp * dp);
    }
    return r;
}

const GaussRule& gaussrule(int n) {
    static const GaussRule r6 = makegauss(6), r10 = makegauss(10), r16 = makegauss(16);
    return n == 6 ? r6 : n == 10 ? r10 : r16;
}

}  // namespace

const std::vector<double>& gaussnodes(int n) { return gaussrule(n).t; }
const std::vector<double>& gaussweights(int n) { return gaussrule(n).g; }

// ---------------------------------------------------------------- polynomial and fit

namespace {

// Term i of a wave aberration polynomial is rho^(2 m) y^l: the axis terms rho^(2i), the
// off-axis terms W00, W20, W11, W40, W31, W22, W60, W51, W42, W33, W80, W71, W62, W53, W44.
struct Term {
    int m, l;
};

Term waveterm(bool offaxis, size_t i) {
    static constexpr Term offaxisterms[15] = {{0, 0}, {1, 0}, {0, 1}, {2, 0}, {1, 1}, {0, 2}, {3, 0}, {2, 1},
                                              {1, 2}, {0, 3}, {4, 0}, {3, 1}, {2, 2}, {1, 3}, {0, 4}};
    return offaxis ? offaxisterms[i] : Term{static_cast<int>(i), 0};
}

// The powers v^0 .. v^(N-1).
template <size_t N>
std::array<double, N> powers(double v) {
    std::array<double, N> p{};
    p[0] = 1;
    for (size_t i = 1; i < N; ++i) p[i] = p[i - 1] * v;
    return p;
}

// A polynomial in one variable by its coefficients, lowest power first.
template <size_t N>
struct Poly1 {
    std::array<double, N> a{};
    double operator()(double v) const {
        double s = 0;
        for (size_t i = N; i-- > 0;) s = s * v + a[i];
        return s;
    }
};

// The polynomial on the line of height y, as a polynomial in rho^2.
Poly1<6> ringpoly(const std::vector<double>& c, bool offaxis, double y) {
    const auto yp = powers<5>(y);
    Poly1<6> p;
    for (size_t i = 0; i < c.size(); ++i) {
        const Term t = waveterm(offaxis, i);
        p.a[t.m] += c[i] * yp[t.l];
    }
    return p;
}

}  // namespace

std::vector<double> wavebasis(int nterms, bool offaxis, double x, double y) {
    const auto rp = powers<6>(x * x + y * y);
    const auto yp = powers<5>(y);
    std::vector<double> b(static_cast<size_t>(nterms));
    for (size_t i = 0; i < b.size(); ++i) {
        const Term t = waveterm(offaxis, i);
        b[i] = rp[t.m] * yp[t.l];
    }
    return b;
}

double wavepoly(const std::vector<double>& c, bool offaxis, double x, double y) {
    return ringpoly(c, offaxis, y)(x * x + y * y);
}

std::vector<double> polyfit(const std::vector<std::vector<double>>& B, const std::vector<double>& v) {
    const size_t nterms = B.size(), nfit = v.size();
    std::vector<std::vector<double>> phi(nterms, std::vector<double>(nfit, 0.0));
    std::vector<std::vector<double>> T(nterms, std::vector<double>(nterms, 0.0));
    std::vector<double> c(nterms);
    const double r0 = 1 / std::sqrt(static_cast<double>(nfit));
    std::fill(phi[0].begin(), phi[0].end(), r0);
    T[0][0] = r0;
    for (size_t i = 1; i < nterms; ++i) {
        for (size_t j = 0; j < i; ++j) {
            c[j] = 0;
            for (size_t p = 0; p < nfit; ++p) c[j] += B[i][p] * phi[j][p];
        }
        double rr = 0;
        for (size_t p = 0; p < nfit; ++p) {
            double s = B[i][p];
            for (size_t j = 0; j < i; ++j) s -= c[j] * phi[j][p];
            phi[i][p] = s;
            rr += s * s;
        }
        const double r = std::sqrt(rr);
        if (!(r > 1e-300)) {  // a term that the samples cannot tell from the others is dropped
            std::fill(phi[i].begin(), phi[i].end(), 0.0);
            continue;
        }
        for (size_t p = 0; p < nfit; ++p) phi[i][p] /= r;
        T[i][i] = 1 / r;
        for (size_t k = 0; k < i; ++k) {
            double s = 0;
            for (size_t l = k; l < i; ++l) s += c[l] * T[l][k];
            T[i][k] = -s / r;
        }
    }
    std::vector<double> coef(nterms, 0.0);
    for (size_t i = 0; i < nterms; ++i) {
        double d = 0;
        for (size_t p = 0; p < nfit; ++p) d += v[p] * phi[i][p];
        for (size_t j = 0; j <= i; ++j) coef[j] += d * T[i][j];
    }
    return coef;
}

// ---------------------------------------------------------------- diffraction MTF

namespace {

using Otf = std::complex<double>;

// Accuracy of one panel of the Gauss rule, per unit of its length: for the phase of the pupil
// function, and for the pupil geometry alone (which makes MTF(0) = 1).
constexpr double phasetolerance = 1e-8;
constexpr double geometrytolerance = 1e-13;
// Nodes per direction at most (32 panels of the 16-point rule): a phase steeper than these
// resolve keeps the error they leave.
constexpr int maxotfnodes = 512;
// Beyond this many panels across, the slopes are bounded over the boxes of parts of the range
// across.
constexpr int localpanels = 4;
constexpr int localparts = 16;

// The Gauss rule with its reach: the largest w for which it integrates exp(i w x) over [-1, 1]
// within the phase and the geometry tolerance. A panel integrates the pupil function to the
// tolerance when its phase changes by at most the reach over half its width.
struct OtfRule {
    const GaussRule& q;
    double phasereach, geometryreach;
};

double gaussreach(const GaussRule& q, double tolerance) {
    double reach = 0;
    for (double w = 0.01; w < 4.0 * static_cast<double>(q.t.size()); w += 0.01) {
        Otf s = 0;
        for (size_t i = 0; i < q.t.size(); ++i) s += q.g[i] * std::polar(1.0, w * q.t[i]);
        if (std::abs(s - 2 * std::sin(w) / w) > 2 * tolerance) break;
        reach = w;
    }
    return reach;
}

const OtfRule& otfrule(int n) {
    static const auto make = [](int order) {
        const GaussRule& q = gaussrule(order);
        return OtfRule{q, gaussreach(q, phasetolerance), gaussreach(q, geometrytolerance)};
    };
    static const OtfRule r6 = make(6), r10 = make(10), r16 = make(16);
    return n == 6 ? r6 : n == 10 ? r10 : r16;
}

// A polynomial in two variables, a[i][j] u^i v^j, up to the degree of the axis polynomial
// (rho^10).
constexpr int maxdegree = 10;
using Poly2 = std::array<std::array<double, maxdegree + 1>, maxdegree + 1>;

constexpr auto binomials = [] {
    std::array<std::array<double, maxdegree + 1>, maxdegree + 1> c{};
    for (int n = 0; n <= maxdegree; ++n) {
        c[n][0] = 1;
        for (int k = 1; k <= n; ++k) c[n][k] = c[n - 1][k - 1] + c[n - 1][k];
    }
    return c;
}();

// The polynomial a[i][j] u^i v^j with v measured from c (up to the given degrees): v^j
// spreads over C(j, k) v^k c^(j - k).
Poly2 shiftedacross(const Poly2& a, double c, int udegree = maxdegree, int vdegree = maxdegree) {
    const auto cp = powers<maxdegree + 1>(c);
    Poly2 p{};
    for (int i = 0; i <= udegree; ++i)
        for (int j = 0; j <= vdegree; ++j)
            for (int k = 0; k <= j && a[i][j] != 0; ++k) p[i][k] += a[i][j] * binomials[j][k] * cp[j - k];
    return p;
}

// The wave aberration polynomial with u along the shift and v across it from the pupil
// centre: sagittal u = x, v = y - pupc; tangential u = y - pupc, v = x. (x^2 + y^2)^m y^l
// spreads over C(m, j) x^(2(m - j)) y^(2j + l).
Poly2 shearframe(const std::vector<double>& c, bool offaxis, double pupc, bool tangential) {
    Poly2 w{};
    for (size_t i = 0; i < c.size(); ++i) {
        const Term t = waveterm(offaxis, i);
        for (int j = 0; j <= t.m; ++j) w[2 * (t.m - j)][2 * j + t.l] += c[i] * binomials[t.m][j];
    }
    const Poly2 p = shiftedacross(w, pupc);
    if (!tangential) return p;
    Poly2 turned{};
    for (int i = 0; i <= maxdegree; ++i)
        for (int j = 0; j <= maxdegree; ++j) turned[j][i] = p[i][j];
    return turned;
}

// The phase of the sheared pupil in radians, k2pi (P(s + b, t) - P(s - b, t)), as a[k][j]
// s^k t^j (only the odd powers of b remain), with its degrees in s and t.
struct ShearPhase {
    Poly2 a{};
    int sdegree = 0, tdegree = 0;
};

ShearPhase shearphase(const Poly2& p, double b, double k2pi) {
    const auto bp = powers<maxdegree + 1>(b);
    ShearPhase ph;
    for (int i = 1; i <= maxdegree; ++i)
        for (int j = 0; j <= maxdegree; ++j)
            for (int k = i - 1; k >= 0 && p[i][j] != 0; k -= 2) {
                ph.a[k][j] += 2 * k2pi * p[i][j] * binomials[i][k] * bp[i - k];
                if (ph.a[k][j] != 0) {
                    ph.sdegree = std::max(ph.sdegree, k);
                    ph.tdegree = std::max(ph.tdegree, j);
                }
            }
    return ph;
}

// The phase on the line t, a polynomial in s of the given degree.
struct PhaseLine {
    std::array<double, maxdegree + 1> a{};
    int degree = 0;
};

PhaseLine phaseline(const ShearPhase& phase, double t) {
    PhaseLine line;
    line.degree = phase.sdegree;
    for (int k = 0; k <= phase.sdegree; ++k) {
        double v = 0;
        for (int j = phase.tdegree; j >= 0; --j) v = v * t + phase.a[k][j];
        line.a[k] = v;
    }
    return line;
}

// Chebyshev coefficients of a polynomial over [-1, 1] from its monomial coefficients:
// x^k = 2^-k sum_j C(k, j) T_|k - 2j|.
using Coef1 = std::array<double, maxdegree + 1>;

constexpr auto monomialtochebyshev = [] {
    std::array<Coef1, maxdegree + 1> t{};  // t[k][m]: coefficient of T_m in x^k
    double half = 1;
    for (int k = 0; k <= maxdegree; ++k, half /= 2)
        for (int j = 0; j <= k; ++j) t[k][k > 2 * j ? k - 2 * j : 2 * j - k] += half * binomials[k][j];
    return t;
}();

Coef1 chebyshev(const Coef1& a, int degree) {
    Coef1 c{};
    for (int k = 0; k <= degree; ++k)
        for (int m = k % 2; m <= k; m += 2) c[m] += a[k] * monomialtochebyshev[k][m];
    return c;
}

// Bound on the modulus of a polynomial over [-1, 1]: the sum of the moduli of its Chebyshev
// coefficients, which unlike the monomial sum does not add up terms that cancel.
double chebyshevbound(const Coef1& a, int degree = maxdegree) {
    const Coef1 c = chebyshev(a, degree);
    double sum = 0;
    for (int m = 0; m <= degree; ++m) sum += std::fabs(c[m]);
    return sum;
}

// Bound on |d/ds| of a line's phase over |s| <= S.
double lineslope(const PhaseLine& line, double S) {
    Coef1 d{};
    double sp = 1;
    for (int k = 1; k <= line.degree; ++k, sp *= S) d[k - 1] = k * line.a[k] * sp;
    return chebyshevbound(d, line.degree - 1);
}

// Bound on a polynomial d[k][j] s^k t^j over |s|, |t| <= 1: Chebyshev coefficients in s for
// each power of t, then in t for each of those.
double chebyshevbound2(const Poly2& d, int sdegree, int tdegree) {
    Poly2 cs{};  // cs[m][j]: coefficient of T_m(s) t^j, all powers of t at once
    for (int k = 0; k <= sdegree; ++k)
        for (int m = k % 2; m <= k; m += 2) {
            const double f = monomialtochebyshev[k][m];
            for (int j = 0; j <= tdegree; ++j) cs[m][j] += d[k][j] * f;
        }
    double sum = 0;
    for (int m = 0; m <= sdegree; ++m) sum += chebyshevbound(cs[m], tdegree);
    return sum;
}

// Bounds on |d/ds| and |d/dt| of the phase over |s| <= S, |t| <= T.
std::array<double, 2> phaseslopes(const ShearPhase& phase, double S, double T) {
    const auto sp = powers<maxdegree + 1>(S), tp = powers<maxdegree + 1>(T);
    const int ns = phase.sdegree, nt = phase.tdegree;
    Poly2 ds{}, dt{};
    for (int k = 0; k <= ns; ++k)
        for (int j = 0; j <= nt; ++j) {
            const double a = phase.a[k][j];
            if (k > 0) ds[k - 1][j] = k * a * sp[k - 1] * tp[j];
            if (j > 0) dt[k][j - 1] = j * a * sp[k] * tp[j - 1];
        }
    return {chebyshevbound2(ds, std::max(ns - 1, 0), nt), chebyshevbound2(dt, ns, std::max(nt - 1, 0))};
}

// Panels for an interval of the given length whose phase changes by at most phaserate per
// unit and whose geometry (a trigonometric polynomial) by at most geometryrate: each half
// panel within the rule's reach for both together, and for the geometry alone within the
// reach of its tolerance.
int panelsfor(const OtfRule& r, double length, double phaserate, double geometryrate) {
    const double p = std::ceil(length / 2 *
                               std::max((phaserate + geometryrate) / r.phasereach, geometryrate / r.geometryreach));
    const int most = maxotfnodes / static_cast<int>(r.q.t.size());
    if (!(p >= 1)) return 1;  // also a phase that is not finite, which the report refuses
    return p > most ? most : static_cast<int>(p);
}

// A shear of the pupil: semi-axes along (A) and across (B) the shift, half shift b, and the
// symmetry of the integrand across and along the shift.
struct Shear {
    double A, B, b;
    bool evenacross, evenalong;
};

// The nodes and weights of the Gauss rule q in p equal panels over [-h, h], in the order of
// summation. An even integrand is taken on the positive half only: the positive nodes of the
// one-panel rule, or (p + 1) / 2 panels of [0, h]. The integral is integral(sum of g f(x)).
struct PanelNodes {
    double x[maxotfnodes], g[maxotfnodes];
    int n = 0;
    double width = 0, h = 0;
    int mode = 0;  // 0 panels over [-h, h], 1 panels over [0, h], 2 the one-panel even rule

    void make(const GaussRule& q, double half, int p, bool even) {
        const int nq = static_cast<int>(q.t.size());
        n = 0;
        h = half;
        if (even && p == 1) {
            mode = 2;
            for (int i = nq - nq / 2; i < nq; ++i, ++n) x[n] = q.t[i] * h, g[n] = q.g[i];
            return;
        }
        mode = even ? 1 : 0;
        const double lo = even ? 0 : -h;
        if (even) p = (p + 1) / 2;
        width = (h - lo) / p;
        for (int j = 0; j < p; ++j) {
            const double mid = lo + (j + 0.5) * width;
            for (int i = 0; i < nq; ++i, ++n) x[n] = mid + q.t[i] * width / 2, g[n] = q.g[i];
        }
    }
    Otf integral(Otf sum) const {
        if (mode == 2) return 2 * h * sum;
        const Otf s = sum * (width / 2);
        return mode == 1 ? 2.0 * s : s;
    }
};

// The nodes of both directions and the cosines and sines at them.
struct ShearScratch {
    PanelNodes across, along;
    double acrosscos[maxotfnodes], acrosssin[maxotfnodes];
    double cosines[maxotfnodes], sines[maxotfnodes];
};

// The transfer function of the elliptic pupil sheared by 2b along one of its axes: the
// integral of exp(i phase) over the overlap of the pupil and its shifted copy, divided by the
// pupil area. A and B are the semi-axes along and across the shift; with s along and t across
// the shift (centred on the pupil), the overlap is |s| <= A sqrt(1 - (t/B)^2) - b. The
// substitution t = B sin(theta) turns the chord into A cos(theta) - b and dt into
// B cos(theta) dtheta, both smooth up to the ends of the overlap (the pupil edge has a square
// root there), so every panel sees a smooth integrand. The panels follow from bounds on the
// phase's slope: along a line from the line's own polynomial; across, the phase at the ends
// of the chords moves along (A sin(theta), B cos(theta)) per radian, at most max(A, B) times
// the gradient, and the geometry is cos(theta) twice. An odd phase along the shift keeps
// only its cosine. The phases of a chord's nodes and their cosines and sines are taken all
// at once by the phase kernel.
Otf shearotf(const OtfRule& r, const Shear& sh, const ShearPhase& phase, ShearScratch& w) {
    if (!(sh.b < sh.A)) return 0;
    const double thetamax = std::acos(sh.b / sh.A);
    const auto chordintegral = [&](double costheta, double sintheta) {
        const double chord = sh.A * costheta - sh.b;
        if (!(chord > 0)) return Otf(0);
        const auto line = phaseline(phase, sh.B * sintheta);
        const int along = panelsfor(r, 2 * chord, lineslope(line, chord), 0);
        PanelNodes& nodes = w.along;
        nodes.make(r.q, chord, along, sh.evenalong);
        double sums[2] = {0, 0};
        phasesincos(line.a.data(), line.degree, nodes.x, nodes.n, w.cosines, sh.evenalong ? nullptr : w.sines,
                    besttracepath(), nodes.g, sums);
        return sh.B * costheta * nodes.integral(Otf(sums[0], sums[1]));
    };
    // The phase's rate across, from the slopes over the box of t between B sin(lo) and
    // B sin(hi) and |s| up to the longest chord there.
    const auto acrossrate = [&](double lo, double hi) {
        const double tlo = sh.B * std::sin(lo), thi = sh.B * std::sin(hi);
        const double nearest = lo > 0 ? lo : hi < 0 ? hi : 0;
        ShearPhase part = phase;
        part.a = shiftedacross(phase.a, (tlo + thi) / 2, phase.sdegree, phase.tdegree);
        const auto slope = phaseslopes(part, sh.A * std::cos(nearest) - sh.b, (thi - tlo) / 2);
        return std::hypot(slope[0], slope[1]) * std::max(sh.A, sh.B);
    };
    double rate = acrossrate(-thetamax, thetamax);
    if (panelsfor(r, 2 * thetamax, rate, 2) > localpanels) {
        // A steep phase: the box of the whole overlap reaches far outside it at its corners,
        // where the polynomial grows fast; the boxes of parts of the range cover it closely.
        const double lo = sh.evenacross ? 0 : -thetamax, width = (thetamax - lo) / localparts;
        rate = 0;
        for (int j = 0; j < localparts; ++j) rate = std::max(rate, acrossrate(lo + j * width, lo + (j + 1) * width));
    }
    const int across = panelsfor(r, 2 * thetamax, rate, 2);
    PanelNodes& nodes = w.across;
    nodes.make(r.q, thetamax, across, sh.evenacross);
    phasesincos(nullptr, 0, nodes.x, nodes.n, w.acrosscos, w.acrosssin);
    Otf sum = 0;
    for (int j = 0; j < nodes.n; ++j) sum += nodes.g[j] * chordintegral(w.acrosscos[j], w.acrosssin[j]);
    return nodes.integral(sum) / (M_PI * sh.A * sh.B);
}

}  // namespace

void dmtfintegrate(int ngauss, const OpticalSystem& lens, MtfResult& dmtf, int f, int w, const std::vector<double>& coef,
                   bool offaxis, const PupilShape& pupil) {
    const auto [pupa, pupb, pupc, shiftscale] = pupil;
    const OtfRule& rule = otfrule(ngauss);
    const size_t e0 = dmtf.index(f, w, 0);
    const double k2pi = 2 * M_PI / lens.wl[w];  // each column in its own wavelength
    // sagittal: the shift along x, s = x, t = y - pupc; the phase is odd in s (and an axis
    // pupil is even in t as well); tangential: the shift along y, s = y - pupc, t = x; the
    // phase is even in t
    const Poly2 sagframe = shearframe(coef, offaxis, pupc, false), tanframe = shearframe(coef, offaxis, pupc, true);
    for (int k = 0; k < dmtf.npoints; ++k) dmtf.values[e0 + k] = {0, 0, 0};
    ShearScratch scratch;
    for (int k = 0; k < dmtf.npoints; ++k) {
        Index3& out = dmtf.values[e0 + k];
        const double b = normfreq(lens, w, dmtf.freq[k]) / 2 * (offaxis ? shiftscale : 1);
        if (!(b < pupa)) break;  // the shift has passed the pupil: 0 from here on
        const Otf sag = shearotf(rule, {pupa, pupb, b, !offaxis, true}, shearphase(sagframe, b, k2pi), scratch);
        if (!offaxis) {
            out[1] = sag.real();  // the axis keeps its one value in the tangential place
            continue;
        }
        out[0] = sag.real();
        const Otf tan = shearotf(rule, {pupb, pupa, b, true, false}, shearphase(tanframe, b, k2pi), scratch);
        out[1] = std::abs(tan);
        out[2] = tan == Otf(0) ? 0 : std::atan(tan.imag() / tan.real());
    }
}

// ---------------------------------------------------------------- exit-pupil bound

void dotfparax(Model& m, double& y, double& u) {
    const int ns = m.lens.nsurf;
    for (int i = 0; i < ns; ++i) {
        for (int w = 0; w < 3; ++w) {
            if (m.lens.sys.sp.index[i + 1][w] == 0) {
                fail(m, "Error in dotfparax - index of refraction must be different from zero");
                return;
            }
            m.lens.mu[i][w] = m.lens.sys.sp.index[i][w] / m.lens.sys.sp.index[i + 1][w];
        }
    }
    for (int i = 0; i < ns; ++i) {
        const double mu = m.lens.mu[i][0];
        u = u * mu - y * m.lens.sys.sp.curv[i] * (1 - mu);
        y = y + m.lens.sys.sp.sep[i + 1] * u;
    }
}

namespace {

// Sets pupillimit, axisrefradius and oplref of the axis.
void pupilbound(Model& m, const std::vector<int>& cols) {
    auto& sp = m.lens.sys.sp;
    const int ns = m.lens.nsurf;
    const double savedsep = sp.sep[ns];
    sp.sep[ns] = 0;
    for (int w : cols) {
        m.trace.oplref[w] = 0;
        for (int i = 1; i < ns; ++i) m.trace.oplref[w] += sp.index[i][w] * sp.sep[i];
    }
    double y = 1, u = 0;
    dotfparax(m, y, u);
    if (m.calcerror) {
        sp.sep[ns] = savedsep;
        return;
    }
    const double d1 = u != 0 ? (1 - y) / u : 1e6;
    double d2 = 1e6;
    for (int k = 1; k < m.lens.nrays; ++k) {
        if (m.lens.rays.rl[k] % 10 != 3) continue;
        const double mk = m.lens.rays.m[k];
        y = m.lens.rays.y[k];
        u = mk / std::sqrt(1 - mk * mk);
        dotfparax(m, y, u);
        d2 = u != 0 ? -y / u : 1e6;
        break;
    }
    m.trace.pupillimit = std::fabs(d1) > std::fabs(d2) ? d2 : d1;
    sp.sep[ns] = savedsep;
    if (!m.telescope())
        m.trace.axisrefradius = sp.sep[ns] - m.trace.pupillimit;
    else if (m.lens.systype < 6 && m.lens.defocus != 0)
        m.trace.axisrefradius = 1 / (-m.lens.defocus / 1000);
    else
        m.trace.axisrefradius = 1e30;
    for (int w : cols) m.trace.oplref[w] += m.trace.pupillimit * sp.index[ns][w];
}

// Reference sphere of the axis: through the axial point of the exit pupil, centred on the
// axial image point.
void axissphere(Model& m) {
    m.trace.refzp = m.trace.pupillimit;
    m.trace.refradius = m.trace.axisrefradius;
    m.trace.refcurv = curvatureof(m.trace.axisrefradius);
    m.trace.refA = 0;
    m.trace.refB = 1;
}

void tracesample(Model& m, int k, int kind, int w, double X, double Y, double L, double M) {
    TraceOpts opts;
    opts.refsphere = true;
    raytrace(m, Ray{X, Y, L, M, std::sqrt(1 - L * L - M * M), k, kind}, w, opts);
}

FitQuality fitquality(const Model& m, const std::vector<double>& coef, bool offaxis,
                      const std::vector<double>& xs, const std::vector<double>& ys, const std::vector<double>& opd) {
    FitQuality q;
    std::vector<double> c = coef;
    if (offaxis) c[0] = 0;  // the piston term is left out
    double s2 = 0, a2 = 0;
    for (size_t p = 0; p < opd.size(); ++p) {
        const double res = wavepoly(c, offaxis, xs[p], ys[p]) - opd[p];
        s2 += res * res;
        a2 += opd[p] * opd[p];
        q.maximum = std::max(q.maximum, std::fabs(res));
    }
    const double n = static_cast<double>(opd.size());
    q.rms = std::sqrt(s2 / n) / m.lens.wl[0];
    q.maximum /= m.lens.wl[0];
    q.aberrms = std::sqrt(a2 / n) / m.lens.wl[0];
    return q;
}

struct WaveSamples {
    std::vector<double> x, y, opd;
    std::vector<OpdSample> listed;
};

// One run of the wave aberration: the columns (wavelengths) traced and fitted, the
// diffraction MTF table they fill (none for the OPD report), the fits and message boxes.
struct WaveRun {
    std::vector<int> cols;
    MtfResult* dmtf = nullptr;
    std::vector<WaveFit>& fits;
    std::vector<Notice>& notices;
};

// Fits and integrates one column of one field.
void fitcolumn(Model& m, int f, int w, WaveSamples& s, const PupilShape& pupil, WaveRun& wr) {
    for (size_t p = 0; p < s.opd.size(); ++p)
        if (!std::isfinite(s.opd[p]) || !std::isfinite(s.x[p]) || !std::isfinite(s.y[p])) return fail(m, nonfinitemsg);
    const bool offaxis = f > 0;
    const int nterms = offaxis ? (m.polydeg == 3 ? 10 : 15) : (m.polydeg == 3 ? 4 : 6);
    std::vector<std::vector<double>> B(nterms, std::vector<double>(s.opd.size()));
    for (size_t p = 0; p < s.opd.size(); ++p) {
        const auto b = wavebasis(nterms, offaxis, s.x[p], s.y[p]);
        for (int i = 0; i < nterms; ++i) B[i][p] = b[i];
    }
    const std::vector<double> coef = polyfit(B, s.opd);
    const FitQuality q = fitquality(m, coef, offaxis, s.x, s.y, s.opd);
    if (q.inadequate()) wr.notices.push_back({"Diffractional MTF", "Polinomial maybe not adequate !"});
    wr.fits.push_back({f, w, coef, q, s.x, s.y, s.opd, pupil, std::move(s.listed)});
    if (wr.dmtf) dmtfintegrate(m.ngauss, m.lens, *wr.dmtf, f, w, coef, offaxis, pupil);
}

// Axis: ten zones of ray 1. Returns the normalization radius Rp.
double axisfield(Model& m, WaveRun& wr) {
    const std::vector<int>& cols = wr.cols;
    const auto& r = m.lens.rays;
    std::vector<WaveSamples> s(3);
    for (int w : cols) {
        axissphere(m);
        for (int p = 1; p <= 10; ++p) {
            tracesample(m, 1, r.rl[1] % 10, w, r.x[1], p * r.y[1] / 10, r.l[1], r.m[1]);
            if (m.calcerror) return 0;
            s[w].opd.push_back(m.trace.opd[w]);
            s[w].y.push_back(m.trace.Ye);
            s[w].x.push_back(0);
            s[w].listed.push_back({0, m.trace.Ye, m.trace.opd[w]});
        }
    }
    const double rp = s[cols[0]].y[9];
    if (rp == 0) {
        fail(m, "Exit pupil of the axial rays has no height!");
        return 0;
    }
    for (int w : cols) {
        for (double& y : s[w].y) y /= rp;
        fitcolumn(m, 0, w, s[w], PupilShape{}, wr);
        if (m.calcerror) return 0;
    }
    return rp;
}

// Off-axis field f with chief ray k.
void offaxisfield(Model& m, int f, int k, double rp, WaveRun& wr) {
    const std::vector<int>& cols = wr.cols;
    const auto& r = m.lens.rays;
    double ymin = 1e5, ymax = -1e5, xmax = 0;
    int j = k + 1;
    for (; j < m.lens.nrays && r.rl[j] % 10 == 4; ++j) {
        ymin = std::min(ymin, r.y[j]);
        ymax = std::max(ymax, r.y[j]);
    }
    const int ncoma = j - k - 1;
    for (; j < m.lens.nrays && r.rl[j] % 10 == 5; ++j) xmax = std::max(xmax, r.x[j]);
    if (ncoma == 0 || j - k - 1 == ncoma) {
        fail(m, "Coma or skew rays of a field are missing in the ray scheme!");
        return;
    }
    const double yc = (ymin + ymax) / 2, hy = std::fabs(ymax - ymin) / 2;
    const double L = r.l[k], M = r.m[k];

    // The centre sample sets up the field's reference sphere (at the first wavelength) and
    // becomes the reference of the optical path.
    std::array<double, 3> xe0{}, ye0{};
    std::vector<int> centrecols = cols;
    if (std::find(cols.begin(), cols.end(), 0) == cols.end()) centrecols.insert(centrecols.begin(), 0);
    for (int w : centrecols) {
        tracesample(m, k, 3, w, 0, yc, L, M);
        if (m.calcerror) return;
        m.trace.oplref[w] = m.trace.opl[w];
        xe0[w] = m.trace.Xe;
        ye0[w] = m.trace.Ye;
    }
    const double fieldradius = m.trace.refradius;
    std::vector<WaveSamples> s(3);
    for (int w : cols) {
        s[w].opd.push_back(0);
        s[w].x.push_back(xe0[w] / rp);
        s[w].y.push_back(ye0[w] / rp);
    }
    for (int K = 2; K <= 5; ++K) {
        for (int jj = 0; jj <= 2 * K - 2; ++jj) {
            const double th = jj * M_PI / (2 * K - 2);
            const double X = std::sin(th) * K * xmax / 5, Y = std::cos(th) * K * hy / 5 + yc;
            for (int w : cols) {
                tracesample(m, k, 4, w, X, Y, L, M);
                if (m.calcerror) return;
                s[w].opd.push_back(m.trace.opd[w]);
                s[w].x.push_back(m.trace.Xe / rp);
                s[w].y.push_back(m.trace.Ye / rp);
                s[w].listed.push_back({X, Y, m.trace.opd[w]});
            }
        }
    }
    // The shift grows with the field's reference radius over the axis radius; a plane
    // reference (telescopes) on either side leaves it as it is.
    const bool finite = m.trace.axisrefradius != 0 && std::fabs(m.trace.axisrefradius) < 1e29 && std::fabs(fieldradius) < 1e29;
    const double scale = finite ? fieldradius / m.trace.axisrefradius : 1;
    for (int w : cols) {
        WaveSamples& sw = s[w];
        const double y0 = sw.y[0];
        double pupa = -1e5, ylo = 1e300, yhi = -1e300;
        for (size_t p = 0; p < sw.y.size(); ++p) {
            sw.y[p] -= y0;
            pupa = std::max(pupa, sw.x[p]);
            ylo = std::min(ylo, sw.y[p]);
            yhi = std::max(yhi, sw.y[p]);
        }
        fitcolumn(m, f, w, sw, {pupa, std::fabs(yhi - ylo) / 2, (yhi + ylo) / 2, scale}, wr);
        if (m.calcerror) return;
    }
}

// Name of off-axis field f in the report titles: the last field is "wmax".
const char* wbrfieldname(const OpticalSystem& lens, int f) {
    static const char* const names[] = {"wmax", "0.7*wmax", "0.5*wmax"};
    const int i = lens.nfields - 1 - f;
    return i >= 0 && i < 3 ? names[i] : "wmax";
}

// The polynomial of a fit and the quality of the fit, as the OPD report lists them.
void polynomiallines(const OpticalSystem& lens, const WaveFit& fit, std::vector<std::string>& L) {
    const bool offaxis = fit.field > 0;
    const int nterms = static_cast<int>(fit.coef.size());
    L.push_back(" ");
    if (offaxis)
        L.push_back(std::string("Calculation of the aberrational polynomial (wave aberration) for skew rays (w=") +
                    wbrfieldname(lens, fit.field) + ")");
    else
        L.push_back("Calculation of the aberrational polynomial (wave aberration) for axial rays");
    static const char* const names[15] = {"W00", "W20", "W11", "W40", "W31", "W22", "W60", "W51",
                                          "W42", "W33", "W80", "W71", "W62", "W53", "W44"};
    if (!offaxis) {
        std::string line;
        for (int i = 1; i < nterms; ++i)
            line += (i > 1 ? "   W" : "W") + std::to_string(20 * i) + "= " + fmtf(fit.coef[i], 10, 6);
        L.push_back(line);
    } else {
        for (int i0 = 0; i0 < nterms; i0 += 5) {
            std::string line;
            for (int i = i0; i < i0 + 5; ++i)
                line += (i > i0 ? "   " : "") + std::string(names[i]) + "= " + fmtf(fit.coef[i], 10, 6);
            L.push_back(line);
        }
    }
    const FitQuality& q = fit.quality;
    L.push_back(" ");
    L.push_back("Root mean square error (rms) in polinomial fit is " + fmtf(q.rms, 10, 6));
    L.push_back("Maximal error in polinomial fit is " + fmtf(q.maximum, 10, 6));
    L.push_back("Root mean square error (rms) aberration is " + fmtf(q.aberrms, 10, 6));
}

void wavedriver(Model& m, WaveRun& wr) {
    // An objective's image plane follows the defocus (the OPD dialog may have changed it);
    // a telescope takes its defocus through the reference radius and keeps its eye plane.
    if (!m.telescope()) {
        nudatparax(m);
        if (m.calcerror) return;
    }
    pupilbound(m, wr.cols);
    if (m.calcerror) return;
    if (m.lens.nrays < 2) {
        fail(m, "Ray scheme has no axial rays!");
        return;
    }
    const double rp = axisfield(m, wr);
    if (m.calcerror) return;
    int f = 0;
    for (int k = 2; k < m.lens.nrays && f + 1 < m.lens.nfields; ++k) {
        if (m.lens.rays.rl[k] % 10 != 3) continue;
        ++f;
        offaxisfield(m, f, k, rp, wr);
        if (m.calcerror) return;
    }
}

}  // namespace

void opdprepare(Model& m) {
    if (!m.telescope()) nudatparax(m);
}

void opdaxis(Model& m, int w) {
    pupilbound(m, {w});
    if (!m.calcerror) axissphere(m);
}

void opdfield(Model& m, const Ray& ref, int w) {
    pupilbound(m, {w});
    if (m.calcerror) return;
    TraceOpts opts;
    opts.refsphere = true;
    Ray r = ref;
    r.kind = 3;
    // the first wavelength places the reference sphere, the wavelength w gives the path
    for (int c : {0, w}) {
        raytrace(m, r, c, opts);
        if (m.calcerror) return;
    }
    m.trace.oplref[w] = m.trace.opl[w];
}

double opdofray(Model& m, const Ray& r, int w) {
    TraceOpts opts;
    opts.refsphere = true;
    const TracedRay t = raytrace(m, r, w, opts);
    return m.calcerror || t.status != RayStatus::passed ? std::nan("") : m.trace.opd[w];
}

void dtfreport(const OpticalSystem& lens, const MtfResult& dmtf, const std::string& header, std::vector<std::string>& L) {
    const bool table = lens.nfields == 3 || lens.nfields == 4;
    L.push_back("        Tabular review of diffraction MTF calculation");
    L.push_back(" ");
    L.push_back(header);
    L.push_back(" ");
    for (int w = 0; w < dmtf.nwl; ++w) {
        L.push_back(wltitle(lens, w));
        L.push_back(" ");
        if (table) {
            mtfheads(lens, false, L);
            L.push_back(" ");
            mtfrows(lens, dmtf, w, L);
        }
        L.push_back(" ");
    }
    if (dmtf.nwl > 1) {
        L.push_back("                       White light");
        if (table) {
            mtfheads(lens, false, L);
            L.push_back(" ");
            mtfrows(lens, dmtf, 3, L);
        }
    }
    L.push_back(" ");
    L.push_back("Measurement units are mm");
}

std::string wbrtitle(const OpticalSystem& lens, int wl) {
    static const char* const dcf[3] = {"d", "C", "F"};
    const std::string t = "Calculation of the Optical Path Difference and Wave Aberration for ";
    if (fmtf(lens.wl[0] * 1e6, 5, 1) == "587.6") return t + dcf[wl % 3] + " spectral line";
    return t + fmtf(lens.wl[wl % 3] * 1e6, 5, 1) + "nm spectral line";
}

std::vector<WaveFit> wavefits(Model& m, int wl, std::vector<Notice>& notices) {
    std::vector<WaveFit> fits;
    WaveRun wr{{wl >= 0 && wl <= 2 ? wl : 0}, nullptr, fits, notices};
    wavedriver(m, wr);
    return fits;
}

void opdlines(const OpticalSystem& lens, int wl, const std::vector<WaveFit>& fits, const std::string& header,
              std::vector<std::string>& L) {
    L.push_back(wbrtitle(lens, wl));
    L.push_back(" ");
    L.push_back(header);
    L.push_back(" ");
    for (const WaveFit& fit : fits) {
        L.push_back(" ");
        if (fit.field == 0) {
            L.push_back("Calculation of the optical path difference for axial rays");
            for (const OpdSample& p : fit.listed) L.push_back("h=" + fmtf(p.y, 11, 3) + "  opd=" + fmtf(p.opd, 8, 3));
        } else {
            L.push_back(std::string("Calculation of the optical path difference for skew rays (w=") +
                        wbrfieldname(lens, fit.field) + ")");
            for (const OpdSample& p : fit.listed)
                L.push_back("y=" + fmtf(p.y, 8, 3) + "  x=" + fmtf(p.x, 8, 3) + "  opd=" + fmtf(p.opd, 10, 7));
        }
        polynomiallines(lens, fit, L);
    }
}

void opdreport(Model& m, int wl, IqRun& run) {
    wl = wl >= 0 && wl <= 2 ? wl : 0;
    run.fits = wavefits(m, wl, run.notices);
    if (!m.calcerror) opdlines(m.lens, wl, run.fits, run.header, run.lines);
    checkfinite(m, run.numbers);
}

MtfResult diffractionmtf(Model& m, std::vector<WaveFit>& fits, std::vector<Notice>& notices) {
    const int nwl = m.mono ? 1 : 3;
    MtfResult dmtf = mtftable(MtfKind::Diffraction, m.lens, nwl, mtfgridpoints(m.lens), m.lens.nfreq);
    for (int f = 0; f < dmtf.nfields; ++f)
        for (int w = 0; w < 3; ++w)
            for (int k = 0; k < dmtf.npoints; ++k) dmtf.limit[dmtf.index(f, w, k)] = dlfactor(normfreq(m.lens, w, dmtf.freq[k]));
    WaveRun wr{{}, &dmtf, fits, notices};
    for (int w = 0; w < nwl; ++w) wr.cols.push_back(w);
    wavedriver(m, wr);
    if (!m.calcerror && !dmtf.finite()) fail(m, nonfinitemsg);
    return dmtf;
}

MtfResult dmtfcalc(Model& m, IqRun& run) {
    MtfResult dmtf = diffractionmtf(m, run.fits, run.notices);
    if (!m.calcerror) dtfreport(m.lens, dmtf, run.header, run.lines);
    checkfinite(m, run.numbers);
    return dmtf;
}

}  // namespace zefo
