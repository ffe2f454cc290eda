#include "support/threading/SerialReadThread.h"

#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/Wait.h"

namespace zeph::windows::system::threading {

using namespace logging;
using communication::EV_ERR;
using communication::EV_RXCHAR;
using communication::EV_RXFLAG;

namespace {

std::string contextOf(const char* operation) {
    return std::string("zeph::windows::system::threading::SerialReadThread::") + operation;
}

}  // namespace

bool SerialReadThread::initThread(const ThreadContext& context) {
    static const std::string ctx = contextOf("initThread");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    const auto* params = static_cast<const SerialThreadParams*>(context.parameter);
    thread_ = context.thread;
    if (params == nullptr || !params->read) {
        platform::setLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    port_ = params->port;
    read_ = params->read;
    secondRead_ = params->secondRead;
    received_.clear();
    terminate_ = platform::Event::create(true, false);
    if (!terminate_) {
        LogBeacon::logSystemError(ctx.c_str(), platform::getLastError());
        return false;
    }
    return true;
}

void SerialReadThread::exitThread() {
    static const std::string ctx = contextOf("exitThread");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    received_.clear();
    received_.shrink_to_fit();
}

void SerialReadThread::notifyShutdown() {
    static const std::string ctx = contextOf("notifyShutdown");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    if (terminate_) {
        terminate_->set();
    }
}

int SerialReadThread::run() {
    static const std::string ctx = contextOf("run");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    while (platform::waitForSingleObject(terminate_, 0) == platform::WAIT_TIMEOUT) {
        DWORD mask = 0;
        thread_->setState(ThreadState::Wait);
        if (const DWORD waited = port_->waitCommEvent(terminate_, mask); waited != 0) {
            return waited == platform::ERROR_CANCELLED ? 0 : static_cast<int>(waited);
        }
        if ((mask & EV_ERR) != 0) {
            port_->clearCommError(nullptr, nullptr);
            LogBeacon::log(ctx.c_str(), Error, L"Error cleared.");
        }
        if ((mask & (EV_RXCHAR | EV_RXFLAG)) != 0) {
            thread_->setState(ThreadState::Run);
            if (port_->readPort(terminate_, received_) == 0) {
                processData();
            }
        }
    }
    LogBeacon::log(ctx.c_str(), DebugLevel2, L"Abandoning call. [_terminate] became signalled.");
    return 0;
}

void SerialReadThread::processData() {
    static const std::string ctx = contextOf("processData");
    LogBeacon::log(ctx.c_str(), DebugLevel1, L" ");
    while (!received_.empty()) {
        const DWORD length = static_cast<DWORD>(received_.size());
        DWORD consumed = 0;
        const DWORD result = read_(terminate_, received_.data(), length, consumed);
        consumed = std::min(consumed, length);
        const bool accepted = result == 0 || result == FRAME_ACCEPTED;
        if (accepted && secondRead_) {
            secondRead_(terminate_, received_.data(), length);
        }
        if (accepted || result == platform::ERROR_MORE_DATA) {
            received_.erase(received_.begin(), received_.begin() + consumed);
            // A frame accepted with nothing consumed would be parsed again forever.
            if (!accepted || consumed == 0) {
                return;
            }
        } else if (result == platform::ERROR_INVALID_DATA) {
            port_->purgeComm(communication::PURGE_RXCLEAR);
            received_.clear();
            return;
        } else if (result == FRAME_CHECKSUM_ERROR) {
            received_.clear();
            return;
        } else {
            return;
        }
    }
}

}  // namespace zeph::windows::system::threading
