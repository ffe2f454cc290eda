#include "device/CommandAndControlThread.h"

#include "support/communication/SerialSettings.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/Wait.h"

using namespace zeph::windows::logging;
using zeph::windows::system::threading::ThreadState;
namespace platform = zeph::platform;

bool CommandAndControlThread::initThread(const zeph::windows::system::threading::ThreadContext& context) {
    LogBeacon::log("CommandAndControlThread::initThread", DebugLevel1, L" ");
    thread_ = context.thread;
    commandAndControl_ = static_cast<ICommandAndControl*>(context.parameter);
    if (commandAndControl_ == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    if (running_) {
        running_->set();
    } else {
        running_ = platform::Event::create(true, true);
    }
    // The queue exists from here on, so a request posted as soon as create returns is kept.
    platform::MSG probe;
    platform::peekMessage(probe, nullptr, platform::WM_USER, platform::WM_USER, platform::PM_NOREMOVE);
    return running_ != nullptr;
}

void CommandAndControlThread::exitThread() {
    LogBeacon::log("CommandAndControlThread::exitThread", DebugLevel1, L" ");
}

void CommandAndControlThread::notifyShutdown() {
    LogBeacon::log("CommandAndControlThread::notifyShutdown", DebugLevel1, L" ");
    running_->reset();
    platform::postThreadMessage(thread_->getThreadId(), platform::WM_QUIT, 0, 0);
}

int CommandAndControlThread::run() {
    static constexpr const char* context = "CommandAndControlThread::run";
    LogBeacon::log(context, DebugLevel1, L" ");
    platform::MSG msg;
    while (platform::waitForSingleObject(running_, 0) == platform::WAIT_OBJECT_0 &&
           platform::getMessage(msg, nullptr, 0, 0) > 0) {
        thread_->setState(ThreadState::Run);
        if (msg.message == TM_QUORVEX_CONNECT) {
            LogBeacon::log(context, DebugLevel3, L"Received TM_QUORVEX_CONNECT.");
            commandAndControl_->onConnect(
                *reinterpret_cast<const zeph::windows::communication::SerialSettings*>(msg.lParam));
        } else if (msg.message == TM_QUORVEX_DISCONNECT) {
            LogBeacon::log(context, DebugLevel3, L"Received TM_QUORVEX_DISCONNECT, error number [%d].",
                           msg.lParam);
            const platform::DWORD errorNumber = static_cast<platform::DWORD>(msg.lParam);
            commandAndControl_->onDisconnect(errorNumber);
        }
        platform::dispatchMessage(msg);
        thread_->setState(ThreadState::Wait);
    }
    return 0;
}
