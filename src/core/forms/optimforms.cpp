#include "core/forms/optimforms.h"

#include <cmath>

#include "core/util/numfmt.h"

namespace zefo {

namespace {

const char* const kOrdinal[3] = {"first", "second", "third"};

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// One real field of "Optimization General": its variable, accepted range (lo < v <= hi, or
// lo <= v <= hi when closed), message, log text and log format.
struct RealField {
    int field;
    double OpticalSystem::*value;
    double lo, hi;
    bool closed;
    const char* msg;
    const char* log;
    int w, d;
};

const RealField kRealFields[] = {
    {gDcurv, &OpticalSystem::dcurv, 0, 0.0100000001, false, "Curvature increment must be number between 0 and 0.01!",
     "New value for curvature increment is ", 8, 6},
    {gDsep, &OpticalSystem::dsep, 0, 0.0100000001, false, "Separation increment must be number between 0 and 0.01!",
     "New value for separation increment is ", 8, 6},
    {gDindex, &OpticalSystem::dindex, 0, 0.0500000001, false,
     "Refractive glass index increment must be number between 0 and 0.05!",
     "New value for refractive glass index increment is ", 6, 4},
    {gDdisp, &OpticalSystem::ddisp, 0, 0.010000001, false,
     "Glass dispersion increment must be number between 0 and 0.01!",
     "New value for glass dispersion increment is ", 8, 6},
    {gDimweight, &OpticalSystem::dimweight, 1, 100, true, "Global dimension weight must be number between 1 and 100!",
     "New value for global dimension weight is ", 3, 0},
    {gGlassweight, &OpticalSystem::glassweight, 1, 1000, true,
     "Glass violation weight must be number between 1 and 1000!", "New value for glass violation weight is ", 4, 0},
};

bool inrange(double v, const RealField& f) {
    return f.closed ? v >= f.lo && v <= f.hi : v > f.lo && v <= f.hi;
}

// ---- cells

CellEdit rejected(const std::string& msg, std::string previous) {
    CellEdit e;
    e.status = CellEdit::Rejected;
    e.message = msg;
    e.celltext = std::move(previous);
    return e;
}

CellEdit accepted(double& target, double v, std::string text) {
    CellEdit e;
    e.changed = target != v;
    target = v;
    e.celltext = std::move(text);
    return e;
}

// A typed cell: "-" alone is still being typed; otherwise a number or "Not a valid number!".
std::optional<double> typedcell(const std::string& text, CellEdit& typing, bool& istyping) {
    istyping = trimmed(text) == "-";
    if (istyping) {
        typing.status = CellEdit::Typing;
        typing.celltext = text;
    }
    return parsetyped(text);
}

struct ParaxialRow {
    const char* title;
    int w, d;
    enum Rule { positive, nonnegative, free } rule;
    const char* msg;
};

const ParaxialRow kParaxialRows[paraxialrows] = {
    {"  Paraxial marginal ray angle-image space  ", 7, 5, ParaxialRow::positive,
     "Numerical aperture i.e. paraxial marginal ray angle-image space must be greater then zero!"},
    {"  Paraxial marginal ray height-last surface  in mm  ", 6, 1, ParaxialRow::nonnegative,
     "Paraxial marginal ray hight at last surface must not be negative number!"},
    {"  Principal ray height at aperture stop in mm  ", 6, 4, ParaxialRow::nonnegative,
     "Principal ray height at aperture stop must not be negative number!"},
    {"  Principal ray angle in image surface  ", 6, 3, ParaxialRow::nonnegative,
     "Principal ray angle in image surface must not be negative number!"},
    {"  Object to image distance - throw in mm  ", 6, 1, ParaxialRow::nonnegative,
     "Object to image distance - throw must not be negative number!"},
    {"  Glass thickness in mm  ", 7, 5, ParaxialRow::positive, "Glass thickness must be greater then zero!"},
    {"  Optical system lenght (first surface-image) in mm  ", 6, 1, ParaxialRow::positive,
     "Optical system lenght (first surface-image) must be greater then zero!"},
    {"  Optical system thickness (first-last surface) in mm  ", 6, 1, ParaxialRow::positive,
     "Optical system thickness (first-last surface) must be greater then zero!"},
    {"  Defocus - shift of the focal plane in mm  ", 7, 3, ParaxialRow::free, ""},
};

double& paraxialtarget(Model& m, int row) {
    switch (row) {
        case 0: return m.lens.na;
        case 1: return m.targheight;
        case 2: return m.targypr;
        case 3: return m.targmpr;
        case 4: return m.targthrow;
        case 5: return m.lens.targdst;
        case 6: return m.lens.targdsistot;
        case 7: return m.lens.targdopsis;
        default: return m.lens.defocus;
    }
}

bool validcell(const Model& m, int row, int rows, int col, int lo, int hi) {
    (void)m;
    return row >= 0 && row < rows && col >= lo && col <= hi;
}

double& boundarylimit(Model& m, int row, int col) {
    auto& v = col == 3 ? m.lens.axlim : col == 4 ? m.lens.edgelim : m.lens.clearlim;
    return v[static_cast<size_t>(row)];
}

const char* const kBoundaryMsg[3] = {"Axial thickness limit must be greater then zero!",
                                     "Edge thickness limit must be greater then zero!",
                                     "Clear aperture limit must be greater then zero!"};

}  // namespace

// ---- "Optimization General"

std::string& OptimGeneralForm::text(int field) {
    switch (field) {
        case gAnglesurf: return anglesurf;
        case gDcurv: return dcurv;
        case gDsep: return dsep;
        case gDindex: return dindex;
        case gDdisp: return ddisp;
        case gDimweight: return dimweight;
        case gGlassweight: return glassweight;
        case gGlass0: case gGlass1: case gGlass2: return trglass[static_cast<size_t>(field - gGlass0)];
        default: return wlweight[static_cast<size_t>(field - gWlweight0)];
    }
}

OptimGeneralForm optimgeneralform(const Model& m) {
    const OpticalSystem& s = m.lens;
    OptimGeneralForm f;
    f.anglesurf = std::to_string(s.anglesurf);
    f.dcurv = fmtf(s.dcurv, 8, 6);
    f.dsep = fmtf(s.dsep, 8, 6);
    f.dindex = fmtf(s.dindex, 6, 4);
    f.ddisp = fmtf(s.ddisp, 8, 6);
    f.dimweight = fmtf(s.dimweight, 3, 0);
    f.glassweight = fmtf(s.glassweight, 4, 0);
    for (size_t k = 0; k < 3; ++k) {
        f.trglass[k] = s.tri.trglass[k];
        f.wlweight[k] = fmtf(s.wloptweight[k], 5, 3);
    }
    return f;
}

std::vector<DialogField> optimgeneralfields(const Model& m) {
    std::vector<DialogField> f = {
        {"Angle solve on surface number", "999",
         "Enter number of surface form 1 to " + std::to_string(m.lens.nsurf) + ", usually last surface"},
        {"Curvature increment in mm", "9.999999", "Enter number between 0 and 0.01"},
        {"Separation increment in mm", "9.999999", "Enter number between 0 and 0.01"},
        {"Refractive glass index increment", "9.9999", "Enter number between 0 and 0.05"},
        {"Glass dispersion increment", "9.999999", "Enter number between 0 and 0.01"},
        {"Global dimension weight", "999", "Enter number between 1 and 100"},
        {"Glass violation weight", "9999", "Enter number between 1 and 1000"},
        {"Glass name for the first corner", "", "Enter number between 1.4 and 2"},
        {"Glass name for the second corner", "", "Enter number between 1.4 and 2"},
        {"Glass name for the third corner", "", "Enter number between 1.4 and 2"},
        {"Weighting factor for the first wavelength", "9.999", "Enter number between 0 and 1"},
        {"Weigting factor for the second wavelength", "9.999", "Enter number between 0 and 1"},
        {"Weeighting factor for the third wavelength", "9.999", "Enter number between 0 and 1"},
    };
    return f;
}

OptimGeneralResult optimgeneralparams(Model& m, const OptimGeneralForm& form, const ExactGlassLookup& lookup) {
    OptimGeneralResult out;
    DialogResult& r = out.result;
    OpticalSystem& s = m.lens;
    const auto took = [&](const std::string& line) {
        r.log.push_back(line);
        r.changed = true;
    };

    const auto surf = typedcount(form.anglesurf);
    if (!surf) {
        r = badfield(r, gAnglesurf, notanumbermsg);
        return out;
    }
    if (*surf > s.nsurf) {
        r = badfield(r, gAnglesurf,
                     "Surface number for angle solve must not be greater then total number of surfaces!");
        return out;
    }
    if (*surf != s.anglesurf) {
        s.anglesurf = static_cast<uint8_t>(*surf);
        took("New value for angle solve surface is " + std::to_string(*surf));
    }
    for (const RealField& f : kRealFields) {
        const auto v = parsetyped(form.text(f.field));
        if (!v) {
            r = badfield(r, f.field, notanumbermsg);
            return out;
        }
        if (!inrange(*v, f)) {
            r = badfield(r, f.field, f.msg);
            return out;
        }
        if (*v != s.*f.value) {
            s.*f.value = *v;
            took(f.log + fmtf(*v, f.w, f.d));
        }
    }
    for (size_t k = 0; k < 3; ++k) {
        const std::string name = trimmed(form.trglass[k]);
        if (name == s.tri.trglass[k]) continue;
        const auto g = lookup ? lookup(name) : std::nullopt;
        if (!g) {
            out.errorboxes.push_back("Glass name " + name + " not found");
            continue;
        }
        const Index3 n = glassindices(g->a, s.wl);
        s.tri.trglass[k] = name;
        s.tri.trindex[k] = n[0];
        s.tri.trdisp[k] = n[2] - n[1];
        took(std::string("New value for the ") + kOrdinal[k] + " glass of the glass triangle is " + name);
    }
    for (size_t k = 0; k < 3; ++k) {
        const int field = gWlweight0 + static_cast<int>(k);
        const auto v = parsetyped(form.wlweight[k]);
        if (!v) {
            r = badfield(r, field, notanumbermsg);
            return out;
        }
        if (!(*v > 0 && *v <= 1)) {
            r = badfield(r, field,
                         std::string("The weighting factor for the ") + kOrdinal[k]
                             + " wavelength must be greater than 0 and smaller or equal to 1!");
            return out;
        }
        if (*v != s.wloptweight[k]) {
            s.wloptweight[k] = *v;
            out.weightschanged = true;
            took(std::string("New value for the weighting factor for the ") + kOrdinal[k] + " wavelength is "
                 + fmtf(*v, 5, 3));
        }
    }
    return out;
}

// ---- "Paraxial Data"

const std::vector<std::string>& paraxialrowtitles() {
    static const std::vector<std::string> t = [] {
        std::vector<std::string> v;
        for (const auto& r : kParaxialRows) v.push_back(r.title);
        return v;
    }();
    return t;
}

const std::vector<std::string>& paraxialcolumntitles() {
    static const std::vector<std::string> t = {"  Targets  ", "  Weights  ", "  Focal length  "};
    return t;
}

double paraxialfocal(const Model& m) {
    const auto& rays = m.lens.rays;
    if (m.telescope() || m.lens.mag != 0 || rays.y.empty() || !(m.lens.na > 0)) return 0;
    return rays.y[0] / m.lens.na;
}

bool paraxialeditable(int row, int col) { return col < 2 || row == 0; }

std::string paraxialcell(const Model& m, int row, int col) {
    if (!validcell(m, row, paraxialrows, col, 0, 2)) return {};
    if (col == 2) {
        const double f = row == 0 ? paraxialfocal(m) : 0;
        return f > 0 ? fmtf(f, 9, 3) : std::string();
    }
    if (col == 1) return fmtf(m.lens.aberweight[static_cast<size_t>(row)], 6, 1);
    const ParaxialRow& p = kParaxialRows[row];
    return fmtf(paraxialtarget(const_cast<Model&>(m), row), p.w, p.d);
}

std::string paraxialhint(int row, int col) {
    if (col == 2) return "Enter the focal length in mm that the target angle gives";
    if (col == 1) return "Enter positive number or zero";
    if (row == 8) return "Enter small value for for shifting image plane";
    return row >= 0 && row < paraxialrows && kParaxialRows[row].rule == ParaxialRow::positive
               ? "Enter positive number greater then zero"
               : "Enter positive number or zero";
}

CellEdit editparaxial(Model& m, int row, int col, const std::string& text) {
    if (!validcell(m, row, paraxialrows, col, 0, 2) || !paraxialeditable(row, col)) return rejected(notanumbermsg, {});
    const std::string previous = paraxialcell(m, row, col);
    CellEdit typing;
    bool istyping = false;
    const auto v = typedcell(text, typing, istyping);
    if (istyping) return typing;
    if (!v) return rejected(notanumbermsg, previous);
    if (col == 2) {
        if (paraxialfocal(m) == 0)
            return rejected("The targets of a telescope or of an object at a finite distance imply no focal length!",
                            previous);
        if (!(*v > 0)) return rejected("Focal length must be greater then zero!", previous);
        return accepted(m.lens.na, m.lens.rays.y[0] / *v, text);
    }
    if (col == 1) {
        if (*v < 0) return rejected("Optimization weight must not be negative number!", previous);
        return accepted(m.lens.aberweight[static_cast<size_t>(row)], *v, text);
    }
    const ParaxialRow& p = kParaxialRows[row];
    if ((p.rule == ParaxialRow::positive && !(*v > 0)) || (p.rule == ParaxialRow::nonnegative && *v < 0))
        return rejected(p.msg, previous);
    return accepted(paraxialtarget(m, row), *v, text);
}

// ---- "Aberration Data"

const std::vector<std::string>& aberrationcolumntitles() {
    static const std::vector<std::string> t = {"  Aberration name  ", "  Calculated aberration  ",
                                               "     Target aberration   ", "     Aberration weight   "};
    return t;
}

std::string aberrationcell(const Model& m, int row, int col) {
    if (!validcell(m, row, m.lens.naber, col, 0, 3)) return {};
    const size_t u = static_cast<size_t>(row);
    const auto at = [u](const std::vector<double>& v) { return u < v.size() ? v[u] : 0.0; };
    switch (col) {
        case 0: return u < m.merit.name.size() ? m.merit.name[u] : std::string();
        case 1: return fmtf(at(m.merit.value), 8, 5);
        case 2: return fmtf(at(m.merit.target), 8, 5);
        default: return fmtf(at(m.lens.aberweight), 8, 5);
    }
}

std::string aberrationhint(int col) {
    return col == 2 ? "Enter desired value for aberration" : "Enter positive number greater then zero";
}

CellEdit editaberration(Model& m, int row, int col, const std::string& text) {
    const size_t u = static_cast<size_t>(row);
    if (!validcell(m, row, m.lens.naber, col, 2, 3) || u >= m.merit.target.size() || u >= m.lens.aberweight.size())
        return rejected(notanumbermsg, {});
    const std::string previous = aberrationcell(m, row, col);
    CellEdit typing;
    bool istyping = false;
    const auto v = typedcell(text, typing, istyping);
    if (istyping) return typing;
    if (!v) return rejected(notanumbermsg, previous);
    if (col == 2) return accepted(m.merit.target[u], *v, text);
    if (!(*v > 0)) return rejected("Aberration weight must be greater then zero!", previous);
    return accepted(m.lens.aberweight[u], *v, text);
}

// ---- "Boundary conditions data"

const std::vector<std::string>& boundarycolumntitles() {
    static const std::vector<std::string> t = {" No", " Axial thickness ", " Clear aperture  ",
                                               " Axial limit     ", " Edge limit      ", " Clear ap. limit "};
    return t;
}

std::string boundarycell(const Model& m, int row, int col) {
    if (!validcell(m, row, m.lens.nsurf + 1, col, 0, 5)) return {};
    const auto& sp = m.lens.sys.sp;
    const size_t u = static_cast<size_t>(row);
    switch (col) {
        case 0: return fmti(row + 1, 3);
        case 1: return fmtf(sp.sep[u], 10, 3);
        case 2: return fmtf(sp.hmax[u], 10, 3);
        default: return fmtf(boundarylimit(const_cast<Model&>(m), row, col), 6, 2);
    }
}

std::string boundaryhint(int col) {
    switch (col) {
        case 3: return "Enter desired value for axial thickness limit";
        case 4: return "Enter desired value for edge thickness limit";
        case 5: return "Enter desired value for clear aperture limit";
        default: return "Enter desired value for boundary condition";
    }
}

CellEdit editboundary(Model& m, int row, int col, const std::string& text) {
    if (!validcell(m, row, m.lens.nsurf + 1, col, 3, 5)) return rejected(notanumbermsg, {});
    const std::string previous = boundarycell(m, row, col);
    CellEdit typing;
    bool istyping = false;
    const auto v = typedcell(text, typing, istyping);
    if (istyping) return typing;
    if (!v) return rejected(notanumbermsg, previous);
    if (!(*v > 0)) return rejected(kBoundaryMsg[col - 3], previous);
    return accepted(boundarylimit(m, row, col), *v, text);
}

}  // namespace zefo
