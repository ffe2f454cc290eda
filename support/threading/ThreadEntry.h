#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/threading/ThreadStartup.h"

namespace zeph::windows::system::threading {

// The start routine of every worker thread: initThread, the go-ahead, run, exitThread, cleanup.
// Returns the thread's exit code.
platform::DWORD ThreadEntry(ThreadStartup* startup);

}  // namespace zeph::windows::system::threading
