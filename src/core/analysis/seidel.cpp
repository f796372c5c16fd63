#include "core/analysis/seidel.h"

#include <cmath>

#include "core/analysis/systemreport.h"
#include "core/report/report.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

const char* const kZeroDivision = "Division by zero in Seidel coefficients calculation";
const char* const kZeroSums = "Seidel sums are zero in Seidel coefficients calculation";

bool hasletter(const std::string& label, char c) {
    return label.find(c) != std::string::npos;
}

// A number of the Seidel tables: F(9.6) held in at most 10 characters.
std::string num(double v) {
    return fmtf(v, 9, 6).substr(0, 10);
}

std::string row(const double* v, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        if (i > 0) s += ' ';
        s += num(v[i]);
    }
    return s;
}

}  // namespace

int lastchiefray(const Model& m) {
    for (int k = static_cast<int>(m.lens.nrays) - 1; k >= 0; --k)
        if (m.lens.rays.rl[static_cast<size_t>(k)] % 10 == 3) return k;
    return -1;
}

SeidelData seidelcalc(Model& m) {
    SeidelData s;
    const int n = m.lens.nsurf;
    const auto& sp = m.lens.sys.sp;
    const int kc = lastchiefray(m);
    if (kc < 0) {
        fail(m, kZeroSums);
        return s;
    }
    const double mc = m.lens.rays.m[static_cast<size_t>(kc)];
    const double yc = m.lens.rays.y[static_cast<size_t>(kc)];
    if (1 - mc * mc <= 0) {
        fail(m, kZeroDivision);
        return s;
    }
    for (int i = 0; i <= n; ++i)
        if (sp.index[static_cast<size_t>(i)][0] == 0) {
            fail(m, kZeroDivision);
            return s;
        }
    double UBAR = mc / std::sqrt(1 - mc * mc);
    double hbar = sp.sep[0] * UBAR + yc;
    double U = m.lens.rays.m[0];
    double H = sp.sep[0] * U + m.lens.rays.y[0];
    s.HL = (U * hbar - UBAR * H) * sp.index[0][0];
    s.rows.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const size_t u = static_cast<size_t>(i);
        const double c = sp.curv[u];
        const double nn = sp.index[u][0], np = sp.index[u + 1][0];
        const double mu = m.lens.mu[u][0];
        const double dd = sp.disp[u + 1] / np - sp.disp[u] / nn;
        const double Up = mu * U - H * c * (1 - mu);
        const double DUN = Up / np - U / nn;
        const double A = (H * c + U) * nn;
        const double ABAR = (hbar * c + UBAR) * nn;
        const double dn1 = 1 / np - 1 / nn;
        SeidelRow& r = s.rows[u];
        r.H = H; r.U = U; r.A = A; r.DUN = DUN; r.hbar = hbar; r.UBAR = UBAR; r.ABAR = ABAR;
        r.S[0] = -A * A * H * DUN;
        r.S[1] = -A * ABAR * H * DUN;
        r.S[2] = -ABAR * ABAR * H * DUN;
        r.S[3] = -s.HL * s.HL * c * dn1;
        r.S[4] = ABAR * (c * hbar * dn1 * (2 * H * ABAR - A * hbar)
                         - ABAR * ABAR * H * (1 / (np * np) - 1 / (nn * nn)));
        r.S[5] = A * H * dd;
        r.S[6] = ABAR * H * dd;
        for (int j = 0; j < 7; ++j) s.sums[static_cast<size_t>(j)] += r.S[static_cast<size_t>(j)];
        const double UBARp = mu * UBAR - c * hbar * (1 - mu);
        H += sp.sep[u + 1] * Up;
        hbar += sp.sep[u + 1] * UBARp;
        U = Up;
        UBAR = UBARp;
    }
    s.Uimage = U;

    if (m.lens.asphdata == 'D') {
        const auto& asf = m.lens.sys.asf;
        for (int i = 0; i < n; ++i) {
            const size_t u = static_cast<size_t>(i);
            if (hasletter(sp.surflabel[u], 'S')) continue;
            const double c = sp.curv[u];
            const double G = (8 * asf.a4[u] + asf.eps[u] * c * c * c) * (sp.index[u + 1][0] - sp.index[u][0]);
            SeidelRow& r = s.rows[u];
            const double h = r.H, hb = r.hbar;
            r.S[0] = h * h * h * h * G;
            r.S[1] = h * h * h * hb * G;
            r.S[2] = h * h * hb * hb * G;
            r.S[4] = h * hb * hb * hb * G;
            for (int j : {0, 1, 2, 4}) s.sums[static_cast<size_t>(j)] += r.S[static_cast<size_t>(j)];
        }
    }

    // A system without dispersion has C1 = C2 = 0 by nature; only the monochromatic sums
    // are checked.
    for (size_t j = 0; j + 1 < 5; ++j)
        if (s.sums[j] == 0 && s.sums[j + 1] == 0) {
            fail(m, kZeroSums);
            return s;
        }
    return s;
}

void seidellines(const SeidelData& s, Report& r) {
    r.addline("");
    r.addline("");
    r.addline("          Lagrange invariant = " + fmtf(s.HL, 11, 6).substr(0, 10));
    r.addline("");
    r.addline("");
    r.addline("    H         U         A        D[U/N]     hbar      UBAR      ABAR");
    r.addline("");
    r.addline("");
    for (const auto& w : s.rows) {
        const double v[7] = {w.H, w.U, w.A, w.DUN, w.hbar, w.UBAR, w.ABAR};
        r.addline(row(v, 7));
    }
    r.addline("          " + num(s.Uimage));
    r.addline("");
    r.addline("");
    r.addline("    S1        S2        S3        S4        S5        C1        C2");
    r.addline("");
    for (const auto& w : s.rows) r.addline(row(w.S.data(), 7));
    r.addline("");
    r.addline("Seidel coefficients total values from S1 to S7 are:");
    r.addline(row(s.sums.data(), 7));
}

SeidelData seidel(Model& m, const ReportHead& h, Report& r) {
    r.addline("         S E I D E L   C O E F F I C I E N T S   C A L C U L A T I O N           ");
    r.addline("");
    if (!systemreport(m, h, r, false)) return SeidelData{};
    const SeidelData s = seidelcalc(m);
    if (m.calcerror) return SeidelData{};
    seidellines(s, r);
    return s;
}

}  // namespace zefo
