// quorvex-export --run: a pig run kept in a real journal file, written by the installed program
// as CSV and GeoJSON, and the bad --run values it refuses.
#include "journal/ExportText.h"
#include "journal/RunJournal.h"
#include "runreport/RunRecordConversion.h"
#include "tests/helpers/TestData.h"
#include "tracking/RouteReader.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace quorvex::runreport {
namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error
};

Outcome exportWith(const std::string& arguments) {
    Outcome outcome;
    FILE* pipe = ::popen((std::string(QUORVEX_EXPORT_PROGRAM) + " " + arguments + " 2>&1").c_str(), "r");
    char buffer[4096];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        outcome.output += buffer;
    }
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

tracking::UtcTime at(const char* iso) {
    return tracking::UtcTime(std::chrono::microseconds(*journal::parseIsoUtc(iso)));
}

std::string iso(tracking::UtcTime time) {
    return journal::isoUtc(time.time_since_epoch().count());
}

// The drill route's run as the console keeps it: P1 launched at D1, reported at D2 and D3 by two
// units at its planned speed, an overdue alarm acknowledged and cleared on the way, ended after D3.
class KeptRunExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ("", tracking::readRoute(QUORVEX_DRILL_ROUTE, tracking::RouteLimits{}, route));
        ASSERT_EQ(4u, route->markers().size());
        tracking::RunPlan plan;
        plan.pigs.push_back({"P1", 0, at("2026-12-08T10:00:00Z"), 1.0});
        ASSERT_EQ("", runs.open(journal().string()));
        const auto id = runs.begin(runRecord(QUORVEX_DRILL_ROUTE, *route, plan, plan.pigs[0].launchTime));
        ASSERT_TRUE(id) << runs.message();
        const char* units[] = {"", "unit-7", "unit-9"};
        for (std::size_t marker : {1, 2}) {
            const double seconds =
                route->markers()[marker].chainageMetres - route->markers()[0].chainageMetres;
            tracking::Passage passage{plan.pigs[0].launchTime + std::chrono::seconds(std::lround(seconds)),
                                      route->markers()[marker].position,
                                      "",
                                      units[marker],
                                      "journal-uuid",
                                      static_cast<std::int64_t>(marker)};
            passed.push_back(passage.time);
            ASSERT_TRUE(runs.addPassage(*id, passageRecord(passage))) << runs.message();
        }
        const journal::RunAlarmRecord alarm{0,
                                            1,
                                            "P1 is overdue at D2, between marker D1 and marker D2",
                                            passed[0].time_since_epoch().count() - 60'000'000,
                                            passed[0].time_since_epoch().count() - 30'000'000,
                                            passed[0].time_since_epoch().count()};
        ASSERT_TRUE(runs.saveAlarms(*id, std::span(&alarm, 1))) << runs.message();
        ASSERT_TRUE(runs.end(*id, passed[1].time_since_epoch().count() + 60'000'000)) << runs.message();
    }

    std::filesystem::path journal() const { return folder.path() / "journal.sqlite3"; }
    std::string journalOption() const { return "--journal '" + journal().string() + "'"; }

    test::TemporaryFolder folder;
    std::optional<tracking::Route> route;
    journal::RunJournal runs;
    std::vector<tracking::UtcTime> passed;  // at D2 and D3
};

TEST_F(KeptRunExport, TheRunIsWrittenWholeAsCsvAndGeoJsonAndBadRunsAreRefused) {
    const std::string markers[] = {"D1", "D2", "D3", "D4"};
    const char* launched = "2026-12-08T10:00:00Z";
    struct Case {
        std::string arguments;
        int status;
        std::vector<std::string> expected;  // in the file written (status 0) or in what it said
    };
    const std::vector<Case> cases = {
        {"run.csv --run last",
         0,
         {"marker,chainage_m,passed_utc,segment_speed_kmh,eta_utc,state\r\n", "\r\nD1,", ",passed\r\nD2,",
          ",passed\r\nD3,", "," + iso(passed[0]) + ",", "," + iso(passed[1]) + ",", ",passed\r\nD4,",
          ",ahead\r\n"}},
        {"run.geojson --run 1",
         0,
         {"\"kind\":\"route\"", "\"kind\":\"marker\",\"name\":\"D1\"", "\"name\":\"D2\"", "\"name\":\"D3\"",
          "\"name\":\"D4\"", "\"passed_at\":\"" + iso(passed[0]) + "\"", "\"unit\":\"unit-7\"",
          "\"unit\":\"unit-9\"", "\"time\":\"" + iso(passed[1]) + "\"", "\"fate\":\"assigned\"",
          "\"kind\":\"estimate\",\"pig\":\"P1\"",
          "\"text\":\"P1 is overdue at D2, between marker D1 and marker D2\"", "\"acknowledged\":\""}},
        {"bad.csv --run 2", 2, {"no run 2 kept in this journal"}},
        {"bad.csv --run 0", 2, {"--run 0: not a run number or \"last\""}},
        {"bad.csv --run first", 2, {"--run first: not a run number or \"last\""}},
        {"bad.gpx --run 1", 2, {"--run writes csv or geojson, not gpx"}},
        {"bad.csv --run 1 --session last", 2, {"--run takes no --session"}},
        {"bad.csv --run", 2, {"--run needs a value"}},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.arguments);
        const std::string file = one.arguments.substr(0, one.arguments.find(' '));
        const Outcome outcome = exportWith(journalOption() + " '" + (folder.path() / file).string() + "' " +
                                           one.arguments.substr(one.arguments.find(' ') + 1));
        ASSERT_EQ(one.status, outcome.status) << outcome.output;
        const std::string text = one.status == 0 ? fileText(folder.path() / file) : outcome.output;
        for (const std::string& part : one.expected) {
            EXPECT_NE(std::string::npos, text.find(part)) << part << " not in:\n" << text;
        }
        if (one.status == 0) {
            EXPECT_NE(std::string::npos, outcome.output.find("run 1 written to")) << outcome.output;
            EXPECT_NE(std::string::npos, text.find(iso(at(launched))))
                << "the launch is the first marker's time";
            for (const std::string& marker : markers) {
                EXPECT_NE(std::string::npos, text.find(marker)) << marker;
            }
        } else {
            EXPECT_FALSE(std::filesystem::exists(folder.path() / file))
                << "nothing is written for a bad --run";
        }
    }
}

TEST_F(KeptRunExport, AJournalWithoutRunsSaysSoWithStatusTwo) {
    const std::filesystem::path empty = folder.path() / "empty.sqlite3";
    journal::RunJournal fresh;
    ASSERT_EQ("", fresh.open(empty.string()));
    const Outcome outcome = exportWith("--journal '" + empty.string() + "' - --format csv --run last");
    EXPECT_EQ(2, outcome.status) << outcome.output;
    EXPECT_NE(std::string::npos, outcome.output.find("no pig run kept in this journal")) << outcome.output;
}

}  // namespace
}  // namespace quorvex::runreport
