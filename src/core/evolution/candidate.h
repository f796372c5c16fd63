// The evaluation every candidate lens of the evolutionary optimizers goes through: first-order
// data, the last-curvature solve that keeps the start focal length, the validity checks, the
// ray scheme, the merit components with freshly computed default weights and their sum.
#pragma once

#include "core/model/model.h"

namespace zefo {

struct CandidateChecks {
    double efl = 0;           // the start focal length the last curvature keeps
    bool edges = true;        // an edge thinner than its limit makes the candidate invalid
};

// Evaluates the lens of m (already holding the candidate's values) into its merit list
// m.merit. Returns the merit function, the sum over the naber components of
// ((value - target)·weight)², or a negative number when the candidate is invalid: a failed
// paraxial trace, solve, ray scheme or merit evaluation, a negative image distance, a
// radius of surface N-1 smaller than its clear radius or, with checks.edges, an edge
// deficit. An invalid candidate leaves calcerror cleared. Allocates nothing once the
// model's arrays have their size.
double evaluatecandidate(Model& m, const CandidateChecks& checks);

// True when nrays is one of the standard layouts (6, 17, 24, 34) that the ray scheme lays
// out again for every candidate.
bool standardlayout(int nrays);

}  // namespace zefo
