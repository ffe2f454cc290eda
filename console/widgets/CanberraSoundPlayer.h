#pragma once

#include "console/widgets/ISoundPlayer.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvex::console {

// Plays sound events through libcanberra on a thread of its own: opening the sound server can
// take a while and must never hold up the window. Without a sound theme entry or a sound device
// the events are silent; the first failure is logged once at a debug level.
class CanberraSoundPlayer final : public ISoundPlayer {
public:
    // Plays an event on the sound thread; a player that stands in for the sound server.
    using PlayFunction = std::function<void(SoundEvent)>;

    CanberraSoundPlayer() : CanberraSoundPlayer(nullptr) {}
    // With a play function instead of libcanberra (null: libcanberra).
    explicit CanberraSoundPlayer(PlayFunction play);
    // Waits a short while for the sound thread; one held up by the sound server is left behind,
    // so that a hung server never holds up the program's exit.
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void play(SoundEvent event) override;

private:
    // A burst of events past this many waiting is dropped: a sound a minute late helps no one.
    static constexpr std::size_t MaxWaiting = 8;
    static constexpr std::chrono::milliseconds StopWait{2000};

    // Shared with the thread, which may outlive the player.
    struct Queue {
        std::mutex mutex;              //!< Guards the rest.
        std::condition_variable wake;  //!< Signals an event, the stop, or the thread's end.
        std::deque<SoundEvent> events;
        bool stopping = false;
        bool finished = false;
    };

    static void run(Queue& queue, const PlayFunction& play);
    static void serve(Queue& queue, const PlayFunction& play);

    std::shared_ptr<Queue> queue_ = std::make_shared<Queue>();
    std::thread thread_;
};

}  // namespace quorvex::console
