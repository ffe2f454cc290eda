#pragma once

#include "device/ChannelRecord.h"
#include "device/DeviceValueSets.h"
#include "device/Published.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

// The unit's name as it reported it: the whole name, its model (up to the first blank) and the
// remainder (after it, shown as the serial number).
struct DeviceIdentity {
    std::string deviceName;
    std::string model;
    std::string nameRemainder;
};

// The firmware revision: word 0 holds the major number in its low 4 bits and the minor number
// in its upper 12 bits; word 1 two further fields (low 2 bits, upper 14 bits).
using FirmwareRevision = std::array<std::uint16_t, 2>;

using WorkingFolderNames = std::array<std::string, 5>;

// Six folder values; the sixth is the index (0-4) of the current working folder.
using FolderValues = std::array<std::uint16_t, 6>;

struct GpsValues {
    std::array<double, 4> values{};
    std::uint8_t flag = 0;
};

// Everything known about the connected unit. Worker threads write it and the window thread reads
// it with no lock on the hot path: every scalar is an atomic, the named values and the active
// channel are atomic pointers to their long-lived constants, and the rarely written texts are
// published as whole records so a reader never sees half of an update.
class DeviceState {
public:
    DeviceState();
    DeviceState(const DeviceState&) = delete;
    DeviceState& operator=(const DeviceState&) = delete;

    // Every field back to its initial value.
    void reset();

    const ConnectionState& connectionState() const { return *connectionState_.load(); }
    void setConnectionState(const ConnectionState& state) { connectionState_.store(constantOf(state)); }

    const OperatingMode& operatingMode() const { return *operatingMode_.load(); }
    void setOperatingMode(const OperatingMode& mode) { operatingMode_.store(constantOf(mode)); }

    const StreamingState& streamingState() const { return *streamingState_.load(); }
    void setStreamingState(const StreamingState& state) { streamingState_.store(constantOf(state)); }

    DeviceIdentity identity() const { return identity_.load(); }
    // Splits the name at its first blank into model and remainder.
    void setDeviceName(const std::string& deviceName);

    FirmwareRevision firmware() const { return {firmware_[0].load(), firmware_[1].load()}; }
    void setFirmware(const FirmwareRevision& revision);

    bool autoTrigger() const { return autoTrigger_.load(); }
    void setAutoTrigger(bool on) { autoTrigger_.store(on); }

    bool logging() const { return logging_.load(); }
    void setLogging(bool on) { logging_.store(on); }

    // -1 manual, 0 off, 1 automatic.
    std::int32_t recordingState() const { return recordingState_.load(); }
    void setRecordingState(std::int32_t state) { recordingState_.store(state); }

    bool recording() const { return recording_.load(); }
    void setRecording(bool on) { recording_.store(on); }

    double batteryLevel() const { return batteryLevel_.load(); }
    void setBatteryLevel(double level) { batteryLevel_.store(level); }

    WorkingFolderNames workingFolderNames() const { return workingFolderNames_.load(); }
    void setWorkingFolderNames(WorkingFolderNames names) { workingFolderNames_.store(std::move(names)); }

    FolderValues folderValues() const { return folderValues_.load(); }
    void setFolderValues(const FolderValues& values) { folderValues_.store(values); }

    bool autoSelect() const { return autoSelect_.load(); }
    void setAutoSelect(bool on) { autoSelect_.store(on); }

    // A row of the channel table, or null while no channel is known.
    const ChannelRecord* activeChannel() const { return activeChannel_.load(); }
    void setActiveChannel(const ChannelRecord* channel) { activeChannel_.store(channel); }

    std::int32_t gain() const { return gain_.load(); }
    std::int32_t clipping() const { return clipping_.load(); }
    void setGain(std::int32_t gain, std::int32_t clipping);

    GpsValues gps() const { return gps_.load(); }
    void setGps(const GpsValues& values) { gps_.store(values); }

    bool adcPolling() const { return adcPolling_.load(); }
    void setAdcPolling(bool on) { adcPolling_.store(on); }

private:
    // Stores the registered constant, so the pointer outlives any copy it was given.
    template <typename Set>
    static const Set* constantOf(const Set& value) {
        const Set* constant = Set::find(value.value());
        return constant != nullptr ? constant : &value;
    }

    std::atomic<const ConnectionState*> connectionState_;
    std::atomic<const OperatingMode*> operatingMode_;
    std::atomic<const StreamingState*> streamingState_;
    Published<DeviceIdentity> identity_;
    std::array<std::atomic<std::uint16_t>, 2> firmware_;
    std::atomic<bool> autoTrigger_;
    std::atomic<bool> logging_;
    std::atomic<std::int32_t> recordingState_;
    std::atomic<bool> recording_;
    std::atomic<double> batteryLevel_;
    Published<WorkingFolderNames> workingFolderNames_;
    Published<FolderValues> folderValues_;
    std::atomic<bool> autoSelect_;
    std::atomic<const ChannelRecord*> activeChannel_;
    std::atomic<std::int32_t> gain_;
    std::atomic<std::int32_t> clipping_;
    Published<GpsValues> gps_;
    std::atomic<bool> adcPolling_;
};
