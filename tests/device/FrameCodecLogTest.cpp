#include "device/FrameCodec.h"

#include "support/logging/LogBeacon.h"
#include "tests/helpers/HexData.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace zeph::windows::logging;
using quorvex::test::readTestDataHex;
using quorvex::test::RecordedEntry;
using quorvex::test::RecordingListener;

struct Line {
    std::wstring context;
    std::wstring level;
    std::wstring message;
    bool operator==(const Line&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Line& line) {
    return out << std::string(line.context.begin(), line.context.end()) << " | "
               << std::string(line.level.begin(), line.level.end()) << " | "
               << std::string(line.message.begin(), line.message.end());
}

const std::wstring OnRead = L"QuorvexSupervisor::onRead";
const std::wstring Pretranslate = L"QuorvexSupervisor::pretranslateMessage";

Line onRead(const LogVerbosity& level, std::wstring message) {
    return {OnRead, level.name(), std::move(message)};
}

Line pretranslate(const LogVerbosity& level, std::wstring message) {
    return {Pretranslate, level.name(), std::move(message)};
}

// The log belongs to the test's thread, which delivers its entries with flush.
class FrameCodecLog : public ::testing::Test {
protected:
    void SetUp() override {
        beacon_ = &LogBeacon::instance();
        beacon_->flush();
        ASSERT_EQ(0u, listener_.attach());
    }

    std::vector<Line> linesOf(const std::string& file, const ConnectionState& connection,
                              std::uint16_t firmware = 91 << 4) {
        const std::vector<std::uint8_t> bytes = readTestDataHex("frames/" + file + ".hex");
        FrameCodec::parse(bytes, connection, firmware);
        beacon_->flush();
        std::vector<Line> lines;
        for (const RecordedEntry& entry : journal_) {
            lines.push_back({entry.context, entry.verbosity->name(), entry.message});
        }
        return lines;
    }

    LogBeacon* beacon_ = nullptr;
    std::vector<RecordedEntry> journal_;
    RecordingListener listener_{"frames", journal_};
};

TEST_F(FrameCodecLog, AcceptedFrameWithWakeBytes) {
    const std::vector<Line> expected{
        onRead(DebugLevel1, L" "),
        onRead(DebugLevel4,
               L"Bytes read [14]: 0x5E 0x5E 0x5E 0x01 0x03 0x06 0x00 0x02 0x00 0x00 0x00 0x07 0x00 0x04"),
        onRead(Warning, L"Ignoring 3 bytes from QUORVEX unit."),
        onRead(DebugLevel4, L"Expected payload length: 6"),
        onRead(DebugLevel4, L"Extracted checksum: 3"),
        onRead(DebugLevel4, L"Calculated checksum: 3"),
        pretranslate(DebugLevel1, L" "),
        pretranslate(DebugLevel4, L"Event mask: 0x00000002."),
    };
    EXPECT_EQ(expected, linesOf("wake_bytes_gain", ConnectionState::Connected));
}

TEST_F(FrameCodecLog, FramingErrors) {
    const Line entry = onRead(DebugLevel1, L" ");
    const Line length = onRead(DebugLevel4, L"Expected payload length: 6");
    const Line moreData = onRead(Warning, L"ERROR_MORE_DATA.");

    std::vector<Line> lines = linesOf("missing_soh", ConnectionState::Connected);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(entry, lines[0]);
    EXPECT_EQ(onRead(Error, L"Missing SOH."), lines[2]);
    journal_.clear();

    EXPECT_EQ((std::vector<Line>{entry, onRead(DebugLevel4, L"Bytes read [5]: 0x01 0x00 0x00 0x00 0x04"),
                                 moreData}),
              linesOf("empty_payload", ConnectionState::Connected));
    journal_.clear();

    lines = linesOf("truncated_gain", ConnectionState::Connected);
    EXPECT_EQ((std::vector<Line>{length, moreData}), std::vector<Line>(lines.begin() + 2, lines.end()));
    journal_.clear();

    lines = linesOf("missing_eot", ConnectionState::Connected);
    EXPECT_EQ((std::vector<Line>{length, onRead(Error, L"Missing EOT.")}),
              std::vector<Line>(lines.begin() + 2, lines.end()));
    journal_.clear();

    lines = linesOf("bad_checksum", ConnectionState::Connected);
    EXPECT_EQ((std::vector<Line>{length, onRead(DebugLevel4, L"Extracted checksum: 67"),
                                 onRead(DebugLevel4, L"Calculated checksum: 3"),
                                 onRead(Error, L"Checksum mismatch.")}),
              std::vector<Line>(lines.begin() + 2, lines.end()));
}

// The lines after the frame checks: those of the payload check.
std::vector<Line> payloadLines(const std::vector<Line>& lines) {
    auto first = lines.begin();
    while (first != lines.end() && first->context != Pretranslate) {
        ++first;
    }
    return {first, lines.end()};
}

TEST_F(FrameCodecLog, PayloadLengthMismatches) {
    const Line entry = pretranslate(DebugLevel1, L" ");
    EXPECT_EQ((std::vector<Line>{entry, pretranslate(Error,
                                                     L"Message payload length mismatch, received 3 bytes, "
                                                     L"expected 4 bytes.")}),
              payloadLines(linesOf("payload_3", ConnectionState::Connected)));
    journal_.clear();

    EXPECT_EQ((std::vector<Line>{entry, pretranslate(DebugLevel4, L"Event mask: 0x00000003."),
                                 pretranslate(Error,
                                              L"Message payload length mismatch, received 4 bytes, "
                                              L"expected 7 bytes.")}),
              payloadLines(linesOf("streaming_gain_mask_only", ConnectionState::Connected)));
    journal_.clear();

    EXPECT_EQ((std::vector<Line>{entry, pretranslate(DebugLevel4, L"Event mask: 0x00000001."),
                                 pretranslate(Error,
                                              L"Message payload length mismatch, received 203 bytes, "
                                              L"expected 191 bytes.")}),
              payloadLines(linesOf("good_streaming_3x66", ConnectionState::Connected, 90 << 4)));
}

TEST_F(FrameCodecLog, FrameBeforeTheConnection) {
    EXPECT_EQ((std::vector<Line>{pretranslate(DebugLevel1, L" "),
                                 pretranslate(DebugLevel4, L"Event mask: 0x00000002."),
                                 pretranslate(Warning, L"Ignoring message - Connection not established.")}),
              payloadLines(linesOf("good_gain_indicator", ConnectionState::Connecting)));
    journal_.clear();

    EXPECT_EQ((std::vector<Line>{pretranslate(DebugLevel1, L" "),
                                 pretranslate(DebugLevel4, L"Event mask: 0x00000422.")}),
              payloadLines(linesOf("init_gps_gain", ConnectionState::Disconnected)));
}

}  // namespace
