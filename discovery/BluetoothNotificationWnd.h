#pragma once

#include "support/platform/WindowTypes.h"

namespace zeph::windows::discovery {

// The hidden window on the window thread that receives each search result from the Bluetooth
// thread and hands it to the searcher's slot. It belongs to the thread that creates it.
class BluetoothNotificationWnd {
public:
    BluetoothNotificationWnd();
    // Frees the results still queued for it, undelivered: only once the Bluetooth thread has
    // stopped, so that nothing more arrives.
    ~BluetoothNotificationWnd();
    BluetoothNotificationWnd(const BluetoothNotificationWnd&) = delete;
    BluetoothNotificationWnd& operator=(const BluetoothNotificationWnd&) = delete;

    platform::HWND handle() const { return window_; }

private:
    static platform::LRESULT onEnumDevices(platform::WPARAM wParam, platform::LPARAM lParam);

    platform::HWND window_ = nullptr;
};

}  // namespace zeph::windows::discovery
