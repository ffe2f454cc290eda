// The Run tab: a route opened through File > Open Route..., a run fed by the unit's passages,
// the markers table, the overdue alarm at the right minute (on a clock the test hands in), and
// the run's report.
#include "console/RunStartForm.h"
#include "console/RunTab.h"
#include "console/RunTimeText.h"
#include "console/Telvane.h"
#include "tests/console/ConsoleFixture.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace quorvex::test {
namespace {

using namespace std::chrono_literals;
using console::RunTab;
using tracking::UtcTime;

const UtcTime t0 = UtcTime(std::chrono::sys_days(std::chrono::December / 7 / 2026)) + 8h;
constexpr int StateColumn = 6;

class RunTabTest : public ConsoleTest {
protected:
    RunTab& tab() const { return *window().runTab(); }

    QString cellOf(int row, int column) const {
        const QAbstractItemModel& model = tab().markersModel();
        return model.data(model.index(row, column)).toString();
    }

    int logLinesWith(const QString& text) const {
        return static_cast<int>(window().logText().split(u'\n').filter(text).size());
    }

    int overdueSounds() const {
        return static_cast<int>(
            std::count(answers_.sounds.begin(), answers_.sounds.end(), console::SoundEvent::Overdue));
    }

    // The sample route, opened as the operator opens it.
    void openSampleRoute() {
        answers_.openFileName =
            QString::fromStdString(testDataPath("routes/junee-griffith.geojson").string());
        window().OnOpenRoute();
        ASSERT_NE(nullptr, tab().route());
    }

    tracking::Passage at(const std::string& marker, UtcTime time) const {
        const tracking::Route& route = *tab().route();
        return {time, route.markers()[*route.markerNamed(marker)].position, "", "unit-" + marker, "", 0};
    }

    double chainageOf(const std::string& marker) const {
        const tracking::Route& route = *tab().route();
        return route.markers()[*route.markerNamed(marker)].chainageMetres;
    }

    // P1 launched at MLV01 at t0, planned at 10 m/s, seen at MLV02 on time; the clock at `now`.
    void startDrivenRun(UtcTime* now) {
        tab().setClock([now] { return *now; });
        openSampleRoute();
        tracking::RunPlan plan;
        plan.pigs.push_back({"P1", 0, t0, 10});
        ASSERT_EQ("", tab().startRun(plan));
        *now = mlv02Time();
        tab().addPassage(at("MLV02", mlv02Time()));
    }

