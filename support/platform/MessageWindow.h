#pragma once

#include "support/platform/Thread.h"
#include "support/platform/WindowTypes.h"

#include <functional>

namespace zeph::platform {

using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// A message-only window bound to the thread that creates it; its procedure runs only there.
HWND createMessageWindow(WindowProc procedure);

// Only the owner thread may destroy a window (else false with ERROR_ACCESS_DENIED).
// Senders blocked in sendMessage to it return 0 at once.
bool destroyWindow(HWND window);

bool isWindow(HWND window);

// The owner thread's id, 0 for an invalid window.
ThreadId getWindowThreadId(HWND window);

// Queues the message for the window's thread; false with ERROR_INVALID_WINDOW_HANDLE when the
// window does not exist.
bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the window procedure on the owner thread and returns its result: at once on the owner's
// own thread; otherwise the sender blocks until the owner has handled it. Returns 0 (with
// ERROR_INVALID_WINDOW_HANDLE) for an invalid window or one destroyed while the sender waits.
LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zeph::platform
