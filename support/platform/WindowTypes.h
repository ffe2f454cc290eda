#pragma once

#include <cstdint>

namespace zeph::platform {

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A window handle: an opaque number, never dereferenced; a destroyed window's number is
// never reused, so a stale handle simply fails isWindow.
using HWND = struct HWND__*;

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

struct MSG {
    HWND hwnd = nullptr;  // null for a thread message
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

}  // namespace zeph::platform
