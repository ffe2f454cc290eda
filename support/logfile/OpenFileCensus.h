#pragma once

#include <sys/types.h>

#include <filesystem>
#include <set>
#include <utility>

namespace zeph::windows::logging {

// The files that running processes hold open, as /proc shows them (for processes this user may
// look into). A log file another program still writes is told by this even where the file
// system takes no locks, or the program took none.
class OpenFileCensus {
public:
    static OpenFileCensus take(const std::filesystem::path& procRoot = "/proc");

    // Whether some process holds open the file with this device and inode.
    bool holds(dev_t device, ino_t inode) const { return open_.contains({device, inode}); }

private:
    std::set<std::pair<dev_t, ino_t>> open_;
};

}  // namespace zeph::windows::logging
