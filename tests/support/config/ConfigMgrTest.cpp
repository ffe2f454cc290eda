#include "support/config/ConfigMgr.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/Thread.h"

#include <gtest/gtest.h>

#include <boost/variant/get.hpp>

#include <string>
#include <thread>
#include <vector>

namespace {

using namespace zeph::windows::config;
using zeph::platform::ThreadId;

// The store belongs to the test's main thread, which delivers its notifications by pumping.
struct Notice {
    std::wstring key;
    ConfigValue value;
    ThreadId thread;
};

class ConfigMgrNotify : public ::testing::Test {
protected:
    void TearDown() override { zeph::platform::pumpMessages(); }

    boost::signals2::connection record() {
        return store_.connect([this](const std::wstring& key, const ConfigValue& value) {
            notices_.push_back({key, value, zeph::platform::currentThreadId()});
        });
    }

    bool notificationQueued() {
        zeph::platform::MSG msg;
        return zeph::platform::peekMessage(msg, store_.notificationWindow().handle(), 0, 0,
                                           zeph::platform::PM_NOREMOVE);
    }

    ConfigMgr store_;
    std::vector<Notice> notices_;
};

TEST(ConfigMgrRead, AbsentKeysAreNotFoundUnlessAStringHasAFallback) {
    ConfigMgr store;
    bool debug = true;
    EXPECT_FALSE(store.get(L"Application.Logging.Debug", debug));
    EXPECT_TRUE(debug) << "an absent key must leave the output untouched";

    std::wstring model = L"untouched";
    EXPECT_FALSE(store.get(L"Volatile.Model", model));
    EXPECT_EQ(model, L"untouched");

    const std::wstring fallback = L"M450";
    EXPECT_TRUE(store.get(L"Volatile.Model", model, &fallback));
    EXPECT_EQ(model, L"M450");
}

TEST(ConfigMgrRead, EveryKindReadsBackAndAnOverwriteChangesTheKind) {
    ConfigMgr store;
    EXPECT_TRUE(store.set(L"Application.Logging.Debug", true));
    EXPECT_TRUE(store.set(L"A.Count", -7));
    EXPECT_TRUE(store.set(L"A.Ratio", 0.25));
    EXPECT_TRUE(store.set(L"Volatile.Model", L"M410"));

    bool debug = false;
    int count = 0;
    double ratio = 0;
    std::wstring model;
    const std::wstring fallback = L"M450";
    EXPECT_TRUE(store.get(L"Application.Logging.Debug", debug));
    EXPECT_TRUE(store.get(L"A.Count", count));
    EXPECT_TRUE(store.get(L"A.Ratio", ratio));
    EXPECT_TRUE(store.get(L"Volatile.Model", model, &fallback));
    EXPECT_TRUE(debug);
    EXPECT_EQ(count, -7);
    EXPECT_EQ(ratio, 0.25);
    EXPECT_EQ(model, L"M410") << "a stored string wins over the fallback";

    store.set(L"A.Count", std::wstring(L"seven"));
    EXPECT_TRUE(store.get(L"A.Count", model));
    EXPECT_EQ(model, L"seven");
}

TEST(ConfigMgrRead, AWideLiteralIsStoredAsAStringNotAsABool) {
    ConfigMgr store;
    store.set(L"Volatile.Model", L"M450");
    std::wstring model;
    ASSERT_NO_THROW(store.get(L"Volatile.Model", model));
    EXPECT_EQ(model, L"M450");
}

TEST(ConfigMgrRead, ReadingAnotherKindRaisesBadGet) {
    ConfigMgr store;
    store.set(L"Volatile.Model", L"M410");
    store.set(L"Volatile.Model", false);
    std::wstring model = L"untouched";
    const std::wstring fallback = L"M450";
    try {
        store.get(L"Volatile.Model", model, &fallback);
        FAIL() << "a bool read as a string did not raise";
    } catch (const boost::bad_get& error) {
        EXPECT_STREQ(error.what(), "boost::bad_get: failed value get using boost::get");
    }
    EXPECT_EQ(model, L"untouched");
    int number = 0;
    EXPECT_THROW(store.get(L"Volatile.Model", number), boost::bad_get);
}

TEST_F(ConfigMgrNotify, WritesArriveInOrderEachWithItsOwnValue) {
    record();
    store_.set(L"Volatile.Model", L"M410");
    store_.set(L"Volatile.Model", L"M450");
    store_.set(L"Application.Logging.Debug", true);
    EXPECT_TRUE(notices_.empty()) << "notifications must wait for the store's thread";

    zeph::platform::pumpMessages();
    ASSERT_EQ(notices_.size(), 3u);
    EXPECT_EQ(notices_[0].key, L"Volatile.Model");
    EXPECT_EQ(boost::get<std::wstring>(notices_[0].value), L"M410");
    EXPECT_EQ(notices_[1].key, L"Volatile.Model");
    EXPECT_EQ(boost::get<std::wstring>(notices_[1].value), L"M450");
    EXPECT_EQ(notices_[2].key, L"Application.Logging.Debug");
    EXPECT_TRUE(boost::get<bool>(notices_[2].value));
}

TEST_F(ConfigMgrNotify, NothingIsPostedWhileNoSlotIsConnectedAndNothingIsReplayed) {
    store_.set(L"Volatile.Model", L"M410");
    EXPECT_FALSE(notificationQueued());

    auto connection = record();
    zeph::platform::pumpMessages();
    EXPECT_TRUE(notices_.empty()) << "a slot connected later got an earlier write";

    store_.set(L"Volatile.Model", L"M450");
    connection.disconnect();
    zeph::platform::pumpMessages();
    EXPECT_TRUE(notices_.empty()) << "a slot disconnected before delivery was still called";
}

TEST_F(ConfigMgrNotify, AWriteOnAnotherThreadIsAnnouncedOnTheStoresThread) {
    record();
    std::thread writer([this] { store_.set(L"Volatile.Model", L"M410"); });
    writer.join();
    zeph::platform::pumpMessages();
    ASSERT_EQ(notices_.size(), 1u);
    EXPECT_EQ(notices_[0].thread, zeph::platform::currentThreadId());
}

TEST(ConfigMgrLifetime, AStoreDestroyedWithNotificationsPendingFreesThem) {
    auto store = std::make_unique<ConfigMgr>();
    int calls = 0;
    store->connect([&calls](const std::wstring&, const ConfigValue&) { ++calls; });
    store->set(L"Volatile.Model", L"M410");
    store->set(L"Application.Logging.Debug", true);
    store.reset();  // the leak checker of the address sanitizer build sees the copies otherwise
    zeph::platform::pumpMessages();
    EXPECT_EQ(calls, 0);
}

}  // namespace
