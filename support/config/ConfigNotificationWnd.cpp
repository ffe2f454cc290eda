#include "support/config/ConfigNotificationWnd.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/RegisteredMessage.h"

#include <memory>

namespace zeph::windows::config {

using logging::LogBeacon;

platform::UINT ConfigNotificationWnd::CWM_NOTIFY_CONFIGCHANGE() {
    static const platform::UINT message =
        platform::registerWindowMessage(L"CWM_NOTIFY_CONFIGCHANGE-{95E4B830-E1AB-47F3-9677-580C7128D1BB}");
    return message;
}

ConfigNotificationWnd::ConfigNotificationWnd() {
    LogBeacon::log("zeph::windows::config::ConfigNotificationWnd::ConfigNotificationWnd",
                   logging::DebugLevel1, L" ");
    const platform::UINT changeMessage = CWM_NOTIFY_CONFIGCHANGE();
    window_ = platform::createMessageWindow(
        [this, changeMessage](platform::HWND, platform::UINT message, platform::WPARAM wParam,
                              platform::LPARAM lParam) -> platform::LRESULT {
            return message == changeMessage ? onConfigChange(wParam, lParam) : 0;
        });
}

ConfigNotificationWnd::~ConfigNotificationWnd() {
    // Notifications still queued would outlive the window: free their copies undelivered.
    platform::MSG msg;
    const platform::UINT changeMessage = CWM_NOTIFY_CONFIGCHANGE();
    while (window_ != nullptr &&
           platform::peekMessage(msg, window_, changeMessage, changeMessage, platform::PM_REMOVE)) {
        delete reinterpret_cast<std::wstring*>(msg.wParam);
        delete reinterpret_cast<ConfigValue*>(msg.lParam);
    }
    platform::destroyWindow(window_);
}

platform::LRESULT ConfigNotificationWnd::onConfigChange(platform::WPARAM wParam, platform::LPARAM lParam) {
    LogBeacon::log("zeph::windows::config::ConfigNotificationWnd::onConfigChange", logging::DebugLevel1,
                   L" ");
    // Freed on every path, also when a slot throws.
    const std::unique_ptr<std::wstring> key(reinterpret_cast<std::wstring*>(wParam));
    const std::unique_ptr<ConfigValue> value(reinterpret_cast<ConfigValue*>(lParam));
    if (key != nullptr && value != nullptr) {
        signal_(*key, *value);
    }
    return 0;
}

}  // namespace zeph::windows::config
