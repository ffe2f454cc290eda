#pragma once

#include <cstddef>

namespace quorvex::soak {

// What this process holds right now, from /proc/self.
struct ProcessResources {
    std::size_t threads = 0;
    std::size_t descriptors = 0;
    std::size_t residentKiB = 0;

    static ProcessResources now();
};

}  // namespace quorvex::soak
