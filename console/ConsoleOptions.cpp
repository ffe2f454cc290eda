#include "console/ConsoleOptions.h"

#include "simulator/CommandLine.h"
#include "simulator/SimulatedUnit.h"
#include "support/program/PortOption.h"

#include <QCommandLineParser>

#include <vector>

namespace quorvex::console {

namespace {

// "COM0" or "COM999999": a COM port by its form, though no port has that number. Such a port is
// told in the window (a desktop shortcut shows no standard error), as one that leads nowhere is.
bool looksLikeComPort(const std::string& port) {
    const std::string_view name = std::string_view(port).substr(port.starts_with("\\\\.\\") ? 4 : 0);
    return name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
           (name[2] == 'M' || name[2] == 'm') &&
           name.find_first_not_of("0123456789", 3) == std::string_view::npos;
}

struct ConsoleParser {
    QCommandLineParser parser;
    QCommandLineOption debug{QStringLiteral("debug"),
                             QStringLiteral("-debug: show the debug menu and tool bar buttons.")};
    QCommandLineOption port{QStringLiteral("port"), QStringLiteral("The unit's port: COMn or a device path."),
                            QStringLiteral("COMn|PATH")};
    QCommandLineOption connect{QStringLiteral("connect"), QStringLiteral("Connect to --port at start.")};
    QCommandLineOption simulate{
        QStringLiteral("simulate"),
        QStringLiteral("Connect at start to a simulated unit in this process; the unit "
                       "options below apply.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this text.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's version.")};

    ConsoleParser() {
        // "-debug" is one option, not five letters.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(QStringLiteral("The QUORVEX operator console."));
        parser.addOptions({debug, port, connect, simulate, help, version});
    }

    // Whether an argument is the console's own (the rest belong to the simulated unit).
    static bool isOwn(const QString& argument) {
        static const QStringList own{QStringLiteral("-debug"),    QStringLiteral("--debug"),
                                     QStringLiteral("--connect"), QStringLiteral("--simulate"),
                                     QStringLiteral("-h"),        QStringLiteral("--help"),
                                     QStringLiteral("-v"),        QStringLiteral("--version")};
        return own.contains(argument);
    }
};

}  // namespace

std::string parseConsoleOptions(const std::vector<std::string>& arguments, ConsoleOptions& options) {
    ConsoleParser console;
    const auto text = [](const std::string& argument) { return QString::fromLocal8Bit(argument); };
    QStringList own{text(arguments.empty() ? std::string() : arguments.front())};
    std::optional<std::string> port;
    std::vector<std::string> unitArgs;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--port") {
            own << text(argument);
            if (i + 1 < arguments.size()) {
                port = arguments[++i];
                own << text(*port);
            }
        } else if (argument.starts_with("--port=")) {
            port = argument.substr(std::string_view("--port=").size());
            own << text(argument);
        } else if (ConsoleParser::isOwn(text(argument))) {
            own << text(argument);
        } else {
            unitArgs.push_back(argument);
        }
    }
    if (!console.parser.parse(own)) {
        return console.parser.errorText().toStdString();
    }
    const std::vector<std::string_view> unitViews(unitArgs.begin(), unitArgs.end());
    std::vector<boost::program_options::option> unitOptions;
    const std::string unitError =
        quorvex::simulator::readCommandLine(unitViews, quorvex::simulator::unitOptionTable(), unitOptions);
    options.debug = console.parser.isSet(console.debug);
    options.connect = console.parser.isSet(console.connect);
    options.simulate = console.parser.isSet(console.simulate);
    options.help = console.parser.isSet(console.help);
    options.version = console.parser.isSet(console.version);
    if (console.parser.isSet(console.port)) {
        options.port = port;
    }
    if (options.help || options.version) {
        return {};
    }
    if (!unitError.empty()) {
        return unitError;
    }
    if (options.port && options.simulate) {
        return "give either --port PORT or --simulate, not both";
    }
    if (options.port && !looksLikeComPort(*options.port)) {
        if (std::string error = quorvex::program::portOptionError(*options.port); !error.empty()) {
            return error;
        }
    }
    if (options.connect && !options.port) {
        return "--connect needs --port PORT";
    }
    return quorvex::simulator::SimulatedUnit::applyOptions(unitOptions, options.simulate, options.unit);
}

std::string consoleHelp() {
    ConsoleParser console;
    return console.parser.helpText().toStdString() +
           "\nThe debug log is written to $TEMP (else $TMPDIR, else /tmp) "
           "as QUORVEX_DEBUG-<date>_<time>.log.\n\n" +
           std::string(quorvex::simulator::simulatorOptionsHelp());
}

}  // namespace quorvex::console
