#!/usr/bin/env python3
"""Expected ray trace (.rez), Seidel (.sei) and aberration analysis (.abr) reports of the
small systems built by tests/core/aberrations_reports_test.cpp, computed here from the
optical formulas without the program's code. Run from this directory to rewrite the files."""
import math

DATE = "10.12.2026"
WL = [0.0005876, 0.0006563, 0.0004861]
BK7 = [1.5168, 1.51432, 1.52238]
SIN5 = math.sin(math.radians(5))
SIN1 = math.sin(math.radians(1))


def F(v, w, d):
    s = f"{v:.{d}f}"
    return s.rjust(w)


def F10(v, w, d):
    return F(v, w, d)[:10]


def singlet(systype):
    return dict(name="SINGLET", file="/data/SINGLET.dat", systype=systype, stop=1,
                R=[50.0, -50.0, 0.0], c=[0.02, -0.02, 0.0], d=[0.0, 5.0, 0.0],
                n=[[1.0] * 3, BK7, [1.0] * 3], disp=[0.0, 0.00806, 0.0],
                glass=["air", "BK7", "air"], hmax=[10.0, 10.0, 10.0], na=0.1, mag=0.0,
                objinf='D', eph=0.0,
                rays=[[1, 0, 0, 0, 0, 0], [12, 0, 0, 0, 5.0, 0], [13, 0, 5.0, 0, 0, SIN5],
                      [14, 0, 0, 0, -4.5, SIN5], [14, 0, 0, 0, 4.5, SIN5], [5, 0, 0, 4.0, 0, SIN5]])


def kepler(systype):
    return dict(name="KEPLER", file="/data/KEPLER.dat", systype=systype, stop=1,
                R=[100.0, -100.0, 25.0, -25.0, 0.0], c=[0.01, -0.01, 0.04, -0.04, 0.0],
                d=[0.0, 4.0, 120.0, 3.0, 0.0],
                n=[[1.0] * 3, BK7, [1.0] * 3, BK7, [1.0] * 3], disp=[0.0, 0.00806, 0.0, 0.00806, 0.0],
                glass=["air", "BK7", "air", "BK7", "air"], hmax=[10.0] * 5, na=0.0, mag=-4.0,
                objinf='D', eph=5.0,
                rays=[[1, 0, 0, 0, 0, 0], [12, 0, 0, 0, 5.0, 0], [13, 0, 1.0, 0, 0, SIN1],
                      [14, 0, 0, 0, -4.0, SIN1], [14, 0, 0, 0, 4.0, SIN1], [5, 0, 0, 4.0, 0, SIN1]])


# ---------------------------------------------------------------- first-order data
def mu(s, i, w):
    return s["n"][i][w] / s["n"][i + 1][w]


def paraxtrace(s, y, u):
    N = len(s["c"]) - 1
    hp = []
    for i in range(N):
        m_ = mu(s, i, 0)
        up = m_ * u - y * s["c"][i] * (1 - m_)
        hp.append(y)
        y = y + s["d"][i + 1] * up
        u = up
    return y, u, hp


def gaussimage(s, s0):
    N = len(s["c"]) - 1
    x = s0
    sp = 0.0
    for i in range(N):
        n, n1 = s["n"][i][0], s["n"][i + 1][0]
        R = s["R"][i]
        if x == 0 and n != n1:
            sp = n1 * R / (n1 - n)
        elif x != 0:
            sp = n1 / (n / x + (n1 - n) / R) if R != 0 else x * n1 / n
        if i < N - 1:
            x = sp - s["d"][i + 1]
    return sp


