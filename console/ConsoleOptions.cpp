#include "console/ConsoleOptions.h"

#include "cli/CliOptions.h"
#include "simulator/SimulatedUnit.h"

#include <QCommandLineParser>

#include <vector>

namespace quorvex::console {

namespace {

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

std::string parseConsoleOptions(const QStringList& arguments, ConsoleOptions& options) {
    ConsoleParser console;
    QStringList own{arguments.value(0)};
    std::vector<std::string> unitArgs;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--port")) {
            own << arguments[i];
            if (i + 1 < arguments.size()) {
                own << arguments[++i];
            }
        } else if (ConsoleParser::isOwn(arguments[i])) {
            own << arguments[i];
        } else {
            unitArgs.push_back(arguments[i].toStdString());
        }
    }
    if (!console.parser.parse(own)) {
        return console.parser.errorText().toStdString();
    }
    options.debug = console.parser.isSet(console.debug);
    options.connect = console.parser.isSet(console.connect);
    options.simulate = console.parser.isSet(console.simulate);
    options.help = console.parser.isSet(console.help);
    options.version = console.parser.isSet(console.version);
    if (console.parser.isSet(console.port)) {
        options.port = console.parser.value(console.port).toStdString();
    }
    if (options.help || options.version) {
        return {};
    }
    if (options.port && options.simulate) {
        return "give either --port PORT or --simulate, not both";
    }
    if (options.port && quorvex::cli::devicePathOf(*options.port).empty()) {
        return "--port " + *options.port + ": not a COM port (COM3) or a device path (/dev/ttyUSB0)";
    }
    if (options.connect && !options.port) {
        return "--connect needs --port PORT";
    }
    if (!unitArgs.empty() && !options.simulate) {
        return "unknown option " + unitArgs.front() + " (unit options need --simulate)";
    }
    if (options.simulate) {
        const std::vector<std::string_view> views(unitArgs.begin(), unitArgs.end());
        return quorvex::simulator::SimulatedUnit::parseOptions(views, options.unit);
    }
    return {};
}

std::string consoleHelp() {
    ConsoleParser console;
    return console.parser.helpText().toStdString() +
           "\nThe debug log is written to $TEMP (else $TMPDIR, else /tmp) "
           "as QUORVEX_DEBUG-<date>_<time>.log.\n\n" +
           std::string(quorvex::simulator::simulatorOptionsHelp());
}

}  // namespace quorvex::console
