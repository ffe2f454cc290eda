#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace quorvex::journal {

struct JournalSettings {
    std::string path;  // bytes, as the file system takes them
    // Called on the writer thread with a message for the operator: once when a fault begins and
    // once when it is over. It must not block on the caller's thread.
    std::function<void(const std::string&)> notify;
    std::size_t backlogLimit = 100000;  // rows kept in memory while the file cannot be written
    std::chrono::milliseconds retryEvery{1000};
    std::chrono::milliseconds busyTimeout{5000};  // waiting for another writer's lock
    std::chrono::milliseconds stopWithin{10000};  // for the last rows at the end
};

}  // namespace quorvex::journal
