#include "support/logfile/LogFileListener.h"
#include "support/logfile/LogFileStream.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/TextConversion.h"
#include "tests/support/logfile/LogFileTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace quorvex::test {
namespace {

using namespace zeph::windows::logging;
namespace fs = std::filesystem;

constexpr const char* kBase = "QUORVEX_DEBUG-20261207_101500";
constexpr std::uint64_t kFileLimit = 4096;
constexpr int kLines = 600;
const std::string kContinues = "16|zeph::windows::logging::LogFileStream::rotate|Log file continues in ";
const std::string kContinued = "16|zeph::windows::logging::LogFileStream::rotate|Log file continued from ";

std::string numbered(int n) {
    char text[32];
    std::snprintf(text, sizeof text, "line %04d", n);
    return text;
}

// The files of one log in the order they were written, found by following each file's last line
// to the next; with the size of each checked against the limit and its first lines checked.
std::vector<fs::path> chainFrom(const fs::path& first) {
    std::vector<fs::path> chain{first};
    for (;;) {
        const auto lines = readLines(chain.back());
        EXPECT_LE(fs::file_size(chain.back()), kFileLimit) << chain.back();
        EXPECT_EQ(lines.at(0), "Date|Time|Verbosity|Context|Message") << chain.back();
        const std::string last = afterTime(lines.back());
        if (!last.starts_with(kContinues)) {
            return chain;
        }
        const fs::path next = first.parent_path() / last.substr(kContinues.size());
        bool namesPrevious = false;
        for (const std::string& line : readLines(next)) {
            namesPrevious = namesPrevious || afterTime(line) == kContinued + chain.back().filename().string();
        }
        EXPECT_TRUE(namesPrevious) << next << " does not name the file before it";
        chain.push_back(next);
    }
}

// The numbered test lines of the files, in file order.
std::vector<std::string> numberedLines(const std::vector<fs::path>& files) {
    std::vector<std::string> found;
    for (const fs::path& file : files) {
        for (const std::string& line : readLines(file)) {
            const std::string fields = afterTime(line);
            if (fields.starts_with("16|Test::rotation|")) {
                found.push_back(fields.substr(18));
            }
        }
    }
    return found;
}

bool isLogFile(const std::string& name) {
    static const std::regex pattern("QUORVEX_DEBUG-[0-9]{8}_[0-9]{6}(-[0-9]+)?\\.log");
    return std::regex_match(name, pattern);
}

// The earliest file of the log left in the folder: the one no other file names as the next.
fs::path chainStart(const fs::path& folder, const std::set<std::string>& names) {
    std::set<std::string> logFiles;
    std::set<std::string> named;
    for (const std::string& name : names) {
        if (isLogFile(name)) {
            logFiles.insert(name);
            const std::string last = afterTime(readLines(folder / name).back());
            if (last.starts_with(kContinues)) {
                named.insert(last.substr(kContinues.size()));
            }
        }
    }
    for (const std::string& name : logFiles) {
        if (!named.contains(name)) {
            return folder / name;
        }
    }
    return {};
}

class LogFileRotation : public LogFileTest, public ::testing::WithParamInterface<bool> {
protected:
    // Logs the numbered lines in batches through the beacon, in direct or queued mode.
    void logThrough(LogFileListener& listener) {
        if (GetParam()) {
            ASSERT_TRUE(listener.startBackgroundWriter());
        }
        for (int n = 0; n < kLines; ++n) {
            LogBeacon::log("Test::rotation", Information, L"%hs", numbered(n));
            if (n % 25 == 24) {
                LogBeacon::instance().flush();
            }
        }
        listener.close();
    }
};

TEST_P(LogFileRotation, EveryLineIsKeptOnceInOrderAcrossFilesThatEachNameTheNext) {
    LogFileListener listener;
    listener.setLimits({kFileLimit, 1024 * 1024});
    ASSERT_EQ(listener.open(zeph::platform::widen(folder_.path().string()), zeph::platform::widen(kBase)),
              0u);
    ASSERT_EQ(listener.attach(), 0u);
    logThrough(listener);

    const std::vector<fs::path> chain = chainFrom(logPath(kBase));
    EXPECT_GT(chain.size(), 5u);
    std::vector<std::string> expected;
    for (int n = 0; n < kLines; ++n) {
        expected.push_back(numbered(n));
    }
    EXPECT_EQ(numberedLines(chain), expected);
    EXPECT_EQ(afterTime(readLines(chain.back()).back()),
              "16|zeph::windows::logging::LogFileListener::close|Log file closed");
}

// Older files of the log beyond the total limit go, oldest first; files of other names stay.
TEST_P(LogFileRotation, TheOldestFilesOfTheLogAreDeletedToKeepTheTotalLimit) {
    const std::vector<std::string> old = {"QUORVEX_DEBUG-20200101_000000.log",
                                          "QUORVEX_DEBUG-20200101_000000-2.log",
                                          "QUORVEX_DEBUG-20200102_000000.log"};
    for (const std::string& name : old) {
        std::ofstream(folder_.path() / name) << std::string(4000, 'x');
    }
    const std::vector<std::string> others = {"unrelated.log", "QUORVEX_DEBUG-notes.log",
                                             "QUORVEX_DEBUG-2020.log", "QUORVEX_DEBUG-20200101_000000-x.log"};
    for (const std::string& name : others) {
        std::ofstream(folder_.path() / name) << std::string(4000, 'y');
    }
    constexpr std::uint64_t kTotal = 4 * kFileLimit;
    LogFileListener listener;
    listener.setLimits({kFileLimit, kTotal});
    ASSERT_EQ(listener.open(zeph::platform::widen(folder_.path().string()), zeph::platform::widen(kBase)),
              0u);
    ASSERT_EQ(listener.attach(), 0u);
    logThrough(listener);

    std::uint64_t total = 0;
    std::set<std::string> remaining;
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
        remaining.insert(entry.path().filename().string());
        const std::string name = entry.path().filename().string();
        if (isLogFile(name)) {
            total += entry.file_size();
        }
    }
    EXPECT_LE(total, kTotal);
    for (const std::string& name : old) {
        EXPECT_FALSE(remaining.contains(name)) << name << " outlived newer files";
    }
    for (const std::string& name : others) {
        EXPECT_TRUE(remaining.contains(name)) << name << " is no file of the log";
    }
    // The newest files are kept: they still follow each other and end with the last lines.
    const std::vector<std::string> kept = numberedLines(chainFrom(chainStart(folder_.path(), remaining)));
    ASSERT_FALSE(kept.empty());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        ASSERT_EQ(kept[i], numbered(kLines - static_cast<int>(kept.size() - i))) << "at " << i;
    }
}

