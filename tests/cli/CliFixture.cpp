#include "tests/cli/CliFixture.h"

#include "simulator/ControlCommand.h"

namespace quorvex::test {

bool contains(const std::string& text, const std::string& fragment) {
    return text.find(fragment) != std::string::npos;
}

simulator::UnitProfile CliTest::quietProfile() {
    simulator::UnitProfile profile;
    profile.batteryPeriod = std::chrono::milliseconds(0);
    profile.replyTimeout = std::chrono::milliseconds(300);
    return profile;
}

void CliTest::startUnit(const simulator::UnitProfile& profile) {
    unit_ = std::make_unique<simulator::UnitSimulator>(profile);
    ASSERT_EQ(0u, unit_->openPseudoTerminal());
    ASSERT_EQ(0u, unit_->start());
}

void CliTest::startClient(const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args{"--port", unit_->portName()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    // The journal's default place is the test's folder, never the user's own.
    cli_ = std::make_unique<ChildProcess>(
        QUORVEX_CLI_PROGRAM, args,
        std::map<std::string, std::string>{{"TEMP", logFolder_.path().string()},
                                           {"XDG_DATA_HOME", logFolder_.path().string()}});
}

void CliTest::startStreamingSession(const simulator::UnitProfile& profile) {
    startUnit(profile);
    startClient();
    expectEvent("streaming", {"\"first\":true"});
}

std::pair<std::size_t, std::string> CliTest::expectEvent(const std::string& event,
                                                         const std::vector<std::string>& fragments,
                                                         std::size_t from) {
    const auto found = cli_->waitForLine(
        [&](const std::string& line) {
            if (!contains(line, "{\"event\":\"" + event + "\"")) {
                return false;
            }
            for (const std::string& fragment : fragments) {
                if (!contains(line, fragment)) {
                    return false;
                }
            }
            return true;
        },
        from);
    if (!found) {
        ADD_FAILURE() << "no " << event << " event; " << cli_->transcript();
        return {from, {}};
    }
    return *found;
}

void CliTest::control(const std::string& line) {
    simulator::ControlAction action;
    ASSERT_EQ("", simulator::parseControlLine(line, action));
    action(*unit_);
}

std::size_t CliTest::countEvents(const std::string& event) const {
    std::size_t count = 0;
    for (const std::string& line : cli_->outputLines()) {
        count += contains(line, "{\"event\":\"" + event + "\"") ? 1 : 0;
    }
    return count;
}

std::vector<std::string> CliTest::linesOnWire() const {
    std::vector<std::string> lines;
    for (const auto& bytes : unit_->receivedLines()) {
        std::string line(bytes.begin(), bytes.end());
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::string CliTest::debugLog() const {
    return readDebugLog(logFolder_.path());
}

}  // namespace quorvex::test
