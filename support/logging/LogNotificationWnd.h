#pragma once

#include "support/logging/LogVerbosity.h"
#include "support/platform/LocalTime.h"
#include "support/platform/WindowTypes.h"

#include <boost/signals2/signal.hpp>

#include <functional>

namespace zeph::windows::logging {

// The beacon's message-only window. It lives on the thread that created it, and there it hands
// every posted entry to the log signal, one entry at a time, in posting order.
class LogNotificationWnd {
public:
    // Slots run in the order in which they were connected.
    using Signal = boost::signals2::signal<void(const LogVerbosity&, platform::SYSTEMTIME, const wchar_t*,
                                                const wchar_t*),
                                           boost::signals2::optional_last_value<void>, int, std::less<int>>;

    // The registered message that carries one entry: WPARAM the level's value, LPARAM the
    // LogMessage, which the window frees.
    static platform::UINT WM_LOG_WRITEMESSAGE();

    // Creates the window on the calling thread. A window that cannot be created leaves a null
    // handle: every post to it then fails and the entry is dropped by its caller.
    LogNotificationWnd();
    ~LogNotificationWnd();
    LogNotificationWnd(const LogNotificationWnd&) = delete;
    LogNotificationWnd& operator=(const LogNotificationWnd&) = delete;

    platform::HWND handle() const { return window_; }
    Signal& signal() { return signal_; }

private:
    platform::LRESULT onWriteMessage(platform::WPARAM wParam, platform::LPARAM lParam);

    Signal signal_;  // declared first: the window procedure uses it from the moment it exists
    platform::HWND window_ = nullptr;
};

}  // namespace zeph::windows::logging
