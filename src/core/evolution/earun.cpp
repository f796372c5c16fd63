#include "core/evolution/earun.h"

#include "core/evolution/assga.h"
#include "core/evolution/evol.h"

namespace zefo {

namespace {

struct KindRow {
    EAKind kind;
    const char* name;
    const char* ext;
};

constexpr KindRow kindrows[] = {
    {EAKind::assga, "assga", ".gao"}, {EAKind::evol, "evol", ".ese"}, {EAKind::grup, "grup", ".esg"},
    {EAKind::reko, "reko", ".esr"},   {EAKind::korr, "korr", ".esk"},
};

const KindRow& rowof(EAKind k) {
    for (const KindRow& r : kindrows)
        if (r.kind == k) return r;
    return kindrows[0];
}

}  // namespace

const char* eakindname(EAKind k) { return rowof(k).name; }

bool parseeakind(const std::string& text, EAKind& k) {
    for (const KindRow& r : kindrows)
        if (text == r.name) {
            k = r.kind;
            return true;
        }
    return false;
}

const char* eareportextension(EAKind k) { return rowof(k).ext; }

namespace {

EAOutcome runkind(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks) {
    switch (kind) {
    case EAKind::evol: return runevol(m, p, setup, hooks);
    case EAKind::grup:
    case EAKind::reko: return rungrup(m, kind, p, setup, hooks);
    case EAKind::korr: return runkorr(m, p, setup, hooks);
    case EAKind::assga: break;
    }
    std::array<double, 5> shares = p.shares;
    EAOutcome out = runassga(m, p, setup, hooks, &shares);
    out.shares = shares;
    return out;
}

}  // namespace

EAOutcome runevolution(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks) {
    const std::vector<double> designweights = m.lens.aberweight;
    EAOutcome out = runkind(m, kind, p, setup, hooks);
    m.lens.aberweight = designweights;
    return out;
}

}  // namespace zefo
