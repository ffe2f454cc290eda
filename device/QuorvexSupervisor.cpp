#include "device/QuorvexSupervisor.h"

#include "device/FailureNotice.h"
#include "device/FrameCodec.h"
#include "device/QuorvexMessages.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/Wait.h"

#include <memory>

using namespace zeph::windows::logging;
using zeph::platform::DWORD;
namespace platform = zeph::platform;

namespace {

constexpr const wchar_t* signalledViaTerminate =
    L"::WaitForMultipleObjects() became signaled via [_terminate], abandoning function call.";

// Reply names as the outgoing-message log line shows them.
const wchar_t* replyName(LinkReply reply) {
    switch (reply) {
        case LinkReply::Acknowledge:
            return L"Acknowledge";
        case LinkReply::NegativeAck:
            return L"Negative Ack";
        case LinkReply::PollAck:
            return L"Ack ADC Battery Poll";
        case LinkReply::None:
            break;
    }
    return L"";
}

void logWaitFailed(const char* context, const wchar_t* format) {
    const DWORD error = platform::getLastError();
    LogBeacon::log(context, Error, format, error);
    LogBeacon::logSystemError(context, error);
}

}  // namespace

QuorvexSupervisor::QuorvexSupervisor() : responseEvent_(platform::Event::create(true, false)) {
    formatCallback_ = [this](const EventHandle& handle, std::vector<std::uint8_t>& buffer, DWORD length) {
        return onWrite(handle, buffer, length);
    };
    writeCompleteCallback_ = [this](const EventHandle& abort, const std::uint8_t* bytes, const DWORD& length,
                                    const DWORD& result, const DWORD& timeout) {
        onWriteComplete(abort, bytes, length, result, timeout);
    };
    readCallback_ = [this](const EventHandle& abort, const std::uint8_t* bytes, const DWORD& length,
                           DWORD& consumed) { return onRead(abort, bytes, length, consumed); };
}

QuorvexSupervisor::~QuorvexSupervisor() = default;

IHealthCheck* QuorvexSupervisor::healthCheck() {
    return dynamic_cast<IHealthCheck*>(this);
}

IMessageDispatch* QuorvexSupervisor::messageDispatch() {
    return dynamic_cast<IMessageDispatch*>(this);
}

ICommandAndControl* QuorvexSupervisor::commandAndControl() {
    return dynamic_cast<ICommandAndControl*>(this);
}

