#pragma once

#include <QAccessibleWidget>

namespace quorvex::console {

// A plot as screen readers meet it: a chart, not a plain filler, named and described by its
// window (the description follows what it shows).
class PlotAccessible : public QAccessibleWidget {
public:
    explicit PlotAccessible(QWidget* plot) : QAccessibleWidget(plot, QAccessible::Chart) {}

    // Lets Qt build this interface for every plot window; safe to call more than once.
    static void install();
};

}  // namespace quorvex::console
