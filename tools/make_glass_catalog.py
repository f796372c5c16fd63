#!/usr/bin/env python3
"""Builds the bundled glass catalogue data/glass/sgm.csv.

usage: tools/make_glass_catalog.py GLASSDATA [OUT.csv]

GLASSDATA is the folder that holds derived/rii_schott_formula.csv (current maker
catalogues with Schott formula coefficients) and derived/robb1983_schott_formula.csv
(the 1983 Schott catalogue with the classic glass names). OUT defaults to
data/glass/sgm.csv beside this script's repository.

Rules of the catalogue:
* Current SCHOTT glasses first, under their own names.
* Then the classic SCHOTT names (BK7, LaK9, BaLF4, ...) that are not already taken.
  A classic name gets the data of the current SCHOTT glass of the same glass: found by
  name (the name in upper case, with "N-" or "P-" in front, or the old "xxN12" spelling
  as "N-xx12"), otherwise by glass code (same index digits, Abbe digits within 2).
  A classic glass without a current one keeps its 1983 data (maker "SCHOTT 1983"; those
  coefficients hold for the visible range only).
* Then OHARA, HOYA, CDGM and HIKARI. A name already taken gets "_" and a maker tag.
* Names longer than 10 characters are left out: a lens data file keeps 10 characters
  of a glass name, so such a glass could not be read back.
* The glass code is round((nd-1)*1000) followed by round(vd*10), halves rounded up.
* SerialNum runs 1 .. count in file order.
"""

import csv
import math
import os
import re
import sys

MAXNAME = 10
MAKERTAG = {"OHARA": "OH", "HOYA": "HO", "CDGM": "CD", "HIKARI": "HI"}
HEADER = ["GlassName", "GlassCode", "SerialNum", "nd", "vd",
          "A0", "A1", "A2", "A3", "A4", "A5", "Maker", "Remark"]


def roundhalfup(x):
    return int(math.floor(x + 0.5))


def glasscode(nd, vd):
    return "%d%d" % (roundhalfup((nd - 1.0) * 1000.0), roundhalfup(vd * 10.0))


def readcsv(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def coefs(row):
    return [row["A%d" % i] for i in range(6)]


def entry(name, nd, vd, a, maker, remark):
    return {"name": name, "nd": float(nd), "vd": float(vd), "a": a,
            "maker": maker, "remark": remark}


def namecandidates(classic):
    up = classic.upper()
    cands = [up, "N-" + up, "P-" + up]
    m = re.fullmatch(r"([A-Z]+)N(\d+)", up)
    if m:
        cands += ["N-" + m.group(1) + m.group(2), m.group(1) + m.group(2)]
    return cands


def currentglass(classic, code, schott):
    """The current SCHOTT glass for a classic name, or None."""
    byname = {r["name"]: r for r in schott}
    for c in namecandidates(classic):
        if c in byname:
            return byname[c]
    best, bestdist = None, None
    for r in schott:
        if r["code"][:3] != code[:3]:
            continue
        dvd = abs(int(r["code"][3:]) - int(code[3:]))
        if dvd > 2:
            continue
        if bestdist is None or dvd < bestdist:
            best, bestdist = r, dvd
    return best


def build(rii, robb):
    out = []
    taken = set()

    def add(e):
        assert len(e["name"]) <= MAXNAME and e["name"] not in taken, e["name"]
        taken.add(e["name"])
        out.append(e)

    schott = [r for r in rii if r["catalog"] == "SCHOTT"]
    dropped = []
    for r in schott:
        if len(r["name"]) > MAXNAME:
            dropped.append(r["name"])
            continue
        add(entry(r["name"], r["nd"], r["vd"], coefs(r), "SCHOTT", ""))

    for r in robb:
        classic = r["name_classic"]
        if not classic or classic in taken:
            continue
        cur = currentglass(classic, r["code"], schott)
        if cur is not None and len(cur["name"]) <= MAXNAME:
            add(entry(classic, cur["nd"], cur["vd"], coefs(cur), "SCHOTT",
                      "data of " + cur["name"]))
        else:
            add(entry(classic, r["nd"], r["vd"], coefs(r), "SCHOTT 1983",
                      "1983 data for 0.40-0.70 um"))

    for r in rii:
        maker = r["catalog"]
        if maker == "SCHOTT":
            continue
        name = r["name"]
        if len(name) > MAXNAME:
            dropped.append(name)
            continue
        remark = ""
        if name in taken:
            remark = "catalogue name " + name
            name = name + "_" + MAKERTAG[maker]
        add(entry(name, r["nd"], r["vd"], coefs(r), maker, remark))
    return out, dropped


def write(path, rows):
    with open(path, "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(HEADER)
        for serial, e in enumerate(rows, start=1):
            for field in (e["name"], e["maker"], e["remark"]):
                assert "," not in field and '"' not in field, field
            w.writerow([e["name"], glasscode(e["nd"], e["vd"]), serial,
                        "%.6f" % e["nd"], "%.4f" % e["vd"]] + e["a"] +
                       [e["maker"], e["remark"]])


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write(__doc__)
        return 2
    src = argv[1]
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    dest = argv[2] if len(argv) == 3 else os.path.join(repo, "data", "glass", "sgm.csv")
    rii = readcsv(os.path.join(src, "derived", "rii_schott_formula.csv"))
    robb = [r for r in readcsv(os.path.join(src, "derived", "robb1983_schott_formula.csv"))
            if r["catalog"] == "Robb1983.SCHOTT"]
    rows, dropped = build(rii, robb)
    os.makedirs(os.path.dirname(os.path.abspath(dest)), exist_ok=True)
    write(dest, rows)
    makers = {}
    for e in rows:
        makers[e["maker"]] = makers.get(e["maker"], 0) + 1
    print("%d glasses written to %s" % (len(rows), dest))
    for k, v in makers.items():
        print("  %-12s %d" % (k, v))
    print("left out (name longer than %d characters): %d" % (MAXNAME, len(dropped)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
