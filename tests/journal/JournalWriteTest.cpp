// The journal keeps every row it is given, in order, through the faults an operator meets: a
// folder it cannot make, a full disk, a damaged file, a newer program's file, a second writer.
#include "tests/journal/JournalFixture.h"

#include "journal/JournalSql.h"
#include "journal/JournalStore.h"

#include <sys/resource.h>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void expectSameRow(const EventRow& expected, const EventRow& actual) {
    EXPECT_EQ(expected.kind, actual.kind);
    EXPECT_EQ(expected.unitTime, actual.unitTime);
    EXPECT_EQ(expected.received, actual.received);
    EXPECT_EQ(expected.channel, actual.channel);
    EXPECT_EQ(expected.channelName, actual.channelName);
    EXPECT_EQ(expected.latitude, actual.latitude);
    EXPECT_EQ(expected.longitude, actual.longitude);
    EXPECT_EQ(expected.elevation, actual.elevation);
    EXPECT_EQ(expected.gpsQuality, actual.gpsQuality);
    EXPECT_EQ(expected.hdop, actual.hdop);
    EXPECT_EQ(expected.folder, actual.folder);
    EXPECT_EQ(expected.note, actual.note);
}

TEST_F(JournalTest, RowsComeBackAsWrittenInOrderWithTheirSessionAndNotes) {
    std::vector<EventRow> written;
    {
        const auto journal = openJournal();
        const SessionToken session = journal->beginSession({1796601600000000, "/dev/ttyUSB0"});
        journal->describeUnit(session, {"M450", "SN 0042", "0.0091"});
        for (int i = 0; i < 300; ++i) {
            written.push_back(passageRow(i));
        }
        written[7].kind = EventKind::Ignored;
        written[9] = EventRow{};
        written[9].kind = EventKind::Trigger;
        written[9].received = 1796601700000000;
        written[9].channel = 8;
        written[9].channelName = "Mag";
        written[9].gpsQuality = 2;
        for (const EventRow& row : written) {
            journal->addEvent(session, row);
        }
        journal->endSession(session, {1796601800000000, "link lost", "link lost: error 5 (I/O error)"});
        ASSERT_TRUE(journal->waitUntilWritten(20s));
        EXPECT_EQ(JournalState::Writing, journal->status().state);
        journal->editNote(rows().at(3).id, "Molch \"A\", Stütze 12");
        written[3].note = "Molch \"A\", Stütze 12";
    }
    const auto entries = rows();
    ASSERT_EQ(written.size(), entries.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameRow(written[i], entries[i].event);
        EXPECT_EQ("M450", entries[i].model);
        EXPECT_EQ("SN 0042", entries[i].serialNumber);
        EXPECT_EQ("/dev/ttyUSB0", entries[i].port);
        EXPECT_LT(i == 0 ? 0 : entries[i - 1].id, entries[i].id);
    }
    EXPECT_EQ("1796601800000000|link lost|link lost: error 5 (I/O error)|0.0091",
              query(path(),
                    "SELECT disconnected_us || '|' || end_reason || '|' || end_text || '|' || firmware "
                    "FROM sessions"));
    EXPECT_EQ("wal", query(path(), "PRAGMA journal_mode"));
    EXPECT_EQ(std::to_string(currentSchemaVersion()), query(path(), "PRAGMA user_version"));
    EXPECT_EQ("", notices_.all());
}

TEST_F(JournalTest, AJournalOfTheFirstVersionIsMigratedWithItsRowsKept) {
    execute(path(),
            std::string(sql::Migrations[0]) +
                "INSERT INTO sessions(connected_us, port) VALUES(1, 'COM3');"
                "INSERT INTO events(session_id, kind, received_us, note) VALUES(1, 'passage', 2, 'old');"
                "PRAGMA user_version = 1;");
    {
        const auto journal = openJournal();
        journal->addEvent(journal->beginSession({3, "COM4"}), passageRow(1));
        ASSERT_TRUE(journal->waitUntilWritten(20s));
    }
    const auto entries = rows();
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("old", entries[0].event.note);
    EXPECT_EQ("COM4", entries[1].port);
    EXPECT_EQ(std::to_string(currentSchemaVersion()), query(path(), "PRAGMA user_version"));
    EXPECT_EQ("1", query(path(), "SELECT count(*) FROM sqlite_master WHERE name = 'events_by_session'"));
}

TEST_F(JournalTest, AJournalOfANewerProgramIsLeftAsItIsAndNothingIsWritten) {
    execute(path(), "CREATE TABLE future(x); PRAGMA user_version = 99;");
    const std::string before = fileBytes(path());
    {
        const auto journal = openJournal();
        journal->addEvent(journal->beginSession({1, "COM3"}), passageRow(1));
        ASSERT_TRUE(notices_.waitFor("schema version 99, newer than this program's")) << notices_.all();
        ASSERT_TRUE(waitUntil([&] { return journal->status().state == JournalState::Off; }));
        journal->addEvent(1, passageRow(2));
        EXPECT_TRUE(journal->waitUntilWritten(20s));
        EXPECT_EQ(3u, journal->status().lost);
        EXPECT_EQ(0u, journal->status().written);
    }
    EXPECT_TRUE(before == fileBytes(path())) << "the newer journal was changed";
    EXPECT_EQ(1u, notices_.countOf("newer"));
}

