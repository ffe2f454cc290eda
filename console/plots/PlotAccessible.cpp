#include "console/plots/PlotAccessible.h"

#include "console/plots/PlotWindow.h"

namespace quorvex::console {

namespace {

QAccessibleInterface* plotAccessible(const QString&, QObject* object) {
    auto* plot = qobject_cast<PlotWindow*>(object);
    return plot == nullptr ? nullptr : new PlotAccessible(plot);
}

}  // namespace

void PlotAccessible::install() {
    // Installed after the application's own factories, so it is asked first.
    static const bool installed = [] {
        QAccessible::installFactory(plotAccessible);
        return true;
    }();
    (void)installed;
}

}  // namespace quorvex::console
