#pragma once

#include "support/platform/Thread.h"
#include "support/platform/WindowTypes.h"

#include <functional>

namespace zeph::platform {

using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// A message-only window bound to the thread that creates it; its procedure runs only there, and
// is never called with a lock of this layer held (it may destroy its own window, create windows,
// post or send). The window's number is never given out again. An empty procedure: null with
// ERROR_INVALID_PARAMETER. The window is destroyed when its thread ends.
HWND createMessageWindow(WindowProc procedure);

// Only the owner thread may destroy a window (else false with ERROR_ACCESS_DENIED).
// Senders blocked in sendMessage to it return 0 at once.
bool destroyWindow(HWND window);

bool isWindow(HWND window);

// The owner thread's id, 0 for an invalid window.
ThreadId getWindowThreadId(HWND window);

// Queues the message for the window's thread; false with ERROR_INVALID_WINDOW_HANDLE when the
// window does not exist. A message whose window is destroyed before dispatch is dropped there.
bool postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the window procedure on the owner thread and returns its result: at once on the owner's
// own thread; otherwise the sender blocks until the owner has handled it, meanwhile handling
// messages sent to its own windows (two threads sending to each other never lock up). Returns 0
// (with ERROR_INVALID_WINDOW_HANDLE) for an invalid window or one destroyed, or whose thread
// ended, while the sender waits. A sender without a queue gets none.
LRESULT sendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zeph::platform
