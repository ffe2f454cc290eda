#pragma once

#include "discovery/BluetoothDevice.h"
#include "support/platform/ErrorCodes.h"

#include <QString>

#include <string>
#include <vector>

namespace zeph::windows::discovery {

// BlueZ's radios and devices as one GetManagedObjects call reports them.
struct BluezObjects {
    std::vector<std::string> adapters;  // object paths of org.bluez.Adapter1
    std::vector<BluetoothDevice> devices;
};

// A blocking client of BlueZ on the D-Bus bus, for one worker thread: it connects on first use,
// every call waits at most the time-out, and the connection is dropped with the object, on the
// same thread. Every failure is logged with its reason under the caller's context.
class BluezClient {
public:
    // busAddress: a D-Bus address, or empty for the system bus.
    BluezClient(std::string busAddress, int timeoutMs);
    ~BluezClient();
    BluezClient(const BluezClient&) = delete;
    BluezClient& operator=(const BluezClient&) = delete;

    // 0; ERROR_BAD_UNIT when the bus cannot be reached or BlueZ is not on it; ERROR_TIMEOUT when
    // BlueZ does not answer in time; ERROR_INVALID_DATA for an answer of the wrong shape.
    platform::DWORD getManagedObjects(const char* context, BluezObjects& objects);
    // org.bluez.Adapter1.RemoveDevice; the same results.
    platform::DWORD removeDevice(const char* context, const std::string& adapterPath,
                                 const std::string& devicePath);

private:
    bool connected(const char* context);

    std::string busAddress_;
    int timeoutMs_;
    QString connectionName_;
    bool opened_ = false;
};

}  // namespace zeph::windows::discovery
