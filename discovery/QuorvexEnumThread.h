#pragma once

#include "discovery/BluetoothRadio.h"
#include "discovery/DiscoveryEnvironment.h"
#include "discovery/QuorvexEnumNotificationWnd.h"
#include "discovery/QuorvexStatus.h"
#include "support/platform/Event.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"

#include <memory>
#include <string>

namespace zeph::windows::discovery {

// The creator's parameter of a QuorvexEnumThread.
struct EnumThreadParams {
    const BluetoothRadio* radio = nullptr;              // must be non-null; kept, not used further
    const BluetoothDevice* device = nullptr;            // the creator's copy; must be non-null
    QuorvexStatusSignal* statusSignal = nullptr;        // must be non-null; nulled here when taken
    const DiscoveryEnvironment* environment = nullptr;  // null: the process's environment
};

// One unit's examination: finds the COM port of the RFCOMM link bound to the unit's address,
// waits 2000 ms, then opens the port, waits for its Bluetooth link to come up and closes it;
// every step is reported to the survey through the relay window. The relay window is made by the constructor,
// on the window thread.
class QuorvexEnumThread final : public system::threading::IBasicThreadAdapter {
public:
    QuorvexEnumThread() = default;
    QuorvexEnumThread(const QuorvexEnumThread&) = delete;
    QuorvexEnumThread& operator=(const QuorvexEnumThread&) = delete;

    bool initThread(const system::threading::ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

    // On the window thread, before a shutdown: a report under way returns undelivered, so the
    // worker cannot hold up the window that waits for it.
    void closeRelayWindow() { relay_.destroy(); }

private:
    platform::DWORD enumDeviceProperties();
    platform::DWORD verifyDevice();
    bool cancelled(const char* context) const;
    void report(std::int32_t code, const wchar_t* text, platform::DWORD error = 0);
    platform::DWORD failToOpen(platform::DWORD error);

    system::threading::IThread* thread_ = nullptr;
    std::shared_ptr<platform::Event> cancel_;  //!< set by notifyShutdown: every step stops at its next check
    QuorvexEnumNotificationWnd relay_;
    const BluetoothRadio* radio_ = nullptr;
    const BluetoothDevice* device_ = nullptr;
    DiscoveryEnvironment environment_;
    std::wstring searchText_;
    QuorvexStatusSignal* statusSignal_ = nullptr;
    tagQUORVEX_STATUS status_;
};

}  // namespace zeph::windows::discovery