// Two programs of the same user log into the same folder: the clean-up of the one that starts
// later must not delete the file the other is still writing, only files nobody writes.
TEST_F(LogFileTest, AFileAnotherLoggerIsStillWritingIsNotDeletedForTheTotalLimit) {
    const std::string finished = "QUORVEX_DEBUG-20200101_000000.log";
    std::ofstream(folder_.path() / finished) << std::string(4000, 'x');
    LogFileStream running;
    ASSERT_EQ(running.open(zeph::platform::widen(folder_.path().string()), L"QUORVEX_DEBUG-20200102_000000",
                           {kFileLimit, 1u << 20}),
              0u);
    running.writeLine(std::string(3000, 'r') + "\n");

    LogFileStream later;
    ASSERT_EQ(later.open(zeph::platform::widen(folder_.path().string()), zeph::platform::widen(kBase),
                         {kFileLimit, kFileLimit + 1000}),
              0u);
    EXPECT_FALSE(fs::exists(folder_.path() / finished)) << "the oldest file nobody writes goes";
    EXPECT_TRUE(fs::exists(folder_.path() / "QUORVEX_DEBUG-20200102_000000.log"))
        << "the file of the logger still running was deleted under it";
    running.close();
    later.close();
}

INSTANTIATE_TEST_SUITE_P(DirectAndQueued, LogFileRotation, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                             return mode.param ? "Queued" : "Direct";
                         });

}  // namespace
}  // namespace quorvex::test
