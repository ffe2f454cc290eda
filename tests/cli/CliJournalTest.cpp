// quorvex-cli keeps what the unit reported in the passage journal: every passage, in order, with
// its session, even when the client is killed, and beside a second client writing the same file.
#include "tests/cli/CliFixture.h"

#include "journal/JournalReader.h"
#include "journal/SqliteConnection.h"

#include "simulator/ControlCommand.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <thread>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;

class CliJournalTest : public CliTest {
protected:
    std::string journalPath() const { return (logFolder_.path() / "journal.sqlite3").string(); }

    std::vector<JournalEntry> rows() const {
        JournalReader reader;
        std::vector<JournalEntry> entries;
        EXPECT_EQ("", reader.open(journalPath()));
        EXPECT_EQ("", reader.forEach({}, [&](const JournalEntry& entry) { entries.push_back(entry); }));
        return entries;
    }

    std::string query(const std::string& sql) const {
        SqliteConnection connection;
        EXPECT_EQ(SQLITE_OK, connection.open(journalPath(), SQLITE_OPEN_READONLY));
        int result = SQLITE_OK;
        return connection.queryText(sql.c_str(), result).value_or("");
    }

    static std::string passageLine(int index) {
        return "passage " + std::to_string(1 + index % 7) + " " + std::to_string(10 + index * 0.001) + " " +
               std::to_string(-20 - index * 0.001) + " " + std::to_string(index);
    }

    static bool waitForPassages(const ChildProcess& client, std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto lines = client.outputLines();
            if (static_cast<std::size_t>(
                    std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
                        return contains(line, "{\"event\":\"passage\"");
                    })) >= count) {
                return true;
            }
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    static void sendPassages(simulator::UnitSimulator& unit, int count) {
        for (int i = 0; i < count; ++i) {
            simulator::ControlAction action;
            ASSERT_EQ("", simulator::parseControlLine(passageLine(i), action));
            action(unit);
        }
        ASSERT_TRUE(unit.waitUntil(
            [&](const simulator::UnitStatus& status) {
                return status.passagesSent == static_cast<std::uint64_t>(count);
            },
            120s));
    }
};

TEST_F(CliJournalTest, AThousandPassagesBecomeAThousandRowsInOrderInOneSessionWithItsUnitAndEnd) {
    startUnit();
    control("gps 51.5 -0.125 12 0.75 2");
    // A loaded machine's disk may miss the default 50 ms bound and rightly say so on standard
    // error; this case is about the rows, so the acknowledgement waits for the disk.
    startClient({"--journal", journalPath(), "--journal-wait", "60000"});
    expectEvent("streaming", {"\"first\":true"});
    expectEvent("gps", {"\"quality\":2"});
    sendPassages(*unit_, 1000);
    ASSERT_TRUE(waitForPassages(*cli_, 1000));
    // The demo's pig on channel 3 is heard on another frequency: the unit sends the code of
    // channel 3, and every place shows channel 3 with its name.
    control("ignored 3");
    expectEvent("ignored", {"\"channel\":3,\"channelName\":\"QUORVEX 3\""});
    control("trigger 8");
    expectEvent("recordingTriggered", {"\"channel\":8,\"channelName\":\"Mag\""});
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit()) << cli_->transcript();

    const auto entries = rows();
    ASSERT_EQ(1002u, entries.size());
    for (int i = 0; i < 1000; ++i) {
        SCOPED_TRACE(i);
        const EventRow& row = entries[i].event;
        EXPECT_EQ(EventKind::Passage, row.kind);
        EXPECT_EQ(1 + i % 7, row.channel);
        EXPECT_NEAR(10 + i * 0.001, *row.latitude, 1e-4);
        EXPECT_NEAR(-20 - i * 0.001, *row.longitude, 1e-4);
        EXPECT_NEAR(i, *row.elevation, 1e-3);
        EXPECT_EQ(2, row.gpsQuality);
        EXPECT_NEAR(0.75, *row.hdop, 1e-6);
        EXPECT_LE(i == 0 ? 0 : *entries[i - 1].event.unitTime, *row.unitTime);
        EXPECT_NEAR(static_cast<double>(*row.unitTime), static_cast<double>(row.received), 10e6);
    }
    EXPECT_EQ(EventKind::Ignored, entries[1000].event.kind);
    EXPECT_EQ(3, entries[1000].event.channel) << "the console's channel, not the unit's code 4";
    EXPECT_EQ("QUORVEX 3", entries[1000].event.channelName);
    EXPECT_EQ(EventKind::Trigger, entries[1001].event.kind);
    EXPECT_EQ("Mag", entries[1001].event.channelName);
    EXPECT_FALSE(entries[1001].event.unitTime.has_value());
    EXPECT_EQ(
        "1|" + unit_->portName() + "|M450|123456|0.0096|operator|1",
        query("SELECT count(*) || '|' || port || '|' || model || '|' || serial_number || '|' || firmware || "
              "'|' || end_reason || '|' || (disconnected_us >= connected_us) FROM sessions"));
    EXPECT_EQ("", cli_->errorText());
}

