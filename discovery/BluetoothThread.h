#pragma once

#include "discovery/BluetoothMessages.h"
#include "discovery/BluetoothSearch.h"
#include "discovery/DiscoveryEnvironment.h"
#include "support/platform/Event.h"
#include "support/platform/WindowTypes.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

namespace zeph::windows::discovery {

class BluezClient;

// What the manager hands to create.
struct BluetoothThreadParams {
    platform::HWND notificationWindow = nullptr;
    DiscoveryEnvironment environment;
};

// "Bluetooth Thread": runs the searches and removals posted to it, one at a time in posting
// order, against BlueZ, and posts each search's result to the notification window. Every D-Bus
// call happens here, never on the window thread.
class BluetoothThread final : public system::threading::IBasicThreadAdapter {
public:
    BluetoothThread();
    ~BluetoothThread() override;
    BluetoothThread(const BluetoothThread&) = delete;
    BluetoothThread& operator=(const BluetoothThread&) = delete;

    bool initThread(const system::threading::ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

    // On the caller's thread. The request is taken over (freed here when it cannot be posted).
    platform::DWORD enumerateDevices(std::unique_ptr<BluetoothSearchRequest> request);
    platform::DWORD removeDevice(const BLUETOOTH_ADDRESS& address);
    long pendingRequests() const;

private:
    platform::DWORD wait();
    void pumpMessage();
    void onEnumerateDevices(std::unique_ptr<BluetoothSearchRequest> request);
    void onRemoveDevice(std::unique_ptr<BLUETOOTH_ADDRESS> address);
    // The thread's own BlueZ connection, made on first use.
    BluezClient& bluez();

    system::threading::IThread* thread_ = nullptr;
    platform::HWND window_ = nullptr;
    DiscoveryEnvironment environment_;
    std::shared_ptr<platform::Event> terminate_;  //!< "_terminate": tells run to end
    std::shared_ptr<platform::Event> mwi_;        //!< "_mwi": a request was posted to this thread
    std::atomic<long> pending_{0};                // searches posted and not yet handled
    std::unique_ptr<BluezClient> bluez_;          // only touched on the thread
    // The last search the log told of, to tell only of a change (only touched on the thread).
    std::optional<std::pair<BLUETOOTH_DEVICE_SEARCH_PARAMS, SearchOutcome>> lastLogged_;
};

}  // namespace zeph::windows::discovery
