// Small numeric helpers shared by the calculations.
#pragma once

namespace zefo {

// Stands for an infinite distance.
constexpr double kbig = 1e30;

// -1, 0 or +1.
inline double sign(double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; }

}  // namespace zefo
