#include "support/platform/Mutex.h"

#include "support/platform/LastError.h"
#include "support/platform/OwnedMutexes.h"
#include "support/platform/WaitRegistry.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zeph::platform {

// The mutexes one thread owns; guarded by WaitRegistry::lock(). Its end abandons them.
struct OwnedMutexes {
    std::vector<Mutex*> mutexes;

    ~OwnedMutexes() { abandonAll(); }

    void abandonAll() {
        std::lock_guard guard(WaitRegistry::lock());
        const std::vector<Mutex*> owned = std::move(mutexes);
        mutexes.clear();
        for (Mutex* mutex : owned) {
            mutex->abandon();
        }
    }
};

// All fields are guarded by WaitRegistry::lock().
struct Mutex::Private {
    ThreadId owner = 0;  // 0 while nobody owns it
    DWORD recursion = 0;
    OwnedMutexes* ownerRecord = nullptr;
    bool abandoned = false;  // its owner ended holding it; the next acquisition reports it once
    std::wstring name;
};

namespace {

thread_local OwnedMutexes t_owned;

// Named mutexes of the process; guarded by WaitRegistry::lock(). Never destroyed: mutexes
// held in statics may go away after it would have.
std::map<std::wstring, std::weak_ptr<Mutex>, std::less<>>& namedMutexes() {
    static auto* const instance = new std::map<std::wstring, std::weak_ptr<Mutex>, std::less<>>;
    return *instance;
}

}  // namespace

WaitingThread currentWaitingThread() {
    return WaitingThread{currentThreadId(), &t_owned};
}

void abandonMutexesOfThisThread() {
    t_owned.abandonAll();
}

Mutex::Mutex() : d_(std::make_unique<Private>()) {}

Mutex::~Mutex() {
    std::lock_guard guard(WaitRegistry::lock());
    if (d_->ownerRecord != nullptr) {
        std::erase(d_->ownerRecord->mutexes, this);
    }
    if (!d_->name.empty()) {
        auto& named = namedMutexes();
        // A create may already have put a new mutex under the name.
        if (const auto it = named.find(d_->name); it != named.end() && it->second.expired()) {
            named.erase(it);
        }
    }
}

std::shared_ptr<Mutex> Mutex::create(bool initiallyOwned, std::wstring_view name) {
    std::lock_guard guard(WaitRegistry::lock());
    auto& named = namedMutexes();
    if (!name.empty()) {
        if (const auto it = named.find(name); it != named.end()) {
            if (auto existing = it->second.lock()) {
                // As on Windows, the existing mutex is returned and initiallyOwned is ignored.
                setLastError(ERROR_ALREADY_EXISTS);
                return existing;
            }
        }
    }
    std::shared_ptr<Mutex> mutex(new Mutex());
    if (!name.empty()) {
        mutex->d_->name = name;
        named.insert_or_assign(mutex->d_->name, mutex);
    }
    if (initiallyOwned) {
        mutex->acquireFor(currentWaitingThread());
    }
    setLastError(ERROR_SUCCESS);
    return mutex;
}

bool Mutex::release() {
    std::lock_guard guard(WaitRegistry::lock());
    if (d_->owner != currentThreadId()) {
        setLastError(ERROR_NOT_OWNER);
        return false;
    }
    if (--d_->recursion == 0) {
        d_->owner = 0;
        std::erase(d_->ownerRecord->mutexes, this);
        d_->ownerRecord = nullptr;
        WaitRegistry::signalled(*this);
    }
    return true;
}

bool Mutex::isSignalledFor(const WaitingThread& thread) const {
    return d_->owner == 0 || d_->owner == thread.id;
}

bool Mutex::acquireFor(const WaitingThread& thread) {
    if (d_->owner == thread.id) {
        ++d_->recursion;
        return false;
    }
    d_->owner = thread.id;
    d_->recursion = 1;
    d_->ownerRecord = thread.owned;
    thread.owned->mutexes.push_back(this);
    const bool wasAbandoned = d_->abandoned;
    d_->abandoned = false;
    return wasAbandoned;
}

// Called with WaitRegistry::lock() held, by the owner's record as the owner ends.
void Mutex::abandon() {
    d_->owner = 0;
    d_->recursion = 0;
    d_->ownerRecord = nullptr;
    d_->abandoned = true;
    WaitRegistry::signalled(*this);
}

}  // namespace zeph::platform
