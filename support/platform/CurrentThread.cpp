#include "support/platform/Thread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace zeph::platform {

ThreadId currentThreadId() {
    thread_local const ThreadId id = static_cast<ThreadId>(::syscall(SYS_gettid));
    return id;
}

void sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace zeph::platform
