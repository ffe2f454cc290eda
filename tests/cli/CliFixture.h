#pragma once

#include "simulator/UnitSimulator.h"
#include "tests/cli/ChildProcess.h"
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace quorvex::test {

// A simulated unit on a pseudo-terminal in the test process and quorvex-cli, as a process of its
// own, connected to it; the client's debug log goes to a folder of the test.
class CliTest : public testing::Test {
protected:
    // A unit that reads its battery only when asked and gives up unanswered frames soon.
    static simulator::UnitProfile quietProfile();

    void startUnit(const simulator::UnitProfile& profile = quietProfile());
    void startClient(const std::vector<std::string>& extraArgs = {});
    // Unit and client, then the session up to the first streaming sample.
    void startStreamingSession(const simulator::UnitProfile& profile = quietProfile());

    // The first line of the event from index `from` on whose text holds every fragment; fails
    // the test when it does not come in time.
    std::pair<std::size_t, std::string> expectEvent(const std::string& event,
                                                    const std::vector<std::string>& fragments = {},
                                                    std::size_t from = 0);
    std::size_t countEvents(const std::string& event) const;
    // A control line for the unit ("passage 2", "fault hangup").
    void control(const std::string& line);
    // The lines the unit received, without their line feed, oldest first.
    std::vector<std::string> linesOnWire() const;
    // The client's debug log file, once it has exited.
    std::string debugLog() const;

    TemporaryFolder logFolder_;
    std::unique_ptr<simulator::UnitSimulator> unit_;
    std::unique_ptr<ChildProcess> cli_;
};

bool contains(const std::string& text, const std::string& fragment);

}  // namespace quorvex::test
