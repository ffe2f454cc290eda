// The console's control-room pane follows the link to a real mosquitto; the window keeps working.
#include "console/ControlRoomLink.h"
#include "console/ControlRoomSecrets.h"
#include "console/RunTab.h"
#include "controlroom/LinkPayload.h"
#include "journal/Journal.h"
#include "journal/JournalFeed.h"
#include "journal/JournalLocation.h"
#include "journal/SqliteConnection.h"
#include "support/ui/ApplicationProfile.h"
#include "tests/console/ConsoleFixture.h"
#include "tests/helpers/mqtt/MqttBroker.h"
#include "tests/helpers/mqtt/MqttSubscriber.h"

#include <QAbstractItemModel>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quorvex::test {
namespace {

class ControlRoomPaneTest : public ConsoleTest {
protected:
    ControlRoomPaneTest() {
        // The settings and the journal of the test's own, never the user's.
        ::setenv("XDG_CONFIG_HOME", temp_.path().c_str(), 1);
        ::setenv("XDG_DATA_HOME", temp_.path().c_str(), 1);
    }
    ~ControlRoomPaneTest() override {
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
    }
    QString pane() const { return window().controlRoom()->pane()->text(); }
};

TEST_F(ControlRoomPaneTest, PaneShowsOffConnectingOnlineAndOfflineWithTheBrokerInItsTip) {
    start({"--simulate"});
    EXPECT_EQ("Control room: off", pane());
    EXPECT_EQ("Control room link", window().controlRoom()->pane()->accessibleName());

    MqttBroker broker(temp_.path());
    window().controlRoom()->apply({broker.url(), "secret", "", "", "", ""});
    ASSERT_TRUE(waitFor([&] { return pane() == "Control room: online"; })) << pane().toStdString();
    // The unit's status reaches the control room, retained.
    ASSERT_TRUE(waitForStreaming());
    MqttSubscriber controlRoom(broker.port(), "quorvex/+/status");
    ASSERT_TRUE(waitFor([&] {
        const auto messages = controlRoom.messages();
        return !messages.empty() &&
               messages.back().payload.find("\"connection\":\"connected\"") != std::string::npos;
    }));
    const QString tip = window().controlRoom()->pane()->toolTip();
    EXPECT_TRUE(tip.contains(QString::fromStdString("127.0.0.1:" + std::to_string(broker.port()))));
    EXPECT_FALSE(tip.contains("secret"));

    broker.stop();
    ASSERT_TRUE(waitFor([&] { return pane().startsWith("Control room: offline"); })) << pane().toStdString();
    EXPECT_TRUE(waitFor([&] { return !window().controlRoom()->status().lastError.empty(); }));
    EXPECT_TRUE(window().controlRoom()->pane()->toolTip().contains("Last error: "));
    EXPECT_TRUE(window().messageText().startsWith("Control room link: "));

    window().controlRoom()->apply({});
    EXPECT_EQ("Control room: off", pane());
}

// --journal given: the link starts once, on that journal, and never on the default one first
// (which would run two publishers with one client id, one of them on the wrong rows).
TEST_F(ControlRoomPaneTest, TheLinkStartsOnceOnTheJournalOfTheCommandLine) {
    const std::string defaultJournal = journal::journalPath(std::nullopt, false).value_or("");
    std::filesystem::create_directories(std::filesystem::path(defaultJournal).parent_path());
    {
        journal::JournalSettings made;
        made.path = defaultJournal;
        journal::Journal journal(made);
        journal.beginSession({journal::journalNow(), "/dev/pts/9"});
        ASSERT_TRUE(journal.waitUntilWritten(std::chrono::seconds(20)));
    }
    MqttBroker broker(temp_.path());
    ASSERT_TRUE((console::ControlRoomSettings{broker.url(), "", "", "", "", ""}.save()));
    const std::string chosen = (temp_.path() / "chosen.sqlite3").string();
    start({"--simulate", "--journal", QString::fromStdString(chosen)});
    ASSERT_TRUE(waitFor([&] { return pane() == "Control room: online"; })) << pane().toStdString();
    ASSERT_TRUE(waitForStreaming());
    control("passage 3 47.25 8.5 400");
    ASSERT_TRUE(waitFor([&] { return window().controlRoom()->status().delivered == 1; }));

    EXPECT_FALSE(std::filesystem::exists(defaultJournal + ".publisher"));
    journal::SqliteConnection untouched;
    ASSERT_EQ(SQLITE_OK, untouched.open(defaultJournal, SQLITE_OPEN_READONLY)) << defaultJournal;
    int result = SQLITE_OK;
    EXPECT_EQ(0, untouched.queryInteger("SELECT count(*) FROM link_start", result).value_or(-1));
    std::ifstream log(temp_.path() / "mosquitto.log");
    const std::string logged{std::istreambuf_iterator<char>(log), {}};
    EXPECT_EQ(std::string::npos, logged.find("already connected, closing old connection"));
}

// The password of an earlier profile leaves it, once, for the keyring; where none answers (no
// session bus here) for a file only its owner may read. Saved settings never put it back.
TEST_F(ControlRoomPaneTest, PasswordsLeaveTheProfileForTheKeyringOrAPrivateFile) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (temp_.path() / "no-bus").string()).c_str(), 1);
    using zeph::windows::ui::ApplicationProfile;
    ApplicationProfile::writeProfileString(L"ControlRoom", L"Url", L"mqtt://field@127.0.0.1/quorvex");
    ApplicationProfile::writeProfileString(L"ControlRoom", L"Password", L"hunter2");
    const auto profileText = [] {
        std::ifstream file(ApplicationProfile::fileName().toStdString());
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    ASSERT_NE(std::string::npos, profileText().find("hunter2"));

    console::ControlRoomSettings settings = console::ControlRoomSettings::load();
    EXPECT_EQ("hunter2", settings.password);
    EXPECT_EQ(std::string::npos, profileText().find("hunter2"));
    EXPECT_EQ(console::ControlRoomSecrets::Place::File, console::ControlRoomSecrets::place());
    EXPECT_NE(std::string::npos, console::ControlRoomSecrets::placeText().find("No keyring answered"));
    settings.keyPassword = "open-sesame";
    ASSERT_TRUE(settings.save());
    for (const char* name : {"broker-password", "key-password"}) {
        struct stat status {};
        ASSERT_EQ(0, ::stat(console::ControlRoomSecrets::filePath(name).c_str(), &status)) << name;
        EXPECT_EQ(0600u, status.st_mode & 0777u) << name;
    }
    const console::ControlRoomSettings again = console::ControlRoomSettings::load();
    EXPECT_EQ("hunter2", again.password);
    EXPECT_EQ("open-sesame", again.keyPassword);
    EXPECT_EQ(std::string::npos, profileText().find("hunter2"));
    EXPECT_EQ(std::string::npos, profileText().find("open-sesame"));
    ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

// A chasing crew's Run tab fills with the markers the other units saw: their passages come
// through the control room's broker, once each, named by the unit that saw them.
TEST_F(ControlRoomPaneTest, AnotherUnitsPassageOnTheBrokerReachesTheRunNamedByItsUnit) {
    start({});
    console::RunTab& tab = *window().runTab();
    const tracking::UtcTime launch =
        tracking::UtcTime(std::chrono::sys_days(std::chrono::December / 7 / 2026));
    tab.setClock([launch] { return launch + std::chrono::hours(2); });
    ASSERT_EQ("", tab.openRoute(testDataPath("routes/junee-griffith.geojson")));
    tracking::RunPlan plan;
    plan.pigs.push_back({"P1", 0, launch, 2});
    ASSERT_EQ("", tab.startRun(plan));
    MqttBroker broker(temp_.path());
    window().controlRoom()->apply({broker.url(), "", "", "", "", ""});

    const tracking::Marker& mlv02 = tab.route()->markers()[1];
    journal::JournalEntry entry{
        "5b0e8c1d-2f3a-4e5b-8c7d-9e0f1a2b3c4d", 12, 1, {}, "/dev/rfcomm0", "QRV-200", "SN 0815"};
    entry.event.unitTime = std::chrono::duration_cast<std::chrono::microseconds>(
                               (launch + std::chrono::minutes(50)).time_since_epoch())
                               .count();
    entry.event.latitude = mlv02.position.lat;
    entry.event.longitude = mlv02.position.lon;
    const auto file = temp_.path() / "passage.json";
    std::ofstream(file) << link::eventPayload(entry, {1, *entry.event.unitTime, false, false}, entry.journal);
    const QAbstractItemModel& markers = tab.markersModel();
    const auto seenBy = [&] { return markers.data(markers.index(1, 7)).toString(); };
    // The passage is sent until the feed, once subscribed, has it: the run counts it once.
    auto sent = std::chrono::steady_clock::time_point();
    ASSERT_TRUE(waitFor([&] {
        if (seenBy().isEmpty() && std::chrono::steady_clock::now() - sent > std::chrono::milliseconds(500)) {
            sent = std::chrono::steady_clock::now();
            runShell("mosquitto_pub -p " + std::to_string(broker.port()) +
                     " -q 1 -t 'quorvex/SN 0815/passage' -f " + file.string());
        }
        return !seenBy().isEmpty();
    }));
    EXPECT_EQ("SN 0815", seenBy());
    EXPECT_EQ("Passed", markers.data(markers.index(1, 6)).toString());
    EXPECT_EQ(1u, tab.snapshot().passages.size());
    window().controlRoom()->apply({});
}

}  // namespace
}  // namespace quorvex::test
