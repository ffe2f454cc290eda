#include "simulator/UnitSimulator.h"

#include <algorithm>

// The sensor's field: the pigs sent along the pipe, what the unit streams of them and what it
// reports when it hears them.
namespace quorvex::simulator {

namespace {

constexpr std::chrono::milliseconds PigWatchStep{50};
constexpr std::chrono::seconds GpsStep{1};
constexpr int MaxSegments = 16;

}  // namespace

std::chrono::milliseconds UnitSimulator::streamPeriod() const {
    return std::chrono::milliseconds(std::max(1, 1000 / profile_.streamRate));
}

std::vector<SensorRecord> UnitSimulator::fieldRecords(Clock::time_point now) {
    const auto system = std::chrono::system_clock::now();
    forgetPassedPigs(now);
    const int listening = listeningChannel();
    const std::uint16_t code = autoSelect_ ? codeOf(1) : channelCode_;
    const int count = profile_.recordsPerFrame;
    const auto period = std::chrono::duration_cast<std::chrono::microseconds>(streamPeriod());
    std::vector<SensorRecord> records;
    int clipping = 0;
    for (int i = 0; i < count; ++i) {
        // The frame's last record is measured now, the others spread over the period before it;
        // the trailer carries when.
        const auto before = period * (count - 1 - i) / count;
        FieldSample sample = fieldSample(pigs_, now - before, sampleNumber_++, listening, gain_);
        sample.record.channelCode = code;
        const Moment at = momentOf(system - before);
        sample.record.trailer = {at.seconds, at.microseconds};
        clipping = std::max(clipping, sample.clipping);
        records.push_back(sample.record);
    }
    reportClipping(clipping);
    return records;
}

void UnitSimulator::forgetPassedPigs(Clock::time_point now) {
    std::erase_if(pigs_, [now](const Pig& pig) { return now - pig.passes > PigTail; });
}

void UnitSimulator::reportClipping(int clipping) {
    const auto shown = static_cast<std::uint8_t>(std::min(clipping, MaxSegments - gain_));
    if (shown != clipping_) {
        clipping_ = shown;
        sendGain();
    }
}

void UnitSimulator::sendPig(int channel, const model::PigPath& path) {
    post([this, channel, path] {
        const Pig pig{channel, path, Clock::now() + PigLead};
        fieldOn();
        // Also here, so a unit that is not streaming keeps no more than the pigs about.
        forgetPassedPigs(Clock::now());
        pigs_.push_back(pig);
        watchPig(pig);
    });
}

void UnitSimulator::streamField() {
    post([this] { fieldOn(); });
}

void UnitSimulator::fieldOn() {
    if (!fieldSignals_) {
        fieldSignals_ = true;
        if (streaming_) {
            sendGain();
        }
    }
}

void UnitSimulator::watchPig(const Pig& pig) {
    const Clock::time_point now = Clock::now();
    if (now >= pig.passes) {
        pigPasses(pig);
        return;
    }
    const auto untilPassage = std::chrono::ceil<std::chrono::milliseconds>(pig.passes - now);
    // In automatic record mode a recording starts when the signal first passes the threshold.
    if (record_.autoTrigger && !record_.recording && pig.channel == listeningChannel() &&
        pigHeard(pig, now, gain_)) {
        record_.recording = true;
        sendSpontaneous(RecordingStartedBit, recordingStartedBlock(1, codeOf(pig.channel)));
        after(untilPassage, [this, pig] { pigPasses(pig); });
        return;
    }
    after(std::min(PigWatchStep, untilPassage), [this, pig] { watchPig(pig); });
}

void UnitSimulator::pigPasses(const Pig& pig) {
    // Too weak at this gain: the unit hears nothing.
    if (!pigHeard(pig, pig.passes, gain_)) {
        return;
    }
    PassageSpec details;
    details.channel = pig.channel;

    details.strength =
        static_cast<std::uint32_t>(std::min(pigStrength(pig, pig.passes, gain_), model::LevelRange));
    // Stamped with the moment of closest approach, however late the unit's timer ran.
    const auto passed =
        std::chrono::system_clock::now() -
        std::chrono::duration_cast<std::chrono::system_clock::duration>(Clock::now() - pig.passes);
    if (pig.channel == listeningChannel()) {
        record_.recording = false;
        sendPassage(PassageBit, details, passed);
    } else if (!pig.magnetised()) {
        // Another channel's frequency.
        sendPassage(IgnoredBit, details, passed);
    }
}

int UnitSimulator::listeningChannel() const {
    return autoSelect_ ? 1 : channelOfCode(profile_.model, minor_, channelCode_);
}

GpsFix UnitSimulator::currentFix() const {
    return profile_.gpsWander ? wander_.around(gps_) : gps_;
}

void UnitSimulator::startDemoTimers() {
    if (profile_.gpsWander) {
        schedule(GpsStep, GpsStep, [this] { wander_.step(gps_.hdop); });
    }
    if (profile_.batteryDrainPerHour > 0) {
        const std::chrono::milliseconds perUnit(std::max(1, 3'600'000 / profile_.batteryDrainPerHour));
        schedule(perUnit, perUnit, [this] {
            if (batteryRaw_ > 0) {
                --batteryRaw_;
            }
        });
    }
}

}  // namespace quorvex::simulator
