#include "support/logfile/LogFileListener.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/TextConversion.h"
#include "tests/support/logfile/LogFileTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace quorvex::test {
namespace {

using namespace zeph::windows::logging;
namespace fs = std::filesystem;

std::wstring wide(const fs::path& path) {
    return zeph::platform::widen(path.string());
}

using LogFileCreation = LogFileTest;

// Another user's link, FIFO and world-writable file sit under the names the log would take: none
// of them is opened (a FIFO would hang the start, a link or a file would take the log), and the
// log goes to the next free name, which a line names.
TEST_F(LogFileCreation, PlantedNamesAreNeverOpenedAndTheNextFreeNameIsUsed) {
    const fs::path victim = folder_.path() / "victim";
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, logPath("planted"));
    ASSERT_EQ(::mkfifo(logPath("planted-2").c_str(), 0666), 0);
    std::ofstream(logPath("planted-3")) << "someone else's";
    ::chmod(logPath("planted-3").c_str(), 0666);
    // Only root can give the file away; for anyone else it stays theirs, which changes nothing here.
    const bool givenAway = ::chown(logPath("planted-3").c_str(), 65534, 65534) == 0;
    EXPECT_EQ(givenAway, ::geteuid() == 0);

    LogFileListener listener;
    ASSERT_EQ(listener.open(wide(folder_.path()), L"planted"), 0u);
    EXPECT_EQ(listener.filePath(), wide(logPath("planted-4")));
    listener.close();

    EXPECT_EQ(readBytes(victim), "precious");
    EXPECT_EQ(readBytes(logPath("planted-3")), "someone else's");
    EXPECT_TRUE(fs::is_fifo(logPath("planted-2")));
    struct stat attributes {};
    ASSERT_EQ(::stat(logPath("planted-4").c_str(), &attributes), 0);
    EXPECT_EQ(attributes.st_mode & 0777, 0600u) << "the log is the user's alone";
    const auto lines = readLines(logPath("planted-4"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Date|Time|Verbosity|Context|Message");
    EXPECT_EQ(afterTime(lines[1]), "16|zeph::windows::logging::LogFileListener::open|Log file opened");
    EXPECT_EQ(afterTime(lines[2]),
              "32|zeph::windows::logging::LogFileListener::open|planted.log was taken; "
              "the log is written to " +
                  logPath("planted-4").string() + ".");
}

TEST_F(LogFileCreation, TwoLoggersStartedInTheSameSecondKeepTwoFiles) {
    LogFileListener first;
    LogFileListener second;
    ASSERT_EQ(first.open(wide(folder_.path()), L"QUORVEX_DEBUG-20261207_101500"), 0u);
    ASSERT_EQ(second.open(wide(folder_.path()), L"QUORVEX_DEBUG-20261207_101500"), 0u);
    EXPECT_EQ(first.filePath(), wide(logPath("QUORVEX_DEBUG-20261207_101500")));
    EXPECT_EQ(second.filePath(), wide(logPath("QUORVEX_DEBUG-20261207_101500-2")));
    first.close();
    second.close();
    for (const char* name : {"QUORVEX_DEBUG-20261207_101500", "QUORVEX_DEBUG-20261207_101500-2"}) {
        const auto lines = readLines(logPath(name));
        ASSERT_GE(lines.size(), 3u) << name;
        EXPECT_EQ(afterTime(lines[1]), "16|zeph::windows::logging::LogFileListener::open|Log file opened")
            << name;
        EXPECT_EQ(afterTime(lines.back()),
                  "16|zeph::windows::logging::LogFileListener::close|Log file closed")
            << name << ": the other logger truncated it";
    }
}

// A folder nobody may write to: no file, the reason kept for the operator, and no harm done.
TEST_F(LogFileCreation, AnUnwritableFolderLeavesTheListenerClosedWithItsReason) {
    fs::path folder = folder_.path() / "locked";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0555);
    if (::geteuid() == 0) {
        folder = "/sys";  // root writes anywhere but in sysfs
    }
    LogFileListener listener;
    EXPECT_EQ(listener.open(wide(folder), L"QUORVEX_DEBUG-20261207_101500"),
              zeph::platform::ERROR_ACCESS_DENIED);
    const LogFileStatus status = listener.status();
    EXPECT_FALSE(status.open);
    EXPECT_EQ(status.error, zeph::platform::ERROR_ACCESS_DENIED);
    EXPECT_TRUE(status.path.empty());
    ::chmod((folder_.path() / "locked").c_str(), 0755);
}

}  // namespace
}  // namespace quorvex::test
