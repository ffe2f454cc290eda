#pragma once

#include <cstdint>

namespace zeph::windows::logging {

// How much disk the debug log may take: a file is closed and the log goes on in a new one when
// it reaches fileBytes; the oldest files are deleted so that all of them stay within totalBytes.
struct LogFileLimits {
    static constexpr std::uint64_t kMiB = 1024 * 1024;

    std::uint64_t fileBytes = 256 * kMiB;
    std::uint64_t totalBytes = 2048 * kMiB;

    // The defaults, changed by the configuration store ("Application.Logging.FileSizeLimitMB",
    // "Application.Logging.TotalSizeLimitMB") and, above it, by the environment
    // (QUORVEX_LOG_FILE_MB, QUORVEX_LOG_TOTAL_MB). Values that are no positive number of MiB are
    // ignored.
    static LogFileLimits configured();
    // A file may not be larger than the whole log: the file limit held to the total.
    LogFileLimits fileWithinTotal() const;
};

}  // namespace zeph::windows::logging
