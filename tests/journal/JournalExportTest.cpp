// Exports are read back by tools no one here wrote: Python's csv and json, and gpsbabel for GPX;
// a German numeric locale changes no byte of them.
#include "tests/journal/JournalFixture.h"

#include "journal/ExportOptions.h"
#include "journal/ExportText.h"
#include "journal/JournalExport.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// What a command printed on its standard output (and error).
std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return output;
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// A number as JSON for the expectation file, independent of the locale.
std::string jsonNumber(const std::optional<double>& value) {
    if (!value || !std::isfinite(*value)) {
        return "null";
    }
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, *value).ptr;
    return std::string(text, end);
}

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : validUtf8(text)) {
        if (c == '"' || c == '\\') {
            json += '\\';
        }
        if (c == '\n') {
            json += "\\n";
        } else {
            json += c;
        }
    }
    return json + "\"";
}

class JournalExportTest : public JournalTest {
protected:
    void SetUp() override {
        const auto journal = openJournal();
        const SessionToken session = journal->beginSession({1, "/dev/rfcomm0"});
        journal->describeUnit(session, {"M450", "123 456", "0.0096"});
        for (int i = 0; i < 40; ++i) {
            expected_.push_back(passageRow(i));
        }
        expected_[3].note = "Weld, \"north\" side\nsecond line <&> ü";
        expected_[4].folder =
            "F\xFF"
            "1";
        expected_[5].kind = EventKind::Ignored;
        expected_[6].latitude = std::nan("");
        expected_[7].latitude = -1e-7;
        expected_[7].elevation.reset();
        for (const EventRow& row : expected_) {
            journal->addEvent(session, row);
        }
        EventRow trigger;
        trigger.kind = EventKind::Trigger;
        trigger.received = *expected_.back().unitTime;
        journal->addEvent(session, trigger);
        ASSERT_TRUE(journal->waitUntilWritten(20s));
        ASSERT_EQ("", reader_.open(path()));
        writeExpectation();
    }

    void writeExpectation() {
        std::ofstream file(folder_.path() / "expected.jsonl");
        for (std::size_t i = 0; i < expected_.size(); ++i) {
            const EventRow& row = expected_[i];
            file << "[" << i + 1 << "," << jsonString(std::string(kindName(row.kind))) << "," << *row.unitTime
                 << "," << jsonNumber(row.latitude) << "," << jsonNumber(row.longitude) << ","
                 << jsonNumber(row.elevation) << "," << jsonString(row.note) << "]\n";
        }
    }

    std::filesystem::path exportTo(const std::string& name, ExportFormat format,
                                   ExportCounts* counts = nullptr) {
        const auto target = folder_.path() / name;
        ExportCounts written;
        JournalFilter filter;
        filter.placedOnly = true;
        EXPECT_EQ("", exportJournal(reader_, filter, format, target.string(), written));
        if (counts != nullptr) {
            *counts = written;
        }
        return target;
    }

    std::string readBack(const std::string& format, const std::filesystem::path& file) {
        return run("python3 " + quoted(testDataPath("journal/read_export.py")) + " " + format + " " +
                   quoted(file) + " " + quoted(folder_.path() / "expected.jsonl"));
    }

    std::vector<EventRow> expected_;
    JournalReader reader_;
};

TEST_F(JournalExportTest, CsvAndGeoJsonReadBackThroughPythonWithEveryValue) {
    EXPECT_EQ("ok 40\n", readBack("csv", exportTo("passages.csv", ExportFormat::Csv)));
    EXPECT_EQ("ok 40\n", readBack("geojson", exportTo("passages.geojson", ExportFormat::GeoJson)));
    const std::string csv = fileText(folder_.path() / "passages.csv");
    EXPECT_EQ(0u,
              csv.find("id,session,kind,unit_time_utc,received_utc,channel,channel_name,latitude,longitude,"
                       "elevation,gps_quality,hdop,folder,model,serial_number,port,note,journal\r\n"));
    EXPECT_NE(std::string::npos, csv.find(",F\\xFF1,")) << "a byte that is no UTF-8 is kept, escaped";
    EXPECT_NE(std::string::npos, csv.find(",-0.0000001,")) << "no exponent";
}

TEST_F(JournalExportTest, GpsbabelReadsEveryWaypointWithItsTimeAndPosition) {
    ExportCounts counts;
    const auto gpx = exportTo("passages.gpx", ExportFormat::Gpx, &counts);
    EXPECT_EQ(39u, counts.written);
    EXPECT_EQ(1u, counts.unplaced) << "the passage without a latitude";
    const auto unicsv = folder_.path() / "gpsbabel.csv";
    const std::string converted =
        run("gpsbabel -i gpx -f " + quoted(gpx) + " -o unicsv,utc=0 -F " + quoted(unicsv));
    ASSERT_EQ("", converted);
    EXPECT_EQ("ok 39\n", readBack("unicsv", unicsv)) << fileText(unicsv).substr(0, 400);
}

