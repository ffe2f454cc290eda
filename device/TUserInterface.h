#pragma once

#include "device/CommandAndControlThread.h"
#include "device/CommandDescriptor.h"
#include "device/DeferredCommandQueue.h"
#include "device/FrameCodec.h"
#include "device/IUserInterface.h"
#include "device/M410ChannelMap.h"
#include "support/communication/SerialSettings.h"
#include "support/logging/LogBeacon.h"
#include "support/platform/LastError.h"
#include "support/platform/MessageQueue.h"
#include "support/platform/MessageWindow.h"
#include "support/platform/TypeName.h"

#include <string>
#include <string_view>
#include <vector>

// The command layer: every operator command becomes a line for the unit, handed to the write
// thread. While the unit measures its battery, commands are held back and replayed afterwards,
// or dropped where a late one would be wrong.
template <typename Base>
class TUserInterface : public Base, public IUserInterface {
    using DWORD = zeph::platform::DWORD;
    using LogBeacon = zeph::windows::logging::LogBeacon;

public:
    DeviceState* getDeviceState() override { return &this->deviceState_; }
    DWORD getLastError() override { return this->lastError_.load(); }
    void setAcknowledgementGate(IAcknowledgementGate* gate) override { this->gate_.store(gate); }
    EventCounters* findEventCounters(std::uint32_t eventBit) override {
        return this->eventCounters_.find(eventBit);
    }

    // Application shutdown: stops the command-and-control thread, then the link threads, and
    // closes the port. Nothing is posted to the window. A disconnection that thread is running
    // is let finish: abandoned, it would close the port and stop the threads beside this call.
    void exit() override {
        const char* context = enter<&TUserInterface::exit>("exit");
        const DWORD commandThread = this->commandAndControlThread_.getThreadId();
        this->abortConnect(true);
        this->commandAndControlThread_.shutdown(Base::DisconnectionBoundMs + ShutdownTimeoutMs);
        LogBeacon::log(context, zeph::windows::logging::Information,
                       L"Command and Control thread [0x%X] shut down.", commandThread);
        this->deviceState_.reset();
        this->stopLinkThreadsAndPort();
    }

    // Asks the command-and-control thread to connect; false (with the last error) only for what
    // fails before the request is posted. The outcome arrives as WM_QUORVEX_ON_CONNECT.
    bool connect(zeph::platform::HWND window,
                 const zeph::windows::communication::SerialSettings& settings) override {
        namespace platform = zeph::platform;
        const char* context = enter<&TUserInterface::connect>("connect");
        if (!platform::isWindow(window)) {
            return failConnect(platform::ERROR_INVALID_WINDOW_HANDLE);
        }
        if (const DWORD prepared = commandQueue_.prepare(); prepared != 0) {
            return failConnect(prepared);
        }
        this->deviceState_.setGain(0, 0);
        this->abortConnect(false);
        this->window_.store(window);
        this->settings_ = settings;
        // The operating-system version is not read here: nothing on this platform uses it.
        if (this->commandAndControlThread_.getThreadId() == 0) {
            const DWORD created = this->commandAndControlThread_.create(
                "Command and Control", static_cast<ICommandAndControl*>(this), 0, 0, nullptr);
            if (created != 0) {
                LogBeacon::log(context, zeph::windows::logging::Error,
                               L"Failed to create _command_and_control_thread.");
                LogBeacon::logSystemError(context, created);
                return failConnect(created);
            }
            LogBeacon::log(context, zeph::windows::logging::Information,
                           L"Successfully created command and control thread [0x%X].",
                           this->commandAndControlThread_.getThreadId());
        }
        if (!platform::postThreadMessage(this->commandAndControlThread_.getThreadId(), TM_QUORVEX_CONNECT, 0,
                                         reinterpret_cast<platform::LPARAM>(&this->settings_))) {
            return failConnect(platform::getLastError());
        }
        return true;
    }

