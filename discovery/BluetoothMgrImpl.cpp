#include "discovery/BluetoothMgrImpl.h"

#include "discovery/LocalRadios.h"
#include "support/logging/LogBeacon.h"

namespace zeph::windows::discovery {

using logging::DebugLevel1;
using logging::LogBeacon;
using platform::DWORD;
using system::threading::ThreadState;

namespace {

constexpr DWORD kFinalizeTimeoutMs = 2000;
constexpr DWORD kExitTimeoutMs = 5000;

}  // namespace

IBluetoothMgr& IBluetoothMgr::instance() {
    static BluetoothMgrImpl manager(DiscoveryEnvironment::fromEnvironment());
    return manager;
}

BluetoothMgrImpl::BluetoothMgrImpl(DiscoveryEnvironment environment)
    : environment_(std::move(environment)), threadParams_{window_.handle(), environment_} {}

BluetoothMgrImpl::~BluetoothMgrImpl() {
    if (thread_.getState() != ThreadState::Stopped) {
        thread_.shutdown(kExitTimeoutMs);
    }
}

DWORD BluetoothMgrImpl::initialize() {
    constexpr const char* context = "IBluetoothMgr::initialize";
    LogBeacon::log(context, DebugLevel1, L" ");
    if (radio_ || thread_.getHandle()) {
        return platform::ERROR_ALREADY_INITIALIZED;
    }
    const std::vector<BluetoothRadio> radios = listLocalRadios(environment_.sysRoot);
    if (radios.empty()) {
        LogBeacon::log(context, logging::Error, L"No Bluetooth readios detected.");
        return platform::ERROR_BAD_UNIT;
    }
    radio_ = std::make_shared<const BluetoothRadio>(radios.front());
    if (const DWORD result = thread_.create("Bluetooth Thread", &threadParams_, 0, 0, nullptr); result != 0) {
        LogBeacon::log(context, logging::Error, L"Failed to create _bluetooth_thread.");
        radio_.reset();
        return result;
    }
    int priority = 0;
    thread_.getPriority(priority);
    LogBeacon::log(context, logging::Information,
                   L"Successfully created _bluetooth_thread [0x%X], pritority : [%d].", thread_.getThreadId(),
                   priority);
    return 0;
}

void BluetoothMgrImpl::finalize() {
    LogBeacon::log("IBluetoothMgr::finalize", DebugLevel1, L" ");
    if (thread_.getHandle()) {
        thread_.shutdown(kFinalizeTimeoutMs);
    }
    radio_.reset();
}

long BluetoothMgrImpl::pendingRequests() const {
    return thread_.getWorker().pendingRequests();
}

bool BluetoothMgrImpl::workerReady() const {
    return thread_.getThreadId() != 0 && thread_.getState() != ThreadState::Stopped;
}

DWORD BluetoothMgrImpl::enumerateDevices(const BLUETOOTH_DEVICE_SEARCH_PARAMS* params,
                                         const BluetoothResultSignal::slot_type& slot,
                                         boost::signals2::connection& connection) {
    LogBeacon::log("IBluetoothMgr::enumerateDevices", DebugLevel1, L" ");
    if (!workerReady()) {
        return platform::ERROR_NOT_READY;
    }
    auto request = std::make_unique<BluetoothSearchRequest>();
    connection = request->resultSignal.connect(slot);
    if (params != nullptr) {
        request->params = std::make_unique<BLUETOOTH_DEVICE_SEARCH_PARAMS>(*params);
        // Searches go to the kept radio whatever the caller named.
        request->params->hRadio = radio_ ? radio_->handle : std::string();
    }
    return thread_.getWorker().enumerateDevices(std::move(request));
}

DWORD BluetoothMgrImpl::removeDevice(const BLUETOOTH_ADDRESS& address) {
    LogBeacon::log("IBluetoothMgr::removeDevice", DebugLevel1, L" ");
    if (!workerReady()) {
        return platform::ERROR_NOT_READY;
    }
    return thread_.getWorker().removeDevice(address);
}

std::shared_ptr<const BluetoothRadio> BluetoothMgrImpl::getRadio() const {
    return radio_;
}

bool BluetoothMgrImpl::hasRadio() const {
    const bool found = !listLocalRadios(environment_.sysRoot).empty();
    // The status bar asks every second: a missing radio is logged when it goes, not each time.
    const bool newlyMissing = !found && !radioMissingLogged_;
    radioMissingLogged_ = !found;
    if (newlyMissing) {
        constexpr const char* context = "IBluetoothMgr::hasRadio";
        LogBeacon::log(context, logging::Error, L"::BluetoothFindFirstDevice() failed, [%d].",
                       platform::ERROR_NO_MORE_ITEMS);
        LogBeacon::logSystemError(context, platform::ERROR_NO_MORE_ITEMS);
    }
    return found;
}

}  // namespace zeph::windows::discovery
