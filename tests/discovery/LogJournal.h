#pragma once

#include "support/logging/LogListener.h"

#include <string>
#include <vector>

namespace quorvex::test {

// Keeps every log entry delivered while it is attached (on the test thread).
class LogJournal final : public zeph::windows::logging::LogListener {
public:
    struct Entry {
        const zeph::windows::logging::LogVerbosity* verbosity;
        std::wstring context;
        std::wstring message;
    };

    LogJournal();
    ~LogJournal() override;

    void write(const zeph::windows::logging::LogEntry& entry) override;

    // Whether an entry with that message (and context, when given) has been delivered.
    bool contains(const std::wstring& message, const std::wstring& context = {}) {
        return count(message, context) > 0;
    }
    std::size_t count(const std::wstring& message, const std::wstring& context = {});
    // Each message in the order logged, for a failed expectation's report.
    std::wstring transcript();

private:
    std::vector<Entry> entries_;
};

}  // namespace quorvex::test
