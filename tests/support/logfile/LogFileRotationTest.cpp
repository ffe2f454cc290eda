#include "support/logfile/LogFileListener.h"
#include "support/logfile/LogFileStream.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/TextConversion.h"
#include "tests/support/logfile/LogFileTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

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

// Old files pruned at start-up are told after "Log file opened" (the file's second line), under
// the context that opened it; a total limit below the file limit holds every file to the total,
// said once.
TEST_F(LogFileTest, StartUpPruningFollowsTheOpeningLineAndFilesKeepWithinTheTotal) {
    const struct {
        std::uint64_t fileBytes;
        std::uint64_t totalBytes;
        bool clamped;
    } rows[] = {{kFileLimit, 4 * kFileLimit, false}, {4 * kFileLimit, kFileLimit, true}};
    const std::string opened = "16|zeph::windows::logging::LogFileListener::open|";
    for (const auto& row : rows) {
        const TemporaryFolder folder;
        for (const char* name : {"QUORVEX_DEBUG-20200101_000000.log", "QUORVEX_DEBUG-20200102_000000.log"}) {
            std::ofstream(folder.path() / name) << std::string(3 * kFileLimit, 'x');
        }
        LogFileListener listener;
        listener.setLimits({row.fileBytes, row.totalBytes});
        ASSERT_EQ(listener.open(zeph::platform::widen(folder.path().string()), zeph::platform::widen(kBase)),
                  0u);
        const auto lines = readLines(folder.path() / (std::string(kBase) + ".log"));
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(afterTime(lines[1]), opened + "Log file opened");
        std::size_t at = 2;
        if (row.clamped) {
            EXPECT_EQ(
                afterTime(lines[at++]),
                "32|zeph::windows::logging::LogFileListener::open|The log's total limit of 4096 bytes is "
                "below its file limit of 16384 bytes: each file is held to the total limit.");
        }
        EXPECT_EQ(afterTime(lines[at++]),
                  opened +
                      "Old log file deleted to keep the log files within their total limit: "
                      "QUORVEX_DEBUG-20200101_000000.log");
        EXPECT_EQ(afterTime(lines[at++]),
                  opened +
                      "Old log file deleted to keep the log files within their total limit: "
                      "QUORVEX_DEBUG-20200102_000000.log");
        ASSERT_EQ(listener.attach(), 0u);
        for (int n = 0; n < kLines; ++n) {
            LogBeacon::log("Test::rotation", Information, L"%hs", numbered(n));
        }
        listener.close();
        std::uint64_t total = 0;
        int clampNotes = 0;
        for (const auto& entry : fs::directory_iterator(folder.path())) {
            EXPECT_LE(entry.file_size(), std::min(row.fileBytes, row.totalBytes)) << entry.path();
            total += entry.file_size();
            for (const std::string& line : readLines(entry.path())) {
                clampNotes += line.find("each file is held to the total limit") != std::string::npos ? 1 : 0;
            }
        }
        EXPECT_LE(total, row.totalBytes);
        EXPECT_LE(clampNotes, 1) << "said once, at open; never on rotation";
    }
}

// A program that writes an old file of the log without a lock (a file system without locks, or
// one that took none) still keeps it: the clean-up finds the file open and leaves it.
TEST_F(LogFileTest, AFileAnotherProgramHoldsOpenWithoutALockIsNotDeleted) {
    const std::string held = "QUORVEX_DEBUG-20200101_000000.log";
    const std::string finished = "QUORVEX_DEBUG-20200102_000000.log";
    for (const std::string& name : {held, finished}) {
        std::ofstream(folder_.path() / name) << std::string(4000, 'x');
    }
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open((folder_.path() / held).c_str(), O_RDONLY);
        ::dup2(fd, 0);
        ::execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The holder has the file open once its standard input is the file.
    const fs::path input = fs::path("/proc") / std::to_string(holder) / "fd" / "0";
    bool opened = false;
    for (int i = 0; i < 500 && !opened; ++i) {
        std::error_code error;
        opened = fs::equivalent(input, folder_.path() / held, error);
        if (!opened) {
            ::usleep(10000);
        }
    }
    ASSERT_TRUE(opened);

    LogFileStream later;
    ASSERT_EQ(later.open(zeph::platform::widen(folder_.path().string()), zeph::platform::widen(kBase),
                         {kFileLimit, kFileLimit + 1000}),
              0u);
    EXPECT_TRUE(fs::exists(folder_.path() / held)) << "a file another program holds open was deleted";
    EXPECT_FALSE(fs::exists(folder_.path() / finished)) << "a file nobody holds goes";
    EXPECT_TRUE(later.locked());
    later.close();
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
}

INSTANTIATE_TEST_SUITE_P(DirectAndQueued, LogFileRotation, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& mode) {
                             return mode.param ? "Queued" : "Direct";
                         });

}  // namespace
}  // namespace quorvex::test
