#include "device/EventBlockDecoder.h"
#include "simulator/SimulatedUnit.h"
#include "tests/simulator/ConsoleEnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

namespace quorvex::simulator::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint16_t FirmwareWord = 96 << 4;
constexpr auto PassPeriod = 40s;
constexpr double FramePeriod = 1.0 / 15;

// A streamed sample of channel 1's level, at the time its trailer carries.
struct Point {
    double time;
    double level;
};

double secondsOf(std::int32_t seconds, std::int32_t microseconds) {
    return seconds + microseconds / 1e6;
}

// Where the level passes `level` between two samples (linear between them).
double crossing(const Point& a, const Point& b, double level) {
    return a.time + (b.time - a.time) * (level - a.level) / (b.level - a.level);
}

// The middle of the stretch above half the peak: the peak's time, steady against the noise on
// the samples around it.
double peakTime(const std::vector<Point>& points) {
    const auto top = std::max_element(points.begin(), points.end(),
                                      [](const Point& a, const Point& b) { return a.level < b.level; });
    const double half = top->level / 2;
    auto rise = top;
    while (rise != points.begin() && rise->level >= half) {
        --rise;
    }
    auto fall = top;
    while (fall + 1 != points.end() && fall->level >= half) {
        ++fall;
    }
    EXPECT_LT(rise->level, half) << "no rise in the stream";
    EXPECT_LT(fall->level, half) << "no fall in the stream";
    return (crossing(*rise, *(rise + 1), half) + crossing(*(fall - 1), *fall, half)) / 2;
}

TEST(Demo, APassageArrivesWithinOnePassPeriodAtThePeakOfTheStreamedSignal) {
    SimulatorOptions options;
    const std::vector<std::string_view> args{"--demo"};
    ASSERT_EQ(parseSimulatorOptions(args, options), "");
    SimulatedUnit unit(options);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(unit.start(), "");
    ConsoleEnd console(unit.portName());
    console.sendLine("REQINIT");

    std::vector<Point> points;
    std::optional<GainRecord> gain;
    std::optional<double> triggered;
    std::optional<PassageRecord> passage;
    std::optional<double> end;  // a few seconds of the fall after the passage
    while (!end || points.empty() || points.back().time < *end) {
        const auto frame = console.readFrame(FirmwareWord, 5s);
        ASSERT_TRUE(frame.has_value()) << "the demo unit went quiet";
        ASSERT_EQ(frame->verdict.result, FRAME_ACCEPTED);
        console.reply(LinkReply::Acknowledge);
        const Bytes block = frame->block();
        if (frame->mask() == InitBit) {
            console.sendLine("START");
        } else if (frame->mask() == GainBit) {
            gain = gain.value_or(EventBlockDecoder::gain(block));
        } else if (frame->mask() == RecordingStartedBit && !points.empty()) {
            triggered = points.back().time;
        } else if (frame->mask() == PassageBit) {
            ASSERT_LT(std::chrono::steady_clock::now() - started, PassPeriod);
            passage = EventBlockDecoder::passage(block);
            end = secondsOf(passage->seconds, passage->microseconds) + 3;
        } else if (frame->mask() == StreamingBit) {
            const std::size_t size = 66;
            for (std::size_t at = 1; at + size <= block.size(); at += size) {
                const StreamingSample sample =
                    EventBlockDecoder::streamingSample(std::span(block).subspan(at, size), FirmwareWord);
                points.push_back({secondsOf(sample.trailer[0], sample.trailer[1]), double(sample.levels[0])});
            }
        }
    }
    ASSERT_TRUE(passage.has_value());
    const double passed = secondsOf(passage->seconds, passage->microseconds);
    EXPECT_NEAR(passed, peakTime(points), FramePeriod);
    // The meter lit from the stream's start at the default gain; the recording began on the rise.
    ASSERT_TRUE(gain.has_value());
    EXPECT_EQ(gain->gain, 8);
    ASSERT_TRUE(triggered.has_value());
    EXPECT_GT(passed - *triggered, 1.0);
    EXPECT_LT(passed - *triggered, 3.0);
    // On channel 1, where the unit's GPS puts it (within its wander of a few metres).
    EXPECT_EQ(passage->values[3], 1);
    EXPECT_NEAR(passage->latitude, 51.5, 1e-4);
    EXPECT_NEAR(passage->longitude, -0.12, 1e-4);
}

}  // namespace
}  // namespace quorvex::simulator::test