TEST_F(JournalTest, ADamagedFileIsKeptAsideUnderTheNextFreeNumberAndANewJournalStarts) {
    {
        const auto journal = openJournal();
        const SessionToken session = journal->beginSession({1, "COM3"});
        for (int i = 0; i < 3000; ++i) {
            journal->addEvent(session, passageRow(i));
        }
        ASSERT_TRUE(journal->waitUntilWritten(60s));
    }
    const std::string real = fileBytes(path());
    const struct {
        const char* name;
        std::string bytes;
    } damaged[] = {
        {"text", std::string(5000, 'x')},
        {"zeros", std::string(8192, '\0')},
        {"cut in half", real.substr(0, real.size() / 2)},
        {"pages scrambled", real.substr(0, 8192) + std::string(real.size() - 8192, '\x5A')},
    };
    int number = 0;
    for (const auto& each : damaged) {
        SCOPED_TRACE(each.name);
        ++number;
        std::filesystem::remove(path());
        writeFile(path(), each.bytes);
        {
            const auto journal = openJournal();
            journal->addEvent(journal->beginSession({2, "COM4"}), passageRow(1));
            ASSERT_TRUE(journal->waitUntilWritten(20s));
        }
        const std::string aside = path() + ".damaged-" + std::to_string(number);
        EXPECT_TRUE(notices_.waitFor("it is kept as " + aside + " and a new journal was started"))
            << notices_.all();
        EXPECT_TRUE(each.bytes == fileBytes(aside)) << "the damaged file was not kept as it was";
        EXPECT_EQ(1u, rows().size());
        EXPECT_EQ("ok", query(path(), "PRAGMA integrity_check"));
    }
}

TEST_F(JournalTest, RowsWaitWhileTheFolderCannotBeMadeAndAreWrittenOnceItCan) {
    const auto blocker = folder_.path() / "blocker";
    writeFile(blocker.string(), "a file where the folder should be");
    const std::string inside = (blocker / "journal.sqlite3").string();
    JournalSettings settings;
    settings.path = inside;
    settings.backlogLimit = 5;
    settings.retryEvery = 20ms;
    const auto journal = openJournal(settings);
    for (int i = 0; i < 8; ++i) {
        journal->addEvent(0, passageRow(i));
    }
    ASSERT_TRUE(notices_.waitFor("cannot create the folder " + blocker.string())) << notices_.all();
    ASSERT_TRUE(waitUntil([&] { return journal->status().state == JournalState::Waiting; }));
    EXPECT_EQ(5u, journal->status().waiting);
    EXPECT_EQ(3u, journal->status().lost);
    EXPECT_TRUE(notices_.waitFor("more than 5 rows waited for the disk"));

    std::filesystem::remove(blocker);
    ASSERT_TRUE(journal->waitUntilWritten(20s));
    EXPECT_TRUE(notices_.waitFor("writing to " + inside + " again"));
    EXPECT_EQ(5u, journal->status().written);
    EXPECT_EQ(JournalState::Writing, journal->status().state);
    EXPECT_EQ(1u, notices_.countOf("cannot create the folder")) << notices_.all();
    EXPECT_EQ(1u, notices_.countOf("rows waited for the disk"));
}

// The file-size limit stands in for a full disk: the writes past it fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { lift(); }
    void lift() { setrlimit(RLIMIT_FSIZE, &saved_); }

private:
    rlimit saved_{};
};

TEST_F(JournalTest, WhenTheDiskIsFullRowsWaitAndAreWrittenWhenSpaceReturns) {
    JournalSettings settings;
    settings.retryEvery = 20ms;
    const auto journal = openJournal(settings);
    const SessionToken session = journal->beginSession({1, "COM3"});
    journal->addEvent(session, passageRow(0));
    ASSERT_TRUE(journal->waitUntilWritten(20s));
    {
        FileSizeLimit full(256 * 1024);
        for (int i = 1; i <= 400; ++i) {
            EventRow row = passageRow(i);
            row.note = std::string(2000, 'n');
            journal->addEvent(session, row);
        }
        ASSERT_TRUE(notices_.waitFor("cannot write " + path())) << notices_.all();
        ASSERT_TRUE(waitUntil([&] { return journal->status().state == JournalState::Waiting; }));
        const JournalStatus status = journal->status();
        EXPECT_LT(0u, status.waiting);
        EXPECT_EQ(402u, status.written + status.waiting);  // the session's row and 401 events
    }
    ASSERT_TRUE(journal->waitUntilWritten(20s));
    EXPECT_TRUE(notices_.waitFor("again"));
    const auto entries = rows();
    ASSERT_EQ(401u, entries.size());
    EXPECT_EQ(passageRow(400).latitude, entries.back().event.latitude);
    EXPECT_EQ("ok", query(path(), "PRAGMA integrity_check"));
    EXPECT_EQ(1u, notices_.countOf("cannot write")) << notices_.all();
}

TEST_F(JournalTest, TwoWritersOnOneFileKeepEveryRowOfBoth) {
    const auto first = openJournal();
    const auto second = openJournal();
    auto writeFrom = [](Journal& journal, const std::string& port) {
        const SessionToken session = journal.beginSession({1, port});
        for (int i = 0; i < 500; ++i) {
            journal.addEvent(session, passageRow(i));
        }
    };
    std::thread one(writeFrom, std::ref(*first), "COM1");
    std::thread two(writeFrom, std::ref(*second), "COM2");
    one.join();
    two.join();
    ASSERT_TRUE(first->waitUntilWritten(60s));
    ASSERT_TRUE(second->waitUntilWritten(60s));
    const auto entries = rows();
    ASSERT_EQ(1000u, entries.size());
    for (const std::string port : {"COM1", "COM2"}) {
        std::vector<double> latitudes;
        for (const auto& entry : entries) {
            if (entry.port == port) {
                latitudes.push_back(*entry.event.latitude);
            }
        }
        ASSERT_EQ(500u, latitudes.size()) << port;
        EXPECT_TRUE(std::is_sorted(latitudes.begin(), latitudes.end())) << port;
    }
    EXPECT_EQ("", notices_.all());
}

}  // namespace
}  // namespace quorvex::test
