#include "support/ui/PlacementRect.h"

#include "support/platform/TextConversion.h"

#include <algorithm>
#include <cstdio>
#include <cwctype>

namespace zeph::windows::ui {

namespace {

constexpr std::size_t kFieldWidth = 4;
constexpr std::size_t kFieldStride = 5;
// How much of a window must lie on a screen for the operator to grab it and move it.
constexpr int kGrabSize = 48;

// _wtoi over one field: blanks, a sign and at least one digit; the rest of the field is ignored.
std::optional<int> parseField(std::wstring_view field) {
    std::size_t at = 0;
    while (at < field.size() && std::iswspace(field[at])) {
        ++at;
    }
    const bool negative = at < field.size() && field[at] == L'-';
    if (at < field.size() && (field[at] == L'-' || field[at] == L'+')) {
        ++at;
    }
    if (at == field.size() || !std::iswdigit(field[at])) {
        return std::nullopt;
    }
    int value = 0;
    for (; at < field.size() && std::iswdigit(field[at]); ++at) {
        value = value * 10 + (field[at] - L'0');
    }
    return negative ? -value : value;
}

bool grabbable(const QRect& rect, const QRect& screen) {
    const QRect visible = rect.intersected(screen);
    return visible.width() >= std::min(kGrabSize, rect.width()) &&
           visible.height() >= std::min(kGrabSize, rect.height());
}

// The rectangle cut to the screen's size and moved the shortest way onto it.
QRect fitInto(const QRect& rect, const QRect& screen) {
    const QSize size = rect.size().boundedTo(screen.size());
    const int left = std::clamp(rect.left(), screen.left(), screen.left() + screen.width() - size.width());
    const int top = std::clamp(rect.top(), screen.top(), screen.top() + screen.height() - size.height());
    return QRect(QPoint(left, top), size);
}

}  // namespace

std::wstring formatPlacementRect(const QRect& rect) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "%04d %04d %04d %04d", rect.left(), rect.top(),
                                     rect.left() + rect.width(), rect.top() + rect.height());
    return platform::widen(std::string_view(text, static_cast<std::size_t>(length)));
}

std::optional<QRect> parsePlacementRect(std::wstring_view text) {
    int fields[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t start = std::min(i * kFieldStride, text.size());
        const std::optional<int> value = parseField(text.substr(start, kFieldWidth));
        if (!value) {
            return std::nullopt;
        }
        fields[i] = *value;
    }
    const auto [left, top, right, bottom] = fields;
    if (right <= left || bottom <= top) {
        return std::nullopt;
    }
    return QRect(left, top, right - left, bottom - top);
}

QRect placeOnScreen(const QRect& rect, const QList<QRect>& screens, const QRect& primary) {
    const auto grabbed = std::find_if(screens.begin(), screens.end(),
                                      [&](const QRect& screen) { return grabbable(rect, screen); });
    if (grabbed == screens.end()) {
        return fitInto(rect, primary);
    }
    // A window saved on a larger screen (or at a smaller scale) would reach past this one.
    const bool fits = rect.width() <= grabbed->width() && rect.height() <= grabbed->height();
    return fits ? rect : fitInto(rect, *grabbed);
}

}  // namespace zeph::windows::ui
