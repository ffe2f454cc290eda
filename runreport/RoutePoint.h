#pragma once

#include "tracking/GeoPoint.h"
#include "tracking/Route.h"

namespace quorvex::runreport {

// The place on the line at a chainage of the markers' scale (surveyed chainages may differ from
// the line's own lengths; between two markers the line is shared out evenly).
tracking::GeoPoint pointAtChainage(const tracking::Route& route, double chainageMetres);

}  // namespace quorvex::runreport
