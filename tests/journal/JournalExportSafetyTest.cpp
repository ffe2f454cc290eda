// Exports that a spreadsheet, a map or a shell pipeline can take as they are: no formula in a
// cell, no raw control byte, one rule for a point in GPX and GeoJSON, the unit's own digits,
// every kind of row, and targets as a user names them (x.CSV, -, never a named pipe).
#include "tests/journal/JournalFixture.h"

#include "journal/ExportOptions.h"
#include "journal/ExportText.h"
#include "journal/JournalExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class JournalExportSafetyTest : public JournalTest {
protected:
    void write(const std::vector<EventRow>& rows, SessionUnit unit = {"M450", "123", "0.0096"}) {
        const auto journal = openJournal();
        const SessionToken session = journal->beginSession({1, "/dev/ttyUSB0"});
        journal->describeUnit(session, std::move(unit));
        for (const EventRow& row : rows) {
            journal->addEvent(session, row);
        }
        ASSERT_TRUE(journal->waitUntilWritten(20s));
        ASSERT_EQ("", reader_.open(path()));
    }

    std::string exported(ExportFormat format, ExportCounts& counts, const JournalFilter& filter = {}) {
        const auto target = folder_.path() / "export";
        EXPECT_EQ("", exportJournal(reader_, filter, format, target.string(), counts));
        return bytesOf(target);
    }

    JournalReader reader_;
};

TEST_F(JournalExportSafetyTest, CsvCellsAreNeitherFormulasNorRawControlBytes) {
    EventRow row = passageRow(1);
    row.note = "=cmd|' /C calc'!A0";
    row.folder = "@SUM(A1)";
    row.channelName = "+1";
    row.longitude = -0.125;
    EventRow second = passageRow(2);
    second.note = "-2 and a bell \x07, an escape \x1B[31m, a delete \x7F";
    second.folder = "\tTab";
    write({row, second}, {"M450", "=HYPERLINK(\"x\")", "0.0096"});
    ExportCounts counts;
    const std::string csv = exported(ExportFormat::Csv, counts);
    const struct {
        const char* cell;
    } expected[] = {
        {",'=cmd|' /C calc'!A0,"},
        {",'@SUM(A1),"},
        {",'+1,"},
        {",\"'=HYPERLINK(\"\"x\"\")\","},
        {",\"'-2 and a bell \\x07, an escape \\x1B[31m, a delete \\x7F\","},
        {",'\tTab,"},
        {",-0.125,"},  // a number stays a number
    };
    for (const auto& each : expected) {
        EXPECT_NE(std::string::npos, csv.find(each.cell)) << each.cell << "\n" << csv;
    }
    for (const char c : csv) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_FALSE((byte < 0x20 && c != '\r' && c != '\n' && c != '\t') || byte == 0x7F)
            << "raw control byte " << static_cast<int>(byte);
    }
}

TEST_F(JournalExportSafetyTest, GpxAndGeoJsonShareOneRuleForAPointAndCountWhatHasNone) {
    std::vector<EventRow> rows;
    for (const auto& [latitude, longitude] : std::vector<std::pair<double, double>>{
             {51.5, -0.125}, {51.5, 500.0}, {95.0, 8.0}, {std::nan(""), 8.0}, {-90.0, 180.0}}) {
        EventRow row = passageRow(static_cast<int>(rows.size()));
        row.latitude = latitude;
        row.longitude = longitude;
        rows.push_back(row);
    }
    EventRow trigger;
    trigger.kind = EventKind::Trigger;
    trigger.received = 1796601600000000;
    trigger.channel = 3;
    rows.push_back(trigger);
    write(rows);
    ExportCounts gpx;
    const std::string waypoints = exported(ExportFormat::Gpx, gpx);
    ExportCounts geo;
    const std::string features = exported(ExportFormat::GeoJson, geo);
    EXPECT_EQ(2u, gpx.written);
    EXPECT_EQ(4u, gpx.unplaced);
    EXPECT_EQ(6u, geo.written);
    EXPECT_EQ(4u, geo.unplaced) << "the same rows as GPX leaves out";
    EXPECT_EQ(2u, occurrences(waypoints, "<wpt "));
    EXPECT_EQ(4u, occurrences(features, "\"geometry\":null"));
    EXPECT_EQ(std::string::npos, features.find("\"coordinates\":[500")) << "an impossible point on a map";
    // Triggers are exported with their kind.
    EXPECT_NE(std::string::npos, features.find("\"kind\":\"trigger\""));
    ExportCounts csv;
    EXPECT_NE(std::string::npos, exported(ExportFormat::Csv, csv).find(",trigger,"));
    ExportOptions options;
    const std::vector<std::string_view> args = {"day.csv"};
    ASSERT_EQ("", parseExportOptions(args, options));
    EXPECT_FALSE(options.filter.placedOnly) << "quorvex-export leaves the triggers out";
}

