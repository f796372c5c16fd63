// Frequency grid, validity flags and the parameter dialogs of the spot diagram and MTF.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "imagequality/imagequality.h"
#include "util/numfmt.h"

namespace zefo {

std::string iqheader(const std::string& sysname, const std::string& filename, const std::string& date) {
    return "System name =" + sysname + "        File = " + filename + "     " + date;
}

void cleariqflags(Model& m) {
    m.spotvalid = m.gmtfvalid = m.tfmtfvalid = m.dmtfvalid = false;
}

double calcflimit(const Model& m) {
    if (m.telescope()) {
        const double y1 = m.lens.rays.y.size() > 1 ? m.lens.rays.y[1] : 0;
        return 2 * std::fabs(y1 / (m.lens.mag * m.lens.wl[0]));
    }
    return 2 * std::fabs(m.lens.na / m.lens.wl[0]);
}

void sizemtfarrays(Model& m) {
    const size_t n = static_cast<size_t>(m.lens.nfields) * 3 * static_cast<size_t>(m.nfpoints) + 1;
    m.gmtf.resize(n, Index3{0, 0, 0});
    m.tfmtf.resize(n, Index3{0, 0, 0});
    m.dmtf.resize(n, Index3{0, 0, 0});
    m.dlmtf.resize(n, 0.0);
    m.freqlabel.resize(static_cast<size_t>(m.nfpoints) + 1, 0);
    m.tfpos.resize(static_cast<size_t>(m.nfpoints) + 1, 0.0);
}

void calcnfpoints(Model& m, bool resize) {
    // An increment below 1 (possible from a lens data file) counts as 1.
    if (m.lens.dfreq < 1) m.lens.dfreq = 1;
    const int nfreq = m.lens.nfreq;
    int n = nfreq / m.lens.dfreq + 1;
    if (n < 26) {
        if (m.lens.dfreq > 1 && nfreq / 25 >= 1) {
            m.lens.dfreq = nfreq / 25;
            n = nfreq / m.lens.dfreq + 1;
        } else {
            // fewer than 25 frequencies cannot be spread with a larger step: use step 1
            m.lens.dfreq = 1;
            n = nfreq + 1;
            n = n * (26 / n + 1);
        }
    }
    const bool changed = n != m.nfpoints;
    m.nfpoints = n;
    if (resize && changed) {
        sizemtfarrays(m);
        m.gmtfvalid = m.tfmtfvalid = m.dmtfvalid = false;
    }
}

double dlfactor(double s) {
    if (!(s < 2)) return 0;  // also for a frequency that has no finite normalization
    const double phi = 2 * std::acos(std::fabs(s) / 2);
    return (phi - std::sin(phi)) / M_PI;
}

double normfreq(const Model& m, int w, double freq) {
    if (m.telescope()) return std::fabs(freq * m.lens.wl[w] * m.lens.mag / m.lens.rays.y[1]);
    return std::fabs(freq * m.lens.wl[w] / m.lens.na);
}

void setfreqlabels(Model& m, int fmax) {
    const int nfp = m.nfpoints;
    m.freqlabel[0] = 0;
    for (int k = 1; k < nfp; ++k) m.freqlabel[k] = static_cast<int32_t>(static_cast<long long>(k) * fmax / (nfp - 1));
}

double gmtffrequency(const Model& m, int k) { return k == 0 ? 1 : m.freqlabel[k]; }

// ---------------------------------------------------------------- dialogs

namespace {

// A typed integer of a digit-masked field, blanks removed: an empty field counts as 0, a
// text with anything but digits (a sign, a point, a letter) is no number, and digits too
// many for a long long count as the largest value.
std::optional<long long> iqtypedint(const std::string& text) {
    std::string t;
    for (char c : text) {
        if (c == ' ') continue;
        if (c < '0' || c > '9') return std::nullopt;
        t += c;
    }
    if (t.empty()) return 0;
    return parseint(t).value_or(std::numeric_limits<long long>::max());
}

constexpr const char* iqnotnumber = "Not a valid number!";

DialogResult iqbadfield(DialogResult r, int field, const std::string& msg) {
    r.status = DialogResult::BadField;
    r.field = field;
    r.message = msg;
    return r;
}

// The maximum frequency: zero check, the limit dialog when it exceeds flimit, then taken.
// Returns false when the limit dialog was cancelled.
bool takenfreq(Model& m, long long v, const LimitAsk& asklimit, DialogResult& r) {
    m.flimit = calcflimit(m);
    if (v > m.flimit) {
        if (!asklimit || !asklimit(v)) {
            m.cancelled = true;
            r.status = DialogResult::Cancelled;
            return false;
        }
    }
    if (v != m.lens.nfreq) {
        m.lens.nfreq = static_cast<uint16_t>(v);
        m.datachanged = true;
        r.log.push_back("New value for maximum number of frequences is " + std::to_string(v));
        m.flimit = calcflimit(m);
        calcnfpoints(m);
    }
    return true;
}

bool checkdfreq(Model& m, const std::string& text, int field, DialogResult& r) {
    const auto typed = iqtypedint(text);
    if (!typed) {
        r = iqbadfield(r, field, iqnotnumber);
        return false;
    }
    const long long v = *typed;
    if (v == 0) {
        r = iqbadfield(r, field, "Frequency increment must not be zero!");
        return false;
    }
    if (v >= 11) {
        r = iqbadfield(r, field, "Frequency increment must not be greater then 10!");
        return false;
    }
    if (v != m.lens.dfreq) {
        m.lens.dfreq = static_cast<int32_t>(v);
        m.datachanged = true;
        r.log.push_back("New value for frequency increment is " + std::to_string(v));
    }
    calcnfpoints(m);
    return true;
}

}  // namespace

std::string checklimitvalue(const std::string& text, double flimit, long long& value) {
    const auto typed = iqtypedint(text);
    if (!typed) return iqnotnumber;
    value = *typed;
    if (value == 0) return "Maximum number of frequencies must not be zero!";
    if (value > flimit) return "Maximum number of frequencies must not be greater then diffraction limit frequency!";
    return {};
}

std::string nfreqhint(const Model& m) {
    return "Enter number between 1 and " + fmtf(m.flimit, 4, 0);
}

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
        {"Maxmum number of frequencies", "999", "Enter value between 1 and " + fmtf(m.flimit, 4, 0)},
        {"Frequency increment", "999", "Enter postive number greater then 0 - usually small number"},
    };
}

