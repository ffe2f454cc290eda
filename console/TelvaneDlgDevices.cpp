// TelvaneDlg: View > Devices, the device survey and the connection to the device it hands over.
#include "console/EntryTrace.h"
#include "console/TelvaneDlg.h"
#include "discovery/DeviceSurveyDlg.h"

namespace quorvex::console {

using namespace zeph::windows::communication;
using namespace zeph::windows::discovery;

namespace {

// The COM port of either kind of device.
struct PortOf : boost::static_visitor<std::int32_t> {
    std::int32_t operator()(const tagSERIAL_DEVICE& device) const { return device.port; }
    std::int32_t operator()(const tagBLUETOOTH_DEVICE& device) const { return device.port; }
};

}  // namespace

void TelvaneDlg::OnDevices() {
    zeph::windows::logging::LogBeacon::log("TelvaneDlg::OnDevices", zeph::windows::logging::DebugLevel1,
                                           L" ");
    if (survey_) {
        survey_->raise();
        return;
    }
    // The window waits, disabled, until the survey answers; the survey, made after, stays usable.
    beginWait();
    survey_ = new DeviceSurveyDlg(this);
    survey_->selectionSignal().connect(
        [this](int result, const DeviceSelection* selection) { onDeviceSelected(result, selection); });
    survey_->show();
}

void TelvaneDlg::onDeviceSelected(int result, const DeviceSelection* selection) {
    endWait();
    survey_ = nullptr;
    if (result != 1 || selection == nullptr) {
        return;
    }
    deviceIsBluetooth_ = selection->which();
    SerialSettings settings;
    settings.setPortNumber(boost::apply_visitor(PortOf(), *selection));
    settings.setBaudRate(BaudRate::Baud115200);
    settings.setDataBits(DataBits::Bits8);
    settings.setParity(Parity::NoParity);
    settings.setStopBits(StopBits::One);
    settings.setFlowControl(FlowControl::NoFlowControl);
    setSerialSettings(settings);
    OnConnect();
}

}  // namespace quorvex::console
