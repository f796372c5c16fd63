// Third-order (Seidel) aberration coefficients of every surface and their totals,
// computed from a paraxial marginal ray and a paraxial chief ray.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/model/model.h"

namespace zefo {

class Report;
struct ReportHead;

// One surface: the paraxial ray data in front of it and its seven coefficients
// S1 .. S5, C1, C2 (for a surface with aspheric data S1, S2, S3, S5 hold the
// aspheric contribution only).
struct SeidelRow {
    double H = 0, U = 0, A = 0, DUN = 0, hbar = 0, UBAR = 0, ABAR = 0;
    std::array<double, 7> S{};
};

struct SeidelData {
    double HL = 0;                  // Lagrange invariant
    double Uimage = 0;              // marginal ray slope behind the last surface
    std::vector<SeidelRow> rows;    // one per surface 0 .. nsurf-1
    std::array<double, 7> sums{};   // S1, S2, S3, S4, S5, C1, C2
};

// Index of the chief ray of the last field position, -1 when the scheme has none.
int lastchiefray(const Model& m);

// Computes the coefficients from ray 0 and the last chief ray of the ray scheme and the
// relative indices mu (first-order data must be current). Fails through m.calcerror.
SeidelData seidelcalc(Model& m);

// The Seidel coefficients report: the system data block, the ray and coefficient tables
// and the totals; returns the coefficients (empty after a failure). Fails through
// m.calcerror with nothing added after the failure.
SeidelData seidel(Model& m, const ReportHead& h, Report& r);

// The lines of the ray table, the coefficient table and the totals. Calculates nothing.
void seidellines(const SeidelData& s, Report& r);

}  // namespace zefo
