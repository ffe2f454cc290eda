#pragma once

#include "device/QueryInterface.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/TextConversion.h"
#include "tests/helpers/PseudoTerminal.h"
#include "tests/support/logging/RecordingListener.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvex::test {

// A private device stack whose command layer and write thread a test may reach.
class CommandStack : public QuorvexDeviceStack {
public:
    using QuorvexDeviceStack::commandAndControlThread_;
    using QuorvexDeviceStack::commandQueue_;
    using QuorvexDeviceStack::deviceState_;
    using QuorvexDeviceStack::responseEvent_;
    using QuorvexDeviceStack::serial_;
    using QuorvexDeviceStack::serialWriteThread_;

    // Opens the device as the port and starts the write thread on it, as a connect does, so that
    // commands reach the far end without the rest of the link.
    zeph::platform::DWORD startWriter(const std::string& device) {
        if (const auto opened = serial_.open(zeph::platform::widen(device)); opened != 0) {
            return opened;
        }
        zeph::windows::system::threading::SerialThreadParams params{
            &serial_, formatCallback_, writeCompleteCallback_, {}, {}};
        return serialWriteThread_.create("Serial Write", &params, 0, 0, nullptr);
    }
};

// A log line as the tests compare it.
struct CommandLogLine {
    std::wstring level;
    std::wstring message;
    bool operator==(const CommandLogLine&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const CommandLogLine& line) {
    return out << zeph::platform::narrow(line.level) << " | " << zeph::platform::narrow(line.message);
}

// The context of a command-layer operation of the process's stack.
inline std::wstring commandContext(const char* operation) {
    return L"TUserInterface<class THealthCheck<class TCommandAndControl<class QuorvexSupervisor> > >::" +
           zeph::platform::widen(operation);
}

// A unit on the far end of a pseudo-terminal that receives every command the stack writes, and
// a journal of the log.
template <typename Stack>
class CommandTestOf : public testing::Test {
protected:
    void SetUp() override {
        beacon_ = &zeph::windows::logging::LogBeacon::instance();
        beacon_->flush();
        ASSERT_EQ(0u, listener_.attach());
        ASSERT_EQ(0u, stack_.startWriter(unit_.slaveName()));
        ASSERT_EQ(0u, stack_.commandQueue_.prepare());
    }

    // What the shutdown logs is delivered here, so no entry stays queued when the test ends.
    void TearDown() override {
        stack_.exit();
        beacon_->flush();
    }

    // Exactly the next count bytes the unit receives (fewer only when they never come).
    std::string received(std::size_t count) {
        const std::vector<std::uint8_t> bytes = unit_.receive(count);
        return {bytes.begin(), bytes.end()};
    }

    // The lines logged so far under one operation's context, in order.
    std::vector<CommandLogLine> linesOf(const char* operation) {
        beacon_->flush();
        const std::wstring context = commandContext(operation);
        std::vector<CommandLogLine> lines;
        for (const RecordedEntry& entry : journal_) {
            if (entry.context == context) {
                lines.push_back({entry.verbosity->name(), entry.message});
            }
        }
        return lines;
    }

    void polling(bool on) { stack_.deviceState_.setAdcPolling(on); }

    PseudoTerminal unit_;
    zeph::windows::logging::LogBeacon* beacon_ = nullptr;
    std::vector<RecordedEntry> journal_;
    RecordingListener listener_{"log", journal_};
    Stack stack_;
};

using CommandTest = CommandTestOf<CommandStack>;

}  // namespace quorvex::test
