#include "console/ConsoleOptions.h"

#include "simulator/CommandLine.h"
#include "simulator/Scenario.h"
#include "simulator/SimulatedUnit.h"
#include "support/program/PortOption.h"

#include <QCommandLineParser>
#include <QRegularExpression>

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
    QCommandLineOption journal{QStringLiteral("journal"),
                               QStringLiteral("The passage journal (default: $QUORVEX_JOURNAL, else "
                                              "$XDG_DATA_HOME/quorvex/journal.sqlite3)."),
                               QStringLiteral("FILE")};
    QCommandLineOption noJournal{QStringLiteral("no-journal"), QStringLiteral("Keep no passage journal.")};
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this text.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Show the program's version.")};

    ConsoleParser() {
        // "-debug" is one option, not five letters.
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(QStringLiteral("The QUORVEX operator console."));
        parser.addOptions({debug, port, connect, simulate, journal, noJournal, help, version});
    }

    // Whether an argument is the console's own (the rest belong to the simulated unit).
    static bool isOwn(const QString& argument) {
        static const QStringList own{
            QStringLiteral("-debug"),     QStringLiteral("--debug"),   QStringLiteral("--connect"),
            QStringLiteral("--simulate"), QStringLiteral("-h"),        QStringLiteral("--help"),
            QStringLiteral("-v"),         QStringLiteral("--version"), QStringLiteral("--no-journal")};
        return own.contains(argument);
    }
};

}  // namespace

std::string parseConsoleOptions(const std::vector<std::string>& arguments, ConsoleOptions& options) {
    ConsoleParser console;
    const auto text = [](const std::string& argument) { return QString::fromLocal8Bit(argument); };
    QStringList own{text(arguments.empty() ? std::string() : arguments.front())};
    std::optional<std::string> port;
    std::optional<std::string> journal;
    std::vector<std::string> unitArgs;
    // A path option keeps its value's bytes; Qt's parser only sees that it was given.
    const auto takePath = [&](const std::string& name, std::size_t& i, std::optional<std::string>& value) {
        const std::string& argument = arguments[i];
        if (argument == name) {
            own << text(argument);
            if (i + 1 < arguments.size()) {
                value = arguments[++i];
                own << text(*value);
            }
        } else if (argument.starts_with(name + "=")) {
            value = argument.substr(name.size() + 1);
            own << text(argument);
        } else {
            return false;
        }
        return true;
    };
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (takePath("--port", i, port) || takePath("--journal", i, journal)) {
            continue;
        }
        if (ConsoleParser::isOwn(text(argument))) {
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
    if (console.parser.isSet(console.journal)) {
        options.journal = journal;
    }
    options.noJournal = console.parser.isSet(console.noJournal);
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
    if (options.journal && options.noJournal) {
        return "give either --journal FILE or --no-journal, not both";
    }
    if (options.connect && !options.port) {
        return "--connect needs --port PORT";
    }
    return quorvex::simulator::SimulatedUnit::applyOptions(unitOptions, options.simulate, options.unit);
}

std::string consoleHelp() {
    ConsoleParser console;
    // Qt names the program by the path it was started with; the help names it as a user types it.
    QString usage = console.parser.helpText();
    usage.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                  QStringLiteral("Usage: quorvex-console"));
    return usage.toStdString() +
           "\nThe debug log is written to $TEMP (else $TMPDIR, else /tmp) "
           "as QUORVEX_DEBUG-<date>_<time>.log.\n\n"
           "Examples:\n"
           "  quorvex-console --simulate --demo          the demo, with a simulated unit\n"
           "  quorvex-console --port COM3 --connect      connect at once to the unit linked as COM3\n"
           "  quorvex-console --port /dev/rfcomm0 --journal ~/site-7.sqlite3\n\n" +
           std::string(quorvex::simulator::simulatorOptionsHelp()) + "\n" +
           quorvex::simulator::scenarioHelp();
}

}  // namespace quorvex::console
