// Nothing the unit was acknowledged for is lost: a flood of passages ended by a disconnection or
// a SIGKILL at a random instant, a disk that stalls, a lock held through the whole session. The
// unit lists what it was told the console received; the journal must hold every one of them.
#include "tests/cli/CliFixture.h"

#include "journal/Journal.h"
#include "journal/JournalReader.h"
#include "journal/JournalSpill.h"
#include "journal/SqliteConnection.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;

// Repetitions of a random-instant test: a few by default, more for a soak
// (QUORVEX_DURABLE_REPEAT=200).
int repetitions(int fallback) {
    const char* given = std::getenv("QUORVEX_DURABLE_REPEAT");
    return given != nullptr && std::atoi(given) > 0 ? std::atoi(given) : fallback;
}

class CliDurableTest : public CliTest {
protected:
    // The unit's thread writes to members that go before the fixture's unit does.
    ~CliDurableTest() override {
        if (unit_) {
            unit_->stop();
        }
    }

    std::string journalPath() const { return (logFolder_.path() / journalName_).string(); }

    // A unit streaming 100 frames a second that lists what it is acknowledged for.
    void startListingUnit() {
        simulator::UnitProfile profile = quietProfile();
        profile.streamRate = 100;
        profile.recordsPerFrame = 1;
        unit_ = std::make_unique<simulator::UnitSimulator>(profile);
        unit_->setAcknowledgedLog([this](const std::string& line) {
            const std::lock_guard lock(mutex_);
            acknowledged_.push_back(line);
        });
        ASSERT_EQ(0u, unit_->openPseudoTerminal());
        ASSERT_EQ(0u, unit_->start());
    }

    // A passage every 20 ms from now on.
    void flood() {
        simulator::UnitSimulator* unit = unit_.get();
        unit->schedule(0ms, 20ms, [unit] { unit->passage({}); });
    }

    // The unit's times of the passages it was acknowledged for, in order.
    std::vector<Microseconds> acknowledgedPassages() const {
        const std::lock_guard lock(mutex_);
        std::vector<Microseconds> times;
        for (const std::string& line : acknowledged_) {
            if (line.rfind("passage ", 0) == 0) {
                const std::size_t dot = line.find('.');
                times.push_back(std::stoll(line.substr(8, dot - 8)) * 1000000 +
                                std::stoll(line.substr(dot + 1)));
            }
        }
        return times;
    }

    std::vector<Microseconds> journaledPassages() const {
        JournalReader reader;
        std::vector<JournalEntry> entries;
        EXPECT_EQ("", reader.open(journalPath()));
        EXPECT_EQ("", reader.forEach({}, [&](const JournalEntry& entry) { entries.push_back(entry); }));
        std::vector<Microseconds> times;
        for (const JournalEntry& entry : entries) {
            if (entry.event.kind == EventKind::Passage) {
                times.push_back(entry.event.unitTime.value_or(0));
            }
        }
        return times;
    }

    std::string query(const std::string& sql) const {
        SqliteConnection connection;
        EXPECT_EQ(SQLITE_OK, connection.open(journalPath(), SQLITE_OPEN_READONLY));
        int result = SQLITE_OK;
        return connection.queryText(sql.c_str(), result).value_or("");
    }

    // Every acknowledged passage is a row (a row the unit was not acknowledged for may be there
    // too: the unit sends it again, and that is not a loss).
    void expectEveryAcknowledgedPassageJournaled() {
        const std::vector<Microseconds> told = acknowledgedPassages();
        std::vector<Microseconds> kept = journaledPassages();
        std::sort(kept.begin(), kept.end());
        std::size_t missing = 0;
        for (const Microseconds time : told) {
            missing += std::binary_search(kept.begin(), kept.end(), time) ? 0 : 1;
        }
        EXPECT_EQ(0u, missing) << "of " << told.size() << " acknowledged passages; " << kept.size()
                               << " rows";
    }

    bool waitUntilRows(std::size_t count) const {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (journaledPassages().size() < count) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    JournalSettings settingsOf() const {
        JournalSettings settings;
        settings.path = journalPath();
        return settings;
    }

    void clear() {
        const std::lock_guard lock(mutex_);
        acknowledged_.clear();
    }

    std::string journalName_ = "journal.sqlite3";
    mutable std::mutex mutex_;  //!< Guards acknowledged_, which the unit's thread fills.
    std::vector<std::string> acknowledged_;
};

TEST_F(CliDurableTest, EveryAcknowledgedPassageIsARowAfterADisconnectionOrAKillAtARandomInstant) {
    enum class Ending { Disconnect, Kill };
    std::mt19937 random(std::random_device{}());
    for (const Ending ending : {Ending::Disconnect, Ending::Kill}) {
        const int count = repetitions(5);
        for (int round = 0; round < count; ++round) {
            const auto wait = std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 1500)(random));
            SCOPED_TRACE((ending == Ending::Kill ? "kill" : "disconnect") + std::string(" after ") +
                         std::to_string(wait.count()) + " ms, round " + std::to_string(round));
            journalName_ = "journal-" + std::to_string(static_cast<int>(ending)) + "-" +
                           std::to_string(round) + ".sqlite3";
            clear();
            startListingUnit();
            // The disk of a loaded test machine may take longer than the bound now and then; the
            // acknowledgement then goes first, by design. Here it always waits for the commit.
            startClient({"--journal", journalPath(), "--journal-wait", "60000"});
            expectEvent("streaming", {"\"first\":true"});
            flood();
            std::this_thread::sleep_for(wait);  // the random instant, not a wait for a condition
            if (ending == Ending::Kill) {
                cli_->signal(SIGKILL);
                ASSERT_EQ(128 + SIGKILL, cli_->waitForExit());
            } else {
                cli_->sendLine("disconnect");
                ASSERT_EQ(0, cli_->waitForExit());
            }
            unit_->stop();
            expectEveryAcknowledgedPassageJournaled();
            EXPECT_EQ("ok", query("PRAGMA integrity_check"));
            if (ending == Ending::Disconnect) {
                const std::size_t shown = countEvents("passage");
                const std::size_t kept = journaledPassages().size();
                EXPECT_EQ("operator", query("SELECT end_reason FROM sessions"));
                if (kept > shown) {
                    EXPECT_TRUE(cli_->waitForError("Passage journal: " + std::to_string(kept - shown) +
                                                   " events the unit was acknowledged for were not shown"))
                        << cli_->errorText();
                }
            }
        }
    }
}

