// Small numeric helpers shared by the calculations.
#pragma once

#include <cmath>
#include <limits>

namespace zefo {

// Stands for an infinite distance.
constexpr double kbig = 1e30;

// True when the integral part of x fits in an int, so that converting x to an integer of
// that size is defined; false for NaN and infinities.
inline bool fitsint(double x) {
    return x > static_cast<double>(std::numeric_limits<int>::min()) - 1.0 &&
           x < static_cast<double>(std::numeric_limits<int>::max()) + 1.0;
}

// -1, 0 or +1.
inline double sign(double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; }

// Curvature of a radius; 0 (a plane) for a radius of 0 or one of kbig and beyond.
inline double curvatureof(double radius) { return radius == 0 || std::fabs(radius) >= kbig ? 0.0 : 1 / radius; }

}  // namespace zefo
