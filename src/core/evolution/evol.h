// The evolution strategies, each on the lens of a model: the two-membered EVOL, the
// multimembered GRUP and REKO (comma selection, one step-size factor per offspring) and
// KORR (correlated mutations).
#pragma once

#include "core/evolution/earun.h"

namespace zefo {

EAOutcome runevol(Model& m, const EAParams& p, const EASetup& setup, const EAHooks& hooks);
EAOutcome rungrup(Model& m, EAKind kind, const EAParams& p, const EASetup& setup, const EAHooks& hooks);
EAOutcome runkorr(Model& m, const EAParams& p, const EASetup& setup, const EAHooks& hooks);

}  // namespace zefo