    UtcTime mlv02Time() const { return t0 + std::chrono::seconds(std::lround(chainageOf("MLV02") / 10)); }
};

TEST_F(RunTabTest, ARouteOpensFromTheFileMenuAndTheUnitsOwnPassagesFeedTheRun) {
    start({"--simulate"});
    ASSERT_TRUE(waitForStreaming());
    const auto notARoute = temp_.path() / "notes.geojson";
    std::ofstream(notARoute) << "these are notes";
    answers_.openFileName = QString::fromStdString(notARoute.string());
    window().OnOpenRoute();
    ASSERT_EQ(1u, answers_.boxes.size()) << "a file that is no route is refused with its reason";
    EXPECT_TRUE(answers_.boxes[0].text.startsWith("The route cannot be opened: "))
        << answers_.boxes[0].text.toStdString();
    EXPECT_EQ(nullptr, tab().route());

    openSampleRoute();
    EXPECT_TRUE(answers_.openFilter.contains("*.gpx")) << answers_.openFilter.toStdString();
    // The operator's form: launched a day ago at MLV01, so the unit's passage now comes after it.
    console::RunStartForm& form = tab().startForm();
    form.pigName().setText("Cleaning pig");
    form.launchMarker().setCurrentIndex(0);
    form.launchTime().setDateTime(QDateTime::currentDateTime().addDays(-1));
    form.plannedSpeed().setValue(1);
    // The run is looked at a minute after its launch; the unit's passage a day later still counts.
    const UtcTime lookedAt = console::toUtcTime(form.launchTime().dateTime()) + 1min;
    tab().setClock([lookedAt] { return lookedAt; });
    form.startButton().click();
    ASSERT_TRUE(tab().running());
    EXPECT_EQ("Launch", cellOf(0, StateColumn));
    EXPECT_EQ("Ahead", cellOf(1, StateColumn));

    const tracking::GeoPoint mlv02 = tab().route()->markers()[1].position;
    control("passage 1 " + std::to_string(mlv02.lat) + " " + std::to_string(mlv02.lon) + " 120");
    ASSERT_TRUE(waitFor([&] { return cellOf(1, StateColumn) == "Passed"; }))
        << cellOf(1, StateColumn).toStdString();
    EXPECT_EQ("MLV02", cellOf(1, 0));
    EXPECT_EQ(console::kilometresText(chainageOf("MLV02")), cellOf(1, 1));
    EXPECT_TRUE(cellOf(1, 3).endsWith("Z")) << "passed at, in UTC too";
    EXPECT_TRUE(cellOf(1, 4).contains(" km/h")) << "the segment's speed";
    EXPECT_FALSE(cellOf(2, 5).isEmpty()) << "an ETA at the next marker";
}

TEST_F(RunTabTest, AnOverdueMarkerAlertsOnceAtTheRightMinuteUntilAcknowledgedAndItsPassageClearsIt) {
    start({});
    UtcTime now = t0;
    startDrivenRun(&now);
    ASSERT_EQ("Passed", cellOf(1, StateColumn));
    // MLV03 is due at the planned speed; overdue once half the segment's time more has gone.
    const double segment = (chainageOf("MLV03") - chainageOf("MLV02")) / 10;
    const UtcTime eta =
        mlv02Time() + std::chrono::round<std::chrono::microseconds>(std::chrono::duration<double>(segment));
    const UtcTime overdue = eta + std::chrono::round<std::chrono::microseconds>(
                                      std::chrono::duration<double>(std::max(segment / 2, 300.0)));
    EXPECT_EQ(console::localText(eta), cellOf(2, 5));

    now = overdue - 1s;
    tab().refresh();
    EXPECT_EQ("", tab().bannerText()) << "not a second early";
    EXPECT_EQ("Ahead", cellOf(2, StateColumn));
    now = overdue + 1s;
    tab().refresh();
    now += 10min;
    tab().refresh();
    EXPECT_EQ("Overdue", cellOf(2, StateColumn));
    EXPECT_TRUE(tab().bannerText().contains("P1 is overdue at MLV03, between marker MLV02 and marker MLV03"))
        << tab().bannerText().toStdString();
    EXPECT_EQ(1, overdueSounds()) << "one alert per marker, however often the run is looked at";
    EXPECT_EQ(1, logLinesWith("Overdue: P1 is overdue at MLV03"));
    EXPECT_TRUE(answers_.boxes.empty()) << "an alarm, not a dialog";

    const UtcTime acknowledgedAt = now;
    tab().acknowledge();
    EXPECT_EQ("", tab().bannerText());
    ASSERT_EQ(1u, tab().alarms().all().size());
    EXPECT_EQ(acknowledgedAt, tab().alarms().all()[0].acknowledged);
    EXPECT_EQ(1, logLinesWith("Overdue alarm acknowledged: P1 is overdue at MLV03"));

    now += 5min;
    tab().addPassage(at("MLV03", now));
    EXPECT_EQ("Passed", cellOf(2, StateColumn));
    EXPECT_EQ(now, tab().alarms().all()[0].cleared);
    EXPECT_EQ(1, logLinesWith("P1 reached MLV03: its overdue alarm is cleared"));
    EXPECT_EQ(1, overdueSounds());
}

TEST_F(RunTabTest, ARunIsBackWithItsPassagesAndAcknowledgementsWhenTheWindowOpensAgainOnItsJournal) {
    const QStringList options{"--journal",
                              QString::fromStdString((temp_.path() / "journal.sqlite3").string())};
    start(options);
    // The route file is moved away before the restart: the run keeps the route as it was read.
    const auto routeFile = temp_.path() / "line.geojson";
    std::filesystem::copy_file(testDataPath("routes/junee-griffith.geojson"), routeFile);
    UtcTime now = t0;
    tab().setClock([&now] { return now; });
    answers_.openFileName = QString::fromStdString(routeFile.string());
    window().OnOpenRoute();
    tracking::RunPlan plan;
    plan.pigs.push_back({"P1", 0, t0, 10});
    plan.settings.lockout = 95s;
    ASSERT_EQ("", tab().startRun(plan));
    now = mlv02Time();
    tab().addPassage(at("MLV02", now));
    now += 20h;
    tab().refresh();
    ASSERT_FALSE(tab().alarms().all().empty());
    const UtcTime acknowledgedAt = now;
    tab().acknowledge();
    const std::string firstAlarm = tab().alarms().all()[0].text;
    const std::size_t alarms = tab().alarms().all().size();

    telvane_.reset();
    std::filesystem::remove(routeFile);
    telvane_ = std::make_unique<console::Telvane>(console::deviceStack(), answers_.services());
    start(options);
    ASSERT_TRUE(waitFor([&] { return tab().running(); })) << window().logText().toStdString();
    EXPECT_EQ(routeFile, tab().routePath());
    const tracking::RunPlan& restored = tab().run()->plan();
    ASSERT_EQ(1u, restored.pigs.size());
    EXPECT_EQ("P1", restored.pigs[0].name);
    EXPECT_EQ(t0, restored.pigs[0].launchTime);
    EXPECT_EQ(10, restored.pigs[0].plannedMetresPerSecond);
    EXPECT_EQ(95s, restored.settings.lockout);
    ASSERT_EQ(1u, tab().run()->passages().size());
    EXPECT_EQ(mlv02Time(), tab().run()->passages()[0].passage.time);
    EXPECT_EQ("unit-MLV02", tab().run()->passages()[0].passage.unit);
    EXPECT_EQ("Passed", cellOf(1, StateColumn));
    ASSERT_LE(alarms, tab().alarms().all().size());
    EXPECT_EQ(firstAlarm, tab().alarms().all()[0].text);
    EXPECT_EQ(acknowledgedAt, tab().alarms().all()[0].acknowledged) << "acknowledged before, with its time";
    EXPECT_EQ(0, logLinesWith("Overdue: " + QString::fromStdString(firstAlarm)))
        << "an alarm acknowledged before the restart does not sound again";
}

TEST_F(RunTabTest, TheRunReportNamesEveryMarkerInItsPdfAndWritesTheRunAsCsvAndGeoJson) {
    start({});
    UtcTime now = t0;
    startDrivenRun(&now);
    now += 3h;
    tab().refresh();
    tab().acknowledge();
    const tracking::Route& route = *tab().route();

    const QString pdf = QString::fromStdString((temp_.path() / "run.pdf").string());
    answers_.fileName = pdf;
    window().OnRunReport();
    ASSERT_TRUE(answers_.boxes.empty()) << answers_.boxes.front().text.toStdString();
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    ASSERT_EQ(0, text.exitCode()) << text.readAllStandardError().toStdString();
    const QString extracted = QString::fromUtf8(text.readAllStandardOutput());
    for (const tracking::Marker& marker : route.markers()) {
        EXPECT_TRUE(extracted.contains(QString::fromStdString(marker.name))) << marker.name;
    }
    EXPECT_TRUE(extracted.contains("P1 is overdue at MLV03")) << "the alarms and their acknowledgements";

    answers_.fileName = QString::fromStdString((temp_.path() / "run.csv").string());
    window().OnRunReport();
    std::ifstream csv(temp_.path() / "run.csv");
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(csv, line)) {
        lines.push_back(line);
    }
    ASSERT_EQ(route.markers().size() + 1, lines.size());
    EXPECT_EQ("marker,chainage_m,passed_utc,segment_speed_kmh,eta_utc,state\r", lines[0]);
    EXPECT_TRUE(lines[2].starts_with("MLV02,")) << lines[2];
    EXPECT_NE(std::string::npos, lines[2].find(",2026-12-07T")) << lines[2];
    EXPECT_TRUE(lines[3].ends_with(",overdue\r")) << lines[3];

    answers_.fileName = QString::fromStdString((temp_.path() / "run.geojson").string());
    window().OnRunReport();
    const auto geojson = nlohmann::json::parse(std::ifstream(temp_.path() / "run.geojson"));
    ASSERT_EQ(1u, geojson["alarms"].size());
    EXPECT_TRUE(geojson["alarms"][0]["acknowledged"].is_string());
    std::size_t markers = 0;
    for (const auto& feature : geojson["features"]) {
        markers += feature["properties"]["kind"] == "marker";
    }
    EXPECT_EQ(route.markers().size(), markers);
    EXPECT_TRUE(answers_.boxes.empty());
}

}  // namespace
}  // namespace quorvex::test
