#pragma once

#include "support/communication/CommDefinitions.h"
#include "support/communication/PortDirectory.h"
#include "support/communication/ReadAheadBuffer.h"
#include "support/communication/RfcommLink.h"
#include "support/communication/SerialNamedValues.h"
#include "support/communication/TtyControl.h"
#include "support/platform/Event.h"
#include "support/platform/Mutex.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string_view>
#include <vector>

namespace zeph::windows::communication {

// An optional event that ends a port wait when signalled (a thread's terminate event).
using AbortEvent = std::shared_ptr<platform::Event>;

// One serial port, opened exclusively and raw, with the Windows comm semantics the serial
// threads rely on: a wait for masked port events (the event character is found by reading
// ahead into the object's own buffer), reads that drain what is queued, and writes made
// exclusive by the write mutex. Every operation returns a Win32 code; a wait also ends at once
// when its abort event is signalled, when the port is closed, or (with 1167) when the line
// hangs up.
class Serial {
public:
    // "\\.\COM<n>" resolves through the port directory of the environment at open time.
    Serial();
    explicit Serial(PortDirectory directory);
    Serial(const Serial&) = delete;
    Serial& operator=(const Serial&) = delete;
    virtual ~Serial();

    // "\\.\COM<n>" or "COM<n>" through the port directory, or an absolute device path.
    // 1247 when this object has a port open, 2 for no such port, 5 when it is held elsewhere.
    DWORD open(std::wstring_view devicePath);
    DWORD close();
    bool isOpen() const;

    // An rfcomm tty only starts its Bluetooth connection as it opens: this waits until the link
    // is up (see waitForLink), the time is up, abort is set or the port is closed. 0 at once for
    // any other port.
    DWORD waitForLink(const AbortEvent& abort, DWORD timeoutMs);
    // Who answers about the link: the kernel, unless a test plays it.
    void setLinkProbe(LinkProbe probe);

    DWORD setReadMode(const ReadMode& mode);
    DWORD initialize();
    DWORD setBaudRate(const BaudRate& baudRate, const DataBits& dataBits, const Parity& parity,
                      const StopBits& stopBits);
    DWORD setHandshake(const FlowControl& flowControl);
    DWORD setEventMask(DWORD eventMask);
    // Makes 0x04 the event character and adds EV_RXFLAG to the mask already set.
    DWORD setEventChar();
    DWORD purgeBuffers();

    DWORD waitCommEvent(const AbortEvent& abort, DWORD& eventMask);
    // Appends everything queued at the call to bytes, at most 1024 bytes per read.
    DWORD readPort(const AbortEvent& abort, std::vector<std::uint8_t>& bytes);
    DWORD writePort(const AbortEvent& abort, const std::uint8_t* bytes, DWORD length);

    // Signalled when a writePort ends with 0 or 1223 (the frame layer waits on it after an ACK).
    std::shared_ptr<platform::Event> writeCompleteEvent() const;

    // The Win32 comm calls under their own names, for the threads and the connection.
    DWORD setupComm(DWORD inQueue, DWORD outQueue);
    DWORD getCommMask(DWORD& eventMask) const;
    DWORD getCommState(DCB& dcb) const;
    DWORD setCommState(const DCB& dcb);
    DWORD getCommTimeouts(COMMTIMEOUTS& timeouts) const;
    DWORD setCommTimeouts(const COMMTIMEOUTS& timeouts);
    // Reports and clears the line errors (CE_*); the input count is the bytes read ahead plus
    // the driver's queue. Either pointer may be null.
    DWORD clearCommError(DWORD* errors, COMSTAT* status);
    DWORD purgeComm(DWORD flags);

protected:
    // ReadFile without waiting: up to length bytes, first the ones read ahead, then the
    // driver's. 0 with read = 0 when nothing is there; 1167 once the line has hung up.
    virtual DWORD readFile(std::uint8_t* buffer, DWORD length, DWORD& read);

private:
    enum class Readiness { Ready, Closing, Aborted, Failed };

    bool usable() const;
    DWORD openDevice(std::wstring_view devicePath, int& fd, tty::SavedTerminal& saved);
    void closeDevice();
    DWORD applyCommState(const DCB& dcb);
    DWORD pullInput();
    void absorb(const std::uint8_t* bytes, std::size_t length);
    void noteHangUp();
    bool hasPortNews(std::uint64_t generation) const;
    int checkTxEmpty();
    DWORD queuedBytes(DWORD& count);
    DWORD purge(DWORD flags);
    DWORD purgeBuffersLocked();
    DWORD readFailed(DWORD error);
    Readiness waitFor(short events, const AbortEvent& abort, DWORD& error) const;
    void noteWritten();
    DWORD writeSome(const std::uint8_t* bytes, DWORD length, DWORD& written);
    DWORD writeBytes(const AbortEvent& abort, const std::uint8_t* bytes, DWORD length,
                     const wchar_t* waitName);
    void wakeWaiter() const;

    std::optional<PortDirectory> directory_;
    LinkProbe linkProbe_ = kernelLinkAnswer;

    // Operations hold this shared while they use the descriptors; open and close hold it
    // exclusively, so a descriptor is never closed (and its number reused) under an operation.
    mutable std::shared_mutex handleLock_;
    int fd_ = -1;
    bool rfcomm_ = false;               // the open port is an rfcomm tty
    tty::SavedTerminal savedTerminal_;  // the tty's settings before open, put back by close
    int wakeFd_ = -1;                   // eventfd: a finished write or a new event mask wakes waitCommEvent
    std::shared_ptr<platform::Event> closeEvent_;  // set by close(): every blocked operation leaves
    int closeFd_ = -1;                             // closeEvent_'s poll descriptor
    std::atomic<bool> closing_{false};

    mutable std::mutex stateLock_;  //!< Protects every field below.
    DCB dcb_;
    COMMTIMEOUTS timeouts_;
    DWORD eventMask_ = 0;
    std::uint64_t maskGeneration_ = 0;  // a new mask ends a pending wait, as SetCommMask does
    DWORD pendingEvents_ = 0;           // masked events seen and not yet reported
    DWORD commErrors_ = 0;              // CE_* since the last clearCommError
    bool txPending_ = false;            // bytes written whose draining is not yet reported
    bool hungUp_ = false;
    DWORD inQueueSize_ = 0;
    DWORD outQueueSize_ = 0;
    bool haveLineCounters_ = false;
    tty::LineCounters lineCounters_;
    ReadAheadBuffer readAhead_;
    std::shared_ptr<platform::Mutex> writeMutex_;     // "write mutex": makes each writePort exclusive
    std::shared_ptr<platform::Event> writeComplete_;  // signalled when a writePort ends with 0 or 1223
};

}  // namespace zeph::windows::communication
