#include "core/cad/acadscript.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/raytrace/raytrace.h"
#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

size_t crow(int k) { return static_cast<size_t>(k); }

// A number of the script: F(w.d) without its blanks, cut (not rounded) to size characters.
std::string scriptnum(double v, int w, int d, size_t size) {
    std::string s = fmtf(v, w, d);
    s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    return s.substr(0, size);
}
std::string profile(double v, size_t size = 8) { return scriptnum(v, 6, 2, size); }
std::string raynum(double v) { return scriptnum(v, 7, 3, 8); }

// Air in front of row k; row -1 (in front of the first surface) counts as air.
bool airat(const OpticalSystem& lens, int k) { return k < 0 || isair(lens.sys.sp.glass[crow(k)]); }

// The mechanical diameters drawn when some clear aperture is below 4 mm: the clear
// diameters, the stop and the lenses' surfaces taking their neighbour's where the rule says.
void automaticdiameters(const OpticalSystem& lens, MechDiameters& d) {
    const auto& sp = lens.sys.sp;
    const int n = lens.nsurf, stop = lens.stopsurf;
    d.assign(crow(n) + 1, 0.0);
    for (int k = 0; k < n; ++k) {
        if (stop == 0)
            d[crow(k)] = 2 * (isair(sp.glass[crow(k + 1)]) ? sp.hmax[crow(k)] : sp.hmax[crow(k + 1)]);
        else if (k == stop - 1)
            d[crow(k)] = 2 * (airat(lens, k - 1) && airat(lens, k) ? sp.hmax[crow(k)] : sp.hmax[crow(k + 1)]);
        else
            d[crow(k)] = 2 * sp.hmax[crow(k)];
    }
}

bool isstop(const OpticalSystem& lens, int k) { return lens.stopsurf > 1 && k == lens.stopsurf - 1; }

void layerswitch(std::vector<std::string>& s, const char* layer, const char* colour) {
    for (const char* line : {" layer", "s", layer, "c", colour, " "}) s.emplace_back(line);
}

// The layer and colour a label-13 ray (its index in the scheme) starts, when it starts a
// field group.
std::pair<const char*, const char*> fieldlayer(int nrays, int ray) {
    struct Start {
        int ray;
        const char *layer, *colour;
    };
    static const Start six[] = {{2, "w1", "green"}};
    static const Start mid[] = {{3, "w1", "green"}, {10, "w2", "red"}, {17, "w3", "magenta"}};
    static const Start full[] = {{4, "w1", "green"}, {14, "w2", "red"}, {24, "w3", "red"}};
    auto find = [&](auto& table) -> std::pair<const char*, const char*> {
        for (const Start& s : table)
            if (s.ray == ray) return {s.layer, s.colour};
        return {nullptr, nullptr};
    };
    if (nrays == 6) return find(six);
    if (nrays == 17 || nrays == 24) return find(mid);
    if (nrays == 34) return find(full);
    return {nullptr, nullptr};
}

