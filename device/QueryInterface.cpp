#include "device/QueryInterface.h"

#include "device/DeviceValueSets.h"

using zeph::platform::DWORD;

namespace {

// Lives as long as the process: a worker thread abandoned at exit may still be running in it,
// so static destruction must not pull it from under that thread.
QuorvexDeviceStack& deviceStack() {
    static auto* const stack = new QuorvexDeviceStack;
    return *stack;
}

}  // namespace

DWORD queryInterface(int interfaceId, void** result) {
    if (result == nullptr) {
        return zeph::platform::ERROR_BAD_ARGUMENTS;
    }
    *result = nullptr;
    QuorvexDeviceStack& stack = deviceStack();
    if (interfaceId == InterfaceId::UserInterface.value()) {
        *result = static_cast<IUserInterface*>(&stack);
    } else if (interfaceId == InterfaceId::CommandAndControlInterface.value()) {
        *result = static_cast<ICommandAndControl*>(&stack);
    } else if (interfaceId == InterfaceId::HealthCheckInterface.value()) {
        *result = static_cast<IHealthCheck*>(&stack);
    } else if (interfaceId == InterfaceId::MessageDispacthInterface.value()) {
        *result = static_cast<IMessageDispatch*>(&stack);
    } else {
        return zeph::platform::ERROR_UNKNOWN_INTERFACE;
    }
    return zeph::platform::ERROR_SUCCESS;
}
