#pragma once

#include "simulator/FaultPlan.h"
#include "simulator/GpsWander.h"
#include "simulator/LinkSender.h"
#include "simulator/PigField.h"
#include "simulator/UnitPort.h"
#include "simulator/UnitProfile.h"
#include "support/communication/PortDirectory.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvex::simulator {

// A pig passage or an ignored event to report: the console's channel number, and a position
// (the unit's GPS fix when none is given).
struct PassageSpec {
    int channel = 1;
    std::optional<GpsFix> position;
    std::uint32_t strength = 1000;
};

// What the unit has done so far, for tests and the program to follow.
struct UnitStatus {
    bool open = false;
    bool ended = false;        // the unit's thread has finished (hang-up or a failed line)
    bool initialised = false;  // a console accepted the Initialization Message
    bool streaming = false;
    bool polling = false;  // between ADC Polling Begin and ADC Polling End
    bool silent = false;
    std::uint8_t gain = 0;
    std::uint8_t clipping = 0;
    std::uint16_t channelCode = 0;
    bool autoSelect = true;
    RecordSettings record;

    std::uint64_t linesReceived = 0;
    std::uint64_t transmissions = 0;  // frames put on the line, resends included
    std::uint64_t framesAccepted = 0;
    std::uint64_t naks = 0;
    std::uint64_t resends = 0;
    std::uint64_t framesAbandoned = 0;       // still refused after the last resend
    std::uint64_t framesUnanswered = 0;      // no answer in time
    std::uint64_t strayReplies = 0;          // an answer when no frame waited for one
    std::uint64_t streamingFrames = 0;       // streaming frames accepted
    std::uint64_t passagesSent = 0;          // passages and ignored events accepted
    std::uint64_t batteryPolls = 0;          // readings completed with ADC Polling End
    std::optional<LinkReply> lastPollReply;  // how the console answered the last ADC Polling Begin
};

// A QUORVEX unit on a serial line: it answers the console's commands with checked frames, streams,
// polls its battery, reports passages, resends a frame on NAK and injects faults on request. Every
// operation may be called from any thread; the unit's own work runs on one thread of its own.
class UnitSimulator {
public:
    explicit UnitSimulator(UnitProfile profile = {});
    ~UnitSimulator();
    UnitSimulator(const UnitSimulator&) = delete;
    UnitSimulator& operator=(const UnitSimulator&) = delete;

    // Open the line before start().
    zeph::platform::DWORD openPseudoTerminal();
    zeph::platform::DWORD openDevice(const std::string& path);
    // The path the console opens (the pseudo-terminal's slave, or the device).
    const std::string& portName() const { return port_.name(); }
    // Links the line into a port directory as a COM number (its existing one, else the lowest
    // free number).
    zeph::platform::DWORD registerComPort(const zeph::windows::communication::PortDirectory& directory,
                                          int& number) const;
    const UnitProfile& profile() const { return profile_; }

    // Starts the unit's thread; ERROR_INVALID_HANDLE without an open line.
    zeph::platform::DWORD start();
    // Stops the thread; the line stays open until the simulator is destroyed.
    void stop();

    // Control: each takes effect on the unit's thread. Events asked for before a console has
    // accepted the Initialization Message are held and sent once it has.
    void passage(const PassageSpec& details);
    void ignoredEvent(const PassageSpec& details);
    void recordingTrigger(int channel);
    // Sends a pig along the pipe: it passes under the unit PigLead from now, the unit streams
    // its field from then on and reports what it hears (a recording trigger when the signal first
    // passes the threshold in automatic record mode, the passage or an ignored event at the
    // closest approach). Channel 1-7 or 9 is the pig's transmitter, 8 a magnetised pig.
    void sendPig(int channel, const model::PigPath& path);
    // Streams the field from now on, without a pig yet.
    void streamField();
    // The unit selects a channel by itself (0 Auto) and reports it with Mode Changed.
    void selectOwnChannel(int channel);
    void pollBattery();
    void setBatteryRaw(std::uint16_t raw);
    void setGps(const GpsFix& fix);
    // Reports the new values with a Gain Indicator Message; gain + clipping must be at most 16.
    bool setGain(std::uint8_t gain, std::uint8_t clipping);
    void injectFault(const Fault& fault);
    void clearFaults();
    // Runs an action on the unit's thread after a delay from now, again every period if not 0.
    void schedule(std::chrono::milliseconds delay, std::chrono::milliseconds period,
                  std::function<void()> action);

    // Called on the unit's thread with a line for each passage, ignored event and recording
    // trigger a console acknowledged (see acknowledgedEvents()); set it before start().
    void setAcknowledgedLog(std::function<void(const std::string&)> log) {
        acknowledgedLog_ = std::move(log);
    }

