#pragma once

#include <chrono>
#include <mutex>
#include <thread>

namespace quorvex::link {

// Asks a link's thread to stop and waits for it within the time. One held up by the network is
// left behind rather than holding up the caller: it keeps its own share of the state alive.
// The state has `mutex`, `changed`, `stopping` and `finished`.
template <typename Shared>
void stopOrLeave(Shared& shared, std::thread& thread, std::chrono::seconds within) {
    std::unique_lock lock(shared.mutex);
    shared.stopping = true;
    shared.changed.notify_all();
    const bool finished = shared.changed.wait_for(lock, within, [&shared] { return shared.finished; });
    lock.unlock();
    if (finished) {
        thread.join();
    } else {
        thread.detach();
    }
}

}  // namespace quorvex::link
