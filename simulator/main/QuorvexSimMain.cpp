// quorvex-sim: a QUORVEX unit on a pseudo-terminal or a tty, driven by options, a scenario file
// and control commands on standard input.
#include "simulator/ControlCommand.h"
#include "simulator/Scenario.h"
#include "simulator/SimulatorOptions.h"
#include "simulator/UnitSimulator.h"
#include "support/platform/SystemText.h"
#include "support/platform/TextConversion.h"
#include "support/version/Version.h"

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace quorvex::simulator;
using zeph::windows::communication::PortDirectory;

constexpr std::string_view Usage = R"(Usage: quorvex-sim [options]

Plays a QUORVEX detector unit (M410 or M450) on a serial line, byte for byte as the console
expects it: it answers REQINIT with its Initialization Message and every other command with its
event, streams at the chosen rate, reads its battery on a period, reports passages, resends a
frame on NAK, and injects faults on request. The first line printed names the line to connect to.

Program options:
  --no-stdin               do not read control commands; run until SIGINT or SIGTERM
  -h, --help               this text
  --version                the program's version

)";

constexpr std::string_view StdinHelp = R"(
On standard input, besides the control commands: "status" prints what the unit has done so far,
"quit" (or the end of input) stops the unit.
)";

std::string textOf(zeph::platform::DWORD code) {
    const auto wide = zeph::platform::systemText(code);
    std::string text = wide ? zeph::platform::narrow(*wide) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return std::to_string(code) + (text.empty() ? "" : " (" + text + ")");
}

// Links the line as COM<n>. A link to a device that is gone may be taken over; a live one not.
std::string linkComPort(const UnitSimulator& unit, const SimulatorOptions& options, fs::path& created,
                        int& number) {
    const PortDirectory directory(options.portDirectory.value_or(PortDirectory::defaultFolder()));
    if (!options.comNumber) {
        const auto existing = directory.numberOf(unit.portName());
        const auto result = unit.registerComPort(directory, number);
        if (result != 0) {
            return "cannot link the line into " + directory.folder().string() + ": " + textOf(result);
        }
        created = existing ? fs::path() : directory.linkPath(number);
        return {};
    }
    number = *options.comNumber;
    const fs::path link = directory.linkPath(number);
    std::error_code error;
    fs::create_directories(directory.folder(), error);
    if (fs::is_symlink(fs::symlink_status(link, error))) {
        if (fs::exists(link, error)) {
            return "COM" + std::to_string(number) + " is taken by " + fs::read_symlink(link, error).string();
        }
        fs::remove(link, error);
    }
    fs::create_symlink(unit.portName(), link, error);
    if (error) {
        return "cannot create " + link.string() + ": " + error.message();
    }
    created = link;
    return {};
}

void printStatus(const UnitSimulator& unit) {
    const UnitStatus s = unit.status();
    std::cout << "initialised " << s.initialised << " streaming " << s.streaming << " polling " << s.polling
              << " gain " << int{s.gain} << " clipping " << int{s.clipping} << " channel-code "
              << s.channelCode << " lines " << s.linesReceived << " transmissions " << s.transmissions
              << " accepted " << s.framesAccepted << " naks " << s.naks << " resends " << s.resends
              << " abandoned " << s.framesAbandoned << " unanswered " << s.framesUnanswered
              << " streaming-frames " << s.streamingFrames << " passages " << s.passagesSent
              << " battery-polls " << s.batteryPolls << std::endl;
}

// Runs one line from standard input; false when the program should stop.
bool runStdinLine(UnitSimulator& unit, std::string_view line) {
    if (line == "quit") {
        return false;
    }
    if (line == "status") {
        printStatus(unit);
        return true;
    }
    ControlAction action;
    if (const std::string error = parseControlLine(line, action); !error.empty()) {
        std::cerr << "quorvex-sim: " << error << std::endl;
    } else if (action) {
        action(unit);
    }
    return true;
}

