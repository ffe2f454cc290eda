#pragma once
// The debug log file as the console keeps it (every level but the application's own, queued to
// the background writer), in a temporary folder removed at the end: for figures taken with the
// log on. Uses only what every version of the log file listener offers.

#include "support/logfile/LogFileListener.h"
#include "support/platform/TextConversion.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace quorvex::bench {

class BenchLogFile {
public:
    explicit BenchLogFile(bool wanted) {
        if (!wanted) {
            return;
        }
        char pattern[] = "/tmp/quorvex-bench-log-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            return;
        }
        folder_ = pattern;
        listener_.setFilter(0xF0FF);
        if (listener_.open(zeph::platform::widen(folder_.string()), L"QUORVEX_DEBUG-bench") == 0) {
            listener_.attach();
            listener_.startBackgroundWriter();
        }
    }
    ~BenchLogFile() {
        if (folder_.empty()) {
            return;
        }
        listener_.close();
        std::uintmax_t bytes = 0;
        for (const auto& file : std::filesystem::directory_iterator(folder_)) {
            bytes += file.file_size();
        }
        std::printf("SUMMARY|log_file_bytes|%ju|bytes\n", bytes);
        std::filesystem::remove_all(folder_);
    }
    BenchLogFile(const BenchLogFile&) = delete;
    BenchLogFile& operator=(const BenchLogFile&) = delete;

private:
    std::filesystem::path folder_;
    zeph::windows::logging::LogFileListener listener_;
};

}  // namespace quorvex::bench
