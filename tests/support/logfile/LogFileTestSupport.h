#pragma once

#include "support/logging/LogBeacon.h"
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quorvex::test {

inline std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The file's lines without their line feeds; a last line without one is kept as it is.
inline std::vector<std::string> readLines(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    const std::string bytes = readBytes(path);
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        lines.push_back(bytes.substr(start, end - start));
        start = end == std::string::npos ? bytes.size() : end + 1;
    }
    return lines;
}

// The fields after date and time: "64|context|message" of "03/06/2026|09:05:03.007|64|context|message".
inline std::string afterTime(const std::string& line) {
    const std::size_t first = line.find('|');
    const std::size_t second = first == std::string::npos ? first : line.find('|', first + 1);
    return second == std::string::npos ? std::string() : line.substr(second + 1);
}

// Every log file test runs on the main thread, which owns the beacon and delivers its entries.
class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override { zeph::windows::logging::LogBeacon::instance().flush(); }
    void TearDown() override { zeph::windows::logging::LogBeacon::instance().flush(); }

    std::filesystem::path logPath(const std::string& baseName) const {
        return folder_.path() / (baseName + ".log");
    }

    TemporaryFolder folder_;
};

}  // namespace quorvex::test