void lenslines(const OpticalSystem& lens, LensSection& sec, bool rays, std::vector<std::string>& s) {
    const auto& sp = lens.sys.sp;
    const int n = lens.nsurf, stop = lens.stopsurf;
    sec.edgeh.assign(crow(n), 0.0);
    sec.vertex.assign(crow(n), 0.0);
    sec.edgex.assign(crow(n), 0.0);
    for (int k = 0; k < n; ++k) {
        const double md = sec.mechdiam[crow(k)], h = sp.hmax[crow(k)];
        const bool half = (k == 0 && stop == 0) || (k == stop - 1 && k > 0 && airat(lens, k - 1) && airat(lens, k));
        sec.edgeh[crow(k)] = !half && md - 2 * h > 3 ? h : md / 2;
    }
    double length = 0;
    for (int k = 0; k < n; ++k) length += sp.sep[crow(k)];
    double ymax = 0;
    for (double e : sec.edgeh) ymax = std::max(ymax, e * 10 + 30);
    const std::string xmax = profile(length * 10 + 20), ytext = profile(ymax);
    const std::string xray = profile((length + sp.sep[crow(n)]) * 10, 6);
    const std::string xend = rays ? xray : xmax;
    for (const std::string& line :
         {std::string("layer"), std::string("n"), std::string(rays ? "ose,osni,w1,w2,w3" : "ose"),
          std::string(" ltscale"), std::string("1"), std::string("limits"), "-100,-" + ytext, xend + "," + ytext,
          std::string("limits"), std::string("off"), std::string("zoom"), std::string("all"), std::string("layer"),
          std::string("set"), std::string("ose"), std::string("c"), std::string("white"), std::string(" "),
          std::string("line"), std::string("-20.0,0.0"), xend + ",0.0", std::string(" layer"), std::string("set"),
          std::string("0"), std::string("c"), std::string("white"), std::string(" ")})
        s.push_back(line);

    std::vector<std::string> ex(crow(n)), ey(crow(n));
    double x0 = 0;
    for (int k = 0; k < n; ++k) {
        const double r = surfaceradius(lens, k);
        if (k == 0) {
            s.emplace_back(r != 0 ? "arc" : "line");
        } else if (!isstop(lens, k)) {
            const bool joined = surfaceradius(lens, k - 1) != 0 || (k == stop && stop > 1);
            s.emplace_back(r != 0 ? (joined ? "arc" : " arc") : (joined ? "line" : " line"));
        }
        const double e = sec.edgeh[crow(k)];
        const double sag = r != 0 ? (e >= std::fabs(r) ? std::fabs(r) : std::fabs(r) - std::sqrt(r * r - e * e)) * 10 : 0;
        const double vertex = x0 + sp.sep[crow(k)] * 10;
        const double edge = r > 0 ? vertex + sag : vertex - sag;
        x0 = vertex;
        sec.vertex[crow(k)] = vertex / 10;
        sec.edgex[crow(k)] = edge / 10;
        ex[crow(k)] = profile(edge, 6);
        ey[crow(k)] = profile(e * 10, 6);
        if (isstop(lens, k)) continue;
        const std::string vx = profile(vertex);
        if (sag != 0) {
            for (const std::string& line : {ex[crow(k)] + "," + ey[crow(k)], std::string("nea"), vx + ",0.0",
                                            ex[crow(k)] + ",-" + ey[crow(k)]})
                s.push_back(line);
        } else {
            s.push_back(vx + "," + ey[crow(k)]);
            s.push_back(vx + ",-" + ey[crow(k)]);
        }
    }

    for (int k = 0; k < n; ++k) {
        if (airat(lens, k + 1) || isstop(lens, k)) continue;
        const auto p = [&](int j, bool upper) { return ex[crow(j)] + (upper ? "," : ",-") + ey[crow(j)]; };
        if (k == 0)
            for (bool upper : {true, false}) {
                s.emplace_back(upper ? "line" : " line");
                s.push_back(p(0, upper));
                s.push_back(p(1, upper));
            }
        const double d = std::fabs(sec.edgeh[crow(k)] - sec.edgeh[crow(k + 1)]) * 10;
        for (bool upper : {true, false}) {
            s.emplace_back(" line");
            if (d == 0) {
                s.push_back(p(k, upper));
                s.push_back(p(k + 1, upper));
                continue;
            }
            const bool khigher = sec.edgeh[crow(k)] > sec.edgeh[crow(k + 1)];
            const int low = khigher ? k + 1 : k, high = khigher ? k : k + 1;
            const std::string angle = std::string(upper ? "<" : "<-") + (khigher ? "135" : "45");
            s.push_back(p(low, upper));
            s.push_back("@" + scriptnum(std::sqrt(2 * d * d), 6, 3, 8) + angle);
            s.push_back(p(high, upper));
        }
    }
    for (const char* line : {" ltscale", "25", "redraw"}) s.emplace_back(line);
}

