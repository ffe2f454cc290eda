#include "support/program/StopSignalSet.h"

#include <gtest/gtest.h>

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

using quorvex::program::StopSignalSet;

// Each stop signal is held for the program to read, not the end of it; a vanished reader of
// standard output is a failed write, not a death by SIGPIPE.
TEST(StopSignalSetTest, StopSignalsAreReadFromTheDescriptorAndSigpipeIsAFailedWrite) {
    StopSignalSet::block();
    const int descriptor = StopSignalSet::openDescriptor(SFD_NONBLOCK);
    ASSERT_GE(descriptor, 0);
    for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        ASSERT_EQ(0, ::kill(::getpid(), number));
        signalfd_siginfo info{};
        ASSERT_EQ(static_cast<ssize_t>(sizeof info), ::read(descriptor, &info, sizeof info)) << number;
        EXPECT_EQ(number, static_cast<int>(info.ssi_signo));
    }
    ::close(descriptor);

    int pipeFds[2];
    ASSERT_EQ(0, ::pipe(pipeFds));
    ::close(pipeFds[0]);
    EXPECT_EQ(-1, ::write(pipeFds[1], "x", 1));
    EXPECT_EQ(EPIPE, errno);
    ::close(pipeFds[1]);
}
