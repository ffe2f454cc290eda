#include "soak/EventTally.h"

namespace quorvex::soak {

EventTally::int_type EventTally::overflow(int_type c) {
    if (c == traits_type::eof()) {
        return traits_type::not_eof(c);
    }
    if (c == '\n') {
        countLine();
        line_.clear();
    } else if (line_.size() < 64) {
        line_ += static_cast<char>(c);  // the event name is near the start
    }
    return c;
}

void EventTally::countLine() {
    lines_.fetch_add(1);
    if (line_.starts_with("{\"event\":\"passage\"")) {
        passages_.fetch_add(1);
    } else if (line_.starts_with("{\"event\":\"streaming\"")) {
        samples_.fetch_add(1);
    }
}

}  // namespace quorvex::soak