TEST_F(JournalExportTest, AGermanNumericLocaleChangesNoByteOfAnyExport) {
    const auto locales = folder_.path() / "locales";
    std::filesystem::create_directories(locales);
    // localedef may warn about the locale's sources; whether the locale loads below is what counts.
    run("localedef -c -i de_DE -f UTF-8 " + quoted(locales / "de_DE.UTF-8"));
    std::vector<std::string> plain;
    for (const auto format : {ExportFormat::Csv, ExportFormat::Gpx, ExportFormat::GeoJson}) {
        plain.push_back(fileText(exportTo("plain", format)));
    }
    ::setenv("LOCPATH", locales.c_str(), 1);
    ASSERT_NE(nullptr, std::setlocale(LC_ALL, "de_DE.UTF-8"));
    std::locale::global(std::locale("de_DE.UTF-8"));
    char decimalComma[16];
    std::snprintf(decimalComma, sizeof decimalComma, "%.1f", 1.5);
    std::vector<std::string> german;
    for (const auto format : {ExportFormat::Csv, ExportFormat::Gpx, ExportFormat::GeoJson}) {
        german.push_back(fileText(exportTo("german", format)));
    }
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
    ::unsetenv("LOCPATH");
    EXPECT_STREQ("1,5", decimalComma) << "the locale was in force";
    for (std::size_t i = 0; i < plain.size(); ++i) {
        EXPECT_TRUE(plain[i] == german[i]) << "format " << i;
    }
}

TEST_F(JournalExportTest, AnExportReplacesItsTargetWholeAndLeavesNoTemporaryFileBehind) {
    const auto target = folder_.path() / "out" / "passages.csv";
    ExportCounts counts;
    JournalFilter filter;
    EXPECT_NE("", exportJournal(reader_, filter, ExportFormat::Csv, target.string(), counts))
        << "a folder that does not exist";
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target) << "yesterday's export";
    filter.from = *expected_[10].unitTime;
    filter.to = *expected_[20].unitTime;
    ASSERT_EQ("", exportJournal(reader_, filter, ExportFormat::Csv, target.string(), counts));
    EXPECT_EQ(10u, counts.written) << "rows 10 to 19 of the range [from, to)";
    EXPECT_EQ(0u, fileText(target).find("id,session"));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(target.parent_path()),
                               std::filesystem::directory_iterator()));
}

TEST_F(JournalExportTest, ACancelledExportStopsWithinARowAndLeavesItsTargetAsItWas) {
    const auto target = folder_.path() / "out" / "passages.geojson";
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target) << "yesterday's export";
    for (const std::size_t cancelAfter : {std::size_t{0}, std::size_t{5}}) {
        SCOPED_TRACE(cancelAfter);
        std::size_t asked = 0;
        ExportCounts counts;
        EXPECT_EQ(ExportCancelled, exportJournal(reader_, {}, ExportFormat::GeoJson, target.string(), counts,
                                                 [&] { return ++asked > cancelAfter; }));
        EXPECT_EQ(cancelAfter, counts.written) << "no row is formatted once cancelled";
        EXPECT_EQ(cancelAfter + 1, asked) << "the writer stops at the first look after Cancel";
        EXPECT_EQ("yesterday's export", fileText(target));
        EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(target.parent_path()),
                                   std::filesystem::directory_iterator()))
            << "no partial file is left";
    }
}

TEST(ExportOptionsTest, CommandLinesAreReadOrRefusedWithAReason) {
    const struct {
        std::vector<std::string_view> args;
        std::string error;
        ExportFormat format;
        std::optional<Microseconds> from;
    } cases[] = {
        {{"day.csv"}, "", ExportFormat::Csv, std::nullopt},
        {{"day.GPX"}, "", ExportFormat::Gpx, std::nullopt},
        {{"day.txt"}, "give --format csv|gpx|geojson, or name the file .csv, .gpx or .geojson", {}, {}},
        {{"--format", "gpx", "day.xml"}, "", ExportFormat::Gpx, std::nullopt},
        {{"day.geojson", "--from", "2026-12-07"}, "", ExportFormat::GeoJson, 1796601600000000},
        {{"day.json", "--from", "2026-12-07T00:00:01.5Z"}, "", ExportFormat::GeoJson, 1796601601500000},
        {{"day.csv", "--from", "07.12.2026"},
         "--from 07.12.2026: not a UTC time like 2026-12-07T10:00:00Z",
         {},
         {}},
        {{"day.csv", "--to", "2026-13-01"},
         "--to 2026-13-01: not a UTC time like 2026-12-07T10:00:00Z",
         {},
         {}},
        {{"day.csv", "--session", "0"}, "--session 0: not a session number or \"last\"", {}, {}},
        {{"day.csv", "--session"}, "--session needs a value", {}, {}},
        {{"day.csv", "--format", "kml"}, "--format kml: csv, gpx or geojson", {}, {}},
        {{"a.csv", "b.csv"}, "one output file only: b.csv", {}, {}},
        {{}, "give the file to write", {}, {}},
        {{"--colour", "x", "a.csv"}, "unknown option --colour", {}, {}},
    };
    for (const auto& each : cases) {
        ExportOptions options;
        const std::string error = parseExportOptions(each.args, options);
        SCOPED_TRACE(each.args.empty() ? "(none)" : std::string(each.args.front()));
        EXPECT_EQ(each.error, error);
        if (error.empty()) {
            EXPECT_EQ(each.format, options.format);
            EXPECT_EQ(each.from, options.filter.from);
        }
    }
    for (const std::string_view version : {"-v", "--version"}) {
        ExportOptions options;
        EXPECT_EQ("", parseExportOptions(std::vector{version}, options));
        EXPECT_TRUE(options.version) << version << ", as every program of the console takes it";
    }
    EXPECT_NE(std::string::npos, exportHelp().find("\nExamples:\n  quorvex-export ")) << exportHelp();
}

}  // namespace
}  // namespace quorvex::test
