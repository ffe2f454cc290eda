#include "console/ControlRoomLink.h"

#include "controlroom/LinkPane.h"
#include "controlroom/UnitStatusOf.h"
#include "journal/JournalFeed.h"
#include "support/logging/LogBeacon.h"

#include <QTimer>

#include <thread>

namespace quorvex::console {

namespace {

using namespace zeph::windows::logging;

constexpr int RefreshMs = 500;

// Its goodbye to the broker may take a second or two: not on the window's thread.
template <typename Link>
void letGo(std::unique_ptr<Link> link) {
    if (link) {
        std::thread([old = std::move(link)]() mutable { old.reset(); }).detach();
    }
}

}  // namespace

ControlRoomLink::ControlRoomLink(const DeviceState& unit, QWidget* statusBar)
    : unit_(unit), pane_(new QLabel(statusBar)), timer_(new QTimer(this)) {
    LogBeacon::log("ControlRoomLink::ControlRoomLink", DebugLevel1, L" ");
    pane_->setAccessibleName(QStringLiteral("Control room link"));
    connect(timer_, &QTimer::timeout, this, &ControlRoomLink::refresh);
    timer_->start(RefreshMs);
    refresh();
}

// The last goodbye to the broker is bounded by the publisher itself.
ControlRoomLink::~ControlRoomLink() = default;

void ControlRoomLink::apply(const ControlRoomSettings& settings) {
    LogBeacon::log("ControlRoomLink::apply", DebugLevel1, L" ");
    lastError_.clear();
    applied_ = settings;
    // The journal is known once the command line was read: the link starts then, once.
    auto link = journalPath_ ? linkSettingsOf(settings, *journalPath_) : std::nullopt;
    letGo(std::move(feed_));
    if (link && !journalPath_->empty()) {
        feed_ = std::make_unique<link::PassageFeed>(*link);
        // The new publisher stops the old one before it connects, on its own thread.
        publisher_ = std::make_unique<link::Publisher>(std::move(*link), std::move(publisher_));
    } else {
        letGo(std::move(publisher_));
    }
    refresh();
}

void ControlRoomLink::useJournal(const std::string& journalPath) {
    if (journalPath != journalPath_) {
        journalPath_ = journalPath;
        apply(applied_);
    }
}

link::LinkStatus ControlRoomLink::status() const {
    return publisher_ ? publisher_->status() : link::LinkStatus{};
}

void ControlRoomLink::refresh() {
    if (publisher_) {
        publisher_->setUnit(link::unitStatusOf(unit_, link::connectionOf(unit_)));
    }
    if (feed_) {
        for (const link::FeedPassage& passage : feed_->take()) {
            emit passageArrived(passage);
        }
        const std::string error = feed_->lastError();
        if (!error.empty() && error != lastFeedError_) {
            emit errorSeen(QStringLiteral("Control room link: the other units' passages: ") +
                           QString::fromStdString(error));
        }
        lastFeedError_ = error;
    }
    const link::LinkStatus now = status();
    const link::LinkPane pane = link::linkPaneOf(now, journal::journalNow());
    pane_->setText(QString::fromStdString(pane.text));
    pane_->setToolTip(QString::fromStdString(pane.tip));
    if (!now.lastError.empty() && now.lastError != lastError_) {
        lastError_ = now.lastError;
        emit errorSeen(QStringLiteral("Control room link: ") + QString::fromStdString(now.lastError));
    }
}

}  // namespace quorvex::console
