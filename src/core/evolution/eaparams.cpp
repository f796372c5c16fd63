#include "core/evolution/eaparams.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo {

std::string eareal(double x) {
    if (!std::isfinite(x)) return std::isnan(x) ? "nan" : x < 0 ? "-inf" : "inf";   // no loader takes it
    char mant[40];
    std::snprintf(mant, sizeof mant, "%.14E", std::abs(x));
    std::string s(mant);
    const auto e = s.find('E');
    const int exponent = std::atoi(s.c_str() + e + 1);
    char out[40];
    std::snprintf(out, sizeof out, "%c%sE%c%04d", std::signbit(x) ? '-' : ' ',
                  s.substr(0, e).c_str(), exponent < 0 ? '-' : '+', std::abs(exponent));
    return out;
}

std::string eaextension(int kind) {
    switch (kind) {
    case 1: case 2: case 3: return ".gad";
    case 4: return ".esd";
    case 5: return ".esg";
    case 6: return ".esr";
    case 7: return ".esk";
    default: return {};
    }
}

namespace {

// One line of a data file: an integer or a real member, with the range a load accepts.
enum class Check { range, probability, recombcode };
struct EAField {
    const char* name;
    int EAParams::*i = nullptr;
    double EAParams::*r = nullptr;
    double lo = 0, hi = 0;
    Check check = Check::range;
    int share = -1;          // >= 0: element of shares (r == nullptr, i == nullptr)
    bool minshare = false;
};

EAField ifield(const char* n, int EAParams::*m, double lo, double hi) { return {n, m, nullptr, lo, hi}; }
EAField rfield(const char* n, double EAParams::*m, double lo, double hi) {
    return {n, nullptr, m, lo, hi};
}
EAField prob(const char* n, double EAParams::*m) {
    return {n, nullptr, m, 0, 0, Check::probability};
}
EAField share(const char* n, int k, bool minimum) {
    // Shares: at least 1 and below 100; minimum shares 1..10.
    return {n, nullptr, nullptr, 1.0, minimum ? 10.0 : std::nextafter(100.0, 0.0), Check::range, k,
            minimum};
}

const EAField esconv[] = {
    rfield("convergence test absolute", &EAParams::convabs, 0, 0.00101),
    rfield("convergence test relative", &EAParams::convrel, 0, 0.00101),
    rfield("lower bound to step sizes absolute", &EAParams::stepabs, 0, 0.00101),
    rfield("lower bound to step sizes relative", &EAParams::steprel, 0, 0.00101),
};

std::vector<EAField> fieldsof(int kind) {
    const EAField pop = ifield("population size", &EAParams::popsize, 100, 1000);
    const EAField gagen = ifield("maximum number of generations", &EAParams::maxgen, 1000, 100000);
    const std::vector<EAField> coefs = {
        ifield("maximum radius coefficient", &EAParams::radcoef, 1, 10),
        ifield("maximum separation coefficient", &EAParams::sepcoef, 1, 10),
        ifield("maximum conical constant coefficient", &EAParams::coniccoef, 1, 10),
        ifield("maximum aspherical constant coefficient", &EAParams::asphcoef, 1, 10),
        ifield("initial population generation", &EAParams::initpop, 1, 2),
        ifield("starting value for merit function", &EAParams::meritstart, 100, 1000),
        ifield("merit function step value", &EAParams::meritstep, 1, 10)};
    const EAField adjust = rfield("step size adjustment", &EAParams::stepadjust, 0.49999, 1.01);
    const EAField step = rfield("initial step size", &EAParams::initstep, 0.49999, 2.01);
    const EAField esgen = ifield("maximum number of generations", &EAParams::maxgen, 999, 50001);
    std::vector<EAField> f;
    auto add = [&f](std::initializer_list<EAField> more) { f.insert(f.end(), more); };
    switch (kind) {
    case 1: case 2:
        if (kind == 2) add({ifield("variant number", &EAParams::variant, 1, 255)});
        add({pop, gagen, prob("crossover probability", &EAParams::pcross),
             prob("mutation probability", &EAParams::pmut)});
        f.insert(f.end(), coefs.begin(), coefs.end());
        break;
    case 3:
        add({pop, gagen, share("uniform crossover share", 0, false),
             share("average crossover share", 1, false), share("real mutation share", 2, false),
             prob("real mutation probability", &EAParams::preal),
             ifield("real mutation max. coefficient", &EAParams::realmaxcoef, 1, 10),
             share("big mutation creep share", 3, false),
             prob("big mutation creep probability", &EAParams::pbig),
             ifield("big mutation creep max. coefficient", &EAParams::bigmaxcoef, 1, 10),
             share("small mutation creep share", 4, false),
             prob("small mutation creep probability", &EAParams::psmall),
             ifield("small mutation creep max. coefficient", &EAParams::smallmaxcoef, 1, 10)});
        f.insert(f.end(), coefs.begin(), coefs.end());
        add({ifield("mutation parent selection", &EAParams::mutparent, 1, 3),
             ifield("number of genetic operators per generation", &EAParams::opspergen, 5, 50),
             ifield("number of genetic operators before performance test",
                    &EAParams::opsbeforetest, 25, 250),
             share("minimum uniform crossover share", 0, true),
             share("minimum average crossover share", 1, true),
             share("minimum real mutation share", 2, true),
             share("minimum big mutation creep share", 3, true),
             share("minimum small mutation creep share", 4, true)});
        break;
    case 4:
        add({ifield("control variable in convergence test", &EAParams::evolconv, 1, 5),
             ifield("control variable in step size managment", &EAParams::evolstep, 1, 5)});
        add({esconv[0], esconv[1], esconv[2], esconv[3], adjust, step,
             ifield("maximum number of generations", &EAParams::maxgen, 999, 1000001)});
        break;
    case 5: case 6:
        add({ifield("number of parents", &EAParams::parents, 5, 20),
             ifield("number of offsprings", &EAParams::offspring, 50, 200),
             ifield("GRUP/REKO flag", nullptr, 0, 1)});
        add({esconv[0], esconv[1], esconv[2], esconv[3], adjust, step, esgen});
        break;
    case 7:
        add({ifield("number of parents", &EAParams::parents, 5, 20),
             ifield("number of offsprings", &EAParams::offspring, 50, 200),
             ifield("strategy", &EAParams::plus, 0, 1),
             ifield("rotation", &EAParams::norotate, 0, 1),
             ifield("number of generations for checking convergence", &EAParams::korrconvgen, 1, 2),
             {"type of recombination", &EAParams::recombcode, nullptr, 111, 555, Check::recombcode}});
        add({esconv[0], esconv[1], esconv[2], esconv[3],
             rfield("initial step size", &EAParams::initstep, 0.4999, 2.01),
             rfield("initial positional angle", &EAParams::angle, 0, 360), esgen});
        break;
    default:
        break;
    }
    return f;
}

double& realof(const EAField& f, EAParams& p) {
    if (f.share >= 0) return (f.minshare ? p.minshares : p.shares)[f.share];
    return p.*f.r;
}

bool isreal(const EAField& f) { return f.r || f.share >= 0; }

bool accepted(const EAField& f, double v) {
    switch (f.check) {
    case Check::probability: return std::isfinite(v) && v != 0 && v != 1;
    case Check::recombcode: {
        if (!(v >= 111 && v <= 555)) return false;   // checked before it becomes an integer
        const int code = static_cast<int>(v);
        for (int d = 0; d < 3; ++d, v = std::floor(v / 10)) {
            const int digit = static_cast<int>(std::fmod(v, 10));
            if (digit < 1 || digit > 5) return false;
        }
        return code >= 111 && code <= 555;
    }
    case Check::range: break;
    }
    return v >= f.lo && v <= f.hi;
}

}  // namespace

