// TelvaneDlg: the device stack's messages, each to its handler on the window thread. Every
// handler frees the record that came with its message exactly once (PostedRecord) and ends
// with a refresh of what changed in the command state.
#include "console/EntryTrace.h"
#include "console/TelvaneDlg.h"
#include "session/PostedRecord.h"
#include "device/DeviceState.h"
#include "device/EventRecords.h"
#include "device/FailureNotice.h"
#include "device/IUserInterface.h"
#include "device/QuorvexMessages.h"
#include "support/platform/TextConversion.h"

#include <QLineEdit>

#include <utility>
#include <vector>

namespace quorvex::console {

namespace {

namespace platform = zeph::platform;
using Handler = void (TelvaneDlg::*)(platform::WPARAM, platform::LPARAM);

}  // namespace

platform::LRESULT TelvaneDlg::onMessage(platform::UINT message, platform::WPARAM wParam,
                                        platform::LPARAM lParam) {
    static const std::vector<std::pair<platform::UINT, Handler>> handlers{
        {WM_QUORVEX_ON_CONNECT, &TelvaneDlg::OnQuorvexConnectEvt},
        {WM_QUORVEX_ON_DISCONNECT, &TelvaneDlg::OnQuorvexDisconnectEvt},
        {WM_QUORVEX_FAILED_TO_SEND, &TelvaneDlg::OnQuorvexCommunicationsFailure},
        {WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE, &TelvaneDlg::OnQuorvexCommunicationsFailure},
        {WM_QUORVEX_ON_INIT_EVT, &TelvaneDlg::OnQuorvexInitEvt},
        {WM_QUORVEX_ON_GAIN_EVT, &TelvaneDlg::OnQuorvexGainEvt},
        {WM_QUORVEX_ON_ADC_READ_EVT, &TelvaneDlg::OnQuorvexADCReadEvt},
        {WM_QUORVEX_ON_ADC_DATA_EVT, &TelvaneDlg::OnQuorvexADCDataEvt},
        {WM_QUORVEX_ON_STREAMING_EVT, &TelvaneDlg::OnQuorvexStreamingDataEvt},
        {WM_QUORVEX_ON_STOP_ACK_EVT, &TelvaneDlg::OnQuorvexStopEvt},
        {WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT, &TelvaneDlg::OnQuorvexSelChannelChangedEvt},
        {WM_QUORVEX_ON_REC_TRGRD_EVT, &TelvaneDlg::OnQuorvexProcessAutoRecordEvt},
        {WM_QUORVEX_ON_IGNORED_EVT, &TelvaneDlg::OnQuorvexProcessIgnoredEvt},
        {WM_QUORVEX_ON_PASSAGE_EVT, &TelvaneDlg::OnQuorvexProcessPassageEvt},
        {WM_QUORVEX_ON_GPS_INFO_EVT, &TelvaneDlg::OnQuorvexGPSInfoEvt},
        {WM_QUORVEX_ON_REC_CHNG_EVT, &TelvaneDlg::OnQuorvexRecordModeChangeEvt},
        {WM_QUORVEX_ON_STATE_INFO_EVT, &TelvaneDlg::OnQuorvexStateInfoEvt},
    };
    if (message == WM_QUORVEX_SHOW_ERROR_BOX) {
        return OnQuorvexShowErrorBox(wParam, lParam);
    }
    if (journalMessage(message, lParam)) {
        return 0;
    }
    for (const auto& [id, handler] : handlers) {
        if (id == message) {
            (this->*handler)(wParam, lParam);
            refreshChangedCommandState();
            return 0;
        }
    }
    // A record of a message nobody handles is still freed.
    const PostedRecord unhandled(message, lParam);
    return 0;
}

void TelvaneDlg::OnQuorvexConnectEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexConnectEvt");
    rules_.onConnected(lParam);
}

void TelvaneDlg::OnQuorvexDisconnectEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexDisconnectEvt");
    resetHistoryWindows();
    resetGainMeter();
    resetChannelSelector();
    passageEdit_->setText(QStringLiteral("0"));
    ignoredEdit_->setText(QStringLiteral("0"));
    clearDeviceInfo();
    rules_.onDisconnected(lParam);
}

void TelvaneDlg::OnQuorvexCommunicationsFailure(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexCommunicationsFailure");
    const auto* notice = reinterpret_cast<const FailureNotice*>(lParam);
    const PostedRecord record(notice ? notice->message : 0, lParam);
    if (notice) {
        rules_.onCommunicationsFailure(notice->message, *notice);
    }
}

