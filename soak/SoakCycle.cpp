#include "soak/SoakCycle.h"

#include "simulator/UnitSimulator.h"
#include "soak/EventTally.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/TextConversion.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
#include <thread>

namespace quorvex::soak {

namespace {

using namespace std::chrono_literals;
using quorvex::cli::ConsoleSession;
using quorvex::cli::SessionEnd;
using quorvex::simulator::Fault;
using quorvex::simulator::FaultKind;
using quorvex::simulator::UnitSimulator;

// Waits up to the time for the condition, checking it every few milliseconds.
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

void postCommand(zeph::platform::HWND window, const char* line) {
    auto* text = new std::string(line);
    if (!zeph::platform::postMessage(window, ConsoleSession::WM_CLI_COMMAND, 0,
                                     reinterpret_cast<zeph::platform::LPARAM>(text))) {
        delete text;
    }
}

quorvex::simulator::UnitProfile randomProfile(std::mt19937& random) {
    quorvex::simulator::UnitProfile profile;
    profile.streamRate = std::uniform_int_distribution(5, 40)(random);
    profile.recordsPerFrame = std::uniform_int_distribution(1, 8)(random);
    profile.batteryPeriod = std::uniform_int_distribution(0, 1)(random) == 0 ? 0ms : 900ms;
    profile.batteryDuration = 100ms;
    profile.model = std::uniform_int_distribution(0, 1)(random) == 0 ? "M410" : "M450";
    return profile;
}

Fault faultFor(SoakFault fault, std::mt19937& random) {
    switch (fault) {
        case SoakFault::BadChecksum:
            return {FaultKind::BadChecksum, std::uniform_int_distribution(1, 2)(random), 0ms};
        case SoakFault::Garbage:
            return {FaultKind::Garbage, std::uniform_int_distribution(1, 200)(random), 0ms};
        case SoakFault::WakeFlood:
            return {FaultKind::WakeFlood, std::uniform_int_distribution(1, 500)(random), 0ms};
        case SoakFault::Silence:
            return {FaultKind::Silence, 1, 0ms};
        default:
            return {FaultKind::HangUp, 1, 0ms};
    }
}

// The unit's side of the cycle, on a thread of its own while the session runs its loop.
void driveSession(UnitSimulator& unit, const EventTally& tally, zeph::platform::HWND window,
                  CycleResult& result, std::size_t passages, std::mt19937& random) {
    if (!waitFor([&] { return tally.samples() > 0; }, 10s)) {
        result.failure = "the stream never started";
        postCommand(window, "quit");
        return;
    }
    for (std::size_t i = 0; i < passages; ++i) {
        quorvex::simulator::PassageSpec details;
        details.channel = std::uniform_int_distribution(1, 2)(random);
        unit.passage(details);
    }
    if (!waitFor([&] { return tally.passages() == passages; }, 10s)) {
        result.failure = "passages missing before the fault";
    }
    if (result.fault != SoakFault::None) {
        unit.injectFault(faultFor(result.fault, random));
    }
    if (result.fault == SoakFault::Silence || result.fault == SoakFault::HangUp) {
        return;  // the stack ends the session itself
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, 300)(random)));
    postCommand(window, "disconnect");
}

// Drives the session, then watches that it ends: a session that hangs is interrupted twice.
void driveUnit(UnitSimulator& unit, const EventTally& tally, zeph::platform::HWND window, CycleResult& result,
               std::size_t passages, std::mt19937 random, const std::atomic<bool>& ended) {
    driveSession(unit, tally, window, result, passages, random);
    if (!waitFor([&] { return ended.load(); }, 30s)) {
        result.failure = "the session did not end";
        postCommand(window, "quit");
        postCommand(window, "quit");
    }
}

void runLoop() {
    zeph::platform::MSG message{};
    while (zeph::platform::getMessage(message, nullptr, 0, 0) > 0) {
        zeph::platform::dispatchMessage(message);
    }
}

}  // namespace

const char* nameOf(SoakFault fault) {
    static const char* const names[] = {"none", "badChecksum", "garbage", "wakeFlood", "silence", "hangup"};
    return names[static_cast<int>(fault)];
}

CycleResult runCycle(IUserInterface& device, std::mt19937& random) {
    CycleResult result;
    result.fault = static_cast<SoakFault>(std::uniform_int_distribution(0, 5)(random));
    UnitSimulator unit(randomProfile(random));
    if (unit.openPseudoTerminal() != 0 || unit.start() != 0) {
        result.failure = "the simulated unit cannot start";
        return result;
    }
    EventTally tally;
    std::ostream out(&tally);
    std::ostringstream errors;
    ConsoleSession session(device, out, errors);
    zeph::windows::communication::SerialSettings settings;
    settings.setDevicePath(zeph::platform::widen(unit.portName()));

    const std::size_t passages = std::uniform_int_distribution<std::size_t>(0, 5)(random);
    if (session.connect(settings)) {
        std::atomic<bool> ended{false};
        std::thread driver(driveUnit, std::ref(unit), std::cref(tally), session.window(), std::ref(result),
                           passages, std::mt19937(random()), std::cref(ended));
        runLoop();
        ended = true;
        driver.join();
    } else {
        runLoop();
    }
    result.end = session.end().value_or(SessionEnd::Interrupted);
    result.passagesSent = unit.status().passagesSent;
    result.passagesReported = tally.passages();
    result.samples = tally.samples();
    // A unit that resends a frame it thinks unanswered reports that passage twice: the protocol
    // carries no sequence number, so the console cannot tell. Fewer is always a loss.
    const auto status = unit.status();
    result.lateAnswers = status.framesUnanswered + status.resends;
    // A unit that hangs up may not read the console's last ACK: it then counts one passage fewer
    // than the console reported, which is no loss.
    const bool unitMissedAnAck = result.fault == SoakFault::HangUp || result.lateAnswers > 0;
    if (result.failure.empty() && result.passagesReported < result.passagesSent) {
        result.failure = "passages lost";
    } else if (result.failure.empty() && result.passagesReported > result.passagesSent && !unitMissedAnAck) {
        result.failure = "passages duplicated";
    }
    if (result.failure.empty() && result.fault == SoakFault::None && result.end != SessionEnd::Disconnected) {
        result.failure = "a clean session did not end cleanly";
    }
    if (!result.failure.empty()) {
        result.failure += "; the unit received " + std::to_string(status.linesReceived) + " lines, sent " +
                          std::to_string(status.transmissions) + " frames (" +
                          std::to_string(status.framesAccepted) + " accepted, " +
                          std::to_string(status.naks) + " NAKs, " + std::to_string(status.framesUnanswered) +
                          " unanswered); the console said: " + errors.str();
    }
    return result;
}

}  // namespace quorvex::soak