std::string eafiletext(const EAParams& p) {
    std::string out = std::to_string(p.kind) + "\n";
    EAParams copy = p;
    for (const EAField& f : fieldsof(p.kind)) {
        if (isreal(f)) out += eareal(realof(f, copy));
        else if (f.i) out += std::to_string(p.*f.i);
        else out += p.recombine ? "0" : "1";   // the GRUP/REKO flag
        out += "\n";
    }
    return out;
}

std::string saveeafile(const std::string& path, const EAParams& p) {
    if (eaextension(p.kind).empty()) return "Unknown kind of EA data: " + std::to_string(p.kind);
    const std::string text = eafiletext(p);
    // Never a file the loader refuses: its checks decide.
    EAParams back;
    if (const std::string e = parseeatext(text, back, p.kind); !e.empty())
        return "The EA data cannot be saved to " + path + ": " + e;
    return writefileatomic(path, text);
}

double eastored(double x) { return std::strtod(eareal(x).c_str(), nullptr); }

std::string parseeatext(const std::string& text, EAParams& p, int wantkind) {
    std::istringstream in(text);
    std::string line;
    int kind = 0;
    if (!std::getline(in, line) || std::sscanf(line.c_str(), "%d", &kind) != 1 ||
        eaextension(kind).empty())
        return "Not an EA data file: unknown kind in line 1";
    if (wantkind != 0 && kind != wantkind)
        return "The EA data file holds parameters of kind " + std::to_string(kind) +
               ", not of kind " + std::to_string(wantkind);
    EAParams next = p;
    next.kind = kind;
    int lineno = 1;
    for (const EAField& f : fieldsof(kind)) {
        ++lineno;
        char* end = nullptr;
        const bool got = static_cast<bool>(std::getline(in, line));
        const double v = got ? std::strtod(line.c_str(), &end) : 0.0;
        const bool number = got && end != line.c_str() && std::isfinite(v) &&
                            line.find_first_not_of(" \t\r", end - line.c_str()) == std::string::npos;
        if (!number) return "Line " + std::to_string(lineno) + " of the EA data file: " + f.name +
                            " is not a number";
        // a real is checked as the file would store it again, as the dialogs check it
        if ((!isreal(f) && v != std::floor(v)) || !accepted(f, isreal(f) ? eastored(v) : v))
            return "Line " + std::to_string(lineno) + " of the EA data file: " + f.name +
                   " is out of range";
        if (isreal(f)) realof(f, next) = v;
        else if (f.i) next.*f.i = static_cast<int>(v);
        else if (kind == 5 && v == 1) next.recombine = false;
        else if (kind == 6 && v == 0) next.recombine = true;
    }
    p = next;
    return {};
}

