// A pig run is kept in the journal file as it goes, so a console that restarts finds it whole;
// a session a crashed program left open is ended by the next start, never one still written.
#include "tests/journal/JournalFixture.h"

#include "journal/JournalSql.h"
#include "journal/JournalStore.h"
#include "journal/ProcessIdentity.h"
#include "journal/RunJournal.h"

#include <sys/wait.h>
#include <unistd.h>

namespace quorvex::test {
namespace {

using namespace journal;
using namespace std::chrono_literals;

RunRecord sampleRun() {
    RunRecord run;
    run.started = 1'796'601'000'000'000;
    run.route = {"/routes/line.geojson", "Line, Éire", {{51.5, -0.1}, {51.6, -0.1}, {51.7, -0.12}}, {}};
    run.route.markers = {{"MLV01", {51.5, -0.1}, std::nullopt}, {"MLV02", {51.6, -0.1}, 11'120.5}};
    run.settings = {true, 90, 110, 150, 0.3, 5.5, 0.4, 240};
    run.pigs = {{"P1", 0, 1'796'601'000'000'000, 1.25}, {"P2", 0, 1'796'601'600'000'000, 1.5}};
    run.passages = {{1'796'601'100'000'000, RunPoint{51.5, -0.1}, "", "unit 7", "uuid-a", 12}};
    return run;
}

void expectSameRun(const RunRecord& expected, const RunRecord& actual) {
    EXPECT_EQ(expected.started, actual.started);
    EXPECT_EQ(expected.route.path, actual.route.path);
    EXPECT_EQ(expected.route.name, actual.route.name);
    ASSERT_EQ(expected.route.line.size(), actual.route.line.size());
    EXPECT_EQ(expected.route.line.back().longitude, actual.route.line.back().longitude);
    ASSERT_EQ(expected.route.markers.size(), actual.route.markers.size());
    EXPECT_EQ(expected.route.markers[1].name, actual.route.markers[1].name);
    EXPECT_EQ(expected.route.markers[0].surveyedChainageMetres,
              actual.route.markers[0].surveyedChainageMetres);
    EXPECT_EQ(expected.route.markers[1].surveyedChainageMetres,
              actual.route.markers[1].surveyedChainageMetres);
    EXPECT_EQ(expected.settings.againstLine, actual.settings.againstLine);
    EXPECT_EQ(expected.settings.lockoutSeconds, actual.settings.lockoutSeconds);
    EXPECT_EQ(expected.settings.maxMetresPerSecond, actual.settings.maxMetresPerSecond);
    EXPECT_EQ(expected.settings.overdueMinimumSeconds, actual.settings.overdueMinimumSeconds);
    ASSERT_EQ(expected.pigs.size(), actual.pigs.size());
    EXPECT_EQ(expected.pigs[1].name, actual.pigs[1].name);
    EXPECT_EQ(expected.pigs[1].launchTime, actual.pigs[1].launchTime);
    EXPECT_EQ(expected.pigs[1].plannedMetresPerSecond, actual.pigs[1].plannedMetresPerSecond);
}

TEST_F(JournalTest, ARunIsKeptAsItGoesAndComesBackWholeAfterARestart) {
    std::int64_t id = 0;
    {
        RunJournal runs;
        ASSERT_EQ("", runs.open(path()));
        EXPECT_EQ(std::nullopt, runs.openRun());
        id = runs.begin(sampleRun()).value_or(0);
        ASSERT_NE(0, id) << runs.message();
        // Another unit's passage by marker name, without a position or a row of ours.
        ASSERT_TRUE(
            runs.addPassage(id, {1'796'601'900'000'000, std::nullopt, "MLV02", "unit 9", "uuid-b", {}}));
        const RunAlarmRecord raised{0, 1, "P1 is overdue at MLV02", 1'796'602'000'000'000, {}, {}};
        ASSERT_TRUE(runs.saveAlarms(id, std::vector{raised}));
        RunAlarmRecord acknowledged = raised;
        acknowledged.acknowledged = 1'796'602'060'000'000;
        ASSERT_TRUE(runs.saveAlarms(id, std::vector{acknowledged}));
    }
    RunJournal restarted;
    ASSERT_EQ("", restarted.open(path()));
    ASSERT_EQ(id, restarted.openRun());
    const auto run = restarted.read(id);
    ASSERT_TRUE(run.has_value());
    expectSameRun(sampleRun(), *run);
    ASSERT_EQ(2u, run->passages.size());
    EXPECT_EQ(12, run->passages[0].eventId);
    EXPECT_EQ(-0.1, run->passages[0].position->longitude);
    EXPECT_EQ(std::nullopt, run->passages[1].position);
    EXPECT_EQ("MLV02", run->passages[1].marker);
    EXPECT_EQ("uuid-b", run->passages[1].journal);
    EXPECT_EQ(std::nullopt, run->passages[1].eventId);
    ASSERT_EQ(1u, run->alarms.size()) << "saving the alarms again replaces them";
    EXPECT_EQ(1'796'602'060'000'000, run->alarms[0].acknowledged);
    EXPECT_EQ(std::nullopt, run->alarms[0].cleared);

    ASSERT_TRUE(restarted.end(id, 1'796'603'000'000'000));
    EXPECT_EQ(std::nullopt, restarted.openRun()) << "an ended run is not taken up again";
    EXPECT_EQ(std::nullopt, restarted.read(id + 1));
}

TEST_F(JournalTest, AJournalOfThePreviousVersionMigratesKeepsItsRowsAndThenKeepsRuns) {
    const int previous = currentSchemaVersion() - 1;
    std::string steps;
    for (int step = 0; step < previous; ++step) {
        steps += sql::Migrations[static_cast<std::size_t>(step)];
    }
    execute(path(),
            steps +
                "INSERT INTO sessions(connected_us, disconnected_us, port, end_reason)"
                " VALUES(1, 5, 'COM3', 'operator');"
                "INSERT INTO sessions(connected_us, port) VALUES(6, '/dev/ttyUSB0');"
                "INSERT INTO events(session_id, kind, received_us, note) VALUES(1, 'passage', 2, 'old');"
                "PRAGMA user_version = " +
                std::to_string(previous) + ";");
    const std::string uuid = query(path(), "SELECT uuid FROM journal_identity");
    RunJournal runs;
    ASSERT_EQ("", runs.open(path()));
    ASSERT_NE(std::nullopt, runs.begin(sampleRun())) << runs.message();
    EXPECT_EQ(std::to_string(currentSchemaVersion()), query(path(), "PRAGMA user_version"));
    EXPECT_EQ(uuid, query(path(), "SELECT uuid FROM journal_identity"));
    EXPECT_EQ("old", query(path(), "SELECT note FROM events WHERE id = 1"));
    EXPECT_EQ("operator", query(path(), "SELECT end_reason FROM sessions WHERE id = 1"));
    EXPECT_EQ("", query(path(), "SELECT coalesce(end_reason, '') FROM sessions WHERE id = 2"))
        << "a session from before its writer was recorded cannot be told from one still written";
    const auto read = rows();
    ASSERT_EQ(1u, read.size());
    EXPECT_EQ("COM3", read[0].port);
}

// A process id that no process holds now: a child's, once it has ended.
std::int64_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

TEST_F(JournalTest, ASessionLeftOpenIsEndedByTheNextStartOnlyWhenItsProgramIsGone) {
    const ProcessIdentity us = thisProcess();
    ASSERT_NE(0, us.started);
    const struct {
        const char* name;
        std::string writer;  // SET clause of who wrote the session
        bool ended;
    } cases[] = {
        {"a program still running (this one)", "", false},
        {"a program that has stopped", "pid = " + std::to_string(endedProcess()), true},
        {"the same process id given to a later process", "pid_started = " + std::to_string(us.started + 1),
         true},
        {"a program of another host, which cannot be told", "host = 'elsewhere', pid = 1", false},
        {"a program whose start could not be read", "pid_started = 0", false},
    };
    int number = 0;
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        const std::string file = (folder_.path() / ("left-open-" + std::to_string(++number))).string();
        {
            JournalSettings settings;
            settings.path = file;
            const auto journal = openJournal(settings);
            const SessionToken session = journal->beginSession({1'796'601'000'000'000, "/dev/ttyUSB0"});
            EventRow row = passageRow(1);
            row.received = 1'796'601'500'000'000;
            journal->addEvent(session, row);
            ASSERT_TRUE(journal->waitUntilWritten(20s));
        }
        if (!each.writer.empty()) {
            execute(file, "UPDATE sessions SET " + each.writer);
        }
        JournalStore next;
        ASSERT_EQ(OpenOutcome::Ready, next.open(file, 5s)) << next.message();
        next.close();
        EXPECT_EQ(
            each.ended ? "1796601500000000|not closed|the program that wrote it stopped unexpectedly" : "",
            query(file,
                  "SELECT coalesce(disconnected_us || '|' || end_reason || '|' || end_text, '')"
                  " FROM sessions"));
    }
}

}  // namespace
}  // namespace quorvex::test
