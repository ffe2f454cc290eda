#pragma once

#include "support/platform/LocalTime.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zeph::windows::logging {

// The names of one program's debug log files in their folder: "<prefix><stamp>[-<n>].log", the
// stamp the creation time "%Y%m%d_%H%M%S" and n from 2 up when a name is taken. The base name
// the log is opened with gives the prefix: "QUORVEX_DEBUG-20261207_101500" gives
// "QUORVEX_DEBUG-"; a base name without a stamp is the prefix itself, followed by "-".
class LogFileNaming {
public:
    // Age order of a file of the pattern: its stamp, then its number (1 for none).
    using Age = std::pair<std::string, unsigned>;

    explicit LogFileNaming(std::string baseName);

    // "<stem>.log", or "<stem>-<n>.log" for n above 1.
    static std::string fileName(std::string_view stem, unsigned number);
    // The stem of a file started at that time.
    std::string stemAt(const platform::SYSTEMTIME& time) const;
    // The age of a file that follows the pattern; none for any other name.
    std::optional<Age> ageOf(std::string_view fileName) const;

private:
    std::string prefix_;
};

}  // namespace zeph::windows::logging
