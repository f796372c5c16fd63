#include "core/analysis/systemreport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

#include "core/raytrace/paraxial.h"
#include "core/util/numfmt.h"

namespace zefo {

const char* const paraxsurfacesmsg = "System must have minimum two surfaces for paraxial calculations!";

namespace {

// Sizes of the texts a number is held in before it is joined into its line.
constexpr size_t rowsize = 11;     // surface rows
constexpr size_t headsize = 12;    // focal length, wavelength and object distance lines
constexpr size_t raysize = 15;     // ray scheme rows
constexpr size_t paraxsize = 10;   // paraxial lens data

std::string conictype(double k) {
    if (k < -1) return "(Hyperbola)";
    if (k == -1) return "(Parabola)";
    if (k == 0) return "";
    return "(Ellipse)";
}

double asfvalue(const std::vector<double>& a, int i) {
    return static_cast<size_t>(i) < a.size() ? a[static_cast<size_t>(i)] : 0.0;
}

bool contains(const std::string& s, char c) {
    return s.find(c) != std::string::npos;
}

// The conic, aspheric or Fresnel line that follows a surface row (the design listing writes
// its Fresnel line with one blank before "with").
void surfacetypelines(const OpticalSystem& lens, int i, Report& r, bool design = false) {
    const std::string& label = lens.sys.sp.surflabel[static_cast<size_t>(i)];
    const auto& asf = lens.sys.asf;
    const double k = asfvalue(asf.eps, i);
    if (contains(label, 'E'))
        r.addline("Conical surface  conic constant= " + fmtfit(k, 10, 6) + "   " + conictype(k));
    if (contains(label, 'A'))
        r.addline("Asferical surface  eps= " + fmtfit(k, 10, 6) + "  a4= " + fmtfit(asfvalue(asf.a4, i), 10, 6) +
                  "  a6= " + fmtfit(asfvalue(asf.a6, i), 10, 6) + "  a8= " + fmtfit(asfvalue(asf.a8, i), 10, 6) +
                  "  a10= " + fmtfit(asfvalue(asf.a10, i), 10, 6));
    if (contains(label, 'F'))
        r.addline(std::string(design ? "Fresnel surface with" : "Fresnel surface  with") + " conic constant= " +
                  fmtfit(k, 10, 6) + "   " + conictype(k));
}

std::string surfacenumber(const OpticalSystem& lens, int i) {
    return i == lens.nsurf ? "IMG" : fmti(i + 1, 3);
}

// Radius (or curvature when the system is given by curvatures) in its table column.
std::string shapecolumn(const OpticalSystem& lens, double v) {
    return lens.radiiflag == 'D' ? fmtfit(v, 10, 3, rowsize) : fmtfit(v, 10, 7, rowsize);
}

// The columns after the separations: indices, dispersion, glass and clear radius.
std::string mediumcolumns(const OpticalSystem& lens, size_t i) {
    const auto& sp = lens.sys.sp;
    std::string s = "  ";
    for (double n : sp.index[i]) s += fmtfit(n, 9, 5, rowsize);
    s += fmtfit(sp.disp[i], 9, 5, rowsize) + " " + centredglass(sp.glass[i]) + fmtfit(sp.hmax[i], 6, 2, rowsize);
    return s;
}

// The surface table of the system data report, with or without the surface type lines.
void surfacetable(const OpticalSystem& lens, Report& r, bool typelines) {
    r.addline(lens.radiiflag == 'D'
                  ? " No    Radius   Separation  index1   index2   index3    disp     glass    hmax"
                  : " No   Curvature Separation  index1   index2   index3    disp     glass    hmax");
    const auto& sp = lens.sys.sp;
    for (int i = 0; i <= lens.nsurf; ++i) {
        const size_t s = static_cast<size_t>(i);
        const double shape = lens.radiiflag == 'D' ? sp.radius[s] : sp.curv[s];
        r.addline(surfacenumber(lens, i) + shapecolumn(lens, shape) + fmtfit(sp.sep[s], 10, 3, rowsize) +
                  mediumcolumns(lens, s));
        if (typelines) surfacetypelines(lens, i, r);
    }
}

// Title, focal length, wavelengths and object distance.
void systemhead(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r) {
    r.addline(titleline(lens, h));
    const bool objective = !lens.telescope();
    if (objective) r.addline("Focal length = " + fmtfit(d.efl, 9, 4, headsize));
    std::string wl = "Wave lengths are: ";
    for (double w : lens.wl) wl += fmtfit(w, 12, 7, headsize);
    r.addline(wl);
    if (d.objectline)
        r.addline("Object distance =" + fmtfit(d.objdist, 8, 3, headsize) + " Magnification =" +
                  fmtfit(lens.mag, 7, 3, headsize) + " Throw  =" + fmtfit(d.throwdist, 8, 3, headsize));
}

void closewindowreport(Report& r) {
    r.addline("Measurement units are mm");
    r.addline(" ");
    r.addline("End of displayed data");
}

// Paraxial ray through one surface of radius r (0 = plane) from index n to n2.
void refractparax(double y, double& u, double r, double n, double n2) {
    const double c = r != 0 ? 1.0 / r : 0.0;
    u = (n * u - y * (n2 - n) * c) / n2;
}

// Back focal length and focal length of surfaces in air for an object at infinity;
// radii[j] separates index[j] (in front) and index[j+1]; thick[j] follows surface j.
void forwardparax(const std::vector<double>& radii, const std::vector<double>& index,
                  const std::vector<double>& thick, double& f, double& sp) {
    double y = 1, u = 0;
    for (size_t j = 0; j < radii.size(); ++j) {
        refractparax(y, u, radii[j], index[j], index[j + 1]);
        if (j < thick.size()) y += thick[j] * u;
    }
    if (u == 0) {
        f = sp = 0;   // afocal: no focal point
        return;
    }
    f = -1.0 / u;
    sp = -y / u;
}

LensParax blockparax(const LensDesign& b) {
    std::vector<LensElement> el;
    for (size_t j = 0; j < b.thick.size(); ++j) el.push_back({b.radius[j], b.thick[j], b.index[j]});
    return lensparax(el, b.radius.back());
}

std::string fp(double v, int w, int d) {
    return fmtfit(v, w, d, paraxsize);
}

void designlines(const LensDesign& b, Report& r) {
    if (b.thick.size() == 1) {
        r.addline("Design data: ");
        r.addline("Radius: R1 = " + fp(b.radius[0], 10, 3) + "  R2 = " + fp(b.radius[1], 10, 3));
        r.addline("Lens thickness d = " + fp(b.thick[0], 8, 3));
        r.addline("Glass: " + b.glass[0]);
    } else {
        r.addline("Design data:");
        r.addline("Radius: R1 = " + fp(b.radius[0], 10, 3) + "  R2 = " + fp(b.radius[1], 10, 3) +
                  "  R3 = " + fp(b.radius[2], 10, 3));
        r.addline("Lens thickness: d1 = " + fp(b.thick[0], 8, 3) + "  d2 = " + fp(b.thick[1], 8, 3));
        r.addline("Glass  lens 1: " + b.glass[0] + "  lens 2: " + b.glass[1]);
    }
}

void focallines(const LensParax& p, const std::string& prefix, Report& r) {
    const bool plain = prefix.empty();
    r.addline(plain ? "Paraxial data are:" : prefix + " paraxial data are:");
    r.addline((plain ? "Efective" : prefix + " efective") + " focal lenght f = " + fp(p.f, 9, 3));
    r.addline((plain ? "Back" : prefix + " back") + " focal length    sp = " + fp(p.sp, 9, 3));
    r.addline((plain ? "Front" : prefix + " front") + " focal length    s = " + fp(p.s, 9, 3));
}

// Radius of surface i for a variant: 0 nominal, 1 minimum, 2 maximum.
double variantradius(const OpticalSystem& lens, size_t i, int variant) {
    if (variant == 0) return lens.sys.sp.radius[i];
    const double v = variant == 1 ? lens.radmin[i] : lens.radmax[i];
    if (lens.radiiflag == 'D') return v;
    return v != 0 ? 1.0 / v : 0.0;   // the bounds hold curvatures
}

double variantsep(const OpticalSystem& lens, size_t i, int variant) {
    if (variant == 0) return lens.sys.sp.sep[i];
    return variant == 1 ? lens.sepmin[i] : lens.sepmax[i];
}

// The group of media first .. first+count-1 between surfaces first-1 .. first+count-1.
LensDesign groupdata(const OpticalSystem& lens, size_t first, size_t count, int variant) {
    LensDesign b;
    for (size_t j = 0; j <= count; ++j) b.radius.push_back(variantradius(lens, first - 1 + j, variant));
    for (size_t j = 0; j < count; ++j) {
        b.thick.push_back(variantsep(lens, first + j, variant));
        b.index.push_back(lens.sys.sp.index[first + j][0]);
        b.glass.push_back(lens.sys.sp.glass[first + j]);
    }
    return b;
}

// One lens or doublet block: its design data and first-order data, nominal and (full)
// minimum and maximum.
ParaxBlock paraxblock(const OpticalSystem& lens, size_t first, size_t count, int number, bool full) {
    ParaxBlock pb;
    pb.doublet = count == 2;
    pb.number = number;
    pb.firstsurface = static_cast<int>(first);   // surface first - 1, numbered from 1
    LensParax* results[] = {&pb.nominal, &pb.minimum, &pb.maximum};
    LensDesign* designs[] = {&pb.design, &pb.mindesign, &pb.maxdesign};
    for (int v = 0; v < (full ? 3 : 1); ++v) {
        *designs[v] = groupdata(lens, first, count, v);
        *results[v] = blockparax(*designs[v]);
    }
    return pb;
}

// The lines of one block.
void paraxblocklines(const ParaxBlock& pb, bool full, Report& r) {
    r.addline("");
    r.addline("");
    r.addline((pb.doublet ? "Doublet No. " : "Lens No. ") + std::to_string(pb.number));
    r.addline("");
    static const char* const variantnames[] = {"Nominal", "Minimum", "Maximum"};
    const LensParax* results[] = {&pb.nominal, &pb.minimum, &pb.maximum};
    const LensDesign* designs[] = {&pb.design, &pb.mindesign, &pb.maxdesign};
    for (int v = 0; v < (full ? 3 : 1); ++v) {
        if (v > 0) {
            r.addline("");
            r.addline("");
        }
        if (full) r.addline(std::string(variantnames[v]) + " data: ");
        designlines(*designs[v], r);
        r.addline("");
        r.addline("");
        focallines(*results[v], v == 0 ? "" : variantnames[v], r);
    }
}

}  // namespace

std::string fmtfit(double v, int w, int d, size_t size) {
    std::string s = fmtf(v, w, d);
    // a negative number that rounds to zero prints as zero
    const size_t minus = s.find('-');
    if (minus != std::string::npos && s.find_first_of("123456789") == std::string::npos) s[minus] = ' ';
    if (s.size() <= size) return s;
    // the integer part is never cut, so an oversized number loses decimals only
    const size_t point = s.find('.');
    s.resize(point == std::string::npos ? s.size() : std::max(size, point));
    return s;
}

std::string titleline(const OpticalSystem& lens, const ReportHead& h) {
    return "System name =" + lens.sysname + "        File = " + h.filepath + "     " + h.date;
}

std::string centredglass(const std::string& glass) {
    if (glass.size() >= 11) return glass;
    const size_t pad = 11 - glass.size();
    return std::string(pad / 2, ' ') + glass + std::string(pad - pad / 2, ' ');
}

std::optional<SystemData> systemdata(Model& m) {
    nudatparax(m);
    if (m.calcerror) return std::nullopt;
    SystemData d;
    d.efl = m.lens.efl;
    const auto& rays = m.lens.rays;
    d.objectline = !m.telescope() && !rays.m.empty() && rays.m[0] != 0;
    if (d.objectline) {
        const double y0 = rays.y[0], m0 = rays.m[0];
        double total = 0;
        for (double sep : m.lens.sys.sp.sep) total += sep;
        d.objdist = -y0 / m0;
        d.throwdist = y0 / m0 + total;
    }
    return d;
}

void systemlines(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r, bool standalone) {
    systemhead(lens, d, h, r);
    surfacetable(lens, r, true);
    r.addline(" ");
    if (standalone) closewindowreport(r);
}

void printsystemlines(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r) {
    systemhead(lens, d, h, r);
    surfacetable(lens, r, false);
}

void systemlinesfull(const OpticalSystem& lens, const SystemData& d, const ReportHead& h, Report& r) {
    systemhead(lens, d, h, r);
    r.addline(lens.radiiflag == 'D'
                  ? " No    Radius Radius min Radius max Separation Separ.min Separ.max  index1   index2   index3 "
                    "   disp     glass    hmax"
                  : " No   Curvature Curv. min Curv. max Separation Separ.min Separ.max  index1   index2   index3 "
                    "   disp     glass    hmax");
    const auto& sp = lens.sys.sp;
    for (int i = 0; i <= lens.nsurf; ++i) {
        const size_t s = static_cast<size_t>(i);
        const double shape = lens.radiiflag == 'D' ? sp.radius[s] : sp.curv[s];
        r.addline(surfacenumber(lens, i) + shapecolumn(lens, shape) + shapecolumn(lens, lens.radmin[s]) +
                  shapecolumn(lens, lens.radmax[s]) + fmtfit(sp.sep[s], 10, 3, rowsize) +
                  fmtfit(lens.sepmin[s], 10, 3, rowsize) + fmtfit(lens.sepmax[s], 10, 3, rowsize) + mediumcolumns(lens, s));
        surfacetypelines(lens, i, r);
    }
    r.addline(" ");
    closewindowreport(r);
}

bool systemreport(Model& m, const ReportHead& h, Report& r, bool standalone) {
    const std::optional<SystemData> d = systemdata(m);
    if (d) systemlines(m.lens, *d, h, r, standalone);
    return d.has_value();
}

bool systemreportfull(Model& m, const ReportHead& h, Report& r) {
    const std::optional<SystemData> d = systemdata(m);
    if (d) systemlinesfull(m.lens, *d, h, r);
    return d.has_value();
}

bool printsystemlines(Model& m, const ReportHead& h, Report& r) {
    const std::optional<SystemData> d = systemdata(m);
    if (d) printsystemlines(m.lens, *d, h, r);
    return d.has_value();
}

void designdatalines(const OpticalSystem& l, const SystemData& d, const ReportHead& h, Report& r, bool standalone) {
    systemhead(l, d, h, r);
    r.addline(l.radiiflag == 'D' ? "                    Radius     Dist     Index1   Index2   Index3    Disp      Glass"
                                        "    Hmax     axial      edge"
                                      : "                    Curvature  Dist     Index1   Index2   Index3    Disp      Glass"
                                        "    Hmax     axial      edge");
    const auto& sp = l.sys.sp;
    for (int i = 0; i <= l.nsurf; ++i) {
        const size_t s = static_cast<size_t>(i);
        const std::string& label = sp.optlabel[s];
        const std::string flags = std::string(contains(label, 'C') ? "Rad" : "   ") +
                                  (contains(label, 'D') ? "Dist" : "    ") + (contains(label, 'G') ? "Glass" : "     ");
        const double shape = l.radiiflag == 'D' ? sp.radius[s] : sp.curv[s];
        r.addline(surfacenumber(l, i) + " " + flags + shapecolumn(l, shape) + fmtfit(sp.sep[s], 10, 3, rowsize) +
                  mediumcolumns(l, s) + fmtfit(l.axlim[s], 10, 4, rowsize) + fmtfit(l.edgelim[s], 10, 4, rowsize));
        surfacetypelines(l, i, r, true);
    }
    r.addline(" ");
    r.addline("Step for changing surface radius of optical system during optimization is Dc=" + fmtfit(l.dcurv, 10, 6));
    r.addline("Step for changing distance betwin surfaces of opt.system during optimization is Dd=" +
              fmtfit(l.dsep, 10, 6));
    r.addline("Step for changing glass indexs during optimization is Dn=" + fmtfit(l.dindex, 10, 6));
    r.addline("Step for changing glass dispersion during optimization is Ddn=" + fmtfit(l.ddisp, 10, 6));
    r.addline(" ");
    r.addline(" Boundary conditions are:");
    for (int j = 0; j <= l.nsurf; ++j) {
        const size_t s = static_cast<size_t>(j);
        r.addline(fmti(j + 1) + "  Minimum axial thickness is " + fmtfit(l.axlim[s], 6, 2) +
                  "  Minimum edge thickness is " + fmtfit(l.edgelim[s], 6, 2) + "  Maximum clear aperture is " +
                  fmtfit(l.clearlim[s], 6, 2));
    }
    r.addline(" ");
    if (standalone) closewindowreport(r);
}

bool designreport(Model& m, const ReportHead& h, Report& r, bool standalone) {
    const std::optional<SystemData> d = systemdata(m);
    if (d) designdatalines(m.lens, *d, h, r, standalone);
    return d.has_value();
}

void rayreport(const OpticalSystem& lens, Report& r) {
    const bool relative = lens.raytype != 0;
    r.addline(relative ? " No  RL      Xrel       Yrel       X          Y         L          M"
                       : " No  RL      X          Y          L         M");
    const auto& rays = lens.rays;
    for (size_t k = 0; k < rays.rl.size() && k < lens.nrays; ++k) {
        std::string line = fmti(static_cast<long long>(k) + 1, 3) + fmti(rays.rl[k], 4);
        if (relative) line += fmtfit(rays.xrel[k], 11, 5, raysize) + fmtfit(rays.yrel[k], 11, 5, raysize);
        line += fmtfit(rays.x[k], 11, 5, raysize) + fmtfit(rays.y[k], 11, 5, raysize) +
                fmtfit(std::fabs(rays.l[k]), 10, 6, raysize) + fmtfit(rays.m[k], 10, 6, raysize);
        r.addline(line);
    }
    r.addline(" ");
    r.addline("End of displayed data");
}

void printraylines(const OpticalSystem& lens, const ReportHead& h, Report& r) {
    const bool relative = lens.raytype != 0;
    r.addline("           Ray scheme data");
    r.addline("");
    r.addline(titleline(lens, h));
    r.addline("");
    r.addline(relative ? " No  Label     Xrel       Yrel       X          Y         L          M"
                       : " No  Label     X          Y          L         M");
    const auto& rays = lens.rays;
    for (size_t k = 0; k < rays.rl.size() && k < lens.nrays; ++k) {
        std::string line = fmti(static_cast<long long>(k) + 1, 3) + fmti(rays.rl[k], 6);
        if (relative) line += fmtfit(rays.xrel[k], 11, 5) + fmtfit(rays.yrel[k], 11, 5);
        line += fmtfit(rays.x[k], 11, 5) + fmtfit(rays.y[k], 11, 5) + fmtfit(std::fabs(rays.l[k]), 10, 6) +
                fmtfit(rays.m[k], 10, 6);
        r.addline(line);
    }
}

LensParax lensparax(const std::vector<LensElement>& elements, double rlast) {
    std::vector<double> radii, index{1.0}, thick;
    for (const auto& e : elements) {
        radii.push_back(e.r1);
        index.push_back(e.n);
        thick.push_back(e.d);
    }
    radii.push_back(rlast);
    index.push_back(1.0);
    LensParax p;
    forwardparax(radii, index, thick, p.f, p.sp);
    // The group turned round: surfaces in reverse order with their signs reversed.
    std::vector<double> rradii, rindex, rthick;
    for (auto it = radii.rbegin(); it != radii.rend(); ++it) rradii.push_back(-*it);
    for (auto it = index.rbegin(); it != index.rend(); ++it) rindex.push_back(*it);
    for (auto it = thick.rbegin(); it != thick.rend(); ++it) rthick.push_back(*it);
    double fback = 0, s = 0;
    forwardparax(rradii, rindex, rthick, fback, s);
    p.s = -s;
    return p;
}

std::vector<ParaxBlock> paraxblocks(const OpticalSystem& lens, bool full) {
    std::vector<ParaxBlock> blocks;
    const auto& glass = lens.sys.sp.glass;
    const size_t ns = static_cast<size_t>(lens.nsurf);
    // A medium beyond the image space counts as glass: no group closes there.
    auto air = [&](size_t i) { return i <= ns && isair(glass[i]); };
    int nlens = 0, doublet = 0;
    // Medium i lies between surfaces i-1 and i; object space (medium 0) holds no lens.
    size_t i = 1;
    while (i + 1 <= ns) {
        if (air(i)) {
            ++i;
        } else if (air(i + 1)) {
            blocks.push_back(paraxblock(lens, i, 1, ++nlens, full));
            i += 2;
        } else if (air(i + 2)) {
            blocks.push_back(paraxblock(lens, i, 2, ++doublet, full));
            blocks.push_back(paraxblock(lens, i, 1, ++nlens, full));
            blocks.push_back(paraxblock(lens, i + 1, 1, ++nlens, full));
            i += 3;
        } else {
            while (i <= ns && !air(i)) ++i;   // three or more glasses cemented: no block
        }
    }
    return blocks;
}

void paraxlines(const OpticalSystem& lens, const std::vector<ParaxBlock>& blocks, const ReportHead& h, bool full,
                Report& r) {
    r.addline(full ? "    F U L L   P A R A X I A L   L E N S   D A T A   C A L C U L A T I O N    "
                   : "         P A R A X I A L   L E N S   D A T A   C A L C U L A T I O N        ");
    r.addline(" ");
    r.addline(titleline(lens, h));
    r.addline(" ");
    for (const ParaxBlock& b : blocks) paraxblocklines(b, full, r);
}

bool paraxreport(const OpticalSystem& lens, const ReportHead& h, Report& r, bool full, std::vector<ParaxBlock>* blocks) {
    if (lens.nsurf < 2) return false;
    const std::vector<ParaxBlock> b = paraxblocks(lens, full);
    paraxlines(lens, b, h, full, r);
    if (blocks) blocks->insert(blocks->end(), b.begin(), b.end());
    return true;
}

}  // namespace zefo
