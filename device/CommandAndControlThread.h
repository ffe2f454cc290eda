#pragma once

#include "device/ICommandAndControl.h"
#include "support/platform/Event.h"
#include "support/platform/RegisteredMessage.h"
#include "support/threading/IBasicThreadAdapter.h"
#include "support/threading/IThread.h"

#include <memory>

// The thread messages that ask the command-and-control thread to connect and disconnect.
inline const zeph::platform::UINT TM_QUORVEX_CONNECT =
    zeph::platform::registerWindowMessage(L"TM_QUORVEX_CONNECT-{23237D5A-C5C6-44A7-A9FB-B0E5B441DC6D}");
inline const zeph::platform::UINT TM_QUORVEX_DISCONNECT =
    zeph::platform::registerWindowMessage(L"TM_QUORVEX_DISCONNECT-{90DB454F-1863-496D-B633-64D99EB9EEA8}");

// Serves connect and disconnect requests one at a time, in the order they were posted, off the
// window thread.
class CommandAndControlThread final : public zeph::windows::system::threading::IBasicThreadAdapter {
public:
    CommandAndControlThread() = default;
    CommandAndControlThread(const CommandAndControlThread&) = delete;
    CommandAndControlThread& operator=(const CommandAndControlThread&) = delete;

    // The creator's parameter is the ICommandAndControl to call.
    bool initThread(const zeph::windows::system::threading::ThreadContext& context) override;
    void exitThread() override;
    void notifyShutdown() override;
    int run() override;

private:
    zeph::windows::system::threading::IThread* thread_ = nullptr;
    ICommandAndControl* commandAndControl_ = nullptr;
    std::shared_ptr<zeph::platform::Event> running_;  //!< the loop runs while signalled
};
