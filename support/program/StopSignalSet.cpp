#include "support/program/StopSignalSet.h"

#include <pthread.h>
#include <sys/signalfd.h>

#include <initializer_list>

namespace quorvex::program {

sigset_t StopSignalSet::members() {
    sigset_t set;
    sigemptyset(&set);
    // A closed terminal (SIGHUP) and Ctrl-\ (SIGQUIT) stop the program as SIGTERM does, instead
    // of the process dying under the unit's connection.
    for (const int number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        sigaddset(&set, number);
    }
    return set;
}

void StopSignalSet::block() {
    const sigset_t stop = members();
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    // A reader that goes away (`| head -1`) shows up as a failed write, which the writer handles.
    std::signal(SIGPIPE, SIG_IGN);
}

int StopSignalSet::openDescriptor(int flags) {
    const sigset_t stop = members();
    return ::signalfd(-1, &stop, flags | SFD_CLOEXEC);
}

}  // namespace quorvex::program
