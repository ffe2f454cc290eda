#include "tests/discovery/LogJournal.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/TextConversion.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvex::test {

using zeph::windows::logging::LogBeacon;

LogJournal::LogJournal() {
    EXPECT_EQ(0u, attach());
}

LogJournal::~LogJournal() {
    LogBeacon::instance().flush();
    detach();
}

void LogJournal::write(const zeph::windows::logging::LogEntry& entry) {
    entries_.push_back(Entry{&entry.verbosity(), zeph::platform::widen(entry.context()),
                             zeph::platform::widen(entry.message())});
}

std::size_t LogJournal::count(const std::wstring& message, const std::wstring& context) {
    LogBeacon::instance().flush();
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
        return entry.message == message && (context.empty() || entry.context == context);
    }));
}

std::wstring LogJournal::transcript() {
    LogBeacon::instance().flush();
    std::wstring text;
    for (const Entry& entry : entries_) {
        text += entry.context + L": " + entry.message + L"\n";
    }
    return text;
}

}  // namespace quorvex::test
