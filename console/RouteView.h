#pragma once

#include "console/RouteViewGeometry.h"

#include <QWidget>

namespace quorvex::console {

// The Run tab's plain map: the route to scale, north up, with its markers and the pig's
// estimated place. No tiles: it is drawn from the route alone.
class RouteView final : public QWidget {
    Q_OBJECT
public:
    explicit RouteView(QWidget* parent = nullptr);

    // The route (null: none) and where the pig is thought to be, in chainage (none: no run).
    void show(const tracking::Route* route, std::optional<double> pigChainageMetres);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const tracking::Route* route_ = nullptr;
    std::optional<double> pig_;
    // Worked out again only when the route, the pig or the size changes: a route may have a
    // million vertices.
    std::optional<RouteViewGeometry> geometry_;
    QSize geometrySize_;
};

}  // namespace quorvex::console
