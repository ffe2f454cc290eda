#pragma once

#include "console/widgets/ISoundPlayer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace quorvex::console {

// Plays sound events through libcanberra on a thread of its own: opening the sound server can
// take a while and must never hold up the window. Without a sound theme entry or a sound device
// the events are silent; the first failure is logged once at a debug level.
class CanberraSoundPlayer final : public ISoundPlayer {
public:
    CanberraSoundPlayer();
    ~CanberraSoundPlayer() override;
    CanberraSoundPlayer(const CanberraSoundPlayer&) = delete;
    CanberraSoundPlayer& operator=(const CanberraSoundPlayer&) = delete;

    void play(SoundEvent event) override;

private:
    // A burst of events past this many waiting is dropped: a sound a minute late helps no one.
    static constexpr std::size_t MaxWaiting = 8;

    void run();

    std::mutex mutex_;              //!< Guards queue_ and stopping_.
    std::condition_variable wake_;  //!< Signals a queued event or the stop.
    std::deque<SoundEvent> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace quorvex::console
