#pragma once

#include <cstdint>
#include <vector>

// Posted to the main window when a write fails or its response does not come; the window owns
// and deletes it.
struct FailureNotice {
    std::uint32_t message = 0;       // the registered message it was posted with
    std::vector<std::uint8_t> data;  // the bytes that were written
    std::uint32_t error = 0;         // the write's error code, or WAIT_TIMEOUT for a missing response
};
