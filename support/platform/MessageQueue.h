#pragma once

#include "support/platform/Thread.h"
#include "support/platform/WindowTypes.h"

#include <cstddef>
#include <functional>

namespace zeph::platform {

// Thread message queues as Win32 keeps them. A thread's queue exists from its first
// getMessage/peekMessage (or createMessageWindow, setMessageWakeHook) and ends with the thread:
// messages still queued then are dropped, and records carried in their lParam leak, as they do on
// Windows. Messages sent with sendMessage to a window of this thread are handled inside
// getMessage, peekMessage and pumpMessages, before any posted message.

// False with ERROR_INVALID_THREAD_ID when the thread has no queue.
bool postThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam);

// Blocks until a message in the filter arrives; 0 for WM_QUIT, -1 on an invalid filter (a window
// that is not the calling thread's, ERROR_INVALID_WINDOW_HANDLE; a range with min > max,
// ERROR_INVALID_PARAMETER), else a positive value. A null window and a 0..0 range take everything.
// WM_QUIT passes every range; a window filter takes only that window's messages, never the quit
// of postQuitMessage, which comes once no other posted message is in the filter.
int getMessage(MSG& msg, HWND window, UINT filterMin, UINT filterMax);

// PeekMessageW with PM_REMOVE or PM_NOREMOVE (other flags: ERROR_INVALID_PARAMETER); filters as
// getMessage; never blocks.
bool peekMessage(MSG& msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);

// Hands a window message to its window procedure (on the calling thread); 0 for a thread
// message, a destroyed window (ERROR_INVALID_WINDOW_HANDLE: the message is dropped) or another
// thread's window (ERROR_ACCESS_DENIED).
LRESULT dispatchMessage(const MSG& msg);

// Posts WM_QUIT with the exit code to the calling thread's queue.
void postQuitMessage(int exitCode);

// Dispatches everything queued for the calling thread and returns how many messages it handled.
// Used by tests, by LogBeacon::flush, and by an event loop woken through the hook below.
// Posted messages are taken up to the newest one queued when it starts (what procedures post
// meanwhile waits for the next pump, so a self-reposting procedure cannot hold it forever).
// A WM_QUIT stays queued for the thread's getMessage loop; the messages behind it are dispatched.
// A thread without a queue has nothing to pump and gets no queue.
std::size_t pumpMessages();

// Installs a hook that is called (on the posting thread) whenever a message is posted or sent
// to the calling thread's queue: an event loop of another kind (Qt) uses it to schedule a
// pumpMessages on its own thread. An empty function removes it. The hook is called with no lock
// held and must not wait for the queue's thread: replacing or removing it waits until calls in
// progress have returned, so what the old hook refers to may be destroyed right after.
void setMessageWakeHook(std::function<void()> hook);

}  // namespace zeph::platform
