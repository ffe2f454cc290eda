#pragma once

namespace zeph::platform {

// Marks every mutex the calling thread still owns as abandoned and wakes their waiters. A
// thread's end does it by itself; a Thread does it before its handle becomes signalled, so a
// waiter that saw the thread end finds its mutexes abandoned.
void abandonMutexesOfThisThread();

}  // namespace zeph::platform