// Traces the meridional rays (labels 12, 13, 14) and writes them; false with the trace's
// message on a failed ray.
bool raylines(Model& m, CadDrawing& d) {
    const OpticalSystem& lens = m.lens;
    const auto& sp = lens.sys.sp;
    const int n = lens.nsurf;
    auto& s = d.script;
    int previous = 0;
    for (int i = 0; i < lens.nrays; ++i) {
        const int label = lens.rays.rl[crow(i)];
        if (label != 12 && label != 13 && label != 14) continue;
        const char* layer = nullptr;
        bool started = false;
        if (label == 12 && previous != 12) {
            layerswitch(s, "osni", "blue");
            layer = "osni";
        } else if (label == 13) {
            const auto [l, colour] = fieldlayer(lens.nrays, i);
            if (l) layerswitch(s, l, colour);
            layer = l;
        }
        previous = label;
        if (label == 13 && !layer) continue;
        if (layer) {
            s.emplace_back("line");
            started = true;
        }
        if (!started) s.emplace_back(" line");
        if (!layer) layer = d.rays.empty() ? "osni" : d.rays.back().layer.c_str();
        const double mm = lens.rays.m[crow(i)];
        const Ray ray{0, lens.rays.y[crow(i)], 0, mm, std::sqrt(1 - mm * mm), i, label % 10};
        const TracedRay t = trace(lens, ray, 0, {}, m.trace);
        if (t.status != RayStatus::passed) {
            fail(m, t.message ? t.message : "Error in calculation!");
            d.outcome.error = m.errmsg;
            return false;
        }
        SectionRay drawn{layer, {}, {}};
        double z = 0;
        for (int k = 0; k <= n && crow(k) < t.points.size(); ++k) {
            z += sp.sep[crow(k)];
            const RayPoint& q = t.points[crow(k)];
            if (k < n && sp.hmax[crow(k)] * 1.01 < std::fabs(q.Y)) break;
            const double x = (z + q.Z) * 10, y = q.Y * 10;
            drawn.x.push_back(x / 10);
            drawn.y.push_back(q.Y);
            if (k < n && isstop(lens, k)) continue;
            if (k < n) s.emplace_back("nea");
            s.push_back(raynum(x) + "," + raynum(y));
        }
        d.rays.push_back(std::move(drawn));
    }
    s.emplace_back(" redraw");
    return true;
}

// DXF group code and value lines.
void dxfgroup(std::string& out, int code, const std::string& value) {
    out += std::to_string(code) + "\n" + value + "\n";
}
std::string dxfreal(double v) { return scriptnum(v, 0, 6, 40); }

void dxfline(std::string& out, const char* layer, double x1, double y1, double x2, double y2) {
    dxfgroup(out, 0, "LINE");
    dxfgroup(out, 8, layer);
    dxfgroup(out, 10, dxfreal(x1));
    dxfgroup(out, 20, dxfreal(y1));
    dxfgroup(out, 11, dxfreal(x2));
    dxfgroup(out, 21, dxfreal(y2));
}

bool allfinite(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

bool drawingfinite(const CadDrawing& d) {
    const LensSection& s = d.section;
    bool ok = allfinite(s.mechdiam) && allfinite(s.vertex) && allfinite(s.edgeh) && allfinite(s.edgex);
    for (const SectionRay& r : d.rays) ok = ok && allfinite(r.x) && allfinite(r.y);
    return ok;
}

}  // namespace

CadDrawing acadscript(Model& m, bool rays, Interaction& ask) {
    CadDrawing d;
    const OpticalSystem& lens = m.lens;
    bool small = false;
    for (int k = 0; k < lens.nsurf; ++k) small |= lens.sys.sp.hmax[crow(k)] < 4;
    if (small) {
        automaticdiameters(lens, d.section.mechdiam);
    } else {
        d.outcome = constructdiam(lens, ask, d.section.mechdiam);
        if (!d.outcome.ok()) return d;
    }
    lenslines(lens, d.section, rays, d.script);
    if (rays) raylines(m, d);
    if (!drawingfinite(d)) {   // no script or drawing holds a number that is not finite
        d.outcome.error = nonfinitemsg;
        d.script.clear();
    }
    return d;
}

std::string writecadfiles(const OpticalSystem& lens, const CadDrawing& d, const std::string& scriptpath,
                          const std::string& dxfpath) {
    if (!d.outcome.ok() || !drawingfinite(d)) return nonfinitemsg;
    std::string text;
    for (const auto& line : d.script) text += line + "\n";
    return writefilesatomic({{scriptpath, text}, {dxfpath, sectiondxf(lens, d)}});
}

