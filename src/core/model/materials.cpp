#include "core/model/materials.h"

#include <cctype>
#include <cmath>
#include <sstream>

#include "core/util/numfmt.h"

namespace zefo {
namespace {

std::string upperletters(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> csvfields(const std::string& line) {
    std::vector<std::string> f;
    std::string item;
    std::istringstream in(line);
    while (std::getline(in, item, ',')) f.push_back(item);
    return f;
}

// The materials of the bundled list; a malformed line is a build fault, found by the tests.
std::vector<OpticalMaterial> readmaterials() {
    std::vector<OpticalMaterial> list;
    std::istringstream in(bundledmaterialscsv());
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = csvfields(line);
        if (f.size() != 11) continue;
        OpticalMaterial m;
        m.name = f[0];
        std::istringstream names(f[1]);
        for (std::string a; names >> a;) m.aliases.push_back(a);
        m.description = f[2];
        bool ok = true;
        auto real = [&](size_t i) {
            const auto v = parsereal(f[i]);
            ok = ok && v.has_value();
            return v.value_or(0);
        };
        for (size_t i = 0; i < 3; ++i) {
            m.b[i] = real(3 + 2 * i);
            m.c[i] = real(4 + 2 * i);
        }
        m.lmin = real(9);
        m.lmax = real(10);
        if (ok) list.push_back(m);
    }
    return list;
}

}  // namespace

double OpticalMaterial::index(double um) const {
    const double l2 = um * um;
    double n2 = 1;
    for (size_t i = 0; i < 3; ++i) n2 += b[i] * l2 / (l2 - c[i]);
    return std::sqrt(n2);
}

const std::vector<OpticalMaterial>& opticalmaterials() {
    static const std::vector<OpticalMaterial> list = readmaterials();
    return list;
}

std::optional<GlassRecord> opticalmaterial(const std::string& name) {
    const std::string key = upperletters(name);
    for (const auto& m : opticalmaterials()) {
        bool match = upperletters(m.name) == key;
        for (const auto& a : m.aliases) match = match || upperletters(a) == key;
        if (!match) continue;
        GlassRecord g;
        g.name = m.name;
        g.maker = "material";
        g.remark = m.description;
        g.a = fitschott([&m](double um) { return m.index(um) * m.index(um); }, std::max(0.35, m.lmin),
                        std::min(1.5, m.lmax));
        const double nd = m.index(0.5875618), nf = m.index(0.4861327), nc = m.index(0.6562725);
        g.nd = nd;
        g.vd = (nd - 1) / (nf - nc);
        g.code = glasscode(g.nd, g.vd);
        return g;
    }
    return std::nullopt;
}

}  // namespace zefo
