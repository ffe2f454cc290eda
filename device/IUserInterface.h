#pragma once

#include "support/platform/ErrorCodes.h"
#include "support/platform/WindowTypes.h"

#include <cstdint>

class DeviceState;
class IAcknowledgementGate;
struct EventCounters;

namespace zeph::windows::communication {
struct SerialSettings;
}

// The command API of the stack: the only interface the console holds.
class IUserInterface {
public:
    virtual DeviceState* getDeviceState() = 0;
    // The error code of the last failed connect.
    virtual zeph::platform::DWORD getLastError() = 0;
    virtual EventCounters* findEventCounters(std::uint32_t eventBit) = 0;
    virtual void exit() = 0;
    virtual bool connect(zeph::platform::HWND window,
                         const zeph::windows::communication::SerialSettings& settings) = 0;
    virtual void disconnect() = 0;
    virtual void requestInit() = 0;
    virtual void requestState() = 0;
    virtual void reinit() = 0;
    virtual void selectChannel(const int& channel) = 0;
    virtual void startStreaming() = 0;
    virtual void stopStreaming() = 0;
    virtual void pauseStreaming() = 0;
    virtual void resumeStreaming() = 0;
    virtual void inqGain() = 0;
    virtual void incGain() = 0;
    virtual void decGain() = 0;
    virtual void resetMRSensor() = 0;
    virtual void requestGPS() = 0;
    virtual void setWorkingFolder(const int& folder) = 0;
    virtual void setRecordModeAutomatic() = 0;
    virtual void setRecordModeManual() = 0;
    virtual void startRecording() = 0;
    virtual void stopRecording() = 0;
    virtual void popQueue() = 0;
    // Who keeps the unit's events before they are acknowledged (null: no one); set it while
    // no connection is open, and clear it before the keeper goes.
    virtual void setAcknowledgementGate(IAcknowledgementGate* gate) = 0;

protected:
    ~IUserInterface() = default;
};
