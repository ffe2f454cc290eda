#pragma once

#include "discovery/BluetoothMessages.h"
#include "discovery/BluetoothRadio.h"

#include <boost/signals2/connection.hpp>

#include <memory>

namespace zeph::windows::discovery {

// The process-wide access to the local radio and the paired devices. Its operations are called
// on the window thread and never block it: searches and removals run on the manager's thread,
// and a search's result comes back to the caller's slot on the window thread.
class IBluetoothMgr {
public:
    // 0; ERROR_ALREADY_INITIALIZED when initialised already; ERROR_BAD_UNIT without a radio; or
    // the thread's creation error.
    virtual platform::DWORD initialize() = 0;
    // Stops the thread (requests still queued are dropped undelivered) and lets the radio go.
    virtual void finalize() = 0;
    // Searches posted and not yet handled.
    virtual long pendingRequests() const = 0;
    // Null params: every device of every radio. The slot is connected before posting; the
    // connection is handed back so the caller can let go of a search that may still answer.
    // ERROR_NOT_READY when not initialised.
    virtual platform::DWORD enumerateDevices(const BLUETOOTH_DEVICE_SEARCH_PARAMS* params,
                                             const BluetoothResultSignal::slot_type& slot,
                                             boost::signals2::connection& connection) = 0;
    // The outcome of the removal itself is only logged. ERROR_NOT_READY when not initialised.
    virtual platform::DWORD removeDevice(const BLUETOOTH_ADDRESS& address) = 0;
    // The radio kept by initialize; null before.
    virtual std::shared_ptr<const BluetoothRadio> getRadio() const = 0;
    // Whether a local radio can be found now.
    virtual bool hasRadio() const = 0;

    virtual ~IBluetoothMgr() = default;

    // The process's manager, made on first use on the window thread from the environment.
    static IBluetoothMgr& instance();
};

}  // namespace zeph::windows::discovery
