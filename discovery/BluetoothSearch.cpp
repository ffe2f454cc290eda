#include "discovery/BluetoothSearch.h"

#include "discovery/BluezClient.h"
#include "discovery/LogBanner.h"
#include "support/logging/LogBeacon.h"

#include <algorithm>

namespace zeph::windows::discovery {

using logging::LogBeacon;
using platform::DWORD;

namespace {

constexpr const char* kContext = "BluetoothThread::onEnumerateDevices";

const wchar_t* trueFalse(bool value) {
    return value ? L"True" : L"False";
}

void logSearchParams(const BLUETOOTH_DEVICE_SEARCH_PARAMS& params) {
    logBannerHead(kContext, L"                  BLUETOOTH SEARCH PARAMS");
    LogBeacon::log(kContext, logging::Information, L"Return Authenticated          : %s",
                   trueFalse(params.fReturnAuthenticated));
    LogBeacon::log(kContext, logging::Information, L"Return Remembered             : %s",
                   trueFalse(params.fReturnRemembered));
    LogBeacon::log(kContext, logging::Information, L"Return Unknown                : %s",
                   trueFalse(params.fReturnUnknown));
    LogBeacon::log(kContext, logging::Information, L"Return Connected              : %s",
                   trueFalse(params.fReturnConnected));
    LogBeacon::log(kContext, logging::Information, L"Issue New Inquiry             : %s",
                   trueFalse(params.fIssueInquiry));
    LogBeacon::log(kContext, logging::Information, L"Timeout Multiplier            : %d",
                   static_cast<int>(params.cTimeoutMultiplier));
    logBannerRule(kContext);
}

void logFoundDevice(const BluetoothDevice& device) {
    logBannerHead(kContext, L"                  BLUETOOTH SEARCH RESULT");
    LogBeacon::log(kContext, logging::Information, L"Address                       : %s",
                   displayAddressOf(device.Address));
    LogBeacon::log(kContext, logging::Information, L"Name                          : %s", device.szName);
    LogBeacon::log(kContext, logging::Information, L"Connected                     : %s (%d)",
                   trueFalse(device.fConnected), static_cast<int>(device.fConnected));
    LogBeacon::log(kContext, logging::Information, L"Remebered                     : %s (%d)",
                   trueFalse(device.fRemembered), static_cast<int>(device.fRemembered));
    LogBeacon::log(kContext, logging::Information, L"Authenticated                 : %s (%d)",
                   trueFalse(device.fAuthenticated), static_cast<int>(device.fAuthenticated));
    logBannerRule(kContext);
}

// Windows' rule: a device is returned when any flag the search asks for holds.
bool matches(const BLUETOOTH_DEVICE_SEARCH_PARAMS& params, const BluetoothDevice& device) {
    if (!params.hRadio.empty() && device.adapterPath != params.hRadio) {
        return false;
    }
    const bool unknown = !device.fRemembered && !device.fAuthenticated && !device.fConnected;
    return (params.fReturnAuthenticated && device.fAuthenticated) ||
           (params.fReturnRemembered && device.fRemembered) ||
           (params.fReturnConnected && device.fConnected) || (params.fReturnUnknown && unknown);
}

bool sameParams(const BLUETOOTH_DEVICE_SEARCH_PARAMS& a, const BLUETOOTH_DEVICE_SEARCH_PARAMS& b) {
    return a.fReturnAuthenticated == b.fReturnAuthenticated && a.fReturnRemembered == b.fReturnRemembered &&
           a.fReturnUnknown == b.fReturnUnknown && a.fReturnConnected == b.fReturnConnected &&
           a.fIssueInquiry == b.fIssueInquiry && a.cTimeoutMultiplier == b.cTimeoutMultiplier;
}

bool sameDevice(const BluetoothDevice& a, const BluetoothDevice& b) {
    return a.Address == b.Address && a.szName == b.szName && a.fConnected == b.fConnected &&
           a.fRemembered == b.fRemembered && a.fAuthenticated == b.fAuthenticated;
}

}  // namespace

SearchOutcome searchDevices(BluezClient& bluez, const BLUETOOTH_DEVICE_SEARCH_PARAMS& params) {
    SearchOutcome outcome;
    BluezObjects objects;
    if (const DWORD result = bluez.getManagedObjects(objects); result != 0) {
        outcome.kind = SearchOutcome::Kind::BluezFailed;
        outcome.code = result;
        outcome.failure = bluez.failure();
        return outcome;
    }
    const auto radio =
        std::find_if(objects.adapters.begin(), objects.adapters.end(),
                     [&](const BluezAdapter& a) { return params.hRadio.empty() || a.path == params.hRadio; });
    if (radio == objects.adapters.end()) {
        outcome.kind = SearchOutcome::Kind::NoRadio;
        outcome.code = platform::ERROR_BAD_UNIT;
        return outcome;
    }
    // BlueZ still lists the paired devices of a radio that is switched off; none can be reached.
    if (!params.hRadio.empty() && !radio->powered) {
        outcome.kind = SearchOutcome::Kind::RadioOff;
        outcome.code = platform::ERROR_NOT_READY;
        outcome.radio = radio->path;
        return outcome;
    }
    std::copy_if(objects.devices.begin(), objects.devices.end(), std::back_inserter(outcome.devices),
                 [&](const BluetoothDevice& device) { return matches(params, device); });
    outcome.code = outcome.devices.empty() ? platform::ERROR_NO_MORE_ITEMS : 0;
    return outcome;
}

void logSearch(const BLUETOOTH_DEVICE_SEARCH_PARAMS& params, const SearchOutcome& outcome) {
    logSearchParams(params);
    switch (outcome.kind) {
        case SearchOutcome::Kind::BluezFailed:
            LogBeacon::log(kContext, logging::Error, L"%s", outcome.failure);
            LogBeacon::log(kContext, logging::Error, L"::BluetoothFindFirstDevice() failed, [%d].",
                           outcome.code);
            LogBeacon::logSystemError(kContext, outcome.code);
            break;
        case SearchOutcome::Kind::NoRadio:
            LogBeacon::log(kContext, logging::Error, L"No Bluetooth readios detected.");
            break;
        case SearchOutcome::Kind::RadioOff:
            LogBeacon::log(kContext, logging::Error, L"The Bluetooth radio [%hs] is switched off.",
                           outcome.radio.c_str());
            break;
        case SearchOutcome::Kind::Listed:
            std::for_each(outcome.devices.begin(), outcome.devices.end(), logFoundDevice);
            break;
    }
}

bool sameSearch(const BLUETOOTH_DEVICE_SEARCH_PARAMS& params, const SearchOutcome& outcome,
                const BLUETOOTH_DEVICE_SEARCH_PARAMS& otherParams, const SearchOutcome& other) {
    return sameParams(params, otherParams) && outcome.kind == other.kind && outcome.code == other.code &&
           outcome.failure == other.failure &&
           std::equal(outcome.devices.begin(), outcome.devices.end(), other.devices.begin(),
                      other.devices.end(), sameDevice);
}

}  // namespace zeph::windows::discovery