def firstorder(s):
    N = len(s["c"]) - 1
    tele = s["systype"] >= 4
    # reverse trace
    y, u = 1.0, 0.0
    for i in range(N - 1, -1, -1):
        n, n1 = s["n"][i][0], s["n"][i + 1][0]
        u = (n1 * u + y * s["c"][i] * (n1 - n)) / n
        if i > 0:
            y = y - s["d"][i] * u
    c0, a0 = u, y
    s["efl"] = 0.0 if tele else 1 / c0
    st = s["stop"] - 1
    v = paraxtrace(s, 0.0, 1.0)[2][st]
    a = paraxtrace(s, 1.0, 0.0)[2][st]
    s["lbar"] = v / a
    y, u, hp = paraxtrace(s, -s["lbar"], 1.0)
    s["lbarp"] = -hp[N - 1] / u
    if tele:
        y0, m0 = s["eph"], 0.0
    else:
        y0, m0 = abs(s["na"] / c0), 0.0
    s["rays"][0][4] = y0
    s["rays"][0][5] = m0
    s["d"][N] = 0.0
    y, u, hp = paraxtrace(s, y0 + m0 * s["d"][0], m0)
    s["pxheight"], s["pxslope"] = y, u
    if tele:
        s["dipotr"] = 1000 / gaussimage(s, 0.0)
        s["d"][N] = gaussimage(s, 1e-7)
    else:
        s["dipotr"] = 0.0
        s["d"][N] = -y / u


# ---------------------------------------------------------------- exact trace
class Tracer:
    """Exact trace through spherical surfaces with the optical path bookkeeping."""

    def __init__(self, s):
        self.s = s
        self.refray = (0, 0, 0, 0, 0, 1)
        self.oplref = [0.0] * 3
        self.conref = 0.0
        self.refimage = (0, 0, 0, 0, 0, 1)
        self.tele = False

    def trace(self, k, w, start, kind, path=True, focal=False):
        s = self.s
        N = len(s["c"]) - 1
        X, Y, Z = start[0], start[1], 0.0
        L, M = start[2], start[3]
        Nn = math.sqrt((1 - L * L) - M * M)
        opl = 0.0
        con = 0.0
        if k in (0, 1):
            self.refray = (0, 0, 0, 0, 0, 1)
        last = None
        for i in range(N + 1):
            t0 = (s["d"][i] - Z) / Nn
            X += L * t0
            Y += M * t0
            D = t0
            c = s["c"][i]
            F_ = c * (X * X + Y * Y)
            G = Nn - c * (L * X + M * Y)
            cosi = math.sqrt(G * G - c * F_)
            t = F_ / (G + cosi)
            D += t
            X += L * t
            Y += M * t
            Z = Nn * t
            if i == N - 1:
                last = (X, Y, Z)
            if path:
                n = s["n"][i][w]
                opl += abs(n) * D
                if w == 0:
                    con += s["disp"][i] * D
                if i == 0:
                    if kind == 3:
                        self.refray = (X, Y, Z, L, M, Nn)
                    Xr, Yr, Zr, Lr, Mr, Nr = self.refray
                    W = ((L + Lr) * (X - Xr) + (M + Mr) * (Y - Yr) + (Nn + Nr) * (Z - Zr)) / \
                        (1 + L * Lr + M * Mr + Nn * Nr)
                    opl = W * s["n"][0][w]
                    if w == 0:
                        con = W * s["disp"][0]
                if i == N:
                    opd = self.oplref[w] - opl
                    cdiff = self.conref - con
                    Xi, Yi, Zi, La, Ma, Na = self.refimage
                    a, b, cc = (La, Ma, Na) if self.tele else (L, M, Nn)
                    opd += (X - Xi) * a + (Y - Yi) * b + (Z - Zi) * cc
            if i == N:
                break
            m_ = mu(s, i, w)
            q = 1 - m_ * m_ * (1 - cosi * cosi)
            cosp = math.sqrt(q)
            g = c * (cosp - m_ * cosi)
            L, M, Nn = m_ * L - g * X, m_ * M - g * Y, m_ * (Nn - cosi) - g * Z + cosp
            if focal and kind == 3:
                # Coddington equations along the chief ray (object at infinity)
                psi = g
                if i == 0:
                    Xs = 1 / psi
                    Xm = Xs * cosp * cosp
                else:
                    t_, s_ = Xm - D, Xs - D
                    Xm = cosp * cosp / (m_ * cosi * cosi / t_ + psi)
                    Xs = 1 / (m_ / s_ + psi)
                self.Xm, self.Xs = Xm, Xs
        r = dict(X=X, Y=Y, Z=Z, L=L, M=M, N=Nn, last=last)
        if path:
            r.update(opl=opl, con=con, opd=opd, cdiff=cdiff)
        return r


