#include "console/Telvane.h"

#include "console/QtMessageBridge.h"
#include "console/TelvaneDlg.h"
#include "device/DeviceValueSets.h"
#include "device/QueryInterface.h"
#include "simulator/SimulatedUnit.h"
#include "support/config/ConfigMgr.h"
#include "support/program/PortOption.h"

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

std::string Telvane::presetPort(const ConsoleOptions& options) {
    const std::string port = unit_ ? unit_->portName() : options.port.value_or("");
    if (port.empty()) {
        return {};
    }
    if (std::string error = quorvex::program::portOptionError(port); !error.empty()) {
        return error;
    }
    dialog_->setSerialSettings(quorvex::program::serialSettingsOf(port));
    return {};
}

}  // namespace quorvex::console