std::string sectiondxf(const OpticalSystem& lens, const CadDrawing& d) {
    std::string out;
    const bool red = lens.nrays == 34;
    const struct {
        const char* name;
        int colour;
    } layers[] = {{"ose", 7}, {"osni", 5}, {"w1", 3}, {"w2", 1}, {"w3", red ? 1 : 6}};
    dxfgroup(out, 0, "SECTION");
    dxfgroup(out, 2, "TABLES");
    dxfgroup(out, 0, "TABLE");
    dxfgroup(out, 2, "LAYER");
    dxfgroup(out, 70, std::to_string(std::size(layers)));
    for (const auto& l : layers) {
        dxfgroup(out, 0, "LAYER");
        dxfgroup(out, 2, l.name);
        dxfgroup(out, 70, "0");
        dxfgroup(out, 62, std::to_string(l.colour));
        dxfgroup(out, 6, "CONTINUOUS");
    }
    dxfgroup(out, 0, "ENDTAB");
    dxfgroup(out, 0, "ENDSEC");
    dxfgroup(out, 0, "SECTION");
    dxfgroup(out, 2, "ENTITIES");
    const LensSection& s = d.section;
    const int n = static_cast<int>(s.vertex.size());
    double length = 0;
    for (int k = 0; k < n; ++k) length += lens.sys.sp.sep[crow(k)];
    dxfline(out, "ose", -2, 0, length + 2, 0);
    for (int k = 0; k < n; ++k) {
        if (isstop(lens, k)) continue;
        const double r = surfaceradius(lens, k), e = s.edgeh[crow(k)], v = s.vertex[crow(k)];
        if (r == 0) {
            dxfline(out, "ose", v, -e, v, e);
            continue;
        }
        const double theta = e >= std::fabs(r) ? 90.0 : std::asin(e / std::fabs(r)) * 180 / std::numbers::pi;
        dxfgroup(out, 0, "ARC");
        dxfgroup(out, 8, "ose");
        dxfgroup(out, 10, dxfreal(v + r));
        dxfgroup(out, 20, dxfreal(0));
        dxfgroup(out, 40, dxfreal(std::fabs(r)));
        dxfgroup(out, 50, dxfreal(r > 0 ? 180 - theta : 360 - theta));
        dxfgroup(out, 51, dxfreal(r > 0 ? 180 + theta : theta));
    }
    for (int k = 0; k + 1 < n; ++k) {
        if (airat(lens, k + 1) || isstop(lens, k)) continue;
        for (double side : {1.0, -1.0}) {
            const double hk = s.edgeh[crow(k)], hn = s.edgeh[crow(k + 1)];
            if (k == 0) dxfline(out, "ose", s.edgex[0], side * hk, s.edgex[1], side * hn);
            const bool khigher = hk > hn;
            const int low = khigher ? k + 1 : k, high = khigher ? k : k + 1;
            const double d1 = std::fabs(hk - hn);
            const double cx = s.edgex[crow(low)] + (khigher ? -d1 : d1), cy = s.edgeh[crow(low)] + d1;
            if (d1 != 0) dxfline(out, "ose", s.edgex[crow(low)], side * s.edgeh[crow(low)], cx, side * cy);
            dxfline(out, "ose", d1 != 0 ? cx : s.edgex[crow(low)], side * (d1 != 0 ? cy : s.edgeh[crow(low)]),
                 s.edgex[crow(high)], side * s.edgeh[crow(high)]);
        }
    }
    for (const SectionRay& r : d.rays) {
        dxfgroup(out, 0, "POLYLINE");
        dxfgroup(out, 8, r.layer);
        dxfgroup(out, 66, "1");
        for (size_t i = 0; i < r.x.size(); ++i) {
            dxfgroup(out, 0, "VERTEX");
            dxfgroup(out, 8, r.layer);
            dxfgroup(out, 10, dxfreal(r.x[i]));
            dxfgroup(out, 20, dxfreal(r.y[i]));
        }
        dxfgroup(out, 0, "SEQEND");
    }
    dxfgroup(out, 0, "ENDSEC");
    dxfgroup(out, 0, "EOF");
    return out;
}

}  // namespace zefo
