// The agglomeration exactly as the step-by-step procedure on the pair list:
// linear scans, order-keeping removals, one nested call per step. Slow, and
// kept only as the reference the fast procedures are checked against.
#pragma once

#include "engine/store.h"

namespace ca::testing {

void LiteralCentroidMethod(AnalysisStore& s);
void LiteralWardMethod(AnalysisStore& s);

}  // namespace ca::testing
