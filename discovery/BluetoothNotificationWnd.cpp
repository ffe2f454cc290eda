#include "discovery/BluetoothNotificationWnd.h"

#include "discovery/BluetoothMessages.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"

#include <memory>

namespace zeph::windows::discovery {

BluetoothNotificationWnd::BluetoothNotificationWnd() {
    window_ =
        platform::createMessageWindow([](platform::HWND, platform::UINT message, platform::WPARAM wParam,
                                         platform::LPARAM lParam) -> platform::LRESULT {
            return message == wmBluetoothEnumDevices() ? onEnumDevices(wParam, lParam) : 0;
        });
}

BluetoothNotificationWnd::~BluetoothNotificationWnd() {
    if (!platform::isWindow(window_)) {
        return;
    }
    const platform::UINT message = wmBluetoothEnumDevices();
    platform::MSG msg;
    while (platform::peekMessage(msg, window_, message, message, platform::PM_REMOVE)) {
        delete reinterpret_cast<BluetoothSearchRequest*>(msg.wParam);
        delete reinterpret_cast<BluetoothSearchResult*>(msg.lParam);
    }
    platform::destroyWindow(window_);
}

platform::LRESULT BluetoothNotificationWnd::onEnumDevices(platform::WPARAM wParam, platform::LPARAM lParam) {
    const std::unique_ptr<BluetoothSearchRequest> request(reinterpret_cast<BluetoothSearchRequest*>(wParam));
    const std::unique_ptr<BluetoothSearchResult> result(reinterpret_cast<BluetoothSearchResult*>(lParam));
    if (request && result) {
        request->resultSignal(result->code, result->code == 0 ? &result->devices : nullptr);
    }
    return 0;
}

}  // namespace zeph::windows::discovery
