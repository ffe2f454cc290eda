#pragma once

#include "controlroom/FeedPassage.h"
#include "controlroom/LinkSettings.h"

#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quorvex::link {

struct PassageFeedShared;

// The passages of the other units on the link's broker and prefix, for a crew chasing the pig:
// subscribed on a thread of its own, each row once by (journal, id), never our own journal's
// (the link publishes those, and they reach the run from the unit directly). The broker keeps the
// feed's session for a day under an id of this host and journal (not the settings' one), so what
// the others publish while we are offline or closed comes when we are back. Callers never wait
// on the network; every operation may be called from any thread.
class PassageFeed {
public:
    // Our journal is the settings' (its UUID tells our rows from the others').
    explicit PassageFeed(LinkSettings settings);
    // Within a second or two; a thread held up by the network is left behind.
    ~PassageFeed();
    PassageFeed(const PassageFeed&) = delete;
    PassageFeed& operator=(const PassageFeed&) = delete;

    // The passages come since the last call, in the order they came.
    std::vector<FeedPassage> take();
    // Messages refused as no unit's passage (malformed, too big...).
    std::size_t refused() const;
    // The broker confirmed our subscription on the connection there is.
    bool subscribed() const;
    // Why the feed is not subscribed, "" while it is.
    std::string lastError() const;

private:
    std::shared_ptr<PassageFeedShared> shared_;
    std::thread thread_;
};

}  // namespace quorvex::link