def startof(s, k):
    """x, y, l, m of ray k (rays are [label, xrel, yrel, x, y, m], l = 0)."""
    r = s["rays"][k]
    return (r[3], r[4], 0.0, r[5])


def initrefs(s, tr):
    N = len(s["c"]) - 1
    for w in range(3):
        tot = 0.0
        for j in range(1, N + 1):
            v = s["n"][j][w] * s["d"][j]
            tot += v if s["n"][j - 1][1] < 0 else abs(v)
        tr.oplref[w] = tot
    tot = 0.0
    for j in range(1, N + 1):
        v = s["disp"][j] * s["d"][j]
        tot += abs(v) if s["n"][j - 1][1] < 0 else v
    tr.conref = tot
    tr.refimage = (0, 0, 0, 0, 0, 1)


def paraxchief(s, k, tele):
    m = s["rays"][k][5]
    u0 = math.asin(m) if tele else m / math.sqrt(1 - m * m)
    y, u, _ = paraxtrace(s, s["d"][0] * u0 + s["rays"][k][4], u0)
    return y, u


def foci(s, tr, k, ref, tele):
    r = s["rays"][k]
    x, y, l, m = r[3], r[4], 0.0, r[5]
    n = math.sqrt(1 - l * l - m * m)
    tx, ty = l / n, m / n
    y0, m0 = s["rays"][0][4], s["rays"][0][5]

    def start(x_, y_, a, b):
        q = 1 / math.sqrt(a * a + b * b + 1)
        return (x_, y_, a * q, b * q)

    t = tr.trace(k, 0, start(x, y + 0.001 * y0, tx, ty + 0.001 * m0), 0, path=False)
    if tele:
        Xm = (math.asin(t["M"]) - math.asin(ref["M"])) * 1000
    else:
        Xm = (ref["Y"] - t["Y"]) / (t["M"] / t["N"] - ref["M"] / ref["N"])
    t = tr.trace(k, 0, start(x + 0.001 * y0, y, tx + 0.001 * m0, ty), 0, path=False)
    if tele:
        Xs = (math.asin(t["L"]) - math.asin(ref["L"])) * 1000
    else:
        Xs = (ref["X"] - t["X"]) / (t["L"] / t["N"] - ref["L"] / ref["N"])
    return Xm, Xs


def distortion(s, k, img, tele):
    ypar, upar = paraxchief(s, k, tele)
    if tele:
        return (math.asin(img["M"]) / upar - 1) * 100
    return (img["Y"] / ypar - 1) * 100


# ---------------------------------------------------------------- report blocks
def centred(g):
    pad = 11 - len(g)
    left = pad // 2
    return " " * left + g + " " * (pad - left)


def systemblock(s):
    N = len(s["c"]) - 1
    out = ["System name =" + s["name"] + "        File = " + s["file"] + "     " + DATE]
    if s["systype"] < 4:
        out.append("Focal length = " + F(s["efl"], 9, 4))
    out.append("Wave lengths are: " + "".join(F(w, 12, 7) for w in WL))
    out.append(" No    Radius   Separation  index1   index2   index3    disp     glass    hmax")
    for i in range(N + 1):
        num = "IMG" if i == N else F(i + 1, 3, 0)[:3].rjust(3)
        row = num + F(s["R"][i], 10, 3) + F(s["d"][i], 10, 3) + "  "
        row += "".join(F(v, 9, 5) for v in s["n"][i]) + F(s["disp"][i], 9, 5) + " "
        row += centred(s["glass"][i]) + F(s["hmax"][i], 6, 2)
        out.append(row)
    out.append(" ")
    return out


def closing():
    return [" ", "Measurement units are mm"]


