#pragma once

#include "support/logging/LogVerbosity.h"
#include "support/platform/LocalTime.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zeph::windows::logging {

// One log entry, rendered once on the calling thread and read by every listener: the level, the
// local time of the call, and the context and message as UTF-8. Context and message share one
// buffer, so an entry in transit costs a single allocation beside its place in the batch.
class LogEntry {
public:
    LogEntry(const LogVerbosity& verbosity, const platform::SYSTEMTIME& time, std::string_view context,
             std::string_view message)
        : verbosity_(&verbosity), value_(verbosity.value()), time_(time), contextLength_(context.size()) {
        text_.reserve(context.size() + message.size());
        text_.append(context).append(message);
    }

    // The message as the formatter renders it, turned into UTF-8 straight into the entry.
    LogEntry(const LogVerbosity& verbosity, const platform::SYSTEMTIME& time, std::string_view context,
             std::wstring_view message);

    // The registered level of the call's value.
    const LogVerbosity& verbosity() const { return *verbosity_; }
    const platform::SYSTEMTIME& time() const { return time_; }
    std::string_view context() const { return std::string_view(text_).substr(0, contextLength_); }
    std::string_view message() const { return std::string_view(text_).substr(contextLength_); }

    // Looks the level up again by its value, as it is delivered: a level object may be gone since
    // the call. False when no level of that value is registered any more.
    bool resolve() {
        verbosity_ = LogVerbosity::find(value_);
        return verbosity_ != nullptr;
    }

private:
    const LogVerbosity* verbosity_;
    std::uint32_t value_;
    platform::SYSTEMTIME time_;
    std::size_t contextLength_;
    std::string text_;
};

// Entries handed over together, in posting order.
using LogBatch = std::span<const LogEntry>;

}  // namespace zeph::windows::logging
