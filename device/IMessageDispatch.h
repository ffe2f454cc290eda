#pragma once

#include <cstddef>
#include <cstdint>

// The event decoder: takes one accepted payload (event mask included) at a time.
class IMessageDispatch {
public:
    virtual void DispatchMessage(const std::uint8_t* payload, std::size_t size) = 0;

protected:
    ~IMessageDispatch() = default;
};