def mode(s):
    three = s["systype"] % 2 == 1
    tele = s["systype"] in (5, 7) if three else s["systype"] in (4, 6)
    return three, tele


def rez(s):
    firstorder(s)
    out = systemblock(s)
    three, tele = mode(s)
    N = len(s["c"]) - 1
    out.append("lbar = " + F10(s["lbar"], 11, 5) + "    lbarp = " + F10(s["lbarp"], 11, 5))
    mg = s["mag"] if tele else s["n"][0][1] * s["rays"][0][5] / (s["n"][N][1] * s["pxslope"])
    out.append("  up = " + F10(s["pxslope"], 10, 6) + "      mag = " + F10(mg + 0.0, 11, 6))
    if three:
        out.append(("    L        M      Dl[1]     Dm[1]    Dm[2]    Dm[3]    OPD[1]     OPD[2]     OPD[3]     Dist      Xm     Xs   "
                    if tele else
                    "    L        M      Dx[1]     Dy[1]    Dy[2]    Dy[3]    OPD[1]     OPD[2]     OPD[3]     Dist      Xm     Xs   "))
    else:
        out.append(("    L         M          X          Dm         OPD     Colour      Dist      Xm        Xs   "
                    if tele else
                    "     L         M          X         Y          OPD     Colour      Dist      Xm        Xs     "))
    tr = Tracer(s)
    tr.tele = tele
    initrefs(s, tr)
    for k in range(1, len(s["rays"])):
        kind = s["rays"][k][0] % 10
        st = startof(s, k)
        if three:
            res = []
            for w in range(3):
                r = tr.trace(k, w, st, kind)
                if kind == 3 and w == 0:
                    tr.refimage = (r["X"], r["Y"], r["Z"], r["L"], r["M"], r["N"])
                    tr.oplref[0] = r["opl"]
                    dist = distortion(s, k, r, tele)
                    Xm, Xs = foci(s, tr, k, r, tele)
                elif kind == 3:
                    tr.oplref[w] = r["opl"]
                res.append(r)
            ref = tr.refimage
            ab = [(r["M"] - ref[4]) if tele else (r["Y"] - ref[1]) for r in res]
            opds = " ".join(F10(r["opd"], 10, 6) for r in res)
            abs3 = " ".join(F10(a, 8, 5) for a in ab)
            if kind in (2, 4):
                out.append(" " * 10 + F10(res[0]["M"], 8, 5) + " " * 10 + abs3 + " " + opds)
            elif kind == 3:
                out.append("Pr. ray   " + F10(ref[4], 8, 5) + " " * 10 + F10(ref[1], 8, 5) + " "
                           + F10(ab[1], 8, 5) + " " + F10(ab[2], 8, 5) + " " * 34 + F10(dist, 8, 5)
                           + " " + F10(Xm, 7, 4) + " " + F10(Xs, 7, 4))
            elif kind == 5:
                xv = res[0]["L"] if tele else res[0]["X"]
                out.append(" " + F10(res[0]["L"], 8, 5) + " " + F10(res[0]["M"], 8, 5) + " " + F10(xv, 8, 5)
                           + " " + abs3 + " " + opds)
        else:
            r = tr.trace(k, 0, st, kind)
            ref = tr.refimage
            ab = (r["M"] - ref[4]) if tele else (r["Y"] - ref[1])
            if kind in (2, 4):
                out.append(" " * 10 + F10(r["M"], 10, 6) + " " * 11 + F10(ab, 10, 6) + " "
                           + F10(r["opd"], 10, 6) + " " + F10(r["cdiff"], 10, 7))
            elif kind == 3:
                tr.refimage = (r["X"], r["Y"], r["Z"], r["L"], r["M"], r["N"])
                tr.oplref[0] = r["opl"]
                tr.conref = r["con"]
                dist = distortion(s, k, r, tele)
                Xm, Xs = foci(s, tr, k, r, tele)
                out.append("Pr. ray   " + F10(r["M"], 10, 6) + " " * 11 + F10(r["Y"], 10, 6) + " " * 24
                           + F10(dist, 8, 5) + "  " + F10(Xm, 8, 5) + "  " + F10(Xs, 8, 5))
            elif kind == 5:
                out.append(F10(r["L"], 10, 6) + F10(r["M"], 10, 6) + F10(r["X"], 10, 6) + " " + F10(ab, 10, 6)
                           + " " + F10(r["opd"], 10, 6) + " " + F10(r["cdiff"], 10, 7))
    return out + closing()


