// Asks libcanberra, as the console does, to play sound events by id and prints each result:
// "<event id> <code> <text>", code 0 when the desktop's sound theme lookup found a sound that
// plays. Run with an ALSA null device, so nothing is heard and no sound card is needed.
#include <canberra.h>

#include <cstdio>

int main(int argc, char** argv) {
    ca_context* context = nullptr;
    if (const int created = ca_context_create(&context); created != CA_SUCCESS) {
        std::printf("context %d %s\n", created, ca_strerror(created));
        return 1;
    }
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const int played = ca_context_play(context, 0, CA_PROP_EVENT_ID, argv[i], nullptr);
        std::printf("%s %d %s\n", argv[i], played, ca_strerror(played));
        failures += played == CA_SUCCESS ? 0 : 1;
    }
    ca_context_destroy(context);
    return failures == 0 ? 0 : 1;
}
