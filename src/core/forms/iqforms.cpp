#include "core/forms/iqforms.h"

#include <algorithm>

#include "core/imagequality/imagequality.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// The frequency grid of the lens after a change of its largest frequency or increment
// (the increment may be rewritten): a grid of another size than grid makes the MTF results
// stale.
void takegrid(Model& m, int& grid, DialogResult& r) {
    const int n = normalizemtfgrid(m.lens);
    if (n == grid) return;
    grid = n;
    r.stale |= iqmtf;
}

// The maximum frequency: zero check, the limit dialog when it exceeds the diffraction
// limit, then taken. Returns false when the limit dialog was cancelled.
bool takenfreq(Model& m, long long v, const LimitAsk& asklimit, int& grid, DialogResult& r) {
    if (v > calcflimit(m)) {
        if (!asklimit || !asklimit(v)) {
            r.status = DialogResult::Cancelled;
            return false;
        }
    }
    if (v != m.lens.nfreq) {
        m.lens.nfreq = static_cast<uint16_t>(v);
        r.changed = true;
        r.log.push_back("New value for maximum number of frequences is " + std::to_string(v));
        takegrid(m, grid, r);
    }
    return true;
}

bool checkdfreq(Model& m, const std::string& text, int field, int& grid, DialogResult& r) {
    const auto typed = typedcount(text);
    if (!typed) {
        r = badfield(r, field, notanumbermsg);
        return false;
    }
    const long long v = *typed;
    if (v == 0) {
        r = badfield(r, field, "Frequency increment must not be zero!");
        return false;
    }
    if (v >= 11) {
        r = badfield(r, field, "Frequency increment must not be greater then 10!");
        return false;
    }
    if (v != m.lens.dfreq) {
        m.lens.dfreq = static_cast<int32_t>(v);
        r.changed = true;
        r.log.push_back("New value for frequency increment is " + std::to_string(v));
    }
    takegrid(m, grid, r);
    return true;
}

// The quadrature order (6, 10, else 16) and polynomial degree (3, else 4) of the wave
// aberration fit; another choice makes the diffraction MTF stale.
void takefit(Model& m, int ngauss, int polydeg, DialogResult& r) {
    const uint8_t n = static_cast<uint8_t>(ngauss == 6 || ngauss == 10 ? ngauss : 16);
    const uint8_t d = static_cast<uint8_t>(polydeg == 3 ? 3 : 4);
    if (n != m.ngauss || d != m.polydeg) r.stale |= iqdmtf;
    m.ngauss = n;
    m.polydeg = d;
}

}  // namespace

std::string checklimitvalue(const std::string& text, double flimit, long long& value) {
    const auto typed = typedcount(text);
    if (!typed) return notanumbermsg;
    value = *typed;
    if (value == 0) return "Maximum number of frequencies must not be zero!";
    if (value > flimit) return overlimitmsg;
    return {};
}

std::string nfreqhint(const Model& m) {
    return "Enter number between 1 and " + fmtf(calcflimit(m), 4, 0);
}

DialogField limitfield(const Model& m) {
    return {"Enter new value for maximum number of frequencies", "999", nfreqhint(m)};
}

std::string& MtfForm::text(int field) {
    switch (field) {
        case fNrings: return nrings;
        case fNfreq: return nfreq;
        case fDfreq: return dfreq;
        case fSpotsize: return spotsize;
        case fDefocus: return defocus;
        case fDdefocus: return ddefocus;
        default: return weight[static_cast<size_t>(std::clamp(field - fWeight0, 0, 2))];
    }
}

int opdwavelength(const OpdForm& form) { return form.selwl >= 0 && form.selwl <= 2 ? form.selwl : 0; }

std::string& OpdForm::text(int field) { return field == oDefocus ? defocus : field == oNfreq ? nfreq : dfreq; }

