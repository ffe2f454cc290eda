#pragma once

#include "discovery/QuorvexStatus.h"
#include "support/platform/WindowTypes.h"

namespace zeph::windows::discovery {

// The hidden window on the window thread through which an enumeration worker reports: the
// worker sends (never posts) each status, so the record is read before the worker goes on.
class QuorvexEnumNotificationWnd {
public:
    // On the window thread.
    QuorvexEnumNotificationWnd();
    ~QuorvexEnumNotificationWnd();
    QuorvexEnumNotificationWnd(const QuorvexEnumNotificationWnd&) = delete;
    QuorvexEnumNotificationWnd& operator=(const QuorvexEnumNotificationWnd&) = delete;

    platform::HWND handle() const { return window_; }
    // On the window thread: a report under way or to come returns at once, undelivered.
    void destroy();

    // On the worker: emits the signal with the status on the window thread and waits for it.
    void NotifyDeviceStatus(QuorvexStatusSignal* signal, const tagQUORVEX_STATUS& status) const;

    static platform::UINT message();

private:
    platform::HWND window_ = nullptr;
};

}  // namespace zeph::windows::discovery
