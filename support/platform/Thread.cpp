#include "support/platform/Thread.h"

#include "support/platform/LastError.h"
#include "support/platform/OwnedMutexes.h"
#include "support/platform/WaitRegistry.h"

#include <pthread.h>
#include <sys/resource.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <string>

namespace zeph::platform {

struct Thread::Private {
    // Guarded by WaitRegistry::lock(): the handle's signalled state.
    bool finished = false;
    DWORD exitCode = STILL_ACTIVE;

    std::mutex lock;                  //!< Guards the fields below
    std::condition_variable changed;  //!< Signals the id being known and the suspend count reaching 0
    pthread_t handle{};
    bool handleValid = false;  // created and not yet detached
    ThreadId id = 0;
    bool running = true;  // the OS thread has not left its body, so its id still names it
    int priority = THREAD_PRIORITY_NORMAL;
    int suspendCount = 0;
};

// What the new thread takes with it; it owns this block.
struct Thread::Start {
    std::function<DWORD()> body;
    std::shared_ptr<Private> d;
    std::weak_ptr<Thread> self;
};

namespace {

// The nice value for a Windows priority; the scheduler's own policy stays SCHED_OTHER.
int niceFor(int priority) {
    switch (priority) {
        case THREAD_PRIORITY_TIME_CRITICAL:
            return -20;
        case THREAD_PRIORITY_HIGHEST:
            return -10;
        case THREAD_PRIORITY_ABOVE_NORMAL:
            return -5;
        case THREAD_PRIORITY_BELOW_NORMAL:
            return 5;
        case THREAD_PRIORITY_LOWEST:
            return 10;
        default:
            return 0;
    }
}

bool isKnownPriority(int priority) {
    return (priority >= THREAD_PRIORITY_LOWEST && priority <= THREAD_PRIORITY_HIGHEST) ||
           priority == THREAD_PRIORITY_TIME_CRITICAL;
}

// The OS shows 15 bytes of a name; cut before a UTF-8 sequence rather than through it.
std::string osThreadName(std::string_view name) {
    constexpr std::size_t kLimit = 15;
    std::string cut(name.substr(0, name.find('\0')));
    if (cut.size() > kLimit) {
        std::size_t end = kLimit;
        while (end > 0 && (static_cast<unsigned char>(cut[end]) & 0xC0) == 0x80) {
            --end;
        }
        cut.resize(end);
    }
    return cut;
}

}  // namespace

Thread::Thread() : d_(std::make_shared<Private>()) {}

Thread::~Thread() {
    // Dropping the last handle abandons a running thread: it runs on and ends by itself.
    std::lock_guard guard(d_->lock);
    if (d_->handleValid) {
        ::pthread_detach(d_->handle);
        d_->handleValid = false;
    }
}

std::shared_ptr<Thread> Thread::start(std::function<DWORD()> body) {
    if (!body) {
        setLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<Thread> thread(new Thread());
    auto start = std::make_unique<Start>(Start{std::move(body), thread->d_, thread});
    pthread_t handle{};
    if (const int rc = ::pthread_create(&handle, nullptr, &Thread::run, start.get()); rc != 0) {
        setLastError(rc == EAGAIN   ? ERROR_MAX_THRDS_REACHED
                     : rc == EINVAL ? ERROR_INVALID_PARAMETER
                                    : ERROR_EXTENDED_ERROR);
        return nullptr;
    }
    start.release();  // the new thread owns it now
    Private& d = *thread->d_;
    std::unique_lock guard(d.lock);
    d.handle = handle;
    d.handleValid = true;
    // As CreateThread, hand back a thread whose id is known.
    d.changed.wait(guard, [&] { return d.id != 0; });
    return thread;
}

void* Thread::run(void* startBlock) {
    std::unique_ptr<Start> start(static_cast<Start*>(startBlock));
    const std::shared_ptr<Private> d = start->d;
    {
        std::lock_guard guard(d->lock);
        d->id = currentThreadId();
    }
    d->changed.notify_all();

    const DWORD code = start->body();
    // What the body captured goes before anyone can see the thread end and free what it uses.
    start->body = nullptr;
    {
        std::lock_guard guard(d->lock);
        d->running = false;
    }
    abandonMutexesOfThisThread();

    std::shared_ptr<Thread> self;
    {
        std::lock_guard guard(WaitRegistry::lock());
        d->finished = true;
        d->exitCode = code;
        self = start->self.lock();
        if (self) {
            WaitRegistry::signalled(*self);
        }
    }
    // If this was the last handle, the object goes here, outside the wait machinery's lock.
    self.reset();
    return nullptr;
}

ThreadId Thread::id() const {
    std::lock_guard guard(d_->lock);
    return d_->id;
}

bool Thread::setName(std::string_view name) {
    const std::string osName = osThreadName(name);
    std::lock_guard guard(d_->lock);
    if (!d_->running) {
        return true;  // nothing left to show it
    }
    if (const int rc = ::pthread_setname_np(d_->handle, osName.c_str()); rc != 0) {
        setLastErrorFromErrno(rc);
        return false;
    }
    return true;
}

bool Thread::setPriority(int priority) {
    if (!isKnownPriority(priority)) {
        setLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::lock_guard guard(d_->lock);
    d_->priority = priority;
    if (!d_->running) {
        return true;
    }
    // Linux keeps a nice value per thread. Raising one needs privileges that an operator's
    // session lacks; that refusal is not an error, the value asked for is still reported back.
    if (::setpriority(PRIO_PROCESS, d_->id, niceFor(priority)) != 0 && errno != EPERM && errno != EACCES) {
        setLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

int Thread::priority() const {
    std::lock_guard guard(d_->lock);
    return d_->priority;
}

DWORD Thread::exitCode() const {
    std::lock_guard guard(WaitRegistry::lock());
    return d_->exitCode;
}

int Thread::suspend() {
    std::lock_guard guard(d_->lock);
    if (d_->suspendCount >= MAXIMUM_SUSPEND_COUNT) {
        setLastError(ERROR_SIGNAL_REFUSED);
        return -1;
    }
    return d_->suspendCount++;
}

int Thread::resume() {
    const int previous = [&] {
        std::lock_guard guard(d_->lock);
        const int count = d_->suspendCount;
        if (count > 0) {
            --d_->suspendCount;
        }
        return count;
    }();
    if (previous == 1) {
        d_->changed.notify_all();
    }
    return previous;
}

void Thread::waitWhileSuspended() {
    std::unique_lock guard(d_->lock);
    d_->changed.wait(guard, [&] { return d_->suspendCount == 0; });
}

bool Thread::isSignalledFor(const WaitingThread&) const {
    return d_->finished;
}

bool Thread::acquireFor(const WaitingThread&) {
    return false;
}

}  // namespace zeph::platform
