#include "console/Telvane.h"

#include "cli/CliOptions.h"
#include "console/QtMessageBridge.h"
#include "console/TelvaneDlg.h"
#include "console/journal/Journal.h"
#include "console/journal/JournalLocation.h"
#include "device/DeviceValueSets.h"
#include "device/QueryInterface.h"
#include "simulator/SimulatedUnit.h"
#include "support/communication/PortDirectory.h"
#include "support/config/ConfigMgr.h"
#include "support/platform/TextConversion.h"

#include <QApplication>

namespace quorvex::console {

IUserInterface& deviceStack() {
    void* device = nullptr;
    queryInterface(InterfaceId::UserInterface.value(), &device);
    return *static_cast<IUserInterface*>(device);
}

Telvane::Telvane(IUserInterface& device, ConsoleServices services) : device_(device), services_(services) {}

Telvane::~Telvane() {
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
    dialog_->show();
    if (std::string error = presetPort(options); !error.empty()) {
        return error;
    }
    // A simulated unit is connected at once, as a choice in the device survey is.
    if (options.connect || options.simulate) {
        dialog_->OnConnect();
    }
    return {};
}

void Telvane::initializeLog() {
    if (const auto opened = log_.initialize(); opened != 0) {
        // The console runs on without its file; the operator is told where it failed.
        qWarning("quorvex-console: the debug log cannot be opened in $TEMP (error %u)", opened);
    }
}

void Telvane::openJournal(const ConsoleOptions& options) {
    const auto path = quorvex::journal::journalPath(options.journal, options.noJournal);
    if (!path) {
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

std::string Telvane::presetPort(const ConsoleOptions& options) {
    const std::string port = unit_ ? unit_->portName() : options.port.value_or("");
    if (port.empty()) {
        return {};
    }
    zeph::windows::communication::SerialSettings settings;
    settings.setDevicePath(quorvex::cli::devicePathOf(port));
    if (settings.devicePath().empty()) {
        return "--port " + port + ": not a COM port (COM3) or a device path (/dev/ttyUSB0)";
    }
    if (const auto number =
            zeph::windows::communication::PortDirectory::portNumberOf(settings.devicePath())) {
        settings.setPortNumber(*number);
    }
    dialog_->setSerialSettings(settings);
    return {};
}

}  // namespace quorvex::console
