#include "controlroom/LinkPayload.h"
#include "journal/ExportText.h"
#include "tests/controlroom/LinkFixture.h"

#include <fstream>
#include <iterator>
#include <set>
#include <thread>

namespace quorvex::test {

namespace {

using link::LinkState;

// The row ids of the passages received, in order of first arrival.
std::vector<std::int64_t> firstArrivals(const std::vector<MqttMessage>& messages) {
    std::vector<std::int64_t> ids;
    std::set<std::int64_t> seen;
    for (const std::string& payload : payloadsOn(messages, "/passage")) {
        const std::int64_t id = std::stoll(jsonField(payload, "id"));
        if (seen.insert(id).second) {
            ids.push_back(id);
        }
    }
    return ids;
}

// A condition on the messages: so many passages have come.
auto arrived(std::size_t count) {
    return
        [count](const std::vector<MqttMessage>& messages) { return firstArrivals(messages).size() >= count; };
}

}  // namespace

// Passages reach the control room as the journal keeps them, through a 10 s outage of the broker
// and a restart of the publisher, each once in the delivery marks and in the journal's order.
TEST_F(LinkTest, PassagesArriveInOrderThroughOutagesAndRestarts) {
    MqttBroker broker(folder_.path());
    openJournal();
    MqttSubscriber control(broker.port(), "quorvex/#");
    auto publisher = publishTo(broker.url());
    publisher->setUnit({"SN 4711", "connected", "QRV-200", "2.14", 87, 1, 52.5, 13.25});
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 3; ++i) {
        ids.push_back(addPassage(i));
    }
    ASSERT_TRUE(control.waitFor(arrived(3)));
    const std::string first = payloadsOn(control.messages(), "/passage").front();
    EXPECT_EQ("quorvex/SN 4711/passage", control.messages().back().topic.substr(0, 23));
    const std::string row = "FROM events WHERE id = " + std::to_string(ids[0]);
    EXPECT_EQ("\"" + journal::isoUtc(std::stoll(query("SELECT unit_time_us " + row))) + "\"",
              jsonField(first, "time"));
    EXPECT_EQ(query("SELECT channel " + row), jsonField(first, "channel"));
    EXPECT_EQ(query("SELECT latitude " + row), jsonField(first, "latitude"));
    EXPECT_EQ(query("SELECT session_id " + row), jsonField(first, "session"));
    EXPECT_EQ("\"/runs/\\\"north\\\"\"", jsonField(first, "folder"));
    EXPECT_EQ("\"SN 4711\"", jsonField(first, "serialNumber"));

    MqttSubscriber late(broker.port(), "quorvex/+/status");
    ASSERT_TRUE(late.waitFor([](auto& messages) { return !messages.empty(); }));
    EXPECT_TRUE(late.messages().front().retained);
    EXPECT_EQ("87", jsonField(late.messages().front().payload, "battery"));
    EXPECT_EQ("\"connected\"", jsonField(late.messages().front().payload, "connection"));

    broker.stop();
    ASSERT_TRUE(waitForState(*publisher, LinkState::Offline));
    for (int i = 0; i < 20; ++i) {
        ids.push_back(addPassage(10 + i));
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // 20 passages over 10 s
    }
    EXPECT_EQ(20u, publisher->status().waiting);
    broker.start();
    ASSERT_TRUE(control.waitFor(arrived(23), std::chrono::seconds(60)));
    ASSERT_TRUE(waitUntil([&] { return publisher->status().delivered == 23; }));

    publisher.reset();
    for (int i = 0; i < 5; ++i) {
        ids.push_back(addPassage(40 + i));
    }
    publisher = publishTo(broker.url());
    ASSERT_TRUE(control.waitFor(arrived(28), std::chrono::seconds(60)));
    EXPECT_EQ(ids, firstArrivals(control.messages()));
    ASSERT_TRUE(
        waitUntil([&] { return publisher->status().delivered == 5 && publisher->status().waiting == 0; }));
    EXPECT_EQ("28|28", query("SELECT count(*) || '|' || count(DISTINCT event_id) FROM link_deliveries"));
    EXPECT_EQ(LinkState::Online, publisher->status().state);
}

