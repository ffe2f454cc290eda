#include "support/threading/ThreadCore.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"
#include "support/threading/ThreadEntry.h"

#include <algorithm>
#include <latch>
#include <string_view>

namespace zeph::windows::system::threading {

using logging::LogBeacon;
using namespace platform;

namespace {

// The records of one create. They are shared with the new thread, so that even a create that
// returns early (a failed wait) cannot free them under it.
struct StartupBlock {
    ThreadContext context;
    ThreadStartup startup;
    std::latch launched{1};  //!< opened once the creator has published the handle, id and name
};

// error: the last error taken right after the wait.
void logWaitFailure(const std::string& context, DWORD waited, DWORD error) {
    const char* where = context.c_str();
    if (waited >= WAIT_ABANDONED_0 && waited < WAIT_ABANDONED_0 + MAXIMUM_WAIT_OBJECTS) {
        LogBeacon::log(where, logging::Error, L"::WaitForSingleObject failed (WAIT_ABANDONED).");
    } else if (waited == WAIT_TIMEOUT) {
        LogBeacon::log(where, logging::Error, L"::WaitForSingleObject failed (WAIT_TIMEOUT).");
    } else if (waited == WAIT_FAILED) {
        LogBeacon::log(where, logging::Error, L"::WaitForSingleObject failed (WAIT_FAILED) [%d].",
                       static_cast<int>(error));
        LogBeacon::logSystemError(where, error);
    } else {
        LogBeacon::log(where, logging::Error, L"::WaitForSingleObject failed for an unknown reason [%d].",
                       static_cast<int>(error));
    }
}

}  // namespace

ThreadCore::ThreadCore(std::string qualifiedName) : qualifiedName_(std::move(qualifiedName)) {}

std::shared_ptr<Thread> ThreadCore::getHandle() const {
    const std::lock_guard fields(fieldsMutex_);
    return handle_;
}

DWORD ThreadCore::getThreadId() const {
    const std::lock_guard fields(fieldsMutex_);
    return handle_ ? threadId_ : 0;
}

const ThreadState& ThreadCore::getState() const {
    return *state_.load();
}

DWORD ThreadCore::getPriority(int& priority) const {
    const auto handle = getHandle();
    if (!handle) {
        return ERROR_INVALID_HANDLE;
    }
    priority = handle->priority();
    return priority == THREAD_PRIORITY_ERROR_RETURN ? getLastError() : ERROR_SUCCESS;
}

std::int32_t ThreadCore::getExitCode() const {
    return exitCode_.load();
}

int ThreadCore::setPriority(int priority) {
    const auto handle = getHandle();
    if (!handle) {
        return static_cast<int>(ERROR_INVALID_HANDLE);
    }
    return handle->setPriority(priority) ? 1 : 0;
}

int ThreadCore::suspend() {
    const auto handle = getHandle();
    if (!handle) {
        return -1;
    }
    const int previous = handle->suspend();
    if (previous >= 0) {
        setState(ThreadState::Suspended);
    }
    return previous;
}

int ThreadCore::resume() {
    const auto handle = getHandle();
    if (!handle) {
        return -1;
    }
    const int previous = handle->resume();
    setState(previous == 0 || previous == 1 ? ThreadState::Run : ThreadState::Suspended);
    return previous;
}

void ThreadCore::setState(const ThreadState& state) {
    const ThreadState* member = ThreadState::find(state.value());
    const std::lock_guard fields(fieldsMutex_);
    if (handle_ && member != nullptr) {
        state_ = member;
    }
}

void ThreadCore::setExitCode(std::int32_t code) {
    exitCode_ = code;
}

void ThreadCore::cleanup() {
    // Declared before the lock: the thread object may go with it, and not under our lock.
    std::shared_ptr<Thread> closing;
    const std::lock_guard fields(fieldsMutex_);
    closing = std::move(handle_);
    threadId_ = 0;
    name_.fill('\0');
    state_ = &ThreadState::Stopped;
}

DWORD ThreadCore::create(const char* name, void* parameter, DWORD flags, unsigned /*stackSize*/,
                         const SECURITY_ATTRIBUTES* /*security*/) {
    const bool named = name != nullptr && name[0] != '\0';
    const std::string where = context(named ? name : "T", "create");
    LogBeacon::log(where.c_str(), logging::DebugLevel1, L" ");
    const std::lock_guard operation(operationMutex_);
    if (getHandle()) {
        return ERROR_ALREADY_INITIALIZED;
    }

    const auto block = std::make_shared<StartupBlock>();
    block->context = ThreadContext{this, parameter};
    ThreadStartup& startup = block->startup;
    startup.thread = this;
    startup.worker = &getAdapter();
    startup.context = &block->context;
    startup.flags = flags;
    startup.keepAlive = shared_from_this();
    startup.initComplete = Event::create(true, false);
    if (!startup.initComplete) {
        return failStart(where, L"Failed to create [init_complete] event.");
    }
    startup.resume = Event::create(true, false);
    if (!startup.resume) {
        return failStart(where, L"Failed to create [resume] event.");
    }

    exitCode_ = 0;
    const auto handle = Thread::start([block] {
        block->launched.wait();
        return ThreadEntry(&block->startup);
    });
    if (!handle) {
        return failStart(where, L"Failed to create thread.");
    }
    publish(handle, named ? name : nullptr);
    block->launched.count_down();
    return finishStart(where, startup, handle);
}

DWORD ThreadCore::finishStart(const std::string& where, ThreadStartup& startup,
                              const std::shared_ptr<Thread>& handle) {
    // No sleep before this wait: it wakes at once on either object, so one would only slow
    // every create down.
    const DWORD waited = waitForMultipleObjects({startup.initComplete, handle}, false, INFINITE);
    const DWORD waitError = getLastError();
    LogBeacon::log(where.c_str(), logging::DebugLevel4, L"::WaitForMultipleObjects() returned [%d].",
                   static_cast<int>(waited));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_OBJECT_0 + 1) {
        logWaitFailure(where, waited, waitError);
    }
    startup.initComplete.reset();
    if (startup.initFailed) {
        return failInit(where, handle);
    }
    if ((startup.flags & CREATE_SUSPENDED) != 0) {
        handle->suspend();
        state_ = &ThreadState::Suspended;
    }
    LogBeacon::log(where.c_str(), logging::DebugLevel4, L"Successfully started the thread [0x%X].",
                   handle->id());
    startup.resume->set();
    return ERROR_SUCCESS;
}

