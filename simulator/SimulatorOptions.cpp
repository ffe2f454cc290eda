#include "simulator/SimulatorOptions.h"

#include "simulator/CommandLine.h"

#include <boost/program_options/value_semantic.hpp>

#include <charconv>
#include <functional>
#include <limits>
#include <map>
#include <vector>

namespace quorvex::simulator {

namespace {

template <typename Number>
bool read(std::string_view text, Number& value, Number low, Number high) {
    Number parsed{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

bool readMs(std::string_view text, std::chrono::milliseconds& value) {
    int ms = 0;
    if (!read(text, ms, 0, std::numeric_limits<int>::max())) {
        return false;
    }
    value = std::chrono::milliseconds(ms);
    return true;
}

bool readSmall(std::string_view text, std::uint8_t& value, int high) {
    int number = 0;
    if (!read(text, number, 0, high)) {
        return false;
    }
    value = static_cast<std::uint8_t>(number);
    return true;
}

// "LAT,LON,ELEV[,HDOP[,QUALITY]]"
bool readGps(std::string_view text, GpsFix& fix) {
    std::vector<std::string_view> parts;
    for (std::size_t end = text.find(','); end != std::string_view::npos; end = text.find(',')) {
        parts.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    parts.push_back(text);
    const float big = std::numeric_limits<float>::max();
    GpsFix parsed = fix;
    int quality = fix.quality;
    const bool ok =
        parts.size() >= 3 && parts.size() <= 5 && read(parts[0], parsed.latitude, -90.0f, 90.0f) &&
        read(parts[1], parsed.longitude, -180.0f, 180.0f) && read(parts[2], parsed.elevation, -big, big) &&
        (parts.size() < 4 || read(parts[3], parsed.hdop, 0.0f, big)) &&
        (parts.size() < 5 || read(parts[4], quality, 0, 255));
    if (ok) {
        fix = parsed;
        fix.quality = static_cast<std::uint8_t>(quality);
    }
    return ok;
}

using Setter = std::function<bool(std::string_view, SimulatorOptions&)>;

const std::map<std::string_view, Setter>& valueOptions() {
    static const std::map<std::string_view, Setter> options{
        {"device",
         [](std::string_view v, SimulatorOptions& o) { return !(o.device = std::string(v))->empty(); }},
        {"com",
         [](std::string_view v, SimulatorOptions& o) {
             o.registerCom = true;
             int number = 0;
             if (v == "auto") {
                 return true;
             }
             const bool ok = read(v, number, 1, 255);
             o.comNumber = number;
             return ok;
         }},
        {"port-dir", [](std::string_view v, SimulatorOptions& o) { return !(o.portDirectory = v)->empty(); }},
        {"scenario",
         [](std::string_view v, SimulatorOptions& o) {
             o.shippedScenario.clear();
             return !(o.scenario = v)->empty();
         }},
        {"model", [](std::string_view v, SimulatorOptions& o) { return !(o.profile.model = v).empty(); }},
        {"serial", [](std::string_view v, SimulatorOptions& o) { return !(o.profile.serial = v).empty(); }},
        {"firmware",
         [](std::string_view v, SimulatorOptions& o) { return !(o.profile.firmware = v).empty(); }},
        {"rate",
         [](std::string_view v, SimulatorOptions& o) { return read(v, o.profile.streamRate, 1, 1000); }},
        {"records",
         [](std::string_view v, SimulatorOptions& o) { return read(v, o.profile.recordsPerFrame, 1, 255); }},
        {"gain", [](std::string_view v, SimulatorOptions& o) { return readSmall(v, o.profile.gain, 16); }},
        {"clipping",
         [](std::string_view v, SimulatorOptions& o) { return readSmall(v, o.profile.clipping, 16); }},
        {"battery",
         [](std::string_view v, SimulatorOptions& o) {
             return read(v, o.profile.batteryRaw, std::uint16_t{0}, std::uint16_t{0xFFFF});
         }},
        {"battery-drain",
         [](std::string_view v, SimulatorOptions& o) {
             return read(v, o.profile.batteryDrainPerHour, 0, 3'600'000);
         }},
        {"battery-period",
         [](std::string_view v, SimulatorOptions& o) { return readMs(v, o.profile.batteryPeriod); }},
        {"battery-duration",
         [](std::string_view v, SimulatorOptions& o) { return readMs(v, o.profile.batteryDuration); }},
        {"gps", [](std::string_view v, SimulatorOptions& o) { return readGps(v, o.profile.gps); }},
        {"retries",
         [](std::string_view v, SimulatorOptions& o) { return read(v, o.profile.retryLimit, 0, 100); }},
        {"reply-timeout",
         [](std::string_view v, SimulatorOptions& o) {
             return readMs(v, o.profile.replyTimeout) && o.profile.replyTimeout.count() > 0;
         }},
        {"wake",
         [](std::string_view v, SimulatorOptions& o) { return read(v, o.profile.wakeBytes, 0, 1024); }},
        {"passage-every", [](std::string_view v, SimulatorOptions& o) { return readMs(v, o.passageEvery); }},
        {"acknowledged-log",
         [](std::string_view v, SimulatorOptions& o) { return !(o.acknowledgedLog = v)->empty(); }},
        {"route", [](std::string_view v, SimulatorOptions& o) { return !(o.routeStand.route = v)->empty(); }},
        {"route-marker",
         [](std::string_view v, SimulatorOptions& o) { return !(o.routeStand.marker = v).empty(); }},
        {"launch", [](std::string_view v, SimulatorOptions& o) { return readLaunch(v, o.routeStand); }},
        {"pig-speed",
         [](std::string_view v, SimulatorOptions& o) {
             return read(v, o.routeStand.metresPerSecond, 0.01, 1000.0);
         }},
    };
    return options;
}

}  // namespace

const program_options::options_description& unitOptionTable() {
    static const program_options::options_description table = [] {
        program_options::options_description built;
        built.add_options()("pty", "")("no-stdin", "")("demo", "");
        for (const auto& [name, setter] : valueOptions()) {
            built.add_options()(std::string(name).c_str(), program_options::value<std::string>(), "");
        }
        return built;
    }();
    return table;
}

std::string applyUnitOption(const program_options::option& option, SimulatorOptions& options) {
    if (option.string_key == "pty") {
        options.device.reset();
    } else if (option.string_key == "no-stdin") {
        options.readStdin = false;
    } else if (option.string_key == "demo") {
        applyDemo(options);
    } else if (const auto found = valueOptions().find(option.string_key); found != valueOptions().end()) {
        if (!found->second(option.value.front(), options)) {
            return "bad value \"" + option.value.front() + "\" for " + optionText(option);
        }
    } else {
        return "unknown option \"" + optionText(option) + "\"";
    }
    return {};
}

void applyDemo(SimulatorOptions& options) {
    UnitProfile& unit = options.profile;
    unit.streamRate = 15;
    unit.recordsPerFrame = 1;
    unit.fieldSignals = true;
    unit.autoRecord = true;
    unit.gpsWander = true;
    unit.batteryRaw = 600;
    unit.batteryDrainPerHour = 40;
    options.scenario.reset();
    options.shippedScenario = "demo";
}

std::string checkSimulatorOptions(const SimulatorOptions& options) {
    if (options.device && options.registerCom && options.comNumber) {
        return "--com with a number links a new pseudo-terminal; a --device keeps its own name";
    }
    if (options.routeStand.route.has_value() == options.routeStand.marker.empty()) {
        return "--route FILE and --route-marker NAME go together";
    }
    return options.profile.validate();
}

std::string parseSimulatorOptions(std::span<const std::string_view> args, SimulatorOptions& options) {
    program_options::options_description table;
    table.add(unitOptionTable()).add_options()("help,h", "")("version", "");
    std::vector<program_options::option> read;
    if (std::string error = readCommandLine(args, table, read); !error.empty()) {
        return error;
    }
    for (const program_options::option& option : read) {
        if (option.string_key == "help") {
            options.help = true;
        } else if (option.string_key == "version") {
            options.version = true;
        } else if (std::string error = applyUnitOption(option, options); !error.empty()) {
            return error;
        }
    }
    return checkSimulatorOptions(options);
}

std::string_view simulatorOptionsHelp() {
    return R"(Unit options (a value follows its option or joins it: --rate 20 or --rate=20):
  --demo                   a unit for the demo and for training: it streams its sensor's field
                           (a low noise floor; a pig on channel 1 passes every 40 s, the first
                           15 s in, now and then one on channel 3 that it ignores) at 15
                           one-record frames a second, in automatic record mode, with a GPS fix
                           that wanders within its HDOP and a battery that drains (raw 600, 40
                           an hour); options after it override its parts (--rate, --records,
                           --gps, --battery, --battery-drain, --scenario ...)
  --pty                    play on a new pseudo-terminal (the default); its path is printed
  --device PATH            play on an existing tty instead (a serial port, one end of a link)
  --com N|auto             link the line into the port directory as COMN (auto: lowest free)
  --port-dir DIR           the port directory (default $QUORVEX_PORT_DIR, else
                           $XDG_DATA_HOME/quorvex/ports)
  --model M410|M450        the model (default M450)
  --serial TEXT            the serial number (default 123456); model, blank and serial <= 15 chars
  --firmware TEXT          the firmware revision text (default V0.0096); from its first digit,
                           x 10000 is the minor number: below 91 streams 62-byte records,
                           91 to 95 the 66-byte layout, 96 and later the renumbered 66-byte one
  --rate N                 streaming frames per second (default 10)
  --records N              records per streaming frame, 1-255 (default 4)
  --gain N, --clipping N   gain and clipping at power-on (default 8 and 0; sum <= 16)
  --battery RAW            raw battery value (default 3150)
  --battery-drain N        raw battery units the unit loses an hour (default 0)
  --battery-period MS      read the battery every MS ms once initialised (default 5000; 0 never)
  --battery-duration MS    from the poll acknowledgement to ADC Polling End (default 300)
  --gps LAT,LON,ELEV[,HDOP[,QUALITY]]  the GPS fix (default 51.5,-0.12,35,1,3)
  --retries N              resends of a frame answered with a NAK (default 3)
  --reply-timeout MS       wait for the console's answer to a frame (default 1000)
  --wake N                 N wake bytes 0x5E ahead of every frame (default 0)
  --passage-every MS       report a pig passage on channel 1 every MS ms
  --acknowledged-log FILE  append a line to FILE for each event the console acknowledged, as
                           it is acknowledged: "passage SECONDS.MICROSECONDS", "ignored
                           SECONDS.MICROSECONDS" (the unit's time of the event) or "trigger"
  --scenario FILE|NAME     run the timed steps of a scenario file, or of a shipped scenario
                           (see below)
  --route FILE             a pig run along a pipeline's route file (GeoJSON, GPX, KML, Shapefile,
                           GeoPackage); the unit stands at the marker --route-marker names, its
                           GPS fix the marker's position, and reports the passage when the pig
                           passes (a few per cent sooner or later than its speed says)
  --route-marker NAME      the marker the unit stands at
  --launch NAME[@WHEN]     where and when the pig is launched (default: the route's first marker,
                           at the start); WHEN is +SECONDS from the start or a UTC time such as
                           2026-12-08T15:00:00Z
  --pig-speed M/S          the pig's planned speed in metres a second (default 2)
)";
}

}  // namespace quorvex::simulator
