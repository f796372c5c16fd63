#include "core/forms/eaforms.h"

#include <algorithm>
#include <climits>

#include "core/util/fileio.h"
#include "core/util/numfmt.h"

namespace zefo {

namespace {

// One edit field: where its value lives (an integer member, a real member or an operator
// share), its label, mask, hint and log text, and the formats of a real in the field and
// in the log (width 0: written plainly).
struct EAItem {
    const char* label;
    const char* mask;
    const char* hint;
    const char* log;
    int EAParams::*i = nullptr;
    double EAParams::*r = nullptr;
    int share = -1;          // >= 0: an operator share, of minshares when minimum is set
    bool minimum = false;
    int showw = 0, showd = 0;
    int logw = 0, logd = 0;
};

EAItem integer(const char* label, const char* mask, const char* hint, const char* log, int EAParams::*m) {
    return {label, mask, hint, log, m};
}
EAItem real(const char* label, const char* mask, const char* hint, const char* log, double EAParams::*m, int showw,
            int showd, int logw, int logd) {
    return {label, mask, hint, log, nullptr, m, -1, false, showw, showd, logw, logd};
}
EAItem shareitem(const char* label, const char* hint, const char* log, int k, bool minimum) {
    return {label, "99", hint, log, nullptr, nullptr, k, minimum, 2, 0, minimum ? 0 : 2, 0};
}
EAItem probability(const char* label, const char* log, double EAParams::*m) {
    return real(label, "9.9999", "Enter number between 0 and 1", log, m, 6, 4, 6, 4);
}
EAItem coefficient(const char* label, const char* log, int EAParams::*m) {
    return integer(label, "99", "Enter number between 1 and 10", log, m);
}

// A radio group: the member it sets, value = base + step x item, and a log text per item.
struct EAGroup {
    EAChoiceGroup texts;
    int EAParams::*member;
    int base, step;
    std::vector<std::string> logs;
};

std::vector<EAItem> generalitems() {
    return {integer("Population size", "9999", "Enter number between 100 and 1000", "New value for population size is ",
                    &EAParams::popsize),
            integer("Maximum number of generations", "999999", "Enter number between 1000 and 100000",
                    "New value for maximum number of generations is ", &EAParams::maxgen),
            integer("Starting value for merit function", "9999", "Enter number between 100 and 1000",
                    "New starting value for merit function is ", &EAParams::meritstart),
            integer("Merit function step value", "99", "Enter number between 1 and 10",
                    "New merit function step value is ", &EAParams::meritstep),
            coefficient("Maximum radius coefficient", "New value for maximum radius coefficient is ",
                        &EAParams::radcoef),
            coefficient("Maximum separation coefficient", "New value for maximum separation coefficient is ",
                        &EAParams::sepcoef),
            coefficient("Maximum conical constant coefficient",
                        "New value for maximum conical constant coefficient is ", &EAParams::coniccoef),
            coefficient("Maximum aspherical constant coefficient",
                        "New value for maximum aspherical constant coefficient is ", &EAParams::asphcoef)};
}

std::vector<EAItem> probabilityitems() {
    const char* sharehint = "Enter number between 1 and 99";
    return {probability("Single point crossover probability", "New value for crossover probability is ",
                        &EAParams::pcross),
            probability("Mutation probability", "New value for mutation probability is ", &EAParams::pmut),
            shareitem("Uniform crossover operator", sharehint, "New value for uniform crossover operator is ", 0, false),
            shareitem("Avearage crossover operator", sharehint, "New value for average crossover operator is ", 1, false),
            shareitem("Reeal mutation operator", sharehint, "New value for real mutation operator is ", 2, false),
            shareitem("Big mutation creep operator", sharehint, "New value for big mutation creep operator is ", 3,
                      false),
            shareitem("Small mutation creep operator", sharehint, "New value for small mutation operator is ", 4, false),
            coefficient("Real mutation max. coeficient", "New value for real mutation max. coefficient is ",
                        &EAParams::realmaxcoef),
            coefficient("Big mutatiton creep max coeficient", "New value for big mutation creep max. coefficient is ",
                        &EAParams::bigmaxcoef),
            coefficient("Small mutatiton creep max coeficient",
                        "New value for small mutation creep max. coefficient is ", &EAParams::smallmaxcoef),
            probability("Real mutation probability", "New value for real mutation probability is ", &EAParams::preal),
            probability("Big mutation creep probability", "New value for big mutation probability is ",
                        &EAParams::pbig),
            probability("Small mutation creep probability", "New value for small mutation probability is ",
                        &EAParams::psmall)};
}

std::vector<EAItem> assgaitems() {
    const char* minhint = "Enter number between 1 and 10";
    return {integer("Number of genetic operators per generation", "99", "Enter number between 5 and 50",
                    "New value for number of genetic operators is ", &EAParams::opspergen),
            integer("Number.of genetic operators before performance test", "999", "Enter number between 25 and 250",
                    "New value for number of genetic operators before performance test is ",
                    &EAParams::opsbeforetest),
            shareitem("Uniform crossover minimum operator", minhint,
                      "New value for minimum uniform crossover operator is ", 0, true),
            shareitem("Avearage crossover minimum operator", minhint,
                      "New value for minimum average crossover operator is ", 1, true),
            shareitem("Reeal mutation minimum operator", minhint, "New value for minimum real mutation operator is ", 2,
                      true),
            shareitem("Big mutation creep minimum operator", minhint, "New value for minimum big mutation operator is ",
                      3, true),
            shareitem("Small mutation creep minimum operator", minhint,
                      "New value for minimum small mutation operator is ", 4, true)};
}

std::vector<EAItem> esitems(EADialog d) {
    const char* smallhint = "Enter number smaller then 0.001";
    std::vector<EAItem> f;
    if (d == EADialog::evol) {
        f.push_back(integer("Control variable in convergence test", "9", "Enter number between 1 and 5",
                            "New value for control variable in convergence test is ", &EAParams::evolconv));
        f.push_back(integer("Control variable in step size managment", "9", "Enter number between 1 and 5",
                            "New value for control variable in step size managment is ", &EAParams::evolstep));
    } else {
        f.push_back(integer("Number of the parents in the population", "99", "Enter number between 5 and 20",
                            "New value for number of parents in population is ", &EAParams::parents));
        f.push_back(integer("Number of the offsprings in population", "999", "Enter number between 50 and 200",
                            "New value for number of offsprings in population is ", &EAParams::offspring));
    }
    if (d == EADialog::korr)
        f.push_back(integer("Number of generations for checking convergence critrion", "9", "Enter 1 or 2",
                            "New value for number of generations for checking convergence critrion is ",
                            &EAParams::korrconvgen));
    f.push_back(real("Parametar in convergence test absolute", "9.999999", smallhint,
                     "New value for convergence test apsolute is ", &EAParams::convabs, 8, 6, 8, 6));
    f.push_back(real("Parametar in convergence test relative", "9.999999", smallhint,
                     "New value for convergence test relative is ", &EAParams::convrel, 8, 6, 8, 6));
    f.push_back(real("Lower bound to step sizes absolute", "9.999999", smallhint,
                     "New value for apsolute step size is ", &EAParams::stepabs, 8, 6, 8, 6));
    f.push_back(real("Lower bound to step sizes relative", "9.999999", smallhint,
                     "New value for relative step size is ", &EAParams::steprel, 8, 6, 8, 6));
    if (d != EADialog::korr)
        f.push_back(real("Control variable in step size adjustment", "9.99", "Enter number between 0.5 and 1",
                         "New value for step size adjustment is ", &EAParams::stepadjust, 4, 2, 4, 2));
    f.push_back(real("Initial value for step size", "9.999", "Enter number between 0.5 and 2",
                     "New initial value for step size is ", &EAParams::initstep, 5, 3, 6, 3));
    if (d == EADialog::korr)
        f.push_back(real("Initial value for positional angles in degrees", "999", "Enter angle in degrees from 0 to 360",
                         "New value for rotation is ", &EAParams::angle, 3, 0, 6, 3));
    const bool evol = d == EADialog::evol;
    f.push_back(integer("Maximum number of generations", evol ? "9999999" : "99999",
                        evol ? "Enter number between 1000 and 1000000" : "Enter number between 1000 and 50000",
                        "New value for maximum number of generations is ", &EAParams::maxgen));
    return f;
}

std::vector<EAItem> itemsof(EADialog d) {
    switch (d) {
        case EADialog::general: return generalitems();
        case EADialog::probabilities: return probabilityitems();
        case EADialog::assga: return assgaitems();
        default: return esitems(d);
    }
}

std::vector<EAGroup> groupsof(EADialog d) {
    if (d == EADialog::general)
        return {{{"Initial population generation", "initpop", {"Uniform random", "Normal random"},
                  "Select initial population generation"},
                 &EAParams::initpop, 1, 1,
                 {"Initial population generation is uniform random", "Initial population generation is normal random"}},
                {{"Mutation Parent Selection", "mutparent", {"&First parent", "&Second parent", "&Random parent"},
                  "Select type of mutation parent selection"},
                 &EAParams::mutparent, 1, 1,
                 {"Mutation parent selection is first parent", "Mutation parent selection is second parent",
                  "Mutation parent selection is random parent"}}};
    if (d == EADialog::korr)
        return {{{"Strategy", "strategy", {"&Komma", "&Plus"}, "Select strategy for optimization"},
                 &EAParams::plus, 0, 1, {"Strategy is komma", "Strategy is plus"}},
                {{"Mutation elipsoid can rotate", "rotation", {"&Yes", "&No"}, ""},
                 &EAParams::norotate, 0, 1, {"Mutation elipsoid can rotate", "Mutation elipsoid can not rotate"}},
                {{"Type of recombination", "recombination",
                  {"&pure mutation", "&discrete recombination of pairs of parents",
                   "&intermediary recombination of pairs of parents", "discrete recombination of &all parents",
                   "intermediary &recombination of all parents in pairs"},
                  "Select type of recombination"},
                 &EAParams::recombcode, 111, 111,
                 {"Type of recombination is pure mutation",
                  "Type of recombination is discrete recombination of pairs of parents",
                  "Type of recombination is intermediary recombination of pairs of parents",
                  "Type of recombination is discrete recombination of all parents",
                  "Type of recombination is intermediary recombination of all parents in pairs"}}};
    return {};
}

EAFault checkof(const EAParams& p, EADialog d) {
    switch (d) {
        case EADialog::general: return checkgageneral(p);
        case EADialog::probabilities: return checkgaprobabilities(p);
        case EADialog::assga: return checkassga(p);
        case EADialog::evol: return checkes(p, 4);
        case EADialog::grup:
        case EADialog::reko: return checkes(p, 5);
        case EADialog::korr: break;
    }
    return checkes(p, 7);
}

double valueof(const EAParams& p, const EAItem& f) {
    if (f.share >= 0) return (f.minimum ? p.minshares : p.shares)[static_cast<size_t>(f.share)];
    return f.r ? p.*f.r : p.*f.i;
}

void setvalue(EAParams& p, const EAItem& f, double v) {
    if (f.share >= 0) (f.minimum ? p.minshares : p.shares)[static_cast<size_t>(f.share)] = v;
    else if (f.r) p.*f.r = v;
    else p.*f.i = static_cast<int>(std::clamp(v, double(INT_MIN), double(INT_MAX)));
}

bool isreal(const EAItem& f) { return f.r || f.share >= 0; }

std::string shown(double v, int w, int d) { return w == 0 ? fmtf(v, 0, d) : fmtf(v, w, d); }

// A typed text: digits only where the mask has no point, else any real.
std::optional<double> typedfield(const EAItem& f, const std::string& text) {
    if (std::string(f.mask).find('.') != std::string::npos) return parsetyped(text);
    const auto n = typedcount(text);
    if (!n) return std::nullopt;
    return static_cast<double>(*n);
}

int dialogindex(EADialog d) { return static_cast<int>(d); }

}  // namespace

const char* eadialogtitle(EADialog d) {
    switch (d) {
        case EADialog::general: return "Genetic algorithms general";
        case EADialog::probabilities: return "Genetic algorithms probabilities";
        case EADialog::assga: return "Adaptive Steady State Genetic Algorithm";
        case EADialog::evol: return "Evolutionary strategies EVOL";
        case EADialog::grup:
        case EADialog::reko: return "Evolutionary Strategies GRUP";
        case EADialog::korr: break;
    }
    return "Evolutionary strategies KORR";
}

std::vector<DialogField> eafields(EADialog d) {
    std::vector<DialogField> out;
    for (const EAItem& f : itemsof(d)) out.push_back({f.label, f.mask, f.hint});
    return out;
}

std::vector<EAChoiceGroup> eachoices(EADialog d) {
    std::vector<EAChoiceGroup> out;
    for (const EAGroup& g : groupsof(d)) out.push_back(g.texts);
    return out;
}

std::vector<std::string> eatexts(const EAParams& p, EADialog d) {
    std::vector<std::string> out;
    for (const EAItem& f : itemsof(d))
        out.push_back(isreal(f) ? shown(valueof(p, f), f.showw, f.showd) : std::to_string(p.*f.i));
    return out;
}

std::vector<int> eachecked(const EAParams& p, EADialog d) {
    std::vector<int> out;
    for (const EAGroup& g : groupsof(d)) {
        const int offset = p.*g.member - g.base;
        const int item = offset % g.step == 0 ? offset / g.step : -1;
        out.push_back(item >= 0 && item < static_cast<int>(g.texts.items.size()) ? item : -1);
    }
    return out;
}

EAAccept eaaccept(EAParams& p, EADialog d, const std::vector<std::string>& texts, const std::vector<int>& checked) {
    EAAccept out;
    DialogResult& r = out.result;
    const std::vector<EAItem> items = itemsof(d);
    for (size_t k = 0; k < items.size(); ++k) {
        const EAItem& f = items[k];
        const int field = static_cast<int>(k);
        const auto v = typedfield(f, k < texts.size() ? texts[k] : std::string());
        if (!v) {
            r = badfield(r, field, notanumbermsg);
            return out;
        }
        EAParams next = p;
        setvalue(next, f, *v);
        const EAFault fault = checkof(next, d);
        if (!fault.ok() && fault.field <= field) {
            r = badfield(r, field, fault.message);
            out.restore = !fault.combined;
            return out;
        }
        if (valueof(next, f) == valueof(p, f)) continue;
        p = next;
        r.log.push_back(f.log + (isreal(f) ? shown(*v, f.logw, f.logd) : std::to_string(p.*f.i)));
        r.changed = true;
    }
    const std::vector<EAGroup> groups = groupsof(d);
    for (size_t g = 0; g < groups.size() && g < checked.size(); ++g) {
        const int item = checked[g];
        if (item < 0 || item >= static_cast<int>(groups[g].logs.size())) continue;
        const int v = groups[g].base + groups[g].step * item;
        if (p.*groups[g].member == v) continue;
        p.*groups[g].member = v;
        r.log.push_back(groups[g].logs[static_cast<size_t>(item)]);
        r.changed = true;
    }
    return out;
}

// ---- the set held while the program runs

std::string eadialogextension(EADialog d) {
    switch (d) {
        case EADialog::evol: return eaextension(4);
        case EADialog::grup: return eaextension(5);
        case EADialog::reko: return eaextension(6);
        case EADialog::korr: return eaextension(7);
        default: return eaextension(3);
    }
}

bool ealoadsfirst(const EAState& s, EADialog d) {
    if (dialogindex(d) <= dialogindex(EADialog::assga)) return !s.done[0] && !s.done[1] && !s.done[2];
    return !s.done[static_cast<size_t>(dialogindex(d))];
}

bool eaload(EAState& s, const std::string& path, const std::string& ext, int wantkind, std::string& err) {
    err.clear();
    if (!fileexists(path)) return false;
    EAParams next = s.p;
    err = loadeafile(path, next, wantkind);
    if (err.empty() && eaextension(next.kind) != ext)
        err = path + ": The EA data file holds parameters of kind " + std::to_string(next.kind) + ", not a " + ext +
              " set";
    if (!err.empty()) return false;
    s.p = next;
    s.completed = true;
    s.saveable = true;
    return true;
}

std::string eaconfirmed(EAState& s, EADialog d) {
    s.done[static_cast<size_t>(dialogindex(d))] = true;
    switch (d) {
        case EADialog::general:
        case EADialog::probabilities:
        case EADialog::assga:
            if (d == EADialog::assga) s.p.kind = 3;
            if (s.done[0] && s.done[1] && s.done[2]) s.completed = s.saveable = true;
            return {};
        case EADialog::evol: s.p.kind = 4; break;
        case EADialog::grup:
            s.p.kind = 5;
            s.p.recombine = false;
            break;
        case EADialog::reko:
            s.p.kind = 6;
            s.p.recombine = true;
            break;
        case EADialog::korr: s.p.kind = 7; break;
    }
    s.completed = s.saveable = true;
    return d == EADialog::reko ? "ES REKO optimization recombines the parents" : "";
}

int eaparamkind(EAKind k) {
    switch (k) {
        case EAKind::assga: return 3;
        case EAKind::evol: return 4;
        case EAKind::grup: return 5;
        case EAKind::reko: return 6;
        case EAKind::korr: break;
    }
    return 7;
}

std::string eabeforerun(EAState& s, EAKind k, const std::string& path) {
    const int kind = eaparamkind(k);
    if (k == EAKind::assga) s.done[0] = s.done[1] = s.done[2] = false;
    else s.done[static_cast<size_t>(kind - 1)] = false;
    std::string err;
    if (!s.completed) eaload(s, path, eaextension(kind), kind, err);
    if (!err.empty()) return err;
    s.p.kind = kind;
    return {};
}

void eaafterrun(EAState& s, EAKind k, const EAOutcome& o) {
    s.completed = false;
    if (k == EAKind::assga && o.status != EAOutcome::Status::error) s.p.shares = o.shares;
}

}  // namespace zefo
