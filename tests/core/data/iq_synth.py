#!/usr/bin/env python3
"""Expected geometrical (.gtf) and through-focus (.gtt) MTF tables of the synthetic spot table
built by tests/core/mtf_test.cpp (MtfReports.GeometricalAndThroughFocusTablesAreByteExact),
computed here from the definitions without the program's code. Run from this directory to
rewrite iq_synth.gtf and iq_synth.gtt.

The system: an objective, na 0.1, fields 0, 7 and 10 degrees, the d, C and F lines with the
weights 1, 2 and 0.5, maximum frequency 50 in steps of 2 (26 grid points), defocus 0.25 and
defocus increment 0.1. Every field and wavelength holds four rays i = 0..3 on the chief ray
(dx = dy = 0) with the image-space tangents tx = 0.01 i (f+1) and ty = -0.02 (i-1) (w+1)."""
import math

HEADER = "System name =TEST        File = test.dat     10.12.2026"
NA = 0.1
WL = [0.0005876, 0.0006563, 0.0004861]
WEIGHT = [1.0, 2.0, 0.5]
FIELDS = [0.0, 7.0, 10.0]
NFREQ, NFP = 50, 26
DEFOCUS, DDEFOCUS = 0.25, 0.1


def F(v, w, d):
    return f"{v:.{d}f}".rjust(w)


def dl(s):
    """Overlap of two unit circles whose centres are s apart, over pi."""
    if s >= 2:
        return 0.0
    return (2 * math.acos(s / 2) - s / 2 * math.sqrt(4 - s * s)) / math.pi


def rays(f, w):
    return [(0.01 * i * (f + 1), -0.02 * (i - 1) * (w + 1)) for i in range(4)]


LABELS = [0] + [k * NFREQ // (NFP - 1) for k in range(1, NFP)]


def gtf(f, w, k):
    """Rays on the chief ray: sagittal and tangential MTF are the weighted diffraction limit
    at the frequency the row shows (1 for the first row)."""
    freq = 1 if k == 0 else LABELS[k]
    v = WEIGHT[w] * dl(freq * WL[w] / NA)
    return v, v


def gtt(f, w, k):
    """Through-focus MTF at NFREQ in the plane tfpos[k]: each ray lands at tangent times the
    distance from the plane the spot table was traced to (the defocused image plane)."""
    z = DEFOCUS - 2 * DDEFOCUS + 4 * k * DDEFOCUS / NFP
    v = dl(NFREQ * WL[w] / NA)
    sx = cy = sy = 0.0
    for tx, ty in rays(f, w):
        px, py = 2 * math.pi * NFREQ * tx * (z - DEFOCUS), 2 * math.pi * NFREQ * ty * (z - DEFOCUS)
        sx += WEIGHT[w] * math.cos(px)
        cy += WEIGHT[w] * math.cos(py)
        sy += WEIGHT[w] * math.sin(py)
    sag = sx * v / 4 if sx > 0 else 0.0
    tan = v * math.hypot(cy, sy) / 4 if cy > 0 else 0.0
    return sag, tan


def heads(tf):
    if tf:
        return ["   dist        TFMTF    TFMTF 0.7*wmax      TFMTF wmax",
                "               w=0step   w=" + F(FIELDS[1], 5, 2) + " step      w=" + F(FIELDS[2], 5, 2) + " step",
                "               axial     sag      tan      sag      tan",
                "               [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]"]
    return ["   freq      MTF       MTF 0.7*wmax        MTF wmax",
            "           w=0 step    w=" + F(FIELDS[1], 5, 2) + " step      w=" + F(FIELDS[2], 5, 2) + " step",
            "            axial      sag      tan      sag      tan",
            "            [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]  [lp/mm]"]


def rows(tf, value, ws):
    out = []
    for k in range(NFP):
        if tf:
            z = DEFOCUS - 2 * DDEFOCUS + 4 * k * DDEFOCUS / NFP
            row = ("    " if z >= 0 else "   ") + F(z, 6, 4) + "  "
        else:
            row = "      1  " if k == 0 else "   " + str(LABELS[k]).rjust(4) + "  "

        def mean(f, j):
            return sum(value(f, w, k)[j] for w in ws) / len(ws)
        row += F(mean(0, 1), 9, 4)
        for f in (1, 2):
            row += F(mean(f, 0), 9, 4) + F(mean(f, 1), 9, 4)
        out.append(row)
    return out


def report(tf, value):
    title = "through the focus geometrical MTF" if tf else "geometrical MTF"
    L = ["        Tabular review of " + title + " calculation", " ", " ", HEADER, " ",
         "                    Defocus=" + F(DEFOCUS, 8, 3), " "]
    for w in range(3):
        L += ["                     " + "dCF"[w] + " spectral line", " "] + heads(tf) + [" "]
        L += rows(tf, value, [w]) + [" "]
    L += [" ", "                       White light", " "] + heads(tf) + [" "] + rows(tf, value, [0, 1, 2])
    return "".join(line + "\n" for line in L)


if __name__ == "__main__":
    open("iq_synth.gtf", "w").write(report(False, gtf))
    open("iq_synth.gtt", "w").write(report(True, gtt))
