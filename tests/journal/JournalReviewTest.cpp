// The journal's own faults found by review and hostile testing, one group each: positions without
// a GPS fix, ids and the journal's name, a newer schema, a WAL that cannot be moved, queries that
// must use an index, a really full disk, and text from the unit that is not UTF-8.
#include "tests/journal/JournalFixture.h"
#include "tests/journal/SmallFilesystem.h"

#include "journal/JournalExport.h"
#include "journal/JournalSql.h"
#include "journal/JournalStore.h"
#include "journal/SqliteConnection.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

class JournalReviewTest : public JournalTest {
protected:
    std::unique_ptr<Journal> writeRows(const std::vector<EventRow>& rows) {
        auto journal = openJournal();
        const SessionToken session = journal->beginSession({1, "COM3"});
        for (const EventRow& row : rows) {
            journal->addEvent(session, row);
        }
        EXPECT_TRUE(journal->waitUntilWritten(20s));
        return journal;
    }

    std::string exported(ExportFormat format, ExportCounts& counts) {
        JournalReader reader;
        EXPECT_EQ("", reader.open(path()));
        const auto target = folder_.path() / "export";
        EXPECT_EQ("", exportJournal(reader, {}, format, target.string(), counts));
        return bytesOf(target);
    }
};

TEST_F(JournalReviewTest, ARowWithoutAGpsFixHasNoPositionInTheJournalOrAnyExport) {
    EventRow noFix = passageRow(1);
    noFix.gpsQuality = 0;
    noFix.latitude = 0.0;
    noFix.longitude = 0.0;
    noFix.elevation = 0.0;
    EventRow noGpsYet = passageRow(2);
    noGpsYet.gpsQuality.reset();
    noGpsYet.latitude = 0.0;
    noGpsYet.longitude = 0.0;
    writeRows({noFix, noGpsYet, passageRow(3)});
    const auto entries = rows();
    ASSERT_EQ(3u, entries.size());
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(entries[i].event.latitude);
        EXPECT_FALSE(entries[i].event.longitude);
        EXPECT_FALSE(entries[i].event.elevation);
    }
    EXPECT_EQ(passageRow(3).latitude, entries[2].event.latitude);

    ExportCounts gpx;
    const std::string waypoints = exported(ExportFormat::Gpx, gpx);
    EXPECT_EQ(1u, gpx.written);
    EXPECT_EQ(2u, gpx.unplaced) << "GPX says how many it left out";
    EXPECT_EQ(1u, occurrences(waypoints, "<wpt "));
    ExportCounts geo;
    const std::string features = exported(ExportFormat::GeoJson, geo);
    EXPECT_EQ(3u, geo.written);
    EXPECT_EQ(2u, geo.unplaced);
    EXPECT_EQ(2u, occurrences(features, "\"geometry\":null"));
    EXPECT_EQ(0u, occurrences(features, "[0,0")) << features;
    ExportCounts csv;
    std::istringstream lines(exported(ExportFormat::Csv, csv));
    std::string line;
    std::getline(lines, line);
    for (int i = 0; i < 2; ++i) {
        std::getline(lines, line);
        // id,session,kind,unit_time_utc,received_utc,channel,channel_name,latitude,longitude,elevation
        std::vector<std::string> cells;
        std::istringstream row(line);
        for (std::string cell; std::getline(row, cell, ',');) {
            cells.push_back(cell);
        }
        ASSERT_LT(9u, cells.size()) << line;
        EXPECT_EQ("", cells[7] + cells[8] + cells[9]) << line;
    }
}

