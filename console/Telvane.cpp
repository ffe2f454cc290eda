#include "console/Telvane.h"

#include "console/ControlRoomLink.h"
#include "console/QtMessageBridge.h"
#include "console/TelvaneDlg.h"
#include "device/DeviceValueSets.h"
#include "device/QueryInterface.h"
#include "journal/Journal.h"
#include "journal/JournalLocation.h"
#include "simulator/SimulatedUnit.h"
#include "support/config/ConfigMgr.h"
#include "support/program/PortOption.h"

#include <QApplication>

#include <cctype>
#include <utility>

namespace quorvex::console {

IUserInterface& deviceStack() {
    void* device = nullptr;
    queryInterface(InterfaceId::UserInterface.value(), &device);
    return *static_cast<IUserInterface*>(device);
}

Telvane::Telvane(IUserInterface& device, ConsoleServices services) : device_(device), services_(services) {
    log_.setProblemReport([this](const std::string& text) { tellLogProblem(text); });
}

Telvane::~Telvane() {
    // The log outlives the window and its last lines are written after it is gone.
    log_.setProblemReport(nullptr);
    dialog_.reset();
    journal_.reset();
    bridge_.reset();
    unit_.reset();
}

std::string Telvane::initInstance(const ConsoleOptions& options) {
    zeph::windows::config::ConfigMgr::instance().set(L"Application.Logging.Debug", true);
    initializeLog();
    bridge_ = std::make_unique<QtMessageBridge>();
    if (options.simulate) {
        unit_ = std::make_unique<quorvex::simulator::SimulatedUnit>(options.unit);
        if (std::string error = unit_->start(); !error.empty()) {
            return error;
        }
    }
    dialog_ = std::make_unique<TelvaneDlg>(device_, services_, options.debug);
    openJournal(options);
    dialog_->fitToScreen();
    dialog_->show();
    for (const std::string& text : std::exchange(untoldLogProblems_, {})) {
        tellLogProblem(text);
    }
    presetPort(options);
    // A simulated unit is connected at once, as a choice in the device survey is.
    if ((options.connect || options.simulate) && !dialog_->serialSettings().devicePath().empty()) {
        dialog_->OnConnect();
    }
    return {};
}

void Telvane::initializeLog() {
    if (const auto opened = log_.initialize(); opened != 0) {
        // The console runs on without its file; the operator is told where it failed.
        qWarning("quorvex-console: the debug log cannot be opened in $TEMP (error %u)", opened);
        tellLogProblem(DebugLog::unavailableReason(opened));
    }
}

void Telvane::tellLogProblem(const std::string& text) {
    if (!dialog_) {
        untoldLogProblems_.push_back(text);
        return;
    }
    // The operator reads it as a sentence.
    std::string sentence = text + ".";
    sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
    dialog_->reportProblem(sentence);
}

void Telvane::openJournal(const ConsoleOptions& options) {
    const auto path = quorvex::journal::journalPath(options.journal, options.noJournal);
    if (!path) {
        // The control room is fed from the journal: without one there is nothing to send.
        dialog_->controlRoom()->useJournal({});
        return;
    }
    quorvex::journal::JournalSettings settings;
    settings.path = *path;
    settings.notify = [window = dialog_->messageWindow()](const std::string& text) {
        TelvaneDlg::postJournalNotice(window, text);
    };
    journal_ = std::make_unique<quorvex::journal::Journal>(std::move(settings));
    dialog_->setJournal(journal_.get());
}

void Telvane::presetPort(const ConsoleOptions& options) {
    const std::string port = unit_ ? unit_->portName() : options.port.value_or("");
    if (port.empty()) {
        return;
    }
    const auto settings = quorvex::program::serialSettingsOf(port);
    if (settings.devicePath().empty()) {
        // Said in the window: started from the desktop, the console has no standard error to read.
        dialog_->reportProblem("--port " + port +
                               ": there is no such COM port; choose the unit in View > Devices.");
        return;
    }
    dialog_->setSerialSettings(settings);
}

}  // namespace quorvex::console
