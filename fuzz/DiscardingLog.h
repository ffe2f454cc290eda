#pragma once
// The debug log as the fuzz targets run it: a listener is attached, so every log line the code
// under test writes is rendered (the formatter runs on the fuzzed texts too), and none is kept.

#include "support/logging/LogBeacon.h"
#include "support/logging/LogListener.h"

namespace quorvex::fuzz {

// Takes every entry and keeps none.
class DiscardingListener : public zeph::windows::logging::LogListener {
public:
    ~DiscardingListener() override { detach(); }
    void write(const zeph::windows::logging::LogEntry&) override {}
};

// The beacon with a discarding listener attached, made on first use by the calling thread, which
// then delivers the entries with flush.
inline zeph::windows::logging::LogBeacon& logWithListener() {
    static DiscardingListener listener;
    static zeph::windows::logging::LogBeacon& beacon = []() -> zeph::windows::logging::LogBeacon& {
        auto& created = zeph::windows::logging::LogBeacon::instance();
        listener.attach();
        return created;
    }();
    return beacon;
}

}  // namespace quorvex::fuzz