    // Observation.
    UnitStatus status() const;
    // Every line received, line feed included, oldest first (the latest MaxLines of them).
    std::vector<Bytes> receivedLines() const;
    // The commands that arrived while the battery was being read.
    std::vector<Bytes> linesDuringPolling() const;
    bool waitUntil(const std::function<bool(const UnitStatus&)>& condition,
                   std::chrono::milliseconds timeout) const;
    // Waits until the line text (without its line feed) has arrived `times` times in all.
    bool waitForLine(std::string_view text, std::chrono::milliseconds timeout, std::size_t times = 1) const;
    // Readable once the unit's thread has ended by itself (for a program's poll loop).
    int endedDescriptor() const { return endedFd_; }

    static constexpr std::size_t MaxLines = 1 << 20;

private:
    // Unit thread.
    void run();
    void runPosted();
    Clock::time_point nextWake(Clock::time_point now) const;
    void runTimers(Clock::time_point now);
    void pumpLink(Clock::time_point now);
    void readLine(Clock::time_point now);
    void handleLine(const Bytes& line, Clock::time_point now);
    void handleReply(LinkReply reply);
    void onAccepted(const OutgoingFrame& frame, LinkReply reply);
    void onGivenUp(const OutgoingFrame& frame);
    void handleCommand(std::string_view text);
    void handleUnitCommand(std::string_view text);
    void publish();

    // Unit behaviour (UnitCommands.cpp).
    void send(std::uint32_t bit, Bytes block);
    void sendSpontaneous(std::uint32_t bit, Bytes block);
    void beginSession();
    void startStreaming();
    void stopStreaming(bool acknowledge);
    void streamTick(std::uint64_t generation);
    void beginPoll();
    void endPoll();
    void finishPoll();
    void schedulePolls();
    void selectChannel(std::string_view number);
    void setWorkingFolder(std::string_view number);
    void sendGain() { send(GainBit, gainBlock(gain_, clipping_)); }
    void sendRecordMode() { send(RecordModeBit, recordModeBlock(record_)); }
    // Stamped with `at` (the moment it happened), else the time it is sent.
    void sendPassage(std::uint32_t bit, const PassageSpec& details,
                     std::optional<std::chrono::system_clock::time_point> at = std::nullopt);

    // The field and its pigs (UnitField.cpp).
    std::chrono::milliseconds streamPeriod() const;
    std::vector<SensorRecord> fieldRecords(Clock::time_point now);
    void forgetPassedPigs(Clock::time_point now);
    void reportClipping(int clipping);
    void fieldOn();
    void watchPig(const Pig& pig);
    void pigPasses(const Pig& pig);
    int listeningChannel() const;
    GpsFix currentFix() const;
    void startDemoTimers();
    void applyFault(const Fault& fault, Clock::time_point now);
    std::uint16_t codeOf(int channel) const;
    InitContent initContent() const;
    void post(std::function<void()> action);
    void repeatEvery(std::chrono::milliseconds delay, std::chrono::milliseconds period,
                     std::shared_ptr<std::function<void()>> action);
    void after(std::chrono::milliseconds delay, std::function<void()> action);

    const UnitProfile profile_;
    const std::uint16_t minor_;
    UnitPort port_;
    int wakeFd_ = -1;   // eventfd: posted work or stop
    int endedFd_ = -1;  // eventfd: the thread ended by itself
    std::thread thread_;
    std::atomic<bool> stopping_{false};

    std::mutex postedMutex_;  // guards posted_
    std::deque<std::function<void()>> posted_;

    // Unit thread only.
    std::function<void(const std::string&)> acknowledgedLog_;
    LinkSender link_;
    FaultPlan faults_;
    std::multimap<Clock::time_point, std::function<void()>> timers_;
    Bytes input_;
    bool ended_ = false;  // the line went away while the unit ran
    bool initialised_ = false;
    bool streaming_ = false;
    bool polling_ = false;
    bool pollWanted_ = false;
    std::uint64_t streamGeneration_ = 0;   // ends the ticks of a stopped stream
    std::uint64_t sessionGeneration_ = 0;  // ends the battery schedule of an earlier session
    std::uint64_t sampleNumber_ = 0;
    std::uint8_t gain_;
    std::uint8_t clipping_;
    std::uint16_t batteryRaw_;
    GpsFix gps_;
    GpsWander wander_;
    bool fieldSignals_;
    std::vector<Pig> pigs_;  // sent and not yet forgotten
    std::uint16_t channelCode_ = 0;
    bool autoSelect_ = true;
    RecordSettings record_;
    std::vector<OutgoingFrame> held_;  // events waiting for the Initialization Message
    std::vector<Bytes> deferred_;      // commands that arrived during a battery reading
    UnitStatus counters_;

    mutable std::mutex observedMutex_;          // guards status_, lines_, pollingLines_
    mutable std::condition_variable observed_;  // signals a change of any of them
    UnitStatus status_;
    std::deque<Bytes> lines_;
    std::vector<Bytes> pollingLines_;
};

}  // namespace quorvex::simulator
