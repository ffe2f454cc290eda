#pragma once

#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"
#include "support/logging/LogVerbosity.h"
#include "support/platform/LocalTime.h"
#include "support/platform/TextConversion.h"

#include <string>
#include <vector>

namespace quorvex::test {

namespace logging = zeph::windows::logging;

struct RecordedEntry {
    std::string listener;
    const logging::LogVerbosity* verbosity;
    zeph::platform::SYSTEMTIME time;
    std::wstring context;
    std::wstring message;
};

// A sink that appends what it receives to a journal that several sinks may share, so that
// tests can check delivery order across sinks. Entries arrive on the test's main thread.
class RecordingListener : public logging::LogListener {
public:
    RecordingListener(std::string name, std::vector<RecordedEntry>& journal)
        : name_(std::move(name)), journal_(journal) {}
    ~RecordingListener() override { detach(); }

    // Widened, so that tests compare with the texts of the log calls.
    void write(const logging::LogEntry& entry) override {
        journal_.push_back({name_, &entry.verbosity(), entry.time(), zeph::platform::widen(entry.context()),
                            zeph::platform::widen(entry.message())});
    }

private:
    std::string name_;
    std::vector<RecordedEntry>& journal_;
};

// The messages of the journal, in delivery order.
inline std::vector<std::wstring> messagesOf(const std::vector<RecordedEntry>& journal) {
    std::vector<std::wstring> messages;
    for (const RecordedEntry& entry : journal) {
        messages.push_back(entry.message);
    }
    return messages;
}

}  // namespace quorvex::test