TEST_F(CliJournalTest, APassageIsOnDiskWhenTheClientIsKilledSoonAfterItsAcknowledgement) {
    startUnit();
    startClient({"--journal", journalPath()});
    expectEvent("streaming", {"\"first\":true"});
    control("passage 3 47.25 8.5 400");
    ASSERT_TRUE(
        unit_->waitUntil([](const simulator::UnitStatus& status) { return status.passagesSent == 1; }, 20s));
    // The acknowledgement is on the wire; the operator's laptop loses power 200 ms later.
    std::this_thread::sleep_for(200ms);
    cli_->signal(SIGKILL);
    ASSERT_EQ(128 + SIGKILL, cli_->waitForExit());

    EXPECT_EQ("ok", query("PRAGMA integrity_check"));
    const auto entries = rows();
    ASSERT_EQ(1u, entries.size());
    EXPECT_NEAR(47.25, *entries[0].event.latitude, 1e-6);
    EXPECT_EQ(3, entries[0].event.channel);
    EXPECT_EQ("M450", entries[0].model);
}

TEST_F(CliJournalTest, TwoClientsWritingOneJournalKeepEveryPassageOfBoth) {
    startUnit();
    simulator::UnitSimulator second(quietProfile());
    ASSERT_EQ(0u, second.openPseudoTerminal());
    ASSERT_EQ(0u, second.start());
    startClient({"--journal", journalPath()});
    ChildProcess other(QUORVEX_CLI_PROGRAM, {"--port", second.portName(), "--journal", journalPath()},
                       {{"TEMP", logFolder_.path().string()}});
    expectEvent("streaming", {"\"first\":true"});
    ASSERT_TRUE(other.waitForLine([](const std::string& line) { return contains(line, "\"first\":true"); }));

    std::thread firstPassages(sendPassages, std::ref(*unit_), 500);
    sendPassages(second, 500);
    firstPassages.join();
    // Every passage has reached its client before the operators disconnect.
    ASSERT_TRUE(waitForPassages(*cli_, 500));
    ASSERT_TRUE(waitForPassages(other, 500));
    cli_->sendLine("disconnect");
    other.sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit()) << cli_->transcript();
    ASSERT_EQ(0, other.waitForExit()) << other.transcript();

    const auto entries = rows();
    ASSERT_EQ(1000u, entries.size());
    for (const std::string& port : {unit_->portName(), second.portName()}) {
        std::vector<double> elevations;
        for (const auto& entry : entries) {
            if (entry.port == port) {
                elevations.push_back(*entry.event.elevation);
            }
        }
        ASSERT_EQ(500u, elevations.size()) << port;
        EXPECT_TRUE(std::is_sorted(elevations.begin(), elevations.end())) << port;
    }
    EXPECT_EQ("2|operator",
              query("SELECT count(*) || '|' || group_concat(DISTINCT end_reason) FROM sessions"));
}

TEST_F(CliJournalTest, AJournalThatCannotBeMadeIsSaidOnceOnStandardErrorAndTheSessionGoesOn) {
    const std::string blocked = (logFolder_.path() / "debug-log-as-folder").string();
    std::ofstream(blocked) << "a file";
    startUnit();
    startClient({"--journal", blocked + "/journal.sqlite3"});
    expectEvent("streaming", {"\"first\":true"});
    EXPECT_TRUE(cli_->waitForError("quorvex-cli: Passage journal: cannot create the folder " + blocked));
    control("passage 2");
    expectEvent("passage", {"\"channel\":2"});
    cli_->sendLine("disconnect");
    ASSERT_EQ(0, cli_->waitForExit());
    EXPECT_TRUE(contains(cli_->errorText(),
                         "rows could not be written to " + blocked + "/journal.sqlite3 and are lost"))
        << cli_->errorText();
}

}  // namespace
}  // namespace quorvex::test
