// The agglomeration exactly as the step-by-step procedure on the pair list:
// linear scans, order-keeping removals, one nested call per step. Slow, and
// kept only as the reference the fast procedures are checked against.
#pragma once

#include "engine/store.h"

namespace ca::testing {

void LiteralCentroidMethod(AnalysisStore& s);
void LiteralWardMethod(AnalysisStore& s);

// Agglomerates `fast` by the program's procedure and `literal` by the literal
// one, both stores filled alike beforehand.
void RunFastAndLiteral(AnalysisStore& fast, AnalysisStore& literal, bool ward);

}  // namespace ca::testing
