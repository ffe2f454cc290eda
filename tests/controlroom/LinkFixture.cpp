#include "tests/controlroom/LinkFixture.h"

#include "journal/JournalFeed.h"
#include "journal/SqliteConnection.h"

#include <thread>

namespace quorvex::test {

using namespace journal;

void LinkTest::openJournal() {
    JournalSettings settings;
    settings.path = journalPath();
    journal_ = std::make_unique<Journal>(std::move(settings));
    session_ = journal_->beginSession({journalNow(), "/dev/pts/7"});
    journal_->describeUnit(session_, {"QRV-200", "SN 4711", "2.14"});
    ASSERT_TRUE(journal_->waitUntilWritten(std::chrono::seconds(20)));
}

namespace {

EventRow passage(int index) {
    EventRow row;
    row.unitTime = journalNow() - 1000;
    row.received = journalNow();
    row.channel = index % 4;
    row.channelName = "CH" + std::to_string(index % 4);
    row.latitude = 52.5 + index * 0.001;
    row.longitude = 13.25 - index * 0.001;
    row.gpsQuality = 1;
    row.folder = "/runs/\"north\"";
    return row;
}

}  // namespace

std::int64_t LinkTest::addPassage(int index, const std::function<void(EventRow&)>& adjust,
                                  SessionToken session) {
    EventRow row = passage(index);
    if (adjust) {
        adjust(row);
    }
    journal_->addEvent(session != 0 ? session : session_, row);
    EXPECT_TRUE(journal_->waitUntilWritten(std::chrono::seconds(20)));
    return std::stoll(query("SELECT max(id) FROM events"));
}

std::int64_t LinkTest::addPassages(int count) {
    for (int i = 0; i < count; ++i) {
        journal_->addEvent(session_, passage(i));
    }
    EXPECT_TRUE(journal_->waitUntilWritten(std::chrono::seconds(60)));
    return std::stoll(query("SELECT max(id) FROM events"));
}

SessionToken LinkTest::addUnit(const std::string& serialNumber) {
    const SessionToken session = journal_->beginSession({journalNow(), "/dev/pts/8"});
    journal_->describeUnit(session, {"QRV-200", serialNumber, "2.14"});
    EXPECT_TRUE(journal_->waitUntilWritten(std::chrono::seconds(20)));
    return session;
}

std::unique_ptr<link::Publisher> LinkTest::publishTo(const std::string& url,
                                                     const std::function<void(link::LinkSettings&)>& adjust,
                                                     std::unique_ptr<link::Publisher> predecessor) {
    link::LinkSettings settings;
    EXPECT_EQ("", link::parseLinkUrl(url, settings.url));
    settings.journalPath = journalPath();
    settings.clientId = "link-test-" + std::to_string(::getpid());
    settings.notify = [this](const std::string& text) {
        const std::lock_guard lock(mutex_);
        notices_.push_back(text);
    };
    if (adjust) {
        adjust(settings);
    }
    return std::make_unique<link::Publisher>(std::move(settings), std::move(predecessor));
}

std::string LinkTest::query(const std::string& sql) const {
    SqliteConnection connection;
    EXPECT_EQ(SQLITE_OK, connection.open(journalPath(), SQLITE_OPEN_READONLY));
    int result = SQLITE_OK;
    return connection.queryText(sql.c_str(), result).value_or("");
}

std::vector<std::string> LinkTest::notices() const {
    const std::lock_guard lock(mutex_);
    return notices_;
}

bool LinkTest::waitForState(const link::Publisher& publisher, link::LinkState state,
                            std::chrono::milliseconds timeout) {
    return waitUntil([&] { return publisher.status().state == state; }, timeout);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace quorvex::test
