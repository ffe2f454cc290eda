// The journal's promise to the read thread: a row handed over before an acknowledgement is on
// disk when the wait returns; a stalled disk costs the link one bound, not more; rows that
// cannot be written by the end are kept beside the journal and the next opener takes them in.
#include "journal/JournalSpill.h"
#include "journal/SqliteConnection.h"
#include "tests/journal/JournalFixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;

// Another program in the middle of a write: it holds the journal's write lock until released.
class WriteLockHolder {
public:
    explicit WriteLockHolder(const std::string& path) {
        EXPECT_EQ(SQLITE_OK, connection_.open(path, SQLITE_OPEN_READWRITE));
        EXPECT_EQ(SQLITE_OK, connection_.execute("BEGIN IMMEDIATE"));
    }
    ~WriteLockHolder() { release(); }
    void release() {
        if (!released_) {
            connection_.execute("COMMIT");
            connection_.close();
            released_ = true;
        }
    }

private:
    SqliteConnection connection_;
    bool released_ = false;
};

// The pid of a process that has ended.
long endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return child;
}

class JournalDurableTest : public JournalTest {
protected:
    static std::int64_t count(const std::string& path, const std::string& table) {
        return std::stoll(query(path, "SELECT count(*) FROM " + table));
    }

    JournalSettings stallable() const {
        JournalSettings settings;
        settings.busyTimeout = 100ms;
        settings.retryEvery = 20ms;
        settings.stopWithin = 3s;
        return settings;
    }
};

TEST_F(JournalDurableTest, ARowIsOnDiskWhenTheWaitReturnsAndAStalledDiskCostsOneBoundPerEpisode) {
    const auto journal = openJournal(stallable());
    const SessionToken session = journal->beginSession({1, "COM3"});
    ASSERT_TRUE(journal->addEventsAndWait(session, {passageRow(0)}, 20s));
    EXPECT_EQ(1, count(path(), "events")) << "not on disk when the acknowledgement would go";

    auto holder = std::make_unique<WriteLockHolder>(path());
    EXPECT_FALSE(journal->addEventsAndWait(session, {passageRow(1)}, 50ms));
    // The disk is known to stall now: the next frames are not held up again.
    EXPECT_FALSE(journal->addEventsAndWait(session, {passageRow(2), passageRow(3)}, 20s));
    EXPECT_FALSE(journal->addEventsAndWait(session, {passageRow(4)}, 20s));
    EXPECT_EQ(4u, journal->status().waiting);
    EXPECT_EQ(1u, notices_.countOf("did not take a row within 50 ms")) << notices_.all();

    holder->release();
    ASSERT_TRUE(journal->waitUntilWritten(20s));
    EXPECT_TRUE(journal->addEventsAndWait(session, {passageRow(5)}, 20s));
    EXPECT_TRUE(notices_.waitFor("4 rows were acknowledged to the unit before they were on disk"))
        << notices_.all();
    const auto entries = rows();
    ASSERT_EQ(6u, entries.size());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(passageRow(i).unitTime, entries[static_cast<std::size_t>(i)].event.unitTime);
    }
    EXPECT_EQ(1u, notices_.countOf("did not take a row")) << notices_.all();
}

