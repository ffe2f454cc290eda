#pragma once

#include "support/platform/ErrorCodes.h"

namespace zeph::windows::communication {
struct SerialSettings;
}

// The connection lifecycle's side of the stack, called on the command-and-control thread.
class ICommandAndControl {
public:
    virtual void onConnect(const zeph::windows::communication::SerialSettings& settings) = 0;
    virtual void onDisconnect(const zeph::platform::DWORD& errorNumber) = 0;

protected:
    ~ICommandAndControl() = default;
};
