#pragma once

#include "device/IUserInterface.h"
#include "device/LayerTrace.h"

// The command layer: every operator command becomes a line for the unit.
template <typename Base>
class TUserInterface : public Base, public IUserInterface {
public:
    DeviceState* getDeviceState() override { return &this->deviceState_; }
    zeph::platform::DWORD getLastError() override { return this->lastError_.load(); }
    EventCounters* findEventCounters(std::uint32_t eventBit) override {
        return this->eventCounters_.find(eventBit);
    }
    void exit() override { trace("exit"); }
    bool connect(zeph::platform::HWND, const zeph::windows::communication::SerialSettings&) override {
        trace("connect");
        return false;
    }
    void disconnect() override { trace("disconnect"); }
    void requestInit() override { trace("requestInit"); }
    void requestState() override { trace("requestState"); }
    void reinit() override { trace("reinit"); }
    void selectChannel(const int&) override { trace("selectChannel"); }
    void startStreaming() override { trace("startStreaming"); }
    void stopStreaming() override { trace("stopStreaming"); }
    void pauseStreaming() override { trace("pauseStreaming"); }
    void resumeStreaming() override { trace("resumeStreaming"); }
    void inqGain() override { trace("inqGain"); }
    void incGain() override { trace("incGain"); }
    void decGain() override { trace("decGain"); }
    void resetMRSensor() override { trace("resetMRSensor"); }
    void requestGPS() override { trace("requestGPS"); }
    void setWorkingFolder(const int&) override { trace("setWorkingFolder"); }
    void setRecordModeAutomatic() override { trace("setRecordModeAutomatic"); }
    void setRecordModeManual() override { trace("setRecordModeManual"); }
    void startRecording() override { trace("startRecording"); }
    void stopRecording() override { trace("stopRecording"); }
    void popQueue() override { trace("popQueue"); }

private:
    static void trace(const char* operation) { traceEntry<TUserInterface>(operation); }
};
