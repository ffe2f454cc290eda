#pragma once

#include "support/communication/SerialNamedValues.h"

#include <cstdint>
#include <string>

namespace zeph::windows::communication {

// The settings of one serial connection: the port and its five line parameters, each held as
// a reference to its named value so the display names travel with the values.
struct SerialSettings {
public:
    // Port 0 (none chosen), an empty path, 115200 baud, 8 data bits, no parity, 1 stop bit,
    // no flow control.
    SerialSettings();

    std::int32_t portNumber() const { return portNumber_; }
    // Also sets the device path to "\\.\COM<number>".
    void setPortNumber(std::int32_t portNumber);

    const std::wstring& devicePath() const { return devicePath_; }
    void setDevicePath(std::wstring devicePath) { devicePath_ = std::move(devicePath); }

    const BaudRate& baudRate() const { return *baudRate_; }
    void setBaudRate(const BaudRate& value) { baudRate_ = &value; }
    const DataBits& dataBits() const { return *dataBits_; }
    void setDataBits(const DataBits& value) { dataBits_ = &value; }
    const Parity& parity() const { return *parity_; }
    void setParity(const Parity& value) { parity_ = &value; }
    const StopBits& stopBits() const { return *stopBits_; }
    void setStopBits(const StopBits& value) { stopBits_ = &value; }
    const FlowControl& flowControl() const { return *flowControl_; }
    void setFlowControl(const FlowControl& value) { flowControl_ = &value; }

private:
    std::int32_t portNumber_ = 0;
    std::wstring devicePath_;
    const BaudRate* baudRate_;
    const DataBits* dataBits_;
    const Parity* parity_;
    const StopBits* stopBits_;
    const FlowControl* flowControl_;
};

}  // namespace zeph::windows::communication
