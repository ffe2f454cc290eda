#include "tests/discovery/ProcessCensus.h"

#include <filesystem>
#include <fstream>

namespace quorvex::test {

namespace fs = std::filesystem;

namespace {

std::size_t entriesOf(const fs::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

}  // namespace

std::size_t threadCount() {
    return entriesOf("/proc/self/task");
}

std::size_t threadsNamed(const std::string& prefix) {
    std::size_t count = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        count += name.starts_with(prefix.substr(0, 15)) ? 1 : 0;
    }
    return count;
}

std::size_t descriptorCount() {
    return entriesOf("/proc/self/fd");
}

}  // namespace quorvex::test
