#include "core/util/numfmt.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace zefo {

std::string fmtreal(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 14);
    std::string_view s(buf, static_cast<size_t>(r.ptr - buf));  // "5.87600000000000e-04"
    const size_t e = s.find('e');
    if (e == std::string_view::npos) return (v < 0 ? "-" : " ") + std::string(s);  // inf, nan
    std::string out;
    out.reserve(23);
    out += (v < 0 && v != 0) ? '-' : ' ';
    out += s.substr(0, e);
    out += 'E';
    out += s[e + 1];
    std::string_view digits = s.substr(e + 2);
    out.append(digits.size() < 4 ? 4 - digits.size() : 0, '0');
    out += digits;
    // Rounded to 15 digits, the largest doubles (from 1.797693134862315E+308 up) would read
    // back as infinite; they are written one unit lower in the last digit, rounded toward zero.
    if (!parsereal(std::string_view(out).substr(1))) --out[16];
    return out;
}

namespace {

// Numbers that were not finite, written by fmtf in this thread.
thread_local unsigned long long nonfinitewritten = 0;

}  // namespace

FiniteWatch::FiniteWatch() : start_(nonfinitewritten) {}
bool FiniteWatch::finite() const { return nonfinitewritten == start_; }
void FiniteWatch::restart() { start_ = nonfinitewritten; }

std::string fmtf(double v, int w, int d) {
    if (!std::isfinite(v)) ++nonfinitewritten;
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, d);
    std::string s(buf, r.ptr);
    if (static_cast<int>(s.size()) < w) s.insert(0, static_cast<size_t>(w) - s.size(), ' ');
    return s;
}

std::string fmti(long long v, int w) {
    std::string s = std::to_string(v);
    if (static_cast<int>(s.size()) < w) s.insert(0, static_cast<size_t>(w) - s.size(), ' ');
    return s;
}

std::optional<double> parsereal(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.front() == '+') return std::nullopt;
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<long long> parseint(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.front() == '+') return std::nullopt;
    long long v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<double> parsetyped(std::string_view s) {
    std::string t;
    for (char c : s) {
        if (c == ' ') continue;
        t += c == ',' ? '.' : c;
    }
    return parsereal(t);
}

}  // namespace zefo