TEST_F(JournalExportSafetyTest, CoordinatesHaveTheDigitsOfTheUnitsFloatAsTheLogLineShowsThem) {
    EventRow row = passageRow(1);
    row.latitude = static_cast<double>(51.500011f);
    row.longitude = static_cast<double>(-0.127500f);
    row.elevation = static_cast<double>(12.3f);
    row.hdop = static_cast<double>(0.9f);
    write({row});
    char logLine[64];
    std::snprintf(logLine, sizeof logLine, "%f", *row.latitude);
    ASSERT_STREQ("51.500011", logLine);
    const struct {
        ExportFormat format;
        std::vector<std::string> fragments;
    } cases[] = {
        {ExportFormat::Csv, {",51.500011,-0.1275,12.3,", ",0.9,"}},
        {ExportFormat::GeoJson, {"[-0.1275,51.500011,12.3]", "\"hdop\":0.9,"}},
        {ExportFormat::Gpx, {"lat=\"51.500011\" lon=\"-0.1275\"", "<ele>12.3</ele>"}},
    };
    for (const auto& each : cases) {
        ExportCounts counts;
        const std::string text = exported(each.format, counts);
        for (const std::string& fragment : each.fragments) {
            EXPECT_NE(std::string::npos, text.find(fragment)) << fragment << "\n" << text;
        }
        EXPECT_EQ(std::string::npos, text.find("51.5000114")) << text;
    }
}

TEST_F(JournalExportSafetyTest, TargetsAreTakenAsAUserNamesThem) {
    write({passageRow(1)});
    for (const auto& [name, format] :
         std::vector<std::pair<std::string, ExportFormat>>{{"x.CSV", ExportFormat::Csv},
                                                           {"x.Gpx", ExportFormat::Gpx},
                                                           {"x.GeoJSON", ExportFormat::GeoJson}}) {
        ExportOptions options;
        const std::vector<std::string_view> args = {name};
        EXPECT_EQ("", parseExportOptions(args, options)) << name;
        EXPECT_EQ(format, options.format) << name;
        EXPECT_EQ(format, exportFormatOfFile(name)) << "the window takes it the same way";
    }

    // "-" is standard output.
    ExportOptions options;
    std::vector<std::string_view> args = {"-"};
    EXPECT_EQ("give --format csv|gpx|geojson to write to standard output", parseExportOptions(args, options));
    options = {};
    args = {"--format", "csv", "-"};
    ASSERT_EQ("", parseExportOptions(args, options));
    const auto captured = folder_.path() / "stdout";
    std::fflush(stdout);
    const int saved = ::dup(STDOUT_FILENO);
    const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ::dup2(file, STDOUT_FILENO);
    ExportCounts counts;
    const std::string error = exportJournal(reader_, {}, options.format, options.output, counts);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(file);
    EXPECT_EQ("", error);
    EXPECT_EQ(0u, bytesOf(captured).find("id,session,kind"));
    EXPECT_FALSE(fs::exists(folder_.path() / "-"));

    // A named pipe is refused, and stays a pipe.
    const auto pipe = folder_.path() / "pipe.csv";
    ASSERT_EQ(0, ::mkfifo(pipe.c_str(), 0600));
    const std::string refused = exportJournal(reader_, {}, ExportFormat::Csv, pipe.string(), counts);
    EXPECT_EQ(pipe.string() + ": not a regular file; give a file name, or - for standard output", refused);
    EXPECT_TRUE(fs::is_fifo(pipe));
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp-")) << entry.path();
    }
}

}  // namespace
}  // namespace quorvex::test
