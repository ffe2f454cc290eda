// The port's transfers: readPort and writePort.
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

namespace zeph::windows::communication {

using logging::LogBeacon;
using namespace platform;
using namespace detail;

namespace {

constexpr const char* kReadPortContext = "zeph::windows::communication::Serial::readPort";
constexpr const char* kWritePortContext = "zeph::windows::communication::Serial::writePort";

constexpr DWORD kReadChunk = 1024;

}  // namespace

DWORD Serial::readFile(std::uint8_t* buffer, DWORD length, DWORD& read) {
    bool hungUp = false;
    {
        std::lock_guard state(stateLock_);
        read = static_cast<DWORD>(readAhead_.take(buffer, length));
        hungUp = hungUp_;
    }
    if (read == length) {
        return ERROR_SUCCESS;
    }
    if (hungUp) {
        return read != 0 ? ERROR_SUCCESS : ERROR_DEVICE_NOT_CONNECTED;
    }
    for (;;) {
        const ssize_t count = ::read(fd_, buffer + read, length - read);
        if (count > 0) {
            read += static_cast<DWORD>(count);
            return ERROR_SUCCESS;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return ERROR_SUCCESS;
        }
        const DWORD error = count == 0 ? ERROR_DEVICE_NOT_CONNECTED : resultOf(errno);
        if (error == ERROR_DEVICE_NOT_CONNECTED) {
            noteHangUp();
        }
        // Bytes already taken are delivered now; the failure comes again with the next read.
        return read != 0 ? ERROR_SUCCESS : error;
    }
}

DWORD Serial::readFailed(DWORD error) {
    LogBeacon::log(kReadPortContext, logging::Error, L"::ReadFile() failed for an unknown reason [%d].",
                   asInt(error));
    LogBeacon::logSystemError(kReadPortContext, error);
    LogBeacon::log(kReadPortContext, logging::Error, L"Purging the port.");
    purgeBuffersLocked();
    return error;
}

DWORD Serial::readPort(const AbortEvent& abort, std::vector<std::uint8_t>& bytes) {
    LogBeacon::log(kReadPortContext, logging::DebugLevel1, L" ");
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    const wchar_t* waitName = waitNameFor(abort);
    DWORD remaining = 0;
    if (const DWORD error = queuedBytes(remaining); error != ERROR_SUCCESS) {
        return readFailed(error);
    }
    LogBeacon::log(kReadPortContext, logging::DebugLevel2, L"Bytes in queue [%d].", asInt(remaining));
    bool blocking = false;
    {
        std::lock_guard state(stateLock_);
        blocking = timeouts_.ReadIntervalTimeout != MAXDWORD;
    }
    std::array<std::uint8_t, kReadChunk> buffer;
    while (remaining > 0) {
        if (abort && waitForSingleObject(abort, 0) != WAIT_TIMEOUT) {
            LogBeacon::log(kReadPortContext, logging::DebugLevel2,
                           L"[abort] became signalled.  Abandoning operation.");
            return ERROR_CANCELLED;
        }
        DWORD read = 0;
        if (const DWORD error = readFile(buffer.data(), std::min(remaining, kReadChunk), read);
            error != ERROR_SUCCESS) {
            return readFailed(error);
        }
        if (read == 0) {
            // Emptied meanwhile (a purge): a non-blocking read has nothing more to give.
            if (!blocking) {
                break;
            }
            DWORD waitError = ERROR_SUCCESS;
            switch (waitFor(POLLIN, abort, waitError)) {
                case Readiness::Ready:
                    continue;
                case Readiness::Aborted:
                    LogBeacon::log(kReadPortContext, logging::DebugLevel2,
                                   L"%s became signaled via [abort].  Aborting operation.", waitName);
                    return ERROR_CANCELLED;
                case Readiness::Closing:
                    return ERROR_INVALID_HANDLE;
                case Readiness::Failed:
                    LogBeacon::log(kReadPortContext, logging::Error,
                                   L"%s failed (WAIT_FAILED) [%d].  Abandoning operation.", waitName,
                                   asInt(waitError));
                    return kWaitFailedResult;
            }
        }
        bytes.insert(bytes.end(), buffer.data(), buffer.data() + read);
        remaining -= read;
    }
    LogBeacon::log(kReadPortContext, logging::DebugLevel3, L"SUCCESS");
    return ERROR_SUCCESS;
}

Serial::Readiness Serial::waitFor(short events, const AbortEvent& abort, DWORD& error) const {
    const int abortFd = abort ? abort->pollDescriptor() : -1;
    if (abort && abortFd < 0) {
        error = getLastError() != ERROR_SUCCESS ? getLastError() : ERROR_INVALID_HANDLE;
        return Readiness::Failed;
    }
    std::array<pollfd, 3> fds{{{fd_, events, 0}, {closeFd_, POLLIN, 0}, {abortFd, POLLIN, 0}}};
    for (;;) {
        if (::poll(fds.data(), abort ? 3 : 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = win32FromErrno(errno);
            return Readiness::Failed;
        }
        if (fds[1].revents != 0) {
            return Readiness::Closing;
        }
        if (fds[0].revents != 0) {
            return Readiness::Ready;
        }
        if (abort && fds[2].revents != 0 && waitForSingleObject(abort, 0) == WAIT_OBJECT_0) {
            return Readiness::Aborted;
        }
    }
}

void Serial::noteWritten() {
    bool wake = false;
    {
        std::lock_guard state(stateLock_);
        txPending_ = true;
        wake = (eventMask_ & EV_TXEMPTY) != 0;
    }
    if (wake) {
        wakeWaiter();
    }
}

DWORD Serial::writeSome(const std::uint8_t* bytes, DWORD length, DWORD& written) {
    while (written < length) {
        const ssize_t count = ::write(fd_, bytes + written, length - written);
        if (count > 0) {
            written += static_cast<DWORD>(count);
            noteWritten();
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return ERROR_SUCCESS;
        }
        return count == 0 ? ERROR_WRITE_FAULT : resultOf(errno);
    }
    return ERROR_SUCCESS;
}

DWORD Serial::writeBytes(const AbortEvent& abort, const std::uint8_t* bytes, DWORD length,
                         const wchar_t* waitName) {
    DWORD written = 0;
    if (const DWORD error = writeSome(bytes, length, written); error != ERROR_SUCCESS) {
        LogBeacon::log(kWritePortContext, logging::Error, L"::WriteFile() encountered an error [%d].",
                       asInt(error));
        LogBeacon::logSystemError(kWritePortContext, error);
        return error;
    }
    if (written == length) {
        LogBeacon::log(kWritePortContext, logging::DebugLevel2, L"::WriteFile() completed synchronously.");
        return ERROR_SUCCESS;
    }
    LogBeacon::log(kWritePortContext, logging::DebugLevel2,
                   L"::WriteFile() will be completed asynchronously.");
    LogBeacon::log(kWritePortContext, logging::DebugLevel2,
                   L"%s waiting for the [_overlapped_write.hEvent] to become signaled.", waitName);
    while (written < length) {
        DWORD waitError = ERROR_SUCCESS;
        switch (waitFor(POLLOUT, abort, waitError)) {
            case Readiness::Ready:
                break;
            case Readiness::Aborted:
                LogBeacon::log(kWritePortContext, logging::DebugLevel4,
                               L"%s became signaled via [abort].  Aborting operation.", waitName);
                return ERROR_CANCELLED;
            case Readiness::Closing:
                return ERROR_INVALID_HANDLE;
            case Readiness::Failed:
                LogBeacon::log(kWritePortContext, logging::Error, L"%s failed (WAIT_FAILED) [%lu].", waitName,
                               waitError);
                LogBeacon::logSystemError(kWritePortContext, waitError);
                return kWaitFailedResult;
        }
        if (const DWORD error = writeSome(bytes, length, written); error != ERROR_SUCCESS) {
            LogBeacon::log(kWritePortContext, logging::Error, L"::WriteFile() failed! Reason [%lu].", error);
            LogBeacon::logSystemError(kWritePortContext, error);
            return error;
        }
    }
    LogBeacon::log(kWritePortContext, logging::DebugLevel2,
                   L"%s [Write Port] became signaled via [_overlapped_write.hEvent].", waitName);
    return ERROR_SUCCESS;
}

DWORD Serial::writePort(const AbortEvent& abort, const std::uint8_t* bytes, DWORD length) {
    LogBeacon::log(kWritePortContext, logging::DebugLevel1, L" ");
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    if (bytes == nullptr && length != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    const wchar_t* waitName = waitNameFor(abort);
    LogBeacon::log(kWritePortContext, logging::DebugLevel2,
                   L"::WaitForMultipleObjects() attempting to gain exclusive access to the port.");
    std::shared_ptr<Mutex> writeMutex;
    std::shared_ptr<Event> writeComplete;
    {
        std::lock_guard state(stateLock_);
        writeMutex = writeMutex_;
        writeComplete = writeComplete_;
    }
    // The mutex is listed first, so a free mutex wins over a signalled abort; the close event
    // last, so that closing the port never leaves a writer waiting.
    std::vector<Handle> objects{writeMutex};
    if (abort) {
        objects.push_back(abort);
    }
    if (closeEvent_) {
        objects.push_back(closeEvent_);
    }
    const DWORD wait = waitForMultipleObjects(objects, false, INFINITE);
    DWORD result = ERROR_SUCCESS;
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED_0) {
        LogBeacon::log(kWritePortContext, logging::DebugLevel2, L"%s became signaled via [_write_lock].",
                       waitName);
        if (closing_.load()) {
            result = ERROR_INVALID_HANDLE;
        } else {
            if (writeComplete) {
                writeComplete->reset();
            }
            LogBeacon::log(kWritePortContext, logging::DebugLevel2, L"Calling ::WriteFile().");
            result = writeBytes(abort, bytes, length, waitName);
        }
        writeMutex->release();
    } else if (abort && wait == WAIT_OBJECT_0 + 1) {
        LogBeacon::log(kWritePortContext, logging::DebugLevel2,
                       L"%s became signaled via [abort].  Aborting operation.", waitName);
        result = ERROR_CANCELLED;
    } else if (wait == WAIT_TIMEOUT) {
        LogBeacon::log(kWritePortContext, logging::Error, L"%s failed (WAIT_TIMEOUT).  Abandoning operation.",
                       waitName);
        return WAIT_TIMEOUT;
    } else if (wait == WAIT_FAILED) {
        const DWORD error = getLastError();
        logWithSystemText(kWritePortContext, L"%s failed (WAIT_FAILED) [%d].  Abandoning operation.",
                          waitName, error);
        return kWaitFailedResult;
    } else {
        return ERROR_INVALID_HANDLE;  // the port is being closed
    }
    // Whoever waits for the write to finish (the frame layer after an ACK) is released on
    // success and on cancellation alike.
    if (result == ERROR_SUCCESS || result == ERROR_CANCELLED) {
        if (writeComplete) {
            writeComplete->set();
        }
        LogBeacon::log(kWritePortContext, logging::DebugLevel3, L"SUCCESS");
    }
    return result;
}

}  // namespace zeph::windows::communication
