#pragma once

#include "tracking/Route.h"

#include <QLineF>
#include <QPointF>
#include <QPolygonF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

namespace quorvex::console {

struct RouteViewMarker {
    QPointF at;
    QString name;
};

// A route drawn to scale in the widget's pixels, north up: the line (without the vertices that
// would fall within a pixel of the last one kept), the markers, the pig, a north arrow and a
// scale bar of a round length.
struct RouteViewGeometry {
    QPolygonF line;
    std::vector<RouteViewMarker> markers;
    std::optional<QPointF> pig;
    QLineF north;  // from its foot to its tip
    QLineF scaleBar;
    QString scaleLabel;  // "20 km"
};

RouteViewGeometry routeViewGeometry(const tracking::Route& route, std::optional<double> pigChainageMetres,
                                    QSizeF size);

}  // namespace quorvex::console
