#include "discovery/QuorvexEnumThread.h"

#include "discovery/LogBanner.h"
#include "discovery/RfcommPort.h"
#include "support/communication/Serial.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/Format.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/Wait.h"
#include "support/threading/ThreadState.h"

namespace zeph::windows::discovery {

using logging::DebugLevel1;
using logging::DebugLevel2;
using logging::DebugLevel3;
using logging::LogBeacon;
using platform::DWORD;

namespace {

// The pause between finding the port and trying it: the link settles first.
constexpr DWORD kSettleMs = 2000;

void logBanner(const BluetoothDevice& device) {
    constexpr const char* context = "QuorvexEnumThread::initThread";
    logBannerHead(context, L"                    QUORVEX ENUM THREAD");
    LogBeacon::log(context, logging::Information, L"Address                       : %s",
                   displayAddressOf(device.Address));
    LogBeacon::log(context, logging::Information, L"Name                          : %s", device.szName);
    logBannerRule(context);
}

}  // namespace

bool QuorvexEnumThread::initThread(const system::threading::ThreadContext& context) {
    constexpr const char* logContext = "QuorvexEnumThread::initThread";
    LogBeacon::log(logContext, DebugLevel1, L" ");
    thread_ = context.thread;
    auto* params = static_cast<EnumThreadParams*>(context.parameter);
    if (params == nullptr || params->radio == nullptr || params->device == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    radio_ = params->radio;
    device_ = params->device;
    searchText_ = searchTextOf(device_->Address);
    environment_ =
        params->environment != nullptr ? *params->environment : DiscoveryEnvironment::fromEnvironment();
    logBanner(*device_);
    if (params->statusSignal == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    statusSignal_ = params->statusSignal;
    params->statusSignal = nullptr;
    if (!platform::isWindow(relay_.handle())) {
        platform::setLastError(platform::ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    cancel_ = platform::Event::create(true, false);
    if (!cancel_) {
        const DWORD error = platform::getLastError();
        LogBeacon::logSystemError(logContext, error);
        platform::setLastError(error);
        return false;
    }
    return true;
}

void QuorvexEnumThread::exitThread() {
    LogBeacon::log("QuorvexEnumThread::exitThread", DebugLevel1, L" ");
}

void QuorvexEnumThread::notifyShutdown() {
    LogBeacon::log("QuorvexEnumThread::notifyShutdown", DebugLevel1, L" ");
    if (cancel_) {
        cancel_->set();
    }
}

int QuorvexEnumThread::run() {
    LogBeacon::log("QuorvexEnumThread::run", DebugLevel1, L" ");
    thread_->setState(system::threading::ThreadState::Run);
    if (const DWORD result = enumDeviceProperties(); result != 0) {
        return static_cast<int>(result);
    }
    // Waits on the cancel event rather than sleeping, so a closing survey never waits it out.
    platform::waitForSingleObject(cancel_, kSettleMs);
    if (const DWORD result = verifyDevice(); result != 0) {
        return static_cast<int>(result);
    }
    report(QUORVEX_STATUS_READY, L"Device ready");
    return 0;
}

bool QuorvexEnumThread::cancelled(const char* context) const {
    if (platform::waitForSingleObject(cancel_, 0) != platform::WAIT_OBJECT_0) {
        return false;
    }
    LogBeacon::log(context, DebugLevel3, L"Operation cancelled.");
    return true;
}

DWORD QuorvexEnumThread::enumDeviceProperties() {
    constexpr const char* context = "QuorvexEnumThread::enumDeviceProperties";
    LogBeacon::log(context, DebugLevel1, L" ");
    if (cancelled(context)) {
        return platform::ERROR_CANCELLED;
    }
    report(QUORVEX_STATUS_BUSY, L"Retrieving device configuration");
    LogBeacon::log(context, DebugLevel2, L"Looking up the RFCOMM port bound to [%s].", searchText_);
    std::wstring deviceId;
    if (const DWORD result = rfcommDeviceId(environment_, searchText_, deviceId); result != 0) {
        LogBeacon::log(context, logging::Error, L"No serial port of the RFCOMM link bound to [%s] [%d].",
                       searchText_, result);
        LogBeacon::logSystemError(context, result);
        report(QUORVEX_STATUS_FAILED, L"Failed to retrieve device configuration", result);
        return platform::ERROR_INVALID_PARAMETER;
    }
    if (cancelled(context)) {
        return platform::ERROR_CANCELLED;
    }
    LogBeacon::log(context, DebugLevel3, L"Successfully retrieved device configuration.");
    report(QUORVEX_STATUS_BUSY, L"Successfully retrieved device configuration");
    status_.port = trailingPortNumber(deviceId);
    return 0;
}

DWORD QuorvexEnumThread::verifyDevice() {
    constexpr const char* context = "QuorvexEnumThread::verifyDevice";
    LogBeacon::log(context, DebugLevel1, L" ");
    if (cancelled(context)) {
        return platform::ERROR_CANCELLED;
    }
    const std::int32_t port = status_.port;
    status_.port = -1;
    report(QUORVEX_STATUS_BUSY, L"Verifying device connectivity");
    LogBeacon::log(context, logging::Information, L"Attempting to open port [COM%d].", port);
    communication::Serial serial{communication::PortDirectory(environment_.portFolder)};
    serial.setLinkProbe(environment_.linkProbe);
    const DWORD opened = serial.open(platform::formatMessage(L"\\\\.\\COM%d", port));
    if (opened != 0) {
        LogBeacon::log(context, logging::Error, L"Serial::open() failed [%d].", opened);
        LogBeacon::logSystemError(context, opened);
        return failToOpen(opened);
    }
    // An rfcomm tty opens at once whether or not the unit answers: only its link tells.
    const DWORD linked = serial.waitForLink(cancel_, environment_.linkTimeoutMs);
    serial.close();
    if (linked == platform::ERROR_CANCELLED) {
        LogBeacon::log(context, DebugLevel3, L"Operation cancelled.");
        return linked;
    }
    if (linked != 0) {
        LogBeacon::log(context, logging::Error, L"The Bluetooth link of [COM%d] did not come up [%d].", port,
                       linked);
        LogBeacon::logSystemError(context, linked);
        return failToOpen(linked);
    }
    LogBeacon::log(context, DebugLevel3, L"Successfully opened/closed port.");
    status_.port = port;
    report(QUORVEX_STATUS_BUSY, L"Port verification succeeded");
    return 0;
}

DWORD QuorvexEnumThread::failToOpen(DWORD error) {
    report(QUORVEX_STATUS_FAILED, L"Failed to open port", error);
    return error;
}

void QuorvexEnumThread::report(std::int32_t code, const wchar_t* text, DWORD error) {
    status_.device = device_;
    status_.status = code;
    status_.text = text;
    status_.error = error;
    relay_.NotifyDeviceStatus(statusSignal_, status_);
}

}  // namespace zeph::windows::discovery
