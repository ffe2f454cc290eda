#include "cli/CliOptions.h"

#include "cli/OperatorCommand.h"
#include "controlroom/LinkUrl.h"
#include "simulator/CommandLine.h"
#include "simulator/ControlCommand.h"
#include "simulator/SimulatedUnit.h"
#include "support/program/PortOption.h"

#include <boost/program_options/value_semantic.hpp>

#include <charconv>
#include <vector>

namespace quorvex::cli {

namespace {

namespace program_options = boost::program_options;

// The client's own options and, after them in the same table, the unit's.
program_options::options_description cliOptionTable() {
    program_options::options_description table;
    table.add_options()("help,h", "")("version", "")("simulate", "")(
        "port", program_options::value<std::string>()->value_name("a port: COMn or a device path"), "")(
        "journal", program_options::value<std::string>()->value_name("a file"), "")("no-journal", "")(
        "journal-wait", program_options::value<std::string>()->value_name("milliseconds"), "")(
        "publish", program_options::value<std::string>()->value_name("a broker's URL"), "")(
        "publish-ca", program_options::value<std::string>()->value_name("a file"), "")(
        "publish-cert", program_options::value<std::string>()->value_name("a file"), "")(
        "publish-key", program_options::value<std::string>()->value_name("a file"), "");
    table.add(quorvex::simulator::unitOptionTable());
    return table;
}

// Applies the client's own option; false for a unit option, which is left to the unit.
bool applyOwnOption(const program_options::option& option, CliOptions& options) {
    if (option.string_key == "help") {
        options.help = true;
    } else if (option.string_key == "version") {
        options.version = true;
    } else if (option.string_key == "simulate") {
        options.simulate = true;
    } else if (option.string_key == "port") {
        options.port = option.value.front();
    } else if (option.string_key == "journal") {
        options.journal = option.value.front();
    } else if (option.string_key == "no-journal") {
        options.noJournal = true;
    } else if (option.string_key == "journal-wait") {
        const std::string& text = option.value.front();
        int milliseconds = 0;
        const auto read = std::from_chars(text.data(), text.data() + text.size(), milliseconds);
        // Anything but a whole number is refused below as out of range.
        options.journalWait = std::chrono::milliseconds(
            read.ec == std::errc() && read.ptr == text.data() + text.size() ? milliseconds : 0);
    } else if (option.string_key == "publish") {
        options.publish = option.value.front();
    } else if (option.string_key == "publish-ca") {
        options.publishCa = option.value.front();
    } else if (option.string_key == "publish-cert") {
        options.publishCert = option.value.front();
    } else if (option.string_key == "publish-key") {
        options.publishKey = option.value.front();
    } else {
        return false;
    }
    return true;
}

// The control-room link publishes the journal's rows: it needs a journal and a broker it can read.
std::string checkPublishOptions(const CliOptions& options) {
    if (!options.publish) {
        const bool filesGiven =
            !options.publishCa.empty() || !options.publishCert.empty() || !options.publishKey.empty();
        return filesGiven ? "--publish-ca, --publish-cert and --publish-key go with --publish URL" : "";
    }
    if (options.noJournal) {
        return "--publish sends the journal's rows: it cannot go with --no-journal";
    }
    quorvex::link::LinkUrl url;
    if (const std::string error = quorvex::link::parseLinkUrl(*options.publish, url); !error.empty()) {
        return "--publish: " + error;
    }
    return options.publishCert.empty() == options.publishKey.empty()
               ? ""
               : "give --publish-cert and --publish-key together";
}

}  // namespace

std::string parseCliOptions(std::span<const std::string_view> args, CliOptions& options) {
    std::vector<program_options::option> read;
    if (std::string error = quorvex::simulator::readCommandLine(args, cliOptionTable(), read);
        !error.empty()) {
        return error;
    }
    std::vector<program_options::option> unitOptions;
    for (const program_options::option& option : read) {
        if (!applyOwnOption(option, options)) {
            unitOptions.push_back(option);
        }
    }
    if (options.help || options.version) {
        return {};
    }
    if (options.journal && options.noJournal) {
        return "give either --journal FILE or --no-journal";
    }
    if (options.journalWait.count() < 1 || options.journalWait.count() > 60000) {
        return "--journal-wait takes milliseconds, 1 to 60000";
    }
    if (const std::string error = checkPublishOptions(options); !error.empty()) {
        return error;
    }
    if (options.port.has_value() == options.simulate) {
        return "give either --port PORT or --simulate";
    }
    if (options.port) {
        if (std::string error = quorvex::program::portOptionError(*options.port); !error.empty()) {
            return error;
        }
    }
    return quorvex::simulator::SimulatedUnit::applyOptions(unitOptions, options.simulate, options.unit);
}

std::string cliHelp() {
    return std::string(R"(Usage: quorvex-cli --port PORT
  or:  quorvex-cli --simulate [unit options]

The QUORVEX console without windows. It connects to a unit, follows the console's flow (Request
Init 200 ms after the port opens; a unit with firmware outside 0.0085 to 0.0098 is disconnected;
then Request GPS and Start Streaming, and GPS every two seconds), prints every message of the
device stack as one JSON line on standard output ({"event": ..., "data": {the record's fields},
"state": {the unit's state after it}}) and takes operator commands on standard input. The debug
log is written to $TEMP (else $TMPDIR, else /tmp) as QUORVEX_DEBUG-<date>_<time>.log.

  --port PORT     COMn (through the port directory, $QUORVEX_PORT_DIR) or a device path
                  such as /dev/ttyUSB0 or /dev/pts/7
  --simulate      connect to a simulated unit in this process, on a new pseudo-terminal;
                  the unit options below apply
  --journal FILE  the passage journal to write (default: $QUORVEX_JOURNAL, else
                  $XDG_DATA_HOME/quorvex/journal.sqlite3); its faults on standard error
  --no-journal    keep no journal
  --journal-wait MS  how long the acknowledgement of a passage, ignored event or trigger
                  waits for its row to be on disk before it goes anyway (default 50)
  --publish URL   publish the journal's passages to a control room's MQTT broker:
                  mqtt://[user@]host[:port]/prefix or mqtts://...; the password
                  from $QUORVEX_PUBLISH_PASSWORD
  --publish-ca FILE    the authority that signed the broker's certificate (mqtts)
  --publish-cert FILE  a client certificate for the broker, with --publish-key FILE
                       (an encrypted key's pass phrase from $QUORVEX_PUBLISH_KEY_PASSWORD)
  -h, --help      this text
  --version       the program's version

Exit codes: 0 after a requested disconnection; 1 the connection failed (the port would not
open, or the unit did not answer REQINIT); 2 bad command line; 3 the link was lost (the error
number and its text on standard error); 4 the unit was refused (incompatible firmware) or stopped
answering REQGPS; 130 interrupted twice. SIGINT, SIGTERM, SIGHUP or SIGQUIT disconnects first;
a second one ends at once.

)") + std::string(operatorCommandsHelp()) +
           "\n" + std::string(quorvex::simulator::simulatorOptionsHelp()) + "\n" +
           std::string(quorvex::simulator::controlHelp());
}

}  // namespace quorvex::cli
