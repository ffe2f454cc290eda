#pragma once

#include "controlroom/LinkStatus.h"
#include "controlroom/UnitStatus.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace quorvex::link {

// What the callers and the link's thread share.
struct PublisherShared {
    std::mutex mutex;  //!< Guards everything below.
    // Signals a new unit status, the request to stop, and the thread's end.
    std::condition_variable changed;
    UnitStatus unit;
    std::uint64_t unitVersion = 0;  // counts setUnit calls
    LinkStatus status;
    bool stopping = false;
    bool finished = false;
};

}  // namespace quorvex::link
