#include "core/evolution/random.h"

#include <chrono>
#include <cmath>
#include <numbers>
#include <random>

namespace zefo {

UniversalRandom::UniversalRandom() {
    const auto [s1, s2] = clockseed();
    init(s1, s2);
}

std::pair<int, int> UniversalRandom::clockseed() {
    std::random_device dev;
    const auto ticks = static_cast<uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const uint64_t mix = ticks ^ (static_cast<uint64_t>(dev()) << 16) ^ dev();
    return {static_cast<int>(mix % (maxseed1 + 1)),
            static_cast<int>((mix / (maxseed1 + 1)) % (maxseed2 + 1))};
}

std::string UniversalRandom::init(int s1, int s2) {
    if (s1 < 0 || s1 > maxseed1)
        return "The first seed must lie between 0 and " + std::to_string(maxseed1) + ".";
    if (s2 < 0 || s2 > maxseed2)
        return "The second seed must lie between 0 and " + std::to_string(maxseed2) + ".";
    s1_ = s1;
    s2_ = s2;
    int i = (s1 / 177) % 177 + 2, j = s1 % 177 + 2;
    int k = (s2 / 169) % 178 + 1, l = s2 % 169;
    for (int n = 1; n <= 97; ++n) {
        double s = 0, t = 0.5;
        for (int bit = 0; bit < 24; ++bit) {
            const int m = ((i * j) % 179 * k) % 179;
            i = j;
            j = k;
            k = m;
            l = (53 * l + 1) % 169;
            if ((l * m) % 64 >= 32) s += t;
            t /= 2;
        }
        table_[n] = s;
    }
    c_ = 362436.0 / 16777216.0;
    cd_ = 7654321.0 / 16777216.0;
    cm_ = 16777213.0 / 16777216.0;
    p1_ = 97;
    p2_ = 33;
    phase_ = 1;
    for (int n = 0; n < 20000; ++n) uniform();
    return {};
}

// The differences wrap around without branches (their signs are random): adding 0 leaves
// them as they are, since none of them is -0.
double UniversalRandom::uniform() {
    double u = table_[p1_] - table_[p2_];
    u += u < 0 ? 1.0 : 0.0;
    table_[p1_] = u;
    p1_ = p1_ == 1 ? 97 : p1_ - 1;
    p2_ = p2_ == 1 ? 97 : p2_ - 1;
    double c = c_ - cd_;
    c += c < 0 ? cm_ : 0.0;
    c_ = c;
    u -= c;
    u += u < 0 ? 1.0 : 0.0;
    return u;
}

double UniversalRandom::normal() {
    const double u1 = uniform();
    const double u2 = uniform();
    const double r = u1 == 0 ? 0.0 : std::sqrt(-2 * std::log(u1));
    const double angle = 2 * std::numbers::pi * u2;
    if (phase_ == 1) {
        phase_ = 2;
        return r * std::sin(angle);
    }
    phase_ = 1;
    return r * std::cos(angle);
}

bool UniversalRandom::chance(double p) {
    const double u = uniform();
    return p == 1 || u <= p;
}

}  // namespace zefo
