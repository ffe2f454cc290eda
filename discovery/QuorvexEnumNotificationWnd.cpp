#include "discovery/QuorvexEnumNotificationWnd.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/RegisteredMessage.h"

namespace zeph::windows::discovery {

platform::UINT QuorvexEnumNotificationWnd::message() {
    static const platform::UINT id = platform::registerWindowMessage(
        L"WM_QUORVEX_NOTIFY_DEVICE_STATUS-{A9824DBA-11B6-441E-8148-4A00BF48A675}");
    return id;
}

QuorvexEnumNotificationWnd::QuorvexEnumNotificationWnd() {
    window_ = platform::createMessageWindow([](platform::HWND, platform::UINT msg, platform::WPARAM wParam,
                                               platform::LPARAM lParam) -> platform::LRESULT {
        if (msg == message() && wParam != 0 && lParam != 0) {
            (*reinterpret_cast<QuorvexStatusSignal*>(wParam))(
                *reinterpret_cast<const tagQUORVEX_STATUS*>(lParam));
        }
        return 0;
    });
}

QuorvexEnumNotificationWnd::~QuorvexEnumNotificationWnd() {
    destroy();
}

void QuorvexEnumNotificationWnd::destroy() {
    if (platform::isWindow(window_) && platform::getWindowThreadId(window_) == platform::currentThreadId()) {
        platform::destroyWindow(window_);
    }
}

void QuorvexEnumNotificationWnd::NotifyDeviceStatus(QuorvexStatusSignal* signal,
                                                    const tagQUORVEX_STATUS& status) const {
    const platform::LRESULT result =
        platform::sendMessage(window_, message(), reinterpret_cast<platform::WPARAM>(signal),
                              reinterpret_cast<platform::LPARAM>(&status));
    if (result != 0) {
        logging::LogBeacon::log("QuorvexEnumNotificationWnd::NotifyDeviceStatus", logging::Error,
                                L"::SendMessage() failed.", platform::getLastError());
    }
}

}  // namespace zeph::windows::discovery
