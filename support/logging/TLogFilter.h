#pragma once

#include "support/logging/ILogFilter.h"
#include "support/logging/LogVerbosity.h"

#include <cstdint>

namespace zeph::windows::logging {

// The verbosity mask of the sink class L (which derives from LogListener first and from this
// second). The mask is the sink's levels, so the beacon sees every change at once and renders
// no entry that no sink takes. Every level passes until the mask is changed.
template <typename L>
class TLogFilter : public ILogFilter {
public:
    static constexpr std::uint16_t kAllLevels = 0xFFFF;

    std::uint16_t getFilter() const override {
        return static_cast<std::uint16_t>(sink().levels() & kAllLevels);
    }
    void setFilter(std::uint16_t mask) override { static_cast<L&>(*this).setLevels(mask); }
    std::uint16_t resetFilter() override {
        setFilter(kAllLevels);
        return kAllLevels;
    }

    // Whether the sink takes an entry of that level.
    bool passes(const LogVerbosity& verbosity) const { return (verbosity.value() & getFilter()) != 0; }

private:
    const L& sink() const { return static_cast<const L&>(*this); }
};

}  // namespace zeph::windows::logging