std::string loadeafile(const std::string& path, EAParams& p, int wantkind) {
    std::string text;
    if (auto e = readinputfile(path, kmaxeafilebytes, text); !e.empty()) return e;
    const std::string err = parseeatext(text, p, wantkind);
    return err.empty() ? err : path + ": " + err;
}

}  // namespace zefo

namespace zefo {

namespace {

// Walks the fields of a dialog in order and keeps the first refusal. Reals are checked as
// the data file stores them, so that every accepted set is saved and loaded again.
class DialogCheck {
public:
    DialogCheck& range(double v, double lo, double hi, const std::string& msg) {
        v = eastored(v);
        return test(v >= lo && v <= hi, msg);
    }
    DialogCheck& test(bool good, const std::string& msg, bool combined = false) {
        if (fault_.ok() && !good) fault_ = {field_, msg, combined};
        return *this;
    }
    DialogCheck& next() {
        ++field_;
        return *this;
    }
    DialogCheck& probability(double v, const std::string& what) {
        v = eastored(v);
        return test(std::isfinite(v), notanumbermsg)
            .test(v != 0, what + " must not be zero!")
            .test(v != 1, what + " must not be one!");
    }
    EAFault fault() const { return fault_; }

private:
    int field_ = 0;
    EAFault fault_;
};

std::string between(const std::string& what, int lo, int hi) {
    return what + " must be number between " + std::to_string(lo) + " and " +
           std::to_string(hi) + "!";
}

}  // namespace

EAFault checkgageneral(const EAParams& p) {
    DialogCheck c;
    c.range(p.popsize, 100, 1000, between("Population size", 100, 1000)).next();
    c.range(p.maxgen, 1000, 100000, between("Maximum number of generations", 1000, 100000)).next();
    c.range(p.meritstart, 100, 1000, between("Starting value for merit function", 100, 1000)).next();
    c.range(p.meritstep, 1, 10, between("Merit function step value", 1, 10))
        .test(p.meritstep < 1 || p.meritstart / p.meritstep == p.popsize,
              "Quotient of starting and stop value for merit function must be equal to "
              "population size!",
              true)
        .next();
    const std::pair<const char*, int> coefs[] = {
        {"Maximum radius coefficient", p.radcoef},
        {"Maximum separation coefficient", p.sepcoef},
        {"Maximum conical constant coefficient", p.coniccoef},
        {"Maximum aspherical constant coefficient", p.asphcoef}};
    for (const auto& [what, v] : coefs) c.range(v, 1, 10, between(what, 1, 10)).next();
    return c.fault();
}

EAFault checkgaprobabilities(const EAParams& p) {
    DialogCheck c;
    c.probability(p.pcross, "Crossover probability").next();
    c.probability(p.pmut, "Mutation probability").next();
    const char* names[] = {"Uniform crossover operator", "Average crossover operator",
                           "Real mutation operator", "Big mutation operator",
                           "Small mutation operator"};
    double sum = 0;
    for (int k = 0; k < 5; ++k) {
        const double v = eastored(p.shares[k]);
        sum += p.shares[k];
        c.test(v >= 1 && v < 100, between(names[k], 1, 100));
        if (k == 4) c.test(sum == 100, "Sum of genetic algorithm operators must be 100!", true);
        c.next();
    }
    c.range(p.realmaxcoef, 1, 10, between("Real mutation max. coeficient", 1, 10)).next();
    c.range(p.bigmaxcoef, 1, 10, between("Big mutation creep max. coeficient", 1, 10)).next();
    c.range(p.smallmaxcoef, 1, 10, between("Small mutation creep max. coeficient", 1, 10)).next();
    c.probability(p.preal, "Real mutation probability").next();
    c.probability(p.pbig, "Big mutation probability").next();
    c.probability(p.psmall, "Small mutation probability");
    return c.fault();
}

EAFault checkassga(const EAParams& p) {
    DialogCheck c;
    c.range(p.opspergen, 5, 50, between("Number of genetic operators per generation", 5, 50)).next();
    c.range(p.opsbeforetest, 25, 250,
            between("Number of genetic operators before performance test", 25, 250)).next();
    const char* names[] = {"Minimum uniform crossover operator", "Minimum average crossover operator",
                           "Minimum real mutation operator", "Minimum big mutation creep operator",
                           "Minimum small mutation creep operator"};
    for (int k = 0; k < 5; ++k) c.range(p.minshares[k], 1, 10, between(names[k], 1, 10)).next();
    return c.fault();
}

EAFault checkes(const EAParams& p, int kind) {
    DialogCheck c;
    if (kind == 4) {
        c.range(p.evolconv, 1, 5, between("Control variable in convergence test", 1, 5)).next();
        c.range(p.evolstep, 1, 5, between("Control variable in step size managment", 1, 5)).next();
    } else {
        c.range(p.parents, 5, 20, "Number of the parents in the population must be between 5 and 20!")
            .next();
        c.range(p.offspring, 50, 200,
                "Number of the offsprings in population must be between 50 and 200!").next();
    }
    if (kind == 7)
        c.range(p.korrconvgen, 1, 2,
                "Number of generations for checking convergence critrion must be 1 or 2!").next();
    for (double v : {p.convabs, p.convrel, p.stepabs, p.steprel})
        c.range(v, 0, 0.00101, "Number must be smaller then 0.001!").next();
    if (kind != 7) c.range(p.stepadjust, 0.49999, 1.01, "Number must be between 0.5 and 1!").next();
    c.range(p.initstep, kind == 7 ? 0.4999 : 0.49999, 2.01, "Number must be between 0.5 and 2!").next();
    if (kind == 7) c.range(p.angle, 0, 360, "Number must be between 0 and 360!").next();
    if (kind == 4)
        c.range(p.maxgen, 999, 1000001, between("Maximum number of generations", 1000, 100000));
    else
        c.range(p.maxgen, 999, 50001, between("Maximum number of generations", 1000, 50000));
    return c.fault();
}

}  // namespace zefo
