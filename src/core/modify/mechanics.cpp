#include "core/modify/mechanics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/optim/merit.h"
#include "core/raytrace/rayscheme.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

size_t mrow(int k) { return static_cast<size_t>(k); }

// The allowance of the mounting over the clear diameter b, or a failure text.
struct Rule {
    double add = 0;
    const char* failure = nullptr;
};

Rule lockring(double b) {
    if (b < 6) return {0, "Optical system too small for construction with ring"};
    if (b < 10) return {1};
    if (b < 18) return {1.5};
    if (b < 30) return {2};
    if (b < 50) return {2.5};
    if (b < 80) return {3};
    if (b < 120) return {3.5};
    return {4.5};
}

Rule rollededge(double b) {
    if (b < 6) return {0.6};
    if (b < 10) return {1};
    if (b < 18) return {1.5};
    if (b < 30) return {2};
    if (b < 50) return {2.5};
    return {0, "Optical system too big for construction"};
}

// Runs one construction rule over the rows; the failure text of the first row it does not
// fit, empty when it fits every row.
std::string construct(const OpticalSystem& lens, Rule (*rule)(double), MechDiameters& d) {
    const auto& sp = lens.sys.sp;
    for (int k = 0; k < lens.nsurf; ++k) {
        const double b = 2 * sp.hmax[mrow(k)];
        const Rule r = rule(b);
        if (r.failure) return r.failure;
        d[mrow(k)] = std::trunc(b + r.add) + 1;
        if (k >= 1 && !isair(sp.glass[mrow(k)])) d[mrow(k)] = d[mrow(k - 1)] = std::max(d[mrow(k)], d[mrow(k - 1)]);
    }
    return {};
}

// Holds every diameter to what its surface allows (a lens may stay wider: its rim beyond
// the clear radius is flat). Returns the capped surfaces.
std::vector<int> capdiameters(const OpticalSystem& lens, MechDiameters& d) {
    std::vector<int> capped;
    for (int k = 0; k < lens.nsurf; ++k) {
        const double lim = mechlimit(lens, k);
        if (d[mrow(k)] <= lim) continue;
        d[mrow(k)] = lim;
        capped.push_back(k);
    }
    return capped;
}

// The minimum edge thickness of a lens of mechanical diameter f.
double minedge(double f) {
    const double limits[] = {6, 10, 18, 30, 50, 80, 120};
    const double tmin[] = {0.5, 0.8, 1.2, 1.5, 2.0, 2.5, 3.0};
    for (size_t i = 0; i < std::size(limits); ++i)
        if (f < limits[i]) return tmin[i];
    return 4.0;
}

// The length of a ring between surfaces of radii r1 and r2 (sags s1, s2) over the gap L.
double ringlength(double L, double r1, double r2, double s1, double s2) {
    return L + (r1 < 0 ? s1 : -s1) + (r2 > 0 ? s2 : -s2);
}

std::string centredin(const std::string& name, size_t w) {
    if (name.size() >= w) return name;
    const size_t front = (w - name.size()) / 2;
    return std::string(front, ' ') + name + std::string(w - name.size() - front, ' ');
}

std::string checkdensity(double d) { return d < 2 || d > 5 ? densitymsg : ""; }
std::string checkdiameter(double d) { return d == 0 ? diameterzeromsg : ""; }

void closemechreport(Report& r) {
    r.addline(" ");
    r.addline("Measurement units are mm");
    r.appendclosing();
}

}  // namespace

double sagat(double r, double h) {
    if (r == 0) return 0;
    const double a = std::fabs(r);
    return h >= a ? a : a - std::sqrt(r * r - h * h);
}

double lensvolume(double r1, double r2, double t, double d, double a1, double a2) {
    const double r = d / 2, pi = std::numbers::pi;
    // The thickness at height h is t - z1(h) + z2(h) with the signed sags zi. Over the disc
    // of radius h = min(r, a) a signed sag integrates to sgn(R)·(π h² s - C), with s its sag
    // at h and C the cap it cuts off; the flat rim from h to r adds sgn(R)·s·π (r² - h²).
    const auto sagvolume = [&](double rs, double a) {
        const double h = std::min(r, a), s = sagat(rs, h);
        const double cap = pi * s * s * (3 * std::fabs(rs) - s) / 3;
        const double sgn = rs > 0 ? 1.0 : rs < 0 ? -1.0 : 0.0;
        return sgn * (pi * h * h * s - cap + s * pi * (r * r - h * h));
    };
    return pi * r * r * t - sagvolume(r1, a1) + sagvolume(r2, a2);
}

double mechlimit(const OpticalSystem& lens, int k) {
    const double c = lens.sys.sp.curv[mrow(k)];
    const auto& eps = lens.sys.asf.eps;
    const double conic = lens.asphdata == 'D' && mrow(k) < eps.size() ? eps[mrow(k)] : 0.0;
    if (c == 0 || !(1 + conic > 0)) return 1e300;
    return 2 / (std::fabs(c) * std::sqrt(1 + conic));
}

