// quorvex-cli: the QUORVEX console without windows, for scripts, tests and demonstrations.
#include "cli/CliOptions.h"
#include "cli/ClockTicker.h"
#include "cli/ConsoleSession.h"
#include "cli/InputReader.h"
#include "controlroom/Publisher.h"
#include "device/DeviceValueSets.h"
#include "device/QueryInterface.h"
#include "journal/Journal.h"
#include "journal/JournalLocation.h"
#include "session/DebugLog.h"
#include "simulator/SimulatedUnit.h"
#include "support/config/ConfigMgr.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/TextConversion.h"
#include "support/program/PortOption.h"
#include "support/program/StopSignalSet.h"
#include "support/version/Version.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quorvex::cli;

IUserInterface& deviceStack() {
    void* device = nullptr;
    queryInterface(InterfaceId::UserInterface.value(), &device);
    return *static_cast<IUserInterface*>(device);
}

int runMessageLoop() {
    zeph::platform::MSG message{};
    while (zeph::platform::getMessage(message, nullptr, 0, 0) > 0) {
        zeph::platform::dispatchMessage(message);
    }
    return static_cast<int>(message.wParam);
}

quorvex::link::LinkSettings linkSettingsOf(const CliOptions& options, const std::string& journalPath,
                                           ConsoleSession& session) {
    quorvex::link::LinkSettings settings;
    quorvex::link::parseLinkUrl(*options.publish, settings.url);
    quorvex::link::applyPasswordVariable(settings.url);
    settings.caFile = options.publishCa;
    settings.certFile = options.publishCert;
    settings.keyFile = options.publishKey;
    settings.keyPassword = quorvex::link::keyPasswordVariable();
    settings.journalPath = journalPath;
    settings.clientId = "quorvex-cli-" + quorvex::link::hostName() + "-" + std::to_string(::getpid());
    settings.notify = [&session](const std::string& text) { session.reportJournal(text); };
    return settings;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> given(argv + 1, argv + argc);
    const std::vector<std::string_view> args(given.begin(), given.end());
    std::for_each(argv + 1, argv + argc, quorvex::link::hidePassword);
    CliOptions options;
    if (const std::string error = parseCliOptions(args, options); !error.empty()) {
        std::cerr << "quorvex-cli: " << error << "\nTry quorvex-cli --help." << std::endl;
        return static_cast<int>(SessionEnd::Usage);
    }
    if (options.help) {
        std::cout << cliHelp();
        return 0;
    }
    if (options.version) {
        std::cout << "quorvex-cli " << quorvex::Version << std::endl;
        return 0;
    }
    quorvex::program::StopSignalSet::block();

    zeph::windows::config::ConfigMgr::instance().set(L"Application.Logging.Debug", true);
    quorvex::console::DebugLog log;
    if (const auto opened = log.initialize(); opened != 0) {
        std::cerr << "quorvex-cli: " << quorvex::console::DebugLog::unavailableReason(opened) << std::endl;
    }

    std::unique_ptr<quorvex::simulator::SimulatedUnit> unit;
    std::string port = options.port.value_or("");
    if (options.simulate) {
        unit = std::make_unique<quorvex::simulator::SimulatedUnit>(options.unit);
        if (const std::string error = unit->start(); !error.empty()) {
            std::cerr << "quorvex-cli: " << error << std::endl;
            return static_cast<int>(SessionEnd::ConnectFailed);
        }
        port = unit->portName();
    }

    IUserInterface& device = deviceStack();
    ConsoleSession session(device, std::cout, std::cerr);
    if (unit) {
        session.setUnitControl([&unit](std::string_view line) { return unit->control(line); });
    }
    std::unique_ptr<quorvex::journal::Journal> journal;
    if (const auto path = quorvex::journal::journalPath(options.journal, options.noJournal)) {
        quorvex::journal::JournalSettings settings;
        settings.path = *path;
        settings.notify = [&session](const std::string& text) { session.reportJournal(text); };
        journal = std::make_unique<quorvex::journal::Journal>(std::move(settings));
        session.setJournal(journal.get(), options.journalWait);
    }
    std::unique_ptr<quorvex::link::Publisher> publisher;
    if (options.publish && journal) {
        publisher =
            std::make_unique<quorvex::link::Publisher>(linkSettingsOf(options, journal->path(), session));
        session.setPublisher(publisher.get());
    }
    std::cout << JsonObject()
                     .text("event", "started")
                     .text("port", port)
                     .text("debugLog", zeph::platform::narrow(log.filePath()))
                     .str()
              << std::endl;

    const auto settings = quorvex::program::serialSettingsOf(port);
    int exitCode = static_cast<int>(SessionEnd::ConnectFailed);
    // Lives on through the stack's shutdown, which can take seconds, so that a stop signal is
    // still heard there.
    std::optional<InputReader> input;
    if (session.connect(settings)) {
        const ClockTicker clock(session.window(), ConsoleSession::WM_CLI_CLOCK);
        input.emplace(0, session.window());
        exitCode = runMessageLoop();
        input->sessionEnded();
    }
    // As the main window does when it closes: the stack disconnects and stops its workers.
    device.exit();
    // The journal writes its last rows; what it says about them is printed before the end. Rows
    // the link has not sent by then wait in the journal for the next start.
    journal.reset();
    publisher.reset();
    zeph::platform::MSG message{};
    while (zeph::platform::peekMessage(message, session.window(), ConsoleSession::WM_CLI_JOURNAL,
                                       ConsoleSession::WM_CLI_JOURNAL, zeph::platform::PM_REMOVE)) {
        zeph::platform::dispatchMessage(message);
    }
    return exitCode;
}
