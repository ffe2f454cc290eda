// The debug log file's bytes for a fixed session: the link layer and the dispatcher take a run of
// recorded frames, and a few calls cover the formatter's conversions. The file, time stamps
// aside, must stay byte for byte what the recorded file holds: operators' tools read these lines.
#include "device/FrameCodec.h"
#include "support/logfile/LogFileListener.h"
#include "support/platform/TextConversion.h"
#include "tests/device/DispatchFixture.h"
#include "tests/helpers/HexData.h"
#include "tests/support/logfile/LogFileTestSupport.h"

#include <fstream>
#include <span>

using namespace quorvex::test;
using namespace zeph::windows::logging;

namespace {

// Frames as a unit sends them through a session: set-up, a stream, events, and the link's faults.
const char* const kSessionFrames[] = {
    "good_initialization",
    "init_gps_gain",
    "good_gain_indicator",
    "good_gps_information",
    "good_state_info",
    "good_streaming_3x66",
    "good_streaming_and_gain",
    "good_streaming_empty",
    "good_pig_passage",
    "good_ignored_event",
    "good_recording_started",
    "good_recording_mode_changed",
    "good_mode_changed",
    "good_adc_polling_begin",
    "good_adc_polling_end",
    "good_stop_streaming_ack",
    "good_unknown_bits",
    "wake_bytes_gain",
    "bad_checksum",
    "missing_eot",
    "length_past_buffer",
    "truncated_gain",
    "empty_payload",
};

class DebugLogBytes : public DispatchTest {
protected:
    void playFrame(const std::string& name) {
        const std::vector<std::uint8_t> bytes = readTestDataHex("frames/" + name + ".hex");
        const FrameVerdict verdict =
            FrameCodec::parse(bytes, ConnectionState::Connected, stack_.deviceState_.firmware()[0]);
        if (verdict.result == FRAME_ACCEPTED && verdict.payload.result == FRAME_ACCEPTED) {
            dispatch(
                {bytes.begin() + static_cast<std::ptrdiff_t>(verdict.payloadOffset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(verdict.payloadOffset + verdict.payloadLength)});
        }
    }

    // Every kind of argument the stack's calls pass, and the texts the file escapes.
    static void logConversions() {
        const char* context = "DebugLogBytes::conversions";
        LogBeacon::log(context, DebugLevel1, L" ");
        LogBeacon::log(context, DebugLevel2,
                       L"Signed [%d], unsigned [%u], hex [0x%08X] [%x], -1 as %%X [%X].", -42, 4000000000u,
                       0xBEEFu, 255, -1);
        LogBeacon::log(context, DebugLevel4, L"Wide [%s], narrow [%hs], char [%c], 64-bit [%lld].",
                       std::wstring(L"Bahnh\u00f6f \u2192 Z\u00fcrich"), std::string("caf\xc3\xa9"), L'Q',
                       -9000000000LL);
        LogBeacon::log(context, DebugLevel3, L"Padded [%5d] [%-5d] [%05.1f] [%.3s] [%p].", 7, 7, 2.25,
                       std::string("abcdef"), static_cast<const void*>(nullptr));
        LogBeacon::log(context, Error, L"Control characters and bars [%hs] [%s].", std::string("a|b\tc\r\nd"),
                       std::wstring(L"\x1b[31m|"));
        LogBeacon::log(context, Warning, L"Missing [%d] and wrong [%d] arguments.", std::string("text"));
    }
};

TEST_F(DebugLogBytes, ASessionsLogFileKeepsEveryByteButTheTimeStamps) {
    TemporaryFolder folder;
    LogFileListener file;
    ASSERT_EQ(file.open(zeph::platform::widen(folder.path().string()), L"session"), 0u);
    ASSERT_EQ(file.attach(), 0u);
    setUnit("M450 1", firmwareWord(96));
    for (const char* name : kSessionFrames) {
        if (std::string_view(name) == "good_streaming_3x66") {
            startStreaming();
        }
        playFrame(name);
    }
    logConversions();
    beacon_->flush();
    file.close();

    std::string actual;
    for (const std::string& line : readLines(folder.path() / "session.log")) {
        // The header line has no time stamp; every other line loses its date and time.
        actual += (line.starts_with("Date|") ? line : afterTime(line)) + '\n';
    }
    const std::string expected = readBytes(testDataPath("logs/session_without_time.log"));
    if (actual != expected) {
        std::ofstream(folder.path() / "actual.log", std::ios::binary) << actual;
        ADD_FAILURE() << "the log file's bytes changed; compare "
                      << testDataPath("logs/session_without_time.log") << " with this run's file:\n"
                      << actual;
    }
}

}  // namespace
