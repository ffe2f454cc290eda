#include "support/communication/Serial.h"

#include "support/communication/PortGroupDenial.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace zeph::windows::communication {

using logging::LogBeacon;
using namespace platform;

namespace {

constexpr const char* kOpenContext = "zeph::windows::communication::Serial::open";
constexpr const char* kInitializeContext = "zeph::windows::communication::Serial::initialize";
constexpr const char* kPurgeBuffersContext = "zeph::windows::communication::Serial::purgeBuffers";

// The queue sizes and the event mask a freshly opened port gets.
constexpr DWORD kQueueSize = 2048;
constexpr DWORD kOpenEventMask = EV_RXCHAR | EV_BREAK | EV_ERR;
constexpr char kEventChar = 0x04;

DWORD fromErrno(int error) {
    // A port held by another process: TIOCEXCL refuses the open, flock the lock.
    if (error == EBUSY || error == EWOULDBLOCK) {
        return ERROR_ACCESS_DENIED;
    }
    return win32FromErrno(error);
}

// Access denied is also what a port held elsewhere gives; only a missing group membership has a
// fix the operator can make, so only that is explained.
void logGroupDenial(const std::filesystem::path& path) {
    if (const std::optional<PortGroupDenial> denial = PortGroupDenial::find(path)) {
        LogBeacon::log(kOpenContext, logging::Warning, L"%s", denial->advice());
    }
}

}  // namespace

Serial::Serial()
    : closeEvent_(Event::create(true, false)),
      writeMutex_(Mutex::create(false, L"write mutex")),
      writeComplete_(Event::create(true, false)) {
    // Taken here, before any other thread can ask for it.
    closeFd_ = closeEvent_ ? closeEvent_->pollDescriptor() : -1;
}

Serial::Serial(PortDirectory directory) : Serial() {
    directory_ = std::move(directory);
}

Serial::~Serial() {
    close();
}

bool Serial::usable() const {
    return fd_ >= 0 && !closing_.load();
}

bool Serial::isOpen() const {
    std::shared_lock guard(handleLock_);
    return usable();
}

DWORD Serial::openDevice(std::wstring_view devicePath, int& fd, tty::SavedTerminal& saved) {
    const std::optional<std::filesystem::path> path =
        (directory_ ? *directory_ : PortDirectory::fromEnvironment()).fileOf(devicePath);
    if (!path) {
        return ERROR_FILE_NOT_FOUND;
    }
    rfcomm_ = leadsToRfcomm(*path);
    fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EACCES) {
            logGroupDenial(*path);
        }
        return fromErrno(error);
    }
    // The lock refuses a second open in this or another process even for root, whom TIOCEXCL
    // lets through.
    DWORD result = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? ERROR_SUCCESS : fromErrno(errno);
    if (result == ERROR_SUCCESS) {
        result = tty::setExclusive(fd, true);
    }
    if (result == ERROR_SUCCESS) {
        // Put back on close, as serial libraries do: a terminal given as the port is not left raw.
        tty::saveTerminal(fd, saved);
        result = tty::makeRaw(fd);
        if (result != ERROR_SUCCESS) {
            tty::setExclusive(fd, false);
        }
    }
    if (result != ERROR_SUCCESS) {
        ::close(fd);
        fd = -1;
    }
    return result;
}

DWORD Serial::open(std::wstring_view devicePath) {
    {
        std::unique_lock guard(handleLock_);
        if (fd_ >= 0) {
            setLastError(ERROR_ALREADY_INITIALIZED);
            return ERROR_ALREADY_INITIALIZED;
        }
        int fd = -1;
        if (const DWORD result = openDevice(devicePath, fd, savedTerminal_); result != ERROR_SUCCESS) {
            setLastError(result);
            return result;
        }
        const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd < 0) {
            const DWORD result = setLastErrorFromErrno(errno);
            tty::restoreTerminal(fd, savedTerminal_);
            tty::setExclusive(fd, false);
            ::close(fd);
            return result;
        }
        fd_ = fd;
        wakeFd_ = wakeFd;
        std::lock_guard state(stateLock_);
        dcb_ = DCB{};
        tty::readLine(fd_, dcb_);
        timeouts_ = COMMTIMEOUTS{};
        eventMask_ = 0;
        pendingEvents_ = 0;
        commErrors_ = 0;
        txPending_ = false;
        hungUp_ = false;
        haveLineCounters_ = tty::readLineCounters(fd_, lineCounters_);
        readAhead_.clear();
    }
    DWORD result = setupComm(kQueueSize, kQueueSize);
    if (result == ERROR_SUCCESS) {
        result = setEventMask(kOpenEventMask);
    }
    if (result == ERROR_SUCCESS) {
        result = setReadMode(ReadMode::NonBlocking);
    }
    if (result == ERROR_SUCCESS) {
        result = initialize();
    }
    if (result != ERROR_SUCCESS) {
        close();
        setLastError(result);
    }
    return result;
}

