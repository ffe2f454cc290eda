#pragma once

#include "device/ICommandAndControl.h"
#include "device/QuorvexMessages.h"
#include "support/communication/CommDefinitions.h"
#include "support/communication/RfcommLink.h"
#include "support/communication/SerialSettings.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/Event.h"
#include "support/platform/LastError.h"
#include "support/platform/Thread.h"
#include "support/platform/TypeName.h"
#include "support/threading/IThread.h"

#include <string>

// The connection lifecycle layer: on the command-and-control thread it opens and configures the
// port, starts the four link threads and tells the main window the outcome; a disconnect stops
// them and closes the port.
template <typename Base>
class TCommandAndControl : public Base, public ICommandAndControl {
public:
    void onConnect(const zeph::windows::communication::SerialSettings& settings) override {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("onConnect");
        LogBeacon::log(context.c_str(), DebugLevel1, L" ");
        zeph::platform::setLastError(0);
        this->deviceState_.reset();
        zeph::platform::DWORD code = initPort(settings);
        if (code == 0) {
            LogBeacon::log(context.c_str(), Information, L"Successfully opened COM%d.",
                           settings.portNumber());
            this->serial_.purgeBuffers();
            code = initWorkerThreads();
        }
        if (code != 0) {
            this->lastError_ = code;
            LogBeacon::logSystemError(context.c_str(), code);
            notifyWindow(context.c_str(), WM_QUORVEX_ON_CONNECT, static_cast<zeph::platform::LPARAM>(code));
            return;
        }
        LogBeacon::log(context.c_str(), Information, L"Successfully initialized all worker threads.");
        this->lastError_ = 0;  // the last failed connect is history now
        this->deviceState_.setConnectionState(ConnectionState::Connecting);
        if (IAcknowledgementGate* gate = this->gate_.load(); gate != nullptr) {
            gate->portOpened(settings.devicePath());
        }
        if (IHealthCheck* health = this->healthCheck(); health != nullptr) {
            health->resetCounters();
        }
        this->serialWriteThread_.resume();
        this->serialReadThread_.resume();
        this->healthCheckThread_.resume();
        this->messageDispatchThread_.resume();
        notifyWindow(context.c_str(), WM_QUORVEX_ON_CONNECT, 0);
    }

    void onDisconnect(const zeph::platform::DWORD& errorNumber) override {
        using namespace zeph::windows::logging;
        static const std::string context = contextOf("onDisconnect");
        LogBeacon::log(context.c_str(), DebugLevel1, L" ");
        // A battery reading in progress gets up to three seconds to finish first.
        for (int attempt = 0; attempt < BatteryWaitMs / 100 && this->deviceState_.adcPolling(); ++attempt) {
            zeph::platform::sleep(100);
        }
        this->deviceState_.reset();
        stopLinkThreadsAndPort();
        notifyWindow(context.c_str(), WM_QUORVEX_ON_DISCONNECT,
                     static_cast<zeph::platform::LPARAM>(errorNumber));
        LogBeacon::log(context.c_str(), Information, L"Port closed and worker threads shut down.");
    }

protected:
    // Ends a connect that waits for a Bluetooth link (the program is closing); a new connect
    // clears it.
    void abortConnect(bool abort) {
        if (abort) {
            connectAbort_->set();
        } else {
            connectAbort_->reset();
        }
    }

    static constexpr int BatteryWaitMs = 3000;
    static constexpr zeph::platform::DWORD LinkThreadShutdownMs = 2000;
    // The longest a disconnection can take: the battery wait, then each link thread's shutdown.
    static constexpr zeph::platform::DWORD DisconnectionBoundMs = BatteryWaitMs + 4 * LinkThreadShutdownMs;

    // Health check, message dispatch, serial write, serial read (2000 ms each), then the port.
    void stopLinkThreadsAndPort() {
        this->healthCheckThread_.shutdown(LinkThreadShutdownMs);
        this->messageDispatchThread_.shutdown(LinkThreadShutdownMs);
        this->serialWriteThread_.shutdown(LinkThreadShutdownMs);
        this->serialReadThread_.shutdown(LinkThreadShutdownMs);
        if (this->serial_.isOpen()) {
            this->serial_.close();
        }
    }

