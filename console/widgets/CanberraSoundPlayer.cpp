#include "console/widgets/CanberraSoundPlayer.h"

#include "support/logging/LogBeacon.h"

#include <canberra.h>

using zeph::windows::logging::LogBeacon;

namespace quorvex::console {

namespace {

constexpr const char* Context = "CanberraSoundPlayer::play";

// The libcanberra context of the player's thread; failures after the first are not logged.
class SoundContext {
public:
    SoundContext() {
        if (report(ca_context_create(&context_)) && context_ != nullptr) {
            ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "QUORVEX Console", nullptr);
        }
    }
    ~SoundContext() {
        if (context_ != nullptr) {
            ca_context_destroy(context_);
        }
    }
    SoundContext(const SoundContext&) = delete;
    SoundContext& operator=(const SoundContext&) = delete;

    void play(SoundEvent event) {
        if (context_ != nullptr) {
            report(ca_context_play(context_, 0, CA_PROP_EVENT_ID, soundEventId(event), nullptr));
        }
    }

private:
    bool report(int result) {
        if (result != CA_SUCCESS && !reported_) {
            reported_ = true;
            LogBeacon::log(Context, zeph::windows::logging::DebugLevel3,
                           L"Sound events are silent (%hs); later failures are not logged.",
                           ca_strerror(result));
        }
        return result == CA_SUCCESS;
    }

    ca_context* context_ = nullptr;
    bool reported_ = false;
};

}  // namespace

CanberraSoundPlayer::CanberraSoundPlayer() : thread_([this] { run(); }) {}

CanberraSoundPlayer::~CanberraSoundPlayer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void CanberraSoundPlayer::play(SoundEvent event) {
    {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= MaxWaiting) {
            return;
        }
        queue_.push_back(event);
    }
    wake_.notify_one();
}

void CanberraSoundPlayer::run() {
    SoundContext context;
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            return;
        }
        const SoundEvent event = queue_.front();
        queue_.pop_front();
        lock.unlock();
        context.play(event);
        lock.lock();
    }
}

}  // namespace quorvex::console
