#include "support/logfile/LogFileNaming.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace zeph::windows::logging {

namespace {

constexpr std::size_t kStampLength = 15;  // "20261207_101500"
constexpr std::string_view kExtension = ".log";

bool isStamp(std::string_view text) {
    if (text.size() != kStampLength || text[8] != '_') {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '_' || (c >= '0' && c <= '9'); });
}

}  // namespace

LogFileNaming::LogFileNaming(std::string baseName) {
    if (baseName.size() >= kStampLength &&
        isStamp(std::string_view(baseName).substr(baseName.size() - kStampLength))) {
        baseName.resize(baseName.size() - kStampLength);
    } else {
        baseName += '-';
    }
    prefix_ = std::move(baseName);
}

std::string LogFileNaming::fileName(std::string_view stem, unsigned number) {
    std::string name(stem);
    if (number > 1) {
        name += '-';
        name += std::to_string(number);
    }
    name += kExtension;
    return name;
}

std::string LogFileNaming::stemAt(const platform::SYSTEMTIME& time) const {
    char stamp[32];
    const int length = std::snprintf(stamp, sizeof stamp, "%04u%02u%02u_%02u%02u%02u", time.wYear,
                                     time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
    return prefix_ + std::string(stamp, static_cast<std::size_t>(length));
}

std::optional<LogFileNaming::Age> LogFileNaming::ageOf(std::string_view fileName) const {
    if (!fileName.starts_with(prefix_) || !fileName.ends_with(kExtension)) {
        return std::nullopt;
    }
    std::string_view rest = fileName.substr(prefix_.size());
    rest.remove_suffix(kExtension.size());
    if (rest.size() < kStampLength || !isStamp(rest.substr(0, kStampLength))) {
        return std::nullopt;
    }
    const std::string_view number = rest.substr(kStampLength);
    unsigned value = 1;
    if (!number.empty()) {
        const auto [end, error] = std::from_chars(number.data() + 1, number.data() + number.size(), value);
        if (number[0] != '-' || error != std::errc() || end != number.data() + number.size() || value < 2) {
            return std::nullopt;
        }
    }
    return Age{std::string(rest.substr(0, kStampLength)), value};
}

}  // namespace zeph::windows::logging