TEST_F(CliDurableTest, AStalledDiskDelaysTheAcknowledgementByTheBoundAndTheLinkKeepsItsHealth) {
    startListingUnit();
    startClient({"--journal", journalPath()});
    expectEvent("streaming", {"\"first\":true"});
    control("passage");
    ASSERT_TRUE(waitUntilRows(1));
    {
        // Another program is stopped in the middle of a write, holding the lock.
        SqliteConnection writer;
        ASSERT_EQ(SQLITE_OK, writer.open(journalPath(), SQLITE_OPEN_READWRITE));
        ASSERT_EQ(SQLITE_OK, writer.execute("BEGIN IMMEDIATE"));
        flood();
        const std::uint64_t before = unit_->status().passagesSent;
        ASSERT_TRUE(unit_->waitUntil(
            [before](const simulator::UnitStatus& status) { return status.passagesSent >= before + 50; },
            20s))
            << "acknowledgements stopped while the disk stalled";
        EXPECT_TRUE(cli_->waitForError("did not take a row within 50 ms")) << cli_->errorText();
        EXPECT_EQ(0u, unit_->status().framesAbandoned + unit_->status().framesUnanswered);
        EXPECT_EQ(1u, journaledPassages().size()) << "the lock was not held";
        writer.execute("COMMIT");
    }
    const std::size_t told = acknowledgedPassages().size();
    ASSERT_TRUE(waitUntilRows(told));
    control("passage");  // the first frame after the stall ends the episode
    EXPECT_TRUE(
        cli_->waitForError("rows were acknowledged to the unit before they were on disk; all of them are "
                           "written now"))
        << cli_->errorText();
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());
    unit_->stop();
    expectEveryAcknowledgedPassageJournaled();
    EXPECT_EQ("operator", query("SELECT end_reason FROM sessions")) << "the link was not kept";
    const std::string said = cli_->errorText();
    std::size_t stalls = 0;
    for (std::size_t at = said.find("did not take a row"); at != std::string::npos;
         at = said.find("did not take a row", at + 1)) {
        ++stalls;
    }
    EXPECT_EQ(1u, stalls) << said;
}

TEST_F(CliDurableTest, ALockHeldThroughTheSessionSpillsTheRowsAndTheNextOpenerTakesThemInOnceInOrder) {
    {
        // A journal of ours exists; another program then holds its lock all along.
        Journal existing(settingsOf());
        existing.beginSession({1, "COM9"});
    }
    SqliteConnection writer;
    ASSERT_EQ(SQLITE_OK, writer.open(journalPath(), SQLITE_OPEN_READWRITE));
    ASSERT_EQ(SQLITE_OK, writer.execute("BEGIN IMMEDIATE"));
    startListingUnit();
    startClient({"--journal", journalPath()});
    expectEvent("streaming", {"\"first\":true"});
    flood();
    ASSERT_TRUE(
        unit_->waitUntil([](const simulator::UnitStatus& status) { return status.passagesSent >= 40; }, 20s));
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit(60s));
    unit_->stop();
    EXPECT_TRUE(cli_->waitForError("they are kept in " + journalPath() + ".spill-")) << cli_->errorText();
    writer.execute("COMMIT");
    writer.close();
    EXPECT_EQ(0u, journaledPassages().size());

    for (int opener = 0; opener < 2; ++opener) {
        Journal next(settingsOf());
        next.beginSession({2 + opener, "COM9"});
        ASSERT_TRUE(next.waitUntilWritten(20s));
    }
    std::vector<Microseconds> told = acknowledgedPassages();
    std::vector<Microseconds> kept = journaledPassages();
    // Every acknowledged passage, once, in the order the unit sent them.
    ASSERT_LE(told.size(), kept.size());
    EXPECT_TRUE(std::equal(told.begin(), told.end(), kept.begin()))
        << told.size() << " told, " << kept.size();
    EXPECT_EQ(std::set<Microseconds>(kept.begin(), kept.end()).size(), kept.size()) << "taken in twice";
    EXPECT_EQ("operator", query("SELECT end_reason FROM sessions WHERE id = 2"));
    for (const auto& entry : std::filesystem::directory_iterator(logFolder_.path())) {
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".spill-")) << entry.path();
    }
}

}  // namespace
}  // namespace quorvex::test
