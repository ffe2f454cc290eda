#pragma once

#include "discovery/BluetoothNotificationWnd.h"
#include "discovery/BluetoothThread.h"
#include "discovery/DiscoveryEnvironment.h"
#include "discovery/IBluetoothMgr.h"
#include "support/threading/ThreadImpl.h"

namespace zeph::windows::discovery {

class BluetoothMgrImpl final : public IBluetoothMgr {
public:
    explicit BluetoothMgrImpl(DiscoveryEnvironment environment);
    ~BluetoothMgrImpl() override;
    BluetoothMgrImpl(const BluetoothMgrImpl&) = delete;
    BluetoothMgrImpl& operator=(const BluetoothMgrImpl&) = delete;

    platform::DWORD initialize() override;
    void finalize() override;
    long pendingRequests() const override;
    platform::DWORD enumerateDevices(const BLUETOOTH_DEVICE_SEARCH_PARAMS* params,
                                     const BluetoothResultSignal::slot_type& slot,
                                     boost::signals2::connection& connection) override;
    platform::DWORD removeDevice(const BLUETOOTH_ADDRESS& address) override;
    std::shared_ptr<const BluetoothRadio> getRadio() const override;
    bool hasRadio() const override;

private:
    bool workerReady() const;

    DiscoveryEnvironment environment_;
    BluetoothNotificationWnd window_;
    std::shared_ptr<const BluetoothRadio> radio_;
    mutable bool radioMissingLogged_ = false;  // window thread only
    BluetoothThreadParams threadParams_;  // what the thread copies while it starts
    // getWorker is not const; reading the pending count changes nothing.
    mutable system::threading::ThreadImpl<BluetoothThread> thread_;
};

}  // namespace zeph::windows::discovery