DialogResult mtfparams(Model& m, const MtfForm& form, const LimitAsk& asklimit) {
    DialogResult r;
    m.flimit = calcflimit(m);

    const auto typedrings = iqtypedint(form.nrings);
    if (!typedrings) return iqbadfield(r, fNrings, iqnotnumber);
    const long long rings = *typedrings;
    if (rings == 0) return iqbadfield(r, fNrings, "Number of rings of rays must not be zero!");
    if (rings >= 26) return iqbadfield(r, fNrings, "Number of rings of rays must not be greater then 25!");
    if (rings != m.lens.nrings) {
        m.lens.nrings = static_cast<uint8_t>(rings);
        m.datachanged = true;
        r.log.push_back("New value for number of rings is " + std::to_string(rings));
        cleariqflags(m);
    }

    const auto nfreq = iqtypedint(form.nfreq);
    if (!nfreq) return iqbadfield(r, fNfreq, iqnotnumber);
    if (*nfreq == 0) return iqbadfield(r, fNfreq, "Maxmum number of frequencies must not be zero!");
    if (!takenfreq(m, *nfreq, asklimit, r)) return r;

    if (!checkdfreq(m, form.dfreq, fDfreq, r)) return r;

    const auto size = parsetyped(form.spotsize);
    if (!size) return iqbadfield(r, fSpotsize, iqnotnumber);
    if (*size == 0) return iqbadfield(r, fSpotsize, "Spot size must not be zero!");
    if (*size > 1) return iqbadfield(r, fSpotsize, "Spot size must not be greater then 1!");
    if (*size != m.lens.spotsize) {
        m.lens.spotsize = *size;
        m.datachanged = true;
        r.log.push_back("New value for spot size is " + fmtf(*size, 6, 4));
        m.spotvalid = false;  // the counts in the square change
    }

    const auto defocus = parsetyped(form.defocus);
    if (!defocus) return iqbadfield(r, fDefocus, iqnotnumber);
    if (*defocus > 2 || *defocus < -2) return iqbadfield(r, fDefocus, "Defocus must not be between -2 and 2 mm!");
    if (*defocus != m.lens.defocus) {
        m.lens.defocus = *defocus;
        m.datachanged = true;
        r.log.push_back("New value for defocus is " + fmtf(*defocus, 6, 3));
        cleariqflags(m);  // the image plane moves: every traced result is stale
    }

    const auto ddefocus = parsetyped(form.ddefocus);
    if (!ddefocus) return iqbadfield(r, fDdefocus, iqnotnumber);
    if (*ddefocus == 0) return iqbadfield(r, fDdefocus, "Defocus increment must not be zero!");
    if (*ddefocus > 1) return iqbadfield(r, fDdefocus, "Defocus increment must not be greater then 1!");
    if (*ddefocus != m.lens.ddefocus) {
        m.lens.ddefocus = *ddefocus;
        m.datachanged = true;
        r.log.push_back("New value for defocus increment is " + fmtf(*ddefocus, 6, 4));
        m.tfmtfvalid = false;  // the through-focus planes move
    }

    static const char* const names[3] = {"New value for first weight coefficient is ",
                                         "New value for second weight coefficient is ",
                                         "New value for third weight coefficient is "};
    const int nweights = m.mono ? 1 : 3;
    for (int w = 0; w < nweights; ++w) {
        const auto v = parsetyped(form.weight[w]);
        if (!v) return iqbadfield(r, fWeight0 + w, iqnotnumber);
        if (*v == 0) return iqbadfield(r, fWeight0 + w, "Weight coefficient must not be zero!");
        if (*v != m.lens.wlmtfweight[w]) {
            m.lens.wlmtfweight[w] = *v;
            m.datachanged = true;
            r.log.push_back((m.mono ? std::string("New value for weight coefficient is ") : names[w]) +
                            fmtf(*v, 5, 3));
            m.gmtfvalid = m.tfmtfvalid = false;  // the weights scale the geometrical curves
        }
    }
    return r;
}