bool mechcapped(const OpticalSystem& lens, const MechDiameters& mechdiam, int k) {
    return mrow(k) < mechdiam.size() && mechdiam[mrow(k)] >= mechlimit(lens, k) * (1 - 1e-12);
}

MechOutcome constructdiam(const OpticalSystem& lens, Interaction& ask, MechDiameters& mechdiam) {
    MechOutcome out;
    mechdiam.assign(mrow(lens.nsurf) + 1, 0.0);
    const auto choice = ask.choose(constructioncaption, {lockringchoice, rollededgechoice}, 0);
    if (!choice) {
        out.cancelled = true;
        return out;
    }
    Rule (*rules[2])(double) = {lockring, rollededge};
    const int first = *choice == 1 ? 1 : 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int type = (first + attempt) % 2;
        const std::string failure = construct(lens, rules[type], mechdiam);
        if (failure.empty()) {
            out.construction = type;
            if (attempt == 1)
                out.notices.push_back({constructioncaption, std::string("The mechanical diameters follow the ") +
                                                                (type == 0 ? "lock ring" : "rolled edge") +
                                                                " construction in place of the chosen one"});
            for (int k : capdiameters(lens, mechdiam))
                out.notices.push_back({"Mechanical Diameter", "Mechanical diameter of surface " + std::to_string(k + 1) +
                                                                  " is held at " + fmtf(mechlimit(lens, k), 7, 3) +
                                                                  ", where its surface ends"});
            return out;
        }
        out.notices.push_back({"Error", failure});
        if (attempt == 1) out.error = failure;
    }
    return out;
}

MechOutcome checkdiam(Model& m, const MechDiameters& mechdiam, bool ringmode, Interaction& ask) {
    MechOutcome out;
    auto& sp = m.lens.sys.sp;
    bool changed = false, asked = false;
    for (int k = 0; k + 1 < m.lens.nsurf; ++k) {
        const double r1 = surfaceradius(m.lens, k), r2 = surfaceradius(m.lens, k + 1);
        if (isair(sp.glass[mrow(k + 1)]) || !(r1 > 0) || !(r2 < 0)) continue;
        const double s1 = sagat(r1, mechdiam[mrow(k)] / 2), s2 = sagat(r2, mechdiam[mrow(k + 1)] / 2);
        const double tmin = minedge(mechdiam[mrow(k)]);
        if (sp.sep[mrow(k + 1)] - s1 - s2 >= tmin) continue;
        const double dreq = s1 + s2 + tmin + 0.1;
        asked = true;
        const Answer a = ask.confirm(
            thincaption, "Lens which consist of surfaces " + std::to_string(k + 1) + " and " + std::to_string(k + 2) +
                             " is too thin!\nRequired lens thickness is dreq = " + fmtf(dreq, 6, 3) +
                             "\nDo you agree to change lens thickness? ");
        if (a == Answer::cancel) {
            out.cancelled = true;
            return out;
        }
        if (a == Answer::yes) {
            sp.sep[mrow(k + 1)] = dreq;
            changed = true;
        }
    }
    if (changed) {
        rayscheme(m);
        if (!m.calcerror) calcweights(m);
        if (m.calcerror) {
            out.error = m.errmsg;
            return out;
        }
    }
    if (!asked && !ringmode) out.notices.push_back({"Mechanical Diameter", "Mechanical Diametars are OK"});
    return out;
}

MechOutcome distancerings(Model& m, Interaction& ask, MechDiameters& mechdiam, std::vector<DistanceRing>& rings) {
    rings.clear();
    MechOutcome out = constructdiam(m.lens, ask, mechdiam);
    if (!out.ok()) return out;
    MechOutcome check = checkdiam(m, mechdiam, true, ask);
    out.notices.insert(out.notices.end(), check.notices.begin(), check.notices.end());
    out.cancelled = check.cancelled;
    out.error = check.error;
    if (!out.ok()) return out;
    const auto& sp = m.lens.sys.sp;
    const int n = m.lens.nsurf;
    auto ring = [&](int i, int j, double gap) {
        const double r1 = surfaceradius(m.lens, i), r2 = surfaceradius(m.lens, j);
        const double s1 = sagat(r1, sp.hmax[mrow(i)]), s2 = sagat(r2, sp.hmax[mrow(j)]);
        rings.push_back({i, j, ringlength(gap, r1, r2, s1, s2), std::min(mechdiam[mrow(i)], mechdiam[mrow(j)]),
                         std::min(2 * sp.hmax[mrow(i)], 2 * sp.hmax[mrow(j)])});
    };
    for (int i = 0; i + 1 <= n - 1;) {
        int a = i + 1;
        if (isair(sp.glass[mrow(a)])) {
            const double ri = surfaceradius(m.lens, i), ra = surfaceradius(m.lens, a);
            if (ri != 0 && ra != 0) {
                ring(i, a, sp.sep[mrow(a)]);
            } else if (ra == 0 && isair(sp.glass[mrow(a + 1)])) {
                if (ri != 0 && a + 1 < n && surfaceradius(m.lens, a + 1) != 0)
                    ring(i, a + 1, sp.sep[mrow(a)] + sp.sep[mrow(a + 1)]);
                a = i + 2;
            }
        }
        i = a;
    }
    return out;
}