DWORD Serial::close() {
    {
        std::shared_lock guard(handleLock_);
        if (fd_ < 0) {
            return ERROR_SUCCESS;
        }
        // Operations blocked on the port see the close event and leave, releasing the lock.
        closing_.store(true);
        if (closeEvent_) {
            closeEvent_->set();
        }
    }
    std::unique_lock guard(handleLock_);
    DWORD result = ERROR_SUCCESS;
    if (fd_ >= 0) {
        tty::restoreTerminal(fd_, savedTerminal_);
        tty::setExclusive(fd_, false);  // the tty may stay open elsewhere; let others open it again
        if (::close(fd_) != 0) {
            result = setLastErrorFromErrno(errno);
        }
        ::close(wakeFd_);
        fd_ = -1;
        wakeFd_ = -1;
    }
    if (closeEvent_) {
        closeEvent_->reset();
    }
    closing_.store(false);
    return result;
}

DWORD Serial::waitForLink(const AbortEvent& abort, DWORD timeoutMs) {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    if (!rfcomm_) {
        return ERROR_SUCCESS;
    }
    // close() sets the close event before it waits for this lock: the wait ends first.
    std::vector<Handle> stops;
    if (closeEvent_) {
        stops.push_back(closeEvent_);
    }
    if (abort) {
        stops.push_back(abort);
    }
    return communication::waitForLink(linkProbe_, fd_, stops, timeoutMs);
}

void Serial::setLinkProbe(LinkProbe probe) {
    std::unique_lock guard(handleLock_);
    linkProbe_ = std::move(probe);
}

DWORD Serial::setReadMode(const ReadMode& mode) {
    COMMTIMEOUTS timeouts;
    if (const DWORD result = getCommTimeouts(timeouts); result != ERROR_SUCCESS) {
        return result;
    }
    timeouts.ReadIntervalTimeout = mode == ReadMode::Blocking ? 0 : MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    return setCommTimeouts(timeouts);
}

DWORD Serial::initialize() {
    std::shared_ptr<Mutex> writeMutex = Mutex::create(false, L"write mutex");
    if (!writeMutex) {
        const DWORD error = getLastError();
        LogBeacon::logSystemError(kInitializeContext, error);
        return error;
    }
    std::shared_ptr<Event> writeComplete = Event::create(true, false);
    if (!writeComplete) {
        const DWORD error = getLastError();
        LogBeacon::logSystemError(kInitializeContext, error);
        return error;
    }
    std::lock_guard state(stateLock_);
    writeMutex_ = std::move(writeMutex);
    writeComplete_ = std::move(writeComplete);
    return ERROR_SUCCESS;
}

std::shared_ptr<Event> Serial::writeCompleteEvent() const {
    std::lock_guard state(stateLock_);
    return writeComplete_;
}

DWORD Serial::setBaudRate(const BaudRate& baudRate, const DataBits& dataBits, const Parity& parity,
                          const StopBits& stopBits) {
    DCB dcb;
    if (const DWORD result = getCommState(dcb); result != ERROR_SUCCESS) {
        return result;
    }
    dcb.BaudRate = static_cast<DWORD>(baudRate.value());
    dcb.ByteSize = dataBits.value();
    dcb.Parity = parity.value();
    dcb.StopBits = stopBits.value();
    dcb.fParity = parity.value() != NOPARITY;
    return setCommState(dcb);
}

DWORD Serial::setHandshake(const FlowControl& flowControl) {
    DCB dcb;
    if (const DWORD result = getCommState(dcb); result != ERROR_SUCCESS) {
        return result;
    }
    const bool hardware = flowControl == FlowControl::Hardware;
    const bool software = flowControl == FlowControl::Software;
    // DSR flow and the DTR handshake have no Linux counterpart: they are kept, not applied.
    dcb.fOutxCtsFlow = hardware;
    dcb.fOutxDsrFlow = hardware;
    dcb.fDtrControl = hardware ? DTR_CONTROL_HANDSHAKE : DTR_CONTROL_DISABLE;
    dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    dcb.fOutX = software;
    dcb.fInX = software;
    return setCommState(dcb);
}

DWORD Serial::setEventMask(DWORD eventMask) {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    {
        std::lock_guard state(stateLock_);
        eventMask_ = eventMask;
        ++maskGeneration_;
        pendingEvents_ = 0;
    }
    wakeWaiter();
    return ERROR_SUCCESS;
}

DWORD Serial::getCommMask(DWORD& eventMask) const {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    std::lock_guard state(stateLock_);
    eventMask = eventMask_;
    return ERROR_SUCCESS;
}

