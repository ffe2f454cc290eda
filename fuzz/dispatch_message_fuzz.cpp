// The event decoder at full speed: no log listener, so no log line is rendered.
// Input: see fuzz/DispatchMessageHarness.h.

#include "fuzz/DispatchMessageHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The stack and its window belong to the fuzzing thread.
    static quorvex::fuzz::dispatch_message::Harness harness(nullptr);
    return quorvex::fuzz::dispatch_message::fuzzOne(harness, data, size);
}