    zeph::platform::DWORD initPort(const zeph::windows::communication::SerialSettings& settings) {
        using namespace zeph::windows::logging;
        using namespace zeph::windows::communication;
        static const std::string context = contextOf("initPort");
        const char* ctx = context.c_str();
        LogBeacon::log(ctx, DebugLevel1, L" ");
        const int port = settings.portNumber();
        LogBeacon::log(ctx, Information, L"Attempting to open port [COM%d].", port);
        if (const auto code = this->serial_.open(settings.devicePath()); code != 0) {
            return failed(ctx, code, L"Failed to open port [COM%d].\n", port);
        }
        // A Bluetooth unit that is off still has an rfcomm tty that opens: only its link tells.
        if (const auto code =
                this->serial_.waitForLink(connectAbort_, zeph::windows::communication::kLinkTimeoutMs);
            code != 0) {
            this->serial_.close();
            return failed(ctx, code, L"The Bluetooth link of [COM%d] did not come up.", port);
        }
        LogBeacon::log(ctx, Information,
                       L"Attempting to initialize synchornization objects for port [COM%d].", port);
        if (const auto code = this->serial_.initialize(); code != 0) {
            return failed(ctx, code, L"Failed to initialize synchornization objects for port [COM%d].", port);
        }
        LogBeacon::log(ctx, DebugLevel2, L"Attempting to configure port [COM%d].", port);
        if (const auto code = this->serial_.setBaudRate(settings.baudRate(), settings.dataBits(),
                                                        settings.parity(), settings.stopBits());
            code != 0) {
            return failed(ctx, code, L"Failed to set baud rate on port [COM%d].", port);
        }
        if (const auto code = this->serial_.setHandshake(settings.flowControl()); code != 0) {
            return failed(ctx, code, L"Failed to set handshake on port [COM%d].", port);
        }
        if (const auto code = this->serial_.setEventMask(EV_ERR | EV_TXEMPTY); code != 0) {
            return failed(ctx, code, L"Failed to set event mask (EV_ERR | EV_TXEMPTY) on port [COM%d].",
                          port);
        }
        if (const auto code = this->serial_.setEventChar(); code != 0) {
            return failed(ctx, code, L"Failed to set event mask (EV_RXFLAG) on port [COM%d].", port);
        }
        return 0;
    }

    zeph::platform::DWORD initWorkerThreads() {
        using namespace zeph::windows::system::threading;
        static const std::string context = contextOf("initWorkerThreads");
        zeph::windows::logging::LogBeacon::log(context.c_str(), zeph::windows::logging::DebugLevel1, L" ");
        SerialThreadParams params{
            &this->serial_, this->formatCallback_, this->writeCompleteCallback_, this->readCallback_, {}};
        const LinkThread threads[] = {
            {this->serialWriteThread_, "Serial Write", &params, THREAD_PRIORITY_TIME_CRITICAL,
             L"_write_thread"},
            {this->serialReadThread_, "Serial Read", &params, THREAD_PRIORITY_TIME_CRITICAL, L"_read_thread"},
            {this->healthCheckThread_, "Health Check", this->healthCheck(), NoPriority,
             L"_health_check_thread"},
            {this->messageDispatchThread_, "Message Dispatch", this->messageDispatch(),
             THREAD_PRIORITY_BELOW_NORMAL, L"_message_dispatch_thread"},
        };
        for (const LinkThread& link : threads) {
            if (const auto code = startSuspended(context.c_str(), link); code != 0) {
                return code;
            }
        }
        return 0;
    }

private:
    static constexpr int NoPriority = 0x7FFFFFFF;

    std::shared_ptr<zeph::platform::Event> connectAbort_ = zeph::platform::Event::create(true, false);
    static constexpr int THREAD_PRIORITY_TIME_CRITICAL = zeph::platform::THREAD_PRIORITY_TIME_CRITICAL;
    static constexpr int THREAD_PRIORITY_BELOW_NORMAL = zeph::platform::THREAD_PRIORITY_BELOW_NORMAL;

    struct LinkThread {
        zeph::windows::system::threading::IThread& thread;
        const char* name;
        void* parameter;
        int priority;
        const wchar_t* member;  // the name the log gives it
    };

    static std::string contextOf(const char* operation) {
        return zeph::platform::operationContext<TCommandAndControl>(operation);
    }

    static zeph::platform::DWORD startSuspended(const char* context, const LinkThread& link) {
        using namespace zeph::windows::logging;
        using zeph::windows::system::threading::CREATE_SUSPENDED;
        const auto code = link.thread.create(link.name, link.parameter, CREATE_SUSPENDED, 0, nullptr);
        if (code != 0) {
            LogBeacon::log(context, Error, L"Failed to create %s.", link.member);
            return code;
        }
        if (link.priority != NoPriority) {
            link.thread.setPriority(link.priority);
        }
        int priority = 0;
        link.thread.getPriority(priority);
        LogBeacon::log(context, Information, L"Successfully created %s [0x%X], pritority : [%d].",
                       link.member, link.thread.getThreadId(), priority);
        return 0;
    }

    static zeph::platform::DWORD failed(const char* context, zeph::platform::DWORD code,
                                        const wchar_t* message, int port) {
        zeph::windows::logging::LogBeacon::log(context, zeph::windows::logging::Error, message, port);
        return code;
    }

    void notifyWindow(const char* context, zeph::platform::UINT message, zeph::platform::LPARAM lParam) {
        if (!this->postToWindow(message, 0, lParam)) {
            this->logPostFailure(context);
        }
    }
};
