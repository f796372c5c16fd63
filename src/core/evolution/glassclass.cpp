#include "core/evolution/glassclass.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace zefo {

namespace {

bool namehas(const std::string& name, const char* part) { return name.find(part) != std::string::npos; }

bool excluded(const std::string& name) {
    return name == "LaF28" || name == "TiF1" || name == "KzFSN2";
}

// A map coordinate as a whole number, clamped far outside any code so that no conversion
// overflows.
int64_t wholepart(double x, bool truncate) {
    if (!std::isfinite(x)) return 0;
    const double r = truncate ? std::trunc(x) : std::nearbyint(x);
    return static_cast<int64_t>(std::fmax(-1e9, std::fmin(1e9, r)));
}

}  // namespace

GlassClass glassclass(const std::string& name, bool atstart) {
    if (!namehas(name, "K")) return namehas(name, "BaLF") ? GlassClass::crown : GlassClass::flint;
    if (!namehas(name, "KzFS")) return GlassClass::crown;
    if (atstart || !namehas(name, "KzFSN2")) return GlassClass::flint;
    return GlassClass::none;
}

bool inindexwindow(GlassClass c, double n) {
    return c == GlassClass::crown ? n > 1.43 && n < 1.75 : n > 1.53 && n < 1.96;
}

bool inabbewindow(GlassClass c, double v) {
    return c == GlassClass::crown ? v > 49.6 && v < 91 : v > 20 && v < 49.6;
}

std::string mapglasscode(double n, double v, bool truncate) {
    const long long ni = wholepart((n - 1) * 1000, truncate), vi = wholepart(v * 10, truncate);
    char out[48];
    std::snprintf(out, sizeof out, truncate ? "%lld%lld" : "%3lld%3lld", ni, vi);
    return out;
}

bool glassaccepted(GlassClass c, int a, const std::string& name) {
    const bool crownlike = a >= 496 && !excluded(name);
    return c == GlassClass::crown ? crownlike : !crownlike;
}

std::string fallbackabbe(GlassClass c) { return c == GlassClass::crown ? "496" : "200"; }

}  // namespace zefo
