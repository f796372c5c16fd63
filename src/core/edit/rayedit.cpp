#include "core/edit/rayedit.h"

#include <cmath>

#include "core/model/lensfile.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

double& rayvalue(OpticalSystem& lens, int ray, RayField f) {
    auto& r = lens.rays;
    const size_t k = static_cast<size_t>(ray);
    switch (f) {
        case rfxrel: return r.xrel[k];
        case rfyrel: return r.yrel[k];
        case rfx: return r.x[k];
        case rfy: return r.y[k];
        case rfl: return r.l[k];
        default: return r.m[k];
    }
}

std::string fieldtext(RayField f, double v) {
    switch (f) {
        case rfxrel: case rfyrel: return fmtf(v, 8, 5);
        case rfx: case rfy: return fmtf(v, 9, 5);
        default: return fmtf(v, 9, 6);
    }
}

// Rays of every array that moves with its ray.
template <class F>
void forrayarrays(OpticalSystem& l, F f) {
    auto& r = l.rays;
    f(r.rl);
    for (auto* a : {&r.xrel, &r.yrel, &r.x, &r.y, &r.l, &r.m}) f(*a);
}

}  // namespace

std::vector<RayField> rayfieldsshown(const OpticalSystem& lens) {
    if (hasrelative(lens)) return {rflabel, rfxrel, rfyrel, rfx, rfy, rfl, rfm};
    return {rflabel, rfx, rfy, rfl, rfm};
}

std::string rayheader(RayField f) {
    static const char* const h[] = {" Ray label",  "      Xrel", "      Yrel", "         X",
                                     "         Y", "         L", "         M"};
    return h[f];
}

std::string rayhint(RayField f) {
    static const char* const h[] = {"Allowed values are 1,12,13,14,4,5",
                                     "Enter relative ray coordinate for x axis",
                                     "Enter relative ray coordinate for y axis",
                                     "Enter absolute ray coordinate for x axis",
                                     "Enter absolute ray coordinate for y axis",
                                     "Enter direction cosines for x axis",
                                     "Enter direction cosines for y axis"};
    return h[f];
}

std::string raycelltext(const OpticalSystem& lens, int ray, RayField f) {
    if (f == rflabel) return std::to_string(lens.rays.rl[static_cast<size_t>(ray)]);
    double v = rayvalue(const_cast<OpticalSystem&>(lens), ray, f);
    if (f == rfl) v = std::fabs(v);
    return fieldtext(f, v);
}

uint8_t raylabel(const std::string& text) {
    std::string t;
    for (char c : text)
        if (c != ' ') t += c;
    for (int v : {1, 12, 13, 14, 4, 5})
        if (t == std::to_string(v)) return static_cast<uint8_t>(v);
    return 0;
}

std::string directionerror(double l, double m) {
    if (!(std::fabs(l) <= 1)) return raymsg::lrange;
    if (!(std::fabs(m) <= 1)) return raymsg::mrange;
    if (l * l + m * m > 1) return raymsg::lmsum;
    return "";
}

CellCommit commitraycell(OpticalSystem& lens, int ray, RayField f, const std::string& typed) {
    CellCommit c;
    c.restore = raycelltext(lens, ray, f);
    std::string bare;
    for (char ch : typed)
        if (ch != ' ') bare += ch;
    if (bare.empty()) return c;
    if (f == rflabel) {
        const uint8_t label = raylabel(bare);
        if (label == 0) return CellCommit{false, false, raymsg::badlabel, c.restore, CellCommit::none};
        auto& rl = lens.rays.rl[static_cast<size_t>(ray)];
        const uint8_t old = rl;
        rl = label;
        if (std::string e = chiefrayserror(lens); !e.empty()) {
            rl = old;
            return CellCommit{false, false, e, c.restore, CellCommit::none};
        }
        c.changed = label != old;
        c.restore = raycelltext(lens, ray, f);
        return c;
    }
    if (bare == "-") return c;
    const auto v = typedvalue(bare);
    std::string err = v ? "" : notanumbermsg;
    if (err.empty() && f == rfl) err = directionerror(*v, lens.rays.m[static_cast<size_t>(ray)]);
    if (err.empty() && f == rfm) err = directionerror(lens.rays.l[static_cast<size_t>(ray)], *v);
    if (!err.empty()) return CellCommit{false, false, err, c.restore, CellCommit::none};
    double& field = rayvalue(lens, ray, f);
    c.changed = *v != field;
    field = *v;
    c.restore = raycelltext(lens, ray, f);
    return c;
}

