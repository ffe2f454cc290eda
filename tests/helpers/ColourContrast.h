#pragma once

#include <QColor>

#include <algorithm>
#include <cmath>

namespace quorvex::test {

// The WCAG 2 contrast ratio of two colours, from 1 (the same) to 21 (black on white); text wants
// at least 4.5.
inline double colourContrast(const QColor& first, const QColor& second) {
    const auto luminance = [](const QColor& colour) {
        const auto linear = [](double channel) {
            return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
               0.0722 * linear(colour.blueF());
    };
    const double lighter = std::max(luminance(first), luminance(second));
    const double darker = std::min(luminance(first), luminance(second));
    return (lighter + 0.05) / (darker + 0.05);
}

}  // namespace quorvex::test