std::array<std::string, 3> opdwavelengthitems(const Model& m) {
    if (fmtf(m.lens.wl[0] * 1e6, 5, 1) == "587.6") return {"&d spectral line", "&C spectral line", "&F spectral line"};
    std::array<std::string, 3> items;
    for (int w = 0; w < 3; ++w) items[w] = fmtf(m.lens.wl[w] * 1e6, 5, 1) + "nm spectral line";
    return items;
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
    m.flimit = calcflimit(m);

    const auto defocus = parsetyped(form.defocus);
    if (!defocus) return iqbadfield(r, oDefocus, iqnotnumber);
    if (*defocus != m.lens.defocus) {
        m.lens.defocus = *defocus;
        m.datachanged = true;
        r.log.push_back("New value for defocus is " + fmtf(*defocus, 7, 3));
        cleariqflags(m);
    }

    const auto nfreq = iqtypedint(form.nfreq);
    if (!nfreq) return iqbadfield(r, oNfreq, iqnotnumber);
    if (*nfreq == 0) return iqbadfield(r, oNfreq, "Maxmum number of frequencies must not be zero!");
    if (*nfreq != m.lens.nfreq && !takenfreq(m, *nfreq, asklimit, r)) {
        m.wbrmode = false;
        return r;
    }

    if (!checkdfreq(m, form.dfreq, oDfreq, r)) return r;

    m.selwl = static_cast<uint8_t>(form.selwl >= 0 && form.selwl <= 2 ? form.selwl : 0);
    m.ngauss = static_cast<uint8_t>(form.ngauss == 6 || form.ngauss == 10 ? form.ngauss : 16);
    m.polydeg = static_cast<uint8_t>(form.polydeg == 3 ? 3 : 4);
    r.log.push_back("Wavelength number is " + std::to_string(m.selwl));
    r.log.push_back("Number of points are " + std::to_string(m.ngauss));
    r.log.push_back("Degree of aberrational polynom is " + std::to_string(m.polydeg));
    return r;
}

DialogResult dmtfparams(Model& m, int ngauss, int polydeg) {
    DialogResult r;
    m.ngauss = static_cast<uint8_t>(ngauss == 6 || ngauss == 10 ? ngauss : 16);
    m.polydeg = static_cast<uint8_t>(polydeg == 3 ? 3 : 4);
    m.dmtfvalid = true;
    r.log.push_back("Number of points are " + std::to_string(m.ngauss));
    r.log.push_back("Degree of aberrational polynom is " + std::to_string(m.polydeg));
    return r;
}

}  // namespace zefo