DWORD Serial::setEventChar() {
    DCB dcb;
    if (const DWORD result = getCommState(dcb); result != ERROR_SUCCESS) {
        return result;
    }
    dcb.EvtChar = kEventChar;
    DWORD eventMask = 0;
    if (getCommMask(eventMask) != ERROR_SUCCESS) {
        eventMask = 0;
    }
    setEventMask(eventMask | EV_RXFLAG);
    return setCommState(dcb);
}

DWORD Serial::getCommState(DCB& dcb) const {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    std::lock_guard state(stateLock_);
    dcb = dcb_;
    return ERROR_SUCCESS;
}

DWORD Serial::setCommState(const DCB& dcb) {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    std::lock_guard state(stateLock_);
    if (const DWORD result = tty::applyLine(fd_, dcb); result != ERROR_SUCCESS) {
        return result;
    }
    // RTS under handshake is driven by the kernel (CRTSCTS); raising it first does no harm.
    tty::setModemLines(fd_, dcb.fDtrControl != DTR_CONTROL_DISABLE, dcb.fRtsControl != RTS_CONTROL_DISABLE);
    dcb_ = dcb;
    return ERROR_SUCCESS;
}

DWORD Serial::getCommTimeouts(COMMTIMEOUTS& timeouts) const {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    std::lock_guard state(stateLock_);
    timeouts = timeouts_;
    return ERROR_SUCCESS;
}

DWORD Serial::setCommTimeouts(const COMMTIMEOUTS& timeouts) {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    std::lock_guard state(stateLock_);
    timeouts_ = timeouts;
    return ERROR_SUCCESS;
}

DWORD Serial::setupComm(DWORD inQueue, DWORD outQueue) {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    std::lock_guard state(stateLock_);
    inQueueSize_ = inQueue;
    outQueueSize_ = outQueue;
    return ERROR_SUCCESS;
}

DWORD Serial::clearCommError(DWORD* errors, COMSTAT* status) {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    if (status != nullptr) {
        if (const DWORD result = queuedBytes(status->cbInQue); result != ERROR_SUCCESS) {
            return result;
        }
        if (tty::bytesInOutput(fd_, status->cbOutQue) != ERROR_SUCCESS) {
            status->cbOutQue = 0;
        }
    }
    std::lock_guard state(stateLock_);
    if (errors != nullptr) {
        *errors = commErrors_;
    }
    commErrors_ = 0;
    return ERROR_SUCCESS;
}

DWORD Serial::queuedBytes(DWORD& count) {
    DWORD inDriver = 0;
    if (const DWORD result = tty::bytesInInput(fd_, inDriver); result != ERROR_SUCCESS) {
        // A hung-up line has no driver queue; what was read ahead is still delivered.
        if (result != ERROR_DEVICE_NOT_CONNECTED) {
            return result;
        }
        noteHangUp();
        inDriver = 0;
    }
    std::lock_guard state(stateLock_);
    count = static_cast<DWORD>(readAhead_.size()) + inDriver;
    return ERROR_SUCCESS;
}

DWORD Serial::purgeComm(DWORD flags) {
    std::shared_lock guard(handleLock_);
    if (!usable()) {
        return ERROR_INVALID_HANDLE;
    }
    return purge(flags);
}

DWORD Serial::purge(DWORD flags) {
    const bool input = (flags & PURGE_RXCLEAR) != 0;
    const bool output = (flags & PURGE_TXCLEAR) != 0;
    if (input) {
        std::lock_guard state(stateLock_);
        readAhead_.clear();
    }
    return tty::flush(fd_, input, output);
}

DWORD Serial::purgeBuffers() {
    std::shared_lock guard(handleLock_);
    return purgeBuffersLocked();
}

DWORD Serial::purgeBuffersLocked() {
    LogBeacon::log(kPurgeBuffersContext, logging::DebugLevel1, L" ");
    const DWORD result = usable() ? purge(PURGE_TXCLEAR | PURGE_RXCLEAR) : ERROR_INVALID_HANDLE;
    if (result != ERROR_SUCCESS) {
        LogBeacon::log(kPurgeBuffersContext, logging::Error, L"::PurgeComm() failed [%d].",
                       static_cast<int>(result));
        return result;
    }
    LogBeacon::log(kPurgeBuffersContext, logging::DebugLevel3, L"SUCCESS");
    return ERROR_SUCCESS;
}

void Serial::noteHangUp() {
    std::lock_guard state(stateLock_);
    hungUp_ = true;
}

void Serial::wakeWaiter() const {
    const std::uint64_t one = 1;
    if (wakeFd_ >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    }
}

}  // namespace zeph::windows::communication
