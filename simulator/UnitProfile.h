#pragma once

#include "simulator/EventBlocks.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvex::simulator {

struct GpsFix {
    float latitude = 51.5f;
    float longitude = -0.12f;
    float elevation = 35.0f;
    float hdop = 1.0f;
    std::uint8_t quality = 3;  // "Good"
    std::int32_t satellites = 7;
};

// Who the simulated unit is and how it behaves; fixed for a run except where the control
// interface changes it.
struct UnitProfile {
    std::string model = "M450";
    std::string serial = "123456";
    std::string firmware = "V0.0096";

    int streamRate = 10;      // streaming frames per second
    int recordsPerFrame = 4;  // records in each streaming frame
    std::uint8_t gain = 8;
    std::uint8_t clipping = 0;
    std::uint16_t batteryRaw = 3150;
    std::chrono::milliseconds batteryPeriod{5000};  // 0: the unit never polls by itself
    std::chrono::milliseconds batteryDuration{300};
    GpsFix gps;

    int retryLimit = 3;  // resends of a frame answered with a NAK
    std::chrono::milliseconds replyTimeout{1000};
    int wakeBytes = 0;  // 0x5E bytes ahead of every frame

    // Stream the sensor's field (a noise floor, the pigs sent by the pig control command) instead
    // of a test pattern; the pig command turns it on as well.
    bool fieldSignals = false;
    bool autoRecord = false;      // power on in automatic record mode (recording triggers)
    int batteryDrainPerHour = 0;  // raw battery units lost an hour
    bool gpsWander = false;       // the fix wanders within its HDOP, as a receiver's does

    std::string deviceName() const { return model + " " + serial; }
    // Empty when the profile can be played, else what is wrong with it.
    std::string validate() const;
};

// The minor number the console reads from a firmware revision text: from the first decimal digit
// on, times 10000, rounded half away from zero, at most 4095 (the largest 12-bit one); 0 without
// a digit.
std::uint16_t firmwareMinor(std::string_view firmwareText);

RecordLayout recordLayoutFor(std::uint16_t minor);

// The channel code the unit reports for a channel of the console's list (0 Auto, 1-7, 8 Mag,
// 9 Legacy): the console renumbers codes by model and firmware, so this is its inverse.
std::uint16_t channelCodeFor(std::string_view model, std::uint16_t minor, int channel);

// The console's channel for a code the unit reports (the inverse of channelCodeFor); 0 for none.
int channelOfCode(std::string_view model, std::uint16_t minor, std::uint16_t code);

// The channel code a SELCHAN<n> command selects: the M410 takes n as its own code (the console
// already translated Mag and Legacy for it); other models take n as the console's channel.
std::uint16_t channelCodeForSelection(std::string_view model, std::uint16_t minor, int selection);

}  // namespace quorvex::simulator
