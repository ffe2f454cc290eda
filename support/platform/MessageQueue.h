#pragma once

#include "support/platform/Thread.h"
#include "support/platform/WindowTypes.h"

#include <cstddef>
#include <functional>

namespace zeph::platform {

// Thread message queues as Win32 keeps them. A thread's queue exists from its first
// getMessage/peekMessage (or createMessageWindow). Messages sent with sendMessage to a window
// of this thread are handled inside getMessage, peekMessage and pumpMessages.

// False with ERROR_INVALID_THREAD_ID when the thread has no queue.
bool postThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam);

// Blocks until a message in the filter arrives; 0 for WM_QUIT, -1 on an invalid window filter,
// else a positive value. A null window and a 0..0 range take everything.
int getMessage(MSG& msg, HWND window, UINT filterMin, UINT filterMax);

// PeekMessageW with PM_REMOVE or PM_NOREMOVE; never blocks.
bool peekMessage(MSG& msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);

// Hands a window message to its window procedure (on the calling thread); 0 for a thread
// message or a destroyed window.
LRESULT dispatchMessage(const MSG& msg);

// Posts WM_QUIT with the exit code to the calling thread's queue.
void postQuitMessage(int exitCode);

// Dispatches everything queued for the calling thread and returns how many messages it handled.
// Used by tests, by LogBeacon::flush, and by an event loop woken through the hook below.
std::size_t pumpMessages();

// Installs a hook that is called (on the posting thread) whenever a message is posted or sent
// to the calling thread's queue: an event loop of another kind (Qt) uses it to schedule a
// pumpMessages on its own thread. An empty function removes it.
void setMessageWakeHook(std::function<void()> hook);

}  // namespace zeph::platform
