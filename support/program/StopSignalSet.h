#pragma once

#include <csignal>

namespace quorvex::program {

// The signals that stop a program of ours: SIGINT, SIGTERM, SIGHUP and SIGQUIT. A program does not
// die under them: it blocks them before its first thread starts and reads them from a descriptor,
// so the unit is disconnected and the debug log closed first.
class StopSignalSet {
public:
    static sigset_t members();

    // Blocks the stop signals in the calling thread and in the threads it starts afterwards, and
    // ignores SIGPIPE.
    static void block();

    // A signalfd that reads the stop signals (signalfd's flags, e.g. SFD_NONBLOCK); -1 on failure.
    static int openDescriptor(int flags);
};

}  // namespace quorvex::program