    // Asks the command-and-control thread to disconnect and stops a replay of held-back commands.
    void disconnect() override {
        const char* context = enter<&TUserInterface::disconnect>("disconnect");
        if (!zeph::platform::postThreadMessage(this->commandAndControlThread_.getThreadId(),
                                               TM_QUORVEX_DISCONNECT, 0, 0)) {
            const DWORD error = zeph::platform::getLastError();
            LogBeacon::log(context, zeph::windows::logging::Error,
                           L"::PostThreadMessage() failed! Reason [%d].", error);
            LogBeacon::logSystemError(context, error);
        }
        commandQueue_.terminate();
    }

    void requestInit() override {
        sendTableCommand<&TUserInterface::requestInit>("requestInit", CommandDescriptor::RequestInit);
    }
    void requestState() override {
        sendTableCommand<&TUserInterface::requestState>("requestState", CommandDescriptor::RequestState);
    }
    void reinit() override {
        sendTableCommand<&TUserInterface::reinit>("reinit", CommandDescriptor::Reinitialize,
                                                  L" Queueing due to ADC battery polling.");
    }

    void selectChannel(const int& channel) override {
        const char* context = enter<&TUserInterface::selectChannel>("selectChannel");
        if (skippedWhilePolling(context)) {
            return;
        }
        std::int32_t sent = channel;
        if (this->deviceState_.identity().model == M410Model) {
            LogBeacon::log(context, zeph::windows::logging::Error, L"Detected M410 - Executing hack!");
            sent = m410ChannelNumber(channel, this->deviceState_.firmware()[0]);
        }
        sendNumbered(context, CommandDescriptor::SelectChannel, sent);
    }

    void startStreaming() override {
        const char* context = enter<&TUserInterface::startStreaming>("startStreaming");
        if (deferredWhilePolling<&TUserInterface::startStreaming>(context, QueueingText)) {
            return;
        }
        changeStreamingState(StreamingState::Beginning);
        send(context, CommandDescriptor::StartStreaming);
    }

    // The Stop Streaming Acknowledgement later returns the unit to Command/Stopped.
    void stopStreaming() override {
        const char* context = enter<&TUserInterface::stopStreaming>("stopStreaming");
        if (deferredWhilePolling<&TUserInterface::stopStreaming>(context, QueueingText)) {
            return;
        }
        changeStreamingState(StreamingState::Ending);
        send(context, CommandDescriptor::StopStreaming);
    }

    // Pausing only changes what the console does with arriving data; nothing is sent.
    void pauseStreaming() override {
        enter<&TUserInterface::pauseStreaming>("pauseStreaming");
        if (this->deviceState_.streamingState() == StreamingState::Playing) {
            this->deviceState_.setStreamingState(StreamingState::Paused);
        }
    }
    void resumeStreaming() override {
        enter<&TUserInterface::resumeStreaming>("resumeStreaming");
        if (this->deviceState_.streamingState() == StreamingState::Paused) {
            this->deviceState_.setStreamingState(StreamingState::Playing);
        }
    }

    void inqGain() override {
        sendTableCommand<&TUserInterface::inqGain>("inqGain", CommandDescriptor::InquireGain);
    }
    void incGain() override {
        sendTableCommand<&TUserInterface::incGain>("incGain", CommandDescriptor::IncrementGain);
    }
    void decGain() override {
        sendTableCommand<&TUserInterface::decGain>("decGain", CommandDescriptor::DecrementGain,
                                                   L"Queueing due to ADC battery polling.\n");
    }
    void resetMRSensor() override {
        sendTableCommand<&TUserInterface::resetMRSensor>("resetMRSensor", CommandDescriptor::MRSensorReset);
    }

    void requestGPS() override {
        const char* context = enter<&TUserInterface::requestGPS>("requestGPS");
        if (skippedWhilePolling(context)) {
            return;
        }
        send(context, CommandDescriptor::RequestGPS);
    }

    // The folder number is the unit's to check.
    void setWorkingFolder(const int& folder) override {
        const char* context = enter<&TUserInterface::setWorkingFolder>("setWorkingFolder");
        if (skippedWhilePolling(context)) {
            return;
        }
        sendNumbered(context, CommandDescriptor::SelectWorkingFolder, folder);
    }

