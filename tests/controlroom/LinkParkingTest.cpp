// Rows the broker or the library will not take, gaps in the delivery marks, and the unit's
// status: none of them may stop the other rows or flood the broker.
#include "controlroom/LinkPane.h"
#include "controlroom/LinkPayload.h"
#include "journal/JournalFileCheck.h"
#include "journal/SqliteConnection.h"
#include "tests/controlroom/LinkFixture.h"

#include <mosquitto.h>

#include <algorithm>
#include <fstream>
#include <thread>

namespace quorvex::test {

namespace {

using link::LinkState;
using Clock = std::chrono::steady_clock;

std::vector<std::int64_t> idsOf(const std::vector<std::string>& payloads) {
    std::vector<std::int64_t> ids;
    for (const std::string& payload : payloads) {
        ids.push_back(std::stoll(jsonField(payload, "id")));
    }
    return ids;
}

std::size_t countHolding(const std::vector<std::string>& texts, const std::string& fragment) {
    return static_cast<std::size_t>(std::count_if(texts.begin(), texts.end(), [&](const std::string& text) {
        return text.find(fragment) != std::string::npos;
    }));
}

std::vector<MqttMessage> statusesOn(const std::vector<MqttMessage>& messages, const std::string& topic) {
    std::vector<MqttMessage> statuses;
    std::copy_if(messages.begin(), messages.end(), std::back_inserter(statuses),
                 [&](const MqttMessage& message) { return message.topic == topic; });
    return statuses;
}

}  // namespace

// A serial of control characters, bad UTF-8 and wildcards gets a printable topic of its own; a
// row the broker's ACL refuses (PUBACK 0x87) and one too large for the broker are kept, counted
// and told once each, and every other row goes out on the one connection.
TEST_F(LinkTest, RefusedRowsAreParkedAndTheOthersGoOut) {
    const std::string odd = std::string("Q\x01\xff/+#%", 7) + "\xc3\xa9 7";
    const std::string oddLevel = "Q%01%FF%2F%2B%23%25\xc3\xa9 7";
    EXPECT_EQ(oddLevel, link::topicLevel(odd));
    EXPECT_EQ("SN 4711", link::topicLevel("SN 4711"));
    EXPECT_EQ(MOSQ_ERR_SUCCESS, mosquitto_validate_utf8(oddLevel.c_str(), static_cast<int>(oddLevel.size())));
    std::ofstream(folder_.path() / "acl") << "topic deny quorvex/666/#\ntopic readwrite quorvex/#\n";
    MqttBroker broker(folder_.path(), "allow_anonymous true\nacl_file " + (folder_.path() / "acl").string() +
                                          "\nmax_packet_size 2000\n");
    openJournal();
    const journal::SessionToken oddUnit = addUnit(odd);
    const journal::SessionToken deniedUnit = addUnit("666");
    MqttSubscriber control(broker.port(), "quorvex/#");
    auto publisher = publishTo(broker.url());
    publisher->setUnit({odd, "connected", "QRV-200", "2.14", 87, 1, 52.5, 13.25});

    const std::int64_t first = addPassage(0);
    const std::int64_t fromOdd = addPassage(1, {}, oddUnit);
    const std::int64_t denied = addPassage(2, {}, deniedUnit);
    const std::int64_t tooLarge = addPassage(3, [](journal::EventRow& row) { row.folder.assign(3000, 'x'); });
    const std::int64_t last = addPassage(4);

    ASSERT_TRUE(control.waitFor([](auto& messages) { return payloadsOn(messages, "/passage").size() >= 3; }));
    ASSERT_TRUE(waitUntil([&] { return publisher->status().parked == 2; })) << publisher->status().lastError;
    EXPECT_EQ((std::vector<std::int64_t>{first, fromOdd, last}),
              idsOf(payloadsOn(control.messages(), "/passage")));
    // The journal keeps the serial as valid text of its own; its topic level is made the same way.
    const std::string kept = query("SELECT serial_number FROM sessions WHERE serial_number LIKE 'Q%'");
    EXPECT_FALSE(statusesOn(control.messages(), "quorvex/" + link::topicLevel(kept) + "/passage").empty())
        << kept;
    ASSERT_TRUE(control.waitFor(
        [&](auto& messages) { return !statusesOn(messages, "quorvex/" + oddLevel + "/status").empty(); }));
    ASSERT_TRUE(waitUntil([&] { return publisher->status().delivered == 3; }));

    const link::LinkStatus status = publisher->status();
    EXPECT_EQ(2u, status.waiting);
    EXPECT_EQ(1u, status.attempts);
    EXPECT_EQ(LinkState::Online, status.state);
    EXPECT_EQ(std::to_string(first) + "," + std::to_string(fromOdd) + "," + std::to_string(last),
              query("SELECT group_concat(event_id) FROM (SELECT event_id FROM link_deliveries ORDER BY 1)"));
    const auto told = notices();
    EXPECT_EQ(2u, countHolding(told, "was not delivered")) << testing::PrintToString(told);
    EXPECT_EQ(1u, countHolding(told, "row " + std::to_string(denied) + " on quorvex/666/passage"));
    EXPECT_EQ(1u, countHolding(told, "Not authorized"));
    EXPECT_EQ(1u, countHolding(told, "row " + std::to_string(tooLarge) + " on quorvex/SN 4711/passage"));

    // Nothing is retried on this connection and nothing more is told.
    addPassage(5);
    ASSERT_TRUE(waitUntil([&] { return publisher->status().delivered == 4; }));
    EXPECT_EQ(told, notices());
    EXPECT_EQ(1u, publisher->status().attempts);
}

// Rows 1 and 41-500 unmarked, 2-40 marked (a mark that failed once leaves such a gap), and row
// 1 refused by the broker, so the marks never close the gap: the 460 others go out in order after
// the outage, marked historical, each message with its own sequence number; a row written
// afterwards is not historical and carries its note.
TEST_F(LinkTest, DeliveryPassesOverRunsOfMarkedRows) {
    std::ofstream(folder_.path() / "acl") << "topic deny quorvex/666/#\ntopic readwrite quorvex/#\n";
    MqttBroker broker(folder_.path(),
                      "allow_anonymous true\nacl_file " + (folder_.path() / "acl").string() + "\n");
    MqttSubscriber control(broker.port(), "quorvex/#");
    openJournal();
    const journal::SessionToken deniedUnit = addUnit("666");
    ASSERT_EQ(1, addPassage(0, {}, deniedUnit));
    ASSERT_EQ(500, addPassages(499));
    {
        // Written while the link was away: every row is the link's to send, 2-40 marked already.
        journal::SqliteConnection marks;
        ASSERT_EQ(SQLITE_OK, marks.open(journalPath(), SQLITE_OPEN_READWRITE));
        sqlite3_busy_timeout(marks.handle(), 5000);
        ASSERT_EQ(SQLITE_OK, marks.execute("INSERT INTO link_start(only, after_event) VALUES(1, 0)"));
        ASSERT_EQ(
            SQLITE_OK,
            marks.execute("INSERT INTO link_deliveries SELECT id, 0 FROM events WHERE id BETWEEN 2 AND 40"));
    }
    auto publisher = publishTo(broker.url());
    ASSERT_TRUE(waitUntil([&] { return publisher->status().waiting == 1; }, std::chrono::seconds(60)))
        << publisher->status().waiting << " waiting";
    EXPECT_EQ(1u, publisher->status().parked);
    ASSERT_TRUE(control.waitFor([](auto& messages) {
        return payloadsOn(messages, "/passage").size() >= 460;
    })) << payloadsOn(control.messages(), "/passage").size()
        << " " << control.messages().size();
    const auto payloads = payloadsOn(control.messages(), "/passage");
    std::vector<std::int64_t> expected;
    for (std::int64_t id = 41; id <= 500; ++id) {
        expected.push_back(id);
    }
    EXPECT_EQ(expected, idsOf(payloads));
    std::int64_t sequence = 0;
    for (const std::string& payload : payloads) {
        EXPECT_EQ("true", jsonField(payload, "historical")) << payload;
        EXPECT_LT(sequence, std::stoll(jsonField(payload, "sequence"))) << payload;
        EXPECT_EQ(jsonField(payload, "received").size(), jsonField(payload, "sent").size()) << payload;
        sequence = std::stoll(jsonField(payload, "sequence"));
    }

    const std::int64_t fresh = addPassage(9, [](journal::EventRow& row) { row.note = "valve \"7\" open"; });
    ASSERT_TRUE(
        control.waitFor([&](auto& messages) { return payloadsOn(messages, "/passage").size() >= 461; }));
    const std::string latest = payloadsOn(control.messages(), "/passage").back();
    EXPECT_EQ(std::to_string(fresh), jsonField(latest, "id"));
    EXPECT_EQ("false", jsonField(latest, "historical"));
    EXPECT_EQ("\"valve \\\"7\\\" open\"", jsonField(latest, "note"));
    EXPECT_EQ("false", jsonField(latest, "update"));

    // Notes edited after delivery go out again as updates of their rows, once each.
    ASSERT_TRUE(waitUntil([&] { return publisher->status().waiting == 1; }));
    journal_->editNote(fresh, "valve 7 closed");
    journal_->editNote(41, "pig stuck");
    ASSERT_TRUE(journal_->waitUntilWritten(std::chrono::seconds(20)));
    const auto updates = [](const std::vector<MqttMessage>& messages) {
        std::vector<std::string> found;
        for (const std::string& payload : payloadsOn(messages, "/passage")) {
            if (jsonField(payload, "update") == "true") {
                found.push_back(jsonField(payload, "id") + " " + jsonField(payload, "note"));
            }
        }
        return found;
    };
    ASSERT_TRUE(control.waitFor([&](auto& messages) { return updates(messages).size() >= 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // time for a wrong third one to show
    EXPECT_EQ((std::vector<std::string>{"41 \"pig stuck\"", std::to_string(fresh) + " \"valve 7 closed\""}),
              updates(control.messages()));
    // What the link keeps of the notes is its own file's: the journal stays one of ours.
    EXPECT_EQ(journal::JournalFileVerdict::Ours, journal::checkJournalFile(journalPath()).verdict);
}

// A unit that went away has no name in the device stack any more: its "disconnected" still
// reaches its status topic. Status messages keep to their rate whatever happens, a reconnection
// for another unit included.
TEST_F(LinkTest, StatusReachesTheControlRoomAtItsRate) {
    MqttBroker broker(folder_.path());
    openJournal();
    MqttSubscriber control(broker.port(), "quorvex/+/status");
    auto publisher = publishTo(broker.url(), [](link::LinkSettings& settings) {
        settings.statusEvery = std::chrono::milliseconds(1000);
    });
    publisher->setUnit({"SN 4711", "connected", "QRV-200", "2.14", 87, 1, 52.5, 13.25});
    ASSERT_TRUE(control.waitFor([](auto& messages) { return !messages.empty(); }));
    publisher->setUnit({"", "link lost", "", "", {}, {}, {}, {}});
    ASSERT_TRUE(control.waitFor([](auto& messages) {
        return messages.back().topic == "quorvex/SN 4711/status" &&
               jsonField(messages.back().payload, "connection") == "\"link lost\"";
    }));

    // Units swapped back and forth for 3 s: each swap needs a connection with its own will.
    const std::size_t before = control.messages().size();
    const auto start = Clock::now();
    for (int i = 0; Clock::now() - start < std::chrono::seconds(3); ++i) {
        publisher->setUnit({i % 2 == 0 ? "A" : "B", "connected", "QRV-200", "2.14", 50.0 + i, 1, {}, {}});
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const auto messages = control.messages();
    const auto sent = std::count_if(messages.begin() + static_cast<std::ptrdiff_t>(before), messages.end(),
                                    [](const MqttMessage& message) { return message.payload != "offline"; });
    EXPECT_LE(sent, static_cast<std::ptrdiff_t>(seconds) + 2) << "status messages in " << seconds << " s";
}

// The pane says how many rows wait and since when the oldest of them.
TEST_F(LinkTest, ThePaneSaysHowManyWaitAndSinceWhen) {
    openJournal();
    auto publisher = publishTo("mqtt://127.0.0.1:" + std::to_string(freePort()) + "/quorvex");
    const std::int64_t first = addPassage(0);
    addPassage(1);
    ASSERT_TRUE(waitUntil([&] { return publisher->status().waiting == 2; }));
    const link::LinkStatus status = publisher->status();
    const std::int64_t oldest =
        std::stoll(query("SELECT received_us FROM events WHERE id = " + std::to_string(first)));
    ASSERT_EQ(oldest, status.waitingSince);
    const std::int64_t minute = 60'000'000;
    struct Case {
        std::int64_t age;
        std::string text;
    };
    for (const Case& c :
         {Case{minute / 2, "under a minute"}, Case{5 * minute, "5 min"}, Case{150 * minute, "2 h"}}) {
        EXPECT_EQ(
            "Control room: " + std::string(status.state == LinkState::Connecting ? "connecting" : "offline") +
                ", 2 waiting for " + c.text,
            link::linkPaneOf(status, oldest + c.age).text);
    }
}

}  // namespace quorvex::test