MechOutcome systemmass(Model& m, Interaction& ask, MechDiameters& mechdiam, std::vector<LensMass>& lenses) {
    lenses.clear();
    MechOutcome out = constructdiam(m.lens, ask, mechdiam);
    if (!out.ok()) return out;
    const auto& sp = m.lens.sys.sp;
    bool confirmed = false;
    double total = 0;
    for (int i = 1; i <= m.lens.nsurf - 1; ++i) {
        if (isair(sp.glass[mrow(i)])) continue;
        const std::string& glass = sp.glass[mrow(i)];
        const auto density = ask.enternumber({"Glass density",
                                              "Enter " + centredin(glass, 6) + " glass density in g/cm3 : ",
                                              "Enter postive number between 2 and 5", 2.5, 5, 2, checkdensity});
        if (!density) {
            out.cancelled = true;
            return out;
        }
        out.log.push_back(centredglass(glass) + " glass density is " + fmtf(*density, 4, 2));
        if (i > 1 && mechdiam[mrow(i)] != mechdiam[mrow(i - 2)]) confirmed = false;
        if (!confirmed) {
            const Answer a = ask.confirm(masscaption, "Lens mechanical diameter is " + fmtf(mechdiam[mrow(i)], 7, 3) + " OK?  ");
            if (a == Answer::cancel) {
                out.cancelled = true;
                return out;
            }
            if (a == Answer::yes) {
                confirmed = true;
            } else {
                const auto d = ask.enternumber({"Mechanical diameter", "Enter desirable lens mechanical diameter",
                                                "Enter postive number greater then 0", mechdiam[mrow(i)], 7, 3,
                                                checkdiameter});
                if (!d) {
                    out.cancelled = true;
                    return out;
                }
                mechdiam[mrow(i)] = *d;
            }
        }
        LensMass l{i - 1, i, mechdiam[mrow(i)], *density, 0, 0};
        l.volume = lensvolume(surfaceradius(m.lens, i - 1), surfaceradius(m.lens, i), sp.sep[mrow(i)], l.mechdiam,
                              sp.hmax[mrow(i - 1)], sp.hmax[mrow(i)]);
        if (!(l.volume >= 0)) {
            out.error = "Lens which consist of surfaces " + std::to_string(i) + " and " + std::to_string(i + 1) +
                        " has no volume at its mechanical diameter";
            return out;
        }
        l.mass = l.density * l.volume / 1000;
        total += l.mass;
        lenses.push_back(l);
    }
    out.notices.push_back({masscaption, "Optical system mass is " + fmtf(total, 7, 3) + " grams"});
    return out;
}

void mechdiamlines(const OpticalSystem& lens, const MechDiameters& mechdiam, const ReportHead& h, Report& r) {
    const bool radii = lens.radiiflag == 'D';
    const auto& sp = lens.sys.sp;
    r.addline(titleline(lens, h));
    r.addline("");
    r.addline(radii ? " No    Radius   Separation   glass    Clear      Mechanical"
                    : " No   Curvature Separation   glass    Clear      Mechanical");
    for (int k = 0; k <= lens.nsurf; ++k) {
        const size_t i = mrow(k);
        std::string s = k == lens.nsurf ? "IMG" : fmti(k + 1, 3);
        s += radii ? fmtf(sp.radius[i], 10, 3) : fmtf(sp.curv[i], 10, 7);
        s += fmtf(sp.sep[i], 10, 3) + "  " + " " + centredglass(sp.glass[i]) + fmtf(2 * sp.hmax[i], 6, 2) +
             std::string(8, ' ') + fmtf(i < mechdiam.size() ? mechdiam[i] : 0.0, 6, 2);
        r.addline(s);
    }
    for (int k = 0; k < lens.nsurf; ++k)
        if (mechcapped(lens, mechdiam, k))
            r.addline("Surface " + fmti(k + 1) + ": mechanical diameter held where the surface ends");
    closemechreport(r);
}

void ringlines(const OpticalSystem& lens, const std::vector<DistanceRing>& rings, const ReportHead& h, Report& r) {
    r.addline("Dimensions of the distance rings");
    r.addline("");
    r.addline(titleline(lens, h));
    r.addline("");
    r.addline("   Length   Outer ring   Inner ring");
    for (const DistanceRing& g : rings)
        r.addline("  " + fmtf(g.length, 6, 2) + "    " + fmtf(g.outer, 7, 2) + "      " + fmtf(g.inner, 7, 2));
    closemechreport(r);
}

}  // namespace zefo