bool ThreadCore::shutdown(DWORD timeoutMs) {
    return stop(timeoutMs) != Stop::NoThread;
}

ThreadCore::Stop ThreadCore::stop(DWORD timeoutMs) {
    const std::string where = context(storedName().c_str(), "shutdown");
    LogBeacon::log(where.c_str(), logging::DebugLevel1, L" ");
    const std::lock_guard operation(operationMutex_);
    const auto handle = getHandle();
    if (!handle) {
        return Stop::NoThread;
    }
    resumeFully(*handle);
    getAdapter().notifyShutdown();
    const DWORD waited = waitForSingleObject(handle, timeoutMs);
    if (waited == WAIT_OBJECT_0) {
        return Stop::Ended;
    }
    logWaitFailure(where, waited, getLastError());
    // Killing a thread would leave its locks held and its resources half-released: it is left to
    // end on its own, keeping this object and its worker alive until then.
    LogBeacon::log(where.c_str(), logging::Warning,
                   L"Abandoned the thread [0x%X]; it keeps its worker until it ends.", handle->id());
    return Stop::Abandoned;
}

void ThreadCore::release() {
    const std::lock_guard operation(operationMutex_);
    if (const auto handle = getHandle()) {
        resumeFully(*handle);
        getAdapter().notifyShutdown();
    }
}

std::string ThreadCore::context(const char* name, const char* operation) const {
    return std::string("ThreadImpl<") + name + ">::" + qualifiedName_ + "::" + operation;
}

std::string ThreadCore::storedName() const {
    const std::lock_guard fields(fieldsMutex_);
    return name_[0] != '\0' ? std::string(name_.data()) : std::string("T");
}

DWORD ThreadCore::failStart(const std::string& where, const wchar_t* message) {
    const DWORD error = getLastError();
    LogBeacon::log(where.c_str(), logging::Error, message);
    LogBeacon::logSystemError(where.c_str(), error);
    state_ = &ThreadState::Stopped;
    // The codes _beginthreadex's callers know: too many threads, a bad parameter, or "extended".
    return error == ERROR_MAX_THRDS_REACHED || error == ERROR_INVALID_PARAMETER ? error
                                                                                : ERROR_EXTENDED_ERROR;
}

DWORD ThreadCore::failInit(const std::string& where, const std::shared_ptr<Thread>& handle) {
    LogBeacon::log(where.c_str(), logging::Error, L"Error encountered during thread class initialization");
    waitForSingleObject(handle, INFINITE);
    cleanup();
    return static_cast<DWORD>(exitCode_.load());
}

void ThreadCore::publish(const std::shared_ptr<Thread>& handle, const char* name) {
    const std::string_view shown = name != nullptr ? std::string_view(name).substr(0, MAX_PATH - 1) : "";
    {
        const std::lock_guard fields(fieldsMutex_);
        handle_ = handle;
        threadId_ = handle->id();
        name_.fill('\0');
        std::copy(shown.begin(), shown.end(), name_.begin());
        state_ = &ThreadState::Run;
    }
    if (name != nullptr) {
        handle->setName(shown);
    }
}

void ThreadCore::resumeFully(Thread& handle) {
    bool resumed = state_.load() == &ThreadState::Suspended;
    while (handle.resume() > 0) {
        resumed = true;
    }
    if (resumed) {
        setState(ThreadState::Run);
    }
}

}  // namespace zeph::windows::system::threading
