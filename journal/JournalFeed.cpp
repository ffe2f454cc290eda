#include "journal/JournalFeed.h"

#include "device/ChannelRegistry.h"
#include "device/DeviceState.h"
#include "device/IUserInterface.h"
#include "device/QuorvexMessages.h"
#include "journal/Journal.h"
#include "session/FirmwareWindow.h"
#include "session/PortDescription.h"
#include "support/platform/TextConversion.h"

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

std::string workingFolderName(const DeviceState& state) {
    const FolderValues folders = state.folderValues();
    const WorkingFolderNames names = state.workingFolderNames();
    return folders[5] < names.size() ? names[folders[5]] : std::string();
}

}  // namespace

Microseconds journalNow() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void JournalFeed::onDeviceMessage(platform::UINT message, platform::LPARAM lParam, const std::wstring& port) {
    if (journal_ == nullptr) {
        return;
    }
    if (message == WM_QUORVEX_ON_CONNECT && lParam == 0) {
        lastFix_.reset();
        session_ = journal_->beginSession({journalNow(), quorvex::console::describePort(port)});
        latest_ = session_;
    } else if (!session_ || (lParam == 0 && message != WM_QUORVEX_ON_INIT_EVT)) {
        return;
    } else if (message == WM_QUORVEX_ON_INIT_EVT) {
        const DeviceState& state = *device_.getDeviceState();
        const DeviceIdentity identity = state.identity();
        journal_->describeUnit(*session_,
                               {identity.model, identity.nameRemainder,
                                console::firmwareVersionText(console::firmwareVersionOf(state.firmware()))});
    } else if (message == WM_QUORVEX_ON_GPS_INFO_EVT) {
        lastFix_ = *reinterpret_cast<const GpsRecord*>(lParam);
    } else if (message == WM_QUORVEX_ON_PASSAGE_EVT || message == WM_QUORVEX_ON_IGNORED_EVT) {
        const auto* passage = reinterpret_cast<const PassageRecord*>(lParam);
        addEvent(message == WM_QUORVEX_ON_PASSAGE_EVT ? EventKind::Passage : EventKind::Ignored, passage,
                 passage->values[3]);
    } else if (message == WM_QUORVEX_ON_REC_TRGRD_EVT) {
        addEvent(EventKind::Trigger, nullptr,
                 reinterpret_cast<const RecordTriggeredRecord*>(lParam)->channel);
    }
}

void JournalFeed::addEvent(EventKind kind, const PassageRecord* passage, int channel) {
    EventRow row;
    row.kind = kind;
    row.received = journalNow();
    row.channel = channel;
    const ChannelRecord* record = ChannelRegistry::find(channel);
    if (record != nullptr) {
        row.channelName = platform::narrow(record->name);
    }
    if (passage != nullptr) {
        row.unitTime = Microseconds{passage->seconds} * 1000000 + passage->microseconds;
        row.latitude = passage->latitude;
        row.longitude = passage->longitude;
        row.elevation = passage->elevation;
    }
    if (lastFix_) {
        row.gpsQuality = lastFix_->quality;
        row.hdop = lastFix_->hdop;
    }
    row.folder = workingFolderName(*device_.getDeviceState());
    journal_->addEvent(*session_, std::move(row));
}

void JournalFeed::onConnectionEnded(ConnectionOutcome outcome, const std::string& reason) {
    if (journal_ == nullptr || !session_) {
        return;
    }
    journal_->endSession(*session_, {journalNow(), reasonName(outcome), reason});
    session_.reset();
}

}  // namespace quorvex::journal
