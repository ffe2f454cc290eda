#pragma once

#include <cstdint>

namespace zeph::windows::logging {

// A sink's verbosity mask: an entry passes when its level's bit is in the mask.
class ILogFilter {
public:
    virtual ~ILogFilter() = default;

    virtual std::uint16_t getFilter() const = 0;
    virtual void setFilter(std::uint16_t mask) = 0;
    // Lets every level pass again; returns the new mask, 0xFFFF.
    virtual std::uint16_t resetFilter() = 0;
};

}  // namespace zeph::windows::logging