TEST_F(JournalReviewTest, IdsAreNeverGivenTwiceAndEveryExportNamesItsJournal) {
    writeRows({passageRow(1), passageRow(2), passageRow(3)});
    execute(path(), "DELETE FROM events WHERE id = 3; DELETE FROM sessions WHERE id = 1;");
    writeRows({passageRow(4)});
    const auto entries = rows();
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ(4, entries.back().id) << "the newest row's id came back after it was deleted";
    EXPECT_EQ(2, entries.back().session);

    JournalReader reader;
    ASSERT_EQ("", reader.open(path()));
    const std::string uuid = reader.uuid();
    EXPECT_TRUE(std::regex_match(
        uuid, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
        << uuid;
    EXPECT_EQ(uuid, entries.front().journal);
    JournalReader again;
    ASSERT_EQ("", again.open(path()));
    EXPECT_EQ(uuid, again.uuid()) << "a journal keeps its name";
    const std::string other = (folder_.path() / "other.sqlite3").string();
    {
        JournalSettings settings;
        settings.path = other;
        openJournal(settings)->beginSession({1, "COM1"});
    }
    ASSERT_EQ("", again.open(other));
    EXPECT_NE(uuid, again.uuid()) << "every journal has its own";

    for (const auto format : {ExportFormat::Csv, ExportFormat::GeoJson, ExportFormat::Gpx}) {
        ExportCounts counts;
        EXPECT_EQ(3u, occurrences(exported(format, counts), uuid)) << "format " << static_cast<int>(format);
    }
}

TEST_F(JournalReviewTest, ANewerSchemaThatThisSqliteCannotParseIsLeftAsItIs) {
    const struct {
        const char* name;
        std::string mark;
    } cases[] = {
        {"marked as ours", "PRAGMA application_id = " + std::to_string(sql::ApplicationId) + ";"},
        {"from before the mark", ""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        fs::remove(path());
        execute(path(), each.mark +
                            "CREATE TABLE future(x); PRAGMA user_version = 99; PRAGMA writable_schema = ON;"
                            "UPDATE sqlite_master SET sql = 'CREATE TABLE future(x) STORED IN THE FUTURE'"
                            " WHERE name = 'future';");
        const std::string before = bytesOf(path());
        {
            const auto journal = openJournal();
            journal->addEvent(journal->beginSession({1, "COM3"}), passageRow(1));
            ASSERT_TRUE(notices_.waitFor("schema version 99, newer than this program's")) << notices_.all();
            EXPECT_TRUE(journal->waitUntilWritten(20s));
        }
        EXPECT_TRUE(before == bytesOf(path())) << "the newer journal was changed";
        EXPECT_FALSE(fs::exists(path() + ".damaged-1")) << "a newer journal was taken for damage";
        EXPECT_EQ(0u, notices_.countOf("damaged")) << notices_.all();
    }
}

TEST_F(JournalReviewTest, ADamagedJournalWhoseWalCannotMoveStaysWholeInItsPlace) {
    const std::string damaged(5000, 'x');
    std::ofstream(path(), std::ios::binary) << damaged;
    // A WAL that cannot be linked to a new name: here a folder stands in its place.
    fs::create_directories(path() + "-wal");
    std::ofstream(path() + "-wal/frames") << "stale frames";
    {
        const auto journal = openJournal();
        journal->addEvent(journal->beginSession({1, "COM3"}), passageRow(1));
        ASSERT_TRUE(notices_.waitFor("could not be moved aside")) << notices_.all();
        EXPECT_TRUE(waitUntil([&] { return journal->status().state == JournalState::Off; }));
    }
    EXPECT_TRUE(damaged == bytesOf(path())) << "the damaged journal left its place without its WAL";
    EXPECT_EQ("stale frames", bytesOf(path() + "-wal/frames"));
    EXPECT_FALSE(fs::exists(path() + ".damaged-1"));
    EXPECT_EQ(0u, notices_.countOf("a new journal was started")) << notices_.all();
}

TEST_F(JournalReviewTest, TheSessionPageAndTheLinksPageUseAnIndex) {
    {
        auto journal = openJournal();
        for (int session = 0; session < 3; ++session) {
            const SessionToken token = journal->beginSession({1, "COM" + std::to_string(session)});
            for (int i = 0; i < 50; ++i) {
                journal->addEvent(token, passageRow(i));
            }
        }
        ASSERT_TRUE(journal->waitUntilWritten(20s));
    }
    SqliteConnection connection;
    ASSERT_EQ(SQLITE_OK, connection.open(path(), SQLITE_OPEN_READONLY));
    const auto plan = [&](const std::string& sql) {
        SqliteStatement statement(connection, ("EXPLAIN QUERY PLAN " + sql).c_str());
        EXPECT_EQ(SQLITE_OK, statement.prepared()) << connection.message();
        std::string details;
        while (statement.step() == SQLITE_ROW) {
            details += statement.text(3) + "; ";
        }
        return details;
    };
    JournalFilter session;
    session.session = 2;
    JournalFilter placedRange = session;
    placedRange.placedOnly = true;
    placedRange.from = 1;
    const struct {
        const char* name;
        std::string sql;
        const char* index;
    } queries[] = {
        {"the session's first page", entriesSql(session, true, false), "USING INDEX events_by_session"},
        {"the session's next page", entriesSql(session, true, true), "USING INDEX events_by_session"},
        {"a session's passages in a time range", entriesSql(placedRange, false, true),
         "USING INDEX events_by_session"},
        {"the link's page", entriesSql({}, false, true), "USING INTEGER PRIMARY KEY"},
        {"a session's count", sql::CountSession, "events_by_session"},
    };
    for (const auto& each : queries) {
        SCOPED_TRACE(each.name);
        const std::string details = plan(each.sql);
        EXPECT_NE(std::string::npos, details.find(each.index)) << details;
        EXPECT_EQ(std::string::npos, details.find("SCAN e")) << details;
    }
    JournalReader reader;
    ASSERT_EQ("", reader.open(path()));
    std::vector<JournalEntry> page;
    ASSERT_EQ("", reader.page(session, true, 90, 5, page));
    ASSERT_EQ(5u, page.size());
    EXPECT_EQ(89, page.front().id);
    EXPECT_EQ(2, page.back().session);
    page.clear();
    ASSERT_EQ("", reader.page({}, false, 148, 5, page));
    ASSERT_EQ(2u, page.size());
    EXPECT_EQ(150, page.back().id);
    EXPECT_EQ(50, reader.count(2));
}

TEST_F(JournalReviewTest, OnAReallyFullDiskRowsWaitAndAreWrittenWhenSpaceReturns) {
    SmallFilesystem disk(folder_.path() / "disk", 1 << 20);
    if (!disk.mounted()) {
        GTEST_SKIP() << disk.why();
    }
    JournalSettings settings;
    settings.path = (disk.path() / "journal.sqlite3").string();
    settings.retryEvery = 20ms;
    const auto journal = openJournal(settings);
    const SessionToken session = journal->beginSession({1, "COM3"});
    journal->addEvent(session, passageRow(0));
    ASSERT_TRUE(journal->waitUntilWritten(20s));
    disk.fill();
    for (int i = 1; i <= 200; ++i) {
        EventRow row = passageRow(i);
        row.note = std::string(2000, 'n');
        journal->addEvent(session, row);
    }
    ASSERT_TRUE(notices_.waitFor("cannot write " + settings.path)) << notices_.all();
    EXPECT_NE(std::string::npos, notices_.all().find("full")) << notices_.all();
    ASSERT_TRUE(waitUntil([&] { return journal->status().state == JournalState::Waiting; }));
    disk.free();
    ASSERT_TRUE(journal->waitUntilWritten(20s));
    EXPECT_TRUE(notices_.waitFor("again"));
    JournalReader reader;
    ASSERT_EQ("", reader.open(settings.path));
    EXPECT_EQ(201, reader.count(std::nullopt));
    EXPECT_EQ("ok", query(settings.path, "PRAGMA integrity_check"));
}

TEST_F(JournalReviewTest, TextFromTheUnitIsStoredAsUtf8ThatEveryReaderDecodes) {
    {
        auto journal = openJournal();
        const SessionToken session = journal->beginSession({1, "/dev/ttyUSB\x80"});
        journal->describeUnit(session, {"M450", "SN\xFF\xFE", "0.0091"});
        EventRow row = passageRow(1);
        row.folder = "F\xC3";
        row.channelName = "Korvid \xED\xA0\x80";
        row.note = "Stütze 12";
        journal->addEvent(session, row);
        journal->endSession(session, {2, "link lost", "error \xC0\xAF"});
        ASSERT_TRUE(journal->waitUntilWritten(20s));
    }
    EXPECT_EQ("SN\\xFF\\xFE", query(path(), "SELECT serial_number FROM sessions"));
    EXPECT_EQ("F\\xC3|Korvid \\xED\\xA0\\x80|Stütze 12",
              query(path(), "SELECT folder || '|' || channel_name || '|' || note FROM events"));
    const std::string script =
        "import sqlite3, sys\n"
        "c = sqlite3.connect(sys.argv[1])\n"
        "rows = c.execute('SELECT * FROM sessions').fetchall() + c.execute('SELECT * FROM "
        "events').fetchall()\n"
        "print(len(rows), rows[0][3])\n";
    const auto scriptFile = folder_.path() / "read.py";
    std::ofstream(scriptFile) << script;
    FILE* pipe = ::popen(("python3 '" + scriptFile.string() + "' '" + path() + "' 2>&1").c_str(), "r");
    ASSERT_NE(nullptr, pipe);
    char output[4096] = {};
    const std::size_t count = std::fread(output, 1, sizeof output - 1, pipe);
    ::pclose(pipe);
    EXPECT_EQ("2 /dev/ttyUSB\\x80\n", std::string(output, count));
}

}  // namespace
}  // namespace quorvex::test
