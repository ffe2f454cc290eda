#pragma once

#include "tracking/Passage.h"
#include "tracking/Route.h"
#include "tracking/RunPlan.h"

#include <optional>

namespace quorvex::tracking {

// Places a passage: its position located on the line (near the last known chainage, so a loop
// does not jump) and matched to the marker nearest by chainage within the tolerance; a named
// marker is taken by name. Anything else is off route.
PlacedPassage placePassage(const Route& route, const RunSettings& settings, Passage passage,
                           std::optional<double> lastLineChainageMetres);

}  // namespace quorvex::tracking
