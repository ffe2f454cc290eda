// The event decoder with a log listener attached: every log line of a dispatch is rendered, so the
// formatter also runs over the unit's bytes (slower than dispatch_message_fuzz by far).
// Input: see fuzz/DispatchMessageHarness.h.

#include "fuzz/DiscardingLog.h"
#include "fuzz/DispatchMessageHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The stack, its window and the log belong to the fuzzing thread.
    static quorvex::fuzz::dispatch_message::Harness harness(&quorvex::fuzz::logWithListener());
    return quorvex::fuzz::dispatch_message::fuzzOne(harness, data, size);
}
