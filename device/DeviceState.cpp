#include "device/DeviceState.h"

DeviceState::DeviceState() {
    reset();
}

void DeviceState::reset() {
    setConnectionState(ConnectionState::Disconnected);
    setOperatingMode(OperatingMode::Command);
    setStreamingState(StreamingState::Stopped);
    identity_.store({});
    setFirmware({0, 0});
    setAutoTrigger(false);
    setLogging(false);
    setRecordingState(0);
    setRecording(false);
    setBatteryLevel(0.0);
    setWorkingFolderNames({});
    setFolderValues({});
    setAutoSelect(true);
    setActiveChannel(nullptr);
    setGain(0, 0);
    setGps({});
    setAdcPolling(false);
}

void DeviceState::setDeviceName(const std::string& deviceName) {
    const std::size_t blank = deviceName.find(' ');
    DeviceIdentity identity;
    identity.deviceName = deviceName;
    identity.model = deviceName.substr(0, blank);
    identity.nameRemainder = blank == std::string::npos ? std::string() : deviceName.substr(blank + 1);
    identity_.store(std::move(identity));
}

void DeviceState::setFirmware(const FirmwareRevision& revision) {
    firmware_[0].store(revision[0]);
    firmware_[1].store(revision[1]);
}

void DeviceState::setGain(std::int32_t gain, std::int32_t clipping) {
    gain_.store(gain);
    clipping_.store(clipping);
}
