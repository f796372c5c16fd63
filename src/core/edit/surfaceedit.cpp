#include "core/edit/surfaceedit.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "core/model/lensfile.h"
#include "core/util/mathutil.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

std::string upperTrimmed(const std::string& s) {
    std::string t = trimblanks(s);
    for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return t;
}

std::string cut10(std::string s) { return s.size() > 10 ? s.substr(0, 10) : s; }

// Applies f to every per-surface array that moves with its row.
template <class F>
void forrowarrays(OpticalSystem& l, F f) {
    auto& sp = l.sys.sp;
    f(sp.surflabel); f(sp.optlabel); f(sp.glass); f(sp.index);
    for (auto* a : {&sp.radius, &sp.curv, &sp.sep, &sp.hmax, &sp.disp, &l.radmin, &l.radmax,
                    &l.sepmin, &l.sepmax, &l.axlim, &l.edgelim, &l.clearlim})
        f(*a);
    auto& asf = l.sys.asf;
    for (auto* a : {&asf.a4, &asf.a6, &asf.a8, &asf.a10, &asf.eps})
        if (!a->empty()) f(*a);
}

bool isconiclabel(const std::string& label) {
    return label.find('E') != std::string::npos || label.find('F') != std::string::npos;
}
bool isasphlabel(const std::string& label) { return label.find('A') != std::string::npos; }

// The conic and aspheric arrays exist (all 0 when new) once a row needs them.
void ensureaspheric(OpticalSystem& l) {
    if (l.asphdata == 'D') return;
    l.asphdata = 'D';
    sizelens(l);
}

// Sets the mirror state of row k from its label: the signs of its indices and dispersion
// flip only when the state changes.
void setmirrorstate(Model& m, int k, bool mirror) {
    auto& sp = m.lens.sys.sp;
    const bool was = ismirror(sp.surflabel[k]);
    if (mirror == was) return;
    for (double& n : sp.index[k]) n = -n;
    sp.disp[k] = -sp.disp[k];
}

CellCommit refused(const std::string& msg, std::string restore) {
    CellCommit c;
    c.accepted = false;
    c.message = msg;
    c.restore = std::move(restore);
    return c;
}

CellCommit commitlabel(Model& m, int row, const std::string& typed) {
    auto& sp = m.lens.sys.sp;
    const std::string old = sp.surflabel[row];
    std::string label = upperTrimmed(typed);
    CellCommit c;
    c.restore = old;
    if (label == old) return c;
    static const std::vector<std::string> allowed = {"S",  "SM", "MS", "E",  "EM", "ME", "F",
                                                     "FM", "MF", "A",  "AM", "MA", "M"};
    if (std::find(allowed.begin(), allowed.end(), label) == allowed.end())
        return refused(surfmsg::badlabel, old);
    if (label == "M") {
        // "M" alone makes the row a mirror and is not stored: the row keeps its label (and
        // its kind: no constants dialog); only the signs of its indices change, once.
        if (ismirror(old)) return c;
        setmirrorstate(m, row, true);
        c.changed = true;
        return c;
    }
    setmirrorstate(m, row, ismirror(label));
    if (isconiclabel(label) || isasphlabel(label)) {
        ensureaspheric(m.lens);
        ++m.lens.asphflag;
        c.request = isasphlabel(label) ? CellCommit::asphericdialog : CellCommit::conicdialog;
    }
    sp.surflabel[row] = label;
    c.changed = true;
    c.restore = label;
    return c;
}

CellCommit commitoptlabel(Model& m, int row, const std::string& typed) {
    auto& sp = m.lens.sys.sp;
    const std::string label = upperTrimmed(typed);
    const std::string err = optlabelerror(label);
    if (!err.empty()) return refused(err, sp.optlabel[row]);
    CellCommit c;
    c.changed = label != sp.optlabel[row];
    sp.optlabel[row] = label;
    c.restore = label;
    return c;
}

