#include "support/threading/ThreadEntry.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"
#include "support/threading/IThread.h"

namespace zeph::windows::system::threading {

using logging::LogBeacon;
using namespace platform;

namespace {

constexpr const char* context = "zeph::windows::system::threading::ThreadEntry";

// A failed initThread: the worker cleans up and the thread ends with its last error, which the
// creator (woken by the thread's end) returns from create.
DWORD failInit(ThreadStartup& startup, IThread& thread, IBasicThreadAdapter& worker) {
    startup.initFailed = true;
    const DWORD error = getLastError();
    worker.exitThread();
    thread.setState(ThreadState::Stopped);
    const auto code = static_cast<std::int32_t>(error == 0 ? 0xFFFFFFFF : error);
    thread.setExitCode(code);
    return static_cast<DWORD>(code);
}

}  // namespace

DWORD ThreadEntry(ThreadStartup* startup) {
    LogBeacon::log(context, logging::DebugLevel1, L" ");
    // The record lives only until create returns: take everything out of it now.
    const std::shared_ptr<IThread> keepAlive = std::move(startup->keepAlive);
    IThread& thread = *startup->thread;
    IBasicThreadAdapter& worker = *startup->worker;
    std::shared_ptr<Event> resume = startup->resume;
    std::shared_ptr<Event> initComplete = startup->initComplete;
    startup->context->thread = &thread;

    // The result of a failed start is the error the worker left, not one from the logging above.
    setLastError(ERROR_SUCCESS);
    if (!worker.initThread(*startup->context)) {
        return failInit(*startup, thread, worker);
    }
    // "Wait" before the creator wakes, so that a suspended create reliably returns "Suspended".
    thread.setState(ThreadState::Wait);
    if (!initComplete->set()) {
        const DWORD error = getLastError();
        LogBeacon::log(context, logging::Error, L"::SetEvent(startup->init_complete) failed [%d].",
                       static_cast<int>(error));
        LogBeacon::logSystemError(context, error);
    }
    initComplete.reset();
    waitForSingleObject(resume, INFINITE);
    resume.reset();
    // A thread created suspended, or suspended since, waits here until fully resumed.
    if (const auto handle = thread.getHandle()) {
        handle->waitWhileSuspended();
    }
    thread.setState(ThreadState::Run);

    const int code = worker.run();
    worker.exitThread();
    thread.setExitCode(code);
    thread.cleanup();
    return static_cast<DWORD>(code);
}

}  // namespace zeph::windows::system::threading
