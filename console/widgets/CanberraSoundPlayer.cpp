#include "console/widgets/CanberraSoundPlayer.h"

#include "support/logging/LogBeacon.h"

#include <canberra.h>

#include <optional>

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

CanberraSoundPlayer::CanberraSoundPlayer(PlayFunction play)
    : thread_([queue = queue_, play = std::move(play)] { run(*queue, play); }) {}

CanberraSoundPlayer::~CanberraSoundPlayer() {
    std::unique_lock lock(queue_->mutex);
    queue_->stopping = true;
    queue_->wake.notify_all();
    const bool finished = queue_->wake.wait_for(lock, StopWait, [this] { return queue_->finished; });
    lock.unlock();
    if (finished) {
        thread_.join();
        return;
    }
    LogBeacon::log("CanberraSoundPlayer::~CanberraSoundPlayer", zeph::windows::logging::Warning,
                   L"The sound server did not answer within %d ms; the sound thread is left behind.",
                   static_cast<int>(StopWait.count()));
    thread_.detach();
}

void CanberraSoundPlayer::play(SoundEvent event) {
    {
        std::lock_guard lock(queue_->mutex);
        if (queue_->events.size() >= MaxWaiting) {
            return;
        }
        queue_->events.push_back(event);
    }
    queue_->wake.notify_all();
}

void CanberraSoundPlayer::run(Queue& queue, const PlayFunction& play) {
    serve(queue, play);  // the sound server's context is gone when it returns
    std::lock_guard lock(queue.mutex);
    queue.finished = true;
    queue.wake.notify_all();
}

void CanberraSoundPlayer::serve(Queue& queue, const PlayFunction& play) {
    std::optional<SoundContext> context;
    if (!play) {
        context.emplace();
    }
    std::unique_lock lock(queue.mutex);
    while (true) {
        queue.wake.wait(lock, [&queue] { return queue.stopping || !queue.events.empty(); });
        if (queue.stopping) {
            return;
        }
        const SoundEvent event = queue.events.front();
        queue.events.pop_front();
        lock.unlock();
        if (play) {
            play(event);
        } else {
            context->play(event);
        }
        lock.lock();
    }
}

}  // namespace quorvex::console
