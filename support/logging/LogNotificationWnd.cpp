#include "support/logging/LogNotificationWnd.h"

#include "support/logging/LogMessage.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/RegisteredMessage.h"

#include <cstdint>
#include <exception>
#include <memory>

namespace zeph::windows::logging {

platform::UINT LogNotificationWnd::WM_LOG_WRITEMESSAGE() {
    static const platform::UINT message =
        platform::registerWindowMessage(L"WM_LOG_WRITEMESSAGE-{4D320642-D342-4FD8-906E-03B1C7E168F8}");
    return message;
}

LogNotificationWnd::LogNotificationWnd() {
    const platform::UINT writeMessage = WM_LOG_WRITEMESSAGE();
    window_ = platform::createMessageWindow(
        [this, writeMessage](platform::HWND, platform::UINT message, platform::WPARAM wParam,
                             platform::LPARAM lParam) -> platform::LRESULT {
            return message == writeMessage ? onWriteMessage(wParam, lParam) : 0;
        });
}

LogNotificationWnd::~LogNotificationWnd() {
    // Entries still queued for the window would outlive it: free them undelivered.
    platform::MSG msg;
    const platform::UINT writeMessage = WM_LOG_WRITEMESSAGE();
    while (window_ != nullptr &&
           platform::peekMessage(msg, window_, writeMessage, writeMessage, platform::PM_REMOVE)) {
        delete reinterpret_cast<LogMessage*>(msg.lParam);
    }
    platform::destroyWindow(window_);
}

platform::LRESULT LogNotificationWnd::onWriteMessage(platform::WPARAM wParam, platform::LPARAM lParam) {
    const std::unique_ptr<LogMessage> record(reinterpret_cast<LogMessage*>(lParam));
    const LogVerbosity* verbosity =
        wParam <= UINT32_MAX ? LogVerbosity::find(static_cast<std::uint32_t>(wParam)) : nullptr;
    if (record == nullptr || verbosity == nullptr) {
        return 0;
    }
    try {
        signal_(*verbosity, record->time, record->context.c_str(), record->message.c_str());
    } catch (const std::exception&) {
        // A sink that fails (out of memory) loses this entry; it must not take the message loop
        // of the window thread down with it.
    }
    return 0;
}

}  // namespace zeph::windows::logging
