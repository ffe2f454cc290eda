#include "support/communication/SerialSettings.h"

#include <string>

namespace zeph::windows::communication {

SerialSettings::SerialSettings()
    : baudRate_(&BaudRate::Baud115200),
      dataBits_(&DataBits::Bits8),
      parity_(&Parity::NoParity),
      stopBits_(&StopBits::One),
      flowControl_(&FlowControl::NoFlowControl) {}

void SerialSettings::setPortNumber(std::int32_t portNumber) {
    portNumber_ = portNumber;
    devicePath_ = L"\\\\.\\COM" + std::to_wstring(portNumber);
}

}  // namespace zeph::windows::communication