MtfForm mtfform(const Model& m) {
    MtfForm f;
    f.nrings = fmti(m.lens.nrings, 2);
    f.nfreq = fmti(m.lens.nfreq, 3);
    f.dfreq = fmti(std::max(m.lens.dfreq, 1), m.mono ? 3 : 2);  // below 1 counts as 1
    f.spotsize = fmtf(m.lens.spotsize, 6, 4);
    f.defocus = fmtf(m.lens.defocus, 6, 3);
    f.ddefocus = m.mono ? fmtf(m.lens.ddefocus, 7, 4) : fmtf(m.lens.ddefocus, 6, 4);
    for (int w = 0; w < 3; ++w) f.weight[w] = fmtf(m.lens.wlmtfweight[w], 5, 3);
    return f;
}

std::vector<DialogField> mtffields(const Model& m) {
    const bool one = m.mono;
    std::vector<DialogField> f = {
        {"Number of rings of rays", "99", "Enter number between 1 and 25"},
        {"Maxmum number of frequencies", "999", nfreqhint(m)},
        {"Frequency increment", one ? "999" : "99", "Enter number between 1 and 10"},
        {m.telescope() ? "Spot diagram size in radians" : "Spot diagram size in mm", "9.9999",
         "Enter number between 0 and 1"},
        {"Defocus - shift of the focal plane in mm", "#9.999", "Enter number between -2 and 2"},
        {one ? "Defocus increment in mm" : "Defocus increment  in mm", one ? "#9.9999" : "9.9999",
         "Enter number between 0 and 1"},
    };
    if (one) {
        f.push_back({"Weight coefficient", "9.999", "Enter number between 1 and 9"});
    } else {
        for (const char* l : {"Weight coefficient for first wave length", "Weight coefficient for second wave length",
                              "Weight coefficient for third wave length"})
            f.push_back({l, "9.999", "Enter number between 1 and 9"});
    }
    return f;
}

std::vector<DialogField> opdfields(const Model& m) {
    return {
        {"Defocus - shift of the focal plane in mm", "##9.999", "Enter value for defocus"},
        {"Maxmum number of frequencies", "999", "Enter value between 1 and " + fmtf(calcflimit(m), 4, 0)},
        {"Frequency increment", "999", "Enter postive number greater then 0 - usually small number"},
    };
}

DialogResult mtfparams(Model& m, const MtfForm& form, const LimitAsk& asklimit) {
    DialogResult r;
    int grid = mtfgridpoints(m.lens);

    const auto typedrings = typedcount(form.nrings);
    if (!typedrings) return badfield(r, fNrings, notanumbermsg);
    const long long rings = *typedrings;
    if (rings == 0) return badfield(r, fNrings, "Number of rings of rays must not be zero!");
    if (rings >= 26) return badfield(r, fNrings, "Number of rings of rays must not be greater then 25!");
    if (rings != m.lens.nrings) {
        m.lens.nrings = static_cast<uint8_t>(rings);
        r.changed = true;
        r.log.push_back("New value for number of rings is " + std::to_string(rings));
        r.stale |= iqall;
    }

    const auto nfreq = typedcount(form.nfreq);
    if (!nfreq) return badfield(r, fNfreq, notanumbermsg);
    if (*nfreq == 0) return badfield(r, fNfreq, "Maxmum number of frequencies must not be zero!");
    if (!takenfreq(m, *nfreq, asklimit, grid, r)) return r;

    if (!checkdfreq(m, form.dfreq, fDfreq, grid, r)) return r;

    const auto size = parsetyped(form.spotsize);
    if (!size) return badfield(r, fSpotsize, notanumbermsg);
    if (*size == 0) return badfield(r, fSpotsize, "Spot size must not be zero!");
    if (*size > 1) return badfield(r, fSpotsize, "Spot size must not be greater then 1!");
    if (*size != m.lens.spotsize) {
        m.lens.spotsize = *size;
        r.changed = true;
        r.log.push_back("New value for spot size is " + fmtf(*size, 6, 4));
        r.stale |= iqspot;  // the counts in the square change
    }

    const auto defocus = parsetyped(form.defocus);
    if (!defocus) return badfield(r, fDefocus, notanumbermsg);
    if (*defocus > 2 || *defocus < -2) return badfield(r, fDefocus, "Defocus must not be between -2 and 2 mm!");
    if (*defocus != m.lens.defocus) {
        m.lens.defocus = *defocus;
        r.changed = true;
        r.log.push_back("New value for defocus is " + fmtf(*defocus, 6, 3));
        r.stale |= iqall;  // the image plane moves: every traced result is stale
    }

    const auto ddefocus = parsetyped(form.ddefocus);
    if (!ddefocus) return badfield(r, fDdefocus, notanumbermsg);
    if (*ddefocus == 0) return badfield(r, fDdefocus, "Defocus increment must not be zero!");
    if (*ddefocus > 1) return badfield(r, fDdefocus, "Defocus increment must not be greater then 1!");
    if (*ddefocus != m.lens.ddefocus) {
        m.lens.ddefocus = *ddefocus;
        r.changed = true;
        r.log.push_back("New value for defocus increment is " + fmtf(*ddefocus, 6, 4));
        r.stale |= iqtfmtf;  // the through-focus planes move
    }

    static const char* const names[3] = {"New value for first weight coefficient is ",
                                         "New value for second weight coefficient is ",
                                         "New value for third weight coefficient is "};
    const int nweights = m.mono ? 1 : 3;
    for (int w = 0; w < nweights; ++w) {
        const auto v = parsetyped(form.weight[w]);
        if (!v) return badfield(r, fWeight0 + w, notanumbermsg);
        if (*v == 0) return badfield(r, fWeight0 + w, "Weight coefficient must not be zero!");
        if (*v != m.lens.wlmtfweight[w]) {
            m.lens.wlmtfweight[w] = *v;
            r.changed = true;
            r.log.push_back((m.mono ? std::string("New value for weight coefficient is ") : names[w]) +
                            fmtf(*v, 5, 3));
            r.stale |= iqgmtf | iqtfmtf;  // the weights scale the geometrical curves
        }
    }
    return r;
}