void TelvaneDlg::OnQuorvexInitEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexInitEvt");
    { const PostedRecord record(WM_QUORVEX_ON_INIT_EVT, lParam); }
    if (rules_.onInit()) {
        showDeviceInfo();
        setHistoryMode();
    }
}

void TelvaneDlg::OnQuorvexGainEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexGainEvt");
    const PostedRecord record(WM_QUORVEX_ON_GAIN_EVT, lParam);
    if (const auto* gain = record.as<GainRecord>()) {
        showGain(gain->gain, gain->clipping);
    }
}

void TelvaneDlg::OnQuorvexADCReadEvt(platform::WPARAM, platform::LPARAM) {
    entryTrace("TelvaneDlg::OnQuorvexADCReadEvt");
    rules_.onBatteryReadStarted();
}

void TelvaneDlg::OnQuorvexADCDataEvt(platform::WPARAM, platform::LPARAM) {
    entryTrace("TelvaneDlg::OnQuorvexADCDataEvt");
    rules_.onBatteryReadDone();
}

void TelvaneDlg::OnQuorvexStreamingDataEvt(platform::WPARAM wParam, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexStreamingDataEvt");
    const PostedRecord record(WM_QUORVEX_ON_STREAMING_EVT, lParam);
    rules_.onStreamingData(wParam != 0);
    if (const auto* sample = record.as<StreamingSample>()) {
        feedSample(*sample);
    }
}

void TelvaneDlg::OnQuorvexStopEvt(platform::WPARAM, platform::LPARAM) {
    entryTrace("TelvaneDlg::OnQuorvexStopEvt");
    rules_.onStreamStopped();
}

void TelvaneDlg::OnQuorvexSelChannelChangedEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexSelChannelChangedEvt");
    const PostedRecord record(WM_QUORVEX_ON_SEL_CHAN_CHNGD_EVT, lParam);
    if (const auto* change = record.as<ChannelChangeRecord>()) {
        rules_.onChannelChanged(static_cast<int>(change->channel));
        setHistoryMode();
    }
}

void TelvaneDlg::OnQuorvexProcessAutoRecordEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexProcessAutoRecordEvt");
    const PostedRecord record(WM_QUORVEX_ON_REC_TRGRD_EVT, lParam);
    if (const auto* trigger = record.as<RecordTriggeredRecord>()) {
        rules_.onRecordingTriggered(*trigger);
        playSound(SoundEvent::Triggered);
    }
}

void TelvaneDlg::OnQuorvexProcessIgnoredEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexProcessIgnoredEvt");
    const PostedRecord record(WM_QUORVEX_ON_IGNORED_EVT, lParam);
    rules_.onIgnored();
    ignoredEdit_->setText(QString::number(rules_.ignoredCount()));
    playSound(SoundEvent::Ignored);
}

void TelvaneDlg::OnQuorvexProcessPassageEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexProcessPassageEvt");
    const PostedRecord record(WM_QUORVEX_ON_PASSAGE_EVT, lParam);
    if (const auto* passage = record.as<PassageRecord>()) {
        rules_.onPassage(*passage);
        passageEdit_->setText(QString::number(rules_.passageCount()));
        playSound(SoundEvent::Passage);
        feedRun(*passage);
        openPassageDialog(lParam);
    }
}

void TelvaneDlg::OnQuorvexGPSInfoEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexGPSInfoEvt");
    const PostedRecord record(WM_QUORVEX_ON_GPS_INFO_EVT, lParam);
    if (record.as<GpsRecord>() != nullptr) {
        showGps(lParam);
    }
}

void TelvaneDlg::OnQuorvexRecordModeChangeEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexRecordModeChangeEvt");
    { const PostedRecord record(WM_QUORVEX_ON_REC_CHNG_EVT, lParam); }
    refreshCommandState();
    rules_.onRecordModeChanged();
}

void TelvaneDlg::OnQuorvexStateInfoEvt(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexStateInfoEvt");
    const PostedRecord record(WM_QUORVEX_ON_STATE_INFO_EVT, lParam);
}

platform::LRESULT TelvaneDlg::OnQuorvexShowErrorBox(platform::WPARAM, platform::LPARAM lParam) {
    entryTrace("TelvaneDlg::OnQuorvexShowErrorBox");
    // Sent by the health check, which waits for the box to be dismissed; the text is its own.
    const std::wstring text = lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"";
    rules_.onLinkErrorBox(platform::narrow(text));
    showBox(QString::fromStdWString(text), BoxIcon::Error);
    refreshCommandState();
    return 1;
}

}  // namespace quorvex::console
