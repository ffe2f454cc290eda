#include "tests/cli/CliFixture.h"

#include <csignal>

using namespace quorvex::test;

namespace {

// A client killed while the unit streams, or one that disconnected cleanly, leaves the unit
// streaming: the next client must connect to it every time.
struct StreamingUnitCase {
    int framesPerSecond;
    int rounds;  // each a restart after SIGKILL and a connect after a clean disconnect
};

class CliStreamingUnit : public CliTest, public testing::WithParamInterface<StreamingUnitCase> {};

TEST_P(CliStreamingUnit, IsConnectedAfterEveryRestartAndEveryReconnect) {
    auto profile = quietProfile();
    profile.streamRate = GetParam().framesPerSecond;
    profile.recordsPerFrame = 4;
    startUnit(profile);
    for (int round = 0; round < GetParam().rounds; ++round) {
        for (const bool killed : {true, false}) {
            startClient();
            const auto first = expectEvent("streaming", {"\"first\":true"});
            ASSERT_FALSE(first.second.empty()) << (killed ? "restart " : "connect ") << round;
            EXPECT_EQ(0u, countEvents("disconnect")) << cli_->transcript();
            if (killed) {
                cli_->signal(SIGKILL);
                ASSERT_EQ(128 + SIGKILL, cli_->waitForExit());
            } else {
                cli_->sendLine("disconnect");
                expectEvent("disconnect", {"\"error\":0"});
                ASSERT_EQ(0, cli_->waitForExit());
            }
            ASSERT_TRUE(unit_->waitUntil([](const auto& status) { return status.streaming; },
                                         std::chrono::seconds(5)))
                << "the next client meets a streaming unit";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, CliStreamingUnit,
                         testing::Values(StreamingUnitCase{20, 20}, StreamingUnitCase{150, 20}),
                         [](const auto& row) { return std::to_string(row.param.framesPerSecond) + "fps"; });

}  // namespace
