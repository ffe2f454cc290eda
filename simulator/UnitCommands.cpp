#include "simulator/AcknowledgedEvents.h"
#include "simulator/UnitSimulator.h"

#include <charconv>
#include <cmath>
#include <unordered_map>

// The unit's behaviour: what it does with each command line and each event asked of it.
namespace quorvex::simulator {

namespace {

std::optional<int> numberIn(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

Moment now() {
    return momentOf(std::chrono::system_clock::now());
}

// A slow wobble on three axes, different on each, so a plot shows something alive.
SensorRecord sample(std::uint64_t number, std::uint16_t channelCode, int channel) {
    const double phase = static_cast<double>(number % 10000) * 0.05;
    SensorRecord record;
    record.channelCode = channelCode;
    record.x = static_cast<std::int32_t>(std::lround(2000000 * std::sin(phase)));
    record.y = static_cast<std::int32_t>(std::lround(1500000 * std::cos(phase)));
    record.z = static_cast<std::int32_t>(std::lround(1000000 * std::sin(2 * phase)));
    record.extra = static_cast<std::int32_t>(number & 0x7FFFFFFF);
    record.signal = 1;
    if (channel >= 1 && channel <= 7) {
        record.transmitters[static_cast<std::size_t>(channel - 1)] = 1;
    }
    for (std::size_t i = 0; i < record.values.size(); ++i) {
        record.values[i] = static_cast<std::int32_t>((number + i) & 0xFFFF);
    }
    record.trailer = {static_cast<std::int32_t>(number & 0x7FFFFFFF), 0};
    return record;
}

}  // namespace

void UnitSimulator::handleUnitCommand(std::string_view text) {
    using Handler = void (*)(UnitSimulator&);
    static const std::unordered_map<std::string_view, Handler> commands{
        {"REQINIT", [](UnitSimulator& unit) { unit.beginSession(); }},
        {"REQSTATE",
         [](UnitSimulator& unit) {
             unit.send(StateInfoBit, stateInfoBlock(unit.record_, unit.gain_, unit.clipping_,
                                                    unit.channelCode_, unit.streaming_, unit.batteryRaw_));
         }},
        {"REINIT",
         [](UnitSimulator& unit) {
             if (!unit.faults_.noStop()) {
                 unit.stopStreaming(unit.streaming_);
                 unit.gain_ = unit.profile_.gain;
                 unit.clipping_ = unit.profile_.clipping;
             }
         }},
        {"START", [](UnitSimulator& unit) { unit.startStreaming(); }},
        {"STOP",
         [](UnitSimulator& unit) {
             if (!unit.faults_.noStop()) {
                 unit.stopStreaming(true);
             }
         }},
        {"INQGAIN", [](UnitSimulator& unit) { unit.sendGain(); }},
        {"INCGAIN",
         [](UnitSimulator& unit) {
             if (unit.gain_ + unit.clipping_ < 16) {
                 ++unit.gain_;
             }
             unit.sendGain();
         }},
        {"DECGAIN",
         [](UnitSimulator& unit) {
             if (unit.gain_ > 0) {
                 --unit.gain_;
             }
             unit.sendGain();
         }},
        // The re-levelled sensor reports its gain afresh.
        {"MRRESET", [](UnitSimulator& unit) { unit.sendGain(); }},
        {"REQGPS",
         [](UnitSimulator& unit) {
             const Moment at = now();
             const GpsFix fix = unit.currentFix();
             unit.send(GpsBit, gpsBlock({at.seconds, fix.satellites, fix.latitude, fix.longitude,
                                         fix.elevation, fix.hdop, fix.quality}));
         }},
        {"SETRECAUTO",
         [](UnitSimulator& unit) {
             unit.record_.autoTrigger = true;
             unit.record_.recordingState = 1;
             unit.sendRecordMode();
         }},
        {"SETRECMAN",
         [](UnitSimulator& unit) {
             unit.record_.autoTrigger = false;
             unit.record_.recordingState = -1;
             unit.sendRecordMode();
         }},
        // Recording Started carries 1 when a recording begins and 0 when it ends.
        {"STARTREC",
         [](UnitSimulator& unit) {
             unit.record_.recording = true;
             unit.send(RecordingStartedBit, recordingStartedBlock(1, unit.channelCode_));
         }},
        {"STOPREC",
         [](UnitSimulator& unit) {
             unit.record_.recording = false;
             unit.send(RecordingStartedBit, recordingStartedBlock(0, unit.channelCode_));
         }},
    };
    if (const auto found = commands.find(text); found != commands.end()) {
        found->second(*this);
    } else if (text.starts_with("SELCHAN")) {
        selectChannel(text.substr(7));
    } else if (text.starts_with("SETWFOLD")) {
        setWorkingFolder(text.substr(8));
    }
}

void UnitSimulator::send(std::uint32_t bit, Bytes block) {
    link_.enqueue({bit, payloadOf({{bit, std::move(block)}})});
}

void UnitSimulator::sendSpontaneous(std::uint32_t bit, Bytes block) {
    if (initialised_) {
        send(bit, std::move(block));
    } else {
        held_.push_back({bit, payloadOf({{bit, std::move(block)}})});
    }
}

InitContent UnitSimulator::initContent() const {
    return {profile_.deviceName(), profile_.firmware, batteryRaw_, autoSelect_, channelCode_, record_};
}

void UnitSimulator::beginSession() {
    // A REQINIT starts afresh: whatever an earlier console left running ends.
    ++sessionGeneration_;
    stopStreaming(false);
    link_.reset();
    initialised_ = false;
    send(InitBit, initBlock(initContent()));
}

void UnitSimulator::onAccepted(const OutgoingFrame& frame, LinkReply reply) {
    if ((frame.mask & InitBit) != 0 && !initialised_) {
        initialised_ = true;
        schedulePolls();
        for (OutgoingFrame& held : held_) {
            link_.enqueue(std::move(held));
        }
        held_.clear();
        if (pollWanted_) {
            beginPoll();
        }
    }
    if (frame.mask == AdcBeginBit) {
        counters_.lastPollReply = reply;
        const std::uint64_t session = sessionGeneration_;
        after(profile_.batteryDuration, [this, session] {
            if (session == sessionGeneration_) {
                endPoll();
            }
        });
    }
    if ((frame.mask & StreamingBit) != 0) {
        ++counters_.streamingFrames;
    }
    if ((frame.mask & (PassageBit | IgnoredBit)) != 0) {
        ++counters_.passagesSent;
    }
    if (acknowledgedLog_ && reply == LinkReply::Acknowledge) {
        for (const std::string& line : acknowledgedEvents(frame)) {
            acknowledgedLog_(line);
        }
    }
}

void UnitSimulator::onGivenUp(const OutgoingFrame& frame) {
    if (frame.mask == AdcBeginBit) {
        finishPoll();
    }
}

void UnitSimulator::startStreaming() {
    if (streaming_) {
        return;
    }
    streaming_ = true;
    if (fieldSignals_) {
        // The meter shows the gain from the stream's start, as the unit's own display does.
        sendGain();
    }
    streamTick(++streamGeneration_);
}

void UnitSimulator::stopStreaming(bool acknowledge) {
    ++streamGeneration_;
    streaming_ = false;
    if (acknowledge) {
        send(StopAckBit, {});
    }
}

void UnitSimulator::streamTick(std::uint64_t generation) {
    if (generation != streamGeneration_) {
        return;
    }
    // A frame still waiting for the line means the console is behind: the unit drops samples.
    if (!polling_ && !faults_.silent(Clock::now()) && !link_.waiting(StreamingBit)) {
        std::vector<SensorRecord> records;
        if (fieldSignals_) {
            records = fieldRecords(Clock::now());
        } else {
            const int channel = autoSelect_ ? 1 : 0;
            const std::uint16_t code = autoSelect_ ? codeOf(1) : channelCode_;
            for (int i = 0; i < profile_.recordsPerFrame; ++i) {
                records.push_back(sample(sampleNumber_++, code, channel));
            }
        }
        send(StreamingBit, streamingBlock(records, recordLayoutFor(minor_)));
    }
    after(streamPeriod(), [this, generation] { streamTick(generation); });
}

void UnitSimulator::schedulePolls() {
    if (profile_.batteryPeriod.count() <= 0) {
        return;
    }
    const std::uint64_t session = sessionGeneration_;
    after(profile_.batteryPeriod, [this, session] {
        if (session == sessionGeneration_) {
            beginPoll();
            schedulePolls();
        }
    });
}

void UnitSimulator::beginPoll() {
    if (!initialised_) {
        pollWanted_ = true;
        return;
    }
    pollWanted_ = false;
    if (polling_ || faults_.silent(Clock::now())) {
        return;
    }
    polling_ = true;
    send(AdcBeginBit, {});
}

void UnitSimulator::endPoll() {
    if (!polling_) {
        return;
    }
    send(AdcEndBit, adcEndBlock(batteryRaw_));
    ++counters_.batteryPolls;
    finishPoll();
}

void UnitSimulator::finishPoll() {
    polling_ = false;
    std::vector<Bytes> lines;
    lines.swap(deferred_);
    for (const Bytes& line : lines) {
        handleCommand(std::string_view(reinterpret_cast<const char*>(line.data()), line.size()));
    }
}

void UnitSimulator::selectChannel(std::string_view number) {
    const auto selection = numberIn(number);
    if (!selection || *selection < 0 || *selection > 0xFFFF) {
        return;
    }
    channelCode_ = channelCodeForSelection(profile_.model, minor_, *selection);
    autoSelect_ = *selection == 0;
    send(ModeChangedBit, modeChangedBlock(channelCode_, autoSelect_));
}

void UnitSimulator::setWorkingFolder(std::string_view number) {
    const auto folder = numberIn(number);
    if (!folder || *folder < 0 || *folder >= static_cast<int>(record_.folderNames.size())) {
        return;
    }
    record_.folderValues[5] = static_cast<std::uint16_t>(*folder);
    sendRecordMode();
}

std::uint16_t UnitSimulator::codeOf(int channel) const {
    return channelCodeFor(profile_.model, minor_, channel);
}

void UnitSimulator::sendPassage(std::uint32_t bit, const PassageSpec& details,
                                std::optional<std::chrono::system_clock::time_point> when) {
    const Moment at = momentOf(when.value_or(std::chrono::system_clock::now()));
    const GpsFix where = details.position ? *details.position : currentFix();
    sendSpontaneous(bit, passageBlock({at.seconds, at.microseconds, details.strength, codeOf(details.channel),
                                       where.latitude, where.longitude, where.elevation, where.hdop}));
}

void UnitSimulator::applyFault(const Fault& fault, Clock::time_point at) {
    switch (fault.kind) {
        case FaultKind::Garbage:
        case FaultKind::WakeFlood:
            port_.queue(faultBytes(fault));
            break;
        case FaultKind::HangUp:
            port_.close();
            break;
        default:
            faults_.add(fault, at);
            break;
    }
}

// Control, from any thread.

void UnitSimulator::passage(const PassageSpec& details) {
    post([this, details] { sendPassage(PassageBit, details); });
}

void UnitSimulator::ignoredEvent(const PassageSpec& details) {
    post([this, details] { sendPassage(IgnoredBit, details); });
}

void UnitSimulator::recordingTrigger(int channel) {
    post([this, channel] {
        record_.recording = true;
        sendSpontaneous(RecordingStartedBit, recordingStartedBlock(1, codeOf(channel)));
    });
}

void UnitSimulator::selectOwnChannel(int channel) {
    post([this, channel] {
        channelCode_ = codeOf(channel);
        autoSelect_ = channel == 0;
        sendSpontaneous(ModeChangedBit, modeChangedBlock(channelCode_, autoSelect_));
    });
}

void UnitSimulator::pollBattery() {
    post([this] { beginPoll(); });
}

void UnitSimulator::setBatteryRaw(std::uint16_t raw) {
    post([this, raw] { batteryRaw_ = raw; });
}

void UnitSimulator::setGps(const GpsFix& fix) {
    post([this, fix] { gps_ = fix; });
}

bool UnitSimulator::setGain(std::uint8_t gain, std::uint8_t clipping) {
    if (gain + clipping > 16) {
        return false;
    }
    post([this, gain, clipping] {
        gain_ = gain;
        clipping_ = clipping;
        sendSpontaneous(GainBit, gainBlock(gain_, clipping_));
    });
    return true;
}

void UnitSimulator::injectFault(const Fault& fault) {
    post([this, fault] { applyFault(fault, Clock::now()); });
}

void UnitSimulator::clearFaults() {
    post([this] { faults_.clear(); });
}

}  // namespace quorvex::simulator
