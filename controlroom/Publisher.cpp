#include "controlroom/Publisher.h"

#include "controlroom/LinkThreadStop.h"
#include "controlroom/PublisherLoop.h"
#include "controlroom/PublisherShared.h"
#include "journal/JournalFeed.h"
#include "support/logging/LogBeacon.h"

namespace quorvex::link {

namespace {

using namespace zeph::windows::logging;

constexpr std::chrono::seconds StopWithin{2};

}  // namespace

Publisher::Publisher(LinkSettings settings, std::unique_ptr<Publisher> predecessor)
    : shared_(std::make_shared<PublisherShared>()) {
    LogBeacon::log("Publisher::Publisher", DebugLevel1, L" ");
    shared_->status.broker = brokerName(settings.url);
    shared_->status.state = LinkState::Connecting;
    // The predecessor says goodbye before we connect: its "offline" must not follow our status.
    thread_ = std::thread([shared = shared_, settings = std::move(settings), started = journal::journalNow(),
                           predecessor = std::move(predecessor)]() mutable {
        predecessor.reset();
        PublisherLoop(*shared, settings, started).run();
    });
}

Publisher::~Publisher() {
    LogBeacon::log("Publisher::~Publisher", DebugLevel1, L" ");
    stopOrLeave(*shared_, thread_, StopWithin);
}

void Publisher::setUnit(UnitStatus unit) {
    LogBeacon::log("Publisher::setUnit", DebugLevel1, L" ");
    const std::lock_guard lock(shared_->mutex);
    // A unit that went away is no longer named by the device stack: its status stays on its topic.
    if (unit.serialNumber.empty()) {
        unit.serialNumber = shared_->unit.serialNumber;
    }
    if (unit != shared_->unit) {
        shared_->unit = std::move(unit);
        ++shared_->unitVersion;
        shared_->changed.notify_all();
    }
}

LinkStatus Publisher::status() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->status;
}

}  // namespace quorvex::link