TEST_F(JournalDurableTest, RowsNotWrittenByTheEndAreSpilledAndTheNextOpenerTakesThemInOnceInOrder) {
    std::int64_t firstEvent = 0;
    std::string spill;
    {
        // Another program takes the lock later and holds it past the journal's end.
        std::unique_ptr<WriteLockHolder> lock;
        const auto journal = openJournal(stallable());
        const SessionToken first = journal->beginSession({100, "COM3"});
        journal->addEvent(first, passageRow(0));
        ASSERT_TRUE(journal->waitUntilWritten(20s));
        firstEvent = std::stoll(query(path(), "SELECT min(id) FROM events"));

        lock = std::make_unique<WriteLockHolder>(path());
        journal->addEvent(first, passageRow(1));
        journal->describeUnit(first, {"M450", "123456", "0.0096"});
        const SessionToken second = journal->beginSession({200, "COM4"});
        journal->addEvent(second, passageRow(2));
        journal->editNote(firstEvent, "kept\ttab\nline 100%");
        journal->addEvent(first, passageRow(3));
        journal->endSession(second, {300, "link lost", "link lost: error 5"});
        journal->endSession(first, {400, "operator", ""});
        EXPECT_EQ(4u, journal->status().waiting) << "rows, not operations";
        spill = JournalSpill::pathOf(path());
        // The journal ends while another program still holds the lock.
    }
    ASSERT_TRUE(notices_.waitFor("they are kept in " + spill)) << notices_.all();
    ASSERT_TRUE(std::filesystem::exists(spill));
    EXPECT_EQ(std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
              std::filesystem::status(spill).permissions());
    EXPECT_EQ(1, count(path(), "events"));
    {
        // The program that spilled has ended, and its last line was cut short.
        std::ofstream(spill, std::ios::app) << "A\tt1\t=passage\t=17966";
        const std::string ended = path() + ".spill-" + std::to_string(endedProcess());
        std::filesystem::rename(spill, ended);
        spill = ended;
    }
    for (int opener = 0; opener < 2; ++opener) {
        const auto journal = openJournal();
        journal->beginSession({500 + opener, "COM5"});
        ASSERT_TRUE(journal->waitUntilWritten(20s));
    }
    EXPECT_EQ(1u, notices_.countOf("4 rows kept in " + spill)) << notices_.all();
    EXPECT_FALSE(std::filesystem::exists(spill));
    const auto entries = rows();
    ASSERT_EQ(4u, entries.size()) << "taken in once";
    const std::size_t sessionOf[] = {0, 0, 1, 0};
    const int rowOf[] = {0, 1, 2, 3};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(passageRow(rowOf[i]).unitTime, entries[i].event.unitTime);
        EXPECT_EQ(passageRow(rowOf[i]).latitude, entries[i].event.latitude);
        EXPECT_EQ(passageRow(rowOf[i]).folder, entries[i].event.folder);
        EXPECT_EQ(sessionOf[i] == 0 ? "COM3" : "COM4", entries[i].port);
    }
    EXPECT_EQ("kept\ttab\nline 100%", entries[0].event.note);
    EXPECT_EQ("M450", entries[1].model);
    EXPECT_EQ("100|COM3|M450|400|operator;200|COM4||300|link lost;500|COM5||0|;501|COM5||0|",
              query(path(),
                    "SELECT group_concat(connected_us || '|' || port || '|' || coalesce(model, '') || '|' || "
                    "coalesce(disconnected_us, 0) || '|' || coalesce(end_reason, ''), ';') FROM "
                    "(SELECT * FROM sessions ORDER BY id)"));
    EXPECT_EQ("ok", query(path(), "PRAGMA integrity_check"));
}

TEST_F(JournalDurableTest, TheBacklogBoundDropsOnlyEventRowsAndEachEpisodeOfLossIsTold) {
    JournalSettings settings = stallable();
    settings.backlogLimit = 4;
    const auto journal = openJournal(settings);
    const SessionToken first = journal->beginSession({1, "COM3"});
    journal->addEvent(first, passageRow(0));
    ASSERT_TRUE(journal->waitUntilWritten(20s));
    for (int episode = 1; episode <= 2; ++episode) {
        SCOPED_TRACE(episode);
        WriteLockHolder lock(path());
        const SessionToken session = journal->beginSession({episode * 10, "COM4"});
        for (int i = 0; i < 6; ++i) {
            journal->addEvent(session, passageRow(episode * 10 + i));
        }
        journal->editNote(1, "note " + std::to_string(episode));
        journal->endSession(session, {episode * 10 + 9, "operator", ""});
        ASSERT_TRUE(waitUntil([&] { return journal->status().state == JournalState::Waiting; }));
        EXPECT_EQ(4u, journal->status().waiting) << "the session's row and three events";
        EXPECT_EQ(3u * episode, journal->status().lost);
        EXPECT_TRUE(notices_.waitFor("more than 4 rows waited")) << notices_.all();
        lock.release();
        ASSERT_TRUE(journal->waitUntilWritten(20s));
        // This episode's own notice, not the last episode's still in the list.
        EXPECT_TRUE(waitUntil([&] {
            return notices_.countOf("3 rows were lost while the disk did not keep up") ==
                   static_cast<std::size_t>(episode);
        })) << notices_.all();
        EXPECT_EQ(static_cast<std::size_t>(episode), notices_.countOf("more than 4 rows waited"));
    }
    EXPECT_EQ(2u, notices_.countOf("3 rows were lost")) << notices_.all();
    EXPECT_EQ("3|2|note 2", query(path(),
                                  "SELECT count(*) || '|' || sum(end_reason IS NOT NULL) || '|' || "
                                  "(SELECT note FROM events WHERE id = 1) FROM sessions"));
    EXPECT_EQ(1 + 3 + 3, count(path(), "events"));
}

}  // namespace
}  // namespace quorvex::test
