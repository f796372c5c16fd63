// The pure pieces of the adaptive steady-state genetic algorithm: fitness, selection,
// operator choice, share adaptation and the numbering of the variables.
#include <cmath>
#include <numeric>
#include <string>

#include "core/evolution/assga.h"
#include "core/util/numfmt.h"

namespace zefo {

int assgashareindex(int id) {
    static constexpr int index[6] = {0, 0, 1, 4, 3, 2};
    return id >= 1 && id <= 5 ? index[id] : 0;
}

std::vector<double> assgafitness(int popsize, int meritstart, int meritstep) {
    const int first = meritstart / meritstep <= popsize ? popsize * meritstep : meritstart;
    std::vector<double> cum(static_cast<size_t>(popsize));
    double sum = 0;
    for (int k = 0; k < popsize; ++k) {
        sum += first - k * meritstep;
        cum[static_cast<size_t>(k)] = sum;
    }
    return cum;
}

int assgaselect(const std::vector<double>& cumfit, double u) {
    const double goal = u * cumfit.back();
    for (size_t k = 0; k < cumfit.size(); ++k)
        if (cumfit[k] >= goal) return static_cast<int>(k);
    return static_cast<int>(cumfit.size()) - 1;
}

int assgaoperator(const std::array<double, 5>& shares, double u) {
    const double total = std::accumulate(shares.begin(), shares.end(), 0.0);
    const double f = std::nearbyint(u * total);
    double cum = 0;
    for (int id = 1; id <= 5; ++id) {
        cum += shares[static_cast<size_t>(assgashareindex(id))];
        if (cum >= f) return id;
    }
    return 5;
}

void adaptshares(std::array<double, 5>& shares, const std::array<double, 5>& minshares,
                 const std::array<double, 5>& avgcredit) {
    const double a = std::accumulate(avgcredit.begin(), avgcredit.end(), 0.0);
    if (a == 0) return;
    for (size_t k = 0; k < 5; ++k) {
        const double s = shares[k];
        shares[k] = s * (100 - s) / 100 + (avgcredit[k] != 0 ? s * avgcredit[k] / a : 0);
        if (shares[k] < minshares[k]) shares[k] = minshares[k];
    }
    const double sum = std::accumulate(shares.begin(), shares.end(), 0.0);
    for (size_t k = 0; k < 5; ++k) {
        if (sum > 100) {
            if (avgcredit[k] == 0) continue;
            shares[k] -= (sum - 100) * avgcredit[k] / a;
            if (shares[k] < minshares[k]) shares[k] = minshares[k];
        } else {
            shares[k] *= 100 / sum;
        }
    }
}

namespace {

bool assgalabelhas(const std::string& labels, const char* what) {
    return labels.find(what) != std::string::npos;
}

}  // namespace

std::vector<AssgaVar> assgawalk(const OpticalSystem& lens) {
    std::vector<AssgaVar> walk;
    const auto& ol = lens.sys.sp.optlabel;
    const int n = lens.nsurf;
    for (int i = 0; i <= n; ++i) {
        const std::string& l = ol[static_cast<size_t>(i)];
        if (assgalabelhas(l, "C")) walk.push_back({i, AssgaKind::radius});
        if (assgalabelhas(l, "D") && i < n) walk.push_back({i, AssgaKind::sep});
        if (assgalabelhas(l, "G")) walk.push_back({i, AssgaKind::glass});
    }
    if (lens.asphdata != 'D') return walk;
    static constexpr std::pair<const char*, AssgaKind> asph[] = {
        {"E", AssgaKind::conic}, {"A4", AssgaKind::a4}, {"A6", AssgaKind::a6},
        {"A8", AssgaKind::a8}, {"A10", AssgaKind::a10}};
    for (int i = 0; i <= n; ++i)
        for (const auto& [label, kind] : asph)
            if (assgalabelhas(ol[static_cast<size_t>(i)], label)) walk.push_back({i, kind});
    return walk;
}

int assgavarcount(const std::vector<AssgaVar>& walk) {
    int v = 0;
    for (const AssgaVar& x : walk) v += x.kind == AssgaKind::glass ? 2 : 1;
    return v;
}

int assgapick(const std::vector<AssgaVar>& walk, int q) {
    int number = 0;
    for (size_t k = 0; k < walk.size(); ++k) {
        const bool glass = walk[k].kind == AssgaKind::glass;
        number += glass ? 2 : 1;
        if (glass ? number >= q : number == q) return static_cast<int>(k);
    }
    return -1;
}

std::string assgavarname(const AssgaVar& v) {
    static constexpr const char* names[] = {"radius", "separation", "glass", "conic constant",
                                            "A4", "A6", "A8", "A10"};
    return std::string(names[static_cast<int>(v.kind)]) + " of surface " + fmti(v.surface);
}

}  // namespace zefo
