#include "cli/OperatorCommand.h"

#include "device/ChannelRegistry.h"

#include <array>
#include <charconv>
#include <limits>
#include <vector>

namespace quorvex::cli {

namespace {

using Kind = OperatorCommand::Kind;

struct Plain {
    std::string_view name;
    void (IUserInterface::*call)();
};

constexpr std::array<Plain, 16> PlainCalls = {{
    {"requestInit", &IUserInterface::requestInit},
    {"requestState", &IUserInterface::requestState},
    {"reinit", &IUserInterface::reinit},
    {"startStreaming", &IUserInterface::startStreaming},
    {"stopStreaming", &IUserInterface::stopStreaming},
    {"pauseStreaming", &IUserInterface::pauseStreaming},
    {"resumeStreaming", &IUserInterface::resumeStreaming},
    {"inqGain", &IUserInterface::inqGain},
    {"incGain", &IUserInterface::incGain},
    {"decGain", &IUserInterface::decGain},
    {"resetMRSensor", &IUserInterface::resetMRSensor},
    {"requestGPS", &IUserInterface::requestGPS},
    {"setRecordModeAutomatic", &IUserInterface::setRecordModeAutomatic},
    {"setRecordModeManual", &IUserInterface::setRecordModeManual},
    {"startRecording", &IUserInterface::startRecording},
    {"stopRecording", &IUserInterface::stopRecording},
}};

constexpr std::array<std::pair<std::string_view, Kind>, 6> ClientCommands = {{
    {"disconnect", Kind::Disconnect},
    {"state", Kind::State},
    {"help", Kind::Help},
    {"quit", Kind::Quit},
    {"exit", Kind::Quit},
    {"wait", Kind::Wait},
}};

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t begin = line.find_first_not_of(" \t\r", at);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r", begin), line.size());
        words.push_back(line.substr(begin, end - begin));
        at = end;
    }
    return words;
}

bool readNumber(std::string_view text, int low, int high, int& value) {
    int parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

std::string needsOneArgument(std::string_view name, std::size_t given) {
    return std::string(name) + " takes one number, " + std::to_string(given) + " given";
}

std::string parseWithArgument(std::string_view name, const std::vector<std::string_view>& words,
                              OperatorCommand& parsed) {
    if (words.size() != 2) {
        return needsOneArgument(name, words.size() - 1);
    }
    if (name == "selectChannel") {
        if (!readNumber(words[1], 0, std::numeric_limits<int>::max(), parsed.argument) ||
            ChannelRegistry::find(parsed.argument) == nullptr) {
            return "selectChannel: no channel \"" + std::string(words[1]) + "\" (see help)";
        }
        parsed.callWith = &IUserInterface::selectChannel;
    } else {
        if (!readNumber(words[1], 1, 5, parsed.argument)) {
            return "setWorkingFolder: the folder is a number from 1 to 5, not \"" + std::string(words[1]) +
                   "\"";
        }
        parsed.callWith = &IUserInterface::setWorkingFolder;
    }
    parsed.kind = Kind::DeviceWith;
    return {};
}

std::string parseClientCommand(Kind kind, const std::vector<std::string_view>& words,
                               OperatorCommand& parsed) {
    if (kind == Kind::Wait) {
        int milliseconds = 0;
        if (words.size() != 2 || !readNumber(words[1], 0, 3'600'000, milliseconds)) {
            return "wait takes a time in milliseconds from 0 to 3600000";
        }
        parsed.wait = std::chrono::milliseconds(milliseconds);
    } else if (words.size() != 1) {
        return std::string(words[0]) + " takes no arguments";
    }
    parsed.kind = kind;
    return {};
}

}  // namespace

std::string parseOperatorCommand(std::string_view line, OperatorCommand& command) {
    const std::vector<std::string_view> words = wordsOf(line);
    OperatorCommand parsed;
    if (words.empty() || words[0].starts_with('#')) {
        command = parsed;
        return {};
    }
    const std::string_view name = words[0];
    parsed.name = name;
    if (name == "sim") {
        if (words.size() == 1) {
            return "sim needs a unit command (try help)";
        }
        const std::size_t at = line.find("sim");
        parsed.kind = Kind::Unit;
        parsed.unitControl = std::string(line.substr(at + 3));
        command = parsed;
        return {};
    }
    std::string error = "unknown command \"" + std::string(name) + "\" (try help)";
    if (name == "selectChannel" || name == "setWorkingFolder") {
        error = parseWithArgument(name, words, parsed);
    }
    for (const Plain& plain : PlainCalls) {
        if (plain.name == name) {
            error = words.size() == 1 ? std::string() : std::string(name) + " takes no arguments";
            parsed.kind = Kind::Device;
            parsed.call = plain.call;
        }
    }
    for (const auto& [clientName, kind] : ClientCommands) {
        if (clientName == name) {
            error = parseClientCommand(kind, words, parsed);
        }
    }
    if (error.empty()) {
        command = parsed;
    }
    return error;
}

std::string_view operatorCommandsHelp() {
    return R"(Commands on standard input, one per line (each is the operation of the same name):
  requestInit  requestState  reinit  inqGain  incGain  decGain  resetMRSensor  requestGPS
  startStreaming  stopStreaming  pauseStreaming  resumeStreaming
  setRecordModeAutomatic  setRecordModeManual  startRecording  stopRecording
  selectChannel N        N: 0 Auto Select, 1-7 QUORVEX 1-7, 8 Mag, 9 Legacy
                         (an M410 offers only 0, 1, 2, 8 and 9)
  setWorkingFolder N     N: working folder 1 to 5
  disconnect             ends the session (exit code 0 once the unit is disconnected)
  state                  prints what the console knows of the unit
  wait MS                reads the next command MS milliseconds later
  help                   this text
  quit, exit             disconnects, then ends
  sim CONTROL            with --simulate: a control command for the simulated unit
                         (sim passage, sim gain 9 1, sim fault hangup, ...)
Lines starting with # are ignored. An unknown command or a bad argument is reported on
standard error and changes nothing.
)";
}

}  // namespace quorvex::cli
