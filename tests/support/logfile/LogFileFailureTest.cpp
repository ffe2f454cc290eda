#include "support/logfile/LogFileListener.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/TextConversion.h"
#include "tests/helpers/FileSizeLimit.h"
#include "tests/support/logfile/LogFileTestSupport.h"
#include "tests/support/logging/RecordingListener.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quorvex::test {
namespace {

using namespace zeph::windows::logging;
using ::testing::MatchesRegex;
namespace fs = std::filesystem;

using LogFileFailure = LogFileTest;

TEST_F(LogFileFailure, AFullDiskIsReportedOnceLosesWholeLinesAndWritingResumes) {
    std::vector<RecordedEntry> journal;
    RecordingListener console("console", journal);
    LogFileListener listener;
    int reports = 0;
    listener.setFailureReport([&reports](const LogFileStatus&) { ++reports; });
    ASSERT_EQ(listener.open(zeph::platform::widen(folder_.path().string()), L"full"), 0u);
    ASSERT_EQ(listener.attach(), 0u);
    ASSERT_EQ(console.attach(), 0u);
    LogBeacon& beacon = LogBeacon::instance();

    FileSizeLimit limit(fs::file_size(logPath("full")) + 2000);
    ASSERT_TRUE(limit.applied());
    for (int n = 0; n < 300; ++n) {
        LogBeacon::log("Test::full", Information, L"line %d of a stream that fills the disk", n);
        if (n % 10 == 9) {
            beacon.flush();
        }
    }
    beacon.flush();
    beacon.flush();  // the report logged while a batch was written
    const LogFileStatus failing = listener.status();
    EXPECT_TRUE(failing.open);
    EXPECT_EQ(failing.error, zeph::platform::ERROR_DISK_FULL);
    EXPECT_GT(failing.linesLost, 200u);
    EXPECT_EQ(reports, 1) << "a failing disk is told once, not once per batch";
    int errorEntries = 0;
    for (const RecordedEntry& entry : journal) {
        errorEntries += entry.verbosity == &Error && entry.message.starts_with(L"Writing the log file ");
    }
    EXPECT_EQ(errorEntries, 1);

    limit.lift();
    LogBeacon::log("Test::full", Information, L"after the disk has room again");
    beacon.flush();
    EXPECT_EQ(listener.status().error, 0u);
    listener.close();

    const auto lines = readLines(logPath("full"));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_THAT(lines[i], MatchesRegex("[0-9/]{10}\\|[0-9:.]{12}\\|[0-9]+\\|.*"))
            << "line " << i << " is cut";
    }
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(afterTime(lines[lines.size() - 3]),
              "32|zeph::windows::logging::LogFileStream::write|Log file writing resumed; " +
                  std::to_string(failing.linesLost) + " lines were lost while it failed.");
    EXPECT_EQ(afterTime(lines[lines.size() - 2]), "16|Test::full|after the disk has room again");
}

}  // namespace
}  // namespace quorvex::test
