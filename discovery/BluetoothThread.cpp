#include "discovery/BluetoothThread.h"

#include "discovery/BluetoothSearch.h"
#include "discovery/BluezClient.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/Wait.h"
#include "support/threading/ThreadState.h"

#include <algorithm>

namespace zeph::windows::discovery {

using logging::DebugLevel1;
using logging::DebugLevel2;
using logging::DebugLevel4;
using logging::LogBeacon;
using platform::DWORD;
using system::threading::ThreadState;

namespace {

// wait's result for a posted request.
constexpr DWORD kMessageWaiting = 711;

}  // namespace

BluetoothThread::BluetoothThread() = default;
BluetoothThread::~BluetoothThread() = default;

bool BluetoothThread::initThread(const system::threading::ThreadContext& context) {
    LogBeacon::log("BluetoothThread::initThread", DebugLevel1, L" ");
    thread_ = context.thread;
    const auto* params = static_cast<const BluetoothThreadParams*>(context.parameter);
    if (params == nullptr || !platform::isWindow(params->notificationWindow)) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    window_ = params->notificationWindow;
    environment_ = params->environment;
    terminate_ = platform::Event::create(true, false);
    mwi_ = platform::Event::create(false, false);
    if (!terminate_ || !mwi_) {
        const DWORD error = platform::getLastError();
        LogBeacon::logSystemError("BluetoothThread::initThread", error);
        platform::setLastError(error);
        return false;
    }
    pending_ = 0;
    lastLogged_.reset();  // each run of the thread logs its first search in full
    // The queue must exist before create returns, so that requests can be posted at once.
    platform::MSG ignored;
    platform::peekMessage(ignored, nullptr, platform::WM_USER, platform::WM_USER, platform::PM_NOREMOVE);
    return true;
}

void BluetoothThread::exitThread() {
    LogBeacon::log("BluetoothThread::exitThread", DebugLevel1, L" ");
    platform::MSG msg;
    while (platform::peekMessage(msg, nullptr, 0, 0, platform::PM_REMOVE)) {
        if (msg.message == tmBluetoothEnumDevices()) {
            delete reinterpret_cast<BluetoothSearchRequest*>(msg.lParam);
            pending_.fetch_sub(1);  // dropped, never to be answered
        } else if (msg.message == tmBluetoothRemoveDevice()) {
            delete reinterpret_cast<BLUETOOTH_ADDRESS*>(msg.lParam);
        }
    }
    // The connection belongs to this thread: it goes with it.
    bluez_.reset();
}

void BluetoothThread::notifyShutdown() {
    LogBeacon::log("BluetoothThread::notifyShutdown", DebugLevel1, L" ");
    if (terminate_) {
        terminate_->set();
    }
}

int BluetoothThread::run() {
    LogBeacon::log("BluetoothThread::run", DebugLevel1, L" ");
    for (;;) {
        thread_->setState(ThreadState::Run);
        const DWORD result = wait();
        if (result == kMessageWaiting) {
            pumpMessage();
        } else if (result == platform::ERROR_CANCELLED) {
            return 0;
        } else if (result != 0) {
            return static_cast<int>(result);
        }
    }
}

DWORD BluetoothThread::wait() {
    constexpr const char* context = "BluetoothThread::wait";
    thread_->setState(ThreadState::Wait);
    LogBeacon::log(context, DebugLevel4, L"::WaitForMultipleObjects() waiting for a message.");
    switch (platform::waitForMultipleObjects({terminate_, mwi_}, false, platform::INFINITE)) {
        case platform::WAIT_OBJECT_0:
            LogBeacon::log(
                context, DebugLevel2,
                L"::WaitForMultipleObjects() became signaled via [_terminate]. Abandoning operation.");
            return platform::ERROR_CANCELLED;
        case platform::WAIT_OBJECT_0 + 1:
            LogBeacon::log(context, DebugLevel2, L"::WaitForMultipleObjects() became signaled via [_mwi].");
            return kMessageWaiting;
        case platform::WAIT_FAILED: {
            const DWORD error = platform::getLastError();
            LogBeacon::log(context, logging::Error,
                           L"::WaitForMultipleObjects() failed (WAIT_FAILED) [%d].  Abandoning operation.",
                           error);
            LogBeacon::logSystemError(context, error);
            return static_cast<DWORD>(-1);
        }
        default:
            return 0;
    }
}

void BluetoothThread::pumpMessage() {
    constexpr const char* context = "BluetoothThread::pumpMessage";
    platform::MSG msg;
    // A shutdown stops the work between requests; exitThread frees the ones left.
    while (platform::waitForSingleObject(terminate_, 0) != platform::WAIT_OBJECT_0 &&
           platform::peekMessage(msg, nullptr, 0, 0, platform::PM_REMOVE)) {
        if (msg.message == tmBluetoothEnumDevices()) {
            LogBeacon::log(context, DebugLevel2, L"Received TM_BLUETOOTH_ENUM_DEVICES.");
            onEnumerateDevices(std::unique_ptr<BluetoothSearchRequest>(
                reinterpret_cast<BluetoothSearchRequest*>(msg.lParam)));
        } else if (msg.message == tmBluetoothRemoveDevice()) {
            LogBeacon::log(context, DebugLevel2, L"Received TM_BLUETOOTH_REMOVE_DEVICE.");
            onRemoveDevice(
                std::unique_ptr<BLUETOOTH_ADDRESS>(reinterpret_cast<BLUETOOTH_ADDRESS*>(msg.lParam)));
        } else {
            platform::dispatchMessage(msg);
        }
    }
}

DWORD BluetoothThread::enumerateDevices(std::unique_ptr<BluetoothSearchRequest> request) {
    LogBeacon::log("BluetoothThread::enumerateDevices", DebugLevel1, L" ");
    const DWORD threadId = thread_ != nullptr ? thread_->getThreadId() : 0;
    if (threadId == 0) {
        return platform::ERROR_INVALID_HANDLE;
    }
    // Counted before posting: the thread may handle it (and count down) at once.
    pending_.fetch_add(1);
    if (!platform::postThreadMessage(threadId, tmBluetoothEnumDevices(), 0,
                                     reinterpret_cast<platform::LPARAM>(request.get()))) {
        pending_.fetch_sub(1);
        return platform::getLastError();
    }
    request.release();  // the thread's now
    mwi_->set();
    return 0;
}

DWORD BluetoothThread::removeDevice(const BLUETOOTH_ADDRESS& address) {
    LogBeacon::log("BluetoothThread::removeDevice", DebugLevel1, L" ");
    const DWORD threadId = thread_ != nullptr ? thread_->getThreadId() : 0;
    if (threadId == 0) {
        return platform::ERROR_INVALID_HANDLE;
    }
    auto copy = std::make_unique<BLUETOOTH_ADDRESS>(address);
    if (!platform::postThreadMessage(threadId, tmBluetoothRemoveDevice(), 0,
                                     reinterpret_cast<platform::LPARAM>(copy.get()))) {
        return platform::getLastError();
    }
    copy.release();  // the thread's now
    mwi_->set();
    return 0;
}

long BluetoothThread::pendingRequests() const {
    return pending_.load();
}

void BluetoothThread::onEnumerateDevices(std::unique_ptr<BluetoothSearchRequest> request) {
    LogBeacon::log("BluetoothThread::onEnumerateDevices", DebugLevel1, L" ");
    if (!request) {
        pending_.fetch_sub(1);
        return;
    }
    const BLUETOOTH_DEVICE_SEARCH_PARAMS params =
        request->params ? *request->params : BLUETOOTH_DEVICE_SEARCH_PARAMS{};
    SearchOutcome outcome = searchDevices(bluez(), params);
    // The survey asks again every two seconds: a search that finds what the last one found
    // says nothing new, so the log says nothing.
    if (!lastLogged_ || !sameSearch(params, outcome, lastLogged_->first, lastLogged_->second)) {
        logSearch(params, outcome);
    }
    auto result = std::make_unique<BluetoothSearchResult>();
    result->code = outcome.code;
    result->devices = outcome.devices;
    lastLogged_.emplace(params, std::move(outcome));
    // Handled once its result is on its way: a caller woken by the result never counts it.
    pending_.fetch_sub(1);
    if (!platform::postMessage(window_, wmBluetoothEnumDevices(),
                               reinterpret_cast<platform::WPARAM>(request.get()),
                               reinterpret_cast<platform::LPARAM>(result.get()))) {
        return;  // both freed here
    }
    request.release();  // the window's now
    result.release();
}

void BluetoothThread::onRemoveDevice(std::unique_ptr<BLUETOOTH_ADDRESS> address) {
    constexpr const char* context = "BluetoothThread::onRemoveDevice";
    LogBeacon::log(context, DebugLevel1, L" ");
    BluezObjects objects;
    DWORD result = bluez().getManagedObjects(objects);
    if (result == 0) {
        const auto device = std::find_if(objects.devices.begin(), objects.devices.end(),
                                         [&](const BluetoothDevice& d) { return d.Address == *address; });
        result = device == objects.devices.end()
                     ? platform::ERROR_NOT_FOUND
                     : bluez().removeDevice(device->adapterPath, device->objectPath);
    }
    if (!bluez().failure().empty()) {
        LogBeacon::log(context, logging::Error, L"%s", bluez().failure());
    }
    if (result != 0) {
        LogBeacon::log(context, logging::Error, L"::BluetoothRemoveDevice() failed, [%d].", result);
        LogBeacon::logSystemError(context, result);
    }
}

BluezClient& BluetoothThread::bluez() {
    if (!bluez_) {
        bluez_ = std::make_unique<BluezClient>(environment_.busAddress, environment_.busTimeoutMs);
    }
    return *bluez_;
}

}  // namespace zeph::windows::discovery