def sei(s):
    firstorder(s)
    out = ["         S E I D E L   C O E F F I C I E N T S   C A L C U L A T I O N           ", ""]
    out += systemblock(s)
    N = len(s["c"]) - 1
    ch = [r for r in s["rays"] if r[0] % 10 == 3][-1]
    mc, yc = ch[5], ch[4]
    UB = mc / math.sqrt(1 - mc * mc)
    hb = s["d"][0] * UB + yc
    U = s["rays"][0][5]
    H = s["d"][0] * U + s["rays"][0][4]
    HL = (U * hb - UB * H) * s["n"][0][0]
    rows, coef, sums = [], [], [0.0] * 7
    for i in range(N):
        c = s["c"][i]
        n, n1 = s["n"][i][0], s["n"][i + 1][0]
        Up = (n * U - H * c * (n1 - n)) / n1   # n'u' = nu - hc(n' - n)
        DUN = Up / n1 - U / n
        A = n * (H * c + U)
        AB = n * (hb * c + UB)
        dn = 1 / n1 - 1 / n
        dd = s["disp"][i + 1] / n1 - s["disp"][i] / n
        S = [-A * A * H * DUN, -A * AB * H * DUN, -AB * AB * H * DUN, -HL * HL * c * dn,
             AB * (c * hb * dn * (2 * H * AB - A * hb) - AB * AB * H * (1 / n1 ** 2 - 1 / n ** 2)),
             A * H * dd, AB * H * dd]
        rows.append([H, U, A, DUN, hb, UB, AB])
        coef.append(S)
        sums = [a + b for a, b in zip(sums, S)]
        UBp = (n * UB - hb * c * (n1 - n)) / n1
        H += s["d"][i + 1] * Up
        hb += s["d"][i + 1] * UBp
        U, UB = Up, UBp

    def row(v):
        return " ".join(F10(x, 9, 6) for x in v)

    out += ["", "", "          Lagrange invariant = " + F10(HL, 11, 6), "", "",
            "    H         U         A        D[U/N]     hbar      UBAR      ABAR", "", ""]
    out += [row(r) for r in rows]
    out += ["          " + F10(U, 9, 6), "", "",
            "    S1        S2        S3        S4        S5        C1        C2", ""]
    out += [row(r) for r in coef]
    out += ["", "Seidel coefficients total values from S1 to S7 are:", row(sums)]
    return out + closing()