// Serves standard input, the signals and the unit's end until one of them says stop.
void serve(UnitSimulator& unit, bool readStdin, int signals) {
    std::string pending;
    bool stdinOpen = readStdin;
    for (;;) {
        pollfd fds[3] = {
            {signals, POLLIN, 0}, {unit.endedDescriptor(), POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0 || fds[1].revents != 0) {
            return;
        }
        if (fds[2].revents == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = ::read(0, buffer, sizeof buffer);
        if (got <= 0) {
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!runStdinLine(unit, line)) {
                return;
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    SimulatorOptions options;
    if (const std::string error = parseSimulatorOptions(args, options); !error.empty()) {
        std::cerr << "quorvex-sim: " << error << "\nTry quorvex-sim --help." << std::endl;
        return 2;
    }
    if (options.help) {
        std::cout << Usage << simulatorOptionsHelp() << '\n'
                  << controlHelp() << '\n'
                  << scenarioHelp() << StdinHelp;
        return 0;
    }
    if (options.version) {
        std::cout << "quorvex-sim " << quorvex::Version << std::endl;
        return 0;
    }
    std::vector<ScenarioStep> steps;
    if (const std::string error = scenarioSteps(options, steps); !error.empty()) {
        std::cerr << "quorvex-sim: " << error << std::endl;
        return 2;
    }
    RoutePassagePlan routePassage;
    if (options.routeStand.route) {
        if (const std::string error =
                planRoutePassage(options.routeStand, std::chrono::system_clock::now(), routePassage);
            !error.empty()) {
            std::cerr << "quorvex-sim: " << error << std::endl;
            return 2;
        }
    }

    UnitSimulator unit(options.profile);
    const auto opened = options.device ? unit.openDevice(*options.device) : unit.openPseudoTerminal();
    if (opened != 0) {
        std::cerr << "quorvex-sim: cannot open " << options.device.value_or("a pseudo-terminal") << ": "
                  << textOf(opened) << std::endl;
        return 1;
    }
    fs::path createdLink;
    int com = 0;
    if (options.registerCom) {
        if (const std::string error = linkComPort(unit, options, createdLink, com); !error.empty()) {
            std::cerr << "quorvex-sim: " << error << std::endl;
            return 1;
        }
    }

    // The signals arrive through a descriptor, so one poll serves them, the input and the unit.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signals = signalfd(-1, &stopSignals, SFD_CLOEXEC);

    std::ofstream acknowledged;
    if (options.acknowledgedLog) {
        acknowledged.open(*options.acknowledgedLog, std::ios::app);
        if (!acknowledged) {
            std::cerr << "quorvex-sim: cannot open " << options.acknowledgedLog->string() << std::endl;
            return 1;
        }
        // Each line is flushed as it is acknowledged, so a reader sees it at once.
        unit.setAcknowledgedLog(
            [&acknowledged](const std::string& line) { acknowledged << line << std::endl; });
    }
    unit.start();
    scheduleScenario(unit, steps);
    if (options.passageEvery.count() > 0) {
        unit.schedule(options.passageEvery, options.passageEvery, [&unit] { unit.passage({}); });
    }
    if (options.routeStand.route) {
        scheduleRoutePassage(unit, routePassage, std::chrono::system_clock::now());
    }
    std::cout << "quorvex-sim: " << options.profile.deviceName() << ", firmware " << options.profile.firmware
              << ", on " << unit.portName() << (com != 0 ? " (COM" + std::to_string(com) + ")" : "")
              << std::endl;
    if (options.routeStand.route) {
        std::cout << "quorvex-sim: " << routePassage.text << std::endl;
    }

    serve(unit, options.readStdin, signals);

    unit.stop();
    if (!createdLink.empty()) {
        std::error_code ignored;
        fs::remove(createdLink, ignored);
    }
    ::close(signals);
    return 0;
}
