#pragma once

#include "support/threading/ThreadContext.h"

namespace zeph::windows::system::threading {

// The worker protocol: what a worker class implements so that ThreadImpl can run it.
class IBasicThreadAdapter {
public:
    // On the new thread before create returns: copy from the context what is needed later and
    // create the worker's events. False fails the start; the thread's last error is the result.
    virtual bool initThread(const ThreadContext& context) = 0;
    // On the thread after run, and after a failed initThread: release what initThread made.
    virtual void exitThread() = 0;
    // On the thread that calls shutdown: make run return soon. Must be safe from any thread.
    virtual void notifyShutdown() = 0;
    // The body of the thread; its result is the thread's exit code.
    virtual int run() = 0;

    virtual ~IBasicThreadAdapter() = default;
};

}  // namespace zeph::windows::system::threading