    void setRecordModeAutomatic() override {
        sendTableCommand<&TUserInterface::setRecordModeAutomatic>("setRecordModeAutomatic",
                                                                  CommandDescriptor::SetAutoRecord);
    }
    void setRecordModeManual() override {
        sendTableCommand<&TUserInterface::setRecordModeManual>("setRecordModeManual",
                                                               CommandDescriptor::SetManualRecord);
    }
    void startRecording() override {
        sendTableCommand<&TUserInterface::startRecording>("startRecording",
                                                          CommandDescriptor::StartRecording);
    }
    void stopRecording() override {
        sendTableCommand<&TUserInterface::stopRecording>("stopRecording", CommandDescriptor::StopRecording);
    }

    // Replays the commands held back during the battery reading, on the calling thread.
    void popQueue() override { commandQueue_.replay(enter<&TUserInterface::popQueue>("popQueue")); }

protected:
    static constexpr DWORD ShutdownTimeoutMs = 2000;
    static constexpr const wchar_t* QueueingText = L"Queueing due to ADC battery polling.";

    // The held-back commands, their "_queue_mutex" and the terminate event that ends a replay.
    DeferredCommandQueue commandQueue_;

private:
    // The operation's log context, built once per operation, after its entry trace.
    template <auto Operation>
    static const char* enter(const char* name) {
        static const std::string context = zeph::platform::operationContext<TUserInterface>(name);
        LogBeacon::log(context.c_str(), zeph::windows::logging::DebugLevel1, L" ");
        return context.c_str();
    }

    template <auto Operation>
    void sendTableCommand(const char* name, std::int32_t commandId, const wchar_t* queueing = QueueingText) {
        const char* context = enter<Operation>(name);
        if (deferredWhilePolling<Operation>(context, queueing)) {
            return;
        }
        send(context, commandId);
    }

    // While the unit measures its battery, queues a call of the same operation for the replay.
    template <auto Operation>
    bool deferredWhilePolling(const char* context, const wchar_t* queueing) {
        if (!this->deviceState_.adcPolling()) {
            return false;
        }
        LogBeacon::log(context, zeph::windows::logging::Warning, queueing);
        appendToQueue([this] { (this->*Operation)(); });
        return true;
    }

    bool skippedWhilePolling(const char* context) {
        if (!this->deviceState_.adcPolling()) {
            return false;
        }
        LogBeacon::log(context, zeph::windows::logging::Warning, L"Skipping due to ADC battery polling.");
        return true;
    }

    void appendToQueue(DeferredCommandQueue::Command command) {
        commandQueue_.append(enter<&TUserInterface::appendToQueue>("appendToQueue"), std::move(command));
    }

    void changeStreamingState(const StreamingState& state) {
        this->deviceState_.setOperatingMode(OperatingMode::Streaming);
        this->deviceState_.setStreamingState(state);
        this->healthCheckThread_.getWorker().notifyStateChange();
    }

    void send(const char* context, std::int32_t commandId) {
        const CommandDescriptor& command = *CommandDescriptor::find(commandId);
        LogBeacon::log(context, zeph::windows::logging::DebugLevel4, L"Outgoing message [%s] [%hs] [%hs]",
                       command.displayName(), command.wireText(), ByteDump(command.bytes()));
        queue(context, command.bytes(), command.responseTimeout());
    }

    void sendNumbered(const char* context, std::int32_t commandId, std::int32_t number) {
        const CommandDescriptor& command = *CommandDescriptor::find(commandId);
        const std::vector<std::uint8_t> bytes = command.format(number);
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size() - 1);
        LogBeacon::log(context, zeph::windows::logging::DebugLevel4, L"Outgoing message [%hs] [%hs]", text,
                       ByteDump(bytes));
        queue(context, bytes, command.responseTimeout());
    }

    void queue(const char* context, std::span<const std::uint8_t> bytes, DWORD responseTimeout) {
        if (!this->serialWriteThread_.getWorker().queueData(bytes.data(), static_cast<DWORD>(bytes.size()),
                                                            responseTimeout)) {
            LogBeacon::log(context, zeph::windows::logging::Error, L"Unable to queue the outgoing message.");
        }
    }

    bool failConnect(DWORD error) {
        zeph::platform::setLastError(error);
        this->lastError_.store(error);
        return false;
    }
};