CellCommit commitglass(Model& m, const GlassLookup& lookup, int row, const std::string& typed) {
    auto& sp = m.lens.sys.sp;
    std::string name = trimblanks(typed.substr(0, 11));
    CellCommit c;
    c.restore = sp.glass[row];
    if (name == sp.glass[row]) return c;
    Index3 n{1.0, 1.0, 1.0};
    if (!isair(name) || name.empty()) {
        // the whole typed text: a model glass "nd/vd" may be longer than a glass name
        const GlassMatch g = name.empty() ? GlassMatch() : lookup(trimblanks(typed));
        if (!g) return refused(name.empty() ? surfmsg::glassnotfound : glassmissmessage(typed, g), sp.glass[row]);
        n = glassindices(g->a, m.lens.wl);
        name = g->name;
    }
    // A mirror space keeps its sign.
    const double sign = sp.index[row][0] < 0 ? -1 : 1;
    const Index3 before = sp.index[row];
    for (int w = 0; w < 3; ++w) sp.index[row][w] = sign * n[w];
    sp.disp[row] = sign * (n[2] - n[1]);
    c.changed = name != sp.glass[row] || before != sp.index[row];
    sp.glass[row] = name;
    c.restore = name;
    return c;
}

double* numericfield(OpticalSystem& l, int row, int col) {
    auto& sp = l.sys.sp;
    switch (col) {
        case scradius: return l.radiiflag == 'D' ? &sp.radius[row] : &sp.curv[row];
        case scradmin: return &l.radmin[row];
        case scradmax: return &l.radmax[row];
        case scsep: return &sp.sep[row];
        case scsepmin: return &l.sepmin[row];
        case scsepmax: return &l.sepmax[row];
        case schmax: return &sp.hmax[row];
        default: return nullptr;
    }
}

// The checks of a number in a column of row `row` beyond being a finite number within 1E+30:
// the clear aperture positive and inside the radius, a radius or curvature whose reciprocal
// is a number the file holds too.
std::string numbererror(const OpticalSystem& l, int row, int col, double v) {
    if (col == schmax) {
        if (v <= 0) return surfmsg::hmaxnotpositive;
        if (v >= surfaceedge(l, row)) return surfmsg::hmaxoverradius;
    }
    if (col == scradius && !(std::fabs(reciprocal(v)) <= kbig)) return surfmsg::outofrange;
    return {};
}

CellCommit commitnumber(Model& m, int row, int col, const std::string& typed) {
    auto& sp = m.lens.sys.sp;
    double* field = numericfield(m.lens, row, col);
    CellCommit c;
    c.restore = surfcelltext(m.lens, row, col);
    std::string bare;
    for (char ch : typed)
        if (ch != ' ') bare += ch;
    if (bare.empty() || bare == "-") return c;
    const auto v = typedvalue(bare);
    if (!v) return refused(notanumbermsg, c.restore);
    if (const std::string e = numbererror(m.lens, row, col, *v); !e.empty()) return refused(e, c.restore);
    c.changed = *v != *field;
    *field = *v;
    if (col == scradius) {
        if (m.lens.radiiflag == 'D') sp.curv[row] = reciprocal(*v);
        else sp.radius[row] = reciprocal(*v);
    }
    c.restore = surfcelltext(m.lens, row, col);
    return c;
}

// Row `at` is doubled (the rows behind it move down one place), or removed.
void insertrow(OpticalSystem& l, int at) {
    forrowarrays(l, [at](auto& v) { v.insert(v.begin() + at, v[static_cast<size_t>(at)]); });
    ++l.nsurf;
    sizelens(l);
}

void eraserow(OpticalSystem& l, int at) {
    forrowarrays(l, [at](auto& v) { v.erase(v.begin() + at); });
    --l.nsurf;
    sizelens(l);
}

}  // namespace

