#pragma once

#include "controlroom/Publisher.h"
#include "journal/Journal.h"
#include "tests/helpers/TestData.h"
#include "tests/helpers/mqtt/MqttBroker.h"
#include "tests/helpers/mqtt/MqttSubscriber.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorvex::test {

// A journal with a unit's session, a publisher reading it, and what the publisher told the operator.
class LinkTest : public testing::Test {
protected:
    std::string journalPath() const { return (folder_.path() / "journal.sqlite3").string(); }
    void openJournal();
    // A passage in the unit's session (or another), adjusted at will; its row id once written.
    std::int64_t addPassage(int index, const std::function<void(journal::EventRow&)>& adjust = {},
                            journal::SessionToken session = 0);
    // So many passages written at once; the last one's row id.
    std::int64_t addPassages(int count);
    // A session of another unit in the journal.
    journal::SessionToken addUnit(const std::string& serialNumber);
    std::unique_ptr<link::Publisher> publishTo(const std::string& url,
                                               const std::function<void(link::LinkSettings&)>& adjust = {},
                                               std::unique_ptr<link::Publisher> predecessor = nullptr);
    // The first column of the first row of a query on the journal, as text.
    std::string query(const std::string& sql) const;
    std::vector<std::string> notices() const;
    bool waitForState(const link::Publisher& publisher, link::LinkState state,
                      std::chrono::milliseconds timeout = std::chrono::seconds(30));

    TemporaryFolder folder_;
    std::unique_ptr<journal::Journal> journal_;
    journal::SessionToken session_ = 0;
    mutable std::mutex mutex_;  //!< Guards notices_.
    std::vector<std::string> notices_;
};

bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace quorvex::test