def abr(s):
    """Analysis of an objective with the object at infinity."""
    firstorder(s)
    out = systemblock(s)
    N = len(s["c"]) - 1
    nwl = 3
    out.append("lbar = " + F(s["lbar"], 11, 5) + "  lbarp = " + F(s["lbarp"], 11, 5))
    mg = s["n"][0][0] * s["rays"][0][5] / (s["n"][N][0] * s["pxslope"])
    out.append("  up = " + F(s["pxslope"], 10, 6) + "      mag = " + F(mg + 0.0, 11, 6))
    dst = sum(s["d"][i] for i in range(1, N) if s["glass"][i] != "air")
    dopsis = sum(s["d"][i] for i in range(1, N))
    out.append("Glass thickness in optical system is dst =" + F(dst, 8, 3))
    out.append("Optical system length (from first to last surface) is dopsis =" + F(dopsis, 8, 3))
    out.append("Optical system length (from first surface to image plane) is dsistot=" + F(dopsis + s["d"][N], 8, 3))
    out += [" ", " "]
    tr = Tracer(s)
    ind = " " * 21
    k = 1
    while k < len(s["rays"]):
        kind = s["rays"][k][0] % 10
        st = startof(s, k)
        if kind == 2:
            LSA, Y = [], []
            for w in range(nwl):
                r = tr.trace(k, w, st, 2)
                Zl, Yl = r["last"][2], r["last"][1]
                LSA.append(Zl - Yl * r["N"] / r["M"] - s["d"][N])
                Y.append(r["Y"])
                if w == 0:
                    osc = s["efl"] - abs(s["rays"][k][4] / r["M"])
            iso = osc / s["efl"] - LSA[0] / (s["d"][N] - s["lbarp"])
            out.append("Axial rays:  H=" + F(s["rays"][k][4], 5, 2) + " -Longitudinal spherical ab.(in mm):   " + F(LSA[0], 8, 5))
            out.append(ind + "-Transverse spherical aber.(in mm):   " + F(Y[0], 8, 5))
            out.append(ind + "-Sine condition (indefinite number):  " + F(osc, 8, 5))
            out.append(ind + "-Isoplanatism (indefinite number):    " + F(iso, 8, 5))
            out.append(ind + "-Axial(longitudinal)chromatic ab.(mm) " + F(LSA[2] - LSA[1], 8, 5))
            out.append(ind + "-Transverse chromatic aber. (in mm)   " + F(Y[2] - Y[1], 8, 5))
        elif kind == 3:
            Y = []
            for w in range(nwl):
                r = tr.trace(k, w, st, 3)
                Y.append(r["Y"])
                if w == 0:
                    tr.refimage = (r["X"], r["Y"], r["Z"], r["L"], r["M"], r["N"])
                    Xm, Xs = foci(s, tr, k, r, False)
            ypar, _ = paraxchief(s, k, False)
            rel = [(y - ypar) / ypar * 100 for y in Y]
            out.append("Chief ray:  w=" + F(s["rays"][k][2], 5, 2) + "  -Astigmatism (in mm):                 " + F(Xs - Xm, 8, 5))
            out.append(ind + "-Field curvature (in mm):             " + F((Xs + Xm) / 2, 8, 5))
            out.append(ind + "-Distortion (in %):                   " + "  ".join(F(v, 8, 5) for v in rel))
            out.append(ind + "-Magnification chromatism (in %):     " + F((Y[2] - Y[1]) / Y[0] * 100, 8, 5))
        elif kind == 4 and s["rays"][k - 1][0] % 10 == 3:
            lo, up = k, k + 1
            coma = []
            for w in range(nwl):
                a = [tr.trace(j, w, startof(s, j), 4)["Y"] - tr.refimage[1] for j in (lo, up)]
                coma.append((a[0] + a[1]) / 2)
            H = abs(s["rays"][up][4] - s["rays"][lo][4]) / 2
            out.append("Oblique rays: w=" + F(s["rays"][k - 1][2], 5, 2) + " H=" + F(H, 6, 2)
                       + " -Comma (in mm):             " + "  ".join(F(v, 8, 5) for v in coma))
        k += 1
    return out + closing()


