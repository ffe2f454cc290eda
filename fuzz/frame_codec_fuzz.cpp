// The frame codec at full speed: no log listener, so no log line is rendered.
// Input: see fuzz/FrameCodecHarness.h.

#include "fuzz/FrameCodecHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return quorvex::fuzz::frame_codec::fuzzOne(data, size, nullptr);
}
