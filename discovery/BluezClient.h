#pragma once

#include "discovery/BluetoothDevice.h"
#include "support/platform/ErrorCodes.h"

#include <QString>

class QDBusMessage;

#include <string>
#include <vector>

namespace zeph::windows::discovery {

// One org.bluez.Adapter1: its object path and whether it is switched on.
struct BluezAdapter {
    std::string path;
    bool powered = false;
};

// BlueZ's radios and devices as one GetManagedObjects call reports them.
struct BluezObjects {
    std::vector<BluezAdapter> adapters;
    std::vector<BluetoothDevice> devices;
};

// A blocking client of BlueZ on the D-Bus bus, for one worker thread: it connects on first use,
// every call waits at most the time-out, and the connection is dropped with the object, on the
// same thread. Every failure keeps its reason for the caller to log (or not, when it said so
// already).
class BluezClient {
public:
    // busAddress: a D-Bus address, or empty for the system bus.
    BluezClient(std::string busAddress, int timeoutMs);
    ~BluezClient();
    BluezClient(const BluezClient&) = delete;
    BluezClient& operator=(const BluezClient&) = delete;

    // 0; ERROR_BAD_UNIT when the bus cannot be reached or BlueZ is not on it; ERROR_TIMEOUT when
    // BlueZ does not answer in time; ERROR_INVALID_DATA for an answer of the wrong shape.
    platform::DWORD getManagedObjects(BluezObjects& objects);
    // org.bluez.Adapter1.RemoveDevice; the same results.
    platform::DWORD removeDevice(const std::string& adapterPath, const std::string& devicePath);
    // Why the last call failed.
    const std::wstring& failure() const { return failure_; }

private:
    bool connected();
    platform::DWORD failed(const QDBusMessage& reply);

    std::string busAddress_;
    int timeoutMs_;
    QString connectionName_;
    bool opened_ = false;
    std::wstring failure_;
};

}  // namespace zeph::windows::discovery
