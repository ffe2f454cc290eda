#include "simulator/ControlCommand.h"

#include <charconv>
#include <limits>
#include <optional>
#include <vector>

namespace quorvex::simulator {

namespace {

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t begin = line.find_first_not_of(" \t\r\n", at);
        if (begin == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r\n", begin), line.size());
        words.push_back(line.substr(begin, end - begin));
        at = end;
    }
    return words;
}

template <typename Number>
std::optional<Number> numberOf(std::string_view word, Number low, Number high) {
    Number value{};
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// Reads the words after the command, each optional from the first that is missing on.
class Arguments {
public:
    Arguments(const std::vector<std::string_view>& words, std::string& error)
        : words_(words), error_(error) {}

    bool has(std::size_t index) const { return index + 1 < words_.size(); }
    bool noMoreThan(std::size_t count) {
        if (words_.size() > count + 1) {
            error_ = "too many arguments for " + std::string(words_[0]);
        }
        return error_.empty();
    }
    template <typename Number>
    Number get(std::size_t index, Number fallback, Number low, Number high) {
        if (!has(index) || !error_.empty()) {
            return fallback;
        }
        const auto value = numberOf<Number>(words_[index + 1], low, high);
        if (!value) {
            error_ = "bad number \"" + std::string(words_[index + 1]) + "\" for " + std::string(words_[0]);
            return fallback;
        }
        return *value;
    }

private:
    const std::vector<std::string_view>& words_;
    std::string& error_;
};

constexpr float Huge = std::numeric_limits<float>::max();

PassageSpec passageSpec(Arguments& args) {
    PassageSpec details;
    details.channel = args.get(0, 1, 0, 10);
    if (args.has(1)) {
        GpsFix where;
        where.latitude = args.get(1, 0.0f, -90.0f, 90.0f);
        where.longitude = args.get(2, 0.0f, -180.0f, 180.0f);
        where.elevation = args.get(3, 0.0f, -Huge, Huge);
        details.position = where;
    }
    return details;
}

std::string parseFault(const std::vector<std::string_view>& words, Arguments& args, ControlAction& action) {
    const auto kind = words.size() > 1 ? faultKindNamed(words[1]) : std::nullopt;
    if (!kind) {
        return "fault needs a kind: badChecksum, missingEot, wrongLength, garbage, wakeFlood, silence, "
               "noStop, "
               "trickle or hangup";
    }
    Fault fault{*kind, 1, {}};
    switch (*kind) {
        case FaultKind::Garbage:
            fault.count = args.get(1, 16, 1, 65536);
            break;
        case FaultKind::WakeFlood:
            fault.count = args.get(1, 64, 1, 65536);
            break;
        case FaultKind::Silence:
            fault.time = std::chrono::milliseconds(args.get(1, 0, 0, std::numeric_limits<int>::max()));
            break;
        case FaultKind::Trickle:
            fault.count = args.get(1, 1, 1, 1000000);
            fault.time = std::chrono::milliseconds(args.get(2, 2, 1, 60000));
            break;
        case FaultKind::NoStop:
        case FaultKind::HangUp:
            break;
        default:
            fault.count = args.get(1, 1, 1, 1000000);
            break;
    }
    args.noMoreThan(*kind == FaultKind::Trickle ? 3 : 2);
    action = [fault](UnitSimulator& unit) { unit.injectFault(fault); };
    return {};
}

}  // namespace

std::string parseControlLine(std::string_view line, ControlAction& action) {
    action = nullptr;
    const auto words = wordsOf(line);
    if (words.empty() || words[0].starts_with('#')) {
        return {};
    }
    std::string error;
    Arguments args(words, error);
    const std::string_view command = words[0];
    if (command == "passage" || command == "ignored") {
        const PassageSpec details = passageSpec(args);
        args.noMoreThan(4);
        if (command == "passage") {
            action = [details](UnitSimulator& unit) { unit.passage(details); };
        } else {
            action = [details](UnitSimulator& unit) { unit.ignoredEvent(details); };
        }
    } else if (command == "trigger") {
        const int channel = args.get(0, 1, 0, 10);
        args.noMoreThan(1);
        action = [channel](UnitSimulator& unit) { unit.recordingTrigger(channel); };
    } else if (command == "pig") {
        const int channel = args.get(0, 1, 1, 9);
        model::PigPath path;
        path.depth = args.get(1, path.depth, 0.1, 50.0);
        path.speed = args.get(2, path.speed, 0.05, 20.0);
        args.noMoreThan(3);
        action = [channel, path](UnitSimulator& unit) { unit.sendPig(channel, path); };
    } else if (command == "field") {
        args.noMoreThan(0);
        action = [](UnitSimulator& unit) { unit.streamField(); };
    } else if (command == "channel" && args.has(0)) {
        const int channel = args.get(0, 0, 0, 9);
        args.noMoreThan(1);
        action = [channel](UnitSimulator& unit) { unit.selectOwnChannel(channel); };
    } else if (command == "poll") {
        args.noMoreThan(0);
        action = [](UnitSimulator& unit) { unit.pollBattery(); };
    } else if (command == "battery" && args.has(0)) {
        const auto raw = args.get<std::uint16_t>(0, 0, 0, 0xFFFF);
        args.noMoreThan(1);
        action = [raw](UnitSimulator& unit) { unit.setBatteryRaw(raw); };
    } else if (command == "gain" && args.has(0)) {
        const auto gain = args.get<int>(0, 0, 0, 16);
        const auto clipping = args.get<int>(1, 0, 0, 16 - gain);
        args.noMoreThan(2);
        action = [gain, clipping](UnitSimulator& unit) {
            unit.setGain(static_cast<std::uint8_t>(gain), static_cast<std::uint8_t>(clipping));
        };
    } else if (command == "gps" && args.has(2)) {
        GpsFix fix;
        fix.latitude = args.get(0, 0.0f, -90.0f, 90.0f);
        fix.longitude = args.get(1, 0.0f, -180.0f, 180.0f);
        fix.elevation = args.get(2, 0.0f, -Huge, Huge);
        fix.hdop = args.get(3, fix.hdop, 0.0f, Huge);
        fix.quality = static_cast<std::uint8_t>(args.get(4, int{fix.quality}, 0, 255));
        args.noMoreThan(5);
        action = [fix](UnitSimulator& unit) { unit.setGps(fix); };
    } else if (command == "fault") {
        if (std::string kindError = parseFault(words, args, action); !kindError.empty()) {
            error = std::move(kindError);
        }
    } else if (command == "clear") {
        args.noMoreThan(0);
        action = [](UnitSimulator& unit) { unit.clearFaults(); };
    } else {
        error = "unknown control command \"" + std::string(command) + "\" or missing arguments";
    }
    if (!error.empty()) {
        action = nullptr;
    }
    return error;
}

std::string_view controlHelp() {
    return R"(Control commands (standard input, one per line, and scenario steps):
  passage [CH [LAT LON ELEV]]  report a pig passage on channel CH (default 1) at the unit's
                               GPS position or the one given
  ignored [CH [LAT LON ELEV]]  report an ignored event
  trigger [CH]                 report that recording started (a recording trigger)
  pig [CH [DEPTH [SPEED]]]     send a pig along the pipe: it passes under the unit 10 s later,
                               DEPTH m down (default 1.5) at SPEED m/s (default 1.5); CH 1-7 or
                               9 is its transmitter, 8 a magnetised pig without one. From the
                               first pig on, the unit streams its field: a noise floor and the
                               pigs' signals (levels fall with the cube of the distance), and
                               reports a recording trigger (automatic record mode), then the
                               passage at the closest approach, or an ignored event for a pig on
                               another channel than the unit's (Auto: channel 1)
  field                        stream the field (noise floor and pigs) from now on
  channel CH                   the unit selects channel CH itself (0 Auto) and reports it
  poll                         read the battery now (ADC Polling Begin ... End)
  battery RAW                  the raw battery value the next reading reports (0-65535)
  gain G [CLIP]                set gain and clipping (G + CLIP <= 16) and report them
  gps LAT LON ELEV [HDOP [Q]]  the GPS fix REQGPS reports; Q is the signal quality 0-255
  fault badChecksum [N]        the next N frames carry a wrong checksum (default 1)
  fault missingEot [N]         the next N frames end without their EOT byte
  fault wrongLength [N]        the next N frames carry one payload byte too many
  fault garbage [N]            send N bytes that are no frame (default 16)
  fault wakeFlood [N]          send N wake bytes 0x5E (default 64)
  fault silence [MS]           send and answer nothing for MS ms (default: until cleared)
  fault noStop                 STOP and REINIT no longer end a stream
  fault trickle [N [MS]]       send the next N frames one byte every MS ms (defaults 1, 2)
  fault hangup                 drop the line (the console sees a hang-up); the unit ends
  clear                        end every lasting fault
Channels are the console's numbers: 0 Auto, 1-7 transmitters, 8 Mag, 9 Legacy.
)";
}

}  // namespace quorvex::simulator