OpdForm opdform(const Model& m) {
    OpdForm f;
    f.defocus = fmtf(m.lens.defocus, 7, 3);
    f.nfreq = fmti(m.lens.nfreq, 3);
    f.dfreq = fmti(std::max(m.lens.dfreq, 1), 3);
    f.selwl = 0;
    f.ngauss = m.ngauss;
    f.polydeg = m.polydeg;
    return f;
}

DialogResult opdparams(Model& m, const OpdForm& form, const LimitAsk& asklimit) {
    DialogResult r;
    int grid = mtfgridpoints(m.lens);

    const auto defocus = parsetyped(form.defocus);
    if (!defocus) return badfield(r, oDefocus, notanumbermsg);
    if (*defocus != m.lens.defocus) {
        m.lens.defocus = *defocus;
        r.changed = true;
        r.log.push_back("New value for defocus is " + fmtf(*defocus, 7, 3));
        r.stale |= iqall;
    }

    const auto nfreq = typedcount(form.nfreq);
    if (!nfreq) return badfield(r, oNfreq, notanumbermsg);
    if (*nfreq == 0) return badfield(r, oNfreq, "Maxmum number of frequencies must not be zero!");
    if (*nfreq != m.lens.nfreq && !takenfreq(m, *nfreq, asklimit, grid, r)) return r;

    if (!checkdfreq(m, form.dfreq, oDfreq, grid, r)) return r;

    takefit(m, form.ngauss, form.polydeg, r);
    r.log.push_back("Wavelength number is " + std::to_string(opdwavelength(form)));
    r.log.push_back("Number of points are " + std::to_string(m.ngauss));
    r.log.push_back("Degree of aberrational polynom is " + std::to_string(m.polydeg));
    return r;
}

DialogResult dmtfparams(Model& m, int ngauss, int polydeg) {
    DialogResult r;
    takefit(m, ngauss, polydeg, r);
    r.log.push_back("Number of points are " + std::to_string(m.ngauss));
    r.log.push_back("Degree of aberrational polynom is " + std::to_string(m.polydeg));
    return r;
}

}  // namespace zefo
