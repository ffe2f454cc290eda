#pragma once

#include "support/platform/Event.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"
#include "support/threading/ThreadImpl.h"

#include <atomic>
#include <memory>

namespace quorvex::test {

using namespace zeph::windows::system::threading;
using zeph::platform::DWORD;
using zeph::platform::Event;

// Long enough never to end a wait on a healthy machine; a wait that reaches it is a failure.
inline constexpr DWORD kLongWaitMs = 10000;

inline bool signalledWithin(const std::shared_ptr<Event>& event, DWORD timeoutMs = kLongWaitMs) {
    return zeph::platform::waitForSingleObject(event, timeoutMs) == zeph::platform::WAIT_OBJECT_0;
}

// What a test controls and sees of its worker; reaches the worker as the creation parameter,
// so it also follows a worker that its thread object has let go of.
struct Probe {
    bool initSucceeds = true;
    DWORD initError = 0;           // the last error a failing initThread leaves
    bool ignoresShutdown = false;  // a stuck worker: run ends only on `release`
    int runResult = 0;

    std::atomic<int> inits{0};
    std::atomic<int> runs{0};
    std::atomic<int> exits{0};
    std::atomic<int> notifies{0};
    std::atomic<int> live{0};     // runs in progress
    std::atomic<int> maxLive{0};  // the most runs ever in progress at once
    std::atomic<DWORD> initThreadId{0};
    std::atomic<IThread*> owner{nullptr};

    std::shared_ptr<Event> runBegun = Event::create(true, false);   // run has begun
    std::shared_ptr<Event> release = Event::create(true, false);    // ends run
    std::shared_ptr<Event> destroyed = Event::create(true, false);  // the worker is gone
};

class ProbeWorker final : public IBasicThreadAdapter {
public:
    ProbeWorker() = default;
    ProbeWorker(const ProbeWorker&) = delete;
    ProbeWorker& operator=(const ProbeWorker&) = delete;
    ~ProbeWorker() override {
        if (probe_ != nullptr) {
            probe_->destroyed->set();
        }
    }

    bool initThread(const ThreadContext& context) override {
        ++calls;
        probe_ = static_cast<Probe*>(context.parameter);
        ++probe_->inits;
        probe_->initThreadId = zeph::platform::currentThreadId();
        probe_->owner = context.thread;
        terminate_ = Event::create(true, false);
        if (!probe_->initSucceeds) {
            zeph::platform::setLastError(probe_->initError);
            return false;
        }
        return true;
    }

    void exitThread() override {
        ++calls;
        ++probe_->exits;
    }

    void notifyShutdown() override {
        ++calls;
        ++probe_->notifies;
        terminate_->set();
    }

    int run() override {
        ++calls;
        ++probe_->runs;
        const int live = ++probe_->live;
        for (int seen = probe_->maxLive; seen < live && !probe_->maxLive.compare_exchange_weak(seen, live);) {
        }
        probe_->runBegun->set();
        if (probe_->ignoresShutdown) {
            zeph::platform::waitForSingleObject(probe_->release, zeph::platform::INFINITE);
        } else {
            zeph::platform::waitForMultipleObjects({terminate_, probe_->release}, false,
                                                   zeph::platform::INFINITE);
        }
        --probe_->live;
        return probe_->runResult;
    }

    std::atomic<int> calls{0};  // every operation, also before a probe is known

private:
    Probe* probe_ = nullptr;
    std::shared_ptr<Event> terminate_;  //!< signals run to return
};

using ProbeThread = ThreadImpl<ProbeWorker>;

// create with what every creator of the program passes for the stack and security.
inline DWORD createProbe(IThread& thread, Probe& probe, const char* name = "Probe", DWORD flags = 0) {
    return thread.create(name, &probe, flags, 0, nullptr);
}

}  // namespace quorvex::test
