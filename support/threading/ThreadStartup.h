#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/Event.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/ThreadContext.h"

#include <atomic>
#include <memory>

namespace zeph::windows::system::threading {

class IThread;

// What create hands to ThreadEntry on the new thread.
struct ThreadStartup {
    IThread* thread = nullptr;
    IBasicThreadAdapter* worker = nullptr;
    ThreadContext* context = nullptr;
    platform::DWORD flags = 0;
    std::shared_ptr<platform::Event> initComplete;  //!< signalled once initThread has succeeded
    std::shared_ptr<platform::Event> resume;        //!< signalled when the creator lets run begin
    std::atomic<bool> initFailed{false};            // set by the new thread when initThread fails
    // The running thread co-owns its thread object and worker: ThreadEntry takes this over, so
    // neither can be freed under a thread that outlives its owner (an abandoned thread).
    std::shared_ptr<IThread> keepAlive;
};

}  // namespace zeph::windows::system::threading
