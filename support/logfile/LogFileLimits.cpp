#include "support/logfile/LogFileLimits.h"

#include "support/config/ConfigMgr.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string_view>

namespace zeph::windows::logging {

namespace {

std::optional<std::uint64_t> configuredMiB(const wchar_t* key, const char* variable) {
    if (const char* text = std::getenv(variable)) {
        const std::string_view value(text);
        std::uint64_t mib = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), mib);
        if (error == std::errc() && end == value.data() + value.size() && mib > 0 &&
            mib < (UINT64_MAX / LogFileLimits::kMiB)) {
            return mib;
        }
    }
    int mib = 0;
    try {
        if (config::ConfigMgr::instance().get(key, mib) && mib > 0) {
            return static_cast<std::uint64_t>(mib);
        }
    } catch (const std::exception&) {
        // A value of another kind under the key is no size.
    }
    return std::nullopt;
}

}  // namespace

LogFileLimits LogFileLimits::configured() {
    LogFileLimits limits;
    if (const auto mib = configuredMiB(L"Application.Logging.FileSizeLimitMB", "QUORVEX_LOG_FILE_MB")) {
        limits.fileBytes = *mib * kMiB;
    }
    if (const auto mib = configuredMiB(L"Application.Logging.TotalSizeLimitMB", "QUORVEX_LOG_TOTAL_MB")) {
        limits.totalBytes = *mib * kMiB;
    }
    return limits;
}

LogFileLimits LogFileLimits::fileWithinTotal() const {
    return {std::min(fileBytes, totalBytes), totalBytes};
}

}  // namespace zeph::windows::logging
