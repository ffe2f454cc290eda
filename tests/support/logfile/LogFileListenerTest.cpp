#include "support/logfile/LogFileListener.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/TextConversion.h"
#include "tests/support/logfile/LogFileTestSupport.h"
#include "tests/support/platform/ScopedVariable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quorvex::test {
namespace {

using namespace zeph::windows::logging;
using ::testing::MatchesRegex;
using zeph::platform::ScopedVariable;

constexpr const char* kStamp = "[0-9]{2}/[0-9]{2}/[0-9]{4}\\|[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}\\|";

std::wstring wide(const std::filesystem::path& path) {
    return zeph::platform::widen(path.string());
}

using LogFileOpen = LogFileTest;
using LogFileDirect = LogFileTest;

TEST_F(LogFileOpen, TheFileStartsWithTheHeaderAndTheOpenedLine) {
    LogFileListener listener;
    ASSERT_EQ(listener.open(wide(folder_.path()), L"QUORVEX_DEBUG-20260306_090503"), 0u);
    EXPECT_EQ(listener.filePath(), wide(logPath("QUORVEX_DEBUG-20260306_090503")));
    const auto lines = readLines(logPath("QUORVEX_DEBUG-20260306_090503"));
    ASSERT_EQ(lines.size(), 2u) << "both lines must be on disk at once";
    EXPECT_EQ(lines[0], "Date|Time|Verbosity|Context|Message");
    EXPECT_THAT(lines[1],
                MatchesRegex(std::string(kStamp) +
                             "16\\|zeph::windows::logging::LogFileListener::open\\|Log file opened"));
}

TEST_F(LogFileOpen, ASecondOpenIsRefusedAndLeavesTheFileAlone) {
    LogFileListener listener;
    ASSERT_EQ(listener.open(wide(folder_.path()), L"first"), 0u);
    const std::string before = readBytes(logPath("first"));
    EXPECT_EQ(listener.open(wide(folder_.path()), L"second"), zeph::platform::ERROR_INVALID_PARAMETER);
    EXPECT_EQ(listener.open(wide(folder_.path()), L"first"), zeph::platform::ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(std::filesystem::exists(logPath("second")));
    EXPECT_EQ(readBytes(logPath("first")), before);
    EXPECT_EQ(listener.filePath(), wide(logPath("first")));
}

TEST_F(LogFileOpen, TheTempFolderIsExpandedAndAnUndefinedVariableIsAnInvalidName) {
    const ScopedVariable temp("TEMP", folder_.path().c_str());
    LogFileListener listener;
    ASSERT_EQ(listener.open(L"%TEMP%", L"expanded"), 0u);
    EXPECT_TRUE(std::filesystem::exists(logPath("expanded")));

    const ScopedVariable unset("QUORVEX_UNDEFINED_FOLDER", nullptr);
    LogFileListener other;
    EXPECT_EQ(other.open(L"%QUORVEX_UNDEFINED_FOLDER%", L"never"), zeph::platform::ERROR_INVALID_NAME);
    EXPECT_FALSE(other.isOpen());
}

TEST_F(LogFileOpen, FolderFailuresAreReportedByTheirCodes) {
    LogFileListener listener;
    EXPECT_EQ(listener.open(wide(folder_.path() / "missing"), L"log"), zeph::platform::ERROR_FILE_NOT_FOUND);
    std::ofstream(folder_.path() / "plain") << "not a folder";
    EXPECT_EQ(listener.open(wide(folder_.path() / "plain"), L"log"), zeph::platform::ERROR_INVALID_NAME);
    std::filesystem::create_directory(folder_.path() / "sub");
    EXPECT_EQ(listener.open(wide(folder_.path()), L"sub/escaped"), zeph::platform::ERROR_INVALID_NAME)
        << "a base name must not lead out of the folder it was given";
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "sub" / "escaped.log"));
    EXPECT_FALSE(listener.isOpen());
}

TEST_F(LogFileDirect, MaskedLevelsAreLeftOutAndEachLineIsOnDiskAtOnce) {
    LogFileListener listener;
    listener.setFilter(static_cast<std::uint16_t>(listener.getFilter() & ~0x0F00));
    ASSERT_EQ(listener.open(wide(folder_.path()), L"direct"), 0u);
    ASSERT_EQ(listener.attach(), 0u);

    LogBeacon::log("Test::masked", AppSpecific2, L"application level %d", 2);
    LogBeacon::log("Test::error", Error, L"failed [%d].", 5);
    LogBeacon::instance().flush();

    const auto lines = readLines(logPath("direct"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(afterTime(lines[2]), "64|Test::error|failed [5].");
}

TEST_F(LogFileDirect, CloseEndsTheFileAndDetaches) {
    LogFileListener listener;
    ASSERT_EQ(listener.open(wide(folder_.path()), L"closed"), 0u);
    ASSERT_EQ(listener.attach(), 0u);
    LogBeacon::log("Test::last", Information, L"posted before close");
    listener.close();
    EXPECT_FALSE(listener.isOpen());
    EXPECT_EQ(listener.detach(), zeph::platform::ERROR_NOT_CONNECTED);

    LogBeacon::log("Test::after", Information, L"after close");
    LogBeacon::instance().flush();
    const auto lines = readLines(logPath("closed"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(afterTime(lines[2]), "16|Test::last|posted before close")
        << "an entry still posted to the window thread belongs before the last line";
    EXPECT_EQ(afterTime(lines[3]), "16|zeph::windows::logging::LogFileListener::close|Log file closed");
}

TEST_F(LogFileDirect, AClosedListenerWritesNothingAndCanOpenAgain) {
    LogFileListener listener;
    listener.write(LogEntry(Error, zeph::platform::getLocalTime(), "Test::closed", "dropped"));
    listener.close();
    ASSERT_EQ(listener.open(wide(folder_.path()), L"again"), 0u);
    listener.close();
    ASSERT_EQ(listener.open(wide(folder_.path()), L"again"), 0u) << "a closed listener opens anew";
    listener.close();
    EXPECT_EQ(readLines(logPath("again")).size(), 3u) << "the first file is never truncated";
    const auto lines = readLines(logPath("again-2"));
    ASSERT_GE(lines.size(), 3u) << "the second file takes the next free name";
    EXPECT_EQ(afterTime(lines[1]), "16|zeph::windows::logging::LogFileListener::open|Log file opened");
}

}  // namespace
}  // namespace quorvex::test
