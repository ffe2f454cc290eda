#include "support/logging/LogBeacon.h"

#include "support/logging/LogMessage.h"
#include "support/logging/LogNotificationWnd.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/SystemText.h"
#include "support/platform/TextConversion.h"
#include "support/platform/Thread.h"

#include <atomic>
#include <utility>

namespace zeph::windows::logging {

namespace {

// Published once by instance(); read by every log call on every thread.
std::atomic<LogBeacon*> theBeacon{nullptr};

}  // namespace

LogBeacon& LogBeacon::instance() {
    static LogBeacon* const beacon = [] {
        auto* created = new LogBeacon;
        theBeacon.store(created, std::memory_order_release);
        return created;
    }();
    return *beacon;
}

LogBeacon* LogBeacon::current() {
    return theBeacon.load(std::memory_order_acquire);
}

LogBeacon::LogBeacon() : window_(std::make_unique<LogNotificationWnd>()) {}

LogBeacon::~LogBeacon() = default;

bool LogBeacon::hasListeners() const {
    return !window_->signal().empty();
}

void LogBeacon::post(const char* context, const LogVerbosity& verbosity, const platform::SYSTEMTIME& time,
                     std::wstring&& message) {
    auto* record = new LogMessage{LogVerbosity::find(verbosity.value()), time,
                                  platform::widen(context ? context : ""), std::move(message)};
    if (!platform::postMessage(window_->handle(), LogNotificationWnd::WM_LOG_WRITEMESSAGE(),
                               verbosity.value(), reinterpret_cast<platform::LPARAM>(record))) {
        delete record;
    }
}

void LogBeacon::logSystemError(const char* context, const platform::DWORD& code) {
    if (current() == nullptr) {
        return;
    }
    std::optional<std::wstring> text = platform::systemText(code);
    if (!text || text->empty()) {
        return;
    }
    if (text->ends_with(L"\r\n")) {
        text->resize(text->size() - 2);
    }
    // The system's words are an argument, never a format: a '%' in them stays a '%'.
    log(context, Error, L"%s", *text);
}

boost::signals2::connection LogBeacon::connect(const Slot& slot) {
    return window_->signal().connect(slot, boost::signals2::at_back);
}

void LogBeacon::flush() {
    const platform::HWND window = window_->handle();
    if (platform::getWindowThreadId(window) != platform::currentThreadId()) {
        return;
    }
    // A marker posted behind the pending entries bounds the drain: a listener that logs while
    // its entry is delivered cannot keep flush running forever.
    static int markerTag;
    const auto marker = reinterpret_cast<platform::LPARAM>(&markerTag);
    if (!platform::postMessage(window, platform::WM_NULL, 0, marker)) {
        return;
    }
    platform::MSG msg;
    while (platform::peekMessage(msg, window, 0, 0, platform::PM_REMOVE)) {
        if (msg.message == platform::WM_NULL && msg.lParam == marker) {
            return;
        }
        platform::dispatchMessage(msg);
    }
}

}  // namespace zeph::windows::logging
