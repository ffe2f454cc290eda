// quorvex-route as scripts run it: a real process, its output, its exit status.
#include "tests/helpers/TestData.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quorvex::tracking {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

Outcome route(const std::vector<std::string>& args) {
    const test::TemporaryFolder folder;
    std::string command = "'" QUORVEX_ROUTE_PROGRAM "'";
    for (const std::string& arg : args) {
        command += " '" + arg + "'";
    }
    command += " >'" + (folder.path() / "out").string() + "' 2>'" + (folder.path() / "err").string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(folder.path() / "out"),
            slurp(folder.path() / "err")};
}

const std::string geojson = test::testDataPath("routes/junee-griffith.geojson").string();

TEST(RouteCommand, InfoGivesTheLengthThenEachMarkerAndChainageOnALine) {
    const Outcome info = route({"info", geojson});
    EXPECT_EQ(info.status, 0) << info.err;
    std::istringstream lines(info.out);
    std::string line;
    std::vector<std::string> all;
    while (std::getline(lines, line)) {
        all.push_back(line);
    }
    ASSERT_EQ(all.size(), 13u);
    EXPECT_EQ(all[1], "MLV01\t0.00");
    EXPECT_EQ(all[12].rfind("MLV12\t" + all[0], 0), 0u);  // the last marker is at the line's far end
    EXPECT_EQ(all[0].find_first_not_of("0123456789."), std::string::npos) << all[0];

    const Outcome json = route({"--json", "info", geojson});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"name\": \"Junee to Griffith\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"length_m\": " + all[0].substr(0, all[0].size() - 1)), std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"name\": \"MLV07\""), std::string::npos);
}

TEST(RouteCommand, LocateGivesChainageAndDistanceOffTheRoute) {
    // MLV04 stands on a vertex of the line.
    const Outcome at = route({"locate", geojson, "-34.5519028", "146.4535828"});
    EXPECT_EQ(at.status, 0) << at.err;
    const Outcome info = route({"info", geojson});
    const std::size_t mlv04 = info.out.find("MLV04\t");
    const std::string chainage = info.out.substr(mlv04 + 6, info.out.find('\n', mlv04) - mlv04 - 6);
    EXPECT_EQ(at.out, chainage + "\t0.00\n");

    const Outcome json = route({"locate", geojson, "-34.5519028", "146.4535828", "--json"});
    EXPECT_EQ(json.status, 0);
    EXPECT_NE(json.out.find("\"chainage_m\": " + chainage.substr(0, chainage.find('.'))), std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"off_route_m\": 0.0"), std::string::npos) << json.out;
}

TEST(RouteCommand, BadInputIsSaidClearlyWithExitStatusTwo) {
    const test::TemporaryFolder folder;
    std::ofstream(folder.path() / "notes.txt") << "not a route\n";
    std::ofstream(folder.path() / "points.geojson")
        << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"A"},)"
           R"("geometry":{"type":"Point","coordinates":[146.1,-34.3]}}]})";
    const std::string notes = (folder.path() / "notes.txt").string();
    const std::string points = (folder.path() / "points.geojson").string();
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{}, "quorvex-route: no command: info or locate"},
        {{"draw", geojson}, "quorvex-route: unknown command draw"},
        {{"info"}, "quorvex-route: usage: quorvex-route info ROUTE"},
        {{"info", notes}, "quorvex-route: " + notes + ": not a route file GDAL can read"},
        {{"info", points}, "quorvex-route: " + points + ": no line in it"},
        {{"locate", geojson, "-34.5"}, "quorvex-route: usage: quorvex-route locate ROUTE LAT LON"},
        {{"locate", geojson, "south", "146.4"}, "quorvex-route: latitude south: not a number of degrees"},
        {{"locate", geojson, "-34.5", "146.4x"}, "quorvex-route: longitude 146.4x: not a number of degrees"},
        {{"locate", geojson, "-94.5", "146.4"}, "quorvex-route: latitude -94.5: not a number of degrees"},
        {{"locate", geojson, "-34.5", "146.4", "--near"}, "quorvex-route: --near needs a chainage in metres"},
        {{"--metres", "info", geojson}, "quorvex-route: unknown option --metres"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = route(c.args);
        EXPECT_EQ(outcome.status, 2) << c.says;
        EXPECT_EQ(outcome.err.rfind(c.says, 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find("Try quorvex-route --help."), std::string::npos);
        EXPECT_EQ(outcome.out, "");
    }
    const Outcome help = route({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quorvex-route", 0), 0u);
}

}  // namespace
}  // namespace quorvex::tracking
