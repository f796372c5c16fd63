#include "core/evolution/esrun.h"
#include "core/evolution/evol.h"

namespace zefo {
EAOutcome runkorr(Model&, const EAParams&, const EASetup&, const EAHooks&) { return {}; }
}  // namespace zefo