NewRayResult newray(OpticalSystem& lens, int ray, const std::array<std::string, rayfields>& typed) {
    NewRayResult r;
    const uint8_t label = raylabel(typed[rflabel]);
    if (label == 0) {
        r.badfield = rflabel;
        r.message = raymsg::badlabel;
        return r;
    }
    std::array<double, rayfields> v{};
    const bool rel = hasrelative(lens);
    for (int f = rfxrel; f < rayfields; ++f) {
        if (!rel && (f == rfxrel || f == rfyrel)) continue;
        const auto x = typedvalue(typed[static_cast<size_t>(f)]);
        if (!x) {
            r.badfield = f;
            r.message = notanumbermsg;
            return r;
        }
        v[static_cast<size_t>(f)] = *x;
    }
    const std::string dir = directionerror(v[rfl], v[rfm]);
    if (!dir.empty()) {
        r.badfield = dir == raymsg::mrange ? rfm : rfl;
        r.message = dir;
        return r;
    }
    const uint8_t old = lens.rays.rl[static_cast<size_t>(ray)];
    lens.rays.rl[static_cast<size_t>(ray)] = label;
    if (std::string e = chiefrayserror(lens); !e.empty()) {
        lens.rays.rl[static_cast<size_t>(ray)] = old;
        r.badfield = rflabel;
        r.message = e;
        return r;
    }
    r.log.push_back("Ray label for new ray is " + std::to_string(label));
    static const char* const names[] = {"", "relative x", "relative y", "x", "y", "l", "m"};
    for (int f = rfxrel; f < rayfields; ++f) {
        if (!rel && (f == rfxrel || f == rfyrel)) continue;
        const RayField rf = static_cast<RayField>(f);
        rayvalue(lens, ray, rf) = v[static_cast<size_t>(f)];
        r.log.push_back(std::string(names[f]) + " coordinate for new ray is " +
                        fieldtext(rf, v[static_cast<size_t>(f)]));
    }
    return r;
}

std::string deleteray(OpticalSystem& lens, int r) {
    if (r < 1 || r > lens.nrays) return raymsg::badraynumber;
    if (lens.nrays <= 1) return raymsg::lastray;
    forrayarrays(lens, [r](auto& v) { v.erase(v.begin() + (r - 1)); });
    --lens.nrays;
    sizelens(lens);
    return "";
}

std::string insertray(OpticalSystem& lens, int r) {
    if (r < 1 || r > lens.nrays) return raymsg::badraynumber;
    if (lens.nrays >= maxrays) return raymsg::toomanyrays;
    const int at = r - 1;
    forrayarrays(lens, [at](auto& v) { v.insert(v.begin() + at, v[static_cast<size_t>(at)]); });
    ++lens.nrays;
    sizelens(lens);
    return "";
}

std::vector<uint8_t> rayblock(const OpticalSystem& lens, int ray) {
    using namespace leblock;
    const auto& r = lens.rays;
    const size_t k = static_cast<size_t>(ray);
    const bool rel = hasrelative(lens);
    std::vector<uint8_t> b(rayblocksize, 0);
    b[0] = r.rl[k];
    putdouble(b, 1, rel ? r.xrel[k] : 0);
    putdouble(b, 9, rel ? r.yrel[k] : 0);
    putdouble(b, 17, r.x[k]);
    putdouble(b, 25, r.y[k]);
    putdouble(b, 33, r.l[k]);
    putdouble(b, 41, r.m[k]);
    return b;
}

std::string pasteray(OpticalSystem& lens, int r, const std::vector<uint8_t>& b) {
    if (b.size() != rayblocksize) return raymsg::badblock;
    OpticalSystem t = lens;
    if (std::string e = insertray(t, r); !e.empty()) return e;
    const size_t k = static_cast<size_t>(r - 1);
    auto& rays = t.rays;
    if (b[0] != 0 && raylabel(std::to_string(b[0])) == 0) return raymsg::badlabel;   // 0: no label, as a file has it
    rays.rl[k] = b[0];
    std::optional<double> v[6];
    for (size_t i = 0; i < 6; ++i)
        if (!(v[i] = leblock::getdouble(b, 1 + 8 * i))) return std::string(raymsg::badblock) + ": " + notanumbermsg;
    if (hasrelative(t)) {
        rays.xrel[k] = *v[0];
        rays.yrel[k] = *v[1];
    }
    rays.x[k] = *v[2];
    rays.y[k] = *v[3];
    if (std::string e = directionerror(*v[4], *v[5]); !e.empty()) return e;
    rays.l[k] = *v[4];
    rays.m[k] = *v[5];
    if (std::string e = chiefrayserror(t); !e.empty()) return e;
    if (std::string e = unsaveableerror(t); !e.empty() && unsaveableerror(lens).empty()) return e;
    lens = std::move(t);
    return {};
}

std::vector<std::string> raycommandlog(const std::string& command, int r) {
    const std::string n = std::to_string(r);
    if (command == "delete") return {"Delete ray", "Ray number " + n + " is deleted", "Delete ray ray - Finished"};
    if (command == "before") return {"Insert ray before", "Ray is inserted before ray number " + n};
    if (command == "after") return {"Insert ray after", "Ray is inserted after ray number " + n};
    if (command == "cut") return {"Cut ray", "Ray number " + n + " is cut", "Cut ray - Finished"};
    if (command == "copy") return {"Copy ray", "Ray number " + n + " is copied", "Copy ray - Finished"};
    if (command == "paste") return {"Paste ray", "Ray number " + n + " is pasted", "Paste ray - Finished"};
    return {};
}

std::string raycellstep(int ray, RayField f) {
    static const char* const names[] = {"Label", "Xrel", "Yrel", "X", "Y", "L", "M"};
    return std::string(f >= rflabel && f < rayfields ? names[f] : "Field") + " of ray " + std::to_string(ray + 1);
}

std::string raycommandstep(const std::string& command, int r) {
    const std::string n = std::to_string(r);
    if (command == "before") return "Insert ray before " + n;
    if (command == "after") return "Insert ray after " + n;
    if (command == "paste") return "Paste ray " + n;
    if (command == "cut") return "Cut ray " + n;
    return "Delete ray " + n;
}

}  // namespace zefo