def abrtelescope(s):
    """Analysis of a telescope with the object at infinity, three wavelengths."""
    firstorder(s)
    out = systemblock(s)
    N = len(s["c"]) - 1
    deg = 180 / math.pi
    mark = 10000.0
    out.append("lbar = " + F(s["lbar"], 11, 5) + "  lbarp = " + F(s["lbarp"], 11, 5))
    out.append("  up = " + F(s["pxslope"], 10, 6) + "      mag = " + F(s["mag"], 11, 6))
    dst = sum(s["d"][i] for i in range(1, N) if s["glass"][i] != "air")
    dopsis = sum(s["d"][i] for i in range(1, N))
    out.append("Glass thickness in optical system is dst =" + F(dst, 8, 3))
    out.append("Optical system length (from first to last surface) is dopsis =" + F(dopsis, 8, 3))
    out.append("Optical system length (from first surface to image plane) is dsistot=" + F(dopsis + s["d"][N], 8, 3))
    out.append("Dioptrijska nepodesenost sistema je dipotr =" + F(s["dipotr"], 8, 5))
    out += [" ", " "]
    tr = Tracer(s)
    tr.tele = True
    ind = " " * 21
    for k in range(1, len(s["rays"])):
        kind = s["rays"][k][0] % 10
        st = startof(s, k)
        if kind == 2:
            ang = [tr.trace(k, w, st, 2)["M"] * deg for w in range(3)]
            r = tr.trace(k, 0, st, 2)
            osc = 0.0 - abs(s["rays"][k][4] / r["M"])   # efl = 0
            out.append("Axial rays:  H=" + F(s["rays"][k][4], 5, 2) + " -Spherical aber. (in degrees):          " + F(ang[0], 8, 5))
            out.append(ind + "-Sine condition (indefinite number):  " + F(osc, 8, 5))
            out.append(ind + "-Isoplanatism (indefinite number):    " + F(mark, 8, 5))   # efl = 0
            out.append(ind + "-Chromatic aber. (in degrees):          " + F(ang[2] - ang[1], 8, 5))
        elif kind == 3:
            ang, pup = [], []
            for w in range(3):
                r = tr.trace(k, w, st, 3, focal=True)
                if w == 0:
                    tr.refimage = (r["X"], r["Y"], r["Z"], r["L"], r["M"], r["N"])
                    Xmf, Xsf = tr.Xm, tr.Xs
                    Xm, Xs = foci(s, tr, k, r, True)
                    dist = distortion(s, k, r, True)
                ang.append(math.asin(r["M"]) * deg)
                Zl, Yl = r["last"][2], r["last"][1]
                pup.append(Zl - Yl * r["N"] / r["M"])
            _, upar = paraxchief(s, k, True)
            out.append("Chief ray:  w=" + F(s["rays"][k][2], 5, 2) + "  -Astigmatism:                           " + F(Xs - Xm, 8, 5))
            out.append(ind + "-Astigmatism (in diopters):            " + F((1 / Xsf - 1 / Xmf) * 1000, 9, 5))
            out.append(ind + "-Field curvature                        " + F((Xs + Xm) / 2, 8, 5))
            out.append(ind + "-Field curvature (in diopters):        " + F((1 / Xmf + 1 / Xsf) * 500, 9, 5))
            out.append(ind + "-Distortion (in %):                     " + F(dist, 8, 5))
            out.append(ind + "-Chief ray spherical aber.(in degrees): " + "  ".join(F(a - upar * deg, 8, 5) for a in ang))
            out.append(ind + "-Chief ray chromatic aber.(in degrees): " + F(ang[2] - ang[1], 8, 5))
            out.append(ind + "-Exit pupil spherical aber. (in mm):    " + "  ".join(F(e - s["lbarp"], 8, 5) for e in pup))
            out.append(ind + "-Exit pupil chromatic aber. (in mm):    " + F(pup[2] - pup[1], 8, 5))
        elif kind == 4 and s["rays"][k - 1][0] % 10 == 3:
            lo, up = k, k + 1
            coma = []
            for w in range(3):
                a = [tr.trace(j, w, startof(s, j), 4)["M"] - tr.refimage[4] for j in (lo, up)]
                coma.append((a[0] + a[1]) / 2)
            H = abs(s["rays"][up][4] - s["rays"][lo][4]) / 2
            out.append("Oblique rays: w=" + F(s["rays"][k - 1][2], 5, 2) + " H=" + F(H, 6, 2)
                       + " -Comma (in mm):             " + "  ".join(F(v, 8, 5) for v in coma))
    return out + closing()


def write(name, lines):
    with open(name, "w", newline="\n") as f:
        f.write("".join(l + "\n" for l in lines))


if __name__ == "__main__":
    write("singlet-conrady.rez", rez(singlet(0)))
    write("singlet-three.rez", rez(singlet(1)))
    write("kepler-three.rez", rez(kepler(5)))
    write("singlet.sei", sei(singlet(0)))
    write("singlet.abr", abr(singlet(0)))
    write("kepler.abr", abrtelescope(kepler(4)))
