#include "controlroom/LinkPayload.h"
#include "controlroom/PassageFeed.h"
#include "journal/ExportText.h"
#include "tests/controlroom/LinkFixture.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace quorvex::test {

namespace {

const std::string OtherJournal = "7f1c2a90-4d3e-4b5a-9c8d-0e1f2a3b4c5d";

// A passage of another laptop's journal, as its link writes it.
std::string otherPassage(std::int64_t id) {
    journal::JournalEntry entry{OtherJournal, id, 3, {}, "/dev/rfcomm0", "QRV-200", "SN 0815"};
    entry.event.unitTime = 1'796'630'400'000'000 + id * 60'000'000;  // 2026-12-07T08:00:00Z on
    entry.event.received = *entry.event.unitTime;
    entry.event.channelName = "MLV0" + std::to_string(id);
    entry.event.latitude = -34.9 + static_cast<double>(id) * 0.01;
    entry.event.longitude = 147.6;
    return link::eventPayload(entry, {static_cast<std::uint64_t>(id), entry.event.received, false, false},
                              OtherJournal);
}

// Published as the other unit's link does: QoS 1, to its passage topic.
void sendAsOtherUnit(const MqttBroker& broker, const std::filesystem::path& folder,
                     const std::string& payload) {
    const auto file = folder / "payload";
    std::ofstream(file, std::ios::binary) << payload;
    runShell("mosquitto_pub -p " + std::to_string(broker.port()) + " -q 1 -t quorvex/SN0815/passage -f " +
             file.string());
}

// The settings of the link to the broker, for our journal.
link::LinkSettings feedSettings(const MqttBroker& broker, const std::string& journalPath) {
    link::LinkSettings settings;
    EXPECT_EQ("", link::parseLinkUrl(broker.url(), settings.url));
    settings.journalPath = journalPath;
    settings.clientId = "feed-test-" + std::to_string(::getpid());
    settings.firstRetry = std::chrono::milliseconds(100);
    return settings;
}

// Takes what the feed has until the row of the id came.
std::vector<std::int64_t> idsUntil(link::PassageFeed& feed, std::int64_t last) {
    std::vector<std::int64_t> ids;
    EXPECT_TRUE(waitUntil([&] {
        for (const link::FeedPassage& passage : feed.take()) {
            ids.push_back(passage.id);
        }
        return !ids.empty() && ids.back() == last;
    }));
    return ids;
}

}  // namespace

// A chasing crew's run gets every other unit's passage on the broker once, whatever the broker
// repeats; our own, echoed back by the broker, and messages that are no passage never reach it.
TEST_F(LinkTest, TheRunFeedTakesOtherUnitsPassagesOnceAndNeitherOurOwnNorGarbage) {
    MqttBroker broker(folder_.path());
    openJournal();
    MqttSubscriber control(broker.port(), "quorvex/+/passage");
    const auto publisher = publishTo(broker.url());
    link::PassageFeed feed(feedSettings(broker, journalPath()));
    ASSERT_TRUE(waitUntil([&] { return feed.subscribed(); })) << feed.lastError();

    addPassage(0);  // ours: the link publishes it and the broker hands it to the feed too
    ASSERT_TRUE(control.waitFor([](const auto& messages) { return !messages.empty(); }));

    const auto send = [&](const std::string& payload) { sendAsOtherUnit(broker, folder_.path(), payload); };
    const std::string refusedPayloads[] = {
        "{\"id\": 4, \"journal\": ",                                               // cut short
        "[1, 2, 3]",                                                               // no object
        "{\"id\": 5, \"journal\": \"x\", \"kind\": \"passage\"}",                  // no time
        "{\"id\": \"five\", \"kind\": \"passage\", \"time\": null}",               // an id that is no number
        "{\"id\": 6, \"kind\": \"trigger\", \"time\": \"2026-12-07T08:00:00Z\"}",  // not a passage
        otherPassage(7) + std::string(70'000, ' '),                                // too big to read
    };
    for (const std::string& payload : refusedPayloads) {
        send(payload);
    }
    send(otherPassage(1));
    send(otherPassage(1));  // delivery is at least once: the same row again
    send(otherPassage(2));

    std::vector<link::FeedPassage> arrived;
    ASSERT_TRUE(waitUntil([&] {
        for (link::FeedPassage& passage : feed.take()) {
            arrived.push_back(std::move(passage));
        }
        return !arrived.empty() && arrived.back().id == 2;
    }));
    ASSERT_EQ(arrived.size(), 2u);
    EXPECT_EQ(arrived[0].id, 1);
    EXPECT_EQ(arrived[0].journal, OtherJournal);
    EXPECT_EQ(arrived[0].unit, "SN 0815");
    EXPECT_EQ(journal::isoUtc(arrived[0].timeMicros), "2026-12-07T08:01:00.000000Z");
    EXPECT_EQ(arrived[0].channelName, "MLV01");
    EXPECT_NEAR(*arrived[0].latitude, -34.89, 1e-9);
    EXPECT_NEAR(*arrived[0].longitude, 147.6, 1e-9);
    EXPECT_EQ(feed.refused(), std::size(refusedPayloads));
    EXPECT_TRUE(feed.subscribed());
    EXPECT_EQ(feed.lastError(), "");
}

// A crew's laptop is often offline in the field, or the console closed: the broker keeps the feed's
// session for it (through its own restart too), and what the other units published meanwhile
// reaches the run when the console is back, once.
TEST_F(LinkTest, TheRunFeedGetsWhatOtherUnitsPublishedWhileItWasAway) {
    MqttBroker broker(folder_.path());
    openJournal();
    {
        link::PassageFeed feed(feedSettings(broker, journalPath()));
        ASSERT_TRUE(waitUntil([&] { return feed.subscribed(); })) << feed.lastError();
        broker.stop();
        ASSERT_TRUE(waitUntil([&] { return !feed.subscribed(); }));
        broker.start();
        ASSERT_TRUE(waitUntil([&] { return feed.subscribed(); })) << feed.lastError();
    }  // offline

    sendAsOtherUnit(broker, folder_.path(), otherPassage(1));
    sendAsOtherUnit(broker, folder_.path(), otherPassage(2));

    link::PassageFeed feed(feedSettings(broker, journalPath()));
    ASSERT_TRUE(waitUntil([&] { return feed.subscribed(); })) << feed.lastError();
    // Sent once we are back: whatever the broker still had for us came before it.
    sendAsOtherUnit(broker, folder_.path(), otherPassage(3));
    EXPECT_EQ(idsUntil(feed, 3), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(feed.refused(), 0u);
}

}  // namespace quorvex::test
