#pragma once

#include "support/config/ConfigValue.h"
#include "support/platform/WindowTypes.h"

#include <boost/signals2/signal.hpp>

#include <string>

namespace zeph::windows::config {

// The store's message-only window: it lives on the thread that created it and there it fires the
// change signal, one write at a time, in the order of the writes.
class ConfigNotificationWnd {
public:
    using Signal = boost::signals2::signal<void(const std::wstring& key, const ConfigValue& value)>;

    // The registered message of one write: WPARAM a heap copy of the key (std::wstring), LPARAM a
    // heap copy of the value (ConfigValue). The window frees both.
    static platform::UINT CWM_NOTIFY_CONFIGCHANGE();

    // Creates the window on the calling thread; a window that cannot be created leaves a null
    // handle, and every post to it fails.
    ConfigNotificationWnd();
    ~ConfigNotificationWnd();
    ConfigNotificationWnd(const ConfigNotificationWnd&) = delete;
    ConfigNotificationWnd& operator=(const ConfigNotificationWnd&) = delete;

    platform::HWND handle() const { return window_; }
    Signal& signal() { return signal_; }

private:
    platform::LRESULT onConfigChange(platform::WPARAM wParam, platform::LPARAM lParam);

    Signal signal_;  // declared first: the window procedure uses it from the moment it exists
    platform::HWND window_ = nullptr;
};

}  // namespace zeph::windows::config
