#include "journal/JournalFeed.h"

#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "device/QuorvexMessages.h"
#include "journal/Journal.h"
#include "session/FirmwareWindow.h"

#include <chrono>

namespace quorvex::journal {

namespace {

namespace platform = zeph::platform;
using quorvex::console::ConnectionOutcome;

std::string reasonName(ConnectionOutcome outcome) {
    switch (outcome) {
        case ConnectionOutcome::ConnectFailed:
            return "connect failed";
        case ConnectionOutcome::LinkLost:
            return "link lost";
        case ConnectionOutcome::UnitRefused:
            return "unit refused";
        case ConnectionOutcome::Disconnected:
            break;
    }
    return "operator";
}

}  // namespace

Microseconds journalNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

JournalFeed::JournalFeed(Journal* journal, IUserInterface& device, std::chrono::milliseconds wait)
    : journal_(journal), device_(device) {
    if (journal_ != nullptr) {
        recorder_.emplace(*journal_, wait);
        device_.setAcknowledgementGate(&*recorder_);
    }
}

JournalFeed::~JournalFeed() {
    if (recorder_) {
        device_.setAcknowledgementGate(nullptr);
    }
}

void JournalFeed::onDeviceMessage(platform::UINT message, platform::LPARAM lParam, const std::wstring&) {
    if (journal_ == nullptr) {
        return;
    }
    if (message == WM_QUORVEX_ON_CONNECT && lParam == 0) {
        // The session began as the port opened, before any frame could be read.
        session_ = recorder_->session();
        latest_ = session_;
        shown_ = 0;
    } else if (!session_ || (lParam == 0 && message != WM_QUORVEX_ON_INIT_EVT)) {
        return;
    } else if (message == WM_QUORVEX_ON_INIT_EVT) {
        const DeviceState& state = *device_.getDeviceState();
        const DeviceIdentity identity = state.identity();
        journal_->describeUnit(*session_,
                               {identity.model, identity.nameRemainder,
                                console::firmwareVersionText(console::firmwareVersionOf(state.firmware()))});
    } else if (message == WM_QUORVEX_ON_PASSAGE_EVT || message == WM_QUORVEX_ON_IGNORED_EVT ||
               message == WM_QUORVEX_ON_REC_TRGRD_EVT) {
        ++shown_;
    }
}

std::string JournalFeed::onConnectionEnded(ConnectionOutcome outcome, const std::string& reason) {
    if (journal_ == nullptr) {
        return {};
    }
    const auto ended = recorder_->endSession();
    session_.reset();
    if (!ended) {
        return {};
    }
    // Every row the read thread took is queued before this end, so it lands before it.
    journal_->endSession(ended->token, {journalNow(), reasonName(outcome), reason});
    if (ended->kept <= shown_) {
        return {};
    }
    return "Passage journal: " + std::to_string(ended->kept - shown_) +
           " events the unit was acknowledged for were not shown before the connection ended; they are in "
           "the journal (Passages tab).";
}

}  // namespace quorvex::journal