std::string trimblanks(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    return b == std::string::npos ? "" : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::optional<double> typedvalue(const std::string& s) {
    const auto v = parsetyped(s);
    if (!v || !std::isfinite(*v) || std::fabs(*v) > kbig) return std::nullopt;
    return v;
}

std::string surfheader(int col, bool radii) {
    static const char* const common[] = {" No", " Surf label", " Optimization label", "", "", "",
                                         " Separation", " Separ. min", " Separ. max",
                                         "      Glass", "       Hmax"};
    if (col == scradius) return radii ? "     Radius" : "  Curvature";
    if (col == scradmin) return radii ? " Radius min" : " Curv. min ";
    if (col == scradmax) return radii ? " Radius max" : "  Curv. max ";
    return col >= 0 && col < surfcolumns ? common[col] : "";
}

std::string surfhint(int col, bool radii) {
    switch (col) {
        case sclabel: return "Allowed values are S(SM), E(EM), F(FM), A(AM), M";
        case scoptlabel: return "Allowed values are C,D,G,E,A4,A6,A8,A10, or their combination";
        case scradius: case scradmin: case scradmax:
            return radii ? "Enter numerical value for radius"
                         : "Enter number for curvature between -1 and 1";
        case scsep: case scsepmin: case scsepmax: return "Enter numerical value for separation";
        case scglass: return "Glass name from the glass database (any case), or nd/vd for a model glass";
        case schmax: return "Value for clear aperture must be positive number greater then 0";
        default: return "";
    }
}

std::string surfcelltext(const OpticalSystem& lens, int row, int col) {
    const auto& sp = lens.sys.sp;
    const bool radii = lens.radiiflag == 'D';
    switch (col) {
        case scnumber: return row == lens.nsurf ? "IMG" : std::to_string(row + 1);
        case sclabel: return sp.surflabel[row];
        case scoptlabel: return sp.optlabel[row];
        case scradius:
            return cut10(radii ? fmtf(sp.radius[row], 10, 3) : fmtf(sp.curv[row], 10, 7));
        case scradmin: return cut10(fmtf(lens.radmin[row], 10, radii ? 3 : 7));
        case scradmax: return cut10(fmtf(lens.radmax[row], 10, radii ? 3 : 7));
        case scsep: return cut10(fmtf(sp.sep[row], 10, 3));
        case scsepmin: return cut10(fmtf(lens.sepmin[row], 10, 3));
        case scsepmax: return cut10(fmtf(lens.sepmax[row], 10, 3));
        case scglass: return sp.glass[row];
        case schmax: return cut10(fmtf(sp.hmax[row], 6, 2));
        default: return "";
    }
}

std::string optlabelerror(const std::string& label) {
    if (label.size() >= 13) return surfmsg::badoptlabel;
    static const char* const names[] = {"C", "D", "G", "E", "A4", "A6", "A8", "A10"};
    bool seen[8] = {};
    bool anya = false;
    for (size_t i = 0; i < label.size();) {
        std::string token(1, label[i]);
        if (label[i] == 'A') {
            if (label.compare(i, 3, "A10") == 0) token = "A10";
            else if (i + 1 < label.size() && std::strchr("468", label[i + 1])) token += label[i + 1];
            else return surfmsg::badoptlabel;
        }
        const auto* it = std::find(std::begin(names), std::end(names), token);
        if (it == std::end(names)) return surfmsg::badoptlabel;
        const size_t t = static_cast<size_t>(it - std::begin(names));
        if (seen[t]) return std::string("You can have only one ") + token + " label!";
        if ((token == "E" && anya) || (token[0] == 'A' && seen[3])) return surfmsg::eanda;
        seen[t] = true;
        anya = anya || token[0] == 'A';
        i += token.size();
    }
    return "";
}

GlassLookup cataloglookup(GlassCatalog& cat) {
    return [&cat](const std::string& name) { return cat.findglass(name); };
}

CellCommit commitsurfcell(Model& m, const GlassLookup& lookup, int row, int col,
                          const std::string& typed) {
    switch (col) {
        case sclabel: return commitlabel(m, row, typed);
        case scoptlabel: return commitoptlabel(m, row, typed);
        case scglass: return commitglass(m, lookup, row, typed);
        case scnumber: return CellCommit{true, false, "", surfcelltext(m.lens, row, col), CellCommit::none};
        default: return commitnumber(m, row, col, typed);
    }
}

std::string glassplacedline(const OpticalSystem& lens, int row) {
    return "New glass in row " + surfcelltext(lens, row, scnumber) + " is " + lens.sys.sp.glass[row];
}

CellCommit commitconic(Model& m, int row, const std::string& typed) {
    double& eps = m.lens.sys.asf.eps[static_cast<size_t>(row)];
    const std::string shown = fmtf(eps, 10, 6);
    const auto v = typedvalue(typed);
    if (!v) return refused(notanumbermsg, shown);
    if (*v == 0) return refused(surfmsg::zeroconic, shown);
    CellCommit c;
    c.changed = *v != eps;
    eps = *v;
    c.restore = fmtf(eps, 10, 6);
    return c;
}

AsphericCommit commitaspheric(Model& m, int row, const std::array<std::string, 4>& typed) {
    std::array<double, 4> v{};
    for (size_t i = 0; i < 4; ++i) {
        const auto x = typedvalue(typed[i]);
        if (!x) return {static_cast<int>(i), notanumbermsg};
        v[i] = *x;
    }
    auto& a = m.lens.sys.asf;
    const size_t k = static_cast<size_t>(row);
    a.a4[k] = v[0];
    a.a6[k] = v[1];
    a.a8[k] = v[2];
    a.a10[k] = v[3];
    return {};
}

NewSurfaceResult newsurface(Model& m, const GlassLookup& lookup, int row,
                            const std::array<std::string, surfcolumns - 1>& typed) {
    NewSurfaceResult r;
    const auto value = [&](int col) { return typedvalue(typed[static_cast<size_t>(col - 1)]); };
    if (value(scsep) && *value(scsep) == 0) {
        r.badcolumn = scsep;
        r.message = surfmsg::zerodistance;
        return r;
    }
    if (value(schmax) && *value(schmax) == 0) {
        r.badcolumn = schmax;
        r.message = surfmsg::zeroaperture;
        return r;
    }
    // The columns go in on a copy; the model takes the row only when all passed.
    Model t = m;
    for (int col = sclabel; col < surfcolumns; ++col) {
        const std::string& text = typed[static_cast<size_t>(col - 1)];
        const bool number = col != sclabel && col != scoptlabel && col != scglass;
        const CellCommit c = number && !value(col) ? refused(notanumbermsg, "")
                                                   : commitsurfcell(t, lookup, row, col, text);
        if (!c.accepted) {
            r.badcolumn = col;
            r.message = c.message;
            return r;
        }
        if (col == sclabel) r.request = c.request;
    }
    m = std::move(t);
    const auto& sp = m.lens.sys.sp;
    const bool radii = m.lens.radiiflag == 'D';
    r.log = {"Following data are entered for new surface:",
             "Surface label " + sp.surflabel[row] + " Optimization label " + sp.optlabel[row],
             (radii ? "Radius " + fmtf(sp.radius[row], 10, 3) : "Curvature " + fmtf(sp.curv[row], 10, 7)) +
                 " Separation " + fmtf(sp.sep[row], 10, 3) + " Glass " + sp.glass[row] +
                 " Clear aperture " + fmtf(sp.hmax[row], 6, 2)};
    return r;
}

std::string deletesurface(Model& m, int s) {
    auto& l = m.lens;
    if (s < 1 || s > l.nsurf) return surfmsg::badsurfnumber;
    if (l.nsurf <= 1) return surfmsg::lastsurface;
    eraserow(l, s - 1);
    if (s <= l.stopsurf) l.stopsurf = std::max(1, l.stopsurf - 1);
    allocsystem(m);
    return "";
}

std::string insertsurface(Model& m, int s, bool after) {
    auto& l = m.lens;
    if (s < 1 || s > l.nsurf) return surfmsg::badsurfnumber;
    if (l.nsurf >= maxsurf) return surfmsg::toomanysurfaces;
    insertrow(l, after ? s : s - 1);
    if (after ? s < l.stopsurf : s <= l.stopsurf) ++l.stopsurf;
    allocsystem(m);
    return "";
}

namespace leblock {

void putdouble(std::vector<uint8_t>& b, size_t at, double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (size_t i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

std::optional<double> getdouble(const std::vector<uint8_t>& b, size_t at) {
    if (at + 8 > b.size()) return std::nullopt;
    uint64_t u = 0;
    for (size_t i = 0; i < 8; ++i) u |= static_cast<uint64_t>(b[at + i]) << (8 * i);
    double v;
    std::memcpy(&v, &u, 8);
    if (!std::isfinite(v) || std::fabs(v) > kbig) return std::nullopt;
    return v;
}

void putstring(std::vector<uint8_t>& b, size_t at, size_t field, const std::string& s) {
    const size_t n = std::min(s.size(), field - 1);
    b[at] = static_cast<uint8_t>(n);
    std::memcpy(b.data() + at + 1, s.data(), n);
}

std::string getstring(const std::vector<uint8_t>& b, size_t at, size_t field) {
    if (at >= b.size()) return "";
    const size_t n = std::min({static_cast<size_t>(b[at]), field - 1, b.size() - at - 1});
    return std::string(reinterpret_cast<const char*>(b.data() + at + 1), n);
}

}  // namespace leblock

std::vector<uint8_t> surfblock(const OpticalSystem& lens, int row) {
    using namespace leblock;
    const auto& sp = lens.sys.sp;
    const bool radii = lens.radiiflag == 'D';
    std::vector<uint8_t> b(surfblocksize, 0);
    putstring(b, 0, 4, sp.surflabel[row]);
    putstring(b, 4, 14, sp.optlabel[row]);
    if (radii) putdouble(b, 18, sp.radius[row]);
    putdouble(b, 26, sp.curv[row]);
    putdouble(b, 34, sp.sep[row]);
    putdouble(b, 42, sp.hmax[row]);
    putdouble(b, 50, sp.disp[row]);
    putdouble(b, radii ? 58 : 74, lens.radmin[row]);
    putdouble(b, radii ? 66 : 82, lens.radmax[row]);
    putdouble(b, 90, lens.sepmin[row]);
    putdouble(b, 98, lens.sepmax[row]);
    putstring(b, 106, 12, sp.glass[row]);
    for (int w = 0; w < 3; ++w) putdouble(b, 118 + 8 * static_cast<size_t>(w), sp.index[row][w]);
    return b;
}

namespace {

// A string field of a block: its length byte within the field, no control character.
std::optional<std::string> blockstring(const std::vector<uint8_t>& b, size_t at, size_t field) {
    if (b[at] >= field) return std::nullopt;
    std::string s = leblock::getstring(b, at, field);
    for (char c : s)
        if (static_cast<unsigned char>(c) < 32 || c == 127) return std::nullopt;
    return s;
}

// The surface of a block put into row `row` of t through the checks of the typed cells.
std::string fillpastedrow(Model& t, const GlassLookup& lookup, int row, const std::vector<uint8_t>& b) {
    auto& l = t.lens;
    auto& sp = l.sys.sp;
    const bool radii = l.radiiflag == 'D';
    const auto label = blockstring(b, 0, 4), opt = blockstring(b, 4, 14), glass = blockstring(b, 106, 12);
    if (!label || !opt || !glass) return surfmsg::badblock;
    std::optional<double> v[8];
    const size_t at[8] = {radii ? size_t{18} : size_t{26}, 34, 42, radii ? size_t{58} : size_t{74},
                          radii ? size_t{66} : size_t{82}, 90, 98, 118};
    for (size_t i = 0; i < 8; ++i)
        if (!(v[i] = leblock::getdouble(b, at[i]))) return std::string(surfmsg::badblock) + ": " + notanumbermsg;
    // The label as typed, on a plain row: a mirror label sets the mirror state of the row.
    sp.surflabel[row] = "S";
    const double sign = *v[7] < 0 ? -1 : 1;   // the medium behind a mirror keeps its sign
    sp.glass[row] = "";
    const std::pair<int, std::string> cells[] = {
        {sclabel, *label}, {scoptlabel, *opt}, {scglass, glass->empty() ? "air" : *glass}};
    for (const auto& [col, text] : cells)
        if (const CellCommit c = commitsurfcell(t, lookup, row, col, text); !c.accepted) return c.message;
    if ((sp.index[row][0] < 0) != (sign < 0)) {
        for (double& n : sp.index[row]) n = -n;
        sp.disp[row] = -sp.disp[row];
    }
    const std::pair<int, double> numbers[] = {{scradius, *v[0]}, {scsep, *v[1]},   {scradmin, *v[3]},
                                              {scradmax, *v[4]}, {scsepmin, *v[5]}, {scsepmax, *v[6]},
                                              {schmax, *v[2]}};
    for (const auto& [col, x] : numbers) {
        if (const std::string e = numbererror(l, row, col, x); !e.empty()) return e;
        *numericfield(l, row, col) = x;
        if (col == scradius) (radii ? sp.curv[row] : sp.radius[row]) = reciprocal(x);
    }
    return {};
}

}  // namespace

std::string pastesurface(Model& m, const GlassLookup& lookup, int s, const std::vector<uint8_t>& block) {
    if (block.size() != surfblocksize) return surfmsg::badblock;
    Model t = m;
    if (std::string e = insertsurface(t, s, false); !e.empty()) return e;
    if (std::string e = fillpastedrow(t, lookup, s - 1, block); !e.empty()) return e;
    // A lens in the program can always be saved.
    if (std::string e = unsaveableerror(t.lens); !e.empty() && unsaveableerror(m.lens).empty()) return e;
    m = std::move(t);
    return {};
}

std::vector<std::string> surfcommandlog(const std::string& command, int s) {
    const std::string n = std::to_string(s);
    if (command == "delete")
        return {"Delete surface", "Surface to delete is number " + n, "Delete surface - Finished"};
    if (command == "before")
        return {"Insert surface before", "Surface is inserted before surface number " + n,
                "Insert surface before - Finished"};
    if (command == "after")
        return {"Insert surface after", "Surface is inserted after surface number " + n,
                "Insert surface after - Finished"};
    if (command == "cut")
        return {"Cut surface", "Surface number " + n + " is cut", "Cut surface - Finished"};
    if (command == "copy")
        return {"Copy surface", "Surface number " + n + " is copied", "Copy surface - Finished"};
    if (command == "paste")
        return {"Past surface", "Surface number " + n + " is pasted", "Past surface - Finished"};
    return {};
}

std::string surfcellstep(const OpticalSystem& lens, int row, int col) {
    const bool radii = lens.radiiflag == 'D';
    static const char* const names[] = {"Number", "Surface label", "Optimization label", "", "", "",
                                        "Separation", "Separation min", "Separation max", "Glass", "Clear aperture"};
    std::string name = col >= 0 && col < surfcolumns ? names[col] : "Cell";
    if (col == scradius) name = radii ? "Radius" : "Curvature";
    if (col == scradmin || col == scradmax) name = std::string(radii ? "Radius" : "Curvature") + (col == scradmin ? " min" : " max");
    return name + (row >= lens.nsurf ? " of the image plane" : " of surface " + std::to_string(row + 1));
}

std::string surfcommandstep(const std::string& command, int s) {
    const std::string n = std::to_string(s);
    if (command == "before") return "Insert surface before " + n;
    if (command == "after") return "Insert surface after " + n;
    if (command == "paste") return "Paste surface " + n;
    if (command == "cut") return "Cut surface " + n;
    return "Delete surface " + n;
}

}  // namespace zefo
