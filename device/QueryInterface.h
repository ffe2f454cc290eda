#pragma once

#include "device/QuorvexSupervisor.h"
#include "device/TCommandAndControl.h"
#include "device/THealthCheck.h"
#include "device/TMessageDispatchInterface.h"
#include "device/TUserInterface.h"
#include "support/platform/ErrorCodes.h"

// The device stack: one object per process, one layer per concern.
using QuorvexDeviceStack =
    TMessageDispatchInterface<TUserInterface<THealthCheck<TCommandAndControl<QuorvexSupervisor>>>>;

// Hands out one interface of the process's device stack (created on first use) by InterfaceId
// value: 0 on success, ERROR_BAD_ARGUMENTS without an output, ERROR_UNKNOWN_INTERFACE (with a
// null result) for any other id.
zeph::platform::DWORD queryInterface(int interfaceId, void** result);
