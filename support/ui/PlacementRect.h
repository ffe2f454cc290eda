#pragma once

#include <QList>
#include <QRect>

#include <optional>
#include <string>
#include <string_view>

namespace zeph::windows::ui {

// The stored form of a window's normal rectangle: left, top, right and bottom as
// "%04d %04d %04d %04d" (right and bottom exclusive, as Win32 keeps them). Reading takes the
// four-character fields at the fixed strides 0, 5, 10 and 15, so a coordinate that prints wider
// than four characters (below -999 or above 9999) does not read back as it was written.
std::wstring formatPlacementRect(const QRect& rect);

// The rectangle of a stored text, or nothing when a field holds no number or the rectangle is
// empty: a damaged profile must not shrink a window to nothing.
std::optional<QRect> parsePlacementRect(std::wstring_view text);

// The rectangle itself when enough of it lies on one of the screens to grab it and it is no
// larger than that screen; one larger is cut to that screen and moved onto it; one on no screen
// keeps its size (cut to the primary screen) and moves the shortest way onto the primary screen.
QRect placeOnScreen(const QRect& rect, const QList<QRect>& screens, const QRect& primary);

}  // namespace zeph::windows::ui
