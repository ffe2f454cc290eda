#include "discovery/BluetoothMessages.h"

#include "support/platform/RegisteredMessage.h"

namespace zeph::windows::discovery {

platform::UINT tmBluetoothEnumDevices() {
    static const platform::UINT id =
        platform::registerWindowMessage(L"TM_BLUETOOTH_ENUM_DEVICES-{48CBA000-7933-41C7-8F61-0161DF63386E}");
    return id;
}

platform::UINT tmBluetoothRemoveDevice() {
    static const platform::UINT id =
        platform::registerWindowMessage(L"TM_BLUETOOTH_REMOVE_DEVICE-{251F44AA-0B1F-41D4-966A-C8B6989E6F7B}");
    return id;
}

platform::UINT wmBluetoothEnumDevices() {
    static const platform::UINT id =
        platform::registerWindowMessage(L"WM_BLUETOOTH_ENUM_DEVICES-{80E2CDCC-BC0C-4D0F-8EF2-3F14F87B2E54}");
    return id;
}

}  // namespace zeph::windows::discovery
