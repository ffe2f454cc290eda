#include "support/logging/LogBeacon.h"

#include "support/logging/LogArgumentEscape.h"
#include "support/logging/LogListener.h"
#include "support/logging/LogNotificationWnd.h"
#include "support/platform/LocalTime.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/SystemText.h"
#include "support/platform/TextConversion.h"
#include "support/platform/Thread.h"

#include <algorithm>
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

void LogBeacon::post(const char* context, const LogVerbosity& verbosity, const wchar_t* format,
                     std::span<const platform::FormatArg> args) noexcept {
    // A level without a registered object would be dropped at delivery: it is not even rendered.
    const LogVerbosity* registered = LogVerbosity::find(verbosity.value());
    if (registered == nullptr) {
        return;
    }
    try {
        const platform::SYSTEMTIME time = platform::getLocalTime();
        const EscapedLogArguments escaped(args);
        const std::wstring message = platform::formatArgs(format ? format : L"", escaped.args());
        rendered_.fetch_add(1, std::memory_order_relaxed);
        window_->post(LogEntry(*registered, time, context ? context : "", message));
    } catch (const std::exception&) {
        // Out of memory: the entry is lost, the caller goes on.
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

boost::signals2::connection LogBeacon::connect(const Slot& slot, std::uint32_t levels) {
    return subscribe(slot, nullptr, levels);
}

boost::signals2::connection LogBeacon::connect(LogListener& listener) {
    return subscribe([&listener](LogBatch entries) { listener.writeBatch(entries); }, &listener, 0);
}

boost::signals2::connection LogBeacon::subscribe(const Slot& slot, const LogListener* listener,
                                                 std::uint32_t levels) {
    boost::signals2::connection connection = window_->signal().connect(slot, boost::signals2::at_back);
    {
        const std::lock_guard lock(subscriptionsMutex_);
        subscriptions_.push_back({connection, listener, levels});
    }
    updateLevels();
    return connection;
}

void LogBeacon::updateLevels() {
    const std::lock_guard lock(subscriptionsMutex_);
    std::erase_if(subscriptions_,
                  [](const Subscription& subscription) { return !subscription.connection.connected(); });
    std::uint32_t levels = 0;
    for (const Subscription& subscription : subscriptions_) {
        levels |= subscription.listener != nullptr ? subscription.listener->levels() : subscription.levels;
    }
    levels_.store(levels, std::memory_order_relaxed);
}

void LogBeacon::paceDelivery(std::chrono::milliseconds interval) {
    window_->paceDelivery(interval);
}

void LogBeacon::flush() {
    if (platform::getWindowThreadId(window_->handle()) != platform::currentThreadId()) {
        return;
    }
    window_->deliverPending();
}

}  // namespace zeph::windows::logging
