// Small numeric helpers shared by the calculations.
#pragma once

#include <cmath>

namespace zefo {

// Stands for an infinite distance.
constexpr double kbig = 1e30;

// -1, 0 or +1.
inline double sign(double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; }

// Curvature of a radius; 0 (a plane) for a radius of 0 or one of kbig and beyond.
inline double curvatureof(double radius) { return radius == 0 || std::fabs(radius) >= kbig ? 0.0 : 1 / radius; }

}  // namespace zefo
