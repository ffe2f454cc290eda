#include "soak/ProcessResources.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace quorvex::soak {

namespace {

std::size_t entriesIn(const char* folder) {
    std::error_code error;
    const std::filesystem::directory_iterator entries(folder, error);
    return error ? 0 : static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

std::size_t residentKiBOfSelf() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stoul(line.substr(6));
        }
    }
    return 0;
}

}  // namespace

ProcessResources ProcessResources::now() {
    // The directory iterator holds a descriptor of its own while it counts.
    const std::size_t descriptors = entriesIn("/proc/self/fd");
    return {entriesIn("/proc/self/task"), descriptors > 0 ? descriptors - 1 : 0, residentKiBOfSelf()};
}

}  // namespace quorvex::soak
