// The port wait: waitCommEvent and the reading ahead that finds the events.
#include "support/communication/Serial.h"
#include "support/communication/SerialWaitSupport.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

namespace zeph::windows::communication {

using logging::LogBeacon;
using namespace platform;
using namespace detail;

namespace {

constexpr const char* kWaitCommEventContext = "zeph::windows::communication::Serial::waitCommEvent";

constexpr std::size_t kPullChunk = 4096;
// Longest pause before the output queue is looked at again while it drains.
constexpr std::uint64_t kMaxDrainCheckMs = 100;

struct EventName {
    DWORD bit;
    const wchar_t* text;
};
constexpr std::array<EventName, 9> kEventNames{{
    {EV_RXCHAR, L"SUCCESS - result was EV_RXCHAR."},
    {EV_RXFLAG, L"SUCCESS - result was EV_RXFLAG."},
    {EV_TXEMPTY, L"SUCCESS - result was EV_TXEMPTY."},
    {EV_CTS, L"SUCCESS - result was EV_CTS."},
    {EV_DSR, L"SUCCESS - result was EV_DSR."},
    {EV_RLSD, L"SUCCESS - result was EV_RLSD."},
    {EV_BREAK, L"SUCCESS - result was EV_BREAK."},
    {EV_ERR, L"SUCCESS - result was EV_ERR."},
    {EV_RING, L"SUCCESS - result was EV_RING."},
}};

void drainEventFd(int fd) {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(fd, &count, sizeof count);
}

}  // namespace

DWORD Serial::waitCommEvent(const AbortEvent& abort, DWORD& eventMask) {
    LogBeacon::log(kWaitCommEventContext, logging::DebugLevel1, L" ");
    eventMask = 0;
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    const wchar_t* waitName = waitNameFor(abort);
    const int abortFd = abort ? abort->pollDescriptor() : -1;
    if (abort && abortFd < 0) {
        const DWORD error = getLastError() != ERROR_SUCCESS ? getLastError() : ERROR_INVALID_HANDLE;
        logWithSystemText(kWaitCommEventContext, L"%s failed (WAIT_FAILED) [%d].  Abandoning operation.",
                          waitName, error);
        return error;
    }
    std::uint64_t generation = 0;
    DWORD watched = 0;
    {
        std::lock_guard state(stateLock_);
        generation = maskGeneration_;
        watched = eventMask_;
    }
    // With no event to wait for, the wait could only end by abort: refused, as Windows does.
    if (watched == 0) {
        LogBeacon::log(kWaitCommEventContext, logging::Error,
                       L"::WaitCommEvent() failed for an unknown reason [%d].",
                       asInt(ERROR_INVALID_PARAMETER));
        LogBeacon::logSystemError(kWaitCommEventContext, ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    for (;;) {
        const int timeoutMs = checkTxEmpty();
        bool hungUp = false;
        {
            std::lock_guard state(stateLock_);
            if (maskGeneration_ != generation) {
                break;  // a new mask ends the wait with no event, as SetCommMask does
            }
            if (pendingEvents_ != 0) {
                eventMask = std::exchange(pendingEvents_, 0);
                break;
            }
            hungUp = hungUp_;
        }
        if (hungUp) {
            LogBeacon::log(kWaitCommEventContext, logging::Error,
                           L"::WaitCommEvent() failed for an unknown reason [%d].",
                           asInt(ERROR_DEVICE_NOT_CONNECTED));
            LogBeacon::logSystemError(kWaitCommEventContext, ERROR_DEVICE_NOT_CONNECTED);
            return ERROR_DEVICE_NOT_CONNECTED;
        }
        std::array<pollfd, 4> fds{
            {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}, {closeFd_, POLLIN, 0}, {abortFd, POLLIN, 0}}};
        if (::poll(fds.data(), abort ? 4 : 3, timeoutMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            const DWORD error = win32FromErrno(errno);
            logWithSystemText(kWaitCommEventContext, L"%s failed (WAIT_FAILED) [%d].  Abandoning operation.",
                              waitName, error);
            return error;
        }
        if (fds[2].revents != 0 || (fds[0].revents & POLLNVAL) != 0) {
            return ERROR_INVALID_HANDLE;
        }
        if (fds[1].revents != 0) {
            drainEventFd(wakeFd_);
        }
        if (fds[0].revents != 0) {
            if (const DWORD error = pullInput(); error != ERROR_SUCCESS) {
                LogBeacon::log(kWaitCommEventContext, logging::Error,
                               L"::WaitCommEvent() failed for an unknown reason [%d].", asInt(error));
                LogBeacon::logSystemError(kWaitCommEventContext, error);
                return error;
            }
        }
        // The port is listed first: an event that came with the abort is reported.
        if (abort && fds[3].revents != 0 && !hasPortNews(generation) &&
            waitForSingleObject(abort, 0) == WAIT_OBJECT_0) {
            LogBeacon::log(kWaitCommEventContext, logging::DebugLevel2,
                           L"[abort] became signalled.  Abandoning operation.");
            return ERROR_CANCELLED;
        }
    }
    const auto named = std::find_if(kEventNames.begin(), kEventNames.end(),
                                    [eventMask](const EventName& e) { return (eventMask & e.bit) != 0; });
    if (named != kEventNames.end()) {
        LogBeacon::log(kWaitCommEventContext, logging::DebugLevel3, named->text);
    }
    return ERROR_SUCCESS;
}

bool Serial::hasPortNews(std::uint64_t generation) const {
    std::lock_guard state(stateLock_);
    return pendingEvents_ != 0 || hungUp_ || maskGeneration_ != generation;
}

int Serial::checkTxEmpty() {
    std::lock_guard state(stateLock_);
    if (!txPending_) {
        return -1;
    }
    if ((eventMask_ & EV_TXEMPTY) == 0) {
        txPending_ = false;
        return -1;
    }
    DWORD queued = 0;
    if (tty::bytesInOutput(fd_, queued) != ERROR_SUCCESS || queued == 0) {
        txPending_ = false;
        pendingEvents_ |= EV_TXEMPTY;
        return -1;
    }
    // The driver tells nobody when its output queue has drained: look again when the queued
    // characters (ten bits each) should have gone out.
    const std::uint64_t rate = std::max<DWORD>(dcb_.BaudRate, 1);
    return static_cast<int>(std::min(std::uint64_t{queued} * 10 * 1000 / rate + 1, kMaxDrainCheckMs));
}

DWORD Serial::pullInput() {
    std::array<std::uint8_t, kPullChunk> chunk;
    for (;;) {
        const ssize_t count = ::read(fd_, chunk.data(), chunk.size());
        if (count > 0) {
            absorb(chunk.data(), static_cast<std::size_t>(count));
            if (static_cast<std::size_t>(count) < chunk.size()) {
                return ERROR_SUCCESS;
            }
            continue;
        }
        if (count == 0) {
            noteHangUp();
            return ERROR_SUCCESS;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return ERROR_SUCCESS;
        }
        if (isHangUp(errno)) {
            noteHangUp();
            return ERROR_SUCCESS;
        }
        return win32FromErrno(errno);
    }
}

void Serial::absorb(const std::uint8_t* bytes, std::size_t length) {
    std::lock_guard state(stateLock_);
    const ReadAheadBuffer::Arrival arrival =
        readAhead_.append(bytes, length, static_cast<std::uint8_t>(dcb_.EvtChar));
    DWORD events = EV_RXCHAR;
    if (arrival.eventChar) {
        events |= EV_RXFLAG;
    }
    if (arrival.overflow) {
        commErrors_ |= CE_RXOVER;
        events |= EV_ERR;
    }
    tty::LineCounters now;
    if (haveLineCounters_ && tty::readLineCounters(fd_, now)) {
        const DWORD errorsBefore = commErrors_;
        if (now.frame != lineCounters_.frame) {
            commErrors_ |= CE_FRAME;
        }
        if (now.overrun != lineCounters_.overrun) {
            commErrors_ |= CE_OVERRUN;
        }
        if (now.bufferOverrun != lineCounters_.bufferOverrun) {
            commErrors_ |= CE_RXOVER;
        }
        if (now.parity != lineCounters_.parity) {
            commErrors_ |= CE_RXPARITY;
        }
        if (commErrors_ != errorsBefore) {
            events |= EV_ERR;
        }
        if (now.brk != lineCounters_.brk) {
            commErrors_ |= CE_BREAK;
            events |= EV_BREAK;
        }
        lineCounters_ = now;
    }
    pendingEvents_ |= events & eventMask_;
}

}  // namespace zeph::windows::communication
