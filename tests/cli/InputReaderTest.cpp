#include "cli/InputReader.h"
#include "support/program/StopSignalSet.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include <unistd.h>

using quorvex::cli::InputReader;

namespace {

// The reader of a client whose session has ended while the stack still shuts down: one stop
// signal ends the process with the code of a second interrupt.
[[noreturn]] void interruptAfterTheSessionEnded() {
    quorvex::program::StopSignalSet::block();
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        std::_Exit(2);
    }
    InputReader reader(pipeFds[0], nullptr);
    reader.sessionEnded();
    ::kill(::getpid(), SIGINT);
    for (int waited = 0; waited < 1000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::_Exit(0);
}

TEST(InputReaderDeathTest, AStopSignalAfterTheSessionEndedEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(interruptAfterTheSessionEnded(), testing::ExitedWithCode(130), "");
}

}  // namespace
