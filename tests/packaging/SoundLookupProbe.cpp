// Asks libcanberra, as the console does, to play sound events by id and prints each result:
// "<event id> <code> <text>", code 0 when the desktop's sound theme lookup found a sound that
// played to the end. Run with an ALSA null device, so nothing is heard and no sound card is needed.
#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

namespace {

// Each play's outcome, by its play id, as the callbacks report it from canberra's threads.
struct Outcomes {
    std::mutex mutex;  // guards results
    std::condition_variable finished;
    std::map<std::uint32_t, int> results;
};

void onFinished(ca_context*, std::uint32_t id, int code, void* data) {
    auto* outcomes = static_cast<Outcomes*>(data);
    std::lock_guard lock(outcomes->mutex);
    outcomes->results[id] = code;
    outcomes->finished.notify_all();
}

// The play's outcome: at once when canberra refuses it, else when it has played (at most 10 s).
int play(ca_context* context, Outcomes& outcomes, std::uint32_t id, const char* event) {
    ca_proplist* properties = nullptr;
    ca_proplist_create(&properties);
    ca_proplist_sets(properties, CA_PROP_EVENT_ID, event);
    const int started = ca_context_play_full(context, id, properties, onFinished, &outcomes);
    ca_proplist_destroy(properties);
    if (started != CA_SUCCESS) {
        return started;
    }
    std::unique_lock lock(outcomes.mutex);
    if (!outcomes.finished.wait_for(lock, std::chrono::seconds(10),
                                    [&] { return outcomes.results.contains(id); })) {
        return CA_ERROR_INTERNAL;
    }
    return outcomes.results[id];
}

}  // namespace

int main(int argc, char** argv) {
    ca_context* context = nullptr;
    if (const int created = ca_context_create(&context); created != CA_SUCCESS) {
        std::printf("context %d %s\n", created, ca_strerror(created));
        return 1;
    }
    Outcomes outcomes;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const int result = play(context, outcomes, static_cast<std::uint32_t>(i), argv[i]);
        std::printf("%s %d %s\n", argv[i], result, ca_strerror(result));
        failures += result == CA_SUCCESS ? 0 : 1;
    }
    // Leaves without ca_context_destroy: canberra's ALSA backend was seen to crash (SIGSEGV) in
    // its teardown after plays on the null device, which would hide the answers above.
    std::fflush(stdout);
    std::_Exit(failures == 0 ? 0 : 1);
}