bool QuorvexSupervisor::postToWindow(platform::UINT message, platform::WPARAM wParam,
                                     platform::LPARAM lParam) {
    const platform::HWND window = window_.load();
    if (window == nullptr) {
        platform::setLastError(platform::ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (!platform::postMessage(window, message, wParam, lParam)) {
        return false;
    }
    postFailing_.store(false);
    return true;
}

void QuorvexSupervisor::logPostFailure(const char* context) {
    const DWORD error = platform::getLastError();
    if (!postFailing_.exchange(true)) {
        LogBeacon::log(context, Error, L"::PostMessage() failed! Reason [%d].", error);
        LogBeacon::logSystemError(context, error);
    }
}

int QuorvexSupervisor::onWrite(const EventHandle&, std::vector<std::uint8_t>& buffer, DWORD length) {
    const int result = endWithLineFeed(buffer, length);
    responseEvent_->reset();
    return result;
}

int QuorvexSupervisor::endWithLineFeed(std::vector<std::uint8_t>& buffer, DWORD length) {
    static constexpr const char* context = "QuorvexSupervisor::onWrite";
    LogBeacon::log(context, DebugLevel1, L" ");
    buffer.resize(std::min<std::size_t>(length, buffer.size()));
    int result = static_cast<int>(buffer.size());
    if (buffer.empty() || buffer.back() != 0x0A) {
        LogBeacon::log(context, DebugLevel2, L"Resizing buffer.");
        buffer.push_back(0x0A);
        LogBeacon::log(context, DebugLevel3, L"Resizing of buffer succeeded.");
        result = static_cast<int>(buffer.size());
    }
    return result;
}

void QuorvexSupervisor::onWriteComplete(const EventHandle& abort, const std::uint8_t* bytes,
                                        const DWORD& length, const DWORD& result, const DWORD& timeout) {
    static constexpr const char* context = "QuorvexSupervisor::onWriteComplete";
    LogBeacon::log(context, DebugLevel1, L" ");
    const auto notify = [&](platform::UINT message, DWORD error) {
        auto notice = std::make_unique<FailureNotice>(FailureNotice{message, {bytes, bytes + length}, error});
        if (postToWindow(message, 0, reinterpret_cast<platform::LPARAM>(notice.get()))) {
            notice.release();  // the window owns it now
        } else {
            logPostFailure(context);
        }
    };
    if (result != 0) {
        notify(WM_QUORVEX_FAILED_TO_SEND, result);
        return;
    }
    LogBeacon::log(context, DebugLevel3, L"Data written : %hs", ByteDump({bytes, length}));
    if (timeout == 0) {
        return;
    }
    LogBeacon::log(context, DebugLevel2, L"::WaitForMultipleObjects() waiting for response.");
    // A null terminate event must not fail the wait: it then waits for the response alone.
    const platform::Handle first = abort ? platform::Handle(abort) : platform::Handle(responseEvent_);
    const DWORD waited = platform::waitForMultipleObjects({first, responseEvent_}, false, timeout);
    if (waited == platform::WAIT_OBJECT_0 && abort) {
        LogBeacon::log(context, DebugLevel3, signalledViaTerminate);
    } else if (waited == platform::WAIT_OBJECT_0 || waited == platform::WAIT_OBJECT_0 + 1) {
        LogBeacon::log(context, DebugLevel3,
                       L"::WaitForMultipleObjects() became signaled via [response_event].");
    } else if (waited == platform::WAIT_TIMEOUT) {
        LogBeacon::log(context, Error, L"::WaitForMultipleObjects() timed out (WAIT_TIMEOUT).");
        if (window_.load() != nullptr) {
            notify(WM_QUORVEX_FAILED_TO_RECEIVE_RESONSE, platform::WAIT_TIMEOUT);
        }
    } else if (waited == platform::WAIT_FAILED) {
        logWaitFailed(context,
                      L"::WaitForMultipleObjects() failed (WAIT_FAILED) [%d], abandoning function call.");
    } else {
        LogBeacon::log(context, Error,
                       L"::WaitForMultipleObjects() failed for an unknown reason, abandoning function call.");
    }
}

DWORD QuorvexSupervisor::onRead(const EventHandle& abort, const std::uint8_t* bytes, const DWORD& length,
                                DWORD& consumed) {
    static constexpr const char* context = "QuorvexSupervisor::onRead";
    const FrameVerdict verdict =
        FrameCodec::parse({bytes, length}, deviceState_.connectionState(), deviceState_.firmware()[0]);
    consumed = static_cast<DWORD>(verdict.consumed);
    if (verdict.payload.becomesConnected) {
        deviceState_.setConnectionState(ConnectionState::Connected);
    }
    if (verdict.payload.signalsResponse) {
        responseEvent_->set();
    }
    IAcknowledgementGate* gate = gate_.load();
    const std::span<const std::uint8_t> payload(bytes + verdict.payloadOffset, verdict.payloadLength);
    // The unit forgets an event once acknowledged: it is kept first, and only such frames wait.
    const bool kept =
        gate != nullptr && verdict.reply == LinkReply::Acknowledge && IAcknowledgementGate::mustKeep(payload);
    if (kept) {
        gate->beforeAcknowledge(payload);
    }
    switch (verdict.reply) {
        case LinkReply::NegativeAck:
            sendNAK(abort);
            return verdict.result;
        case LinkReply::None:
            return verdict.result;
        case LinkReply::PollAck:
            if (sendReply("QuorvexSupervisor::pretranslateMessage", LinkReply::PollAck, abort) ==
                platform::ERROR_CANCELLED) {
                return platform::ERROR_CANCELLED;
            }
            break;
        case LinkReply::Acknowledge: {
            if (sendReply("QuorvexSupervisor::sendACK", LinkReply::Acknowledge, abort) ==
                platform::ERROR_CANCELLED) {
                return platform::ERROR_CANCELLED;
            }
            LogBeacon::log(context, DebugLevel2,
                           L"::WaitForMultipleObjects() waiting for the ACK to be sent.");
            const platform::Handle first =
                abort ? platform::Handle(abort) : platform::Handle(serial_.writeCompleteEvent());
            const DWORD waited =
                platform::waitForMultipleObjects({first, serial_.writeCompleteEvent()}, false, 200);
            if (waited == platform::WAIT_OBJECT_0 && abort) {
                LogBeacon::log(context, DebugLevel3, signalledViaTerminate);
                return platform::ERROR_CANCELLED;
            }
            if (waited == platform::WAIT_OBJECT_0 || waited == platform::WAIT_OBJECT_0 + 1) {
                LogBeacon::log(context, DebugLevel3,
                               L"::WaitForMultipleObjects() became signaled via [_write_complete].");
            } else if (waited == platform::WAIT_TIMEOUT) {
                LogBeacon::log(context, Error, L"::WaitForMultipleObjects() timed out (WAIT_TIMEOUT).");
            } else {
                logWaitFailed(context, L"::WaitForMultipleObjects() failed (WAIT_FAILED) [%d].");
            }
            break;
        }
    }
    if (gate != nullptr && !kept) {
        gate->afterAccept(payload);
    }
    if (IMessageDispatch* dispatch = messageDispatch(); dispatch != nullptr) {
        messageDispatchThread_.getWorker().appendMessageToQueue(bytes + verdict.payloadOffset,
                                                                verdict.payloadLength);
    }
    return FRAME_ACCEPTED;
}

void QuorvexSupervisor::sendACK(const EventHandle& abort) {
    sendReply("QuorvexSupervisor::sendACK", LinkReply::Acknowledge, abort);
}

void QuorvexSupervisor::sendNAK(const EventHandle& abort) {
    if (IHealthCheck* health = healthCheck(); health != nullptr) {
        health->incBadFrameCount();
    }
    sendReply("QuorvexSupervisor::sendNAK", LinkReply::NegativeAck, abort);
}

DWORD QuorvexSupervisor::sendReply(const char* context, LinkReply reply, const EventHandle& abort) {
    LogBeacon::log(context, DebugLevel1, L" ");
    const std::span<const std::uint8_t> bytes = replyBytes(reply);
    const std::string text(bytes.begin(), bytes.end() - 1);
    LogBeacon::log(context, DebugLevel4, L"Outgoing message [%s] [%hs] [%hs]", replyName(reply), text,
                   ByteDump(bytes));
    std::vector<std::uint8_t> buffer(bytes.begin(), bytes.end());
    // A reply leaves the response event alone: the frame it answers may have just set it for a
    // command whose writer has not begun to wait yet, and clearing it would fail that command.
    const int toWrite = endWithLineFeed(buffer, static_cast<DWORD>(buffer.size()));
    if (toWrite == -1) {
        LogBeacon::log(context, Error, L"Unable to format data!");
        return platform::ERROR_OUTOFMEMORY;
    }
    const DWORD written = serial_.writePort(abort, buffer.data(), static_cast<DWORD>(toWrite));
    onWriteComplete(nullptr, buffer.data(), static_cast<DWORD>(toWrite), written, 0);
    if (IHealthCheck* health = healthCheck(); health != nullptr) {
        if (reply == LinkReply::NegativeAck) {
            health->incNakCount();
        } else {
            health->incGoodFrameCount();
        }
    }
    return written;
}
