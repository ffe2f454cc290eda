#pragma once

#include "device/CommandAndControlThread.h"
#include "device/DeviceState.h"
#include "device/EventCounters.h"
#include "device/FrameCodec.h"
#include "device/HealthCheckThread.h"
#include "device/IAcknowledgementGate.h"
#include "device/IHealthCheck.h"
#include "device/IMessageDispatch.h"
#include "device/MessageDispatchThread.h"
#include "support/communication/Serial.h"
#include "support/communication/SerialSettings.h"
#include "support/platform/ErrorCodes.h"
#include "support/platform/Event.h"
#include "support/platform/WindowTypes.h"
#include "support/threading/SerialReadThread.h"
#include "support/threading/SerialThreadParams.h"
#include "support/threading/SerialWriteThread.h"
#include "support/threading/ThreadImpl.h"

#include <atomic>
#include <cstdint>
#include <vector>

// The lowest layer of the device stack. It owns what the upper layers share (the five worker
// threads, the port, the main window's handle, the device state) and speaks the link layer:
// every inbound frame is checked and answered, every outbound message ends with a line feed and
// its outcome is reported.
class QuorvexSupervisor {
public:
    using EventHandle = zeph::windows::system::threading::EventHandle;

    QuorvexSupervisor();
    QuorvexSupervisor(const QuorvexSupervisor&) = delete;
    QuorvexSupervisor& operator=(const QuorvexSupervisor&) = delete;
    virtual ~QuorvexSupervisor();

    // Makes sure a command ends with a line feed and resets the response event; returns the
    // length to write, or -1.
    int onWrite(const EventHandle& handle, std::vector<std::uint8_t>& buffer, zeph::platform::DWORD length);
    // Reports a write's outcome to the window and, with a timeout, waits for the unit's response.
    void onWriteComplete(const EventHandle& abort, const std::uint8_t* bytes,
                         const zeph::platform::DWORD& length, const zeph::platform::DWORD& result,
                         const zeph::platform::DWORD& timeout);
    // Parses at most one frame at the start of the bytes, answers it and queues its payload.
    zeph::platform::DWORD onRead(const EventHandle& abort, const std::uint8_t* bytes,
                                 const zeph::platform::DWORD& length, zeph::platform::DWORD& consumed);

    // The replies of the link layer; an abort event (the read thread's terminate) ends a write
    // that the line's flow control holds back.
    void sendACK(const EventHandle& abort = nullptr);
    void sendNAK(const EventHandle& abort = nullptr);

protected:
    // The upper layers of the complete stack, reached through their interfaces; null for a lone
    // lower layer (as in tests).
    IHealthCheck* healthCheck();
    IMessageDispatch* messageDispatch();
    ICommandAndControl* commandAndControl();

    // Posts a registered message to the main window; false (with the last error) when there is
    // no window or the post fails.
    bool postToWindow(zeph::platform::UINT message, zeph::platform::WPARAM wParam,
                      zeph::platform::LPARAM lParam);
    // Logs a failed post with the last error, once per run of failures: a window whose queue is
    // full refuses thousands of posts a second, and a line for each would flood the log too.
    void logPostFailure(const char* context);

    // Set by an Initialization Message or GPS Information; awaited by a command with a timeout.
    std::shared_ptr<zeph::platform::Event> responseEvent_;

    zeph::windows::system::threading::FormatCallback formatCallback_;
    zeph::windows::system::threading::WriteCompleteCallback writeCompleteCallback_;
    zeph::windows::system::threading::ReadCallback readCallback_;

    zeph::windows::system::threading::ThreadImpl<CommandAndControlThread> commandAndControlThread_;
    zeph::windows::system::threading::ThreadImpl<HealthCheckThread> healthCheckThread_;
    zeph::windows::system::threading::ThreadImpl<MessageDispatchThread> messageDispatchThread_;
    zeph::windows::system::threading::ThreadImpl<zeph::windows::system::threading::SerialWriteThread>
        serialWriteThread_;
    zeph::windows::system::threading::ThreadImpl<zeph::windows::system::threading::SerialReadThread>
        serialReadThread_;

    zeph::windows::communication::Serial serial_;
    zeph::windows::communication::SerialSettings settings_;

    // The console's main window: every registered message of the stack goes there.
    std::atomic<zeph::platform::HWND> window_{nullptr};
    // The error code of the last failed connect.
    std::atomic<zeph::platform::DWORD> lastError_{0};

    DeviceState deviceState_;
    EventCounterTable eventCounters_;
    // Keeps the unit's events before they are acknowledged; null keeps none.
    std::atomic<IAcknowledgementGate*> gate_{nullptr};

private:
    std::atomic<bool> postFailing_{false};  // the last post to the window failed

    // The line-feed part of onWrite, shared by commands and link replies.
    int endWithLineFeed(std::vector<std::uint8_t>& buffer, zeph::platform::DWORD length);
    zeph::platform::DWORD sendReply(const char* context, LinkReply reply, const EventHandle& abort);
};