// Settings applied again: the new publisher (with the same client id) connects only once the old
// one said goodbye, so the status the control room keeps is the new one's, never "offline".
TEST_F(LinkTest, ANewPublisherTakesOverOnlyOnceTheOldOneHasGone) {
    MqttBroker broker(folder_.path());
    openJournal();
    MqttSubscriber control(broker.port(), "quorvex/+/status");
    const link::UnitStatus unit{"SN 4711", "connected", "QRV-200", "2.14", 87, 1, 52.5, 13.25};
    auto publisher = publishTo(broker.url());
    publisher->setUnit(unit);
    ASSERT_TRUE(control.waitFor([](auto& messages) { return !messages.empty(); }));
    for (int round = 0; round < 3; ++round) {
        publisher = publishTo(broker.url(), {}, std::move(publisher));
        publisher->setUnit(unit);
        ASSERT_TRUE(waitForState(*publisher, LinkState::Online));
        const auto connectedAgain = [&](auto& messages) {
            return std::count_if(messages.begin(), messages.end(), [](const MqttMessage& message) {
                       return message.payload != "offline";
                   }) == round + 2;
        };
        ASSERT_TRUE(control.waitFor(connectedAgain)) << round;
        EXPECT_NE("offline", control.messages().back().payload) << round;
    }
    MqttSubscriber late(broker.port(), "quorvex/+/status");
    ASSERT_TRUE(late.waitFor([](auto& messages) { return !messages.empty(); }));
    EXPECT_EQ("\"connected\"", jsonField(late.messages().front().payload, "connection"));
    std::ifstream log(folder_.path() / "mosquitto.log");
    const std::string logged{std::istreambuf_iterator<char>(log), {}};
    EXPECT_EQ(std::string::npos, logged.find("already connected, closing old connection")) << logged;
}

// Two consoles of one user share the journal: one publishes, the other says so once and waits;
// every row reaches the control room once, and when the first stops the second takes over.
TEST_F(LinkTest, OnePublisherPerJournal) {
    MqttBroker broker(folder_.path());
    openJournal();
    MqttSubscriber control(broker.port(), "quorvex/+/passage");
    auto first = publishTo(broker.url());
    ASSERT_TRUE(waitForState(*first, LinkState::Online));
    auto second =
        publishTo(broker.url(), [](link::LinkSettings& settings) { settings.clientId += "-second"; });
    ASSERT_TRUE(waitUntil([&] { return !notices().empty(); }));
    EXPECT_NE(std::string::npos, notices().front().find("publishes this journal's rows; this one waits"))
        << notices().front();
    std::vector<std::int64_t> ids;
    for (int i = 0; i < 10; ++i) {
        ids.push_back(addPassage(i));
    }
    ASSERT_TRUE(control.waitFor(arrived(10)));
    EXPECT_EQ(LinkState::Offline, second->status().state);
    EXPECT_EQ(0u, second->status().attempts);

    first.reset();
    ASSERT_TRUE(waitForState(*second, LinkState::Online));
    ids.push_back(addPassage(10));
    ASSERT_TRUE(control.waitFor(arrived(11)));
    EXPECT_EQ(ids, firstArrivals(control.messages()));
    EXPECT_EQ(11u, payloadsOn(control.messages(), "/passage").size());
    ASSERT_EQ(2u, notices().size()) << testing::PrintToString(notices());
    EXPECT_NE(std::string::npos, notices().back().find("online again"));
}

// Every message names the journal it comes from, so that (journal, id) names a row everywhere.
TEST_F(LinkTest, EveryPassageNamesItsJournal) {
    MqttBroker broker(folder_.path());
    openJournal();
    MqttSubscriber control(broker.port(), "quorvex/+/passage");
    auto publisher = publishTo(broker.url());
    addPassage(0);
    ASSERT_TRUE(control.waitFor(arrived(1)));
    EXPECT_EQ("\"" + query("SELECT uuid FROM journal_identity") + "\"",
              jsonField(payloadsOn(control.messages(), "/passage").front(), "journal"));
}

}  // namespace quorvex::test
